#include "install/elevated_run.h"

#include <windows.h>
#include <shlobj.h>

#include "core/text.h"
#include "core/unique_handle.h"
#include "install/event_log.h"
#include "install/install_log.h"
#include "install/leftovers_scan.h"
#include "install/owned_files.h"
#include "install/secure_folder.h"
#include "install/transaction.h"
#include "install/work_area.h"
#include "integrity/sha256.h"
#include "target/dll_state.h"

namespace tavlun {
namespace {

// FOLDERID_ProgramData
constexpr GUID kProgramDataFolderId = {0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};
constexpr DWORD kDirectoryOrLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

struct AppliedStep {
  const ElevatedRunTarget* target;
  InstallOutcome outcome;
  FileIdentity installed_identity;  // valid when the transaction installed the file
};

void Append(std::wstring* list, const std::wstring& separator, const std::wstring& item) {
  if (!list->empty()) *list += separator;
  *list += item;
}

InstallOutcome Fail(InstallOutcome result, const wchar_t* cause, std::wstring message, std::uint32_t win32_error = 0) {
  result.cause = cause;
  result.message = std::move(message);
  if (win32_error != 0) result.win32_error = win32_error;
  return result;
}

// Busy, taken by an untrusted process (access denied, or a descriptor that failed the check), or anything else.
const wchar_t* LockCause(std::uint32_t code) {
  if (code == ERROR_BUSY) return kCauseLockBusy;
  if (code == ERROR_ACCESS_DENIED || code == ERROR_INVALID_SECURITY_DESCR) return kCauseLockUntrusted;
  return kCauseLockFailed;
}

const wchar_t* LabelOf(const ElevatedRunTarget& target) { return target.entry.descriptor->label; }

// The log record of an earlier target after its undo: its transaction's record with the final state, so that no
// record on disk says "installed" for a file that was taken back.
InstallOutcome UndoRecord(const AppliedStep& step, bool undone, const std::wstring& undo_text) {
  InstallOutcome record;  // the fields of the transaction's record, one by one: records are never copied whole
  record.outcome = kOutcomeFailed;
  record.target = step.outcome.target;
  record.old_sha256 = step.outcome.old_sha256;
  record.backup = step.outcome.backup;
  record.expected_sha256 = step.outcome.expected_sha256;
  record.rollback = undo_text;
  record.message = undone ? std::wstring(L"Sonraki hedef tamamlanamadığı için bu hedefteki kurulum geri alındı; "
                                         L"bu çalıştırmanın kurduğu dosya hedefte bırakılmadı.")
                          : std::wstring(L"Sonraki hedef tamamlanamadığı için bu hedefteki kurulum geri alınmak "
                                         L"istendi ancak geri alınamadı; hedefin durumu geri alma satırındadır.");
  return record;
}

// Undoes the installed earlier targets, newest first, and describes each; a file that is no longer the one this
// run installed (identity and hash) is never touched. `records` receives one log record per undone target.
std::wstring UndoEarlierTargets(const std::vector<AppliedStep>& applied, const EngineHooks* hooks,
                                std::vector<InstallOutcome>* records) {
  std::wstring text;
  for (auto step = applied.rbegin(); step != applied.rend(); ++step) {
    if (step->outcome.outcome != kOutcomeInstalled) continue;
    const TargetLocation& location = step->target->entry.location;
    FileIdentity identity;
    std::wstring sha256;
    std::wstring detail;
    std::uint32_t inspect_error = 0;
    if (!InspectOwnedFile(location.file_path, &identity, &sha256, &detail, &inspect_error) &&
        inspect_error == ERROR_FILE_NOT_FOUND) {
      // The installed file is gone (an antivirus may quarantine a new DLL): the target is empty, and the undo
      // still has to put the original back there.
      identity = step->installed_identity;
      sha256 = step->target->payload.sha256;
    }
    if (!EqualsIgnoreAsciiCase(sha256, step->target->payload.sha256) ||
        !SameFileIdentity(identity, step->installed_identity)) {
      const std::wstring item = L"önceki hedef değiştiği için geri alınamadı";
      Append(&text, L"; ", item);
      records->push_back(UndoRecord(*step, false, item));
      continue;
    }
    bool undone;
    if (step->outcome.old_sha256.empty()) {
      undone = DeleteOwnedFile(location.file_path, identity, sha256, &detail);
    } else {
      undone = RollbackTarget(location, true, step->outcome.backup, step->outcome.old_sha256, false, &detail,
                              &identity, &sha256, hooks);
    }
    const std::wstring item = (undone ? L"geri alındı: " : L"geri alma başarısız: ") + detail;
    Append(&text, L"; ", item);
    records->push_back(UndoRecord(*step, undone, item));
  }
  return text;
}

}  // namespace

ElevatedRunInputs ReadElevatedRunInputs() {
  ElevatedRunInputs inputs;
  inputs.is_admin = IsUserAdmin();
  std::vector<TargetEntry> entries;
  inputs.targets_resolved = ResolveRequiredTargets(&entries, &inputs.targets_message);
  for (TargetEntry& entry : entries) {
    ElevatedRunTarget target;
    target.entry = std::move(entry);
    target.payload_loaded = LoadPayload(*target.entry.descriptor, &target.payload, &target.payload_message);
    inputs.targets.push_back(std::move(target));
  }
  wchar_t* program_data = nullptr;
  const HRESULT found = ::SHGetKnownFolderPath(kProgramDataFolderId, 0, nullptr, &program_data);
  if (SUCCEEDED(found) && program_data != nullptr && program_data[0] != L'\0') {
    inputs.work_root_found = true;
    inputs.work_root = program_data;
  }
  ::CoTaskMemFree(program_data);
  inputs.secure = true;
  return inputs;
}

InstallOutcome RunElevatedInstall() { return RunElevatedInstall(ReadElevatedRunInputs()); }

InstallOutcome RunElevatedInstall(const ElevatedRunInputs& inputs) {
  InstallOutcome result;
  if (!inputs.is_admin) {
    return Fail(std::move(result), kCauseNotAdmin, L"Kurulum için yönetici izni gerekiyor.", ERROR_ACCESS_DENIED);
  }

  InstallLock lock;  // held until the run returns
  std::wstring message;
  std::uint32_t code = 0;
  if (!AcquireInstallLock(&lock, &message, &code, inputs.lock_name.c_str())) {
    return Fail(std::move(result), LockCause(code), message, code);
  }
  if (!inputs.targets_resolved) return Fail(std::move(result), kCauseTargetsUnresolved, inputs.targets_message);

  std::wstring targets_text;
  for (const ElevatedRunTarget& target : inputs.targets) {
    if (!target.payload_loaded) return Fail(std::move(result), kCausePayloadInvalid, target.payload_message);
    const TargetLocation& location = target.entry.location;
    Append(&targets_text, L"; ", location.display_path.empty() ? location.file_path : location.display_path);
    result.target = targets_text;
  }

  // An interrupted earlier run is recognised first: its provable leftovers go (a second name of a target among
  // them), and an original it moved aside is named in this run's records.
  std::vector<InterruptedOriginal> originals;
  {
    std::vector<LeftoverTarget> leftover_targets;
    for (const ElevatedRunTarget& target : inputs.targets) {
      leftover_targets.push_back({target.entry.location, target.payload.sha256});
    }
    CleanUpInterruptedRuns(leftover_targets,
                           inputs.work_root_found ? JoinPath(inputs.work_root, kWorkAreaFolderName) : std::wstring(),
                           inputs.secure, &originals, inputs.hooks);
  }

  // Preflight: every target is proved readable before anything is created or changed.
  for (const ElevatedRunTarget& target : inputs.targets) {
    const TargetLocation& location = target.entry.location;
    const DWORD attributes = ::GetFileAttributesW(location.directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kDirectoryOrLink) != FILE_ATTRIBUTE_DIRECTORY) {
      // Only a failed query has an error of its own; otherwise the last error is an earlier call's.
      const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : ERROR_SUCCESS;
      return Fail(std::move(result), kCauseTargetsNotReady,
                  std::wstring(LabelOf(target)) + L" hedef sistem klasörü güvenli bir normal dizin değil.", error);
    }
    bool exists = false;
    code = 0;
    if (!CheckTargetFile(location.file_path, &exists, &message, &code)) {
      return Fail(std::move(result), kCauseTargetsNotReady,
                  std::wstring(LabelOf(target)) + L" hedefi denetlenemedi: " + message, code);
    }
    if (exists) {
      FileIdentity identity;
      std::wstring sha256;
      code = 0;
      if (!InspectOwnedFile(location.file_path, &identity, &sha256, &message, &code)) {
        return Fail(std::move(result), kCauseTargetsNotReady,
                    std::wstring(LabelOf(target)) + L" hedefi okunamadı: " + message, code);
      }
    }
  }

