// MachineName and ValidatePeHeaders on PE images built in memory, field by field. Pure: runs in the Windows test
// program and natively under the sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "integrity/pe_headers.h"
#include "tests/integrity/pe_image.h"

namespace tavlun {
namespace {

using testing_support::MakePeImage;
using testing_support::PeImage;

std::wstring Validate(const PeImage& image, bool expect_dll, std::wstring* machine_name = nullptr) {
  std::wstring name;
  std::wstring message;
  const bool ok = ValidatePeHeaders(image.bytes.data(), image.bytes.size(), image.bytes.size(), expect_dll, &name,
                                    &message);
  if (machine_name != nullptr) *machine_name = name;
  return ok ? L"ok" : message;
}

TEST(MachineName, KnownAndUnknownMachines) {
  EXPECT_EQ(MachineName(0x014C), L"x86");
  EXPECT_EQ(MachineName(0x8664), L"x64");
  EXPECT_EQ(MachineName(0xAA64), L"ARM64");
  EXPECT_EQ(MachineName(0x0200), L"IA64");
  EXPECT_EQ(MachineName(0x01C4), L"bilinmiyor (0x1C4)");
  EXPECT_EQ(MachineName(0), L"bilinmiyor (0x0)");
  EXPECT_EQ(MachineName(0xFFFF), L"bilinmiyor (0xFFFF)");
}

TEST(ValidatePeHeaders, AcceptsWellFormedImagesOfEachKind) {
  std::wstring name;
  EXPECT_EQ(Validate(MakePeImage(false, true), true, &name), L"ok");
  EXPECT_EQ(name, L"x86");
  EXPECT_EQ(Validate(MakePeImage(true, true), true, &name), L"ok");
  EXPECT_EQ(name, L"x64");
  EXPECT_EQ(Validate(MakePeImage(false, false), false, &name), L"ok");
  EXPECT_EQ(Validate(MakePeImage(false, true, 64), true), L"ok") << "PE header right after the DOS header";
  PeImage arm = MakePeImage(true, true);
  arm.SetMachine(0xAA64);
  EXPECT_EQ(Validate(arm, true, &name), L"ok");
  EXPECT_EQ(name, L"ARM64");
}

TEST(ValidatePeHeaders, DosHeaderAndHeaderOffset) {
  std::wstring name = L"untouched";
  std::wstring message;
  EXPECT_FALSE(ValidatePeHeaders(nullptr, 64, 64, true, &name, &message));
  EXPECT_EQ(message, L"DOS başlığı eksik");
  const PeImage good = MakePeImage(false, true);
  EXPECT_FALSE(ValidatePeHeaders(good.bytes.data(), 63, good.bytes.size(), true, &name, &message));
  EXPECT_EQ(message, L"DOS başlığı eksik");
  EXPECT_FALSE(ValidatePeHeaders(good.bytes.data(), good.bytes.size(), 63, true, &name, &message));
  EXPECT_EQ(message, L"DOS başlığı eksik");
  EXPECT_EQ(name, L"untouched") << "no machine name on failure";

  PeImage image = MakePeImage(false, true);
  image.bytes[0] = 'Z';
  EXPECT_EQ(Validate(image, true), L"geçerli DOS/PE konumu yok");
  for (std::uint32_t offset : {0u, 63u, 0x80000000u, 0xFFFFFFFFu}) {
    image = MakePeImage(false, true);
    image.Put32(60, offset);
    EXPECT_EQ(Validate(image, true), L"geçerli DOS/PE konumu yok") << offset;
  }
  for (std::uint32_t offset : {16777217u, 0x7FFFFFFFu, 0x400u - 23u}) {
    image = MakePeImage(false, true);
    image.Put32(60, offset);
    EXPECT_EQ(Validate(image, true), L"PE başlığı dosya sınırlarının dışında") << offset;
  }
  // Within the file, but outside the header block that was read.
  image = MakePeImage(false, true);
  EXPECT_FALSE(ValidatePeHeaders(image.bytes.data(), image.nt + 23, image.bytes.size(), true, &name, &message));
  EXPECT_EQ(message, L"PE başlığı dosya sınırlarının dışında");
}

TEST(ValidatePeHeaders, SignatureMachineAndKind) {
  PeImage image = MakePeImage(false, true);
  image.bytes[image.nt + 2] = 1;
  EXPECT_EQ(Validate(image, true), L"PE imzası geçersiz");

  image = MakePeImage(false, true);
  image.SetMachine(0x01C4);
  EXPECT_EQ(Validate(image, true), L"PE makine türü tanınmıyor") << "named by MachineName, still refused";

  EXPECT_EQ(Validate(MakePeImage(false, true), false), L"PE yürütülebilir imgesi değil veya DLL olarak işaretli");
  EXPECT_EQ(Validate(MakePeImage(false, false), true), L"PE yürütülebilir DLL imgesi değil");
  image = MakePeImage(false, true);
  image.SetCharacteristics(0x2000);  // DLL flag without the executable-image flag
  EXPECT_EQ(Validate(image, true), L"PE yürütülebilir DLL imgesi değil");
}

TEST(ValidatePeHeaders, SectionAndOptionalHeaderCounts) {
  for (std::uint16_t count : {0, 97}) {
    PeImage image = MakePeImage(false, true);
    image.SetSectionCount(count);
    EXPECT_EQ(Validate(image, true), L"PE bölüm/opsiyonel başlık boyutu geçersiz") << count;
  }
  for (std::uint16_t size : {0, 1, 4097}) {
    PeImage image = MakePeImage(false, true);
    image.SetOptionalSize(size);
    EXPECT_EQ(Validate(image, true), L"PE bölüm/opsiyonel başlık boyutu geçersiz") << size;
  }
  // 96 sections of 40 bytes run past the 0x400-byte file.
  PeImage image = MakePeImage(false, true);
  image.SetSectionCount(96);
  EXPECT_EQ(Validate(image, true), L"PE opsiyonel/bölüm başlıkları dosya sınırlarının dışında");
  image = MakePeImage(false, true);
  image.SetOptionalSize(4096);
  EXPECT_EQ(Validate(image, true), L"PE opsiyonel/bölüm başlıkları dosya sınırlarının dışında");
  // A section table that ends exactly where the block and the file end lies inside both (a later rule decides).
  image = MakePeImage(false, true);
  const std::uint64_t end = image.sections + 2 * 40;
  std::wstring name;
  std::wstring message;
  EXPECT_FALSE(ValidatePeHeaders(image.bytes.data(), end, end, true, &name, &message));
  EXPECT_NE(message, L"PE opsiyonel/bölüm başlıkları dosya sınırlarının dışında");
}

TEST(ValidatePeHeaders, OptionalHeaderMagicMustFitTheMachine) {
  const wchar_t* const kMismatch = L"PE32/PE32+ opsiyonel başlığı makine türüyle uyumsuz";
  PeImage image = MakePeImage(true, true);
  image.SetMachine(0x014C);  // PE32+ header on an i386 machine field
  EXPECT_EQ(Validate(image, true), kMismatch);
  image = MakePeImage(false, true);
  image.SetMachine(0x8664);  // PE32 header on an AMD64 machine field
  EXPECT_EQ(Validate(image, true), kMismatch);
  image = MakePeImage(false, true);
  image.SetMagic(0x0107);
  EXPECT_EQ(Validate(image, true), kMismatch);
  image = MakePeImage(false, true);
  image.SetOptionalSize(223);
  EXPECT_EQ(Validate(image, true), kMismatch);
  image = MakePeImage(true, true);
  image.SetOptionalSize(239);
  EXPECT_EQ(Validate(image, true), kMismatch);
}

TEST(ValidatePeHeaders, OptionalHeaderFields) {
  const wchar_t* const kInvalid = L"PE opsiyonel başlık alanları yapısal olarak geçersiz";
  for (bool pe32plus : {false, true}) {
    PeImage image = MakePeImage(pe32plus, true);
    image.SetSizeOfHeaders(image.sections + 2 * 40 - 1);  // ends inside the section table
    EXPECT_EQ(Validate(image, true), kInvalid);
    image = MakePeImage(pe32plus, true);
    image.SetSizeOfHeaders(0x401);
    EXPECT_EQ(Validate(image, true), kInvalid);
    image = MakePeImage(pe32plus, true);
    image.SetSizeOfImage(0);
    EXPECT_EQ(Validate(image, true), kInvalid);
    image = MakePeImage(pe32plus, true);
    image.SetSectionAlignment(0);
    EXPECT_EQ(Validate(image, true), kInvalid);
    image = MakePeImage(pe32plus, true);
    image.SetFileAlignment(0);
    EXPECT_EQ(Validate(image, true), kInvalid);
    image = MakePeImage(pe32plus, true);
    image.SetRvaCount(pe32plus, 17);
    EXPECT_EQ(Validate(image, true), kInvalid);
    // Exactly at the limits is fine.
    image = MakePeImage(pe32plus, true);
    image.SetSizeOfHeaders(image.sections + 2 * 40);
    image.SetSectionRaw(0, image.sections + 2 * 40, 0x10);
    EXPECT_EQ(Validate(image, true), L"ok");
  }
}

TEST(ValidatePeHeaders, SectionDataMustLieInTheFileAfterTheHeaders) {
  const wchar_t* const kOutside = L"PE bölüm verisi dosya sınırlarının dışında";
  PeImage image = MakePeImage(false, true);
  image.SetSectionRaw(0, 0x100, 0x100);  // starts inside the headers
  EXPECT_EQ(Validate(image, true), kOutside);
  image = MakePeImage(false, true);
  image.SetSectionRaw(0, 0x200, 0x201);  // ends one byte past the end
  EXPECT_EQ(Validate(image, true), kOutside);
  image = MakePeImage(false, true);
  image.SetSectionRaw(1, 0xFFFFFF00u, 0x200);  // would wrap in 32 bits
  EXPECT_EQ(Validate(image, true), kOutside);
  // A section without raw data is not examined, wherever it points.
  image = MakePeImage(false, true);
  image.SetSectionRaw(1, 0xFFFFFFFFu, 0);
  EXPECT_EQ(Validate(image, true), L"ok");
}

}  // namespace
}  // namespace tavlun
