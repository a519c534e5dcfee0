// The styled scroll box: its frame, and the background picture of a back
// panel showing through it into transparent children, also after
// scrolling.
#include <gtest/gtest.h>

#include <QWidget>

#include "controls/styled/qelscrollbox.h"
#include "platform/vcl/forms.h"

using namespace qel;

namespace {

QRgb Px(vcl::TWinControl *c, int x, int y) { return c->Handle()->grab().toImage().pixel(x, y) & 0xFFFFFF; }
QRgb Mark(int x, int y) { return static_cast<QRgb>(((x * 2) << 16) | ((y * 2) << 8)); }

}  // namespace

TEST(ScrollBox, BackgroundShowsThroughIntoChildrenAfterScrolling) {
  vcl::TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(200);
  TQELBitmapList list(nullptr);
  {
    vcl::TBitmap b;
    b.SetPixelFormat(vcl::pf24bit);
    b.SetSize(120, 120);
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 120; ++x) b.Canvas()->SetPixel(x, y, static_cast<TColor>((x * 2) | ((y * 2) << 8)));
    list.Items(list.Add())->SetBitmap(&b);
  }
  auto *back = new TQELBackPanel(&form);
  back->SetParent(&form);
  back->SetBounds(0, 0, 120, 120);
  back->SetImageList(&list);

  auto *box = new TQELCustomScrollBox(&form);
  box->SetParent(back);
  box->SetBounds(10, 10, 80, 60);
  EXPECT_FALSE(box->ShowsBackground());
  box->SetTransparent(true);
  ASSERT_TRUE(box->ShowsBackground());
  EXPECT_EQ(box->BorderStyle(), vcl::bsNone);
  EXPECT_EQ(box->FrameExtent(), 2);  // the client edge of the Windows mode
  EXPECT_EQ(Px(box, 40, 30), Mark(50, 40));

  auto *child = new TQELSimplePanel(&form);
  child->SetParent(box);
  child->SetBounds(20, 30, 20, 50);  // reaches beyond the box: it scrolls
  child->SetTransparent(true);
  EXPECT_EQ(Px(child, 0, 0), Mark(30, 40));
  box->SetVertPosition(10);
  ASSERT_EQ(child->Top(), 20);
  EXPECT_EQ(Px(child, 0, 0), Mark(30, 30));

  // Scroll notifications reach the children only while a background shows.
  int notified = 0;
  auto *probe = new TQELSimplePanel(&form);
  probe->SetParent(box);
  probe->OnAfterEnter = nullptr;
  box->SetScrollStep(2);
  auto previous = probe->WindowProc;
  probe->WindowProc = [&](vcl::TMessage &m) {
    if (m.Msg == QEL_PARENTBACKGROUNDCHANGED) ++notified;
    previous(m);
  };
  box->Scrolled(false);
  box->Scrolled(false);
  box->Scrolled(true);
  EXPECT_EQ(notified, 2);
  box->SetTransparent(false);
  box->Scrolled(true);
  EXPECT_EQ(notified, 2);
}

TEST(ScrollBox, BevelFrameNarrowsTheAlignedArea) {
  vcl::TForm form(nullptr);
  auto *box = new TQELCustomScrollBox(&form);
  box->SetParent(&form);
  TQELBevel bevel;
  bevel.SetStyleOuter(bvRaised);
  bevel.SetWidthOuter(3);
  box->SetBevel(&bevel);
  EXPECT_EQ(box->Bevel()->Mode(), bmCustom);
  EXPECT_EQ(box->FrameExtent(), 3);
  auto *child = new TQELSimplePanel(&form);
  child->SetParent(box);
  child->SetAlign(vcl::alClient);
  box->AlignControls();
  EXPECT_EQ(child->BoundsRect(), (TRect{3, 3, 182, 38}));
  box->SetColor(0x0000FF);
  EXPECT_EQ(Px(box, 90, 1), 0xFFFFFFu & vcl::ColorToRGB(vcl::clBtnHighlight));
}
