// Read-only probing of executables and DLLs found on disk, bounded reads of small text files, and the text rules
// for version strings read from them. Nothing found is loaded or run. The header is pure (no Windows headers);
// ProbeExecutable and ReadBoundedTextFile are implemented on the Windows side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavlun {

// The result of probing one path. The report tells four states apart: absent (not found, no detail), refused
// (not found, with detail), valid (found and structurallyValid), invalid (found, not valid, with detail).
struct ExecutableProbe {
  bool found = false;              // the file was opened
  bool structurallyValid = false;  // local chain, regular single-link file, PE headers of the expected kind
  bool isDll = false;              // the kind it was validated as; meaningful only when structurallyValid
  std::wstring machine;            // MachineName of the PE header; only when valid
  std::wstring fileVersion;        // FileVersionText ("bilinmiyor" without version resource); only when valid
  std::wstring detail;             // why the path was refused or the file failed a check (not display-safe yet)
  bool notExamined = false;        // left unopened because the check's time budget was spent (NotExaminedProbe)
  bool folderMissing = false;      // its folder does not exist: nothing was refused
};

inline constexpr wchar_t kExecutableOpenFailed[] = L"yürütücü salt okunur tanıtıcıyla açılamadı: ";
inline constexpr wchar_t kTextFileTooLarge[] = L"dosya boyutu güvenli sınırın dışında";
inline constexpr wchar_t kTextNotDecodable[] = L"metin kodlaması çözülemedi";

// Pins the directory chain (PinDirectoryChain), checks the file name against the component rules, opens the file
// read-only with read and write sharing without following reparse points, and validates it as a regular
// single-link file and a PE image of the expected kind. Never fails as a whole: see ExecutableProbe.
ExecutableProbe ProbeExecutable(const std::wstring& path, bool expect_dll);

// ProbeExecutable for a caller that holds the file's directory chain pinned (PinDirectoryChain) until it returns.
ExecutableProbe ProbeExecutableInPinnedFolder(const std::wstring& path, bool expect_dll);

// Reads a file of at most kMaxCheckedTextFileBytes inside a pinned local chain and decodes it (DecodeTextFileBytes).
// False with a message on failure; the message is empty only when the path has no directory.
bool ReadBoundedTextFile(const std::wstring& path, std::wstring* text, std::wstring* message);

// ReadBoundedTextFile for a caller that holds the file's directory chain pinned until it returns.
bool ReadBoundedTextFileInPinnedFolder(const std::wstring& path, std::wstring* text, std::wstring* message);

// Converts bytes in the system ANSI code page; false when nothing could be converted.
using AnsiTextDecoder = bool (*)(const std::uint8_t* bytes, std::size_t length, std::wstring* text);

// FF FE: UTF-16 little-endian (a trailing odd byte ignored); otherwise UTF-8 after an optional EF BB BF, strictly
// (no overlong forms, surrogates or values above U+10FFFF); when that fails, `ansi` (may be null). Empty data is an
// empty text. False with kTextNotDecodable when no decoding applies.
bool DecodeTextFileBytes(const std::uint8_t* bytes, std::size_t length, AnsiTextDecoder ansi, std::wstring* text,
                         std::wstring* message);

// Strict UTF-8 to UTF-16; false on any invalid sequence (the output is then unspecified).
bool DecodeUtf8Strict(const std::uint8_t* bytes, std::size_t length, std::wstring* text);

// The value of the first "KEY=value" line whose trimmed key equals `key` exactly; trimmed, one pair of enclosing
// double quotes removed, display-safe. Empty when no line matches.
std::wstring FindReleaseValue(const std::wstring& text, const std::wstring& key);

// SanitizeForDisplay, then 1 to 96 characters of ASCII letters, digits, ".", "_", "-", "+" (the first a digit when
// required). Empty when any rule fails.
std::wstring SanitizeVersionToken(const std::wstring& text, bool require_leading_digit);

// Drops a leading "1." (when more follows), then reads the leading decimal digits. 0 when there are none or the
// value is above 1000.
std::int32_t ParseMajorVersion(const std::wstring& version);

}  // namespace tavlun
