// The bevel's extents and linked styles, and the panels on an offscreen
// form: transparent children copying their ancestors' background picture
// pixel for pixel, and falling back to their colour without one.
#include <gtest/gtest.h>

#include <QWidget>

#include "controls/styled/qelpanel.h"
#include "platform/vcl/forms.h"

using namespace qel;

namespace {

QImage Grab(vcl::TWinControl *c) { return c->Handle()->grab().toImage(); }
QRgb Px(const QImage &img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

// A 100 x 100 picture whose pixel tells its own position.
void FillPicture(TQELBitmapList *list) {
  TQELBitmapListItem *item = list->Items(list->Add());
  vcl::TBitmap b;
  b.SetPixelFormat(vcl::pf24bit);
  b.SetSize(100, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) b.Canvas()->SetPixel(x, y, static_cast<TColor>((x * 2) | ((y * 2) << 8)));
  item->SetBitmap(&b);
}

}  // namespace

TEST(Bevel, ExtentsAndLinkedShadowStyles) {
  TQELBevel bevel;
  EXPECT_EQ(bevel.Extent(), 0);
  bevel.SetStyleOuter(bvRaised);
  bevel.SetWidthOuter(2);
  bevel.SetStyleInner(bvFrameLowered);
  bevel.SetBorderWidth(3);
  EXPECT_EQ(bevel.Extent(), 3 + 2 + 1 + 1);
  EXPECT_EQ(bevel.InnerRect(TRect{0, 0, 50, 50}), (TRect{7, 7, 43, 43}));

  bevel.SetStyleOuter(bvShadow);
  EXPECT_EQ(bevel.StyleInner(), bvShadow);
  bevel.SetWidthInner(2);
  bevel.SetWidthOuter(4);
  EXPECT_EQ(bevel.Extent(), 2);
  EXPECT_EQ(bevel.RightBottomExtent(), 6);
  bevel.SetStyleInner(bvLowered);
  EXPECT_EQ(bevel.StyleOuter(), bvNone);

  bevel.SetMode(bmEdge);
  bevel.SetBorderInnerWidth(1);
  EXPECT_EQ(bevel.Extent(), 3);
  bevel.SetBorderSides({});
  EXPECT_EQ(bevel.Extent(), 1);
  bevel.SetMode(bmWindows);
  EXPECT_EQ(bevel.Extent(), 3);  // unsupported: drawn by the bevel itself
  EXPECT_EQ(bevel.GetDisplayText(), QStringLiteral("{Windows style}"));

  // A standard-style change notifies only in standard mode.
  int changes = 0;
  bevel.OnChange = [&](rtl::TObject *) { ++changes; };
  bevel.SetStandardStyle(lsRaised);
  EXPECT_EQ(changes, 0);
  bevel.SetMode(bmStandard);
  bevel.SetStandardStyle(lsLowered);
  EXPECT_EQ(changes, 2);
}

TEST(Panels, TransparentChildContinuesTheBackPicture) {
  vcl::TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(200);
  TQELBitmapList list(nullptr);
  FillPicture(&list);

  auto *back = new TQELBackPanel(&form);
  back->SetParent(&form);
  back->SetBounds(0, 0, 100, 100);
  TQELBevel raised;
  raised.SetStyleOuter(bvRaised);
  back->SetBevel(&raised);
  EXPECT_EQ(back->Back(), nullptr);  // no image list: no picture
  back->SetImageList(&list);
  ASSERT_NE(back->Back(), nullptr);
  EXPECT_TRUE(back->UsesBackground());

  auto *child = new TQELSimplePanel(&form);
  child->SetParent(back);
  child->SetBounds(10, 20, 30, 30);
  child->SetTransparent(true);
  const QImage img = Grab(child);
  EXPECT_EQ(Px(img, 0, 0), static_cast<QRgb>(((10 * 2) << 16) | ((20 * 2) << 8)));
  EXPECT_EQ(Px(img, 15, 5), static_cast<QRgb>(((25 * 2) << 16) | ((25 * 2) << 8)));

  // A grandchild on the transparent panel still lines up with the picture.
  auto *inner = new TQELSimplePanel(&form);
  inner->SetParent(child);
  inner->SetBounds(5, 5, 10, 10);
  inner->SetTransparent(true);
  EXPECT_EQ(Px(Grab(inner), 0, 0), static_cast<QRgb>(((15 * 2) << 16) | ((25 * 2) << 8)));

  // Negative and unchanged indexes are ignored.
  back->SetImageIndex(-1);
  EXPECT_EQ(back->ImageIndex(), 0);
  // A picture that does not exist leaves no Back and the children their
  // colour.
  back->SetListIndex(3);
  EXPECT_EQ(back->Back(), nullptr);
  child->SetColor(0x00FF00);
  EXPECT_EQ(Px(Grab(child), 15, 15), 0x00FF00u);
}

TEST(Panels, TransparentPanelWithoutBackgroundFillsItsColour) {
  vcl::TForm form(nullptr);
  auto *panel = new TQELSimplePanel(&form);
  panel->SetParent(&form);
  panel->SetTransparent(true);
  panel->SetColor(0x0000FF);
  EXPECT_FALSE(panel->HasBackBitmap());
  EXPECT_EQ(Px(Grab(panel), 50, 20), 0xFF0000u);
  // The bevel panel lays its children out inside the bevel.
  TQELBevel b;
  b.SetStyleOuter(bvLowered);
  b.SetWidthOuter(3);
  panel->SetBevel(&b);
  auto *child = new TQELSimplePanel(&form);
  child->SetParent(panel);
  child->SetAlign(vcl::alClient);
  panel->AlignControls();
  EXPECT_EQ(child->BoundsRect(), (TRect{3, 3, 97, 37}));
}

TEST(Bevel, PaintingCustomAndEdgeModes) {
  vcl::TBitmap b;
  b.SetPixelFormat(vcl::pf24bit);
  b.SetSize(20, 20);
  b.Canvas()->Brush()->SetColor(vcl::clWhite);
  b.Canvas()->FillRect(TRect{0, 0, 20, 20});
  TQELBevel bevel;
  bevel.SetStyleOuter(bvRaised);
  bevel.SetLightColor(0x00FF00);
  bevel.SetShadowColor(0xFF0000);
  bevel.SetBorderWidth(2);
  bevel.SetBorderColor(0x0000FF);
  const TRect inner = bevel.Paint(b.Canvas(), TRect{0, 0, 20, 20}, false);
  EXPECT_EQ(inner, (TRect{3, 3, 17, 17}));
  auto at = [&](int x, int y) { return b.Image().pixel(x, y) & 0xFFFFFF; };
  EXPECT_EQ(at(0, 10), 0x00FF00u);   // light at the left
  EXPECT_EQ(at(19, 10), 0x0000FFu);  // shadow (blue) at the right
  EXPECT_EQ(at(1, 10), 0xFF0000u);   // the border rings in red
  EXPECT_EQ(at(2, 10), 0xFF0000u);
  EXPECT_EQ(at(3, 10), 0xFFFFFFu);

  // Transparent: the rings are left out, the rectangle still shrinks.
  b.Canvas()->FillRect(TRect{0, 0, 20, 20});
  EXPECT_EQ(bevel.Paint(b.Canvas(), TRect{0, 0, 20, 20}, true), (TRect{3, 3, 17, 17}));
  EXPECT_EQ(at(1, 10), 0xFFFFFFu);

  // Nothing is painted without an extent.
  TQELBevel none;
  EXPECT_EQ(none.Paint(b.Canvas(), TRect{0, 0, 20, 20}, false), (TRect{0, 0, 20, 20}));

  TQELBevel edge;
  edge.SetMode(bmEdge);
  EXPECT_EQ(edge.Paint(b.Canvas(), TRect{0, 0, 20, 20}, false), (TRect{2, 2, 18, 18}));
  EXPECT_EQ(edge.GetDisplayText(), QStringLiteral("{Etged style}"));
}

TEST(Panels, MouseEnterExitAndAfterEnterEvents) {
  vcl::TForm form(nullptr);
  auto *panel = new TQELSimplePanel(&form);
  panel->SetParent(&form);
  std::vector<QString> seen;
  panel->OnMouseEnter = [&](rtl::TObject *) { seen.push_back("enter"); };
  panel->OnMouseExit = [&](rtl::TObject *) { seen.push_back("exit"); };
  panel->OnAfterEnter = [&](rtl::TObject *) { seen.push_back("after-enter"); };
  panel->OnAfterExit = [&](rtl::TObject *) { seen.push_back("after-exit"); };
  panel->Perform(vcl::CM_MOUSEENTER);
  EXPECT_TRUE(panel->MouseAbove());
  panel->Perform(vcl::CM_MOUSELEAVE);
  EXPECT_FALSE(panel->MouseAbove());
  panel->Perform(vcl::WM_SETFOCUS);
  EXPECT_TRUE(panel->Entered());
  panel->Perform(vcl::WM_KILLFOCUS);
  EXPECT_FALSE(panel->Entered());
  EXPECT_EQ(seen, (std::vector<QString>{"enter", "exit", "after-enter", "after-exit"}));
  // Removing the image list clears the reference.
  auto *list = new TQELBitmapList(&form);
  panel->SetImageList(list);
  delete list;
  EXPECT_EQ(panel->ImageList(), nullptr);
}
