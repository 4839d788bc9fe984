#include <windows.h>

#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "integrity/authenticode_win.h"
#include "integrity/pe_file.h"
#include "integrity/sha256.h"
#include "target/dll_state.h"
#include "target/targets.h"

namespace tavlun {
namespace {

constexpr wchar_t kTargetSeparator[] = L"   |   ";

}  // namespace

bool IsPlainTargetAttributes(std::uint32_t attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool CheckTargetFile(const std::wstring& path, bool* exists, std::wstring* message, std::uint32_t* win32_error,
                     std::uint64_t* size) {
  auto store = [win32_error](DWORD code) {
    if (win32_error != nullptr) *win32_error = code;
  };
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    store(error);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      *exists = false;
      return true;
    }
    *message = L"Hedef dosya bilgisi okunamadı: " + WindowsErrorText(error);
    return false;
  }
  *exists = true;
  if (!IsPlainTargetAttributes(attributes)) {
    store(kErrorNotRegularSingleLinkFile);
    *message = L"Hedef normal bir dosya değil veya yeniden ayrıştırma noktası; güvenlik için işlem durduruldu.";
    return false;
  }
  // Attribute access only: no data is read and no link is followed.
  UniqueHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    store(error);
    *message = L"Hedef dosyanın kimliği doğrulanamadı: " + WindowsErrorText(error);
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) {
    const DWORD error = ::GetLastError();
    store(error);
    *message = L"Hedef dosyanın bağlantı bilgisi okunamadı: " + WindowsErrorText(error);
    return false;
  }
  if (info.nNumberOfLinks != 1) {
    store(ERROR_TOO_MANY_LINKS);
    *message = L"Hedef dosyanın birden fazla sabit bağlantısı var; güvenlik için işlem durduruldu.";
    return false;
  }
  if (size != nullptr) *size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return true;
}

bool IsUserAdmin() {
  BYTE sid[SECURITY_MAX_SID_SIZE];  // 68 bytes
  DWORD sid_size = sizeof(sid);
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size)) return false;
  BOOL member = FALSE;
  // No token: the effective token of the calling thread.
  if (!::CheckTokenMembership(nullptr, sid, &member)) return false;
  return member != FALSE;
}

DllState AssessDllState() { return AssessDllStateOn(QuerySystemDirectories()); }

DllState AssessDllState(const std::function<bool()>& out_of_time) {
  return AssessDllStateOn(QuerySystemDirectories(), out_of_time);
}

DllState AssessDllStateOn(const SystemDirectories& system, const std::function<bool()>& out_of_time) {
  DllState state;
  std::vector<TargetEntry> targets;
  std::wstring message;
  if (!ResolveRequiredTargetsOn(system, &targets, &message)) {
    state.kind = DllStateKind::UnsupportedArchitecture;
    state.message = std::move(message);
    return state;
  }

  for (const TargetEntry& target : targets) state.required_builds.push_back(target.descriptor->label);
  std::vector<TargetFinding> findings;
  for (const TargetEntry& target : targets) {
    const PayloadDescriptor& build = *target.descriptor;
    const std::wstring label = build.label;
    LoadedPayload payload;
    if (!LoadPayload(build, &payload, &message)) {
      state.kind = DllStateKind::VerificationFailed;
      state.message = std::move(message);
      return state;
    }
    if (!state.targets_text.empty()) state.targets_text += kTargetSeparator;
    state.targets_text += label + L": " + target.location.display_path;

    const std::wstring& path = target.location.file_path;
    bool exists = false;
    std::uint32_t error = 0;
    std::uint64_t size = 0;
    if (!CheckTargetFile(path, &exists, &message, &error, &size)) {
      state.kind = DllStateKind::VerificationFailed;
      state.message = label + L" hedefi: " + message;
      state.install_offered = IsAccessProblem(error);
      return state;
    }
    if (!exists) {
      findings.push_back({label, TargetVerdict::Missing});
      state.install_offered = true;
      continue;
    }
    // One read-only handle serves the digest and the signature check, so both judge the same file.
    UniqueHandle file(OpenFileForInspection(path));
    const DWORD open_error = file ? ERROR_SUCCESS : ::GetLastError();
    // A file of another size is another file: it is never read to the end (a sparse file can claim terabytes).
    if (size == payload.size) {
      std::wstring digest;
      std::uint32_t hash_error = 0;
      if (!file) {
        message = L"Dosya okunamadı: " + WindowsErrorText(open_error);
      }
      if (!file || !CheckRegularSingleLinkFile(file.get(), nullptr, &message) ||
          !Sha256OpenFile(file.get(), &digest, &message, &hash_error)) {
        state.kind = DllStateKind::VerificationFailed;
        state.message = label + L" hedefi: " + message;
        state.install_offered = true;
        return state;
      }
      if (EqualsIgnoreAsciiCase(digest, payload.sha256)) {
        findings.push_back({label, TargetVerdict::Identical});
        state.found_files.push_back({label, true, SignatureCheck()});
        continue;
      }
    }
    std::uint16_t machine = 0;
    const bool machine_read = ReadDllMachine(path, &machine);
    PackedVersion version = 0;
    std::wstring version_text;
    const bool version_read = ReadFileVersion(path, &version, &version_text);
    const TargetVerdict verdict = ClassifyDifferentFile(machine_read, machine, version_read, version, build);
    if (verdict == TargetVerdict::OtherMachine || verdict == TargetVerdict::Replaceable) state.install_offered = true;

    TargetFinding finding{label, verdict};
    finding.signature_checked = true;
    if (!file) {
      finding.signature.code = open_error;
      finding.signature.detail = L"dosya okunamadı: " + WindowsErrorText(open_error);
    } else if (out_of_time && out_of_time()) {
      finding.signature.detail = kSignatureNotExaminedDetail;
    } else {
      finding.signature = CheckFileSignature(file.get(), path);
    }
    state.found_files.push_back({label, false, finding.signature});
    findings.push_back(std::move(finding));
  }
  FoldTargets(findings, &state);
  return state;
}

}  // namespace tavlun
