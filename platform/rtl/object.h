// The root of the class tree. `TObject` gives every platform-style class its
// own class name (several components test class names) and a virtual
// destructor; `TPersistent` adds `Assign`, which copies another object's
// state or raises when the classes do not fit. String lists, fonts and the
// component model build on these.
#pragma once

#include <QString>

#include "platform/rtl/exceptions.h"

namespace rtl {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject &) = delete;
  TObject &operator=(const TObject &) = delete;
  virtual ~TObject() = default;

  // The class's own name ("TStringList"). Each class overrides it.
  virtual QString ClassName() const { return QStringLiteral("TObject"); }
  // The same name without an instance, for tables kept per class.
  static QString StaticClassName() { return QStringLiteral("TObject"); }
  // True when this object's class is `name` or derives from it (by name,
  // ignoring case, as the platform's `InheritsFrom`/`is` checks do).
  virtual bool InheritsFrom(const QString &name) const {
    return name.compare(QStringLiteral("TObject"), Qt::CaseInsensitive) == 0;
  }
};

class TPersistent : public TObject {
 public:
  QString ClassName() const override { return QStringLiteral("TPersistent"); }
  static QString StaticClassName() { return QStringLiteral("TPersistent"); }
  bool InheritsFrom(const QString &name) const override {
    return name.compare(QStringLiteral("TPersistent"), Qt::CaseInsensitive) == 0 || TObject::InheritsFrom(name);
  }
  // Copies `source` into this object. The default asks the source to
  // `AssignTo` this object, and raises EConvertError ("Cannot assign a X to
  // a Y") when neither side knows the other.
  virtual void Assign(const TPersistent *source);

 protected:
  virtual void AssignTo(TPersistent *dest) const;
};

}  // namespace rtl

// Declares ClassName/InheritsFrom for a class derived from `Base`.
#define ORBISCA_CLASS(Name, Base)                                                                     \
 public:                                                                                              \
  QString ClassName() const override { return QStringLiteral(#Name); }                                \
  static QString StaticClassName() { return QStringLiteral(#Name); }                                  \
  bool InheritsFrom(const QString &name) const override {                                             \
    return name.compare(QStringLiteral(#Name), Qt::CaseInsensitive) == 0 || Base::InheritsFrom(name); \
  }                                                                                                   \
                                                                                                      \
 private:
