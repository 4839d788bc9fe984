#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "check/executable_probe.h"
#include "check/path_safety.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::ScratchDir;
using testing_support::Utf8;
using testing_support::WriteBytes;

std::wstring FakePath(const std::wstring& name) {
  return JoinPath(JoinPath(testing_support::TestBinDir(), L"fakes"), name);
}
std::wstring TestDllPath(const std::wstring& name) {
  return JoinPath(JoinPath(testing_support::TestBinDir(), L"dlls"), name);
}

bool CopyInto(const std::wstring& source, const std::wstring& destination) {
  return ::CopyFileW(source.c_str(), destination.c_str(), TRUE) != FALSE;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

// --- pure text rules -------------------------------------------------------------------------------------------

TEST(FindReleaseValue, KeyLinesOfAReleaseFile) {
  const std::wstring text = L"IMPLEMENTOR=\"Eclipse\"\r\njava_version=1\r\nJAVA_VERSION = \"17.0.2\"\r\n"
                            L"JAVA_VERSION=\"99\"\r\nOS_ARCH=\"amd64\"\nEMPTY=\nQUOTE=\"\nNOEQUALS\nA=b=c";
  EXPECT_EQ(FindReleaseValue(text, L"JAVA_VERSION"), L"17.0.2");
  EXPECT_EQ(FindReleaseValue(text, L"OS_ARCH"), L"amd64");
  EXPECT_EQ(FindReleaseValue(text, L"java_version"), L"1");
  EXPECT_EQ(FindReleaseValue(text, L"MISSING"), L"");
  EXPECT_EQ(FindReleaseValue(text, L"EMPTY"), L"");
  EXPECT_EQ(FindReleaseValue(text, L"QUOTE"), L"\"") << "a lone quote is not a pair";
  EXPECT_EQ(FindReleaseValue(text, L"NOEQUALS"), L"");
  EXPECT_EQ(FindReleaseValue(text, L"A"), L"b=c");
  EXPECT_EQ(FindReleaseValue(L"K=\"<x>\u202E\"", L"K"), L"_x__") << "display-safe";
  EXPECT_EQ(FindReleaseValue(L"", L"K"), L"");
}

TEST(SanitizeVersionToken, CharacterSetLengthAndLeadingDigit) {
  EXPECT_EQ(SanitizeVersionToken(L"11.0.2+8", true), L"11.0.2+8");
  EXPECT_EQ(SanitizeVersionToken(L"1.8.0_301", true), L"1.8.0_301");
  EXPECT_EQ(SanitizeVersionToken(L" 21-ea ", true), L"21-ea");
  EXPECT_EQ(SanitizeVersionToken(L"Latest", true), L"");
  EXPECT_EQ(SanitizeVersionToken(L"amd64", false), L"amd64");
  EXPECT_EQ(SanitizeVersionToken(L"11 beta", true), L"");
  EXPECT_EQ(SanitizeVersionToken(L"11\u0130", true), L"") << "non-ASCII letter";
  EXPECT_EQ(SanitizeVersionToken(L"", false), L"");
  EXPECT_EQ(SanitizeVersionToken(std::wstring(96, L'9'), true).size(), 96u);
  EXPECT_EQ(SanitizeVersionToken(std::wstring(97, L'9'), true), L"");
  EXPECT_EQ(SanitizeVersionToken(L"1<2", false), L"1_2") << "made display-safe before the character rules";
}

TEST(ParseMajorVersion, JavaNamingRules) {
  EXPECT_EQ(ParseMajorVersion(L"1.8.0_301"), 8);
  EXPECT_EQ(ParseMajorVersion(L"17.0.2"), 17);
  EXPECT_EQ(ParseMajorVersion(L"1.7"), 7);
  EXPECT_EQ(ParseMajorVersion(L"1."), 1);
  EXPECT_EQ(ParseMajorVersion(L"21-ea"), 21);
  EXPECT_EQ(ParseMajorVersion(L"1000"), 1000);
  EXPECT_EQ(ParseMajorVersion(L"1001"), 0);
  EXPECT_EQ(ParseMajorVersion(L"99999999999999999999999"), 0);
  EXPECT_EQ(ParseMajorVersion(L""), 0);
  EXPECT_EQ(ParseMajorVersion(L"bilinmiyor"), 0);
  EXPECT_EQ(ParseMajorVersion(L"1.x"), 0);
  EXPECT_EQ(ParseMajorVersion(L"8.0.3010.9"), 8);
}

bool NoAnsi(const std::uint8_t*, std::size_t, std::wstring*) { return false; }
bool AnsiMarker(const std::uint8_t*, std::size_t length, std::wstring* text) {
  *text = L"ansi:" + DecimalText(static_cast<std::uint32_t>(length));
  return true;
}

std::wstring Decode(const std::vector<std::uint8_t>& bytes, std::wstring* message = nullptr) {
  std::wstring text;
  std::wstring local;
  if (!DecodeTextFileBytes(bytes.data(), bytes.size(), &AnsiMarker, &text, message ? message : &local)) {
    return L"<failed>";
  }
  return text;
}

TEST(DecodeTextFileBytes, ByteOrderMarksAndEncodings) {
  EXPECT_EQ(Decode({}), L"");
  EXPECT_EQ(Decode({0xFF, 0xFE}), L"");
  EXPECT_EQ(Decode({0xFF, 0xFE, 'A', 0, 0x1F, 0x01, 'z'}), L"A\u011F") << "trailing odd byte ignored";
  EXPECT_EQ(Decode({0xEF, 0xBB, 0xBF}), L"");
  EXPECT_EQ(Decode({0xEF, 0xBB, 0xBF, 0xC4, 0xB0, 'x'}), L"\u0130x");
  EXPECT_EQ(Decode({0xC4, 0xB0, 'x'}), L"\u0130x");
  EXPECT_EQ(Decode({0xF0, 0x9F, 0x98, 0x80}), L"\U0001F600");
  EXPECT_EQ(Decode({'a', 0x00, 'b'}), std::wstring(L"a\0b", 3));
  EXPECT_EQ(Decode({'J', 0xE7, 'x'}), L"ansi:3") << "invalid UTF-8 goes to the ANSI code page";
  EXPECT_EQ(Decode({0xEF, 0xBB, 0xBF, 0xE7}), L"ansi:1") << "the BOM is not passed on";
}

TEST(DecodeTextFileBytes, StrictUtf8RefusesEveryMalformedForm) {
  const std::vector<std::vector<std::uint8_t>> malformed = {
      {0x80},                    // continuation without lead
      {0xC0, 0x80},              // overlong NUL
      {0xC1, 0xBF},              // overlong
      {0xE0, 0x80, 0x80},        // overlong three-byte
      {0xED, 0xA0, 0x80},        // encoded high surrogate
      {0xED, 0xBF, 0xBF},        // encoded low surrogate
      {0xF0, 0x80, 0x80, 0x80},  // overlong four-byte
      {0xF4, 0x90, 0x80, 0x80},  // above U+10FFFF
      {0xF5, 0x80, 0x80, 0x80},  // invalid lead
      {0xFF},                    // invalid byte
      {0xC3, 'a'},               // bad continuation
  };
  for (const auto& bytes : malformed) {
    std::wstring text;
    EXPECT_FALSE(DecodeUtf8Strict(bytes.data(), bytes.size(), &text)) << bytes.size();
  }
  // Every truncated prefix of a multi-byte sequence is refused; the whole is accepted.
  const std::vector<std::uint8_t> whole = {0xF0, 0x9F, 0x98, 0x80};
  for (std::size_t n = 1; n < whole.size(); ++n) {
    std::wstring text;
    EXPECT_FALSE(DecodeUtf8Strict(whole.data(), n, &text)) << n;
  }
  std::wstring text;
  EXPECT_TRUE(DecodeUtf8Strict(whole.data(), whole.size(), &text));
  EXPECT_TRUE(DecodeUtf8Strict(Bytes("\xEF\xBF\xBF\xF4\x8F\xBF\xBF").data(), 7, &text));
  EXPECT_EQ(text, L"\uFFFF\U0010FFFF");
}

TEST(DecodeTextFileBytes, NothingDecodableFails) {
  std::wstring text = L"old";
  std::wstring message;
  const std::vector<std::uint8_t> bytes = {0xFF, 'x'};
  EXPECT_FALSE(DecodeTextFileBytes(bytes.data(), bytes.size(), &NoAnsi, &text, &message));
  EXPECT_EQ(message, kTextNotDecodable);
  EXPECT_FALSE(DecodeTextFileBytes(bytes.data(), bytes.size(), nullptr, &text, &message));
  EXPECT_EQ(message, kTextNotDecodable);
}

// --- bounded text reads ----------------------------------------------------------------------------------------

std::wstring AnsiOf(const std::vector<std::uint8_t>& bytes) {
  const int count = ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(count), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                        &text[0], count);
  return text;
}

