// The main window's geometry: every rectangle of the three height tiers, the button rule, the requirements
// section and the minimum track size, as arithmetic on the client size, the DPI and the work area.
// Pure: no Windows headers, builds natively too. Nothing here fails; any input gives a layout.
#pragma once

namespace tavlun {

// Left, top, right, bottom in client pixels; never inverted (an item that does not fit is empty).
struct LayoutRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

struct LayoutMetrics {
  // Tier flags of the logical client height.
  bool compact = false;  // below 600
  bool shortTier = false;  // below 430
  bool showNote = false;   // at least 380
  bool showDetails = false;  // at least 280, and the details block still fits under a grown status card

  // Logical pixels the status card grew by for a long detail text (at most what the requirements section's
  // minimum height leaves); below the request when the text has to end with an ellipsis.
  int statusGrowth = 0;

  // What gave way so that the section shows all its rows (only while it is shown).
  bool taglineHidden = false;     // the header is slim, without its tagline
  bool footerTextHidden = false;  // the footer line above the buttons is left out
  bool statusOneLine = false;     // the status detail has one line (always in the short tier)

  int contentLeft = 0;  // the content columns, in pixels
  int contentRight = 0;

  LayoutRect headerBand, headerIcon, brandLabel, taglineLabel;
  LayoutRect statusCard, statusMark, statusTitleLabel, statusDetailLabel;
  LayoutRect detailsCard, targetCaptionLabel, targetPathLabel, payloadCaptionLabel, payloadVersionLabel,
      hashCaptionLabel, hashValueLabel;
  int separatorY1 = 0;
  int separatorY2 = 0;
  LayoutRect noteCard, noteMark, scopeNoteLabel;
  LayoutRect footerMark, footerLabel, footerBand;
  LayoutRect guideButton, checkButton, installButton;

  LayoutRect requirementsCard, requirementsTitleLabel, requirementsStatusLabel, copyButton;
  // The list's rectangle holds a whole number of rows (at least one), so no row is ever cut off.
  LayoutRect requirementList;
  int listRowHeight = 0;    // pixels
  int requirementRows = 0;  // whole rows the list shows
};

// The rows of a finished check; the section makes room for all of them where the window can.
inline constexpr int kResultRowCount = 6;

// A 96-DPI length at `dpi`, rounded as MulDiv(value, dpi, 96) rounds. A DPI below 1 counts as 96, one above
// 4800 as 4800.
int ScaleLength(int value, int dpi);

// The layout of a client area of the given pixel size at `dpi`; sizes are taken within 0 to 65535.
// `statusDetailExtra`: logical height the status detail text needs beyond its tier's own label height. The
// status card and everything under it move down by it (the short tier keeps its one line); the note card, then
// the details block, hide when they no longer fit above the footer.
// `requirementsShown` (from the first check on): when the section's list would not show all six rows, the other
// cards give way in this order until it does: the header's tagline, the footer text, the status card's growth,
// the status detail's second line. The result, given its own statusGrowth back, is the same layout.
LayoutMetrics ComputeLayout(int clientWidth, int clientHeight, int dpi, int statusDetailExtra = 0,
                            bool requirementsShown = false);

struct TrackSize {
  int width = 0;
  int height = 0;
};

// The minimum window size: 560 × 360 at `dpi`, but never more than the work area.
TrackSize MinTrackSize(int dpi, int workWidth, int workHeight);

}  // namespace tavlun
