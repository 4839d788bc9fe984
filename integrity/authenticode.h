// The Authenticode signature of a DLL found on disk: where a PE file keeps it, what Windows' verdict on it means,
// and the Turkish texts that tell it. Pure: no Windows headers; safe on untrusted bytes. The check itself
// (WinVerifyTrust, offline, on an open handle) is CheckFileSignature in authenticode_win.h.
#pragma once

#include <cstdint>
#include <string>

#include "integrity/pe_headers.h"

namespace tavlun {

enum class SignatureResult : std::int32_t {
  Trusted = 0,     // signed, and Windows trusts the signer on this machine
  Untrusted = 1,   // signed, but the signature is not accepted (see SignatureFault)
  NotSigned = 2,   // no embedded signature
  NotChecked = 3,  // the check could not be made (detail says why)
};

enum class SignatureFault : std::int32_t {
  None = 0,
  UnknownRoot = 1,   // the chain ends in a root this machine does not trust
  Expired = 2,       // the signer's certificate expired and no time stamp proves the signing time
  BadDigest = 3,     // the file was changed after it was signed
  Other = 4,         // any other refusal (wrong usage, distrusted, damaged signature); the code names it
};

struct SignatureCheck {
  SignatureResult result = SignatureResult::NotChecked;
  SignatureFault fault = SignatureFault::None;
  std::uint32_t code = 0;     // WinVerifyTrust's result, or the Windows error that stopped the check
  std::wstring signer;        // the signing certificate's subject name, display-safe (SanitizeForDisplay)
  std::wstring signing_time;  // "YYYY-AA-GG SS:dd UTC" from the signed attributes; empty when absent
  std::wstring detail;        // NotChecked: a lower-case Turkish fragment saying why
};

// Files above this size are not examined: 64 MiB, the largest akisp11.dll the program handles anywhere (the
// installation's backup limit, kBackupSizeLimit). WinVerifyTrust hashes the whole file and cannot be stopped, so
// the limit bounds its time: about 1 s for 64 MiB under a loaded Wine, where a file at the PE inspection limit
// (1 GiB) took 20 s, more than the check's whole time budget. A real akisp11.dll is about 5 MiB.
inline constexpr std::uint64_t kMaxSignatureCheckedFileBytes = 67108864;

// Well-known results of WinVerifyTrust (HRESULT values).
namespace trust {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kNoSignature = 0x800B0100;         // TRUST_E_NOSIGNATURE
inline constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;  // TRUST_E_SUBJECT_FORM_UNKNOWN
inline constexpr std::uint32_t kProviderUnknown = 0x800B0001;     // TRUST_E_PROVIDER_UNKNOWN
inline constexpr std::uint32_t kActionUnknown = 0x800B0002;       // TRUST_E_ACTION_UNKNOWN
inline constexpr std::uint32_t kSubjectNotTrusted = 0x800B0004;   // TRUST_E_SUBJECT_NOT_TRUSTED
inline constexpr std::uint32_t kBadDigest = 0x80096010;           // TRUST_E_BAD_DIGEST
inline constexpr std::uint32_t kUntrustedRoot = 0x800B0109;       // CERT_E_UNTRUSTEDROOT
inline constexpr std::uint32_t kChaining = 0x800B010A;            // CERT_E_CHAINING
inline constexpr std::uint32_t kUntrustedTestRoot = 0x800B010D;   // CERT_E_UNTRUSTEDTESTROOT
inline constexpr std::uint32_t kExpired = 0x800B0101;             // CERT_E_EXPIRED
inline constexpr std::uint32_t kValidityPeriodNesting = 0x800B0102;  // CERT_E_VALIDITYPERIODNESTING
inline constexpr std::uint32_t kExplicitDistrust = 0x800B0111;    // TRUST_E_EXPLICIT_DISTRUST
inline constexpr std::uint32_t kRevoked = 0x800B010C;             // CERT_E_REVOKED
inline constexpr std::uint32_t kWrongUsage = 0x800B0110;          // CERT_E_WRONG_USAGE
inline constexpr std::uint32_t kCertSignature = 0x80096004;       // TRUST_E_CERT_SIGNATURE
inline constexpr std::uint32_t kNoSignerCert = 0x80096002;        // TRUST_E_NO_SIGNER_CERT
inline constexpr std::uint32_t kBadMessage = 0x8009200D;          // CRYPT_E_BAD_MSG (damaged signature block)
inline constexpr std::uint32_t kAsn1BadTag = 0x8009310B;          // CRYPT_E_ASN1_BADTAG
inline constexpr std::uint32_t kFileError = 0x80092003;           // CRYPT_E_FILE_ERROR
inline constexpr std::uint32_t kSecuritySettings = 0x80092026;    // CRYPT_E_SECURITY_SETTINGS
inline constexpr std::uint32_t kSystemError = 0x80096001;         // TRUST_E_SYSTEM_ERROR
inline constexpr std::uint32_t kRevocationFailure = 0x800B010E;   // CERT_E_REVOCATION_FAILURE
}  // namespace trust

// Result and fault of a WinVerifyTrust result. Codes that say the check itself could not run (unknown form or
// provider, file or system error, policy, revocation that was not asked for) and unknown codes give NotChecked.
SignatureCheck ClassifyTrustResult(std::uint32_t code);

// The certificate table (data directory 4; its "address" is a file offset) read from the optional header.
// False when the header names none (offset or size 0) or the directory list does not reach it. `optional` holds
// `optional_size` bytes of the optional header, magic first.
bool ReadCertificateDirectory(const std::uint8_t* optional, std::uint64_t optional_size, std::uint32_t* offset,
                              std::uint32_t* size);

// The table must lie inside the file, after the headers' 8-byte alignment rule: offset 8-aligned, at least 8
// bytes, not past the end.
bool IsCertificateTableInFile(std::uint32_t offset, std::uint32_t size, std::uint64_t file_size);

// For a whole image in memory (the build-time check): headers validated as a DLL, then the table found and
// placed. True with the table's size when present; false (size 0) when absent or misplaced.
bool FindCertificateTable(const std::uint8_t* file, std::uint64_t size, std::uint32_t* table_offset,
                          std::uint32_t* table_size);

// The PKCS#7 signed data of the first WIN_CERTIFICATE entry of a table (revision 2.0, type PKCS_SIGNED_DATA).
bool FirstSignedDataEntry(const std::uint8_t* table, std::uint32_t table_size, std::uint32_t* data_offset,
                          std::uint32_t* data_size);

// "YYYY-AA-GG SS:dd UTC"; empty for values outside a calendar.
std::wstring SigningTimeText(int year, int month, int day, int hour, int minute);

// The report's words for one check: "geçerli (imzalayan: S; imza zamanı: T)", "imzalı ancak güvenilmiyor: ...",
// "imzasız", "denetlenemedi: ...". `signer` is the name as the report may show it (already redacted).
std::wstring SignatureResultText(const SignatureCheck& check, const std::wstring& signer);

// The clause the DLL state adds for a file it keeps: "imzası geçerli: S" for a trusted signature, otherwise
// "imzası yok/doğrulanamadı: resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun".
std::wstring KeptFileSignatureClause(const SignatureCheck& check);

}  // namespace tavlun
