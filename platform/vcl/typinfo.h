// Published properties: the per-class tables through which form storage,
// the report inspector and other generic code read and write properties by
// name, without knowing the class.
//
// Each class that publishes properties registers its own table once, in the
// .cpp file that defines its members, naming the nearest ancestor that has a
// table:
//
//   ORBISCA_PUBLISHED(TEdit, TWinControl) {
//     p.Property("Text", &TEdit::Text, &TEdit::SetText);
//     p.Property("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
//     p.Property("Font", &TEdit::Font, &TEdit::SetFont);
//     p.Event("OnChange", &TEdit::OnChange);
//   }
//
// The property's kind comes from the getter's type: integers (64-bit ones as
// tkInt64), bool (the enumeration Boolean), enumerations declared with
// ORBISCA_ENUM or described by ORBISCA_ENUM_INFO, TEnumSet of such an
// enumeration, float/double/long double, QChar, QString, rtl::Variant and
// pointers to TObject-derived classes. `.Type(TypeInfoCurrency())` and the
// like refine it (a double that is a currency or a date). Tables are built on
// first use; an object's table is its most derived registered class's,
// ancestors' properties first.
//
// The registration must live in a .cpp file that is linked anyway (the one
// holding the class's out-of-line members): a static library drops object
// files nobody refers to, and their registrations with them.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/consts.h"

namespace vcl {

class TComponent;

using rtl::Exception;
ORBISCA_EXCEPTION(EClassNotFound, Exception)

enum TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
};

// Scoped, because the dataset's field types use some of the same words.
enum class TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// What a property's type is. Enumerations run from 0 to EnumNames.size()-1.
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  QString Name;
  TFloatType FloatType = TFloatType::ftDouble;
  QStringList EnumNames;                // tkEnumeration
  const TTypeInfo *CompType = nullptr;  // tkSet: the element enumeration
  QString ClassName;                    // tkClass: the declared class

  int MinValue() const { return 0; }
  int MaxValue() const { return static_cast<int>(EnumNames.size()) - 1; }
  // The identifier of `ordinal`; empty when out of range.
  QString EnumName(std::int64_t ordinal) const;
  // The ordinal of `ident` ignoring case; -1 when it names no value.
  int EnumValue(const QString &ident) const;

  // An enumeration from "a, b, c" (as the macros stringify it; "= n" parts
  // are not supported: values must run from 0).
  static TTypeInfo Enumeration(const QString &name, const char *identifiers);
};

const TTypeInfo *TypeInfoInteger();
const TTypeInfo *TypeInfoInt64();
const TTypeInfo *TypeInfoBoolean();
const TTypeInfo *TypeInfoChar();
const TTypeInfo *TypeInfoWideChar();
const TTypeInfo *TypeInfoString();
const TTypeInfo *TypeInfoSingle();
const TTypeInfo *TypeInfoDouble();
const TTypeInfo *TypeInfoExtended();
const TTypeInfo *TypeInfoComp();
const TTypeInfo *TypeInfoCurrency();
const TTypeInfo *TypeInfoDateTime();  // a double named TDateTime
const TTypeInfo *TypeInfoVariant();
const TTypeInfo *TypeInfoMethod();

// The set type of an enumeration's TEnumSet (found by argument-dependent
// lookup, like the enumerations' own functions).
template <typename E>
const TTypeInfo *TypeInfoFor(const TEnumSet<E> *) {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Kind = tkSet;
    t.CompType = TypeInfoFor(static_cast<const E *>(nullptr));
    t.Name = QStringLiteral("set of ") + t.CompType->Name;
    return t;
  }();
  return &info;
}

template <typename C>
const TTypeInfo *ClassTypeInfo() {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Kind = tkClass;
    t.Name = t.ClassName = C::StaticClassName();
    return t;
  }();
  return &info;
}

template <typename>
inline constexpr bool kIsEnumSet = false;
template <typename E>
inline constexpr bool kIsEnumSet<TEnumSet<E>> = true;

template <typename T>
inline constexpr bool kAlwaysFalse = false;

