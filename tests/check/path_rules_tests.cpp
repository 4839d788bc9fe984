// The text rules of local paths and their components: pure, also built natively under the sanitizers.
#include <gtest/gtest.h>

#include <string>

#include "check/path_safety.h"
#include "tests/support/utf8.h"

namespace tavlun {
namespace {

std::wstring SyntaxMessage(const std::wstring& path) {
  std::wstring message = L"unchanged";
  if (CheckLocalPathText(path, &message)) return L"";
  return message;
}

TEST(LocalPathText, AcceptsPlainDrivePaths) {
  for (const wchar_t* path : {L"C:\\Program Files\\Java\\jdk-17", L"c:\\x", L"D:\\a b\\c.d\\e_f-g",
                              L"C:\\COM10", L"C:\\com0", L"C:\\console", L"C:\\lpt", L"C:\\nullable\\auxiliary",
                              L"C:\\Kullanıcılar\\Çağrı Işık"}) {
    std::wstring message = L"unchanged";
    EXPECT_TRUE(CheckLocalPathText(path, &message)) << testing_support::Utf8(path);
    EXPECT_EQ(message, L"unchanged") << "success leaves the slot alone";
  }
}

TEST(LocalPathText, RefusesWhatIsNotAnAbsoluteDrivePath) {
  for (const wchar_t* path : {L"", L"C", L"C:", L"Java\\bin", L"1:\\x", L":\\x", L"C:x\\y", L"\\\\server\\share",
                              L"\\\\?\\C:\\x", L"\\Windows"}) {
    EXPECT_EQ(SyntaxMessage(path), kPathNotLocalAbsolute) << testing_support::Utf8(path);
  }
  std::wstring longest = L"C:\\" + std::wstring(32764, L'a');
  ASSERT_EQ(longest.size(), 32767u);
  EXPECT_EQ(SyntaxMessage(longest), L"") << "32767 characters pass the text rules";
  EXPECT_EQ(SyntaxMessage(longest + L"a"), kPathNotLocalAbsolute) << "32768 characters are refused";
}

TEST(LocalPathText, RefusesStreamsDoubledSeparatorsAndForwardSlashes) {
  for (const wchar_t* path : {L"C:\\data\\file.txt:stream", L"C:\\a\\\\b", L"C:/Java", L"C:\\Java/bin", L"C:\\a:",
                              L"C:\\\\server"}) {
    EXPECT_EQ(SyntaxMessage(path), kPathAmbiguousForm) << testing_support::Utf8(path);
  }
}

TEST(LocalPathText, RefusesEmptyRelativeAndAmbiguousComponents) {
  for (const wchar_t* path : {L"C:\\", L"C:\\Java\\", L"C:\\Java\\..\\Windows", L"C:\\Java\\.", L"C:\\.\\Java",
                              L"C:\\Java\\bin.", L"C:\\Java\\bin \\x", L"C:\\Ja?va", L"C:\\a<b", L"C:\\a>b",
                              L"C:\\a\"b", L"C:\\a|b", L"C:\\a*"}) {
    EXPECT_EQ(SyntaxMessage(path), kPathBadComponent) << testing_support::Utf8(path);
  }
}

TEST(LocalPathText, RefusesDeviceNamesInAnyComponent) {
  for (const wchar_t* path : {L"C:\\tools\\NUL.txt\\x", L"C:\\COM9\\x", L"C:\\lpt1", L"C:\\con", L"C:\\Prn.log",
                              L"C:\\x\\aux.tar.gz", L"C:\\CLOCK$", L"C:\\conin$\\y", L"C:\\CONOUT$", L"C:\\com1.log",
                              L"C:\\LPT9", L"C:\\com\u00B9", L"C:\\COM\u00B2", L"C:\\lpt\u00B3"}) {
    EXPECT_EQ(SyntaxMessage(path), kPathDeviceName) << testing_support::Utf8(path);
  }
  EXPECT_TRUE(IsWindowsDeviceName(L"NUL.txt"));
  EXPECT_FALSE(IsWindowsDeviceName(L"COM10"));
  EXPECT_FALSE(IsWindowsDeviceName(L"com0"));
  EXPECT_FALSE(IsWindowsDeviceName(L"console"));
  EXPECT_FALSE(IsWindowsDeviceName(L"nul_"));
  // Windows drops blanks at the end of the base name before it compares it with the device names.
  for (const wchar_t* path : {L"C:\\nul .txt\\x", L"C:\\x\\COM1  .log", L"C:\\Con .a.b"}) {
    EXPECT_EQ(SyntaxMessage(path), kPathDeviceName) << testing_support::Utf8(path);
  }
  EXPECT_FALSE(IsWindowsDeviceName(L" nul.txt"));
}

TEST(LocalPathText, EarlierRuleDecidesTheMessage) {
  // An empty component later in the path wins over a device name earlier in it.
  EXPECT_EQ(SyntaxMessage(L"C:\\nul\\x\\"), kPathBadComponent);
  EXPECT_EQ(SyntaxMessage(L"C:\\nul\\a/b"), kPathAmbiguousForm);
}

TEST(PathComponent, FileNamesFollowTheSameRules) {
  std::wstring message;
  EXPECT_TRUE(CheckPathComponent(L"javaws.exe", &message));
  EXPECT_FALSE(CheckPathComponent(L"java.exe:payload", &message));
  EXPECT_EQ(message, kPathAmbiguousForm);
  EXPECT_FALSE(CheckPathComponent(L"java.exe.", &message));
  EXPECT_EQ(message, kPathBadComponent);
  EXPECT_FALSE(CheckPathComponent(L"nul.exe", &message));
  EXPECT_EQ(message, kPathDeviceName);
  EXPECT_FALSE(CheckPathComponent(L"nul .exe", &message));
  EXPECT_EQ(message, kPathDeviceName);
}

}  // namespace
}  // namespace tavlun
