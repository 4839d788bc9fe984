// The whole check on machine states built in the prefix: installed stand-in DLLs, Java homes declared in the
// registry, a .jnlp opener. Every planted file, key and variable is put back when a test ends; the check area
// runs under the CTest resource lock of the system folders.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "check/check_budget.h"
#include "check/pcsc_probe.h"
#include "check/pcsc_probe_win.h"
#include "check/redaction.h"
#include "check/report.h"
#include "check/system_identity.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"
#include "integrity/payload.h"
#include "payload_constants.h"
#include "program_version.h"
#include "resources/resource_ids.h"
#include "target/targets.h"
#include "tests/check/report_fixtures.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using namespace report_fixtures;
using testing_support::Utf8;

const std::wstring kValidProgram =
    L"yerel ve yapısal PE yürütülebilir; güven/imza değerlendirilmedi; mimari=x86; dosya sürümü=bilinmiyor";

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

// Compares line by line. The local time is read at run time, so only its label is compared; on a Windows with a
// Smart Card service the PC/SC lines depend on the machine and are taken over from the actual text.
void ExpectReportLines(const std::wstring& actual, std::vector<std::wstring> expected) {
  const std::vector<std::wstring> lines = Lines(actual);
  for (std::size_t i = 0; i < expected.size() && i < lines.size(); ++i) {
    if (expected[i] == L"Yerel zaman=*" && lines[i].rfind(L"Yerel zaman=", 0) == 0) expected[i] = lines[i];
  }
  const std::size_t n = lines.size() < expected.size() ? lines.size() : expected.size();
  for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(Utf8(lines[i]), Utf8(expected[i])) << "line " << i + 1;
  EXPECT_EQ(lines.size(), expected.size()) << Utf8(actual);
}

