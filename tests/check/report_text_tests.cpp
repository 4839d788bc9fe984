// Whole report texts assembled from hand-built facts, compared line by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/report.h"
#include "core/text.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::Utf8;

constexpr wchar_t kSha32[] = L"D77EA21B532F7112A1031C71F17123CD1702F8E4161EACBBD55EF9F4998706ED";
constexpr wchar_t kSha64[] = L"2CE5501D2BB76845F1C89C7A8BB3229C7CF6ECAB8172E7BBF98C259E925D1429";
const std::wstring kMatchesMessage =
    PayloadProductText() + L" dosyalarının 32-bit ve gerekli olduğunda 64-bit kopyaları doğru hedeflerde ve doğrulanmış durumda.";

ExecutableProbe ValidExe(const wchar_t* machine, const wchar_t* version) {
  ExecutableProbe probe;
  probe.found = true;
  probe.structurallyValid = true;
  probe.machine = machine;
  probe.fileVersion = version;
  return probe;
}

JavaCandidate Java(const std::wstring& home, const std::wstring& version, std::int32_t major) {
  JavaCandidate java;
  java.home = home;
  java.sources = L"HKLM/64-bit/SOFTWARE\\JavaSoft\\JDK";
  java.registryVersion = version;
  java.releaseVersion = version;
  java.releaseArch = L"amd64";
  java.majorVersion = major;
  java.homeValid = true;
  java.javaExe = ValidExe(L"x64", L"1.0.0.0");
  return java;
}

PcscProbeOutcome ReadersOutcome(std::uint32_t readers, std::uint32_t present, std::uint32_t empty) {
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
  return o;
}

ReportFacts EverythingInOrder() {
  ReportFacts f;
  f.toolVersion = L"1.4.0.0";
  f.windowsVersion = L"Windows 10.0 (build 19045)";
  f.nativeArchitecture = L"x64";
  f.localTime = L"2026-03-07 09:05:03, UTC+03:00 (Turkey Standard Time)";
  f.targetsResolved = true;
  f.targets = {{L"32-bit", L"C:\\Windows\\SysWOW64\\akisp11.dll", L"64-bit Windows + 32-bit DLL → SysWOW64"},
               {L"64-bit", L"C:\\Windows\\System32\\akisp11.dll", L"64-bit Windows + 64-bit DLL → System32"}};
  f.expectedSha256Build32 = kSha32;
  f.expectedSha256Build64 = kSha64;
  f.payloadsVerified = true;
  f.dllState.kind = DllStateKind::MatchesPackage;
  f.dllState.package_verified = true;
  f.dllState.runtime_confirmed = true;
  f.dllState.message = kMatchesMessage;

  JavaCandidate java = Java(L"C:\\Users\\Ayse\\jdk8", L"1.8.0_301", 8);
  java.sources = L"HKLM/64-bit/SOFTWARE\\JavaSoft\\Java Runtime Environment";
  java.javaExe = ValidExe(L"x64", L"8.0.3010.9");
  java.javawsExe = ValidExe(L"x64", L"11.301.2.9");
  f.javaCandidates.push_back(java);

  f.jnlp.openerFound = true;
  f.jnlp.openerPath = L"C:\\Users\\Ayse\\jdk8\\bin\\javaws.exe";
  f.jnlp.opener = ValidExe(L"x64", L"11.301.2.9");
  f.jnlp.queryResult = 0;

  f.pcsc = ReadersOutcome(1, 1, 0);
  ExecutableProbe absent;
  f.wrappers = {{L"C:\\Windows\\System32\\PKCS11Wrapper.dll", absent},
                {L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll", absent}};
  f.redaction = {L"C:\\Users\\Ayse\\AppData\\Local", L"C:\\Users\\Ayse\\AppData\\Roaming",
                 L"C:\\Users\\Ayse\\AppData\\Local\\Temp", L"", L"C:\\Users\\Ayse"};
  return f;
}

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

void ExpectSameLines(const std::wstring& actual, const std::vector<std::wstring>& expected) {
  const std::vector<std::wstring> lines = Lines(actual);
  const std::size_t n = lines.size() < expected.size() ? lines.size() : expected.size();
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_EQ(Utf8(lines[i]), Utf8(expected[i])) << "line " << i + 1;
  }
  EXPECT_EQ(lines.size(), expected.size());
  if (lines.size() != expected.size()) ADD_FAILURE() << Utf8(actual);
}

std::wstring Join(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += L"\r\n";
    text += lines[i];
  }
  return text;
}

const std::vector<std::wstring> kLinksFull = {
    L"[Resmî bağlantılar — otomatik açılmadı]",
    L"e-Devlet e-İmza=https://giris.turkiye.gov.tr/Giris/Elektronik-Imza?actionName=eimzasss",
    L"Kamu SM sürücü hizmeti=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/",
    L""};
const std::vector<std::wstring> kLinksClip = {
    L"[Resmî bağlantılar]",
    L"e-Devlet e-İmza=https://giris.turkiye.gov.tr/Giris/Elektronik-Imza?actionName=eimzasss",
    L"Kamu SM sürücü hizmeti=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/",
    L""};

