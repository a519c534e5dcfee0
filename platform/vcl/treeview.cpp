// The tree view (see treeview.h).
#include "platform/vcl/treeview.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
// The platform's size of a new tree view.
constexpr int kDefaultWidth = 121;
constexpr int kDefaultHeight = 97;

TTreeNode *NodeOf(const QTreeWidgetItem *item) {
  return item != nullptr ? static_cast<TTreeNode *>(item->data(0, kNodeRole).value<void *>()) : nullptr;
}

// Hands the edited text to the control, which decides what the node takes.
class EditDelegate : public QStyledItemDelegate {
 public:
  EditDelegate(TTreeView *view, QObject *parent) : QStyledItemDelegate(parent), view_(view) {}
  // Set when Qt opened an editor (a hidden tree opens none).
  mutable bool opened = false;
  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    opened = true;
    return QStyledItemDelegate::createEditor(parent, option, index);
  }
  void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override {
    auto *line = qobject_cast<QLineEdit *>(editor);
    auto *tree = qobject_cast<QTreeWidget *>(parent());
    if (line == nullptr || tree == nullptr) return;
    TTreeNode *node = NodeOf(tree->itemFromIndex(index));
    const QString text = line->text();
    ReportFailures(view_, [this, node, &text] { view_->EditingEnded(node, &text); });
  }

 private:
  TTreeView *view_;
};

}  // namespace

// --- TTreeNode -------------------------------------------------------------------------------

TTreeNode::~TTreeNode() = default;

void TTreeNode::SetText(const QString &text) {
  text_ = text;
  if (item_ != nullptr) item_->setText(0, text);
}

void TTreeNode::SetImageIndex(int index) {
  image_index_ = index;
  if (item_ != nullptr) view_->ShowNode(this);
}

TTreeNode *TTreeNode::Item(int index) const {
  if (index < 0 || index >= Count()) rtl::ListIndexError(index);
  return children_[static_cast<size_t>(index)].get();
}

int TTreeNode::Index() const {
  const auto &siblings = view_->Items()->SiblingsOf(parent_);
  for (size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i].get() == this) return static_cast<int>(i);
  return -1;
}

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode *p = parent_; p != nullptr; p = p->parent_) ++level;
  return level;
}

TTreeNode *TTreeNode::GetNextSibling() const {
  const auto &siblings = view_->Items()->SiblingsOf(parent_);
  const int i = Index();
  return i >= 0 && i + 1 < static_cast<int>(siblings.size()) ? siblings[static_cast<size_t>(i) + 1].get() : nullptr;
}

bool TTreeNode::Selected() const { return view_->Selected() == this; }

void TTreeNode::Expand(bool recurse) {
  expanded_ = true;
  if (item_ != nullptr) item_->setExpanded(true);
  if (recurse)
    for (auto &child : children_) child->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  expanded_ = false;
  if (item_ != nullptr) item_->setExpanded(false);
  if (recurse)
    for (auto &child : children_) child->Collapse(true);
}

void TTreeNode::EditText() {
  if (view_->read_only_ || !view_->StartEditing(this)) return;
  view_->HandleNeeded();
  auto *delegate = static_cast<EditDelegate *>(view_->Tree()->itemDelegate());
  delegate->opened = false;
  if (item_ != nullptr) view_->Tree()->editItem(item_, 0);
  if (!delegate->opened) view_->editing_ = nullptr;
}

void TTreeNode::Delete() { view_->Items()->Delete(this); }

// --- TTreeNodes --------------------------------------------------------------------------

TTreeNodes::~TTreeNodes() = default;

std::vector<std::unique_ptr<TTreeNode>> &TTreeNodes::SiblingsOf(TTreeNode *parent) {
  return parent != nullptr ? parent->children_ : roots_;
}

int TTreeNodes::Count() const {
  int n = 0;
  for (TTreeNode *node = GetFirstNode(); node != nullptr;) {
    ++n;
    // Depth first: the first child, else the next sibling of the node or
    // of the nearest ancestor that has one.
    if (node->GetFirstChild() != nullptr) {
      node = node->GetFirstChild();
      continue;
    }
    while (node != nullptr && node->GetNextSibling() == nullptr) node = node->Parent();
    if (node != nullptr) node = node->GetNextSibling();
  }
  return n;
}

