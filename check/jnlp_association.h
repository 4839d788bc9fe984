// The registered opener of .jnlp files: looked up and probed read-only, never started. The classification is pure.
#pragma once

#include <cstdint>
#include <string>

#include "check/executable_probe.h"

namespace tavlun {

struct JnlpAssociation {
  bool openerFound = false;      // an opener path was obtained
  ExecutableProbe opener;        // ProbeExecutable of openerPath as a program; default when no path
  std::wstring openerPath;       // the full path Windows reported; empty when none
  std::int32_t queryResult = 0;  // HRESULT of the association query
};

enum class JnlpOpenerKind : std::int32_t {
  NoOpener = 0,           // no opener path
  OpenerNotExamined = 1,  // a path, but not confirmed as a local, structurally valid program
  JavawsOpener = 2,       // a valid program named javaws.exe (any letter case)
  OtherOpener = 3,        // a valid program with another name
};

// The part after the last backslash or forward slash; the whole text when there is none.
std::wstring OpenerFileName(const std::wstring& opener_path);

JnlpOpenerKind ClassifyJnlpOpener(bool opener_found, bool structurally_valid, const std::wstring& opener_path);

// AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, ".jnlp") into 32768 characters, then
// ProbeExecutable of the path. Never fails; a failed query leaves openerFound false.
JnlpAssociation QueryJnlpAssociation();

}  // namespace tavlun
