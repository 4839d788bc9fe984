// The DLL names that a PE image file imports, read from the file's bytes (import and delay-import directories).
// Pure: no Windows headers; safe on untrusted bytes. Used at build time to prove that both embedded akisp11.dll
// builds need nothing but Windows system DLLs (cmake/payload_import_check.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavlun {

struct PeImportNames {
  std::vector<std::string> imported;        // import directory, in table order
  std::vector<std::string> delay_imported;  // delay-import directory, in table order
};

// Validates the headers (ValidatePeHeaders, as a DLL when `expect_dll`) and reads both directories. Every offset is
// checked against the file size; a name must be printable ASCII of at most 255 characters inside one section. On
// failure `message` holds a lower-case Turkish fragment and `names` is left empty.
bool ReadPeImportNames(const std::uint8_t* file, std::uint64_t size, bool expect_dll, PeImportNames* names,
                       std::wstring* message);

// The file version of the image's version resource (VS_FIXEDFILEINFO: file-version MS << 32 | LS), read as the
// resource loader finds it: type 16, the first name, the first language. False with a fragment when the headers are
// invalid, there is no version resource or it lies outside the file.
bool ReadPeFileVersion(const std::uint8_t* file, std::uint64_t size, bool expect_dll, std::uint64_t* version,
                       std::wstring* message);

// A DLL of a separately installed C or C++ runtime: VCRUNTIME*, MSVCP*, MSVCR* (but not Windows' own msvcrt.dll),
// ucrtbase*, api-ms-win-crt-* (absent on Windows 7 and 8.1 without an update), concrt*, vccorlib*, vcomp* and
// mfc*. Compared without regard to ASCII case.
bool IsSeparateRuntimeDll(const std::string& name);

}  // namespace tavlun
