// Window shapes: the stored region data and point lists (damaged input
// included), the shape geometry, borders checked pixel by pixel, and the
// form shape on a real (offscreen) form: hooking, the window region and
// the messages it answers.
#include <gtest/gtest.h>

#include <QWidget>

#include "controls/styled/qelpanel.h"
#include "controls/styled/qelregion.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/forms.h"

using namespace qel;

namespace {

vcl::TBitmap *White(vcl::TBitmap *b, int w, int h) {
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(vcl::clWhite);
  b->Canvas()->FillRect(vcl::Rect(0, 0, w, h));
  return b;
}

QRgb At(const vcl::TBitmap &b, int x, int y) { return b.Image().pixel(x, y) & 0xFFFFFF; }

void SetColours(TQELRegionBorder *b, TQELRegionBorderStyle style) {
  b->SetStyle(style);
  b->SetLightColor(0x00FF00);   // green
  b->SetShadowColor(0xFF0000);  // blue (BGR)
  b->SetSingleColor(0x0000FF);  // red
}

}  // namespace

TEST(RegionData, RoundTripAndDamagedInput) {
  QRegion rgn(QRect(0, 0, 10, 5));
  rgn += QRect(3, 5, 4, 4);
  const QByteArray data = RegionToData(rgn);
  ASSERT_EQ(data.size(), 32 + 16 * rgn.rectCount());
  EXPECT_EQ(RegionFromData(data), rgn);
  EXPECT_TRUE(RegionToData(QRegion()).isEmpty());
  EXPECT_TRUE(RegionFromData(QByteArray()).isEmpty());

  EXPECT_THROW(RegionFromData(data.left(20)), EQELRegionData);
  EXPECT_THROW(RegionFromData(data.left(data.size() - 1)), EQELRegionData);
  QByteArray bad = data;
  bad[4] = 2;  // unknown type
  EXPECT_THROW(RegionFromData(bad), EQELRegionData);
  bad = data;
  bad[8] = char(0xFF), bad[9] = char(0xFF), bad[10] = char(0xFF), bad[11] = char(0x7F);  // huge count
  EXPECT_THROW(RegionFromData(bad), EQELRegionData);
  bad = data;
  bad[32 + 8] = char(0xF0), bad[32 + 9] = char(0xFF), bad[32 + 10] = char(0xFF), bad[32 + 11] = char(0xFF);
  EXPECT_THROW(RegionFromData(bad), EQELRegionData);  // right edge left of the left one

  // A mask refuses damaged data and keeps what it had.
  TQELRegionMask mask;
  mask.SetRegion(rgn);
  EXPECT_THROW(mask.SetRegionData(data.left(40)), EQELRegionData);
  EXPECT_EQ(mask.Region(), rgn);
  rtl::TMemoryStream s;
  mask.WriteRegionData(&s);
  s.SetPosition(0);
  TQELRegionMask copy;
  copy.ReadRegionData(&s);
  EXPECT_EQ(copy.RegionDataSize(), mask.RegionDataSize());
  // Assign takes data only from a source that has some.
  TQELRegionMask empty;
  copy.Assign(&empty);
  EXPECT_EQ(copy.Region(), rgn);
}

TEST(RegionMask, BorderBitmapsStoredWithTheirCompressionFlag) {
  TQELRegionMask mask;
  EXPECT_FALSE(mask.HasBitmap(0));
  White(mask.BorderBitmap(), 6, 4);
  mask.BorderBitmap()->Canvas()->SetPixel(2, 1, 0x0000FF);
  mask.SetCompressed(true);
  rtl::TMemoryStream s;
  mask.WriteBitmapProperty(&s, 0);
  s.SetPosition(0);
  TQELRegionMask other;
  other.ReadBitmapProperty(&s, 1);
  ASSERT_EQ(other.BorderUpBitmap()->Width(), 6);
  EXPECT_EQ(At(*other.BorderUpBitmap(), 2, 1), 0xFF0000u);
  rtl::TMemoryStream damaged;
  const char junk[] = "\x01\x05\x00\x00\x00zzzzz";
  damaged.WriteBuffer(junk, sizeof junk);
  damaged.SetPosition(0);
  EXPECT_THROW(other.ReadBitmapProperty(&damaged, 1), rtl::Exception);
  EXPECT_EQ(other.BorderUpBitmap()->Width(), 6);
}

