// The names the engine gives its own files and folders. Pure: no Windows headers.
// Every name of a file placed next to a target begins with ".akisp11." and ends with ".tmp".
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

// "%04u%02u%02u-%02u%02u%02u-%lu": date, time to the second, process id.
std::wstring FormatTimestampName(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                                 unsigned second, std::uint32_t process_id);

// ".akisp11.<pid>.<tick>.<attempt>.tmp"
std::wstring TempInstallFileName(std::uint32_t process_id, std::uint64_t tick_count, unsigned attempt);

// ".akisp11.rollback.<pid>.<tick>.<attempt>.tmp"
std::wstring RollbackCopyName(std::uint32_t process_id, std::uint64_t tick_count, unsigned attempt);

// ".akisp11.<label>.<token>.tmp" for the labels "rescue", "prior-recovery" and "previous".
std::wstring RandomTempName(const std::wstring& label, const std::wstring& token);

// <timestamp>-<first eight characters of the old digest, fewer when it is shorter>, then "-<attempt>" from the
// second attempt on (two targets holding the same old file are backed up within the same second).
std::wstring BackupFolderName(const std::wstring& timestamp, const std::wstring& old_sha256, unsigned attempt = 0);

// <timestamp>-<token>.log
std::wstring LogFileName(const std::wstring& timestamp, const std::wstring& token);

// At most this many names are tried by every search for a unique name.
inline constexpr unsigned kUniqueNameAttempts = 20;

}  // namespace tavlun
