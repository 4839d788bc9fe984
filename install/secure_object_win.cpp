#include "install/secure_object.h"

#include <aclapi.h>
#include <sddl.h>

#include "core/scoped_privilege.h"
#include "core/windows_error.h"

namespace tavlun {
namespace {

struct WellKnownSids {
  BYTE system[SECURITY_MAX_SID_SIZE];
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  BYTE users[SECURITY_MAX_SID_SIZE];
  BYTE authenticated_users[SECURITY_MAX_SID_SIZE];

  bool Build() {
    return BuildOne(WinLocalSystemSid, system) && BuildOne(WinBuiltinAdministratorsSid, administrators) &&
           BuildOne(WinBuiltinUsersSid, users) && BuildOne(WinAuthenticatedUserSid, authenticated_users);
  }

  KnownPrincipal Classify(PSID sid) {
    if (sid == nullptr || !::IsValidSid(sid)) return KnownPrincipal::Other;
    if (::EqualSid(sid, system)) return KnownPrincipal::LocalSystem;
    if (::EqualSid(sid, administrators)) return KnownPrincipal::Administrators;
    if (::EqualSid(sid, users)) return KnownPrincipal::Users;
    if (::EqualSid(sid, authenticated_users)) return KnownPrincipal::AuthenticatedUsers;
    return KnownPrincipal::Other;
  }

 private:
  static bool BuildOne(WELL_KNOWN_SID_TYPE type, BYTE* buffer) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    return ::CreateWellKnownSid(type, nullptr, buffer, &size) != FALSE;
  }
};

}  // namespace

bool BuildSecureDescriptor(bool is_folder, UniqueSecurityDescriptor* descriptor, std::wstring* message) {
  PSECURITY_DESCRIPTOR built = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(is_folder ? kSecureFolderSddl : kSecureFileSddl,
                                                              SDDL_REVISION_1, &built, nullptr)) {
    const DWORD error = ::GetLastError();
    descriptor->reset();
    *message = L"Güvenli sahiplik ve izinler hazırlanamadı: " + WindowsErrorText(error);
    return false;
  }
  descriptor->reset(built);
  return true;
}

bool ReadDescriptorFacts(PSECURITY_DESCRIPTOR descriptor, DescriptorFacts* facts) {
  *facts = DescriptorFacts();
  WellKnownSids sids;
  if (!sids.Build()) return false;
  facts->principals_known = true;

  PSID owner = nullptr;
  BOOL owner_defaulted = FALSE;
  if (::GetSecurityDescriptorOwner(descriptor, &owner, &owner_defaulted) && owner != nullptr && ::IsValidSid(owner)) {
    facts->owner_present = true;
    facts->owner = sids.Classify(owner);
  }

  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (::GetSecurityDescriptorControl(descriptor, &control, &revision)) {
    facts->control_read = true;
    facts->dacl_protected = (control & SE_DACL_PROTECTED) != 0;
  }

  BOOL dacl_present = FALSE;
  BOOL dacl_defaulted = FALSE;
  PACL dacl = nullptr;
  // A present but null DACL grants everything to everyone: it counts as missing.
  if (!::GetSecurityDescriptorDacl(descriptor, &dacl_present, &dacl, &dacl_defaulted) || !dacl_present ||
      dacl == nullptr) {
    return true;
  }
  facts->dacl_present = true;

  ACL_SIZE_INFORMATION size{};
  if (!::GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation)) return true;
  facts->ace_count_read = true;
  facts->ace_count = size.AceCount;
  facts->aces.resize(size.AceCount);
  for (DWORD i = 0; i < size.AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(dacl, i, &entry) || entry == nullptr) continue;
    AceFacts& ace = facts->aces[i];
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    ace.readable = true;
    ace.type = header->AceType;
    ace.flags = header->AceFlags;
    // Only allow entries are ever accepted; the SID and mask of other types are not looked at.
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
      ace.mask = allowed->Mask;
      ace.principal = sids.Classify(&allowed->SidStart);
    }
  }
  return true;
}

bool VerifySecureDescriptor(PSECURITY_DESCRIPTOR descriptor, bool is_folder, std::wstring* message) {
  DescriptorFacts facts;
  ReadDescriptorFacts(descriptor, &facts);
  return EvaluateSecureObjectRule(facts, is_folder, message);
}

bool VerifySecureObject(HANDLE object, bool is_folder, std::wstring* message) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  const DWORD result = ::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         &owner, nullptr, &dacl, nullptr, &raw);
  UniqueSecurityDescriptor descriptor(raw);
  if (result != ERROR_SUCCESS || owner == nullptr || !descriptor) {
    *message = L"Güvenli nesnenin sahibi ve DACL bilgisi doğrulanamadı: " + WindowsErrorText(result);
    return false;
  }
  return VerifySecureDescriptor(descriptor.get(), is_folder, message);
}

