// Standard controls over their Qt widgets.
#include "platform/vcl/stdctrls.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

namespace {

QString ToWidgetText(const QString &text) {
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(u'\r', u'\n');
  return t;
}

QString FromWidgetText(const QString &text) {
  QString t = text;
  t.replace(u'\n', QStringLiteral("\r\n"));
  return t;
}

// A 3D frame of `width` pixels: top and left in `top`, bottom and right in
// `bottom`; the rectangle shrinks to what is inside.
void Frame3D(TCanvas *canvas, TRect &r, TColor top, TColor bottom, int width) {
  for (int i = 0; i < width; ++i) {
    canvas->Pen()->SetColor(top);
    canvas->MoveTo(r.Left, r.Bottom - 1);
    canvas->LineTo(r.Left, r.Top);
    canvas->LineTo(r.Right - 1, r.Top);
    canvas->Pen()->SetColor(bottom);
    canvas->LineTo(r.Right - 1, r.Bottom - 1);
    canvas->LineTo(r.Left - 1, r.Bottom - 1);
    InflateRect(r, -1, -1);
  }
}

}  // namespace

bool IsAccel(QChar key, const QString &caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption.at(i) != u'&') continue;
    if (caption.at(i + 1) == u'&') {
      ++i;  // "&&" is a plain ampersand
      continue;
    }
    return caption.at(i + 1).toUpper() == key.toUpper();
  }
  return false;
}

// --- TButton --------------------------------------------------------------------------

TButton::TButton(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents, csSetCaption, csDoubleClicks});
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

namespace {

// A push button that shows the focus mark while it has the focus.
class ButtonWidget : public TControlWidget<QPushButton> {
 public:
  using TControlWidget<QPushButton>::TControlWidget;

 protected:
  void paintEvent(QPaintEvent *e) override {
    QPushButton::paintEvent(e);
    if (!hasFocus()) return;
    QPainter p(this);
    support::DrawFocusMark(p, rect(), palette().color(QPalette::ButtonText));
  }
};

}  // namespace

QWidget *TButton::CreateWidget(QWidget *parent_widget) {
  auto *b = new ButtonWidget(this, parent_widget);
  b->setAutoDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [this] { ReportFailures(this, [this] { Click(); }); });
  return b;
}

void TButton::InitWidget() {
  TWinControl::InitWidget();
  active_ = default_;
}

QPushButton *TButton::Button() const { return static_cast<QPushButton *>(widget_); }

void TButton::SetTextInWidget(const QString &text) {
  if (widget_ != nullptr) Button()->setText(text);
}

void TButton::SetDefault(bool value) {
  default_ = value;
  TCustomForm *form = GetParentForm();
  const bool button_focused = form != nullptr && dynamic_cast<TButton *>(form->ActiveControl()) != nullptr;
  if (!button_focused) active_ = value;
}

void TButton::Click() {
  if (TCustomForm *form = GetParentForm()) form->SetModalResult(modal_result_);
  TWinControl::Click();
}

void TButton::Dispatch(TMessage &m) { TWinControl::Dispatch(m); }

void TButton::WMGetDlgCode(TMessage &m) {
  m.Result = DLGC_BUTTON | (active_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void TButton::CMDialogKey(TMessage &m) {
  const int key = m.CharCode();
  if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) && KeyDataToShiftState(m.LParam).Empty() &&
      CanFocus()) {
    m.Result = 1;
    Click();
    return;
  }
  TWinControl::CMDialogKey(m);
}

void TButton::CMDialogChar(TMessage &m) {
  if (IsAccel(QChar(static_cast<char16_t>(m.CharCode())), Caption()) && CanFocus()) {
    m.Result = 1;
    Click();
    return;
  }
  TWinControl::CMDialogChar(m);
}

void TButton::CMFocusChanged(TMessage &m) {
  auto *focused = reinterpret_cast<TWinControl *>(m.LParam);
  if (dynamic_cast<TButton *>(focused) != nullptr)
    active_ = focused == this;
  else
    active_ = default_;
  TWinControl::CMFocusChanged(m);
}

// --- TCustomEdit -------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption} + TControlStyle{csOpaque});
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

