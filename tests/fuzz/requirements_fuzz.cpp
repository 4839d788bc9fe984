// The requirement rows and their helpers on any check result: the six builders, DescribeProbedFile, the row and
// finding labels, and NormalizeRequirementItems over lists of rows with any titles (the window takes whatever
// list a check worker handed over).
//
// Input: answers consumed by FuzzedDataProvider (flags, kinds, counts, PC/SC fields, texts as UTF-16LE).
//
// Properties: every builder returns its own fixed title, a state from 0 to 2 and a display-safe detail, whatever
// the texts it was given (a DLL message full of controls and bidirectional marks included), never empty unless
// that message was nothing but controls and blanks; the description of a probed file holds no unsafe character
// when the program's own machine and version texts do not; labels and prefixes are one of their fixed texts;
// normalisation always gives exactly the six titles in their order (ignoring case), takes the first row of each
// title unchanged and fills a missing one with the fixed Attention row.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/display_text.h"
#include "check/requirements.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

std::wstring Text(FuzzedDataProvider& in, std::size_t max_bytes = 160) {
  const std::string raw = in.ConsumeRandomLengthString(max_bytes);
  return Utf16FromBytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
}

// `outside_text`: the one outside text a builder may pass on (the DLL state's message); only it may leave the
// detail empty, when nothing of it survives sanitising.
void CheckItem(const tavlun::RequirementItem& item, std::size_t title_index, const std::wstring& outside_text = L"") {
  FUZZ_CHECK(item.title == tavlun::kRequirementTitles[title_index]);
  FUZZ_CHECK(item.state <= 2);
  FUZZ_CHECK(IsDisplaySafe(item.detail));
  FUZZ_CHECK(!item.detail.empty() || (!outside_text.empty() && tavlun::SanitizeForDisplay(outside_text).empty()));
}

tavlun::ExecutableProbe Probe(FuzzedDataProvider& in) {
  tavlun::ExecutableProbe probe;
  probe.found = in.ConsumeBool();
  probe.structurallyValid = in.ConsumeBool();
  probe.isDll = in.ConsumeBool();
  static const wchar_t* const kMachines[] = {L"x86", L"x64", L"ARM64", L"IA64", L"bilinmiyor (0x1C4)"};
  probe.machine = kMachines[in.ConsumeIntegralInRange<std::size_t>(0, 4)];
  probe.fileVersion = in.ConsumeBool() ? L"bilinmiyor" : L"3.4.2.0";
  probe.detail = Text(in);
  return probe;
}

