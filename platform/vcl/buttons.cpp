// Buttons with pictures (see buttons.h).
#include "platform/vcl/buttons.h"

#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <algorithm>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

void LayoutGlyphAndText(const TRect &client, const TSize &glyph, const TSize &text, TButtonLayout layout, int margin,
                        int spacing, TPoint &glyph_pos, TRect &text_rect) {
  const int cw = client.Right - client.Left;
  const int ch = client.Bottom - client.Top;
  const bool has_glyph = glyph.cx > 0 && glyph.cy > 0;
  const bool has_text = text.cx > 0;
  if (!has_glyph || !has_text) spacing = 0;
  const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  const int avail = horizontal ? cw : ch;
  const int gsize = horizontal ? glyph.cx : glyph.cy;
  const int tsize = horizontal ? text.cx : text.cy;
  if (margin == -1) {
    if (spacing == -1) {
      const int total = gsize + tsize;
      margin = (avail - total) / 3;
      spacing = margin;
    } else {
      margin = (avail - (gsize + tsize + spacing)) / 2;
    }
  } else if (spacing == -1) {
    spacing = (avail - margin - gsize - tsize) / 2;
  }
  // Across the layout direction both are centred.
  int gx = client.Left + (cw - glyph.cx) / 2, gy = client.Top + (ch - glyph.cy) / 2;
  int tx = client.Left + (cw - text.cx) / 2, ty = client.Top + (ch - text.cy) / 2;
  switch (layout) {
    case blGlyphLeft:
      gx = client.Left + margin;
      tx = gx + glyph.cx + spacing;
      break;
    case blGlyphRight:
      gx = client.Right - margin - glyph.cx;
      tx = gx - spacing - text.cx;
      break;
    case blGlyphTop:
      gy = client.Top + margin;
      ty = gy + glyph.cy + spacing;
      break;
    case blGlyphBottom:
      gy = client.Bottom - margin - glyph.cy;
      ty = gy - spacing - text.cy;
      break;
  }
  glyph_pos = Point(gx, gy);
  text_rect = Bounds(tx, ty, text.cx, text.cy);
}

QImage GlyphImage(const TBitmap *glyph, int num_glyphs, TButtonState state) {
  if (glyph == nullptr || glyph->Empty()) return QImage();
  num_glyphs = std::clamp(num_glyphs, 1, 4);
  const int w = glyph->Width() / num_glyphs;
  int index = static_cast<int>(state);
  const bool make_disabled = state == bsDisabled && num_glyphs < 2;
  if (index >= num_glyphs) index = 0;
  if (make_disabled) index = 0;
  QImage cell = glyph->Image().copy(index * w, 0, w, glyph->Height()).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = glyph->Image().pixel(0, glyph->Height() - 1) | 0xFF000000u;
  const QRgb shadow = ColorToQColor(clBtnShadow).rgb();
  for (int y = 0; y < cell.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(cell.scanLine(y));
    for (int x = 0; x < cell.width(); ++x) {
      if ((line[x] | 0xFF000000u) == key)
        line[x] = 0;
      else if (make_disabled && qGray(line[x]) < 192)
        line[x] = shadow;
      else if (make_disabled)
        line[x] = 0;
    }
  }
  return cell;
}

namespace {

// The symbol drawn for a standard kind without a glyph of its own.
QImage KindGlyph(TBitBtnKind kind) {
  if (kind == bkCustom) return QImage();
  QImage img(16, 16, QImage::Format_ARGB32);
  img.fill(0);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  auto pen = [&p](QColor c) { p.setPen(QPen(c, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)); };
  switch (kind) {
    case bkOK:
    case bkYes:
    case bkAll:
      pen(QColor(0, 128, 0));
      p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(7, 12), QPointF(13, 4)}));
      break;
    case bkCancel:
    case bkNo:
    case bkAbort:
      pen(QColor(192, 0, 0));
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
    case bkHelp:
      pen(QColor(0, 0, 160));
      p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
      break;
    case bkClose:
      pen(QColor(128, 128, 0));
      p.drawRect(QRectF(3, 2, 8, 12));
      p.drawLine(QPointF(11, 8), QPointF(15, 8));
      break;
    case bkRetry:
      pen(QColor(0, 128, 128));
      p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 300 * 16);
      break;
    case bkIgnore:
      pen(QColor(96, 96, 96));
      p.drawLine(QPointF(3, 8), QPointF(13, 8));
      break;
    case bkCustom:
      break;
  }
  return img;
}

class BitBtnWidget : public TControlWidget<QPushButton> {
 public:
  BitBtnWidget(TBitBtn *btn, QWidget *parent) : TControlWidget<QPushButton>(btn, parent), btn_(btn) {}

 protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
    if (Control() != nullptr) btn_->PaintFace(&p, rect(), isDown());
    if (hasFocus()) support::DrawFocusMark(p, rect(), palette().color(QPalette::ButtonText));
  }

 private:
  TBitBtn *btn_;
};

}  // namespace

// --- TBitBtn ----------------------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent *owner) : TButton(owner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TGraphic *) { Invalidate(); };
}

TBitBtn::~TBitBtn() = default;

QWidget *TBitBtn::CreateWidget(QWidget *parent_widget) {
  auto *b = new BitBtnWidget(this, parent_widget);
  b->setAutoDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [this] { ReportFailures(this, [this] { Click(); }); });
  return b;
}

void TBitBtn::SetTextInWidget(const QString &text) {
  // The face paints the caption; Qt keeps it only for accessibility.
  if (widget_ != nullptr) {
    static_cast<QPushButton *>(widget_)->setText(text);
    widget_->update();
  }
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  kind_ = kind;
  switch (kind) {
    case bkCustom:
      Invalidate();
      return;
    case bkOK:
      SetCaption(ButtonCaption(mbOK)), SetModalResult(mrOk), SetDefault(true);
      break;
    case bkCancel:
      SetCaption(ButtonCaption(mbCancel)), SetModalResult(mrCancel), SetCancel(true);
      break;
    case bkHelp:
      SetCaption(ButtonCaption(mbHelp)), SetModalResult(mrNone);
      break;
    case bkYes:
      SetCaption(ButtonCaption(mbYes)), SetModalResult(mrYes), SetDefault(true);
      break;
    case bkNo:
      SetCaption(ButtonCaption(mbNo)), SetModalResult(mrNo), SetCancel(true);
      break;
    case bkClose:
      SetCaption(QStringLiteral("&Chiudi")), SetModalResult(mrNone);
      break;
    case bkAbort:
      SetCaption(ButtonCaption(mbAbort)), SetModalResult(mrAbort);
      break;
    case bkRetry:
      SetCaption(ButtonCaption(mbRetry)), SetModalResult(mrRetry);
      break;
    case bkIgnore:
      SetCaption(ButtonCaption(mbIgnore)), SetModalResult(mrIgnore);
      break;
    case bkAll:
      SetCaption(ButtonCaption(mbAll)), SetModalResult(mrAll);
      break;
  }
  Invalidate();
}

void TBitBtn::SetGlyph(const TBitmap *glyph) {
  glyph_->Assign(glyph);
  if (glyph != nullptr && !glyph->Empty() && glyph->Height() > 0) {
    // A strip of square cells tells how many images it holds.
    const int cells = glyph->Width() / glyph->Height();
    if (cells >= 1 && cells <= 4 && glyph->Width() % glyph->Height() == 0) num_glyphs_ = cells;
  }
  Invalidate();
}

void TBitBtn::SetNumGlyphs(int value) {
  num_glyphs_ = std::clamp(value, 1, 4);
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
  layout_ = value;
  Invalidate();
}

void TBitBtn::SetSpacing(int value) {
  spacing_ = value;
  Invalidate();
}

void TBitBtn::SetMargin(int value) {
  margin_ = value;
  Invalidate();
}

void TBitBtn::Click() {
  TCustomForm *form = GetParentForm();
  TButton::Click();
  if (kind_ == bkClose && form != nullptr) form->Close();
}

void TBitBtn::PaintFace(QPainter *painter, const QRect &rect, bool down) {
  QImage glyph = !glyph_->Empty()
                     ? GlyphImage(glyph_.get(), num_glyphs_, Enabled() ? (down ? bsDown : bsUp) : bsDisabled)
                     : KindGlyph(kind_);
  const QFont font = Font()->ToQFont();
  const QFontMetrics fm(font, painter->device());
  const QString shown = Caption();
  const int tw = shown.isEmpty() ? 0 : fm.horizontalAdvance(QString(shown).remove(u'&'));
  TPoint gp;
  TRect tr;
  TRect client = FromQRect(rect.adjusted(3, 3, -3, -3));
  if (down) OffsetRect(client, 1, 1);
  LayoutGlyphAndText(client, TSize{glyph.width(), glyph.height()}, TSize{tw, fm.height()}, layout_, margin_, spacing_,
                     gp, tr);
  if (!glyph.isNull()) painter->drawImage(gp.X, gp.Y, glyph);
  if (!shown.isEmpty()) {
    painter->setFont(font);
    painter->setPen(Enabled() ? ColorToQColor(Font()->Color()) : ColorToQColor(clGrayText));
    painter->drawText(ToQRect(tr).adjusted(-2, 0, 2, 0), Qt::AlignCenter | Qt::TextShowMnemonic, shown);
  }
}

// --- TSpeedButton -------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent *owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 23, 22);
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks, csOpaque, csClickEvents});
  glyph_->OnChange = [this](TGraphic *) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGroupIndex(int value) {
  group_index_ = value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
  if (group_index_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !value && !allow_all_up_) return;  // one of the group stays down
  down_ = value;
  if (value) UpdateExclusive();
  Invalidate();
}

