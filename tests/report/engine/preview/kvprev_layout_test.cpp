// The preview's logic without its window: page sizes, rows, the page at
// the top, scrolling, zoom limits and the zoom box's text; and finding text
// in finished pages.
#include <gtest/gtest.h>

#include "platform/rtl/formatsettings.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/preview/kvfind.h"
#include "report/engine/preview/kvprevlayout.h"

namespace {

using namespace report;

QSize A4() { return {794, 1123}; }

TEST(PreviewLayout, AnA4PageIs794By1123AtOneHundredPercent) {
  TkvEMFPage page;
  page.PaperWidth = 2100;
  page.PaperHeight = 2970;
  EXPECT_EQ(TkvPreviewLayout::PageSize100(page), A4());
  page.Orientation = 1;
  EXPECT_EQ(TkvPreviewLayout::PageSize100(page), QSize(1123, 794));
}

TEST(PreviewLayout, TwoPagesStandSideBySideAndStepByRows) {
  TkvPreviewLayout layout;
  layout.SetPanelSize({1000, 700});
  layout.SetPages({A4(), A4(), A4()});
  layout.SetMode(zmTwoPages);
  const QRect p1 = layout.PageRect(0), p2 = layout.PageRect(1), p3 = layout.PageRect(2);
  EXPECT_EQ(p1.top(), p2.top());
  EXPECT_LT(p1.right(), 500);
  EXPECT_GT(p2.left(), 500);
  EXPECT_GT(p3.top(), p1.bottom());
  EXPECT_EQ(p3.left(), p1.left());
  EXPECT_EQ(layout.CurrentPage(), 1);
  EXPECT_EQ(layout.NextPage(), 3);
  layout.ShowPage(layout.NextPage());
  EXPECT_EQ(layout.CurrentPage(), 3);
  EXPECT_EQ(layout.PrevPage(), 1);
  // Both pages of a row fit the panel's height at the fitted zoom.
  EXPECT_LE(layout.ZoomedSize(0).height(), 700 - 20);
  EXPECT_EQ(layout.CounterText(), QStringLiteral("Pagina 3/3") + QString(10, u' '));
}

TEST(PreviewLayout, OnePageARowScrollsPageByPage) {
  TkvPreviewLayout layout;
  layout.SetPanelSize({900, 600});
  layout.SetPages({A4(), A4(), A4()});
  EXPECT_EQ(layout.CounterText(), QStringLiteral("Pagina 1/3          "));
  // Centred in the panel, stacked 12 pixels apart from y = 10.
  EXPECT_EQ(layout.PageRect(0), QRect((900 - (794 + 20) - 2) / 2 + 10, 10, 794, 1123));
  EXPECT_EQ(layout.PageRect(1).top(), 10 + 1123 + 12);
  EXPECT_EQ(layout.VRange(), 10 + 3 * (1123 + 12) - 600);
  EXPECT_EQ(layout.HRange(), 0);
  layout.ShowPage(2);
  EXPECT_EQ(layout.VPos(), 1123 + 12);
  EXPECT_EQ(layout.CurrentPage(), 2);
  layout.SetVPos(layout.VPos() + 500);
  EXPECT_EQ(layout.CurrentPage(), 2);
  // Zooming keeps the same place of the current page at the top.
  layout.SetZoom(200);
  EXPECT_EQ(layout.CurrentPage(), 2);
  EXPECT_NEAR(layout.VPos(), 2 * (1123 + 12) + 10 + 1000, 30);
  // Wider than the panel: the page starts at the left.
  EXPECT_EQ(layout.PageRect(0).left(), 10 - layout.HPos());
  EXPECT_GT(layout.HRange(), 0);
}

TEST(PreviewLayout, TheZoomStaysWithinItsLimitsAndNoPagesDivideByNothing) {
  TkvPreviewLayout layout;
  layout.SetPages({A4()});
  layout.SetZoom(1e12);
  EXPECT_EQ(layout.Zoom(), TkvPreviewLayout::kMaxZoom);
  layout.SetZoom(0.0001);
  EXPECT_EQ(layout.Zoom(), TkvPreviewLayout::kMinZoom);
  layout.SetPanelSize({0, 0});
  layout.SetMode(zmOnePage);
  EXPECT_GE(layout.Zoom(), TkvPreviewLayout::kMinZoom);

  TkvPreviewLayout empty;
  empty.SetPages({});
  empty.SetMode(zmPageWidth);
  EXPECT_EQ(empty.Zoom(), 100.0);
  EXPECT_EQ(empty.CurrentPage(), 0);
  EXPECT_EQ(empty.VRange(), 0);
  EXPECT_EQ(empty.HRange(), 0);
  empty.ShowPage(1);
  EXPECT_EQ(empty.CounterText(), QStringLiteral("Pagina 0/0          "));
}

TEST(PreviewLayout, TheZoomBoxReadsModesAndPercentagesInTheLocale) {
  rtl::TFormatSettings saved = rtl::FormatSettings();
  rtl::FormatSettings().DecimalSeparator = u',';
  TkvZoomMode mode = zmTwoPages;
  double zoom = 0;
  ASSERT_TRUE(TkvPreviewLayout::ParseZoomText("120,5%", mode, zoom));
  EXPECT_EQ(mode, zmPercent);
  EXPECT_EQ(zoom, 120.5);
  EXPECT_FALSE(TkvPreviewLayout::ParseZoomText("0", mode, zoom));
  EXPECT_FALSE(TkvPreviewLayout::ParseZoomText("-5%", mode, zoom));
  EXPECT_FALSE(TkvPreviewLayout::ParseZoomText("cento", mode, zoom));
  ASSERT_TRUE(TkvPreviewLayout::ParseZoomText("Una pagina", mode, zoom));
  EXPECT_EQ(mode, zmOnePage);
  EXPECT_EQ(TkvPreviewLayout::ZoomText(120.56), "120,5%");
  EXPECT_EQ(TkvPreviewLayout::ZoomText(100), "100,0%");
  EXPECT_EQ(TkvPreviewLayout::ZoomItems().size(), 9);
  EXPECT_EQ(TkvPreviewLayout::ZoomItems().last(), "Due pagine");
  rtl::FormatSettings() = saved;
}

// ---- finding ---------------------------------------------------------------------------

TEST(PreviewFind, WholeWordsIgnoringCaseOrPartsOfWords) {
  EXPECT_TRUE(KvTextMatches("Sport", "SPORT", false, false));
  EXPECT_TRUE(KvTextMatches("Gazzetta dello Sport.", "SPORT", false, false));
  EXPECT_FALSE(KvTextMatches("Sportivo", "SPORT", false, false));
  EXPECT_TRUE(KvTextMatches("Sportivo", "SPORT", false, true));
  EXPECT_FALSE(KvTextMatches("Sport", "SPORT", true, false));
  // The word standing alone later in the same text counts.
  EXPECT_TRUE(KvTextMatches("Sportivo e Sport", "sport", false, false));
  // Characters below a blank are left out before searching.
  EXPECT_TRUE(KvTextMatches(QStringLiteral("Sp\tort"), "Sport", true, true));
  EXPECT_FALSE(KvTextMatches("Sport", "", false, true));
}

// A finished page of `texts` texts, the one at `at` saying `word`.
void AddPage(TkvEMFPages &pages, int texts, int at, const QString &word) {
  TkvPage layout(nullptr);
  TkvEMFPage *page = pages.Add(layout);
  for (int i = 0; i < texts; ++i) page->Canvas->TextOut(10, 10 + (i % 50) * 20, i == at ? word : QStringLiteral("x"));
  page->Canvas.reset();
}

TEST(PreviewFind, MatchesAreKeptApartByPageAndRecordOnPagesOfManyRecords) {
  TkvEMFPages pages;
  AddPage(pages, 10004, 10003, "Sport");
  AddPage(pages, 5, 0, "Sport");
  const std::vector<TkvTextMatch> matches = KvFindMatches(pages, "sport", false, false);
  ASSERT_EQ(matches.size(), 2u);
  EXPECT_EQ(matches[0].Page, 0);
  EXPECT_GT(matches[0].Record, 10000);
  EXPECT_EQ(matches[1].Page, 1);
  EXPECT_FALSE(matches[0] == matches[1]);
  EXPECT_EQ(KvPickMatch(matches, foFirstPage, 0, -1), 0);
  EXPECT_EQ(KvPickMatch(matches, foNext, 0, 0), 1);
  EXPECT_EQ(KvPickMatch(matches, foNext, 0, 1), -1);
  EXPECT_EQ(KvPickMatch(matches, foPrevious, 0, 1), 0);
  EXPECT_EQ(KvPickMatch(matches, foCurrentPage, 1, -1), 1);
  EXPECT_EQ(KvPickMatch({}, foFirstPage, 0, -1), -1);
}

}  // namespace