TEST(PointList, PackedPointsAndStoredForm) {
  TQELPointList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Add({-5, 7});
  list.Add({300, -2});
  EXPECT_EQ(list.Point(0).X, -5);
  EXPECT_EQ(list.Point(1).Y, -2);
  list.SetPoint(5, {1, 1});  // past the end: ignored
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.WritePointList(), (std::vector<int>{-5, 7, 300, -2}));
  list.BeginUpdate();
  list.Add({1, 1});
  list.Add({2, 2});
  EXPECT_EQ(changes, 2);
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(list.ReadPointList({1, 2, 3}), EQELRegionData);
  EXPECT_THROW(list.ReadPointList({1, 70000}), EQELRegionData);
  EXPECT_EQ(list.Count(), 4);
  list.ReadPointList({4, 5});
  EXPECT_EQ(list.Count(), 1);
}

TEST(RegionShape, GeometryOfTheShapes) {
  TQELRegion region;
  const TRect r{0, 0, 600, 300};
  // Think bubbles: diameters grow evenly, the last circle sits on the
  // reduced body's corner.
  const auto bubbles = region.BubbleRects(r);
  ASSERT_EQ(bubbles.size(), 6u);
  const int expected[] = {0, 10, 20, 29, 39, 49};
  for (size_t k = 0; k < 6; ++k) EXPECT_NEAR(bubbles[k].Width(), expected[k], 1) << k;
  EXPECT_EQ((bubbles[5].Left + bubbles[5].Right) / 2, 100);
  EXPECT_EQ((bubbles[5].Top + bubbles[5].Bottom) / 2, 100);

  // Round nose at the left-top: the base lies on the body's left edge,
  // RoundY below the body's top.
  region.SetShape(rsRoundNoseRect);
  region.SetRoundX(20);
  region.SetRoundY(30);
  const QRegion nose = region.CreateShapeRegion(r);
  EXPECT_TRUE(nose.contains(QPoint(20, 40)));   // inside the nose, near its tip
  EXPECT_TRUE(nose.contains(QPoint(58, 92)));   // by the base, outside the body
  EXPECT_FALSE(nose.contains(QPoint(58, 70)));  // between body corner and base start
  EXPECT_FALSE(nose.contains(QPoint(2, 200)));

  region.SetShape(rsDiamond);
  const QRegion diamond = region.CreateShapeRegion(r);
  EXPECT_TRUE(diamond.contains(QPoint(300, 150)));
  EXPECT_FALSE(diamond.contains(QPoint(5, 5)));

  // Shadow style: the shape loses the depth at the right and bottom.
  region.SetShape(rsRect);
  region.Shadow()->SetStyle(hssSolid);
  EXPECT_EQ(region.CreateShapeRegion(r).boundingRect(), QRect(0, 0, 594, 294));

  // Bitmap and point shapes without data make no region.
  bool exists = true;
  region.SetShape(rsBitmap);
  region.CreateShapeRegion(r, &exists);
  EXPECT_FALSE(exists);
  region.SetShape(rsPointList);
  region.CreateShapeRegion(r, &exists);
  EXPECT_FALSE(exists);
  region.Points()->Add({0, 0});
  region.Points()->Add({100, 0});
  // Two points enclose nothing: no region rather than an empty one, which
  // would hide the window.
  region.CreateShapeRegion(r, &exists);
  EXPECT_FALSE(exists);
  region.Points()->Add({0, 100});
  const QRegion tri = region.CreateShapeRegion(TRect{10, 10, 200, 200}, &exists);
  EXPECT_TRUE(exists);
  EXPECT_TRUE(tri.contains(QPoint(20, 20)));
  EXPECT_FALSE(tri.contains(QPoint(100, 100)));

  // Alternate fill: the middle of a pentagram is outside it.
  region.Points()->ReadPointList({50, 0, 79, 90, 2, 35, 98, 35, 21, 90});
  const QRegion star = region.CreateShapeRegion(TRect{0, 0, 100, 100});
  EXPECT_FALSE(star.contains(QPoint(50, 50)));
  EXPECT_TRUE(star.contains(QPoint(50, 10)));
  EXPECT_TRUE(star.contains(QPoint(10, 37)));
  EXPECT_TRUE(QRect(2, 0, 96, 90).contains(star.boundingRect()));
}

