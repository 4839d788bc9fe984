#include "target/dll_state.h"

#include "core/text.h"

namespace tavlun {

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

}  // namespace tavlun