bool ApplySecureOwnership(const std::wstring& path, std::wstring* message) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    *message = L"Güvenliği ayarlanacak yol normal bir dosya veya dizin değil.";
    return false;
  }
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

  ScopedPrivilege take_ownership(SE_TAKE_OWNERSHIP_NAME);
  ScopedPrivilege restore(SE_RESTORE_NAME);
  DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT;
  if (is_folder) flags |= FILE_FLAG_BACKUP_SEMANTICS;
  UniqueHandle object(::CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr));
  if (!object) {
    *message = L"Güvenliği ayarlanacak nesne açılamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  // The path may have been swapped for a link or another kind of object after the attribute check.
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(object.get(), FileAttributeTagInfo, &tag, sizeof(tag)) ||
      (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != is_folder) {
    *message = L"Güvenliği ayarlanacak nesnenin türü değişti.";
    return false;
  }

  UniqueSecurityDescriptor descriptor;
  if (!BuildSecureDescriptor(is_folder, &descriptor, message)) return false;
  PSID owner = nullptr;
  BOOL owner_defaulted = FALSE;
  BOOL dacl_present = FALSE;
  BOOL dacl_defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorOwner(descriptor.get(), &owner, &owner_defaulted) || owner == nullptr ||
      !::GetSecurityDescriptorDacl(descriptor.get(), &dacl_present, &dacl, &dacl_defaulted) || !dacl_present ||
      dacl == nullptr) {
    *message = L"Güvenli sahiplik veya DACL bilgisi okunamadı.";
    return false;
  }

  const DWORD owner_result =
      ::SetSecurityInfo(object.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
  DWORD dacl_result = ERROR_SUCCESS;
  if (owner_result == ERROR_SUCCESS) {
    dacl_result = ::SetSecurityInfo(object.get(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    dacl, nullptr);
  }
  // Privileges go back before the results are looked at.
  restore.Restore();
  take_ownership.Restore();
  descriptor.reset();

  if (owner_result != ERROR_SUCCESS) {
    *message = L"Güvenli klasör sahipliği uygulanamadı: " + WindowsErrorText(owner_result);
    return false;
  }
  if (dacl_result != ERROR_SUCCESS) {
    *message = L"Güvenli klasör izinleri uygulanamadı: " + WindowsErrorText(dacl_result);
    return false;
  }
  return VerifySecureObject(object.get(), is_folder, message);
}

bool ReadFileDacl(HANDLE file, UniqueSecurityDescriptor* descriptor, PACL* dacl, std::wstring* message) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  *dacl = nullptr;
  const DWORD result =
      ::GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr, &raw);
  descriptor->reset(raw);
  if (result != ERROR_SUCCESS || !*descriptor || *dacl == nullptr) {
    *dacl = nullptr;
    *message = L"Yeni dosyanın devraldığı izinler okunamadı: " + WindowsErrorText(result);
    return false;
  }
  return true;
}

bool VerifyInheritedFileDescriptor(PSECURITY_DESCRIPTOR descriptor, std::wstring* message) {
  DescriptorFacts facts;
  ReadDescriptorFacts(descriptor, &facts);
  return EvaluateInheritedFileRule(facts, message);
}

bool ResetToInheritedSecurity(HANDLE file, PACL inherited_dacl, std::wstring* message) {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = SECURITY_MAX_SID_SIZE;
  SECURITY_DESCRIPTOR wanted;
  // The entries are written as they are, marked inherited and unprotected, straight to the object: no
  // inheritance is computed anew from a parent the handle does not name.
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
      !::InitializeSecurityDescriptor(&wanted, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorOwner(&wanted, administrators, FALSE) ||
      !::SetSecurityDescriptorDacl(&wanted, TRUE, inherited_dacl, FALSE) ||
      !::SetSecurityDescriptorControl(&wanted, SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED, SE_DACL_AUTO_INHERITED)) {
    *message = L"Kurulan dosyanın izinleri hazırlanamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  bool written;
  {
    ScopedPrivilege restore(SE_RESTORE_NAME);
    written = ::SetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &wanted) != FALSE;
  }
  if (!written) {
    *message = L"Kurulan dosyanın izinleri hedef klasörünkilere ayarlanamadı: " + WindowsErrorText(::GetLastError());
    return false;
  }
  PSECURITY_DESCRIPTOR raw = nullptr;
  const DWORD result = ::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, nullptr, nullptr, &raw);
  UniqueSecurityDescriptor descriptor(raw);
  if (result != ERROR_SUCCESS || !descriptor) {
    *message = L"Kurulan dosyanın izinleri okunamadı: " + WindowsErrorText(result);
    return false;
  }
  return VerifyInheritedFileDescriptor(descriptor.get(), message);
}

}  // namespace tavlun
