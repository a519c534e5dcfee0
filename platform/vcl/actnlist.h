// Actions: a command with its caption, checked and enabled state, hint and
// image, shared by the controls linked to it. A linked control takes the
// action's state whenever the action changes, and a click on it executes
// the action. TActionList groups actions and names the image list their
// image indexes refer to.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/typinfo.h"

namespace vcl {

using rtl::TNotifyEvent;
class TActionList;

class TBasicAction : public TComponent {
  ORBISCA_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent *owner);
  ~TBasicAction() override;

  // Fires OnExecute; false when there is none.
  virtual bool Execute();
  // Fires OnUpdate (the owner of the action sets its state there).
  virtual bool Update();

  // Linked controls hear of every change through these callbacks; the
  // number returned unregisters.
  int RegisterChanges(std::function<void()> callback);
  void UnRegisterChanges(int id);

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  void Change();

 private:
  std::map<int, std::function<void()>> clients_;
  int next_client_ = 1;
};

class TCustomAction : public TBasicAction {
  ORBISCA_CLASS(TCustomAction, TBasicAction)
 public:
  explicit TCustomAction(TComponent *owner);
  ~TCustomAction() override;

  QString Caption() const { return caption_; }
  void SetCaption(const QString &value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  QString Hint() const { return hint_; }
  void SetHint(const QString &value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value);
  TShortCut ShortCut() const { return short_cut_; }
  void SetShortCut(TShortCut value);
  TActionList *ActionList() const { return action_list_; }
  void SetActionList(TActionList *list);
  // Runs OnUpdate first; a disabled action does not execute.
  bool Execute() override;

 private:
  QString caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  QString hint_;
  int image_index_ = -1;
  TShortCut short_cut_ = 0;
  TActionList *action_list_ = nullptr;
};

class TAction : public TCustomAction {
  ORBISCA_CLASS(TAction, TCustomAction)
 public:
  using TCustomAction::TCustomAction;
};

class TActionList : public TComponent {
  ORBISCA_CLASS(TActionList, TComponent)
 public:
  explicit TActionList(TComponent *owner);
  ~TActionList() override;
  // Not owned: the form owns its image lists.
  TImageList *Images() const { return images_; }
  void SetImages(TImageList *images);
  int ActionCount() const { return int(actions_.size()); }
  TCustomAction *Actions(int index) const { return actions_[size_t(index)]; }

 private:
  friend class TCustomAction;
  void Added(TCustomAction *action);
  void Removed(TCustomAction *action);
  std::vector<TCustomAction *> actions_;
  TImageList *images_ = nullptr;
};

// A control's hold on its action: the control hears of every change of the
// action while it is linked, and forgets the action when the action is
// freed (the control passes its free notifications on to Removed).
class TActionClientLink {
 public:
  explicit TActionClientLink(TComponent *client) : client_(client) {}
  ~TActionClientLink() { Set(nullptr, nullptr); }
  TActionClientLink(const TActionClientLink &) = delete;
  TActionClientLink &operator=(const TActionClientLink &) = delete;

  TBasicAction *Action() const { return action_; }
  // Links `action` (nullptr: none), `changed` running on each of its
  // changes; false when it was the linked one already.
  bool Set(TBasicAction *action, std::function<void()> changed);
  // From the client's Notification: forgets the action when it is `component`.
  void Removed(TComponent *component);

 private:
  TComponent *client_;
  TBasicAction *action_ = nullptr;
  int registration_ = 0;
};

// The image an action shows (its ImageIndex in its list's image list),
// drawn on fuchsia at the list's image size, fuchsia being the glyph's
// transparent colour; false, leaving `glyph` alone, when it has none.
bool ActionImage(const TCustomAction *action, TBitmap &glyph);

}  // namespace vcl
