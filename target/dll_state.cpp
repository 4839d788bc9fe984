#include "target/dll_state.h"

#include <vector>

#include "core/text.h"
#include "integrity/pe_file.h"
#include "integrity/sha256.h"
#include "target/targets.h"

namespace tavlun {
namespace {

constexpr wchar_t kTargetSeparator[] = L"   |   ";

}  // namespace

void FoldTargetCounts(const TargetCounts& counts, std::size_t target_count, DllState* state) {
  state->package_verified = false;
  state->runtime_confirmed = false;
  state->install_offered = counts.missing > 0 || counts.replaceable > 0;
  if (counts.identical == target_count) {
    state->kind = DllStateKind::MatchesPackage;
    state->package_verified = true;
    state->runtime_confirmed = true;
    state->message =
        L"AKİS 3.4.2 dosyalarının 32-bit ve gerekli olduğunda 64-bit kopyaları doğru hedeflerde ve doğrulanmış "
        L"durumda.";
  } else if (counts.missing > 0) {
    state->kind = DllStateKind::Missing;
    state->message = DecimalText(static_cast<std::uint64_t>(counts.missing)) +
                     L" AKİS mimari dosyası doğru sistem dizininde bulunmuyor; mevcut doğru dosyalar korunacak.";
  } else if (counts.replaceable > 0) {
    state->kind = DllStateKind::DifferentFile;
    state->message = DecimalText(static_cast<std::uint64_t>(counts.replaceable)) +
                     L" hedefte paketle eşleşmeyen AKİS DLL bulundu. Daha yeni sürümler değiştirilmez; diğer "
                     L"dosyalar önce yedeklenir.";
  } else {
    state->kind = DllStateKind::SameOrNewerKept;
    state->install_offered = false;
    state->message = L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi.";
  }
}

bool IsSameOrNewerThanBuild(bool machine_read, std::uint16_t machine, bool version_read, PackedVersion version,
                            const PayloadDescriptor& build) {
  return machine_read && machine == build.machine && version_read && version >= kPayloadVersion;
}

bool IsAccessProblem(std::uint32_t code) {
  return code == 5 /* ERROR_ACCESS_DENIED */ || code == 32 /* ERROR_SHARING_VIOLATION */ ||
         code == 33 /* ERROR_LOCK_VIOLATION */;
}

DllState AssessDllState() { return AssessDllStateOn(QuerySystemDirectories()); }

DllState AssessDllStateOn(const SystemDirectories& system) {
  DllState state;
  std::vector<TargetEntry> targets;
  std::wstring message;
  if (!ResolveRequiredTargetsOn(system, &targets, &message)) {
    state.kind = DllStateKind::UnsupportedArchitecture;
    state.message = std::move(message);
    return state;
  }

  TargetCounts counts;
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
    if (!CheckTargetFile(path, &exists, &message, &error)) {
      state.kind = DllStateKind::VerificationFailed;
      state.message = label + L" hedefi: " + message;
      state.install_offered = IsAccessProblem(error);
      return state;
    }
    if (!exists) {
      ++counts.missing;
      state.install_offered = true;
      continue;
    }
    std::wstring digest;
    if (!Sha256FilePath(path, &digest, &message)) {
      state.kind = DllStateKind::VerificationFailed;
      state.message = label + L" hedefi: " + message;
      state.install_offered = true;
      return state;
    }
    if (EqualsIgnoreAsciiCase(digest, payload.sha256)) {
      ++counts.identical;
      continue;
    }
    std::uint16_t machine = 0;
    const bool machine_read = ReadDllMachine(path, &machine);
    PackedVersion version = 0;
    std::wstring version_text;
    const bool version_read = ReadFileVersion(path, &version, &version_text);
    if (IsSameOrNewerThanBuild(machine_read, machine, version_read, version, build)) {
      ++counts.same_or_newer;
    } else {
      ++counts.replaceable;
      state.install_offered = true;
    }
  }
  FoldTargetCounts(counts, targets.size(), &state);
  return state;
}

}  // namespace tavlun
