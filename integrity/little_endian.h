// Little-endian field reads from byte blocks. The caller has checked that the bytes lie inside the block.
#pragma once

#include <cstdint>

namespace tavlun {

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t ReadLeInt32(const std::uint8_t* p) { return static_cast<std::int32_t>(ReadLe32(p)); }

// Offsets of the PE fields the program reads.
namespace pe {
inline constexpr std::uint32_t kDosHeaderSize = 64;
inline constexpr std::uint32_t kHeaderOffsetField = 60;  // e_lfanew
inline constexpr std::uint32_t kSignatureAndFileHeader = 24;
inline constexpr std::uint32_t kFileHeaderMachine = 4;
inline constexpr std::uint32_t kFileHeaderSections = 6;
inline constexpr std::uint32_t kFileHeaderOptionalSize = 20;
inline constexpr std::uint32_t kFileHeaderCharacteristics = 22;
inline constexpr std::uint32_t kOptRvaCountPe32 = 92;       // NumberOfRvaAndSizes in the optional header
inline constexpr std::uint32_t kOptRvaCountPe32Plus = 108;  // the data directories follow it
inline constexpr std::uint32_t kSectionHeaderSize = 40;
inline constexpr std::uint32_t kSectionVirtualSize = 8;
inline constexpr std::uint32_t kSectionVirtualAddress = 12;
inline constexpr std::uint32_t kSectionRawSize = 16;
inline constexpr std::uint32_t kSectionRawPointer = 20;

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kMachineArm64 = 0xAA64;
inline constexpr std::uint16_t kMachineIa64 = 0x0200;
inline constexpr std::uint16_t kMagicPe32 = 0x010B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x020B;
inline constexpr std::uint16_t kCharacteristicExecutable = 0x0002;
inline constexpr std::uint16_t kCharacteristicDll = 0x2000;

inline bool HasPeSignature(const std::uint8_t* p) { return p[0] == 'P' && p[1] == 'E' && p[2] == 0 && p[3] == 0; }
inline bool HasDosSignature(const std::uint8_t* p) { return p[0] == 'M' && p[1] == 'Z'; }
}  // namespace pe

}  // namespace tavlun
