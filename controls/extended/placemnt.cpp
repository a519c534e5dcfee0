// Form placement and property storage (see placemnt.h).
#include "controls/extended/placemnt.h"

#include <QWidget>
#include <algorithm>

#include "controls/extended/apputils.h"
#include "controls/extended/mwprops.h"
#include "controls/extended/utils.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/vcl/reportfailures.h"

namespace ext {

using vcl::TCustomForm;

namespace {

rtl::HKEY RegistryRootKey(TPlacementRegRoot root) {
  switch (root) {
    case prLocalMachine:
      return rtl::HKEY_LOCAL_MACHINE;
    case prCurrentConfig:
      return rtl::HKEY_CURRENT_CONFIG;
    case prClassesRoot:
      return rtl::HKEY_CLASSES_ROOT;
    case prUsers:
      return rtl::HKEY_USERS;
    case prDynData:
      return rtl::HKEY_DYN_DATA;
    default:
      return rtl::HKEY_CURRENT_USER;
  }
}

// The frame thickness of a border style, in pixels.
int FrameSize(vcl::TFormBorderStyle style) {
  switch (style) {
    case vcl::bsNone:
      return 0;
    case vcl::bsSingle:
    case vcl::bsToolWindow:
      return 1;
    case vcl::bsDialog:
      return 3;
    default:
      return 4;
  }
}

}  // namespace

// --- TWinMinMaxInfo -----------------------------------------------------------------------

ORBISCA_PUBLISHED(TWinMinMaxInfo, TPersistent) {
  p.Property("MaxPosLeft", &TWinMinMaxInfo::MaxPosLeft, &TWinMinMaxInfo::SetMaxPosLeft).Default(0);
  p.Property("MaxPosTop", &TWinMinMaxInfo::MaxPosTop, &TWinMinMaxInfo::SetMaxPosTop).Default(0);
  p.Property("MaxSizeHeight", &TWinMinMaxInfo::MaxSizeHeight, &TWinMinMaxInfo::SetMaxSizeHeight).Default(0);
  p.Property("MaxSizeWidth", &TWinMinMaxInfo::MaxSizeWidth, &TWinMinMaxInfo::SetMaxSizeWidth).Default(0);
  p.Property("MaxTrackHeight", &TWinMinMaxInfo::MaxTrackHeight, &TWinMinMaxInfo::SetMaxTrackHeight).Default(0);
  p.Property("MaxTrackWidth", &TWinMinMaxInfo::MaxTrackWidth, &TWinMinMaxInfo::SetMaxTrackWidth).Default(0);
  p.Property("MinTrackHeight", &TWinMinMaxInfo::MinTrackHeight, &TWinMinMaxInfo::SetMinTrackHeight).Default(0);
  p.Property("MinTrackWidth", &TWinMinMaxInfo::MinTrackWidth, &TWinMinMaxInfo::SetMinTrackWidth).Default(0);
}

void TWinMinMaxInfo::SetValue(int index, int value) {
  int &slot = values_.at(static_cast<size_t>(index));
  if (slot == value) return;
  slot = value;
  if (owner_ != nullptr) owner_->MinMaxInfoModified();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  return std::all_of(values_.begin(), values_.end(), [](int v) { return v == 0; });
}

void TWinMinMaxInfo::Assign(const rtl::TPersistent *source) {
  if (const auto *other = dynamic_cast<const TWinMinMaxInfo *>(source)) {
    values_ = other->values_;
    if (owner_ != nullptr) owner_->MinMaxInfoModified();
    return;
  }
  TPersistent::Assign(source);
}

// --- TPlacementLink -----------------------------------------------------------------------

TPlacementLink::~TPlacementLink() {
  if (placement_ != nullptr) placement_->RemoveLink(this);
}

// --- TFormPlacement ------------------------------------------------------------------------

// Keeps the file of one save or restore open for its duration.
class TFormPlacement::OpenScope {
 public:
  OpenScope(TFormPlacement *placement, bool for_reading) : placement_(placement) {
    if (placement_->file_ == nullptr) {
      placement_->file_ = placement_->OpenStorage(for_reading);
      owns_ = true;
    }
  }
  ~OpenScope() {
    if (owns_) placement_->file_.reset();
  }
  OpenScope(const OpenScope &) = delete;
  OpenScope &operator=(const OpenScope &) = delete;