// The type information of a C++ type used for a property.
template <typename T>
const TTypeInfo *TypeInfoOf() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, bool>) {
    return TypeInfoBoolean();
  } else if constexpr (std::is_enum_v<U> || kIsEnumSet<U>) {
    return TypeInfoFor(static_cast<const U *>(nullptr));
  } else if constexpr (std::is_same_v<U, char>) {
    return TypeInfoChar();
  } else if constexpr (std::is_integral_v<U>) {
    return sizeof(U) <= 4 ? TypeInfoInteger() : TypeInfoInt64();
  } else if constexpr (std::is_same_v<U, float>) {
    return TypeInfoSingle();
  } else if constexpr (std::is_same_v<U, double>) {
    return TypeInfoDouble();
  } else if constexpr (std::is_same_v<U, long double>) {
    return TypeInfoExtended();
  } else if constexpr (std::is_same_v<U, QChar>) {
    return TypeInfoWideChar();
  } else if constexpr (std::is_same_v<U, QString>) {
    return TypeInfoString();
  } else if constexpr (std::is_same_v<U, rtl::Variant>) {
    return TypeInfoVariant();
  } else if constexpr (std::is_pointer_v<U> &&
                       std::is_base_of_v<rtl::TObject, std::remove_cv_t<std::remove_pointer_t<U>>>) {
    return ClassTypeInfo<std::remove_cv_t<std::remove_pointer_t<U>>>();
  } else {
    static_assert(kAlwaysFalse<U>, "no published-property kind for this type");
    return nullptr;
  }
}

// One published property. The accessors that fit its kind are set: ordinal
// (integer, char, enumeration, set bits, Int64), float, string, variant,
// object, or "assigned" for events.
class TPropInfo {
 public:
  QString Name;
  const TTypeInfo *PropType = nullptr;
  QString DeclaringClass;

  std::function<std::int64_t(const rtl::TObject *)> GetOrd;
  std::function<void(rtl::TObject *, std::int64_t)> SetOrd;
  std::function<double(const rtl::TObject *)> GetFloat;
  std::function<void(rtl::TObject *, double)> SetFloat;
  std::function<QString(const rtl::TObject *)> GetStr;
  std::function<void(rtl::TObject *, const QString &)> SetStr;
  std::function<rtl::Variant(const rtl::TObject *)> GetVar;
  std::function<void(rtl::TObject *, const rtl::Variant &)> SetVar;
  std::function<rtl::TObject *(const rtl::TObject *)> GetObj;
  std::function<void(rtl::TObject *, rtl::TObject *)> SetObj;
  std::function<bool(const rtl::TObject *)> IsAssigned;  // tkMethod

  TTypeKind Kind() const { return PropType ? PropType->Kind : tkUnknown; }
  // True when the property has a setter (class properties without one are
  // still changed through their object's own properties).
  bool IsWritable() const;

  // Ordinal default; a property without one is always stored.
  bool HasDefault() const { return has_default_; }
  std::int64_t DefaultValue() const { return default_; }
  TPropInfo &Default(std::int64_t value) {
    has_default_ = true;
    default_ = value;
    return *this;
  }
  TPropInfo &NoDefault() {
    has_default_ = false;
    return *this;
  }
  // "stored": a constant or a test of the instance.
  TPropInfo &Stored(bool value) {
    stored_ = value;
    stored_if_ = nullptr;
    return *this;
  }
  TPropInfo &StoredIf(std::function<bool(const rtl::TObject *)> test) {
    stored_if_ = std::move(test);
    return *this;
  }
  bool IsStored(const rtl::TObject *instance) const { return stored_if_ ? stored_if_(instance) : stored_; }
  // Refines the type (a double that is a currency, an integer that is a
  // colour...). The kind must stay the same family.
  TPropInfo &Type(const TTypeInfo *type);

 private:
  bool has_default_ = false;
  std::int64_t default_ = 0;
  bool stored_ = true;
  std::function<bool(const rtl::TObject *)> stored_if_;
};

// The own properties of one class, in declaration order.
struct TClassProps {
  QString ClassName;
  QString ParentName;
  std::vector<std::unique_ptr<TPropInfo>> Props;
};

