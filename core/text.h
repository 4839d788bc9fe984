// Small text helpers shared by every subsystem. Pure: no Windows headers, builds natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavlun {

// Joins with exactly one backslash; an empty directory gives the name unchanged. No other normalisation.
std::wstring JoinPath(const std::wstring& directory, const std::wstring& name);

// Two upper-case hexadecimal digits per byte, high nibble first, no separators.
std::wstring HexUpper(const void* bytes, std::size_t length);

// Plain base-10 digits; a leading "-" for negative values.
std::wstring DecimalText(std::uint32_t value);
std::wstring DecimalText(std::int32_t value);
std::wstring DecimalText(std::uint64_t value);

// "YYYY-MM-DDThh:mm:ssZ" (ISO 8601) of a UTC clock reading; the year four digits, each other field two.
std::wstring FormatUtcTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                           unsigned second);

// Upper-case hexadecimal without leading zeros ("1C4").
std::wstring HexDigitsNoPad(std::uint32_t value);

// Compares two digest texts ignoring the letter case of A-F (and of any other ASCII letter).
bool EqualsIgnoreAsciiCase(const std::wstring& a, const std::wstring& b);

}  // namespace tavlun
