#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cwctype>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "integrity/payload.h"
#include "payload_constants.h"
#include "resources/resource_ids.h"
#include "tests/integrity/pe_image.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::EmbeddedPayload;
using testing_support::Utf8;

std::wstring Verify(const PayloadDescriptor& descriptor, const std::vector<std::uint8_t>& bytes,
                    LoadedPayload* payload = nullptr) {
  LoadedPayload local;
  std::wstring message;
  const bool ok = VerifyPayloadBlock(descriptor, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                                     payload != nullptr ? payload : &local, &message);
  return ok ? L"ok" : message;
}

const std::vector<const PayloadDescriptor*>& Builds() {
  static const std::vector<const PayloadDescriptor*> builds = {&PayloadBuild32(), &PayloadBuild64()};
  return builds;
}

TEST(PayloadDescriptors, FixedValuesAndBuildTimeMeasurements) {
  const PayloadDescriptor& b32 = PayloadBuild32();
  const PayloadDescriptor& b64 = PayloadBuild64();
  EXPECT_EQ(b32.kind, PayloadKind::Build32);
  EXPECT_EQ(b32.resource_id, 101);
  EXPECT_EQ(b32.machine, 0x014C);
  EXPECT_EQ(b32.magic, 0x010B);
  EXPECT_STREQ(b32.label, L"32-bit");
  EXPECT_EQ(b64.kind, PayloadKind::Build64);
  EXPECT_EQ(b64.resource_id, 105);
  EXPECT_EQ(b64.machine, 0x8664);
  EXPECT_EQ(b64.magic, 0x020B);
  EXPECT_STREQ(b64.label, L"64-bit");
  EXPECT_EQ(&PayloadFor(PayloadKind::Build32), &b32);
  EXPECT_EQ(&PayloadFor(PayloadKind::Build64), &b64);
  EXPECT_EQ(b32.size, payload_constants::kBuild32Size);
  EXPECT_EQ(b64.size, payload_constants::kBuild64Size);
  EXPECT_EQ(std::wstring(b32.expected_sha256).size(), 64u);
  EXPECT_EQ(kPayloadVersion, 0x0003000400020000ull);
  if (payload_constants::kVendorBuild) {
    EXPECT_EQ(b32.size, 4250752u);
    EXPECT_STREQ(b32.expected_sha256, L"D77EA21B532F7112A1031C71F17123CD1702F8E4161EACBBD55EF9F4998706ED");
    EXPECT_EQ(b64.size, 5106816u);
    EXPECT_STREQ(b64.expected_sha256, L"2CE5501D2BB76845F1C89C7A8BB3229C7CF6ECAB8172E7BBF98C259E925D1429");
  }
}

TEST(LoadPayload, BothEmbeddedBuildsVerifyInPlace) {
  for (const PayloadDescriptor* build : Builds()) {
    LoadedPayload payload;
    std::wstring message;
    ASSERT_TRUE(LoadPayload(*build, &payload, &message)) << Utf8(message);
    EXPECT_EQ(payload.size, build->size);
    EXPECT_EQ(payload.sha256, build->expected_sha256);
    EXPECT_EQ(payload.version, kPayloadVersion);
    EXPECT_EQ(payload.machine, build->machine);
    // A view of the program's own image, not a copy.
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(self, MAKEINTRESOURCEW(build->resource_id), RT_RCDATA);
    EXPECT_EQ(payload.data, ::LockResource(::LoadResource(self, resource)));
  }
}

TEST(LoadPayload, MissingResourceIsNamedWithItsLabel) {
  PayloadDescriptor absent = PayloadBuild64();
  absent.resource_id = 4321;
  LoadedPayload payload;
  std::wstring message;
  EXPECT_FALSE(LoadPayload(absent, &payload, &message));
  EXPECT_EQ(message, L"Gömülü 64-bit akisp11.dll kaynağı bulunamadı.");
  EXPECT_EQ(payload.data, nullptr);
}

TEST(VerifyPayloadBlock, OneByteMoreOrLessFailsOnSize) {
  for (const PayloadDescriptor* build : Builds()) {
    std::vector<std::uint8_t> bytes = EmbeddedPayload(build->resource_id);
    const std::wstring expected =
        L"Gömülü " + std::wstring(build->label) + L" DLL boyutu beklenen değerle eşleşmiyor; kurulum durduruldu.";
    bytes.push_back(0);
    EXPECT_EQ(Verify(*build, bytes), expected);
    bytes.resize(bytes.size() - 2);
    EXPECT_EQ(Verify(*build, bytes), expected);
    LoadedPayload payload;
    std::wstring message;
    EXPECT_FALSE(VerifyPayloadBlock(*build, nullptr, build->size, &payload, &message));
    EXPECT_EQ(message, expected);
  }
}

