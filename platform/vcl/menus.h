// Menus: TMenuItem trees shown as a form's menu bar (TMainMenu) or as a
// context menu (TPopupMenu).
//
// An item has a Caption ("&" marks the accelerator, "-" makes a separator),
// a ShortCut (the key with scShift/scCtrl/scAlt, as in messages.h), Checked,
// RadioItem with GroupIndex, Enabled, Visible and OnClick. Each item is
// shown through a QAction (a QMenu for an item with children), made when
// the menu is first shown and kept in step with the item. A shortcut works
// while the form of its menu is active, also when the bar is not open.
//
// A TMainMenu attaches to its owner form (or the form given to SetForm) as a
// QMenuBar along the form's top edge; the form's client area begins below it
// (IFormMenu of forms.h), so controls at the top of the client area lie under
// the bar, never beneath it. Alt with a caption's marked letter opens (or
// runs) its top item; Alt alone and F10 give the bar the keyboard.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/typinfo.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace vcl {

class TCustomForm;
class TControl;
class TMenu;
using rtl::TNotifyEvent;

class TMenuItem : public TComponent {
  ORBISCA_CLASS(TMenuItem, TComponent)

 public:
  explicit TMenuItem(TComponent *owner);
  ~TMenuItem() override;

  QString Caption() const { return caption_; }
  void SetCaption(const QString &caption);
  bool IsLine() const { return caption_ == QLatin1String("-"); }
  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut shortcut);
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the others of its group.
  void SetChecked(bool value);
  bool RadioItem() const { return radio_item_; }
  void SetRadioItem(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value) { group_index_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool value) { auto_check_ = value; }
  QString Hint() const { return hint_; }
  void SetHint(const QString &hint) { hint_ = hint; }
  // The picture shown beside the caption (a copy is kept; nullptr none).
  const TBitmap *Bitmap() const { return bitmap_.get(); }
  void SetBitmap(const TBitmap *bitmap);

  // --- the tree ----------------------------------------------------------------
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem *Items(int index) const;
  TMenuItem *Parent() const { return parent_; }
  int MenuIndex() const;
  void Add(TMenuItem *item);
  void Insert(int index, TMenuItem *item);
  // Takes the item out (it is not freed).
  void Remove(TMenuItem *item);
  // Frees item `index`.
  void Delete(int index);
  void Clear();
  // The child whose caption, without "&", equals `caption` (ignoring case).
  TMenuItem *Find(const QString &caption) const;
  // The menu the item belongs to (walking up), or nullptr.
  TMenu *GetParentMenu() const;

  // Runs the item as the user does: auto-check, then OnClick. Disabled
  // items do nothing.
  virtual void Click();
  TNotifyEvent OnClick;

  // Internal: the item's action, made on first use.
  QAction *Action();
  QMenu *SubMenu();
  void RebuildSubMenu();

 private:
  friend class TMenu;
  void Changed();
  void UpdateAction();

  QString caption_;
  TShortCut shortcut_ = scNone;
  bool checked_ = false;
  bool radio_item_ = false;
  int group_index_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  bool auto_check_ = false;
  QString hint_;
  std::unique_ptr<TBitmap> bitmap_;
  std::vector<TMenuItem *> items_;
  TMenuItem *parent_ = nullptr;
  TMenu *menu_ = nullptr;  // set on the root item
  QAction *action_ = nullptr;
  QMenu *submenu_ = nullptr;
};

class TMenu : public TComponent {
  ORBISCA_CLASS(TMenu, TComponent)

 public:
  explicit TMenu(TComponent *owner);
  ~TMenu() override;
  // The invisible root item; the top items are its children.
  TMenuItem *Items() const { return items_.get(); }
  // The item whose ShortCut is `shortcut` (searching the whole tree).
  TMenuItem *FindItemByShortCut(TShortCut shortcut) const;
  // Runs the item of a shortcut; true when one ran.
  bool IsShortCut(int key, TShiftState shift);

  // Internal: the tree changed.
  virtual void MenuChanged() {}

 private:
  std::unique_ptr<TMenuItem> items_;
};

class TMainMenu : public TMenu, public IFormMenu {
  ORBISCA_CLASS(TMainMenu, TMenu)

 public:
  explicit TMainMenu(TComponent *owner);
  ~TMainMenu() override;
  // The form showing the bar: the owner form by default.
  TCustomForm *Form() const;
  void SetForm(TCustomForm *form);
  // Makes the bar (and the shortcuts) live on the form's window.
  void Attach();
  QMenuBar *MenuBar() const { return bar_; }
  int MenuBarHeight() const;
  void MenuChanged() override;
  void Notification(TComponent *component, TOperation operation) override;

  // --- what the form asks of its menu ---------------------------------------------
  QWidget *MenuBarWidget() const override;
  bool MenuChar(QChar ch) override;
  void EnterMenuLoop() override;

 private:
  void Detach();
  TCustomForm *form_ = nullptr;
  QMenuBar *bar_ = nullptr;
};

// Where a popup menu stands against the point it is shown at.
ORBISCA_ENUM(TPopupAlignment, paLeft, paRight, paCenter)

class TPopupMenu : public TMenu {
  ORBISCA_CLASS(TPopupMenu, TMenu)

 public:
  explicit TPopupMenu(TComponent *owner);
  ~TPopupMenu() override;
  // The control whose context menu opened this one.
  TComponent *PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent *c) { popup_component_ = c; }
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool value) { auto_popup_ = value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }
  // Fires OnPopup and shows the menu at screen position x, y; returns when
  // it closed (after the chosen item ran).
  void Popup(int x, int y);
  TNotifyEvent OnPopup;

  // How the menu is shown; tests replace it to pick an item without a
  // window (nullptr: nothing chosen).
  static std::function<TMenuItem *(TPopupMenu *menu, int x, int y)> ShowSlot;

  void Notification(TComponent *component, TOperation operation) override;

 private:
  TComponent *popup_component_ = nullptr;
  bool auto_popup_ = true;
  TPopupAlignment alignment_ = paLeft;
};

// The caption without its "&" marks ("&&" stays one "&").
QString StripHotkey(const QString &caption);
// "Ctrl+S", "Shift+F5"...; empty for scNone.
QString ShortCutToText(TShortCut shortcut);
// The reverse; scNone for a text that is no shortcut.
TShortCut TextToShortCut(const QString &text);

}  // namespace vcl
