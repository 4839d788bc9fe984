#include "ui/window_icons.h"

#include <algorithm>
#include <vector>

#include "resources/resource_ids.h"
#include "ui/dpi.h"

namespace tavlun {
namespace {

// Icons stay alive while any window or class may still refer to them; the entry destroys them at exit.
std::vector<HICON>& LoadedIcons() {
  static std::vector<HICON> icons;
  return icons;
}

WindowIcons& Current() {
  static WindowIcons icons;
  return icons;
}

HICON LoadAppIcon(int resource_id, int logical_size) {
  const int size = ::MulDiv(logical_size, g_dpi, 96);
  HICON icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource_id),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon != nullptr) LoadedIcons().push_back(icon);
  return icon;
}

// The icons the window class was registered with: they stay until the entry destroys the list at exit.
WindowIcons& ClassIcons() {
  static WindowIcons icons;
  return icons;
}

bool IsClassIcon(HICON icon) {
  const WindowIcons& c = ClassIcons();
  return icon == c.large || icon == c.small || icon == c.header;
}

// Destroys the icons of `old` that `now` does not use and the class does not hold, and forgets them.
void DestroyReplacedIcons(const WindowIcons& old, const WindowIcons& now) {
  std::vector<HICON>& loaded = LoadedIcons();
  for (HICON icon : {old.large, old.small, old.header}) {
    if (icon == nullptr || IsClassIcon(icon) || icon == now.large || icon == now.small || icon == now.header) {
      continue;
    }
    const auto found = std::find(loaded.begin(), loaded.end(), icon);
    if (found == loaded.end()) continue;  // not ours (a stock icon) or already destroyed
    loaded.erase(found);
    ::DestroyIcon(icon);
  }
}

}  // namespace

WindowIcons LoadWindowIcons(HWND window) {
  WindowIcons icons;
  icons.large = LoadAppIcon(IDI_APP_ICON, 48);
  if (icons.large == nullptr) icons.large = ::LoadIconW(nullptr, IDI_APPLICATION);  // shared, never destroyed
  icons.small = LoadAppIcon(IDI_APP_ICON, 16);
  if (icons.small == nullptr) icons.small = icons.large;
  icons.header = LoadAppIcon(IDI_HEADER_ICON, 48);
  if (icons.header == nullptr) icons.header = icons.large;
  if (window != nullptr) {
    ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.large));
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small));
    // The icons of the previous DPI are replaced everywhere now; the class keeps the first set.
    DestroyReplacedIcons(Current(), icons);
  } else if (ClassIcons().large == nullptr) {
    ClassIcons() = icons;
  }
  Current() = icons;
  return icons;
}

const WindowIcons& CurrentWindowIcons() { return Current(); }

std::size_t LoadedIconCount() { return LoadedIcons().size(); }

void DestroyLoadedIcons() {
  for (HICON icon : LoadedIcons()) ::DestroyIcon(icon);
  LoadedIcons().clear();
  Current() = WindowIcons{};
  ClassIcons() = WindowIcons{};
}

}  // namespace tavlun
