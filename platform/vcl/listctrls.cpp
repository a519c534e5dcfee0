// List box and combo box (see listctrls.h).
#include "platform/vcl/listctrls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <algorithm>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

// --- TListBox -----------------------------------------------------------------------------------

TListBox::TListBox(TComponent *owner) : TWinControl(owner), items_(std::make_unique<rtl::TStringList>()) {
  SetBounds(0, 0, 121, 97);
  // OnClick means a new choice, not any click.
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  items_->OnChange = [this](rtl::TObject *) { ItemsChanged(); };
}

TListBox::~TListBox() { items_->OnChange = nullptr; }

QListWidget *TListBox::List() const { return static_cast<QListWidget *>(widget_); }

QWidget *TListBox::CreateWidget(QWidget *parent_widget) {
  auto *w = new TControlWidget<QListWidget>(this, parent_widget);
  // The selection, not the current row: Qt makes a row current when the
  // list merely gets the focus, which is no choice of the user's.
  QObject::connect(w, &QListWidget::itemSelectionChanged, w, [this] {
    if (updating_) return;
    if (multi_select_) {
      for (int i = 0; i < Count() && i < List()->count(); ++i)
        selected_[static_cast<size_t>(i)] = List()->item(i)->isSelected();
      return;
    }
    const QList<QListWidgetItem *> chosen = List()->selectedItems();
    if (!chosen.isEmpty()) {
      const int row = List()->row(chosen.first());
      ReportFailures(this, [this, row] { UserSelected(row); });
    }
  });
  return w;
}

void TListBox::InitWidget() {
  TWinControl::InitWidget();
  // The widget is made when the list is first shown: it takes the lines
  // and the selection set before, which stay as they were.
  FillWidget();
}

void TListBox::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TListBox::ItemsChanged() {
  // A change of the lines keeps the chosen line only while it exists.
  selected_.assign(static_cast<size_t>(Count()), false);
  if (item_index_ >= Count()) item_index_ = -1;
  if (item_index_ >= 0 && !multi_select_) selected_[static_cast<size_t>(item_index_)] = true;
  LinesChanged();
  FillWidget();
}

void TListBox::FillWidget() {
  if (widget_ == nullptr) return;
  updating_ = true;
  List()->clear();
  for (int i = 0; i < Count(); ++i) {
    List()->addItem(items_->Get(i));
    DecorateItem(List()->item(i), i);
  }
  updating_ = false;
  SyncSelection();
}

void TListBox::RedecorateItem(int index) {
  if (widget_ == nullptr || index < 0 || index >= List()->count()) return;
  updating_ = true;
  DecorateItem(List()->item(index), index);
  updating_ = false;
}

