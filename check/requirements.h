// The six requirement rows of a system check and the findings of its report: records, fixed titles, the rules
// that turn check results into rows, and the normalisation that guarantees six rows in title order.
// Pure: no Windows headers, builds natively too. Nothing here fails; every builder returns one item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/executable_probe.h"
#include "check/jnlp_association.h"
#include "check/pcsc_probe.h"
#include "target/dll_state.h"

namespace tavlun {

enum class RequirementState : std::uint32_t { Ready = 0, Attention = 1, Missing = 2 };

// How a row is shown in the list, with its label.
enum class RowDisplayState : std::uint32_t { Pending = 0, Ready = 1, Attention = 2, Missing = 3 };
RowDisplayState DisplayStateFor(std::uint32_t requirement_state);
// "Bekliyor", "Hazır", "Dikkat", "Eksik"; "Bekliyor" for a value outside 0 to 3.
const wchar_t* RowDisplayLabel(std::uint32_t display_state);

// The six rows by name. Their order here is the row order everywhere: report, list and normalisation.
enum class RequirementRow : std::size_t { AkisDll, Runtime, Java, Jnlp, SmartCardService, ReaderAndCard };
inline constexpr std::size_t kRequirementCount = 6;
constexpr std::size_t RowIndex(RequirementRow row) { return static_cast<std::size_t>(row); }
static_assert(RowIndex(RequirementRow::ReaderAndCard) + 1 == kRequirementCount, "one title per row");

// Indexed by RowIndex.
inline constexpr const wchar_t* kRequirementTitles[kRequirementCount] = {
    L"AKİS DLL",           L"Visual C++ bileşenleri", L"Java", L"JNLP / Web Start",
    L"Akıllı Kart hizmeti", L"Okuyucu ve kart",
};
constexpr const wchar_t* RequirementTitle(RequirementRow row) { return kRequirementTitles[RowIndex(row)]; }

struct RequirementItem {
  std::uint32_t state = static_cast<std::uint32_t>(RequirementState::Attention);  // a RequirementState
  std::wstring title;
  std::wstring detail;  // always display-safe
};

enum class FindingSeverity : std::uint32_t { Ok = 0, Warning = 1, Error = 2, Info = 3 };

struct ReportFinding {
  std::uint32_t severity = static_cast<std::uint32_t>(FindingSeverity::Info);  // a FindingSeverity
  std::wstring text;  // always display-safe
};

// "OK — ", "Uyarı — ", "Hata — ", "Bilgi — " (also for any other value).
const wchar_t* FindingPrefix(std::uint32_t severity);

// The detail passes through SanitizeForDisplay; the title is kept as given.
RequirementItem MakeRequirementItem(RequirementState state, const std::wstring& title, const std::wstring& detail);

// One line about a probed file: absent, refused, valid (kind, machine, version) or found but not valid.
std::wstring DescribeProbedFile(const ExecutableProbe& probe);

RequirementItem BuildDllItem(bool targets_resolved, bool payloads_verified, const DllState& dll_assessment);
RequirementItem BuildRuntimeItem(const DllState& dll_assessment);
// Counts only Java candidates whose java.exe is a local, structurally valid program.
RequirementItem BuildJavaItem(std::uint32_t candidate_count, std::uint32_t eligible_count,
                              std::uint32_t below_minimum_count, std::uint32_t unknown_version_count);
RequirementItem BuildJnlpItem(JnlpOpenerKind opener_kind);
RequirementItem BuildSmartCardServiceItem(const PcscProbeOutcome& probe_outcome);
RequirementItem BuildReaderItem(const PcscProbeOutcome& probe_outcome);

// Exactly six items in row order: the first item whose title matches each title ignoring case, or an Attention
// item saying that no result was produced. Other and repeated titles are dropped. The report and the window both
// take their rows through it.
std::vector<RequirementItem> NormalizeRequirementItems(const std::vector<RequirementItem>& items);

}  // namespace tavlun
