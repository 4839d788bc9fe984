// A small reader of 32-bit PE files for tests that look at the built program from outside: headers, sections
// and the DLL names of the import and delay-import directories. Every offset is checked against the file
// size with 64-bit arithmetic; a malformed file gives `valid` false, never a read past the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavlun::testing_support {

struct PeImageFacts {
  bool valid = false;
  std::string error;  // why the file was refused
  std::uint16_t machine = 0;
  std::uint16_t characteristics = 0;
  std::uint16_t optional_magic = 0;
  std::uint16_t subsystem = 0;
  std::uint16_t dll_characteristics = 0;
  std::vector<std::string> imported_dlls;        // import directory, in table order
  std::vector<std::string> delay_imported_dlls;  // delay-import directory, in table order
};

PeImageFacts ReadPeImage(const std::vector<std::uint8_t>& file);

}  // namespace tavlun::testing_support
