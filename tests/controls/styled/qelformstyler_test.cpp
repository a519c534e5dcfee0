// The form styler on an offscreen form: the caption text it takes and gives
// back, when it paints and when it leaves the caption to the platform, the
// gradient and text colours of the bar, and its message answers; the frame
// it draws on a frameless window, whose caption moves the window, whose
// borders size it and whose buttons close, minimise and maximise it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <QWidget>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelformstyler.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

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
  // The bar shows in its place in the window, over the frame's top.
  const QImage shot = f.form.Handle()->grab().toImage();
  const TRect place = styler->BarRect();
  EXPECT_EQ(place.Left, GetSystemMetrics(SM_CXFRAME));
  const int x = (text.Left + text.Right) / 2, y = 1;
  EXPECT_EQ(shot.pixel(place.Left + x, place.Top + y) & 0xFFFFFF, Px(bar, x, y));
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
  try {
    new TQELFormStyler(&form);
    ADD_FAILURE() << "a second styler was made";
  } catch (const QELEOneInstError &e) {
    EXPECT_EQ(e.Message(), "TQELFormStyler:\rInvalid owner (<>TForm) or second instance on a form");
  }
  EXPECT_EQ(form.ComponentCount(), 1);

  // An owner that is not a form is refused alike; at run time nothing is checked.
  vcl::TDataModule module(nullptr);
  module.SetDesigning(true);
  EXPECT_THROW(new TQELFormStyler(&module), QELEOneInstError);
  EXPECT_EQ(module.ComponentCount(), 0);
  vcl::TDataModule running(nullptr);
  EXPECT_NO_THROW(new TQELFormStyler(&running));
}

namespace {

// A shown form whose styler draws the window's frame (no system gradient
// check, as on a display of 256 colours).
struct FramedForm : ShownForm {
  TQELFormStyler *styler = new TQELFormStyler(&form);
  FramedForm() { styler->SetOptions({fsAdjustRect, fsUseDefaultFont, fsUseFormCaption}); }
  QPoint Center(const TRect &r) const { return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }
  QWidget *Window() { return form.Handle(); }
};

}  // namespace

TEST(FormStylerFrame, TheWindowLosesTheSystemFrameAndTheClientAreaLiesInside) {
  FramedForm f;
  ASSERT_TRUE(f.styler->OwnsFrame());
  EXPECT_TRUE(f.Window()->windowFlags().testFlag(Qt::FramelessWindowHint));
  const int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
  const int top = fy + GetSystemMetrics(SM_CYCAPTION);
  EXPECT_EQ(f.form.OwnFrame(), vcl::Rect(fx, top, fx, fy));
  EXPECT_EQ(f.form.ClientWidth(), 300 - 2 * fx);
  EXPECT_EQ(f.form.ClientHeight(), 200 - top - fy);
  EXPECT_EQ(f.form.Width(), 300);  // the window keeps its size

  // A control at the client's top-left stands inside the frame, and the
  // form's own mouse events come in client coordinates.
  auto *button = new vcl::TButton(&f.form);
  button->SetParent(&f.form);
  button->SetBounds(0, 0, 60, 20);
  EXPECT_EQ(button->Handle()->pos(), QPoint(fx, top));
  vcl::TPoint down{-1, -1};
  f.form.OnMouseDown = [&](rtl::TObject *, vcl::TMouseButton, vcl::TShiftState, int x, int y) { down = {x, y}; };
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, QPoint(fx + 100, top + 50));
  EXPECT_EQ(down, vcl::Point(100, 50));
  // The frame is not the client's: a click there raises nothing.
  down = {-1, -1};
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, QPoint(1, 100));
  EXPECT_EQ(down, vcl::Point(-1, -1));

  // Where the mouse is.
  EXPECT_EQ(f.styler->HitTest(vcl::Point(150, fy + 5)), fhCaption);
  EXPECT_EQ(f.styler->HitTest(vcl::Point(fx + 10, top + 10)), fhClient);
  EXPECT_EQ(f.styler->HitTest(vcl::Point(1, 100)), fhLeft);
  EXPECT_EQ(f.styler->HitTest(vcl::Point(299, 100)), fhRight);
  EXPECT_EQ(f.styler->HitTest(vcl::Point(150, 199)), fhBottom);
  EXPECT_EQ(f.styler->HitTest(vcl::Point(299, 199)), fhBottomRight);
  EXPECT_EQ(f.styler->HitTest(vcl::Point(0, 0)), fhTopLeft);
  for (TQELFrameHit b : {fhClose, fhMaximize, fhMinimize}) {
    const TRect r = f.styler->ButtonRect(b);
    ASSERT_FALSE(r.IsEmpty()) << b;
    EXPECT_EQ(f.styler->HitTest(vcl::Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2)), b);
  }
  EXPECT_TRUE(f.styler->ButtonRect(fhHelp).IsEmpty());
  // Close at the bar's right end; the pair side by side, 2 pixels left of it.
  EXPECT_EQ(f.styler->ButtonRect(fhClose).Right, f.styler->BarRect().Right - 2);
  EXPECT_EQ(f.styler->ButtonRect(fhMaximize).Right + 2, f.styler->ButtonRect(fhClose).Left);
  EXPECT_EQ(f.styler->ButtonRect(fhMinimize).Right, f.styler->ButtonRect(fhMaximize).Left);

  // What is painted: the face-coloured border and the raised edge.
  const QImage shot = f.Window()->grab().toImage();
  EXPECT_EQ(shot.pixel(2, 100) & 0xFFFFFF, Rgb(vcl::clBtnFace));
  EXPECT_EQ(shot.pixel(299, 100) & 0xFFFFFF, Rgb(vcl::cl3DDkShadow));

  // Disabled, the styler gives the frame back.
  f.styler->SetEnabled(false);
  EXPECT_FALSE(f.styler->OwnsFrame());
  EXPECT_FALSE(f.Window()->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(f.form.ClientWidth(), 300);
  EXPECT_EQ(button->Handle()->pos(), QPoint(0, 0));
  EXPECT_EQ(f.styler->HitTest(vcl::Point(1, 100)), fhNowhere);
}