void TListBox::SyncSelection() {
  if (widget_ == nullptr) return;
  updating_ = true;
  List()->setSelectionMode(multi_select_ ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  List()->setCurrentRow(item_index_);
  for (int i = 0; i < Count() && i < List()->count(); ++i)
    List()->item(i)->setSelected(selected_[static_cast<size_t>(i)]);
  updating_ = false;
}

void TListBox::SetItemIndex(int value) {
  if (value < 0 || value >= Count()) value = -1;
  item_index_ = value;
  if (!multi_select_) {
    std::fill(selected_.begin(), selected_.end(), false);
    if (value >= 0) selected_[static_cast<size_t>(value)] = true;
  }
  SyncSelection();
}

void TListBox::SetMultiSelect(bool value) {
  multi_select_ = value;
  SyncSelection();
}

bool TListBox::Selected(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return selected_[static_cast<size_t>(index)];
}

void TListBox::SetSelected(int index, bool value) {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  if (!multi_select_) {
    SetItemIndex(value ? index : (index == item_index_ ? -1 : item_index_));
    return;
  }
  selected_[static_cast<size_t>(index)] = value;
  SyncSelection();
}

int TListBox::SelCount() const {
  if (!multi_select_) return -1;  // as the platform answers for single selection
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TListBox::UserSelected(int row) {
  if (row < 0 || row >= Count() || row == item_index_) return;
  item_index_ = row;
  if (!multi_select_) {
    std::fill(selected_.begin(), selected_.end(), false);
    selected_[static_cast<size_t>(row)] = true;
  }
  Click();
}

// --- TCheckListBox -------------------------------------------------------------------------------

TCheckListBox::TCheckListBox(TComponent *owner) : TListBox(owner) {}

QWidget *TCheckListBox::CreateWidget(QWidget *parent_widget) {
  QWidget *w = TListBox::CreateWidget(parent_widget);
  QObject::connect(static_cast<QListWidget *>(w), &QListWidget::itemChanged, w, [this](QListWidgetItem *item) {
    if (Updating()) return;
    const int row = List()->row(item);
    if (row < 0 || row >= static_cast<int>(checked_.size())) return;
    const bool now = item->checkState() == Qt::Checked;
    if (checked_[static_cast<size_t>(row)] == now) return;
    checked_[static_cast<size_t>(row)] = now;
    ReportFailures(this, [this] {
      if (OnClickCheck) OnClickCheck(this);
    });
  });
  return w;
}

void TCheckListBox::LinesChanged() { checked_.resize(static_cast<size_t>(Count()), false); }

void TCheckListBox::DecorateItem(QListWidgetItem *item, int index) {
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(checked_[static_cast<size_t>(index)] ? Qt::Checked : Qt::Unchecked);
}

bool TCheckListBox::Checked(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return checked_[static_cast<size_t>(index)];
}

void TCheckListBox::SetChecked(int index, bool value) {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  checked_[static_cast<size_t>(index)] = value;
  RedecorateItem(index);
}

int TCheckListBox::CheckedCount() const { return static_cast<int>(std::count(checked_.begin(), checked_.end(), true)); }

// --- TComboBox ------------------------------------------------------------------------------------

TComboBox::TComboBox(TComponent *owner) : TWinControl(owner), items_(std::make_unique<rtl::TStringList>()) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  items_->OnChange = [this](rtl::TObject *) { ItemsChanged(); };
}

TComboBox::~TComboBox() { items_->OnChange = nullptr; }

QComboBox *TComboBox::Combo() const { return static_cast<QComboBox *>(widget_); }

QWidget *TComboBox::CreateWidget(QWidget *parent_widget) {
  auto *w = new TControlWidget<QComboBox>(this, parent_widget);
  w->setEditable(style_ == csDropDown || style_ == csSimple);
  w->setInsertPolicy(QComboBox::NoInsert);
  // Typed text stays as typed: no completion from the items.
  if (w->isEditable()) w->setCompleter(nullptr);
  QObject::connect(w, QOverload<int>::of(&QComboBox::activated), w, [this](int index) {
    if (!updating_) ReportFailures(this, [this, index] { UserChose(index); });
  });
  if (QLineEdit *edit = w->lineEdit()) {
    QObject::connect(edit, &QLineEdit::textEdited, w, [this](const QString &text) {
      if (!updating_) ReportFailures(this, [this, text] { UserEdited(text); });
    });
  }
  return w;
}

void TComboBox::InitWidget() {
  TWinControl::InitWidget();
  if (QLineEdit *edit = Combo()->lineEdit()) RouteEventsToControl(edit, this);
  ItemsChanged();
}

void TComboBox::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TComboBox::SetStyle(TComboBoxStyle value) {
  if (value == style_) return;
  style_ = value;
  if (widget_ != nullptr) {
    updating_ = true;
    Combo()->setEditable(value == csDropDown || value == csSimple);
    if (value == csDropDown || value == csSimple) Combo()->setCompleter(nullptr);
    if (QLineEdit *edit = Combo()->lineEdit()) {
      RouteEventsToControl(edit, this);
      QObject::connect(edit, &QLineEdit::textEdited, widget_, [this](const QString &text) {
        if (!updating_) ReportFailures(this, [this, text] { UserEdited(text); });
      });
      if (max_length_ > 0) edit->setMaxLength(max_length_);
    }
    updating_ = false;
  }
  if (value == csDropDownList) text_ = item_index_ >= 0 ? items_->Get(item_index_) : QString();
  ItemsChanged();
}

void TComboBox::ItemsChanged() {
  if (item_index_ >= items_->Count()) item_index_ = -1;
  if (widget_ == nullptr) return;
  updating_ = true;
  Combo()->clear();
  for (int i = 0; i < items_->Count(); ++i) Combo()->addItem(items_->Get(i));
  Combo()->setMaxVisibleItems(std::max(1, drop_down_count_));
  Combo()->setCurrentIndex(item_index_);
  if (Combo()->isEditable()) Combo()->setEditText(text_);
  updating_ = false;
}

void TComboBox::SetItemIndex(int value) {
  if (value < 0 || value >= items_->Count()) value = -1;
  item_index_ = value;
  text_ = value >= 0 ? items_->Get(value) : (style_ == csDropDownList ? QString() : text_);
  if (value < 0 && style_ != csDropDownList) text_.clear();
  if (widget_ != nullptr) {
    updating_ = true;
    Combo()->setCurrentIndex(value);
    if (Combo()->isEditable()) Combo()->setEditText(text_);
    updating_ = false;
  }
}

QString TComboBox::GetText() const {
  if (style_ == csDropDownList) return item_index_ >= 0 ? items_->Get(item_index_) : QString();
  if (widget_ != nullptr && Combo()->isEditable()) return Combo()->currentText();
  return text_;
}

void TComboBox::SetTextInWidget(const QString &) {}

void TComboBox::CMTextChanged(TMessage &m) {
  // The text chooses the item it names (exactly, as typed).
  const int found = [this] {
    for (int i = 0; i < items_->Count(); ++i)
      if (items_->Get(i) == text_) return i;
    return -1;
  }();
  item_index_ = found;
  if (style_ == csDropDownList && found < 0) text_.clear();
  if (widget_ != nullptr) {
    updating_ = true;
    Combo()->setCurrentIndex(found);
    if (Combo()->isEditable()) Combo()->setEditText(text_);
    updating_ = false;
  }
  TWinControl::CMTextChanged(m);
}

void TComboBox::SetDropDownCount(int value) {
  drop_down_count_ = value;
  if (widget_ != nullptr) Combo()->setMaxVisibleItems(std::max(1, value));
}

void TComboBox::SetMaxLength(int value) {
  max_length_ = std::max(0, value);
  if (widget_ != nullptr && Combo()->lineEdit() != nullptr)
    Combo()->lineEdit()->setMaxLength(max_length_ > 0 ? max_length_ : 32767);
}

bool TComboBox::DroppedDown() const {
  return widget_ != nullptr && Combo()->view() != nullptr && Combo()->view()->isVisible();
}

void TComboBox::SetDroppedDown(bool value) {
  if (widget_ == nullptr) return;
  if (value) {
    if (OnDropDown) OnDropDown(this);
    Combo()->showPopup();
  } else {
    Combo()->hidePopup();
  }
}

void TComboBox::Clear() {
  items_->Clear();
  SetItemIndex(-1);
  text_.clear();
  if (widget_ != nullptr && Combo()->isEditable()) Combo()->setEditText(QString());
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::UserChose(int index) {
  if (index < 0 || index >= items_->Count()) return;
  const bool changed = index != item_index_ || text_ != items_->Get(index);
  item_index_ = index;
  text_ = items_->Get(index);
  if (changed) Change();
}

void TComboBox::UserEdited(const QString &text) {
  text_ = text;
  item_index_ = -1;
  for (int i = 0; i < items_->Count(); ++i)
    if (items_->Get(i) == text) item_index_ = i;
  Change();
}

ORBISCA_PUBLISHED(TListBox, TWinControl) {
  p.Property("Items", &TListBox::Items, &TListBox::SetItems);
  p.Property("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex).Default(-1);
  p.Property("MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect).Default(false);
  p.Property("Sorted", &TListBox::Sorted, &TListBox::SetSorted).Default(false);
}

ORBISCA_PUBLISHED(TCheckListBox, TListBox) { p.Event("OnClickCheck", &TCheckListBox::OnClickCheck); }

ORBISCA_PUBLISHED(TComboBox, TWinControl) {
  p.Property("Items", &TComboBox::Items, &TComboBox::SetItems);
  p.Property("Style", &TComboBox::Style, &TComboBox::SetStyle).Default(csDropDown);
  p.Property("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex).Default(-1);
  p.Property("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8);
  p.Property("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength).Default(0);
  p.Property("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted).Default(false);
  p.Property("Text", &TComboBox::Text, &TComboBox::SetText);
  p.Event("OnChange", &TComboBox::OnChange);
}

namespace {
[[maybe_unused]] const bool kListClassesRegistered = [] {
  RegisterClass<TListBox>();
  RegisterClass<TCheckListBox>();
  RegisterClass<TComboBox>();
  return true;
}();
}  // namespace

}  // namespace vcl
