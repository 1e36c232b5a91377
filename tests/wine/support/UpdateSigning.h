#pragma once
// Copies of a program signed here by two throwaway publishers, A and B (openssl and
// osslsigncode, run as Unix programs from inside Wine). The keys never leave a scratch
// folder of the build, which goes with this object.
#include <string>

namespace zel::winetest {

class UpdateSigning {
 public:
  // program: the Linux path of a built executable. Waits until the copies are made.
  explicit UpdateSigning(const std::string& program);
  UpdateSigning(const UpdateSigning&) = delete;
  UpdateSigning& operator=(const UpdateSigning&) = delete;
  ~UpdateSigning();

  // Empty when the copies are ready; otherwise why not (tools missing, a step failed).
  const std::string& Problem() const { return problem_; }
  // The Windows path of one copy: "plain.exe" (unsigned), "runningA.exe", "nextA.exe",
  // "nextB.exe", "brokenA.exe" (signed by A, then one byte of its code changed).
  std::string File(const std::string& name) const;

 private:
  std::string dir_;  // Linux path
  std::string problem_;
};

}  // namespace zel::winetest
