// The page control, its tab sheets and the status bar (see comctrls.h).
#include "platform/vcl/comctrls.h"

#include <QApplication>
#include <QSignalBlocker>
#include <QTabBar>
#include <algorithm>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

// --- TTabSheet ------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  TControl::SetVisible(false);
  SetAlign(alClient);
}

TTabSheet::~TTabSheet() {
  if (page_control_ != nullptr) page_control_->RemovePage(this);
}

void TTabSheet::SetParent(TWinControl *parent) {
  TPageControl *old = page_control_;
  TWinControl::SetParent(parent);
  auto *pc = dynamic_cast<TPageControl *>(parent);
  if (pc == old) return;
  if (old != nullptr) old->RemovePage(this);
  if (pc != nullptr) pc->InsertPage(this);
}

void TTabSheet::SetPageControl(TPageControl *page_control) { SetParent(page_control); }

int TTabSheet::PageIndex() const {
  if (page_control_ == nullptr) return -1;
  const auto &p = page_control_->pages_;
  return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (page_control_ != nullptr) page_control_->MovePage(this, index);
}

int TTabSheet::TabIndex() const {
  if (page_control_ == nullptr || !tab_visible_) return -1;
  const auto tabs = page_control_->VisibleTabs();
  return static_cast<int>(std::find(tabs.begin(), tabs.end(), this) - tabs.begin());
}

void TTabSheet::SetTabVisible(bool value) {
  if (value == tab_visible_) return;
  tab_visible_ = value;
  if (page_control_ != nullptr) page_control_->UpdateTabs();
}

void TTabSheet::CMTextChanged(TMessage &m) {
  TWinControl::CMTextChanged(m);
  if (page_control_ != nullptr) page_control_->UpdateTabs();
}

void TTabSheet::CMVisibleChanged(TMessage &m) {
  TWinControl::CMVisibleChanged(m);
  if (Visible() && OnShow) OnShow(this);
  if (!Visible() && OnHide) OnHide(this);
}

// --- TPageControl ---------------------------------------------------------------------------

TPageControl::TPageControl(TComponent *owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  // The pages may outlive us (another owner): they forget us first.
  for (TTabSheet *p : pages_) p->page_control_ = nullptr;
  pages_.clear();
  active_ = nullptr;
}

TTabSheet *TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) rtl::ListIndexError(index);
  return pages_[static_cast<size_t>(index)];
}

QWidget *TPageControl::CreateWidget(QWidget *parent_widget) {
  QWidget *w = TWinControl::CreateWidget(parent_widget);
  tab_bar_ = new QTabBar(w);
  tab_bar_->setFocusPolicy(Qt::NoFocus);
  tab_bar_->setDrawBase(true);
  tab_bar_->setExpanding(false);
  QObject::connect(tab_bar_, &QTabBar::currentChanged, w, [this](int index) {
    if (!updating_tabs_) ReportFailures(this, [this, index] { UserSelectTab(index); });
  });
  return w;
}

void TPageControl::InitWidget() {
  TWinControl::InitWidget();
  UpdateTabs();
}

void TPageControl::WMSize(TMessage &m) {
  TWinControl::WMSize(m);
  if (tab_bar_ != nullptr) tab_bar_->setGeometry(0, 0, Width(), tab_height_);
}

void TPageControl::CMDialogKey(TMessage &m) {
  const TShiftState shift = KeyDataToShiftState(m.LParam);
  QWidget *focus = QApplication::focusWidget();
  const bool inside = HandleAllocated() && focus != nullptr && (focus == Handle() || Handle()->isAncestorOf(focus));
  if (m.CharCode() == VK_TAB && shift.Contains(ssCtrl) && inside) {
    SelectNextPage(!shift.Contains(ssShift));
    m.Result = 1;
    return;
  }
  TWinControl::CMDialogKey(m);
}

