// Ownership, naming and notification rules of the component model.
#include "platform/vcl/component.h"

#include <gtest/gtest.h>

#include <vector>

using vcl::TComponent;
using vcl::TOperation;

namespace {

// Remembers a component it does not own, as a data-aware control remembers
// its data source, and forgets it on removal.
class Watcher : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent *watched = nullptr;
  std::vector<std::pair<TComponent *, TOperation>> heard;

  void Watch(TComponent *c) {
    watched = c;
    if (c) c->FreeNotification(this);
  }
  void Notification(TComponent *c, TOperation op) override {
    TComponent::Notification(c, op);
    heard.emplace_back(c, op);
    if (op == vcl::opRemove && c == watched) watched = nullptr;
  }
};

// Counts destructions, to see that an owner frees exactly what it owns.
struct Counted : TComponent {
  explicit Counted(TComponent *owner, int *count) : TComponent(owner), count_(count) {}
  ~Counted() override { ++*count_; }
  int *count_;
};

}  // namespace

TEST(Component, OwnerFreesWhatItOwnsAndFreedChildLeavesTheList) {
  int freed = 0;
  auto *owner = new TComponent(nullptr);
  auto *a = new Counted(owner, &freed);
  new Counted(owner, &freed);
  new Counted(a, &freed);  // grandchild
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(a->Owner(), owner);
  EXPECT_EQ(a->ComponentIndex(), 0);

  delete a;  // frees its own child too and leaves the owner's list
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  EXPECT_EQ(freed, 3);
}

TEST(Component, NamesAreIdentifiersUniqueIgnoringCase) {
  TComponent owner;
  auto *a = new TComponent(&owner);
  auto *b = new TComponent(&owner);
  a->SetName("EditCodice");
  EXPECT_EQ(owner.FindComponent("editcodice"), a);
  EXPECT_EQ(owner.FindComponent(""), nullptr);

  try {
    b->SetName("EDITCODICE");
    FAIL() << "duplicate accepted";
  } catch (const rtl::EComponentError &e) {
    EXPECT_EQ(e.Message(), "A component named EDITCODICE already exists");
  }
  EXPECT_EQ(b->Name(), "");

  for (const char *bad : {"1abc", "a b", "a-b", "è"}) {
    try {
      b->SetName(bad);
      FAIL() << bad;
    } catch (const rtl::EComponentError &e) {
      EXPECT_EQ(e.Message(),
                QStringLiteral("Component name \"%1\" is not a valid identifier").arg(QString::fromUtf8(bad)));
    }
  }
  b->SetName("_x1");
  a->SetName("EDITCODICE");  // a change of case of its own name is fine
  EXPECT_EQ(a->Name(), "EDITCODICE");
  b->SetName("");  // unnamed is allowed, also twice
  auto *c = new TComponent(&owner);
  EXPECT_EQ(c->Name(), "");
  EXPECT_THROW(owner.Components(3), rtl::EListError);
}

TEST(Component, InsertingADuplicateNameIsRefusedAndLeavesBothOwnersAlone) {
  TComponent first, second;
  auto *x = new TComponent(&first);
  x->SetName("Dup");
  auto *y = new TComponent(&second);
  y->SetName("Dup");
  EXPECT_THROW(first.InsertComponent(y), rtl::EComponentError);
  EXPECT_EQ(y->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 1);
  y->SetName("Other");
  first.InsertComponent(y);
  EXPECT_EQ(y->Owner(), &first);
  EXPECT_EQ(second.ComponentCount(), 0);
}

TEST(Component, FreedComponentNotifiesThoseThatAsked) {
  TComponent form1, form2;
  auto *source = new TComponent(&form1);
  auto *watcher = new Watcher(&form2);
  watcher->Watch(source);
  delete source;
  EXPECT_EQ(watcher->watched, nullptr);

  // Freed by its owner, too.
  auto *owner = new TComponent(nullptr);
  auto *source2 = new TComponent(owner);
  watcher->Watch(source2);
  delete owner;
  EXPECT_EQ(watcher->watched, nullptr);

  // The watcher going first leaves nothing dangling in the watched one.
  auto *source3 = new TComponent(&form1);
  auto *w2 = new Watcher(&form2);
  w2->Watch(source3);
  delete w2;
  delete source3;  // would touch the freed watcher if the link stayed
}

