// Work folders that no ordinary user can change, and removal of a folder tree without following links.
#pragma once

#include <string>

#include "core/unique_handle.h"

namespace tavlun {

// Creates the folder, or accepts an existing one, only after proving through an open handle that it is a plain
// directory and, when `secure`, that it carries the secure owner and DACL. An existing folder that fails the
// proof is refused, never repaired. On success with a slot, the slot's old handle is closed and replaced by the
// folder handle (share read and write, no delete sharing: the folder cannot be moved while it is held).
bool EnsureSecureFolder(const std::wstring& path, bool secure, std::wstring* message, UniqueHandle* folder = nullptr);

// Deletes a folder tree; links inside are removed themselves, never entered. A path that is not a plain
// directory is left alone. True only when the top folder was removed.
bool RemoveTree(const std::wstring& path);

}  // namespace tavlun
