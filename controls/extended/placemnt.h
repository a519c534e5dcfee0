// Form placement and property storage: components dropped on a form that
// remember, between runs, where the form was and what the user set on it.
//
// `TFormPlacement` saves the owner form's placement (position, size,
// window state, optionally the focused control) in one section of an ini
// file, or of a registry key with `UseRegistry`, and restores it. Once it has
// been loaded with its form (Loaded), it restores when the form is shown and
// saves when the form may close and when it is destroyed. A save is refused
// until a restore has happened, so a form that failed to come up never
// overwrites good settings. `MinMaxInfo` and `PreventResize` limit the
// window's size through a window hook on the form.
//
// `TFormStorage` adds `StoredProps`, lines "Component.Property" saved and
// restored through `TPropsStorage` (mwprops.h), and `StoredValues`, named
// values of the program's own (optionally scrambled with a key).
//
// The section holds, besides the values: "FormVersion" (a restore happens
// only when the stored number is not lower than `Version`), the placement
// keys (apputils.h), "ActiveControl" and "Visible".
#pragma once

#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "controls/extended/winhook.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/collection.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/component.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/typinfo.h"

namespace ext {

class TFormPlacement;
class TFormStorage;

ORBISCA_ENUM(TPlacementOption, fpState, fpPosition, fpActiveControl)
using TPlacementOptions = vcl::TEnumSet<TPlacementOption>;
ORBISCA_ENUM(TPlacementRegRoot, prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData)

// What WM_GETMINMAXINFO carries (LParam points at it): the window's
// maximised size and position and the tracking limits of the user's
// resizing.
struct TMinMaxInfo {
  vcl::TPoint Reserved;
  vcl::TPoint MaxSize;
  vcl::TPoint MaxPosition;
  vcl::TPoint MinTrackSize;
  vcl::TPoint MaxTrackSize;
};
// Hit-test answers of the window frame.
inline constexpr vcl::LRESULT HTNOWHERE = 0;
inline constexpr vcl::LRESULT HTLEFT = 10;
inline constexpr vcl::LRESULT HTBOTTOMRIGHT = 17;

// Size limits of the placement's form; 0 leaves a limit as the window has it.
class TWinMinMaxInfo : public rtl::TPersistent {
  ORBISCA_CLASS(TWinMinMaxInfo, rtl::TPersistent)

 public:
  explicit TWinMinMaxInfo(TFormPlacement *owner) : owner_(owner) {}
  enum Index {
    kMaxPosLeft,
    kMaxPosTop,
    kMaxSizeHeight,
    kMaxSizeWidth,
    kMaxTrackHeight,
    kMaxTrackWidth,
    kMinTrackHeight,
    kMinTrackWidth,
    kCount
  };
  int Value(int index) const { return values_.at(static_cast<size_t>(index)); }
  void SetValue(int index, int value);

  int MaxPosLeft() const { return values_[kMaxPosLeft]; }
  void SetMaxPosLeft(int v) { SetValue(kMaxPosLeft, v); }
  int MaxPosTop() const { return values_[kMaxPosTop]; }
  void SetMaxPosTop(int v) { SetValue(kMaxPosTop, v); }
  int MaxSizeHeight() const { return values_[kMaxSizeHeight]; }
  void SetMaxSizeHeight(int v) { SetValue(kMaxSizeHeight, v); }
  int MaxSizeWidth() const { return values_[kMaxSizeWidth]; }
  void SetMaxSizeWidth(int v) { SetValue(kMaxSizeWidth, v); }
  int MaxTrackHeight() const { return values_[kMaxTrackHeight]; }
  void SetMaxTrackHeight(int v) { SetValue(kMaxTrackHeight, v); }
  int MaxTrackWidth() const { return values_[kMaxTrackWidth]; }
  void SetMaxTrackWidth(int v) { SetValue(kMaxTrackWidth, v); }
  int MinTrackHeight() const { return values_[kMinTrackHeight]; }
  void SetMinTrackHeight(int v) { SetValue(kMinTrackHeight, v); }
  int MinTrackWidth() const { return values_[kMinTrackWidth]; }
  void SetMinTrackWidth(int v) { SetValue(kMinTrackWidth, v); }

