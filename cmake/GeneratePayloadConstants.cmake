# Script mode: writes the size and SHA-256 of both embedded DLLs as C++ constants.
file(SIZE "${DLL32}" size32)
file(SIZE "${DLL64}" size64)
file(SHA256 "${DLL32}" hash32)
file(SHA256 "${DLL64}" hash64)
string(TOUPPER "${hash32}" hash32)
string(TOUPPER "${hash64}" hash64)
if(KIND STREQUAL "vendor")
  set(is_vendor true)
else()
  set(is_vendor false)
endif()
# Only the vendor's files can be "TÜBİTAK BİLGEM imzalı"; the import check recorded whether both carry a signature.
set(is_signed false)
if(is_vendor AND EXISTS "${SIGNED_FILE}")
  file(READ "${SIGNED_FILE}" signed_flag)
  if(signed_flag STREQUAL "1")
    set(is_signed true)
  endif()
endif()
set(content "// Generated at build time from the embedded DLLs; do not edit.
#pragma once
#include <cstdint>

namespace payload_constants {
inline constexpr bool kVendorBuild = ${is_vendor};
// Both embedded files carry an Authenticode signature (certificate table present); never true for stand-ins.
inline constexpr bool kVendorSigned = ${is_signed};
inline constexpr std::uint32_t kBuild32Size = ${size32}u;
inline constexpr wchar_t kBuild32Sha256[] = L\"${hash32}\";
inline constexpr std::uint32_t kBuild64Size = ${size64}u;
inline constexpr wchar_t kBuild64Sha256[] = L\"${hash64}\";
}  // namespace payload_constants
")
# Rewrite only on change so that dependants rebuild only when the payload really changed.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL content)
  file(WRITE "${OUT}" "${content}")
endif()
