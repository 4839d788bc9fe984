// Work folders that no ordinary user can change, and removal of a folder tree without following links.
#pragma once

#include <string>

#include "core/unique_handle.h"
#include "install/engine_hooks.h"

namespace tavlun {

// Creates the folder, or accepts an existing one, only after proving through an open handle that it is a plain
// directory and, when `secure`, that it carries the secure owner and DACL. An existing folder that fails the
// proof is refused, never repaired. On success with a slot, the slot's old handle is closed and replaced by the
// folder handle (share read and write, no delete sharing: the folder cannot be moved while it is held).
bool EnsureSecureFolder(const std::wstring& path, bool secure, std::wstring* message, UniqueHandle* folder = nullptr);

// ShowsForeignControl on a descriptor held in memory (for example one converted from SDDL).
bool DescriptorShowsForeignControl(PSECURITY_DESCRIPTOR descriptor);

// Moves whatever stands at `path` (folder, file or link; a link is moved itself, never followed) to
// "<name>.moved-<timestamp>-<token>" in the same folder, when its own security, read through the handle that then
// renames it, shows ShowsForeignControl. The handle is opened with backup semantics under the backup and restore
// privileges, so a DACL that shuts Administrators out does not stop the move; the contents are never read,
// changed or deleted. True with `moved_to` when moved. False with `foreign` false when the object is not in
// someone else's hands (or its security could not be read): the caller's refusal stands. False with `foreign`
// true and a message when it is, but could not be moved.
bool MoveAsideForeignObject(const std::wstring& path, std::wstring* moved_to, bool* foreign, std::wstring* message,
                            const EngineHooks* hooks = nullptr);

// EnsureSecureFolder with the secure flag on; when it refuses an object already at the path that is in someone
// else's hands (MoveAsideForeignObject), that object is moved aside once and the folder is made anew and proved.
// Nothing is moved unless a fresh secure folder is first proved possible in the same parent, so a file system that
// keeps no security never piles up moved folders. `moved_to` is the new name of what was moved, empty when
// nothing was. Any other refusal stays as EnsureSecureFolder reports it.
bool EnsureWorkFolder(const std::wstring& path, std::wstring* message, UniqueHandle* folder, std::wstring* moved_to,
                      const EngineHooks* hooks = nullptr);

// Deletes a folder tree; links inside are removed themselves, never entered. A path that is not a plain
// directory is left alone. True only when the top folder was removed.
bool RemoveTree(const std::wstring& path);

}  // namespace tavlun