 private:
  TFormPlacement *placement_;
  bool owns_ = false;
};

ORBISCA_PUBLISHED(TFormPlacement, TComponent) {
  p.Property("Active", &TFormPlacement::Active, &TFormPlacement::SetActive).Default(1);
  // The stored names, not the defaults the getters fill in.
  p.Property("IniFileName", &TFormPlacement::StoredIniFileName, &TFormPlacement::SetIniFileName);
  p.Property("IniSection", &TFormPlacement::StoredIniSection, &TFormPlacement::SetIniSection);
  p.Property("MinMaxInfo", &TFormPlacement::MinMaxInfo, &TFormPlacement::SetMinMaxInfo);
  p.Property("Options", &TFormPlacement::Options, &TFormPlacement::SetOptions)
      .Default(static_cast<std::int64_t>(TPlacementOptions{fpState, fpPosition}.Bits()));
  p.Property("PreventResize", &TFormPlacement::PreventResize, &TFormPlacement::SetPreventResize).Default(0);
  p.Property("RegistryRoot", &TFormPlacement::RegistryRoot, &TFormPlacement::SetRegistryRoot).Default(prCurrentUser);
  p.Property("UseRegistry", &TFormPlacement::UseRegistry, &TFormPlacement::SetUseRegistry).Default(0);
  p.Property("Version", &TFormPlacement::Version, &TFormPlacement::SetVersion).Default(0);
  p.Event("OnSavePlacement", &TFormPlacement::OnSavePlacement);
  p.Event("OnRestorePlacement", &TFormPlacement::OnRestorePlacement);
}

TFormPlacement::TFormPlacement(vcl::TComponent *owner)
    : vcl::TComponent(owner), min_max_info_(std::make_unique<TWinMinMaxInfo>(this)) {
  if (Form() != nullptr) options_ = {fpState, fpPosition};
  hook_ = new TMwWindowHook(this);
  hook_->SetActive(false);
  hook_->AfterMessage = [this](rtl::TObject *, vcl::TMessage &message, bool &) { HookAfterMessage(message); };
}

TFormPlacement::~TFormPlacement() {
  file_.reset();
  for (TPlacementLink *link : links_) link->placement_ = nullptr;
  links_.clear();
  if (!IsDesigning()) {
    hook_->SetActive(false);
    hook_->AfterMessage = nullptr;
    RestoreEvents();
  }
}

QString TFormPlacement::IniFileName() const {
  if (!ini_file_name_.isEmpty() || IsDesigning()) return ini_file_name_;
  return use_registry_ ? DefaultRegistryKey() : DefaultIniFileName();
}

QString TFormPlacement::IniSection() const {
  if (!ini_section_.isEmpty() || IsDesigning()) return ini_section_;
  return DefaultSectionName(Owner());
}

std::unique_ptr<rtl::TObject> TFormPlacement::OpenStorage(bool for_reading) const {
  if (use_registry_) {
    auto reg = for_reading ? std::make_unique<rtl::TRegIniFile>(IniFileName(), rtl::KEY_READ)
                           : std::make_unique<rtl::TRegIniFile>(IniFileName());
    reg->SetRootKey(RegistryRootKey(registry_root_));
    return reg;
  }
  return std::make_unique<rtl::TIniFile>(IniFileName());
}

QString TFormPlacement::ReadStorageString(const QString &section, const QString &key, const QString &def) {
  return StorageReadString(file_.get(), section, key, def);
}

void TFormPlacement::WriteStorageString(const QString &section, const QString &key, const QString &value) {
  StorageWriteString(file_.get(), section, key, value);
}

void TFormPlacement::EraseStorageSection(const QString &section) { StorageEraseSection(file_.get(), section); }

QString TFormPlacement::ReadSectionString(const QString &key, const QString &def) {
  OpenScope scope(this, true);
  return ReadStorageString(IniSection(), key, def);
}

void TFormPlacement::WriteSectionString(const QString &key, const QString &value) {
  OpenScope scope(this, false);
  WriteStorageString(IniSection(), key, value);
}

int TFormPlacement::ReadSectionInteger(const QString &key, int def) {
  OpenScope scope(this, true);
  return StorageReadInteger(file_.get(), IniSection(), key, def);
}

void TFormPlacement::WriteSectionInteger(const QString &key, int value) {
  OpenScope scope(this, false);
  StorageWriteInteger(file_.get(), IniSection(), key, value);
}

void TFormPlacement::AddLink(TPlacementLink *link) {
  if (link == nullptr || link->placement_ == this) return;
  if (link->placement_ != nullptr) link->placement_->RemoveLink(link);
  links_.push_back(link);
  link->placement_ = this;
}

void TFormPlacement::RemoveLink(TPlacementLink *link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (link->placement_ == this) link->placement_ = nullptr;
}

void TFormPlacement::WritePlacementSection() {
  const QString section = IniSection();
  if (TCustomForm *form = Form()) {
    WritePlacementKeys(form, file_.get(), section);
    if (options_.Contains(fpActiveControl) && form->ActiveControl() != nullptr)
      WriteStorageString(section, QStringLiteral("ActiveControl"), form->ActiveControl()->Name());
  }
  // Only a save made while the form goes marks it as having been open.
  StorageWriteInteger(file_.get(), section, QStringLiteral("Visible"), destroying_ ? 1 : 0);
  for (TPlacementLink *link : std::vector<TPlacementLink *>(links_)) link->SaveToStorage();
}

void TFormPlacement::ReadPlacementSection() {
  if (TCustomForm *form = Form())
    ReadPlacementKeys(form, file_.get(), IniSection(), options_.Contains(fpPosition), options_.Contains(fpState));
  for (TPlacementLink *link : std::vector<TPlacementLink *>(links_)) link->LoadFromStorage();
}

void TFormPlacement::SavePlacementToStorage() {
  // Settings are written only over settings that were read: a form that
  // never got as far as its restore keeps the file as it was.
  if (active_ && !restored_) return;
  OpenScope scope(this, false);
  WriteSectionInteger(QStringLiteral("FormVersion"), version_);
  WritePlacementSection();
  if (OnSavePlacement) OnSavePlacement(this);
  saved_ = true;
}

void TFormPlacement::RestorePlacementFromStorage() {
  saved_ = false;
  {
    OpenScope scope(this, true);
    if (ReadSectionInteger(QStringLiteral("FormVersion"), 0) >= version_) {
      ReadPlacementSection();
      restored_ = true;
      if (OnRestorePlacement) OnRestorePlacement(this);
      TCustomForm *form = Form();
      if (options_.Contains(fpActiveControl) && form != nullptr) {
        const QString name = ReadSectionString(QStringLiteral("ActiveControl"), QString());
        auto *control = dynamic_cast<vcl::TWinControl *>(form->FindComponent(name));
        if (control != nullptr && control->CanFocus()) form->SetActiveControl(control);
      }
    }
    restored_ = true;
  }
  UpdatePlacement();
}

void TFormPlacement::Loaded() {
  const bool loading = IsLoading();
  vcl::TComponent::Loaded();
  TCustomForm *form = Form();
  if (loading && form != nullptr && !IsDesigning() && !events_chained_) {
    events_chained_ = true;
    saved_on_show_ = form->OnShow;
    saved_on_close_query_ = form->OnCloseQuery;
    saved_on_destroy_ = form->OnDestroy;
    form->OnShow = [this](rtl::TObject *sender) { FormShow(sender); };
    form->OnCloseQuery = [this](rtl::TObject *sender, bool &can_close) { FormCloseQuery(sender, can_close); };
    form->OnDestroy = [this](rtl::TObject *sender) { FormDestroy(sender); };
    default_max_icon_ = form->BorderIcons().Contains(vcl::biMaximize);
    if (prevent_resize_) UpdatePreventResize();
  }
  CheckToggleHook();
}

void TFormPlacement::RestoreEvents() {
  if (!events_chained_) return;
  events_chained_ = false;
  if (TCustomForm *form = Form()) {
    form->OnShow = saved_on_show_;
    form->OnCloseQuery = saved_on_close_query_;
    form->OnDestroy = saved_on_destroy_;
  }
}

void TFormPlacement::FormShow(rtl::TObject *sender) {
  if (active_) vcl::ReportFailures(this, [this] { RestorePlacementFromStorage(); });
  if (saved_on_show_) saved_on_show_(sender);
}

void TFormPlacement::FormCloseQuery(rtl::TObject *sender, bool &can_close) {
  if (saved_on_close_query_) saved_on_close_query_(sender, can_close);
  TCustomForm *form = Form();
  if (can_close && active_ && form != nullptr && form->HandleAllocated())
    vcl::ReportFailures(this, [this] { SavePlacementToStorage(); });
}

void TFormPlacement::FormDestroy(rtl::TObject *sender) {
  if (active_ && !saved_) {
    destroying_ = true;
    vcl::ReportFailures(this, [this] { SavePlacementToStorage(); });
    destroying_ = false;
  }
  if (saved_on_destroy_) saved_on_destroy_(sender);
}

// --- size limits -------------------------------------------------------------------------------

void TFormPlacement::SetPreventResize(bool value) {
  if (value == prevent_resize_) return;
  prevent_resize_ = value;
  if (Form() == nullptr) return;
  UpdatePlacement();
  UpdatePreventResize();
}

void TFormPlacement::UpdatePreventResize() {
  TCustomForm *form = Form();
  if (form == nullptr) return;
  if (prevent_resize_) default_max_icon_ = form->BorderIcons().Contains(vcl::biMaximize);
  const bool was_active = active_;
  active_ = false;
  vcl::TBorderIcons icons = form->BorderIcons();
  if (prevent_resize_ || !default_max_icon_ || form->BorderStyle() == vcl::bsDialog)
    icons.Exclude(vcl::biMaximize);
  else
    icons.Include(vcl::biMaximize);
  form->SetBorderIcons(icons);
  active_ = was_active;
  if (!IsLoading()) CheckToggleHook();
}

void TFormPlacement::MinMaxInfoModified() {
  UpdatePlacement();
  if (!IsLoading()) CheckToggleHook();
}

bool TFormPlacement::CheckMinMaxInfo() const { return !min_max_info_->DefaultMinMaxInfo(); }

void TFormPlacement::CheckToggleHook() {
  TCustomForm *form = Form();
  const bool wanted = form != nullptr && (CheckMinMaxInfo() || prevent_resize_);
  if (wanted) hook_->SetWinControl(form);
  hook_->SetActive(wanted);
  ApplyTrackLimits();
}

// The window system of the platform asks the window for its limits as the
// user drags its frame; Qt wants them beforehand. They are asked for here
// through the same message, so every hook on the form has its say.
void TFormPlacement::ApplyTrackLimits() {
  TCustomForm *form = Form();
  if (form == nullptr || !form->HandleAllocated() || form->IsDestroying()) return;
  // Limits set by someone else are left alone until the hook sets its own.
  if (!hook_->Active() && !limits_applied_) return;
  limits_applied_ = hook_->Active();
  TMinMaxInfo info;
  info.MaxSize = {vcl::Screen->Width(), vcl::Screen->Height()};
  info.MaxTrackSize = {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  if (hook_->Active()) form->SendMessage(vcl::WM_GETMINMAXINFO, 0, reinterpret_cast<vcl::LPARAM>(&info));
  QWidget *w = form->Handle();
  w->setMinimumSize(std::max(0, info.MinTrackSize.X), std::max(0, info.MinTrackSize.Y));
  w->setMaximumSize(std::min(QWIDGETSIZE_MAX, info.MaxTrackSize.X), std::min(QWIDGETSIZE_MAX, info.MaxTrackSize.Y));
}

void TFormPlacement::HookAfterMessage(vcl::TMessage &m) {
  TCustomForm *form = Form();
  if (form == nullptr) return;
  if (m.Msg == vcl::WM_SHOWWINDOW && m.WParam != 0) {
    ApplyTrackLimits();
    return;
  }
  if (prevent_resize_) {
    if (m.Msg == vcl::WM_GETMINMAXINFO && m.LParam != 0 && form->HandleAllocated() && form->Visible()) {
      auto *info = reinterpret_cast<TMinMaxInfo *>(m.LParam);
      info->MinTrackSize = {form->Width(), form->Height()};
      info->MaxTrackSize = {form->Width(), form->Height()};
      m.Result = 1;
    } else if (m.Msg == vcl::WM_NCHITTEST && m.Result >= HTLEFT && m.Result <= HTBOTTOMRIGHT) {
      m.Result = HTNOWHERE;
    }
    return;
  }
  if (m.Msg != vcl::WM_GETMINMAXINFO || m.LParam == 0) return;
  auto *info = reinterpret_cast<TMinMaxInfo *>(m.LParam);
  const TWinMinMaxInfo &limits = *min_max_info_;
  if (limits.MinTrackWidth() != 0) info->MinTrackSize.X = limits.MinTrackWidth();
  if (limits.MinTrackHeight() != 0) info->MinTrackSize.Y = limits.MinTrackHeight();
  if (limits.MaxTrackWidth() != 0) info->MaxTrackSize.X = limits.MaxTrackWidth();
  if (limits.MaxTrackHeight() != 0) info->MaxTrackSize.Y = limits.MaxTrackHeight();
  if (limits.MaxSizeWidth() != 0) info->MaxSize.X = limits.MaxSizeWidth();
  if (limits.MaxSizeHeight() != 0) info->MaxSize.Y = limits.MaxSizeHeight();
  if (limits.MaxPosLeft() != 0) info->MaxPosition.X = limits.MaxPosLeft();
  if (limits.MaxPosTop() != 0) info->MaxPosition.Y = limits.MaxPosTop();
  m.Result = 1;
}

void TFormPlacement::UpdatePlacement() {
  TCustomForm *form = Form();
  if (form == nullptr || !form->HandleAllocated() || IsLoading() || prevent_resize_ || CheckMinMaxInfo()) return;
  TWindowPlacement p = GetWindowPlacement(form);
  if (!form->Visible()) p.ShowCmd = SW_HIDE;
  const int frame = FrameSize(form->BorderStyle());
  p.MinPosition = {-frame, -frame};
  SetWindowPlacement(form, p);
}

// --- TStoredValue ------------------------------------------------------------------------------

TStoredValue::TStoredValue(TStoredValues *collection) : rtl::TCollectionItem(collection) {}

TStoredValues *TStoredValue::Collection() const {
  return static_cast<TStoredValues *>(rtl::TCollectionItem::Collection());
}

void TStoredValue::SetName(const QString &name) {
  if (name == name_) return;
  TStoredValues *values = Collection();
  if (values != nullptr && !name.isEmpty()) {
    const int found = values->IndexOf(name);
    if (found >= 0 && values->Items(found) != this)
      throw rtl::EStringListError(QStringLiteral("String list does not allow duplicates"));
  }
  name_ = name;
}

QString TStoredValue::DisplayName() const { return name_.isEmpty() ? ClassName() : name_; }

void TStoredValue::Assign(const rtl::TPersistent *source) {
  if (const auto *other = dynamic_cast<const TStoredValue *>(source)) {
    value_ = other->value_.IsEmpty() ? rtl::Variant() : other->value_;
    SetName(other->name_);
    key_string_ = other->key_string_;
    return;
  }
  TCollectionItem::Assign(source);
}

void TStoredValue::Save() {
  TFormStorage *storage = Collection() != nullptr ? Collection()->Storage() : nullptr;
  if (storage == nullptr) return;
  rtl::Variant value = value_;
  if (OnSave) OnSave(this, value);
  QString text = rtl::VarToStr(value);
  if (!key_string_.isEmpty()) text = ScrambleText(key_string_, text);
  storage->WriteSectionString(name_, text);
}

void TStoredValue::Restore() {
  TFormStorage *storage = Collection() != nullptr ? Collection()->Storage() : nullptr;
  if (storage == nullptr) return;
  QString def = rtl::VarToStr(value_);
  if (!key_string_.isEmpty()) def = ScrambleText(key_string_, def);
  QString text = storage->ReadSectionString(name_, def);
  if (!key_string_.isEmpty()) text = UnscrambleText(key_string_, text);
  rtl::Variant value(text);
  if (OnRestore) OnRestore(this, value);
  value_ = value;
}

// --- TStoredValues -----------------------------------------------------------------------------

TStoredValues::TStoredValues(TFormStorage *storage)
    : rtl::TOwnedCollection(storage,
                            [](rtl::TCollection *c) { return new TStoredValue(static_cast<TStoredValues *>(c)); }),
      storage_(storage) {}

int TStoredValues::IndexOf(const QString &name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Name().compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

TStoredValue *TStoredValues::StoredValue(const QString &name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : Items(i);
}

rtl::Variant TStoredValues::Values(const QString &name) const {
  const TStoredValue *item = StoredValue(name);
  return item != nullptr ? item->Value() : rtl::Variant();
}

void TStoredValues::SetValues(const QString &name, const rtl::Variant &value) {
  TStoredValue *item = StoredValue(name);
  if (item == nullptr) {
    item = Add();
    item->SetName(name);
  }
  item->SetValue(value);
}

void TStoredValues::SaveValues() {
  std::vector<TStoredValue *> items;
  for (int i = 0; i < Count(); ++i) items.push_back(Items(i));
  for (TStoredValue *item : items) item->Save();
}

void TStoredValues::RestoreValues() {
  std::vector<TStoredValue *> items;
  for (int i = 0; i < Count(); ++i) items.push_back(Items(i));
  for (TStoredValue *item : items) item->Restore();
}

// --- TFormStorage ------------------------------------------------------------------------------

ORBISCA_PUBLISHED(TFormStorage, TFormPlacement) {
  p.Property("StoredProps", &TFormStorage::StoredProps, &TFormStorage::SetStoredProps);
  p.Property("StoredValues", &TFormStorage::StoredValues, &TFormStorage::SetStoredValues);
}

TFormStorage::TFormStorage(vcl::TComponent *owner)
    : TFormPlacement(owner),
      stored_props_(std::make_unique<rtl::TStringList>()),
      stored_values_(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() = default;

void TFormStorage::SetStoredProps(const rtl::TStrings *props) { stored_props_->Assign(props); }

void TFormStorage::SetStoredValues(const TStoredValues *values) { stored_values_->Assign(values); }

void TFormStorage::ResolveStoredProps() {
  vcl::TComponent *owner = Owner();
  for (int i = stored_props_->Count() - 1; i >= 0; --i) {
    QString component, property;
    vcl::TComponent *c = nullptr;
    if (owner != nullptr && TPropsStorage::ParseStoredLine(stored_props_->Strings(i), component, property))
      c = owner->FindComponent(component);
    if (c == nullptr) {
      stored_props_->Delete(i);
      continue;
    }
    stored_props_->PutObject(i, c);
    c->FreeNotification(this);
  }
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  ResolveStoredProps();
}

void TFormStorage::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TFormPlacement::Notification(component, operation);
  if (operation != vcl::opRemove || IsDestroying() || stored_props_ == nullptr) return;
  for (int i = stored_props_->Count() - 1; i >= 0; --i)
    if (stored_props_->Objects(i) == component) stored_props_->Delete(i);
}

void TFormStorage::WritePlacementSection() {
  TFormPlacement::WritePlacementSection();
  SavePropertyLines();
  stored_values_->SaveValues();
}

void TFormStorage::ReadPlacementSection() {
  TFormPlacement::ReadPlacementSection();
  RestorePropertyLines();
  stored_values_->RestoreValues();
}

void TFormStorage::SavePropertyLines() {
  TPropsStorage storage;
  storage.SetSection(IniSection());
  storage.OnWriteString = [this](const QString &section, const QString &key, const QString &value) {
    WriteStorageString(section, key, value);
  };
  storage.OnEraseSection = [this](const QString &section) { EraseStorageSection(section); };
  storage.StorePropertiesOf(Owner(), stored_props_.get());
}

void TFormStorage::RestorePropertyLines() {
  TPropsStorage storage;
  storage.SetSection(IniSection());
  storage.OnReadString = [this](const QString &section, const QString &key, const QString &def) {
    return ReadStorageString(section, key, def);
  };
  rtl::IgnoreFailure("stored settings that no longer fit the form leave it as it is",
                     [&] { storage.LoadPropertiesOf(Owner(), stored_props_.get()); });
}

}  // namespace ext
