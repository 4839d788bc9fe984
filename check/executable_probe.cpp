#include "check/executable_probe.h"

#include "check/check_limits.h"
#include "check/display_text.h"

namespace tavlun {
namespace {

bool Fail(std::wstring* message, const wchar_t* text) {
  if (message != nullptr) *message = text;
  return false;
}

void AppendCodePoint(std::uint32_t code_point, std::wstring* text) {
  if (code_point < 0x10000) {
    text->push_back(static_cast<wchar_t>(code_point));
  } else {
    code_point -= 0x10000;
    text->push_back(static_cast<wchar_t>(0xD800 + (code_point >> 10)));
    text->push_back(static_cast<wchar_t>(0xDC00 + (code_point & 0x3FF)));
  }
}

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsVersionTokenUnit(wchar_t c) {
  return IsAsciiDigit(c) || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'.' || c == L'_' ||
         c == L'-' || c == L'+';
}

}  // namespace

bool DecodeUtf8Strict(const std::uint8_t* bytes, std::size_t length, std::wstring* text) {
  text->clear();
  text->reserve(length);
  std::size_t i = 0;
  while (i < length) {
    const std::uint8_t lead = bytes[i];
    if (lead < 0x80) {
      text->push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    std::size_t extra = 0;
    std::uint32_t code_point = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      code_point = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      code_point = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      code_point = lead & 0x07;
      minimum = 0x10000;
    } else {
      return false;  // continuation byte in lead position, C0/C1 overlong leads, F5 and above
    }
    if (length - i - 1 < extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const std::uint8_t next = bytes[i + k];
      if ((next & 0xC0) != 0x80) return false;
      code_point = (code_point << 6) | (next & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      return false;
    }
    AppendCodePoint(code_point, text);
    i += extra + 1;
  }
  return true;
}

bool DecodeTextFileBytes(const std::uint8_t* bytes, std::size_t length, AnsiTextDecoder ansi, std::wstring* text,
                         std::wstring* message) {
  text->clear();
  if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    const std::size_t units = (length - 2) / 2;
    text->reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
      const std::size_t at = 2 + i * 2;
      text->push_back(static_cast<wchar_t>(bytes[at] | (bytes[at + 1] << 8)));
    }
    return true;
  }
  if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bytes += 3;
    length -= 3;
  }
  if (length == 0) return true;
  if (DecodeUtf8Strict(bytes, length, text)) return true;
  text->clear();
  if (ansi != nullptr && ansi(bytes, length, text) && !text->empty()) return true;
  text->clear();
  return Fail(message, kTextNotDecodable);
}

std::wstring FindReleaseValue(const std::wstring& text, const std::wstring& key) {
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find(L'\n', begin);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(begin, end - begin);
    const std::size_t equals = line.find(L'=');
    if (equals != std::wstring::npos && TrimWhitespace(line.substr(0, equals)) == key) {
      std::wstring value = TrimWhitespace(line.substr(equals + 1));
      if (value.size() > 1 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
      return SanitizeForDisplay(value);
    }
    if (end == text.size()) break;
    begin = end + 1;
  }
  return std::wstring();
}

std::wstring SanitizeVersionToken(const std::wstring& text, bool require_leading_digit) {
  const std::wstring token = SanitizeForDisplay(text);
  if (token.empty() || token.size() > kMaxVersionTokenChars) return std::wstring();
  if (require_leading_digit && !IsAsciiDigit(token.front())) return std::wstring();
  for (wchar_t c : token) {
    if (!IsVersionTokenUnit(c)) return std::wstring();
  }
  return token;
}

std::int32_t ParseMajorVersion(const std::wstring& version) {
  std::size_t position = 0;
  if (version.size() > 2 && version[0] == L'1' && version[1] == L'.') position = 2;
  std::int32_t value = 0;
  bool any_digit = false;
  while (position < version.size() && IsAsciiDigit(version[position])) {
    any_digit = true;
    value = value * 10 + (version[position] - L'0');
    if (value > kMaxMajorVersion) return 0;
    ++position;
  }
  return any_digit ? value : 0;
}

}  // namespace tavlun
