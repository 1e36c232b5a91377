#include "app/win32/ProcessLauncher.h"

#include <vector>

namespace zel::win32 {

namespace {

// The process that owns the shell's desktop window, opened to be a parent; empty when there
// is none (no shell running) or it cannot be opened.
UniqueHandleObj ShellProcess() {
  const HWND shell = ::GetShellWindow();
  DWORD id = 0;
  if (shell == nullptr || ::GetWindowThreadProcessId(shell, &id) == 0 || id == 0) return {};
  return UniqueHandleObj(::OpenProcess(PROCESS_CREATE_PROCESS, FALSE, id));
}

// An attribute list naming the parent; nothing when the list cannot be made.
class ParentAttribute {
 public:
  explicit ParentAttribute(HANDLE parent) : parent_(parent) {
    if (parent_ == nullptr) return;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent_,
                                     sizeof parent_, nullptr, nullptr)) {
      ::DeleteProcThreadAttributeList(list);
      return;
    }
    list_ = list;
  }
  ParentAttribute(const ParentAttribute&) = delete;
  ParentAttribute& operator=(const ParentAttribute&) = delete;
  ~ParentAttribute() {
    if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
  }
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  HANDLE parent_;
  std::vector<unsigned char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

UniqueProcessInformation StartProcess(const std::string& commandLine, WORD show,
                                      DWORD creationFlags) {
  return StartProcess(commandLine, show, creationFlags, ProcessPlace{});
}

UniqueProcessInformation StartProcess(const std::string& commandLine, WORD show,
                                      DWORD creationFlags, const ProcessPlace& place) {
  // CreateProcessW may write into the command line: it gets a copy of its own.
  std::wstring line = Widen(commandLine);
  const std::wstring program = Widen(place.program);
  const std::wstring folder = Widen(place.folder);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup.StartupInfo;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = show;
  const UniqueHandleObj shell = place.outsideOwnTree ? ShellProcess() : UniqueHandleObj();
  const ParentAttribute parent(shell.get());
  if (parent.get() != nullptr) {
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = parent.get();
    creationFlags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  UniqueProcessInformation process;
  ZEL_CHECK_LAST_ERROR(::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(),
                                        nullptr, nullptr, FALSE, creationFlags, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(),
                                        &startup.StartupInfo, process.put()));
  return process;
}

}  // namespace zel::win32