std::vector<std::wstring> operator+(std::vector<std::wstring> a, const std::vector<std::wstring>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ReportText, EverythingInOrderFullText) {
  const DiagnosticReport report = AssembleDiagnosticReport(EverythingInOrder());
  const std::wstring java = L"yerel ve yapısal PE yürütülebilir; güven/imza değerlendirilmedi; mimari=x64; dosya sürümü=";
  ExpectSameLines(
      report.fullText,
      std::vector<std::wstring>{
          L"Tavlun Yardımcısı — Salt Okunur Sistem Kontrolü",
          L"Araç sürümü=1.4.0.0; gömülü DLL: geliştirme yedeği",
          L"İnternet erişimi, dosya yazma, Java/vendor kodu çalıştırma, karta bağlanma ve PIN isteği yapılmadı.",
          L"Rapor TCKN, sertifika konusu ve PIN içermez.",
          L"",
          L"[Sistem]",
          L"OS=Windows 10.0 (build 19045)",
          L"Native mimari=x64",
          L"Yerel zaman=2026-03-07 09:05:03, UTC+03:00 (Turkey Standard Time)",
          L"AKİS 32-bit hedefi=C:\\Windows\\SysWOW64\\akisp11.dll (64-bit Windows + 32-bit DLL → SysWOW64)",
          L"AKİS 64-bit hedefi=C:\\Windows\\System32\\akisp11.dll (64-bit Windows + 64-bit DLL → System32)",
          L"",
          L"[AKİS DLL]",
          L"Gömülü sürüm=" + std::wstring(kPayloadVersionText),
          std::wstring(L"32-bit beklenen SHA-256=") + kSha32,
          std::wstring(L"64-bit beklenen SHA-256=") + kSha64,
          L"Gömülü doğrulama=başarılı",
          L"Önemli: Hash yalnız bu araçtaki gömülü dosyalarla byte kimliğini kanıtlar; gelecekteki güncelliği "
          L"kanıtlamaz. Kamu SM kılavuzuna uygun olarak güncel akisp11.dll resmî sürücü hizmetinden alınmalıdır.",
          std::wstring(L"Kurulu durum=") + kMatchesMessage,
          L"Çalışma zamanı=ayrı Visual C++ paketi gerekmiyor",
          L"Resmî güncelleme=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/",
          L"",
          L"[Java — JavaSoft HKLM/HKCU, iki WOW64 görünümü ve JAVA_HOME]",
          L"Java #1",
          L"  Kaynak=HKLM/64-bit/SOFTWARE\\JavaSoft\\Java Runtime Environment",
          L"  Home=%USERPROFILE%\\jdk8",
          L"  release JAVA_VERSION=1.8.0_301; OS_ARCH=amd64",
          L"  java.exe=" + java + L"8.0.3010.9",
          L"  javaws.exe=" + java + L"11.301.2.9",
          L"Yapısal java.exe sayısı=1; yapısal javaws.exe sayısı=1",
          L"",
          L"[Etkin .jnlp ilişkilendirmesi]",
          L"AssocQueryString HRESULT=0x0",
          L"Yürütücü=%USERPROFILE%\\jdk8\\bin\\javaws.exe",
          L"Doğrulama=" + java + L"11.301.2.9",
          L"Not: e-Devlet JNLP tanımı Java 1.7+ ister ve mimari kısıtı bildirmez. Native modül uyumu, "
          L"başlatıcının/JNLP çalışma zamanının seçtiği Java mimarisine bağlıdır; x64 Java tek başına hata sayılmaz. "
          L"Bu bilgi güvenlik desteği sona ermiş Java 7'yi kurma önerisi değildir.",
          L"",
          L"[PC/SC — salt okunur]",
          L"SCardSvr=çalışıyor; okuyucu=1; kart mevcut=1; kart yok=0; bilinmiyor=0; kullanılamıyor=0; durum "
          L"sonucu=0x00000000",
          L"ATR raporlanmadı veya saklanmadı; karta bağlanılmadı, APDU/PIN/sertifika işlemi yapılmadı.",
          L"",
          L"[PKCS11Wrapper.dll — bilgi amaçlı]",
          L"C:\\Windows\\System32\\PKCS11Wrapper.dll = yok",
          L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll = yok",
          L"Bu dosyanın yokluğu tek başına hata değildir; e-imza uygulaması kendi kopyasını paketleyebilir.",
          L""} + kLinksFull);
}

TEST(ReportText, BothTextsNameTheToolVersionAndThePayloadKind) {
  ReportFacts facts = EverythingInOrder();
  facts.toolVersion = L"2.0.1.7";
  facts.vendorPayload = true;
  const DiagnosticReport report = AssembleDiagnosticReport(facts);
  const std::wstring line = L"Salt Okunur Sistem Kontrolü\r\nAraç sürümü=2.0.1.7; gömülü DLL: resmî paket\r\n";
  EXPECT_NE(report.fullText.find(line), std::wstring::npos);
  EXPECT_NE(report.clipboardText.find(line), std::wstring::npos);
}