void TPageControl::SetTabHeight(int value) {
  tab_height_ = std::max(value, 0);
  if (tab_bar_ != nullptr) tab_bar_->setGeometry(0, 0, Width(), tab_height_);
  AlignControls();
}

void TPageControl::AdjustClientRect(TRect &rect) const {
  rect.Top += tab_height_;
  InflateRect(rect, -2, -2);
}

std::vector<TTabSheet *> TPageControl::VisibleTabs() const {
  std::vector<TTabSheet *> tabs;
  for (TTabSheet *p : pages_)
    if (p->tab_visible_) tabs.push_back(p);
  return tabs;
}

QStringList TPageControl::TabCaptions() const {
  QStringList list;
  for (TTabSheet *p : VisibleTabs()) list << p->Caption();
  return list;
}

void TPageControl::UpdateTabs() {
  if (tab_bar_ == nullptr) return;
  updating_tabs_ = true;
  const auto tabs = VisibleTabs();
  while (tab_bar_->count() > static_cast<int>(tabs.size())) tab_bar_->removeTab(tab_bar_->count() - 1);
  while (tab_bar_->count() < static_cast<int>(tabs.size())) tab_bar_->addTab(QString());
  for (size_t i = 0; i < tabs.size(); ++i) {
    // The tab shows the caption with its accelerator mark as Qt writes it.
    tab_bar_->setTabText(static_cast<int>(i), tabs[i]->Caption());
  }
  const int current = active_ != nullptr ? active_->TabIndex() : -1;
  tab_bar_->setCurrentIndex(current);
  updating_tabs_ = false;
}

void TPageControl::InsertPage(TTabSheet *page) {
  page->page_control_ = this;
  pages_.push_back(page);
  UpdateTabs();
  // The first page becomes the active one, as a newly made page control
  // shows its first page.
  if (active_ == nullptr) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet *page) {
  const auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  TTabSheet *next = nullptr;
  if (page == active_) {
    next = FindNextPage(page, true, false);
    if (next == page) next = nullptr;
  }
  pages_.erase(it);
  page->page_control_ = nullptr;
  if (page == active_) {
    active_ = nullptr;
    if (!IsDestroying()) ShowPage(next);
  }
  UpdateTabs();
}

void TPageControl::MovePage(TTabSheet *page, int index) {
  const auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  pages_.erase(it);
  index = std::clamp(index, 0, PageCount());
  pages_.insert(pages_.begin() + index, page);
  UpdateTabs();
}

void TPageControl::ShowPage(TTabSheet *page) {
  if (page == active_) return;
  TTabSheet *old = active_;
  active_ = page;
  if (page != nullptr) {
    page->SetVisible(true);
    page->BringToFront();
  }
  if (old != nullptr) old->SetVisible(false);
  AlignControls();
  UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet *page) {
  if (page != nullptr && page->page_control_ != this)
    throw rtl::EInvalidOperation(QStringLiteral("The page belongs to another page control"));
  ShowPage(page);
}

int TPageControl::ActivePageIndex() const { return active_ != nullptr ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  if (index == -1) {
    ShowPage(nullptr);
    return;
  }
  if (index < 0 || index >= PageCount()) return;
  ShowPage(pages_[static_cast<size_t>(index)]);
}

TTabSheet *TPageControl::FindNextPage(TTabSheet *current, bool go_forward, bool check_tab_visible) const {
  if (pages_.empty()) return nullptr;
  const int n = PageCount();
  int start = current != nullptr ? current->PageIndex() : -1;
  if (start < 0) start = go_forward ? n - 1 : 0;
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = go_forward ? (i + 1) % n : (i + n - 1) % n;
    TTabSheet *p = pages_[static_cast<size_t>(i)];
    if (!check_tab_visible || p->tab_visible_) return p;
  }
  return nullptr;
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::UserSelectTab(int tab_index) {
  const auto tabs = VisibleTabs();
  TTabSheet *target =
      tab_index >= 0 && tab_index < static_cast<int>(tabs.size()) ? tabs[static_cast<size_t>(tab_index)] : nullptr;
  if (target == nullptr || target == active_) return;
  if (!CanChange()) {
    UpdateTabs();  // the tab goes back to the page that stays
    return;
  }
  ShowPage(target);
  Change();
}