std::vector<std::wstring> operator+(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The parts of the report that follow from the running Windows alone.
struct MachineBasics {
  std::vector<std::wstring> system;  // [Sistem] block and the target lines, with the blank line after them
  std::wstring target32;
  std::wstring target64;
  std::vector<std::wstring> pcscFull;
  std::vector<std::wstring> pcscClip;
  std::vector<std::wstring> pcscFindings;
  std::vector<std::wstring> wrapperLines;
  bool pcscKnown = false;  // the Wine shape: no SCardSvr
};

MachineBasics Basics() {
  MachineBasics b;
  b.system = {L"[Sistem]", L"OS=" + WindowsVersionText(), L"Native mimari=" + NativeArchitectureText(),
              L"Yerel zaman=*"};
  std::vector<TargetEntry> targets;
  std::wstring message;
  if (ResolveRequiredTargets(&targets, &message)) {
    for (const TargetEntry& t : targets) {
      b.system.push_back(L"AKİS " + std::wstring(t.descriptor->label) + L" hedefi=" +
                         RedactPathForReport(t.location.display_path) + L" (" + t.location.route + L")");
    }
  }
  b.system.push_back(L"");
  const PcscProbeOutcome probe = RunPcscProbe();
  b.pcscKnown = probe.kind == PcscOutcomeKind::Completed && !probe.serviceQueried;
  if (b.pcscKnown) {
    b.pcscFull = {L"[PC/SC — salt okunur]", L"SCardSvr=" + WindowsErrorText(probe.serviceError)};
    b.pcscClip = {L"[PC/SC — yalnız toplam sayılar]", L"SCardSvr=durum okunamadı"};
    b.pcscFindings = {L"Uyarı — Akıllı Kart (SCardSvr) hizmet durumu okunamadı."};
  }
  wchar_t windows[MAX_PATH];
  const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring dir(windows, length);
  b.wrapperLines = {L"[PKCS11Wrapper.dll — bilgi amaçlı]"};
  wchar_t wow64[MAX_PATH];
  const UINT wow64_length = ::GetSystemWow64DirectoryW(wow64, MAX_PATH);
  b.wrapperLines.push_back(JoinPath(JoinPath(dir, L"System32"), L"PKCS11Wrapper.dll") + L" = yok");
  b.wrapperLines.push_back(JoinPath(std::wstring(wow64, wow64_length), L"PKCS11Wrapper.dll") + L" = yok");
  return b;
}

// The tool line names this build's own version and payload kind.
const std::wstring kToolLine = std::wstring(L"Araç sürümü=") + kProgramVersion + L"; gömülü DLL: " +
                               (payload_constants::kVendorBuild ? L"resmî paket" : L"geliştirme yedeği");
const std::vector<std::wstring> kHeaderFull = {
    L"Tavlun Yardımcısı — Salt Okunur Sistem Kontrolü", kToolLine,
    L"İnternet erişimi, dosya yazma, Java/vendor kodu çalıştırma, karta bağlanma ve PIN isteği yapılmadı.",
    L"Rapor TCKN, sertifika konusu ve PIN içermez.", L""};
const std::vector<std::wstring> kHeaderClip = {
    L"Tavlun Yardımcısı — Salt Okunur Sistem Kontrolü", kToolLine,
    L"Gizlilik: TCKN, sertifika konusu, PIN ve kart okuyucu adları panoya dahil edilmedi.", L""};
const std::vector<std::wstring> kJnlpNoteFull = {
    L"Not: e-Devlet JNLP tanımı Java 1.7+ ister ve mimari kısıtı bildirmez. Native modül uyumu, başlatıcının/JNLP "
    L"çalışma zamanının seçtiği Java mimarisine bağlıdır; x64 Java tek başına hata sayılmaz. Bu bilgi güvenlik "
    L"desteği sona ermiş Java 7'yi kurma önerisi değildir.",
    L""};
const std::vector<std::wstring> kJnlpNoteClip = {
    L"Not: Java varlığı JNLP desteğini kanıtlamaz; Java 11+ tek başına yeterli değildir. x86/x64 bilgidir; kayıtlı "
    L"javaws.exe yalnız olası Web Start göstergesidir ve çalıştırılmamıştır.",
    L""};
const std::wstring kAtr = L"ATR raporlanmadı veya saklanmadı; karta bağlanılmadı, APDU/PIN/sertifika işlemi yapılmadı.";
const std::vector<std::wstring> kLinksFull = {
    L"[Resmî bağlantılar — otomatik açılmadı]",
    L"e-Devlet e-İmza=https://giris.turkiye.gov.tr/Giris/Elektronik-Imza?actionName=eimzasss",
    L"Kamu SM sürücü hizmeti=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/", L""};
const std::vector<std::wstring> kLinksClip = {
    L"[Resmî bağlantılar]",
    L"e-Devlet e-İmza=https://giris.turkiye.gov.tr/Giris/Elektronik-Imza?actionName=eimzasss",
    L"Kamu SM sürücü hizmeti=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/", L""};
const std::vector<std::wstring> kIdenticalFiles = {
    L"AKİS 32-bit dosyası imzası=paketle aynı dosya; ayrıca denetlenmedi",
    L"AKİS 64-bit dosyası imzası=paketle aynı dosya; ayrıca denetlenmedi"};
const std::wstring kDriverLine =
    L"Resmî güncelleme=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/";

// `found_files`: the signature line of each file found at a target.
std::vector<std::wstring> DllBlock(bool full, const std::wstring& state_message, const std::wstring& runtime,
                                   const std::vector<std::wstring>& found_files = {}) {
  std::vector<std::wstring> lines = {L"[AKİS DLL]", L"Gömülü sürüm=" + std::wstring(kPayloadVersionText),
                                     std::wstring(L"32-bit beklenen SHA-256=") + PayloadBuild32().expected_sha256,
                                     std::wstring(L"64-bit beklenen SHA-256=") + PayloadBuild64().expected_sha256};
  if (full) {
    lines.push_back(L"Gömülü doğrulama=başarılı");
    lines.push_back(
        L"Önemli: Hash yalnız bu araçtaki gömülü dosyalarla byte kimliğini kanıtlar; gelecekteki güncelliği "
        L"kanıtlamaz. Kamu SM kılavuzuna uygun olarak güncel akisp11.dll resmî sürücü hizmetinden alınmalıdır.");
  } else {
    lines.push_back(L"Hash bu araçtaki gömülü dosyalarla kimliği kanıtlar; gelecekteki güncelliği kanıtlamaz.");
  }
  return lines + found_files + std::vector<std::wstring>{L"Kurulu durum=" + state_message, L"Çalışma zamanı=" + runtime,
                                           kDriverLine, L""};
}

std::wstring Joined(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i > 0 ? L"\r\n" : L"") + lines[i];
  return text;
}

