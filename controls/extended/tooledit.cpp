// The combo edit, its embedded button and the popup window; see tooledit.h.
#include "controls/extended/tooledit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <algorithm>

#include "controls/extended/timers.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/forms.h"

namespace ext {

using namespace vcl;

int VScrollBarWidth() { return 17; }

namespace {
// The height of the system's window border, in pixels.
constexpr int kSystemBorderHeight = 1;

// While a popup is open, a left press anywhere outside it and outside its
// edit (a press the popup would have taken as the holder of the mouse)
// closes it without accepting. The press then goes on to where it landed.
class TOutsidePressWatch : public QObject {
 public:
  TOutsidePressWatch(TCustomComboEdit *edit, std::shared_ptr<bool> alive) : edit_(edit), alive_(std::move(alive)) {
    qApp->installEventFilter(this);
  }
  ~TOutsidePressWatch() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType()) return false;
    auto *me = static_cast<QMouseEvent *>(event);
    if (!*alive_ || me->button() != Qt::LeftButton || !edit_->PopupVisible()) return false;
    const QPoint global = me->globalPosition().toPoint();
    if (Contains(edit_->Popup(), global) || Contains(edit_, global)) return false;
    edit_->ClosePopup(false);
    return false;
  }

 private:
  static bool Contains(TControl *control, const QPoint &global) {
    if (control == nullptr || !control->HandleAllocated()) return false;
    QWidget *w = control->Handle();
    return w->isVisible() && w->rect().contains(w->mapFromGlobal(global));
  }
  TCustomComboEdit *edit_;
  std::shared_ptr<bool> alive_;
};
}  // namespace

// --- TPopupWindow -------------------------------------------------------------------------------

TPopupWindow::TPopupWindow(TCustomComboEdit *edit) : TCustomControl(edit), edit_(edit) {
  SetVisible(false);
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 100, 100);
}

TPopupWindow::~TPopupWindow() = default;

QWidget *TPopupWindow::CreateWidget(QWidget *) {
  // A window of its own that never becomes active (the tool-tip kind is
  // the one no platform activates on showing): the edit keeps the keyboard
  // while the user works in the popup.
  auto *w =
      new TControlWidget<QWidget>(this, nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  w->setAttribute(Qt::WA_ShowWithoutActivating);
  w->setFocusPolicy(Qt::NoFocus);
  return w;
}

void TPopupWindow::Paint() {
  TCanvas *c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Brush()->SetColor(clWindowFrame);
  c->FrameRect(ClientRect());
  TCustomControl::Paint();
}

void TPopupWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (button != mbLeft || x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return;
  // A release a child left unhandled comes here too: only the popup's own
  // area counts.
  if (HandleAllocated() && Handle()->childAt(x, y) != nullptr) return;
  CloseUp(true);
}

void TPopupWindow::CloseUp(bool accept) {
  if (OnCloseUp) OnCloseUp(this, accept);
}

// --- TEditButton ------------------------------------------------------------------------------------

TEditButton::TEditButton(TComponent *owner) : TMwSpeedButton(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetParentShowHint(true);
}

void TEditButton::Click() {
  if (no_action) {
    no_action = false;
    return;
  }
  TMwSpeedButton::Click();
}

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    auto *edit = dynamic_cast<TCustomComboEdit *>(Owner());
    if (edit != nullptr) {
      if (edit->PopupVisible()) {
        edit->ClosePopup(true);
        no_action = true;
      } else if (edit->TabStop() && edit->CanFocus()) {
        edit->SetFocus();
      }
    }
  }
  TMwSpeedButton::MouseDown(button, shift, x, y);
}

void TEditButton::Paint() {
  TMwSpeedButton::Paint();
  if (State() == bsDown) return;
  TCanvas *c = Canvas();
  c->Pen()->SetColor(clBtnFace);
  c->MoveTo(0, 0);
  c->LineTo(0, Height() - 1);
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(1, 1);
  c->LineTo(1, Height() - 2);
}

// --- TCustomComboEdit -----------------------------------------------------------------------------

namespace {
// The plain window that holds the button: it never takes the focus, so a
// press on the button leaves the keyboard with the edit.
class TButtonHolder : public TWinControl {
 public:
  using TWinControl::TWinControl;

