#include <windows.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/check_report.h"
#include "app/run_mode.h"
#include "check/check_budget.h"
#include "check/check_report_json.h"
#include "check/directory_chain.h"
#include "check/path_safety.h"
#include "check/report.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "install/engine_names.h"
#include "install/temp_files.h"

namespace tavlun {
namespace {

struct ReportPath {
  std::wstring path;
  std::wstring folder;  // "C:\" for a file in the drive root
  std::wstring name;
  DirectoryHandleList chain;  // pinned while the check runs: no folder of the path can be swapped for a link
};

// The attributes of every folder below the root as the directory lists them (links not followed): a link on the
// way is refused even where a handle opened on it would describe its target instead.
bool ChainListsAReparsePoint(const std::wstring& folder) {
  for (std::size_t at = folder.find(L'\\', 3);; at = folder.find(L'\\', at + 1)) {
    const std::wstring prefix = at == std::wstring::npos ? folder : folder.substr(0, at);
    const DWORD attributes = ::GetFileAttributesW(PathForOpening(prefix).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
    if (at == std::wstring::npos) return false;
  }
}

ReportPathVerdict InspectReportPath(const std::wstring& path, ReportPath* out) {
  std::wstring message;
  if (!ValidateLocalPathSyntax(path, &message)) return ReportPathVerdict::Refused;
  const std::size_t slash = path.rfind(L'\\');
  out->path = path;
  out->name = path.substr(slash + 1);
  out->folder = slash == 2 ? path.substr(0, 3) : path.substr(0, slash);
  if (slash != 2 && !PinDirectoryChain(out->folder, &out->chain, &message)) {
    // A folder that opened but is a file, a link or a junction is refused; one that did not open is simply not
    // there (or not ours to read), which is a write failure like any other.
    return message == kPathComponentNotPlainDirectory ? ReportPathVerdict::Refused : ReportPathVerdict::Unwritable;
  }
  // Checked once the chain is pinned, so the answer still holds when the file is written.
  if (slash != 2 && ChainListsAReparsePoint(out->folder)) return ReportPathVerdict::Refused;
  const DWORD listed = ::GetFileAttributesW(PathForOpening(path).c_str());
  if (listed != INVALID_FILE_ATTRIBUTES && ReportFileVerdict(true, listed, 0) == ReportPathVerdict::Refused) {
    return ReportPathVerdict::Refused;
  }
  UniqueHandle existing(::CreateFileW(PathForOpening(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!existing) {
    // Absent, or a plain file that someone holds open without sharing: then the rename decides.
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return ReportPathVerdict::Accepted;
    return listed == INVALID_FILE_ATTRIBUTES ? ReportPathVerdict::Unwritable : ReportPathVerdict::Accepted;
  }
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!::GetFileInformationByHandleEx(existing.get(), FileAttributeTagInfo, &info, sizeof(info))) {
    return ReportPathVerdict::Unwritable;
  }
  return ReportFileVerdict(true, info.FileAttributes, info.ReparseTag);
}

// A new file beside the report, written and flushed, then renamed over the report through its own handle: a
// reader sees the old document or the new one, never a part. On failure the temporary file is deleted.
bool WriteThroughTemporaryFile(const ReportPath& target, const std::string& bytes) {
  UniqueHandle file;
  for (unsigned attempt = 0; attempt < kUniqueNameAttempts && !file; ++attempt) {
    std::wstring token;
    if (!RandomHexToken(&token)) return false;
    const std::wstring temp = JoinPath(target.folder, L"." + target.name + L"." + token + L".tmp");
    file.reset(::CreateFileW(PathForOpening(temp).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  if (!file) return false;
  std::uint32_t error = 0;
  bool ok = bytes.size() <= 0x7FFFFFFF &&
            WriteAllAndFlush(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), &error);
  if (ok) {
    const std::wstring destination = PathForOpening(target.path);
    const std::size_t name_bytes = destination.size() * sizeof(wchar_t);
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, 0);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    // Replacing renames over the directory entry: a hard link or a link planted at the name since the path was
    // inspected is replaced itself, and whatever it pointed to stays untouched.
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(rename->FileName, destination.c_str(), name_bytes);
    ok = ::SetFileInformationByHandle(file.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
  }
  if (!ok) MarkDeleteOnClose(file.get());
  return ok;
}

std::wstring UtcNowText() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  return FormatUtcTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

}  // namespace

int RunCheckReportMode(const std::wstring& path) {
  ReportPath target;
  switch (InspectReportPath(path, &target)) {
    case ReportPathVerdict::Refused:
      return kExitCheckReportPathRefused;
    case ReportPathVerdict::Unwritable:
      return kExitCheckReportNotWritten;
    case ReportPathVerdict::Accepted:
      break;
  }
  try {
    // The window's check: the same budget, probe and report; the window shows these rows and copies this text.
    CheckBudget budget = StartCheckBudget();
    const ReportFacts facts = GatherReportFacts(&budget);
    DiagnosticReport report = AssembleDiagnosticReport(facts);
    CheckReportDocument document;
    document.toolVersion = facts.toolVersion;
    document.timeUtc = UtcNowText();
    document.windowsVersion = facts.windowsVersion;
    document.nativeMachine = facts.nativeArchitecture;
    document.dllKind = facts.dllState.kind;
    document.installOffered = facts.dllState.install_offered;
    document.rows = NormalizeRequirementItems(report.items);
    document.reportText = std::move(report.clipboardText);
    if (!WriteThroughTemporaryFile(target, BuildCheckReportJson(document))) return kExitCheckReportNotWritten;
    return CheckReportExitCode(document.rows);
  } catch (const std::bad_alloc&) {
    return kExitCheckReportNotWritten;
  }
}

}  // namespace tavlun
