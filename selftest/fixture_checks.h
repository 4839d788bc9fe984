// The report-logic half of the self-test: fixed checks of the parsers, text rules, allowlist and requirement rows
// on fixtures built into the program. Pure: no Windows headers, builds natively too.
#pragma once

#include <string>

namespace tavlun {

// The path rule of the check (ValidateLocalPathSyntax in the program; the pure text rules in native tests).
using PathRule = bool (*)(const std::wstring& path, std::wstring* message);

// Runs the checks with codes 33 to 56 in their run order; 0 when all pass, else the code of the first failure.
int RunFixtureChecks(PathRule validate_local_path);

}  // namespace tavlun
