// The registry of published-property tables and the by-name accessors.
#include "platform/vcl/typinfo.h"

#include <QHash>
#include <QRegularExpression>
#include <map>

#include "platform/vcl/component.h"

namespace vcl {

using rtl::EPropertyError;

// --- type information ------------------------------------------------------------

QString TTypeInfo::EnumName(std::int64_t ordinal) const {
  if (ordinal < 0 || ordinal >= EnumNames.size()) return QString();
  return EnumNames.at(static_cast<qsizetype>(ordinal));
}

int TTypeInfo::EnumValue(const QString &ident) const {
  const QString wanted = ident.trimmed();
  for (qsizetype i = 0; i < EnumNames.size(); ++i)
    if (EnumNames.at(i).compare(wanted, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  return -1;
}

TTypeInfo TTypeInfo::Enumeration(const QString &name, const char *identifiers) {
  TTypeInfo t;
  t.Kind = tkEnumeration;
  t.Name = typinfo_detail::StripNamespace(name.toUtf8().constData());
  for (const QString &part : QString::fromLatin1(identifiers).split(u',', Qt::SkipEmptyParts)) {
    const QString ident = part.section(u'=', 0, 0).trimmed();
    if (!ident.isEmpty()) t.EnumNames << ident;
  }
  return t;
}

namespace {

TTypeInfo Simple(TTypeKind kind, const char *name) {
  TTypeInfo t;
  t.Kind = kind;
  t.Name = QString::fromLatin1(name);
  return t;
}

TTypeInfo Float(TFloatType type, const char *name) {
  TTypeInfo t = Simple(tkFloat, name);
  t.FloatType = type;
  return t;
}

}  // namespace

#define ORBISCA_SIMPLE_TYPE(Function, Expr) \
  const TTypeInfo *Function() {             \
    static const TTypeInfo info = Expr;     \
    return &info;                           \
  }
ORBISCA_SIMPLE_TYPE(TypeInfoInteger, Simple(tkInteger, "Integer"))
ORBISCA_SIMPLE_TYPE(TypeInfoInt64, Simple(tkInt64, "Int64"))
ORBISCA_SIMPLE_TYPE(TypeInfoBoolean, TTypeInfo::Enumeration(QStringLiteral("Boolean"), "False, True"))
ORBISCA_SIMPLE_TYPE(TypeInfoChar, Simple(tkChar, "Char"))
ORBISCA_SIMPLE_TYPE(TypeInfoWideChar, Simple(tkWChar, "WideChar"))
ORBISCA_SIMPLE_TYPE(TypeInfoString, Simple(tkLString, "string"))
ORBISCA_SIMPLE_TYPE(TypeInfoSingle, Float(TFloatType::ftSingle, "Single"))
ORBISCA_SIMPLE_TYPE(TypeInfoDouble, Float(TFloatType::ftDouble, "Double"))
ORBISCA_SIMPLE_TYPE(TypeInfoExtended, Float(TFloatType::ftExtended, "Extended"))
ORBISCA_SIMPLE_TYPE(TypeInfoComp, Float(TFloatType::ftComp, "Comp"))
ORBISCA_SIMPLE_TYPE(TypeInfoCurrency, Float(TFloatType::ftCurr, "Currency"))
ORBISCA_SIMPLE_TYPE(TypeInfoDateTime, Float(TFloatType::ftDouble, "TDateTime"))
ORBISCA_SIMPLE_TYPE(TypeInfoVariant, Simple(tkVariant, "Variant"))
ORBISCA_SIMPLE_TYPE(TypeInfoMethod, Simple(tkMethod, "TMethod"))
#undef ORBISCA_SIMPLE_TYPE

bool TPropInfo::IsWritable() const { return SetOrd || SetFloat || SetStr || SetVar || SetObj; }

TPropInfo &TPropInfo::Type(const TTypeInfo *type) {
  const auto family = [](TTypeKind k) {
    switch (k) {
      case tkInteger:
      case tkChar:
      case tkEnumeration:
      case tkSet:
      case tkWChar:
      case tkInt64:
        return 1;
      case tkString:
      case tkLString:
      case tkWString:
        return 2;
      default:
        return static_cast<int>(k) + 10;
    }
  };
  if (type == nullptr || family(type->Kind) != family(Kind()))
    throw EPropertyError(
        QStringLiteral("Property %1 cannot take the type %2").arg(Name, type ? type->Name : QStringLiteral("nil")));
  PropType = type;
  return *this;
}

// --- registry ------------------------------------------------------------------------

namespace {

struct ClassEntry {
  TClassProps table;
  std::function<void(TClassProps &)> builder;
  bool built = false;
  std::vector<const TPropInfo *> all;  // with ancestors, filled on first use
  bool all_built = false;
  int depth = -1;
};

struct Registry {
  std::map<QString, ClassEntry> classes;           // key: lower-case name
  QHash<QString, ClassEntry *> by_instance_class;  // cache: lower-case ClassName()
  std::map<QString, TComponentFactory> factories;  // key: lower-case name
};

Registry &GetRegistry() {
  static Registry registry;
  return registry;
}

ClassEntry *FindEntry(const QString &name) {
  auto &classes = GetRegistry().classes;
  const auto it = classes.find(name.toLower());
  return it == classes.end() ? nullptr : &it->second;
}

int Depth(ClassEntry &e) {
  if (e.depth >= 0) return e.depth;
  e.depth = 0;  // guards against a cycle in badly declared parents
  ClassEntry *parent = FindEntry(e.table.ParentName);
  e.depth = parent && parent != &e ? Depth(*parent) + 1 : 0;
  return e.depth;
}

const std::vector<const TPropInfo *> &AllProps(ClassEntry &e) {
  if (e.all_built) return e.all;
  e.all_built = true;  // set first: a cycle ends in an empty ancestor list
  if (!e.built) {
    e.built = true;
    e.builder(e.table);
  }
  std::vector<const TPropInfo *> list;
  ClassEntry *parent = FindEntry(e.table.ParentName);
  if (parent != nullptr && parent != &e) list = AllProps(*parent);
  for (const auto &p : e.table.Props) {
    bool replaced = false;
    for (auto &q : list)
      if (q->Name.compare(p->Name, Qt::CaseInsensitive) == 0) {
        q = p.get();
        replaced = true;
      }
    if (!replaced) list.push_back(p.get());
  }
  e.all = std::move(list);
  return e.all;
}

ClassEntry *EntryOf(const rtl::TObject *instance) {
  if (instance == nullptr) return nullptr;
  Registry &r = GetRegistry();
  const QString key = instance->ClassName().toLower();
  const auto cached = r.by_instance_class.constFind(key);
  if (cached != r.by_instance_class.constEnd()) return cached.value();
  // The most derived registered class the object belongs to.
  ClassEntry *best = nullptr;
  for (auto &[name, entry] : r.classes) {
    if (!instance->InheritsFrom(entry.table.ClassName)) continue;
    if (best == nullptr || Depth(entry) > Depth(*best)) best = &entry;
  }
  r.by_instance_class.insert(key, best);
  return best;
}

QString KindName(const TPropInfo &p) { return p.PropType ? p.PropType->Name : QStringLiteral("?"); }

[[noreturn]] void WrongKind(const TPropInfo &p) {
  throw EPropertyError(QStringLiteral("Property %1 has the wrong type for this access (%2)").arg(p.Name, KindName(p)));
}

[[noreturn]] void ReadOnly(const TPropInfo &p) {
  throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(p.Name));
}

bool IsOrdinalKind(TTypeKind k) {
  return k == tkInteger || k == tkChar || k == tkEnumeration || k == tkSet || k == tkWChar || k == tkInt64;
}

bool IsStringKind(TTypeKind k) { return k == tkString || k == tkLString || k == tkWString; }

}  // namespace

namespace typinfo_detail {

void ThrowInvalidValue(const QString &prop) {
  throw EPropertyError(QStringLiteral("Invalid property value for %1").arg(prop));
}

void ThrowWrongInstance(const QString &prop, const rtl::TObject *instance) {
  throw EPropertyError(QStringLiteral("Property %1 does not belong to %2")
                           .arg(prop, instance ? instance->ClassName() : QStringLiteral("nil")));
}

void RegisterTable(const QString &class_name, const QString &parent_name, std::function<void(TClassProps &)> builder) {
  Registry &r = GetRegistry();
  ClassEntry &e = r.classes[class_name.toLower()];
  e.table.ClassName = class_name;
  e.table.ParentName = parent_name;
  e.builder = std::move(builder);
  // A late registration (a plug-in library) must not leave stale caches.
  r.by_instance_class.clear();
  for (auto &[name, entry] : r.classes) {
    entry.all_built = false;
    entry.all.clear();
    entry.depth = -1;
  }
}

QString StripNamespace(const char *name) {
  QString s = QString::fromLatin1(name).trimmed();
  const qsizetype colon = s.lastIndexOf(QStringLiteral("::"));
  return colon >= 0 ? s.mid(colon + 2) : s;
}

}  // namespace typinfo_detail

// --- look-up ------------------------------------------------------------------------

std::vector<const TPropInfo *> GetPropList(const rtl::TObject *instance) {
  ClassEntry *e = EntryOf(instance);
  return e ? AllProps(*e) : std::vector<const TPropInfo *>{};
}

std::vector<const TPropInfo *> GetPropListOfClass(const QString &class_name) {
  ClassEntry *e = FindEntry(class_name);
  return e ? AllProps(*e) : std::vector<const TPropInfo *>{};
}

const TPropInfo *GetPropInfo(const rtl::TObject *instance, const QString &name) {
  ClassEntry *e = EntryOf(instance);
  if (e == nullptr) return nullptr;
  const QString wanted = name.trimmed();
  for (const TPropInfo *p : AllProps(*e))
    if (p->Name.compare(wanted, Qt::CaseInsensitive) == 0) return p;
  return nullptr;
}

bool IsPublishedProp(const rtl::TObject *instance, const QString &name) {
  return GetPropInfo(instance, name) != nullptr;
}

TTypeKind PropType(const rtl::TObject *instance, const QString &name) {
  const TPropInfo *p = GetPropInfo(instance, name);
  return p ? p->Kind() : tkUnknown;
}

const TPropInfo &FindPropInfo(const rtl::TObject *instance, const QString &name) {
  const TPropInfo *p = GetPropInfo(instance, name);
  if (p == nullptr) throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(name));
  return *p;
}

const TPropInfo &ResolvePropPath(rtl::TObject *root, const QString &path, rtl::TObject **target) {
  const QStringList steps = path.split(u'.');
  rtl::TObject *current = root;
  for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
    const QString step = steps.at(i).trimmed();
    rtl::TObject *next = nullptr;
    const TPropInfo *p = GetPropInfo(current, step);
    if (p != nullptr && p->Kind() == tkClass) {
      next = p->GetObj(current);
    } else if (auto *component = dynamic_cast<TComponent *>(current)) {
      next = component->FindComponent(step);
    }
    if (next == nullptr) throw EPropertyError(QStringLiteral("Cannot resolve \"%1\" in %2").arg(step, path));
    current = next;
  }
  if (target) *target = current;
  return FindPropInfo(current, steps.isEmpty() ? path : steps.last());
}

