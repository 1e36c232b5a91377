#include "app/win32/Window.h"

#include "app/Errors.h"
#include "app/win32/Win32Util.h"

namespace zel::win32 {

Window::~Window() { Destroy(); }

void Window::Create(const wchar_t* className, const CreateParams& params) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  if (!::GetClassInfoExW(instance, className, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Window::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = params.icon;
    wc.hbrBackground = params.background;
    wc.lpszClassName = className;
    ZEL_CHECK_LAST_ERROR(::RegisterClassExW(&wc));
  }
  ZEL_CHECK_LAST_ERROR(::CreateWindowExW(params.exStyle, className, params.title.c_str(),
                                         params.style, params.x, params.y, params.width,
                                         params.height, params.parent, nullptr, instance, this));
}

void Window::Destroy() {
  if (hwnd_ != nullptr) {
    const HWND hwnd = hwnd_;
    ::DestroyWindow(hwnd);
    // WM_NCDESTROY has detached us; make sure no later message reaches a dead object.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
  }
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultHandling(message, wParam, lParam);
}

LRESULT Window::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT Window::AnswerOnException(UINT) { return 0; }

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<Window*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (...) {
    ReportCurrentException();
    return self->AnswerOnException(message);
  }
}

}  // namespace zel::win32
