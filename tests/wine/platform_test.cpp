// The start-up's and the shell's Win32 adapters against the real system calls.
#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "BuildConfig.h"
#include "app/Errors.h"
#include "app/Startup.h"
#include "app/win32/Owners.h"
#include "app/win32/Win32IniFile.h"
#include "app/win32/Win32Registry.h"
#include "app/win32/Win32StartupPlatform.h"
#include "app/win32/Owners.h"
#include "app/win32/Window.h"
#include "shell/ConnCheck.h"
#include "shell/win32/Win32Connectivity.h"
#include "shell/win32/Win32Resources.h"
#include "shell/win32/Win32ThreadStarter.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/WineEnv.h"

namespace {

using Microsoft::WRL::ComPtr;
using zel::RegistryError;
using zel::RegRoot;
using zel::win32::Narrow;
using zel::win32::UniqueHKey;
using zel::win32::Widen;
using zel::win32::Win32Error;
using zel::win32::Win32Registry;
using zel::win32::Win32StartupPlatform;
using zel::winetest::Env;
using zel::winetest::FileExists;
using zel::winetest::TempFolder;
using zel::winetest::WinePath;
using Clock = std::chrono::steady_clock;

std::string ZelExe() { return WinePath(Env("ZEL_EXE")); }

std::string Unique(const std::string& prefix) {
  return prefix + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(::GetTickCount());
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------- version resource

TEST(FileVersion, ReadsTheVersionResourceOrNothing) {
  Win32StartupPlatform platform(nullptr);
  TempFolder temp("zel_ver");
  const struct {
    std::string path;
    std::string version;
  } cases[] = {
      {ZelExe(), ZEL_VERSION_TEXT},                      // Translation 0804/936
      {zel::win32::ExecutablePath(), ""},                // a program without version resource
      {temp / "missing.exe", ""},
  };
  EXPECT_STREQ(ZEL_VERSION_TEXT, "3.0.0.6121");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(platform.GetFileVersion(c.path), c.version);
  }
}

// ---------------------------------------------------------------- registry

constexpr wchar_t kTestRoot[] = L"Software\\ZelTest";
constexpr char kTestKey[] = "Software\\ZelTest\\Values";

void SetRaw(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ,
             bool withNul = true) {
  SetRaw(key, name, type, text.c_str(),
         static_cast<DWORD>((text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t)));
}

bool RawKeyExists(HKEY root, const wchar_t* path) {
  UniqueHKey key;
  return ::RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_32KEY, key.put()) == ERROR_SUCCESS;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ZelTest", KEY_WOW64_32KEY, 0);
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Widen(kTestKey).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, key_.put(), nullptr),
              ERROR_SUCCESS);
    SetText(key_.get(), L"Text", L"泽米宝 C:\\路径");
    SetText(key_.get(), L"Expand", L"%TEMP%\\x", REG_EXPAND_SZ);
    SetText(key_.get(), L"NoNul", L"abc", REG_SZ, /*withNul=*/false);
    SetText(key_.get(), L"Long", std::wstring(300, L'长'));
    const DWORD number = 11000;
    SetRaw(key_.get(), L"Number", REG_DWORD, &number, sizeof number);
    const BYTE binary[] = {1, 2, 3};
    SetRaw(key_.get(), L"Binary", REG_BINARY, binary, sizeof binary);
  }
  void TearDown() override {
    key_.reset();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
  }

  UniqueHKey key_;
  Win32Registry registry_;
};