TEST(ReportText, EverythingInOrderFindingsAndClipboard) {
  const DiagnosticReport report = AssembleDiagnosticReport(EverythingInOrder());
  EXPECT_FALSE(report.hasError);
  EXPECT_FALSE(report.hasWarning);
  const std::vector<std::wstring> findings = {
      L"OK — Gerekli " + PayloadProductText() + L" dosyaları doğrulandı; ayrı Visual C++ çalışma zamanı gerekmiyor.",
      L"Bilgi — 1 Java programının bildirilen sürümü e-Devlet JNLP asgarisi olan 7 veya üzeri; güven, güncellik ve "
      L"JNLP uyumluluğu doğrulanmadı.",
      L"Bilgi — .jnlp için javaws.exe adlı olası bir Web Start başlatıcısı kayıtlı; çalıştırılmadı ve güven/imza "
      L"değerlendirilmedi.",
      L"OK — 1 kart okuyucu görüldü.",
      L"OK — 1 okuyucuda kart mevcut.",
      L"Bilgi — 2 sistem PKCS11Wrapper.dll adayı bulunamadı; uygulama kendi kopyasını taşıyabileceğinden hata "
      L"sayılmadı."};
  EXPECT_EQ(Utf8(FormatFindings(report)), Utf8(Join(findings)));

  const std::wstring java = L"yerel ve yapısal PE yürütülebilir; güven/imza değerlendirilmedi; mimari=x64; dosya sürümü=";
  ExpectSameLines(
      report.clipboardText,
      std::vector<std::wstring>{L"SONUÇ"} + findings +
          std::vector<std::wstring>{
              L"",
              L"Tavlun Yardımcısı — Salt Okunur Sistem Kontrolü",
              L"Araç sürümü=1.4.0.0; gömülü DLL: geliştirme yedeği",
              L"Gizlilik: TCKN, sertifika konusu, PIN ve kart okuyucu adları panoya dahil edilmedi.",
              L"",
              L"[Sistem]",
              L"OS=Windows 10.0 (build 19045)",
              L"Native mimari=x64",
              L"Yerel zaman=2026-03-07 09:05:03, UTC+03:00 (Turkey Standard Time)",
              L"AKİS 32-bit hedefi=C:\\Windows\\SysWOW64\\akisp11.dll (64-bit Windows + 32-bit DLL → SysWOW64)",
              L"AKİS 64-bit hedefi=C:\\Windows\\System32\\akisp11.dll (64-bit Windows + 64-bit DLL → System32)",
              L"",
              L"[AKİS DLL]",
              L"Gömülü sürüm=" + std::wstring(kPayloadVersionText),
              std::wstring(L"32-bit beklenen SHA-256=") + kSha32,
              std::wstring(L"64-bit beklenen SHA-256=") + kSha64,
              L"Hash bu araçtaki gömülü dosyalarla kimliği kanıtlar; gelecekteki güncelliği kanıtlamaz.",
              std::wstring(L"Kurulu durum=") + kMatchesMessage,
              L"Çalışma zamanı=ayrı Visual C++ paketi gerekmiyor",
              L"Resmî güncelleme=https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/",
              L"",
              L"[Java]",
              L"Java #1: home yolu gizlendi; sürüm=1.8.0_301; java=" + java + L"8.0.3010.9; javaws=" + java +
                  L"11.301.2.9",
              L"Yapısal java.exe sayısı=1; yapısal javaws.exe sayısı=1",
              L"",
              L"[Etkin .jnlp ilişkilendirmesi]",
              L"Yürütücü adı=javaws.exe; tam yol panodan çıkarıldı",
              L"Doğrulama=" + java + L"11.301.2.9",
              L"Not: Java varlığı JNLP desteğini kanıtlamaz; Java 11+ tek başına yeterli değildir. x86/x64 bilgidir; "
              L"kayıtlı javaws.exe yalnız olası Web Start göstergesidir ve çalıştırılmamıştır.",
              L"",
              L"[PC/SC — yalnız toplam sayılar]",
              L"SCardSvr=çalışıyor; okuyucu=1; kart mevcut=1; kart yok=0; bilinmiyor/kullanılamıyor=0",
              L"ATR raporlanmadı veya saklanmadı; karta bağlanılmadı, APDU/PIN/sertifika işlemi yapılmadı.",
              L"",
              L"[PKCS11Wrapper.dll — bilgi amaçlı]",
              L"C:\\Windows\\System32\\PKCS11Wrapper.dll = yok",
              L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll = yok",
              L"Bu dosyanın yokluğu tek başına hata değildir.",
              L""} +
          kLinksClip);
  EXPECT_EQ(report.clipboardText.rfind(L"SONUÇ\r\nOK — ", 0), 0u);
  // The user's folder never reaches the clipboard, not even redacted.
  EXPECT_EQ(report.clipboardText.find(L"Ayse"), std::wstring::npos);
  EXPECT_EQ(report.clipboardText.find(L"%USERPROFILE%"), std::wstring::npos);
  EXPECT_EQ(report.fullText.find(L"Ayse"), std::wstring::npos);

  ASSERT_EQ(report.items.size(), kRequirementCount);
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(report.items[i].title, kRequirementTitles[i]);
    EXPECT_EQ(report.items[i].state, 0u) << Utf8(report.items[i].detail);
  }
}