TEST(RegionBorder, RectStylesAndShapesWithoutBorder) {
  vcl::TBitmap b;
  TQELBorderRegion region;
  region.SetShape(rsRect);
  SetColours(region.Border(), rbRaised);
  region.PaintBorder(White(&b, 20, 20)->Canvas(), TRect{0, 0, 20, 20});
  EXPECT_EQ(At(b, 0, 10), 0x00FF00u);   // left edge in the light colour
  EXPECT_EQ(At(b, 19, 10), 0x0000FFu);  // right edge in the shadow colour (blue)
  EXPECT_EQ(At(b, 10, 10), 0xFFFFFFu);  // clear brush

  SetColours(region.Border(), rbLowered);
  region.PaintBorder(White(&b, 20, 20)->Canvas(), TRect{0, 0, 20, 20});
  EXPECT_EQ(At(b, 0, 10), 0x0000FFu);
  EXPECT_EQ(At(b, 19, 10), 0x00FF00u);

  for (TQELRegionShape s : {rsBitmap, rsUserRegion}) {
    region.SetShape(s);
    region.PaintBorder(White(&b, 20, 20)->Canvas(), TRect{0, 0, 20, 20});
    EXPECT_EQ(At(b, 0, 10), 0xFFFFFFu) << s;
  }

  // A point list draws its two-colour outline even with rbNone; a single
  // point leaves nothing.
  region.SetShape(rsPointList);
  SetColours(region.Border(), rbNone);
  region.Points()->ReadPointList({2, 2, 17, 2, 17, 17});
  region.PaintBorder(White(&b, 20, 20)->Canvas(), TRect{0, 0, 20, 20});
  EXPECT_EQ(At(b, 10, 2), 0x00FF00u);   // running right: first colour
  EXPECT_EQ(At(b, 17, 10), 0x0000FFu);  // running down: second colour
  region.Points()->ReadPointList({5, 5});
  region.PaintBorder(White(&b, 20, 20)->Canvas(), TRect{0, 0, 20, 20});
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(At(b, x, y), 0xFFFFFFu);

  // The solid shadow lies right and below the shape.
  region.SetShape(rsRect);
  SetColours(region.Border(), rbNone);
  region.Shadow()->SetStyle(hssSolid);
  region.Shadow()->SetDepth(4);
  region.Shadow()->SetColor(0x000000);
  region.PaintBorder(White(&b, 20, 20)->Canvas(), TRect{0, 0, 20, 20});
  EXPECT_EQ(At(b, 18, 10), 0u);
  EXPECT_EQ(At(b, 10, 10), 0xFFFFFFu);
}

