#include "tests/wine/support/UpdateSigning.h"

#include <windows.h>

#include "app/win32/Win32Util.h"
#include "tests/wine/support/TempFolder.h"
#include "tests/wine/support/WineEnv.h"

namespace zel::winetest {

namespace {

constexpr char kScript[] = R"(set -e
in=$1; out=$2; cd "$out"
for p in A B; do
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 \
    -subj "/CN=Zel Test Publisher $p/O=Zel Tests" -keyout $p.key -out $p.crt
done
cp "$in" plain.exe
osslsigncode sign -certs A.crt -key A.key -h sha256 -in plain.exe -out runningA.exe
osslsigncode sign -certs A.crt -key A.key -h sha256 -n "Zel next" -in plain.exe -out nextA.exe
osslsigncode sign -certs B.crt -key B.key -h sha256 -in plain.exe -out nextB.exe
cp runningA.exe brokenA.exe
printf 'ZELX' | dd of=brokenA.exe bs=1 seek=1024 conv=notrunc
rm -f A.key B.key
)";

bool WriteText(const std::string& path, const std::string& text) {
  const win32::UniqueHandleObj file = win32::OwnFileHandle(::CreateFileW(
      win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr) && written == text.size();
}

}  // namespace

UpdateSigning::UpdateSigning(const std::string& program) {
  if (!FileExists("Z:\\usr\\bin\\openssl") || !FileExists("Z:\\usr\\bin\\osslsigncode")) {
    problem_ = "openssl or osslsigncode is not installed";
    return;
  }
  dir_ = Env("ZEL_BIN") + "/update_signing_" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryW(win32::Widen(WinePath(dir_)).c_str(), nullptr);
  if (!WriteText(WinePath(dir_ + "/sign.sh"), kScript)) {
    problem_ = "cannot write the signing script";
    return;
  }
  // A Unix program started from Wine gives no handle to wait on: it leaves a mark instead.
  std::wstring line = win32::Widen("/bin/sh -c \"cd '" + dir_ + "' && /bin/sh sign.sh '" + program +
                                   "' . >log 2>&1 && touch done || touch failed\"");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    problem_ = "cannot start /bin/sh";
    return;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  for (int i = 0; i < 600; ++i) {
    if (FileExists(File("done"))) return;
    if (FileExists(File("failed"))) break;
    ::Sleep(100);
  }
  problem_ = "signing failed; see " + dir_ + "/log";
  dir_.clear();  // kept for a look
}

UpdateSigning::~UpdateSigning() {
  if (!dir_.empty()) RemoveTree(win32::Widen(WinePath(dir_)));
}

std::string UpdateSigning::File(const std::string& name) const {
  return WinePath(dir_ + "/" + name);
}

}  // namespace zel::winetest
