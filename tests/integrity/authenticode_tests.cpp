// The pure half of the signature check: each WinVerifyTrust result's meaning and words, and where a PE file keeps
// its signature. Covers the results Wine cannot give (an unknown root, an expired signer).
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
  using R = SignatureResult;
  using F = SignatureFault;
  const std::wstring untrusted = L"imzalı ancak güvenilmiyor: ", signer = L"; imzalayan: Örnek A.Ş.";
  const struct {
    std::uint32_t code;
    R result;
    F fault;
    std::wstring text;  // SignatureResultText with the signer "Örnek A.Ş."; empty: not compared
  } rows[] = {
      {0, R::Trusted, F::None, L"geçerli" + signer}, {0x800B0100, R::NotSigned, F::None, L"imzasız"},
      {0x80096010, R::Untrusted, F::BadDigest, untrusted + L"dosya imzalandıktan sonra değiştirilmiş" + signer},
      {0x800B0109, R::Untrusted, F::UnknownRoot, untrusted + L"kök sertifika bu bilgisayarda güvenilir değil" + signer},
      {0x800B010A, R::Untrusted, F::UnknownRoot, L""}, {0x800B010D, R::Untrusted, F::UnknownRoot, L""},
      {0x800B0101, R::Untrusted, F::Expired,
       untrusted + L"imzalayan sertifikanın süresi dolmuş ve zaman damgası yok" + signer},
      {0x800B0102, R::Untrusted, F::Expired, L""},
      {0x800B0110, R::Untrusted, F::Other, untrusted + L"imza kabul edilmedi (0x800B0110)" + signer},
      {0x800B0111, R::Untrusted, F::Other, L""}, {0x80096004, R::Untrusted, F::Other, L""},
      {0x8009200D, R::Untrusted, F::Other, L""},
      {0x800B0003, R::NotChecked, F::None, L"denetlenemedi: dosya imza denetiminin tanıdığı bir biçimde değil"},
      {0x800B0001, R::NotChecked, F::None, L"denetlenemedi: Windows imza denetimi sonuç vermedi (0x800B0001)"},
      {0x80092026, R::NotChecked, F::None, L""}, {0x800B010E, R::NotChecked, F::None, L""},
      {0x00000005, R::NotChecked, F::None, L"denetlenemedi: Windows imza denetimi sonuç vermedi (0x00000005)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    const SignatureCheck check = ClassifyTrustResult(row.code);
    EXPECT_EQ(check.result, row.result);
    EXPECT_EQ(check.fault, row.fault);
    EXPECT_EQ(check.code, row.code);
    if (!row.text.empty()) {
      EXPECT_EQ(SignatureResultText(check, L"Örnek A.Ş."), row.text);
    }
    // A kept file is called validly signed only when Windows trusts it.
    EXPECT_EQ(KeptFileSignatureClause(check),
              row.result == R::Trusted
                  ? L"imzası geçerli: adı okunamadı"
                  : L"imzası yok/doğrulanamadı: resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun");
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
    std::uint32_t offset = 0, size = 0, data_offset = 0, data_size = 0;
    ASSERT_TRUE(FindCertificateTable(image.bytes.data(), image.bytes.size(), &offset, &size)) << plus;
    EXPECT_EQ(offset, 0x400u);
    EXPECT_EQ(size, 0x20u);
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
  // Entries that are not PKCS#7 signed data of revision 2.0, or claim more than the table, are not read.
  for (const auto& entry : {WinCertificate(0x20, 0x0100, 0x0002, 0x20), WinCertificate(0x20, 0x0200, 0x0001, 0x20),
                            WinCertificate(0x21, 0x0200, 0x0002, 0x20), WinCertificate(0x08, 0x0200, 0x0002, 0x20)}) {
    std::uint32_t data_offset = 0, data_size = 0;
    EXPECT_FALSE(FirstSignedDataEntry(entry.data(), 0x20, &data_offset, &data_size))
        << +entry[0] << " " << +entry[4] << " " << +entry[6];
  }
}

}  // namespace
}  // namespace tavlun