TEST(FormShape, WindowRegionFollowsTheSettings) {
  vcl::TForm form(nullptr);
  form.SetBorderStyle(vcl::bsSizeable);
  form.SetClientWidth(300);
  form.SetClientHeight(200);
  auto *shape = new TQELFormShape(&form);
  shape->Loaded();
  ASSERT_TRUE(shape->Hooked());
  const int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
  const int cap = GetSystemMetrics(SM_CYCAPTION);
  QRegion rgn = shape->WindowRegion();
  // Default: rounded rectangle with a visible caption bar above.
  EXPECT_TRUE(rgn.contains(QPoint(0, 0)));
  EXPECT_TRUE(rgn.contains(QPoint(fx + 150, cap + fy + 100)));
  EXPECT_FALSE(rgn.contains(QPoint(fx, cap + fy + 199)));  // a rounded lower corner

  shape->SetShowFormCaption(false);
  EXPECT_FALSE(shape->WindowRegion().contains(QPoint(5, 1)));

  shape->Region()->Shadow()->SetStyle(hssSolid);
  shape->Region()->SetShape(rsRect);
  rgn = shape->WindowRegion();
  const QRect bound = rgn.boundingRect();
  EXPECT_EQ(bound.right(), fx + 300 + 6 - 6);  // the shape lost 6, the shadow added 6

  // A resize reaches the form shape through the window procedure.
  form.SetClientWidth(400);
  vcl::TMessage size;
  size.Msg = vcl::WM_SIZE;
  form.WindowProc(size);
  EXPECT_GT(shape->WindowRegion().boundingRect().right(), fx + 380);
}

TEST(FormShape, DraggingByTheBackgroundAndUnhooking) {
  vcl::TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  auto *shape = new TQELFormShape(&form);
  shape->Loaded();
  // Another component stacked above it.
  std::vector<unsigned> seen;
  auto previous = form.WindowProc;
  form.WindowProc = [&](vcl::TMessage &m) {
    seen.push_back(m.Msg);
    previous(m);
  };

  vcl::TMessage hit;
  hit.Msg = vcl::WM_NCHITTEST;
  const vcl::TPoint screen = form.ClientToScreen(vcl::TPoint{10, 10});
  hit.LParam = vcl::MakeLParam(screen.X, screen.Y);
  // Nothing answers HTCLIENT in the stand-in; a hook below does.
  EXPECT_EQ(form.Perform(vcl::WM_NCHITTEST, 0, hit.LParam), 0);

  shape->SetEnabled(false);
  EXPECT_FALSE(shape->Hooked());
  // The procedure above keeps working after the one below left.
  form.Perform(vcl::WM_SIZE);
  EXPECT_EQ(seen.back(), vcl::WM_SIZE);
  shape->SetEnabled(true);
  EXPECT_TRUE(shape->Hooked());
  delete shape;
  form.Perform(vcl::WM_SIZE);
  EXPECT_EQ(seen.size(), 3u);
}

TEST(WndProcComponent, HitTestBecomesCaptionAndDestroyStopsPassing) {
  vcl::TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  int answered = 0;
  form.WindowProc = [&](vcl::TMessage &m) {
    if (m.Msg == vcl::WM_NCHITTEST) m.Result = HTCLIENT;
    ++answered;
  };
  auto *shape = new TQELFormShape(&form);
  shape->Loaded();
  const vcl::TPoint screen = form.ClientToScreen(vcl::TPoint{10, 10});
  EXPECT_EQ(form.Perform(vcl::WM_NCHITTEST, 0, vcl::MakeLParam(screen.X, screen.Y)), HTCAPTION);
  shape->SetFormDragable(false);
  EXPECT_EQ(form.Perform(vcl::WM_NCHITTEST, 0, vcl::MakeLParam(screen.X, screen.Y)), HTCLIENT);
  form.Perform(WM_NCLBUTTONDOWN);
  EXPECT_TRUE(shape->Dragging());
  form.Perform(WM_EXITSIZEMOVE);
  EXPECT_FALSE(shape->Dragging());

  const int before = answered;
  form.Perform(vcl::WM_DESTROY);
  EXPECT_TRUE(shape->Destroying());
  form.Perform(vcl::WM_PAINT);
  EXPECT_EQ(answered, before + 1);  // WM_DESTROY passed, nothing after it
  delete shape;
}

