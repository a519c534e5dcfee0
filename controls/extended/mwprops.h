// Published properties as settings-file values. `TPropsStorage` turns the
// published properties of components into texts, each under a key made of
// the component's name, "_" and the property's name, and reads them back;
// where the texts go is up to three callbacks (read, write, erase a
// section), which the form storage points at its open ini file or registry
// key.
//
// Texts by kind: integers in decimal, characters as themselves,
// enumerations by identifier, floating values with "." whatever the
// locale, sets as "[a,b]", string lists in a sub-section ("Count" and
// "Item0"...), collections as their count ("Key.Count") and each item's
// published properties in a sub-section ("Item0_Width"...), component
// references as "Form.Component" (or just the name on the storage's own
// form, "(null)" for none), and other objects (a font) by their own
// published properties under the joined key. Loading never raises: a value
// that does not fit leaves its property as it was.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/typinfo.h"

namespace ext {

// The published properties of an object of the kinds that can be stored
// (everything but events and unknown kinds), found by name ignoring case.
class TPropInfoList : public rtl::TObject {
 public:
  QString ClassName() const override { return QStringLiteral("TPropInfoList"); }
  explicit TPropInfoList(const rtl::TObject *object);
  int Count() const { return static_cast<int>(items_.size()); }
  const vcl::TPropInfo *Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  const vcl::TPropInfo *Find(const QString &name) const;

 private:
  std::vector<const vcl::TPropInfo *> items_;
};

using TReadStrEvent = std::function<QString(const QString &section, const QString &key, const QString &def)>;
using TWriteStrEvent = std::function<void(const QString &section, const QString &key, const QString &value)>;
using TEraseSectEvent = std::function<void(const QString &section)>;

class TPropsStorage : public rtl::TObject {
 public:
  QString ClassName() const override { return QStringLiteral("TPropsStorage"); }
  TPropsStorage() = default;

  rtl::TObject *AObject() const { return object_; }
  void SetAObject(rtl::TObject *object) { object_ = object; }
  const QString &Prefix() const { return prefix_; }
  void SetPrefix(const QString &prefix) { prefix_ = prefix; }
  const QString &Section() const { return section_; }
  void SetSection(const QString &section) { section_ = section; }

  TReadStrEvent OnReadString;
  TWriteStrEvent OnWriteString;
  TEraseSectEvent OnEraseSection;

  // Each line of `props` is "Component.Property" with the component
  // attached as the line's object. Storing first rewrites the lines with
  // the components' current names and drops lines that no longer fit.
  void StorePropertiesOf(vcl::TComponent *owner, rtl::TStrings *props);
  void LoadPropertiesOf(vcl::TComponent *owner, rtl::TStrings *props);

  // One property of AObject.
  void StoreProperty(const vcl::TPropInfo &prop);
  void LoadProperty(const vcl::TPropInfo &prop);
  // Every listed property of AObject.
  void StoreObjectProperties();
  void LoadObjectProperties();

  // Splits "Component.Property" at the first "."; false when either part
  // is empty.
  static bool ParseStoredLine(const QString &line, QString &component, QString &property);
  // Rewrites the lines with their components' current names, last line
  // first, deleting the lines without a component or that do not parse.
  static void UpdateStoredList(rtl::TStrings *props);

 protected:
  virtual QString ReadValue(const QString &key, const QString &def);
  virtual void WriteValue(const QString &key, const QString &value);
  virtual void EraseStorageSection(const QString &section);
  virtual QString KeyForProperty(const vcl::TPropInfo &prop) const { return prefix_ + prop.Name; }
  virtual std::unique_ptr<TPropsStorage> CreateNestedStorage() const;

 private:
  QString StringValue(const vcl::TPropInfo &prop) const;
  void ApplyString(const vcl::TPropInfo &prop, const QString &text);
  QString ComponentReference(const vcl::TComponent *component) const;
  void StoreObject(const vcl::TPropInfo &prop, rtl::TObject *value);
  void LoadObject(const vcl::TPropInfo &prop, rtl::TObject *value);
  std::unique_ptr<TPropsStorage> Nested(rtl::TObject *value, const QString &key) const;
  // The storage of a collection's item `index` in `section`.
  std::unique_ptr<TPropsStorage> ItemStorage(rtl::TObject *item, const QString &section, int index) const;
  void ForEachStoredProperty(vcl::TComponent *owner, rtl::TStrings *props,
                             const std::function<void(const vcl::TPropInfo &)> &action);

  rtl::TObject *object_ = nullptr;
  QString prefix_;
  QString section_;
  vcl::TComponent *owner_ = nullptr;
  int depth_ = 0;
};

}  // namespace ext
