#include <gtest/gtest.h>

#include <cstdint>

#include "core/install_outcome.h"
#include "core/text.h"
#include "core/windows_error.h"

namespace tavlun {
namespace {

TEST(JoinPath, AddsExactlyOneBackslash) {
  EXPECT_EQ(JoinPath(L"C:\\Windows\\", L"Sysnative"), L"C:\\Windows\\Sysnative");
  EXPECT_EQ(JoinPath(L"C:\\Windows", L"Sysnative"), L"C:\\Windows\\Sysnative");
  EXPECT_EQ(JoinPath(L"", L"akisp11.dll"), L"akisp11.dll");
  // No other normalisation: forward slashes and a leading backslash on the right stay.
  EXPECT_EQ(JoinPath(L"C:/x", L"\\y"), L"C:/x\\\\y");
}

TEST(HexUpper, TwoZeroFilledUpperCaseDigitsPerByte) {
  const unsigned char bytes[] = {0x0A, 0xFF, 0x00, 0x7B};
  EXPECT_EQ(HexUpper(bytes, sizeof(bytes)), L"0AFF007B");
  EXPECT_EQ(HexUpper(bytes, 0), L"");
  unsigned char digest[32] = {};
  EXPECT_EQ(HexUpper(digest, sizeof(digest)).size(), 64u);
}

TEST(DecimalText, SignedAndUnsigned) {
  EXPECT_EQ(DecimalText(std::uint32_t{0}), L"0");
  EXPECT_EQ(DecimalText(std::uint32_t{4294967295u}), L"4294967295");
  EXPECT_EQ(DecimalText(std::int32_t{-1}), L"-1");
  EXPECT_EQ(DecimalText(std::int32_t{INT32_MIN}), L"-2147483648");
  EXPECT_EQ(DecimalText(std::int32_t{2147483647}), L"2147483647");
  EXPECT_EQ(HexDigitsNoPad(0x1C4), L"1C4");
  EXPECT_EQ(HexDigitsNoPad(0), L"0");
}

TEST(EqualsIgnoreAsciiCase, DigestTexts) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase(L"e3b0c442", L"E3B0C442"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(L"E3B0C442", L"E3B0C443"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(L"E3B0", L"E3B0C4"));
}

TEST(WindowsErrorText, ZeroIsEmptySoPrefixStandsAlone) {
  EXPECT_EQ(L"Dosya okunamadı: " + WindowsErrorText(0), L"Dosya okunamadı: ");
}

TEST(WindowsErrorText, UnknownCodeFallsBackToDecimal) {
  EXPECT_EQ(WindowsErrorText(536870913u), L"Windows hata kodu 536870913");
}

TEST(WindowsErrorText, SystemTextHasNoTrailingLineBreak) {
  const std::wstring text = WindowsErrorText(2);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.rfind(L"Windows hata kodu ", 0), 0u) << "code 2 has a system text";
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  EXPECT_NE(text.back(), L' ');
}

TEST(InstallOutcome, FreshRecordIsFailedAndEmpty) {
  InstallOutcome outcome;
  EXPECT_EQ(outcome.outcome, kOutcomeFailed);
  EXPECT_TRUE(outcome.message.empty());
  EXPECT_EQ(outcome.win32_error, 0u);
  EXPECT_FALSE(outcome.log_written);
}

}  // namespace
}  // namespace tavlun
