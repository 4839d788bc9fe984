// The pure half of the signature check: what each WinVerifyTrust result means, where a PE file keeps its
// signature, and the words the window and the report use. Pure: also built natively under the sanitizers. The
// results Wine cannot give (an unknown root, an expired signer) are covered here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "integrity/authenticode.h"
#include "tests/integrity/pe_image.h"

namespace tavlun {
namespace {

using testing_support::MakePeImage;
using testing_support::PeImage;

TEST(SignatureMapping, EveryTrustResultHasItsVerdictAndWords) {
  struct Row {
    std::uint32_t code;
    SignatureResult result;
    SignatureFault fault;
    const wchar_t* text;  // SignatureResultText with the signer "Örnek A.Ş."
  };
  const Row rows[] = {
      {0, SignatureResult::Trusted, SignatureFault::None, L"geçerli; imzalayan: Örnek A.Ş."},
      {0x800B0100, SignatureResult::NotSigned, SignatureFault::None, L"imzasız"},
      {0x80096010, SignatureResult::Untrusted, SignatureFault::BadDigest,
       L"imzalı ancak güvenilmiyor: dosya imzalandıktan sonra değiştirilmiş; imzalayan: Örnek A.Ş."},
      {0x800B0109, SignatureResult::Untrusted, SignatureFault::UnknownRoot,
       L"imzalı ancak güvenilmiyor: kök sertifika bu bilgisayarda güvenilir değil; imzalayan: Örnek A.Ş."},
      {0x800B010A, SignatureResult::Untrusted, SignatureFault::UnknownRoot, nullptr},
      {0x800B010D, SignatureResult::Untrusted, SignatureFault::UnknownRoot, nullptr},
      {0x800B0101, SignatureResult::Untrusted, SignatureFault::Expired,
       L"imzalı ancak güvenilmiyor: imzalayan sertifikanın süresi dolmuş ve zaman damgası yok; imzalayan: Örnek "
       L"A.Ş."},
      {0x800B0102, SignatureResult::Untrusted, SignatureFault::Expired, nullptr},
      {0x800B0110, SignatureResult::Untrusted, SignatureFault::Other,
       L"imzalı ancak güvenilmiyor: imza kabul edilmedi (0x800B0110); imzalayan: Örnek A.Ş."},
      {0x800B0111, SignatureResult::Untrusted, SignatureFault::Other, nullptr},
      {0x80096004, SignatureResult::Untrusted, SignatureFault::Other, nullptr},
      {0x8009200D, SignatureResult::Untrusted, SignatureFault::Other, nullptr},
      {0x800B0003, SignatureResult::NotChecked, SignatureFault::None,
       L"denetlenemedi: dosya imza denetiminin tanıdığı bir biçimde değil"},
      {0x800B0001, SignatureResult::NotChecked, SignatureFault::None,
       L"denetlenemedi: Windows imza denetimi sonuç vermedi (0x800B0001)"},
      {0x80092026, SignatureResult::NotChecked, SignatureFault::None, nullptr},
      {0x800B010E, SignatureResult::NotChecked, SignatureFault::None, nullptr},
      {0x00000005, SignatureResult::NotChecked, SignatureFault::None,
       L"denetlenemedi: Windows imza denetimi sonuç vermedi (0x00000005)"},
  };
  for (const Row& row : rows) {
    const SignatureCheck check = ClassifyTrustResult(row.code);
    EXPECT_EQ(check.result, row.result) << std::hex << row.code;
    EXPECT_EQ(check.fault, row.fault) << std::hex << row.code;
    EXPECT_EQ(check.code, row.code);
    if (row.text != nullptr) {
      EXPECT_EQ(SignatureResultText(check, L"Örnek A.Ş."), row.text) << std::hex << row.code;
    }
    // A kept file is called validly signed only when Windows trusts it.
    const std::wstring clause = KeptFileSignatureClause(check);
    if (row.result == SignatureResult::Trusted) {
      EXPECT_EQ(clause, L"imzası geçerli: adı okunamadı");
    } else {
      EXPECT_EQ(clause, L"imzası yok/doğrulanamadı: resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun");
    }
  }
  SignatureCheck trusted = ClassifyTrustResult(0);
  trusted.signer = L"Örnek A.Ş.";
  trusted.signing_time = SigningTimeText(2026, 3, 7, 9, 5);
  EXPECT_EQ(KeptFileSignatureClause(trusted), L"imzası geçerli: Örnek A.Ş.");
  EXPECT_EQ(SignatureResultText(trusted, L"gizlendi"), L"geçerli; imzalayan: gizlendi; imza zamanı: 2026-03-07 09:05 UTC");
  EXPECT_EQ(SignatureResultText(trusted, L""), L"geçerli; imza zamanı: 2026-03-07 09:05 UTC");
  EXPECT_EQ(SigningTimeText(2026, 13, 1, 0, 0), L"");
  SignatureCheck large;
  large.detail = L"dosya boyutu inceleme sınırının dışında";
  EXPECT_EQ(SignatureResultText(large, L""), L"denetlenemedi: dosya boyutu inceleme sınırının dışında");
}

// A DLL image with a certificate table of `table` bytes appended at the end of the file.
PeImage SignedImage(bool pe32plus, const std::vector<std::uint8_t>& table) {
  PeImage image = MakePeImage(pe32plus, true);
  const std::uint32_t offset = static_cast<std::uint32_t>(image.bytes.size());
  image.bytes.insert(image.bytes.end(), table.begin(), table.end());
  const std::uint32_t directory = image.optional + (pe32plus ? 112 : 96) + 4 * 8;
  image.Put32(directory, offset);
  image.Put32(directory + 4, static_cast<std::uint32_t>(table.size()));
  return image;
}

std::vector<std::uint8_t> WinCertificate(std::uint32_t length, std::uint16_t revision, std::uint16_t type,
                                         std::uint32_t total) {
  std::vector<std::uint8_t> entry(total, 0x30);
  for (int i = 0; i < 4; ++i) entry[i] = static_cast<std::uint8_t>(length >> (8 * i));
  entry[4] = static_cast<std::uint8_t>(revision);
  entry[5] = static_cast<std::uint8_t>(revision >> 8);
  entry[6] = static_cast<std::uint8_t>(type);
  entry[7] = static_cast<std::uint8_t>(type >> 8);
  return entry;
}

TEST(CertificateTable, FoundOnlyWhereTheHeadersPlaceItInsideTheFile) {
  for (bool plus : {false, true}) {
    const std::vector<std::uint8_t> table = WinCertificate(0x20, 0x0200, 0x0002, 0x20);
    PeImage image = SignedImage(plus, table);
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    ASSERT_TRUE(FindCertificateTable(image.bytes.data(), image.bytes.size(), &offset, &size)) << plus;
    EXPECT_EQ(offset, 0x400u);
    EXPECT_EQ(size, 0x20u);
    std::uint32_t data_offset = 0;
    std::uint32_t data_size = 0;
    ASSERT_TRUE(FirstSignedDataEntry(image.bytes.data() + offset, size, &data_offset, &data_size));
    EXPECT_EQ(data_offset, 8u);
    EXPECT_EQ(data_size, 0x18u);

    // Every truncation that cuts the table off the file loses it; an unsigned image has none.
    for (std::size_t cut = 0x400; cut < image.bytes.size(); ++cut) {
      EXPECT_FALSE(FindCertificateTable(image.bytes.data(), cut, &offset, &size)) << cut;
    }
    const PeImage unsigned_image = MakePeImage(plus, true);
    EXPECT_FALSE(FindCertificateTable(unsigned_image.bytes.data(), unsigned_image.bytes.size(), &offset, &size));
    EXPECT_EQ(size, 0u);
    // A directory list too short to hold entry 4, or a misaligned table, names none.
    PeImage short_list = image;
    short_list.SetRvaCount(plus, 4);
    EXPECT_FALSE(FindCertificateTable(short_list.bytes.data(), short_list.bytes.size(), &offset, &size));
    PeImage misaligned = image;
    misaligned.Put32(image.optional + (plus ? 112 : 96) + 32, 0x3FC);
    EXPECT_FALSE(FindCertificateTable(misaligned.bytes.data(), misaligned.bytes.size(), &offset, &size));
  }
  std::uint32_t data_offset = 0;
  std::uint32_t data_size = 0;
  // Entries that are not PKCS#7 signed data of revision 2.0, or claim more than the table, are not read.
  EXPECT_FALSE(FirstSignedDataEntry(WinCertificate(0x20, 0x0100, 0x0002, 0x20).data(), 0x20, &data_offset, &data_size));
  EXPECT_FALSE(FirstSignedDataEntry(WinCertificate(0x20, 0x0200, 0x0001, 0x20).data(), 0x20, &data_offset, &data_size));
  EXPECT_FALSE(FirstSignedDataEntry(WinCertificate(0x21, 0x0200, 0x0002, 0x20).data(), 0x20, &data_offset, &data_size));
  EXPECT_FALSE(FirstSignedDataEntry(WinCertificate(0x08, 0x0200, 0x0002, 0x20).data(), 0x20, &data_offset, &data_size));
}

}  // namespace
}  // namespace tavlun
