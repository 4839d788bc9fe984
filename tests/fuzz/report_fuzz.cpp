// The diagnostic report written from any facts a check can gather (AssembleDiagnosticReport): hostile Java homes,
// sources and versions from the registry, opener paths from the association, probe details, PC/SC outcomes,
// Windows texts, environment values for the redaction, and up to 128 Java candidates so the length limits are hit.
//
// Input: answers consumed by FuzzedDataProvider; texts are UTF-16LE.
//
// Properties: six rows in title order with display-safe details; display-safe findings whose severities set
// exactly the error and warning flags; both texts within their limits (cut exactly at the limit, or one unit
// earlier to keep a surrogate pair whole, and then followed by the note); no control character but CR LF line
// ends, no bidirectional or invisible mark and no markup but the redacted user word in either text; the
// clipboard text starts with the findings and never holds a Java home or the opener's folder; both texts are
// well-formed UTF-16 when every fact was.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/java_discovery.h"
#include "check/redaction.h"
#include "check/report.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

// A private-use character put only into Java homes and the opener's folder: the clipboard must never show it.
constexpr wchar_t kPrivateMarker = static_cast<wchar_t>(0xE000);

class Facts {
 public:
  explicit Facts(FuzzedDataProvider& in) : in_(in) {
    well_formed_only_ = in_.ConsumeBool();
    stretch_ = in_.ConsumeIntegralInRange<std::size_t>(1, 16);
  }

  bool well_formed_only() const { return well_formed_only_; }

  std::wstring Text(std::size_t max_bytes = 120) {
    const std::string raw = in_.ConsumeRandomLengthString(max_bytes);
    std::wstring text = Utf16FromBytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == kPrivateMarker) text[i] = L'x';
      const std::uint32_t u = Unit(text[i]);
      const bool high = u >= 0xD800 && u <= 0xDBFF;
      const bool low = u >= 0xDC00 && u <= 0xDFFF;
      if (!well_formed_only_ || (!high && !low)) continue;
      if (high && i + 1 < text.size() && Unit(text[i + 1]) >= 0xDC00 && Unit(text[i + 1]) <= 0xDFFF) {
        ++i;
      } else {
        text[i] = L'x';
      }
    }
    return text;
  }

  // A text repeated up to 16 times, so that many candidates carry both texts past their length limits.
  std::wstring LongText() {
    const std::wstring piece = Text(60);
    std::wstring text;
    for (std::size_t i = 0; i < stretch_; ++i) text += piece;
    return text;
  }

  // A path whose folder part carries the marker; the file name after the last separator does not.
  std::wstring SecretPath() {
    std::wstring folder = Text(80);
    std::wstring name = Text(40);
    for (wchar_t& c : name) {
      if (c == L'\\' || c == L'/') c = L'_';
    }
    return folder + kPrivateMarker + L"\\" + name;
  }

  tavlun::ExecutableProbe Probe() {
    tavlun::ExecutableProbe probe;
    probe.found = in_.ConsumeBool();
    probe.structurallyValid = probe.found && in_.ConsumeBool();
    probe.isDll = in_.ConsumeBool();
    if (probe.structurallyValid) {
      probe.machine = in_.ConsumeBool() ? L"x86" : L"x64";
      probe.fileVersion = in_.ConsumeBool() ? L"bilinmiyor" : L"17.0.2.0";
    }
    if (!probe.structurallyValid) probe.detail = LongText();
    return probe;
  }

  tavlun::ReportFacts Build() {
    tavlun::ReportFacts f;
    f.toolVersion = Text(20);
    f.vendorPayload = in_.ConsumeBool();
    f.windowsVersion = Text(60);
    f.nativeArchitecture = Text(20);
    f.localTime = Text(60);
    f.targetsResolved = in_.ConsumeBool();
    f.targetsMessage = Text();
    const std::size_t targets = in_.ConsumeIntegralInRange<std::size_t>(0, 2);
    for (std::size_t i = 0; i < targets; ++i) f.targets.push_back({i == 0 ? L"32-bit" : L"64-bit", Text(), L"route"});
    f.expectedSha256Build32 = L"D77EA21B532F7112A1031C71F17123CD1702F8E4161EACBBD55EF9F4998706ED";
    f.expectedSha256Build64 = L"2CE5501D2BB76845F1C89C7A8BB3229C7CF6ECAB8172E7BBF98C259E925D1429";
    f.payloadsVerified = in_.ConsumeBool();
    f.payloadMessage = Text();
    f.dllState.kind = static_cast<tavlun::DllStateKind>(in_.ConsumeIntegralInRange<std::int32_t>(0, 6));
    f.dllState.message = Text();
    f.dllState.package_verified = in_.ConsumeBool();
    f.dllState.runtime_confirmed = in_.ConsumeBool();
    if (in_.ConsumeBool()) f.dllState.required_builds = {L"32-bit", Text(20)};

    const std::size_t distinct = in_.ConsumeIntegralInRange<std::size_t>(0, 4);
    for (std::size_t i = 0; i < distinct; ++i) {
      tavlun::JavaCandidate java;
      java.home = Text(60) + kPrivateMarker + Text(60);
      java.sources = LongText();
      java.registryVersion = Text(20);
      java.releaseVersion = LongText();
      java.releaseArch = Text(20);
      java.majorVersion = in_.ConsumeIntegralInRange<std::int32_t>(0, 1001);
      java.homeValid = in_.ConsumeBool();
      java.javaExe = Probe();
      java.javawsExe = Probe();
      f.javaCandidates.push_back(java);
    }
    if (distinct > 0) {
      const std::size_t total = in_.ConsumeIntegralInRange<std::size_t>(distinct, 128);
      for (std::size_t i = distinct; i < total; ++i) f.javaCandidates.push_back(f.javaCandidates[i % distinct]);
    }

    f.jnlp.openerFound = in_.ConsumeBool();
    if (f.jnlp.openerFound) f.jnlp.openerPath = SecretPath();
    f.jnlp.opener = Probe();
    f.jnlp.queryResult = in_.ConsumeIntegral<std::int32_t>();

    f.pcsc.kind = static_cast<tavlun::PcscOutcomeKind>(in_.ConsumeIntegralInRange<std::uint32_t>(0, 3));
    f.pcsc.serviceQueried = in_.ConsumeBool();
    f.pcsc.serviceRunning = in_.ConsumeBool();
    f.pcsc.serviceState = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.establishResult = in_.ConsumeBool() ? 0 : in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.listResult = in_.ConsumeBool() ? 0 : in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.statusResult = in_.ConsumeBool() ? 0 : in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.readerCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.presentCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.emptyCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.unknownCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.unavailableCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.truncated = in_.ConsumeBool();
    f.pcsc.serviceStart = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.muteCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.exclusiveCount = in_.ConsumeIntegral<std::uint32_t>();
    f.pcsc.detail = Text();
    f.serviceErrorText = Text();

    const std::size_t wrappers = in_.ConsumeIntegralInRange<std::size_t>(0, 3);
    for (std::size_t i = 0; i < wrappers; ++i) f.wrappers.push_back({Text(), Probe()});
    for (std::wstring& value : f.redaction) value = Text(60);
    return f;
  }

 private:
  FuzzedDataProvider& in_;
  bool well_formed_only_ = false;
  std::size_t stretch_ = 1;
};

