#pragma once
// The thin window layer: a window object is found from its HWND once (the pointer travels in
// lpCreateParams and is stored at WM_NCCREATE); every later message goes to OnMessage.
// No exception leaves the window procedure: it reaches the program's one handler.
#include <windows.h>

#include <string>

namespace zel::win32 {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND Handle() const { return hwnd_; }

 protected:
  struct CreateParams {
    DWORD exStyle = 0;
    DWORD style = 0;
    std::wstring title;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HICON icon = nullptr;
    HBRUSH background = nullptr;
  };

  // Registers the class on first use and creates the window. Throws Win32Error.
  void Create(const wchar_t* className, const CreateParams& params);
  void Destroy();

  // Handles one message; return DefaultHandling() for what is not handled here.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
  // The answer a message gets when its handling throws (default 0).
  virtual LRESULT AnswerOnException(UINT message);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace zel::win32
