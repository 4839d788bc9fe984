#include "check/requirements.h"

#include <utility>

#include "check/check_budget.h"
#include "check/display_text.h"
#include "check/java_discovery.h"
#include "core/text.h"

namespace tavlun {
namespace {

RequirementItem Item(RequirementState state, RequirementRow row, const std::wstring& detail) {
  return MakeRequirementItem(state, RequirementTitle(row), detail);
}

bool EqualsIgnoreCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCaseUnit(a[i]) != FoldCaseUnit(b[i])) return false;
  }
  return true;
}

// Names only the builds this Windows needs: 32-bit Windows has no 64-bit file.
std::wstring MatchingBuildsText(const std::vector<std::wstring>& builds) {
  if (builds.empty()) return L"Gerekli AKİS dosyaları doğru hedeflerde, " + PayloadProductText() + L" paketiyle eşleşiyor.";
  if (builds.size() == 1) return L"Gerekli " + builds[0] + L" dosya doğru hedefte, " + PayloadProductText() + L" paketiyle eşleşiyor.";
  std::wstring names;
  for (std::size_t i = 0; i < builds.size(); ++i) names += (i == 0 ? L"" : L" ve ") + builds[i];
  return L"Gerekli " + names + L" dosyalar doğru hedeflerde, " + PayloadProductText() + L" paketiyle eşleşiyor.";
}

constexpr wchar_t kIdleServiceDetail[] =
    L"Takılı bir kart okuyucu yok; Windows Akıllı Kart hizmeti bir okuyucu takıldığında kendiliğinden başlar.";

// Cards present but not usable for signing: mute (reversed, broken, without chip) or held by another program.
std::wstring UnusableCardsDetail(const PcscProbeOutcome& o) {
  if (o.exclusiveCount == 0) {
    return L"Takılı kart yanıt vermiyor (ters takılmış, arızalı veya çipsiz olabilir); imza için kullanılamaz.";
  }
  if (o.muteCount == 0) {
    return L"Takılı kart başka bir program tarafından özel olarak kullanılıyor; o program kapanana kadar imza için "
           L"kullanılamaz.";
  }
  return L"Takılı kartlar kullanılamıyor: " + DecimalText(o.muteCount) + L" kart yanıt vermiyor, " +
         DecimalText(o.exclusiveCount) + L" kart başka bir program tarafından özel olarak kullanılıyor.";
}

bool PcscReady(const PcscProbeOutcome& o) {
  return o.kind == PcscOutcomeKind::Completed && o.serviceQueried && o.serviceRunning &&
         o.establishResult == kScardSuccess;
}

}  // namespace

RowDisplayState DisplayStateFor(std::uint32_t requirement_state) {
  switch (requirement_state) {
    case static_cast<std::uint32_t>(RequirementState::Ready):
      return RowDisplayState::Ready;
    case static_cast<std::uint32_t>(RequirementState::Missing):
      return RowDisplayState::Missing;
    default:
      return RowDisplayState::Attention;
  }
}

const wchar_t* RowDisplayLabel(std::uint32_t display_state) {
  switch (display_state) {
    case static_cast<std::uint32_t>(RowDisplayState::Ready):
      return L"Hazır";
    case static_cast<std::uint32_t>(RowDisplayState::Attention):
      return L"Dikkat";
    case static_cast<std::uint32_t>(RowDisplayState::Missing):
      return L"Eksik";
    default:
      return L"Bekliyor";
  }
}

const wchar_t* FindingPrefix(std::uint32_t severity) {
  switch (severity) {
    case static_cast<std::uint32_t>(FindingSeverity::Ok):
      return L"OK — ";
    case static_cast<std::uint32_t>(FindingSeverity::Warning):
      return L"Uyarı — ";
    case static_cast<std::uint32_t>(FindingSeverity::Error):
      return L"Hata — ";
    default:
      return L"Bilgi — ";
  }
}

RequirementItem MakeRequirementItem(RequirementState state, const std::wstring& title, const std::wstring& detail) {
  RequirementItem item;
  item.state = static_cast<std::uint32_t>(state);
  item.title = title;
  item.detail = SanitizeForDisplay(detail);
  return item;
}

std::wstring DescribeProbedFile(const ExecutableProbe& probe) {
  if (!probe.found) {
    if (probe.detail.empty()) return L"yok";
    // Left for the time budget, or no folder to look in: not refused.
    if (probe.notExamined) return kNotExaminedDetail;
    if (probe.folderMissing) return probe.detail;
    return L"reddedildi: " + SanitizeForDisplay(probe.detail);
  }
  if (probe.structurallyValid) {
    return std::wstring(L"yerel ve yapısal PE ") + (probe.isDll ? L"DLL" : L"yürütülebilir") +
           L"; güven/imza değerlendirilmedi; mimari=" + probe.machine + L"; dosya sürümü=" + probe.fileVersion;
  }
  return L"var ancak beklenen türde yerel ve yapısal PE olarak doğrulanamadı: " + SanitizeForDisplay(probe.detail);
}

