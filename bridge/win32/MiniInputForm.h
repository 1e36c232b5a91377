#pragma once
// The mini input window's own window: borderless, always on top, owned by the main window.
// It reports its timers, its show and its size requests to the listener attached to it.
#include <windows.h>

#include <functional>
#include <utility>

#include "app/win32/Window.h"
#include "bridge/MinInput.h"

namespace zel::win32 {

class MiniInputForm final : public Window, public IMiniForm {
 public:
  static constexpr wchar_t kClassName[] = L"ZelMiniInput";
  static constexpr UINT_PTR kTimer1Id = 1;
  static constexpr UINT_PTR kTimer2Id = 2;
  static constexpr UINT_PTR kReloadTimerId = 3;

  // Created hidden with the given client area. Throws Win32Error.
  MiniInputForm(HWND owner, const WindowRect& bounds);
  ~MiniInputForm() override;

  HWND Hwnd() const { return Window::Handle(); }
  // Routes the window's events to the listener; nullptr detaches (before the listener goes).
  void Attach(IMiniFormEvents* events) { events_ = events; }
  // Called with the new client size, so the browser can fill the window.
  void SetClientResizeHandler(std::function<void(int width, int height)> handler);
  // Called with the pixels per inch of the monitor the window has moved to, after the window
  // took that monitor's scale, so the browser can zoom its page.
  void SetDpiChangeHandler(std::function<void(int dpi)> handler) { onDpiChange_ = std::move(handler); }

  // IMiniForm
  std::intptr_t Handle() override { return reinterpret_cast<std::intptr_t>(Window::Handle()); }
  void SetClientSize(int width, int height) override;
  WindowRect Bounds() override;
  void SetBounds(const WindowRect& bounds) override;
  void Show() override;
  void Hide() override;
  bool Visible() override;
  void SetTopMost() override;
  void StartSystemDrag() override;
  ScreenPoint CursorPos() override;
  std::string TopControlNameAt(ScreenPoint point) override;
  int Dpi() override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  IMiniFormEvents* events_ = nullptr;
  std::function<void(int, int)> onResize_;
  std::function<void(int)> onDpiChange_;
};

}  // namespace zel::win32
