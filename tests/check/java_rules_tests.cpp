// The pure rules of Java discovery: home normalisation, the candidate set and the acceptance of registry strings
// from raw bytes. Also built natively under the sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "check/java_discovery.h"
#include "core/text.h"

namespace tavlun {
namespace {

TEST(NormalizeJavaHome, QuotesSlashesAndTrailingSeparators) {
  EXPECT_EQ(NormalizeJavaHome(L"\"C:/Java/jdk1.8.0_301/\""), L"C:\\Java\\jdk1.8.0_301");
  EXPECT_EQ(NormalizeJavaHome(L"  C:\\Java\\jdk-17\\\\\\ \t"), L"C:\\Java\\jdk-17");
  EXPECT_EQ(NormalizeJavaHome(L"C:\\"), L"C:\\");
  EXPECT_EQ(NormalizeJavaHome(L"C:\\\\\\"), L"C:\\");
  EXPECT_EQ(NormalizeJavaHome(L"\""), L"\"");
  EXPECT_EQ(NormalizeJavaHome(L"\"\""), L"");
  EXPECT_EQ(NormalizeJavaHome(L"\" C:\\x \""), L" C:\\x ") << "quotes are removed after trimming, once";
  EXPECT_EQ(NormalizeJavaHome(L""), L"");
}

TEST(AddJavaCandidate, MergesByHomeIgnoringCase) {
  JavaCandidateSet set;
  const JavaCandidateList& list = set.list;
  AddJavaCandidate(&set, L"C:\\Java\\jdk", L"A", L"Latest");
  AddJavaCandidate(&set, L"\"c:/JAVA/JDK/\"", L"B", L"1.8.0_301");
  AddJavaCandidate(&set, L"C:\\JAVA\\jdk", L"A", L"17");
  AddJavaCandidate(&set, L"C:\\Java\\jdk", L"", L"");
  AddJavaCandidate(&set, L"  ", L"C", L"17");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].home, L"C:\\Java\\jdk") << "the first declared form stays";
  EXPECT_EQ(list[0].sources, L"A; B");
  EXPECT_EQ(list[0].registryVersion, L"1.8.0_301") << "filled by the first declaration with a version";
  EXPECT_EQ(list[0].majorVersion, 0);
  EXPECT_FALSE(list[0].homeValid);
  EXPECT_FALSE(list[0].javaExe.found);

  // A label already contained in the sources, even as part of a longer one, is not repeated.
  AddJavaCandidate(&set, L"C:\\Java\\jdk", L"B", L"");
  EXPECT_EQ(list[0].sources, L"A; B");
}

TEST(AddJavaCandidate, SourcesStayWithin4096Characters) {
  JavaCandidateSet set;
  const JavaCandidateList& list = set.list;
  AddJavaCandidate(&set, L"C:\\j", std::wstring(4090, L'a'), L"");
  AddJavaCandidate(&set, L"C:\\j", L"bbbb", L"");
  EXPECT_EQ(list[0].sources.size(), 4096u) << "4090 + 2 + 4 fits exactly";
  AddJavaCandidate(&set, L"C:\\j", L"c", L"");
  EXPECT_EQ(list[0].sources.size(), 4096u) << "the next label is dropped";
  EXPECT_EQ(list[0].sources.find(L"; c"), std::wstring::npos);
}

TEST(AddJavaCandidate, AtMost128Candidates) {
  JavaCandidateSet set;
  const JavaCandidateList& list = set.list;
  for (int i = 0; i < 130; ++i) {
    AddJavaCandidate(&set, L"C:\\j" + DecimalText(static_cast<std::uint32_t>(i)), L"L", L"");
  }
  ASSERT_EQ(list.size(), 128u);
  EXPECT_EQ(list.back().home, L"C:\\j127");
  AddJavaCandidate(&set, L"C:\\J5", L"M", L"");
  EXPECT_EQ(list[5].sources, L"L; M") << "a known home still merges when the list is full";
  EXPECT_TRUE(set.full) << "the dropped homes are reported";
  EXPECT_EQ(AddJavaCandidate(&set, L"C:\\j128", L"N", L""), kNoJavaCandidate);
  EXPECT_EQ(list.size(), 128u);
  EXPECT_EQ(set.positions.size(), 128u);
}