TEST(FormStylerFrame, TheCloseButtonClosesTheForm) {
  FramedForm f;
  int closing = 0;
  f.form.OnClose = [&](rtl::TObject *, vcl::TCloseAction &) { ++closing; };
  const QPoint close = f.Center(f.styler->ButtonRect(fhClose));
  // Pressed and let go elsewhere: nothing.
  QTest::mousePress(f.Window(), Qt::LeftButton, {}, close);
  QTest::mouseMove(f.Window(), close + QPoint(0, 40));
  QTest::mouseRelease(f.Window(), Qt::LeftButton, {}, close + QPoint(0, 40));
  EXPECT_EQ(closing, 0);
  EXPECT_TRUE(f.form.Visible());
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, close);
  EXPECT_EQ(closing, 1);
  EXPECT_FALSE(f.form.Visible());
}

TEST(FormStylerFrame, ACaptionedDialogClosedByItsCloseButtonIsCancelled) {
  vcl::TForm form(nullptr);
  form.SetBounds(100, 100, 240, 120);
  form.SetBorderStyle(vcl::bsDialog);
  auto *styler = new TQELFormStyler(&form);
  styler->SetOptions({fsUseDefaultFont, fsUseFormCaption});
  ASSERT_TRUE(styler->OwnsFrame());
  // A dialog shows only the close button, and no icon.
  EXPECT_TRUE(styler->ButtonRect(fhMinimize).IsEmpty());
  EXPECT_EQ(styler->HitTest(vcl::Point(1, 60)), fhBorder);  // a dialog's border does not size
  QTimer::singleShot(50, [&] {
    const TRect r = styler->ButtonRect(fhClose);
    QTest::mouseClick(form.Handle(), Qt::LeftButton, {}, QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
  });
  EXPECT_EQ(form.ShowModal(), vcl::mrCancel);
}

TEST(FormStylerFrame, DraggingTheCaptionMovesTheFormAndTheBorderSizesIt) {
  FramedForm f;
  f.form.SetBounds(100, 80, 300, 200);
  const QPoint grip(150, GetSystemMetrics(SM_CYFRAME) + 6);
  QTest::mousePress(f.Window(), Qt::LeftButton, {}, grip);
  QTest::mouseMove(f.Window(), grip + QPoint(30, 20));
  QTest::mouseRelease(f.Window(), Qt::LeftButton, {}, grip + QPoint(30, 20));
  EXPECT_EQ(f.form.Left(), 130);
  EXPECT_EQ(f.form.Top(), 100);
  EXPECT_EQ(f.form.Width(), 300);

  // The right border makes the window wider; the client area follows.
  const QPoint edge(299, 100);
  QTest::mousePress(f.Window(), Qt::LeftButton, {}, edge);
  QTest::mouseMove(f.Window(), edge + QPoint(40, 0));
  QTest::mouseRelease(f.Window(), Qt::LeftButton, {}, edge + QPoint(40, 0));
  EXPECT_EQ(f.form.Width(), 340);
  EXPECT_EQ(f.form.Left(), 130);
  EXPECT_EQ(f.form.ClientWidth(), 340 - 2 * GetSystemMetrics(SM_CXFRAME));
  // Never smaller than a caption's worth.
  const QPoint corner(339, 199);
  QTest::mousePress(f.Window(), Qt::LeftButton, {}, corner);
  QTest::mouseMove(f.Window(), corner - QPoint(500, 500));
  QTest::mouseRelease(f.Window(), Qt::LeftButton, {}, corner - QPoint(500, 500));
  EXPECT_GE(f.form.Width(), 100);
  EXPECT_GE(f.form.Height(), 27);
}

TEST(FormStylerFrame, TheOtherButtonsAndADoubleClickMaximiseMinimiseAndRestore) {
  FramedForm f;
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, f.Center(f.styler->ButtonRect(fhMaximize)));
  EXPECT_EQ(f.form.WindowState(), vcl::wsMaximized);
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, f.Center(f.styler->ButtonRect(fhMaximize)));
  EXPECT_EQ(f.form.WindowState(), vcl::wsNormal);
  QTest::mouseDClick(f.Window(), Qt::LeftButton, {}, QPoint(120, GetSystemMetrics(SM_CYFRAME) + 6));
  EXPECT_EQ(f.form.WindowState(), vcl::wsMaximized);
  f.form.SetWindowState(vcl::wsNormal);
  // A button the form does not allow shows but does nothing.
  f.form.SetBorderIcons({vcl::biSystemMenu, vcl::biMaximize});
  EXPECT_FALSE(f.styler->ButtonEnabled(fhMinimize));
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, f.Center(f.styler->ButtonRect(fhMinimize)));
  EXPECT_NE(f.form.WindowState(), vcl::wsMinimized);
  f.form.SetBorderIcons({vcl::biSystemMenu, vcl::biMinimize, vcl::biMaximize});
  QTest::mouseClick(f.Window(), Qt::LeftButton, {}, f.Center(f.styler->ButtonRect(fhMinimize)));
  EXPECT_EQ(f.form.WindowState(), vcl::wsMinimized);
}
