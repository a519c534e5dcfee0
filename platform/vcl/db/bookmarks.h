// `TBookmarkList`, the selected rows of a grid: bookmarks of a link's
// dataset kept in the dataset's order (see db.h).
#pragma once

#include <functional>
#include <vector>

#include "platform/vcl/db/datalink.h"
#include "platform/vcl/db/dbtypes.h"

namespace vcl {

// The selected rows of a grid: bookmarks kept in the dataset's order.
class TBookmarkList {
 public:
  explicit TBookmarkList(TDataLink *link) : link_(link) {}

  int Count() const { return static_cast<int>(items_.size()); }
  const TBookmark &Items(int index) const;  // EListError out of range
  const TBookmark &operator[](int index) const { return Items(index); }
  bool CurrentRowSelected() const;
  void SetCurrentRowSelected(bool value);
  // Position of `bookmark`; when absent, false and the insertion position.
  bool Find(const TBookmark &bookmark, int &index) const;
  int IndexOf(const TBookmark &bookmark) const;
  void Clear();
  // Deletes the selected records from the dataset, then clears the list.
  void Delete();
  // Drops the bookmarks that no longer name a record; true when some went.
  bool Refresh();
  // The dataset changed beneath the list (reopened): the bookmarks are
  // meaningless now.
  void LinkActive(bool active);

  std::function<void()> OnChange;

 private:
  TDataSet *DataSet() const { return link_ ? link_->DataSet() : nullptr; }
  TBookmark CurrentBookmark() const;
  void Changed() {
    if (OnChange) OnChange();
  }
  TDataLink *link_;
  std::vector<TBookmark> items_;
};

}  // namespace vcl