RequirementItem BuildDllItem(bool targets_resolved, bool payloads_verified, const DllState& dll) {
  constexpr RequirementRow kRow = RequirementRow::AkisDll;
  if (!targets_resolved) {
    return Item(RequirementState::Missing, kRow, L"Windows hedef konumu güvenli biçimde çözümlenemedi.");
  }
  if (!payloads_verified) {
    return Item(RequirementState::Missing, kRow, L"Uygulamadaki doğrulanmış akisp11.dll kopyası okunamadı.");
  }
  switch (dll.kind) {
    case DllStateKind::Missing:
      return Item(RequirementState::Missing, kRow, L"Beklenen Windows hedefinde akisp11.dll bulunamadı.");
    case DllStateKind::MatchesPackage:
      return Item(RequirementState::Ready, kRow, MatchingBuildsText(dll.required_builds));
    case DllStateKind::SameOrNewerKept:
      return Item(RequirementState::Attention, kRow,
                  L"Paket sürümüyle eşleşmeyen aynı veya daha yeni bir AKİS sürümü bulundu ve korundu.");
    case DllStateKind::DifferentFile:
      // The file is there; what the offered installation does with it is the reservation.
      if (dll.install_offered) {
        return Item(RequirementState::Attention, kRow,
                    L"Farklı bir akisp11.dll bulundu; kurulum önce yedeğini alıp paketteki dosyayla "
                    L"değiştirecek.");
      }
      return Item(RequirementState::Missing, kRow,
                  L"Hedefte farklı bir akisp11.dll bulundu; otomatik olarak değiştirilmedi.");
    case DllStateKind::UnsupportedArchitecture:
      return Item(RequirementState::Missing, kRow, L"Bu Windows mimarisi uygulamadaki AKİS DLL ile uyumlu değil.");
    default:
      return Item(RequirementState::Missing, kRow,
                  dll.message.empty() ? std::wstring(L"AKİS DLL durumu doğrulanamadı.") : dll.message);
  }
}

RequirementItem BuildRuntimeItem(const DllState& dll) {
  constexpr RequirementRow kRow = RequirementRow::Runtime;
  if (dll.kind == DllStateKind::MatchesPackage && dll.package_verified) {
    if (dll.runtime_confirmed) {
      return Item(RequirementState::Ready, kRow,
                  PayloadProductText() + L" yalnız Windows sistem bileşenlerini kullanıyor; ayrı Visual C++ paketi gerektirmiyor.");
    }
    return Item(RequirementState::Missing, kRow, L"AKİS çalışma zamanı uygunluğu doğrulanamadı.");
  }
  return Item(RequirementState::Attention, kRow,
              L"AKİS DLL paketi tam doğrulanmadığından çalışma zamanı sonucu kesinleştirilemedi.");
}

RequirementItem BuildJavaItem(std::uint32_t candidate_count, std::uint32_t eligible_count,
                              std::uint32_t below_minimum_count, std::uint32_t unknown_version_count) {
  constexpr RequirementRow kRow = RequirementRow::Java;
  if (eligible_count > 0) {
    return Item(RequirementState::Ready, kRow,
                DecimalText(eligible_count) + L" yerel Java çalıştırıcısı sürüm 7 veya üzeri olarak bildiriliyor.");
  }
  if (candidate_count == 0) {
    return Item(RequirementState::Missing, kRow,
                L"Yerel bir Java çalıştırıcısı bulunamadı veya güvenli biçimde incelenemedi.");
  }
  if (below_minimum_count > 0) {
    return Item(RequirementState::Attention, kRow,
                L"Java bulundu ancak bildirilen sürümü e-Devlet JNLP asgarisi olan 7'nin altında.");
  }
  if (unknown_version_count > 0) {
    return Item(RequirementState::Attention, kRow,
                L"Java bulundu ancak sürümü belirlenemedi; 7 veya üzeri gereksinimi doğrulanamadı.");
  }
  return Item(RequirementState::Attention, kRow, L"Java bulundu ancak uygunluğu doğrulanamadı.");
}

RequirementItem BuildJnlpItem(JnlpOpenerKind opener_kind) {
  constexpr RequirementRow kRow = RequirementRow::Jnlp;
  switch (opener_kind) {
    case JnlpOpenerKind::NoOpener:
      return Item(RequirementState::Missing, kRow, L".jnlp dosyaları için kayıtlı bir Web Start açıcısı bulunamadı.");
    case JnlpOpenerKind::OpenerNotExamined:
      return Item(RequirementState::Attention, kRow, L"Kayıtlı .jnlp açıcısı güvenli biçimde incelenemedi.");
    case JnlpOpenerKind::JavawsOpener:
      return Item(RequirementState::Ready, kRow, L".jnlp dosyaları için yerel javaws.exe başlatıcısı kayıtlı.");
    default:
      return Item(RequirementState::Attention, kRow,
                  L"Kayıtlı .jnlp açıcısı javaws.exe değil; Web Start uygunluğu belirsiz.");
  }
}