TEST(ReportOnMachine, EverythingInOrder) {
  PrefixState prefix;
  ASSERT_TRUE(prefix.InstallStandInDlls());
  const std::wstring home = prefix.AddJavaHome(L"jre1.8.0_301", L"1.8.0_301", true);
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\Java Runtime Environment", L"1.8.0_301", home));
  ASSERT_TRUE(prefix.RegisterJnlpOpener(JoinPath(JoinPath(home, L"bin"), L"javaws.exe")));

  const MachineBasics basics = Basics();
  const DiagnosticReport report = BuildDiagnosticReport();
  const std::wstring matches =
      PayloadProductText() + L" dosyalarının 32-bit ve gerekli olduğunda 64-bit kopyaları doğru hedeflerde ve doğrulanmış durumda.";
  const std::wstring redacted_home = RedactPathForReport(home);
  EXPECT_EQ(redacted_home.rfind(L"%TEMP%\\", 0), 0u) << Utf8(redacted_home);
  const std::wstring source = L"HKLM/64-bit/SOFTWARE\\JavaSoft\\Java Runtime Environment";

  std::vector<std::wstring> findings = {
      L"OK — Gerekli " + PayloadProductText() + L" dosyaları doğrulandı; ayrı Visual C++ çalışma zamanı gerekmiyor.",
      L"Bilgi — 1 Java programının bildirilen sürümü e-Devlet JNLP asgarisi olan 7 veya üzeri; güven, güncellik ve "
      L"JNLP uyumluluğu doğrulanmadı.",
      L"Bilgi — .jnlp için javaws.exe adlı olası bir Web Start başlatıcısı kayıtlı; çalıştırılmadı ve güven/imza "
      L"değerlendirilmedi."};
  findings = findings + basics.pcscFindings +
             std::vector<std::wstring>{L"Bilgi — 2 sistem PKCS11Wrapper.dll adayı bulunamadı; uygulama kendi "
                                       L"kopyasını taşıyabileceğinden hata sayılmadı."};
  if (!basics.pcscKnown) GTEST_SKIP() << "this Windows has a Smart Card service; the texts depend on its readers";
  EXPECT_EQ(Utf8(FormatFindings(report)), Utf8(Joined(findings)));

  ExpectReportLines(
      report.fullText,
      kHeaderFull + basics.system + DllBlock(true, matches, L"ayrı Visual C++ paketi gerekmiyor", kIdenticalFiles) +
          std::vector<std::wstring>{L"[Java — JavaSoft HKLM/HKCU, iki WOW64 görünümü ve JAVA_HOME]", L"Java #1",
                                    L"  Kaynak=" + source, L"  Home=" + redacted_home,
                                    L"  release JAVA_VERSION=1.8.0_301; OS_ARCH=amd64", L"  java.exe=" + kValidProgram,
                                    L"  javaws.exe=" + kValidProgram,
                                    L"Yapısal java.exe sayısı=1; yapısal javaws.exe sayısı=1", L"",
                                    L"[Etkin .jnlp ilişkilendirmesi]", L"AssocQueryString HRESULT=0x0",
                                    L"Yürütücü=" + RedactPathForReport(JoinPath(JoinPath(home, L"bin"), L"javaws.exe")),
                                    L"Doğrulama=" + kValidProgram} +
          kJnlpNoteFull + basics.pcscFull + std::vector<std::wstring>{kAtr, L""} + basics.wrapperLines +
          std::vector<std::wstring>{
              L"Bu dosyanın yokluğu tek başına hata değildir; e-imza uygulaması kendi kopyasını paketleyebilir.", L""} +
          kLinksFull);

  ExpectReportLines(
      report.clipboardText,
      std::vector<std::wstring>{L"SONUÇ"} + findings + std::vector<std::wstring>{L""} + kHeaderClip + basics.system +
          DllBlock(false, matches, L"ayrı Visual C++ paketi gerekmiyor", kIdenticalFiles) +
          std::vector<std::wstring>{L"[Java]",
                                    L"Java #1: home yolu gizlendi; sürüm=1.8.0_301; java=" + kValidProgram +
                                        L"; javaws=" + kValidProgram,
                                    L"Yapısal java.exe sayısı=1; yapısal javaws.exe sayısı=1", L"",
                                    L"[Etkin .jnlp ilişkilendirmesi]",
                                    L"Yürütücü adı=javaws.exe; tam yol panodan çıkarıldı", L"Doğrulama=" + kValidProgram} +
          kJnlpNoteClip + basics.pcscClip + std::vector<std::wstring>{kAtr, L""} + basics.wrapperLines +
          std::vector<std::wstring>{L"Bu dosyanın yokluğu tek başına hata değildir.", L""} + kLinksClip);
  EXPECT_EQ(report.clipboardText.rfind(L"SONUÇ\r\nOK — ", 0), 0u);
  EXPECT_FALSE(report.hasError);
  EXPECT_TRUE(report.hasWarning) << "only the missing Smart Card service warns";

  ASSERT_EQ(report.items.size(), kRequirementCount);
  const std::uint32_t states[] = {0, 0, 0, 0, 1, 1};
  for (std::size_t i = 0; i < kRequirementCount; ++i) EXPECT_EQ(report.items[i].state, states[i]) << i;
}

