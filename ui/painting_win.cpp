#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "core/system_dlls.h"
#include "ui/layout_win.h"
#include "ui/painting.h"
#include "ui/palette.h"

namespace tavlun {
namespace {

using namespace palette;  // every colour of this file comes from the one table

std::atomic<int> g_forced_high_contrast{-1};

COLORREF Sys(int index) { return ::GetSysColor(index); }

// Lengths of the window's drawing at its DPI.
class Scale {
 public:
  explicit Scale(int dpi) : dpi_(dpi) {}
  int operator()(int value) const { return ScaleLength(value, dpi_); }

 private:
  int dpi_;
};

RECT ToRect(const LayoutRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  UniqueHbrush brush(::CreateSolidBrush(colour));
  if (brush) ::FillRect(dc, &rect, brush.get());
}

void DrawCard(HDC dc, const RECT& rect, COLORREF fill, COLORREF border, int radius) {
  UniqueHbrush brush(::CreateSolidBrush(fill));
  UniqueHpen pen(::CreatePen(PS_SOLID, 1, border));
  if (!brush || !pen) return;
  SelectedObject selected_brush(dc, brush.get());
  SelectedObject selected_pen(dc, pen.get());
  ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius, radius);
}

void DrawShadow(HDC dc, RECT rect, COLORREF colour, const Scale& s) {
  ::OffsetRect(&rect, 0, s(2));
  DrawCard(dc, rect, colour, colour, s(10));
}

void FillCircle(HDC dc, const RECT& rect, COLORREF colour) {
  UniqueHbrush brush(::CreateSolidBrush(colour));
  if (!brush) return;
  SelectedObject selected_brush(dc, brush.get());
  SelectedObject selected_pen(dc, ::GetStockObject(NULL_PEN));
  // A null pen leaves the right and bottom edge out; one more pixel keeps the circle its full size.
  ::Ellipse(dc, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
}

void HorizontalLine(HDC dc, int left, int right, int y, COLORREF colour) {
  if (right <= left) return;
  FillSolid(dc, RECT{left, y, right, y + 1}, colour);
}

// A polyline through points given in percent of the rectangle.
void PercentPolyline(HDC dc, const RECT& rect, const int (*percent)[2], int count, COLORREF colour, int width) {
  const LOGBRUSH brush{BS_SOLID, colour, 0};
  UniqueHpen pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, static_cast<DWORD>(width),
                                &brush, 0, nullptr));
  if (!pen) return;
  POINT points[3];
  const int w = rect.right - rect.left;
  const int h = rect.bottom - rect.top;
  count = std::min(count, 3);
  for (int i = 0; i < count; ++i) {
    points[i] = POINT{rect.left + w * percent[i][0] / 100, rect.top + h * percent[i][1] / 100};
  }
  SelectedObject selected_pen(dc, pen.get());
  ::Polyline(dc, points, count);
}

