// SanitizeForDisplay, TrimWhitespace, the case folding and ReplaceAllIgnoreCase on hostile UTF-16 texts.
//
// Input: UTF-16LE units; U+FFFF separates the text, the needle and the replacement.
//
// Properties: a sanitised text holds no control, markup or bidirectional character and neither begins nor ends with
// white space; it equals the text with each unit replaced by its own rule and then trimmed, and sanitising it again
// changes nothing. Folding keeps positions, is idempotent and never turns a unit into or out of the path and
// markup characters the redaction relies on. ReplaceAllIgnoreCase equals a plain left-to-right replacement of
// non-overlapping matches.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/display_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

wchar_t ExpectedSafeUnit(wchar_t c) {
  const std::uint32_t u = Unit(c);
  if (IsControlUnit(u)) return L' ';
  if (IsMarkupUnit(u) || IsInvisibleOrBidiUnit(u)) return L'_';
  return c;
}

std::wstring ExpectedTrim(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsWhiteSpaceUnit(Unit(text[begin]))) ++begin;
  while (end > begin && IsWhiteSpaceUnit(Unit(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::wstring ExpectedSanitized(const std::wstring& text) {
  std::wstring mapped;
  for (wchar_t c : text) mapped.push_back(ExpectedSafeUnit(c));
  return ExpectedTrim(mapped);
}

// Units whose meaning the path and text rules depend on; folding must leave them, and nothing may fold onto them.
bool IsStructuralUnit(std::uint32_t u) {
  return (u < 0x80 && !((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'))) || IsControlUnit(u) ||
         IsInvisibleOrBidiUnit(u) || IsWhiteSpaceUnit(u) || u == 0xFFFF;
}

void CheckFold(wchar_t c) {
  const wchar_t folded = tavlun::FoldCaseUnit(c);
  FUZZ_CHECK(Unit(folded) <= 0xFFFF);
  FUZZ_CHECK(tavlun::FoldCaseUnit(folded) == folded);
  const std::uint32_t u = Unit(c);
  if (u >= 'A' && u <= 'Z') FUZZ_CHECK(Unit(folded) == u + 32);
  if (folded != c) FUZZ_CHECK(!IsStructuralUnit(u) && !IsStructuralUnit(Unit(folded)));
}

bool FoldedEqual(const std::wstring& text, std::size_t at, const std::wstring& needle) {
  for (std::size_t k = 0; k < needle.size(); ++k) {
    if (tavlun::FoldCaseUnit(text[at + k]) != tavlun::FoldCaseUnit(needle[k])) return false;
  }
  return true;
}

std::wstring ExpectedReplaceAll(const std::wstring& text, const std::wstring& needle, const std::wstring& replacement) {
  if (needle.empty()) return text;
  std::wstring out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.size() - i >= needle.size() && FoldedEqual(text, i, needle)) {
      out += replacement;
      i += needle.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring input = Utf16FromBytes(data, size);
  const auto parts = SplitParts(input, 3);
  const std::wstring& text = parts[0];

  const std::wstring safe = tavlun::SanitizeForDisplay(input);
  FUZZ_CHECK(IsDisplaySafe(safe));
  FUZZ_CHECK(safe == ExpectedSanitized(input));
  FUZZ_CHECK(tavlun::SanitizeForDisplay(safe) == safe);

  const std::wstring trimmed = tavlun::TrimWhitespace(text);
  FUZZ_CHECK(trimmed == ExpectedTrim(text));

  const std::wstring lower = tavlun::ToLowerText(text);
  FUZZ_CHECK(lower.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    FUZZ_CHECK(lower[i] == tavlun::FoldCaseUnit(text[i]));
    CheckFold(text[i]);
  }

  if (parts.size() == 3) {
    std::wstring replaced = text;
    tavlun::ReplaceAllIgnoreCase(&replaced, parts[1], parts[2]);
    FUZZ_CHECK(replaced == ExpectedReplaceAll(text, parts[1], parts[2]));
  }
  return 0;
}
