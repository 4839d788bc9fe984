// Shared by the fuzz targets: raw bytes turned into the UTF-16 texts Windows hands the program, and a check that
// stops the run loudly when a property of the code under test does not hold (libFuzzer then keeps the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavlun::fuzz {

[[noreturn]] inline void PropertyFailed(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "\n*** property failed at %s:%d: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::tavlun::fuzz::PropertyFailed(__FILE__, __LINE__, #condition))

// Two bytes per code unit, little-endian; an odd last byte is dropped. Every unit stays within 0 to 0xFFFF, also
// where wchar_t is 32 bits wide, so the code sees exactly what it would see on Windows.
inline std::wstring Utf16FromBytes(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

// U+FFFF is a noncharacter: no real text holds it, so the targets use it to cut one input into several texts.
inline constexpr wchar_t kPartSeparator = static_cast<wchar_t>(0xFFFF);

inline std::vector<std::wstring> SplitParts(const std::wstring& text, std::size_t max_parts) {
  std::vector<std::wstring> parts(1);
  for (wchar_t unit : text) {
    if (unit == kPartSeparator && parts.size() < max_parts) {
      parts.emplace_back();
    } else {
      parts.back().push_back(unit);
    }
  }
  return parts;
}

inline std::uint32_t Unit(wchar_t c) { return static_cast<std::uint32_t>(c); }

// Every unit of a text is a UTF-16 code unit (the code never widens a value beyond 16 bits).
inline bool AllUtf16Units(const std::wstring& text) {
  for (wchar_t c : text) {
    if (Unit(c) > 0xFFFF) return false;
  }
  return true;
}

// White space as the display rules trim it: the C0 blanks, NEL, no-break and typographic spaces, the line and
// paragraph separators and the ideographic space.
inline bool IsWhiteSpaceUnit(std::uint32_t u) {
  return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F || u == 0x205F || u == 0x3000;
}

// Characters a display-safe text never holds: controls (C0, DEL, C1), line and paragraph separators, the markup
// characters and the invisible or bidirectional formatting characters.
inline bool IsControlUnit(std::uint32_t u) {
  return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}
inline bool IsMarkupUnit(std::uint32_t u) { return u == '<' || u == '>' || u == '&'; }
inline bool IsInvisibleOrBidiUnit(std::uint32_t u) {
  return (u >= 0x200B && u <= 0x200F) || (u >= 0x202A && u <= 0x202E) || u == 0x2060 || (u >= 0x2066 && u <= 0x2069) ||
         u == 0xFEFF || u == 0x061C;
}

// No control, markup or bidirectional character.
inline bool HasNoUnsafeUnits(const std::wstring& text) {
  for (wchar_t c : text) {
    const std::uint32_t u = Unit(c);
    if (u > 0xFFFF || IsControlUnit(u) || IsMarkupUnit(u) || IsInvisibleOrBidiUnit(u)) return false;
  }
  return true;
}

// No control, markup or bidirectional character; no white space at either end.
inline bool IsDisplaySafe(const std::wstring& text) {
  return HasNoUnsafeUnits(text) &&
         (text.empty() || (!IsWhiteSpaceUnit(Unit(text.front())) && !IsWhiteSpaceUnit(Unit(text.back()))));
}

inline bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace tavlun::fuzz
