#include "integrity/authenticode_win.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <cstdint>
#include <vector>

#include "check/display_text.h"
#include "core/system_dlls.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "install/backup_copy.h"
#include "integrity/little_endian.h"

namespace tavlun {
namespace {

static_assert(kMaxSignatureCheckedFileBytes == kBackupSizeLimit, "one size limit for the AKİS DLLs the program handles");

// A signature block larger than this is not read for its signer's name (WinVerifyTrust still judges it).
constexpr std::uint32_t kMaxCertificateTableBytes = 4 * 1024 * 1024;

struct CertStoreTraits {
  using pointer = HCERTSTORE;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { sysdll::Trust().CertCloseStore(h, 0); }
};
struct CryptMsgTraits {
  using pointer = HCRYPTMSG;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { sysdll::Trust().CryptMsgClose(h); }
};
struct CertContextTraits {
  using pointer = PCCERT_CONTEXT;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { sysdll::Trust().CertFreeCertificateContext(h); }
};
using UniqueCertStore = UniqueResource<CertStoreTraits>;
using UniqueCryptMsg = UniqueResource<CryptMsgTraits>;
using UniqueCertContext = UniqueResource<CertContextTraits>;

// Reads exactly `length` bytes at `offset`.
bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, std::uint32_t length) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  while (done < length) {
    DWORD read = 0;
    if (!::ReadFile(file, out + done, length - done, &read, nullptr) || read == 0) return false;
    done += read;
  }
  return true;
}

// The PKCS#7 block of the file's first signature, read through the handle from the certificate table.
bool ReadSignedData(HANDLE file, std::uint64_t file_size, std::vector<std::uint8_t>* signed_data) {
  std::uint8_t dos[pe::kDosHeaderSize];
  if (!ReadAt(file, 0, dos, sizeof(dos)) || !pe::HasDosSignature(dos)) return false;
  const std::int32_t nt_offset = ReadLeInt32(dos + pe::kHeaderOffsetField);
  if (nt_offset < static_cast<std::int32_t>(pe::kDosHeaderSize) || nt_offset > kPeMaxHeaderOffset) return false;
  std::uint8_t nt[pe::kSignatureAndFileHeader];
  if (!ReadAt(file, static_cast<std::uint64_t>(nt_offset), nt, sizeof(nt)) || !pe::HasPeSignature(nt)) return false;
  const std::uint16_t optional_size = ReadLe16(nt + pe::kFileHeaderOptionalSize);
  if (optional_size < 2 || optional_size > kPeMaxOptionalHeader) return false;
  std::vector<std::uint8_t> optional(optional_size);
  if (!ReadAt(file, static_cast<std::uint64_t>(nt_offset) + pe::kSignatureAndFileHeader, optional.data(),
              optional_size)) {
    return false;
  }
  std::uint32_t table_offset = 0;
  std::uint32_t table_size = 0;
  if (!ReadCertificateDirectory(optional.data(), optional.size(), &table_offset, &table_size) ||
      !IsCertificateTableInFile(table_offset, table_size, file_size) || table_size > kMaxCertificateTableBytes) {
    return false;
  }
  std::vector<std::uint8_t> table(table_size);
  if (!ReadAt(file, table_offset, table.data(), table_size)) return false;
  std::uint32_t data_offset = 0;
  std::uint32_t data_size = 0;
  if (!FirstSignedDataEntry(table.data(), table_size, &data_offset, &data_size)) return false;
  signed_data->assign(table.begin() + data_offset, table.begin() + data_offset + data_size);
  return true;
}

std::vector<std::uint8_t> MessageParam(HCRYPTMSG message, DWORD type) {
  DWORD size = 0;
  if (!sysdll::Trust().CryptMsgGetParam(message, type, 0, nullptr, &size) || size == 0) return {};
  std::vector<std::uint8_t> value(size);
  if (!sysdll::Trust().CryptMsgGetParam(message, type, 0, value.data(), &size)) return {};
  value.resize(size);
  return value;
}

