// Ownership, naming and free notification of components.
#include "platform/vcl/component.h"

#include <algorithm>

#include "platform/vcl/typinfo.h"

namespace vcl {

using rtl::EComponentError;

// Name is written by storage as the component's own key, not as a property.
ORBISCA_PUBLISHED(TComponent, TPersistent) {
  p.Property("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  p.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Type(TypeInfoInteger()).Default(0);
}

TComponent::TComponent(TComponent *owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell everyone that asked. The link is dropped here rather than relying
  // on each override calling the base Notification, so an override that
  // forgets cannot make this loop forever.
  while (!free_links_.empty()) {
    TComponent *other = free_links_.back();
    free_links_.pop_back();
    other->RemoveFreeLink(this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

bool TComponent::IsValidIdent(const QString &name) {
  if (name.isEmpty()) return false;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar c = name.at(i);
    const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    const bool digit = c >= u'0' && c <= u'9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

void TComponent::SetName(const QString &name) {
  if (name == name_) return;
  if (!name.isEmpty() && !IsValidIdent(name))
    throw EComponentError(QStringLiteral("Component name \"%1\" is not a valid identifier").arg(name));
  if (owner_ != nullptr)
    owner_->ValidateRename(this, name_, name);
  else
    ValidateRename(nullptr, name_, name);
  name_ = name;
}

void TComponent::ValidateRename(TComponent *component, const QString &current_name, const QString &new_name) {
  if (component == nullptr || new_name.isEmpty()) return;
  if (current_name.compare(new_name, Qt::CaseInsensitive) == 0 && component->owner_ == this)
    return;  // a change of case only
  TComponent *other = FindComponent(new_name);
  if (other != nullptr && other != component)
    throw EComponentError(QStringLiteral("A component named %1 already exists").arg(new_name));
}

void TComponent::ValidateContainer(TComponent *component) { component->ValidateInsert(this); }

TComponent *TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) rtl::ListIndexError(index);
  return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (owner_ == nullptr) return -1;
  const auto &list = owner_->components_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int index) {
  if (owner_ == nullptr) return;
  auto &list = owner_->components_;
  const int current = ComponentIndex();
  if (current < 0) return;
  index = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, this);
}

TComponent *TComponent::FindComponent(const QString &name) const {
  if (name.isEmpty()) return nullptr;
  for (TComponent *c : components_)
    if (c->name_.compare(name, Qt::CaseInsensitive) == 0) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent *component) {
  if (component == nullptr || component == this) return;
  if (component->owner_ == this) return;
  ValidateContainer(component);
  ValidateRename(component, QString(), component->name_);
  if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
  Insert(component);
  if (IsDesigning()) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent *component) {
  if (component == nullptr || component->owner_ != this) return;
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent *component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent *component) {
  const auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent *instance = components_.back();
    // Components that others watch are removed with notice; the rest just
    // leave, since their siblings are going too.
    if (instance->state_.Contains(csFreeNotification))
      RemoveComponent(instance);
    else
      Remove(instance);
    delete instance;
  }
}

void TComponent::AddFreeLink(TComponent *component) {
  if (std::find(free_links_.begin(), free_links_.end(), component) == free_links_.end())
    free_links_.push_back(component);
}

void TComponent::RemoveFreeLink(TComponent *component) {
  const auto it = std::find(free_links_.begin(), free_links_.end(), component);
  if (it != free_links_.end()) free_links_.erase(it);
}

void TComponent::FreeNotification(TComponent *component) {
  if (component == nullptr || component == this) return;
  // Components of one owner hear of each other through the owner already.
  if (owner_ == nullptr || component->owner_ != owner_) {
    AddFreeLink(component);
    component->AddFreeLink(this);
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent *component) {
  if (component == nullptr) return;
  RemoveFreeLink(component);
  component->RemoveFreeLink(this);
}

void TComponent::Notification(TComponent *component, TOperation operation) {
  if (operation == opRemove && component != nullptr) RemoveFreeNotification(component);
  // Walk by index from the end: a handler may free components of its own.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) continue;
    components_[static_cast<size_t>(i)]->Notification(component, operation);
  }
}

void TComponent::BeginLoading() {
  state_.Include(csLoading);
  state_.Include(csReading);
}

void TComponent::Loaded() {
  state_.Exclude(csLoading);
  state_.Exclude(csReading);
}

void TComponent::SetDesigning(bool value, bool set_children) {
  if (value)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  if (set_children)
    for (TComponent *c : components_) c->SetDesigning(value, true);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent *c : components_) c->Destroying();
}

}  // namespace vcl