namespace typinfo_detail {

[[noreturn]] void ThrowInvalidValue(const QString &prop);
[[noreturn]] void ThrowWrongInstance(const QString &prop, const rtl::TObject *instance);
void RegisterTable(const QString &class_name, const QString &parent_name, std::function<void(TClassProps &)> builder);
QString StripNamespace(const char *name);

template <typename T>
const T *Cast(const rtl::TObject *o, const QString &prop) {
  const T *t = dynamic_cast<const T *>(o);
  if (t == nullptr) ThrowWrongInstance(prop, o);
  return t;
}
template <typename T>
T *Cast(rtl::TObject *o, const QString &prop) {
  T *t = dynamic_cast<T *>(o);
  if (t == nullptr) ThrowWrongInstance(prop, o);
  return t;
}

}  // namespace typinfo_detail

// Fills one class's table; see the file comment.
template <typename T>
class TPublisher {
 public:
  explicit TPublisher(TClassProps &table) : table_(table) {}

  // A property read by `get` and written by `set` (member function pointers,
  // also of an ancestor, or callables taking `const T*` / `T*, value`).
  template <typename G, typename S>
  TPropInfo &Property(const QString &name, G get, S set) {
    using V = std::remove_cvref_t<std::invoke_result_t<G, const T *>>;
    TPropInfo &p = NewProp(name, TypeInfoOf<V>());
    using namespace typinfo_detail;
    constexpr bool kWritable = !std::is_same_v<S, std::nullptr_t>;
    if constexpr (std::is_same_v<V, bool> || std::is_enum_v<V> || std::is_integral_v<V>) {
      p.GetOrd = [get, name](const rtl::TObject *o) {
        return static_cast<std::int64_t>(std::invoke(get, Cast<T>(o, name)));
      };
      if constexpr (kWritable)
        p.SetOrd = [set, name](rtl::TObject *o, std::int64_t v) {
          if constexpr (std::is_same_v<V, bool>)
            std::invoke(set, Cast<T>(o, name), v != 0);
          else
            std::invoke(set, Cast<T>(o, name), static_cast<V>(v));
        };
    } else if constexpr (kIsEnumSet<V>) {
      p.GetOrd = [get, name](const rtl::TObject *o) {
        return static_cast<std::int64_t>(std::invoke(get, Cast<T>(o, name)).Bits());
      };
      if constexpr (kWritable)
        p.SetOrd = [set, name](rtl::TObject *o, std::int64_t v) {
          std::invoke(set, Cast<T>(o, name), V::FromBits(static_cast<std::uint64_t>(v)));
        };
    } else if constexpr (std::is_same_v<V, QChar>) {
      p.GetOrd = [get, name](const rtl::TObject *o) {
        return static_cast<std::int64_t>(std::invoke(get, Cast<T>(o, name)).unicode());
      };
      if constexpr (kWritable)
        p.SetOrd = [set, name](rtl::TObject *o, std::int64_t v) {
          std::invoke(set, Cast<T>(o, name), QChar(static_cast<char16_t>(v)));
        };
    } else if constexpr (std::is_floating_point_v<V>) {
      p.GetFloat = [get, name](const rtl::TObject *o) {
        return static_cast<double>(std::invoke(get, Cast<T>(o, name)));
      };
      if constexpr (kWritable)
        p.SetFloat = [set, name](rtl::TObject *o, double v) { std::invoke(set, Cast<T>(o, name), static_cast<V>(v)); };
    } else if constexpr (std::is_same_v<V, QString>) {
      p.GetStr = [get, name](const rtl::TObject *o) { return QString(std::invoke(get, Cast<T>(o, name))); };
      if constexpr (kWritable)
        p.SetStr = [set, name](rtl::TObject *o, const QString &v) { std::invoke(set, Cast<T>(o, name), v); };
    } else if constexpr (std::is_same_v<V, rtl::Variant>) {
      p.GetVar = [get, name](const rtl::TObject *o) { return rtl::Variant(std::invoke(get, Cast<T>(o, name))); };
      if constexpr (kWritable)
        p.SetVar = [set, name](rtl::TObject *o, const rtl::Variant &v) { std::invoke(set, Cast<T>(o, name), v); };
    } else {
      using C = std::remove_cv_t<std::remove_pointer_t<V>>;
      p.GetObj = [get, name](const rtl::TObject *o) -> rtl::TObject * {
        return const_cast<C *>(std::invoke(get, Cast<T>(o, name)));
      };
      if constexpr (kWritable)
        p.SetObj = [set, name](rtl::TObject *o, rtl::TObject *v) {
          C *value = nullptr;
          if (v != nullptr) {
            value = dynamic_cast<C *>(v);
            if (value == nullptr) ThrowInvalidValue(name);
          }
          std::invoke(set, Cast<T>(o, name), value);
        };
    }
    return p;
  }

