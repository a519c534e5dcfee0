// Bevel, image, timer, group box, radio buttons, notebook and scroll box
// (see extctrls.h).
#include "platform/vcl/extctrls.h"

#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <map>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/reportfailures.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

using support::Frame3D;

// --- TBevel -------------------------------------------------------------------------------------

TBevel::TBevel(TComponent *owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value) {
  shape_ = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  style_ = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas *c = Canvas();
  const TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  const TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  TRect r = ClientRect();
  const auto line = [c](TColor colour, int x1, int y1, int x2, int y2) {
    c->Pen()->SetColor(colour);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  const int w = Width(), h = Height();
  switch (shape_) {
    case bsBox:
      Frame3D(c, r, first, second, 1);
      break;
    case bsFrame: {
      TRect outer = r;
      outer.Right--, outer.Bottom--;
      Frame3D(c, outer, first, first, 1);
      TRect inner = r;
      inner.Left++, inner.Top++;
      Frame3D(c, inner, second, second, 1);
      break;
    }
    case bsTopLine:
      line(first, 0, 0, w, 0);
      line(second, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(first, 0, h - 2, w, h - 2);
      line(second, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(first, 0, 0, 0, h);
      line(second, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(first, w - 2, 0, w - 2, h);
      line(second, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

// --- TImage ---------------------------------------------------------------------------------------

TImage::TImage(TComponent *owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TPicture *) { PictureChanged(); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetPicture(const TPicture *picture) { picture_->Assign(picture); }

void TImage::PictureChanged() {
  if (auto_size_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

void TImage::SetStretch(bool value) {
  stretch_ = value;
  Invalidate();
}
void TImage::SetProportional(bool value) {
  proportional_ = value;
  Invalidate();
}
void TImage::SetCenter(bool value) {
  center_ = value;
  Invalidate();
}
void TImage::SetTransparent(bool value) {
  transparent_ = value;
  Invalidate();
}
void TImage::SetAutoSize(bool value) {
  auto_size_ = value;
  if (value) PictureChanged();
}

TRect TImage::DestRect() const {
  int w = picture_->Width(), h = picture_->Height();
  const int cw = Width(), ch = Height();
  if (w <= 0 || h <= 0) return Rect(0, 0, 0, 0);
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_) {
      // The larger ratio decides, so the whole picture fits.
      if (static_cast<long long>(cw) * h < static_cast<long long>(ch) * w) {
        h = static_cast<int>(static_cast<long long>(h) * cw / w);
        w = cw;
      } else {
        w = static_cast<int>(static_cast<long long>(w) * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  if (center_) return Bounds((cw - w) / 2, (ch - h) / 2, w, h);
  return Rect(0, 0, w, h);
}

void TImage::Paint() {
  TGraphic *g = picture_->Graphic();
  if (g == nullptr || g->Empty()) return;
  const bool was = g->Transparent();
  if (transparent_ != was) const_cast<TGraphic *>(g)->SetTransparent(transparent_);
  Canvas()->StretchDraw(DestRect(), g);
  if (transparent_ != was) const_cast<TGraphic *>(g)->SetTransparent(was);
}

// --- TTimer ---------------------------------------------------------------------------------------

namespace {

class QtTimerService : public TTimerService {
 public:
  int Start(int interval_ms, std::function<void()> tick) override {
    auto *t = new QTimer();
    t->setInterval(interval_ms);
    QObject::connect(t, &QTimer::timeout, t, std::move(tick));
    const int id = ++next_;
    timers_[id] = t;
    t->start();
    return id;
  }
  void Stop(int id) override {
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
  }

 private:
  int next_ = 0;
  std::map<int, QTimer *> timers_;
};

TTimerService *g_service = nullptr;

}  // namespace

void SetTimerService(TTimerService *service) { g_service = service; }

TTimerService *GetTimerService() {
  // Never destroyed: its timers belong to Qt, which is gone at static
  // destruction.
  static auto *qt_service = new QtTimerService;
  return g_service != nullptr ? g_service : qt_service;
}

TTimer::TTimer(TComponent *owner) : TComponent(owner) { Restart(); }

TTimer::~TTimer() {
  *alive_ = false;
  if (id_ != 0) service_->Stop(id_);
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Restart();
}

void TTimer::SetInterval(int value) {
  if (value == interval_) return;
  interval_ = value;
  Restart();
}

void TTimer::Restart() {
  if (id_ != 0) service_->Stop(id_);
  id_ = 0;
  if (!enabled_ || interval_ <= 0 || IsDesigning()) return;
  service_ = GetTimerService();
  const std::shared_ptr<bool> alive = alive_;
  id_ = service_->Start(interval_, [this, alive] {
    if (*alive) Tick();
  });
}

void TTimer::Tick() {
  if (!OnTimer) return;
  // A copy runs: the handler may free the timer, and its own closure with it.
  const TNotifyEvent handler = OnTimer;
  ReportFailures(this, [this, &handler] { handler(this); });
}

// --- TGroupBox --------------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent *owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls, csOpaque});
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(TRect &rect) const {
  // Below the caption line, inside the frame.
  rect.Top += 15;
  InflateRect(rect, -2, -2);
}

void TGroupBox::Paint() {
  TCanvas *c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
  const int th = c->TextHeight("0");
  TRect frame = Rect(0, th / 2, Width(), Height());
  TRect inner = frame;
  inner.Left++, inner.Top++;
  Frame3D(c, inner, clBtnHighlight, clBtnHighlight, 1);
  frame.Right--, frame.Bottom--;
  Frame3D(c, frame, clBtnShadow, clBtnShadow, 1);
  if (!Caption().isEmpty()) {
    TRect tr = Rect(8, 0, 8 + c->TextWidth(QString(Caption()).remove(u'&')) + 2, th);
    c->FillRect(tr);
    DrawText(c, Caption(), tr, DT_LEFT | DT_SINGLELINE);
  }
}

// --- TRadioButton -------------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents, csDoubleClicks});
  SetBounds(0, 0, 113, 17);
  SetTabStop(true);
}

QWidget *TRadioButton::CreateWidget(QWidget *parent_widget) {
  auto *b = new TControlWidget<QRadioButton>(this, parent_widget);
  b->setAutoExclusive(false);  // siblings are unchecked by SetChecked
  QObject::connect(b, &QRadioButton::clicked, b, [this] {
    if (updating_widget_) return;
    ReportFailures(this, [this] {
      // A click never unchecks a radio button.
      if (!checked_)
        SetChecked(true);
      else if (!Radio()->isChecked()) {
        updating_widget_ = true;
        Radio()->setChecked(true);
        updating_widget_ = false;
      }
    });
  });
  return b;
}

QRadioButton *TRadioButton::Radio() const { return static_cast<QRadioButton *>(widget_); }

void TRadioButton::InitWidget() {
  TWinControl::InitWidget();
  updating_widget_ = true;
  Radio()->setChecked(checked_);
  Radio()->setLayoutDirection(alignment_ == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
  updating_widget_ = false;
}

void TRadioButton::SetTextInWidget(const QString &text) {
  if (widget_ != nullptr) Radio()->setText(text);
}

void TRadioButton::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  if (widget_ != nullptr) {
    updating_widget_ = true;
    Radio()->setChecked(value);
    updating_widget_ = false;
  }
  if (!value) return;
  if (Parent() != nullptr)
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto *r = dynamic_cast<TRadioButton *>(Parent()->Controls(i)); r != nullptr && r != this)
        r->SetChecked(false);
  Click();
}

void TRadioButton::SetAlignment(TAlignment value) {
  alignment_ = value;
  if (widget_ != nullptr) Radio()->setLayoutDirection(value == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TRadioButton::WMGetDlgCode(TMessage &m) { m.Result = DLGC_BUTTON | DLGC_RADIOBUTTON; }

void TRadioButton::CMDialogChar(TMessage &m) {
  if (IsAccel(QChar(static_cast<char16_t>(m.CharCode())), Caption()) && CanFocus()) {
    SetFocus();
    SetChecked(true);
    m.Result = 1;
    return;
  }
  TWinControl::CMDialogChar(m);
}

// --- TRadioGroup ----------------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent *owner) : TGroupBox(owner), items_(std::make_unique<rtl::TStringList>()) {
  items_->OnChange = [this](rtl::TObject *) { UpdateButtons(); };
}

TRadioGroup::~TRadioGroup() {
  items_->OnChange = nullptr;
  // The buttons are ours (made with no owner).
  for (TRadioButton *b : buttons_) delete b;
  buttons_.clear();
}

TRadioButton *TRadioGroup::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount()) rtl::ListIndexError(index);
  return buttons_[static_cast<size_t>(index)];
}

void TRadioGroup::UpdateButtons() {
  updating_ = true;
  while (ButtonCount() > items_->Count()) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (ButtonCount() < items_->Count()) {
    auto *b = new TRadioButton(nullptr);
    b->SetParent(this);
    b->OnClick = [this, b](rtl::TObject *) { ButtonClicked(b); };
    buttons_.push_back(b);
  }
  for (int i = 0; i < ButtonCount(); ++i) buttons_[static_cast<size_t>(i)]->SetCaption(items_->Get(i));
  if (item_index_ >= ButtonCount()) item_index_ = -1;
  for (int i = 0; i < ButtonCount(); ++i) buttons_[static_cast<size_t>(i)]->SetChecked(i == item_index_);
  updating_ = false;
  ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  TRect r = ClientRect();
  AdjustClientRect(r);
  const int cols = std::max(1, columns_);
  const int rows = (ButtonCount() + cols - 1) / cols;
  const int col_w = std::max(1, (r.Right - r.Left - 8) / cols);
  const int row_h = std::max(1, (r.Bottom - r.Top) / std::max(rows, 1));
  for (int i = 0; i < ButtonCount(); ++i) {
    const int col = i / rows, row = i % rows;
    buttons_[static_cast<size_t>(i)]->SetBounds(r.Left + 8 + col * col_w, r.Top + row * row_h, col_w,
                                                std::min(row_h, 20));
  }
}

void TRadioGroup::WMSize(TMessage &m) {
  TGroupBox::WMSize(m);
  ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int value) {
  if (value < -1 || value >= ButtonCount()) value = -1;
  if (value == item_index_) return;
  updating_ = true;
  item_index_ = value;
  if (value >= 0)
    buttons_[static_cast<size_t>(value)]->SetChecked(true);
  else
    for (TRadioButton *b : buttons_) b->SetChecked(false);
  updating_ = false;
}

void TRadioGroup::SetColumns(int value) {
  columns_ = std::clamp(value, 1, 16);
  ArrangeButtons();
}

void TRadioGroup::ButtonClicked(TRadioButton *button) {
  if (updating_) return;
  const auto it = std::find(buttons_.begin(), buttons_.end(), button);
  if (it == buttons_.end()) return;
  item_index_ = static_cast<int>(it - buttons_.begin());
  Click();
}

// --- TNotebook ---------------------------------------------------------------------------------------------

TPage::TPage(TComponent *owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetAlign(alClient);
  TControl::SetVisible(false);
}

TNotebook::TNotebook(TComponent *owner) : TWinControl(owner), pages_(std::make_unique<rtl::TStringList>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 150, 150);
  pages_->OnChange = [this](rtl::TObject *) { PagesChanged(); };
  pages_->Add(QStringLiteral("Default"));
}

TNotebook::~TNotebook() {
  pages_->OnChange = nullptr;
  for (TPage *p : page_controls_) delete p;
}

void TNotebook::PagesChanged() {
  while (static_cast<int>(page_controls_.size()) > pages_->Count()) {
    delete page_controls_.back();
    page_controls_.pop_back();
  }
  while (static_cast<int>(page_controls_.size()) < pages_->Count()) {
    auto *p = new TPage(nullptr);
    p->SetParent(this);
    page_controls_.push_back(p);
  }
  for (int i = 0; i < pages_->Count(); ++i) page_controls_[static_cast<size_t>(i)]->SetCaption(pages_->Get(i));
  const int index = page_index_ >= pages_->Count() ? pages_->Count() - 1 : std::max(page_index_, 0);
  page_index_ = -1;
  SetPageIndex(pages_->Count() > 0 ? index : -1);
}

TPage *TNotebook::Page(int index) const {
  if (index < 0 || index >= static_cast<int>(page_controls_.size())) rtl::ListIndexError(index);
  return page_controls_[static_cast<size_t>(index)];
}

void TNotebook::SetPageIndex(int value) {
  if (value == page_index_ || value < -1 || value >= static_cast<int>(page_controls_.size())) return;
  if (value >= 0) page_controls_[static_cast<size_t>(value)]->SetVisible(true);
  if (page_index_ >= 0) page_controls_[static_cast<size_t>(page_index_)]->SetVisible(false);
  page_index_ = value;
  AlignControls();
  if (OnPageChanged) OnPageChanged(this);
}

QString TNotebook::ActivePage() const { return page_index_ >= 0 ? pages_->Get(page_index_) : QString(); }

void TNotebook::SetActivePage(const QString &name) {
  const int i = pages_->IndexOf(name);
  if (i >= 0) SetPageIndex(i);
}

// --- TScrollBox ------------------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 185, 41);
}

QWidget *TScrollBox::CreateWidget(QWidget *parent_widget) {
  QWidget *w = TWinControl::CreateWidget(parent_widget);
  hbar_ = new QScrollBar(Qt::Horizontal, w);
  vbar_ = new QScrollBar(Qt::Vertical, w);
  for (QScrollBar *bar : {hbar_, vbar_}) {
    bar->setFocusPolicy(Qt::NoFocus);
    QObject::connect(bar, &QScrollBar::valueChanged, w, [this, bar](int v) {
      if (updating_bars_) return;
      if (bar == hbar_)
        SetHorzPosition(v);
      else
        SetVertPosition(v);
    });
  }
  UpdateBars();
  return w;
}

int TScrollBox::ContentWidth() const {
  int right = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    const TControl *c = Controls(i);
    if (c->Visible()) right = std::max(right, c->Left() + c->Width() + hpos_);
  }
  return right;
}

int TScrollBox::ContentHeight() const {
  int bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    const TControl *c = Controls(i);
    if (c->Visible()) bottom = std::max(bottom, c->Top() + c->Height() + vpos_);
  }
  return bottom;
}

int TScrollBox::HorzRange() const { return std::max(0, ContentWidth() - ClientWidth()); }
int TScrollBox::VertRange() const { return std::max(0, ContentHeight() - ClientHeight()); }

void TScrollBox::ScrollBy(int dx, int dy) {
  for (int i = 0; i < ControlCount(); ++i) {
    TControl *c = Controls(i);
    c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
  }
}

void TScrollBox::SetHorzPosition(int value) {
  value = std::clamp(value, 0, HorzRange());
  if (value == hpos_) return;
  const int dx = hpos_ - value;
  hpos_ = value;
  ScrollBy(dx, 0);
  UpdateBars();
}

void TScrollBox::SetVertPosition(int value) {
  value = std::clamp(value, 0, VertRange());
  if (value == vpos_) return;
  const int dy = vpos_ - value;
  vpos_ = value;
  ScrollBy(0, dy);
  UpdateBars();
}

void TScrollBox::ScrollInView(TControl *control) {
  if (control == nullptr || !ContainsControl(control) || control == this) return;
  // The control's rectangle in our client coordinates.
  int x = control->Left(), y = control->Top();
  for (TWinControl *p = control->Parent(); p != nullptr && p != this; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  if (x < 0)
    SetHorzPosition(hpos_ + x);
  else if (x + control->Width() > ClientWidth())
    SetHorzPosition(hpos_ + std::min(x, x + control->Width() - ClientWidth()));
  if (y < 0)
    SetVertPosition(vpos_ + y);
  else if (y + control->Height() > ClientHeight())
    SetVertPosition(vpos_ + std::min(y, y + control->Height() - ClientHeight()));
}

void TScrollBox::WMSize(TMessage &m) {
  TWinControl::WMSize(m);
  UpdateBars();
}

void TScrollBox::UpdateBars() {
  if (hbar_ == nullptr || vbar_ == nullptr) return;
  updating_bars_ = true;
  const int hr = HorzRange(), vr = VertRange();
  const int thick = 16;
  hbar_->setRange(0, hr);
  hbar_->setPageStep(std::max(1, ClientWidth()));
  hbar_->setValue(hpos_);
  hbar_->setVisible(hr > 0);
  hbar_->setGeometry(0, Height() - thick, Width() - (vr > 0 ? thick : 0), thick);
  vbar_->setRange(0, vr);
  vbar_->setPageStep(std::max(1, ClientHeight()));
  vbar_->setValue(vpos_);
  vbar_->setVisible(vr > 0);
  vbar_->setGeometry(Width() - thick, 0, thick, Height() - (hr > 0 ? thick : 0));
  hbar_->raise();
  vbar_->raise();
  updating_bars_ = false;
}

ORBISCA_PUBLISHED(TBevel, TControl) {
  p.Property("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
  p.Property("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}

ORBISCA_PUBLISHED(TImage, TControl) {
  p.Property("Picture", &TImage::Picture, &TImage::SetPicture);
  p.Property("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  p.Property("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  p.Property("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
  p.Property("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
}

ORBISCA_PUBLISHED(TTimer, TComponent) {
  p.Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  p.Property("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  p.Event("OnTimer", &TTimer::OnTimer);
}

ORBISCA_PUBLISHED(TRadioButton, TWinControl) {
  p.Property("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
}

ORBISCA_PUBLISHED(TRadioGroup, TWinControl) {
  p.Property("Items", &TRadioGroup::Items, &TRadioGroup::SetItems);
  p.Property("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex).Default(-1);
  p.Property("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns).Default(1);
}

ORBISCA_PUBLISHED(TNotebook, TWinControl) {
  p.Property("Pages", &TNotebook::Pages, &TNotebook::SetPages);
  p.Property("PageIndex", &TNotebook::PageIndex, &TNotebook::SetPageIndex);
}

namespace {
[[maybe_unused]] const bool kExtClassesRegistered = [] {
  RegisterClass<TBevel>();
  RegisterClass<TImage>();
  RegisterClass<TTimer>();
  RegisterClass<TGroupBox>();
  RegisterClass<TRadioButton>();
  RegisterClass<TRadioGroup>();
  RegisterClass<TNotebook>();
  RegisterClass<TScrollBox>();
  return true;
}();
}  // namespace

}  // namespace vcl
