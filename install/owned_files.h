// Deleting, displacing and restoring files next to a target only when identity and SHA-256 prove that the file
// is the one this run wrote. Foreign files stay where they are and are named in the message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "install/engine_hooks.h"
#include "integrity/sha256.h"
#include "target/targets.h"

namespace tavlun {

// Process-wide slot for a race that the self-test injects into RestoreProtectedFile right after the target was
// proved to be the installed file (or proved empty). Empty in every ordinary run; fires at most once (it is
// emptied when taken).
extern std::function<bool(const TargetLocation& target, std::wstring* message)> RollbackRaceHook;

// Identity and number of hard links of an open file that is a regular file (no directory, no reparse point).
bool ReadLinkedFileIdentity(HANDLE file, FileIdentity* identity, std::uint32_t* links);

// Renames the file at `path` to `destination` through the handle that proved it (identity and hash), replacing
// what stands at the destination when `replace`, never otherwise. One rename: the destination name resolves to
// its old file or to this one at every moment. False with the Windows code when it was not renamed.
bool RenameProvedFile(const std::wstring& path, const FileIdentity& identity, const std::wstring& sha256,
                      const std::wstring& destination, bool replace, std::uint32_t* error);

// Removes the name `path` of a file that is still reachable under another name: the file behind it must be the
// one with `identity`, with at least two links. Nothing else is touched; false when the name stays.
bool RemoveSecondName(const std::wstring& path, const FileIdentity& identity);

// Identity and SHA-256 of a path opened for inspection (links are opened themselves and refused).
// Codes: the Windows code of the open, 4393 when it is not a regular single-link file, else the hash's code.
bool InspectOwnedFile(const std::wstring& path, FileIdentity* identity, std::wstring* sha256, std::wstring* message,
                      std::uint32_t* error);

// Deletes the file through the very handle that proved its identity and hash. The message always describes the
// result (lower-case fragment); a missing file is success with "hedef zaten yok".
bool DeleteOwnedFile(const std::wstring& path, const FileIdentity& identity, const std::wstring& sha256,
                     std::wstring* message);

// Moves a file, proved through the handle that moves it (identity and hash), to a place that must be empty: an
// existing file there is never replaced. The message always describes the result (lower-case fragment).
bool MoveOwnedFileToEmptyPlace(const std::wstring& path, const FileIdentity& identity, const std::wstring& sha256,
                               const std::wstring& destination, std::wstring* message);

// Puts the protected recovery file back at the target, provided the target is exactly the installed file
// (identity and hash): the installed file first gets a second ("rescue") name, proved to lead to it, then the
// protected file is renamed over the target through the handle that proves it (identity and hash: the given
// ones, else those read), so the target name resolves to the one or the other at every moment, and a run
// stopped anywhere leaves only names the next run recognises. The displaced installed file is then deleted
// through a verified handle. An update that races in stays active, untouched, and is reported. When the target
// is empty (the installed file vanished), the protected file is moved back without replacing anything, but only
// when its identity and hash (when given) prove it. True only when the recovery content is at the target; every
// message says where each content is.
bool RestoreProtectedFile(const TargetLocation& target, const std::wstring& protected_path,
                          const FileIdentity& installed_identity, const std::wstring& installed_sha256,
                          std::wstring* message, const EngineHooks* hooks = nullptr,
                          const FileIdentity* protected_identity = nullptr,
                          const std::wstring* protected_sha256 = nullptr);

// Undoes one installation: removes the installed file (no prior file) or restores the backup through a rollback
// copy. The installed file's identity and hash, when not given, are read from the target.
bool RollbackTarget(const TargetLocation& target, bool had_prior_file, const std::wstring& backup_path,
                    const std::wstring& backup_sha256, bool secure_ownership, std::wstring* message,
                    const FileIdentity* installed_identity = nullptr, const std::wstring* installed_sha256 = nullptr,
                    const EngineHooks* hooks = nullptr);

}  // namespace tavlun
