#include "check/path_safety.h"

#include <cstddef>
#include <cwctype>

#include "check/check_limits.h"

namespace tavlun {
namespace {

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsDeviceDigit(wchar_t c) {
  return (c >= L'1' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

bool Fail(std::wstring* message, const wchar_t* fragment) {
  if (message != nullptr) *message = fragment;
  return false;
}

// Win32 paths up to this length open without the extended-length prefix (MAX_PATH less room for "\8.3name").
constexpr std::size_t kPlainOpenLimit = 248;

}  // namespace

bool IsWindowsDeviceName(const std::wstring& component) {
  std::wstring base = component.substr(0, component.find(L'.'));
  // Windows ignores blanks at the end of the base name: "nul .txt" opens the NUL device.
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (wchar_t& c : base) c = AsciiLower(c);
  if (base == L"con" || base == L"prn" || base == L"aux" || base == L"nul" || base == L"clock$" ||
      base == L"conin$" || base == L"conout$") {
    return true;
  }
  if (base.size() != 4 || !IsDeviceDigit(base[3])) return false;
  const std::wstring stem = base.substr(0, 3);
  return stem == L"com" || stem == L"lpt";
}

bool CheckPathComponent(const std::wstring& component, std::wstring* message) {
  if (component.find_first_of(L":/\\") != std::wstring::npos) return Fail(message, kPathAmbiguousForm);
  if (component.empty() || component == L"." || component == L".." || component.back() == L'.' ||
      component.back() == L' ' || component.find_first_of(L"<>\"|?*") != std::wstring::npos) {
    return Fail(message, kPathBadComponent);
  }
  if (IsWindowsDeviceName(component)) return Fail(message, kPathDeviceName);
  return true;
}

bool CheckLocalPathText(const std::wstring& path, std::wstring* message) {
  if (path.size() < 3 || path.size() > kMaxCheckedPathChars || !std::iswalpha(static_cast<std::wint_t>(path[0])) ||
      path[1] != L':' || (path[2] != L'\\' && path[2] != L'/')) {
    return Fail(message, kPathNotLocalAbsolute);
  }
  // "C:/Java" passes the form test above so that it is refused here as the ambiguous form it is.
  if (path.find(L':', 2) != std::wstring::npos || path.find(L"\\\\") != std::wstring::npos ||
      path.find(L'/') != std::wstring::npos) {
    return Fail(message, kPathAmbiguousForm);
  }
  // Rule 3 (empty, relative or ambiguous components) is decided for every component before device names.
  std::size_t begin = 3;
  for (;;) {
    std::size_t end = path.find(L'\\', begin);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring component = path.substr(begin, end - begin);
    if (component.empty() || component == L"." || component == L".." || component.back() == L'.' ||
        component.back() == L' ' || component.find_first_of(L"<>\"|?*") != std::wstring::npos) {
      return Fail(message, kPathBadComponent);
    }
    if (end == path.size()) break;
    begin = end + 1;
  }
  begin = 3;
  for (;;) {
    std::size_t end = path.find(L'\\', begin);
    if (end == std::wstring::npos) end = path.size();
    if (IsWindowsDeviceName(path.substr(begin, end - begin))) return Fail(message, kPathDeviceName);
    if (end == path.size()) break;
    begin = end + 1;
  }
  return true;
}

bool IsAcceptedDriveType(std::uint32_t drive_type) {
  // DRIVE_REMOVABLE 2, DRIVE_FIXED 3, DRIVE_CDROM 5, DRIVE_RAMDISK 6; refused: DRIVE_UNKNOWN 0,
  // DRIVE_NO_ROOT_DIR 1, DRIVE_REMOTE 4 and anything unknown.
  return drive_type == 2 || drive_type == 3 || drive_type == 5 || drive_type == 6;
}

bool IsPlainDirectory(std::uint32_t attributes, std::uint32_t reparse_tag) {
  constexpr std::uint32_t kDirectory = 0x10;      // FILE_ATTRIBUTE_DIRECTORY
  constexpr std::uint32_t kReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT
  return (attributes & kDirectory) != 0 && (attributes & kReparsePoint) == 0 && reparse_tag == 0;
}

std::wstring PathForOpening(const std::wstring& validated_path) {
  if (validated_path.size() < kPlainOpenLimit) return validated_path;
  return L"\\\\?\\" + validated_path;
}

}  // namespace tavlun
