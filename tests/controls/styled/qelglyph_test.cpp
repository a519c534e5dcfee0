// The glyph cache shared by button glyphs, the glyph counts read from
// strip sizes, and the glyph label's auto size and painting.
#include <gtest/gtest.h>

#include <QWidget>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelglyph.h"
#include "controls/styled/qellabel.h"
#include "platform/vcl/forms.h"

using namespace qel;

namespace {

void Strip(vcl::TBitmap &b, int w, int h) {
  b.SetPixelFormat(vcl::pf24bit);
  b.SetSize(w, h);
  b.Canvas()->Brush()->SetColor(vcl::clOlive);
  b.Canvas()->FillRect(TRect{0, 0, w, h});
  // Each slice carries its own mark in the middle.
  for (int i = 0; i * h < w; ++i) b.Canvas()->SetPixel(i * h + h / 2, h / 2, static_cast<TColor>(0x10 * (i + 1)));
}

}  // namespace

TEST(Glyph, CountsFromTheStripSize) {
  TQELGlyph glyph;
  vcl::TBitmap b;
  Strip(b, 64, 16);
  glyph.SetGlyph(&b);
  EXPECT_EQ(glyph.NumGlyphs(), 4);
  Strip(b, 96, 16);
  glyph.SetGlyph(&b);
  EXPECT_EQ(glyph.NumGlyphs(), 1);
  glyph.SetNumGlyphs(3);
  Strip(b, 40, 16);
  glyph.SetGlyph(&b);
  EXPECT_EQ(glyph.NumGlyphs(), 3);  // not a whole number of slices: kept
  glyph.SetNumGlyphs(0);
  EXPECT_EQ(glyph.NumGlyphs(), 3);
}