void CentredText(HDC dc, const wchar_t* text, RECT rect, HFONT font, COLORREF colour) {
  SelectedObject selected_font(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colour);
  ::DrawTextW(dc, text, -1, &rect, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

constexpr int kStatusCheck[3][2] = {{28, 52}, {44, 68}, {73, 35}};
constexpr int kFooterCheck[3][2] = {{25, 52}, {43, 69}, {75, 34}};
constexpr int kBadgeCheck[3][2] = {{25, 53}, {43, 70}, {76, 32}};
constexpr int kCrossA[2][2] = {{31, 31}, {69, 69}};
constexpr int kCrossB[2][2] = {{69, 31}, {31, 69}};

void DrawStatusMark(const MainWindowState& state, HDC dc, const RECT& rect, bool high_contrast, const Scale& s) {
  if (::IsRectEmpty(&rect)) return;
  FillCircle(dc, rect, high_contrast ? Sys(COLOR_HIGHLIGHT) : state.accentColour);
  const DllState& dll = state.dllAssessmentSnapshot;
  if (dll.kind == DllStateKind::MatchesPackage && dll.runtime_confirmed) {
    PercentPolyline(dc, rect, kStatusCheck, 3, kWhite, std::max(2, s(2)));
  } else {
    CentredText(dc, L"!", rect, state.fonts.emphasis.get(), kWhite);
  }
}

void DrawNote(const MainWindowState& state, HDC dc, const LayoutMetrics& m, bool high_contrast, const Scale& s) {
  const RECT card = ToRect(m.noteCard);
  DrawCard(dc, card, high_contrast ? Sys(COLOR_WINDOW) : kNoteFill, high_contrast ? Sys(COLOR_WINDOWTEXT) : kNoteBorder,
           s(8));
  RECT mark = ToRect(m.noteMark);
  if (::IsRectEmpty(&mark)) return;
  UniqueHbrush brush(::CreateSolidBrush(high_contrast ? Sys(COLOR_HIGHLIGHT) : kNoteTriangle));
  if (brush) {
    SelectedObject selected_brush(dc, brush.get());
    SelectedObject selected_pen(dc, ::GetStockObject(NULL_PEN));
    const POINT triangle[3] = {{(mark.left + mark.right) / 2, mark.top}, {mark.right, mark.bottom},
                               {mark.left, mark.bottom}};
    ::Polygon(dc, triangle, 3);
  }
  ::OffsetRect(&mark, 0, s(3));
  CentredText(dc, L"!", mark, state.fonts.emphasis.get(), kWhite);
}

void DrawFooterMark(HDC dc, const RECT& rect, bool high_contrast, const Scale& s) {
  if (::IsRectEmpty(&rect)) return;
  FillCircle(dc, rect, high_contrast ? Sys(COLOR_HIGHLIGHT) : kReadyGreen);
  PercentPolyline(dc, rect, kFooterCheck, 3, kWhite, std::max(1, s(1)));
}

void PaintClient(MainWindowState& state, HDC dc, const RECT& client) {
  const bool hc = IsHighContrast();
  const Scale s(state.dpi);
  const COLORREF background = hc ? Sys(COLOR_WINDOW) : kBackground;
  const COLORREF card_fill = hc ? Sys(COLOR_WINDOW) : kWhite;
  const COLORREF card_border = hc ? Sys(COLOR_WINDOWTEXT) : kCardBorder;
  const COLORREF soft_line = hc ? Sys(COLOR_WINDOWTEXT) : kSoftLine;

  const LayoutMetrics m = ComputeLayout(client.right - client.left, client.bottom - client.top, state.dpi,
                                        state.statusDetailExtra, RequirementsShown(state));
  FillSolid(dc, client, background);

  FillSolid(dc, ToRect(m.headerBand), hc ? Sys(COLOR_WINDOW) : kHeaderBand);
  if (state.icons.header != nullptr && !m.headerIcon.Empty()) {
    ::DrawIconEx(dc, m.headerIcon.left, m.headerIcon.top, state.icons.header, m.headerIcon.Width(),
                 m.headerIcon.Height(), 0, nullptr, DI_NORMAL);
  }

  const RECT status_card = ToRect(m.statusCard);
  if (!hc) DrawShadow(dc, status_card, kStatusShadow, s);
  DrawCard(dc, status_card, card_fill, card_border, s(10));
  FillSolid(dc, RECT{status_card.left, status_card.top, std::min(status_card.left + s(5), status_card.right),
                     status_card.bottom},
            hc ? Sys(COLOR_HIGHLIGHT) : state.accentColour);
  DrawStatusMark(state, dc, ToRect(m.statusMark), hc, s);

  if (state.checkState != CheckState::Idle) {
    const RECT card = ToRect(m.requirementsCard);
    if (!hc) DrawShadow(dc, card, kCardShadow, s);
    DrawCard(dc, card, card_fill, card_border, s(10));
    HorizontalLine(dc, card.left + s(12), card.right - s(12), m.requirementList.top - s(4), soft_line);
  } else if (m.showDetails && !m.detailsCard.Empty()) {
    const RECT card = ToRect(m.detailsCard);
    if (!hc) DrawShadow(dc, card, kCardShadow, s);
    DrawCard(dc, card, card_fill, card_border, s(10));
    HorizontalLine(dc, card.left + s(18), card.right - s(18), m.separatorY1, soft_line);
    HorizontalLine(dc, card.left + s(18), card.right - s(18), m.separatorY2, soft_line);
  }

  if (m.showNote) {
    if (state.checkState == CheckState::Idle && !m.noteCard.Empty()) DrawNote(state, dc, m, hc, s);
    DrawFooterMark(dc, ToRect(m.footerMark), hc, s);
  }

  const RECT band = ToRect(m.footerBand);
  if (!::IsRectEmpty(&band)) {
    FillSolid(dc, band, hc ? Sys(COLOR_BTNFACE) : kWhite);
    HorizontalLine(dc, band.left, band.right, band.top, hc ? Sys(COLOR_WINDOWTEXT) : kCardBorder);
  }
}

struct BadgeColours {
  COLORREF badge;
  COLORREF glyph;
};

void DrawBadge(const MainWindowState& state, HDC dc, const RECT& rect, std::uint32_t display_state, bool animated,
               bool hc) {
  const Scale s(state.dpi);
  BadgeColours colours{kPendingGrey, kWhite};
  if (hc) {
    colours = {Sys(COLOR_HIGHLIGHT), Sys(COLOR_HIGHLIGHTTEXT)};
  } else if (display_state == 1) {
    colours.badge = kReadyGreen;
  } else if (display_state == 2) {
    colours.badge = kAttentionAmber;
  } else if (display_state == 3) {
    colours.badge = kMissingRed;
  }
  const int cx = (rect.left + rect.right) / 2;
  const int cy = (rect.top + rect.bottom) / 2;
  if (display_state == 0) {
    UniqueHpen pen(::CreatePen(PS_SOLID, std::max(1, s(1)), colours.badge));
    if (pen) {
      SelectedObject selected_pen(dc, pen.get());
      SelectedObject selected_brush(dc, ::GetStockObject(NULL_BRUSH));
      ::Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
    }
    int r = s(2);
    if (r < 3) r = 2;
    for (int dot = 0; dot < 3; ++dot) {
      const int x = cx + (dot - 1) * s(5);
      const bool active = animated && (dot + state.spinnerTicks / 2) % 3 == 0;
      const COLORREF colour = active ? (hc ? Sys(COLOR_HIGHLIGHT) : kReadyGreen) : colours.badge;
      FillCircle(dc, RECT{x - r, cy - r, x + r + 1, cy + r + 1}, colour);
    }
    return;
  }
  FillCircle(dc, rect, colours.badge);
  const int width = std::max(2, s(2));
  if (display_state == 1) {
    PercentPolyline(dc, rect, kBadgeCheck, 3, colours.glyph, width);
  } else if (display_state == 3) {
    PercentPolyline(dc, rect, kCrossA, 2, colours.glyph, width);
    PercentPolyline(dc, rect, kCrossB, 2, colours.glyph, width);
  } else {
    CentredText(dc, L"!", rect, state.fonts.emphasis.get(), colours.glyph);
  }
}

struct ButtonColours {
  COLORREF face;
  COLORREF border;
  COLORREF text;
};

ButtonColours ColoursOf(bool install, bool disabled, bool pressed, bool hovered, bool hc) {
  if (hc) {
    if (!disabled && (pressed || hovered)) {
      return {Sys(COLOR_HIGHLIGHT), Sys(COLOR_BTNTEXT), Sys(COLOR_HIGHLIGHTTEXT)};
    }
    return {Sys(COLOR_BTNFACE), Sys(COLOR_BTNTEXT), disabled ? Sys(COLOR_GRAYTEXT) : Sys(COLOR_BTNTEXT)};
  }
  if (install) {
    if (disabled) return {kDisabled, kDisabled, kLightText};
    if (pressed) return {kPrimaryPressed, kPrimaryPressed, kWhite};
    if (hovered) return {kPrimaryHovered, kPrimaryHovered, kWhite};
    return {kPrimary, kPrimary, kWhite};
  }
  if (disabled) return {kLightText, kCardBorder, kDisabled};
  if (pressed) return {kSecondaryPressed, kSecondaryBorder, kPrimary};
  if (hovered) return {kSoftLine, kSecondaryBorder, kPrimary};
  return {kWhite, kSecondaryBorder, kPrimary};
}

LRESULT CALLBACK ButtonSubclassProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  const auto& comctl = sysdll::Comctl32();
  switch (message) {
    case WM_MOUSEMOVE:
      if (::GetPropW(button, kButtonHoverProperty) == nullptr) {
        ::SetPropW(button, kButtonHoverProperty, reinterpret_cast<HANDLE>(1));
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, button, 0};
        ::TrackMouseEvent(&track);
        ::InvalidateRect(button, nullptr, TRUE);
      }
      break;
    case WM_MOUSELEAVE:
      ::RemovePropW(button, kButtonHoverProperty);
      ::InvalidateRect(button, nullptr, TRUE);
      break;
    case WM_ENABLE:
      if (!wparam) ::RemovePropW(button, kButtonHoverProperty);
      ::InvalidateRect(button, nullptr, TRUE);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:  // underlines shown or hidden
      ::InvalidateRect(button, nullptr, TRUE);
      break;
    case WM_NCDESTROY:
      ::RemovePropW(button, kButtonHoverProperty);
      comctl.RemoveWindowSubclass(button, ButtonSubclassProc, 1);
      break;
    default:
      break;
  }
  return comctl.DefSubclassProc(button, message, wparam, lparam);
}

}  // namespace

