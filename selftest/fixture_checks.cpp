#include "selftest/fixture_checks.h"

#include <array>
#include <cstdint>
#include <set>

#include "check/display_text.h"
#include "check/executable_probe.h"
#include "check/jnlp_association.h"
#include "check/official_links.h"
#include "check/pcsc_probe.h"
#include "check/requirements.h"
#include "integrity/pe_headers.h"
#include "selftest/self_test_codes.h"
#include "target/dll_state.h"

namespace tavlun {
namespace {

// --- Fixtures -------------------------------------------------------------------------------------------------

constexpr wchar_t kJavaReleaseText[] = L"JAVA_VERSION=\"1.8.0_401\"\r\nOS_ARCH=\"amd64\"\r\n";

constexpr const wchar_t* kUnsafePaths[] = {
    L"\\\\server\\share\\java.exe", L"C:\\safe:stream", L"C:/forward/slash/java.exe", L"C:\\temp\\NUL.exe",
    L"relative\\java.exe",
};

// "A", right-to-left override, "<etiket>&", CR, LF, "B": 14 characters.
constexpr wchar_t kHostileReportText[] = L"A\u202E<etiket>&\r\nB";
static_assert(sizeof(kHostileReportText) / sizeof(wchar_t) == 15, "fourteen characters and the terminator");

// An allowlisted page over plain HTTP, the same page with a query, and an unrelated site.
constexpr const wchar_t* kForeignLinks[] = {
    L"http://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/",
    L"https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/?download=1",
    L"https://example.com/",
};

constexpr std::size_t kPeImageSize = 512;
using PeImage = std::array<std::uint8_t, kPeImageSize>;
constexpr std::size_t kPeOffset = 0x80;
constexpr std::size_t kFileHeader = kPeOffset + 4;
constexpr std::size_t kOptionalHeader = kFileHeader + 20;

void Put16(PeImage* image, std::size_t offset, std::uint16_t value) {
  (*image)[offset] = static_cast<std::uint8_t>(value);
  (*image)[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(PeImage* image, std::size_t offset, std::uint32_t value) {
  Put16(image, offset, static_cast<std::uint16_t>(value));
  Put16(image, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

// A minimal 32-bit executable image: headers only, one section without raw data.
PeImage SyntheticPeImage() {
  PeImage image{};
  image[0] = 'M';
  image[1] = 'Z';
  Put32(&image, 0x3C, kPeOffset);
  image[kPeOffset] = 'P';
  image[kPeOffset + 1] = 'E';
  Put16(&image, kFileHeader, 0x14C);        // machine i386
  Put16(&image, kFileHeader + 2, 1);        // sections
  Put16(&image, kFileHeader + 16, 0xE0);    // optional-header size
  Put16(&image, kFileHeader + 18, 0x0002);  // executable image
  Put16(&image, kOptionalHeader, 0x10B);
  Put32(&image, kOptionalHeader + 32, 4096);  // section alignment
  Put32(&image, kOptionalHeader + 36, 512);   // file alignment
  Put32(&image, kOptionalHeader + 56, 4096);  // size of image
  Put32(&image, kOptionalHeader + 60, 512);   // size of headers
  Put32(&image, kOptionalHeader + 92, 16);    // data directories
  return image;
}

bool PeAccepted(const PeImage& image, std::uint64_t block_length, bool expect_dll, std::wstring* machine) {
  std::wstring message;
  return ValidatePeHeaders(image.data(), block_length, kPeImageSize, expect_dll, machine, &message);
}

PcscProbeRecord ProbeRecordFixture() {
  PcscProbeRecord record;
  record.serviceQueried = 1;
  record.serviceRunning = 1;
  record.serviceState = kServiceStateRunning;
  record.establishResult = kScardSuccess;
  record.listResult = kScardSuccess;
  record.statusResult = kScardSuccess;
  record.readerCount = 2;
  record.presentCount = 1;
  record.emptyCount = 1;
  return record;
}

bool RecordAccepted(const PcscProbeRecord& record) {
  const PcscRecordBytes bytes = EncodePcscProbeRecord(record);
  return IsValidPcscProbeRecord(bytes.data(), bytes.size());
}

bool IsRow(const RequirementItem& item, RequirementState state, const wchar_t* title, const std::wstring& detail) {
  return item.state == static_cast<std::uint32_t>(state) && item.title == title && item.detail == detail;
}

DllState DllStateOf(DllStateKind kind, bool package_verified, bool runtime_confirmed) {
  DllState state;
  state.kind = kind;
  state.package_verified = package_verified;
  state.runtime_confirmed = runtime_confirmed;
  return state;
}

bool ContainsAny(const std::wstring& text, const wchar_t* characters) {
  return text.find_first_of(characters) != std::wstring::npos;
}

// --- Checks, each true when it passed ----------------------------------------------------------------------------

bool JavaReleaseTextReads() {
  return FindReleaseValue(kJavaReleaseText, L"JAVA_VERSION") == L"1.8.0_401" &&
         FindReleaseValue(kJavaReleaseText, L"OS_ARCH") == L"amd64" &&
         FindReleaseValue(kJavaReleaseText, L"MISSING").empty() && ParseMajorVersion(L"1.8.0_401") == 8 &&
         ParseMajorVersion(L"17.0.9") == 17;
}

bool UnsafePathsRefused(PathRule validate_local_path) {
  for (const wchar_t* path : kUnsafePaths) {
    std::wstring message;
    if (validate_local_path(path, &message)) return false;
  }
  return true;
}

bool ReportTextMadeSafe() {
  const std::wstring safe = SanitizeForDisplay(kHostileReportText);
  return !ContainsAny(safe, L"<>&\r\n\u202E");
}

bool AllowlistSound() {
  std::set<std::wstring> seen;
  for (const wchar_t* link : kOfficialLinkAllowlist) {
    const std::wstring text = link;
    if (text.compare(0, 8, L"https://") != 0 || !seen.insert(text).second) return false;
  }
  for (const wchar_t* foreign : kForeignLinks) {
    if (seen.count(foreign) != 0) return false;
  }
  return seen.size() == 18;
}

bool JnlpOpenerRecognised() {
  constexpr wchar_t kRegistered[] = L"C:\\Java\\JAVAWS.EXE";
  constexpr wchar_t kLocalLauncher[] = L"C:\\Java\\javaws.exe";
  return ClassifyJnlpOpener(true, true, kRegistered) == JnlpOpenerKind::JavawsOpener &&
         ToLowerText(kRegistered) == ToLowerText(kLocalLauncher) &&
         ClassifyJnlpOpener(true, true, L"C:\\Tools\\launcher.exe") == JnlpOpenerKind::OtherOpener;
}

bool ReadyRowsRight() {
  DllState matching = DllStateOf(DllStateKind::MatchesPackage, true, true);
  matching.required_builds = {L"32-bit", L"64-bit"};
  return IsRow(BuildDllItem(true, true, matching), RequirementState::Ready, L"AKİS DLL",
               L"Gerekli 32-bit ve 64-bit dosyalar doğru hedeflerde, " + PayloadProductText() + L" paketiyle eşleşiyor.") &&
         IsRow(BuildRuntimeItem(matching), RequirementState::Ready, L"Visual C++ bileşenleri",
               PayloadProductText() + L" yalnız Windows sistem bileşenlerini kullanıyor; ayrı Visual C++ paketi gerektirmiyor.") &&
         IsRow(BuildJavaItem(1, 1, 0, 0), RequirementState::Ready, L"Java",
               std::wstring(L"1") + L" yerel Java çalıştırıcısı sürüm 7 veya üzeri olarak bildiriliyor.") &&
         IsRow(BuildJnlpItem(JnlpOpenerKind::JavawsOpener), RequirementState::Ready, L"JNLP / Web Start",
               L".jnlp dosyaları için yerel javaws.exe başlatıcısı kayıtlı.");
}

bool AbsentOrUncertainRowsRight() {
  return IsRow(BuildDllItem(true, true, DllStateOf(DllStateKind::Missing, false, false)), RequirementState::Missing,
               L"AKİS DLL", L"Beklenen Windows hedefinde akisp11.dll bulunamadı.") &&
         IsRow(BuildRuntimeItem(DllStateOf(DllStateKind::VerificationFailed, false, false)),
               RequirementState::Attention, L"Visual C++ bileşenleri",
               L"AKİS DLL paketi tam doğrulanmadığından çalışma zamanı sonucu kesinleştirilemedi.") &&
         IsRow(BuildJavaItem(0, 0, 0, 0), RequirementState::Missing, L"Java",
               L"Yerel bir Java çalıştırıcısı bulunamadı veya güvenli biçimde incelenemedi.") &&
         IsRow(BuildJavaItem(1, 0, 0, 1), RequirementState::Attention, L"Java",
               L"Java bulundu ancak sürümü belirlenemedi; 7 veya üzeri gereksinimi doğrulanamadı.") &&
         IsRow(BuildJnlpItem(JnlpOpenerKind::NoOpener), RequirementState::Missing, L"JNLP / Web Start",
               L".jnlp dosyaları için kayıtlı bir Web Start açıcısı bulunamadı.") &&
         IsRow(BuildJnlpItem(JnlpOpenerKind::OtherOpener), RequirementState::Attention, L"JNLP / Web Start",
               L"Kayıtlı .jnlp açıcısı javaws.exe değil; Web Start uygunluğu belirsiz.");
}

// The service row and the reader row (codes 53 to 56), fed with outcomes derived from the valid record.
int ProbeRowsCheck(const PcscProbeOutcome& ready) {
  enum Row { kService, kReader };
  struct Case {
    int code;
    Row row;
    void (*derive)(PcscProbeOutcome*);
    RequirementState state;
    const wchar_t* detail;
  };
  static const Case kCases[] = {
      {kSelfTestServiceRow, kService, [](PcscProbeOutcome*) {}, RequirementState::Ready,
       L"Windows Akıllı Kart hizmeti çalışıyor ve PC/SC bağlantısı hazır."},
      {kSelfTestServiceRow, kService, [](PcscProbeOutcome* o) { o->serviceRunning = false; },
       RequirementState::Missing, L"Windows Akıllı Kart hizmeti çalışmıyor; uygulama hizmeti başlatmadı."},
      {kSelfTestReaderRowCard, kReader, [](PcscProbeOutcome*) {}, RequirementState::Ready,
       L"2 okuyucu görüldü; 1 okuyucuda kart algılandı (kart türü denetlenmedi)."},
      {kSelfTestReaderRowNoCard, kReader, [](PcscProbeOutcome* o) {
         o->presentCount = 0;
         o->emptyCount = 2;
       },
       RequirementState::Missing, L"2 okuyucu görüldü ancak takılı bir kart bulunamadı."},
      {kSelfTestReaderRowNoCard, kReader, [](PcscProbeOutcome* o) { o->listResult = kScardNoReadersAvailable; },
       RequirementState::Missing, L"Windows tarafından görülen bir kart okuyucu bulunamadı."},
      {kSelfTestReaderRowUndetermined, kReader, [](PcscProbeOutcome* o) { o->statusResult = kScardInternalError; },
       RequirementState::Attention, L"Okuyucu görüldü ancak kart varlığı güvenilir biçimde belirlenemedi."},
      {kSelfTestReaderRowUndetermined, kReader, [](PcscProbeOutcome* o) { o->serviceRunning = false; },
       RequirementState::Attention,
       L"Akıllı kart altyapısı hazır olmadığı için okuyucu ve kart durumu belirlenemedi."},
  };
  for (const Case& c : kCases) {
    PcscProbeOutcome outcome = ready;
    c.derive(&outcome);
    const bool right = c.row == kService
                           ? IsRow(BuildSmartCardServiceItem(outcome), c.state, L"Akıllı Kart hizmeti", c.detail)
                           : IsRow(BuildReaderItem(outcome), c.state, L"Okuyucu ve kart", c.detail);
    if (!right) return c.code;
  }
  return kSelfTestPassed;
}

}  // namespace

int RunFixtureChecks(PathRule validate_local_path) {
  if (!JavaReleaseTextReads()) return kSelfTestReleaseText;
  if (!UnsafePathsRefused(validate_local_path)) return kSelfTestUnsafePaths;
  if (!ReportTextMadeSafe()) return kSelfTestDisplayText;
  if (!AllowlistSound()) return kSelfTestOfficialLinks;

  const PeImage image = SyntheticPeImage();
  std::wstring machine;
  if (!PeAccepted(image, kPeImageSize, false, &machine) || machine != L"x86") return kSelfTestPeAccepted;
  PeImage foreign_machine = image;
  Put16(&foreign_machine, kFileHeader, 0x9999);
  if (PeAccepted(foreign_machine, kPeImageSize, false, &machine)) return kSelfTestPeMachine;
  PeImage dll = image;
  Put16(&dll, kFileHeader + 18, 0x0002 | 0x2000);
  if (PeAccepted(dll, kPeImageSize, false, &machine) || !PeAccepted(dll, kPeImageSize, true, &machine)) {
    return kSelfTestPeDllFlag;
  }
  PeImage no_magic = image;
  Put16(&no_magic, kOptionalHeader, 0);
  if (PeAccepted(no_magic, kPeImageSize, false, &machine) || PeAccepted(image, 32, false, &machine)) {
    return kSelfTestPeMalformed;
  }

  if (!JnlpOpenerRecognised()) return kSelfTestJnlpOpener;

  const PcscProbeRecord record = ProbeRecordFixture();
  if (!RecordAccepted(record)) return kSelfTestProbeRecordAccepted;
  PcscProbeRecord no_magic_record = record;
  no_magic_record.magic = 0;
  if (RecordAccepted(no_magic_record)) return kSelfTestProbeRecordMagic;
  PcscProbeRecord unknown_readers = record;
  unknown_readers.unknownCount = 64;
  if (RecordAccepted(unknown_readers)) return kSelfTestProbeRecordCounts;
  PcscProbeRecord status_not_called = record;
  status_not_called.statusResult = kScardInternalError;
  if (RecordAccepted(status_not_called)) return kSelfTestProbeRecordStatus;
  const PcscProbeOutcome outcome = OutcomeFromPcscRecord(record);
  if (outcome.unknownCount != 0) return kSelfTestProbeUnknownReaders;
  if (outcome.unavailableCount != 0) return kSelfTestProbeUnavailableReaders;

  if (!ReadyRowsRight()) return kSelfTestReadyRows;
  if (!AbsentOrUncertainRowsRight()) return kSelfTestAbsentRows;

  return ProbeRowsCheck(outcome);
}

}  // namespace tavlun