TEST(GlyphCache, SharedListsSlotReuseAndRelease) {
  ASSERT_EQ(GlyphCache(), nullptr);
  {
    auto a = std::make_unique<TQELGlyph>();
    auto b = std::make_unique<TQELGlyph>();
    vcl::TBitmap strip;
    Strip(strip, 32, 16);  // up and disabled
    a->SetGlyph(&strip);
    b->SetGlyph(&strip);
    const int a_up = a->CreateButtonGlyph(0);
    const int a_dis = a->CreateButtonGlyph(1);
    EXPECT_EQ(a->CreateButtonGlyph(0), a_up);  // made once, reused
    EXPECT_EQ(a->CreateButtonGlyph(7), a_dis);
    b->CreateButtonGlyph(0);
    ASSERT_NE(GlyphCache(), nullptr);
    EXPECT_EQ(GlyphCache()->Count(), 1);
    EXPECT_EQ(a->List(), b->List());
    EXPECT_EQ(a->List()->UsedCount(), 3);

    // The down state has no picture in a two-slice strip: it uses image 0,
    // the up one.
    EXPECT_EQ(a->CreateButtonGlyph(4), a_up);

    // Slice 1 really is the second picture of the strip.
    vcl::TBitmap image;
    ASSERT_TRUE(a->List()->GetImage(a_dis, &image));
    EXPECT_EQ(image.Canvas()->Pixel(8, 8), 0x20);

    // A freed slot is taken by the next image.
    TQELGlyphList *list = a->List();
    a.reset();
    EXPECT_EQ(list->UsedCount(), 1);
    auto c = std::make_unique<TQELGlyph>();
    c->SetGlyph(&strip);
    EXPECT_EQ(c->CreateButtonGlyph(0), 0);
    c.reset();
    b.reset();
  }
  EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(GlyphCache, DisabledImageIsEmbossedFromTheFirstSlice) {
  TQELGlyph glyph;
  vcl::TBitmap strip;
  Strip(strip, 16, 16);
  glyph.SetGlyph(&strip);
  const int index = glyph.CreateButtonGlyph(1);
  vcl::TBitmap image;
  ASSERT_TRUE(glyph.List()->GetImage(index, &image));
  EXPECT_EQ(image.Canvas()->Pixel(8, 8), vcl::ColorToRGB(vcl::clBtnShadow));
  EXPECT_EQ(image.Canvas()->Pixel(9, 9), vcl::ColorToRGB(vcl::clBtnHighlight));
}

TEST(GlyphLabel, AutoSizeMakesRoomForTheImage) {
  vcl::TForm form(nullptr);
  TQELBitmapList list(nullptr);
  vcl::TBitmap b;
  Strip(b, 16, 16);
  list.Items(list.Add())->SetBitmap(&b);
  auto *label = new TQELGlyphLabel(&form);
  label->SetParent(&form);
  label->SetCaption(QStringLiteral("Attenzione"));
  const int text_width = label->Width();
  EXPECT_GT(text_width, 20);
  label->SetImageList(&list);
  EXPECT_EQ(label->Width(), text_width + 18);
  EXPECT_GE(label->Height(), 16);
  label->SetImageIndex(-3);
  EXPECT_EQ(label->ImageIndex(), 0);

  TQELGlyphTextLayout below;
  below.SetAlignText2Glyph(taBottom);
  const int h = label->Height();
  label->SetAlignment(&below);
  EXPECT_EQ(label->Width(), text_width);
  EXPECT_GT(label->Height(), h);

  // An opaque label paints its colour; the image's mark shows through.
  label->SetTransparent(false);
  label->SetColor(0x00FF00);
  label->SetParentColor(false);
  const QImage img = form.Handle()->grab(QRect(label->Left(), label->Top(), label->Width(), label->Height())).toImage();
  EXPECT_EQ(img.pixel(0, img.height() - 1) & 0xFFFFFF, 0x00FF00u);
}

TEST(GlyphLabel, BlinkingRunsOnThePoolAndStopsWithTheLabel) {
  vcl::TForm form(nullptr);
  auto *label = new TQELGlyphLabel(&form);
  label->SetBlinking(true);
  ASSERT_TRUE(label->Blinking());
  // The timer the label holds: find it among the pool's identifiers.
  TQELTimerItem *item = nullptr;
  for (int id = 0xFD01; id <= 0xFDFA && item == nullptr; ++id)
    if (auto *it = QELApplication()->GetTimerItem(static_cast<Word>(id)); it != nullptr && it->Interval() == 700)
      item = it;
  ASSERT_NE(item, nullptr);
  item->Handler(nullptr);
  EXPECT_FALSE(label->BlinkVisible());
  label->SetBlinking(false);
  EXPECT_TRUE(label->BlinkVisible());
  label->SetBlinking(true);
  delete label;  // releases its timer: no tick reaches a freed label
  for (int id = 0xFD01; id <= 0xFDFA; ++id) {
    if (auto *it = QELApplication()->GetTimerItem(static_cast<Word>(id)); it != nullptr) {
      EXPECT_NE(it->Interval(), 700);
    }
  }
}

TEST(GlyphLabel, AcceleratorFocusesTheControlAndBoundsChangesAreReported) {
  vcl::TForm form(nullptr);
  auto *target = new TQELSimplePanel(&form);
  target->SetParent(&form);
  target->SetTabStop(true);
  auto *label = new TQELGlyphLabel(&form);
  label->SetParent(&form);
  label->SetCaption(QStringLiteral("&Quantità"));
  label->SetFocusControl(target);
  EXPECT_EQ(label->Perform(vcl::CM_DIALOGCHAR, 'x'), 0);
  EXPECT_EQ(label->Perform(vcl::CM_DIALOGCHAR, 'q'), 1);
  label->SetShowAccelChar(false);
  EXPECT_EQ(label->Perform(vcl::CM_DIALOGCHAR, 'q'), 0);
  delete target;
  EXPECT_EQ(label->FocusControl(), nullptr);

  std::vector<int> changes;
  label->OnBoundsChange = [&](rtl::TObject *, int c) { changes.push_back(c); };
  label->SetAutoSize(false);
  label->SetBounds(5, 5, label->Width(), label->Height());
  label->SetBounds(5, 5, 50, 20);
  label->SetBounds(5, 5, 50, 20);
  label->SetBounds(6, 6, 60, 20);
  EXPECT_EQ(changes, (std::vector<int>{bcPosition, bcSize, bcSize | bcPosition}));
}