TEST(FormShape, BackgroundFillFromTheImageListReachesTransparentPanels) {
  vcl::TForm form(nullptr);
  form.SetClientWidth(120);
  form.SetClientHeight(80);
  TQELBitmapList list(nullptr);
  vcl::TBitmap tile;
  tile.SetPixelFormat(vcl::pf24bit);
  tile.SetSize(10, 10);
  tile.Canvas()->Brush()->SetColor(0xFF0000);
  tile.Canvas()->FillRect(TRect{0, 0, 10, 10});
  list.Items(list.Add())->SetBitmap(&tile);

  auto *shape = new TQELFormShape(&form);
  shape->Region()->SetShape(rsRect);
  shape->Region()->Border()->SetStyle(rbNone);
  shape->SetImageList(&list);
  shape->FillObject()->SetStyle(sfBitmapList);
  shape->Loaded();
  EXPECT_FALSE(shape->HasBackBitmap());

  vcl::TBitmap target;
  target.SetPixelFormat(vcl::pf24bit);
  target.SetSize(120, 80);
  shape->PaintBackground(target.Canvas());
  ASSERT_TRUE(shape->HasBackBitmap());
  EXPECT_EQ(target.Image().pixel(60, 40) & 0xFFFFFF, 0x0000FFu);

  auto *panel = new TQELSimplePanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(20, 20, 40, 30);
  panel->SetTransparent(true);
  EXPECT_EQ(panel->Handle()->grab().toImage().pixel(5, 5) & 0xFFFFFF, 0x0000FFu);

  // The list going away leaves the fill without a picture.
  shape->SetImageList(nullptr);
  shape->PaintBackground(target.Canvas());
  EXPECT_TRUE(shape->FillObject()->ListBitmap()->Empty());
}

TEST(RegionBorder, OutlinesOfRoundShapesNosesAndBubbles) {
  vcl::TBitmap b;
  TQELBorderRegion region;
  // An ellipse: upper-left half in the first colour, lower-right half in
  // the second.
  region.SetShape(rsElliptic);
  SetColours(region.Border(), rbRaised);
  region.PaintBorder(White(&b, 41, 41)->Canvas(), TRect{0, 0, 41, 41});
  EXPECT_EQ(At(b, 0, 20), 0x00FF00u);
  EXPECT_EQ(At(b, 20, 0), 0x00FF00u);
  EXPECT_EQ(At(b, 39, 20), 0x0000FFu);
  EXPECT_EQ(At(b, 20, 39), 0x0000FFu);

  // A nose: the body outline stays open where the nose joins it.
  region.SetShape(rsNoseRect);
  region.SetExtPos(epLeftTop);
  SetColours(region.Border(), rbSingle);
  region.PaintBorder(White(&b, 200, 100)->Canvas(), TRect{0, 0, 200, 100});
  // d = 20: the body starts at (20, 20); the base runs from y 25 to 53.
  EXPECT_EQ(At(b, 20, 70), 0xFF0000u);   // the left edge below the nose
  EXPECT_EQ(At(b, 20, 40), 0xFFFFFFu);   // open along the nose's base
  EXPECT_EQ(At(b, 100, 20), 0xFF0000u);  // the top edge
  EXPECT_EQ(At(b, 5, 5), 0xFFFFFFu);     // the nose's sides get no border

  // Think bubbles: each circle has its own outline outside the body.
  region.SetShape(rsThinkBubble);
  const TRect r{0, 0, 240, 120};
  region.PaintBorder(White(&b, 240, 120)->Canvas(), r);
  const auto circles = region.BubbleRects(r);
  const TRect last = circles.back();
  const TRect big = circles[circles.size() - 2];
  // The second-largest circle lies outside the body; its outline shows.
  bool outline = false;
  for (int x = big.Left; x <= big.Right; ++x)
    if (At(b, x, (big.Top + big.Bottom) / 2) == 0xFF0000u) outline = true;
  EXPECT_TRUE(outline);
  EXPECT_EQ((last.Left + last.Right) / 2, 40);
}

