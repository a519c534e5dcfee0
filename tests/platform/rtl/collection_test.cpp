// Collections: items join and leave their collection, belong to it, are
// reported once no update is open, and are copied item by item.
#include <gtest/gtest.h>

#include "platform/rtl/collection.h"
#include "platform/rtl/exceptions.h"

namespace {

class TNamedItem : public rtl::TCollectionItem {
  ORBISCA_CLASS(TNamedItem, rtl::TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  QString name;
  QString DisplayName() const override { return name.isEmpty() ? TCollectionItem::DisplayName() : name; }
  void Assign(const rtl::TPersistent *source) override {
    if (const auto *other = dynamic_cast<const TNamedItem *>(source)) {
      name = other->name;
      return;
    }
    TCollectionItem::Assign(source);
  }
  void Rename(const QString &n) {
    name = n;
    Changed(false);
  }
};

class TNamedItems : public rtl::TCollection {
  ORBISCA_CLASS(TNamedItems, rtl::TCollection)
 public:
  TNamedItems() : TCollection([](rtl::TCollection *c) { return new TNamedItem(c); }) {}
  ~TNamedItems() override { Clear(); }
  std::vector<rtl::TCollectionItem *> updates;

 protected:
  void Update(rtl::TCollectionItem *item) override { updates.push_back(item); }
};

TEST(Collection, ItemsBelongToTheirCollection) {
  TNamedItems items;
  auto *a = static_cast<TNamedItem *>(items.Add());
  auto *b = static_cast<TNamedItem *>(items.Add());
  EXPECT_EQ(items.Count(), 2);
  EXPECT_EQ(a->ClassName(), QStringLiteral("TNamedItem"));
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(a->DisplayName(), QStringLiteral("TNamedItem"));
  EXPECT_THROW(items.Items(2), rtl::EListError);
  EXPECT_THROW(items.Items(-1), rtl::EListError);

  // Freeing an item takes it out; moving one hands it over.
  delete a;
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(b->Index(), 0);
  TNamedItems other;
  b->SetCollection(&other);
  EXPECT_EQ(items.Count(), 0);
  EXPECT_EQ(other.Items(0), b);
  b->SetCollection(nullptr);
  EXPECT_EQ(b->Index(), -1);
  delete b;
  other.Add();
  other.Add();
  other.Delete(0);
  EXPECT_EQ(other.Count(), 1);
  EXPECT_THROW(other.Delete(3), rtl::EListError);
}

TEST(Collection, ChangesAreReportedOnceTheUpdateEnds) {
  TNamedItems items;
  items.Add();
  items.updates.clear();
  items.BeginUpdate();
  items.BeginUpdate();
  items.Add();
  static_cast<TNamedItem *>(items.Items(0))->Rename(QStringLiteral("uno"));
  items.EndUpdate();
  EXPECT_TRUE(items.updates.empty());
  items.EndUpdate();
  ASSERT_EQ(items.updates.size(), 1u);
  EXPECT_EQ(items.updates[0], nullptr);  // the whole collection
  static_cast<TNamedItem *>(items.Items(1))->Rename(QStringLiteral("due"));
  ASSERT_EQ(items.updates.size(), 2u);
  EXPECT_EQ(items.updates[1], items.Items(1));
  items.EndUpdate();  // one too many changes nothing
  EXPECT_EQ(items.UpdateCount(), 0);
}

TEST(Collection, AssignCopiesEveryItem) {
  TNamedItems from, to;
  for (const char *n : {"Titolo", "Prezzo"}) static_cast<TNamedItem *>(from.Add())->name = QLatin1String(n);
  to.Add();
  to.Add();
  to.Add();
  to.Assign(&from);
  ASSERT_EQ(to.Count(), 2);
  EXPECT_EQ(to.Items(1)->DisplayName(), QStringLiteral("Prezzo"));
  EXPECT_NE(to.Items(0), from.Items(0));
  to.Assign(&to);
  EXPECT_EQ(to.Count(), 2);
}

}  // namespace
