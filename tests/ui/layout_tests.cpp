// The window's layout arithmetic and its texts, without a window (also built natively under the sanitizers).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "target/dll_state.h"
#include "ui/layout.h"
#include "ui/status_text.h"

namespace tavlun {
namespace {

void ExpectRect(const LayoutRect& r, int left, int top, int right, int bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(Layout, TierEdgesFollowTheLogicalClientHeight) {
  struct Case {
    int height;
    bool compact, short_tier, note, details;
  };
  const Case cases[] = {{600, false, false, true, true}, {599, true, false, true, true},
                        {430, true, false, true, true},  {429, true, true, true, true},
                        {380, true, true, true, true},   {379, true, true, false, true},
                        {280, true, true, false, true},  {279, true, true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    const LayoutMetrics m = ComputeLayout(760, c.height, 96);
    EXPECT_EQ(m.compact, c.compact);
    EXPECT_EQ(m.shortTier, c.short_tier);
    EXPECT_EQ(m.showNote, c.note);
    EXPECT_EQ(m.showDetails, c.details);
    EXPECT_EQ(m.detailsCard.Empty(), !c.details);
    EXPECT_EQ(m.footerLabel.Empty(), !c.note);
  }
  // The same logical heights at 144 DPI.
  EXPECT_FALSE(ComputeLayout(1140, 900, 144).compact);
  EXPECT_TRUE(ComputeLayout(1140, 898, 144).compact);
}

TEST(Layout, DesignSizeAt96Dpi) {
  const LayoutMetrics m = ComputeLayout(760, 620, 96);
  EXPECT_EQ(m.contentLeft, 32);
  EXPECT_EQ(m.contentRight, 728);
  ExpectRect(m.guideButton, 32, 556, 220, 600);
  ExpectRect(m.checkButton, 370, 556, 528, 600);
  ExpectRect(m.installButton, 540, 556, 728, 600);
  ExpectRect(m.statusCard, 32, 98, 728, 196);
  ExpectRect(m.statusMark, 52, 130, 86, 164);
  ExpectRect(m.hashValueLabel, 170, 312, 706, 358);
  ExpectRect(m.footerBand, 0, 538, 760, 620);
  ExpectRect(m.footerLabel, 58, 500, 728, 528);
  // Requirements section: from the details card's top to 8 above the footer text.
  ExpectRect(m.requirementsCard, 32, 214, 728, 492);
  ExpectRect(m.copyButton, 592, 225, 714, 255);
  EXPECT_EQ(m.listRowHeight, 34);
  EXPECT_EQ(m.requirementList.top, 272);
  EXPECT_EQ(m.requirementList.bottom, 272 + 6 * 34);  // 210 pixels hold six whole rows
}

TEST(Layout, NarrowWindowSharesTheButtonWidth) {
  // Logical width 400 in the compact tier: 360 available, 344 shared after two gaps of 8.
  const LayoutMetrics m = ComputeLayout(400, 500, 96);
  EXPECT_EQ(m.checkButton.Width(), 344 * 30 / 100);
  EXPECT_EQ(m.installButton.Width(), 344 * 36 / 100);
  EXPECT_EQ(m.guideButton.Width(), 344 - 344 * 30 / 100 - 344 * 36 / 100);
  EXPECT_EQ(m.guideButton.left, m.contentLeft);
  EXPECT_EQ(m.checkButton.left, m.guideButton.right + 8);
  EXPECT_EQ(m.installButton.left, m.checkButton.right + 8);
  EXPECT_EQ(m.installButton.right, m.contentRight);
}

TEST(Layout, At144DpiEveryRectangleAndTheRowHeightGrowByHalf) {
  const LayoutMetrics small = ComputeLayout(760, 620, 96);
  const LayoutMetrics large = ComputeLayout(1140, 930, 144);
  const LayoutRect LayoutMetrics::*const rects[] = {
      &LayoutMetrics::headerIcon,    &LayoutMetrics::brandLabel,  &LayoutMetrics::statusCard,
      &LayoutMetrics::statusMark,    &LayoutMetrics::detailsCard, &LayoutMetrics::hashValueLabel,
      &LayoutMetrics::noteCard,      &LayoutMetrics::footerLabel, &LayoutMetrics::guideButton,
      &LayoutMetrics::checkButton,   &LayoutMetrics::installButton, &LayoutMetrics::requirementsCard,
      &LayoutMetrics::copyButton};
  for (const auto member : rects) {
    const LayoutRect& a = small.*member;
    const LayoutRect& b = large.*member;
    // MulDiv rounds each edge on its own: at most one pixel from the exact value.
    EXPECT_NEAR(b.left, a.left * 1.5, 1.0);
    EXPECT_NEAR(b.top, a.top * 1.5, 1.0);
    EXPECT_NEAR(b.right, a.right * 1.5, 1.0);
    EXPECT_NEAR(b.bottom, a.bottom * 1.5, 1.0);
  }
  EXPECT_EQ(large.listRowHeight, 51);
  EXPECT_EQ(large.requirementList.Height() % 51, 0);
}

TEST(Layout, LongStatusDetailGrowsTheCardAndMovesWhatIsBelowIt) {
  struct Case {
    int height, extra, growth;
    bool details, note;
  };
  // Tall: room down to 46 above the footer line; compact: 42; short keeps its one line.
  const Case cases[] = {{620, 60, 60, true, false},  {620, 500, 204, false, false}, {500, 20, 20, true, true},
                        {500, 80, 80, true, false},  {500, 900, 154, false, false}, {400, 50, 0, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.height << " + " << c.extra);
    const LayoutMetrics base = ComputeLayout(760, c.height, 96);
    const LayoutMetrics m = ComputeLayout(760, c.height, 96, c.extra);
    EXPECT_EQ(m.statusGrowth, c.growth);
    EXPECT_EQ(m.statusCard.bottom, base.statusCard.bottom + c.growth);
    EXPECT_EQ(m.statusDetailLabel.bottom, base.statusDetailLabel.bottom + c.growth);
    EXPECT_EQ(m.statusMark.top, base.statusMark.top);
    EXPECT_EQ(m.showDetails, c.details);
    EXPECT_EQ(m.hashValueLabel.Empty(), !c.details);
    if (c.details) {
      EXPECT_EQ(m.detailsCard.top, base.detailsCard.top + c.growth);
    }
    EXPECT_EQ(m.noteCard.Empty() || m.scopeNoteLabel.Empty(), !c.note);
    if (c.note) {
      EXPECT_EQ(m.scopeNoteLabel.top, base.scopeNoteLabel.top + c.growth);
    }
    EXPECT_EQ(m.footerLabel.top, base.footerLabel.top);
    EXPECT_EQ(m.installButton.top, base.installButton.top);
    EXPECT_GE(m.requirementsCard.top, m.statusCard.bottom + 8);
    EXPECT_GE(m.requirementsCard.Height(), 82);
    EXPECT_LE(m.requirementsCard.bottom, std::max(base.requirementsCard.bottom, m.requirementsCard.top + 82));
  }
}

TEST(Layout, AfterACheckTheOtherCardsGiveWayToTheSixRows) {
  // Client areas of the window as it opens on common screens (work area 40 pixels under the screen; frames as
  // Windows 10 draws them at each DPI).
  struct Case {
    const char* screen;
    int width, height, dpi, extra;
    int rows;
    bool tagline_hidden, footer_hidden, one_line;
  };
  const Case cases[] = {
      {"1366x768 100 %", 760, 620, 96, 0, 6, false, false, false},
      {"1366x768 125 %", 950, 639, 120, 0, 6, true, false, false},
      {"1366x768 125 %, long status", 950, 639, 120, 40, 6, true, true, false},
      {"1366x768 150 %", 1140, 622, 144, 0, 5, true, true, false},
      {"1920x1080 125 %", 950, 775, 120, 0, 6, false, false, false},
      {"1920x1080 150 %", 1140, 930, 144, 0, 6, false, false, false},
      {"1024x600 100 %", 760, 489, 96, 0, 6, true, true, false},
      {"1024x600 100 %, long status", 760, 489, 96, 60, 6, true, true, false},
      {"smallest window", 540, 330, 96, 0, 2, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    const LayoutMetrics m = ComputeLayout(c.width, c.height, c.dpi, c.extra, true);
    EXPECT_EQ(m.requirementRows, c.rows);
    EXPECT_EQ(m.taglineHidden, c.tagline_hidden);
    EXPECT_EQ(m.taglineLabel.Empty(), c.tagline_hidden);
    EXPECT_EQ(m.footerTextHidden, c.footer_hidden);
    EXPECT_EQ(m.footerLabel.Empty(), c.footer_hidden);
    EXPECT_EQ(m.statusOneLine, c.one_line || m.shortTier);
    EXPECT_GE(m.requirementList.top, m.statusCard.bottom);
    EXPECT_LE(m.requirementsCard.bottom, m.footerBand.top);
    EXPECT_GE(m.requirementRows, ComputeLayout(c.width, c.height, c.dpi, c.extra).requirementRows);
    // The window paints with the growth it was granted: the same layout.
    EXPECT_EQ(ComputeLayout(c.width, c.height, c.dpi, m.statusGrowth, true).statusCard.bottom, m.statusCard.bottom);
  }
  // Before the first check nothing gives way.
  const LayoutMetrics idle = ComputeLayout(950, 639, 120);
  EXPECT_FALSE(idle.taglineHidden || idle.footerTextHidden);
}

TEST(Layout, MinimumTrackSizeIsCappedByTheWorkArea) {
  EXPECT_EQ(MinTrackSize(96, 1920, 1040).width, 560);
  EXPECT_EQ(MinTrackSize(96, 1920, 1040).height, 360);
  EXPECT_EQ(MinTrackSize(144, 1920, 1040).width, 840);
  EXPECT_EQ(MinTrackSize(144, 1920, 1040).height, 540);
  EXPECT_EQ(MinTrackSize(144, 800, 500).width, 800);
  EXPECT_EQ(MinTrackSize(144, 800, 500).height, 500);
}

TEST(Layout, ListNeverShowsAPartialRow) {
  for (int height = 300; height <= 1000; height += 7) {
    for (int dpi : {96, 120, 144, 192}) {
      const LayoutMetrics m = ComputeLayout(900, height, dpi);
      ASSERT_GT(m.requirementList.Height(), 0);
      EXPECT_EQ(m.requirementList.Height() % m.listRowHeight, 0) << height << " at " << dpi;
    }
  }
}

// Far below the minimum size (a window being dragged small, DPI 1 read as a real DPI) nothing turns inside out.
TEST(Layout, TinyWindowsKeepEveryRectangleUprightAndTheButtonsInOrder) {
  EXPECT_EQ(ScaleLength(96, 1), 1);
  EXPECT_EQ(ScaleLength(96, 0), 96);
  for (int width : {0, 1, 30, 90, 200}) {
    for (int height : {0, 1, 40, 130}) {
      for (int dpi : {1, 96, 480}) {
        const LayoutMetrics m = ComputeLayout(width, height, dpi);
        for (const LayoutRect* r : {&m.headerBand, &m.statusCard, &m.detailsCard, &m.noteCard, &m.footerBand,
                                    &m.requirementsCard, &m.requirementList, &m.statusTitleLabel, &m.hashValueLabel}) {
          EXPECT_TRUE(r->right >= r->left && r->bottom >= r->top) << width << "x" << height << " at " << dpi;
        }
        EXPECT_TRUE(m.contentLeft <= m.guideButton.left && m.guideButton.right <= m.checkButton.left &&
                    m.checkButton.right <= m.installButton.left && m.installButton.right <= m.contentRight &&
                    m.listRowHeight >= 1)
            << width << "x" << height << " at " << dpi;
      }
    }
  }
}

TEST(StatusTexts, EmbeddedBuildAndKeptVersionAreDescribedTruthfully) {
  EXPECT_EQ(PayloadVersionText(true, true), L"v" + std::wstring(kPayloadVersionText) + L"  •  32-bit + 64-bit  •  TÜBİTAK BİLGEM imzalı");
  EXPECT_EQ(PayloadVersionText(true, false), L"v" + std::wstring(kPayloadVersionText) + L"  •  32-bit + 64-bit  •  resmî paket, imzasız");
  EXPECT_EQ(PayloadVersionText(false, true), L"v" + std::wstring(kPayloadVersionText) + L"  •  32-bit + 64-bit  •  geliştirme yedeği, imzasız");
  const std::wstring a = L"D77EA21B" + std::wstring(52, L'0') + L"06ED";
  const std::wstring b = L"2CE5501D" + std::wstring(52, L'1') + L"1429";
  EXPECT_EQ(HashValueText(a, b), L"x86 D77EA21B…06ED  •  x64 2CE5501D…1429");
  DllState kept;
  kept.kind = DllStateKind::SameOrNewerKept;
  EXPECT_EQ(std::wstring(HeadlineFor(kept).title), L"Aynı veya daha yeni AKİS sürümü korundu");
}

TEST(StatusTexts, TheStatusLineSaysWhatRunsNow) {
  DllState dll;
  dll.message = L"durum";
  EXPECT_EQ(StatusDetailText(dll, false, false), L"durum");
  EXPECT_EQ(StatusDetailText(dll, true, true), L"Salt okunur sistem kontrolü yapılıyor…");
  EXPECT_EQ(StatusDetailText(dll, true, false, true), L"Windows yönetici onayı bekleniyor…");
  EXPECT_EQ(StatusDetailText(dll, true, false, false), L"Kurulum yapılıyor…");
}

}  // namespace
}  // namespace tavlun