TEST(ReportText, NoJavaNoAssociationServiceMissing) {
  ReportFacts f = EverythingInOrder();
  f.javaCandidates.clear();
  f.jnlp = JnlpAssociation{};
  f.jnlp.queryResult = static_cast<std::int32_t>(0x80070483);
  f.pcsc = PcscProbeOutcome{};
  f.pcsc.kind = PcscOutcomeKind::Completed;
  f.pcsc.serviceError = 1060;
  f.serviceErrorText = L"The specified service does not exist as an installed service.";
  const DiagnosticReport report = AssembleDiagnosticReport(f);

  const std::wstring full = report.fullText;
  EXPECT_NE(full.find(L"[Java — JavaSoft HKLM/HKCU, iki WOW64 görünümü ve JAVA_HOME]\r\nAday bulunamadı.\r\n"
                      L"Yapısal java.exe sayısı=0; yapısal javaws.exe sayısı=0\r\n\r\n[Etkin .jnlp "
                      L"ilişkilendirmesi]\r\nAssocQueryString HRESULT=0x80070483\r\nYürütücü=yok\r\nDoğrulama=yok\r\n"),
            std::wstring::npos)
      << Utf8(full);
  EXPECT_NE(full.find(L"[PC/SC — salt okunur]\r\nSCardSvr=The specified service does not exist as an installed "
                      L"service.\r\nATR"),
            std::wstring::npos);
  EXPECT_NE(report.clipboardText.find(L"[Java]\r\nAday bulunamadı.\r\nYapısal java.exe sayısı=0; yapısal javaws.exe "
                                      L"sayısı=0\r\n\r\n[Etkin .jnlp ilişkilendirmesi]\r\nYürütücü adı=yok; tam yol "
                                      L"panodan çıkarıldı\r\nDoğrulama=yok\r\n"),
            std::wstring::npos);
  EXPECT_NE(report.clipboardText.find(L"[PC/SC — yalnız toplam sayılar]\r\nSCardSvr=durum okunamadı\r\nATR"),
            std::wstring::npos);
  EXPECT_EQ(report.clipboardText.find(L"The specified service"), std::wstring::npos);

  EXPECT_EQ(Utf8(FormatFindings(report)),
            Utf8(Join({L"OK — Gerekli " + PayloadProductText() + L" dosyaları doğrulandı; ayrı Visual C++ çalışma zamanı gerekmiyor.",
                       L"Uyarı — Yerel bir Java programı bulunamadı veya bulunan dosya güvenli biçimde incelenemedi.",
                       L"Uyarı — Etkin bir .jnlp dosya açıcısı bulunamadı.",
                       L"Uyarı — Java'nın bulunması JNLP/Web Start desteği anlamına gelmez. En azından kayıtlı, yerel "
                       L"ve yapısal javaws.exe göstergesi gerekir.",
                       L"Uyarı — Akıllı Kart (SCardSvr) hizmet durumu okunamadı.",
                       L"Bilgi — 2 sistem PKCS11Wrapper.dll adayı bulunamadı; uygulama kendi kopyasını "
                       L"taşıyabileceğinden hata sayılmadı."})));
  EXPECT_TRUE(report.hasWarning);
  EXPECT_FALSE(report.hasError);
  ASSERT_EQ(report.items.size(), kRequirementCount);
  EXPECT_EQ(report.items[RowIndex(RequirementRow::Java)].state, 2u);
  EXPECT_EQ(report.items[RowIndex(RequirementRow::Jnlp)].state, 2u);
  EXPECT_EQ(report.items[RowIndex(RequirementRow::SmartCardService)].state, 1u);
  EXPECT_EQ(report.items[RowIndex(RequirementRow::ReaderAndCard)].state, 1u);
}

TEST(ReportText, ModernJavaOnlyAddsTheJava11Note) {
  ReportFacts f = EverythingInOrder();
  f.javaCandidates = {Java(L"C:\\Java\\jdk-17", L"17.0.2", 17), Java(L"C:\\Java\\jdk-21", L"21.0.1", 21)};
  f.jnlp = JnlpAssociation{};
  const std::wstring with_note =
      L"Uyarı — Java'nın bulunması JNLP/Web Start desteği anlamına gelmez; Java 11+ tek başına yeterli sayılmaz. En "
      L"azından kayıtlı, yerel ve yapısal javaws.exe göstergesi gerekir.";
  DiagnosticReport report = AssembleDiagnosticReport(f);
  EXPECT_NE(FormatFindings(report).find(with_note), std::wstring::npos) << Utf8(FormatFindings(report));
  EXPECT_NE(report.fullText.find(L"Yapısal java.exe sayısı=2; yapısal javaws.exe sayısı=0\r\n"), std::wstring::npos);
  EXPECT_NE(report.clipboardText.find(L"Java #2: home yolu gizlendi; sürüm=21.0.1; java="), std::wstring::npos);
  EXPECT_NE(FormatFindings(report).find(L"Bilgi — 2 Java programının"), std::wstring::npos);

  // With an additional Java 8 the middle piece is left out.
  f.javaCandidates.push_back(Java(L"C:\\Java\\jre8", L"1.8.0_301", 8));
  report = AssembleDiagnosticReport(f);
  EXPECT_EQ(FormatFindings(report).find(L"Java 11+ tek başına yeterli sayılmaz"), std::wstring::npos);
  EXPECT_NE(FormatFindings(report).find(L"Uyarı — Java'nın bulunması JNLP/Web Start desteği anlamına gelmez. En"),
            std::wstring::npos);
}