bool IsHighContrast() {
  const int forced = g_forced_high_contrast;
  if (forced >= 0) return forced != 0;
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void SetHighContrastForTesting(int forced) { g_forced_high_contrast = forced; }

void PaintMainWindow(MainWindowState& state) {
  PaintContext paint(state.window);
  RECT client{};
  ::GetClientRect(state.window, &client);
  if (paint.get() == nullptr || ::IsRectEmpty(&client)) return;

  UniqueMemoryDc memory(::CreateCompatibleDC(paint.get()));
  UniqueHbitmap bitmap;
  if (memory) bitmap.reset(::CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
  if (!memory || !bitmap) {
    PaintClient(state, paint.get(), client);
    return;
  }
  {
    SelectedObject selected_bitmap(memory.get(), bitmap.get());
    PaintClient(state, memory.get(), client);
    ::BitBlt(paint.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
  }
}

void DrawRequirementRow(const MainWindowState& state, const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  HDC dc = item.hDC;
  const Scale s(state.dpi);
  const bool hc = IsHighContrast();
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  COLORREF background, title_colour, detail_colour;
  if (hc) {
    background = Sys(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    title_colour = detail_colour = Sys(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  } else {
    background = selected ? kSoftLine : kWhite;
    title_colour = kPrimary;
    detail_colour = kPendingGrey;
  }
  const RECT& r = item.rcItem;
  FillSolid(dc, r, background);

  std::wstring text;
  const LRESULT length = ::SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
  if (length >= 1 && length <= 4095) {
    text.resize(static_cast<std::size_t>(length) + 1);
    const LRESULT read = ::SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(read > 0 && read <= length ? static_cast<std::size_t>(read) : 0);
  }
  const std::size_t tab = text.find(L'\t');
  const std::wstring title = text.substr(0, tab);
  const std::wstring detail = tab == std::wstring::npos ? std::wstring() : text.substr(tab + 1);

  const std::uint32_t display_state = static_cast<std::uint32_t>(item.itemData);
  const bool animated = display_state == 0 && item.itemID == state.revealPosition && state.checking;
  const int height = r.bottom - r.top;
  const int side = std::clamp(height - s(8), s(16), s(22));
  const int badge_top = r.top + (height - side) / 2;
  const RECT badge{r.left + s(8), badge_top, r.left + s(8) + side, badge_top + side};
  DrawBadge(state, dc, badge, display_state, animated, hc);

  const int middle = (r.top + r.bottom) / 2;
  const int text_left = badge.right + s(10);
  RECT title_rect{text_left, r.top + s(1), r.right - s(10), middle + s(1)};
  RECT detail_rect{text_left, middle, r.right - s(10), r.bottom - s(1)};
  ::SetBkMode(dc, TRANSPARENT);
  constexpr UINT kRowText = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
  {
    SelectedObject font(dc, state.fonts.emphasis.get());
    ::SetTextColor(dc, title_colour);
    ::DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &title_rect, kRowText);
  }
  {
    SelectedObject font(dc, state.fonts.small.get());
    ::SetTextColor(dc, detail_colour);
    ::DrawTextW(dc, detail.c_str(), static_cast<int>(detail.size()), &detail_rect, kRowText);
  }
  HorizontalLine(dc, text_left, r.right - s(8), r.bottom - 1, hc ? Sys(COLOR_WINDOWTEXT) : kCardBorder);
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = r;
    ::InflateRect(&focus, -s(2), -s(2));
    ::DrawFocusRect(dc, &focus);
  }
}

void DrawButton(const MainWindowState& state, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const Scale s(state.dpi);
  const bool hc = IsHighContrast();
  const bool install = item.CtlID == static_cast<UINT>(kInstallButtonId);
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0 || ::GetFocus() == item.hwndItem;
  const bool hovered = ::GetPropW(item.hwndItem, kButtonHoverProperty) != nullptr;
  const ButtonColours colours = ColoursOf(install, disabled, pressed, hovered, hc);

  RECT r = item.rcItem;
  // The corners outside the rounded face show what the button sits on: the footer band or the white card.
  const bool on_card = item.CtlID == static_cast<UINT>(kCopyButtonId);
  FillSolid(dc, r, hc ? Sys(on_card ? COLOR_WINDOW : COLOR_BTNFACE) : kWhite);
  DrawCard(dc, r, colours.face, colours.border, s(8));

  wchar_t buffer[128] = {};
  ::GetWindowTextW(item.hwndItem, buffer, 128);
  // The access key's letter is underlined unless Windows hides the underlines until Alt is pressed.
  const bool hide_accel = (item.itemState & ODS_NOACCEL) != 0 ||
                          (::SendMessageW(item.hwndItem, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
  const UINT prefix = hide_accel ? DT_HIDEPREFIX : 0;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colours.text);
  const DllState& dll = state.dllAssessmentSnapshot;
  const bool shield = install && !disabled && dll.kind != DllStateKind::MatchesPackage && dll.install_offered &&
                      state.shieldIcon != nullptr;
  if (shield) {
    SelectedObject font(dc, state.fonts.emphasis.get());
    RECT measured{0, 0, 0, 0};
    ::DrawTextW(dc, buffer, -1, &measured, DT_CALCRECT | DT_SINGLELINE | prefix);
    const SIZE text_size{measured.right - measured.left, measured.bottom - measured.top};
    const int icon = s(16);
    const int gap = s(8);
    const int width = r.right - r.left;
    const int icon_left = r.left + std::max(s(8), (width - static_cast<int>(text_size.cx) - gap - icon) / 2);
    const int icon_top = r.top + (r.bottom - r.top - icon) / 2;
    ::DrawIconEx(dc, icon_left, icon_top, state.shieldIcon, icon, icon, 0, nullptr, DI_NORMAL);
    RECT text_rect{icon_left + icon + gap, r.top, r.right - s(8), r.bottom};
    ::DrawTextW(dc, buffer, -1, &text_rect, DT_END_ELLIPSIS | DT_SINGLELINE | DT_VCENTER | prefix);
  } else {
    SelectedObject font(dc, install ? state.fonts.emphasis.get() : state.fonts.body.get());
    ::DrawTextW(dc, buffer, -1, &r, DT_END_ELLIPSIS | DT_SINGLELINE | DT_VCENTER | DT_CENTER | prefix);
  }

  if (focused) {
    ::InflateRect(&r, -s(3), -s(3));
    if (hc) {
      ::DrawFocusRect(dc, &r);
    } else {
      UniqueHpen pen(::CreatePen(PS_SOLID, std::max(1, s(2)), install ? kLightGreen : kReadyGreen));
      if (pen) {
        SelectedObject selected_pen(dc, pen.get());
        SelectedObject selected_brush(dc, ::GetStockObject(NULL_BRUSH));
        ::RoundRect(dc, r.left, r.top, r.right, r.bottom, s(6), s(6));
      }
    }
  }
}

void SubclassButton(HWND button) {
  const auto& comctl = sysdll::Comctl32();
  if (comctl.loaded && button != nullptr) comctl.SetWindowSubclass(button, ButtonSubclassProc, 1, 0);
}

}  // namespace tavlun
