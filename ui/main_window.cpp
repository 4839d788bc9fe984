#include "ui/main_window.h"

#include <memory>
#include <new>
#include <string>

#include "ui/accessibility_text.h"
#include "ui/check_worker.h"
#include "ui/dpi.h"
#include "ui/layout_win.h"
#include "ui/main_window_state.h"
#include "ui/painting.h"
#include "ui/status_presentation.h"
#include "ui/window_actions.h"

#include "payload_constants.h"

namespace tavlun {
namespace {

constexpr DWORD kEllipsisStatic = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_ENDELLIPSIS;
constexpr DWORD kPlainStatic = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;

constexpr wchar_t kCheckRunningText[] = L"Sistem kontrolü sürüyor. Lütfen birkaç saniye bekleyin.";
constexpr wchar_t kInstallRunningText[] = L"Kurulum işlemi sürüyor. Lütfen birkaç saniye bekleyin.";
constexpr wchar_t kCopiedText[] = L"Gizlilik için sadeleştirilmiş rapor panoya kopyalandı.";

// Every control starts at size 0; ApplyLayout places it. Statics are transparent over the painted cards.
HWND CreateChild(HWND parent, const wchar_t* window_class, const std::wstring& text, DWORD style, int id = 0) {
  const DWORD extended = std::wstring(window_class) == L"STATIC" ? WS_EX_TRANSPARENT : 0;
  return ::CreateWindowExW(extended, window_class, text.c_str(), style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

int WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi != nullptr) {
    const UINT dpi = get_dpi(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  WindowDc dc(window);
  const int dpi = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : 96;
}

// The nineteen controls; false when any is missing.
bool CreateControls(MainWindowState& state) {
  HWND w = state.window;
  MainWindowControls& c = state.controls;
  // The 20-point brand line is taller than its row in the short and compact tiers; centred in the row it loses
  // only the empty leading above and below the letters instead of their lower part.
  c.brandLabel = CreateChild(w, L"STATIC", kProductDomain, kEllipsisStatic | SS_CENTERIMAGE);
  c.taglineLabel = CreateChild(w, L"STATIC", L"AKİS DLL ve e-imza bileşenlerini güvenle denetler.", kEllipsisStatic);
  c.statusTitleLabel = CreateChild(w, L"STATIC", L"Durum denetleniyor…", kEllipsisStatic);
  // Wrapped as DrawText's edit-control mode wraps, the mode the layout measures the text in.
  c.statusDetailLabel = CreateChild(w, L"STATIC", L"", kPlainStatic | SS_EDITCONTROL);
  c.targetCaptionLabel = CreateChild(w, L"STATIC", L"Hedef konum", kEllipsisStatic);
  c.targetPathLabel = CreateChild(w, L"STATIC", L"—", kEllipsisStatic);
  c.payloadCaptionLabel = CreateChild(w, L"STATIC", L"Gömülü DLL", kEllipsisStatic);
  c.payloadVersionLabel =
      CreateChild(w, L"STATIC", PayloadVersionText(payload_constants::kVendorBuild, payload_constants::kVendorSigned), kEllipsisStatic);
  c.hashCaptionLabel = CreateChild(w, L"STATIC", L"SHA-256", kEllipsisStatic);
  c.hashValueLabel = CreateChild(
      w, L"STATIC", HashValueText(payload_constants::kBuild32Sha256, payload_constants::kBuild64Sha256),
      kEllipsisStatic);
  c.scopeNoteLabel = CreateChild(w, L"STATIC",
                                 L"Yalnızca DLL eksikliğini giderir. Kart okuyucu sürücüsü veya diğer bileşenler "
                                 L"eksikse resmî AKİS paketini kurun.",
                                 kPlainStatic);
  // From here on in reading order (top to bottom, left to right): the z-order is the Tab order and the order in
  // which screen readers walk the window. The copy button sits at the top right of the results card.
  c.requirementsTitleLabel = CreateChild(w, L"STATIC", L"Sistem gereksinimleri", kEllipsisStatic);
  c.requirementsStatusLabel =
      CreateChild(w, L"STATIC", L"Gereksinimler salt okunur olarak denetleniyor…", kEllipsisStatic);
  c.copyButton = CreateChild(w, L"BUTTON", WithAccessKey(L"Raporu kopyala", kCopyAccessKey),
                             WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, kCopyButtonId);
  // A list box shows no window text; screen readers that read it get the list's name.
  c.requirementList = CreateChild(
      w, L"LISTBOX", kResultListName,
      WS_CHILD | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED,
      kRequirementListId);
  c.footerLabel = CreateChild(w, L"STATIC", FooterText(), kEllipsisStatic);
  c.guideButton =
      CreateChild(w, L"BUTTON", WithAccessKey(L"E-İmza rehberi", kGuideAccessKey), kButtonStyle, kGuideButtonId);
  c.checkButton =
      CreateChild(w, L"BUTTON", WithAccessKey(L"Sistem kontrolü", kCheckAccessKey), kButtonStyle, kCheckButtonId);
  c.installButton =
      CreateChild(w, L"BUTTON", WithAccessKey(L"AKİS DLL'yi kur", kInstallAccessKey), kButtonStyle, kInstallButtonId);
  for (HWND control : {c.brandLabel, c.taglineLabel, c.statusTitleLabel, c.statusDetailLabel, c.targetCaptionLabel,
                       c.targetPathLabel, c.payloadCaptionLabel, c.payloadVersionLabel, c.hashCaptionLabel,
                       c.hashValueLabel, c.scopeNoteLabel, c.footerLabel, c.requirementsTitleLabel,
                       c.requirementsStatusLabel, c.requirementList, c.guideButton, c.checkButton, c.installButton,
                       c.copyButton}) {
    if (control == nullptr) return false;
  }
  return true;
}

// Access keys are underlined as the user set it in Windows: always, or hidden until Alt is pressed, which clears
// the hidden state for the whole window.
void HideAccessKeysUntilAlt(HWND window) {
  BOOL always = FALSE;
  if (::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0) && always) return;
  ::SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEACCEL), 0);
}

void RedrawAll(HWND window, UINT extra = 0) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | extra);
}