TEST(RegionShape, ThinkBubbleAndShieldRegions) {
  TQELRegion region;
  region.SetShape(rsThinkBubble);
  const TRect r{0, 0, 600, 300};
  const QRegion rgn = region.CreateShapeRegion(r);
  const auto circles = region.BubbleRects(r);
  for (size_t k = 1; k < circles.size(); ++k) {
    const TRect c = circles[k];
    EXPECT_TRUE(rgn.contains(QPoint((c.Left + c.Right) / 2, (c.Top + c.Bottom) / 2))) << k;
  }
  EXPECT_TRUE(rgn.contains(QPoint(300, 200)));  // the body
  EXPECT_FALSE(rgn.contains(QPoint(90, 10)));   // beside the bubbles

  // The shields lose their top corners to the scallops.
  for (TQELRegionShape s : {rsRoundShield, rsSharpShield}) {
    region.SetShape(s);
    const QRegion shield = region.CreateShapeRegion(TRect{0, 0, 100, 100});
    EXPECT_FALSE(shield.contains(QPoint(1, 1))) << s;
    EXPECT_FALSE(shield.contains(QPoint(99, 1))) << s;
    EXPECT_TRUE(shield.contains(QPoint(50, 50))) << s;
    EXPECT_FALSE(shield.contains(QPoint(2, 98))) << s;
  }
  // The offset moves the shape.
  region.SetShape(rsRect);
  region.SetRegionOffset({5, 7});
  EXPECT_EQ(region.CreateShapeRegion(TRect{0, 0, 10, 10}).boundingRect(), QRect(5, 7, 10, 10));

  // Assign copies the settings, not the points, and notifies once.
  TQELBorderRegion source, target;
  source.SetShape(rsOctagon);
  source.SetRoundX(7);
  source.Border()->SetStyle(rbRaisedpsb);
  source.Points()->Add({1, 2});
  int changes = 0;
  target.OnChange = [&](rtl::TObject *) { ++changes; };
  target.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(target.Shape(), rsOctagon);
  EXPECT_EQ(target.RoundX(), 7);
  EXPECT_EQ(target.Border()->Style(), rbRaisedpsb);
  EXPECT_EQ(target.Points()->Count(), 0);
}

TEST(FormShape, MinimisedFormsKeepTheCaptionBarOnly) {
  vcl::TForm form(nullptr);
  form.SetBorderStyle(vcl::bsDialog);
  form.SetClientWidth(150);
  form.SetClientHeight(100);
  auto *shape = new TQELFormShape(&form);
  shape->Loaded();
  const int fx = GetSystemMetrics(SM_CXDLGFRAME), fy = GetSystemMetrics(SM_CYDLGFRAME);
  const int cap = GetSystemMetrics(SM_CYCAPTION);
  form.SetWindowState(vcl::wsMinimized);
  shape->ApplyRegion();
  EXPECT_EQ(shape->WindowRegion(), QRegion(0, 0, 150 + 2 * fx, cap + fy));
  form.SetWindowState(vcl::wsNormal);
  shape->ApplyRegion();
  EXPECT_TRUE(shape->WindowRegion().contains(QPoint(fx + 75, cap + fy + 50)));

  // A bitmap shape without data leaves the previous region.
  const QRegion before = shape->WindowRegion();
  shape->Region()->SetShape(rsBitmap);
  EXPECT_EQ(shape->WindowRegion(), before);
  // With data, it is the mask's region.
  shape->Region()->Mask()->SetRegion(QRegion(0, 0, 30, 20));
  shape->ApplyRegion();
  EXPECT_TRUE(shape->WindowRegion().contains(QPoint(fx + 10, cap + fy + 10)));
  EXPECT_FALSE(shape->WindowRegion().contains(QPoint(fx + 60, cap + fy + 60)));
}
