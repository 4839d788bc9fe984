#include "ui/layout.h"

#include <algorithm>
#include <climits>

namespace tavlun {
namespace {

// MulDiv's rounding: to nearest, halves away from zero; -1 when the result does not fit, as MulDiv answers.
int MulDivRounded(int value, int numerator, int denominator) {
  long long n = static_cast<long long>(value) * numerator;
  long long d = denominator;
  if (d == 0) return -1;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  const long long q = n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
  if (q > INT_MAX || q < INT_MIN) return -1;
  return static_cast<int>(q);
}

// No screen has more; the bounds keep every scaled length far inside int.
constexpr int kMaxDpi = 4800;
constexpr int kMaxClientLength = 65535;

int ValidDpi(int dpi) { return dpi < 1 ? 96 : std::min(dpi, kMaxDpi); }
int ValidLength(int length) { return std::clamp(length, 0, kMaxClientLength); }

// A logical rectangle, built before scaling.
struct Logical {
  int left, top, right, bottom;
};

enum Tier { kShort = 0, kCompact = 1, kTall = 2 };

// One value per tier, in the order short, compact, tall.
int PerTier(Tier tier, int short_value, int compact_value, int tall_value) {
  return tier == kShort ? short_value : tier == kCompact ? compact_value : tall_value;
}

class Scaler {
 public:
  explicit Scaler(int dpi) : dpi_(dpi) {}
  int operator()(int value) const { return MulDivRounded(value, dpi_, 96); }
  LayoutRect operator()(const Logical& r) const {
    LayoutRect out{(*this)(r.left), (*this)(r.top), (*this)(r.right), (*this)(r.bottom)};
    out.right = std::max(out.right, out.left);
    out.bottom = std::max(out.bottom, out.top);
    return out;
  }