std::wstring SigningTimeOf(const CMSG_SIGNER_INFO& signer, DWORD encoding) {
  for (DWORD i = 0; i < signer.AuthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = signer.AuthAttrs.rgAttr[i];
    if (attribute.pszObjId == nullptr || lstrcmpA(attribute.pszObjId, szOID_RSA_signingTime) != 0 ||
        attribute.cValue == 0) {
      continue;
    }
    FILETIME time{};
    DWORD size = sizeof(time);
    SYSTEMTIME utc{};
    if (sysdll::Trust().CryptDecodeObject(encoding, szOID_RSA_signingTime, attribute.rgValue[0].pbData,
                                  attribute.rgValue[0].cbData, 0, &time, &size) &&
        ::FileTimeToSystemTime(&time, &utc)) {
      return SigningTimeText(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute);
    }
  }
  return std::wstring();
}

// The signer's subject name and the signing time, from the signature block itself (no chain, no network).
void ReadSigner(const std::vector<std::uint8_t>& signed_data, SignatureCheck* check) {
  CERT_BLOB blob;
  blob.cbData = static_cast<DWORD>(signed_data.size());
  blob.pbData = const_cast<BYTE*>(signed_data.data());
  DWORD encoding = 0;
  DWORD content = 0;
  DWORD format = 0;
  UniqueCertStore store;
  UniqueCryptMsg message;
  if (!sysdll::Trust().CryptQueryObject(CERT_QUERY_OBJECT_BLOB, &blob, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                                CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &content, &format, store.put(),
                                message.put(), nullptr)) {
    return;
  }
  std::vector<std::uint8_t> info_bytes = MessageParam(message.get(), CMSG_SIGNER_INFO_PARAM);
  if (info_bytes.size() < sizeof(CMSG_SIGNER_INFO)) return;
  const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(info_bytes.data());
  check->signing_time = SigningTimeOf(*signer, encoding);
  CERT_INFO wanted{};
  wanted.Issuer = signer->Issuer;
  wanted.SerialNumber = signer->SerialNumber;
  UniqueCertContext certificate(sysdll::Trust().CertFindCertificateInStore(store.get(), encoding, 0, CERT_FIND_SUBJECT_CERT,
                                                                   &wanted, nullptr));
  if (!certificate) return;
  wchar_t name[256] = {};
  const DWORD length =
      sysdll::Trust().CertGetNameStringW(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
  // The name comes from the file: made display-safe once here, for the window as for the report.
  if (length > 1) check->signer = SanitizeForDisplay(std::wstring(name, length - 1));
}

}  // namespace

SignatureCheck CheckFileSignature(HANDLE file, const std::wstring& path) {
  SignatureCheck check;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) {
    check.code = ::GetLastError();
    check.detail = L"dosya boyutu okunamadı: " + WindowsErrorText(check.code);
    return check;
  }
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxSignatureCheckedFileBytes) {
    check.detail = L"dosya boyutu inceleme sınırının dışında";
    return check;
  }
  const sysdll::TrustApi& api = sysdll::Trust();
  if (!api.loaded) {
    check.detail = L"Windows imza doğrulama bileşenleri yüklenemedi";
    return check;
  }

  WINTRUST_FILE_INFO file_info{};
  file_info.cbStruct = sizeof(file_info);
  file_info.pcwszFilePath = path.c_str();
  file_info.hFile = file;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_IGNORE;
  // Offline: no revocation, nothing fetched from the network, no system-wide policy prompt.
  data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_SAFER_FLAG;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG verdict = api.WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  check = ClassifyTrustResult(static_cast<std::uint32_t>(verdict));

  if (check.result == SignatureResult::Trusted || check.result == SignatureResult::Untrusted) {
    std::vector<std::uint8_t> signed_data;
    if (ReadSignedData(file, static_cast<std::uint64_t>(size.QuadPart), &signed_data)) ReadSigner(signed_data, &check);
  }
  return check;
}

}  // namespace tavlun
