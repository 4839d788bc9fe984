// The main window's layout for any client size, DPI and work area: what WM_SIZE, WM_DPICHANGED and
// WM_GETMINMAXINFO may hand the window, a minimised or enormous window included.
//
// Input: answers consumed by FuzzedDataProvider (client width and height, DPI, the status detail's extra
// height, work area, whether the requirements section is shown), each either any 32-bit value or one in the range
// a screen can give.
//
// Properties: no rectangle is ever inverted; the three buttons never overlap, keep their order and stay inside
// the content columns; the list always holds a whole number of rows, at least one. For a DPI from 48 to 480 and
// a client area no smaller than the minimum track size allows (minus a window frame), nothing reaches outside
// the client area. A grown status card stays above the requirements section, which keeps its minimum height.
// The minimum track size never exceeds the work area. With the section shown the list never shows fewer rows
// than the tier's own layout, gives up the other cards only while rows are missing, and the layout computed again
// with the growth it granted is the same (the window paints what it laid out).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

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
  const int work_width = in.ConsumeIntegral<int>();
  const int work_height = in.ConsumeIntegral<int>();
  const bool section = in.ConsumeBool();
  const LayoutMetrics m = tavlun::ComputeLayout(width, height, dpi, extra, section);

  using M = LayoutMetrics;
  const LayoutRect M::*const members[] = {
      &M::headerBand, &M::headerIcon, &M::brandLabel, &M::taglineLabel, &M::statusCard, &M::statusMark,
      &M::statusTitleLabel, &M::statusDetailLabel, &M::detailsCard, &M::targetCaptionLabel, &M::targetPathLabel,
      &M::payloadCaptionLabel, &M::payloadVersionLabel, &M::hashCaptionLabel, &M::hashValueLabel, &M::noteCard,
      &M::noteMark, &M::scopeNoteLabel, &M::footerMark, &M::footerLabel, &M::footerBand, &M::guideButton,
      &M::checkButton, &M::installButton, &M::requirementsCard, &M::requirementsTitleLabel,
      &M::requirementsStatusLabel, &M::copyButton, &M::requirementList};
  std::vector<const LayoutRect*> rects;
  for (const auto member : members) rects.push_back(&(m.*member));
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

  if (section) {
    const LayoutMetrics design = tavlun::ComputeLayout(width, height, dpi, extra);
    FUZZ_CHECK(m.requirementRows >= std::min(design.requirementRows, tavlun::kResultRowCount));
    FUZZ_CHECK(m.requirementList.Height() == m.requirementRows * m.listRowHeight);
    if (m.taglineHidden) FUZZ_CHECK(design.requirementRows < tavlun::kResultRowCount && m.taglineLabel.Empty());
    if (m.statusOneLine && !m.shortTier) FUZZ_CHECK(m.footerTextHidden && m.taglineHidden && m.statusGrowth == 0);
    const LayoutMetrics again = tavlun::ComputeLayout(width, height, dpi, m.statusGrowth, true);
    for (const auto member : members) {
      const LayoutRect& r = m.*member;
      const LayoutRect& a = again.*member;
      FUZZ_CHECK(r.left == a.left && r.top == a.top && r.right == a.right && r.bottom == a.bottom);
    }
  } else {
    FUZZ_CHECK(!m.taglineHidden && !m.footerTextHidden);
  }

  const tavlun::TrackSize track = tavlun::MinTrackSize(dpi, work_width, work_height);
  FUZZ_CHECK(track.width <= work_width && track.height <= work_height);
  return 0;
}
