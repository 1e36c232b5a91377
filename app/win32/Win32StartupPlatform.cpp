#include "app/win32/Win32StartupPlatform.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <cstdio>

#include "app/win32/Win32IniFile.h"

namespace zel::win32 {

using Microsoft::WRL::ComPtr;

Win32StartupPlatform::Win32StartupPlatform(
    std::function<void(const std::string&)> setApplicationTitle)
    : setApplicationTitle_(std::move(setApplicationTitle)) {}

unsigned Win32StartupPlatform::RegisterMessage(const std::string& name) {
  // 0 would make every WM_NULL look like the hand-over request.
  return ZEL_CHECK_LAST_ERROR(::RegisterWindowMessageW(Widen(name).c_str()));
}

std::unique_ptr<IIniFile> Win32StartupPlatform::OpenIniFile(const std::string& path) {
  return std::make_unique<Win32IniFile>(path);
}

bool Win32StartupPlatform::CreateInstanceMutex(const std::string& name) {
  const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, Widen(name).c_str());
  const DWORD error = ::GetLastError();
  if (mutex != nullptr) mutexes_.emplace_back(mutex);
  return error == ERROR_ALREADY_EXISTS;
}

std::intptr_t Win32StartupPlatform::SendToWindow(std::intptr_t window, unsigned message) {
  const HWND hwnd = reinterpret_cast<HWND>(window);
  if (hwnd == nullptr || !::IsWindow(hwnd)) return 0;
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(hwnd, message, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &answer)) return 0;
  return static_cast<std::intptr_t>(answer);
}

void Win32StartupPlatform::ShowInformation(const std::string& text, const std::string& caption) {
  ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

std::string Win32StartupPlatform::TempPath() {
  std::vector<wchar_t> buf(MAX_PATH + 1);
  for (;;) {
    const DWORD n =
        ZEL_CHECK_LAST_ERROR(::GetTempPathW(static_cast<DWORD>(buf.size()), buf.data()));
    if (n < buf.size()) return Narrow(buf.data(), static_cast<int>(n));
    buf.resize(n + 1);
  }
}

std::string Win32StartupPlatform::ExecutablePath() { return win32::ExecutablePath(); }

std::string Win32StartupPlatform::GetFileVersion(const std::string& path) {
  const std::wstring file = Widen(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> info(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return {};

  struct Translation {
    WORD language;
    WORD codePage;
  };
  void* block = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &block, &length) ||
      block == nullptr || length < sizeof(Translation)) {
    return {};
  }
  const auto* translation = static_cast<const Translation*>(block);
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%04X%04X\\FileVersion",
                static_cast<unsigned>(translation->language),
                static_cast<unsigned>(translation->codePage));
  if (!::VerQueryValueW(info.data(), Widen(query).c_str(), &block, &length) || block == nullptr) {
    return {};
  }
  const auto* text = static_cast<const wchar_t*>(block);
  std::size_t n = 0;
  while (n < length && text[n] != L'\0') ++n;
  return Narrow(text, static_cast<int>(n));
}

void Win32StartupPlatform::SetApplicationTitle(const std::string& title) {
  if (setApplicationTitle_) setApplicationTitle_(title);
}

void Win32StartupPlatform::SaveShortcut(const ShortcutSpec& spec) {
  ComPtr<IShellLinkW> link;
  ZEL_THROW_IF_FAILED(
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)));
  ZEL_THROW_IF_FAILED(link->SetPath(Widen(spec.targetPath).c_str()));
  ZEL_THROW_IF_FAILED(link->SetWorkingDirectory(Widen(spec.workingDirectory).c_str()));
  ZEL_THROW_IF_FAILED(link->SetDescription(Widen(spec.description).c_str()));
  ZEL_THROW_IF_FAILED(link->SetIconLocation(Widen(spec.iconPath).c_str(), spec.iconIndex));
  ComPtr<IPersistFile> file;
  ZEL_THROW_IF_FAILED(link.As(&file));
  // Written out only: the link object does not take the file as its own.
  ZEL_THROW_IF_FAILED(file->Save(Widen(spec.linkPath).c_str(), FALSE));
}

}  // namespace zel::win32
