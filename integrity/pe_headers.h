// Structural validation of PE headers held in memory. Pure: no Windows headers; safe on untrusted bytes.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

// "x86", "x64", "ARM64", "IA64", or "bilinmiyor (0x<HEX>)".
std::wstring MachineName(std::uint16_t machine);

// Validates the header block (from offset 0 of the file) against the file size. On failure `message` holds a
// lower-case Turkish fragment; on success `machine_name` holds MachineName of the machine field.
bool ValidatePeHeaders(const std::uint8_t* block, std::uint64_t block_length, std::uint64_t file_size, bool expect_dll,
                       std::wstring* machine_name, std::wstring* message);

// Limits of the inspection.
inline constexpr std::uint64_t kPeMinFileSize = 64;
inline constexpr std::uint64_t kPeMaxFileSize = 1073741824;    // 1 GiB
inline constexpr std::int64_t kPeMaxHeaderOffset = 16777216;   // e_lfanew
inline constexpr std::uint32_t kPeMaxSections = 96;
inline constexpr std::uint32_t kPeMaxOptionalHeader = 4096;
inline constexpr std::uint64_t kPeMaxHeaderBlock = 17825792;
inline constexpr std::uint32_t kMaxVersionInfoSize = 16777216;

}  // namespace tavlun
