// Small PE images built in memory, field by field, for the header validation tests.
#pragma once

#include <cstdint>
#include <vector>

namespace tavlun::testing_support {

struct PeImage {
  std::vector<std::uint8_t> bytes;
  std::uint32_t nt = 0;        // "PE\0\0"
  std::uint32_t optional = 0;  // optional header
  std::uint32_t sections = 0;  // first section header

  void Put16(std::uint32_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  void Put32(std::uint32_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }

  void SetMachine(std::uint16_t machine) { Put16(nt + 4, machine); }
  void SetSectionCount(std::uint16_t count) { Put16(nt + 6, count); }
  void SetOptionalSize(std::uint16_t size) { Put16(nt + 20, size); }
  void SetCharacteristics(std::uint16_t value) { Put16(nt + 22, value); }
  void SetMagic(std::uint16_t magic) { Put16(optional, magic); }
  void SetSectionAlignment(std::uint32_t value) { Put32(optional + 32, value); }
  void SetFileAlignment(std::uint32_t value) { Put32(optional + 36, value); }
  void SetSizeOfImage(std::uint32_t value) { Put32(optional + 56, value); }
  void SetSizeOfHeaders(std::uint32_t value) { Put32(optional + 60, value); }
  void SetRvaCount(bool pe32plus, std::uint32_t value) { Put32(optional + (pe32plus ? 108 : 92), value); }
  void SetSectionRaw(int index, std::uint32_t pointer, std::uint32_t size) {
    Put32(sections + 40 * index + 16, size);
    Put32(sections + 40 * index + 20, pointer);
  }
};

// A structurally valid image: header offset 0x80 unless given, two sections (one with 0x200 bytes of raw data at 0x200,
// one without raw data), headers 0x200 bytes, file 0x400 bytes.
inline PeImage MakePeImage(bool pe32plus, bool dll, std::uint32_t header_offset = 0x80) {
  PeImage image;
  image.bytes.assign(0x400, 0);
  image.nt = header_offset;
  image.bytes[0] = 'M';
  image.bytes[1] = 'Z';
  image.Put32(60, image.nt);
  image.bytes[image.nt] = 'P';
  image.bytes[image.nt + 1] = 'E';
  image.optional = image.nt + 24;
  const std::uint16_t optional_size = pe32plus ? 240 : 224;
  image.sections = image.optional + optional_size;
  image.SetMachine(pe32plus ? 0x8664 : 0x014C);
  image.SetSectionCount(2);
  image.SetOptionalSize(optional_size);
  image.SetCharacteristics(static_cast<std::uint16_t>(0x0002 | (pe32plus ? 0x0020 : 0x0100) | (dll ? 0x2000 : 0)));
  image.SetMagic(pe32plus ? 0x020B : 0x010B);
  image.SetSectionAlignment(0x1000);
  image.SetFileAlignment(0x200);
  image.SetSizeOfImage(0x3000);
  image.SetSizeOfHeaders(0x200);
  image.SetRvaCount(pe32plus, 16);
  image.SetSectionRaw(0, 0x200, 0x200);
  image.SetSectionRaw(1, 0, 0);
  return image;
}

}  // namespace tavlun::testing_support
