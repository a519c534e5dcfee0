// The component model every form, control, dataset and report object rests
// on. A `TComponent` has a `Name` (an identifier, unique ignoring case among
// the components of one owner), an `Owner` that frees it, and the list of the
// components it owns. Components that hold a pointer to a component they do
// not own ask for a free notification and clear the pointer in
// `Notification(c, opRemove)`; an owner also forwards every insertion and
// removal among its components to all of them, so siblings on one form learn
// of each other without asking.
//
// Components with an owner are created with `new` and freed by the owner (or
// by `delete`, which takes them out of the owner's list first).
//
// C++ destroys a class from the most derived part down, so by the time
// ~TComponent frees the owned components the derived part of the owner is
// gone and its `Notification` override no longer runs. A derived class whose
// `Notification` matters while its children go (forms, data modules) calls
// `DestroyComponents()` in its own destructor.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/vcl/consts.h"

namespace vcl {

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag {
  csLoading,  // properties are being read from storage; Loaded() ends it
  csReading,
  csWriting,
  csDestroying,  // the destructor has begun
  csDesigning,   // on a design surface (report designer)
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = TEnumSet<TComponentStateFlag>;

class TComponent : public rtl::TPersistent {
  ORBISCA_CLASS(TComponent, rtl::TPersistent)

 public:
  explicit TComponent(TComponent *owner = nullptr);
  ~TComponent() override;

  // --- name and owner -----------------------------------------------------
  const QString &Name() const { return name_; }
  // Raises EComponentError when `name` is not an identifier or another
  // component of the same owner already carries it (ignoring case). An
  // empty name is allowed.
  virtual void SetName(const QString &name);
  TComponent *Owner() const { return owner_; }

  // --- owned components ---------------------------------------------------
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent *Components(int index) const;  // raises EListError out of range
  // Position in the owner's list, -1 without owner.
  int ComponentIndex() const;
  void SetComponentIndex(int index);
  // The owned component named `name`, ignoring case; nullptr when none (or
  // when `name` is empty).
  TComponent *FindComponent(const QString &name) const;
  // Takes `component` into this owner's list (out of its previous owner's),
  // checking its name. Raises EComponentError on a duplicate name.
  void InsertComponent(TComponent *component);
  // Takes `component` out of the list; it then has no owner.
  void RemoveComponent(TComponent *component);
  // Frees every owned component, last first.
  void DestroyComponents();

  // --- free notification --------------------------------------------------
  // Asks that `component` receive Notification(this, opRemove) when this
  // component is freed. The link goes both ways, so whichever of the two
  // goes first, the other forgets it.
  void FreeNotification(TComponent *component);
  void RemoveFreeNotification(TComponent *component);
  // Called on insertion into and removal from the owner's list (forwarded to
  // every owned component) and on free notification. The default forgets a
  // removed component's free-notification link and forwards to the owned
  // components; overrides call it.
  virtual void Notification(TComponent *component, TOperation operation);

  // --- state ----------------------------------------------------------------
  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return state_.Contains(csLoading); }
  bool IsDesigning() const { return state_.Contains(csDesigning); }
  bool IsDestroying() const { return state_.Contains(csDestroying); }
  // Marks the component as being read from storage (csLoading, csReading).
  // The reader calls Loaded() on every component it read when all are read.
  void BeginLoading();
  // Called once after the properties were read; the default clears
  // csLoading and csReading. Overrides call it first.
  virtual void Loaded();
  // Sets or clears csDesigning on this component and, by default, on what it
  // owns.
  void SetDesigning(bool value, bool set_children = true);
  // Marks this component and what it owns as being destroyed.
  void Destroying();
  // For readers and writers of stored forms that need a flag of their own
  // (csWriting, csUpdating...).
  void IncludeState(TComponentStateFlag flag) { state_.Include(flag); }
  void ExcludeState(TComponentStateFlag flag) { state_.Exclude(flag); }

  // --- user data --------------------------------------------------------------
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  // --- tree for storage ----------------------------------------------------
  // Controls have a parent that is not necessarily their owner; storage and
  // the designer walk the parent tree through these.
  virtual bool HasParent() const { return false; }
  virtual TComponent *GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent * /*parent*/) {}
  // Calls `proc` for each child to be stored under this component when
  // `root` is the component being stored. The default has none; forms and
  // data modules list the components they own that have no parent, windowed
  // controls the controls they parent.
  virtual void GetChildren(const std::function<void(TComponent *)> & /*proc*/, TComponent * /*root*/) {}

  // True when `name` is a valid identifier (letter or '_' first, then
  // letters, digits, '_'; ASCII only).
  static bool IsValidIdent(const QString &name);

 protected:
  // Raises EComponentError when `new_name` cannot be given to `component`
  // (an owned component, or nullptr for a name about to be inserted).
  virtual void ValidateRename(TComponent *component, const QString &current_name, const QString &new_name);
  // Hooks around ownership changes; the default does nothing.
  virtual void ValidateInsert(TComponent * /*component*/) {}
  virtual void ValidateContainer(TComponent *component);

 private:
  void Insert(TComponent *component);
  void Remove(TComponent *component);
  void AddFreeLink(TComponent *component);
  void RemoveFreeLink(TComponent *component);

  QString name_;
  TComponent *owner_ = nullptr;
  std::vector<TComponent *> components_;
  std::vector<TComponent *> free_links_;
  TComponentState state_;
  std::intptr_t tag_ = 0;
};

}  // namespace vcl
