#include "core/text.h"

namespace tavlun {

std::wstring JoinPath(const std::wstring& directory, const std::wstring& name) {
  if (directory.empty()) return name;
  if (directory.back() == L'\\') return directory + name;
  return directory + L"\\" + name;
}

std::wstring HexUpper(const void* bytes, std::size_t length) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::wstring text;
  text.reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(kDigits[p[i] >> 4]);
    text.push_back(kDigits[p[i] & 0x0F]);
  }
  return text;
}

std::wstring DecimalText(std::uint64_t value) {
  wchar_t buffer[24];
  std::size_t pos = sizeof(buffer) / sizeof(buffer[0]);
  do {
    buffer[--pos] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(buffer + pos, buffer + sizeof(buffer) / sizeof(buffer[0]));
}

std::wstring FormatUtcTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                           unsigned second) {
  const auto padded = [](unsigned value, std::size_t width) {
    std::wstring text = DecimalText(static_cast<std::uint32_t>(value));
    if (text.size() < width) text.insert(0, width - text.size(), L'0');
    return text.substr(text.size() - width);
  };
  return padded(year, 4) + L"-" + padded(month, 2) + L"-" + padded(day, 2) + L"T" + padded(hour, 2) + L":" +
         padded(minute, 2) + L":" + padded(second, 2) + L"Z";
}

std::wstring DecimalText(std::uint32_t value) { return DecimalText(static_cast<std::uint64_t>(value)); }

std::wstring DecimalText(std::int32_t value) {
  if (value >= 0) return DecimalText(static_cast<std::uint64_t>(value));
  // Negate in 64 bits so that INT32_MIN is exact.
  return L"-" + DecimalText(static_cast<std::uint64_t>(-static_cast<std::int64_t>(value)));
}

std::wstring HexDigitsNoPad(std::uint32_t value) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  wchar_t buffer[8];
  std::size_t pos = 8;
  do {
    buffer[--pos] = kDigits[value & 0x0F];
    value >>= 4;
  } while (value != 0);
  return std::wstring(buffer + pos, buffer + 8);
}

bool EqualsIgnoreAsciiCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i];
    wchar_t y = b[i];
    if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - L'a' + L'A');
    if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - L'a' + L'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace tavlun