LRESULT OnCreate(HWND window) {
  auto* state = new (std::nothrow) MainWindowState;
  if (state == nullptr) return -1;
  state->window = window;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));

  state->dpi = WindowDpi(window);
  g_dpi = state->dpi;
  state->icons = CurrentWindowIcons();
  if (!CreateControls(*state)) return -1;
  for (HWND button : {state->controls.installButton, state->controls.guideButton, state->controls.checkButton,
                      state->controls.copyButton}) {
    SubclassButton(button);
  }
  state->shieldIcon = ::LoadIconW(nullptr, IDI_SHIELD);
  state->screenReader.Attach(window, state->controls.statusTitleLabel, state->controls.checkButton,
                             state->controls.requirementList);
  HideAccessKeysUntilAlt(window);
  CreateUiFonts(*state);
  ApplyLayout(*state);
  RefreshDllStatus(*state);
  return 0;
}

void OnDestroy(MainWindowState& state) {
  state.screenReader.Detach();
  if (state.animationTimerActive) {
    ::KillTimer(state.window, kRevealTimerId);
    state.animationTimerActive = false;
  }
  state.elevatedProcess.reset();
  state.fonts = UiFonts{};
  ::PostQuitMessage(0);
}

void OnClose(MainWindowState& state) {
  // A close that reaches the window while one of its commands waits for a dialog would free the state under it;
  // the window is disabled behind that dialog, so nothing the user sees is lost. The guide changes nothing: it is
  // closed, and the window after it.
  if (state.commandRunning) {
    if (state.guideOpen) {
      state.closeAfterCommand = true;
      CloseProviderGuide(state);
    }
    return;
  }
  if (!state.busy) {
    ::DestroyWindow(state.window);
    return;
  }
  // A check that seems stuck must not trap the user; the check writes nothing, so leaving it is safe.
  if (state.checking && ::GetTickCount64() - state.checkStartedTick > kCheckCloseAfterMs) {
    ::DestroyWindow(state.window);
    return;
  }
  ::MessageBoxW(state.window, state.checking ? kCheckRunningText : kInstallRunningText, kMainWindowTitle,
                MB_OK | MB_ICONINFORMATION);
}

