// Read-only assessment of the installed akisp11.dll files against the embedded builds.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

enum class DllStateKind : std::int32_t {
  Missing = 0,
  MatchesPackage = 1,
  SameOrNewerKept = 2,
  DifferentFile = 3,
  UnsupportedArchitecture = 4,
  VerificationFailed = 5,
};

struct DllState {
  DllStateKind kind = DllStateKind::VerificationFailed;
  std::wstring targets_text;  // "label: display_path" items joined by "   |   "
  std::wstring message;
  bool package_verified = false;
  bool runtime_confirmed = false;
  bool install_offered = false;
};

// Never fails: failures become the kind and the message.
DllState AssessDllState();

// Safety pre-check of a target path; opens nothing that could follow a link. Absent (2 or 3) is success with
// exists = false.
bool CheckTargetFile(const std::wstring& path, bool* exists, std::wstring* message,
                     std::uint32_t* win32_error = nullptr);

// Membership of BUILTIN\Administrators in the effective token (false for a filtered token).
bool IsUserAdmin();

}  // namespace tavlun
