// Published properties as settings-file values (see mwprops.h).
#include "controls/extended/mwprops.h"

#include <QMap>
#include <QRegularExpression>

#include "platform/rtl/collection.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/forms.h"

namespace ext {

namespace {
// The most items a stored collection is given back.
constexpr int kMaxStoredItems = 100000;
}  // namespace

using vcl::TPropInfo;

namespace {

// Objects that hold themselves through their properties must not send the
// storage round for ever.
constexpr int kMaxNesting = 8;

int FloatPrecision(vcl::TFloatType type) {
  switch (type) {
    case vcl::TFloatType::ftSingle:
      return 7;
    case vcl::TFloatType::ftDouble:
      return 15;
    case vcl::TFloatType::ftCurr:
      return 19;
    default:
      return 18;
  }
}

// Stored settings must read the same under every locale.
QString FloatText(double value, vcl::TFloatType type) {
  QString text = rtl::FloatToStrF(value, rtl::ffGeneral, FloatPrecision(type), 0);
  const QChar sep = rtl::FormatSettings().DecimalSeparator;
  if (sep != u'.') text.replace(sep, u'.');
  return text;
}

QString SetText(const vcl::TTypeInfo *set_type, std::uint64_t bits) {
  QStringList names;
  const vcl::TTypeInfo *elem = set_type->CompType;
  for (int i = 0; i < 32 && elem != nullptr && i <= elem->MaxValue(); ++i)
    if (bits & (std::uint64_t{1} << i)) names << elem->EnumName(i);
  return u'[' + names.join(u',') + u']';
}

std::uint64_t SetFromText(const vcl::TTypeInfo *set_type, const QString &text) {
  std::uint64_t bits = 0;
  const vcl::TTypeInfo *elem = set_type->CompType;
  if (elem == nullptr) return 0;
  static const QRegularExpression separators(QStringLiteral("[\\s,\\[\\]]+"));
  for (const QString &word : text.split(separators, Qt::SkipEmptyParts)) {
    const int v = elem->EnumValue(word);
    if (v >= 0 && v < 32) bits |= std::uint64_t{1} << v;
  }
  return bits;
}

qint64 DecimalOrZero(const QString &text) {
  bool ok = false;
  const qint64 v = text.toLongLong(&ok);
  return ok ? v : 0;
}

vcl::TComponent *FindRootByName(const QString &name) {
  if (vcl::Screen == nullptr) return nullptr;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i)
    if (vcl::Screen->Forms(i)->Name().compare(name, Qt::CaseInsensitive) == 0) return vcl::Screen->Forms(i);
  for (int i = 0; i < vcl::Screen->DataModuleCount(); ++i)
    if (vcl::Screen->DataModules(i)->Name().compare(name, Qt::CaseInsensitive) == 0) return vcl::Screen->DataModules(i);
  return nullptr;
}

}  // namespace

// --- TPropInfoList -------------------------------------------------------------------------

TPropInfoList::TPropInfoList(const rtl::TObject *object) {
  if (object == nullptr) return;
  for (const TPropInfo *p : vcl::GetPropList(object))
    if (p->Kind() != vcl::tkUnknown && p->Kind() != vcl::tkMethod) items_.push_back(p);
}

const TPropInfo *TPropInfoList::Find(const QString &name) const {
  for (const TPropInfo *p : items_)
    if (p->Name.compare(name, Qt::CaseInsensitive) == 0) return p;
  return nullptr;
}

// --- TPropsStorage ---------------------------------------------------------------------------

QString TPropsStorage::ReadValue(const QString &key, const QString &def) {
  return OnReadString ? OnReadString(section_, key, def) : QString();
}

void TPropsStorage::WriteValue(const QString &key, const QString &value) {
  if (OnWriteString) OnWriteString(section_, key, value);
}

