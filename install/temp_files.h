// Unique names and careful writers for the files the engine places next to a target.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/unique_handle.h"
#include "install/engine_hooks.h"
#include "integrity/sha256.h"

namespace tavlun {

// Local time to the second and the process id ("20240131-235959-1234").
std::wstring MakeTimestampName(const EngineHooks* hooks = nullptr);

// Writes all bytes (repeating short writes) and flushes. On failure stores GetLastError() in `error`.
bool WriteAllAndFlush(HANDLE file, const void* bytes, std::uint32_t length, std::uint32_t* error);

// Creates ".akisp11.<pid>.<tick>.<attempt>.tmp" in the folder exclusively (CREATE_NEW, no sharing, links not
// followed), writes and flushes the data and proves it a regular single-link file. On success the file stays,
// closed, and its path and identity are returned. On failure no file is left: 80 after 20 taken names, 4393
// for a failed identity check, else the Windows code.
bool CreateVerifiedTempFile(const std::wstring& folder, const std::uint8_t* data, std::uint32_t size,
                            std::wstring* path, FileIdentity* identity, std::wstring* message, std::uint32_t* error,
                            const EngineHooks* hooks = nullptr);

// 16 bytes of the system's preferred random generator as 32 upper-case hexadecimal digits.
bool RandomHexToken(std::wstring* token);

// A free ".akisp11.<label>.<32 hex digits>.tmp" path in the folder; the file is not created. A folder that does
// not exist yet counts as free.
bool MakeSecureTempName(const std::wstring& folder, const std::wstring& label, std::wstring* path,
                        std::wstring* message, const EngineHooks* hooks = nullptr);

// Creates or overwrites a whole file, written through. On failure the message is the Windows text alone.
// For fixtures of the self-test; the installation never uses it.
bool WriteWholeFile(const std::wstring& path, const void* bytes, std::uint32_t length, std::wstring* message);

// Marks an open file (opened with DELETE access) to be deleted when its last handle closes.
bool MarkDeleteOnClose(HANDLE file);

// Clears the mark MarkDeleteOnClose set.
bool KeepOnClose(HANDLE file);

// Renames an open file (opened with DELETE access) through its handle to a full path; an existing file there is
// replaced only when `replace` (a single rename either way). Leaves GetLastError() of the failure.
bool RenameOpenFile(HANDLE file, const std::wstring& destination, bool replace);

// Creates ".akisp11.part.<32 hex digits>.tmp" new in the folder (20 names at most; links never followed) with
// read, write, delete and read-control access and the given sharing and security, and marks it to be deleted on
// close at once: a file being written never outlives its writer, whatever stops it. Code 80 after 20 taken
// names, else the Windows code of the creation.
bool CreateStagingFile(const std::wstring& folder, SECURITY_ATTRIBUTES* security, DWORD share, UniqueHandle* file,
                       std::uint32_t* error);

// Gives a complete, flushed staging file its final name: the deletion mark is cleared and the file renamed
// through its handle without replacing anything. On failure the file is marked for deletion again and the code
// stored (an existing destination as ERROR_FILE_EXISTS).
bool PublishStagingFile(HANDLE file, const std::wstring& destination, std::uint32_t* error);

// Removes the read-only attribute of an open file (opened with FILE_WRITE_ATTRIBUTES); true when it is not set
// afterwards. On Windows a read-only file can neither be deleted through its handle nor replaced by a rename.
bool ClearReadOnlyAttribute(HANDLE file);

// The token and tick sources of the engine's names (the hooks' ones when set).
bool NextRandomToken(const EngineHooks* hooks, std::wstring* token);
std::uint64_t NextTickCount(const EngineHooks* hooks);

}  // namespace tavlun
