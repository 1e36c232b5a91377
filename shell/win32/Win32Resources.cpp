#include "shell/win32/Win32Resources.h"

#include "app/win32/Win32Util.h"

namespace zel::win32 {

namespace {
// The pages are declared with the named type "RC_DATA"; the predefined RCDATA type is
// accepted as well, so either way of writing the resource script works.
const wchar_t* const kTypes[] = {L"RC_DATA", RT_RCDATA};
}  // namespace

std::string Win32Resources::LoadRcData(const std::string& name) {
  const std::wstring wide = Widen(name);
  HRSRC found = nullptr;
  for (const wchar_t* type : kTypes) {
    found = ::FindResourceExW(module_, type, wide.c_str(),
                              MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    if (found == nullptr) found = ::FindResourceW(module_, wide.c_str(), type);
    if (found != nullptr) break;
  }
  if (found == nullptr) ThrowWin32(("FindResourceW(" + name + ")").c_str(), ::GetLastError());
  const HGLOBAL loaded = ZEL_CHECK_LAST_ERROR(::LoadResource(module_, found));
  // Resource memory belongs to the module: no unlock or free.
  const void* data = ZEL_CHECK_LAST_ERROR(::LockResource(loaded));
  const DWORD size = ::SizeofResource(module_, found);
  return std::string(static_cast<const char*>(data), size);
}

}  // namespace zel::win32
