// Report variables: the names a report's memos use in brackets, each bound
// to a dataset field or to a system value or expression, and the variable
// list the designer groups them in.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/rtl/classes.h"
#include "platform/rtl/object.h"

namespace rtl {
class TStream;
}
namespace vcl {
class TDataSet;
class TField;
}  // namespace vcl

namespace report {

// Kinds of a binding.
inline constexpr std::uint8_t vtNotAssigned = 0;
inline constexpr std::uint8_t vtDBField = 1;
inline constexpr std::uint8_t vtOther = 2;

// Sub-kinds of vtOther: the system values a variable can stand for.
inline constexpr int vkPage = 0;
inline constexpr int vkExpression = 1;
inline constexpr int vkDate = 2;
inline constexpr int vkTime = 3;
inline constexpr int vkLine = 4;
inline constexpr int vkLineThrough = 5;
inline constexpr int vkColumn = 6;
inline constexpr int vkCurrent = 7;
inline constexpr int vkTotalPages = 8;
inline constexpr int vkCount = 9;

// "N° pagina", "Espressione", ... by sub-kind (the variables editor).
const QStringList &KvValueKindNames();
// "PAGE#", "", "DATE", ... by sub-kind; the expression's slot is empty.
const QStringList &KvSystemVariables();

// One variable binding.
class TkvValue : public rtl::TObject {
  ORBISCA_CLASS(TkvValue, rtl::TObject)

 public:
  std::uint8_t Type = vtNotAssigned;
  std::int32_t OtherKind = 0;
  QString DataSet;  // vtDBField: the dataset as the report's owner names it
  QString Field;    // vtDBField: the field; vtOther/vkExpression: the text
  // Set by KvBindValues at the start of a pass.
  vcl::TDataSet *DSet = nullptr;
  vcl::TField *TField = nullptr;
};

// The report's variables: names with their bindings (owned). Stored with
// the report's form as "Data" and inside templates as: int32 count, then
// per binding uint8 kind, int32 sub-kind, short strings dataset, field and
// variable name.
class TkvValues : public rtl::TPersistent {
  ORBISCA_CLASS(TkvValues, rtl::TPersistent)

 public:
  TkvValues();
  ~TkvValues() override;

  // Adds an empty binding named `name`; returns its index.
  int AddValue(const QString &name = QString());
  TkvValue *Value(int index) const;
  // Ignoring case; nullptr when absent.
  TkvValue *FindValue(const QString &name) const;
  QString Name(int index) const;
  int Count() const { return items_.Count(); }
  void Clear();
  // The names with their bindings as objects (sorted during a pass).
  rtl::TStringList &Items() { return items_; }

  // A damaged stream raises EReadError; the list is then empty.
  void ReadBinaryData(rtl::TStream &stream);
  void WriteBinaryData(rtl::TStream &stream) const;

 private:
  rtl::TStringList items_;
};

// The variable list of a report: lines not beginning with a blank are
// categories, the lines " name" after one its variables.
void KvGetVariableCategories(const rtl::TStrings &variables, rtl::TStrings &out);
void KvGetCategoryVariables(const rtl::TStrings &variables, int category, rtl::TStrings &out);
int KvFindVariable(const rtl::TStrings &variables, const QString &name);

}  // namespace report