void TSpeedButton::SetAllowAllUp(bool value) {
  allow_all_up_ = value;
  // The whole group shares the setting.
  if (Parent() != nullptr && group_index_ != 0)
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto *b = dynamic_cast<TSpeedButton *>(Parent()->Controls(i));
          b != nullptr && b != this && b->group_index_ == group_index_)
        b->allow_all_up_ = value;
}

void TSpeedButton::UpdateExclusive() {
  if (!down_ || group_index_ == 0 || Parent() == nullptr) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto *b = dynamic_cast<TSpeedButton *>(Parent()->Controls(i));
        b != nullptr && b != this && b->group_index_ == group_index_ && b->down_) {
      b->down_ = false;
      b->Invalidate();
    }
}

void TSpeedButton::SetFlat(bool value) {
  flat_ = value;
  Invalidate();
}

void TSpeedButton::SetGlyph(const TBitmap *glyph) {
  glyph_->Assign(glyph);
  if (glyph != nullptr && !glyph->Empty() && glyph->Height() > 0) {
    const int cells = glyph->Width() / glyph->Height();
    if (cells >= 1 && cells <= 4 && glyph->Width() % glyph->Height() == 0) num_glyphs_ = cells;
  }
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
  num_glyphs_ = std::clamp(value, 1, 4);
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  layout_ = value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
  spacing_ = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value) {
  margin_ = value;
  Invalidate();
}

TButtonState TSpeedButton::State() const {
  if (!Enabled()) return bsDisabled;
  if (pressed_) return bsDown;
  if (down_) return bsExclusive;
  return bsUp;
}

void TSpeedButton::Click() {
  if (group_index_ != 0) {
    if (!down_)
      SetDown(true);
    else if (allow_all_up_)
      SetDown(false);
  }
  TGraphicControl::Click();
}

void TSpeedButton::Dispatch(TMessage &m) {
  if (m.Msg == CM_DIALOGCHAR) {
    if (IsAccel(QChar(static_cast<char16_t>(m.CharCode())), Caption()) && Enabled() && Visible() &&
        Parent() != nullptr && Parent()->Showing()) {
      Click();
      m.Result = 1;
    }
    return;
  }
  TGraphicControl::Dispatch(m);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    pressed_ = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::CMMouseEnter(TMessage &m) {
  mouse_in_ = true;
  if (flat_) Invalidate();
  TGraphicControl::CMMouseEnter(m);
}

void TSpeedButton::CMMouseLeave(TMessage &m) {
  mouse_in_ = false;
  if (flat_) Invalidate();
  TGraphicControl::CMMouseLeave(m);
}

void TSpeedButton::Paint() {
  TCanvas *c = Canvas();
  TRect r = ClientRect();
  const TButtonState state = State();
  const bool sunken = state == bsDown || state == bsExclusive;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(state == bsExclusive ? clBtnHighlight : clBtnFace);
  c->FillRect(r);
  if (!flat_ || mouse_in_ || sunken)
    support::Frame3D(c, r, sunken ? clBtnShadow : clBtnHighlight, sunken ? clBtnShadow : clWindowFrame, 1);
  QImage glyph = GlyphImage(glyph_.get(), num_glyphs_, state);
  const int tw = Caption().isEmpty() ? 0 : c->TextWidth(QString(Caption()).remove(u'&'));
  TPoint gp;
  TRect tr;
  TRect client = ClientRect();
  InflateRect(client, -2, -2);
  if (sunken) OffsetRect(client, 1, 1);
  LayoutGlyphAndText(client, TSize{glyph.width(), glyph.height()}, TSize{tw, c->TextHeight("Wg")}, layout_, margin_,
                     spacing_, gp, tr);
  if (!glyph.isNull()) c->DrawImage(Bounds(gp.X, gp.Y, glyph.width(), glyph.height()), glyph, glyph.rect());
  if (tw > 0) {
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
    DrawText(c, Caption(), tr, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  }
}

ORBISCA_PUBLISHED(TBitBtn, TButton) {
  p.Property("Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom);
  p.Property("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
  p.Property("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout).Default(blGlyphLeft);
  p.Property("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs).Default(1);
  p.Property("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing).Default(4);
  p.Property("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin).Default(-1);
}

ORBISCA_PUBLISHED(TSpeedButton, TControl) {
  p.Property("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  p.Property("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
  p.Property("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  p.Property("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
  p.Property("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
  p.Property("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
  p.Property("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1);
}

namespace {
[[maybe_unused]] const bool kButtonClassesRegistered = [] {
  RegisterClass<TBitBtn>();
  RegisterClass<TSpeedButton>();
  return true;
}();
}  // namespace

}  // namespace vcl
