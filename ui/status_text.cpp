#include "ui/status_text.h"

#include "check/display_text.h"
#include "core/text.h"

namespace tavlun {
namespace {

using namespace palette;

// First 8 and last 4 digits, or the whole text when it is too short to shorten.
std::wstring DigestFragment(const std::wstring& sha256) {
  if (sha256.size() <= 12) return sha256;
  return sha256.substr(0, 8) + L"…" + sha256.substr(sha256.size() - 4);
}

}  // namespace

StatusHeadline HeadlineFor(const DllState& state) {
  switch (state.kind) {
    case DllStateKind::MatchesPackage:
      return state.runtime_confirmed ? StatusHeadline{L"Kurulum hazır", kReadyGreen}
                                     : StatusHeadline{L"DLL hazır; ek bileşen gerekiyor", kAttentionAmber};
    case DllStateKind::SameOrNewerKept:
      // The version found may equal the package's, so it is not called newer.
      return {L"Aynı veya daha yeni AKİS sürümü korundu", kAttentionAmber};
    case DllStateKind::DifferentFile:
      return {L"Farklı bir DLL bulundu", kAttentionAmber};
    case DllStateKind::UnsupportedArchitecture:
      return {L"Bu sistem desteklenmiyor", kMissingRed};
    case DllStateKind::VerificationFailed:
      return {L"Güvenlik doğrulaması başarısız", kMissingRed};
    default:
      return {L"Kurulum gerekli", kAttentionAmber};
  }
}

std::wstring StatusDetailText(const DllState& state, bool busy, bool checking, bool awaitingApproval) {
  if (!busy) return state.message;
  if (checking) return L"Salt okunur sistem kontrolü yapılıyor…";
  return awaitingApproval ? L"Windows yönetici onayı bekleniyor…" : L"Kurulum yapılıyor…";
}

std::wstring TargetPathText(const DllState& state) {
  return state.targets_text.empty() ? L"Hedef yol çözümlenemedi" : state.targets_text;
}

const wchar_t* InstallButtonText(DllStateKind kind) {
  return kind == DllStateKind::MatchesPackage || kind == DllStateKind::SameOrNewerKept ? L"DLL'leri doğrula"
                                                                                       : L"AKİS DLL'lerini kur";
}

const wchar_t* CheckButtonText(bool checking, CheckState check_state) {
  if (checking) return L"Kontrol ediliyor…";
  return check_state == CheckState::Done ? L"Yeniden kontrol et" : L"Sistem kontrolü";
}

ButtonStates EnabledButtons(bool busy, CheckState check_state, bool install_offered) {
  ButtonStates states;
  states.install = !busy && install_offered;
  states.check = !busy;
  states.guide = !busy;
  states.copy = !busy && check_state == CheckState::Done;
  return states;
}

std::wstring ComposeRowText(const std::wstring& title, std::uint32_t display_state, const std::wstring& detail) {
  const std::wstring safe_detail = SanitizeForDisplay(detail);
  std::wstring text = title + L"\t";
  if (display_state == static_cast<std::uint32_t>(RowDisplayState::Pending)) {
    return text + (safe_detail.empty() ? std::wstring(L"Bekliyor") : safe_detail);
  }
  text += RowDisplayLabel(display_state);
  if (!safe_detail.empty()) text += L" — " + safe_detail;
  return text;
}

StateCounts CountStates(const std::vector<RequirementItem>& items) {
  StateCounts counts;
  for (const RequirementItem& item : items) {
    if (item.state == static_cast<std::uint32_t>(RequirementState::Ready)) {
      ++counts.ready;
    } else if (item.state == static_cast<std::uint32_t>(RequirementState::Missing)) {
      ++counts.missing;
    } else {
      ++counts.attention;
    }
  }
  return counts;
}

std::wstring SummaryText(const std::vector<RequirementItem>& items) {
  const StateCounts counts = CountStates(items);
  return DecimalText(counts.ready) + L" hazır  •  " + DecimalText(counts.attention) + L" dikkat  •  " +
         DecimalText(counts.missing) + L" eksik";
}

std::wstring RequirementsTitleText(CheckState check_state) {
  return check_state == CheckState::Done ? L"Sistem kontrolü tamamlandı" : L"Sistem gereksinimleri";
}

std::wstring RequirementsStatusText(CheckState check_state, std::size_t reveal_position,
                                    const std::vector<RequirementItem>& items) {
  switch (check_state) {
    case CheckState::Done:
      return SummaryText(items);
    case CheckState::Revealing:
      return DecimalText(static_cast<std::uint64_t>(reveal_position)) + L" / " +
             DecimalText(static_cast<std::uint32_t>(kRequirementCount)) + L" sonuç gösteriliyor";
    default:
      return L"Gereksinimler salt okunur olarak denetleniyor…";
  }
}

std::wstring PayloadVersionText(bool vendor_build, bool vendor_signed) {
  return std::wstring(L"v") + kPayloadVersionText + L"  •  32-bit + 64-bit  •  " +
         (!vendor_build   ? L"geliştirme yedeği, imzasız"
          : vendor_signed ? L"TÜBİTAK BİLGEM imzalı"
                          : L"resmî paket, imzasız");
}

std::wstring HashValueText(const std::wstring& sha256_build32, const std::wstring& sha256_build64) {
  return L"x86 " + DigestFragment(sha256_build32) + L"  •  x64 " + DigestFragment(sha256_build64);
}

std::wstring FooterText() {
  return std::wstring(kProductDomain) +
         L" • İnternetten dosya indirmez • regsvr32 çalıştırmaz • farklı dosyayı önce yedekler";
}

}  // namespace tavlun
