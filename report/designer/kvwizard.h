// The report wizard "Autocomposizione Report": the user picks a dataset of
// the running program, a title, the fields and the orientation of the
// sheet, and the wizard replaces the template with a list report of them
// (kvwizlayout.h builds it; TkvWizardLists moves the fields).
#pragma once

#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kvdsgdata.h"
#include "report/designer/kvwizlayout.h"

namespace report {

class TkvReport;

class TReportWizard : public vcl::TForm {
  ORBISCA_CLASS(TReportWizard, vcl::TForm)

 public:
  TReportWizard(vcl::TComponent *owner, TkvReport *report);

  // Lists the datasets of the open forms and data modules.
  void FormActivate();
  // The handlers, as the controls call them.
  void ComboBoxChange();
  void IncludeBtnClick();
  void ExcludeBtnClick();
  void IncAllBtnClick();
  void ExcAllBtnClick();
  void PortraitClick();
  void OKBtnClick();
  // Closes the wizard with nothing built.
  void CancelBtnClick();
  // The first selected row of the list, -1 when none is.
  static int GetFirstSelection(const vcl::TListBox *list);

  // The dataset chosen (nullptr before a choice).
  vcl::TDataSet *DataSet() const { return dataset_; }

  vcl::TLabel *Label1 = nullptr;  // "Sorgente dei dati"
  vcl::TComboBox *ComboBox = nullptr;
  vcl::TLabel *Label2 = nullptr;  // "Titolo del report"
  vcl::TEdit *RepTitle = nullptr;
  vcl::TLabel *SrcLabel = nullptr;  // "Campi selezionabili"
  vcl::TListBox *SrcList = nullptr;
  vcl::TLabel *DstLabel = nullptr;  // "Campi selezionati"
  vcl::TListBox *DstList = nullptr;
  vcl::TSpeedButton *IncludeBtn = nullptr;  // ">"
  vcl::TSpeedButton *IncAllBtn = nullptr;   // ">>"
  vcl::TSpeedButton *ExcludeBtn = nullptr;  // "<"
  vcl::TSpeedButton *ExAllBtn = nullptr;    // "<<"
  vcl::TGroupBox *Options = nullptr;        // "Foglio"
  vcl::TRadioButton *Landscape = nullptr;   // "Orizzontale"
  vcl::TRadioButton *Portrait = nullptr;    // "Verticale"
  vcl::TImage *imgPortrait = nullptr;
  vcl::TImage *imgLandScape = nullptr;
  vcl::TButton *OKBtn = nullptr;
  vcl::TButton *CancelBtn = nullptr;

 private:
  void ShowLists();
  // Focuses the list and selects the row (-1 gives the first, past the end
  // the last), then enables the move buttons.
  void SetItem(vcl::TListBox *list, int index);
  void SetButtons();
  static std::vector<int> SelectedRows(const vcl::TListBox *list);

  TkvReport *report_;
  std::vector<TkvDataSetEntry> datasets_;
  vcl::TDataSet *dataset_ = nullptr;
  TkvWizardLists lists_;
};

// The wizard on the report; true when it built a new template.
bool RunReportWizard(TkvReport *report);

// Registers the wizard as the designer's "Nuovo da autocomposizione..."
// editor.
void KvInstallReportWizard();

}  // namespace report