 protected:
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }
};
}  // namespace

TCustomComboEdit::TCustomComboEdit(TComponent *owner) : TCustomMaskEdit(owner) {
  SetBounds(Left(), Top(), 121, 21);
  SetControlStyle(ControlStyle() + TControlStyle{csCaptureMouse});
  holder_ = new TButtonHolder(this);
  holder_->SetParent(this);
  holder_->SetBounds(0, 0, 21, 17);
  button_ = new TEditButton(this);
  button_->SetParent(holder_);
  button_->SetBounds(0, 0, 21, 17);
  button_->OnClick = [this](rtl::TObject *) { ButtonClick(); };
  UpdateButtonBounds();
}

TCustomComboEdit::~TCustomComboEdit() {
  if (button_ != nullptr) button_->OnClick = nullptr;
}

QWidget *TCustomComboEdit::CreateWidget(QWidget *parent_widget) { return TCustomMaskEdit::CreateWidget(parent_widget); }

void TCustomComboEdit::InitWidget() {
  TCustomMaskEdit::InitWidget();
  UpdateEditReadOnly();
  UpdateButtonBounds();
}

void TCustomComboEdit::SetReadOnly(bool value) {
  read_only_ = value;
  UpdateEditReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool value) {
  direct_input_ = value;
  UpdateEditReadOnly();
}

void TCustomComboEdit::UpdateEditReadOnly() { TCustomEdit::SetReadOnly(read_only_ || !direct_input_); }

void TCustomComboEdit::SetPopup(TPopupWindow *popup) {
  popup_ = popup;
  if (popup_ != nullptr) popup_->OnCloseUp = [this](TPopupWindow *, bool accept) { ClosePopup(accept); };
}

void TCustomComboEdit::UpdateButtonBounds() {
  const int bw = button_width_;
  holder_->SetVisible(bw > 1);
  // The edit's own frame is two pixels wide; the button sits inside it.
  // Without a border it takes the whole right edge.
  if (BorderStyle() == bsNone)
    holder_->SetBounds(std::max(Width() - bw, 0), 0, bw, Height());
  else
    holder_->SetBounds(std::max(Width() - bw - 2, 0), 2, bw, std::max(Height() - 4, 0));
  button_->SetBounds(0, 0, bw, holder_->Height());
  if (QLineEdit *e = LineEdit()) e->setTextMargins(0, 0, bw > 1 ? bw : 0, 0);
}

int TCustomComboEdit::MinHeight() const {
  const int system_height = QFontMetrics(QApplication::font()).height();
  const int own_height = QFontMetrics(Font()->ToQFont()).height();
  return std::min(system_height, own_height) + 4 * kSystemBorderHeight + 1;
}

void TCustomComboEdit::SetBounds(int left, int top, int width, int height) {
  TCustomMaskEdit::SetBounds(left, top, width, std::max(height, MinHeight()));
  if (holder_ != nullptr) UpdateButtonBounds();  // also before the window exists
}

void TCustomComboEdit::CMFontChanged(TMessage &m) {
  TCustomMaskEdit::CMFontChanged(m);
  if (focused_) RebuildCaret();
  if (Height() < MinHeight()) SetBounds(Left(), Top(), Width(), Height());
}

void TCustomComboEdit::WMSize(TMessage &m) {
  TCustomMaskEdit::WMSize(m);
  UpdateButtonBounds();
}

void TCustomComboEdit::SetButtonWidth(int value) {
  if (value < 0) value = 0;
  if (value == button_width_) return;
  if (HandleAllocated() && value >= ClientWidth()) return;
  button_width_ = value;
  UpdateButtonBounds();
  RecreateGlyph();
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind value) {
  if (value == glyph_kind_) return;
  glyph_kind_ = value;
  RecreateGlyph();
}

void TCustomComboEdit::SetGlyph(const TBitmap *bitmap) {
  button_->SetGlyph(bitmap);
  glyph_kind_ = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int value) {
  if (glyph_kind_ == gkDropDown || glyph_kind_ == gkEllipsis) value = 1;
  if (glyph_kind_ == gkDefault) value = default_num_glyphs_;
  button_->SetNumGlyphs(value);
}

TBitmap *TCustomComboEdit::CreateDefaultBitmap(int &num_glyphs) {
  num_glyphs = 1;
  return nullptr;
}

