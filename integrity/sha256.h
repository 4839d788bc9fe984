// SHA-256 of files and memory through CNG, and the identity of open files.
// Every function opens and closes its own provider, hash object, buffer and (for paths) file handle.
// Digest texts are 64 upper-case hexadecimal digits, written only on success.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tavlun {

// Volume serial number and 64-bit file index; `valid` only when filled by CheckRegularSingleLinkFile.
struct FileIdentity {
  std::uint32_t volume_serial = 0;
  std::uint32_t index_high = 0;
  std::uint32_t index_low = 0;
  bool valid = false;
};

// True only when both identities are valid and all three numbers are equal.
bool SameFileIdentity(const FileIdentity& a, const FileIdentity& b);

// The kind test of CheckRegularSingleLinkFile: no directory or reparse-point attribute and no reparse tag.
bool IsPlainFileKind(std::uint32_t attributes, std::uint32_t reparse_tag);

// The handle must be a regular file (no directory, no reparse point) with exactly one hard link.
// Sets no Windows error; callers that need a code use 4393.
bool CheckRegularSingleLinkFile(HANDLE file, FileIdentity* identity, std::wstring* message);

// Hashes the whole file from offset 0 (moves the file pointer). Stores the Windows error of a failed seek or read.
bool Sha256OpenFile(HANDLE file, std::wstring* digest, std::wstring* message, std::uint32_t* win32_error = nullptr);

// One pass over the block; no Windows error is produced.
bool Sha256Memory(const void* data, std::uint32_t length, std::wstring* digest, std::wstring* message);

// Opens without following links, refuses non-regular or hard-linked files (4393), hashes, closes.
bool Sha256FilePath(const std::wstring& path, std::wstring* digest, std::wstring* message,
                    std::uint32_t* win32_error = nullptr);

// The access, sharing and flags used to open a file for inspection (read, full sharing, link itself opened,
// sequential scan). INVALID_HANDLE_VALUE with the last error set on failure; the caller owns the handle.
HANDLE OpenFileForInspection(const std::wstring& path);

}  // namespace tavlun
