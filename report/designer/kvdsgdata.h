// The datasets and fields the designer's pickers list: every dataset
// component of the report's owner and of every open form and data module,
// and the field names of one of them, as the expression editor, the field
// picker and the band editor show and insert them.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vcl {
class TComponent;
class TDataSet;
}  // namespace vcl

namespace report {

class TkvReport;

struct TkvDataSetEntry {
  QString Name;  // as listed
  vcl::TDataSet *DataSet = nullptr;
};

// How a dataset is named in the list.
enum class TkvDataSetNaming {
  // Its bare name when the report's owner holds it (as a template names
  // it), otherwise "Form.DataSet".
  BareForReportOwner,
  // Always "Owner.DataSet".
  Qualified,
};

// Every dataset component of the report's owner and of every form and data
// module on the screen, each once, sorted by name (ignoring case).
std::vector<TkvDataSetEntry> KvListDataSets(const TkvReport *report, TkvDataSetNaming naming);
QStringList KvDataSetNames(const std::vector<TkvDataSetEntry> &entries);
// The dataset of a listed name, or nullptr.
vcl::TDataSet *KvDataSetOf(const std::vector<TkvDataSetEntry> &entries, const QString &name);

// The last entry of the source lists: the system variables.
QString KvOtherSource();  // "Altro"

// The field names of a dataset: it is opened for the listing and put back
// as it was; a dataset without field objects lists its field definitions;
// one that cannot be opened lists what it knows closed.
QStringList KvFieldNames(vcl::TDataSet *dataset);

// A field as an expression names it: DataSet."Field".
QString KvFieldReference(const QString &dataset, const QString &field);

}  // namespace report
