// PE inspection and version reading of files on disk. Nothing is loaded or run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "integrity/payload.h"

namespace tavlun {

// Reads at most three header blocks and runs ValidatePeHeaders; message is a lower-case fragment.
bool InspectPeFile(HANDLE file, bool expect_dll, std::wstring* machine_name, std::wstring* message);

// "major.minor.build.revision", or "bilinmiyor". Never fails.
std::wstring FileVersionText(const std::wstring& path);

// On success: packed version and "major.minor.build" (".revision" only when not 0). Outputs untouched on failure.
bool ReadFileVersion(const std::wstring& path, PackedVersion* version, std::wstring* version_text);

// The machine field of a DLL (IMAGE_FILE_DLL set); false for anything else.
bool ReadDllMachine(const std::wstring& path, std::uint16_t* machine);

}  // namespace tavlun