TEST(ReportText, JavaCountersAndRejectedHome) {
  ReportFacts f = EverythingInOrder();
  JavaCandidate refused;
  refused.home = L"\\\\server\\share\\jdk";
  refused.sources = L"JAVA_HOME";
  refused.javaExe.detail = L"Java home yerel/reparse yol doğrulamasını geçmedi: yerel ve mutlak sürücü yolu değil";
  JavaCandidate old = Java(L"C:\\Java\\jre6", L"1.6.0_45", 6);
  JavaCandidate unknown = Java(L"C:\\Java\\odd", L"", 0);
  unknown.releaseArch.clear();
  f.javaCandidates = {refused, old, unknown};
  const DiagnosticReport report = AssembleDiagnosticReport(f);
  EXPECT_NE(report.fullText.find(L"Java #1\r\n  Kaynak=JAVA_HOME\r\n  Home=\\\\server\\share\\jdk\r\n  release "
                                 L"JAVA_VERSION=yok; OS_ARCH=yok\r\n  java.exe=reddedildi: Java home yerel/reparse yol "
                                 L"doğrulamasını geçmedi: yerel ve mutlak sürücü yolu değil\r\n  javaws.exe=yok\r\n"),
            std::wstring::npos)
      << Utf8(report.fullText);
  EXPECT_NE(report.clipboardText.find(L"Java #1: home yolu gizlendi; sürüm=; java=reddedildi: "), std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"Java #3\r\n"), std::wstring::npos);
  // The clipboard names the registry's version when the release file gave none.
  f.javaCandidates[0].registryVersion = L"1.8.0_301";
  EXPECT_NE(AssembleDiagnosticReport(f).clipboardText.find(L"Java #1: home yolu gizlendi; sürüm=1.8.0_301; java="),
            std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"Yapısal java.exe sayısı=2; yapısal javaws.exe sayısı=0"), std::wstring::npos);
  const std::wstring findings = FormatFindings(report);
  EXPECT_NE(findings.find(L"Uyarı — Java programı bulundu ancak hiçbirinin bildirilen sürümünün 7 veya üzeri olduğu "
                          L"doğrulanamadı.\r\nUyarı — 1 Java çalıştırıcısının bildirilen sürümü e-Devlet JNLP asgarisi "
                          L"olan 7'nin altında.\r\nUyarı — 1 Java programının sürümü belirlenemedi; 7+ gereksinimi "
                          L"doğrulanamadı."),
            std::wstring::npos)
      << Utf8(findings);
  EXPECT_EQ(report.items[RowIndex(RequirementRow::Java)].detail, L"Java bulundu ancak bildirilen sürümü e-Devlet JNLP asgarisi olan 7'nin altında.");
}

TEST(ReportText, DllFindingsByState) {
  struct Case {
    bool payloads;
    DllStateKind kind;
    bool verified;
    bool runtime;
    const wchar_t* finding;
    const wchar_t* runtime_text;
  } cases[] = {
      {false, DllStateKind::MatchesPackage, true, true, L"Hata — Gömülü akisp11.dll doğrulanamadı.",
       L"ayrı Visual C++ paketi gerekmiyor"},
      {true, DllStateKind::Missing, false, false, L"Hata — akisp11.dll beklenen Windows hedefinde bulunamadı.",
       L"paket tam doğrulanmadığı için kesinleştirilemedi"},
      {true, DllStateKind::MatchesPackage, false, false, L"Hata — durum iletisi", L"paket tam doğrulanmadığı için kesinleştirilemedi"},
      {true, DllStateKind::MatchesPackage, true, false,
       L"Uyarı — Kurulu AKİS dosyalarının çalışma zamanı uygunluğu doğrulanamadı.", L"doğrulanamadı"},
      {true, DllStateKind::SameOrNewerKept, false, false,
       L"Uyarı — Aynı veya daha yeni sürüm bildiren farklı bir AKİS DLL bulundu; otomatik olarak korunuyor.",
       L"paket tam doğrulanmadığı için kesinleştirilemedi"},
      {true, DllStateKind::DifferentFile, false, false,
       L"Hata — Kurulu AKİS dosyalarından biri bu aracın gömülü kopyasıyla eşleşmiyor.",
       L"paket tam doğrulanmadığı için kesinleştirilemedi"},
      {true, DllStateKind::VerificationFailed, false, false, L"Hata — durum iletisi",
       L"paket tam doğrulanmadığı için kesinleştirilemedi"},
  };
  for (const Case& c : cases) {
    ReportFacts f = EverythingInOrder();
    f.payloadsVerified = c.payloads;
    f.payloadMessage = L"Gömülü 64-bit dosya\r\nbozuk.";
    f.dllState.kind = c.kind;
    f.dllState.package_verified = c.verified;
    f.dllState.runtime_confirmed = c.runtime;
    f.dllState.message = L"durum iletisi";
    const DiagnosticReport report = AssembleDiagnosticReport(f);
    ASSERT_FALSE(report.findings.empty());
    EXPECT_EQ(Utf8(FindingPrefix(report.findings[0].severity) + report.findings[0].text), Utf8(c.finding));
    EXPECT_NE(report.fullText.find(std::wstring(L"Çalışma zamanı=") + c.runtime_text + L"\r\n"), std::wstring::npos)
        << Utf8(c.finding);
    EXPECT_NE(report.fullText.find(L"Kurulu durum=durum iletisi\r\n"), std::wstring::npos);
    EXPECT_NE(report.fullText.find(c.payloads ? L"Gömülü doğrulama=başarılı\r\n"
                                              : L"Gömülü doğrulama=Gömülü 64-bit dosya  bozuk.\r\n"),
              std::wstring::npos);
    EXPECT_EQ(report.clipboardText.find(L"Gömülü doğrulama="), std::wstring::npos);
  }
}

