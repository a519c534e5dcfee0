// The form styler on an offscreen form: the caption text it takes and gives
// back, when it paints and when it leaves the caption to the platform, the
// gradient and text colours of the bar, and its message answers.
#include <gtest/gtest.h>

#include <QWidget>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelformstyler.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/forms.h"

using namespace qel;

namespace {

QRgb Px(const vcl::TBitmap *b, int x, int y) { return b->Image().pixel(x, y) & 0xFFFFFF; }
QRgb Rgb(TColor c) { return vcl::ColorToQColor(vcl::ColorToRGB(c)).rgb() & 0xFFFFFF; }

struct ShownForm {
  vcl::TForm form{nullptr};
  ShownForm() {
    form.SetBounds(0, 0, 300, 200);
    form.SetCaption(QStringLiteral("Giacenze"));
    form.Show();
  }
  ~ShownForm() { form.Hide(); }
};

}  // namespace

TEST(FormStyler, KeepsTheCaptionTextWhileEnabledAndGivesItBack) {
  ShownForm f;
  auto *styler = new TQELFormStyler(&f.form);
  ASSERT_TRUE(styler->Hooked());
  EXPECT_EQ(f.form.Caption(), QStringLiteral("Giacenze"));  // the default reads the form's caption

  styler->SetOptions(styler->Options() - TQELFormStyleOptions{fsUseFormCaption});
  EXPECT_EQ(f.form.Caption(), QStringLiteral(" "));
  EXPECT_EQ(styler->Text(), QStringLiteral("Giacenze"));
  QString buffer;
  EXPECT_EQ(f.form.Perform(vcl::WM_GETTEXT, 64, reinterpret_cast<vcl::LPARAM>(&buffer)), 1);
  EXPECT_EQ(buffer, QStringLiteral(" "));
  EXPECT_EQ(f.form.Perform(WM_GETTEXTLENGTH), 1);

  styler->SetEnabled(false);
  EXPECT_EQ(f.form.Caption(), QStringLiteral("Giacenze"));
  styler->SetEnabled(true);
  EXPECT_EQ(f.form.Caption(), QStringLiteral(" "));
  delete styler;
  EXPECT_EQ(f.form.Caption(), QStringLiteral("Giacenze"));
}

TEST(FormStyler, LeavesGradientCaptionsToTheSystemOnDeepDisplays) {
  ShownForm f;
  auto *styler = new TQELFormStyler(&f.form);
  EXPECT_EQ(TQELFormStyler::OptionBits(styler->Options()), 99u);
  const bool deep = ColorDepth() > 8;
  EXPECT_EQ(styler->PaintCaption(true), !deep);
  styler->SetSystemGradient(false);
  EXPECT_TRUE(styler->PaintCaption(true));
  styler->SetSystemGradient(true);
  styler->SetOptions(styler->Options() - TQELFormStyleOptions{fsCheckSystemGradient});
  EXPECT_TRUE(styler->PaintCaption(true));
  styler->SetPaintMode(pcNone);
  EXPECT_FALSE(styler->PaintCaption(true));
}