TEST(ReportOnMachine, NoJavaAndNoAssociation) {
  PrefixState prefix;  // empties the AKİS targets and hides nothing else: the prefix has no Java
  const MachineBasics basics = Basics();
  if (!basics.pcscKnown) GTEST_SKIP() << "this Windows has a Smart Card service; the texts depend on its readers";
  const DiagnosticReport report = BuildDiagnosticReport();
  const std::wstring missing =
      L"2 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (32-bit ve 64-bit); kurulum eksik dosyaları ekleyecek.";
  const std::vector<std::wstring> findings =
      std::vector<std::wstring>{
          L"Hata — akisp11.dll beklenen Windows hedefinde bulunamadı.",
          L"Uyarı — Yerel bir Java programı bulunamadı veya bulunan dosya güvenli biçimde incelenemedi.",
          L"Uyarı — Etkin bir .jnlp dosya açıcısı bulunamadı.",
          L"Uyarı — Java'nın bulunması JNLP/Web Start desteği anlamına gelmez. En azından kayıtlı, yerel ve yapısal "
          L"javaws.exe göstergesi gerekir."} +
      basics.pcscFindings +
      std::vector<std::wstring>{L"Bilgi — 2 sistem PKCS11Wrapper.dll adayı bulunamadı; uygulama kendi kopyasını "
                                L"taşıyabileceğinden hata sayılmadı."};
  EXPECT_EQ(Utf8(FormatFindings(report)), Utf8(Joined(findings)));
  const std::wstring runtime = L"paket tam doğrulanmadığı için kesinleştirilemedi";
  ExpectReportLines(
      report.fullText,
      kHeaderFull + basics.system + DllBlock(true, missing, runtime) +
          std::vector<std::wstring>{L"[Java — JavaSoft HKLM/HKCU, iki WOW64 görünümü ve JAVA_HOME]",
                                    L"Aday bulunamadı.", L"Yapısal java.exe sayısı=0; yapısal javaws.exe sayısı=0", L"",
                                    L"[Etkin .jnlp ilişkilendirmesi]", L"AssocQueryString HRESULT=0x80070483",
                                    L"Yürütücü=yok", L"Doğrulama=yok"} +
          kJnlpNoteFull + basics.pcscFull + std::vector<std::wstring>{kAtr, L""} + basics.wrapperLines +
          std::vector<std::wstring>{
              L"Bu dosyanın yokluğu tek başına hata değildir; e-imza uygulaması kendi kopyasını paketleyebilir.", L""} +
          kLinksFull);
  ExpectReportLines(
      report.clipboardText,
      std::vector<std::wstring>{L"SONUÇ"} + findings + std::vector<std::wstring>{L""} + kHeaderClip + basics.system +
          DllBlock(false, missing, runtime) +
          std::vector<std::wstring>{L"[Java]", L"Aday bulunamadı.",
                                    L"Yapısal java.exe sayısı=0; yapısal javaws.exe sayısı=0", L"",
                                    L"[Etkin .jnlp ilişkilendirmesi]", L"Yürütücü adı=yok; tam yol panodan çıkarıldı",
                                    L"Doğrulama=yok"} +
          kJnlpNoteClip + basics.pcscClip + std::vector<std::wstring>{kAtr, L""} + basics.wrapperLines +
          std::vector<std::wstring>{L"Bu dosyanın yokluğu tek başına hata değildir.", L""} + kLinksClip);
  EXPECT_TRUE(report.hasError);
  EXPECT_TRUE(report.hasWarning);
  ASSERT_EQ(report.items.size(), kRequirementCount);
  const std::uint32_t states[] = {2, 1, 2, 2, 1, 1};
  for (std::size_t i = 0; i < kRequirementCount; ++i) EXPECT_EQ(report.items[i].state, states[i]) << i;
}

