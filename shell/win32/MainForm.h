#pragma once
// The borderless, layered main window. It exists before the main window's logic (whose ports
// refer to it) and is attached to that logic afterwards.
#include <windows.h>

#include <functional>
#include <utility>

#include "app/win32/Window.h"
#include "shell/Ports.h"
#include "shell/WindowEvents.h"

namespace zel::win32 {

class MainForm final : public Window, public IFormWindow {
 public:
  static constexpr wchar_t kClassName[] = L"ZelMainForm";
  // The id of Timer1 on this window.
  static constexpr UINT_PTR kTimer1Id = 1;
  // The one-shot reload after a navigation error that came too soon.
  static constexpr UINT_PTR kReloadTimerId = 2;

  // Created hidden, owned by the application window. notifyMessage is the registered
  // single-instance message. Throws Win32Error.
  MainForm(HWND owner, UINT notifyMessage);
  ~MainForm() override;

  HWND Hwnd() const { return Window::Handle(); }

  // Routes the window's events to the listener; nullptr detaches (before the listener goes).
  void Attach(IMainFormEvents* events) { events_ = events; }
  // Called with the new client size, so the browsers can fill the window.
  void SetClientResizeHandler(std::function<void(int width, int height)> handler);
  // Called with the pixels per inch of the monitor the window has moved to, after the window
  // took that monitor's scale, so the browsers can zoom their pages.
  void SetDpiChangeHandler(std::function<void(int dpi)> handler) { onDpiChange_ = std::move(handler); }

  // IFormWindow
  std::intptr_t Handle() override { return reinterpret_cast<std::intptr_t>(Window::Handle()); }
  void Show() override;
  void Hide() override;
  bool Visible() override;
  void BringToFront() override;
  WindowRect Bounds() override;
  void SetBounds(const WindowRect& bounds) override;
  void SetAlpha(int alpha) override;
  int Alpha() override;
  void SetTopMost(bool topMost) override;
  void StartSystemDrag() override;
  int Dpi() override;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT AnswerOnException(UINT message) override;

 private:
  UINT notifyMessage_;
  IMainFormEvents* events_ = nullptr;
  std::function<void(int, int)> onResize_;
  std::function<void(int)> onDpiChange_;
};

}  // namespace zel::win32
