// The colour drop-down: the palette's buttons, "Nessuno" for no colour,
// "Altri ...." through the colour dialog, the button shown pressed for the
// current colour, and the drop-down window that hands the choice back.
#include <gtest/gtest.h>

#include <QTimer>

#include "report/designer/kvcolorsel.h"
#include "report/engine/model/kvclass.h"
#include "tests/report/designer/designer_fixture.h"

namespace report {
namespace {

using testing::EditorTest;

class ColorSelectorTest : public EditorTest {
 protected:
  TColorSelector selector{nullptr};
  int chosen = 0;
  int cancelled = 0;
  void SetUp() override {
    EditorTest::SetUp();
    selector.OnColorSelected = [this](rtl::TObject *) { ++chosen; };
    selector.OnCancelled = [this](rtl::TObject *) { ++cancelled; };
    selector.Show();
  }
};

TEST_F(ColorSelectorTest, PaletteButtonsStandInFourRowsOfFour) {
  EXPECT_EQ(selector.Width(), 96);
  EXPECT_EQ(selector.Height(), 132);
  EXPECT_EQ(TColorSelector::Palette()[0], vcl::TColor(0xFFFFFF));
  EXPECT_EQ(TColorSelector::Palette()[2], vcl::TColor(0x000080));
  EXPECT_EQ(TColorSelector::Palette()[15], vcl::TColor(0xFFFF00));
  EXPECT_EQ(selector.ColorButton(5)->Left(), 4 + 22);
  EXPECT_EQ(selector.ColorButton(5)->Top(), 4 + 22);
  EXPECT_EQ(selector.NoneButton()->Top(), 92);
  EXPECT_EQ(selector.OtherButton()->Top(), 110);
  EXPECT_EQ(selector.NoneButton()->Caption(), QStringLiteral("Nessuno"));
  EXPECT_EQ(selector.OtherButton()->Caption(), QStringLiteral("Altri ...."));

  selector.ColorButton(10)->Click();
  EXPECT_EQ(selector.CurrentColor(), vcl::clRed);
  EXPECT_FALSE(selector.Visible()) << "a choice hides the panel";
  EXPECT_EQ(chosen, 1);
}

TEST_F(ColorSelectorTest, NessunoChoosesNoColour) {
  selector.SetCurrentColor(vcl::clBlue);
  selector.NoneButton()->Click();
  EXPECT_EQ(selector.CurrentColor(), vcl::TColor(0x1FFFFFFF));
  EXPECT_EQ(selector.CurrentColor(), kvNoColor);
  EXPECT_EQ(chosen, 1);
}

TEST_F(ColorSelectorTest, TheCurrentColourShowsItsButtonPressed) {
  selector.SetCurrentColor(vcl::clGreen);
  EXPECT_TRUE(selector.ColorButton(3)->Down());
  selector.SetCurrentColor(kvNoColor);
  EXPECT_TRUE(selector.NoneButton()->Down());
  EXPECT_FALSE(selector.ColorButton(3)->Down());
  // A colour of no button: "Altri ...." pressed, with a small swatch of it.
  selector.SetCurrentColor(0x123456);
  EXPECT_TRUE(selector.OtherButton()->Down());
  EXPECT_EQ(selector.OtherButton()->Glyph()->Width(), 12);
  EXPECT_EQ(selector.OtherButton()->Glyph()->Canvas()->Pixel(5, 5), vcl::TColor(0x123456));
}

TEST_F(ColorSelectorTest, AltriAsksTheColourDialog) {
  selector.SetCurrentColor(vcl::clYellow);
  respond = [](vcl::TDialogRequest &request) {
    EXPECT_EQ(request.kind, vcl::TDialogKind::Color);
    EXPECT_EQ(request.color, vcl::clYellow) << "the dialog opens on the current colour";
    request.color = 0x00AABB;
    return vcl::mrOk;
  };
  selector.OtherButton()->Click();
  EXPECT_EQ(selector.CurrentColor(), vcl::TColor(0x00AABB));
  EXPECT_EQ(chosen, 1);

  // Cancelling the dialog only hides the panel.
  selector.Show();
  respond = [](vcl::TDialogRequest &) { return vcl::mrCancel; };
  selector.OtherButton()->Click();
  EXPECT_EQ(selector.CurrentColor(), vcl::TColor(0x00AABB));
  EXPECT_FALSE(selector.Visible());
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(cancelled, 1);
}

TEST_F(ColorSelectorTest, TheDropDownWindowHandsTheChoiceBack) {
  vcl::TColor color = vcl::clBlack;
  QTimer::singleShot(0, [] {
    auto *panel = testing::OpenForm<vcl::TForm>();
    ASSERT_NE(panel, nullptr);
    TColorSelector *shown = nullptr;
    for (int i = 0; i < panel->ControlCount(); ++i)
      if (auto *s = dynamic_cast<TColorSelector *>(panel->Controls(i))) shown = s;
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->ColorButton(1)->Down()) << "black, the colour it started on";
    shown->NoneButton()->Click();
  });
  ASSERT_TRUE(PickColor(QPoint(100, 100), color));
  EXPECT_EQ(color, kvNoColor);
}

}  // namespace
}  // namespace report
