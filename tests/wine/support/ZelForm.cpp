#include "tests/wine/support/ZelForm.h"

#include "app/Errors.h"
#include "app/Startup.h"
#include "logging/Logger.h"
#include "shell/win32/MessageLoop.h"

namespace zel::winetest {

namespace {
bool gLoopTimedOut = false;

void CALLBACK EndLoop(HWND, UINT, UINT_PTR, DWORD) {
  gLoopTimedOut = true;
  ::PostQuitMessage(0);
}
}  // namespace

RecordingWindow::RecordingWindow(HWND parent) {
  CreateParams params;
  params.style = WS_CHILD | WS_VISIBLE;
  params.parent = parent;
  params.x = params.y = 0;
  params.width = params.height = 10;
  Create(L"ZelTestRecorder", params);
}

LRESULT RecordingWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NULL || message >= WM_USER) received.push_back(message);
  return DefaultHandling(message, wParam, lParam);
}

ZelFormHarness::ZelFormHarness()
    : notifyMessage(::RegisterWindowMessageW(L"Zel_Notify")),
      application(kAppTitle),
      window(application.Handle(), notifyMessage),
      wb1Window(window.Hwnd()),
      wb2Window(window.Hwnd()),
      timer1(window.Hwnd(), win32::MainForm::kTimer1Id, 100),
      hotKeys(window.Hwnd()),
      tray(kAppTitle) {
  SetLogEnvironment(&logFiles, &clock);
  globals.NotifyMsg = notifyMessage;
  wb1.window = reinterpret_cast<std::intptr_t>(wb1Window.Hwnd());
  wb2.window = reinterpret_cast<std::intptr_t>(wb2Window.Hwnd());
  auto iniFile = std::make_unique<fakes::FakeIniFile>();
  ini = iniFile.get();
  const TfrmMainPorts ports{
      {window, application, hotKeys, tray, monitors, resources, registry, clock},
      {connectivity, threads, timer1, dialogs},
      {wb1, wb2, reloadTimer, sinks, pmWB, tools, {}},
      {dde, automation, clipboard},
      update.Ports()};
  form = std::make_unique<TfrmMain>(globals, ports, std::move(iniFile));
  application.Attach(form.get());
  window.Attach(form.get());
  tray.Attach(form.get());
  SetExceptionReporter([this](const std::string& m) { form->ApplicationEvents1Exception(m); });
}

ZelFormHarness::~ZelFormHarness() {
  SetExceptionReporter(nullptr);
  tray.Attach(nullptr);
  window.Attach(nullptr);
  application.Attach(nullptr);
  form.reset();
  SetLogEnvironment(nullptr, nullptr);
  // Leave no quit request behind for the next test's loop.
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void ZelFormHarness::CreateAndShow() {
  form->FormCreate({});
  window.Show();
}

bool ZelFormHarness::RunLoop(DWORD timeoutMs) {
  gLoopTimedOut = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, timeoutMs, &EndLoop);
  win32::RunMessageLoop(application, form.get());
  ::KillTimer(nullptr, timer);
  return !gLoopTimedOut;
}

bool ZelFormHarness::TopMost() const {
  return (::GetWindowLongPtrW(window.Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace zel::winetest
