// Collections: ordered lists of items of one class that belong to the list
// (a grid's columns, a form storage's stored values). An item made for a
// collection joins it and leaves it when freed; freeing the collection
// frees its items. Changes are reported through `Update` once no update is
// open (BeginUpdate/EndUpdate nest), which is how an owner repaints or
// saves. Property storage stores a collection property as its count and
// each item's published properties.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "platform/rtl/object.h"

namespace rtl {

class TCollection;

class TCollectionItem : public TPersistent {
  ORBISCA_CLASS(TCollectionItem, TPersistent)

 public:
  // Joins `collection` at its end (none: a free item).
  explicit TCollectionItem(TCollection *collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem &) = delete;
  TCollectionItem &operator=(const TCollectionItem &) = delete;

  TCollection *Collection() const { return collection_; }
  // Moves the item to another collection (none: out of any).
  void SetCollection(TCollection *collection);
  // Its place in the collection, -1 without one.
  int Index() const;
  // The text a list shows for it; the class name by default.
  virtual QString DisplayName() const { return ClassName(); }

 protected:
  // Tells the collection this item (or, with `all`, every item) changed.
  void Changed(bool all);

 private:
  friend class TCollection;
  TCollection *collection_ = nullptr;
};

class TCollection : public TPersistent {
  ORBISCA_CLASS(TCollection, TPersistent)

 public:
  // Makes an item of the collection's class (joined to the collection).
  using TItemFactory = std::function<TCollectionItem *(TCollection *)>;

  explicit TCollection(TItemFactory make_item);
  ~TCollection() override;
  TCollection(const TCollection &) = delete;
  TCollection &operator=(const TCollection &) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError outside 0..Count-1.
  TCollectionItem *Items(int index) const;
  TCollectionItem *Add();
  void Delete(int index);
  void Clear();

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Copies the items of another collection of the same kind, each through
  // its Assign.
  void Assign(const TPersistent *source) override;

 protected:
  // `item` changed (nullptr: the collection as a whole).
  virtual void Update(TCollectionItem *item) { (void)item; }
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem *item);
  void RemoveItem(TCollectionItem *item);

  TItemFactory make_item_;
  std::vector<TCollectionItem *> items_;
  int update_count_ = 0;
};

// A collection that knows the object it belongs to.
class TOwnedCollection : public TCollection {
  ORBISCA_CLASS(TOwnedCollection, TCollection)

 public:
  TOwnedCollection(TPersistent *owner, TItemFactory make_item) : TCollection(std::move(make_item)), owner_(owner) {}
  TPersistent *Owner() const { return owner_; }

 private:
  TPersistent *owner_;
};

}  // namespace rtl