// --- ordinals --------------------------------------------------------------------------

std::int64_t GetOrdProp(const rtl::TObject *instance, const TPropInfo &p) {
  if (!IsOrdinalKind(p.Kind()) || !p.GetOrd) WrongKind(p);
  return p.GetOrd(instance);
}

void SetOrdProp(rtl::TObject *instance, const TPropInfo &p, std::int64_t value) {
  if (!IsOrdinalKind(p.Kind())) WrongKind(p);
  if (!p.SetOrd) ReadOnly(p);
  if (p.Kind() == tkEnumeration && (value < 0 || value > p.PropType->MaxValue()))
    typinfo_detail::ThrowInvalidValue(p.Name);
  if (p.Kind() == tkSet && p.PropType->CompType) {
    const int members = p.PropType->CompType->MaxValue() + 1;
    if (members < 64 && (static_cast<std::uint64_t>(value) >> members) != 0) typinfo_detail::ThrowInvalidValue(p.Name);
  }
  p.SetOrd(instance, value);
}

std::int64_t GetOrdProp(const rtl::TObject *instance, const QString &name) {
  return GetOrdProp(instance, FindPropInfo(instance, name));
}

void SetOrdProp(rtl::TObject *instance, const QString &name, std::int64_t value) {
  SetOrdProp(instance, FindPropInfo(instance, name), value);
}

