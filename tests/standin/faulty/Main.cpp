// A program that faults the way its first argument names, with the crash capture started as
// Zel.exe starts it and the dumps sent to the folder of its second argument: the faults no
// thread can be made to do from outside (a stack overflow, an exception escaping a thread, a
// pure virtual call, an invalid C runtime parameter).
#include <windows.h>

#include <stdexcept>
#include <string>

#include "app/win32/Owners.h"
#include "app/win32/Win32Util.h"
#include "logging/win32/CrashCapture.h"

namespace {

using zel::win32::LookupFunction;

volatile bool gDeeper = true;

// Each frame keeps a block of its own, so the stack runs out soon.
__attribute__((noinline)) int Recurse(int depth) {
  volatile char block[4096];
  block[depth % sizeof block] = static_cast<char>(depth);
  return (gDeeper ? Recurse(depth + 1) : 0) + block[0];
}

DWORD WINAPI Overflow(void*) { return static_cast<DWORD>(Recurse(0)); }
DWORD WINAPI Throw(void*) { throw std::runtime_error("nobody catches this"); }

// What a pure virtual slot holds: a call through it is a call of this (the object's own call
// is undefined behaviour that the optimiser may turn into anything).
extern "C" void __cxa_pure_virtual();

DWORD WINAPI PureCall(void*) {
  __cxa_pure_virtual();
  return 0;
}

DWORD WINAPI BadParameter(void*) {
  using StrcpyS = int(__cdecl*)(char*, size_t, const char*);
  const auto copy = LookupFunction<StrcpyS>(::GetModuleHandleW(L"msvcrt.dll"), "strcpy_s");
  return copy != nullptr ? static_cast<DWORD>(copy(nullptr, 0, "x")) : 2;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  zel::win32::StartCrashCapture();
  int count = 0;
  const zel::win32::UniqueLocal<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!argv || count < 3) return 2;
  const std::wstring kind = argv.get()[1];
  zel::win32::SetCrashDumpFolder(zel::win32::Narrow(argv.get()[2]) + "\\");
  const LPTHREAD_START_ROUTINE start = kind == L"overflow" ? Overflow
                                       : kind == L"throw"  ? Throw
                                       : kind == L"purecall" ? PureCall
                                       : kind == L"badparam" ? BadParameter
                                                             : nullptr;
  if (start == nullptr) return 2;
  const zel::win32::UniqueHandleObj thread(::CreateThread(nullptr, 0, start, nullptr, 0, nullptr));
  ::WaitForSingleObject(thread.get(), 30000);
  return 1;  // the fault should have ended the process before
}