TTreeNode *TTreeNodes::Item(int index) const {
  int n = 0;
  for (TTreeNode *node = GetFirstNode(); node != nullptr;) {
    if (n++ == index) return node;
    if (node->GetFirstChild() != nullptr) {
      node = node->GetFirstChild();
      continue;
    }
    while (node != nullptr && node->GetNextSibling() == nullptr) node = node->Parent();
    if (node != nullptr) node = node->GetNextSibling();
  }
  rtl::ListIndexError(index);
}

TTreeNode *TTreeNodes::Root(int index) const {
  if (index < 0 || index >= RootCount()) rtl::ListIndexError(index);
  return roots_[static_cast<size_t>(index)].get();
}

TTreeNode *TTreeNodes::Add(TTreeNode *sibling, const QString &text) {
  return AddChild(sibling != nullptr ? sibling->Parent() : nullptr, text);
}

TTreeNode *TTreeNodes::AddChild(TTreeNode *parent, const QString &text) {
  auto &siblings = SiblingsOf(parent);
  siblings.push_back(std::unique_ptr<TTreeNode>(new TTreeNode(view_, parent)));
  TTreeNode *node = siblings.back().get();
  node->text_ = text;
  view_->MakeItem(node);
  return node;
}

void TTreeNodes::Delete(TTreeNode *node) {
  if (node == nullptr) return;
  view_->NodeRemoved(node);
  auto &siblings = SiblingsOf(node->Parent());
  const auto it = std::find_if(siblings.begin(), siblings.end(), [node](const auto &n) { return n.get() == node; });
  if (it == siblings.end()) return;
  const std::unique_ptr<TTreeNode> gone = std::move(*it);
  siblings.erase(it);
  if (gone->item_ != nullptr) {
    const bool was = view_->updating_;
    view_->updating_ = true;
    delete gone->item_;
    view_->updating_ = was;
  }
}

void TTreeNodes::Clear() {
  while (!roots_.empty()) Delete(roots_.back().get());
}

// --- TTreeView ---------------------------------------------------------------------------------

TTreeView::TTreeView(TComponent *owner) : TWinControl(owner), items_(std::make_unique<TTreeNodes>(this)) {
  SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TTreeView::~TTreeView() {
  // The nodes go before the widget, without telling anyone.
  updating_ = true;
  selected_ = nullptr;
  editing_ = nullptr;
  items_.reset();
}

QTreeWidget *TTreeView::Tree() const { return static_cast<QTreeWidget *>(widget_); }

QWidget *TTreeView::CreateWidget(QWidget *parent_widget) {
  auto *w = new TControlWidget<QTreeWidget>(this, parent_widget);
  w->setHeaderHidden(true);
  w->setColumnCount(1);
  // Editing starts only through EditText, which asks OnEditing first.
  w->setEditTriggers(QAbstractItemView::NoEditTriggers);
  w->setItemDelegate(new EditDelegate(this, w));
  QObject::connect(w->itemDelegate(), &QAbstractItemDelegate::closeEditor, w, [this] {
    if (editing_ != nullptr) ReportFailures(this, [this] { EditingEnded(editing_, nullptr); });
  });
  // The selection, not the current item: Qt makes an item current when the
  // tree merely gets the focus, which is no choice of the user's.
  QObject::connect(w, &QTreeWidget::itemSelectionChanged, w, [this, w] {
    if (updating_) return;
    const QList<QTreeWidgetItem *> chosen = w->selectedItems();
    if (TTreeNode *node = chosen.isEmpty() ? nullptr : NodeOf(chosen.first()))
      ReportFailures(this, [this, node] { UserSelected(node); });
  });
  QObject::connect(w, &QTreeWidget::itemExpanded, w, [](QTreeWidgetItem *item) {
    if (TTreeNode *node = NodeOf(item)) node->expanded_ = true;
  });
  QObject::connect(w, &QTreeWidget::itemCollapsed, w, [](QTreeWidgetItem *item) {
    if (TTreeNode *node = NodeOf(item)) node->expanded_ = false;
  });
  return w;
}

void TTreeView::InitWidget() {
  TWinControl::InitWidget();
  updating_ = true;
  for (int i = 0; i < items_->RootCount(); ++i) {
    std::vector<TTreeNode *> stack{items_->Root(i)};
    while (!stack.empty()) {
      TTreeNode *node = stack.back();
      stack.pop_back();
      MakeItem(node);
      for (int c = node->Count() - 1; c >= 0; --c) stack.push_back(node->Item(c));
    }
  }
  updating_ = false;
  SyncCurrent();
}

void TTreeView::WMGetDlgCode(TMessage &m) { m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; }

void TTreeView::MakeItem(TTreeNode *node) {
  if (widget_ == nullptr || node->item_ != nullptr) return;
  if (node->Parent() != nullptr && node->Parent()->item_ == nullptr) return;  // made with its parent
  const bool was = updating_;
  updating_ = true;
  auto *item = new QTreeWidgetItem();
  item->setData(0, kNodeRole, QVariant::fromValue(static_cast<void *>(node)));
  node->item_ = item;
  // The node's place among its siblings (it may be made after them).
  const int index = node->Index();
  if (node->Parent() != nullptr)
    node->Parent()->item_->insertChild(index, item);
  else
    Tree()->insertTopLevelItem(index, item);
  ShowNode(node);
  item->setExpanded(node->expanded_);
  updating_ = was;
}

void TTreeView::ShowNode(TTreeNode *node) {
  QTreeWidgetItem *item = node->item_;
  if (item == nullptr) return;
  item->setText(0, node->text_);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!read_only_) flags |= Qt::ItemIsEditable;
  item->setFlags(flags);
  QIcon icon;
  if (images_ != nullptr && node->image_index_ >= 0 && node->image_index_ < images_->Count())
    icon = QIcon(QPixmap::fromImage(images_->Image(node->image_index_)));
  item->setIcon(0, icon);
}