TEST(ReportText, UnresolvedTargets) {
  ReportFacts f = EverythingInOrder();
  f.targetsResolved = false;
  f.targets.clear();
  f.targetsMessage = L"ARM64 Windows bu AKİS x86/x64 paketi için doğrulanmadı. Uyumlu resmî sürücüyü kullanın.";
  f.dllState.kind = DllStateKind::UnsupportedArchitecture;
  f.dllState.package_verified = false;
  f.dllState.runtime_confirmed = false;
  f.dllState.message = f.targetsMessage;
  const DiagnosticReport report = AssembleDiagnosticReport(f);
  EXPECT_NE(report.fullText.find(L"Yerel zaman=2026-03-07 09:05:03, UTC+03:00 (Turkey Standard Time)\r\nAKİS "
                                 L"hedefi=çözülemedi: ARM64 Windows bu AKİS x86/x64 paketi için doğrulanmadı. Uyumlu "
                                 L"resmî sürücüyü kullanın.\r\n\r\n[AKİS DLL]"),
            std::wstring::npos);
  EXPECT_NE(report.clipboardText.find(L"AKİS hedefi=çözülemedi\r\n\r\n[AKİS DLL]"), std::wstring::npos);
  EXPECT_EQ(report.findings[0].severity, static_cast<std::uint32_t>(FindingSeverity::Error));
  EXPECT_EQ(report.findings[0].text, f.targetsMessage);
  EXPECT_EQ(report.findings[1].text, f.targetsMessage) << "the DLL step reports its own state too";
  EXPECT_EQ(report.items[RowIndex(RequirementRow::AkisDll)].detail, L"Windows hedef konumu güvenli biçimde çözümlenemedi.");
  EXPECT_TRUE(report.hasError);
}

struct PcscCase {
  const char* name;
  PcscProbeOutcome outcome;
  std::wstring finding;
  std::wstring full;
  std::wstring clip;
};

TEST(ReportText, SmartCardCases) {
  std::vector<PcscCase> cases;
  cases.push_back({"timed out",
                   FailedPcscOutcome(PcscOutcomeKind::TimedOut, PcscTimedOutDetail()),
                   L"Uyarı — " + PcscTimedOutFinding(),
                   PcscTimedOutDetail() + L"\r\n",
                   PcscTimedOutClipboardLine() + L"\r\n"});
  cases.push_back({"invalid",
                   FailedPcscOutcome(PcscOutcomeKind::InvalidResult, L"PC/SC yardımcı süreç sonucu doğrulanamadı."),
                   L"Uyarı — Windows akıllı kart kontrolü tamamlanamadı.",
                   L"Yardımcı süreç=PC/SC yardımcı süreç sonucu doğrulanamadı.\r\n",
                   L"PC/SC sonucu=yardımcı süreç/protokol hatası\r\n"});
  PcscProbeOutcome stopped = ReadersOutcome(0, 0, 0);
  stopped.serviceRunning = false;
  stopped.serviceState = 1;
  cases.push_back({"stopped", stopped,
                   L"Uyarı — Akıllı Kart (SCardSvr) hizmeti çalışmıyor; hizmet otomatik başlatılmadı.",
                   L"SCardSvr=durduruldu; PC/SC çağrıları atlandı.\r\n", L"SCardSvr=durduruldu; PC/SC atlandı.\r\n"});
  PcscProbeOutcome no_service = ReadersOutcome(0, 0, 0);
  no_service.establishResult = 0x8010001D;
  cases.push_back({"no service", no_service, L"Uyarı — Windows akıllı kart hizmeti bağlantıyı kabul etmiyor.",
                   L"SCardEstablishContext=0x8010001D\r\n", L"SCardEstablishContext=0x8010001D\r\n"});
  PcscProbeOutcome no_context = ReadersOutcome(0, 0, 0);
  no_context.establishResult = 0x80100001;
  cases.push_back({"no context", no_context, L"Uyarı — Windows akıllı kart altyapısı kontrol için açılamadı.",
                   L"SCardEstablishContext=0x80100001\r\n", L"SCardEstablishContext=0x80100001\r\n"});
  PcscProbeOutcome no_readers = ReadersOutcome(0, 0, 0);
  no_readers.listResult = 0x8010002E;
  cases.push_back({"no readers", no_readers,
                   L"Uyarı — Windows akıllı kart altyapısı çalışıyor ancak kart okuyucu bulunamadı.",
                   L"SCardSvr=çalışıyor; okuyucu yok. Sonuç=0x8010002E\r\n", L"SCardSvr=çalışıyor; okuyucu sayısı=0\r\n"});
  PcscProbeOutcome list_failed = ReadersOutcome(0, 0, 0);
  list_failed.listResult = 0x80100011;
  cases.push_back({"list failed", list_failed, L"Uyarı — Windows'tan kart okuyucu listesi alınamadı.",
                   L"SCardListReaders=0x80100011\r\n", L"SCardListReaders=0x80100011\r\n"});
  cases.push_back({"empty list", ReadersOutcome(0, 0, 0),
                   L"Uyarı — Windows kart okuyucu listesini döndürdü ancak listede okuyucu yok.",
                   L"SCardSvr=çalışıyor; okuyucu sayısı=0 (başarılı boş liste)\r\n",
                   L"SCardSvr=çalışıyor; okuyucu sayısı=0\r\n"});
  PcscProbeOutcome mixed = ReadersOutcome(4, 0, 1);
  mixed.unknownCount = 2;
  mixed.unavailableCount = 1;
  cases.push_back({"undetermined", mixed,
                   L"OK — 4 kart okuyucu görüldü.\r\nUyarı — Kart varlığı tüm okuyucularda belirlenemedi; kart yok "
                   L"sonucu çıkarılmadı.",
                   L"SCardSvr=çalışıyor; okuyucu=4; kart mevcut=0; kart yok=1; bilinmiyor=2; kullanılamıyor=1; durum "
                   L"sonucu=0x00000000\r\n",
                   L"SCardSvr=çalışıyor; okuyucu=4; kart mevcut=0; kart yok=1; bilinmiyor/kullanılamıyor=3\r\n"});
  cases.push_back({"no card", ReadersOutcome(2, 0, 2),
                   L"OK — 2 kart okuyucu görüldü.\r\nUyarı — Okuyucular görüldü ancak takılı kart bulunmadı.",
                   L"SCardSvr=çalışıyor; okuyucu=2; kart mevcut=0; kart yok=2; bilinmiyor=0; kullanılamıyor=0; durum "
                   L"sonucu=0x00000000\r\n",
                   L"SCardSvr=çalışıyor; okuyucu=2; kart mevcut=0; kart yok=2; bilinmiyor/kullanılamıyor=0\r\n"});
  PcscProbeOutcome seventy = ReadersOutcome(64, 3, 61);
  seventy.truncated = true;
  cases.push_back({"70 readers", seventy,
                   L"OK — 64 kart okuyucu örneklendi (liste 64'te sınırlandı).\r\nOK — 3 okuyucuda kart mevcut.",
                   L"SCardSvr=çalışıyor; okuyucu=64; kart mevcut=3; kart yok=61; bilinmiyor=0; kullanılamıyor=0; "
                   L"durum sonucu=0x00000000\r\n",
                   L"SCardSvr=çalışıyor; okuyucu=64; kart mevcut=3; kart yok=61; bilinmiyor/kullanılamıyor=0\r\n"});
  PcscProbeOutcome status_failed = ReadersOutcome(2, 0, 0);
  status_failed.unknownCount = 2;
  status_failed.statusResult = 0x8010000A;
  cases.push_back({"status failed", status_failed,
                   L"OK — 2 kart okuyucu görüldü.\r\nUyarı — Kart varlığı tüm okuyucularda belirlenemedi; kart yok "
                   L"sonucu çıkarılmadı.",
                   L"SCardSvr=çalışıyor; okuyucu=2; kart mevcut=0; kart yok=0; bilinmiyor=2; kullanılamıyor=0; durum "
                   L"sonucu=0x8010000A\r\n",
                   L"SCardSvr=çalışıyor; okuyucu=2; kart mevcut=0; kart yok=0; bilinmiyor/kullanılamıyor=2\r\n"});

  const std::wstring atr = L"ATR raporlanmadı veya saklanmadı; karta bağlanılmadı, APDU/PIN/sertifika işlemi yapılmadı.\r\n\r\n";
  for (const PcscCase& c : cases) {
    ReportFacts f = EverythingInOrder();
    f.pcsc = c.outcome;
    const DiagnosticReport report = AssembleDiagnosticReport(f);
    const std::wstring findings = FormatFindings(report);
    EXPECT_NE(findings.find(L"javaws.exe adlı olası bir Web Start başlatıcısı kayıtlı; çalıştırılmadı ve güven/imza "
                            L"değerlendirilmedi.\r\n" + c.finding + L"\r\nBilgi — 2 sistem"),
              std::wstring::npos)
        << c.name << "\n" << Utf8(findings);
    EXPECT_NE(report.fullText.find(L"[PC/SC — salt okunur]\r\n" + c.full + atr), std::wstring::npos) << c.name;
    EXPECT_NE(report.clipboardText.find(L"[PC/SC — yalnız toplam sayılar]\r\n" + c.clip + atr), std::wstring::npos)
        << c.name << "\n" << Utf8(report.clipboardText);
  }
}

