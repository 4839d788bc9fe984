// Fixed limits of the read-only system check. Pure: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavlun {

// Directory, module-path and association buffers, in characters.
inline constexpr std::size_t kCheckBufferChars = 32768;
// Longest path text the path rules accept, in characters.
inline constexpr std::size_t kMaxCheckedPathChars = 32767;
// Registry strings, in bytes including the terminating NUL.
inline constexpr std::uint32_t kMaxRegistryStringBytes = 65534;
// Text files (a Java home's release file) read by the check.
inline constexpr std::uint64_t kMaxCheckedTextFileBytes = 262144;
// Directory levels below a drive root.
inline constexpr std::size_t kMaxPathComponents = 256;
// Distinct Java homes listed.
inline constexpr std::size_t kMaxJavaCandidates = 128;
// Labels of one Java candidate, joined with "; ".
inline constexpr std::size_t kMaxJavaSourcesChars = 4096;
// Version tokens read from the registry, release files and version resources.
inline constexpr std::size_t kMaxVersionTokenChars = 96;
// Highest major version taken at face value.
inline constexpr std::int32_t kMaxMajorVersion = 1000;

}  // namespace tavlun