std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text, bool terminator = true) {
  std::vector<std::uint8_t> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(c) & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) >> 8) & 0xFF));
  }
  if (terminator) {
    bytes.push_back(0);
    bytes.push_back(0);
  }
  return bytes;
}

bool ExpandKnown(const std::wstring& text, std::wstring* expanded) {
  *expanded = text;
  const std::wstring name = L"%KNOWN%";
  const std::size_t at = expanded->find(name);
  if (at != std::wstring::npos) expanded->replace(at, name.size(), L"C:\\Known");
  return true;
}
bool ExpandFails(const std::wstring&, std::wstring*) { return false; }

std::wstring Interpret(std::uint32_t type, const std::vector<std::uint8_t>& bytes,
                       EnvironmentExpander expand = &ExpandKnown) {
  // The verdict and the text together: a refusal leaves the text alone, an acceptance fills it.
  std::wstring text = L"<untouched>";
  const bool accepted = InterpretRegistryString(type, bytes.data(), bytes.size(), expand, &text);
  return accepted ? text : text == L"<untouched>" ? L"<absent>" : L"<written on refusal>";
}

TEST(InterpretRegistryString, AcceptanceRulesOnRawBytes) {
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(L"C:\\Java")), L"C:\\Java");
  const std::wstring pair = std::wstring(L"C:\\") + wchar_t(0xD83D) + wchar_t(0xDE00);  // U+1F600 in UTF-16
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(pair)), pair) << "a surrogate pair";
  EXPECT_EQ(Interpret(kRegistryTypeExpandSz, Utf16Bytes(L"%KNOWN%\\jdk")), L"C:\\Known\\jdk");

  EXPECT_EQ(Interpret(3, Utf16Bytes(L"C:\\Java")), L"<absent>") << "REG_BINARY";
  EXPECT_EQ(Interpret(7, Utf16Bytes(L"C:\\Java")), L"<absent>") << "REG_MULTI_SZ";
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(L"")), L"<absent>") << "empty text";
  EXPECT_EQ(Interpret(kRegistryTypeSz, {}), L"<absent>");
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(L"C:\\Java", false)), L"<absent>") << "no terminator";
  std::vector<std::uint8_t> odd = Utf16Bytes(L"C:\\Java");
  odd.push_back(0);
  EXPECT_EQ(Interpret(kRegistryTypeSz, odd), L"<absent>") << "odd size";
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(std::wstring(L"C:\\a\0b", 6))), L"<absent>") << "embedded NUL";
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(L"C:\\a" + std::wstring(1, wchar_t(0xD800)) + L"b")), L"<absent>");
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(L"C:\\a" + std::wstring(1, wchar_t(0xDC00)))), L"<absent>");
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(std::wstring(1, wchar_t(0xD800)))), L"<absent>")
      << "high surrogate at the end";
  EXPECT_EQ(Interpret(kRegistryTypeExpandSz, Utf16Bytes(L"%UNDEFINED%\\jdk")), L"<absent>") << "unexpanded";
  EXPECT_EQ(Interpret(kRegistryTypeExpandSz, Utf16Bytes(L"C:\\jdk"), &ExpandFails), L"<absent>");
  EXPECT_EQ(Interpret(kRegistryTypeExpandSz, Utf16Bytes(L"C:\\jdk"), nullptr), L"<absent>");
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(L"100%")), L"100%") << "only expandable strings are expanded";

  const std::wstring at_limit(32766, L'a');  // 32767 units with the NUL: 65534 bytes
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(at_limit)).size(), 32766u);
  EXPECT_EQ(Interpret(kRegistryTypeSz, Utf16Bytes(at_limit + L"a")), L"<absent>") << "65536 bytes";
}

}  // namespace
}  // namespace tavlun
