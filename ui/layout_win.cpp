#include "ui/layout_win.h"

#include <algorithm>
#include <string>

namespace tavlun {
namespace {

void Place(HWND control, const LayoutRect& r) {
  if (control == nullptr) return;
  ::MoveWindow(control, r.left, r.top, std::max(r.Width(), 0), std::max(r.Height(), 0), TRUE);
}

void Show(HWND control, bool visible) {
  if (control != nullptr) ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

HFONT MakeFont(int points, int weight, int dpi) {
  return ::CreateFontW(-::MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, TURKISH_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"Segoe UI");
}

void SetFont(HWND control, const UniqueHfont& font) {
  if (control != nullptr) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

// The height `text` wraps to at `width` pixels in `font`, as the status detail label wraps it.
int WrappedTextHeight(HFONT font, const std::wstring& text, int width) {
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return 0;
  SelectedObject selected(dc.get(), font);
  RECT rect{0, 0, std::max(width, 1), 0};
  ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  return rect.bottom - rect.top;
}

// The longest start of `text`, cut after a word where one is near, that with "…" fits `width` × `height`.
std::wstring TextEndingInEllipsis(HFONT font, const std::wstring& text, int width, int height) {
  auto shortened = [&text](std::size_t length) {
    std::wstring part = text.substr(0, length);
    const std::size_t space = part.find_last_of(L" \n");
    if (length < text.size() && space != std::wstring::npos && space + 24 >= length) part.resize(space);
    while (!part.empty() && (part.back() == L' ' || part.back() == L'\n')) part.pop_back();
    return part + L"…";
  };
  std::size_t low = 0;
  std::size_t high = text.size();
  while (low < high) {
    const std::size_t middle = low + (high - low + 1) / 2;
    if (WrappedTextHeight(font, shortened(middle), width) <= height) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return shortened(low);
}

// The layout with the status card grown to hold the whole detail text, which the label then shows; when the
// requirements section leaves no more room the text ends with an ellipsis (the copied report keeps it whole).
LayoutMetrics FitStatusDetail(MainWindowState& state, int width, int height) {
  HWND label = state.controls.statusDetailLabel;
  HFONT font = state.fonts.body.get();
  const bool section = RequirementsShown(state);
  LayoutMetrics m = ComputeLayout(width, height, state.dpi, 0, section);
  std::wstring shown = state.statusDetailText;
  int extra = 0;
  if (label != nullptr && font != nullptr && !m.statusOneLine) {
    const int needed = WrappedTextHeight(font, shown, m.statusDetailLabel.Width());
    const int missing = needed - m.statusDetailLabel.Height();
    if (missing > 0) {
      const int dpi = std::max(state.dpi, 1);
      extra = (missing * 96 + dpi - 1) / dpi;
      m = ComputeLayout(width, height, state.dpi, extra, section);
      // Each edge is rounded on its own: a pixel may still be missing.
      while (m.statusDetailLabel.Height() < needed && m.statusGrowth == extra) {
        m = ComputeLayout(width, height, state.dpi, ++extra, section);
      }
      extra = m.statusGrowth;
      if (m.statusDetailLabel.Height() < needed) {
        shown = TextEndingInEllipsis(font, shown, m.statusDetailLabel.Width(), m.statusDetailLabel.Height());
      }
    }
  }
  state.statusDetailExtra = extra;
  if (label != nullptr) {
    const int length = ::GetWindowTextLengthW(label);
    std::wstring current(static_cast<std::size_t>(length) + 1, L'\0');
    current.resize(static_cast<std::size_t>(::GetWindowTextW(label, &current[0], length + 1)));
    if (current != shown) ::SetWindowTextW(label, shown.c_str());
  }
  return m;
}

}  // namespace

bool RequirementsShown(const MainWindowState& state) { return state.checkState != CheckState::Idle; }

LayoutMetrics ComputeLayout(const MainWindowState& state) {
  RECT client{};
  ::GetClientRect(state.window, &client);
  return ComputeLayout(client.right - client.left, client.bottom - client.top, state.dpi, state.statusDetailExtra,
                       RequirementsShown(state));
}

void ApplyLayout(MainWindowState& state) {
  RECT client{};
  ::GetClientRect(state.window, &client);
  const LayoutMetrics m = FitStatusDetail(state, client.right - client.left, client.bottom - client.top);
  const MainWindowControls& c = state.controls;
  Place(c.brandLabel, m.brandLabel);
  Place(c.taglineLabel, m.taglineLabel);
  Place(c.statusTitleLabel, m.statusTitleLabel);
  Place(c.statusDetailLabel, m.statusDetailLabel);
  Place(c.targetCaptionLabel, m.targetCaptionLabel);
  Place(c.targetPathLabel, m.targetPathLabel);
  Place(c.payloadCaptionLabel, m.payloadCaptionLabel);
  Place(c.payloadVersionLabel, m.payloadVersionLabel);
  Place(c.hashCaptionLabel, m.hashCaptionLabel);
  Place(c.hashValueLabel, m.hashValueLabel);
  Place(c.scopeNoteLabel, m.scopeNoteLabel);
  Place(c.footerLabel, m.footerLabel);
  Place(c.requirementsTitleLabel, m.requirementsTitleLabel);
  Place(c.requirementsStatusLabel, m.requirementsStatusLabel);
  if (c.requirementList != nullptr) {
    ::SendMessageW(c.requirementList, LB_SETITEMHEIGHT, 0, MAKELPARAM(m.listRowHeight, 0));
    Place(c.requirementList, m.requirementList);
    // A list that now shows every row starts at the first, wherever a smaller window (a minimised one
    // included) had scrolled it.
    if (m.requirementRows >= ::SendMessageW(c.requirementList, LB_GETCOUNT, 0, 0)) {
      ::SendMessageW(c.requirementList, LB_SETTOPINDEX, 0, 0);
    }
  }
  Place(c.copyButton, m.copyButton);
  Place(c.guideButton, m.guideButton);
  Place(c.checkButton, m.checkButton);
  Place(c.installButton, m.installButton);

  // A status card with room for one line of detail ends it with an ellipsis rather than show half a line.
  if (c.statusDetailLabel != nullptr) {
    const LONG_PTR style = ::GetWindowLongPtrW(c.statusDetailLabel, GWL_STYLE);
    const LONG_PTR wanted =
        m.statusOneLine ? (style | SS_ENDELLIPSIS) : (style & ~static_cast<LONG_PTR>(SS_ENDELLIPSIS));
    if (wanted != style) {
      ::SetWindowLongPtrW(c.statusDetailLabel, GWL_STYLE, wanted);
      ::InvalidateRect(c.statusDetailLabel, nullptr, TRUE);
    }
  }

  const bool idle = state.checkState == CheckState::Idle;
  Show(c.taglineLabel, !m.taglineLabel.Empty());
  Show(c.scopeNoteLabel, m.showNote && idle && !m.scopeNoteLabel.Empty());
  Show(c.footerLabel, m.showNote && !m.footerLabel.Empty());
  for (HWND detail : {c.targetCaptionLabel, c.targetPathLabel, c.payloadCaptionLabel, c.payloadVersionLabel,
                      c.hashCaptionLabel, c.hashValueLabel}) {
    Show(detail, m.showDetails && idle);
  }
  Show(c.requirementsTitleLabel, !idle);
  Show(c.requirementsStatusLabel, !idle);
  Show(c.requirementList, !idle);
  Show(c.copyButton, state.checkState == CheckState::Done);
}

bool CreateUiFonts(MainWindowState& state) {
  UiFonts fonts;
  fonts.brand.reset(MakeFont(20, 600, state.dpi));
  fonts.tagline.reset(MakeFont(10, 400, state.dpi));
  fonts.body.reset(MakeFont(10, 400, state.dpi));
  fonts.emphasis.reset(MakeFont(10, 600, state.dpi));
  fonts.small.reset(MakeFont(9, 400, state.dpi));
  if (!fonts.brand || !fonts.tagline || !fonts.body || !fonts.emphasis || !fonts.small) return false;

  const MainWindowControls& c = state.controls;
  SetFont(c.brandLabel, fonts.brand);
  SetFont(c.taglineLabel, fonts.tagline);
  for (HWND control : {c.statusDetailLabel, c.targetPathLabel, c.payloadVersionLabel, c.hashValueLabel,
                       c.requirementList, c.guideButton}) {
    SetFont(control, fonts.body);
  }
  for (HWND control : {c.statusTitleLabel, c.targetCaptionLabel, c.payloadCaptionLabel, c.hashCaptionLabel,
                       c.requirementsTitleLabel, c.installButton, c.checkButton}) {
    SetFont(control, fonts.emphasis);
  }
  for (HWND control : {c.scopeNoteLabel, c.footerLabel, c.requirementsStatusLabel, c.copyButton}) {
    SetFont(control, fonts.small);
  }
  // The controls now use the new set; the old one is deleted as it is replaced.
  state.fonts = std::move(fonts);
  return true;
}

void ApplyMinTrackSize(const MainWindowState& state, MINMAXINFO* info) {
  if (info == nullptr) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(state.window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const TrackSize size = MinTrackSize(state.dpi, monitor.rcWork.right - monitor.rcWork.left,
                                      monitor.rcWork.bottom - monitor.rcWork.top);
  info->ptMinTrackSize.x = size.width;
  info->ptMinTrackSize.y = size.height;
}

}  // namespace tavlun
