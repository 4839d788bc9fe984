#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/report.h"
#include "check/requirements.h"

namespace tavlun {
namespace {

constexpr std::uint32_t kReady = 0;
constexpr std::uint32_t kAttention = 1;
constexpr std::uint32_t kMissing = 2;

DllState State(DllStateKind kind, bool verified = false, bool runtime = false, std::wstring message = L"") {
  DllState state;
  state.kind = kind;
  state.package_verified = verified;
  state.runtime_confirmed = runtime;
  state.message = std::move(message);
  return state;
}

PcscProbeOutcome Pcsc(std::uint32_t readers, std::uint32_t present, std::uint32_t empty, std::uint32_t unknown = 0,
                      std::uint32_t unavailable = 0) {
  PcscProbeOutcome o;
  o.kind = PcscOutcomeKind::Completed;
  o.serviceQueried = true;
  o.serviceRunning = true;
  o.serviceState = 4;
  o.establishResult = 0;
  o.listResult = 0;
  o.statusResult = 0;
  o.readerCount = readers;
  o.presentCount = present;
  o.emptyCount = empty;
  o.unknownCount = unknown;
  o.unavailableCount = unavailable;
  return o;
}

void ExpectItem(const RequirementItem& item, std::uint32_t state, const wchar_t* title, const std::wstring& detail) {
  EXPECT_EQ(item.state, state) << testing::PrintToString(detail);
  EXPECT_EQ(item.title, title);
  EXPECT_EQ(item.detail, detail);
}

TEST(RequirementTitles, SixTitlesInRowOrder) {
  EXPECT_STREQ(RequirementTitle(RequirementRow::AkisDll), L"AKİS DLL");
  EXPECT_STREQ(RequirementTitle(RequirementRow::Runtime), L"Visual C++ bileşenleri");
  EXPECT_STREQ(RequirementTitle(RequirementRow::Java), L"Java");
  EXPECT_STREQ(RequirementTitle(RequirementRow::Jnlp), L"JNLP / Web Start");
  EXPECT_STREQ(RequirementTitle(RequirementRow::SmartCardService), L"Akıllı Kart hizmeti");
  EXPECT_STREQ(RequirementTitle(RequirementRow::ReaderAndCard), L"Okuyucu ve kart");
}

TEST(RowDisplay, LabelsAndMapping) {
  EXPECT_EQ(DisplayStateFor(0), RowDisplayState::Ready);
  EXPECT_EQ(DisplayStateFor(1), RowDisplayState::Attention);
  EXPECT_EQ(DisplayStateFor(2), RowDisplayState::Missing);
  EXPECT_EQ(DisplayStateFor(7), RowDisplayState::Attention);
  EXPECT_STREQ(RowDisplayLabel(0), L"Bekliyor");
  EXPECT_STREQ(RowDisplayLabel(1), L"Hazır");
  EXPECT_STREQ(RowDisplayLabel(2), L"Dikkat");
  EXPECT_STREQ(RowDisplayLabel(3), L"Eksik");
  EXPECT_STREQ(RowDisplayLabel(4), L"Bekliyor");
}

TEST(MakeRequirementItem, SanitisesOnlyTheDetail) {
  const RequirementItem item = MakeRequirementItem(RequirementState::Ready, L" <Java>\r\n", L" a\r\nb<c> ");
  EXPECT_EQ(item.title, L" <Java>\r\n");
  EXPECT_EQ(item.detail, L"a  b_c_");
}

TEST(BuildDllItem, FirstMatchingRowDecides) {
  DllState matches = State(DllStateKind::MatchesPackage, true, true);
  matches.required_builds = {L"32-bit", L"64-bit"};
  ExpectItem(BuildDllItem(false, false, matches), kMissing, L"AKİS DLL",
             L"Windows hedef konumu güvenli biçimde çözümlenemedi.");
  ExpectItem(BuildDllItem(true, false, matches), kMissing, L"AKİS DLL",
             L"Uygulamadaki doğrulanmış akisp11.dll kopyası okunamadı.");
  ExpectItem(BuildDllItem(true, true, State(DllStateKind::Missing)), kMissing, L"AKİS DLL",
             L"Beklenen Windows hedefinde akisp11.dll bulunamadı.");
  ExpectItem(BuildDllItem(true, true, matches), kReady, L"AKİS DLL",
             L"Gerekli 32-bit ve 64-bit dosyalar doğru hedeflerde, " + PayloadProductText() + L" paketiyle eşleşiyor.");
  // 32-bit Windows needs only the 32-bit file, and the row says so.
  matches.required_builds = {L"32-bit"};
  ExpectItem(BuildDllItem(true, true, matches), kReady, L"AKİS DLL",
             L"Gerekli 32-bit dosya doğru hedefte, " + PayloadProductText() + L" paketiyle eşleşiyor.");
  ExpectItem(BuildDllItem(true, true, State(DllStateKind::SameOrNewerKept)), kAttention, L"AKİS DLL",
             L"Paket sürümüyle eşleşmeyen aynı veya daha yeni bir AKİS sürümü bulundu ve korundu.");
  ExpectItem(BuildDllItem(true, true, State(DllStateKind::DifferentFile)), kMissing, L"AKİS DLL",
             L"Hedefte farklı bir akisp11.dll bulundu; otomatik olarak değiştirilmedi.");
  // A different file that the offered installation backs up and replaces is there: attention, not missing.
  DllState replaceable = State(DllStateKind::DifferentFile);
  replaceable.install_offered = true;
  ExpectItem(BuildDllItem(true, true, replaceable), kAttention, L"AKİS DLL",
             L"Farklı bir akisp11.dll bulundu; kurulum önce yedeğini alıp paketteki dosyayla değiştirecek.");
  ExpectItem(BuildDllItem(true, true, State(DllStateKind::UnsupportedArchitecture)), kMissing, L"AKİS DLL",
             L"Bu Windows mimarisi uygulamadaki AKİS DLL ile uyumlu değil.");
  ExpectItem(BuildDllItem(true, true, State(DllStateKind::VerificationFailed, false, false, L"x\r\ny")), kMissing,
             L"AKİS DLL", L"x  y");
  ExpectItem(BuildDllItem(true, true, State(DllStateKind::VerificationFailed)), kMissing, L"AKİS DLL",
             L"AKİS DLL durumu doğrulanamadı.");
}

TEST(BuildRuntimeItem, ConfirmedOnlyForAVerifiedPackage) {
  ExpectItem(BuildRuntimeItem(State(DllStateKind::MatchesPackage, true, true)), kReady, L"Visual C++ bileşenleri",
             PayloadProductText() + L" yalnız Windows sistem bileşenlerini kullanıyor; ayrı Visual C++ paketi gerektirmiyor.");
  ExpectItem(BuildRuntimeItem(State(DllStateKind::MatchesPackage, true, false)), kMissing, L"Visual C++ bileşenleri",
             L"AKİS çalışma zamanı uygunluğu doğrulanamadı.");
  for (DllStateKind kind : {DllStateKind::Missing, DllStateKind::SameOrNewerKept, DllStateKind::VerificationFailed}) {
    ExpectItem(BuildRuntimeItem(State(kind, true, true)), kAttention, L"Visual C++ bileşenleri",
               L"AKİS DLL paketi tam doğrulanmadığından çalışma zamanı sonucu kesinleştirilemedi.");
  }
  ExpectItem(BuildRuntimeItem(State(DllStateKind::MatchesPackage, false, false)), kAttention,
             L"Visual C++ bileşenleri",
             L"AKİS DLL paketi tam doğrulanmadığından çalışma zamanı sonucu kesinleştirilemedi.");
}

TEST(BuildJavaItem, CountsDecideInOrder) {
  ExpectItem(BuildJavaItem(3, 2, 1, 0), kReady, L"Java",
             L"2 yerel Java çalıştırıcısı sürüm 7 veya üzeri olarak bildiriliyor.");
  ExpectItem(BuildJavaItem(0, 0, 0, 0), kMissing, L"Java",
             L"Yerel bir Java çalıştırıcısı bulunamadı veya güvenli biçimde incelenemedi.");
  ExpectItem(BuildJavaItem(3, 0, 1, 1), kAttention, L"Java",
             L"Java bulundu ancak bildirilen sürümü e-Devlet JNLP asgarisi olan 7'nin altında.");
  ExpectItem(BuildJavaItem(1, 0, 0, 1), kAttention, L"Java",
             L"Java bulundu ancak sürümü belirlenemedi; 7 veya üzeri gereksinimi doğrulanamadı.");
  ExpectItem(BuildJavaItem(1, 0, 0, 0), kAttention, L"Java", L"Java bulundu ancak uygunluğu doğrulanamadı.");
}

TEST(BuildJnlpItem, OneRowPerOpenerKind) {
  ExpectItem(BuildJnlpItem(JnlpOpenerKind::NoOpener), kMissing, L"JNLP / Web Start",
             L".jnlp dosyaları için kayıtlı bir Web Start açıcısı bulunamadı.");
  ExpectItem(BuildJnlpItem(JnlpOpenerKind::OpenerNotExamined), kAttention, L"JNLP / Web Start",
             L"Kayıtlı .jnlp açıcısı güvenli biçimde incelenemedi.");
  ExpectItem(BuildJnlpItem(JnlpOpenerKind::JavawsOpener), kReady, L"JNLP / Web Start",
             L".jnlp dosyaları için yerel javaws.exe başlatıcısı kayıtlı.");
  ExpectItem(BuildJnlpItem(JnlpOpenerKind::OtherOpener), kAttention, L"JNLP / Web Start",
             L"Kayıtlı .jnlp açıcısı javaws.exe değil; Web Start uygunluğu belirsiz.");
  ExpectItem(BuildJnlpItem(static_cast<JnlpOpenerKind>(9)), kAttention, L"JNLP / Web Start",
             L"Kayıtlı .jnlp açıcısı javaws.exe değil; Web Start uygunluğu belirsiz.");
}

TEST(BuildSmartCardServiceItem, ServiceStates) {
  const wchar_t* title = L"Akıllı Kart hizmeti";
  ExpectItem(BuildSmartCardServiceItem(FailedPcscOutcome(PcscOutcomeKind::TimedOut, L"t")), kAttention, title,
             L"Windows akıllı kart denetimi tamamlanamadı; hizmet durumu belirlenemedi.");
  PcscProbeOutcome o = Pcsc(0, 0, 0);
  o.serviceQueried = false;
  ExpectItem(BuildSmartCardServiceItem(o), kAttention, title, L"Windows Akıllı Kart hizmetinin durumu okunamadı.");
  o = Pcsc(0, 0, 0);
  o.serviceRunning = false;
  ExpectItem(BuildSmartCardServiceItem(o), kMissing, title,
             L"Windows Akıllı Kart hizmeti çalışmıyor; uygulama hizmeti başlatmadı.");
  o = Pcsc(0, 0, 0);
  o.establishResult = 0x8010001D;
  ExpectItem(BuildSmartCardServiceItem(o), kMissing, title,
             L"Hizmet çalışıyor ancak salt okunur PC/SC bağlantısı kurulamadı.");
  ExpectItem(BuildSmartCardServiceItem(Pcsc(1, 1, 0)), kReady, title,
             L"Windows Akıllı Kart hizmeti çalışıyor ve PC/SC bağlantısı hazır.");
}

TEST(BuildSmartCardServiceItem, StoppedOnDemandServiceMeansNoReaderNotAFault) {
  const std::wstring idle =
      L"Takılı bir kart okuyucu yok; Windows Akıllı Kart hizmeti bir okuyucu takıldığında kendiliğinden başlar.";
  const std::wstring no_reader = L"Windows tarafından görülen bir kart okuyucu bulunamadı.";
  PcscProbeOutcome stopped = Pcsc(0, 0, 0);
  stopped.serviceRunning = false;
  stopped.serviceState = kServiceStateStopped;
  // Demand start, and automatic start with triggers: the healthy state of a machine without a reader.
  for (const std::uint32_t start : {EncodeServiceStart(kServiceStartTypeDemand, false),
                                    EncodeServiceStart(kServiceStartTypeAuto, true)}) {
    stopped.serviceStart = start;
    ExpectItem(BuildSmartCardServiceItem(stopped), kAttention, L"Akıllı Kart hizmeti", idle);
    ExpectItem(BuildReaderItem(stopped), kMissing, L"Okuyucu ve kart", no_reader);
  }
  // The context refused as "service stopped" or "no service" under an on-demand start reads the same way.
  for (const std::uint32_t refused : {kScardServiceStopped, kScardNoService}) {
    PcscProbeOutcome o = Pcsc(0, 0, 0);
    o.serviceStart = EncodeServiceStart(kServiceStartTypeDemand, true);
    o.establishResult = refused;
    ExpectItem(BuildSmartCardServiceItem(o), kAttention, L"Akıllı Kart hizmeti", idle);
    ExpectItem(BuildReaderItem(o), kMissing, L"Okuyucu ve kart", no_reader);
  }
  // Disabled stays missing and says so; automatic without triggers keeps the old verdict.
  stopped.serviceStart = EncodeServiceStart(kServiceStartTypeDisabled, false);
  ExpectItem(BuildSmartCardServiceItem(stopped), kMissing, L"Akıllı Kart hizmeti",
             L"Windows Akıllı Kart hizmeti devre dışı; bir kart okuyucu takılsa da başlamaz.");
  stopped.serviceStart = EncodeServiceStart(kServiceStartTypeAuto, false);
  EXPECT_EQ(BuildSmartCardServiceItem(stopped).state, kMissing);
  EXPECT_EQ(BuildReaderItem(stopped).state, kAttention);
}

TEST(BuildReaderItem, ReadersAndCards) {
  const wchar_t* title = L"Okuyucu ve kart";
  const std::wstring not_ready = L"Akıllı kart altyapısı hazır olmadığı için okuyucu ve kart durumu belirlenemedi.";
  ExpectItem(BuildReaderItem(FailedPcscOutcome(PcscOutcomeKind::InvalidResult, L"x")), kAttention, title, not_ready);
  PcscProbeOutcome o = Pcsc(1, 1, 0);
  o.serviceRunning = false;
  ExpectItem(BuildReaderItem(o), kAttention, title, not_ready);
  o = Pcsc(1, 1, 0);
  o.establishResult = 0x8010001E;
  ExpectItem(BuildReaderItem(o), kAttention, title, not_ready);

  o = Pcsc(0, 0, 0);
  o.listResult = 0x8010002E;
  ExpectItem(BuildReaderItem(o), kMissing, title, L"Windows tarafından görülen bir kart okuyucu bulunamadı.");
  o.listResult = 0x80100011;
  ExpectItem(BuildReaderItem(o), kAttention, title, L"Kart okuyucu listesi alınamadı; cihaz durumu belirlenemedi.");
  ExpectItem(BuildReaderItem(Pcsc(0, 0, 0)), kMissing, title,
             L"Windows tarafından görülen bir kart okuyucu bulunamadı.");

  // A card was detected; whether it can sign (an e-signature card) is not claimed.
  ExpectItem(BuildReaderItem(Pcsc(2, 1, 1)), kReady, title,
             L"2 okuyucu görüldü; 1 okuyucuda kart algılandı (kart türü denetlenmedi).");
  // A mute card or one held exclusively by another program is present but cannot sign.
  o = Pcsc(1, 1, 0);
  o.muteCount = 1;
  ExpectItem(BuildReaderItem(o), kAttention, title,
             L"Takılı kart yanıt vermiyor (ters takılmış, arızalı veya çipsiz olabilir); imza için kullanılamaz.");
  o.muteCount = 0;
  o.exclusiveCount = 1;
  ExpectItem(BuildReaderItem(o), kAttention, title,
             L"Takılı kart başka bir program tarafından özel olarak kullanılıyor; o program kapanana kadar imza için "
             L"kullanılamaz.");
  o = Pcsc(2, 2, 0);
  o.muteCount = 1;
  ExpectItem(BuildReaderItem(o), kReady, title,
             L"2 okuyucu görüldü; 1 okuyucuda kart algılandı (kart türü denetlenmedi). 1 okuyucudaki kart "
             L"kullanılamıyor.");
  ExpectItem(BuildReaderItem(Pcsc(2, 0, 2)), kMissing, title, L"2 okuyucu görüldü ancak takılı bir kart bulunamadı.");
  const std::wstring undetermined = L"Okuyucu görüldü ancak kart varlığı güvenilir biçimde belirlenemedi.";
  ExpectItem(BuildReaderItem(Pcsc(2, 0, 1)), kAttention, title, undetermined);
  ExpectItem(BuildReaderItem(Pcsc(2, 0, 1, 0, 1)), kAttention, title, undetermined);
  ExpectItem(BuildReaderItem(Pcsc(2, 1, 0, 1)), kAttention, title, undetermined);
  o = Pcsc(2, 0, 0, 2);
  o.statusResult = 0x8010000A;
  ExpectItem(BuildReaderItem(o), kAttention, title, undetermined);
}

TEST(NormalizeRequirementItems, EmptyInputGivesSixPlaceholders) {
  const std::vector<RequirementItem> items = NormalizeRequirementItems({});
  ASSERT_EQ(items.size(), kRequirementCount);
  for (std::size_t i = 0; i < kRequirementCount; ++i) {
    ExpectItem(items[i], kAttention, kRequirementTitles[i], L"Bu gereksinimin sonucu üretilemedi.");
  }
}

TEST(NormalizeRequirementItems, ReordersMatchesIgnoringCaseAndDropsTheRest) {
  std::vector<RequirementItem> input;
  for (std::size_t i = kRequirementCount; i-- > 0;) {
    RequirementItem item;
    item.state = kReady;
    item.title = kRequirementTitles[i];
    item.detail = L"row " + std::to_wstring(i);
    input.push_back(item);
  }
  input[3].title = L"java";            // "Java" written in lower case
  input[5].title = L"akis dll";        // the dotted capital I folds onto "i"
  input.push_back({kMissing, L"Java", L"second Java"});
  input.push_back({kMissing, L"Başka", L"unknown title"});
  const std::vector<RequirementItem> items = NormalizeRequirementItems(input);
  ASSERT_EQ(items.size(), kRequirementCount);
  for (std::size_t i = 0; i < kRequirementCount; ++i) {
    EXPECT_EQ(items[i].detail, L"row " + std::to_wstring(i));
    EXPECT_EQ(items[i].state, kReady);
  }
  EXPECT_EQ(items[RowIndex(RequirementRow::Java)].title, L"java") << "the matched item's own title is kept";
  EXPECT_EQ(items[RowIndex(RequirementRow::AkisDll)].title, L"akis dll");

  // A missing row in the middle is filled in place.
  input.erase(input.begin() + 1);  // "Akıllı Kart hizmeti"
  const std::vector<RequirementItem> gap = NormalizeRequirementItems(input);
  ExpectItem(gap[4], kAttention, L"Akıllı Kart hizmeti", L"Bu gereksinimin sonucu üretilemedi.");
}

TEST(DescribeProbedFile, FourStates) {
  ExecutableProbe probe;
  EXPECT_EQ(DescribeProbedFile(probe), L"yok");
  probe.detail = L"uzak veya doğrulanamayan sürücü reddedildi\r\n";
  EXPECT_EQ(DescribeProbedFile(probe), L"reddedildi: uzak veya doğrulanamayan sürücü reddedildi");
  probe.detail = kJavaHomeMissing;
  probe.folderMissing = true;
  EXPECT_EQ(DescribeProbedFile(probe), L"Java home klasörü mevcut değil");
  probe.found = true;
  probe.detail = L"PE yürütülebilir DLL imgesi değil";
  EXPECT_EQ(DescribeProbedFile(probe),
            L"var ancak beklenen türde yerel ve yapısal PE olarak doğrulanamadı: PE yürütülebilir DLL imgesi değil");
  probe.structurallyValid = true;
  probe.detail.clear();
  probe.machine = L"x64";
  probe.fileVersion = L"8.0.3010.9";
  EXPECT_EQ(DescribeProbedFile(probe),
            L"yerel ve yapısal PE yürütülebilir; güven/imza değerlendirilmedi; mimari=x64; dosya sürümü=8.0.3010.9");
  probe.isDll = true;
  probe.fileVersion = L"bilinmiyor";
  EXPECT_EQ(DescribeProbedFile(probe),
            L"yerel ve yapısal PE DLL; güven/imza değerlendirilmedi; mimari=x64; dosya sürümü=bilinmiyor");
}

TEST(Findings, FlagsAndFormatting) {
  DiagnosticReport report;
  EXPECT_EQ(FormatFindings(report), L"");
  AddFinding(report, FindingSeverity::Info, L"bilgi");
  EXPECT_FALSE(report.hasError);
  EXPECT_FALSE(report.hasWarning);
  AddFinding(report, FindingSeverity::Ok, L"tamam");
  EXPECT_FALSE(report.hasError || report.hasWarning);
  AddFinding(report, FindingSeverity::Warning, L" uyarı\r\n<x> ");
  EXPECT_TRUE(report.hasWarning);
  EXPECT_FALSE(report.hasError);
  AddFinding(report, FindingSeverity::Error, L"hata");
  EXPECT_TRUE(report.hasWarning);
  EXPECT_TRUE(report.hasError);
  report.findings.push_back({7, L"yedi"});
  EXPECT_EQ(FormatFindings(report),
            L"Bilgi — bilgi\r\nOK — tamam\r\nUyarı — uyarı  _x_\r\nHata — hata\r\nBilgi — yedi");

  DiagnosticReport single;
  AddFinding(single, FindingSeverity::Warning, L"tek");
  EXPECT_EQ(FormatFindings(single), L"Uyarı — tek");
}

}  // namespace
}  // namespace tavlun
