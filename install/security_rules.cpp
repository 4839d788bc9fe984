#include "install/security_rules.h"

namespace tavlun {
namespace {

constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint8_t kAccessAllowedAceType = 0;
constexpr std::uint8_t kFolderAceFlags = 0x03;  // OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE
constexpr std::uint8_t kFileAceFlags = 0x00;

constexpr std::uint32_t kFileAllAccess = 0x1F01FF;
constexpr std::uint32_t kFileReadExecute = 0x1200A9;
constexpr std::uint32_t kMutantAllAccess = 0x1F0001;
constexpr std::uint32_t kSynchronizeQueryState = 0x100001;

bool Fail(std::wstring* message, const wchar_t* text) {
  *message = text;
  return false;
}

bool TrustedOwner(KnownPrincipal owner) {
  return owner == KnownPrincipal::Administrators || owner == KnownPrincipal::LocalSystem;
}

}  // namespace

std::uint32_t MapGenericAccess(std::uint32_t mask, const GenericAccessMapping& mapping) {
  if ((mask & kGenericRead) != 0) mask |= mapping.read;
  if ((mask & kGenericWrite) != 0) mask |= mapping.write;
  if ((mask & kGenericExecute) != 0) mask |= mapping.execute;
  if ((mask & kGenericAll) != 0) mask |= mapping.all;
  return mask & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll);
}

bool EvaluateSecureObjectRule(const DescriptorFacts& facts, bool is_folder, std::wstring* message) {
  if (!facts.principals_known) return Fail(message, L"Yerleşik güvenlik kimlikleri hazırlanamadı.");
  if (!TrustedOwner(facts.owner)) return Fail(message, L"Güvenli nesnenin sahibi Administrators veya SYSTEM değil.");
  if (!facts.control_read || !facts.dacl_protected || !facts.dacl_present) {
    return Fail(message, L"Güvenli nesnenin DACL'i korumalı değil veya eksik.");
  }
  // The count decides before any entry is looked at: a fourth entry fails here whatever it holds.
  if (!facts.ace_count_read || facts.ace_count != 3 || facts.aces.size() != facts.ace_count) {
    return Fail(message, L"Güvenli nesnenin DACL'i beklenen üç izin kaydından oluşmuyor.");
  }
  const std::uint8_t expected_flags = is_folder ? kFolderAceFlags : kFileAceFlags;
  bool system_seen = false;
  bool administrators_seen = false;
  bool users_seen = false;
  for (const AceFacts& ace : facts.aces) {
    if (!ace.readable) return Fail(message, L"Güvenli nesnenin izin kaydı okunamadı.");
    if (ace.type != kAccessAllowedAceType || ace.flags != expected_flags) {
      return Fail(message, L"Güvenli nesnede beklenmeyen veya devralınmış bir izin kaydı var.");
    }
    const std::uint32_t mask = MapGenericAccess(ace.mask, kFileGenericMapping);
    if (ace.principal == KnownPrincipal::LocalSystem && mask == kFileAllAccess && !system_seen) {
      system_seen = true;
    } else if (ace.principal == KnownPrincipal::Administrators && mask == kFileAllAccess && !administrators_seen) {
      administrators_seen = true;
    } else if (ace.principal == KnownPrincipal::Users && mask == kFileReadExecute && !users_seen) {
      users_seen = true;
    } else {
      return Fail(message, L"Güvenli nesnenin DACL'inde fazla, yazılabilir veya beklenmeyen bir izin var.");
    }
  }
  if (!system_seen || !administrators_seen || !users_seen) {
    return Fail(message, L"Güvenli nesnenin zorunlu SYSTEM/Administrators/Users izinleri eksik.");
  }
  return true;
}

bool EvaluateInheritedFileRule(const DescriptorFacts& facts, std::wstring* message) {
  constexpr std::uint8_t kInheritedAce = 0x10;
  if (!facts.principals_known) return Fail(message, L"Yerleşik güvenlik kimlikleri hazırlanamadı.");
  if (facts.owner != KnownPrincipal::Administrators) {
    return Fail(message, L"Kurulan dosyanın sahibi Administrators değil.");
  }
  if (!facts.control_read || facts.dacl_protected || !facts.dacl_present || !facts.ace_count_read ||
      facts.ace_count == 0 || facts.aces.size() != facts.ace_count) {
    return Fail(message, L"Kurulan dosyanın DACL'i hedef klasörden devralınmıyor.");
  }
  for (const AceFacts& ace : facts.aces) {
    if (!ace.readable || (ace.flags & kInheritedAce) == 0) {
      return Fail(message, L"Kurulan dosyada hedef klasörden devralınmamış bir izin kaydı var.");
    }
  }
  return true;
}

bool ShowsForeignControl(const DescriptorFacts& facts) {
  constexpr std::uint8_t kInheritOnlyAce = 0x08;  // applies to children only, grants nothing on the object
  // FILE_WRITE_DATA, FILE_APPEND_DATA, FILE_WRITE_EA, FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES, DELETE, WRITE_DAC,
  // WRITE_OWNER: on a folder, adding files or subfolders; on any object, changing or replacing it.
  constexpr std::uint32_t kChangeRights = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000;
  if (!facts.principals_known) return false;
  if (facts.owner_present && !TrustedOwner(facts.owner)) return true;
  if (!facts.dacl_present || !facts.ace_count_read) return false;
  for (const AceFacts& ace : facts.aces) {
    if (!ace.readable || ace.type != kAccessAllowedAceType || (ace.flags & kInheritOnlyAce) != 0) continue;
    if (TrustedOwner(ace.principal)) continue;
    if ((MapGenericAccess(ace.mask, kFileGenericMapping) & kChangeRights) != 0) return true;
  }
  return false;
}

bool EvaluateInstallLockRule(const DescriptorFacts& facts, std::wstring* message) {
  if (!facts.principals_known || !TrustedOwner(facts.owner) || !facts.control_read || !facts.dacl_protected ||
      !facts.dacl_present || !facts.ace_count_read || facts.ace_count != 3 || facts.aces.size() != facts.ace_count) {
    return Fail(message, L"Kurulum kilidinin sahibi veya korumalı DACL'i güvenilir değil.");
  }
  bool system_seen = false;
  bool administrators_seen = false;
  bool authenticated_seen = false;
  for (const AceFacts& ace : facts.aces) {
    if (!ace.readable) return Fail(message, L"Kurulum kilidinin izin kaydı okunamadı.");
    if (ace.type != kAccessAllowedAceType || ace.flags != 0) {
      return Fail(message, L"Kurulum kilidinde beklenmeyen bir izin kaydı var.");
    }
    const std::uint32_t mask = MapGenericAccess(ace.mask, kMutexGenericMapping);
    if (ace.principal == KnownPrincipal::LocalSystem && mask == kMutantAllAccess && !system_seen) {
      system_seen = true;
    } else if (ace.principal == KnownPrincipal::Administrators && mask == kMutantAllAccess && !administrators_seen) {
      administrators_seen = true;
    } else if (ace.principal == KnownPrincipal::AuthenticatedUsers && mask == kSynchronizeQueryState &&
               !authenticated_seen) {
      authenticated_seen = true;
    } else {
      return Fail(message, L"Kurulum kilidinde fazla veya beklenmeyen bir izin var.");
    }
  }
  if (!system_seen || !administrators_seen || !authenticated_seen) {
    return Fail(message, L"Kurulum kilidinin zorunlu izinleri eksik.");
  }
  return true;
}

}  // namespace tavlun