TEST(ReadBoundedTextFile, EncodingsAsWritten) {
  ScratchDir scratch(L"tavlun-text");
  struct Case {
    const wchar_t* name;
    std::vector<std::uint8_t> bytes;
    std::wstring expected;
  };
  const std::vector<std::uint8_t> invalid_utf8 = Bytes("JAVA_VERSION=\"1.8\xE7\xFE\"\r\n");
  const Case cases[] = {
      {L"utf16", {0xFF, 0xFE, 'J', 0, '=', 0, '1', 0, 0x31, 0x01}, L"J=1\u0131"},
      {L"utf8bom", Bytes("\xEF\xBB\xBFJAVA_VERSION=\"\xC4\xB0\"\n"), L"JAVA_VERSION=\"\u0130\"\n"},
      {L"utf8", Bytes("OS_ARCH=\"amd64\"\n"), L"OS_ARCH=\"amd64\"\n"},
      {L"empty", {}, L""},
      {L"ansi", invalid_utf8, AnsiOf(invalid_utf8)},
  };
  for (const Case& c : cases) {
    const std::wstring path = scratch.Child(c.name);
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    std::wstring text = L"unchanged";
    std::wstring message;
    ASSERT_TRUE(ReadBoundedTextFile(path, &text, &message)) << Utf8(c.name) << ": " << Utf8(message);
    EXPECT_EQ(text, c.expected) << Utf8(c.name);
  }
  EXPECT_FALSE(AnsiOf(invalid_utf8).empty());
  EXPECT_NE(AnsiOf(invalid_utf8).find(L"1.8"), std::wstring::npos);
}