TEST(ReportOnMachine, ModernJavaOnly) {
  PrefixState prefix;
  const std::wstring home17 = prefix.AddJavaHome(L"jdk-17", L"17.0.2", false);
  const std::wstring home21 = prefix.AddJavaHome(L"jdk-21", L"21.0.1", false);
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\JDK", L"17", home17));
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\JDK", L"21", home21));
  const MachineBasics basics = Basics();
  if (!basics.pcscKnown) GTEST_SKIP() << "this Windows has a Smart Card service; the texts depend on its readers";
  const DiagnosticReport report = BuildDiagnosticReport();
  const std::wstring missing =
      L"2 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (32-bit ve 64-bit); kurulum eksik dosyaları ekleyecek.";
  const std::wstring runtime = L"paket tam doğrulanmadığı için kesinleştirilemedi";
  const std::wstring source = L"HKLM/64-bit/SOFTWARE\\JavaSoft\\JDK";
  const std::vector<std::wstring> findings =
      std::vector<std::wstring>{
          L"Hata — akisp11.dll beklenen Windows hedefinde bulunamadı.",
          L"Bilgi — 2 Java programının bildirilen sürümü e-Devlet JNLP asgarisi olan 7 veya üzeri; güven, güncellik "
          L"ve JNLP uyumluluğu doğrulanmadı.",
          L"Uyarı — Etkin bir .jnlp dosya açıcısı bulunamadı.",
          L"Uyarı — Java'nın bulunması JNLP/Web Start desteği anlamına gelmez; Java 11+ tek başına yeterli sayılmaz. "
          L"En azından kayıtlı, yerel ve yapısal javaws.exe göstergesi gerekir."} +
      basics.pcscFindings +
      std::vector<std::wstring>{L"Bilgi — 2 sistem PKCS11Wrapper.dll adayı bulunamadı; uygulama kendi kopyasını "
                                L"taşıyabileceğinden hata sayılmadı."};
  EXPECT_EQ(Utf8(FormatFindings(report)), Utf8(Joined(findings)));
  ExpectReportLines(
      report.fullText,
      kHeaderFull + basics.system + DllBlock(true, missing, runtime) +
          std::vector<std::wstring>{L"[Java — JavaSoft HKLM/HKCU, iki WOW64 görünümü ve JAVA_HOME]",
                                    L"Java #1",
                                    L"  Kaynak=" + source,
                                    L"  Home=" + RedactPathForReport(home17),
                                    L"  release JAVA_VERSION=17.0.2; OS_ARCH=amd64",
                                    L"  java.exe=" + kValidProgram,
                                    L"  javaws.exe=yok",
                                    L"Java #2",
                                    L"  Kaynak=" + source,
                                    L"  Home=" + RedactPathForReport(home21),
                                    L"  release JAVA_VERSION=21.0.1; OS_ARCH=amd64",
                                    L"  java.exe=" + kValidProgram,
                                    L"  javaws.exe=yok",
                                    L"Yapısal java.exe sayısı=2; yapısal javaws.exe sayısı=0",
                                    L"",
                                    L"[Etkin .jnlp ilişkilendirmesi]",
                                    L"AssocQueryString HRESULT=0x80070483",
                                    L"Yürütücü=yok",
                                    L"Doğrulama=yok"} +
          kJnlpNoteFull + basics.pcscFull + std::vector<std::wstring>{kAtr, L""} + basics.wrapperLines +
          std::vector<std::wstring>{
              L"Bu dosyanın yokluğu tek başına hata değildir; e-imza uygulaması kendi kopyasını paketleyebilir.", L""} +
          kLinksFull);
  ExpectReportLines(
      report.clipboardText,
      std::vector<std::wstring>{L"SONUÇ"} + findings + std::vector<std::wstring>{L""} + kHeaderClip + basics.system +
          DllBlock(false, missing, runtime) +
          std::vector<std::wstring>{
              L"[Java]", L"Java #1: home yolu gizlendi; sürüm=17.0.2; java=" + kValidProgram + L"; javaws=yok",
              L"Java #2: home yolu gizlendi; sürüm=21.0.1; java=" + kValidProgram + L"; javaws=yok",
              L"Yapısal java.exe sayısı=2; yapısal javaws.exe sayısı=0", L"", L"[Etkin .jnlp ilişkilendirmesi]",
              L"Yürütücü adı=yok; tam yol panodan çıkarıldı", L"Doğrulama=yok"} +
          kJnlpNoteClip + basics.pcscClip + std::vector<std::wstring>{kAtr, L""} + basics.wrapperLines +
          std::vector<std::wstring>{L"Bu dosyanın yokluğu tek başına hata değildir.", L""} + kLinksClip);
  const std::uint32_t states[] = {2, 1, 0, 2, 1, 1};
  ASSERT_EQ(report.items.size(), kRequirementCount);
  for (std::size_t i = 0; i < kRequirementCount; ++i) EXPECT_EQ(report.items[i].state, states[i]) << i;
}