// Control, markup and bidirectional characters only where the report puts them itself: CR LF line ends and the
// redacted user word. In a text that was cut, the unit before the note may be a lone CR or part of that word.
void CheckHygiene(const std::wstring& text, std::size_t kept) {
  const std::wstring word = tavlun::kRedactedUserWord;
  const bool cut = kept < text.size();
  for (std::size_t i = 0; i < kept; ++i) {
    const std::uint32_t u = Unit(text[i]);
    const bool in_ragged_tail = cut && i + word.size() >= kept;
    if (u == '\r') {
      FUZZ_CHECK((i + 1 < kept && text[i + 1] == L'\n') || (cut && i + 1 == kept));
    } else if (u == '\n') {
      FUZZ_CHECK(i > 0 && text[i - 1] == L'\r');
    } else if (u == '<') {
      FUZZ_CHECK(text.compare(i, word.size(), word) == 0 || in_ragged_tail);
    } else if (u == '>') {
      FUZZ_CHECK((i + 1 >= word.size() && text.compare(i + 1 - word.size(), word.size(), word) == 0) || in_ragged_tail);
    } else {
      FUZZ_CHECK(!IsControlUnit(u) && !IsInvisibleOrBidiUnit(u) && u != '&');
    }
  }
}

// The length of the text before the cut note, or the whole length when the text was not cut.
std::size_t CheckLimit(const std::wstring& text, std::size_t limit, const std::wstring& note) {
  if (text.size() <= limit) return text.size();
  FUZZ_CHECK(text.size() >= note.size() && text.compare(text.size() - note.size(), note.size(), note) == 0);
  const std::size_t kept = text.size() - note.size();
  // One unit short only to keep a surrogate pair whole (checked with the well-formed facts below).
  FUZZ_CHECK(kept == limit || kept + 1 == limit);
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Facts maker(in);
  const tavlun::ReportFacts facts = maker.Build();
  const tavlun::DiagnosticReport report = tavlun::AssembleDiagnosticReport(facts);

  FUZZ_CHECK(report.items.size() == tavlun::kRequirementCount);
  for (std::size_t i = 0; i < report.items.size(); ++i) {
    FUZZ_CHECK(report.items[i].title == tavlun::kRequirementTitles[i]);
    FUZZ_CHECK(report.items[i].state <= 2 && IsDisplaySafe(report.items[i].detail));
  }
  bool error = false;
  bool warning = false;
  for (const auto& finding : report.findings) {
    FUZZ_CHECK(finding.severity <= 3 && IsDisplaySafe(finding.text));
    error = error || finding.severity == 2;
    warning = warning || finding.severity == 1;
  }
  FUZZ_CHECK(report.hasError == error && report.hasWarning == warning);

  const std::size_t full_kept = CheckLimit(report.fullText, tavlun::kFullTextLimit, tavlun::kFullTextCutNote);
  const std::size_t clip_kept =
      CheckLimit(report.clipboardText, tavlun::kClipboardTextLimit, tavlun::kClipboardTextCutNote);
  CheckHygiene(report.fullText, full_kept);
  CheckHygiene(report.clipboardText, clip_kept);

  const std::wstring head = L"SONUÇ\r\n" + tavlun::FormatFindings(report) + L"\r\n\r\n";
  FUZZ_CHECK(report.clipboardText.compare(0, std::min(head.size(), clip_kept), head, 0,
                                          std::min(head.size(), clip_kept)) == 0);
  FUZZ_CHECK(report.clipboardText.find(kPrivateMarker) == std::wstring::npos);

  if (maker.well_formed_only()) {
    FUZZ_CHECK(tavlun::IsWellFormedUtf16(report.fullText));
    FUZZ_CHECK(tavlun::IsWellFormedUtf16(report.clipboardText));
  }
  return 0;
}
