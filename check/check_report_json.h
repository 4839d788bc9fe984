// The system check as one JSON document for deployment tools (--check-report=<file>): the six rows with stable
// ids, the DLL state, the system facts and the privacy-reduced report text exactly as the clipboard receives it.
// Pure: no Windows headers, builds natively too. Nothing here fails; only memory exhaustion throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/requirements.h"
#include "target/dll_state.h"

namespace tavlun {

// Raised when a key is renamed or removed, or a value changes its meaning; new keys do not raise it.
inline constexpr int kCheckReportFormat = 1;

// Stable row ids, indexed by RowIndex: "akis-dll", "runtime", "java", "jnlp", "smart-card-service",
// "reader-and-card".
const char* RequirementRowId(std::size_t row_index);
// "ready", "attention", "missing"; "attention" for a value outside the enumeration, as the window counts it.
const char* RequirementStateId(std::uint32_t state);
// "missing", "matches-package", "same-or-newer-kept", "different-file", "unsupported-architecture",
// "verification-failed".
const char* DllStateKindId(DllStateKind kind);

struct CheckReportDocument {
  std::wstring toolVersion;
  std::wstring timeUtc;  // ISO 8601, "2026-01-31T09:05:07Z"
  std::wstring windowsVersion;
  std::wstring nativeMachine;
  DllStateKind dllKind = DllStateKind::VerificationFailed;
  bool installOffered = false;
  std::vector<RequirementItem> rows;  // six, in row order
  std::wstring reportText;            // the clipboard text
};

// The UTF-16 text as the body of a JSON string in UTF-8 (without the quotes): quote, backslash and every
// character below U+0020 escaped (\b \f \n \r \t or \u00XX), U+2028 and U+2029 escaped so that the text is also a
// JavaScript literal, an unpaired surrogate replaced by U+FFFD; everything else as UTF-8 bytes.
std::string JsonStringBody(const std::wstring& text);

// The whole document: one object, two-space indentation, "\n" line ends, a final "\n". The overall "result" is
// the worst row state ("missing" over "attention" over "ready").
std::string BuildCheckReportJson(const CheckReportDocument& document);

// The worst state over the rows as a RequirementState; Ready for no rows.
RequirementState WorstRequirementState(const std::vector<RequirementItem>& rows);

}  // namespace tavlun
