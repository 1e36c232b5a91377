#include "logging/win32/CrashCapture.h"

#include <windows.h>
#include <dbghelp.h>

#include <csignal>
#include <cstdlib>
#include <cwchar>
#include <exception>

#include "app/win32/Win32Util.h"
#include "logging/Support.h"
#include "logging/win32/Win32Clock.h"
#include "logging/win32/Win32LogFileSystem.h"

namespace zel::win32 {

namespace {

using WriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                  PMINIDUMP_EXCEPTION_INFORMATION,
                                  PMINIDUMP_USER_STREAM_INFORMATION,
                                  PMINIDUMP_CALLBACK_INFORMATION);

// How long a faulting thread waits for its dump; the process ends after it either way (the
// writer may be stuck on a lock the fault left held).
constexpr DWORD kWriteLimitMs = 30000;
constexpr std::size_t kFolderChars = 1024;

// Everything the writer needs is made before any fault: nothing of it lives on the heap that a
// fault may have broken, nor on the faulting thread's stack.
struct Capture {
  HANDLE request = nullptr;
  HANDLE done = nullptr;
  WriteDumpFn writeDump = nullptr;
  CRITICAL_SECTION folderLock;
  wchar_t folder[kFolderChars] = {};
  volatile LONG taken = 0;
  DWORD faultThread = 0;
  EXCEPTION_POINTERS* fault = nullptr;
  // A fault the runtime reports has no record of the system's: it is made here.
  EXCEPTION_RECORD madeRecord{};
  CONTEXT madeContext{};
  EXCEPTION_POINTERS madePointers{};
};

Capture* gCapture = nullptr;

void SetFolder(Capture& c, const std::string& folder) {
  const std::wstring wide = Widen(folder);
  if (wide.empty() || wide.size() >= kFolderChars) return;
  ::EnterCriticalSection(&c.folderLock);
  std::wmemcpy(c.folder, wide.c_str(), wide.size() + 1);
  ::LeaveCriticalSection(&c.folderLock);
}

// The module holding the address: its file name and the offset into it.
void FindModule(std::uint64_t address, CrashFacts& facts) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(address)), &module)) {
    return;
  }
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const wchar_t* name = std::wcsrchr(path, L'\\');
  facts.module = Narrow(name != nullptr ? name + 1 : path);
  facts.offset = address - reinterpret_cast<std::uintptr_t>(module);
}

// On the writer's own thread: the dump first (no heap), then the line.
void WriteDumpAndLine(Capture& c) {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  const LocalDateTime now{st.wYear, st.wMonth,  st.wDay,         st.wHour,
                          st.wMinute, st.wSecond, st.wMilliseconds};
  const CrashDumpNameText name = CrashDumpName(now);
  wchar_t path[kFolderChars + 32];
  ::EnterCriticalSection(&c.folderLock);
  std::wmemcpy(path, c.folder, kFolderChars);
  ::LeaveCriticalSection(&c.folderLock);
  std::size_t end = std::wcslen(path);
  const std::size_t folderLength = end;
  for (const char* p = name.data(); *p != '\0'; ++p) path[end++] = static_cast<wchar_t>(*p);
  path[end] = L'\0';

  const char* failedCall = nullptr;
  DWORD failure = 0;
  if (c.writeDump == nullptr) {
    failedCall = "LoadLibrary dbghelp.dll";
  } else if (folderLength == 0) {
    failedCall = "no log folder";  // never the current folder, wherever that is
  } else {
    const HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      failedCall = "CreateFileW";
      failure = ::GetLastError();
    } else {
      MINIDUMP_EXCEPTION_INFORMATION info{c.faultThread, c.fault, FALSE};
      // MiniDumpNormal: the thread list with each thread's stack, and the module list.
      if (!c.writeDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpNormal,
                       &info, nullptr, nullptr)) {
        failedCall = "MiniDumpWriteDump";
        failure = ::GetLastError();
      }
      ::CloseHandle(file);
      if (failedCall != nullptr) ::DeleteFileW(path);
    }
  }

  try {
    CrashFacts facts;
    facts.code = c.fault->ExceptionRecord->ExceptionCode;
    facts.address = reinterpret_cast<std::uintptr_t>(c.fault->ExceptionRecord->ExceptionAddress);
    FindModule(facts.address, facts);
    if (failedCall == nullptr) {
      facts.dumpName = name.data();
    } else {
      facts.dumpFailure = std::string(failedCall) + " " + std::to_string(failure);
    }
    // Straight into the folder of the dump: the program's log environment may not be set yet.
    static Win32LogFileSystem files;
    static Win32Clock clock;
    TLogger(files, clock, Narrow(path, static_cast<int>(folderLength)))
        .WriteLog(CrashLineText(facts), LevelError);
  } catch (...) {
    // The dump stands; the line is lost.
  }
}