void OnCopyReport(MainWindowState& state) {
  if (state.checkState != CheckState::Done || state.currentReport.clipboardText.empty()) return;
  const std::wstring text = state.currentReport.clipboardText;
  if (!ConfirmClipboardCopy(state, text)) return;
  std::wstring error;
  if (CopyTextToClipboard(state, text, error)) {
    ::MessageBoxW(state.window, kCopiedText, kMainWindowTitle, MB_OK | MB_ICONINFORMATION);
  } else {
    ::MessageBoxW(state.window, error.c_str(), kMainWindowTitle, MB_OK | MB_ICONERROR);
  }
}

// Enter reaches the window as IDOK (owner-drawn buttons are not push buttons to the dialog manager): it presses
// the focused button, as Enter does in a dialog.
void PressFocusedButton(const MainWindowState& state) {
  HWND focus = ::GetFocus();
  const MainWindowControls& c = state.controls;
  if (focus == nullptr || !::IsWindowEnabled(focus)) return;
  if (focus == c.installButton || focus == c.guideButton || focus == c.checkButton || focus == c.copyButton) {
    ::SendMessageW(focus, BM_CLICK, 0, 0);
  }
}

void RunCommand(MainWindowState& state, int command) {
  switch (command) {
    case kInstallButtonId:
      if (!state.busy) RunInstallFlow(state);
      break;
    case kGuideButtonId:
      if (!state.busy) OpenProviderGuide(state);
      break;
    case kCheckButtonId:
      if (!state.busy) StartSystemCheck(state);
      break;
    default:
      OnCopyReport(state);
      break;
  }
}

bool OnCommand(MainWindowState& state, WPARAM wparam) {
  if (HIWORD(wparam) != BN_CLICKED) return false;
  const int command = LOWORD(wparam);
  if (command == IDOK) {
    PressFocusedButton(state);
    return true;
  }
  if (command != kInstallButtonId && command != kGuideButtonId && command != kCheckButtonId &&
      command != kCopyButtonId) {
    return false;
  }
  if (state.commandRunning) return true;  // posted while this or another command's dialog is open
  state.commandRunning = true;
  RunCommand(state, command);
  state.commandRunning = false;
  if (state.closeAfterCommand) ::DestroyWindow(state.window);  // frees the state: nothing may follow
  return true;
}

// Windows gives the focus to the frame when the window is activated again, and there Enter presses nothing: the
// control that had it gets it back (or the check button, when that control can no longer take it).
void OnActivate(MainWindowState& state, WPARAM wparam) {
  HWND focus = ::GetFocus();
  if (LOWORD(wparam) == WA_INACTIVE) {
    state.lastFocus = focus != nullptr && ::IsChild(state.window, focus) ? focus : nullptr;
    return;
  }
  if (HIWORD(wparam) != 0) return;  // minimised
  RestoreKeyboardFocus(state, state.lastFocus);
}

// True when the tick was handled here; false sends it on to DefWindowProcW.
bool OnTimer(MainWindowState& state, WPARAM timer_id) {
  if (timer_id == kRevealTimerId && state.checking) {
    ++state.spinnerTicks;
    if (state.checkState == CheckState::Revealing && ++state.revealTicks >= 3) {
      state.revealTicks = 0;
      RevealNextRow(state);
    }
    if (state.controls.requirementList != nullptr) {
      ::InvalidateRect(state.controls.requirementList, nullptr, FALSE);
    }
    return true;
  }
  if (timer_id == kElevatedPollTimerId) return PollElevatedProcess(state);
  return false;
}