void TPropsStorage::EraseStorageSection(const QString &section) {
  if (OnEraseSection) OnEraseSection(section);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateNestedStorage() const { return std::make_unique<TPropsStorage>(); }

bool TPropsStorage::ParseStoredLine(const QString &line, QString &component, QString &property) {
  const qsizetype dot = line.indexOf(u'.');
  if (dot < 0) return false;
  component = line.left(dot).trimmed();
  property = line.mid(dot + 1).trimmed();
  return !component.isEmpty() && !property.isEmpty();
}

void TPropsStorage::UpdateStoredList(rtl::TStrings *props) {
  for (int i = props->Count() - 1; i >= 0; --i) {
    QString component, property;
    auto *c = dynamic_cast<vcl::TComponent *>(props->Objects(i));
    if (ParseStoredLine(props->Strings(i), component, property) && c != nullptr) {
      props->PutObject(i, nullptr);  // keep the object across the rewrite
      props->SetStrings(i, c->Name() + u'.' + property);
      props->PutObject(i, c);
    } else {
      props->Delete(i);
    }
  }
}

QString TPropsStorage::StringValue(const TPropInfo &prop) const {
  const rtl::TObject *o = object_;
  switch (prop.Kind()) {
    case vcl::tkInteger:
    case vcl::tkInt64:
      return QString::number(vcl::GetOrdProp(o, prop));
    case vcl::tkChar:
    case vcl::tkWChar: {
      const auto code = vcl::GetOrdProp(o, prop);
      return code == 0 ? QString() : QString(QChar(static_cast<char16_t>(code)));
    }
    case vcl::tkEnumeration:
      return prop.PropType->EnumName(vcl::GetOrdProp(o, prop));
    case vcl::tkFloat:
      return FloatText(prop.GetFloat(o), prop.PropType->FloatType);
    case vcl::tkString:
    case vcl::tkLString:
    case vcl::tkWString:
      return prop.GetStr(o);
    case vcl::tkSet:
      return SetText(prop.PropType, static_cast<std::uint64_t>(vcl::GetOrdProp(o, prop)));
    case vcl::tkVariant:
      return rtl::VarToStr(prop.GetVar(o));
    default:
      return QString();
  }
}

void TPropsStorage::ApplyString(const TPropInfo &prop, const QString &text) {
  rtl::TObject *o = object_;
  switch (prop.Kind()) {
    case vcl::tkInteger:
    case vcl::tkInt64:
      vcl::SetOrdProp(o, prop, DecimalOrZero(text));
      break;
    case vcl::tkChar:
    case vcl::tkWChar:
      vcl::SetOrdProp(o, prop, text.isEmpty() ? 0 : text.at(0).unicode());
      break;
    case vcl::tkEnumeration: {
      const int v = prop.PropType->EnumValue(text);
      if (v >= 0) vcl::SetOrdProp(o, prop, v);
      break;
    }
    case vcl::tkFloat: {
      QString local = text;
      local.replace(u'.', rtl::FormatSettings().DecimalSeparator);
      prop.SetFloat(o, rtl::StrToFloat(local));
      break;
    }
    case vcl::tkString:
    case vcl::tkLString:
    case vcl::tkWString:
      prop.SetStr(o, text);
      break;
    case vcl::tkSet:
      vcl::SetOrdProp(o, prop, static_cast<std::int64_t>(SetFromText(prop.PropType, text)));
      break;
    case vcl::tkVariant:
      prop.SetVar(o, rtl::Variant(text));
      break;
    default:
      break;
  }
}

QString TPropsStorage::ComponentReference(const vcl::TComponent *component) const {
  if (component == nullptr) return QStringLiteral("(null)");
  QString name = component->Name();
  const vcl::TComponent *owner = component->Owner();
  if (owner != nullptr && owner != owner_) {
    QString owner_name = owner->Name();
    if (owner_name.isEmpty()) {
      owner_name = owner->ClassName();
      if (owner_name.startsWith(u'T')) owner_name.remove(0, 1);
    }
    name = owner_name + u'.' + name;
  }
  return name;
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(rtl::TObject *value, const QString &key) const {
  if (depth_ >= kMaxNesting) return nullptr;
  std::unique_ptr<TPropsStorage> nested = CreateNestedStorage();
  nested->object_ = value;
  nested->prefix_ = key;
  nested->section_ = section_;
  nested->owner_ = owner_;
  nested->depth_ = depth_ + 1;
  nested->OnReadString = OnReadString;
  nested->OnWriteString = OnWriteString;
  nested->OnEraseSection = OnEraseSection;
  return nested;
}

void TPropsStorage::StoreObject(const TPropInfo &prop, rtl::TObject *value) {
  const QString key = KeyForProperty(prop);
  auto *component = dynamic_cast<vcl::TComponent *>(value);
  // A nil object is a component reference: owned objects (fonts, lists)
  // always exist.
  if (value == nullptr || component != nullptr) {
    WriteValue(key, ComponentReference(component));
    return;
  }
  if (auto *strings = dynamic_cast<rtl::TStrings *>(value)) {
    const QString sub = QStringLiteral("%1.%2").arg(section_, key);
    EraseStorageSection(sub);
    if (strings->Count() > 0) {
      if (OnWriteString) OnWriteString(sub, QStringLiteral("Count"), QString::number(strings->Count()));
      for (int i = 0; i < strings->Count(); ++i)
        if (OnWriteString) OnWriteString(sub, QStringLiteral("Item%1").arg(i), strings->Strings(i));
    }
  }
  if (auto *collection = dynamic_cast<rtl::TCollection *>(value)) {
    // The count in the section, each item's properties in the sub-section
    // under "Item<n>_".
    const QString sub = QStringLiteral("%1.%2").arg(section_, key);
    EraseStorageSection(sub);
    WriteValue(QStringLiteral("%1.Count").arg(key), QString::number(collection->Count()));
    for (int i = 0; i < collection->Count(); ++i)
      if (auto nested = ItemStorage(collection->Items(i), sub, i)) nested->StoreObjectProperties();
  }
  if (auto nested = Nested(value, key)) nested->StoreObjectProperties();
}

std::unique_ptr<TPropsStorage> TPropsStorage::ItemStorage(rtl::TObject *item, const QString &section, int index) const {
  std::unique_ptr<TPropsStorage> nested = Nested(item, QStringLiteral("Item%1_").arg(index));
  if (nested) nested->section_ = section;
  return nested;
}

void TPropsStorage::LoadObject(const TPropInfo &prop, rtl::TObject *value) {
  const QString key = KeyForProperty(prop);
  auto *component = dynamic_cast<vcl::TComponent *>(value);
  if (value == nullptr || component != nullptr) {
    const QString text = ReadValue(key, QString()).trimmed();
    if (text.isEmpty()) return;
    if (text.compare(QStringLiteral("(null)"), Qt::CaseInsensitive) == 0) {
      vcl::SetObjectProp(object_, prop.Name, nullptr);
      return;
    }
    vcl::TComponent *root = owner_;
    QString name = text;
    const qsizetype dot = text.indexOf(u'.');
    if (dot >= 0) {
      root = FindRootByName(text.left(dot));
      name = text.mid(dot + 1);
    }
    if (root == nullptr) return;
    vcl::SetObjectProp(object_, prop.Name, root->FindComponent(name));
    return;
  }
  if (auto *strings = dynamic_cast<rtl::TStrings *>(value)) {
    const QString sub = QStringLiteral("%1.%2").arg(section_, key);
    const int count =
        OnReadString ? static_cast<int>(DecimalOrZero(OnReadString(sub, QStringLiteral("Count"), QStringLiteral("0"))))
                     : 0;
    if (count > 0) {
      rtl::TStringList lines;
      // A damaged count must not read on for billions of missing lines:
      // the lines end at the first one the file does not have.
      const QString missing(QChar(1));
      for (int i = 0; i < count; ++i) {
        const QString item = OnReadString(sub, QStringLiteral("Item%1").arg(i), missing);
        if (item == missing) break;
        lines.Add(item);
      }
      strings->Assign(&lines);
    }
  }
  if (auto *collection = dynamic_cast<rtl::TCollection *>(value)) {
    const QString sub = QStringLiteral("%1.%2").arg(section_, key);
    const QString current = QString::number(collection->Count());
    bool number = false;
    const int count = ReadValue(QStringLiteral("%1.Count").arg(key), current).trimmed().toInt(&number);
    // A damaged count changes nothing rather than make millions of items.
    if (number && count >= 0 && count <= kMaxStoredItems) {
      collection->BeginUpdate();
      try {
        if (count != collection->Count()) {
          collection->Clear();
          for (int i = 0; i < count; ++i) collection->Add();
        }
        for (int i = 0; i < collection->Count(); ++i)
          if (auto nested = ItemStorage(collection->Items(i), sub, i)) nested->LoadObjectProperties();
      } catch (...) {
        collection->EndUpdate();
        throw;
      }
      collection->EndUpdate();
    }
  }
  if (auto nested = Nested(value, key)) nested->LoadObjectProperties();
}

void TPropsStorage::StoreProperty(const TPropInfo &prop) {
  if (object_ == nullptr) return;
  switch (prop.Kind()) {
    case vcl::tkClass:
      StoreObject(prop, prop.GetObj ? prop.GetObj(object_) : nullptr);
      return;
    case vcl::tkUnknown:
    case vcl::tkMethod:
    case vcl::tkArray:
    case vcl::tkRecord:
    case vcl::tkInterface:
    case vcl::tkDynArray:
      return;
    default:
      break;
  }
  const QString text = StringValue(prop).trimmed();
  const bool string_kind = prop.Kind() == vcl::tkString || prop.Kind() == vcl::tkLString ||
                           prop.Kind() == vcl::tkWString || prop.Kind() == vcl::tkWChar;
  if (!text.isEmpty() || string_kind) WriteValue(KeyForProperty(prop), text);
}

void TPropsStorage::LoadProperty(const TPropInfo &prop) {
  if (object_ == nullptr) return;
  rtl::IgnoreFailure("a value that does not fit leaves the property as it was", [&] {
    if (prop.Kind() == vcl::tkClass) {
      LoadObject(prop, prop.GetObj ? prop.GetObj(object_) : nullptr);
      return;
    }
    if (!prop.IsWritable()) return;
    const QString def = StringValue(prop);
    // A variant that is empty now would otherwise never get its stored
    // value back.
    const bool read_always = prop.Kind() == vcl::tkString || prop.Kind() == vcl::tkLString ||
                             prop.Kind() == vcl::tkWString || prop.Kind() == vcl::tkWChar ||
                             prop.Kind() == vcl::tkVariant;
    if (def.isEmpty() && !read_always) return;
    const QString text = ReadValue(KeyForProperty(prop), def).trimmed();
    if (prop.Kind() == vcl::tkVariant && text.isEmpty() && def.isEmpty()) return;
    ApplyString(prop, text);
  });
}

void TPropsStorage::StoreObjectProperties() {
  const TPropInfoList list(object_);
  for (int i = 0; i < list.Count(); ++i) StoreProperty(*list.Items(i));
}

void TPropsStorage::LoadObjectProperties() {
  const TPropInfoList list(object_);
  for (int i = 0; i < list.Count(); ++i) LoadProperty(*list.Items(i));
}

void TPropsStorage::StorePropertiesOf(vcl::TComponent *owner, rtl::TStrings *props) {
  UpdateStoredList(props);
  ForEachStoredProperty(owner, props, [this](const TPropInfo &prop) { StoreProperty(prop); });
}

void TPropsStorage::LoadPropertiesOf(vcl::TComponent *owner, rtl::TStrings *props) {
  ForEachStoredProperty(owner, props, [this](const TPropInfo &prop) { LoadProperty(prop); });
}

void TPropsStorage::ForEachStoredProperty(vcl::TComponent *owner, rtl::TStrings *props,
                                          const std::function<void(const TPropInfo &)> &action) {
  QMap<QString, std::shared_ptr<TPropInfoList>> lists;
  owner_ = owner;
  for (int i = 0; i < props->Count(); ++i) {
    QString component, property;
    auto *c = dynamic_cast<vcl::TComponent *>(props->Objects(i));
    if (!ParseStoredLine(props->Strings(i), component, property) || c == nullptr) continue;
    auto &list = lists[component.toUpper()];
    if (!list) list = std::make_shared<TPropInfoList>(c);
    const TPropInfo *prop = list->Find(property);
    if (prop == nullptr) continue;
    object_ = c;
    prefix_ = c->Name() + u'_';
    action(*prop);
  }
  owner_ = nullptr;
}

}  // namespace ext
