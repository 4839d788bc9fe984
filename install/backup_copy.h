// Careful byte copies of a DLL: the backup before a replacement and the rollback copy before a restore.
#pragma once

#include <cstdint>
#include <string>

#include "install/engine_hooks.h"
#include "integrity/sha256.h"

namespace tavlun {

// Largest file that is copied: 64 MiB (a file of exactly this size is accepted).
inline constexpr std::uint64_t kBackupSizeLimit = 67108864;

// Copies a regular single-link source that nobody can write meanwhile (at most 64 MiB) to a destination that is
// created new (never overwritten), flushed and, when `secure`, given and re-verified the secure file descriptor.
// The destination exists afterwards only on success. Codes: the Windows code of the failing call, 4393 (source
// not a regular single-link file), 223 (too large), 1338 (destination failed identity or security check).
bool CopyToNewFile(const std::wstring& source, const std::wstring& destination, bool secure, std::wstring* message,
                   std::uint32_t* error, FileIdentity* destination_identity = nullptr,
                   const EngineHooks* hooks = nullptr);

// Copies the source into the folder under ".akisp11.rollback.<pid>.<tick>.<attempt>.tmp" (secure flag off, the
// copy takes the folder's inherited DACL). Code 80 when no free name was found in 20 attempts.
bool CreateRollbackCopy(const std::wstring& folder, const std::wstring& source, std::wstring* copy_path,
                        std::wstring* message, std::uint32_t* error, FileIdentity* copy_identity = nullptr,
                        const EngineHooks* hooks = nullptr);

}  // namespace tavlun