TEST(ReportText, WrapperCounters) {
  ReportFacts f = EverythingInOrder();
  ExecutableProbe valid = ValidExe(L"x64", L"1.2.3.4");
  valid.isDll = true;
  ExecutableProbe program;
  program.found = true;
  program.detail = L"PE yürütülebilir DLL imgesi değil";
  f.wrappers = {{L"C:\\Windows\\System32\\PKCS11Wrapper.dll", valid},
                {L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll", program}};
  DiagnosticReport report = AssembleDiagnosticReport(f);
  EXPECT_NE(report.fullText.find(L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll = var ancak beklenen türde yerel ve "
                                 L"yapısal PE olarak doğrulanamadı: PE yürütülebilir DLL imgesi değil\r\n"),
            std::wstring::npos);
  std::wstring findings = FormatFindings(report);
  EXPECT_NE(findings.find(L"Bilgi — 1 PKCS11Wrapper.dll yerel ve yapısal PE olarak bulundu; yalnız bilgi amaçlıdır."
                          L"\r\nBilgi — PKCS11Wrapper.dll adaylarından 1 tanesi yapısal PE değil, 0 tanesi "
                          L"erişilemez/doğrulanamaz durumda; bu kontrol bilgi amaçlıdır."),
            std::wstring::npos)
      << Utf8(findings);
  EXPECT_EQ(findings.find(L"adayı bulunamadı"), std::wstring::npos);

  ExecutableProbe refused;
  refused.detail = L"yol bileşeni eksik, dizin değil veya yeniden ayrıştırma noktası";
  f.wrappers = {{L"C:\\Windows\\System32\\PKCS11Wrapper.dll", refused},
                {L"C:\\Windows\\SysWOW64\\PKCS11Wrapper.dll", ExecutableProbe{}}};
  findings = FormatFindings(AssembleDiagnosticReport(f));
  EXPECT_NE(findings.find(L"adaylarından 0 tanesi yapısal PE değil, 1 tanesi erişilemez/doğrulanamaz durumda"),
            std::wstring::npos);
  EXPECT_NE(findings.find(L"Bilgi — 1 sistem PKCS11Wrapper.dll adayı bulunamadı"), std::wstring::npos);

  f.wrappers.clear();
  report = AssembleDiagnosticReport(f);
  EXPECT_NE(FormatFindings(report).find(L"Bilgi — PKCS11Wrapper.dll sistem aday yolları oluşturulamadı; kontrol "
                                        L"değerlendirilemedi ve hata sayılmadı."),
            std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"[PKCS11Wrapper.dll — bilgi amaçlı]\r\nBu dosyanın yokluğu"), std::wstring::npos);
  EXPECT_FALSE(report.hasError);
  EXPECT_FALSE(report.hasWarning);
}

TEST(ReportText, OpenerNameAndOutsideTextsAreDisplaySafe) {
  ReportFacts f = EverythingInOrder();
  f.jnlp.openerPath = L"C:/Tools/edit\u202Ertf.exe";
  f.jnlp.queryResult = 0;
  f.localTime = L"2026-03-07 09:05:03, UTC+03:00 (Zone\r\nX)";
  f.javaCandidates[0].sources = L"JAVA_HOME\r\nHata — sahte satır";
  const DiagnosticReport report = AssembleDiagnosticReport(f);
  EXPECT_NE(report.clipboardText.find(L"Yürütücü adı=edit_rtf.exe; tam yol panodan çıkarıldı"), std::wstring::npos)
      << Utf8(report.clipboardText);
  EXPECT_NE(FormatFindings(report).find(L"Uyarı — .jnlp için kayıtlı bir açıcı bulundu ancak adı javaws.exe değil"),
            std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"(Zone  X)\r\n"), std::wstring::npos);
  EXPECT_NE(report.fullText.find(L"  Kaynak=JAVA_HOME  Hata — sahte satır\r\n"), std::wstring::npos);
  EXPECT_EQ(report.items[RowIndex(RequirementRow::Jnlp)].detail, L"Kayıtlı .jnlp açıcısı javaws.exe değil; Web Start uygunluğu belirsiz.");
}

