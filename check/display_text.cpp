#include "check/display_text.h"

#include <cstddef>
#include <cstdint>

namespace tavlun {
namespace {

// Lower case of a pair block where the capital has the even (or odd) code and the small letter follows it.
constexpr std::uint32_t FoldPair(std::uint32_t u, bool capital_is_even) {
  return ((u % 2 == 0) == capital_is_even) ? u + 1 : u;
}

std::uint32_t FoldLatinExtendedB(std::uint32_t u) {
  if (u >= 0x01CD && u <= 0x01DC) return FoldPair(u, false);
  if ((u >= 0x01DE && u <= 0x01EF) || (u >= 0x01F8 && u <= 0x021F) || (u >= 0x0222 && u <= 0x0233)) {
    return FoldPair(u, true);
  }
  return u;
}

std::uint32_t FoldGreek(std::uint32_t u) {
  if (u == 0x0386) return 0x03AC;
  if (u >= 0x0388 && u <= 0x038A) return u + 37;
  if (u == 0x038C) return 0x03CC;
  if (u == 0x038E || u == 0x038F) return u + 63;
  if ((u >= 0x0391 && u <= 0x03A1) || (u >= 0x03A3 && u <= 0x03AB)) return u + 32;
  if (u == 0x03C2) return 0x03C3;  // final sigma
  return u;
}

std::uint32_t FoldCyrillic(std::uint32_t u) {
  if (u >= 0x0400 && u <= 0x040F) return u + 80;
  if (u >= 0x0410 && u <= 0x042F) return u + 32;
  if ((u >= 0x0460 && u <= 0x0481) || (u >= 0x048A && u <= 0x04BF) || (u >= 0x04D0 && u <= 0x052F)) {
    return FoldPair(u, true);
  }
  if (u == 0x04C0) return 0x04CF;
  if (u >= 0x04C1 && u <= 0x04CE) return FoldPair(u, false);
  return u;
}

std::uint32_t FoldUnit(std::uint32_t u) {
  if (u < 0x80) return (u >= 'A' && u <= 'Z') ? u + 32 : u;
  if (u < 0x100) return (u >= 0xC0 && u <= 0xDE && u != 0xD7) ? u + 32 : u;
  if (u < 0x180) {
    if (u == 0x0130 || u == 0x0131) return 'i';  // İ and ı meet I and i
    if (u == 0x0178) return 0xFF;
    if (u == 0x017F) return 's';
    if (u < 0x0138) return FoldPair(u, true);
    if (u >= 0x0139 && u <= 0x0148) return FoldPair(u, false);
    if (u >= 0x014A && u <= 0x0177) return FoldPair(u, true);
    if (u >= 0x0179 && u <= 0x017E) return FoldPair(u, false);
    return u;
  }
  if (u < 0x0250) return FoldLatinExtendedB(u);
  if (u >= 0x0370 && u < 0x0400) return FoldGreek(u);
  if (u >= 0x0400 && u < 0x0530) return FoldCyrillic(u);
  if (u >= 0x0531 && u <= 0x0556) return u + 48;  // Armenian
  if ((u >= 0x1E00 && u <= 0x1E95) || (u >= 0x1EA0 && u <= 0x1EFF)) return FoldPair(u, true);
  if (u >= 0xFF21 && u <= 0xFF3A) return u + 32;  // full-width A-Z
  return u;
}

bool IsLineOrControlUnit(std::uint32_t u) {
  return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

bool IsHiddenOrMarkupUnit(std::uint32_t u) {
  switch (u) {
    case '<':
    case '>':
    case '&':
    case 0x061C:  // Arabic letter mark (bidirectional)
    case 0x200B:
    case 0x200C:
    case 0x200D:
    case 0x200E:
    case 0x200F:
    case 0x2060:
    case 0xFEFF:
      return true;
    default:
      return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
  }
}

}  // namespace

wchar_t FoldCaseUnit(wchar_t unit) {
  return static_cast<wchar_t>(FoldUnit(static_cast<std::uint32_t>(unit)));
}

std::wstring ToLowerText(const std::wstring& text) {
  std::wstring folded(text);
  for (wchar_t& unit : folded) unit = FoldCaseUnit(unit);
  return folded;
}

bool IsWhitespaceUnit(wchar_t unit) {
  const auto u = static_cast<std::uint32_t>(unit);
  return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x205F || u == 0x3000;
}

std::wstring TrimWhitespace(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsWhitespaceUnit(text[begin])) ++begin;
  while (end > begin && IsWhitespaceUnit(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::wstring SanitizeForDisplay(const std::wstring& text) {
  std::wstring safe(text);
  for (wchar_t& unit : safe) {
    const auto u = static_cast<std::uint32_t>(unit);
    if (IsLineOrControlUnit(u)) {
      unit = L' ';
    } else if (IsHiddenOrMarkupUnit(u)) {
      unit = L'_';
    }
  }
  return TrimWhitespace(safe);
}

void ReplaceAllIgnoreCase(std::wstring* text, const std::wstring& needle, const std::wstring& replacement) {
  if (text == nullptr || needle.empty()) return;
  std::wstring folded = ToLowerText(*text);
  const std::wstring folded_needle = ToLowerText(needle);
  const std::wstring folded_replacement = ToLowerText(replacement);
  std::size_t position = 0;
  while (position + folded_needle.size() <= folded.size()) {
    const std::size_t match = folded.find(folded_needle, position);
    if (match == std::wstring::npos) break;
    text->replace(match, folded_needle.size(), replacement);
    folded.replace(match, folded_needle.size(), folded_replacement);
    position = match + replacement.size();
  }
}

}  // namespace tavlun
