// The alignment palette (see kvalignform.h).
#include "report/designer/kvalignform.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "platform/vcl/messages.h"
#include "report/designer/kvdesigner.h"
#include "report/designer/kvdsgneditors.h"
#include "report/engine/prepare/kvpages.h"

namespace report {

namespace {

const char *const kHints[kvAlignmentCount] = {"Allinea al bordo sinistro",
                                              "Allinea orizzontalmente centrando",
                                              "Centra orizzontalmente nella finestra",
                                              "Spazi uniformi orizzontalmente",
                                              "Allinea al bordo destro",
                                              "Allinea in alto",
                                              "Allinea verticalmente centrando",
                                              "Centra verticalmente nella finestra",
                                              "Spazi uniformi veticalmente",
                                              "Allinea in basso"};

constexpr int kGlyph = 16;
constexpr int kButton = 25;
constexpr int kColumns = 5;
constexpr QRgb kTransparent = 0xFF00FF;  // the glyph's background (bottom-left pixel)

// NOLINTBEGIN(readability-magic-numbers)
// A glyph of the horizontal alignments: bars (objects) against a guide
// line; the vertical ones are the same picture turned.
QImage HorizontalGlyph(TkvAlignment a) {
  QImage image(kGlyph, kGlyph, QImage::Format_RGB32);
  image.fill(kTransparent);
  QPainter p(&image);
  const QColor guide(0, 0, 128);
  const QColor bar(96, 96, 96);
  auto bars = [&p, &bar](const int(&xs)[3][2]) {
    for (int i = 0; i < 3; ++i) p.fillRect(xs[i][0], 2 + i * 5, xs[i][1], 3, bar);
  };
  switch (a) {
    case TkvAlignment::Left: {
      p.fillRect(1, 0, 1, kGlyph, guide);
      const int xs[3][2] = {{3, 10}, {3, 6}, {3, 12}};
      bars(xs);
      break;
    }
    case TkvAlignment::Right: {
      p.fillRect(14, 0, 1, kGlyph, guide);
      const int xs[3][2] = {{4, 10}, {8, 6}, {2, 12}};
      bars(xs);
      break;
    }
    case TkvAlignment::CentresHorz: {
      const int xs[3][2] = {{3, 10}, {5, 6}, {2, 12}};
      bars(xs);
      p.fillRect(7, 0, 2, kGlyph, guide);
      break;
    }
    case TkvAlignment::CentreInPageHorz: {
      // The window's sides stop short of the corners: the bottom-left
      // pixel (of this glyph and of it turned) is the background.
      p.fillRect(0, 1, 1, kGlyph - 2, guide);
      p.fillRect(15, 1, 1, kGlyph - 2, guide);
      p.fillRect(5, 5, 6, 6, bar);
      break;
    }
    default: {  // spreading
      for (int i = 0; i < 3; ++i) p.fillRect(1 + i * 5, 3 + (i % 2) * 4, 3, 6, bar);
      p.fillRect(0, 14, kGlyph, 1, guide);
      break;
    }
  }
  return image;
}
// NOLINTEND(readability-magic-numbers)

TkvAlignment HorizontalOf(TkvAlignment a) {
  switch (a) {
    case TkvAlignment::Top:
      return TkvAlignment::Left;
    case TkvAlignment::Bottom:
      return TkvAlignment::Right;
    case TkvAlignment::CentresVert:
      return TkvAlignment::CentresHorz;
    case TkvAlignment::CentreInPageVert:
      return TkvAlignment::CentreInPageHorz;
    case TkvAlignment::SpreadVert:
      return TkvAlignment::SpreadHorz;
    default:
      return a;
  }
}

// The vertical alignments' glyphs: the horizontal ones mirrored on the
// diagonal, so that a left edge becomes a top edge.
QImage Glyph(TkvAlignment a) {
  const QImage image = HorizontalGlyph(HorizontalOf(a));
  if (HorizontalOf(a) == a) return image;
  QImage turned(image.height(), image.width(), image.format());
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) turned.setPixel(y, x, image.pixel(x, y));
  }
  return turned;
}

}  // namespace

TAlignForm::TAlignForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("AlignForm"));
  SetCaption(QStringLiteral("Allineamento"));
  SetBorderStyle(vcl::bsToolWindow);
  SetFormStyle(vcl::fsStayOnTop);
  SetKeyPreview(true);
  SetBounds(0, 0, kColumns * kButton + 4, 2 * kButton + 4);
  for (int i = 0; i < kvAlignmentCount; ++i) {
    auto *button = new vcl::TSpeedButton(this);
    button->SetParent(this);
    button->SetName(QStringLiteral("B%1").arg(i));
    button->SetFlat(true);
    button->SetHint(QString::fromUtf8(kHints[i]));
    button->SetShowHint(true);
    const auto alignment = static_cast<TkvAlignment>(i);
    vcl::TBitmap glyph;
    glyph.SetImage(Glyph(alignment));
    button->SetGlyph(&glyph);
    button->SetBounds(2 + (i % kColumns) * kButton, 2 + (i / kColumns) * kButton, kButton, kButton);
    button->OnClick = [this, alignment](rtl::TObject *) { Apply(alignment); };
    B[static_cast<size_t>(i)] = button;
  }
}

bool TAlignForm::Apply(TkvAlignment alignment) {
  if (!Target.Selection || !Target.Page) return false;
  TkvPage *page = Target.Page();
  if (page == nullptr) return false;
  const std::vector<TkvView *> selected = Target.Selection();
  TkvView *clicked = Target.ClickedLast ? Target.ClickedLast() : nullptr;
  const bool moved = KvAlignViews(selected, KvAlignmentReference(selected, clicked), alignment, page->WidthPixels(),
                                  page->HeightPixels());
  if (moved && Target.Changed) Target.Changed();
  return moved;
}

void TAlignForm::SetVisible(bool visible) {
  QPointer<QWidget> active = QApplication::activeWindow();
  vcl::TForm::SetVisible(visible);
  if (visible && active != nullptr && active != Handle()) active->activateWindow();
}

void TAlignForm::KeyDown(int &key, vcl::TShiftState shift) {
  vcl::TForm::KeyDown(key, shift);
  if (!OnFunctionKey || key < vcl::VK_F1 || key > vcl::VK_F12) return;
  // Posted, so the designer handles it once this key is over.
  QTimer::singleShot(0, Handle(), [this, vk = key, shift] {
    if (OnFunctionKey) OnFunctionKey(vk, shift);
  });
  key = 0;
}

void KvInstallAlignmentPalette() {
  KvAlignmentPaletteClass() = [](TKVDesignerForm *designer) -> vcl::TForm * {
    auto *palette = new TAlignForm(designer);
    palette->Target.Selection = [designer] { return designer->Model().Selected(); };
    palette->Target.ClickedLast = [designer] { return designer->Model().Clicked(); };
    palette->Target.Page = [designer] { return designer->Model().Page(); };
    palette->Target.Changed = [designer] {
      designer->SelectionFollows();
      designer->AfterChange();
    };
    palette->OnFunctionKey = [designer](int key, vcl::TShiftState shift) { designer->FormKeyDown(key, shift); };
    return palette;
  };
}

}  // namespace report