bool TCustomComboEdit::IsButtonWidthStored() const {
  int implied = 21;
  if (glyph_kind_ == gkDropDown) implied = VScrollBarWidth();
  if (glyph_kind_ == gkDefault && !button_->Glyph()->Empty())
    implied = std::max(button_->Glyph()->Width() / std::max(button_->NumGlyphs(), 1) + 6, 21);
  return button_width_ != implied;
}

void TCustomComboEdit::RecreateGlyph() {
  switch (glyph_kind_) {
    case gkCustom:
      break;
    case gkDefault: {
      int n = default_num_glyphs_;
      std::unique_ptr<TBitmap> bmp(CreateDefaultBitmap(n));
      if (bmp) {
        button_->SetGlyph(bmp.get());
        button_->SetNumGlyphs(n);
        const int w = std::max(bmp->Width() / std::max(n, 1) + 6, button_width_);
        if (w != button_width_) {
          button_width_ = w;
          UpdateButtonBounds();
        }
      }
      break;
    }
    case gkDropDown: {
      TBitmap bmp(7, 4);
      QImage img(7, 4, QImage::Format_RGB32);
      img.fill(qRgb(255, 0, 255));
      for (int row = 0; row < 4; ++row)
        for (int x = row; x < 7 - row; ++x) img.setPixel(x, row, qRgb(0, 0, 0));
      bmp.SetImage(img);
      button_->SetGlyph(&bmp);
      button_->SetNumGlyphs(1);
      button_width_ = VScrollBarWidth();
      UpdateButtonBounds();
      break;
    }
    case gkEllipsis: {
      const int w = std::max(1, button_width_ - 6);
      QImage img(w, 4, QImage::Format_RGB32);
      img.fill(qRgb(255, 255, 255));
      const int gap = std::clamp((w - 6) / 2, 1, 3);
      const int x0 = (w - 6 - 2 * gap) / 2;
      for (int x : {x0, x0 + gap + 2, x0 + 2 * gap + 4})
        for (int dx = 0; dx < 2; ++dx)
          for (int dy = 1; dy < 3; ++dy)
            if (x + dx >= 0 && x + dx < w) img.setPixel(x + dx, dy, qRgb(0, 0, 0));
      TBitmap bmp(w, 4);
      bmp.SetImage(img);
      button_->SetGlyph(&bmp);
      button_->ButtonGlyph()->SetTransparentColor(clWhite);
      button_->SetNumGlyphs(1);
      break;
    }
  }
}

void TCustomComboEdit::ButtonClick() {
  if (!read_only_ && OnButtonClick) OnButtonClick(this);
  if (popup_ != nullptr) {
    if (popup_visible_)
      ClosePopup(true);
    else
      OpenPopup(true);
  }
}

void TCustomComboEdit::OpenPopup(bool disable_edit) {
  if (popup_ == nullptr || read_only_ || popup_visible_) return;
  const TPoint p = ClientToScreen({0, 0});
  const TRect screen = ScreenRect();
  const int pw = popup_->Width(), ph = popup_->Height();
  int y = p.Y + Height();
  if (y + ph > screen.Bottom) y = p.Y - ph;
  int x;
  if (popup_align_ == epaRight) {
    x = p.X + Width() - pw;
    if (x < screen.Left) x = p.X;
  } else {
    x = p.X;
    if (x + pw > screen.Right) x = p.X - (pw - Width());
  }
  if (x < screen.Left) x = screen.Left;
  if (x + pw > screen.Right) x = screen.Right - pw;
  const QString text = Text();
  SetPopupValue(text.isEmpty() ? rtl::Variant::Null() : rtl::Variant(text));
  if (CanFocus()) SetFocus();
  ShowPopup({x, y});
  popup_visible_ = true;
  outside_watch_ = std::make_unique<TOutsidePressWatch>(this, AliveToken());
  if (disable_edit) {
    TCustomEdit::SetReadOnly(true);
    if (QLineEdit *e = LineEdit()) e->setCursorMoveStyle(Qt::LogicalMoveStyle);
  }
}