TEST_F(RegistryTest, ReadStringGivesTextsAndRejectsOtherTypes) {
  const struct {
    const char* name;
    std::optional<std::string> value;
  } cases[] = {
      {"Text", "泽米宝 C:\\路径"},
      {"Expand", "%TEMP%\\x"},  // read as stored, like any string value
      {"NoNul", "abc"},
      {"Long", [] {
         std::string s;
         for (int i = 0; i < 300; ++i) s += "长";
         return s;
       }()},
      {"Missing", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(registry_.ReadString(RegRoot::CurrentUser, kTestKey, c.name), c.value);
  }
  for (const char* name : {"Number", "Binary"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(registry_.ReadString(RegRoot::CurrentUser, kTestKey, name), RegistryError);
  }
  EXPECT_TRUE(registry_.KeyExists(RegRoot::CurrentUser, kTestKey));
}

TEST_F(RegistryTest, MissingKeysAreReportedAndNeverCreated) {
  const struct {
    RegRoot root;
    HKEY raw;
    const char* path;
    const wchar_t* topmost;  // the first part of the path that must stay absent
  } cases[] = {
      {RegRoot::LocalMachine, HKEY_LOCAL_MACHINE, "SOFTWARE\\ZelTest\\Missing",
       L"SOFTWARE\\ZelTest"},
      {RegRoot::CurrentUser, HKEY_CURRENT_USER, "Software\\ZelTest\\Values\\Missing\\Deeper",
       L"Software\\ZelTest\\Values\\Missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(registry_.ReadString(c.root, c.path, "svcVersion"), std::nullopt);
    EXPECT_FALSE(registry_.KeyExists(c.root, c.path));
    EXPECT_EQ(registry_.OpenForWrite(c.root, c.path), nullptr);
    EXPECT_FALSE(RawKeyExists(c.raw, c.topmost));
  }
}

TEST_F(RegistryTest, KeyOpenedForWritingListsReadsAndWritesIntegers) {
  const auto key = registry_.OpenForWrite(RegRoot::CurrentUser, kTestKey);
  ASSERT_NE(key, nullptr);

  key->WriteDword("泽米宝.exe", 9000);
  auto names = key->ValueNames();
  std::sort(names.begin(), names.end());
  const std::vector<std::string> expected = {"Binary", "Expand", "Long",  "NoNul",
                                             "Number", "Text",   "泽米宝.exe"};
  EXPECT_EQ(names, expected);

  EXPECT_EQ(key->ReadDword("Number"), 11000u);
  EXPECT_EQ(key->ReadDword("number"), 11000u);  // value names ignore letter case
  EXPECT_EQ(key->ReadDword("泽米宝.exe"), 9000u);
  for (const char* name : {"Text", "Binary", "Missing"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(key->ReadDword(name), RegistryError);
  }

  // The value lands as a real REG_DWORD, replacing one of another type.
  key->WriteDword("Text", 0xFFFFFFFFu);
  DWORD type = 0, value = 0, size = sizeof value;
  ASSERT_EQ(::RegQueryValueExW(key_.get(), L"Text", nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 0xFFFFFFFFu);
}

// ---------------------------------------------------------------- desktop shortcut

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct LinkInfo {
  std::string path, workingDirectory, description, iconPath;
  int iconIndex = -1;
};

LinkInfo ReadLink(const std::string& file) {
  ComPtr<IShellLinkW> link;
  ZEL_THROW_IF_FAILED(
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)));
  ComPtr<IPersistFile> persist;
  ZEL_THROW_IF_FAILED(link.As(&persist));
  ZEL_THROW_IF_FAILED(persist->Load(Widen(file).c_str(), STGM_READ));
  wchar_t buf[MAX_PATH * 2] = {};
  LinkInfo info;
  link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
  info.path = Narrow(buf);
  buf[0] = 0;
  link->GetWorkingDirectory(buf, MAX_PATH);
  info.workingDirectory = Narrow(buf);
  buf[0] = 0;
  link->GetDescription(buf, MAX_PATH);
  info.description = Narrow(buf);
  buf[0] = 0;
  link->GetIconLocation(buf, MAX_PATH, &info.iconIndex);
  info.iconPath = Narrow(buf);
  return info;
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, folders_.put(), nullptr),
              ERROR_SUCCESS);
    DWORD size = 0;
    hadDesktop_ = ::RegQueryValueExW(folders_.get(), L"Desktop", nullptr, &savedType_, nullptr,
                                     &size) == ERROR_SUCCESS;
    if (hadDesktop_) {
      saved_.resize(size);
      ::RegQueryValueExW(folders_.get(), L"Desktop", nullptr, &savedType_, saved_.data(), &size);
    }
    const auto desktop =
        registry_.ReadString(RegRoot::CurrentUser, Narrow(kShellFolders), "Desktop");
    const DWORD attributes =
        desktop ? ::GetFileAttributesW(Widen(*desktop).c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      desktop_ = zel::WithoutTrailingSlash(*desktop);
    } else {
      // The prefix names no desktop: lend it one for the test.
      ownDesktop_ = std::make_unique<TempFolder>("zel_desktop");
      desktop_ = ownDesktop_->Path();
      SetText(folders_.get(), L"Desktop", Widen(desktop_));
    }
    link_ = desktop_ + "\\泽米宝.lnk";
    ::DeleteFileW(Widen(link_).c_str());
    // Wine maps Chinese file names only when the C library knows the zh_CN.UTF-8 locale.
    const std::string probe = desktop_ + "\\泽米宝.probe";
    const bool stored = zel::win32::OwnFileHandle(::CreateFileW(
        Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE,
        nullptr)).operator bool();
    ASSERT_TRUE(stored) << "the test bed cannot store Chinese file names (error "
                        << ::GetLastError() << "): generate the zh_CN.UTF-8 locale (LOCPATH)";
  }

  void TearDown() override {
    ::DeleteFileW(Widen(link_).c_str());
    if (hadDesktop_) {
      ::RegSetValueExW(folders_.get(), L"Desktop", 0, savedType_, saved_.data(),
                       static_cast<DWORD>(saved_.size()));
    } else {
      ::RegDeleteValueW(folders_.get(), L"Desktop");
    }
    folders_.reset();
    ::OleUninitialize();
  }

  Win32Registry registry_;
  Win32StartupPlatform platform_{nullptr};
  UniqueHKey folders_;
  bool hadDesktop_ = false;
  DWORD savedType_ = 0;
  std::vector<BYTE> saved_;
  std::unique_ptr<TempFolder> ownDesktop_;
  std::string desktop_;
  std::string link_;
};