QWidget *TCustomEdit::CreateWidget(QWidget *parent_widget) {
  auto *e = new TControlWidget<QLineEdit>(this, parent_widget);
  QObject::connect(e, &QLineEdit::textChanged, e, [this] { ReportFailures(this, [this] { Change(); }); });
  QObject::connect(e, &QLineEdit::textEdited, e, [this] { modified_ = true; });
  return e;
}

QLineEdit *TCustomEdit::LineEdit() const { return dynamic_cast<QLineEdit *>(widget_); }

void TCustomEdit::InitWidget() {
  // Taking over the stored text is no change the program should hear of.
  const QSignalBlocker blocker(widget_);
  TWinControl::InitWidget();
  if (QLineEdit *e = LineEdit()) {
    e->setMaxLength(max_length_ > 0 ? max_length_ : 32767);
    e->setReadOnly(read_only_);
    e->setFrame(border_style_ != bsNone);
    e->setEchoMode(password_char_.isNull() ? QLineEdit::Normal : QLineEdit::Password);
  }
}

QString TCustomEdit::GetText() const {
  if (QLineEdit *e = LineEdit()) return e->text();
  return text_;
}

void TCustomEdit::SetTextInWidget(const QString &text) {
  if (QLineEdit *e = LineEdit()) e->setText(ApplyCase(text));
}

QString TCustomEdit::ApplyCase(const QString &text) const {
  switch (char_case_) {
    case ecUpperCase:
      return text.toUpper();
    case ecLowerCase:
      return text.toLower();
    default:
      return text;
  }
}

void TCustomEdit::ApplyColor() {
  if (widget_ == nullptr) return;
  const QColor c = ColorToQColor(Color());
  if (!c.isValid()) return;
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::Base, c);
  widget_->setPalette(pal);
}

void TCustomEdit::SetMaxLength(int value) {
  max_length_ = std::max(value, 0);
  if (QLineEdit *e = LineEdit()) e->setMaxLength(max_length_ > 0 ? max_length_ : 32767);
}

void TCustomEdit::SetReadOnly(bool value) {
  read_only_ = value;
  if (QLineEdit *e = LineEdit()) e->setReadOnly(value);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  char_case_ = value;
  if (value != ecNormal) SetText(ApplyCase(Text()));
}

