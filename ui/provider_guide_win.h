// The provider guide's task dialogs and the callback that opens only official pages.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "ui/provider_guide.h"

namespace tavlun {

// The chain provider → (card type) → details, until the user closes it, or until `*closing` is set (the window
// is being closed). `install_button_label` is the text the window's install button shows, quoted by the warning not
// to use it; empty while the button cannot be pressed.
void ShowProviderGuide(HWND owner, const std::wstring& install_button_label, const bool* closing = nullptr);

// True when the user asked to go back to the provider choice.
bool ShowProviderDetail(HWND owner, const ProviderGuideEntry& entry, const std::wstring& selection_label,
                        int card_choice_id, const std::wstring& install_button_label);

// Reference data of OfficialLinkCallback: the addresses of the buttons 2201 and 2202.
using OfficialLinkUrls = std::array<const wchar_t*, 2>;

// Task-dialog callback of the detail dialog: a click on 2201 or 2202 opens its address only when it equals an
// allowlist entry, and keeps the dialog open; every other notification gets S_OK.
HRESULT CALLBACK OfficialLinkCallback(HWND dialog, UINT notification, WPARAM wparam, LPARAM lparam, LONG_PTR data);

}  // namespace tavlun