void TTreeView::SyncCurrent() {
  if (widget_ == nullptr) return;
  const bool was = updating_;
  updating_ = true;
  Tree()->setCurrentItem(selected_ != nullptr ? selected_->item_ : nullptr);
  if (selected_ == nullptr) Tree()->clearSelection();
  updating_ = was;
}

void TTreeView::NodeRemoved(TTreeNode *node) {
  // The node or one of its children may be selected or edited.
  auto inside = [node](const TTreeNode *n) {
    for (; n != nullptr; n = n->Parent())
      if (n == node) return true;
    return false;
  };
  if (inside(editing_)) editing_ = nullptr;
  if (inside(selected_)) {
    selected_ = nullptr;
    SyncCurrent();
    if (!updating_ && OnChange) OnChange(this, nullptr);
  }
}

void TTreeView::SetSelected(TTreeNode *node) {
  if (!UserSelected(node)) SyncCurrent();
}

bool TTreeView::UserSelected(TTreeNode *node) {
  if (node == selected_) {
    SyncCurrent();
    return true;
  }
  bool allow = true;
  if (OnChanging) OnChanging(this, node, allow);
  if (!allow) {
    SyncCurrent();
    return false;
  }
  selected_ = node;
  SyncCurrent();
  if (OnChange) OnChange(this, node);
  return true;
}

void TTreeView::SetReadOnly(bool value) {
  read_only_ = value;
  if (widget_ == nullptr) return;
  for (int i = 0; i < items_->Count(); ++i) ShowNode(items_->Item(i));
}

void TTreeView::SetImages(TImageList *images) {
  images_ = images;
  if (widget_ == nullptr) return;
  for (int i = 0; i < items_->Count(); ++i) ShowNode(items_->Item(i));
}

void TTreeView::FullExpand() {
  for (int i = 0; i < items_->RootCount(); ++i) items_->Root(i)->Expand(true);
}

void TTreeView::FullCollapse() {
  for (int i = 0; i < items_->RootCount(); ++i) items_->Root(i)->Collapse(true);
}

bool TTreeView::StartEditing(TTreeNode *node) {
  if (read_only_ || node == nullptr || editing_ != nullptr) return false;
  bool allow = true;
  if (OnEditing) OnEditing(this, node, allow);
  if (allow) editing_ = node;
  return allow;
}

void TTreeView::EditingEnded(TTreeNode *node, const QString *text) {
  if (node == nullptr || node != editing_) return;
  editing_ = nullptr;
  if (text == nullptr) return;  // discarded
  QString s = *text;
  if (OnEdited) OnEdited(this, node, s);
  node->SetText(s);
}

}  // namespace vcl
