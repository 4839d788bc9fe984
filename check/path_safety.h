// Path rules of the read-only check: which paths count as plain local drive-letter paths. The text rules are pure
// (no Windows headers); ValidateLocalPathSyntax adds the drive type that Windows reports. Failures give a short
// lower-case Turkish fragment that the caller puts after its own prefix ending in ": ".
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

inline constexpr wchar_t kPathNotLocalAbsolute[] = L"yerel ve mutlak sürücü yolu değil";
inline constexpr wchar_t kPathAmbiguousForm[] = L"aygıt, UNC, ADS veya belirsiz yol biçimi reddedildi";
inline constexpr wchar_t kPathBadComponent[] = L"boş, göreli veya belirsiz yol bileşeni reddedildi";
inline constexpr wchar_t kPathDeviceName[] = L"Windows aygıt adı içeren yol reddedildi";
inline constexpr wchar_t kPathRemoteDrive[] = L"uzak veya doğrulanamayan sürücü reddedildi";
inline constexpr wchar_t kPathTooManyComponents[] = L"yol çok fazla bileşen içeriyor";
inline constexpr wchar_t kPathComponentOpenFailed[] = L"yol bileşeni yerel ve reparse olmadan açılamadı: ";
inline constexpr wchar_t kPathComponentNotPlainDirectory[] =
    L"yol bileşeni eksik, dizin değil veya yeniden ayrıştırma noktası";

// A component's base name (before its first dot, without blanks at its end) names a Windows device: con, prn, aux, nul, clock$, conin$,
// conout$, or com/lpt followed by one digit 1-9 (the superscript digits 1-3 included), in any letter case.
bool IsWindowsDeviceName(const std::wstring& component);

// The rules for one component: not empty, not "." or "..", no trailing dot or blank, none of < > " | ? *,
// no colon, backslash or forward slash, no device name. On failure `message` holds the fragment.
bool CheckPathComponent(const std::wstring& component, std::wstring* message);

// The text rules in order: "X:\" (or "X:/") form and length 3 to 32767; no colon after the drive, no doubled backslash, no
// forward slash; every component accepted by the component rules. Nothing is asked of Windows.
bool CheckLocalPathText(const std::wstring& path, std::wstring* message);

// Drive types (GetDriveTypeW values) that the check accepts: fixed, removable, optical and RAM drives.
bool IsAcceptedDriveType(std::uint32_t drive_type);

// The attribute and reparse-tag test that every opened directory of a chain must pass.
bool IsPlainDirectory(std::uint32_t attributes, std::uint32_t reparse_tag);

// Text rules plus the drive type of the path's drive. Fails only with the fragments above.
bool ValidateLocalPathSyntax(const std::wstring& path, std::wstring* message);

// The form in which a validated path is opened: long paths get the "\\?\" prefix so that they open whatever the
// system's long-path setting is (the rules above leave nothing for Win32 normalisation to change).
std::wstring PathForOpening(const std::wstring& validated_path);

}  // namespace tavlun