TEST(FormStyler, ActiveBarRunsFromBlackToTheCaptionColourWithWhiteText) {
  ShownForm f;
  auto *styler = new TQELFormStyler(&f.form);
  styler->SetOptions({fsUseDefaultFont, fsUseFormCaption});
  f.form.Perform(WM_NCACTIVATE, 1);
  ASSERT_TRUE(styler->ActiveCaption());
  const vcl::TBitmap *bar = styler->Bar();
  ASSERT_FALSE(bar->Empty());
  EXPECT_EQ(bar->Width(), f.form.ClientWidth());
  EXPECT_EQ(bar->Height(), GetSystemMetrics(SM_CYCAPTION));
  // The icon area keeps what lies under it; the gradient starts after it
  // only in the bar's painting order, so the far right shows the caption
  // colour and the text area's start is near black.
  const QRgb right = Px(bar, bar->Width() - 1, bar->Height() / 2);
  EXPECT_EQ(right, Rgb(vcl::clActiveCaption));
  const TRect text = styler->TextRect();
  EXPECT_GT(text.Left, 0);
  // Some text pixel is white when the caption text colour is black.
  if ((vcl::ColorToRGB(vcl::clCaptionText) & 0xFFFFFF) == 0) {
    bool white = false;
    for (int y = text.Top; y < text.Bottom && !white; ++y)
      for (int x = text.Left; x < text.Left + 40 && !white; ++x) white = Px(bar, x, y) == 0xFFFFFFu;
    EXPECT_TRUE(white);
  }
  // The bar shows on the form's client top.
  const QImage shot = f.form.Handle()->grab().toImage();
  EXPECT_EQ(shot.pixel(bar->Width() - 1, bar->Height() / 2) & 0xFFFFFF, right);
}

TEST(FormStyler, InactiveFormKeepsThePlatformCaptionUnlessAskedOtherwise) {
  ShownForm f;
  auto *styler = new TQELFormStyler(&f.form);
  styler->SetOptions({fsUseDefaultFont, fsUseFormCaption});
  f.form.Perform(WM_NCACTIVATE, 1);
  const int painted = styler->PaintCount();
  EXPECT_EQ(f.form.Perform(WM_NCACTIVATE, 0), 1);
  EXPECT_FALSE(styler->ActiveCaption());
  EXPECT_EQ(styler->PaintCount(), painted);
  EXPECT_EQ(f.form.Perform(WM_NCPAINT), 0);
  EXPECT_EQ(styler->PaintCount(), painted);

  styler->SetOptions({fsUseDefaultFont, fsUseFormCaption, fsInactiveGradient});
  f.form.Perform(WM_NCPAINT);
  EXPECT_GT(styler->PaintCount(), painted);
  const vcl::TBitmap *bar = styler->Bar();
  EXPECT_EQ(Px(bar, bar->Width() - 1, 2), Rgb(vcl::clInactiveCaption));
}

TEST(FormStyler, OwnerDrawHandsTheBarAndTextRectanglesToTheEvents) {
  ShownForm f;
  auto *styler = new TQELFormStyler(&f.form);
  styler->SetOptions({fsAdjustRect, fsUseFormCaption});
  TRect bar_rect{}, text_rect{};
  styler->OnPaint = [&](rtl::TObject *, TCanvas *c, const TRect &r) {
    bar_rect = r;
    c->Brush()->SetColor(0x0000FF);
    c->FillRect(TRect{0, 0, 1000, 1000});  // clipped to the bar rectangle
  };
  styler->OnCaptionPaint = [&](rtl::TObject *, TCanvas *, const TRect &r) { text_rect = r; };
  styler->SetPaintMode(pcOwnerDraw);
  f.form.Perform(WM_NCACTIVATE, 1);
  EXPECT_EQ(text_rect, styler->TextRect());
  // With an icon in the bar the owner's rectangle starts at the text.
  EXPECT_EQ(bar_rect.Left, styler->TextRect().Left);
  EXPECT_NE(Px(styler->Bar(), 0, 2), Rgb(0x0000FF));
  EXPECT_EQ(Px(styler->Bar(), bar_rect.Left + 1, 2), Rgb(0x0000FF));

  EXPECT_THROW(styler->SetColors(1), rtl::ERangeError);
  EXPECT_EQ(styler->Colors(), 32);
}

TEST(FormStyler, OneStylerPerFormWhileDesigningAndNoHookThere) {
  vcl::TForm form(nullptr);
  form.SetDesigning(true);
  auto *first = new TQELFormStyler(&form);
  EXPECT_FALSE(first->Hooked());
  EXPECT_FALSE(first->PaintCaption(true));
  EXPECT_THROW(new TQELFormStyler(&form), QELEOneInstError);
  EXPECT_EQ(form.ComponentCount(), 1);
}
