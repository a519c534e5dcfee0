// Where the designer's tool windows open, on a screen smaller than the one
// their places were kept on.
#include "report/designer/kvtoolplace.h"

#include <gtest/gtest.h>

namespace report {
namespace {

using vcl::Rect;

TEST(ToolWindowPlace, InsideTheWorkAreaAndClearOfTheTitleBars) {
  const vcl::TRect area = Rect(0, 0, 1024, 740);
  // The designer's title bar along the top of the screen.
  const vcl::TRect designer_title = Rect(0, 0, 1024, 24);

  // The inspector wanted where a 1280-pixel screen put it: moved in, and
  // below the title bar it would cover.
  const vcl::TRect inspector = KvToolWindowInside(Rect(1075, 20, 1075 + 180, 20 + 200), area, {designer_title});
  EXPECT_EQ(inspector, Rect(844, 24, 1024, 224));

  // The palette wanted over the inspector's value column: moved the least
  // way clear of it (below it, here, rather than 180 pixels left).
  const vcl::TRect palette = KvToolWindowInside(Rect(900, 150, 900 + 130, 150 + 60), area, {designer_title, inspector});
  EXPECT_EQ(palette, Rect(894, 224, 1024, 284));
  // Wanted where it meets both, it goes beside the inspector.
  EXPECT_EQ(KvToolWindowInside(Rect(900, 0, 1030, 60), area, {designer_title, Rect(844, 24, 1024, 740)}),
            Rect(714, 24, 844, 84));
  EXPECT_TRUE(KvToolWindowFits(palette, area, {designer_title, inspector}));

  // A kept place fits only inside the area and clear of the others.
  EXPECT_TRUE(KvToolWindowFits(Rect(10, 40, 110, 90), area, {designer_title, inspector}));
  EXPECT_FALSE(KvToolWindowFits(Rect(10, 10, 110, 60), area, {designer_title}));
  EXPECT_FALSE(KvToolWindowFits(Rect(950, 300, 1050, 350), area, {}));
  EXPECT_FALSE(KvToolWindowFits(Rect(800, 100, 900, 150), area, {inspector}));

  // A window larger than the area keeps its top left corner on it.
  EXPECT_EQ(KvToolWindowInside(Rect(300, 300, 1500, 1300), area, {}), Rect(0, 0, 1200, 1000));
}

}  // namespace
}  // namespace report