TEST(VerifyPayloadBlock, OtherArchitectureOfTheRightSizeFailsOnStructure) {
  const std::vector<std::uint8_t> b32 = EmbeddedPayload(IDR_AKISP11_32);
  const std::vector<std::uint8_t> b64 = EmbeddedPayload(IDR_AKISP11_64);
  // The headers decide; pad or cut the other build to the exact size.
  std::vector<std::uint8_t> offered_for_32 = b64;
  offered_for_32.resize(PayloadBuild32().size, 0);
  std::vector<std::uint8_t> offered_for_64 = b32;
  offered_for_64.resize(PayloadBuild64().size, 0);
  EXPECT_EQ(Verify(PayloadBuild32(), offered_for_32),
            L"Gömülü DLL geçerli bir 32-bit PE DLL dosyası değil; kurulum durduruldu.");
  EXPECT_EQ(Verify(PayloadBuild64(), offered_for_64),
            L"Gömülü DLL geçerli bir 64-bit PE DLL dosyası değil; kurulum durduruldu.");
}

TEST(VerifyPayloadBlock, EachStructureConditionIsChecked) {
  const PayloadDescriptor& build = PayloadBuild32();
  const std::wstring refused = L"Gömülü DLL geçerli bir 32-bit PE DLL dosyası değil; kurulum durduruldu.";
  const std::vector<std::uint8_t> good = EmbeddedPayload(IDR_AKISP11_32);
  const std::uint32_t nt = static_cast<std::uint32_t>(good[60] | (good[61] << 8) | (good[62] << 16) | (good[63] << 24));
  auto altered = [&](std::initializer_list<std::pair<std::uint32_t, std::uint8_t>> edits) {
    std::vector<std::uint8_t> bytes = good;
    for (const auto& edit : edits) bytes[edit.first] = edit.second;
    return Verify(build, bytes);
  };
  EXPECT_EQ(altered({{0, 'X'}}), refused);                     // "MZ"
  EXPECT_EQ(altered({{63, 0x80}}), refused);                   // negative header offset
  EXPECT_EQ(altered({{62, 0x01}}), refused);                   // header offset past the block
  EXPECT_EQ(altered({{nt + 1, 'X'}}), refused);                // "PE\0\0"
  EXPECT_EQ(altered({{nt + 5, 0x02}}), refused);               // machine
  EXPECT_EQ(altered({{nt + 23, 0x01}}), refused);              // characteristics without IMAGE_FILE_DLL
  EXPECT_EQ(altered({{nt + 20, 1}, {nt + 21, 0}}), refused);   // optional-header size 1
  EXPECT_EQ(altered({{nt + 25, 0x02}}), refused);              // magic 0x020B on the 32-bit build
}

TEST(VerifyPayloadBlock, OneChangedByteFailsOnTheDigest) {
  for (const PayloadDescriptor* build : Builds()) {
    std::vector<std::uint8_t> bytes = EmbeddedPayload(build->resource_id);
    bytes[bytes.size() - 1] ^= 0x01;
    LoadedPayload payload;
    EXPECT_EQ(Verify(*build, bytes, &payload),
              L"Gömülü " + std::wstring(build->label) +
                  L" DLL'nin SHA-256 değeri beklenen değerle eşleşmiyor; kurulum durduruldu.");
    EXPECT_EQ(payload.data, nullptr) << "nothing is filled on failure";
    EXPECT_TRUE(payload.sha256.empty());
  }
}

TEST(VerifyPayloadBlock, DigestComparisonIgnoresLetterCase) {
  for (const PayloadDescriptor* build : Builds()) {
    std::wstring lower = build->expected_sha256;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(::towlower(c));
    PayloadDescriptor lower_case = *build;
    lower_case.expected_sha256 = lower.c_str();
    const std::vector<std::uint8_t> bytes = EmbeddedPayload(build->resource_id);
    LoadedPayload payload;
    EXPECT_EQ(Verify(lower_case, bytes, &payload), L"ok");
    EXPECT_EQ(payload.sha256, build->expected_sha256) << "the computed digest stays upper-case";
  }
}

TEST(IsPlausiblePayloadDll, BuiltImagesOfEachKind) {
  const testing_support::PeImage dll32 = testing_support::MakePeImage(false, true);
  const testing_support::PeImage dll64 = testing_support::MakePeImage(true, true);
  const testing_support::PeImage program = testing_support::MakePeImage(false, false);
  auto plausible = [](const testing_support::PeImage& image, std::uint16_t machine, std::uint16_t magic) {
    return IsPlausiblePayloadDll(image.bytes.data(), static_cast<std::uint32_t>(image.bytes.size()), machine, magic);
  };
  EXPECT_TRUE(plausible(dll32, 0x014C, 0x010B));
  EXPECT_TRUE(plausible(dll64, 0x8664, 0x020B));
  EXPECT_FALSE(plausible(dll64, 0x014C, 0x010B));
  EXPECT_FALSE(plausible(dll32, 0x014C, 0x020B));
  EXPECT_FALSE(plausible(program, 0x014C, 0x010B));
  // The two magic bytes after the file header must be inside the block.
  EXPECT_TRUE(IsPlausiblePayloadDll(dll32.bytes.data(), dll32.nt + 26, 0x014C, 0x010B));
  EXPECT_FALSE(IsPlausiblePayloadDll(dll32.bytes.data(), dll32.nt + 25, 0x014C, 0x010B));
  EXPECT_FALSE(IsPlausiblePayloadDll(nullptr, 1024, 0x014C, 0x010B));
}

}  // namespace
}  // namespace tavlun
