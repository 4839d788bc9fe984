// The fixed security of every folder and file the engine keeps for itself: owner Administrators and a protected
// DACL of exactly SYSTEM full, Administrators full, Users read and execute.
#pragma once

#include <windows.h>

#include <string>

#include "core/unique_handle.h"
#include "install/security_rules.h"

namespace tavlun {

using UniqueSecurityDescriptor = UniqueLocal<PSECURITY_DESCRIPTOR>;

inline constexpr wchar_t kSecureFolderSddl[] = L"O:BAG:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;GRGX;;;BU)";
inline constexpr wchar_t kSecureFileSddl[] = L"O:BAG:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;GRGX;;;BU)";

// The folder or file variant of the descriptor. Failure: null descriptor and "Güvenli sahiplik ve izinler
// hazırlanamadı: " + the Windows text.
bool BuildSecureDescriptor(bool is_folder, UniqueSecurityDescriptor* descriptor, std::wstring* message);

// Checks an open file or folder (opened with READ_CONTROL) against the rule; never changes it.
bool VerifySecureObject(HANDLE object, bool is_folder, std::wstring* message);

// The same rule on a descriptor held in memory (for example one converted from SDDL).
bool VerifySecureDescriptor(PSECURITY_DESCRIPTOR descriptor, bool is_folder, std::wstring* message);

// Sets owner and protected DACL on an existing file or folder that is not a link, then verifies the result.
// Nothing is undone on failure: the owner may stay changed when setting the DACL fails.
bool ApplySecureOwnership(const std::wstring& path, std::wstring* message);

// The DACL of an open file (READ_CONTROL), for giving it to another file later.
bool ReadFileDacl(HANDLE file, UniqueSecurityDescriptor* descriptor, PACL* dacl, std::wstring* message);

// Through a handle opened with WRITE_OWNER | WRITE_DAC | READ_CONTROL: owner Administrators and `inherited_dacl`
// (the DACL a new file received in the same folder, entries kept as they are) as an unprotected, auto-inherited
// DACL, then EvaluateInheritedFileRule on what the file holds. Undoes any explicit entry the file carries (one
// that anyone could write, for example).
bool ResetToInheritedSecurity(HANDLE file, PACL inherited_dacl, std::wstring* message);

// EvaluateInheritedFileRule on a descriptor held in memory.
bool VerifyInheritedFileDescriptor(PSECURITY_DESCRIPTOR descriptor, std::wstring* message);

// Reads owner, control, DACL and entries of a descriptor into the facts the rules evaluate. False only when the
// well-known SIDs could not be built (facts.principals_known stays false).
bool ReadDescriptorFacts(PSECURITY_DESCRIPTOR descriptor, DescriptorFacts* facts);

}  // namespace tavlun
