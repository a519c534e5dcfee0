// What the report wizard builds, apart from its window (kvwizard.h): a list
// report of one dataset, with a title band, a page header holding one
// heading per chosen field, a master data band holding one data memo per
// field and a page footer with "Pagina [Page#] di [TotalPages]".
//
// Columns share the usable width of the page in proportion to the fields'
// display widths, 8 pixels apart, over a usable width fixed by the sheet's
// orientation. A field without a display width gets no share beyond its
// gap; only when no field has one do the columns share the width equally.
//
// TkvWizardLists is the moving of fields between the two lists of the
// window (">", ">>", "<", "<<").
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/vcl/controls.h"

namespace vcl {
class TDataSet;
}

namespace report {

class TkvReport;

// A chosen field as the wizard lays it out.
struct TkvWizardField {
  QString Name;
  QString Label;  // the heading (DisplayLabel)
  int DisplayWidth = 0;
  vcl::TAlignment Alignment = vcl::taLeftJustify;
  bool Currency = false;  // printed through MONEY()
};

struct TkvWizardColumn {
  int X = 0;
  int Width = 0;
};

// The left edge of the title, the footer and the first column.
inline constexpr int kvWizardLeft = 37;

// The fields a dataset offers (no picture, memo or other blob fields), by
// name in the dataset's order. The dataset is opened for the moment.
QStringList KvWizardSelectableFields(vcl::TDataSet *dataset);
// The chosen fields with what the layout needs, in the given order. The
// dataset is opened for the moment; a field it lacks is laid out with the
// defaults (its name as heading, width 10, left-aligned). An error opening
// it raises.
std::vector<TkvWizardField> KvWizardFields(vcl::TDataSet *dataset, const QStringList &names);

// The width from x 37 that the title, the footer and the columns share:
// the same on every paper, 1028 pixels on a landscape sheet and 719 on a
// portrait one.
int KvWizardUsableWidth(bool landscape);
// Each column's x and width for fields of these display widths.
std::vector<TkvWizardColumn> KvWizardColumns(const std::vector<int> &display_widths, int usable_width);

// Replaces the report's template with the list report of `dataset` (which
// the master data band walks through a record source of the report's
// own). The report is cleared first.
void KvBuildWizardReport(TkvReport &report, vcl::TDataSet *dataset, const QString &title,
                         const std::vector<TkvWizardField> &fields, bool landscape);

// The two field lists of the wizard: the fields left to choose (sorted)
// and the chosen ones (in column order).
class TkvWizardLists {
 public:
  // Both lists emptied; every selectable field left to choose.
  void Reset(const QStringList &selectable);
  const QStringList &Source() const { return source_; }
  const QStringList &Chosen() const { return chosen_; }

  // ">": the selected rows of the source move to the end of the chosen
  // list, the last selected first. Returns the row to select in the
  // source afterwards (the first selected row, within the list; -1 when
  // it is empty).
  int Include(const std::vector<int> &selected_rows);
  // "<": the selected chosen fields go back to the source (sorted).
  int Exclude(const std::vector<int> &selected_rows);
  // ">>" and "<<": every field, in order.
  void IncludeAll();
  void ExcludeAll();

 private:
  static int Move(QStringList &from, QStringList &to, const std::vector<int> &rows, bool sort_to);
  QStringList source_;
  QStringList chosen_;
};

}  // namespace report
