// The main window's layout for any client size, DPI and work area: what WM_SIZE, WM_DPICHANGED and
// WM_GETMINMAXINFO may hand the window, a minimised or enormous window included.
//
// Input: answers consumed by FuzzedDataProvider (client width and height, DPI, the status detail's extra
// height, work area), each either any 32-bit value or one in the range a screen can give.
//
// Properties: no rectangle is ever inverted; the three buttons never overlap, keep their order and stay inside
// the content columns; the list always holds a whole number of rows, at least one. For a DPI from 48 to 480 and
// a client area no smaller than the minimum track size allows (minus a window frame), nothing reaches outside
// the client area. A grown status card stays above the requirements section, which keeps its minimum height.
// The minimum track size never exceeds the work area.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_support.h"
#include "ui/layout.h"

namespace {

using tavlun::LayoutMetrics;
using tavlun::LayoutRect;

int Length(FuzzedDataProvider& in, int low, int high) {
  return in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange<int>(low, high);
}

bool Inside(const LayoutRect& r, int width, int height) {
  return r.Empty() || (r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int width = Length(in, 0, 8000);
  const int height = Length(in, 0, 8000);
  const int dpi = Length(in, 48, 480);
  const int extra = Length(in, 0, 2000);
  const LayoutMetrics m = tavlun::ComputeLayout(width, height, dpi, extra);

  const LayoutRect* const rects[] = {
      &m.headerBand, &m.headerIcon, &m.brandLabel, &m.taglineLabel, &m.statusCard, &m.statusMark,
      &m.statusTitleLabel, &m.statusDetailLabel, &m.detailsCard, &m.targetCaptionLabel, &m.targetPathLabel,
      &m.payloadCaptionLabel, &m.payloadVersionLabel, &m.hashCaptionLabel, &m.hashValueLabel, &m.noteCard,
      &m.noteMark, &m.scopeNoteLabel, &m.footerMark, &m.footerLabel, &m.footerBand, &m.guideButton,
      &m.checkButton, &m.installButton, &m.requirementsCard, &m.requirementsTitleLabel,
      &m.requirementsStatusLabel, &m.copyButton, &m.requirementList};
  for (const LayoutRect* r : rects) FUZZ_CHECK(r->right >= r->left && r->bottom >= r->top);

  FUZZ_CHECK(m.contentLeft <= m.contentRight);
  FUZZ_CHECK(m.guideButton.left >= m.contentLeft && m.installButton.right <= m.contentRight);
  FUZZ_CHECK(m.guideButton.right <= m.checkButton.left && m.checkButton.right <= m.installButton.left);
  FUZZ_CHECK(m.statusGrowth >= 0 && m.statusGrowth <= std::max(extra, 0));
  FUZZ_CHECK(m.requirementsCard.top >= m.statusCard.bottom &&
             m.requirementsCard.Height() >= tavlun::ScaleLength(82, dpi));
  FUZZ_CHECK(m.listRowHeight >= 1 && m.requirementList.Height() >= m.listRowHeight &&
             m.requirementList.Height() % m.listRowHeight == 0);

  // A window at its minimum track size has a client area at least this large (logical 520 × 320 leaves room
  // for any frame); from there on everything fits.
  if (dpi >= 48 && dpi <= 480 && width <= 65535 && height <= 65535 && width >= tavlun::ScaleLength(520, dpi) &&
      height >= tavlun::ScaleLength(320, dpi)) {
    for (const LayoutRect* r : rects) FUZZ_CHECK(Inside(*r, width, height));
    FUZZ_CHECK(!m.guideButton.Empty() && !m.checkButton.Empty() && !m.installButton.Empty());
  }

  const int work_width = in.ConsumeIntegral<int>();
  const int work_height = in.ConsumeIntegral<int>();
  const tavlun::TrackSize track = tavlun::MinTrackSize(dpi, work_width, work_height);
  FUZZ_CHECK(track.width <= work_width && track.height <= work_height);
  return 0;
}