TEST(ReportOnMachine, ProgramNamedLikeTheWrapperIsFoundButNotValid) {
  PrefixState prefix;
  wchar_t wow64[MAX_PATH];
  const UINT length = ::GetSystemWow64DirectoryW(wow64, MAX_PATH);
  if (length == 0) GTEST_SKIP() << "32-bit Windows has no SysWOW64 folder";
  const std::wstring path = JoinPath(std::wstring(wow64, length), L"PKCS11Wrapper.dll");
  ASSERT_TRUE(prefix.PlantSystemFile(path, testing_support::ReadBytes(testing_support::ToolPath(L"pcsc_standin.exe"))));
  const DiagnosticReport report = BuildDiagnosticReport();
  EXPECT_NE(report.fullText.find(path + L" = var ancak beklenen türde yerel ve yapısal PE olarak doğrulanamadı: PE "
                                        L"yürütülebilir DLL imgesi değil\r\n"),
            std::wstring::npos)
      << Utf8(report.fullText);
  EXPECT_NE(FormatFindings(report).find(L"Bilgi — PKCS11Wrapper.dll adaylarından 1 tanesi yapısal PE değil, 0 tanesi "
                                        L"erişilemez/doğrulanamaz durumda; bu kontrol bilgi amaçlıdır.\r\nBilgi — 1 "
                                        L"sistem PKCS11Wrapper.dll adayı bulunamadı"),
            std::wstring::npos);
}

TEST(ReportOnMachine, TurkishProfileNamesNeverReachEitherText) {
  PrefixState prefix;
  const std::wstring profile = L"C:\\users\\Çağrı Işık";
  ASSERT_TRUE(prefix.CreateFolder(profile));
  const std::wstring home = prefix.AddJavaHomeAt(JoinPath(profile, L"jdk-17"), L"17.0.2", true);
  ASSERT_FALSE(home.empty());
  // The registry, the association and the environment write the same folder in different letter cases.
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\JDK", L"17", L"C:\\USERS\\Çağrı Işık\\jdk-17"));
  ASSERT_TRUE(prefix.RegisterJnlpOpener(L"C:/Users/Çağrı Işık/jdk-17/bin/javaws.exe"));
  prefix.SetEnvironment(L"USERPROFILE", L"C:\\Users\\ÇAĞRI IŞIK");
  // Another user's folder, named with a dotted capital I, is reached through JAVA_HOME.
  prefix.SetEnvironment(L"JAVA_HOME", L"C:\\Users\\İsmail\\jre");
  const DiagnosticReport report = BuildDiagnosticReport();
  for (const wchar_t* name : {L"Çağrı", L"ÇAĞRI", L"çağrı", L"Işık", L"IŞIK", L"ışık", L"İsmail", L"smail"}) {
    EXPECT_EQ(report.fullText.find(name), std::wstring::npos) << Utf8(name) << "\n" << Utf8(report.fullText);
    EXPECT_EQ(report.clipboardText.find(name), std::wstring::npos) << Utf8(name);
  }
  EXPECT_NE(report.fullText.find(L"Java #1\r\n  Kaynak=HKLM/64-bit/SOFTWARE\\JavaSoft\\JDK\r\n  "
                                 L"Home=%USERPROFILE%\\jdk-17\r\n  release JAVA_VERSION=17.0.2; OS_ARCH=amd64\r\n"),
            std::wstring::npos)
      << Utf8(report.fullText);
  EXPECT_NE(report.fullText.find(L"  Home=C:\\Users\\<kullanıcı>\\jre\r\n"), std::wstring::npos);
}

