// The ownership and DACL rules that the engine's own folders, files and its global lock must meet, evaluated on
// facts read from a security descriptor. Pure: no Windows headers; the Windows side reads the facts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavlun {

// The principals the rules know; every other SID is `Other`.
enum class KnownPrincipal { Other, LocalSystem, Administrators, Users, AuthenticatedUsers };

struct AceFacts {
  bool readable = false;    // the entry could be read (GetAce)
  std::uint8_t type = 0;    // ACE type byte (0: access allowed)
  std::uint8_t flags = 0;   // ACE flags byte
  KnownPrincipal principal = KnownPrincipal::Other;
  std::uint32_t mask = 0;   // as stored, generic bits not yet mapped
};

// What a security descriptor says, from the point after it was obtained.
struct DescriptorFacts {
  bool principals_known = false;  // the well-known SIDs could be built
  bool owner_present = false;     // the descriptor names a valid owner SID
  KnownPrincipal owner = KnownPrincipal::Other;
  bool control_read = false;
  bool dacl_protected = false;
  bool dacl_present = false;
  bool ace_count_read = false;
  std::uint32_t ace_count = 0;
  std::vector<AceFacts> aces;  // one per index below ace_count
};

struct GenericAccessMapping {
  std::uint32_t read;
  std::uint32_t write;
  std::uint32_t execute;
  std::uint32_t all;
};

// The standard file mapping and the mutex mapping used to normalise entry masks.
inline constexpr GenericAccessMapping kFileGenericMapping{0x120089, 0x120116, 0x1200A0, 0x1F01FF};
inline constexpr GenericAccessMapping kMutexGenericMapping{0x120000, 0x120001, 0x120000, 0x1F0001};

// Replaces the four generic bits by the rights they stand for, as MapGenericMask does.
std::uint32_t MapGenericAccess(std::uint32_t mask, const GenericAccessMapping& mapping);

// Owner Administrators or SYSTEM; protected DACL of exactly SYSTEM full, Administrators full, Users read and
// execute, each with flags 0x03 (folder) or 0x00 (file). False with the Turkish reason for the first breach.
bool EvaluateSecureObjectRule(const DescriptorFacts& facts, bool is_folder, std::wstring* message);

// The installed DLL: owner Administrators, a DACL that is present, not protected and holds at least one entry,
// every entry inherited from the target folder (INHERITED_ACE), none written for this file alone. So the file is
// protected as a new file in that folder would be, whatever the file it replaced allowed.
bool EvaluateInheritedFileRule(const DescriptorFacts& facts, std::wstring* message);

// Whether an object found where the engine keeps its work folders is in someone else's hands: its owner is a
// principal other than Administrators and SYSTEM, or an allow entry that applies to the object itself gives such a
// principal a right to change it (write, append, extended attributes, attributes, delete child, delete, DACL,
// owner). False when the facts prove neither: no owner, no DACL or a null DACL, unreadable entries. The elevated
// run moves such an object aside instead of refusing the work area for ever; anything else that fails the secure
// rule stays a refusal.
bool ShowsForeignControl(const DescriptorFacts& facts);

// Owner Administrators or SYSTEM; protected DACL of exactly SYSTEM all, Administrators all, Authenticated Users
// SYNCHRONIZE | MUTANT_QUERY_STATE, no flags. False with the Turkish reason for the first breach.
bool EvaluateInstallLockRule(const DescriptorFacts& facts, std::wstring* message);

}  // namespace tavlun