tavlun::PcscProbeOutcome Outcome(FuzzedDataProvider& in) {
  tavlun::PcscProbeOutcome o;
  o.kind = static_cast<tavlun::PcscOutcomeKind>(in.ConsumeIntegralInRange<std::uint32_t>(0, 4));
  o.serviceQueried = in.ConsumeBool();
  o.serviceRunning = in.ConsumeBool();
  o.serviceState = in.ConsumeIntegral<std::uint32_t>();
  o.establishResult = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint32_t>();
  o.listResult = in.ConsumeBool() ? 0 : (in.ConsumeBool() ? 0x8010002E : in.ConsumeIntegral<std::uint32_t>());
  o.statusResult = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint32_t>();
  o.readerCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 70);
  o.presentCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 70);
  o.emptyCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 70);
  o.unknownCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 3);
  o.unavailableCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 3);
  if (in.ConsumeBool()) o.presentCount = in.ConsumeIntegral<std::uint32_t>();
  o.truncated = in.ConsumeBool();
  o.serviceStart = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 0x105) : in.ConsumeIntegral<std::uint32_t>();
  o.muteCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 70);
  o.exclusiveCount = in.ConsumeIntegralInRange<std::uint32_t>(0, 70);
  o.detail = Text(in);
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);

  tavlun::DllState dll;
  dll.kind = static_cast<tavlun::DllStateKind>(in.ConsumeIntegralInRange<std::int32_t>(-1, 7));
  dll.message = Text(in);
  dll.package_verified = in.ConsumeBool();
  dll.runtime_confirmed = in.ConsumeBool();
  const std::size_t builds = in.ConsumeIntegralInRange<std::size_t>(0, 3);
  for (std::size_t i = 0; i < builds; ++i) dll.required_builds.push_back(Text(in));
  const bool targets_resolved = in.ConsumeBool();
  const bool payloads_verified = in.ConsumeBool();
  CheckItem(tavlun::BuildDllItem(targets_resolved, payloads_verified, dll), 0, dll.message);
  CheckItem(tavlun::BuildRuntimeItem(dll), 1);
  const auto candidates = in.ConsumeIntegral<std::uint32_t>();
  const auto eligible = in.ConsumeIntegral<std::uint32_t>();
  const auto below = in.ConsumeIntegral<std::uint32_t>();
  const auto unknown = in.ConsumeIntegral<std::uint32_t>();
  const tavlun::RequirementItem java = tavlun::BuildJavaItem(candidates, eligible, below, unknown);
  CheckItem(java, 2);
  if (eligible > 0) FUZZ_CHECK(java.state == 0 && StartsWith(java.detail, std::to_wstring(eligible) + L" "));
  CheckItem(tavlun::BuildJnlpItem(static_cast<tavlun::JnlpOpenerKind>(in.ConsumeIntegralInRange<std::int32_t>(-1, 5))),
            3);
  const tavlun::PcscProbeOutcome outcome = Outcome(in);
  CheckItem(tavlun::BuildSmartCardServiceItem(outcome), 4);
  const tavlun::RequirementItem reader = tavlun::BuildReaderItem(outcome);
  CheckItem(reader, 5);
  if (reader.state == 0) {
    FUZZ_CHECK(tavlun::UsableCardCount(outcome) > 0 &&
               tavlun::ClassifyCardPresence(outcome) == tavlun::CardPresence::CardPresent);
  }

  // A reason that is nothing but blanks leaves the description ending in ": ", so only the characters are checked.
  const std::wstring description = tavlun::DescribeProbedFile(Probe(in));
  FUZZ_CHECK(!description.empty() && HasNoUnsafeUnits(description) && !IsWhiteSpaceUnit(Unit(description[0])));

  const auto state = in.ConsumeIntegral<std::uint32_t>();
  const std::wstring label = tavlun::RowDisplayLabel(state);
  FUZZ_CHECK(label == L"Bekliyor" || label == L"Hazır" || label == L"Dikkat" || label == L"Eksik");
  FUZZ_CHECK(static_cast<std::uint32_t>(tavlun::DisplayStateFor(state)) >= 1 &&
             static_cast<std::uint32_t>(tavlun::DisplayStateFor(state)) <= 3);
  const std::wstring prefix = tavlun::FindingPrefix(state);
  FUZZ_CHECK(prefix == L"OK — " || prefix == L"Uyarı — " || prefix == L"Hata — " || prefix == L"Bilgi — ");

  // Rows as a worker may hand them over: known titles in any case, unknown titles, repeats, any order.
  std::vector<tavlun::RequirementItem> rows;
  const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, 12);
  for (std::size_t i = 0; i < count; ++i) {
    std::wstring title;
    switch (in.ConsumeIntegralInRange(0, 2)) {
      case 0:
        title = tavlun::kRequirementTitles[in.ConsumeIntegralInRange<std::size_t>(0, tavlun::kRequirementCount - 1)];
        break;
      case 1:
        title = tavlun::kRequirementTitles[in.ConsumeIntegralInRange<std::size_t>(0, tavlun::kRequirementCount - 1)];
        for (wchar_t& c : title) {
          if (in.ConsumeBool()) c = static_cast<wchar_t>(c >= L'a' && c <= L'z' ? c - 32 : c);
        }
        break;
      default:
        title = Text(in, 40);
        break;
    }
    rows.push_back(tavlun::MakeRequirementItem(
        static_cast<tavlun::RequirementState>(in.ConsumeIntegralInRange<std::uint32_t>(0, 2)), title, Text(in, 80)));
    FUZZ_CHECK(IsDisplaySafe(rows.back().detail) && rows.back().title == title);
  }
  const std::vector<tavlun::RequirementItem> normalized = tavlun::NormalizeRequirementItems(rows);
  FUZZ_CHECK(normalized.size() == 6);
  for (std::size_t t = 0; t < 6; ++t) {
    const std::wstring wanted = tavlun::ToLowerText(tavlun::kRequirementTitles[t]);
    const tavlun::RequirementItem* first = nullptr;
    for (const auto& row : rows) {
      if (tavlun::ToLowerText(row.title) == wanted) {
        first = &row;
        break;
      }
    }
    const tavlun::RequirementItem& got = normalized[t];
    if (first != nullptr) {
      FUZZ_CHECK(got.state == first->state && got.title == first->title && got.detail == first->detail);
    } else {
      FUZZ_CHECK(got.state == 1 && got.title == tavlun::kRequirementTitles[t] &&
                 got.detail == L"Bu gereksinimin sonucu üretilemedi.");
    }
  }
  return 0;
}