RequirementItem BuildSmartCardServiceItem(const PcscProbeOutcome& o) {
  constexpr RequirementRow kRow = RequirementRow::SmartCardService;
  if (o.kind != PcscOutcomeKind::Completed) {
    return Item(RequirementState::Attention, kRow,
                L"Windows akıllı kart denetimi tamamlanamadı; hizmet durumu belirlenemedi.");
  }
  if (!o.serviceQueried) {
    return Item(RequirementState::Attention, kRow, L"Windows Akıllı Kart hizmetinin durumu okunamadı.");
  }
  // Stopped is the normal state of an on-demand service while no reader is attached.
  if (PcscIdleWithoutReader(o)) return Item(RequirementState::Attention, kRow, kIdleServiceDetail);
  if (!o.serviceRunning) {
    if (ClassifyServiceStart(o.serviceStart) == ServiceStart::Disabled) {
      return Item(RequirementState::Missing, kRow,
                  L"Windows Akıllı Kart hizmeti devre dışı; bir kart okuyucu takılsa da başlamaz.");
    }
    return Item(RequirementState::Missing, kRow,
                L"Windows Akıllı Kart hizmeti çalışmıyor; uygulama hizmeti başlatmadı.");
  }
  if (o.establishResult != kScardSuccess) {
    return Item(RequirementState::Missing, kRow, L"Hizmet çalışıyor ancak salt okunur PC/SC bağlantısı kurulamadı.");
  }
  return Item(RequirementState::Ready, kRow, L"Windows Akıllı Kart hizmeti çalışıyor ve PC/SC bağlantısı hazır.");
}

RequirementItem BuildReaderItem(const PcscProbeOutcome& o) {
  constexpr RequirementRow kRow = RequirementRow::ReaderAndCard;
  if (PcscIdleWithoutReader(o)) {
    return Item(RequirementState::Missing, kRow, L"Windows tarafından görülen bir kart okuyucu bulunamadı.");
  }
  if (!PcscReady(o)) {
    return Item(RequirementState::Attention, kRow,
                L"Akıllı kart altyapısı hazır olmadığı için okuyucu ve kart durumu belirlenemedi.");
  }
  if (o.listResult == kScardNoReadersAvailable || (o.listResult == kScardSuccess && o.readerCount == 0)) {
    return Item(RequirementState::Missing, kRow, L"Windows tarafından görülen bir kart okuyucu bulunamadı.");
  }
  if (o.listResult != kScardSuccess) {
    return Item(RequirementState::Attention, kRow, L"Kart okuyucu listesi alınamadı; cihaz durumu belirlenemedi.");
  }
  switch (ClassifyCardPresence(o)) {
    case CardPresence::CardPresent: {
      // A card was detected; whether it is an e-signature card is not checked.
      std::wstring detail = DecimalText(o.readerCount) + L" okuyucu görüldü; " + DecimalText(UsableCardCount(o)) +
                            L" okuyucuda kart algılandı (kart türü denetlenmedi).";
      const std::uint32_t unusable = o.presentCount - UsableCardCount(o);
      if (unusable > 0) detail += L" " + DecimalText(unusable) + L" okuyucudaki kart kullanılamıyor.";
      return Item(RequirementState::Ready, kRow, detail);
    }
    case CardPresence::CardNotUsable:
      return Item(RequirementState::Attention, kRow, UnusableCardsDetail(o));
    case CardPresence::NoCard:
      return Item(RequirementState::Missing, kRow,
                  DecimalText(o.readerCount) + L" okuyucu görüldü ancak takılı bir kart bulunamadı.");
    default:
      return Item(RequirementState::Attention, kRow,
                  L"Okuyucu görüldü ancak kart varlığı güvenilir biçimde belirlenemedi.");
  }
}

std::vector<RequirementItem> NormalizeRequirementItems(const std::vector<RequirementItem>& items) {
  std::vector<RequirementItem> normalized;
  normalized.reserve(kRequirementCount);
  for (const wchar_t* title : kRequirementTitles) {
    const RequirementItem* match = nullptr;
    for (const RequirementItem& item : items) {
      if (EqualsIgnoreCase(item.title, title)) {
        match = &item;
        break;
      }
    }
    if (match != nullptr) {
      normalized.push_back(*match);
    } else {
      RequirementItem missing;
      missing.state = static_cast<std::uint32_t>(RequirementState::Attention);
      missing.title = title;
      missing.detail = L"Bu gereksinimin sonucu üretilemedi.";
      normalized.push_back(std::move(missing));
    }
  }
  return normalized;
}

}  // namespace tavlun