// Registry values, a release file, JAVA_HOME and an opener command written to break lines, forge report lines, hide
// or reorder text and carry the user's name: every one stays on its own line, display-safe and redacted.
TEST(ReportOnMachine, HostileOutsideTextsStayOnTheirLines) {
  PrefixState prefix;
  const std::wstring profile = prefix.scratch() + L"\\Users\\Mallory";
  ASSERT_TRUE(prefix.CreateFolder(profile));
  prefix.SetEnvironment(L"USERPROFILE", profile);
  const std::wstring forged = L"\r\nHata — sahte satır\r\n[Sahte]\u2028Bilgi — sahte";
  // A real home whose release file tries the same, and a home that is only text.
  const std::wstring home = prefix.AddJavaHomeAt(JoinPath(profile, L"jdk"), L"17.0.2", true);
  ASSERT_FALSE(home.empty());
  const std::string release = "JAVA_VERSION=\"17\r\nHata — sahte\"\r\nOS_ARCH=\"amd64\u202E<x>&\"\r\n";
  ASSERT_TRUE(testing_support::WriteBytes(JoinPath(home, L"release"), release.data(), release.size()));
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\JDK", L"17\r\n[Sahte]", home));
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\JRE", L"8", profile + L"\\x\u202E\u200B<b>&" + forged));
  prefix.SetEnvironment(L"JAVA_HOME", L"C:\\Users\\Mallory\\jre" + forged);
  // An opener that exists, named to hide its real extension and to break markup.
  const std::wstring opener = JoinPath(JoinPath(profile, L"bin"), L"java&ws\u202Eexe.txt");
  ASSERT_TRUE(prefix.CreateFolder(JoinPath(profile, L"bin")));
  ASSERT_TRUE(testing_support::WriteBytes(opener, testing_support::ReadBytes(testing_support::ToolPath(L"pcsc_standin.exe"))));
  ASSERT_TRUE(prefix.RegisterJnlpOpener(opener));

  const DiagnosticReport report = BuildDiagnosticReport();
  for (const std::wstring* text : {&report.fullText, &report.clipboardText}) {
    const std::vector<std::wstring> lines = Lines(*text);
    for (const std::wstring& line : lines) {
      EXPECT_EQ(line.find_first_of(L"\r\n\t&\u202E\u200B\u2028"), std::wstring::npos) << Utf8(line);
      std::wstring without_word = line;
      for (std::size_t at; (at = without_word.find(L"<kullanıcı>")) != std::wstring::npos;) without_word.erase(at, 11);
      EXPECT_EQ(without_word.find_first_of(L"<>"), std::wstring::npos) << Utf8(line);
      EXPECT_NE(line.rfind(L"Hata — sahte", 0), 0u) << "a forged line";
      EXPECT_NE(line.rfind(L"Bilgi — sahte", 0), 0u) << "a forged line";
      EXPECT_NE(line.rfind(L"[Sahte]", 0), 0u) << "a forged heading";
      EXPECT_EQ(line.find(L"Mallory"), std::wstring::npos) << Utf8(line);
    }
  }
  const std::vector<std::wstring> findings = Lines(FormatFindings(report));
  for (const std::wstring& line : findings) EXPECT_EQ(line.find(L"sahte"), std::wstring::npos) << Utf8(line);
  // Three homes, each numbered once; the forged text of a home stays on its Home line.
  std::size_t numbered = 0;
  for (const std::wstring& line : Lines(report.fullText)) numbered += line.rfind(L"Java #", 0) == 0 ? 1 : 0;
  EXPECT_EQ(numbered, 3u) << Utf8(report.fullText);
  const std::wstring forged_shown = L"  Hata — sahte satır  [Sahte] Bilgi — sahte\r\n";
  EXPECT_NE(report.fullText.find(L"  Home=%USERPROFILE%\\x___b__" + forged_shown), std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"  Home=C:\\Users\\<kullanıcı>\\jre" + forged_shown), std::wstring::npos);
  // The release file's version line was broken, so no version; its OS_ARCH is kept in display-safe form.
  EXPECT_NE(report.fullText.find(L"Java #2\r\n  Kaynak=HKLM/64-bit/SOFTWARE\\JavaSoft\\JDK\r\n  Home=%USERPROFILE%\\jdk\r\n"
                                 L"  release JAVA_VERSION=yok; OS_ARCH=amd64__x__\r\n"),
            std::wstring::npos)
      << Utf8(report.fullText);
  EXPECT_NE(report.clipboardText.find(L"Java #2: home yolu gizlendi; sürüm=; java=yerel"), std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"Yürütücü=%USERPROFILE%\\bin\\java_ws_exe.txt\r\nDoğrulama=yerel ve yapısal PE"),
            std::wstring::npos)
      << Utf8(report.fullText);
  EXPECT_NE(report.clipboardText.find(L"Yürütücü adı=gizlendi; tam yol panodan çıkarıldı\r\n"), std::wstring::npos)
      << "not a program file name: " << Utf8(report.clipboardText);
}