  // A read-only property.
  template <typename G>
  TPropInfo &Property(const QString &name, G get) {
    return Property(name, get, nullptr);
  }

  // An event (a std::function data member). Only whether it is assigned can
  // be read by name: handlers are connected in code.
  template <typename M>
  TPropInfo &Event(const QString &name, M member) {
    TPropInfo &p = NewProp(name, TypeInfoMethod());
    p.IsAssigned = [member, name](const rtl::TObject *o) {
      return static_cast<bool>(std::invoke(member, typinfo_detail::Cast<T>(o, name)));
    };
    p.Stored(false);
    return p;
  }

 private:
  TPropInfo &NewProp(const QString &name, const TTypeInfo *type) {
    auto p = std::make_unique<TPropInfo>();
    p->Name = name;
    p->PropType = type;
    p->DeclaringClass = table_.ClassName;
    table_.Props.push_back(std::move(p));
    return *table_.Props.back();
  }
  TClassProps &table_;
};

template <typename T>
bool RegisterPublished(const char *parent, void (*fill)(TPublisher<T> &)) {
  typinfo_detail::RegisterTable(T::StaticClassName(), typinfo_detail::StripNamespace(parent),
                                [fill](TClassProps &table) {
                                  TPublisher<T> publisher(table);
                                  fill(publisher);
                                });
  return true;
}

// --- looking properties up ---------------------------------------------------

// The published properties of the object's class, ancestors' first. A class
// that redeclares an ancestor's property replaces it in place.
std::vector<const TPropInfo *> GetPropList(const rtl::TObject *instance);
std::vector<const TPropInfo *> GetPropListOfClass(const QString &class_name);
// nullptr when the object has no property of that name (ignoring case).
const TPropInfo *GetPropInfo(const rtl::TObject *instance, const QString &name);
bool IsPublishedProp(const rtl::TObject *instance, const QString &name);
// tkUnknown when there is no such property.
TTypeKind PropType(const rtl::TObject *instance, const QString &name);
// Raises EPropertyError "Property X does not exist" when there is none.
const TPropInfo &FindPropInfo(const rtl::TObject *instance, const QString &name);

// Resolves "Component.Property", "Font.Name", "Owner.Component.Font.Size":
// each step but the last is a class property of the object reached so far
// or, failing that, a component it owns. `target` receives the object whose
// property the last step names. Raises EPropertyError when a step fails.
const TPropInfo &ResolvePropPath(rtl::TObject *root, const QString &path, rtl::TObject **target);

// --- reading and writing by name -----------------------------------------------
// A property of the wrong kind, a read-only one, an enumeration identifier
// that names no value or an object of the wrong class raise EPropertyError
// and change nothing.

std::int64_t GetOrdProp(const rtl::TObject *instance, const QString &name);
void SetOrdProp(rtl::TObject *instance, const QString &name, std::int64_t value);
std::int64_t GetOrdProp(const rtl::TObject *instance, const TPropInfo &prop);
void SetOrdProp(rtl::TObject *instance, const TPropInfo &prop, std::int64_t value);

QString GetEnumProp(const rtl::TObject *instance, const QString &name);
void SetEnumProp(rtl::TObject *instance, const QString &name, const QString &ident);