void TCustomEdit::SetPasswordChar(QChar value) {
  password_char_ = value;
  if (QLineEdit *e = LineEdit()) e->setEchoMode(value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  border_style_ = value;
  if (QLineEdit *e = LineEdit()) e->setFrame(value != bsNone);
}

bool TCustomEdit::Modified() const { return modified_; }
void TCustomEdit::SetModified(bool value) { modified_ = value; }

namespace {
QPlainTextEdit *AsTextEdit(QWidget *w) { return dynamic_cast<QPlainTextEdit *>(w); }
}  // namespace

int TCustomEdit::SelStart() const {
  if (QLineEdit *e = LineEdit()) return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
  if (QPlainTextEdit *t = AsTextEdit(widget_)) return t->textCursor().selectionStart();
  return sel_start_;
}

void TCustomEdit::SetSelStart(int value) {
  sel_start_ = std::max(value, 0);
  if (QLineEdit *e = LineEdit()) {
    e->deselect();
    e->setCursorPosition(sel_start_);
  } else if (QPlainTextEdit *t = AsTextEdit(widget_)) {
    QTextCursor c = t->textCursor();
    c.setPosition(std::min(sel_start_, static_cast<int>(t->document()->characterCount() - 1)));
    t->setTextCursor(c);
  }
}

int TCustomEdit::SelLength() const {
  if (QLineEdit *e = LineEdit()) return static_cast<int>(e->selectedText().size());
  if (QPlainTextEdit *t = AsTextEdit(widget_)) {
    const QTextCursor c = t->textCursor();
    return c.selectionEnd() - c.selectionStart();
  }
  return 0;
}

void TCustomEdit::SetSelLength(int value) {
  const int start = SelStart();
  if (QLineEdit *e = LineEdit()) {
    e->setSelection(start, std::max(value, 0));
  } else if (QPlainTextEdit *t = AsTextEdit(widget_)) {
    QTextCursor c = t->textCursor();
    const int last = static_cast<int>(t->document()->characterCount() - 1);
    c.setPosition(std::min(start, last));
    c.setPosition(std::min(start + std::max(value, 0), last), QTextCursor::KeepAnchor);
    t->setTextCursor(c);
  }
}

QString TCustomEdit::SelText() const {
  if (QLineEdit *e = LineEdit()) return e->selectedText();
  if (QPlainTextEdit *t = AsTextEdit(widget_))
    return FromWidgetText(t->textCursor().selectedText().replace(QChar(0x2029), u'\n'));
  return QString();
}

void TCustomEdit::SetSelText(const QString &value) {
  if (QLineEdit *e = LineEdit())
    e->insert(value);
  else if (QPlainTextEdit *t = AsTextEdit(widget_))
    t->insertPlainText(ToWidgetText(value));
}

void TCustomEdit::SelectAll() {
  if (QLineEdit *e = LineEdit())
    e->selectAll();
  else if (QPlainTextEdit *t = AsTextEdit(widget_))
    t->selectAll();
}

void TCustomEdit::ClearSelection() { SetSelText(QString()); }

void TCustomEdit::CopyToClipboard() {
  if (QLineEdit *e = LineEdit())
    e->copy();
  else if (QPlainTextEdit *t = AsTextEdit(widget_))
    t->copy();
}

void TCustomEdit::CutToClipboard() {
  if (QLineEdit *e = LineEdit())
    e->cut();
  else if (QPlainTextEdit *t = AsTextEdit(widget_))
    t->cut();
}

void TCustomEdit::PasteFromClipboard() {
  if (QLineEdit *e = LineEdit())
    e->paste();
  else if (QPlainTextEdit *t = AsTextEdit(widget_))
    t->paste();
}

void TCustomEdit::Undo() {
  if (QLineEdit *e = LineEdit())
    e->undo();
  else if (QPlainTextEdit *t = AsTextEdit(widget_))
    t->undo();
}

void TCustomEdit::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL; }

void TCustomEdit::KeyPress(QChar &key) {
  TWinControl::KeyPress(key);
  if (key.isNull() || key.unicode() < 32) return;
  if (char_case_ == ecUpperCase) key = key.toUpper();
  if (char_case_ == ecLowerCase) key = key.toLower();
}

void TCustomEdit::DoEnter() {
  if (auto_select_ && !ControlState().Contains(csLButtonDown)) SelectAll();
  TWinControl::DoEnter();
}

void TCustomEdit::WMSetFocus(TMessage &m) {
  const std::shared_ptr<bool> alive = AliveToken();
  TWinControl::WMSetFocus(m);
  if (!*alive || !auto_select_ || !Focused() || ControlState().Contains(csLButtonDown)) return;
  // A menu that popped up and went took no focus in the user's eyes: the
  // selection stays as it was (Qt keeps it).
  const auto reason = static_cast<Qt::FocusReason>(m.WParam);
  if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason) SelectAll();
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

// --- TCustomMemo ------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent *owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(this)) {
  SetAutoSelect(false);
  SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

QWidget *TCustomMemo::CreateWidget(QWidget *parent_widget) {
  auto *t = new TControlWidget<QPlainTextEdit>(this, parent_widget);
  t->setTabChangesFocus(false);
  QObject::connect(t, &QPlainTextEdit::textChanged, t, [this] { ReportFailures(this, [this] { Change(); }); });
  return t;
}

QPlainTextEdit *TCustomMemo::TextEdit() const { return AsTextEdit(widget_); }

