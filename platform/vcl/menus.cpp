// Menus (see menus.h).
#include "platform/vcl/menus.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
#include <algorithm>

#include "platform/vcl/controls.h"
#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

QString StripHotkey(const QString &caption) {
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

QString ShortCutToText(TShortCut shortcut) {
  if (shortcut == scNone) return QString();
  int key = 0;
  TShiftState shift;
  ShortCutToKey(shortcut, key, shift);
  const Qt::Key qk = QtKeyFromVirtualKey(key);
  if (qk == Qt::Key_unknown) return QString();
  int combined = qk;
  if (shift.Contains(ssShift)) combined |= Qt::SHIFT;
  if (shift.Contains(ssCtrl)) combined |= Qt::CTRL;
  if (shift.Contains(ssAlt)) combined |= Qt::ALT;
  return QKeySequence(combined).toString(QKeySequence::PortableText);
}

TShortCut TextToShortCut(const QString &text) {
  const QKeySequence seq = QKeySequence::fromString(text, QKeySequence::PortableText);
  if (seq.isEmpty()) return scNone;
  const QKeyCombination kc = seq[0];
  const int vk = VirtualKeyFromQtKey(kc.key(), kc.keyboardModifiers());
  if (vk == 0) return scNone;
  return ShortCut(vk, ShiftStateFromQt(kc.keyboardModifiers()));
}

// --- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent *owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  Destroying();
  if (parent_ != nullptr) parent_->Remove(this);
  // An item frees its sub-items; each leaves its owner's list on the way.
  while (!items_.empty()) {
    TMenuItem *child = items_.back();
    items_.pop_back();
    child->parent_ = nullptr;
    delete child;
  }
  delete submenu_;
  delete action_;
}