// "[a,b]" with the members in order (without brackets when asked); setting
// takes identifiers separated by commas and blanks, brackets optional.
QString GetSetProp(const rtl::TObject *instance, const QString &name, bool brackets = true);
void SetSetProp(rtl::TObject *instance, const QString &name, const QString &value);
QString SetToString(const TTypeInfo *set_type, std::uint64_t bits, bool brackets = true);
std::uint64_t StringToSet(const TTypeInfo *set_type, const QString &text);

double GetFloatProp(const rtl::TObject *instance, const QString &name);
void SetFloatProp(rtl::TObject *instance, const QString &name, double value);

QString GetStrProp(const rtl::TObject *instance, const QString &name);
void SetStrProp(rtl::TObject *instance, const QString &name, const QString &value);

std::int64_t GetInt64Prop(const rtl::TObject *instance, const QString &name);
void SetInt64Prop(rtl::TObject *instance, const QString &name, std::int64_t value);

rtl::Variant GetVariantProp(const rtl::TObject *instance, const QString &name);
void SetVariantProp(rtl::TObject *instance, const QString &name, const rtl::Variant &value);

rtl::TObject *GetObjectProp(const rtl::TObject *instance, const QString &name);
void SetObjectProp(rtl::TObject *instance, const QString &name, rtl::TObject *value);

bool IsMethodAssigned(const rtl::TObject *instance, const QString &name);

// Any kind as a Variant: enumerations and sets as their identifiers (when
// `prefer_strings`) or ordinals, Booleans as booleans, classes not at all
// (Empty). SetPropValue converts back by the property's kind.
rtl::Variant GetPropValue(const rtl::TObject *instance, const QString &name, bool prefer_strings = true);
void SetPropValue(rtl::TObject *instance, const QString &name, const rtl::Variant &value);

// True when the property should be written: its "stored" holds and, for an
// ordinal with a default, the value differs from it.
bool IsStoredProp(const rtl::TObject *instance, const TPropInfo &prop);
bool IsDefaultPropValue(const rtl::TObject *instance, const TPropInfo &prop);

// --- classes by name -------------------------------------------------------------
// Storage and the designer create components from their class names.

using TComponentFactory = std::function<TComponent *(TComponent *owner)>;
void RegisterComponentClass(const QString &class_name, TComponentFactory factory);
template <typename T>
void RegisterClass() {
  RegisterComponentClass(T::StaticClassName(), [](TComponent *owner) -> TComponent * { return new T(owner); });
}
// Null when the class is not registered.
TComponentFactory GetClass(const QString &class_name);
// Raises EClassNotFound "Class X not found".
TComponentFactory FindClass(const QString &class_name);

}  // namespace vcl

// Declares an enumeration (values from 0) together with its type
// information, in the current namespace.
#define ORBISCA_ENUM(Name, ...)                                                                              \
  enum Name { __VA_ARGS__ };                                                                                 \
  inline const ::vcl::TTypeInfo *TypeInfoFor(const Name *) {                                                 \
    static const ::vcl::TTypeInfo info = ::vcl::TTypeInfo::Enumeration(QStringLiteral(#Name), #__VA_ARGS__); \
    return &info;                                                                                            \
  }

// Type information for an enumeration declared elsewhere; list its values
// in order. Use in the enumeration's namespace.
#define ORBISCA_ENUM_INFO(Name, ...)                                                                         \
  inline const ::vcl::TTypeInfo *TypeInfoFor(const Name *) {                                                 \
    static const ::vcl::TTypeInfo info = ::vcl::TTypeInfo::Enumeration(QStringLiteral(#Name), #__VA_ARGS__); \
    return &info;                                                                                            \
  }

// Opens the body that fills `Class`'s table; see the file comment. `p` is
// the publisher. Use at namespace scope in the class's .cpp file.
#define ORBISCA_PUBLISHED(Class, Parent)                                 \
  static void OrbiscaPublish_##Class(::vcl::TPublisher<Class> &p);       \
  [[maybe_unused]] static const bool orbisca_published_##Class =         \
      ::vcl::RegisterPublished<Class>(#Parent, &OrbiscaPublish_##Class); \
  static void OrbiscaPublish_##Class(::vcl::TPublisher<Class> &p)
