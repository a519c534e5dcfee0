// The tree view: nodes with a text, an image and a pointer of the caller's,
// shown in a Qt tree, with the label of a node edited in place.
//
// The nodes (TTreeNode, owned by the view's TTreeNodes) are the truth; the
// Qt tree mirrors them once the widget exists. Selecting a node, by the
// user or in code, asks OnChanging (which may refuse; the selection then
// stays where it was) and then fires OnChange, as the platform's tree
// notifies both. Deleting the selected node leaves no node selected
// (OnChange with nullptr).
//
// In-place editing starts by EditText (the caller's command, F2 for
// instance) once OnEditing allows it; Enter ends it through OnEdited, which
// may change the text the node takes, and Esc discards it. Neither key
// reaches the form meanwhile, so Esc in the editor does not cancel a
// dialog.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/controls.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace vcl {

class TImageList;
class TTreeView;
class TTreeNodes;

class TTreeNode {
 public:
  TTreeNode(const TTreeNode &) = delete;
  TTreeNode &operator=(const TTreeNode &) = delete;
  ~TTreeNode();

  QString Text() const { return text_; }
  void SetText(const QString &text);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int index);
  // The caller's own pointer (not owned).
  void *Data() const { return data_; }
  void SetData(void *data) { data_ = data; }

  TTreeNode *Parent() const { return parent_; }
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode *Item(int index) const;  // EListError out of range
  // Position among its siblings.
  int Index() const;
  // 0 for a root node.
  int Level() const;
  TTreeNode *GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  TTreeNode *GetNextSibling() const;
  TTreeView *TreeView() const { return view_; }

  bool Selected() const;
  bool Expanded() const { return expanded_; }
  void Expand(bool recurse);
  void Collapse(bool recurse);
  bool Focused() const { return Selected(); }
  // Starts editing the label in place (see the file comment).
  void EditText();
  // Deletes the node with its children.
  void Delete();

 private:
  friend class TTreeNodes;
  friend class TTreeView;
  TTreeNode(TTreeView *view, TTreeNode *parent) : view_(view), parent_(parent) {}

  TTreeView *view_;
  TTreeNode *parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
  QString text_;
  int image_index_ = -1;
  void *data_ = nullptr;
  bool expanded_ = false;
  QTreeWidgetItem *item_ = nullptr;  // while the widget exists
};

class TTreeNodes {
 public:
  explicit TTreeNodes(TTreeView *view) : view_(view) {}
  ~TTreeNodes();
  TTreeNodes(const TTreeNodes &) = delete;
  TTreeNodes &operator=(const TTreeNodes &) = delete;

  // Every node, depth first.
  int Count() const;
  TTreeNode *Item(int index) const;  // EListError out of range
  TTreeNode *GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  int RootCount() const { return static_cast<int>(roots_.size()); }
  TTreeNode *Root(int index) const;  // EListError out of range

  // A node after the last sibling of `sibling` (a root node when nullptr).
  TTreeNode *Add(TTreeNode *sibling, const QString &text);
  // The last child of `parent` (a root node when nullptr).
  TTreeNode *AddChild(TTreeNode *parent, const QString &text);
  void Delete(TTreeNode *node);
  void Clear();

 private:
  friend class TTreeView;
  friend class TTreeNode;
  std::vector<std::unique_ptr<TTreeNode>> &SiblingsOf(TTreeNode *parent);
  TTreeView *view_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
};

using TTVChangedEvent = std::function<void(rtl::TObject *sender, TTreeNode *node)>;
using TTVChangingEvent = std::function<void(rtl::TObject *sender, TTreeNode *node, bool &allow_change)>;
using TTVEditingEvent = std::function<void(rtl::TObject *sender, TTreeNode *node, bool &allow_edit)>;
using TTVEditedEvent = std::function<void(rtl::TObject *sender, TTreeNode *node, QString &text)>;

class TTreeView : public TWinControl {
  ORBISCA_CLASS(TTreeView, TWinControl)

 public:
  explicit TTreeView(TComponent *owner);
  ~TTreeView() override;

  TTreeNodes *Items() const { return items_.get(); }
  TTreeNode *Selected() const { return selected_; }
  // Asks OnChanging, then fires OnChange (see the file comment).
  void SetSelected(TTreeNode *node);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  // Images drawn beside the nodes by ImageIndex (not owned).
  TImageList *Images() const { return images_; }
  void SetImages(TImageList *images);
  bool IsEditing() const { return editing_ != nullptr; }
  void FullExpand();
  void FullCollapse();

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;

  // Internal: what the user did in the widget.
  bool UserSelected(TTreeNode *node);
  bool StartEditing(TTreeNode *node);
  void EditingEnded(TTreeNode *node, const QString *text);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void WMGetDlgCode(TMessage &message) override;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  QTreeWidget *Tree() const;
  void MakeItem(TTreeNode *node);
  void ShowNode(TTreeNode *node);
  void NodeRemoved(TTreeNode *node);
  void SyncCurrent();

  std::unique_ptr<TTreeNodes> items_;
  TTreeNode *selected_ = nullptr;
  TTreeNode *editing_ = nullptr;
  TImageList *images_ = nullptr;
  bool read_only_ = false;
  bool updating_ = false;
};

}  // namespace vcl
