// Zel.exe registers the browser emulation level under its own file name at start, writing only
// when the number differs and never creating the emulation key.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win32/Win32Util.h"
#include "shell/HostRegistration.h"
#include "shell/win32/MainForm.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {
namespace {

const std::wstring kKey = win32::Widen(kEmulationKey);
const std::wstring kIeKey = L"SOFTWARE\\Microsoft\\Internet Explorer";

// Starts Zel.exe, waits until its creation handler has run (the main window shows), ends it.
void StartAndStopZel() {
  ZelProcess zel(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel.Id(), win32::MainForm::kClassName, L"", 20000);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(form) != FALSE; }, 10000));
  zel.Terminate();
}

struct Values {
  bool present = false;
  DWORD type = 0;
  DWORD number = 0;
};

Values ReadValue(const wchar_t* name) {
  Values v;
  DWORD size = sizeof v.number;
  v.present = ::RegGetValueW(HKEY_CURRENT_USER, kKey.c_str(), name, RRF_RT_ANY, &v.type, &v.number,
                             &size) == ERROR_SUCCESS;
  return v;
}

class EmulationRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    // The test decides the installed version so the expected number is known.
    HKEY ie = nullptr;
    // The 32-bit view, which the shipped program reads, whatever this test's bitness.
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kIeKey.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &ie, nullptr),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = sizeof oldVersion_;
    hadVersion_ = ::RegQueryValueExW(ie, L"svcVersion", nullptr, &type,
                                     reinterpret_cast<BYTE*>(oldVersion_), &size) == ERROR_SUCCESS;
    const wchar_t version[] = L"9.11.9600.16428";
    ::RegSetValueExW(ie, L"svcVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     sizeof version);
    ::RegCloseKey(ie);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey.c_str());
  }
  void TearDown() override {
    HKEY ie = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kIeKey.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                        &ie) == ERROR_SUCCESS) {
      if (hadVersion_) {
        ::RegSetValueExW(ie, L"svcVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(oldVersion_),
                         static_cast<DWORD>((wcslen(oldVersion_) + 1) * sizeof(wchar_t)));
      } else {
        ::RegDeleteValueW(ie, L"svcVersion");
      }
      ::RegCloseKey(ie);
    }
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey.c_str());
  }
  void CreateKeyWith(const wchar_t* name, DWORD number) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (name != nullptr) {
      ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    ::RegCloseKey(key);
  }

  bool hadVersion_ = false;
  wchar_t oldVersion_[128] = {};
};

TEST_F(EmulationRegistration, WritesTheNumberUnderTheExecutableName) {
  CreateKeyWith(nullptr, 0);
  StartAndStopZel();
  const Values v = ReadValue(L"Zel.exe");
  ASSERT_TRUE(v.present);
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(v.number, 9000u);
}

TEST_F(EmulationRegistration, ReplacesAnotherNumberWrittenInOtherLetterCase) {
  CreateKeyWith(L"ZEL.EXE", 11000);
  StartAndStopZel();
  EXPECT_EQ(ReadValue(L"Zel.exe").number, 9000u);
}

TEST_F(EmulationRegistration, LeavesTheSameNumberAloneAndNeverCreatesTheKey) {
  CreateKeyWith(L"Zel.exe", 9000);
  FILETIME before{};
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, &before);
  ::RegCloseKey(key);
  ::Sleep(50);
  StartAndStopZel();
  FILETIME after{};
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, &after);
  ::RegCloseKey(key);
  EXPECT_EQ(CompareFileTime(&before, &after), 0) << "the key was written to";
  EXPECT_EQ(ReadValue(L"Zel.exe").number, 9000u);

  ::RegDeleteKeyW(HKEY_CURRENT_USER, kKey.c_str());
  StartAndStopZel();
  HKEY absent = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &absent), ERROR_SUCCESS);
}

}  // namespace
}  // namespace zel::winetest
