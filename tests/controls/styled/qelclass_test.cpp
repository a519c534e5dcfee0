// The change protocol of the styled settings, their assignment rules,
// summaries and the gradient's colour lists.
#include <gtest/gtest.h>

#include "controls/styled/qelclass.h"
#include "controls/styled/qelgraph.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/typinfo.h"

using namespace qel;

namespace {

// Counts the change notifications of a setting object.
struct ChangeCounter {
  int count = 0;
  void Watch(TQELObject &o) {
    o.OnChange = [this](rtl::TObject *) { ++count; };
  }
};

}  // namespace

TEST(QELObject, NotifiesOnlyRealChangesAndNothingInsideAnUpdate) {
  TQELGlyphTextLayout layout;
  ChangeCounter c;
  c.Watch(layout);
  layout.SetSpacing(2);  // the default: no change
  EXPECT_EQ(c.count, 0);
  layout.SetSpacing(5);
  EXPECT_EQ(c.count, 1);

  layout.BeginUpdate();
  layout.SetOffsetX(3);
  layout.SetOffsetY(4);
  layout.EndUpdate(false);
  EXPECT_EQ(c.count, 1);
  EXPECT_EQ(layout.OffsetY(), 4);
  layout.BeginUpdate();
  layout.SetOffsetX(7);
  layout.EndUpdate(true);
  EXPECT_EQ(c.count, 2);

  // A component base follows the same protocol and lends its Change as a
  // handler to others.
  TQELCustomComponent comp(nullptr);
  int fired = 0;
  comp.OnChange = [&](rtl::TObject *s) {
    EXPECT_EQ(s, &comp);
    ++fired;
  };
  layout.OnChange = [&](rtl::TObject *s) { comp.GetChange(s); };
  layout.SetSpacing(9);
  comp.BeginUpdate();
  layout.SetSpacing(10);
  comp.EndUpdate(false);
  EXPECT_EQ(fired, 1);
}

TEST(QELObject, DefaultsAsPublished) {
  TQELButtonLayout b;
  EXPECT_EQ(b.Alignment(), agCenter);
  EXPECT_EQ(b.AlignText2Glyph(), taRight);
  EXPECT_EQ(b.ArrowSize(), 3);
  EXPECT_EQ(vcl::GetEnumProp(&b, "Alignment"), "agCenter");
  EXPECT_FALSE(vcl::IsStoredProp(&b, vcl::FindPropInfo(&b, "ArrowIndent")));
  TQELGlyphTextLayout g;
  EXPECT_EQ(vcl::GetEnumProp(&g, "Alignment"), "agTopLeft");
  TQELFxCaption fx;
  EXPECT_EQ(fx.LightColor(), vcl::clBtnHighlight);
  EXPECT_EQ(vcl::GetEnumProp(&fx, "Style"), "tdNone");
  EXPECT_EQ(vcl::GetOrdProp(&fx, "ShadowDepth"), 1);
  vcl::SetOrdProp(&fx, "Angle", 45);
  EXPECT_EQ(fx.Angle(), 45);
  TQELGradient gr;
  EXPECT_EQ(gr.Color(), vcl::clBlue);
  EXPECT_EQ(gr.Colors().size(), 16u);
  EXPECT_EQ(gr.Colors().front(), vcl::clBlue);
  EXPECT_EQ(gr.Colors().back(), vcl::clBlack);
}

TEST(QELObject, RangesAreEnforcedAndAngle360IsZero) {
  TQELFxCaption fx;
  fx.SetAngle(360);
  EXPECT_EQ(fx.Angle(), 0);
  fx.SetAngle(90);
  EXPECT_THROW(fx.SetAngle(361), rtl::ERangeError);
  EXPECT_THROW(fx.SetAngle(-1), rtl::ERangeError);
  EXPECT_EQ(fx.Angle(), 90);
  TQELButtonLayout b;
  EXPECT_THROW(b.SetArrowSize(1), rtl::ERangeError);
  EXPECT_THROW(b.SetArrowSize(11), rtl::ERangeError);
  EXPECT_EQ(b.ArrowSize(), 3);
  TQELGradient g;
  EXPECT_THROW(g.SetColorCount(1), rtl::ERangeError);
  EXPECT_THROW(g.SetColorCount(237), rtl::ERangeError);
  EXPECT_EQ(g.ColorCount(), 16);
  fx.SetLightDepth(300);
  EXPECT_EQ(fx.LightDepth(), 255);

  // SetPosition moves without a notification.
  ChangeCounter c;
  c.Watch(fx);
  fx.SetPosition(4, 5);
  EXPECT_EQ(c.count, 0);
  EXPECT_EQ(fx.PosX(), 4);
  EXPECT_EQ(fx.PosY(), 5);
}

