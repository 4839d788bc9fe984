// The --check-report=<file> run: the window's system check without a window, written as one JSON document for
// deployment tools, with readiness in the exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/requirements.h"

namespace tavlun {

// 0 when every row is ready, 71 when any row is missing, else 70 (app/run_mode.h).
int CheckReportExitCode(const std::vector<RequirementItem>& rows);

// How a report path ends up, before the check runs. Pure.
enum class ReportPathVerdict {
  Accepted,
  Refused,     // not an absolute local drive path, a device, a folder, or a link or other reparse point
  Unwritable,  // a folder of the path could not be opened (missing, access denied)
};

// The final component as found: `exists` false when it is absent; otherwise its attributes and reparse tag.
ReportPathVerdict ReportFileVerdict(bool exists, std::uint32_t attributes, std::uint32_t reparse_tag);

// Runs the check and writes the document to `path` through a temporary file in the same folder that replaces the
// file in one rename. Refuses (73, nothing written, no check run) a path that is not an absolute local drive path,
// names a device, is a folder, or is reached through a reparse point; 72 when the file could not be written (no
// temporary file is left); otherwise the readiness code.
int RunCheckReportMode(const std::wstring& path);

}  // namespace tavlun