void TMenuItem::Changed() {
  UpdateAction();
  if (TMenu *menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::SetCaption(const QString &caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut shortcut) {
  shortcut_ = shortcut;
  UpdateAction();
}

void TMenuItem::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  if (value && radio_item_ && parent_ != nullptr)
    for (TMenuItem *sibling : parent_->items_)
      if (sibling != this && sibling->radio_item_ && sibling->group_index_ == group_index_ && sibling->checked_) {
        sibling->checked_ = false;
        sibling->UpdateAction();
      }
  UpdateAction();
}

void TMenuItem::SetRadioItem(bool value) {
  radio_item_ = value;
  UpdateAction();
}

void TMenuItem::SetEnabled(bool value) {
  enabled_ = value;
  UpdateAction();
}

void TMenuItem::SetVisible(bool value) {
  visible_ = value;
  UpdateAction();
}

TMenuItem *TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

int TMenuItem::MenuIndex() const {
  if (parent_ == nullptr) return -1;
  const auto &s = parent_->items_;
  return static_cast<int>(std::find(s.begin(), s.end(), this) - s.begin());
}

void TMenuItem::Add(TMenuItem *item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem *item) {
  if (item == nullptr) return;
  if (item->parent_ != nullptr) throw rtl::EInvalidOperation(QStringLiteral("Menu inserted twice"));
  for (const TMenuItem *p = this; p != nullptr; p = p->parent_)
    if (p == item) throw rtl::EInvalidOperation(QStringLiteral("A menu item cannot contain itself"));
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Remove(TMenuItem *item) {
  const auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  if (!IsDestroying()) Changed();
}

void TMenuItem::Delete(int index) { delete Items(index); }

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

TMenuItem *TMenuItem::Find(const QString &caption) const {
  const QString wanted = StripHotkey(caption);
  for (TMenuItem *i : items_)
    if (StripHotkey(i->caption_).compare(wanted, Qt::CaseInsensitive) == 0) return i;
  return nullptr;
}

TMenu *TMenuItem::GetParentMenu() const {
  const TMenuItem *i = this;
  while (i->parent_ != nullptr) i = i->parent_;
  return i->menu_;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (auto_check_) SetChecked(!checked_);
  // A copy runs: a handler may free its own item (menus rebuilt on a click).
  if (OnClick) {
    const TNotifyEvent handler = OnClick;
    handler(this);
  }
}

QAction *TMenuItem::Action() {
  if (action_ == nullptr) {
    action_ = new QAction();
    QObject::connect(action_, &QAction::triggered, action_, [this] { ReportFailures(this, [this] { Click(); }); });
    UpdateAction();
  }
  return action_;
}

void TMenuItem::UpdateAction() {
  if (action_ == nullptr) return;
  action_->setSeparator(IsLine());
  // The shortcut is shown after a tab; the menu's own key handling runs it,
  // so the action does not take the key itself.
  QString text = caption_;
  const QString keys = ShortCutToText(shortcut_);
  if (!keys.isEmpty()) text += u'\t' + keys;
  // A separator shows no text (some styles would draw its "-").
  action_->setText(IsLine() ? QString() : text);
  action_->setCheckable(checked_ || auto_check_ || radio_item_);
  action_->setChecked(checked_);
  action_->setEnabled(enabled_);
  action_->setVisible(visible_);
  action_->setIcon(bitmap_ != nullptr ? QIcon(QPixmap::fromImage(bitmap_->Image())) : QIcon());
  if (!items_.empty()) action_->setMenu(SubMenu());
}

void TMenuItem::SetBitmap(const TBitmap *bitmap) {
  if (bitmap == nullptr || bitmap->Empty()) {
    bitmap_.reset();
  } else {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->Assign(bitmap);
  }
  UpdateAction();
}

QMenu *TMenuItem::SubMenu() {
  if (submenu_ == nullptr) {
    submenu_ = new QMenu();
    RebuildSubMenu();
  }
  return submenu_;
}

void TMenuItem::RebuildSubMenu() {
  if (submenu_ == nullptr) return;
  submenu_->clear();
  for (TMenuItem *i : items_) {
    submenu_->addAction(i->Action());
    if (!i->items_.empty()) i->RebuildSubMenu();
  }
}

// --- TMenu ------------------------------------------------------------------------------------

TMenu::TMenu(TComponent *owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() { items_.reset(); }

namespace {
TMenuItem *FindShortCut(TMenuItem *item, TShortCut shortcut) {
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem *c = item->Items(i);
    if (c->ShortCut() == shortcut && c->Visible()) return c;
    if (TMenuItem *found = FindShortCut(c, shortcut)) return found;
  }
  return nullptr;
}
}  // namespace

TMenuItem *TMenu::FindItemByShortCut(TShortCut shortcut) const {
  if (shortcut == scNone) return nullptr;
  return FindShortCut(items_.get(), shortcut);
}

bool TMenu::IsShortCut(int key, TShiftState shift) {
  TMenuItem *item = FindItemByShortCut(ShortCut(key, shift));
  if (item == nullptr || !item->Enabled()) return false;
  // A disabled parent disables what is under it, as the closed menu would.
  for (TMenuItem *p = item->Parent(); p != nullptr; p = p->Parent())
    if (!p->Enabled()) return false;
  item->Click();
  return true;
}

// --- TMainMenu ----------------------------------------------------------------------------------

namespace {

// The bar's keyboard mode as Alt alone or F10 starts it: arrows move the
// mark, Enter or Space run the marked item (or open its menu), Esc and
// losing the focus give the keyboard back to the form's control.
class MenuBarKeys : public QObject {
 public:
  MenuBarKeys(QMenuBar *bar, TMainMenu *menu) : QObject(bar), bar_(bar), menu_(menu) {}

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched != bar_) return false;
    if (event->type() == QEvent::FocusOut) {
      if (!bar_->activeAction() || !bar_->activeAction()->menu()) bar_->setActiveAction(nullptr);
      return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto *ke = static_cast<QKeyEvent *>(event);
    switch (ke->key()) {
      case Qt::Key_Escape:
        Leave();
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Space: {
        QAction *a = bar_->activeAction();
        if (a == nullptr || a->menu() != nullptr) return false;  // Qt opens the menu
        Leave();
        a->trigger();
        return true;
      }
      default:
        return false;
    }
  }

 private:
  void Leave() {
    bar_->setActiveAction(nullptr);
    TCustomForm *form = menu_->Form();
    if (form == nullptr) return;
    TWinControl *back = form->ActiveControl();
    if (back != nullptr && back->CanFocus())
      back->Handle()->setFocus(Qt::MenuBarFocusReason);
    else
      bar_->clearFocus();
  }
  QMenuBar *bar_;
  TMainMenu *menu_;
};

// The top item whose caption marks `ch` ("&T" for T), ignoring case.
TMenuItem *ItemOfMnemonic(TMenuItem *root, QChar ch) {
  const QChar wanted = ch.toUpper();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem *item = root->Items(i);
    if (!item->Visible() || !item->Enabled()) continue;
    const QString caption = item->Caption();
    for (qsizetype k = 0; k + 1 < caption.size(); ++k) {
      if (caption[k] != u'&') continue;
      if (caption[k + 1] == u'&') {
        ++k;
        continue;
      }
      if (caption[k + 1].toUpper() == wanted) return item;
      break;
    }
  }
  return nullptr;
}

}  // namespace

TMainMenu::TMainMenu(TComponent *owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  InitApplication();
  Application->UnhookMainWindow(this);
  Detach();
}

void TMainMenu::Detach() {
  TCustomForm *form = Form();
  if (form != nullptr && form->Menu() == this) form->SetMenu(nullptr);
  delete bar_;
  bar_ = nullptr;
}

TCustomForm *TMainMenu::Form() const {
  if (form_ != nullptr) return form_;
  return dynamic_cast<TCustomForm *>(Owner());
}

