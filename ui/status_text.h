// What the main window says and enables for a DLL assessment and a check state: status titles, accent colours,
// button texts and enabled states, list row texts, the requirements section texts and the labels about the
// embedded builds. Pure: no Windows headers, builds natively too. Nothing here fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/requirements.h"
#include "target/dll_state.h"
#include "ui/palette.h"

namespace tavlun {

// Progress of the system check in the window.
enum class CheckState : std::uint32_t {
  Idle = 0,       // no check started since the window opened
  Checking = 1,   // the worker runs
  Revealing = 2,  // the result arrived and rows are being revealed
  Done = 3,       // every row shown
};


struct StatusHeadline {
  const wchar_t* title;
  Colour accent;
};

// The status card's title and accent colour for an assessment.
StatusHeadline HeadlineFor(const DllState& state);

// The status card's second line: while busy, what runs (the check, Windows' administrator prompt, the
// installation); otherwise the assessment's message.
std::wstring StatusDetailText(const DllState& state, bool busy, bool checking, bool awaitingApproval = false);

// "Hedef yol çözümlenemedi" when no target text could be built.
std::wstring TargetPathText(const DllState& state);

const wchar_t* InstallButtonText(DllStateKind kind);
const wchar_t* CheckButtonText(bool checking, CheckState check_state);

struct ButtonStates {
  bool install = false;
  bool check = false;
  bool guide = false;
  bool copy = false;
};
ButtonStates EnabledButtons(bool busy, CheckState check_state, bool install_offered);

// One list row: title, a tab, then the label (and " — " and the detail when there is one), or for a pending row
// the detail alone ("Bekliyor" when it is empty). The detail is made display-safe.
std::wstring ComposeRowText(const std::wstring& title, std::uint32_t display_state, const std::wstring& detail);

// "<ready> hazır  •  <attention> dikkat  •  <missing> eksik" over the rows.
struct StateCounts {
  std::uint32_t ready = 0;
  std::uint32_t attention = 0;
  std::uint32_t missing = 0;
};
StateCounts CountStates(const std::vector<RequirementItem>& items);

std::wstring SummaryText(const std::vector<RequirementItem>& items);

// The requirements section's title and status line.
std::wstring RequirementsTitleText(CheckState check_state);
std::wstring RequirementsStatusText(CheckState check_state, std::size_t reveal_position,
                                    const std::vector<RequirementItem>& items);

// The embedded builds as the details block shows them. Only a vendor build whose files carry a signature (read at
// build time) is said to be signed by its maker; a stand-in build says it is an unsigned development stand-in.
std::wstring PayloadVersionText(bool vendor_build, bool vendor_signed);
// "x86 <first 8>…<last 4>  •  x64 <first 8>…<last 4>" of the two expected SHA-256 texts.
std::wstring HashValueText(const std::wstring& sha256_build32, const std::wstring& sha256_build64);

// The product's web domain: the brand text and the first word of the footer.
inline constexpr wchar_t kProductDomain[] = L"tavlun.com.tr";
std::wstring FooterText();

}  // namespace tavlun
