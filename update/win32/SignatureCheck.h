#pragma once
// Authenticode: whether the file's signature holds (digest and chain, by WinVerifyTrust) and
// who signed it (the signing certificate's subject and issuer, read from the embedded signature
// itself).
#include "update/UpdatePorts.h"

namespace zel::win32 {

class Win32SignatureCheck final : public ISignatureCheck {
 public:
  Win32SignatureCheck() = default;
  Signature Inspect(const std::string& path) override;
};

}  // namespace zel::win32
