// Turkish-facing text for Windows error codes.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

// The system's text for the code (in the system's language order), trailing CR, LF and blanks removed;
// "" for 0; "Windows hata kodu <code>" when the system has no text. Never fails.
std::wstring WindowsErrorText(std::uint32_t code);

// Fixed codes that engine operations store in place of a Windows error.
inline constexpr std::uint32_t kErrorNotRegularSingleLinkFile = 4393;  // ERROR_REPARSE_TAG_INVALID
inline constexpr std::uint32_t kErrorNewFileNotVerified = 1338;        // ERROR_INVALID_SECURITY_DESCR
inline constexpr std::uint32_t kErrorFileAboveBackupLimit = 223;       // ERROR_FILE_TOO_LARGE
inline constexpr std::uint32_t kErrorNoUniqueName = 80;                // ERROR_FILE_EXISTS

}  // namespace tavlun