TEST_F(ShortcutTest, LinkOnTheDesktopPointsAtTheExecutable) {
  const std::string exe = ZelExe();
  zel::CreateDesktopShortcut(platform_, registry_, exe);
  ASSERT_TRUE(FileExists(link_)) << link_;
  // A second start overwrites it.
  EXPECT_NO_THROW(zel::CreateDesktopShortcut(platform_, registry_, exe));

  const LinkInfo info = ReadLink(link_);
  EXPECT_EQ(info.path, exe);
  EXPECT_EQ(info.workingDirectory, exe.substr(0, exe.rfind('\\') + 1));
  EXPECT_EQ(info.description, "泽米宝");
  EXPECT_EQ(info.iconPath, exe);
  EXPECT_EQ(info.iconIndex, 0);
}

TEST_F(ShortcutTest, NoLinkForAnExecutableOnTheDesktopItself) {
  zel::CreateDesktopShortcut(platform_, registry_, desktop_ + "\\Zel.exe");
  EXPECT_FALSE(FileExists(link_));
}

TEST_F(ShortcutTest, UnreadableDesktopValueGivesNoLinkAndNoError) {
  const DWORD number = 1;
  const BYTE binary[] = {'C', 0, ':', 0, 0, 0};
  const struct {
    DWORD type;
    const void* data;
    DWORD size;
  } cases[] = {{REG_DWORD, &number, sizeof number}, {REG_BINARY, binary, sizeof binary}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    SetRaw(folders_.get(), L"Desktop", c.type, c.data, c.size);
    EXPECT_NO_THROW(zel::CreateDesktopShortcut(platform_, registry_, ZelExe()));
    EXPECT_FALSE(FileExists(link_));
  }
  ::RegDeleteValueW(folders_.get(), L"Desktop");
  EXPECT_NO_THROW(zel::CreateDesktopShortcut(platform_, registry_, ZelExe()));
  EXPECT_FALSE(FileExists(link_));
}