QString GetEnumProp(const rtl::TObject *instance, const QString &name) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkEnumeration) WrongKind(p);
  return p.PropType->EnumName(p.GetOrd(instance));
}

void SetEnumProp(rtl::TObject *instance, const QString &name, const QString &ident) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkEnumeration) WrongKind(p);
  const int value = p.PropType->EnumValue(ident);
  if (value < 0) throw EPropertyError(QStringLiteral("Invalid property value \"%1\" for %2").arg(ident, p.Name));
  SetOrdProp(instance, p, value);
}

QString SetToString(const TTypeInfo *set_type, std::uint64_t bits, bool brackets) {
  QStringList names;
  const TTypeInfo *comp = set_type ? set_type->CompType : nullptr;
  for (int i = 0; i < 64; ++i)
    if (bits & (std::uint64_t{1} << i)) {
      const QString n = comp ? comp->EnumName(i) : QString();
      names << (n.isEmpty() ? QString::number(i) : n);
    }
  const QString list = names.join(u',');
  return brackets ? u'[' + list + u']' : list;
}

std::uint64_t StringToSet(const TTypeInfo *set_type, const QString &text) {
  static const QRegularExpression separators(QStringLiteral("[\\s,\\[\\]]+"));
  const TTypeInfo *comp = set_type ? set_type->CompType : nullptr;
  std::uint64_t bits = 0;
  for (const QString &ident : text.split(separators, Qt::SkipEmptyParts)) {
    const int v = comp ? comp->EnumValue(ident) : -1;
    if (v < 0 || v > 63) throw EPropertyError(QStringLiteral("Invalid set element \"%1\"").arg(ident));
    bits |= std::uint64_t{1} << v;
  }
  return bits;
}

