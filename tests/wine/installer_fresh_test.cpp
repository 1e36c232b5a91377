// The installer run for real in a prefix that never saw Zel: a silent install, an install over
// a running older copy, and the uninstall with everything it must remove and must leave.
// The phases follow each other, as they do on a user's machine.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <string>
#include <vector>

#include "BuildConfig.h"
#include "app/win32/Owners.h"
#include "app/win32/ProcessLauncher.h"
#include "app/win32/Win32Util.h"
#include "shell/win32/MainForm.h"
#include "tests/wine/support/UpdateBytes.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"
#include "update/win32/SignatureCheck.h"

namespace zel::winetest {
namespace {

using Microsoft::WRL::ComPtr;
using win32::Narrow;
using win32::Widen;

constexpr char kVersion[] = ZEL_VERSION_TEXT;
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zel";
constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\MAIN\\FeatureControl\\FEATURE_BROWSER_EMULATION";
constexpr wchar_t kCompanionKey[] = L"Software\\Brixmoor\\BrixZelTools";
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
  const std::string folder = SUCCEEDED(hr) && path != nullptr ? Narrow(path) : std::string();
  ::CoTaskMemFree(path);
  return folder;
}

std::string InstallDir() { return KnownFolder(FOLDERID_LocalAppData) + "\\Programs\\泽米宝"; }
std::string StartMenuLink() { return KnownFolder(FOLDERID_Programs) + "\\泽米宝.lnk"; }
std::string TempFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, buf);
  return Narrow(buf);
}

bool Exists(const std::string& path) {
  return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The value as text (DWORDs in decimal); "<none>" when the key or the value is missing.
std::string RegValue(HKEY root, const wchar_t* key, const std::wstring& name) {
  DWORD type = 0, size = 0;
  if (::RegGetValueW(root, key, name.c_str(), RRF_RT_ANY, &type, nullptr, &size) != ERROR_SUCCESS) {
    return "<none>";
  }
  std::vector<BYTE> data(size + 2);
  ::RegGetValueW(root, key, name.c_str(), RRF_RT_ANY, &type, data.data(), &size);
  if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(data.data()));
  return Narrow(reinterpret_cast<const wchar_t*>(data.data()));
}

bool KeyExists(HKEY root, const wchar_t* key) {
  win32::UniqueHKey opened;
  return ::RegOpenKeyExW(root, key, 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

void SetRegString(HKEY root, const wchar_t* key, const wchar_t* name, const std::string& value) {
  const std::wstring data = Widen(value);
  ASSERT_EQ(::RegSetKeyValueW(root, key, name, REG_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

std::string DesktopLink() {
  std::string desktop = RegValue(HKEY_CURRENT_USER, kShellFolders, L"Desktop");
  if (desktop == "<none>") desktop = KnownFolder(FOLDERID_Desktop);
  return desktop + "\\泽米宝.lnk";
}

std::string LinkTarget(const std::string& file) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> persist;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&persist)) || FAILED(persist->Load(Widen(file).c_str(), STGM_READ))) {
    return "<none>";
  }
  wchar_t buf[MAX_PATH * 2] = {};
  link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
  return Narrow(buf);
}

void SaveLink(const std::string& file, const std::string& target) {
  ComPtr<IShellLinkW> link;
  ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&link))));
  link->SetPath(Widen(target).c_str());
  ComPtr<IPersistFile> persist;
  ASSERT_TRUE(SUCCEEDED(link.As(&persist)));
  ASSERT_TRUE(SUCCEEDED(persist->Save(Widen(file).c_str(), TRUE)));
}

// Runs the command line and waits for it; its exit code, or ~0u when it did not end in time.
DWORD RunAndWait(const std::string& commandLine, DWORD timeoutMs = 60000) {
  const auto process = win32::StartProcess(commandLine, SW_SHOWNORMAL);
  if (::WaitForSingleObject(process.Process(), timeoutMs) != WAIT_OBJECT_0) return ~0u;
  DWORD code = 0;
  ::GetExitCodeProcess(process.Process(), &code);
  return code;
}

std::string InstallerPath() { return "\"" + WinePath(Env("ZEL_SETUP")) + "\""; }
std::string SignedCopy(const std::string& name) {
  return WinePath(Env("ZEL_SETUP_DIR") + "/" + name);
}

// The uninstaller hands over to a copy of itself in the temporary folder and returns at once;
// the entry under Apps & features goes last.
bool WaitUntilUninstalled(DWORD timeoutMs) {
  return PumpUntil([] { return !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }, timeoutMs);
}

// The installed Zel.exe, running against the bed's service with its window up.
std::unique_ptr<ZelProcess> StartInstalledZel() {
  ::SetEnvironmentVariableW(L"ZEL_EXE", Widen(InstallDir() + "\\Zel.exe").c_str());
  auto zel = std::make_unique<ZelProcess>(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel->Id(), win32::MainForm::kClassName, L"泽米宝", 20000);
  EXPECT_NE(form, nullptr) << "the installed Zel.exe shows no main window";
  return zel;
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
  void TearDown() override { ::OleUninitialize(); }
};