 private:
  int dpi_;
};

LayoutRect Normalised(LayoutRect r) {
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

// The three main buttons in logical units (guide, check, install), inside [left, right].
void PlaceButtons(Tier tier, int left, int right, int top, int bottom, Logical* guide, Logical* check,
                  Logical* install) {
  const int guide_width = PerTier(tier, 160, 172, 188);
  const int check_width = PerTier(tier, 148, 154, 158);
  const int install_width = PerTier(tier, 178, 184, 188);
  const int gap = PerTier(tier, 8, 10, 12);
  const int available = std::max(right - left, 1);
  if (available >= guide_width + check_width + install_width + 2 * gap) {
    *guide = {left, top, left + guide_width, bottom};
    *install = {right - install_width, top, right, bottom};
    *check = {install->left - gap - check_width, top, install->left - gap, bottom};
    return;
  }
  // Too narrow for the natural widths: share the width 34 : 30 : 36.
  const int small_gap = std::min(gap, 8);
  int shared = available - 2 * small_gap;
  if (shared < 4) shared = 3;
  const int shared_check = shared * 30 / 100;
  const int shared_install = shared * 36 / 100;
  const int guide_right = left + shared - shared_install - shared_check;
  *guide = {left, top, guide_right, bottom};
  *check = {guide_right + small_gap, top, guide_right + small_gap + shared_check, bottom};
  *install = {check->right + small_gap, top, right, bottom};
  // In a window narrower than the gaps the shares cannot hold: keep every button inside the columns, in order.
  for (Logical* button : {guide, check, install}) {
    button->left = std::clamp(button->left, left, right);
    button->right = std::clamp(button->right, button->left, right);
  }
}

}  // namespace

int ScaleLength(int value, int dpi) { return MulDivRounded(value, ValidDpi(dpi), 96); }

namespace {

constexpr int kSlimHeader = 44;  // the header band without the tagline

// How much of the other cards gives way to the result rows, in the order it is given up.
enum class Room {
  Design,        // the tier's own layout
  NoTagline,     // the header without its tagline; the section starts under the status card
  NoFooterText,  // and the footer text line gives its height to the section
  OneLineStatus, // and the status card keeps one line of detail
};

struct Inputs {
  int clientWidth, clientHeight, dpi;
  int statusDetailExtra;
  bool requirementsShown;
};

LayoutMetrics Compute(const Inputs& in, Room room) {
  const int clientWidth = in.clientWidth;
  const int clientHeight = in.clientHeight;
  const Scaler s(in.dpi);
  LayoutMetrics m;

  const int W = std::max(1, MulDivRounded(clientWidth, 96, in.dpi));
  const int H = std::max(1, MulDivRounded(clientHeight, 96, in.dpi));
  m.compact = H < 600;
  m.shortTier = H < 430;
  m.showNote = H >= 380;
  m.showDetails = H >= 280;
  const Tier tier = m.shortTier ? kShort : m.compact ? kCompact : kTall;
  const bool slim = room != Room::Design;
  const bool footer_text = room == Room::Design || room == Room::NoTagline;
  const bool one_line = tier == kShort || room == Room::OneLineStatus;
  m.taglineHidden = slim;
  m.footerTextHidden = !footer_text;
  m.statusOneLine = one_line;

  const int g = std::max(std::min(W - 64 + (m.compact ? 24 : 0), 820), 1);
  const int L = std::max((W - g) / 2, m.compact ? 20 : 32);
  const int R = L + g;
  m.contentLeft = s(L);
  m.contentRight = s(R);

  const int header = slim ? kSlimHeader : PerTier(tier, 52, 66, 86);
  // Everything under the header moves up by what the header gave away.
  const int cut = slim ? PerTier(tier, 52, 66, 86) - kSlimHeader : 0;
  const int F = PerTier(tier, std::max(H - 58, 126), std::max(H - 64, 350), std::max(H - 82, 516));
  const int C = PerTier(tier, std::min(R - 155, L + 112), std::min(R - 170, L + 122), std::min(R - 200, L + 138));

  // Rectangles that differ per tier, each as {short, compact, tall}.
  auto pick = [tier](const Logical& short_rect, const Logical& compact_rect, const Logical& tall_rect) {
    return tier == kShort ? short_rect : tier == kCompact ? compact_rect : tall_rect;
  };
  // The status card with one line of detail is the short tier's, under a slim header.
  auto status_pick = [&](const Logical& short_rect, const Logical& compact_rect, const Logical& tall_rect) {
    Logical r = one_line && tier != kShort ? short_rect : pick(short_rect, compact_rect, tall_rect);
    const int up = one_line && tier != kShort ? 52 - kSlimHeader : cut;
    r.top -= up;
    r.bottom -= up;
    return r;
  };

  // A long status detail grows the card, but never so far that the requirements section (status card bottom
  // + 10 to the footer text − 8) drops below its 82 minimum. A card with one line of detail does not grow.
  const int status_bottom =
      one_line ? 118 - (tier == kShort ? cut : 52 - kSlimHeader) : PerTier(tier, 118, 148, 196) - cut;
  const int section_floor = footer_text ? PerTier(tier, F - 48, F - 42, F - 46) : F - 10;
  const int growth =
      one_line ? 0 : std::clamp(in.statusDetailExtra, 0, std::max(0, section_floor - 92 - status_bottom));
  m.statusGrowth = growth;
  // Moves a rectangle under the status text down by the growth.
  auto down = [growth](Logical r) {
    r.top += growth;
    r.bottom += growth;
    return r;
  };
  // What grows past the footer text hides; without growth every tier keeps its own rule.
  auto fits = [growth, section_floor](int bottom) { return growth == 0 || bottom + growth <= section_floor; };

  // The two bands span the real client width (and the footer band reaches the real bottom), whatever the
  // rounding of the logical size.
  m.headerBand = Normalised({0, 0, clientWidth, s(header)});
  if (slim) {
    m.headerIcon = s(Logical{L, 6, L + 32, 38});
    m.brandLabel = s(Logical{L + 44, 2, R, 42});
  } else {
    m.headerIcon = s(pick({L, 8, L + 34, 34}, {L, 14, L + 40, 54}, {L, 21, L + 48, 69}));
    m.brandLabel = s(pick({L + 46, 3, R, 30}, {L + 54, 10, R, 39}, {L + 64, 17, R, 51}));
    m.taglineLabel = s(pick({L + 46, 29, R, 51}, {L + 54, 39, R, 64}, {L + 64, 52, R, 82}));
  }
  m.statusCard = s(status_pick({L, 58, R, 118}, {L, 76, R, 148 + growth}, {L, 98, R, 196 + growth}));
  m.statusMark = s(status_pick({L + 14, 73, L + 44, 103}, {L + 16, 96, L + 48, 128}, {L + 20, 130, L + 54, 164}));
  m.statusTitleLabel =
      s(status_pick({L + 57, 63, R - 14, 86}, {L + 62, 82, R - 18, 106}, {L + 70, 111, R - 22, 140}));
  m.statusDetailLabel = s(status_pick({L + 57, 85, R - 14, 111}, {L + 62, 105, R - 18, 141 + growth},
                                      {L + 70, 140, R - 22, 185 + growth}));

  // In the short tier the details rows exist only with showDetails, the note and footer rows only with showNote.
  // Once the section gives the other cards' room to the rows, the details block and the note (hidden under the
  // section anyway) are not laid out.
  const bool details = !slim && (tier != kShort || m.showDetails) && fits(PerTier(tier, 222, 264, 370));
  const bool note = tier != kShort || m.showNote;
  m.showDetails = m.showDetails && details;
  if (details) {
    m.detailsCard = s(down(pick({L, 128, R, 222}, {L, 160, R, 264}, {L, 214, R, 370})));
    m.targetCaptionLabel = s(down(pick({L + 16, 130, C, 158}, {L + 18, 164, C, 194}, {L + 22, 222, C, 264})));
    m.targetPathLabel = s(down(pick({C, 130, R - 16, 158}, {C, 164, R - 18, 194}, {C, 222, R - 22, 264})));
    m.payloadCaptionLabel = s(down(pick({L + 16, 160, C, 188}, {L + 18, 196, C, 226}, {L + 22, 266, C, 310})));
    m.payloadVersionLabel = s(down(pick({C, 160, R - 16, 188}, {C, 196, R - 18, 226}, {C, 266, R - 22, 310})));
    m.hashCaptionLabel = s(down(pick({L + 16, 190, C, 218}, {L + 18, 228, C, 258}, {L + 22, 312, C, 358})));
    m.hashValueLabel = s(down(pick({C, 190, R - 16, 218}, {C, 228, R - 18, 258}, {C, 312, R - 22, 358})));
    m.separatorY1 = s(PerTier(tier, 159, 195, 265) + growth);
    m.separatorY2 = s(PerTier(tier, 189, 227, 311) + growth);
  }
  if (!slim && note && fits(PerTier(tier, 286, 330, 462))) {
    m.noteCard = s(down(pick({L, 232, R, 286}, {L, 276, R, 330}, {L, 388, R, 462})));
    m.noteMark = s(down(pick({L + 16, 248, L + 38, 270}, {L + 16, 293, L + 38, 315}, {L + 20, 412, L + 46, 438})));
    m.scopeNoteLabel =
        s(down(pick({L + 48, 238, R - 16, 280}, {L + 48, 282, R - 16, 324}, {L + 58, 398, R - 20, 452})));
  }
  if (note && footer_text) {
    m.footerMark = s(pick({L + 2, F - 34, L + 16, F - 20}, {L + 2, F - 28, L + 16, F - 14},
                          {L + 2, F - 31, L + 17, F - 16}));
    m.footerLabel = s(pick({L + 24, F - 40, R, F - 14}, {L + 24, F - 34, R, F - 8}, {L + 26, F - 38, R, F - 10}));
  }
  // The band under the buttons exists in every tier: the buttons sit on it.
  m.footerBand = Normalised({0, s(F), clientWidth, clientHeight});

  Logical guide{}, check{}, install{};
  PlaceButtons(tier, L, R, PerTier(tier, F + 8, F + 11, F + 18),
               PerTier(tier, std::min(F + 48, H - 8), std::min(F + 53, H - 10), std::min(F + 62, H - 18)), &guide,
               &check, &install);
  m.guideButton = s(guide);
  m.checkButton = s(check);
  m.installButton = s(install);

  // The requirements section: logical offsets added to the already scaled edges.
  const int top = m.showDetails && !m.detailsCard.Empty() ? m.detailsCard.top : m.statusCard.bottom + s(10);
  int bottom = m.footerBand.top - s(10);
  if (m.showNote && m.footerLabel.Height() > 0) bottom = std::min(bottom, m.footerLabel.top - s(8));
  bottom = std::max(bottom, top + s(82));
  const int left = m.statusCard.left;
  const int right = m.statusCard.right;
  m.requirementsCard = Normalised({left, top, right, bottom});
  const int text_right = std::max(left + s(180), right - s(148));
  m.requirementsTitleLabel = Normalised({left + s(18), top + s(10), text_right, top + s(32)});
  m.requirementsStatusLabel = Normalised({left + s(18), top + s(31), text_right, top + s(53)});
  m.copyButton = Normalised({right - s(136), top + s(11), right - s(14), top + s(41)});

  m.listRowHeight = std::max(1, s(PerTier(tier, 30, 32, 34)));
  LayoutRect list = Normalised({left + s(10), top + s(58), right - s(10), bottom - s(10)});
  m.requirementRows = std::max(1, list.Height() / m.listRowHeight);
  list.bottom = list.top + m.requirementRows * m.listRowHeight;
  m.requirementList = list;
  return m;
}

}  // namespace

LayoutMetrics ComputeLayout(int clientWidth, int clientHeight, int dpi, int statusDetailExtra,
                            bool requirementsShown) {
  Inputs in{ValidLength(clientWidth), ValidLength(clientHeight), ValidDpi(dpi), statusDetailExtra, requirementsShown};
  LayoutMetrics m = Compute(in, Room::Design);
  if (!requirementsShown || m.requirementRows >= kResultRowCount) return m;
  // The result rows come first: the tagline, then the footer text give way, then the status card's grown detail,
  // and last its second line.
  for (Room room : {Room::NoTagline, Room::NoFooterText}) {
    m = Compute(in, room);
    if (m.requirementRows >= kResultRowCount) return m;
  }
  in.statusDetailExtra = std::max(0, std::min(in.statusDetailExtra, m.statusGrowth));
  int low = 0;
  int high = in.statusDetailExtra;
  in.statusDetailExtra = 0;
  if (Compute(in, Room::NoFooterText).requirementRows < kResultRowCount) return Compute(in, Room::OneLineStatus);
  // The largest growth that still leaves every row: fewer rows never come with less growth.
  while (low < high) {
    in.statusDetailExtra = low + (high - low + 1) / 2;
    if (Compute(in, Room::NoFooterText).requirementRows >= kResultRowCount) {
      low = in.statusDetailExtra;
    } else {
      high = in.statusDetailExtra - 1;
    }
  }
  in.statusDetailExtra = low;
  // The first room that holds every row with that growth: the layout computed again from its growth is this one.
  for (Room room : {Room::Design, Room::NoTagline}) {
    m = Compute(in, room);
    if (m.requirementRows >= kResultRowCount) return m;
  }
  return Compute(in, Room::NoFooterText);
}

TrackSize MinTrackSize(int dpi, int workWidth, int workHeight) {
  return TrackSize{std::min(workWidth, ScaleLength(560, dpi)), std::min(workHeight, ScaleLength(360, dpi))};
}

}  // namespace tavlun