TEST(Component, SiblingsHearOfEachOtherThroughTheOwner) {
  TComponent form;
  auto *watcher = new Watcher(&form);
  auto *source = new TComponent(&form);
  watcher->Watch(source);
  ASSERT_FALSE(watcher->heard.empty());
  EXPECT_EQ(watcher->heard.back().first, source);
  EXPECT_EQ(watcher->heard.back().second, vcl::opInsert);
  delete source;
  EXPECT_EQ(watcher->watched, nullptr);
}

TEST(Component, StateFollowsLoadingDesigningAndDestroying) {
  TComponent owner;
  auto *c = new TComponent(&owner);
  c->BeginLoading();
  EXPECT_TRUE(c->ComponentState().Contains(vcl::csLoading));
  c->Loaded();
  EXPECT_FALSE(c->IsLoading());

  owner.SetDesigning(true);
  EXPECT_TRUE(c->IsDesigning());
  auto *later = new TComponent(&owner);  // joins a designing owner
  EXPECT_TRUE(later->IsDesigning());

  auto *owner2 = new TComponent;
  auto *child = new TComponent(owner2);
  owner2->Destroying();
  EXPECT_TRUE(child->IsDestroying());
  delete owner2;
}

TEST(Component, MovingToAnotherOwnerTellsBothOwnersAndKeepsOrder) {
  auto *first = new Watcher(nullptr);
  auto *second = new Watcher(nullptr);
  auto *moved = new TComponent(first);
  moved->SetName("Moved");
  auto *stays = new TComponent(first);
  first->heard.clear();
  second->InsertComponent(moved);
  EXPECT_EQ(moved->Owner(), second);
  ASSERT_FALSE(first->heard.empty());
  EXPECT_EQ(first->heard.back(), std::make_pair(moved, vcl::opRemove));
  EXPECT_EQ(second->heard.back(), std::make_pair(moved, vcl::opInsert));
  EXPECT_EQ(first->ComponentCount(), 1);
  EXPECT_EQ(stays->ComponentIndex(), 0);

  auto *a = new TComponent(second);
  auto *b = new TComponent(second);
  b->SetComponentIndex(0);
  EXPECT_EQ(second->Components(0), b);
  EXPECT_EQ(second->Components(1), moved);
  EXPECT_EQ(second->Components(2), a);
  a->SetComponentIndex(99);  // clamped to the end
  EXPECT_EQ(second->Components(2), a);
  second->RemoveComponent(a);
  EXPECT_EQ(a->Owner(), nullptr);
  delete a;  // no owner: nothing to leave
  EXPECT_EQ(second->ComponentCount(), 2);
  delete first;
  delete second;
}

TEST(Component, AWatcherOnAnotherFormHearsOnceWhenTheWholeFormGoes) {
  auto *form = new TComponent(nullptr);
  auto *source = new TComponent(form);
  auto *other_form = new TComponent(nullptr);
  auto *watcher = new Watcher(other_form);
  watcher->Watch(source);
  watcher->heard.clear();
  delete form;
  int removals = 0;
  for (const auto &[c, op] : watcher->heard)
    if (c == source && op == vcl::opRemove) ++removals;
  EXPECT_EQ(removals, 1);
  EXPECT_EQ(watcher->watched, nullptr);
  delete other_form;
}

TEST(Component, NotificationsReachComponentsOwnedDeeper) {
  TComponent form;
  auto *frame = new TComponent(&form);
  auto *inner = new Watcher(frame);
  auto *source = new TComponent(&form);
  inner->watched = source;  // never asked: hears through the owners
  delete source;
  EXPECT_EQ(inner->watched, nullptr);
}

TEST(Component, ANotificationHandlerThatFreesASiblingIsSafe) {
  // The platform's handlers often free what depended on a removed component.
  struct Freer : TComponent {
    using TComponent::TComponent;
    TComponent *victim = nullptr;
    TComponent *trigger = nullptr;
    void Notification(TComponent *c, vcl::TOperation op) override {
      TComponent::Notification(c, op);
      if (op == vcl::opRemove && c == trigger && victim != nullptr) {
        TComponent *v = victim;
        victim = nullptr;
        delete v;
      }
    }
  };
  TComponent form;
  auto *freer = new Freer(&form);
  freer->victim = new TComponent(&form);
  freer->trigger = new TComponent(&form);
  delete freer->trigger;
  EXPECT_EQ(form.ComponentCount(), 1);
}