  // All eight are 0.
  bool DefaultMinMaxInfo() const;
  void Assign(const rtl::TPersistent *source) override;

 private:
  TFormPlacement *owner_;
  std::array<int, kCount> values_{};
};

// Something saved and restored together with a placement.
class TPlacementLink {
 public:
  virtual ~TPlacementLink();
  TFormPlacement *Placement() const { return placement_; }
  virtual void SaveToStorage() = 0;
  virtual void LoadFromStorage() = 0;

 private:
  friend class TFormPlacement;
  TFormPlacement *placement_ = nullptr;
};

class TFormPlacement : public vcl::TComponent {
  ORBISCA_CLASS(TFormPlacement, vcl::TComponent)

 public:
  explicit TFormPlacement(vcl::TComponent *owner);
  ~TFormPlacement() override;

  bool Active() const { return active_; }
  void SetActive(bool value) { active_ = value; }
  // The stored name, or the default file (registry key) when it is empty.
  QString IniFileName() const;
  void SetIniFileName(const QString &name) { ini_file_name_ = name; }
  const QString &StoredIniFileName() const { return ini_file_name_; }
  // The stored section, or the owner's default section when it is empty.
  QString IniSection() const;
  void SetIniSection(const QString &section) { ini_section_ = section; }
  const QString &StoredIniSection() const { return ini_section_; }
  TWinMinMaxInfo *MinMaxInfo() const { return min_max_info_.get(); }
  void SetMinMaxInfo(const TWinMinMaxInfo *info) { min_max_info_->Assign(info); }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions options) { options_ = options; }
  bool PreventResize() const { return prevent_resize_; }
  void SetPreventResize(bool value);
  TPlacementRegRoot RegistryRoot() const { return registry_root_; }
  void SetRegistryRoot(TPlacementRegRoot root) { registry_root_ = root; }
  bool UseRegistry() const { return use_registry_; }
  void SetUseRegistry(bool value) { use_registry_ = value; }
  int Version() const { return version_; }
  void SetVersion(int version) { version_ = version; }

  vcl::TNotifyEvent OnSavePlacement;
  vcl::TNotifyEvent OnRestorePlacement;

  void SavePlacementToStorage();
  void RestorePlacementFromStorage();
  // One value in the component's section; outside a save or restore the
  // file is opened for this value alone.
  QString ReadSectionString(const QString &key, const QString &def);
  void WriteSectionString(const QString &key, const QString &value);
  int ReadSectionInteger(const QString &key, int def);
  void WriteSectionInteger(const QString &key, int value);

  bool IsSaved() const { return saved_; }
  bool IsRestored() const { return restored_; }
  vcl::TCustomForm *Form() const { return dynamic_cast<vcl::TCustomForm *>(Owner()); }
  TMwWindowHook *WindowHook() const { return hook_; }

  void AddLink(TPlacementLink *link);
  void RemoveLink(TPlacementLink *link);

  void Loaded() override;

  // Internal: reacts to a change of MinMaxInfo.
  void MinMaxInfoModified();

 protected:
  virtual void WritePlacementSection();
  virtual void ReadPlacementSection();
  virtual QString ReadStorageString(const QString &section, const QString &key, const QString &def);
  virtual void WriteStorageString(const QString &section, const QString &key, const QString &value);
  // The file (or registry key) of the save or restore under way.
  rtl::TObject *StorageFile() const { return file_.get(); }
  void EraseStorageSection(const QString &section);

 private:
  class OpenScope;
  std::unique_ptr<rtl::TObject> OpenStorage(bool for_reading) const;
  void FormShow(rtl::TObject *sender);
  void FormCloseQuery(rtl::TObject *sender, bool &can_close);
  void FormDestroy(rtl::TObject *sender);
  void HookAfterMessage(vcl::TMessage &message);
  void CheckToggleHook();
  bool CheckMinMaxInfo() const;
  void ApplyTrackLimits();
  void UpdatePlacement();
  void UpdatePreventResize();
  void RestoreEvents();