TEST_F(Installer, SilentInstallAsThePlainUserPutsFilesShortcutAndEntryInPlace) {
  ASSERT_FALSE(Exists(InstallDir())) << "the bed's prefix is not fresh";
  ASSERT_EQ(RunAndWait(InstallerPath() + " /S"), 0u);

  const std::string dir = InstallDir();
  EXPECT_EQ(ReadBytes(dir + "\\Zel.exe"), ReadBytes(SignedCopy("Zel.exe")));
  EXPECT_EQ(ReadBytes(dir + "\\uninstall.exe"), ReadBytes(SignedCopy("uninstall.exe")));
  // What Windows itself sees: the installer, the program and the uninstaller, one signer.
  win32::Win32SignatureCheck signatures;
  const auto setup = signatures.Inspect(WinePath(Env("ZEL_SETUP")));
  EXPECT_EQ(setup.state, SignatureState::Valid);
  for (const char* file : {"\\Zel.exe", "\\uninstall.exe"}) {
    const auto installed = signatures.Inspect(dir + file);
    EXPECT_EQ(installed.state, SignatureState::Valid) << file;
    EXPECT_EQ(installed.subject, setup.subject) << file;
    EXPECT_EQ(installed.issuer, setup.issuer) << file;
  }
  EXPECT_EQ(LinkTarget(StartMenuLink()), dir + "\\Zel.exe");

  const std::string uninstaller = "\"" + dir + "\\uninstall.exe\"";
  const std::map<std::wstring, std::string> expected = {
      {L"DisplayName", "泽米宝"},
      {L"DisplayVersion", kVersion},
      {L"Publisher", "Brixmoor"},
      {L"DisplayIcon", dir + "\\Zel.exe,0"},
      {L"InstallLocation", dir},
      {L"UninstallString", uninstaller},
      {L"QuietUninstallString", uninstaller + " /S"},
      {L"NoModify", "1"},
      {L"NoRepair", "1"},
  };
  for (const auto& [name, value] : expected) {
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUninstallKey, name), value) << Narrow(name);
  }
  // The files' size in KB, rounded as Windows lists it.
  const auto size = std::stoul(RegValue(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize"));
  const auto bytes = ReadBytes(dir + "\\Zel.exe").size() + ReadBytes(dir + "\\uninstall.exe").size();
  EXPECT_NEAR(static_cast<double>(size), bytes / 1024.0, 2.0);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "a per-user install wrote HKLM";
}

TEST_F(Installer, InstallOverARunningOlderCopyClosesItAndLeavesNothingOfIt) {
  const std::string dir = InstallDir();
  ASSERT_TRUE(Exists(dir + "\\Zel.exe"));
  // An older install whose self-update was cut short: its files beside the program.
  WriteBytes(dir + "\\Zel.exe.old", "old");
  WriteBytes(dir + "\\Zel.exe.new", "new");
  SetRegString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion", "3.0.0.1");
  // The program's own emulation value lands only in a key that exists (Internet Explorer's).
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kEmulationKey, L"Other.exe", REG_SZ, L"x", 4),
            ERROR_SUCCESS);

  auto zel = StartInstalledZel();
  // An installed program tells Apps & features its version, as after a self-update.
  EXPECT_TRUE(PumpUntil(
      [] { return RegValue(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion") == kVersion; },
      10000));

  ASSERT_EQ(RunAndWait(InstallerPath() + " /S"), 0u);
  DWORD code = ~0u;
  ASSERT_TRUE(zel->WaitForExit(0, &code)) << "the installer finished while Zel still ran";
  EXPECT_EQ(code, 0u) << "Zel did not end by its own close";
  EXPECT_FALSE(Exists(dir + "\\Zel.exe.old"));
  EXPECT_FALSE(Exists(dir + "\\Zel.exe.new"));
  EXPECT_EQ(ReadBytes(dir + "\\Zel.exe"), ReadBytes(SignedCopy("Zel.exe")));
  EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation"), dir);
  EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"), kVersion);
}

LRESULT CALLBACK IgnoreClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return message == WM_CLOSE ? 0 : ::DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(Installer, GivesUpWithoutKillingAZelThatDoesNotClose) {
  // A window of Zel's class and title that ignores WM_CLOSE, in this very process.
  WNDCLASSW wc{};
  wc.lpfnWndProc = &IgnoreClose;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = win32::MainForm::kClassName;
  ASSERT_NE(::RegisterClassW(&wc), 0);
  const HWND form = ::CreateWindowExW(0, win32::MainForm::kClassName, L"泽米宝", WS_POPUP, 0, 0,
                                      10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(form, nullptr);
  const std::string before = ReadBytes(InstallDir() + "\\uninstall.exe");
  WriteBytes(InstallDir() + "\\Zel.exe.old", "old");

  // Silent: no one to ask, so the run stops (exit code 2) before it replaces anything.
  EXPECT_EQ(RunAndWait(InstallerPath() + " /S", 60000), 2u);
  EXPECT_TRUE(Exists(InstallDir() + "\\Zel.exe.old"));
  EXPECT_EQ(ReadBytes(InstallDir() + "\\uninstall.exe"), before);
  ::DestroyWindow(form);
  ::UnregisterClassW(win32::MainForm::kClassName, wc.hInstance);
  ::DeleteFileW(Widen(InstallDir() + "\\Zel.exe.old").c_str());
}

TEST_F(Installer, InstallIntoAnotherFolderMovesTheInstallWhole) {
  const std::string first = InstallDir(), second = "C:\\Zel 2";
  ::CreateDirectoryW(Widen(first + "\\log").c_str(), nullptr);
  WriteBytes(first + "\\log\\20261209.log", "line\r\n");
  SaveLink(DesktopLink(), first + "\\Zel.exe");

  for (const auto& [from, to] : {std::pair{first, second}, std::pair{second, first}}) {
    ASSERT_EQ(RunAndWait(InstallerPath() + " /S /D=" + to), 0u) << to;
    EXPECT_FALSE(Exists(from)) << from;
    EXPECT_EQ(ReadBytes(to + "\\Zel.exe"), ReadBytes(SignedCopy("Zel.exe"))) << to;
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation"), to);
    EXPECT_EQ(LinkTarget(StartMenuLink()), to + "\\Zel.exe");
    // The old copy's desktop shortcut would start nothing; the new program writes its own.
    EXPECT_FALSE(Exists(DesktopLink()));
  }
}

TEST_F(Installer, UninstallEndsZelAndRemovesEverythingItMadeAndNothingElse) {
  const std::string dir = InstallDir();
  ASSERT_TRUE(Exists(dir + "\\uninstall.exe"));
  auto zel = StartInstalledZel();
  // What the program leaves over time: its logs (and crash dumps) in both folders, the
  // instance file, its emulation value and its desktop shortcut.
  ::CreateDirectoryW(Widen(dir + "\\log").c_str(), nullptr);
  WriteBytes(dir + "\\log\\20261209.log", "line\r\n");
  const std::string userLogs = KnownFolder(FOLDERID_LocalAppData) + "\\泽米宝";
  ::CreateDirectoryW(Widen(userLogs).c_str(), nullptr);
  ::CreateDirectoryW(Widen(userLogs + "\\log").c_str(), nullptr);
  WriteBytes(userLogs + "\\log\\Zel-1.dmp", "dump");
  ASSERT_TRUE(PumpUntil([] { return LinkTarget(DesktopLink()) != "<none>"; }, 10000));
  EXPECT_EQ(LinkTarget(DesktopLink()), dir + "\\Zel.exe");
  EXPECT_NE(RegValue(HKEY_CURRENT_USER, kEmulationKey, L"Zel.exe"), "<none>");
  EXPECT_TRUE(Exists(TempFolder() + "Zel.ini"));
  // Not the program's: the companion tool's key, another program's emulation value.
  SetRegString(HKEY_CURRENT_USER, kCompanionKey, L"INSTALLPATH", "C:\\Drawscan");

  ASSERT_EQ(RunAndWait("\"" + dir + "\\uninstall.exe\" /S"), 0u);
  ASSERT_TRUE(WaitUntilUninstalled(30000)) << "the entry under Apps & features stays";
  DWORD code = ~0u;
  ASSERT_TRUE(zel->WaitForExit(0, &code)) << "the uninstaller finished while Zel still ran";
  EXPECT_EQ(code, 0u) << "Zel did not end by its own close";

  for (const std::string& gone : {dir, StartMenuLink(), DesktopLink(), TempFolder() + "Zel.ini",
                                  userLogs}) {
    EXPECT_FALSE(Exists(gone)) << gone;
  }
  EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kEmulationKey, L"Zel.exe"), "<none>");
  EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kEmulationKey, L"Other.exe"), "x");
  EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kCompanionKey, L"INSTALLPATH"), "C:\\Drawscan");
}

TEST_F(Installer, UninstallLeavesADesktopShortcutOfAnotherCopy) {
  ASSERT_EQ(RunAndWait(InstallerPath() + " /S"), 0u);
  const std::string other = "C:\\Users\\Public\\Zel.exe";
  SaveLink(DesktopLink(), other);
  // A folder chosen by hand may hold the user's own files: they stay, and so does the folder.
  WriteBytes(InstallDir() + "\\notes.txt", "mine");

  ASSERT_EQ(RunAndWait("\"" + InstallDir() + "\\uninstall.exe\" /S"), 0u);
  ASSERT_TRUE(WaitUntilUninstalled(30000));
  EXPECT_EQ(LinkTarget(DesktopLink()), other);
  EXPECT_EQ(ReadBytes(InstallDir() + "\\notes.txt"), "mine");
  EXPECT_FALSE(Exists(InstallDir() + "\\Zel.exe"));
  ::DeleteFileW(Widen(DesktopLink()).c_str());
}

}  // namespace
}  // namespace zel::winetest
