// The two pickers that hand one name to the editor that opened them: the
// variables picker "Variabili" (a report variable, by category) and the
// field picker "Inserisci campo DB" (a field of a dataset the report can
// reach, as DataSet."Field", or a system variable under "Altro"). A click
// on an entry closes the picker with it; the field picker chooses the
// dataset it showed last again when it reopens.
#pragma once

#include <QString>
#include <vector>

#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kvdsgdata.h"

namespace report {

class TkvReport;

class TVarForm : public vcl::TForm {
  ORBISCA_CLASS(TVarForm, vcl::TForm)

 public:
  TVarForm(vcl::TComponent *owner, TkvReport *report);

  // The chosen variable (after OK).
  QString SelectedVariable() const { return selected_; }
  // Lists the variables of the chosen category.
  void ShowCategory();
  // The variable of that row is chosen and the picker closes with OK.
  void Choose(int row);

  vcl::TComboBox *CategoryBox = nullptr;
  vcl::TListBox *VariableList = nullptr;
  vcl::TButton *CancelButton = nullptr;

 private:
  TkvReport *report_;
  QString selected_;
};

class TFieldsForm : public vcl::TForm {
  ORBISCA_CLASS(TFieldsForm, vcl::TForm)

 public:
  TFieldsForm(vcl::TComponent *owner, TkvReport *report);

  // The chosen field or system variable (after OK).
  QString ResultText() const { return result_; }
  // Lists the fields (or system variables) of the chosen source.
  void ShowSource();
  // The entry of that row is chosen: "[Nessuno]" cancels, any other closes
  // with OK.
  void Choose(int row);

  vcl::TComboBox *SourceBox = nullptr;
  vcl::TListBox *FieldList = nullptr;
  vcl::TButton *CancelButton = nullptr;

  // The source shown last, chosen again by the next picker.
  static QString &LastSource();

 private:
  std::vector<TkvDataSetEntry> datasets_;
  QString result_;
};

// The pickers run modally; empty when the user cancelled.
QString PickVariable(TkvReport *report);
QString PickField(TkvReport *report);

}  // namespace report