TEST_F(ShortcutTest, UnsavableLinkThrows) {
  zel::ShortcutSpec spec;
  spec.linkPath = desktop_ + "\\no such folder\\泽米宝.lnk";
  spec.targetPath = ZelExe();
  EXPECT_THROW(platform_.SaveShortcut(spec), Win32Error);
}

// ---------------------------------------------------------------- ini file, temporary folder

TEST(IniFile, IntegersRoundTripThroughTheFullPath) {
  TempFolder temp("zel_ini");
  Win32StartupPlatform platform(nullptr);
  const std::string path = temp / "Zel.ini";
  auto ini = platform.OpenIniFile(path);
  for (const std::int64_t value :
       {std::int64_t{0}, std::int64_t{131322}, std::int64_t{-1}, INT64_MAX, INT64_MIN}) {
    SCOPED_TRACE(value);
    ini->WriteInteger("Zel", "ZelHandle", value);
    EXPECT_EQ(ini->ReadInteger("Zel", "ZelHandle", 7), value);
  }
  EXPECT_TRUE(FileExists(path));
  // Another object on the same file sees what the first wrote.
  ini->WriteInteger("Zel", "ZelHandle", 4242);
  EXPECT_EQ(zel::win32::Win32IniFile(path).ReadInteger("Zel", "ZelHandle", 0), 4242);
}

TEST(IniFile, AnythingButADecimalIntegerGivesTheFallback) {
  TempFolder temp("zel_ini");
  const std::string path = temp / "Zel.ini";
  const std::wstring widePath = Widen(path);
  zel::win32::Win32IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("Zel", "ZelHandle", 7), 7);  // no file yet
  for (const wchar_t* text :
       {L"", L"12abc", L"0x10", L"abc", L"99999999999999999999", L"1.5", L"--1"}) {
    SCOPED_TRACE(Narrow(text));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Zel", L"ZelHandle", text, widePath.c_str()));
    EXPECT_EQ(ini.ReadInteger("Zel", "ZelHandle", 7), 7);
  }
  EXPECT_EQ(ini.ReadInteger("Zel", "Missing", -3), -3);
  EXPECT_EQ(ini.ReadInteger("Other", "ZelHandle", -3), -3);
}

// A new COM object comes with one reference. MinGW-w64's ComPtr::Attach adds another, so an
// object taken over that way (a download, a page's stream) stayed alive for good.
TEST(ComOwner, AdoptedObjectIsFreedWithItsLastOwner) {
  struct Counted final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // 0: it would be freed
    ULONG refs = 1;
  } object;
  {
    const ComPtr<Counted> owner = zel::win32::Adopt(&object);
    const ComPtr<Counted> copy = owner;
    EXPECT_EQ(object.refs, 2u);
  }
  EXPECT_EQ(object.refs, 0u);
}

TEST(TempPath, IsAnExistingFolder) {
  Win32StartupPlatform platform(nullptr);
  const std::string temp = zel::GetTempDir(platform);
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  const DWORD attributes = ::GetFileAttributesW(Widen(temp).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---------------------------------------------------------------- single instance

class AnsweringWindow final : public zel::win32::Window {
 public:
  explicit AnsweringWindow(UINT message) : message_(message) {
    CreateParams params;
    params.parent = HWND_MESSAGE;
    Create(L"ZelTestAnsweringWindow", params);
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == message_ && wParam == 0 && lParam == 0) return zel::kNotifyAnswer;
    return DefaultHandling(message, wParam, lParam);
  }

 private:
  UINT message_;
};

// A window on a thread of its own: one that pumps messages, or one that hangs.
class WindowThread {
 public:
  WindowThread(UINT message, bool pumps) : pumps_(pumps), release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    std::promise<void> ready;
    thread_ = std::thread([this, message, &ready] {
      AnsweringWindow window(message);
      threadId_ = ::GetCurrentThreadId();
      hwnd_ = window.Handle();
      ready.set_value();
      if (pumps_) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
      } else {
        ::WaitForSingleObject(release_.get(), INFINITE);
      }
    });
    ready.get_future().wait();
  }
  ~WindowThread() {
    if (pumps_) {
      ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    } else {
      ::SetEvent(release_.get());
    }
    thread_.join();
  }
  std::intptr_t Handle() const { return reinterpret_cast<std::intptr_t>(hwnd_); }

 private:
  bool pumps_;
  zel::win32::UniqueHandleObj release_;
  DWORD threadId_ = 0;
  HWND hwnd_ = nullptr;
  std::thread thread_;
};

