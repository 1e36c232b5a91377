#pragma once
// Copies of a program signed here by throwaway publishers (openssl and osslsigncode, run as
// Unix programs from inside Wine): A and B, each its own issuer, and A2, A's subject issued by
// a test CA. The keys never leave a scratch folder of the build, which goes with this object.
#include <string>

namespace zel::winetest {

// Runs the shell text in the Linux folder dir and waits for it (at most a minute); false when
// it failed (its output is then in dir/zel_shell.log). Leaves no other file there.
bool RunShell(const std::string& dir, const std::string& text);

class UpdateSigning {
 public:
  // program, running: Linux paths of built executables (running defaults to program). Waits
  // until the copies are made.
  explicit UpdateSigning(const std::string& program, const std::string& running = "");
  UpdateSigning(const UpdateSigning&) = delete;
  UpdateSigning& operator=(const UpdateSigning&) = delete;
  ~UpdateSigning();

  // Empty when the copies are ready; otherwise why not (tools missing, a step failed).
  const std::string& Problem() const { return problem_; }
  // The Windows path of one copy: of program "plain.exe" (unsigned), "nextA.exe", "nextB.exe",
  // "nextA2.exe", "brokenA.exe" (signed by A, then one byte of its code changed); of running
  // "runningA.exe".
  std::string File(const std::string& name) const;

 private:
  std::string dir_;  // Linux path
  std::string problem_;
};

}  // namespace zel::winetest
