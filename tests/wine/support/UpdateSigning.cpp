#include "tests/wine/support/UpdateSigning.h"

#include <windows.h>

#include "app/win32/Owners.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/WineEnv.h"

namespace zel::winetest {

namespace {

constexpr char kScript[] = R"(set -e
in=$1; run=$2
key() {
  k=$1; n=$2; shift 2
  openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=$n/O=Zel Tests" -keyout $k.key "$@"
}
key A "Zel Test Publisher A" -x509 -days 2 -out A.crt
key B "Zel Test Publisher B" -x509 -days 2 -out B.crt
key C "Zel Test CA" -x509 -days 2 -out C.crt
# A's subject again, from another issuer
key A2 "Zel Test Publisher A" -out A2.csr
openssl x509 -req -in A2.csr -CA C.crt -CAkey C.key -CAcreateserial -days 2 -sha256 -out A2.crt
cat A2.crt C.crt > A2chain.crt
cp "$in" plain.exe
sign() { osslsigncode sign -certs $1 -key $2 -h sha256 -in "$3" -out $4 >/dev/null; }
sign A.crt A.key "$run" runningA.exe
sign A.crt A.key plain.exe nextA.exe
sign B.crt B.key plain.exe nextB.exe
sign A2chain.crt A2.key plain.exe nextA2.exe
cp nextA.exe brokenA.exe
printf 'ZELX' | dd of=brokenA.exe bs=1 seek=1024 conv=notrunc
rm -f *.key
)";

bool WriteText(const std::string& path, const std::string& text) {
  const win32::UniqueHandleObj file = win32::OwnFileHandle(::CreateFileW(
      win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr) && written == text.size();
}

}  // namespace

bool RunShell(const std::string& dir, const std::string& text) {
  const std::string folder = WinePath(dir) + "\\zel_shell.";
  const auto remove = [&](const char* name) { ::DeleteFileW(win32::Widen(folder + name).c_str()); };
  for (const char* name : {"done", "failed", "log"}) remove(name);
  if (!WriteText(folder + "sh", text)) return false;
  // A Unix program started from Wine gives no handle to wait on: it leaves a mark instead.
  std::wstring line = win32::Widen(
      "/bin/sh -c \"cd '" + dir +
      "' && /bin/sh zel_shell.sh >zel_shell.log 2>&1 && touch zel_shell.done"
      " || touch zel_shell.failed\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  bool done = false;
  for (int i = 0; i < 600; ++i, ::Sleep(100)) {
    if (FileExists(folder + "failed")) break;
    if ((done = FileExists(folder + "done"))) break;
  }
  // Only the output of a failure stays, for a look.
  for (const char* name : {"sh", "done", "failed"}) remove(name);
  if (done) remove("log");
  return done;
}

UpdateSigning::UpdateSigning(const std::string& program, const std::string& running) {
  if (!FileExists("Z:\\usr\\bin\\openssl") || !FileExists("Z:\\usr\\bin\\osslsigncode")) {
    problem_ = "openssl or osslsigncode is not installed";
    return;
  }
  dir_ = Env("ZEL_BIN") + "/update_signing_" + std::to_string(::GetCurrentProcessId()) + "_" +
         std::to_string(::GetTickCount());
  ::CreateDirectoryW(win32::Widen(WinePath(dir_)).c_str(), nullptr);
  const std::string runningProgram = running.empty() ? program : running;
  if (!RunShell(dir_, "set -- '" + program + "' '" + runningProgram + "'\n" + kScript)) {
    problem_ = "signing failed; see " + dir_ + "/zel_shell.log";
    dir_.clear();  // kept for a look
  }
}

UpdateSigning::~UpdateSigning() {
  if (!dir_.empty()) RemoveTree(win32::Widen(WinePath(dir_)));
}

std::string UpdateSigning::File(const std::string& name) const {
  return WinePath(dir_ + "/" + name);
}

}  // namespace zel::winetest