QString GetSetProp(const rtl::TObject *instance, const QString &name, bool brackets) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkSet) WrongKind(p);
  return SetToString(p.PropType, static_cast<std::uint64_t>(p.GetOrd(instance)), brackets);
}

void SetSetProp(rtl::TObject *instance, const QString &name, const QString &value) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkSet) WrongKind(p);
  SetOrdProp(instance, p, static_cast<std::int64_t>(StringToSet(p.PropType, value)));
}

std::int64_t GetInt64Prop(const rtl::TObject *instance, const QString &name) { return GetOrdProp(instance, name); }

void SetInt64Prop(rtl::TObject *instance, const QString &name, std::int64_t value) {
  SetOrdProp(instance, name, value);
}

// --- floats, strings, variants, objects -------------------------------------------

double GetFloatProp(const rtl::TObject *instance, const QString &name) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkFloat) WrongKind(p);
  return p.GetFloat(instance);
}

void SetFloatProp(rtl::TObject *instance, const QString &name, double value) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkFloat) WrongKind(p);
  if (!p.SetFloat) ReadOnly(p);
  p.SetFloat(instance, value);
}

QString GetStrProp(const rtl::TObject *instance, const QString &name) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (!IsStringKind(p.Kind())) WrongKind(p);
  return p.GetStr(instance);
}

void SetStrProp(rtl::TObject *instance, const QString &name, const QString &value) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (!IsStringKind(p.Kind())) WrongKind(p);
  if (!p.SetStr) ReadOnly(p);
  p.SetStr(instance, value);
}

rtl::Variant GetVariantProp(const rtl::TObject *instance, const QString &name) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkVariant) WrongKind(p);
  return p.GetVar(instance);
}

void SetVariantProp(rtl::TObject *instance, const QString &name, const rtl::Variant &value) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkVariant) WrongKind(p);
  if (!p.SetVar) ReadOnly(p);
  p.SetVar(instance, value);
}

rtl::TObject *GetObjectProp(const rtl::TObject *instance, const QString &name) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkClass) WrongKind(p);
  return p.GetObj(instance);
}

void SetObjectProp(rtl::TObject *instance, const QString &name, rtl::TObject *value) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkClass) WrongKind(p);
  if (!p.SetObj) ReadOnly(p);
  p.SetObj(instance, value);
}

bool IsMethodAssigned(const rtl::TObject *instance, const QString &name) {
  const TPropInfo &p = FindPropInfo(instance, name);
  if (p.Kind() != tkMethod) WrongKind(p);
  return p.IsAssigned(instance);
}

