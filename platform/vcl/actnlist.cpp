// Actions and action lists; see actnlist.h.
#include "platform/vcl/actnlist.h"

#include <QPainter>
#include <algorithm>

namespace vcl {

// --- TBasicAction ----------------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent *owner) : TComponent(owner) {}
TBasicAction::~TBasicAction() = default;

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

int TBasicAction::RegisterChanges(std::function<void()> callback) {
  const int id = next_client_++;
  clients_[id] = std::move(callback);
  return id;
}

void TBasicAction::UnRegisterChanges(int id) { clients_.erase(id); }

void TBasicAction::Change() {
  // A client may unregister (or free itself) from its callback.
  std::vector<int> ids;
  for (const auto &c : clients_) ids.push_back(c.first);
  for (int id : ids) {
    auto it = clients_.find(id);
    if (it != clients_.end()) {
      const std::function<void()> callback = it->second;
      callback();
    }
  }
}

// --- TCustomAction --------------------------------------------------------------------------------

TCustomAction::TCustomAction(TComponent *owner) : TBasicAction(owner) {}

TCustomAction::~TCustomAction() { SetActionList(nullptr); }

bool TCustomAction::Execute() {
  Update();
  if (!enabled_) return false;
  return TBasicAction::Execute();
}

void TCustomAction::SetCaption(const QString &value) {
  if (value == caption_) return;
  caption_ = value;
  Change();
}

void TCustomAction::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  Change();
}

void TCustomAction::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Change();
}

void TCustomAction::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Change();
}

void TCustomAction::SetHint(const QString &value) {
  if (value == hint_) return;
  hint_ = value;
  Change();
}

void TCustomAction::SetImageIndex(int value) {
  if (value == image_index_) return;
  image_index_ = value;
  Change();
}

void TCustomAction::SetShortCut(TShortCut value) {
  if (value == short_cut_) return;
  short_cut_ = value;
  Change();
}

void TCustomAction::SetActionList(TActionList *list) {
  if (list == action_list_) return;
  if (action_list_ != nullptr) action_list_->Removed(this);
  action_list_ = list;
  if (list != nullptr) list->Added(this);
  Change();
}

// --- TActionList ------------------------------------------------------------------------------------

TActionList::TActionList(TComponent *owner) : TComponent(owner) {}

TActionList::~TActionList() {
  while (!actions_.empty()) actions_.back()->SetActionList(nullptr);
}

void TActionList::SetImages(TImageList *images) { images_ = images; }

void TActionList::Added(TCustomAction *action) { actions_.push_back(action); }

void TActionList::Removed(TCustomAction *action) {
  actions_.erase(std::remove(actions_.begin(), actions_.end(), action), actions_.end());
}

ORBISCA_PUBLISHED(TCustomAction, TComponent) {
  p.Property("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption);
  p.Property("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked).Default(false);
  p.Property("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled).Default(true);
  p.Property("Hint", &TCustomAction::Hint, &TCustomAction::SetHint);
  p.Property("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex).Default(-1);
  p.Property("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut).Default(0);
  p.Property("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible).Default(true);
  p.Event("OnExecute", &TCustomAction::OnExecute);
  p.Event("OnUpdate", &TCustomAction::OnUpdate);
}

ORBISCA_PUBLISHED(TAction, TCustomAction) { (void)p; }

namespace {
[[maybe_unused]] const bool kActionClassesRegistered = [] {
  RegisterClass<TAction>();
  RegisterClass<TActionList>();
  return true;
}();
}  // namespace

bool TActionClientLink::Set(TBasicAction *action, std::function<void()> changed) {
  if (action == action_) return false;
  if (action_ != nullptr) {
    action_->UnRegisterChanges(registration_);
    action_->RemoveFreeNotification(client_);
  }
  action_ = action;
  registration_ = 0;
  if (action != nullptr) {
    registration_ = action->RegisterChanges(std::move(changed));
    action->FreeNotification(client_);
  }
  return true;
}

void TActionClientLink::Removed(TComponent *component) {
  // The action is being freed: its change list is gone already.
  if (component != action_ || action_ == nullptr) return;
  action_ = nullptr;
  registration_ = 0;
}

bool ActionImage(const TCustomAction *action, TBitmap &glyph) {
  const TActionList *list = action != nullptr ? action->ActionList() : nullptr;
  const TImageList *images = list != nullptr ? list->Images() : nullptr;
  if (images == nullptr || action->ImageIndex() < 0 || action->ImageIndex() >= images->Count()) return false;
  QImage img(images->Width(), images->Height(), QImage::Format_RGB32);
  img.fill(ColorToQColor(clFuchsia));
  {
    QPainter painter(&img);
    painter.drawImage(0, 0, images->Image(action->ImageIndex()));
  }
  glyph.SetSize(img.width(), img.height());
  glyph.SetImage(img);
  glyph.SetTransparentColor(clFuchsia);
  return true;
}

}  // namespace vcl