void TCustomComboEdit::ClosePopup(bool accept) {
  if (popup_ == nullptr || !popup_visible_) return;
  if (GetCaptureControl() != nullptr) SetCaptureControl(nullptr);
  rtl::Variant value = GetPopupValue();
  HidePopup();
  // Not freed here: the watch may be the caller (a press outside).
  if (outside_watch_) outside_watch_.release()->deleteLater();
  try {
    rtl::IgnoreFailure("a control that cannot take the focus now stays without it", [&] {
      if (CanFocus()) SetFocus();
    });
    UpdateEditReadOnly();
    Invalidate();
    if (accept && AcceptPopup(value) && !read_only_) {
      AcceptValue(value);
      if (Focused()) SelectAll();
    }
  } catch (...) {
    popup_visible_ = false;
    throw;
  }
  popup_visible_ = false;
}

void TCustomComboEdit::ShowPopup(const TPoint &origin) {
  popup_->SetBounds(origin.X, origin.Y, popup_->Width(), popup_->Height());
  popup_->Show();
  popup_->Handle()->show();
}

void TCustomComboEdit::HidePopup() {
  popup_->Hide();
  if (popup_->HandleAllocated()) popup_->Handle()->hide();
}

bool TCustomComboEdit::AcceptPopup(rtl::Variant &) { return true; }

void TCustomComboEdit::AcceptValue(const rtl::Variant &value) {
  const QString s = value.IsNull() || value.IsEmpty() ? QString() : value.AsString();
  if (Text() != s) {
    SetText(s);  // goes to PopupChange: the flag is still set
    SetModified(true);
    popup_visible_ = popup_ != nullptr && popup_->Visible();
    TCustomEdit::Change();
  }
}

void TCustomComboEdit::SetPopupValue(const rtl::Variant &value) {
  if (popup_ != nullptr) popup_->SetValue(value);
}

rtl::Variant TCustomComboEdit::GetPopupValue() const {
  if (popup_ != nullptr) return popup_->GetValue();
  return rtl::Variant(QString());
}

void TCustomComboEdit::Change() {
  if (popup_visible_)
    PopupChange();
  else
    TCustomEdit::Change();
}

bool TCustomComboEdit::MaskedClipboardKey(int key, TShiftState shift) {
  if (!IsMasked() || LineEdit() == nullptr) return false;
  const TShiftState mods = shift * TShiftState{ssShift, ssAlt, ssCtrl};
  const bool paste = (key == 'V' && mods == TShiftState{ssCtrl}) || (key == VK_INSERT && mods == TShiftState{ssShift});
  const bool cut = (key == 'X' && mods == TShiftState{ssCtrl}) || (key == VK_DELETE && mods == TShiftState{ssShift});
  if (!paste && !cut) return false;
  // Read-only (or no direct input, or the popup open): nothing changes.
  if (TCustomEdit::ReadOnly()) return true;
  if (cut) {
    if (SelLength() == 0) return true;
    CopyToClipboard();
    int del = VK_DELETE;
    TCustomMaskEdit::KeyDown(del, {});
    return true;
  }
  // Pasted text is typed place by place from the cursor, so the mask
  // refuses what does not fit.
  const QString text = Clipboard().AsText();
  for (QChar c : text) {
    if (c.unicode() < 32) continue;
    TCustomMaskEdit::KeyPress(c);
  }
  return true;
}

void TCustomComboEdit::KeyDown(int &key, TShiftState shift) {
  if (MaskedClipboardKey(key, shift)) {
    key = 0;
    return;
  }
  // While the popup is open Esc and Enter only close it: the mask must not
  // put back the entered text on that Esc.
  if (popup_visible_ && (key == VK_ESCAPE || key == VK_RETURN))
    TCustomEdit::KeyDown(key, shift);
  else
    TCustomMaskEdit::KeyDown(key, shift);
  const TShiftState mods = shift * TShiftState{ssShift, ssAlt, ssCtrl};
  if (key != 0 && ShortCut(key, mods) == click_key_ && button_width_ > 0) {
    ButtonClick();
    key = 0;
  }
}