  bool active_ = true;
  QString ini_file_name_;
  QString ini_section_;
  std::unique_ptr<TWinMinMaxInfo> min_max_info_;
  TPlacementOptions options_;
  bool prevent_resize_ = false;
  TPlacementRegRoot registry_root_ = prCurrentUser;
  bool use_registry_ = false;
  int version_ = 0;

  bool saved_ = false;
  bool restored_ = false;
  bool destroying_ = false;
  bool default_max_icon_ = true;
  bool events_chained_ = false;
  bool limits_applied_ = false;
  std::unique_ptr<rtl::TObject> file_;
  TMwWindowHook *hook_ = nullptr;
  vcl::TNotifyEvent saved_on_show_;
  vcl::TCloseQueryEvent saved_on_close_query_;
  vcl::TNotifyEvent saved_on_destroy_;
  std::vector<TPlacementLink *> links_;
};

using TStoredValueEvent = std::function<void(rtl::TObject *sender, rtl::Variant &value)>;

class TStoredValues;

// A named value of the program's own, kept in the storage's section.
class TStoredValue : public rtl::TCollectionItem {
  ORBISCA_CLASS(TStoredValue, rtl::TCollectionItem)

 public:
  explicit TStoredValue(TStoredValues *collection);

  const QString &Name() const { return name_; }
  // Raises EStringListError when another value of the collection has the
  // name (ignoring case).
  void SetName(const QString &name);
  const rtl::Variant &Value() const { return value_; }
  void SetValue(const rtl::Variant &value) { value_ = value; }
  const QString &KeyString() const { return key_string_; }
  void SetKeyString(const QString &key) { key_string_ = key; }
  QString DisplayName() const override;
  TStoredValues *Collection() const;

  TStoredValueEvent OnSave;
  TStoredValueEvent OnRestore;

  void Save();
  void Restore();
  void Assign(const rtl::TPersistent *source) override;

 private:
  QString name_;
  rtl::Variant value_;
  QString key_string_;
};

// The stored values of a form storage, in order; each item belongs to the
// collection.
class TStoredValues : public rtl::TOwnedCollection {
  ORBISCA_CLASS(TStoredValues, rtl::TOwnedCollection)

 public:
  explicit TStoredValues(TFormStorage *storage);

  TFormStorage *Storage() const { return storage_; }
  TStoredValue *Items(int index) const { return static_cast<TStoredValue *>(TOwnedCollection::Items(index)); }
  TStoredValue *Add() { return static_cast<TStoredValue *>(TOwnedCollection::Add()); }
  // -1 when no value has the name (ignoring case).
  int IndexOf(const QString &name) const;
  TStoredValue *StoredValue(const QString &name) const;
  // The value of a name (Unassigned when unknown); setting an unknown name
  // adds it.
  rtl::Variant Values(const QString &name) const;
  void SetValues(const QString &name, const rtl::Variant &value);

  void SaveValues();
  void RestoreValues();

 private:
  TFormStorage *storage_;
};

class TFormStorage : public TFormPlacement {
  ORBISCA_CLASS(TFormStorage, TFormPlacement)

 public:
  explicit TFormStorage(vcl::TComponent *owner);
  ~TFormStorage() override;

  // "Component.Property" lines, each with its component as the line's
  // object.
  rtl::TStrings *StoredProps() const { return stored_props_.get(); }
  void SetStoredProps(const rtl::TStrings *props);
  TStoredValues *StoredValues() const { return stored_values_.get(); }
  void SetStoredValues(const TStoredValues *values);
  rtl::Variant StoredValue(const QString &name) const { return stored_values_->Values(name); }
  void SetStoredValue(const QString &name, const rtl::Variant &value) { stored_values_->SetValues(name, value); }

  // Finds the component of each line on the owner (dropping lines that do
  // not parse or name no component) and watches them, so that a component
  // freed later takes its lines with it.
  void ResolveStoredProps();

  void Loaded() override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 protected:
  void WritePlacementSection() override;
  void ReadPlacementSection() override;
  virtual void SavePropertyLines();
  virtual void RestorePropertyLines();

 private:
  std::unique_ptr<rtl::TStringList> stored_props_;
  std::unique_ptr<TStoredValues> stored_values_;
};

}  // namespace ext
