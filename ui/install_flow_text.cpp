#include "ui/install_flow_text.h"

namespace tavlun {
namespace {

constexpr wchar_t kLogFolderHint[] = L"\n\nAyrıntılı günlük: %ProgramData%\\TavlunYardimcisi\\Logs";

}  // namespace

std::optional<Notice> ReverifiedStateNotice(DllStateKind refreshed_kind) {
  if (refreshed_kind == DllStateKind::MatchesPackage) {
    return Notice{L"Gerekli 32-bit ve 64-bit " + PayloadProductText() +
                      L" dosyaları doğrulanmış gömülü kopyalarla byte düzeyinde eşleşiyor. Herhangi bir değişiklik "
                      L"yapılmadı.",
                  NoticeIcon::Information};
  }
  if (refreshed_kind == DllStateKind::SameOrNewerKept) {
    return Notice{L"Aynı veya daha yeni sürüm bildiren farklı bir AKİS DLL bulundu. Olası bir güncel üretici "
                  L"dosyasını düşürmemek için değiştirilmedi.",
                  NoticeIcon::Information};
  }
  return std::nullopt;
}

Notice ElevatedRunNotice(const ElevatedRunEnd& end, DllStateKind refreshed_kind, const std::wstring& refreshed_message) {
  switch (end.stage) {
    case ElevatedRunStage::NotStarted:
      if (end.code == kElevationCancelled) {
        return {L"Yönetici izni iptal edildi; hiçbir değişiklik yapılmadı.", NoticeIcon::Information};
      }
      return {L"Yönetici işlemi başlatılamadı: " + end.error_text, NoticeIcon::Error};
    case ElevatedRunStage::NotWatched:
      return {L"Yönetici işlemi izlenemedi.", NoticeIcon::Error};
    case ElevatedRunStage::Exited:
      break;
  }
  if (end.code == 0 && refreshed_kind == DllStateKind::MatchesPackage) {
    return {L"Gerekli " + PayloadProductText() + L" dosyaları kuruldu ve SHA-256 eşleşmeleri doğrulandı.", NoticeIcon::Information};
  }
  if (end.code == 0 && refreshed_kind == DllStateKind::SameOrNewerKept) {
    return {L"Eksik AKİS dosyaları tamamlandı; aynı veya daha yeni sürüm bildiren farklı dosya güvenlik için korundu.",
            NoticeIcon::Information};
  }
  // Code 31: stopped before any target or without a log; a file held open (browsers) is code 30's cause.
  std::wstring text = end.code == static_cast<std::uint32_t>(kExitElevatedFailedUnlogged) ? kInstallRefusedText
                                                                                           : kInstallFailedText;
  if (!refreshed_message.empty()) text += L"\n\nDurum: " + refreshed_message;
  if (end.code == static_cast<std::uint32_t>(kExitElevatedFailedLogged)) text += kLogFolderHint;
  return {text, NoticeIcon::Error};
}

Notice InProcessOutcomeNotice(const InstallOutcome& outcome) {
  if (outcome.outcome == kOutcomeInstalled) {
    std::wstring text = outcome.message + L"\n\nHedef: " + outcome.target;
    if (!outcome.backup.empty()) text += L"\nYedek: " + outcome.backup;
    return {text, NoticeIcon::Information};
  }
  if (outcome.outcome == kOutcomeAlreadyInstalled) return {outcome.message, NoticeIcon::Information};
  std::wstring text = outcome.message;
  if (outcome.log_written) text += kLogFolderHint;
  return {text, NoticeIcon::Error};
}

}  // namespace tavlun
