// The bare window program of the start-up benchmark: it only shows a 900 x 600 window, so its
// start time is what Wine itself costs, beside which Zel's own share is measured.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"ZelBareWindow";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (::RegisterClassW(&wc) == 0) return 1;
  const HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"bare", WS_POPUP, 100, 100, 900, 600,
                                      nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr) return 1;
  ::ShowWindow(hwnd, SW_SHOW);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