TEST(QELObject, AssignCopiesOnceAndKeepsTheOrientation) {
  TQEL3DCaption a, b;
  a.SetStyle(tdRaisedShadow);
  a.SetLightDepth(3);
  a.SetOrientation(toBottomRight);
  a.SetTracing(2);
  ChangeCounter c;
  c.Watch(b);
  b.Assign(&a);
  EXPECT_EQ(c.count, 1);
  EXPECT_EQ(b.Style(), tdRaisedShadow);
  EXPECT_EQ(b.LightDepth(), 3);
  EXPECT_EQ(b.Tracing(), 2);
  EXPECT_EQ(b.Orientation(), toTopLeft);

  TQELFxCaption fa, fb;
  fa.SetAngle(30);
  fa.SetPosX(7);
  fa.SetOrientation(toTopRight);
  fb.Assign(&fa);
  EXPECT_EQ(fb.Angle(), 30);
  EXPECT_EQ(fb.PosX(), 7);
  EXPECT_EQ(fb.Orientation(), toTopLeft);

  TQELButtonLayout ba, bb;
  ba.SetArrow(true);
  ba.SetArrowSize(7);
  ba.SetSpacing(6);
  ChangeCounter cb;
  cb.Watch(bb);
  bb.Assign(&ba);
  EXPECT_EQ(cb.count, 1);
  EXPECT_TRUE(bb.Arrow());
  EXPECT_EQ(bb.ArrowSize(), 7);
  EXPECT_EQ(bb.Spacing(), 6);

  // Unrelated classes refuse and change nothing.
  TQELGradient g;
  EXPECT_THROW(g.Assign(&a), rtl::EConvertError);
  EXPECT_EQ(g.ColorCount(), 16);
  EXPECT_THROW(a.Assign(&g), rtl::EConvertError);
}

TEST(QELObject, DisplayTexts) {
  TQEL3DCaption c;
  EXPECT_EQ(c.GetDisplayText(), "{Disabled}");
  c.SetStyle(tdSunkenShadow);
  EXPECT_EQ(c.GetDisplayText(), "{sunken shadow}");
  c.SetStyle(tdPColorRaised);
  EXPECT_EQ(c.GetDisplayText(), "{PColor raised}");
  TQELFxCaption fx;
  fx.SetStyle(tdRaised);
  EXPECT_EQ(fx.GetDisplayText(), "{raised}");
  fx.SetAngle(90);
  EXPECT_EQ(fx.GetDisplayText(), QString::fromUtf8("{raised, rot: 90\u00b0}"));
  fx.SetStyle(tdNone);
  EXPECT_EQ(fx.GetDisplayText(), QString::fromUtf8("{ rot: 90\u00b0}"));
  TQELGradient g;
  EXPECT_EQ(g.GetDisplayText(), "vertical, Col: 16, 2 col mode");
  g.SetTwoColors(false);
  g.SetStyle(gstTopRightDiagonal);
  EXPECT_EQ(g.GetDisplayText(), "top right diag, Col: 16, mult. col mode");
  EXPECT_EQ(TQELButtonLayout().GetDisplayText(), "");
}

