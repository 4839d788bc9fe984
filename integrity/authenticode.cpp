#include "integrity/authenticode.h"

#include "core/text.h"
#include "integrity/little_endian.h"

namespace tavlun {
namespace {

constexpr std::uint32_t kCertificateDirectory = 4;  // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr std::uint32_t kWinCertificateHeader = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint16_t kWinCertRevision2 = 0x0200;
constexpr std::uint16_t kWinCertTypePkcsSignedData = 0x0002;

std::wstring Hex32(std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                 static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  return L"0x" + HexUpper(bytes, sizeof(bytes));
}

SignatureCheck With(SignatureResult result, SignatureFault fault, std::uint32_t code, std::wstring detail = {}) {
  SignatureCheck check;
  check.result = result;
  check.fault = fault;
  check.code = code;
  check.detail = std::move(detail);
  return check;
}

std::wstring TwoDigits(int value) { return std::wstring(1, L'0' + value / 10) + std::wstring(1, L'0' + value % 10); }

}  // namespace

SignatureCheck ClassifyTrustResult(std::uint32_t code) {
  using R = SignatureResult;
  using F = SignatureFault;
  switch (code) {
    case trust::kSuccess:
      return With(R::Trusted, F::None, code);
    case trust::kNoSignature:
      return With(R::NotSigned, F::None, code);
    case trust::kBadDigest:
      return With(R::Untrusted, F::BadDigest, code);
    case trust::kUntrustedRoot:
    case trust::kChaining:
    case trust::kUntrustedTestRoot:
      return With(R::Untrusted, F::UnknownRoot, code);
    case trust::kExpired:
    case trust::kValidityPeriodNesting:
      return With(R::Untrusted, F::Expired, code);
    case trust::kExplicitDistrust:
    case trust::kRevoked:
    case trust::kWrongUsage:
    case trust::kCertSignature:
    case trust::kNoSignerCert:
    case trust::kSubjectNotTrusted:
    case trust::kBadMessage:
    case trust::kAsn1BadTag:
      return With(R::Untrusted, F::Other, code);
    case trust::kSubjectFormUnknown:
      return With(R::NotChecked, F::None, code, L"dosya imza denetiminin tanıdığı bir biçimde değil");
    default:
      // Unknown provider or action, file or system errors, policy refusals, a revocation answer that was never
      // asked for: the check did not reach a verdict on the file.
      return With(R::NotChecked, F::None, code, L"Windows imza denetimi sonuç vermedi (" + Hex32(code) + L")");
  }
}

bool ReadCertificateDirectory(const std::uint8_t* optional, std::uint64_t optional_size, std::uint32_t* offset,
                              std::uint32_t* size) {
  *offset = 0;
  *size = 0;
  if (optional == nullptr || optional_size < 2) return false;
  const std::uint16_t magic = ReadLe16(optional);
  std::uint32_t count_field = 0;
  if (magic == pe::kMagicPe32) {
    count_field = pe::kOptRvaCountPe32;
  } else if (magic == pe::kMagicPe32Plus) {
    count_field = pe::kOptRvaCountPe32Plus;
  } else {
    return false;
  }
  if (std::uint64_t{count_field} + 4 > optional_size) return false;
  const std::uint32_t count = ReadLe32(optional + count_field);
  const std::uint64_t at = std::uint64_t{count_field} + 4 + std::uint64_t{kCertificateDirectory} * 8;
  if (count <= kCertificateDirectory || at + 8 > optional_size) return false;
  *offset = ReadLe32(optional + at);
  *size = ReadLe32(optional + at + 4);
  if (*offset == 0 || *size == 0) {
    *offset = 0;
    *size = 0;
    return false;
  }
  return true;
}

bool IsCertificateTableInFile(std::uint32_t offset, std::uint32_t size, std::uint64_t file_size) {
  return offset % 8 == 0 && size >= kWinCertificateHeader && std::uint64_t{offset} + size <= file_size;
}

bool FindCertificateTable(const std::uint8_t* file, std::uint64_t size, std::uint32_t* table_offset,
                          std::uint32_t* table_size) {
  *table_offset = 0;
  *table_size = 0;
  std::wstring machine;
  std::wstring message;
  if (!ValidatePeHeaders(file, size, size, true, &machine, &message)) return false;
  // ValidatePeHeaders has placed the optional header inside the block.
  const std::uint8_t* nt = file + ReadLe32(file + pe::kHeaderOffsetField);
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  if (!ReadCertificateDirectory(nt + pe::kSignatureAndFileHeader, ReadLe16(nt + pe::kFileHeaderOptionalSize), &offset,
                                &length) ||
      !IsCertificateTableInFile(offset, length, size)) {
    return false;
  }
  *table_offset = offset;
  *table_size = length;
  return true;
}

bool FirstSignedDataEntry(const std::uint8_t* table, std::uint32_t table_size, std::uint32_t* data_offset,
                          std::uint32_t* data_size) {
  if (table == nullptr || table_size < kWinCertificateHeader) return false;
  const std::uint32_t length = ReadLe32(table);
  if (length <= kWinCertificateHeader || length > table_size) return false;
  if (ReadLe16(table + 4) != kWinCertRevision2 || ReadLe16(table + 6) != kWinCertTypePkcsSignedData) return false;
  *data_offset = kWinCertificateHeader;
  *data_size = length - kWinCertificateHeader;
  return true;
}

std::wstring SigningTimeText(int year, int month, int day, int hour, int minute) {
  if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59) {
    return std::wstring();
  }
  return DecimalText(static_cast<std::uint32_t>(year)) + L"-" + TwoDigits(month) + L"-" + TwoDigits(day) + L" " +
         TwoDigits(hour) + L":" + TwoDigits(minute) + L" UTC";
}

std::wstring SignatureResultText(const SignatureCheck& check, const std::wstring& signer) {
  const std::wstring named = signer.empty() ? std::wstring() : L"; imzalayan: " + signer;
  const std::wstring when = check.signing_time.empty() ? std::wstring() : L"; imza zamanı: " + check.signing_time;
  switch (check.result) {
    case SignatureResult::Trusted:
      return L"geçerli" + named + when;
    case SignatureResult::Untrusted: {
      std::wstring reason;
      switch (check.fault) {
        case SignatureFault::UnknownRoot:
          reason = L"kök sertifika bu bilgisayarda güvenilir değil";
          break;
        case SignatureFault::Expired:
          reason = L"imzalayan sertifikanın süresi dolmuş ve zaman damgası yok";
          break;
        case SignatureFault::BadDigest:
          reason = L"dosya imzalandıktan sonra değiştirilmiş";
          break;
        case SignatureFault::None:
        case SignatureFault::Other:
          reason = L"imza kabul edilmedi (" + Hex32(check.code) + L")";
          break;
      }
      return L"imzalı ancak güvenilmiyor: " + reason + named + when;
    }
    case SignatureResult::NotSigned:
      return L"imzasız";
    case SignatureResult::NotChecked:
      break;
  }
  return L"denetlenemedi" + (check.detail.empty() ? std::wstring() : L": " + check.detail);
}

std::wstring KeptFileSignatureClause(const SignatureCheck& check) {
  if (check.result == SignatureResult::Trusted) {
    return L"imzası geçerli: " + (check.signer.empty() ? std::wstring(L"adı okunamadı") : check.signer);
  }
  return L"imzası yok/doğrulanamadı: resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun";
}

}  // namespace tavlun
