// The names of the installer's work area under ProgramData: <ProgramData>\TavlunYardimcisi with Backups and Logs.
// The program and its tests take them from here; the users' README names the same folders.
#pragma once

namespace tavlun {

inline constexpr wchar_t kWorkAreaFolderName[] = L"TavlunYardimcisi";
inline constexpr wchar_t kBackupsFolderName[] = L"Backups";
inline constexpr wchar_t kLogsFolderName[] = L"Logs";

}  // namespace tavlun
