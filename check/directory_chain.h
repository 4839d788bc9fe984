// Opening a directory chain component by component, without following links, and keeping it open so that no
// directory of the chain can be renamed, moved or deleted while the caller works inside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/unique_handle.h"

namespace tavlun {

// Handles of the opened components, from the drive root downwards. Closing them releases the chain.
using DirectoryHandleList = std::vector<UniqueHandle>;

// Validates the path (ValidateLocalPathSyntax), then opens every component below the drive root for attribute
// reads and traversal with read and write sharing (never delete sharing) and without following reparse points,
// and requires each to be a plain directory. At most kMaxPathComponents components. On failure `message` holds a
// fragment and the handles opened so far stay in `handles` for the caller to close.
bool PinDirectoryChain(const std::wstring& directory, DirectoryHandleList* handles, std::wstring* message);

// Extends a chain that PinDirectoryChain pinned up to the parent of `child` by that one folder, under the same
// rules (the text rules of the whole path, the component limit, a plain directory opened without following
// links). So work inside a pinned folder and its subfolder costs one more open, not a second walk from the root.
bool PinChildDirectory(const std::wstring& child, DirectoryHandleList* handles, std::wstring* message);

// Chain components opened by this process so far (both calls above), for tests and benchmarks of their cost.
std::uint64_t DirectoryComponentsOpened();

}  // namespace tavlun