void TPageControl::SelectNextPage(bool go_forward) {
  TTabSheet *next = FindNextPage(active_, go_forward, true);
  if (next == nullptr || next == active_) return;
  UserSelectTab(next->TabIndex());
}

// --- TStatusBar -----------------------------------------------------------------------------

void TStatusPanel::SetText(const QString &text) {
  if (text == text_) return;
  text_ = text;
  bar_->Invalidate();
}

void TStatusPanel::SetWidth(int width) {
  width_ = std::max(width, 0);
  bar_->Invalidate();
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
  style_ = value;
  bar_->Invalidate();
}

void TStatusPanel::SetAlignment(TAlignment value) {
  alignment_ = value;
  bar_->Invalidate();
}

TStatusBar::TStatusBar(TComponent *owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

TStatusPanel *TStatusBar::Panels(int index) const {
  if (index < 0 || index >= PanelCount()) rtl::ListIndexError(index);
  return panels_[static_cast<size_t>(index)].get();
}

TStatusPanel *TStatusBar::AddPanel() {
  panels_.push_back(std::unique_ptr<TStatusPanel>(new TStatusPanel(this)));
  Invalidate();
  return panels_.back().get();
}

void TStatusBar::ClearPanels() {
  panels_.clear();
  Invalidate();
}

void TStatusBar::SetSimplePanel(bool value) {
  simple_panel_ = value;
  Invalidate();
}

void TStatusBar::SetSimpleText(const QString &text) {
  simple_text_ = text;
  Invalidate();
}

TRect TStatusBar::PanelRect(int index) const {
  int left = 0;
  for (int i = 0; i < index && i < PanelCount(); ++i) left += panels_[static_cast<size_t>(i)]->width_ + 2;
  const bool last = index == PanelCount() - 1;
  const int right = last ? Width() : std::min(Width(), left + Panels(index)->width_);
  return Rect(left, 0, std::max(left, right), Height());
}

void TStatusBar::Paint() {
  TCanvas *c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
  c->SetFont(Font());
  const auto draw = [c](TRect r, const QString &text, TAlignment alignment) {
    support::Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
    InflateRect(r, -2, 0);
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (alignment == taCenter) flags |= DT_CENTER;
    if (alignment == taRightJustify) flags |= DT_RIGHT;
    c->Brush()->SetStyle(bsClear);
    DrawText(c, text, r, flags);
    c->Brush()->SetStyle(bsSolid);
  };
  if (simple_panel_) {
    draw(ClientRect(), simple_text_, taLeftJustify);
    return;
  }
  for (int i = 0; i < PanelCount(); ++i) {
    TStatusPanel *panel = panels_[static_cast<size_t>(i)].get();
    if (panel->style_ == psOwnerDraw && OnDrawPanel) {
      TRect r = PanelRect(i);
      support::Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
      OnDrawPanel(this, panel, r);
      continue;
    }
    draw(PanelRect(i), panel->text_, panel->alignment_);
  }
}

ORBISCA_PUBLISHED(TTabSheet, TWinControl) {
  p.Property("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
  p.Property("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex);
  p.Property("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex).Default(-1);
}

ORBISCA_PUBLISHED(TPageControl, TWinControl) {
  p.Property("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
  p.Event("OnChange", &TPageControl::OnChange);
  p.Event("OnChanging", &TPageControl::OnChanging);
}

// --- TUpDown --------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent *owner) : TCustomControl(owner) {
  SetWidth(16);   // NOLINT(readability-magic-numbers)
  SetHeight(24);  // NOLINT(readability-magic-numbers)
}

void TUpDown::SetMin(int value) {
  min_ = value;
  SetPosition(position_);
}

void TUpDown::SetMax(int value) {
  max_ = value;
  SetPosition(position_);
}

void TUpDown::SetPosition(int value) {
  position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
  WriteAssociate();
}

void TUpDown::SetAssociate(TWinControl *control) {
  if (control == associate_ || control == this) return;
  if (associate_ != nullptr) associate_->RemoveFreeNotification(this);
  associate_ = control;
  if (control == nullptr) return;
  control->FreeNotification(this);
  // The pair keeps the control's place and width: the arrows take the
  // right end of it.
  if (control->Parent() != nullptr && Parent() != control->Parent()) SetParent(control->Parent());
  const int w = Width();
  control->SetWidth(std::max(0, control->Width() - w));
  SetBounds(control->Left() + control->Width(), control->Top(), w, control->Height());
  WriteAssociate();
}

void TUpDown::ReadAssociate() {
  if (associate_ == nullptr) return;
  bool ok = false;
  const int typed = associate_->Text().trimmed().toInt(&ok);
  if (ok) position_ = std::clamp(typed, std::min(min_, max_), std::max(min_, max_));
}

void TUpDown::WriteAssociate() {
  if (associate_ != nullptr) associate_->SetText(QString::number(position_));
}

void TUpDown::Click(TUDBtnType button) {
  if (!Enabled()) return;
  ReadAssociate();
  SetPosition(position_ + (button == btNext ? increment_ : -increment_));
  if (OnClick) OnClick(this, button);
}

void TUpDown::Notification(TComponent *component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == associate_) associate_ = nullptr;
}

void TUpDown::CMEnabledChanged(TMessage &message) {
  TCustomControl::CMEnabledChanged(message);
  Invalidate();
}

void TUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button == mbLeft) Click(y < Height() / 2 ? btNext : btPrev);
}

void TUpDown::KeyDown(int &key, TShiftState shift) {
  if (key == VK_UP || key == VK_DOWN) {
    Click(key == VK_UP ? btNext : btPrev);
    key = 0;
    return;
  }
  TCustomControl::KeyDown(key, shift);
}

void TUpDown::Paint() {
  TCanvas *c = Canvas();
  const int half = Height() / 2;
  const TColor arrow = Enabled() ? clBtnText : clGrayText;
  for (int i = 0; i < 2; ++i) {
    TRect r{0, i == 0 ? 0 : half, Width(), i == 0 ? half : Height()};
    c->Brush()->SetColor(clBtnFace);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    support::Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    const int tip = i == 0 ? cy - 2 : cy + 2, base = i == 0 ? cy + 1 : cy - 1;
    c->Brush()->SetColor(arrow);
    c->Pen()->SetColor(arrow);
    c->Polygon({{cx - 3, base}, {cx + 3, base}, {cx, tip}});
  }
}

ORBISCA_PUBLISHED(TUpDown, TCustomControl) {
  p.Property("Min", &TUpDown::Min, &TUpDown::SetMin).Default(0);
  p.Property("Max", &TUpDown::Max, &TUpDown::SetMax).Default(100);  // NOLINT(readability-magic-numbers)
  p.Property("Increment", &TUpDown::Increment, &TUpDown::SetIncrement).Default(1);
  p.Property("Position", &TUpDown::Position, &TUpDown::SetPosition).Default(0);
}

ORBISCA_PUBLISHED(TStatusBar, TWinControl) {
  p.Property("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
  p.Property("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
}

namespace {
[[maybe_unused]] const bool kComClassesRegistered = [] {
  RegisterClass<TTabSheet>();
  RegisterClass<TPageControl>();
  RegisterClass<TUpDown>();
  RegisterClass<TStatusBar>();
  return true;
}();
}  // namespace

}  // namespace vcl