TEST(QELGradient, MultiColourListsAndStoredColourList) {
  TQELGradient g;
  g.SetTwoColors(false);
  // One user colour paints nothing.
  g.SetUserColors({vcl::clRed});
  EXPECT_TRUE(g.Colors().empty());
  // Three colours and 16: 5 steps for the first pair, 4 more for the second.
  g.SetUserColors({vcl::clRed, vcl::clLime, vcl::clBlue});
  ASSERT_EQ(g.Colors().size(), 9u);
  EXPECT_EQ(g.Colors()[0], vcl::clRed);
  EXPECT_EQ(g.Colors()[4], vcl::clLime);
  EXPECT_EQ(g.Colors()[8], vcl::clBlue);
  // Many colours for few steps: one step per pair is each pair's start,
  // never a colour made by dividing by zero.
  g.SetColorCount(3);
  EXPECT_EQ(g.Colors(), (TQELColorList{vcl::clRed}));

  // The stored list appends when read, inside one notification.
  TQELGradient h;
  ChangeCounter c;
  c.Watch(h);
  EXPECT_FALSE(h.HasColorList());
  h.ReadColorList({0x0000FF, 0x00FF00});
  h.ReadColorList({0xFF0000});
  EXPECT_EQ(c.count, 2);
  EXPECT_EQ(h.WriteColorList(), (std::vector<int>{0x0000FF, 0x00FF00, 0xFF0000}));
  h.SetTwoColors(false);
  EXPECT_EQ(h.Colors().size(), 9u);

  // The computed list follows the settings even inside a bracket closed
  // without a notification.
  h.BeginUpdate();
  h.SetTwoColors(true);
  h.SetColorCount(4);
  h.EndUpdate(false);
  EXPECT_EQ(h.Colors().size(), 4u);

  h.SetPaletteRealize(true);
  ASSERT_TRUE(h.Palette());
  EXPECT_EQ(*h.Palette(), h.Colors());
  TQELGradient copy;
  copy.Assign(&h);
  EXPECT_EQ(copy.Colors(), h.Colors());
  EXPECT_EQ(copy.UserColors(), h.UserColors());
}

TEST(QELGradient, ColourInterpolation) {
  TQELColorList list;
  BuildGradientColors(vcl::clRed, vcl::clRed, 5, true, &list);
  EXPECT_EQ(list, TQELColorList(5, vcl::clRed));
  BuildGradientColors(vcl::clRed, vcl::clRed, 5, false, &list);
  EXPECT_EQ(list.size(), 9u);
  BuildGradientColors(vcl::clBlack, vcl::RGB(0, 0, 255), 4, true, &list);
  // 0, 85, 170, 255: rounded to the nearest step.
  EXPECT_EQ(list, (TQELColorList{0, vcl::RGB(0, 0, 85), vcl::RGB(0, 0, 170), vcl::RGB(0, 0, 255)}));
  BuildGradientColors(vcl::clBlack, vcl::clWhite, 0, true, &list);
  EXPECT_EQ(list.size(), 4u);  // nothing for zero colours
  // System colours are resolved before interpolating.
  BuildGradientColors(vcl::clBtnFace, vcl::clBtnFace, 2, true, &list);
  EXPECT_EQ(list[0], vcl::ColorToRGB(vcl::clBtnFace));
  EXPECT_EQ(BlendColor(vcl::clBlack, vcl::clWhite, 1, 2), vcl::RGB(128, 128, 128));
  EXPECT_EQ(BlendColor(vcl::clBtnFace, vcl::clBtnFace, 1, 3), vcl::ColorToRGB(vcl::clBtnFace));
}

TEST(QELPaths, BlanksAndDelimiters) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank("   "));
  EXPECT_FALSE(IsBlank(" a "));
  EXPECT_EQ(AddBackSlash("/tmp"), "/tmp/");
  EXPECT_EQ(AddBackSlash("/tmp/"), "/tmp/");
  EXPECT_EQ(AddBackSlash("C:\\dati\\"), "C:\\dati\\");
  EXPECT_EQ(DelBackSlash("/tmp/"), "/tmp");
  EXPECT_EQ(DelBackSlash("/tmp"), "/tmp");
  EXPECT_EQ(DelBackSlash(""), "");
  EXPECT_EQ(FocusStyleFlags(fcGlyphText), 256u);
  EXPECT_EQ(FocusStyleFlags(fcControl), 0u);
  ASSERT_TRUE(CreateQELObject("tqelgradient"));
  EXPECT_EQ(CreateQELObject("TQELFxCaption")->ClassName(), "TQELFxCaption");
  EXPECT_FALSE(CreateQELObject("TNothing"));
}