DWORD WINAPI Writer(void* parameter) {
  Capture& c = *static_cast<Capture*>(parameter);
  ::WaitForSingleObject(c.request, INFINITE);
  WriteDumpAndLine(c);
  ::SetEvent(c.done);
  return 0;
}

// The first faulting thread takes the writer; any later one waits for the end.
bool TakeTurn() {
  if (gCapture != nullptr && ::InterlockedExchange(&gCapture->taken, 1) == 0) return true;
  if (gCapture != nullptr) ::Sleep(INFINITE);
  return false;
}

[[noreturn]] void WriteAndEnd(EXCEPTION_POINTERS* fault) {
  gCapture->faultThread = ::GetCurrentThreadId();
  gCapture->fault = fault;
  ::SetEvent(gCapture->request);
  ::WaitForSingleObject(gCapture->done, kWriteLimitMs);
  ::TerminateProcess(::GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
  ::ExitProcess(fault->ExceptionRecord->ExceptionCode);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* fault) {
  if (!TakeTurn()) return EXCEPTION_CONTINUE_SEARCH;
  WriteAndEnd(fault);
}

// A fault the runtime reports: the record names the code and where the report came from.
[[noreturn]] __attribute__((noinline)) void ReportFault(std::uint32_t code, void* from) {
  if (!TakeTurn()) std::_Exit(3);
  Capture& c = *gCapture;
  ::RtlCaptureContext(&c.madeContext);
  c.madeRecord.ExceptionCode = code;
  c.madeRecord.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
  c.madeRecord.ExceptionAddress = from;
  c.madePointers = {&c.madeRecord, &c.madeContext};
  WriteAndEnd(&c.madePointers);
}

[[noreturn]] void OnTerminate() { ReportFault(kTerminateCode, __builtin_return_address(0)); }
void __cdecl OnPureCall() { ReportFault(kPureCallCode, __builtin_return_address(0)); }
void __cdecl OnInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned int,
                                uintptr_t) {
  ReportFault(kInvalidParameterCode, __builtin_return_address(0));
}
void __cdecl OnAbort(int) { ReportFault(kAbortCode, __builtin_return_address(0)); }

}  // namespace

void StartCrashCapture() {
  if (gCapture != nullptr) return;
  // No dialog of the system's for a fault, nor for a missing disk.
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                 SEM_NOOPENFILEERRORBOX);
  auto* c = new Capture();
  ::InitializeCriticalSection(&c->folderLock);
  try {
    static Win32LogFileSystem files;
    static Win32Clock clock;
    SetFolder(*c, TLogger(files, clock, "").LogDir());
  } catch (...) {
    // No log folder yet: the dump has nowhere to go until one is set.
  }
  // Loaded now, from the system's folder: at a fault the loader may be what is stuck.
  wchar_t system[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length > 0 && length < MAX_PATH - 16) {
    const HMODULE dbghelp = ::LoadLibraryW((std::wstring(system) + L"\\dbghelp.dll").c_str());
    if (dbghelp != nullptr) {
      c->writeDump = LookupFunction<WriteDumpFn>(dbghelp, "MiniDumpWriteDump");
    }
  }
  c->request = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  c->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HANDLE thread = c->request && c->done
                            ? ::CreateThread(nullptr, 0, Writer, c, 0, nullptr)
                            : nullptr;
  if (thread == nullptr) return;  // no writer: the system's own handling stays
  ::CloseHandle(thread);
  gCapture = c;

  // Room for the handler on a thread whose stack ran out.
  ULONG guarantee = 64 * 1024;
  ::SetThreadStackGuarantee(&guarantee);
  ::SetUnhandledExceptionFilter(OnUnhandledException);
  std::set_terminate(OnTerminate);
  _set_purecall_handler(OnPureCall);
  _set_invalid_parameter_handler(OnInvalidParameter);
  std::signal(SIGABRT, OnAbort);
}

void SetCrashDumpFolder(const std::string& folder) {
  if (gCapture != nullptr && !folder.empty()) SetFolder(*gCapture, folder);
}

}  // namespace zel::win32
