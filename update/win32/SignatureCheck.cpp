#include "update/win32/SignatureCheck.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "app/win32/Owners.h"

namespace zel::win32 {

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::string NameText(CERT_NAME_BLOB* name) {
  const DWORD length = ::CertNameToStrW(kEncoding, name, CERT_X500_NAME_STR, nullptr, 0);
  std::wstring text(length, L'\0');
  ::CertNameToStrW(kEncoding, name, CERT_X500_NAME_STR, text.data(), length);
  text.resize(length > 0 ? length - 1 : 0);
  return Narrow(text);
}

// Subject and issuer of the first signer's certificate (empty when it cannot be found);
// nullopt when the file carries no signature.
std::optional<Signature> Signer(const std::wstring& file) {
  UniqueCertStore store;
  UniqueCryptMessage message;
  DWORD encoding = 0, content = 0, format = 0;
  if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, file.c_str(),
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                          0, &encoding, &content, &format, store.put(), message.put(), nullptr)) {
    return std::nullopt;
  }
  DWORD size = 0;
  Signature signature{SignatureState::Invalid, {}, {}};
  if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
    return signature;
  }
  std::vector<BYTE> buffer(size);
  if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
    return signature;
  }
  const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
  CERT_INFO wanted{};
  wanted.Issuer = signer->Issuer;
  wanted.SerialNumber = signer->SerialNumber;
  const UniqueCertificate cert(::CertFindCertificateInStore(
      store.get(), kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
  if (!cert) return signature;
  signature.subject = NameText(&cert.get()->pCertInfo->Subject);
  signature.issuer = NameText(&cert.get()->pCertInfo->Issuer);
  return signature;
}

bool Verified(const std::wstring& file) {
  WINTRUST_FILE_INFO fileInfo{};
  fileInfo.cbStruct = sizeof fileInfo;
  fileInfo.pcwszFilePath = file.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &fileInfo;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return status == ERROR_SUCCESS;
}

}  // namespace

Signature Win32SignatureCheck::Inspect(const std::string& path) {
  const std::wstring file = Widen(path);
  std::optional<Signature> signer = Signer(file);
  if (!signer) return {};
  // The names come from the signature even when the file was changed after signing: the
  // digest is checked here.
  if (!signer->subject.empty() && Verified(file)) signer->state = SignatureState::Valid;
  return *signer;
}

}  // namespace zel::win32
