#include "update/win32/UpdateInfo.h"

#include <algorithm>

#include "app/win32/Dpi.h"

namespace zel::win32 {

namespace {

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

HWND CreateControl(const wchar_t* className, const std::wstring& text, DWORD style, int x, int y,
                   int width, int height, HWND parent, int id, HFONT font) {
  const HWND control = ZEL_CHECK_LAST_ERROR(::CreateWindowExW(
      0, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr));
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

}  // namespace

// Panel1: the strip along the bottom that holds the buttons; their clicks go to the form.
class TfrmUpdateInfo::Panel final : public Window {
 public:
  Panel(HWND form, int top, int width, int height) {
    CreateParams params;
    params.exStyle = WS_EX_CONTROLPARENT;
    params.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    params.x = 0;
    params.y = top;
    params.width = width;
    params.height = height;
    params.parent = form;
    params.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Create(kPanelClassName, params);
  }

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) {
      return ::SendMessageW(::GetParent(Handle()), message, wParam, lParam);
    }
    return DefaultHandling(message, wParam, lParam);
  }
};

// Laid out at 96 pixels per inch and scaled to the owner's monitor, which the system does
// not do for a window of a program that is aware of each monitor's scale.
TfrmUpdateInfo::TfrmUpdateInfo(HWND owner, const std::vector<std::string>& notes)
    : owner_(owner), dpi_(WindowDpi(owner)) {
  RECT frame{0, 0, Scaled(kClientWidth), Scaled(kClientHeight)};
  ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  CreateParams params;
  params.exStyle = kFormExStyle;
  params.style = kFormStyle;
  params.title = L"系统升级";
  params.width = frame.right - frame.left;
  params.height = frame.bottom - frame.top;
  params.parent = owner;
  params.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  Create(kClassName, params);
  FormCreate(notes);
}

TfrmUpdateInfo::~TfrmUpdateInfo() { Destroy(); }

void TfrmUpdateInfo::FormCreate(const std::vector<std::string>& notes) {
  const HWND form = Handle();
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  // The program's own icon; a host without it (a test) shows the default one.
  ::SendMessageW(form, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(::LoadIconW(instance, L"MAINICON")));
  ::SendMessageW(form, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(::LoadImageW(
                     instance, L"MAINICON", IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED)));
  const int pixels = -::MulDiv(8, dpi_, 72);
  font_.reset(::CreateFontW(pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));

  std::wstring text;
  for (std::size_t i = 0; i < notes.size(); ++i) text += (i ? L"\r\n" : L"") + Widen(notes[i]);
  // No border, no scroll bars, no horizontal scrolling: the lines wrap and what does not fit
  // stays out of sight. Disabled, it takes neither focus nor input.
  const int memoHeight = Scaled(kClientHeight) - Scaled(kPanelHeight);
  MemoInfo = CreateControl(L"EDIT", text, ES_MULTILINE | WS_DISABLED, 0, 0, Scaled(kClientWidth),
                           memoHeight, form, kMemoId, font_.get());
  Panel1 = std::make_unique<Panel>(form, memoHeight, Scaled(kClientWidth), Scaled(kPanelHeight));
  // Creation order is the tab order.
  btnOK = CreateControl(L"BUTTON", L"确定", BS_PUSHBUTTON | WS_TABSTOP, Scaled(144), Scaled(8),
                        Scaled(75), Scaled(25), Panel1->Handle(), kOkId, font_.get());
  btnCancel = CreateControl(L"BUTTON", L"取消", BS_PUSHBUTTON | WS_TABSTOP, Scaled(240),
                            Scaled(8), Scaled(75), Scaled(25), Panel1->Handle(), kCancelId,
                            font_.get());
  CenterOnOwner();
}

void TfrmUpdateInfo::CenterOnOwner() {
  RECT self{};
  ::GetWindowRect(Handle(), &self);
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT around = area;
  if (owner_ != nullptr && !::IsIconic(owner_)) ::GetWindowRect(owner_, &around);
  // Centred on the owner, but never off the work area.
  const auto place = [](long low, long high, long centre, int size) {
    return static_cast<int>(std::max(low, std::min(centre - size / 2, high - size)));
  };
  const int x = place(area.left, area.right, (around.left + around.right) / 2, width);
  const int y = place(area.top, area.bottom, (around.top + around.bottom) / 2, height);
  ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UpdateAnswer TfrmUpdateInfo::ShowModal() {
  const bool disableOwner = owner_ != nullptr && ::IsWindowEnabled(owner_);
  if (disableOwner) ::EnableWindow(owner_, FALSE);
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetFocus(btnOK);
  MSG msg;
  while (!answer_) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: leave the quit for the main loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!::IsDialogMessageW(Handle(), &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The owner is enabled again before this form goes, so it becomes the active window.
  if (disableOwner) ::EnableWindow(owner_, TRUE);
  ::ShowWindow(Handle(), SW_HIDE);
  return answer_.value_or(UpdateAnswer::Closed);
}

void TfrmUpdateInfo::EndModal(UpdateAnswer answer) {
  answer_ = answer;
  // A sent message does not end the wait for a posted one: wake the modal loop.
  ::PostMessageW(Handle(), WM_NULL, 0, 0);
}

LRESULT TfrmUpdateInfo::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kOkId) {
        btnOKClick();
        return 0;
      }
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kCancelId) {
        btnCancelClick();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == MemoInfo) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_MENU));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_MENU));
      }
      break;
    case WM_CLOSE:
      // The close box answers neither OK nor Cancel.
      EndModal(UpdateAnswer::Closed);
      return 0;
    case WM_DESTROY:
      if (!answer_) answer_ = UpdateAnswer::Closed;
      break;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}

UpdateAnswer Win32UpdateDialog::ShowModal(const std::vector<std::string>& notes) {
  TfrmUpdateInfo form(owner_, notes);
  return form.ShowModal();
}

}  // namespace zel::win32
