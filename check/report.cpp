#include "check/report.h"

#include <utility>

#include "check/display_text.h"
#include "check/official_links.h"
#include "core/text.h"
#include "integrity/payload.h"

namespace tavlun {
namespace {

constexpr wchar_t kTitle[] = L"Tavlun Yardımcısı";

// The two texts, written side by side.
struct Texts {
  std::wstring full;
  std::wstring clip;

  void Both(const std::wstring& text) {
    full += text;
    clip += text;
  }
};

// Cuts to `limit` characters and appends the note. A surrogate pair on the limit is not split: the cut moves one
// character back so the text stays well-formed UTF-16.
std::wstring CutToLimit(std::wstring text, std::size_t limit, const wchar_t* note) {
  if (text.size() <= limit) return text;
  std::size_t keep = limit;
  if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  text.resize(keep);
  text += note;
  return text;
}

std::wstring Redact(const ReportFacts& f, const std::wstring& path) { return RedactPathText(path, f.redaction); }

// A signer's name as the report shows it: display-safe, and withheld altogether when the path redaction would
// change it or it holds the user's name (a company signs the AKİS files; a person's name or folder has no place
// in the report). A name is not a path, so it is not otherwise rewritten ("A.Ş." keeps its dot).
std::wstring SignerForReport(const ReportFacts& f, const std::wstring& signer) {
  const std::wstring shown = SanitizeForDisplay(signer);
  if (shown.empty()) return shown;
  const bool private_part = RedactPathText(shown, f.redaction) != ResolvePathText(shown) ||
                            HoldsPrivateName(shown, f.redaction, f.userName);
  return private_part ? std::wstring(kUnnamedProgramWord) : shown;
}

// The state message with every signer it names as the report shows it.
std::wstring StateMessageForReport(const ReportFacts& f) {
  std::wstring message = f.dllState.message;
  for (const FoundFileSignature& found : f.dllState.found_files) {
    const std::wstring& signer = found.check.signer;
    if (signer.empty()) continue;
    const std::wstring shown = SignerForReport(f, signer);
    for (std::size_t at = message.find(signer); at != std::wstring::npos; at = message.find(signer, at + shown.size())) {
      message.replace(at, signer.size(), shown);
    }
  }
  return message;
}

// One line per file found at a target: what its signature says (a file identical to the build needs no check).
void WriteFoundFileSignatures(Texts& t, const ReportFacts& f) {
  for (const FoundFileSignature& found : f.dllState.found_files) {
    t.Both(L"AKİS " + found.label + L" dosyası imzası=" +
           (found.identical ? std::wstring(L"paketle aynı dosya; ayrıca denetlenmedi")
                            : SanitizeForDisplay(SignatureResultText(found.check, SignerForReport(f, found.check.signer)))) +
           L"\r\n");
  }
}

std::wstring OpenerName(const ReportFacts& f) {
  if (!f.jnlpExamined) return L"incelenmedi";
  if (f.jnlp.openerPath.empty()) return L"yok";
  return ProgramNameForClipboard(f.jnlp.openerPath, f.redaction, f.userName);
}

std::wstring JoinedDisplaySafe(const std::vector<std::wstring>& items) {
  std::wstring text;
  for (const std::wstring& item : items) {
    if (!text.empty()) text += L", ";
    text += SanitizeForDisplay(item);
  }
  return text;
}

void WriteHeader(Texts& t, const ReportFacts& f) {
  // Which program made the report, so a support person can tell a development build from the released one.
  const std::wstring tool = L"Araç sürümü=" + SanitizeForDisplay(f.toolVersion) + L"; gömülü DLL: " +
                            (f.vendorPayload ? L"resmî paket" : L"geliştirme yedeği") + L"\r\n";
  t.full += std::wstring(kTitle) + L" — Salt Okunur Sistem Kontrolü\r\n" + tool +
            L"İnternet erişimi, dosya yazma, Java/vendor kodu çalıştırma, karta bağlanma ve PIN isteği yapılmadı.\r\n" +
            L"Rapor TCKN, sertifika konusu ve PIN içermez.\r\n\r\n";
  t.clip += std::wstring(kTitle) + L" — Salt Okunur Sistem Kontrolü\r\n" + tool +
            L"Gizlilik: TCKN, sertifika konusu, PIN ve kart okuyucu adları panoya dahil edilmedi.\r\n\r\n";
}

void WriteSystem(Texts& t, const ReportFacts& f) {
  t.Both(L"[Sistem]\r\nOS=" + SanitizeForDisplay(f.windowsVersion) + L"\r\nNative mimari=" +
         SanitizeForDisplay(f.nativeArchitecture) + L"\r\nYerel zaman=" + SanitizeForDisplay(f.localTime) + L"\r\n");
}

void WriteTargets(Texts& t, DiagnosticReport& report, const ReportFacts& f) {
  if (!f.targetsResolved) {
    AddFinding(report, FindingSeverity::Error, f.targetsMessage);
    t.full += L"AKİS hedefi=çözülemedi: " + SanitizeForDisplay(f.targetsMessage) + L"\r\n\r\n";
    t.clip += L"AKİS hedefi=çözülemedi\r\n\r\n";
    return;
  }
  for (const ReportTarget& target : f.targets) {
    t.Both(L"AKİS " + target.label + L" hedefi=" + Redact(f, target.displayPath) + L" (" + target.route + L")\r\n");
  }
  t.Both(L"\r\n");
}

void WriteDll(Texts& t, DiagnosticReport& report, const ReportFacts& f) {
  const DllState& dll = f.dllState;
  t.Both(std::wstring(L"[AKİS DLL]\r\nGömülü sürüm=") + kPayloadVersionText + L"\r\n" + L"32-bit beklenen SHA-256=" +
         f.expectedSha256Build32 + L"\r\n" + L"64-bit beklenen SHA-256=" + f.expectedSha256Build64 + L"\r\n");
  t.full += L"Gömülü doğrulama=" +
            (f.payloadsVerified ? std::wstring(L"başarılı") : SanitizeForDisplay(f.payloadMessage)) + L"\r\n" +
            L"Önemli: Hash yalnız bu araçtaki gömülü dosyalarla byte kimliğini kanıtlar; gelecekteki güncelliği "
            L"kanıtlamaz. " +
            L"Kamu SM kılavuzuna uygun olarak güncel akisp11.dll resmî sürücü hizmetinden alınmalıdır.\r\n";
  t.clip += L"Hash bu araçtaki gömülü dosyalarla kimliği kanıtlar; gelecekteki güncelliği kanıtlamaz.\r\n";

  if (!f.payloadsVerified) {
    AddFinding(report, FindingSeverity::Error, L"Gömülü akisp11.dll doğrulanamadı.");
  } else if (dll.kind == DllStateKind::Missing) {
    AddFinding(report, FindingSeverity::Error, L"akisp11.dll beklenen Windows hedefinde bulunamadı.");
  } else if (dll.kind == DllStateKind::MatchesPackage && !dll.package_verified) {
    AddFinding(report, FindingSeverity::Error, dll.message);
  } else if (dll.kind == DllStateKind::MatchesPackage && dll.runtime_confirmed) {
    AddFinding(report, FindingSeverity::Ok,
               L"Gerekli " + PayloadProductText() + L" dosyaları doğrulandı; ayrı Visual C++ çalışma zamanı gerekmiyor.");
  } else if (dll.kind == DllStateKind::MatchesPackage) {
    AddFinding(report, FindingSeverity::Warning, L"Kurulu AKİS dosyalarının çalışma zamanı uygunluğu doğrulanamadı.");
  } else if (dll.kind == DllStateKind::SameOrNewerKept) {
    AddFinding(report, FindingSeverity::Warning,
               L"Aynı veya daha yeni sürüm bildiren farklı bir AKİS DLL bulundu; otomatik olarak korunuyor.");
  } else if (dll.kind == DllStateKind::DifferentFile) {
    AddFinding(report, FindingSeverity::Error,
               L"Kurulu AKİS dosyalarından biri bu aracın gömülü kopyasıyla eşleşmiyor.");
  } else {
    AddFinding(report, FindingSeverity::Error, dll.message);
  }
  report.items.push_back(BuildDllItem(f.targetsResolved, f.payloadsVerified, dll));
  report.items.push_back(BuildRuntimeItem(dll));
  if (!f.leftoverEngineFiles.empty()) {
    const std::wstring names = JoinedDisplaySafe(f.leftoverEngineFiles);
    AddFinding(report, FindingSeverity::Warning,
               L"Sistem klasöründe yarıda kalmış bir kurulumdan geçici dosya kaldı: " + names + L".");
    t.Both(L"Kalan geçici dosyalar=" + names + L"\r\n");
  }

  const wchar_t* runtime = dll.package_verified && dll.runtime_confirmed ? L"ayrı Visual C++ paketi gerekmiyor"
                           : dll.package_verified                        ? L"doğrulanamadı"
                                                  : L"paket tam doğrulanmadığı için kesinleştirilemedi";
  WriteFoundFileSignatures(t, f);
  t.Both(L"Kurulu durum=" + SanitizeForDisplay(StateMessageForReport(f)) + L"\r\nÇalışma zamanı=" + runtime +
         L"\r\nResmî güncelleme=" + kCertificateAuthorityDriverServiceUrl + L"\r\n\r\n");
}

struct JavaCounts {
  std::uint32_t structuralJava = 0;
  std::uint32_t eligible = 0;
  std::uint32_t belowMinimum = 0;
  std::uint32_t unknownVersion = 0;
  std::uint32_t structuralJavaws = 0;
  bool allJava11OrNewer = true;
};

JavaCounts WriteJava(Texts& t, DiagnosticReport& report, const ReportFacts& f) {
  JavaCounts c;
  t.full += L"[Java — JavaSoft HKLM/HKCU, iki WOW64 görünümü ve JAVA_HOME]\r\n";
  t.clip += L"[Java]\r\n";
  if (f.javaCandidates.empty()) t.Both(L"Aday bulunamadı.\r\n");

  std::uint32_t n = 0;
  for (const JavaCandidate& java : f.javaCandidates) {
    ++n;
    if (java.javaExe.structurallyValid) {
      ++c.structuralJava;
      if (java.majorVersion >= 7) {
        ++c.eligible;
      } else if (java.majorVersion >= 1) {
        ++c.belowMinimum;
      } else {
        ++c.unknownVersion;
      }
      if (java.majorVersion < 11) c.allJava11OrNewer = false;
    }
    if (java.javawsExe.structurallyValid) ++c.structuralJavaws;

    const std::wstring number = DecimalText(n);
    const std::wstring release_version = SanitizeForDisplay(java.releaseVersion);
    const std::wstring release_arch = SanitizeForDisplay(java.releaseArch);
    const std::wstring java_exe = DescribeProbedFile(java.javaExe);
    const std::wstring javaws_exe = DescribeProbedFile(java.javawsExe);
    t.full += L"Java #" + number + L"\r\n" + L"  Kaynak=" + SanitizeForDisplay(java.sources) + L"\r\n" +
              L"  Home=" + Redact(f, java.home) + L"\r\n" + L"  release JAVA_VERSION=" +
              (release_version.empty() ? std::wstring(L"yok") : release_version) + L"; OS_ARCH=" +
              (release_arch.empty() ? std::wstring(L"yok") : release_arch) + L"\r\n" + L"  java.exe=" + java_exe +
              L"\r\n" + L"  javaws.exe=" + javaws_exe + L"\r\n";
    t.clip += L"Java #" + number + L": home yolu gizlendi; sürüm=" +
              (release_version.empty() ? SanitizeForDisplay(java.registryVersion) : release_version) + L"; java=" +
              java_exe + L"; javaws=" + javaws_exe + L"\r\n";
  }
  t.Both(L"Yapısal java.exe sayısı=" + DecimalText(c.structuralJava) + L"; yapısal javaws.exe sayısı=" +
         DecimalText(c.structuralJavaws) + L"\r\n");
  if (f.javaListFull) t.Both(L"Aday listesi sınırda doldu; sonraki Java ev dizinleri listelenmedi.\r\n");

  if (c.structuralJava > 0 && c.eligible > 0) {
    AddFinding(report, FindingSeverity::Info,
               DecimalText(c.eligible) +
                   L" Java programının bildirilen sürümü e-Devlet JNLP asgarisi olan 7 veya üzeri; güven, güncellik "
                   L"ve JNLP uyumluluğu doğrulanmadı.");
  } else if (c.structuralJava > 0) {
    AddFinding(report, FindingSeverity::Warning,
               L"Java programı bulundu ancak hiçbirinin bildirilen sürümünün 7 veya üzeri olduğu doğrulanamadı.");
  } else {
    AddFinding(report, FindingSeverity::Warning,
               L"Yerel bir Java programı bulunamadı veya bulunan dosya güvenli biçimde incelenemedi.");
  }
  if (c.belowMinimum > 0) {
    AddFinding(report, FindingSeverity::Warning,
               DecimalText(c.belowMinimum) +
                   L" Java çalıştırıcısının bildirilen sürümü e-Devlet JNLP asgarisi olan 7'nin altında.");
  }
  if (c.unknownVersion > 0) {
    AddFinding(report, FindingSeverity::Warning,
               DecimalText(c.unknownVersion) +
                   L" Java programının sürümü belirlenemedi; 7+ gereksinimi doğrulanamadı.");
  }
  if (f.javaListFull) {
    AddFinding(report, FindingSeverity::Warning,
               DecimalText(static_cast<std::uint64_t>(f.javaCandidates.size())) +
                   L" Java ev dizini listelendi; daha fazlası bildirildiği için sonrakiler incelenmedi.");
  }
  report.items.push_back(BuildJavaItem(c.structuralJava, c.eligible, c.belowMinimum, c.unknownVersion));
  return c;
}

void WriteJnlp(Texts& t, DiagnosticReport& report, const ReportFacts& f,
               const JavaCounts& java) {
  const JnlpAssociation& jnlp = f.jnlp;
  const std::wstring verification = DescribeProbedFile(jnlp.opener);
  t.full += std::wstring(L"\r\n[Etkin .jnlp ilişkilendirmesi]\r\n") + L"AssocQueryString HRESULT=0x" +
            HexDigitsNoPad(static_cast<std::uint32_t>(jnlp.queryResult)) + L"\r\n" + L"Yürütücü=" +
            (!f.jnlpExamined             ? std::wstring(L"incelenmedi")
             : jnlp.openerPath.empty() ? std::wstring(L"yok")
                                       : Redact(f, jnlp.openerPath)) +
            L"\r\n" + L"Doğrulama=" + verification + L"\r\n";
  t.clip += L"\r\n[Etkin .jnlp ilişkilendirmesi]\r\nYürütücü adı=" + OpenerName(f) + L"; tam yol panodan çıkarıldı" +
            L"\r\nDoğrulama=" + verification + L"\r\n";

  // An association that was not looked up is not said to be missing.
  const JnlpOpenerKind kind =
      f.jnlpExamined ? ClassifyJnlpOpener(jnlp.openerFound, jnlp.opener.structurallyValid, jnlp.openerPath)
                     : JnlpOpenerKind::OpenerNotExamined;
  if (kind == JnlpOpenerKind::JavawsOpener) {
    AddFinding(report, FindingSeverity::Info,
               L".jnlp için javaws.exe adlı olası bir Web Start başlatıcısı kayıtlı; çalıştırılmadı ve güven/imza "
               L"değerlendirilmedi.");
  } else {
    if (kind == JnlpOpenerKind::OtherOpener) {
      AddFinding(report, FindingSeverity::Warning,
                 L".jnlp için kayıtlı bir açıcı bulundu ancak adı javaws.exe değil; Web Start uygunluğu "
                 L"doğrulanamadı.");
    } else if (kind == JnlpOpenerKind::OpenerNotExamined) {
      AddFinding(report, FindingSeverity::Warning, L".jnlp için kayıtlı açıcı güvenli biçimde incelenemedi.");
    } else {
      AddFinding(report, FindingSeverity::Warning, L"Etkin bir .jnlp dosya açıcısı bulunamadı.");
    }
    std::wstring note = L"Java'nın bulunması JNLP/Web Start desteği anlamına gelmez";
    if (java.structuralJava > 0 && java.allJava11OrNewer) note += L"; Java 11+ tek başına yeterli sayılmaz";
    note += L". En azından kayıtlı, yerel ve yapısal javaws.exe göstergesi gerekir.";
    AddFinding(report, FindingSeverity::Warning, note);
  }
  report.items.push_back(BuildJnlpItem(kind));

  t.full += std::wstring(L"Not: e-Devlet JNLP tanımı Java 1.7+ ister ve mimari kısıtı bildirmez. Native modül uyumu, ") +
            L"başlatıcının/JNLP çalışma zamanının seçtiği Java mimarisine bağlıdır; x64 Java tek başına hata "
            L"sayılmaz. " +
            L"Bu bilgi güvenlik desteği sona ermiş Java 7'yi kurma önerisi değildir.\r\n\r\n";
  t.clip += std::wstring(L"Not: Java varlığı JNLP desteğini kanıtlamaz; Java 11+ tek başına yeterli değildir. ") +
            L"x86/x64 bilgidir; kayıtlı javaws.exe yalnız olası Web Start göstergesidir ve çalıştırılmamıştır."
            L"\r\n\r\n";
}

constexpr wchar_t kIdleServiceFinding[] =
    L"Takılı kart okuyucu görülmedi; Akıllı Kart (SCardSvr) hizmeti bir okuyucu takıldığında Windows tarafından "
    L"başlatılır.";

// Cards reported present that cannot sign: mute (reversed, broken, without chip) or held by another program.
void AddUnusableCardsFinding(DiagnosticReport& report, const PcscProbeOutcome& o) {
  AddFinding(report, FindingSeverity::Warning,
             DecimalText(static_cast<std::uint64_t>(o.presentCount) - UsableCardCount(o)) +
                 L" okuyucuda kart takılı ancak kullanılamıyor (" + DecimalText(o.muteCount) + L" kart yanıt vermiyor, " +
                 DecimalText(o.exclusiveCount) + L" kart başka bir programın özel kullanımında).");
}

void WritePcsc(Texts& t, DiagnosticReport& report, const ReportFacts& f) {
  const PcscProbeOutcome& o = f.pcsc;
  t.full += L"[PC/SC — salt okunur]\r\n";
  t.clip += L"[PC/SC — yalnız toplam sayılar]\r\n";
  if (o.kind == PcscOutcomeKind::TimedOut) {
    AddFinding(report, FindingSeverity::Warning, PcscTimedOutFinding());
    t.full += SanitizeForDisplay(o.detail) + L"\r\n";
    t.clip += PcscTimedOutClipboardLine() + L"\r\n";
  } else if (!f.pcscExamined) {
    // Left for the time budget (named with the other parts left): no helper ran, so none failed.
    t.Both(std::wstring(L"PC/SC sonucu=") + kNotExaminedDetail + L"\r\n");
  } else if (o.kind != PcscOutcomeKind::Completed) {
    AddFinding(report, FindingSeverity::Warning, L"Windows akıllı kart kontrolü tamamlanamadı.");
    t.full += L"Yardımcı süreç=" + SanitizeForDisplay(o.detail) + L"\r\n";
    t.clip += L"PC/SC sonucu=yardımcı süreç/protokol hatası\r\n";
  } else if (!o.serviceQueried) {
    AddFinding(report, FindingSeverity::Warning, L"Akıllı Kart (SCardSvr) hizmet durumu okunamadı.");
    t.full += L"SCardSvr=" + SanitizeForDisplay(f.serviceErrorText) + L"\r\n";
    t.clip += L"SCardSvr=durum okunamadı\r\n";
  } else if (!o.serviceRunning) {
    if (PcscIdleWithoutReader(o)) {
      AddFinding(report, FindingSeverity::Warning, kIdleServiceFinding);
    } else if (ClassifyServiceStart(o.serviceStart) == ServiceStart::Disabled) {
      AddFinding(report, FindingSeverity::Warning,
                 L"Akıllı Kart (SCardSvr) hizmeti devre dışı; bir kart okuyucu takılsa da başlamaz.");
    } else {
      AddFinding(report, FindingSeverity::Warning,
                 L"Akıllı Kart (SCardSvr) hizmeti çalışmıyor; hizmet otomatik başlatılmadı.");
    }
    t.full += L"SCardSvr=" + ServiceStateText(o.serviceState) + L"; PC/SC çağrıları atlandı.\r\n";
    t.clip += L"SCardSvr=" + ServiceStateText(o.serviceState) + L"; PC/SC atlandı.\r\n";
  } else if (o.establishResult == kScardNoService || o.establishResult == kScardServiceStopped) {
    AddFinding(report, FindingSeverity::Warning,
               PcscIdleWithoutReader(o) ? kIdleServiceFinding : L"Windows akıllı kart hizmeti bağlantıyı kabul etmiyor.");
    t.Both(L"SCardEstablishContext=" + FormatHex32(o.establishResult) + L"\r\n");
  } else if (o.establishResult != kScardSuccess) {
    AddFinding(report, FindingSeverity::Warning, L"Windows akıllı kart altyapısı kontrol için açılamadı.");
    t.Both(L"SCardEstablishContext=" + FormatHex32(o.establishResult) + L"\r\n");
  } else if (o.listResult == kScardNoReadersAvailable) {
    AddFinding(report, FindingSeverity::Warning,
               L"Windows akıllı kart altyapısı çalışıyor ancak kart okuyucu bulunamadı.");
    t.full += L"SCardSvr=çalışıyor; okuyucu yok. Sonuç=" + FormatHex32(o.listResult) + L"\r\n";
    t.clip += L"SCardSvr=çalışıyor; okuyucu sayısı=0\r\n";
  } else if (o.listResult != kScardSuccess) {
    AddFinding(report, FindingSeverity::Warning, L"Windows'tan kart okuyucu listesi alınamadı.");
    t.Both(L"SCardListReaders=" + FormatHex32(o.listResult) + L"\r\n");
  } else if (o.readerCount == 0) {
    AddFinding(report, FindingSeverity::Warning,
               L"Windows kart okuyucu listesini döndürdü ancak listede okuyucu yok.");
    t.full += L"SCardSvr=çalışıyor; okuyucu sayısı=0 (başarılı boş liste)\r\n";
    t.clip += L"SCardSvr=çalışıyor; okuyucu sayısı=0\r\n";
  } else {
    AddFinding(report, FindingSeverity::Ok,
               DecimalText(o.readerCount) + (o.truncated ? L" kart okuyucu örneklendi (liste 64'te sınırlandı)."
                                                         : L" kart okuyucu görüldü."));
    switch (ClassifyCardPresence(o)) {
      case CardPresence::CardPresent:
        AddFinding(report, FindingSeverity::Ok, DecimalText(UsableCardCount(o)) + L" okuyucuda kart mevcut.");
        if (UsableCardCount(o) < o.presentCount) AddUnusableCardsFinding(report, o);
        break;
      case CardPresence::CardNotUsable:
        AddUnusableCardsFinding(report, o);
        break;
      case CardPresence::Undetermined:
        AddFinding(report, FindingSeverity::Warning,
                   L"Kart varlığı tüm okuyucularda belirlenemedi; kart yok sonucu çıkarılmadı.");
        break;
      case CardPresence::NoCard:
        AddFinding(report, FindingSeverity::Warning, L"Okuyucular görüldü ancak takılı kart bulunmadı.");
        break;
    }
    const std::wstring counts = L"SCardSvr=çalışıyor; okuyucu=" + DecimalText(o.readerCount) + L"; kart mevcut=" +
                                DecimalText(o.presentCount) + L"; kart yok=" + DecimalText(o.emptyCount);
    t.full += counts + L"; bilinmiyor=" + DecimalText(o.unknownCount) + L"; kullanılamıyor=" +
              DecimalText(o.unavailableCount) + L"; durum sonucu=" + FormatHex32(o.statusResult) + L"\r\n";
    t.clip += counts + L"; bilinmiyor/kullanılamıyor=" +
              DecimalText(static_cast<std::uint64_t>(o.unknownCount) + o.unavailableCount) + L"\r\n";
  }
  report.items.push_back(BuildSmartCardServiceItem(o));
  report.items.push_back(BuildReaderItem(o));
  t.Both(L"ATR raporlanmadı veya saklanmadı; karta bağlanılmadı, APDU/PIN/sertifika işlemi yapılmadı.\r\n\r\n");
}

void WriteWrapper(Texts& t, DiagnosticReport& report, const ReportFacts& f) {
  t.Both(L"[PKCS11Wrapper.dll — bilgi amaçlı]\r\n");
  std::uint32_t valid = 0;
  std::uint32_t invalid = 0;
  std::uint32_t refused = 0;
  std::uint32_t absent = 0;
  for (const WrapperCandidate& candidate : f.wrappers) {
    t.Both(Redact(f, candidate.displayPath) + L" = " + DescribeProbedFile(candidate.probe) + L"\r\n");
    if (candidate.probe.notExamined) continue;  // named with the parts the time budget left
    if (candidate.probe.structurallyValid) {
      ++valid;
    } else if (candidate.probe.found) {
      ++invalid;
    } else if (!candidate.probe.detail.empty()) {
      ++refused;
    } else {
      ++absent;
    }
  }
  if (valid > 0) {
    AddFinding(report, FindingSeverity::Info,
               DecimalText(valid) + L" PKCS11Wrapper.dll yerel ve yapısal PE olarak bulundu; yalnız bilgi amaçlıdır.");
  }
  if (invalid > 0 || refused > 0) {
    AddFinding(report, FindingSeverity::Info,
               L"PKCS11Wrapper.dll adaylarından " + DecimalText(invalid) + L" tanesi yapısal PE değil, " +
                   DecimalText(refused) + L" tanesi erişilemez/doğrulanamaz durumda; bu kontrol bilgi amaçlıdır.");
  }
  if (f.wrappers.empty()) {
    AddFinding(report, FindingSeverity::Info,
               L"PKCS11Wrapper.dll sistem aday yolları oluşturulamadı; kontrol değerlendirilemedi ve hata "
               L"sayılmadı.");
  } else if (absent > 0) {
    AddFinding(report, FindingSeverity::Info,
               DecimalText(absent) +
                   L" sistem PKCS11Wrapper.dll adayı bulunamadı; uygulama kendi kopyasını taşıyabileceğinden hata "
                   L"sayılmadı.");
  }
  t.full += L"Bu dosyanın yokluğu tek başına hata değildir; e-imza uygulaması kendi kopyasını paketleyebilir.\r\n\r\n";
  t.clip += L"Bu dosyanın yokluğu tek başına hata değildir.\r\n\r\n";
}

void WriteNotExamined(Texts& t, DiagnosticReport& report, const ReportFacts& f) {
  if (f.notExamined.empty()) return;
  const std::wstring parts = JoinedDisplaySafe(f.notExamined);
  AddFinding(report, FindingSeverity::Warning,
             L"Sistem kontrolü " + DecimalText(kCheckTimeLimitMs / 1000) +
                 L" saniyelik süre sınırına ulaştı ve normal olarak sonlandırıldı; incelenmeyenler: " + parts + L".");
  t.Both(L"[Süre sınırı]\r\nİncelenmeyenler=" + parts + L"\r\n\r\n");
}

void WriteLinks(Texts& t) {
  t.full += std::wstring(L"[Resmî bağlantılar — otomatik açılmadı]\r\n") + L"e-Devlet e-İmza=" +
            kStatePortalESignatureUrl + L"\r\n" + L"Kamu SM sürücü hizmeti=" + kCertificateAuthorityDriverServiceUrl +
            L"\r\n";
  t.clip += std::wstring(L"[Resmî bağlantılar]\r\ne-Devlet e-İmza=") + kStatePortalESignatureUrl +
            L"\r\nKamu SM sürücü hizmeti=" + kCertificateAuthorityDriverServiceUrl + L"\r\n";
}

}  // namespace

void AddFinding(DiagnosticReport& report, FindingSeverity severity, const std::wstring& text) {
  ReportFinding finding;
  finding.severity = static_cast<std::uint32_t>(severity);
  finding.text = SanitizeForDisplay(text);
  report.findings.push_back(std::move(finding));
  if (severity == FindingSeverity::Error) report.hasError = true;
  if (severity == FindingSeverity::Warning) report.hasWarning = true;
}

std::wstring FormatFindings(const DiagnosticReport& report) {
  std::wstring text;
  for (const ReportFinding& finding : report.findings) {
    if (!text.empty()) text += L"\r\n";
    text += FindingPrefix(finding.severity);
    text += finding.text;
  }
  return text;
}

DiagnosticReport AssembleDiagnosticReport(const ReportFacts& facts) {
  DiagnosticReport report;
  Texts t;
  WriteHeader(t, facts);
  WriteSystem(t, facts);
  WriteTargets(t, report, facts);
  WriteDll(t, report, facts);
  const JavaCounts java = WriteJava(t, report, facts);
  WriteJnlp(t, report, facts, java);
  WritePcsc(t, report, facts);
  WriteWrapper(t, report, facts);
  WriteNotExamined(t, report, facts);
  WriteLinks(t);
  // The row order is decided in one place, for the report as for the window.
  report.items = NormalizeRequirementItems(report.items);

  report.fullText = CutToLimit(std::move(t.full), kFullTextLimit, kFullTextCutNote);
  report.clipboardText = CutToLimit(L"SONUÇ\r\n" + FormatFindings(report) + L"\r\n\r\n" + t.clip,
                                    kClipboardTextLimit, kClipboardTextCutNote);
  return report;
}

}  // namespace tavlun