void TCustomMemo::InitWidget() {
  TCustomEdit::InitWidget();
  if (QPlainTextEdit *t = TextEdit()) {
    t->setReadOnly(ReadOnly());
    t->setLineWrapMode(word_wrap_ ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    SetScrollBars(scroll_bars_);
  }
}

QString TCustomMemo::GetText() const {
  if (QPlainTextEdit *t = TextEdit()) return FromWidgetText(t->toPlainText());
  return text_;
}

void TCustomMemo::SetTextInWidget(const QString &text) {
  if (QPlainTextEdit *t = TextEdit()) t->setPlainText(ToWidgetText(text));
}

void TCustomMemo::SetReadOnly(bool value) {
  TCustomEdit::SetReadOnly(value);
  if (QPlainTextEdit *t = TextEdit()) t->setReadOnly(value);
}

void TCustomMemo::SetWordWrap(bool value) {
  word_wrap_ = value;
  if (QPlainTextEdit *t = TextEdit()) t->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
  scroll_bars_ = value;
  QPlainTextEdit *t = TextEdit();
  if (t == nullptr) return;
  const bool v = value == ssVertical || value == ssBoth;
  const bool h = value == ssHorizontal || value == ssBoth;
  t->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  t->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TCustomMemo::WMGetDlgCode(TMessage &m) {
  m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
  if (want_tabs_) m.Result |= DLGC_WANTTAB;
  // Esc stays a dialog key, so the cancel button still works from a memo.
  if (want_returns_ && static_cast<int>(m.WParam) != VK_ESCAPE) m.Result |= DLGC_WANTALLKEYS;
}

void TCustomMemo::DoEnter() { TWinControl::DoEnter(); }

int TMemoStrings::Count() const { return static_cast<int>(Lines().size()); }

QString TMemoStrings::Get(int index) const {
  const QStringList lines = Lines();
  if (index < 0 || index >= lines.size()) Error(QStringLiteral("List index out of bounds (%d)"), index);
  return lines.at(index);
}

void TMemoStrings::Put(int index, const QString &s) {
  QStringList lines = Lines();
  if (index < 0 || index >= lines.size()) Error(QStringLiteral("List index out of bounds (%d)"), index);
  lines[index] = s;
  SetLines(lines);
}

void TMemoStrings::Insert(int index, const QString &s) {
  QStringList lines = Lines();
  if (index < 0 || index > lines.size()) Error(QStringLiteral("List index out of bounds (%d)"), index);
  lines.insert(index, s);
  SetLines(lines);
}

void TMemoStrings::Delete(int index) {
  QStringList lines = Lines();
  if (index < 0 || index >= lines.size()) Error(QStringLiteral("List index out of bounds (%d)"), index);
  lines.removeAt(index);
  SetLines(lines);
}

void TMemoStrings::Clear() { memo_->SetText(QString()); }

QStringList TMemoStrings::Lines() const {
  const QString text = ToWidgetText(memo_->Text());
  if (text.isEmpty()) return {};
  QStringList lines = text.split(u'\n');
  // A final line break does not start another line.
  if (lines.last().isEmpty()) lines.removeLast();
  return lines;
}

void TMemoStrings::SetLines(const QStringList &lines) {
  memo_->SetText(lines.isEmpty() ? QString() : lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

// --- TCustomLabel ---------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent *owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetFocusControl(TWinControl *control) {
  if (control == focus_control_) return;
  if (focus_control_ != nullptr) focus_control_->RemoveFreeNotification(this);
  focus_control_ = control;
  if (control != nullptr) control->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent *component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focus_control_) focus_control_ = nullptr;
}

void TCustomLabel::SetAlignment(TAlignment value) {
  alignment_ = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  layout_ = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
  auto_size_ = value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
  word_wrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  transparent_ = value;
  if (widget_ != nullptr) widget_->setAutoFillBackground(!value);
  ApplyColor();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  show_accel_char_ = value;
  AdjustBounds();
  Invalidate();
}

unsigned TCustomLabel::DrawTextFlags() const {
  unsigned flags = DT_EXPANDTABS;
  if (word_wrap_) flags |= DT_WORDBREAK;
  if (!show_accel_char_) flags |= DT_NOPREFIX;
  if (alignment_ == taRightJustify) flags |= DT_RIGHT;
  if (alignment_ == taCenter) flags |= DT_CENTER;
  return flags;
}

void TCustomLabel::AdjustBounds() {
  if (!auto_size_ || IsLoading()) return;
  QString text = Caption();
  if (show_accel_char_) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
  }
  const QFontMetrics fm(Font()->ToQFont());
  int w, h;
  if (word_wrap_) {
    const QRect r = fm.boundingRect(QRect(0, 0, std::max(Width(), 1), 100000), Qt::TextWordWrap, text);
    w = Width();
    h = r.height();
  } else {
    w = 0;
    const QStringList lines = text.isEmpty() ? QStringList{QString()} : text.split(u'\n');
    for (const QString &line : lines) w = std::max(w, static_cast<int>(fm.horizontalAdvance(line)));
    h = fm.height() * static_cast<int>(lines.size());
  }
  // A right-aligned label grows to the left.
  const int left = alignment_ == taRightJustify ? Left() + Width() - w : Left();
  SetBounds(left, Top(), w, h);
}

void TCustomLabel::Paint() {
  TCanvas *c = Canvas();
  TRect r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->Assign(Font());
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  unsigned flags = DrawTextFlags();
  if (layout_ != tlTop) {
    TRect calc = r;
    DrawText(c, Caption(), calc, flags | DT_CALCRECT);
    const int offset = layout_ == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
    r.Top += offset;
  }
  DrawText(c, Caption(), r, flags);
  TGraphicControl::Paint();
}

void TCustomLabel::Dispatch(TMessage &m) {
  if (m.Msg == CM_DIALOGCHAR) {
    const QChar key(static_cast<char16_t>(m.CharCode()));
    if (focus_control_ != nullptr && Enabled() && show_accel_char_ && IsAccel(key, Caption()) &&
        focus_control_->CanFocus()) {
      focus_control_->SetFocus();
      m.Result = 1;
    }
    return;
  }
  TGraphicControl::Dispatch(m);
}

void TCustomLabel::CMTextChanged(TMessage &m) {
  AdjustBounds();
  TGraphicControl::CMTextChanged(m);
}

void TCustomLabel::CMFontChanged(TMessage &m) {
  AdjustBounds();
  TGraphicControl::CMFontChanged(m);
}

// --- TCheckBox ------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents, csDoubleClicks});
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

QWidget *TCheckBox::CreateWidget(QWidget *parent_widget) {
  auto *b = new TControlWidget<QCheckBox>(this, parent_widget);
  QObject::connect(b, &QCheckBox::clicked, b, [this] { ReportFailures(this, [this] { Toggle(); }); });
  return b;
}

QCheckBox *TCheckBox::Box() const { return static_cast<QCheckBox *>(widget_); }

void TCheckBox::InitWidget() {
  TWinControl::InitWidget();
  updating_widget_ = true;
  Box()->setTristate(allow_grayed_);
  Box()->setCheckState(state_ == cbChecked ? Qt::Checked : state_ == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
  Box()->setLayoutDirection(alignment_ == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
  updating_widget_ = false;
}

void TCheckBox::SetTextInWidget(const QString &text) {
  if (widget_ != nullptr) Box()->setText(text);
}

void TCheckBox::SetState(TCheckBoxState value) {
  if (value == cbGrayed && !allow_grayed_) value = cbUnchecked;
  if (value == state_) return;
  state_ = value;
  if (widget_ != nullptr) {
    updating_widget_ = true;
    Box()->setCheckState(value == cbChecked ? Qt::Checked : value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    updating_widget_ = false;
  }
  Click();
}

void TCheckBox::Toggle() {
  if (updating_widget_) return;
  const Qt::CheckState s = Box()->checkState();
  // The platform's cycle: unchecked, checked, grayed (when allowed).
  SetState(s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked);
}

void TCheckBox::SetAllowGrayed(bool value) {
  allow_grayed_ = value;
  if (widget_ != nullptr) Box()->setTristate(value);
  if (!value && state_ == cbGrayed) SetState(cbUnchecked);
}

void TCheckBox::SetAlignment(TAlignment value) {
  alignment_ = value;
  if (widget_ != nullptr) Box()->setLayoutDirection(value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::WMGetDlgCode(TMessage &m) { m.Result = DLGC_BUTTON; }

void TCheckBox::CMDialogChar(TMessage &m) {
  if (IsAccel(QChar(static_cast<char16_t>(m.CharCode())), Caption()) && CanFocus()) {
    SetFocus();
    SetChecked(!Checked());
    m.Result = 1;
    return;
  }
  TWinControl::CMDialogChar(m);
}

// --- TCustomPanel --------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent *owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls, csOpaque});
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetAlignment(TAlignment value) {
  alignment_ = value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  bevel_inner_ = value;
  AlignControls();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  bevel_outer_ = value;
  AlignControls();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
  bevel_width_ = std::max(value, 1);
  AlignControls();
  Invalidate();
}

void TCustomPanel::SetBorderWidth(int value) {
  border_width_ = std::max(value, 0);
  AlignControls();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  border_style_ = value;
  AlignControls();
  Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect &r) const {
  int inset = border_width_;
  if (bevel_outer_ != bvNone) inset += bevel_width_;
  if (bevel_inner_ != bvNone) inset += bevel_width_;
  if (border_style_ == bsSingle) inset += 1;
  InflateRect(r, -inset, -inset);
}

void TCustomPanel::Paint() {
  TCanvas *c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);
  if (border_style_ == bsSingle) Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
  if (bevel_outer_ != bvNone)
    Frame3D(c, r, bevel_outer_ == bvLowered ? clBtnShadow : clBtnHighlight,
            bevel_outer_ == bvLowered ? clBtnHighlight : clBtnShadow, bevel_width_);
  InflateRect(r, -border_width_, -border_width_);
  if (bevel_inner_ != bvNone)
    Frame3D(c, r, bevel_inner_ == bvLowered ? clBtnShadow : clBtnHighlight,
            bevel_inner_ == bvLowered ? clBtnHighlight : clBtnShadow, bevel_width_);
  if (!Caption().isEmpty()) {
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    DrawText(c, Caption(), r, flags);
  }
  TCustomControl::Paint();
}

// --- published properties and classes by name -------------------------------------------------------

ORBISCA_PUBLISHED(TButton, TWinControl) {
  p.Property("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
  p.Property("Default", &TButton::Default, &TButton::SetDefault).Default(false);
  p.Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(mrNone);
}

ORBISCA_PUBLISHED(TCustomEdit, TWinControl) {
  p.Property("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle).Default(bsSingle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar).Default(0);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  p.Property("Text", &TCustomEdit::Text, &TCustomEdit::SetText);
  p.Event("OnChange", &TCustomEdit::OnChange);
  // An edit's caption is its text: stored once, as Text.
  p.Property("Caption", &TCustomEdit::Caption, &TCustomEdit::SetCaption).Stored(false);
}

ORBISCA_PUBLISHED(TCustomMemo, TCustomEdit) {
  p.Property("Alignment", &TCustomMemo::Alignment, &TCustomMemo::SetAlignment).Default(taLeftJustify);
  p.Property("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
  p.Property("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
  p.Property("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns).Default(true);
  p.Property("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs).Default(false);
  p.Property("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap).Default(true);
  // The lines carry the text.
  p.Property("Text", &TCustomMemo::Text, &TCustomMemo::SetText).Stored(false);
}

ORBISCA_PUBLISHED(TCustomLabel, TControl) {
  p.Property("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment).Default(taLeftJustify);
  p.Property("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true);
  p.Property("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
  p.Property("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).Default(tlTop);
  p.Property("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
  p.Property("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent).Default(false);
  p.Property("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false);
}

ORBISCA_PUBLISHED(TCheckBox, TWinControl) {
  p.Property("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment).Default(taRightJustify);
  p.Property("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
  p.Property("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Default(false);
  p.Property("State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
}

ORBISCA_PUBLISHED(TCustomPanel, TWinControl) {
  p.Property("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
  p.Property("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  p.Property("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
  p.Property("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  p.Property("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
  p.Property("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
}

namespace {
[[maybe_unused]] const bool kStdClassesRegistered = [] {
  RegisterClass<TButton>();
  RegisterClass<TEdit>();
  RegisterClass<TMemo>();
  RegisterClass<TLabel>();
  RegisterClass<TCheckBox>();
  RegisterClass<TPanel>();
  return true;
}();
}  // namespace

}  // namespace vcl