  if (!inputs.work_root_found) {
    return Fail(std::move(result), kCauseProgramDataMissing, L"ProgramData dizini alınamadı.");
  }
  const std::wstring base = JoinPath(inputs.work_root, kWorkAreaFolderName);
  const std::wstring backups = JoinPath(base, kBackupsFolderName);
  const std::wstring logs = JoinPath(base, kLogsFolderName);
  UniqueHandle base_handle;  // held to the end of the run: the folders cannot be moved or replaced meanwhile
  UniqueHandle backups_handle;
  UniqueHandle logs_handle;
  // A work folder that someone else owns or may write to is moved aside once and made anew; what was moved is
  // named in every log record of the run.
  std::wstring moved_aside;
  const auto prepare = [&](const std::wstring& path, UniqueHandle* handle) {
    if (!inputs.secure) return EnsureSecureFolder(path, false, &message, handle);
    std::wstring moved_to;
    const bool ready = EnsureWorkFolder(path, &message, handle, &moved_to, inputs.hooks);
    if (!moved_to.empty()) Append(&moved_aside, L"; ", moved_to);
    return ready;
  };
  if (!prepare(base, &base_handle) || !prepare(backups, &backups_handle) || !prepare(logs, &logs_handle)) {
    return Fail(std::move(result), kCauseWorkFolderUnsafe, L"Güvenli yedek/günlük alanı hazırlanamadı: " + message);
  }