void TMainMenu::SetForm(TCustomForm *form) {
  Detach();
  if (form_ != nullptr) form_->RemoveFreeNotification(this);
  form_ = form;
  if (form != nullptr) form->FreeNotification(this);
}

void TMainMenu::Notification(TComponent *component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == form_) {
    form_ = nullptr;
    bar_ = nullptr;  // it went with the form's window
  }
}

void TMainMenu::Attach() {
  InitApplication();
  // Shortcuts work while the menu's form is the active one, before the
  // focused control sees the key; so does F10 (when no item has it as its
  // shortcut), which gives the bar the keys.
  Application->HookMainWindow(this, [this](TMessage &m) {
    if (m.Msg != WM_KEYDOWN && m.Msg != WM_SYSKEYDOWN) return false;
    TCustomForm *form = Form();
    if (form == nullptr || Screen->ActiveForm() != form) return false;
    const TShiftState shift = KeyDataToShiftState(m.LParam);
    if (IsShortCut(static_cast<int>(m.WParam), shift)) return true;
    if (m.WParam == VK_F10 && shift.Empty() && bar_ != nullptr) {
      EnterMenuLoop();
      return true;
    }
    return false;
  });
  TCustomForm *form = Form();
  if (form == nullptr) return;
  if (bar_ == nullptr) {
    bar_ = new QMenuBar(form->Handle());
    bar_->setNativeMenuBar(false);
    bar_->installEventFilter(new MenuBarKeys(bar_, this));
  }
  MenuChanged();
  form->SetMenu(this);
}

int TMainMenu::MenuBarHeight() const { return bar_ != nullptr ? bar_->sizeHint().height() : 0; }

QWidget *TMainMenu::MenuBarWidget() const { return bar_; }

void TMainMenu::MenuChanged() {
  if (bar_ == nullptr) return;
  bar_->clear();
  TMenuItem *root = Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem *top = root->Items(i);
    QAction *a = top->Action();
    if (top->Count() > 0) top->RebuildSubMenu();
    bar_->addAction(a);
  }
  bar_->show();
  TCustomForm *form = Form();
  if (form != nullptr && form->Menu() == this) form->MenuBarChanged();
}

bool TMainMenu::MenuChar(QChar ch) {
  if (bar_ == nullptr) return false;
  TMenuItem *item = ItemOfMnemonic(Items(), ch);
  if (item == nullptr) return false;
  if (item->Count() > 0)
    bar_->setActiveAction(item->Action());  // opens its menu
  else
    item->Click();
  return true;
}

void TMainMenu::EnterMenuLoop() {
  if (bar_ == nullptr) return;
  QAction *first = nullptr;
  for (QAction *a : bar_->actions())
    if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
      first = a;
      break;
    }
  if (first == nullptr) return;
  bar_->setFocus(Qt::MenuBarFocusReason);
  bar_->setActiveAction(first);
}

// --- TPopupMenu ---------------------------------------------------------------------------------

std::function<TMenuItem *(TPopupMenu *, int, int)> TPopupMenu::ShowSlot;

namespace {
// Controls open their context menu through the slot of controls.h.
[[maybe_unused]] const bool kPopupSlotInstalled = [] {
  PopupMenuSlot() = [](TComponent *menu, TControl *control, const TPoint &pos) {
    auto *popup = dynamic_cast<TPopupMenu *>(menu);
    if (popup == nullptr || !popup->AutoPopup()) return;
    popup->SetPopupComponent(control);
    const TPoint screen = control->ClientToScreen(pos);
    popup->Popup(screen.X, screen.Y);
  };
  return true;
}();
}  // namespace

TPopupMenu::TPopupMenu(TComponent *owner) : TMenu(owner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Notification(TComponent *component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popup_component_) popup_component_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  if (ShowSlot) {
    if (TMenuItem *chosen = ShowSlot(this, x, y)) chosen->Click();
    return;
  }
  QMenu menu;
  TMenuItem *root = Items();
  for (int i = 0; i < root->Count(); ++i) menu.addAction(root->Items(i)->Action());
  if (alignment_ == paRight) x -= menu.sizeHint().width();
  if (alignment_ == paCenter) x -= menu.sizeHint().width() / 2;
  menu.exec(QPoint(x, y));
  // The actions belong to the items; the local menu must not free them.
  for (QAction *a : menu.actions()) menu.removeAction(a);
}

ORBISCA_PUBLISHED(TMenuItem, TComponent) {
  p.Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  p.Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  p.Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  p.Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  p.Property("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  p.Property("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
  p.Property("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  p.Event("OnClick", &TMenuItem::OnClick);
}

namespace {
[[maybe_unused]] const bool kMenuClassesRegistered = [] {
  RegisterClass<TMenuItem>();
  RegisterClass<TMainMenu>();
  RegisterClass<TPopupMenu>();
  return true;
}();
}  // namespace

}  // namespace vcl