TEST(SingleInstance, MutexMarksTheFirstInstanceOnly) {
  const std::string name = Unique("ZelTestMutex_");
  Win32StartupPlatform first(nullptr);
  Win32StartupPlatform second(nullptr);
  EXPECT_FALSE(first.CreateInstanceMutex(name));
  EXPECT_TRUE(first.CreateInstanceMutex(name));
  EXPECT_TRUE(second.CreateInstanceMutex(name));
  EXPECT_FALSE(second.CreateInstanceMutex(Unique("ZelTestOtherMutex_")));
}

TEST(SingleInstance, HandOverAnswersOnlyFromALiveResponsiveWindow) {
  Win32StartupPlatform platform(nullptr);
  const unsigned message = platform.RegisterMessage(zel::kNotifyMessageName);
  EXPECT_GE(message, 0xC000u);
  EXPECT_EQ(platform.RegisterMessage(zel::kNotifyMessageName), message);

  {
    WindowThread running(message, /*pumps=*/true);
    EXPECT_EQ(platform.SendToWindow(running.Handle(), message), zel::kNotifyAnswer);
  }

  std::intptr_t destroyed = 0;
  {
    AnsweringWindow window(message);
    destroyed = reinterpret_cast<std::intptr_t>(window.Handle());
  }
  for (const std::intptr_t handle : {std::intptr_t{0}, destroyed}) {
    SCOPED_TRACE(handle);
    const auto start = Clock::now();
    EXPECT_EQ(platform.SendToWindow(handle, message), 0);
    EXPECT_LT(SecondsSince(start), 1.0);
  }
}

TEST(SingleInstance, HungFirstInstanceDoesNotHangTheSecondForGood) {
  Win32StartupPlatform platform(nullptr);
  const unsigned message = platform.RegisterMessage(zel::kNotifyMessageName);
  WindowThread hung(message, /*pumps=*/false);
  const auto start = Clock::now();
  EXPECT_EQ(platform.SendToWindow(hung.Handle(), message), 0);
  const double seconds = SecondsSince(start);
  EXPECT_GE(seconds, Win32StartupPlatform::kSendTimeoutMs / 1000.0 - 0.5);
  EXPECT_LT(seconds, Win32StartupPlatform::kSendTimeoutMs / 1000.0 + 5.0);
}

// ---------------------------------------------------------------- connectivity, threads

