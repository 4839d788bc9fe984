// What an interrupted installation leaves, and which of it the next run may remove. Pure: no Windows headers.
// The next run removes only what it can prove to be its own and without a content of its own: a file of the
// engine's name patterns whose content is the embedded build or a verified backup (or that is a second name of
// the target file itself), a backup folder holding nothing, a zero-byte file under a backup's name that is not
// the backup of an empty file, a zero-byte record, and staging files in the work area. Nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

enum class EngineFileKind {
  kNone,               // not a name the engine gives
  kTemporaryInstall,   // ".akisp11.<pid>.<tick>.<attempt>.tmp"
  kRollbackCopy,       // ".akisp11.rollback.<pid>.<tick>.<attempt>.tmp"
  kPrevious,           // ".akisp11.previous.<32 hex>.tmp": the old file kept during the swap
  kRescue,             // ".akisp11.rescue.<32 hex>.tmp"
  kPriorRecovery,      // ".akisp11.prior-recovery.<32 hex>.tmp": given by earlier versions of the rollback
  kStaging,            // ".akisp11.part.<32 hex>.tmp": a backup, record or rollback copy being written
};

EngineFileKind ClassifyEngineFileName(const std::wstring& name);

// The digest prefix in a backup folder's name ("<8 digits>-<6 digits>-<pid>-<up to 8 hex>[-<attempt>]").
bool ParseBackupFolderName(const std::wstring& name, std::wstring* digest_prefix);

// What the next run proved about an engine-named file beside a target.
struct LeftoverFacts {
  EngineFileKind kind = EngineFileKind::kNone;
  bool equals_build = false;            // its SHA-256 is the target's embedded build
  bool equals_verified_backup = false;  // its SHA-256 is that of a verified backup
  bool second_name_of_target = false;   // another name of the very file at the target (same identity)
};

// A provable leftover: removing it loses no content.
bool IsProvableLeftover(const LeftoverFacts& facts);

// The original an interrupted swap moved aside or a stopped rollback was putting back: a "previous" copy or a
// rollback copy of its own (not a second name of the target) whose content a verified backup holds.
bool IsInterruptedOriginal(const LeftoverFacts& facts);

// Inside a backup folder whose name carries `digest_prefix`: whether the entry can go (a staging file, or a
// zero-byte "akisp11.dll" while the folder's name says the backed-up file was not empty).
bool IsRemovableBackupEntry(const std::wstring& digest_prefix, const std::wstring& name, std::uint64_t size);

// Inside the log folder: a zero-byte record or a staging file.
bool IsRemovableLogEntry(const std::wstring& name, std::uint64_t size);

}  // namespace tavlun