rtl::Variant GetPropValue(const rtl::TObject *instance, const QString &name, bool prefer_strings) {
  const TPropInfo &p = FindPropInfo(instance, name);
  switch (p.Kind()) {
    case tkInteger:
      return rtl::Variant(static_cast<int>(p.GetOrd(instance)));
    case tkInt64:
      return rtl::Variant(static_cast<long long>(p.GetOrd(instance)));
    case tkChar:
    case tkWChar:
      return rtl::Variant(QString(QChar(static_cast<char16_t>(p.GetOrd(instance)))));
    case tkEnumeration:
      if (p.PropType == TypeInfoBoolean()) return rtl::Variant(p.GetOrd(instance) != 0);
      if (prefer_strings) return rtl::Variant(p.PropType->EnumName(p.GetOrd(instance)));
      return rtl::Variant(static_cast<int>(p.GetOrd(instance)));
    case tkSet:
      if (prefer_strings)
        return rtl::Variant(SetToString(p.PropType, static_cast<std::uint64_t>(p.GetOrd(instance)), false));
      return rtl::Variant(static_cast<long long>(p.GetOrd(instance)));
    case tkFloat:
      if (p.PropType->FloatType == TFloatType::ftCurr) return rtl::Variant::FromCurrency(p.GetFloat(instance));
      if (p.PropType == TypeInfoDateTime()) return rtl::Variant::FromDate(p.GetFloat(instance));
      return rtl::Variant(p.GetFloat(instance));
    case tkString:
    case tkLString:
    case tkWString:
      return rtl::Variant(p.GetStr(instance));
    case tkVariant:
      return p.GetVar(instance);
    default:
      return rtl::Variant();
  }
}

void SetPropValue(rtl::TObject *instance, const QString &name, const rtl::Variant &value) {
  const TPropInfo &p = FindPropInfo(instance, name);
  switch (p.Kind()) {
    case tkInteger:
    case tkInt64:
      SetOrdProp(instance, p, value.AsInt64());
      return;
    case tkChar:
    case tkWChar: {
      const QString s = value.AsString();
      SetOrdProp(instance, p, s.isEmpty() ? 0 : s.at(0).unicode());
      return;
    }
    case tkEnumeration:
      if (value.Type() == rtl::VarType::String) {
        SetEnumProp(instance, p.Name, value.AsString());
      } else if (value.Type() == rtl::VarType::Boolean) {
        SetOrdProp(instance, p, value.AsBoolean() ? 1 : 0);
      } else {
        SetOrdProp(instance, p, value.AsInt64());
      }
      return;
    case tkSet:
      if (value.Type() == rtl::VarType::String)
        SetOrdProp(instance, p, static_cast<std::int64_t>(StringToSet(p.PropType, value.AsString())));
      else
        SetOrdProp(instance, p, value.AsInt64());
      return;
    case tkFloat:
      SetFloatProp(instance, p.Name, value.AsDouble());
      return;
    case tkString:
    case tkLString:
    case tkWString:
      SetStrProp(instance, p.Name, rtl::VarToStr(value));
      return;
    case tkVariant:
      SetVariantProp(instance, p.Name, value);
      return;
    default:
      WrongKind(p);
  }
}

bool IsDefaultPropValue(const rtl::TObject *instance, const TPropInfo &prop) {
  if (!prop.HasDefault() || !IsOrdinalKind(prop.Kind()) || !prop.GetOrd) return false;
  return prop.GetOrd(instance) == prop.DefaultValue();
}

bool IsStoredProp(const rtl::TObject *instance, const TPropInfo &prop) {
  return prop.IsStored(instance) && !IsDefaultPropValue(instance, prop);
}

// --- classes by name ------------------------------------------------------------------

void RegisterComponentClass(const QString &class_name, TComponentFactory factory) {
  GetRegistry().factories[class_name.toLower()] = std::move(factory);
}

TComponentFactory GetClass(const QString &class_name) {
  const auto &f = GetRegistry().factories;
  const auto it = f.find(class_name.trimmed().toLower());
  return it == f.end() ? TComponentFactory() : it->second;
}

TComponentFactory FindClass(const QString &class_name) {
  TComponentFactory f = GetClass(class_name);
  if (!f) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(class_name));
  return f;
}

}  // namespace vcl