LRESULT OnCtlColor(MainWindowState& state, UINT message, HDC dc, HWND control) {
  const bool high_contrast = IsHighContrast();
  const MainWindowControls& c = state.controls;
  if (message == WM_CTLCOLORLISTBOX || control == c.requirementsTitleLabel || control == c.requirementsStatusLabel) {
    ::SetBkMode(dc, OPAQUE);
    if (high_contrast) {
      ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    ::SetBkColor(dc, palette::kWhite);
    ::SetTextColor(dc, control == c.requirementsStatusLabel ? palette::kPendingGrey : palette::kPrimary);
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
  }
  ::SetBkMode(dc, TRANSPARENT);
  COLORREF text = palette::kPrimary;
  if (high_contrast) {
    text = ::GetSysColor(COLOR_WINDOWTEXT);
  } else if (control == c.brandLabel) {
    text = palette::kLightText;
  } else if (control == c.taglineLabel) {
    text = palette::kLightGreen;
  } else if (control == c.statusTitleLabel) {
    text = state.accentColour;
  } else if (control == c.scopeNoteLabel) {
    text = palette::kNoteText;
  } else if (control == c.statusDetailLabel || control == c.footerLabel) {
    text = palette::kPendingGrey;
  }
  ::SetTextColor(dc, text);
  return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

void OnDpiChanged(MainWindowState& state, WPARAM wparam, const RECT* suggested) {
  state.dpi = HIWORD(wparam) != 0 ? HIWORD(wparam) : 96;
  g_dpi = state.dpi;
  if (suggested != nullptr) {
    ::SetWindowPos(state.window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  state.icons = LoadWindowIcons(state.window);
  CreateUiFonts(state);
  ApplyLayout(state);
  RedrawAll(state.window);
}

bool OnDrawItem(MainWindowState& state, const DRAWITEMSTRUCT* item) {
  if (item == nullptr) return false;
  if (item->CtlType == ODT_LISTBOX && item->CtlID == kRequirementListId) {
    DrawRequirementRow(state, *item);
    return true;
  }
  if (item->CtlType == ODT_BUTTON &&
      (item->CtlID == kInstallButtonId || item->CtlID == kGuideButtonId || item->CtlID == kCheckButtonId ||
       item->CtlID == kCopyButtonId)) {
    DrawButton(state, *item);
    return true;
  }
  return false;
}

}  // namespace

MainWindowState* MainWindowStateFrom(HWND window) {
  return window != nullptr ? reinterpret_cast<MainWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA))
                           : nullptr;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CREATE) return OnCreate(window);
  MainWindowState* state = MainWindowStateFrom(window);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete state;
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  if (state == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);

  switch (message) {
    case WM_DESTROY:
      OnDestroy(*state);
      return 0;
    case WM_ACTIVATE:
      OnActivate(*state, wparam);
      if (LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0) return 0;  // the focus is placed already
      break;
    case WM_SIZE:
      if (state->controls.installButton != nullptr && state->controls.checkButton != nullptr &&
          state->controls.guideButton != nullptr) {
        ApplyLayout(*state);
        RedrawAll(window);
      }
      return 0;
    case WM_PAINT:
      PaintMainWindow(*state);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_CLOSE:
      OnClose(*state);
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      RedrawAll(window, RDW_FRAME);
      return 0;
    case WM_GETMINMAXINFO:
      ApplyMinTrackSize(*state, reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      if (measure != nullptr && measure->CtlID == kRequirementListId) {
        measure->itemHeight = static_cast<UINT>(::MulDiv(34, state->dpi, 96));
        return 1;
      }
      break;
    }
    case WM_DRAWITEM:
      if (OnDrawItem(*state, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return 1;
      break;
    case WM_COMMAND:
      if (OnCommand(*state, wparam)) return 0;
      break;
    case WM_TIMER:
      if (OnTimer(*state, wparam)) return 0;
      break;
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      return OnCtlColor(*state, message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DPICHANGED:
      OnDpiChanged(*state, wparam, reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CHECK_RESULT:
      OnCheckResult(*state, std::unique_ptr<DiagnosticReport>(reinterpret_cast<DiagnosticReport*>(lparam)));
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace tavlun