TEST(ReadBoundedTextFile, SizeLimitIs256KiB) {
  ScratchDir scratch(L"tavlun-text");
  const std::wstring at_limit = scratch.Child(L"release-262144");
  const std::wstring above = scratch.Child(L"release-262145");
  ASSERT_TRUE(WriteBytes(at_limit, std::vector<std::uint8_t>(262144, 'a')));
  ASSERT_TRUE(WriteBytes(above, std::vector<std::uint8_t>(262145, 'a')));
  std::wstring text;
  std::wstring message;
  ASSERT_TRUE(ReadBoundedTextFile(at_limit, &text, &message)) << Utf8(message);
  EXPECT_EQ(text.size(), 262144u);
  text = L"unchanged";
  EXPECT_FALSE(ReadBoundedTextFile(above, &text, &message));
  EXPECT_EQ(message, kTextFileTooLarge);
  EXPECT_EQ(text, L"unchanged");
}

TEST(ReadBoundedTextFile, RefusedPathsAndMissingFiles) {
  ScratchDir scratch(L"tavlun-text");
  std::wstring text;
  std::wstring message = L"unchanged";
  EXPECT_FALSE(ReadBoundedTextFile(L"release", &text, &message));
  EXPECT_EQ(message, L"") << "no directory: empty message";
  EXPECT_FALSE(ReadBoundedTextFile(scratch.Child(L"release"), &text, &message));
  EXPECT_EQ(message, WindowsErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(ReadBoundedTextFile(JoinPath(scratch.Child(L"x."), L"release"), &text, &message));
  EXPECT_EQ(message, kPathBadComponent);
  EXPECT_FALSE(ReadBoundedTextFile(scratch.Child(L"release:stream"), &text, &message));
  EXPECT_EQ(message, kPathAmbiguousForm);

  // A second hard link makes the file ambiguous.
  const std::wstring original = scratch.Child(L"original");
  const std::wstring linked = scratch.Child(L"linked");
  ASSERT_TRUE(WriteBytes(original, Bytes("JAVA_VERSION=\"17\"")));
  ASSERT_TRUE(::CreateHardLinkW(linked.c_str(), original.c_str(), nullptr));
  EXPECT_FALSE(ReadBoundedTextFile(linked, &text, &message));
  EXPECT_FALSE(message.empty());
}

// A file opened by someone who may delete or rename it is not read; one opened by a writer is.
TEST(ReadBoundedTextFile, SharesReadAndWriteButNeverDelete) {
  ScratchDir scratch(L"tavlun-text");
  const std::wstring release = scratch.Child(L"release");
  ASSERT_TRUE(WriteBytes(release, Bytes("JAVA_VERSION=\"17\"")));
  std::wstring text;
  std::wstring message;
  {
    UniqueHandle deleter(::CreateFileW(release.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(deleter);
    EXPECT_FALSE(ReadBoundedTextFile(release, &text, &message));
    EXPECT_EQ(message, WindowsErrorText(ERROR_SHARING_VIOLATION));
  }
  {
    UniqueHandle writer(::CreateFileW(release.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(ReadBoundedTextFile(release, &text, &message)) << Utf8(message);
    EXPECT_EQ(text, L"JAVA_VERSION=\"17\"");
  }
}

// --- executable probing ----------------------------------------------------------------------------------------

TEST(ProbeExecutable, ProgramsOfBothMachinesWithVersions) {
  ScratchDir scratch(L"tavlun-probe");
  const std::wstring x86 = scratch.Child(L"java.exe");
  const std::wstring x64 = scratch.Child(L"JAVA64.EXE");
  const std::wstring bare = scratch.Child(L"bare.exe");
  ASSERT_TRUE(CopyInto(FakePath(L"java8_x86.exe"), x86));
  ASSERT_TRUE(CopyInto(FakePath(L"java17_x64.exe"), x64));
  ASSERT_TRUE(CopyInto(FakePath(L"noversion_x86.exe"), bare));

  ExecutableProbe probe = ProbeExecutable(x86, false);
  EXPECT_TRUE(probe.found);
  EXPECT_TRUE(probe.structurallyValid) << Utf8(probe.detail);
  EXPECT_FALSE(probe.isDll);
  EXPECT_EQ(probe.machine, L"x86");
  EXPECT_EQ(probe.fileVersion, L"8.0.3010.9");
  EXPECT_EQ(probe.detail, L"");

  probe = ProbeExecutable(x64, false);
  EXPECT_TRUE(probe.structurallyValid) << Utf8(probe.detail);
  EXPECT_EQ(probe.machine, L"x64");
  EXPECT_EQ(probe.fileVersion, L"17.0.2.0");

  probe = ProbeExecutable(bare, false);
  EXPECT_TRUE(probe.structurallyValid) << Utf8(probe.detail);
  EXPECT_EQ(probe.fileVersion, L"bilinmiyor");
}

TEST(ProbeExecutable, DllVersusProgram) {
  ScratchDir scratch(L"tavlun-probe");
  const std::wstring dll = scratch.Child(L"java.exe");
  const std::wstring program = scratch.Child(L"PKCS11Wrapper.dll");
  ASSERT_TRUE(CopyInto(TestDllPath(L"fake_library_x86.dll"), dll));
  ASSERT_TRUE(CopyInto(FakePath(L"java8_x86.exe"), program));

  ExecutableProbe probe = ProbeExecutable(dll, false);
  EXPECT_TRUE(probe.found);
  EXPECT_FALSE(probe.structurallyValid);
  EXPECT_EQ(probe.detail, L"PE yürütülebilir imgesi değil veya DLL olarak işaretli");
  EXPECT_EQ(probe.machine, L"");
  EXPECT_EQ(probe.fileVersion, L"");

  probe = ProbeExecutable(program, true);
  EXPECT_TRUE(probe.found);
  EXPECT_FALSE(probe.structurallyValid);
  EXPECT_EQ(probe.detail, L"PE yürütülebilir DLL imgesi değil");

  probe = ProbeExecutable(dll, true);
  EXPECT_TRUE(probe.structurallyValid) << Utf8(probe.detail);
  EXPECT_TRUE(probe.isDll);
  EXPECT_EQ(probe.machine, L"x86");
  EXPECT_EQ(probe.fileVersion, L"1.2.3.4");
}

TEST(ProbeExecutable, AbsentRefusedAndUnopenable) {
  ScratchDir scratch(L"tavlun-probe");
  ExecutableProbe probe = ProbeExecutable(L"java.exe", false);
  EXPECT_FALSE(probe.found);
  EXPECT_EQ(probe.detail, L"") << "no backslash: absent";

  probe = ProbeExecutable(scratch.Child(L"java.exe"), false);
  EXPECT_FALSE(probe.found);
  EXPECT_EQ(probe.detail, L"") << "missing file in a valid folder: absent";

  probe = ProbeExecutable(JoinPath(scratch.Child(L"bin"), L"java.exe"), false);
  EXPECT_FALSE(probe.found);
  EXPECT_EQ(probe.detail, kPathComponentOpenFailed + WindowsErrorText(ERROR_FILE_NOT_FOUND));

  probe = ProbeExecutable(L"C:\\Java\\..\\bin\\java.exe", false);
  EXPECT_FALSE(probe.found);
  EXPECT_EQ(probe.detail, kPathBadComponent);

  const std::wstring held = scratch.Child(L"held.exe");
  ASSERT_TRUE(CopyInto(FakePath(L"java8_x86.exe"), held));
  {
    UniqueHandle exclusive(::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(exclusive);
    probe = ProbeExecutable(held, false);
    EXPECT_FALSE(probe.found);
    EXPECT_EQ(probe.detail, kExecutableOpenFailed + WindowsErrorText(ERROR_SHARING_VIOLATION));
  }

  // A directory where a file is expected is never valid, however Windows refuses it.
  const std::wstring folder = scratch.Child(L"folder.exe");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  probe = ProbeExecutable(folder, false);
  EXPECT_FALSE(probe.structurallyValid);
  EXPECT_FALSE(probe.detail.empty());

  const std::wstring original = scratch.Child(L"original.exe");
  const std::wstring linked = scratch.Child(L"linked.exe");
  ASSERT_TRUE(CopyInto(FakePath(L"java8_x86.exe"), original));
  ASSERT_TRUE(::CreateHardLinkW(linked.c_str(), original.c_str(), nullptr));
  probe = ProbeExecutable(linked, false);
  EXPECT_TRUE(probe.found);
  EXPECT_FALSE(probe.structurallyValid);
  EXPECT_FALSE(probe.detail.empty());

  for (const wchar_t* device : {L"nul.exe", L"nul .exe"}) {
    probe = ProbeExecutable(scratch.Child(device), false);
    EXPECT_FALSE(probe.found) << Utf8(device);
    EXPECT_EQ(probe.detail, kPathDeviceName) << "a device name is never opened: " << Utf8(device);
  }
}

TEST(ProbeExecutable, SharesReadAndWriteButNeverDelete) {
  ScratchDir scratch(L"tavlun-probe");
  const std::wstring java = scratch.Child(L"java.exe");
  ASSERT_TRUE(CopyInto(FakePath(L"java8_x86.exe"), java));
  {
    UniqueHandle deleter(::CreateFileW(java.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(deleter);
    const ExecutableProbe probe = ProbeExecutable(java, false);
    EXPECT_FALSE(probe.found);
    EXPECT_EQ(probe.detail, kExecutableOpenFailed + WindowsErrorText(ERROR_SHARING_VIOLATION));
  }
  {
    UniqueHandle writer(::CreateFileW(java.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    ASSERT_TRUE(writer);
    const ExecutableProbe probe = ProbeExecutable(java, false);
    EXPECT_TRUE(probe.structurallyValid) << Utf8(probe.detail);
  }
}

TEST(ProbeExecutable, SymbolicLinkNamedJavaExe) {
  ScratchDir scratch(L"tavlun-probe");
  const std::wstring target = scratch.Child(L"real.exe");
  const std::wstring link = scratch.Child(L"java.exe");
  ASSERT_TRUE(CopyInto(FakePath(L"java8_x86.exe"), target));
  ::CreateSymbolicLinkW(link.c_str(), target.c_str(), 0);
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "no file symbolic link could be created (Wine creates no reparse points)";
  }
  const ExecutableProbe probe = ProbeExecutable(link, false);
  EXPECT_TRUE(probe.found);
  EXPECT_FALSE(probe.structurallyValid);
  EXPECT_EQ(probe.detail, L"Açılan nesne normal bir dosya değil; güvenlik için işlem durduruldu.");
}

TEST(ProbeExecutable, LongPathInsideAPinnedChain) {
  ScratchDir scratch(L"tavlun-probe");
  std::wstring folder = scratch.path();
  while (folder.size() < 300) {
    folder += L"\\long-folder-name";
    ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
  }
  const std::wstring java = JoinPath(folder, L"java.exe");
  ASSERT_TRUE(::CopyFileW(FakePath(L"java8_x86.exe").c_str(), (L"\\\\?\\" + java).c_str(), TRUE));
  const ExecutableProbe probe = ProbeExecutable(java, false);
  EXPECT_TRUE(probe.structurallyValid) << Utf8(probe.detail);
  EXPECT_EQ(probe.machine, L"x86");
  ::DeleteFileW((L"\\\\?\\" + java).c_str());
  while (folder.size() > scratch.path().size()) {
    ::RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
    folder.resize(folder.rfind(L'\\'));
  }
}

}  // namespace
}  // namespace tavlun
