// Collections (see collection.h).
#include "platform/rtl/collection.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"

namespace rtl {

TCollectionItem::TCollectionItem(TCollection *collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection *collection) {
  if (collection == collection_) return;
  if (collection_ != nullptr) collection_->RemoveItem(this);
  if (collection != nullptr) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (collection_ == nullptr) return -1;
  const auto &items = collection_->items_;
  const auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::Changed(bool all) {
  if (collection_ == nullptr || collection_->update_count_ > 0) return;
  collection_->Update(all ? nullptr : this);
}

TCollection::TCollection(TItemFactory make_item) : make_item_(std::move(make_item)) {}

TCollection::~TCollection() {
  ++update_count_;  // no reports while the items go
  Clear();
}

TCollectionItem *TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

TCollectionItem *TCollection::Add() {
  TCollectionItem *item = make_item_ ? make_item_(this) : new TCollectionItem(this);
  if (item->Collection() != this) item->SetCollection(this);
  return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

void TCollection::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) Changed();
}

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem *item) {
  items_.push_back(item);
  item->collection_ = this;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem *item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->collection_ = nullptr;
  Changed();
}

void TCollection::Assign(const TPersistent *source) {
  if (const auto *other = dynamic_cast<const TCollection *>(source)) {
    if (other == this) return;
    BeginUpdate();
    try {
      Clear();
      for (const TCollectionItem *item : other->items_) Add()->Assign(item);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace rtl
