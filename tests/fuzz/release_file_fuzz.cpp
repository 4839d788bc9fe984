// A Java home's "release" file as the check reads it: decoding (UTF-16 with byte order mark, strict UTF-8 with or
// without one, the ANSI fallback), FindReleaseValue for the keys the check looks up, SanitizeVersionToken and
// ParseMajorVersion on what comes out.
//
// Input: the file's bytes.
//
// Properties: UTF-16 gives one unit per byte pair after the mark; strict UTF-8 succeeds exactly when the bytes are
// the shortest encoding of well-formed text (they re-encode to themselves); otherwise the fallback decides, and
// without one the decoding fails with its message and an empty text. A found value equals the first matching
// line's trimmed, unquoted, sanitised value and is display-safe; a version token is 1 to 96 allowed characters;
// a major version is 0 or 1 to 1000 and agrees with the digits read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/display_text.h"
#include "check/executable_probe.h"
#include "check/java_discovery.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

// A stand-in for the system ANSI code page: Windows-1252 without its gaps is close enough to Latin-1 here.
bool Latin1Decoder(const std::uint8_t* bytes, std::size_t length, std::wstring* text) {
  for (std::size_t i = 0; i < length; ++i) text->push_back(static_cast<wchar_t>(bytes[i]));
  return length != 0;
}

std::string EncodeUtf8(const std::wstring& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t u = Unit(text[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size()) {
      const std::uint32_t low = Unit(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (u >> 6)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else if (u < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (u >> 18)));
      out.push_back(static_cast<char>(0x80 | ((u >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

std::wstring ExpectedReleaseValue(const std::wstring& text, const std::wstring& key) {
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = std::min(text.find(L'\n', begin), text.size());
    const std::wstring line = text.substr(begin, end - begin);
    const std::size_t equals = line.find(L'=');
    if (equals != std::wstring::npos && tavlun::TrimWhitespace(line.substr(0, equals)) == key) {
      std::wstring value = tavlun::TrimWhitespace(line.substr(equals + 1));
      if (value.size() > 1 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
      return tavlun::SanitizeForDisplay(value);
    }
    if (end == text.size()) return std::wstring();
    begin = end + 1;
  }
}

void CheckVersionToken(const std::wstring& raw) {
  for (bool digit_first : {false, true}) {
    const std::wstring token = tavlun::SanitizeVersionToken(raw, digit_first);
    if (token.empty()) continue;
    FUZZ_CHECK(token == tavlun::SanitizeForDisplay(raw));
    FUZZ_CHECK(token.size() <= 96);
    FUZZ_CHECK(!digit_first || (token[0] >= L'0' && token[0] <= L'9'));
    for (wchar_t c : token) {
      FUZZ_CHECK((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'.' ||
                 c == L'_' || c == L'-' || c == L'+');
    }
  }
}

void CheckMajorVersion(const std::wstring& version) {
  const std::int32_t major = tavlun::ParseMajorVersion(version);
  std::size_t at = (version.size() > 2 && version[0] == L'1' && version[1] == L'.') ? 2 : 0;
  std::uint64_t value = 0;
  bool digits = false;
  while (at < version.size() && version[at] >= L'0' && version[at] <= L'9') {
    digits = true;
    value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(version[at] - L'0'), 100000);
    ++at;
  }
  FUZZ_CHECK(major == (digits && value <= 1000 ? static_cast<std::int32_t>(value) : 0));
}

void CheckText(const std::wstring& text) {
  FUZZ_CHECK(AllUtf16Units(text));
  for (const wchar_t* key : {L"JAVA_VERSION", L"OS_ARCH", L"IMPLEMENTOR"}) {
    const std::wstring value = tavlun::FindReleaseValue(text, key);
    FUZZ_CHECK(IsDisplaySafe(value));
    FUZZ_CHECK(value == ExpectedReleaseValue(text, key));
    CheckVersionToken(value);
    CheckMajorVersion(value);
  }
  CheckVersionToken(text);
  CheckMajorVersion(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* bytes = size == 0 ? nullptr : data;
  std::wstring text = L"(unset)";
  std::wstring message;
  const bool decoded = tavlun::DecodeTextFileBytes(bytes, size, Latin1Decoder, &text, &message);

  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    FUZZ_CHECK(decoded && text == Utf16FromBytes(data + 2, size - 2));
  } else {
    const bool bom = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    const std::uint8_t* body = bom ? data + 3 : data;
    const std::size_t body_size = bom ? size - 3 : size;
    std::wstring strict;
    const bool utf8 = body_size != 0 && tavlun::DecodeUtf8Strict(body, body_size, &strict);
    if (utf8) {
      FUZZ_CHECK(tavlun::IsWellFormedUtf16(strict));
      FUZZ_CHECK(EncodeUtf8(strict) == std::string(reinterpret_cast<const char*>(body), body_size));
    }
    FUZZ_CHECK(decoded);
    if (body_size == 0) {
      FUZZ_CHECK(text.empty());
    } else if (utf8) {
      FUZZ_CHECK(text == strict);
    } else {
      FUZZ_CHECK(text.size() == body_size);
      for (std::size_t i = 0; i < body_size; ++i) FUZZ_CHECK(Unit(text[i]) == body[i]);
      // Without a fallback the same bytes are refused, with the message and nothing half-decoded.
      std::wstring refused = L"(unset)";
      std::wstring refusal;
      FUZZ_CHECK(!tavlun::DecodeTextFileBytes(bytes, size, nullptr, &refused, &refusal));
      FUZZ_CHECK(refused.empty() && refusal == tavlun::kTextNotDecodable);
    }
  }
  if (decoded) CheckText(text);
  return 0;
}