// A loopback port that nobody listens on: bound once to learn a free number, then closed.
int ClosedLoopbackPort() {
  const HMODULE ws2 = ::LoadLibraryW(L"ws2_32.dll");
  if (ws2 == nullptr) return 0;
  auto proc = [ws2](const char* name) {
    return reinterpret_cast<void (*)()>(::GetProcAddress(ws2, name));
  };
  const auto startup = reinterpret_cast<decltype(&::WSAStartup)>(proc("WSAStartup"));
  const auto open = reinterpret_cast<decltype(&::socket)>(proc("socket"));
  const auto bindTo = reinterpret_cast<decltype(&::bind)>(proc("bind"));
  const auto name = reinterpret_cast<decltype(&::getsockname)>(proc("getsockname"));
  const auto close = reinterpret_cast<decltype(&::closesocket)>(proc("closesocket"));
  WSADATA data{};
  if (startup(MAKEWORD(2, 2), &data) != 0) return 0;
  const SOCKET s = open(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = 0x0100007F;  // 127.0.0.1 in network order
  int port = 0;
  int length = sizeof address;
  if (bindTo(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      name(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ((address.sin_port & 0xFF) << 8) | (address.sin_port >> 8);
  }
  close(s);
  return port;
}

TEST(Connectivity, ServicePageIsReachableAndAClosedPortIsNot) {
  const int closedPort = ClosedLoopbackPort();
  ASSERT_NE(closedPort, 0);
  const struct {
    std::string url;
    bool reachable;
  } cases[] = {
      {"http://" + zel::winetest::ServiceHost() + "/pcprice/default/index", true},
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/pcprice/default/index", false},
  };
  zel::win32::Win32Connectivity connectivity;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    // The program checks from a thread of its own.
    const auto start = Clock::now();
    auto result = std::async(std::launch::async, [&] { return connectivity.CheckConnection(c.url); });
    ASSERT_EQ(result.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(result.get(), c.reachable);
    EXPECT_LT(SecondsSince(start), 5.0);
  }
}

TEST(Connectivity, StartupCheckOnAStartedThreadRecordsTheOutcome) {
  const std::string good = "http://" + zel::winetest::ServiceHost() + "/pcprice/default/index";
  const std::string bad =
      "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/pcprice/default/index";
  const struct {
    std::string wide;
    int state;
  } cases[] = {{good, 1}, {bad, -1}};
  static zel::win32::Win32Connectivity connectivity;  // outlives a check still running
  zel::win32::Win32ThreadStarter starter;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wide);
    // Shared with the thread: a check slower than the wait must not find them gone.
    struct Outcome {
      std::atomic<int> state{0};
      std::promise<void> done;
    };
    auto outcome = std::make_shared<Outcome>();
    auto check = std::make_shared<zel::TThreadNetConnCheck>(connectivity, outcome->state, good,
                                                            good, c.wide);
    auto finished = outcome->done.get_future();
    starter.Start([check, outcome] {
      check->Execute();
      outcome->done.set_value();
    });
    ASSERT_EQ(finished.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(outcome->state.load(), c.state);
  }
}

TEST(ThreadStarter, BodyRunsOnItsOwnThreadAndItsExceptionIsReported) {
  std::promise<std::string> reported;
  zel::SetExceptionReporter([&](const std::string& message) { reported.set_value(message); });
  std::promise<DWORD> ran;
  zel::win32::Win32ThreadStarter starter;
  starter.Start([&] {
    ran.set_value(::GetCurrentThreadId());
    throw std::runtime_error("boom");
  });
  auto message = reported.get_future();
  const bool arrived = message.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  zel::SetExceptionReporter(nullptr);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(message.get(), "boom");
  EXPECT_NE(ran.get_future().get(), ::GetCurrentThreadId());
}

// ---------------------------------------------------------------- resources

TEST(Resources, MissingPageThrows) {
  zel::win32::Win32Resources own;  // this test program carries no resources
  EXPECT_THROW(own.LoadRcData("Zelloading"), Win32Error);

  const HMODULE module = ::LoadLibraryExW(Widen(ZelExe()).c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  zel::win32::Win32Resources program(module);
  EXPECT_THROW(program.LoadRcData("NoSuchPage"), Win32Error);
  ::FreeLibrary(module);
}

TEST(Resources, EmbeddedPagesOfTheProgram) {
  const HMODULE module = ::LoadLibraryExW(Widen(ZelExe()).c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  zel::win32::Win32Resources program(module);
  for (const char* name : {"Zelloading", "ZelError"}) {
    SCOPED_TRACE(name);
    const std::string page = program.LoadRcData(name);
    EXPECT_NE(page.find("<html"), std::string::npos);
    EXPECT_NE(page.find("</html>"), std::string::npos);  // the whole resource, not a prefix
  }
  ::FreeLibrary(module);
}

}  // namespace