TEST(ReportText, FullTextOfExactlyTheLimitIsNotCutOneMoreIs) {
  auto facts_with = [](std::size_t padding) {
    ReportFacts f = EverythingInOrder();
    f.javaCandidates[0].sources = std::wstring(padding, L'k');
    return f;
  };
  // The text grows one character per padding character; below the limit it is whole, so it can be measured.
  const std::size_t padding = kFullTextLimit - AssembleDiagnosticReport(facts_with(0)).fullText.size();
  DiagnosticReport report = AssembleDiagnosticReport(facts_with(padding));
  EXPECT_EQ(report.fullText.size(), 60000u);
  EXPECT_EQ(report.fullText.find(L"[teknik rapor"), std::wstring::npos);

  report = AssembleDiagnosticReport(facts_with(padding + 1));
  const std::wstring note = L"\r\n[teknik rapor belirlenen uzunluk sınırında kesildi]";
  ASSERT_EQ(report.fullText.size(), 60000u + note.size());
  EXPECT_EQ(report.fullText.substr(60000), note);
  // The clipboard does not carry Java sources, so it is not affected.
  EXPECT_EQ(report.clipboardText.find(L"[panoya"), std::wstring::npos);
}

TEST(ReportText, ClipboardCutAtItsLimit) {
  ReportFacts f = EverythingInOrder();
  // A long refusal reason goes into the clipboard twice per candidate.
  JavaCandidate java = Java(L"C:\\Java\\x", L"17", 17);
  java.javaExe = ExecutableProbe{};
  java.javaExe.detail = std::wstring(200, L'r');
  f.javaCandidates.assign(128, java);
  const DiagnosticReport report = AssembleDiagnosticReport(f);
  const std::wstring note = L"\r\n[panoya kopyalanan rapor belirlenen uzunluk sınırında kesildi]";
  ASSERT_EQ(report.clipboardText.size(), 32000u + note.size());
  EXPECT_EQ(report.clipboardText.substr(32000), note);
  EXPECT_EQ(report.clipboardText.rfind(L"SONUÇ\r\nOK — ", 0), 0u);
  EXPECT_LT(report.fullText.size(), 60000u) << "the full text has no refusal reasons twice and stays whole";
}

TEST(ReportText, CutNeverSplitsASurrogatePair) {
  auto facts_with = [](std::size_t padding) {
    ReportFacts f = EverythingInOrder();
    f.javaCandidates[0].sources = std::wstring(padding, L'k') + L"\U0001F512\U0001F512";
    return f;
  };
  // The first emoji's high surrogate lands on the 60000th character.
  const std::size_t source_start = AssembleDiagnosticReport(facts_with(0)).fullText.find(L"\U0001F512");
  ASSERT_LT(source_start, 60000u);
  const std::size_t padding = 60000 - 1 - source_start;
  const DiagnosticReport report = AssembleDiagnosticReport(facts_with(padding));
  ASSERT_GT(report.fullText.size(), 59999u);
  EXPECT_EQ(report.fullText.substr(59999), std::wstring(kFullTextCutNote));
  EXPECT_EQ(report.fullText[59998], L'k');
}

}  // namespace
}  // namespace tavlun