  bool changed = false;
  bool all_logs_written = true;
  std::wstring installed_labels;
  std::wstring backups_text;
  std::vector<AppliedStep> applied;
  applied.reserve(inputs.targets.size());
  for (std::size_t index = 0; index < inputs.targets.size(); ++index) {
    const ElevatedRunTarget& target = inputs.targets[index];
    RunHook(inputs.hooks, &EngineHooks::before_transaction, target.entry.location);
    AppliedStep step{&target, InstallOutcome(), FileIdentity()};
    PreviousCopy previous;
    InstallSingleDll(&step.outcome, target.entry.location, target.payload, backups, inputs.secure,
                     &step.installed_identity, inputs.hooks, &originals[index], &previous);
    if (!WriteInstallLog(logs, step.outcome, inputs.secure, inputs.hooks, moved_aside)) all_logs_written = false;
    // The old file leaves its "previous" name only once the record names its backup: a run stopped before that
    // leaves it for the next run to recognise. One that cannot be removed is such a leftover too.
    std::wstring ignored;
    if (!previous.path.empty()) RemovePreviousCopy(previous, &ignored, inputs.hooks);

    if (step.outcome.outcome != kOutcomeInstalled && step.outcome.outcome != kOutcomeAlreadyInstalled) {
      InstallOutcome failed = std::move(step.outcome);
      std::vector<InstallOutcome> undo_records;
      const std::wstring undone = UndoEarlierTargets(applied, inputs.hooks, &undo_records);
      for (const InstallOutcome& record : undo_records) {
        if (!WriteInstallLog(logs, record, inputs.secure, inputs.hooks, moved_aside)) all_logs_written = false;
      }
      failed.message = std::wstring(LabelOf(target)) + L" kurulum tamamlanamadı: " + failed.message;
      if (!undone.empty()) failed.message += L" Önceki değişiklikler: " + undone + L".";
      failed.log_written = all_logs_written;
      failed.cause = kCauseInstallFailed;
      return failed;
    }
    if (step.outcome.outcome == kOutcomeInstalled) {
      changed = true;
      Append(&installed_labels, L", ", LabelOf(target));
      if (!step.outcome.backup.empty()) Append(&backups_text, L"; ", step.outcome.backup);
    }
    applied.push_back(std::move(step));
  }

  result.outcome = changed ? kOutcomeInstalled : kOutcomeAlreadyInstalled;
  // Name only the builds this machine needs: 32-bit Windows has no 64-bit target.
  std::wstring required_labels;
  for (const ElevatedRunTarget& target : inputs.targets) Append(&required_labels, L" ve ", LabelOf(target));
  const wchar_t* files = inputs.targets.size() == 1 ? L" AKİS dosyası" : L" AKİS dosyaları";
  result.message = changed ? PayloadProductText() + L" güvenle kuruldu ve SHA-256 doğrulaması tamamlandı (" + installed_labels + L")."
                           : L"Gerekli " + required_labels + files +
                                 L" zaten hazır veya aynı/daha yeni sürüm olarak korundu; değişiklik yapılmadı.";
  result.backup = backups_text;
  result.log_written = all_logs_written;
  result.cause = changed ? kCauseInstalled : kCauseAlreadyInstalled;
  if (!all_logs_written) result.message += L" İşlem günlüklerinden biri yazılamadı.";
  return result;
}

}  // namespace tavlun