void TCustomComboEdit::KeyPress(QChar &key) {
  if (key.unicode() == 13 || key.unicode() == 27) {
    if (popup_visible_) {
      ClosePopup(key.unicode() == 13);
      key = QChar();
      return;
    }
    const std::shared_ptr<bool> alive = AliveToken();
    if (TCustomForm *form = GetParentForm()) form->Perform(CM_DIALOGKEY, key.unicode(), 0);
    if (!*alive) return;
    if (key.unicode() == 13) {
      TCustomMaskEdit::KeyPress(key);
      key = QChar();
      return;
    }
  }
  TCustomMaskEdit::KeyPress(key);
}

void TCustomComboEdit::WMGetDlgCode(TMessage &m) {
  TCustomMaskEdit::WMGetDlgCode(m);
  // Enter and Esc come here first (the popup may be open); KeyPress hands
  // them to the form when it is not.
  m.Result |= DLGC_WANTALLKEYS;
}

void TCustomComboEdit::WMKillFocus(TMessage &m) {
  focused_ = false;
  ClosePopup(false);
  TCustomMaskEdit::WMKillFocus(m);
  Invalidate();
}

namespace {

// The text cursor of a combo edit: 1 pixel wide, 2 with a bold font.
class CaretStyle : public QProxyStyle {
 public:
  explicit CaretStyle(QWidget *owner) : QProxyStyle() { setParent(owner); }
  int width = 1;
  int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override {
    if (metric == PM_TextCursorWidth) return width;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

int TCustomComboEdit::CaretWidth() const { return Font()->Style().Contains(vcl::fsBold) ? 2 : 1; }

void TCustomComboEdit::RebuildCaret() {
  QLineEdit *e = LineEdit();
  if (e == nullptr) return;
  auto *style = dynamic_cast<CaretStyle *>(e->style());
  if (style == nullptr) {
    style = new CaretStyle(e);
    e->setStyle(style);
  }
  style->width = CaretWidth();
  e->update();
}

void TCustomComboEdit::WMSetFocus(TMessage &m) {
  focused_ = true;
  RebuildCaret();
  // As on entering: without direct input nothing is selected.
  const bool auto_select = AutoSelect();
  if (!direct_input_) SetAutoSelect(false);
  const std::shared_ptr<bool> alive = AliveToken();
  TCustomMaskEdit::WMSetFocus(m);
  if (!*alive) return;
  SetAutoSelect(auto_select);
  Invalidate();
}

void TCustomComboEdit::WMMouseButton(TMessage &m) {
  // A press on the button is the button's (Qt may pass it on to us too).
  if (m.Event != nullptr && holder_->HandleAllocated() &&
      (m.Event->type() == QEvent::MouseButtonPress || m.Event->type() == QEvent::MouseButtonRelease ||
       m.Event->type() == QEvent::MouseButtonDblClick)) {
    QWidget *h = holder_->Handle();
    const QPoint global = static_cast<QMouseEvent *>(m.Event)->globalPosition().toPoint();
    if (h->isVisible() && h->rect().contains(h->mapFromGlobal(global))) return;
  }
  if (m.Msg == WM_LBUTTONDOWN && popup_ != nullptr) {
    if (CanFocus()) SetFocus();
    if (!Focused()) return;
    if (popup_visible_) ClosePopup(false);
  }
  TCustomMaskEdit::WMMouseButton(m);
}

void TCustomComboEdit::WMContextMenu(TMessage &m) {
  if (IsMasked() && PopupMenu() == nullptr) return;
  TCustomMaskEdit::WMContextMenu(m);
}

void TCustomComboEdit::CMEnabledChanged(TMessage &m) {
  TCustomMaskEdit::CMEnabledChanged(m);
  button_->SetEnabled(Enabled());
  Invalidate();
}

void TCustomComboEdit::DoEnter() {
  // The masked edit notes the entered text (for Esc) and selects all when
  // AutoSelect is on; without direct input nothing is selected.
  const bool auto_select = AutoSelect();
  if (!direct_input_) SetAutoSelect(false);
  TCustomMaskEdit::DoEnter();
  SetAutoSelect(auto_select);
}

void TCustomComboEdit::Dispatch(TMessage &m) {
  if (m.Msg == CM_CANCELMODE) {
    auto *sender = reinterpret_cast<TControl *>(m.LParam);
    if (sender != this && sender != popup_ && sender != button_ &&
        !(popup_ != nullptr && popup_->ContainsControl(sender)))
      ClosePopup(false);
    return;
  }
  TCustomMaskEdit::Dispatch(m);
}

TPoint TCustomComboEdit::TextMargins() const {
  const int top = BorderStyle() == bsNone ? 0 : 1;
  return {top + 2, top};
}

void TCustomComboEdit::WMPaint(TMessage &m) {
  if ((!focused_ || popup_visible_) && widget_ != nullptr && PaintShownText()) return;
  TCustomMaskEdit::WMPaint(m);
}

bool TCustomComboEdit::PaintAlignedText(const QString &text, TAlignment alignment, bool standard_paint) {
  if (widget_ != nullptr && widget_->layoutDirection() == Qt::RightToLeft) {
    if (alignment == taLeftJustify)
      alignment = taRightJustify;
    else if (alignment == taRightJustify)
      alignment = taLeftJustify;
  }
  if (standard_paint && !ControlState().Contains(csPaintCopy)) return false;
  if (widget_ == nullptr) return false;
  QPainter painter(widget_);
  TCanvas canvas;
  canvas.BeginPaint(&painter);
  canvas.Font()->Assign(Font());
  if (!Enabled() && ColorToRGB(Color()) != ColorToRGB(clGrayText)) canvas.Font()->SetColor(clGrayText);
  const TRect client = ClientRect();
  canvas.Brush()->SetStyle(bsSolid);
  canvas.Brush()->SetColor(Color());
  canvas.FillRect(client);
  // The frame the edit draws around its text.
  TRect frame = client;
  if (BorderStyle() != bsNone) DrawEdge(&canvas, frame, EDGE_SUNKEN, BF_RECT);
  const TPoint margins = TextMargins();
  const int bw = holder_->Visible() ? button_width_ : 0;
  int tw = canvas.TextWidth(text);
  if (bw > 0) ++tw;
  int left = margins.X;
  if (!popup_visible_) {
    switch (alignment) {
      case taLeftJustify:
        left = margins.X;
        break;
      case taRightJustify:
        left = client.Width() - bw - tw - margins.X - 2;
        break;
      case taCenter:
        left = (client.Width() - bw - tw) / 2;
        break;
    }
  }
  // The edit's frame is thicker than the original's single line: centre the
  // text vertically instead of using the bare top margin.
  const int top = std::max(margins.Y, (client.Height() - canvas.TextHeight(text)) / 2);
  canvas.Brush()->SetStyle(bsClear);
  TRect clip = client;
  InflateRect(clip, -2, -2);
  canvas.TextRect(clip, left, top, text);
  canvas.EndPaint();
  return true;
}

ORBISCA_PUBLISHED(TCustomComboEdit, TCustomMaskEdit) {
  p.Property("ButtonHint", &TCustomComboEdit::ButtonHint, &TCustomComboEdit::SetButtonHint);
  p.Property("ButtonWidth", &TCustomComboEdit::ButtonWidth, &TCustomComboEdit::SetButtonWidth)
      .StoredIf([](const rtl::TObject *o) { return static_cast<const TCustomComboEdit *>(o)->IsButtonWidthStored(); });
  p.Property("Glyph", &TCustomComboEdit::Glyph, &TCustomComboEdit::SetGlyph).StoredIf([](const rtl::TObject *o) {
    return static_cast<const TCustomComboEdit *>(o)->GlyphKind() == gkCustom;
  });
  p.Property("ClickKey", &TCustomComboEdit::ClickKey, &TCustomComboEdit::SetClickKey).Default(32808);
  p.Property("DirectInput", &TCustomComboEdit::DirectInput, &TCustomComboEdit::SetDirectInput).Default(true);
  p.Property("GlyphKind", &TCustomComboEdit::GlyphKind, &TCustomComboEdit::SetGlyphKind);
  p.Property("NumGlyphs", &TCustomComboEdit::NumGlyphs, &TCustomComboEdit::SetNumGlyphs);
  p.Property("PopupAlign", &TCustomComboEdit::PopupAlign, &TCustomComboEdit::SetPopupAlign).Default(epaRight);
  p.Property("ReadOnly", &TCustomComboEdit::ReadOnly, &TCustomComboEdit::SetReadOnly).Default(false);
  p.Event("OnButtonClick", &TCustomComboEdit::OnButtonClick);
}

}  // namespace ext
