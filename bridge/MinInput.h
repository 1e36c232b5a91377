#pragma once
// The mini input window "迷你输入" (unit MinInput): a small, borderless, always-on-top window
// with the service's mini page. A confirmed keyword goes to the main window's wide page; the
// window can be dragged by page elements and slides out of sight at the top and right edges.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Global.h"
#include "app/ReloadPacer.h"
#include "app/WindowPorts.h"
#include "bridge/Browser.h"
#include "bridge/DHTMLEvent.h"
#include "bridge/MiniInputPorts.h"
#include "bridge/ToolLauncher.h"

namespace zel {

inline constexpr char kMiniCaption[] = "迷你输入";
inline constexpr char kMiniComponentName[] = "frmMinInput";
inline constexpr int kMiniTimerIntervalMs = 50;
// A second press on a drag area within this time searches instead of dragging.
inline constexpr std::int64_t kDoublePressMs = 500;

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// The mini window itself. It is borderless: its bounds are its client area.
class IMiniForm {
 public:
  IMiniForm() = default;
  IMiniForm(const IMiniForm&) = delete;
  IMiniForm& operator=(const IMiniForm&) = delete;
  virtual ~IMiniForm() = default;
  virtual std::intptr_t Handle() = 0;
  virtual void SetClientSize(int width, int height) = 0;
  virtual WindowRect Bounds() = 0;
  virtual void SetBounds(const WindowRect& bounds) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() = 0;
  // SetWindowPos with HWND_TOPMOST, the current bounds and no flags.
  virtual void SetTopMost() = 0;
  // Releases the mouse capture and runs the system's move loop until the button is released.
  virtual void StartSystemDrag() = 0;
  // A point on no window when the system cannot tell.
  virtual ScreenPoint CursorPos() = 0;
  // The component name of this program's top-level window under the point; empty when the
  // point is on no window of the program.
  virtual std::string TopControlNameAt(ScreenPoint point) = 0;
  // The pixels per inch of the monitor the window is on (kDesignDpi where the system cannot say).
  virtual int Dpi() = 0;
};

// What the mini window reports.
class IMiniFormEvents {
 public:
  IMiniFormEvents() = default;
  IMiniFormEvents(const IMiniFormEvents&) = delete;
  IMiniFormEvents& operator=(const IMiniFormEvents&) = delete;
  virtual ~IMiniFormEvents() = default;
  // One event per timer of the window.
  virtual void Timer1Timer() = 0;
  virtual void Timer2Timer() = 0;
  virtual void ReloadTimerTimer() = 0;
  // Shown on purpose, not with its owner.
  virtual void FormShow() = 0;
  // The window is about to take this size; the listener may enlarge it.
  virtual void FormCanResize(int& width, int& height) = 0;
};

// Everything the mini window reaches of the system. All references outlive the window.
struct TfrmMinInputPorts {
  IMiniForm& window;
  IBrowser& EmbeddedWBMinInput;
  ITimer& Timer1;
  ITimer& Timer2;
  // Carries a deferred reload; ticks every kReloadSpacingMs while enabled.
  ITimer& ReloadTimer;
  ISinkFactory& sinks;
  IClock& clock;
  IMonitors& monitors;
  // Opens the addresses the page wants in a window of its own elsewhere than on the service.
  IToolLauncher& tools;
};

class TfrmMinInput final : public IMiniInputWindow, public IMiniFormEvents {
 public:
  TfrmMinInput(TGlobals& globals, IMiniInputOwner& owner, TfrmMinInputPorts ports);
  TfrmMinInput(const TfrmMinInput&) = delete;
  TfrmMinInput& operator=(const TfrmMinInput&) = delete;
  ~TfrmMinInput() override;

  // IMiniInputWindow
  void Show() override;
  void Hide() override;
  // The window itself or one of its browser's windows.
  bool OwnsWindow(std::intptr_t window) override;

  void FormCreate();
  void FormShow() override;
  void FormCanResize(int& width, int& height) override;
  void FormDestroy();

  // Binds the mini page's elements, only when the page is the service's own.
  void BindHtmlEvent();
  std::string GetKeyword();
  bool IsEnterInput();
  void SearchModel();

  void InputEventHandle();
  void SearchEventHandle();
  void PinEventHandle();
  void CloseEventHandle();
  void MoveFormEventHandle();

  void MoveForm();
  // Always makes the window topmost: the flag is not used.
  void SetWindowTop(bool flag);
  std::string TopControlNameAt(ScreenPoint point);

  void Timer1Timer() override;
  void Timer2Timer() override;
  void ReloadTimerTimer() override;

  void EmbeddedWBMinInputDocumentComplete(const void* pDisp);
  void EmbeddedWBMinInputCommandStateChange();
  // A download ended: a document that came without DocumentComplete (a reload) is bound.
  void EmbeddedWBMinInputDownloadComplete();
  void EmbeddedWBMinInputNavigateComplete2();
  void EmbeddedWBMinInputNavigateError(bool& cancel);
  void EmbeddedWBMinInputScriptError(bool& continueScripts, bool& showDialog);
  // The page wants a window of its own: a service address goes to the main window.
  void EmbeddedWBMinInputNewWindow(const std::string& url);

  // Tick (IClock::TickMs) of the last press on a drag area or the last page load; long ago at
  // first.
  std::int64_t LastMoveDown;

 private:
  class BrowserEvents;

  std::int64_t Now();
  std::string InputValue(const char* id);
  // A length designed at kDesignDpi, at the window's pixels per inch.
  int Scaled(int length);

  // The mini window's size and page, and whether the program is closing.
  TGlobals& settings_;
  IMiniInputOwner& owner_;
  TfrmMinInputPorts ports_;
  std::unique_ptr<BrowserEvents> events_;
  ReloadPacer reloads_;
  std::vector<IEventSink*> sinks_;
  // The document last bound as complete.
  const void* shownDocument_ = nullptr;
};

}  // namespace zel