// An unquoted opener command under a profile whose name has a blank, with a folder named like the first word
// beside it: the association gives that folder, and the clipboard must not carry it.
TEST(ReportOnMachine, ClipboardNamesTheOpenerOnlyAsAProgramFileName) {
  PrefixState prefix;
  const std::wstring users = prefix.scratch() + L"\\Users";
  const std::wstring profile = users + L"\\Ayşe Kaya";
  ASSERT_TRUE(prefix.CreateFolder(users + L"\\Ayşe"));
  ASSERT_FALSE(prefix.AddJavaHomeAt(JoinPath(profile, L"jdk"), L"17.0.2", true).empty());
  prefix.SetEnvironment(L"USERPROFILE", profile);
  ASSERT_TRUE(prefix.RegisterJnlpOpener(profile + L"\\jdk\\bin\\javaws.exe", false));
  const DiagnosticReport report = BuildDiagnosticReport();
  EXPECT_NE(report.clipboardText.find(L"Yürütücü adı=gizlendi; tam yol panodan çıkarıldı\r\n"), std::wstring::npos)
      << Utf8(report.clipboardText);
  EXPECT_EQ(report.clipboardText.find(L"Ayşe"), std::wstring::npos) << Utf8(report.clipboardText);
}

TEST(ReportOnMachine, LeftoverEngineFilesInATargetFolderAreNamed) {
  PrefixState prefix;
  std::vector<TargetEntry> targets;
  std::wstring message;
  ASSERT_TRUE(ResolveRequiredTargets(&targets, &message));
  const std::wstring name = L".akisp11.previous." + std::wstring(32, L'A') + L".tmp";
  ASSERT_TRUE(prefix.PlantSystemFile(JoinPath(targets[0].location.directory, name), {1, 2, 3}));
  const DiagnosticReport report = BuildDiagnosticReport();
  const std::wstring named = std::wstring(targets[0].descriptor->label) + L": " + name;
  EXPECT_NE(FormatFindings(report).find(L"Uyarı — Sistem klasöründe yarıda kalmış bir kurulumdan geçici dosya "
                                        L"kaldı: " + named + L"."),
            std::wstring::npos)
      << Utf8(FormatFindings(report));
  EXPECT_NE(report.clipboardText.find(L"\r\nKalan geçici dosyalar=" + named + L"\r\n"), std::wstring::npos);
}

// A check whose time budget is spent ends normally: six rows, and what it left is named, not reported as absent.
TEST(ReportOnMachine, SpentTimeBudgetNamesWhatWasNotExamined) {
  PrefixState prefix;
  const std::wstring home = prefix.AddJavaHome(L"jdk", L"17.0.2", true);
  ASSERT_TRUE(prefix.DeclareJava(L"SOFTWARE\\JavaSoft\\JDK", L"17", home));
  CheckBudget budget(0, [] { return std::uint64_t{0}; });
  const DiagnosticReport report = AssembleDiagnosticReport(GatherReportFacts(&budget));
  ASSERT_EQ(report.items.size(), 6u);
  EXPECT_EQ(report.items[3].state, static_cast<std::uint32_t>(RequirementState::Attention)) << "the .jnlp row";
  EXPECT_NE(FormatFindings(report).find(
                L"Uyarı — Sistem kontrolü " + std::to_wstring(kCheckTimeLimitMs / 1000) + L" saniyelik süre sınırına ulaştı ve normal olarak sonlandırıldı; "
                L"incelenmeyenler: Java kayıt defteri anahtarlarının bir kısmı, .jnlp ilişkilendirmesi, PC/SC, "
                L"PKCS11Wrapper.dll."),
            std::wstring::npos)
      << Utf8(FormatFindings(report));
  for (const std::wstring* text : {&report.fullText, &report.clipboardText}) {
    EXPECT_NE(text->find(L"[Süre sınırı]\r\nİncelenmeyenler="), std::wstring::npos);
    EXPECT_EQ(text->find(L"Etkin bir .jnlp dosya açıcısı bulunamadı"), std::wstring::npos);
  }
  EXPECT_NE(report.clipboardText.find(L"Yürütücü adı=incelenmedi;"), std::wstring::npos);
  EXPECT_NE(report.clipboardText.find(L"PC/SC sonucu=süre sınırı aşıldığı için incelenmedi\r\n"), std::wstring::npos)
      << "no helper ran, so none is said to have failed";
  EXPECT_EQ(FormatFindings(report).find(L"erişilemez"), std::wstring::npos) << "files left are not called unreadable";
  EXPECT_EQ(report.clipboardText.find(L"reddedildi"), std::wstring::npos) << Utf8(report.clipboardText);
}

}  // namespace
}  // namespace tavlun
