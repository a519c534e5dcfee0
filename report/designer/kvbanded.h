// The record-source editor "Sorgente di dati della banda" of a data band
// (types 5, 8, 11 and 19): the dataset the band walks ("[Nessuno]", a
// "[Sorgente dati virtuale]" that counts its rows, or a dataset of a form
// or data module), where the walk starts and ends, and the dataset's
// filter.
//
// OK gives the band a new record source of the report named after the
// report, the band and "_DataSet". The band's old source leaves the
// report only when no other band still names it: a source the report made
// is then freed, one a form owns only leaves the report's list.
#pragma once

#include <QString>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kvdsgdata.h"
#include "report/designer/kveditctl.h"
#include "report/engine/data/kvdset.h"

namespace vcl {
class TDataSet;
}

namespace report {

class TkvBandView;
class TkvReport;

// What the editor chose for a band.
struct TkvBandSourceChoice {
  enum TKind { skNone, skVirtual, skDataSet };
  TKind Kind = skNone;
  vcl::TDataSet *DataSet = nullptr;  // skDataSet
  bool Filtered = false;
  QString Filter;
  TRangeBegin Begin = rbFirst;
  TRangeEnd End = reLast;
  int Count = 0;
};

// Whether a band of the report other than `band` names the record source
// `name` (ignoring case).
bool KvSourceNamedByOtherBand(const TkvReport &report, const TkvBandView *band, const QString &name);
// Gives the band the chosen source (see the file's comment).
void KvApplyBandSource(TkvReport &report, TkvBandView &band, const TkvBandSourceChoice &choice);

class TBandEditorForm : public vcl::TForm {
  ORBISCA_CLASS(TBandEditorForm, vcl::TForm)

 public:
  explicit TBandEditorForm(vcl::TComponent *owner);

  // Fills the controls from the band and its report's record source.
  void Load(TkvBandView *band);
  // The controls' choice; empty message when it holds, otherwise the one
  // for the user (a row count that is not a number).
  QString Read(TkvBandSourceChoice &choice) const;

  // "[Nessuno]" and "[Sorgente dati virtuale]", the first entries of CB1.
  static QString NoneEntry();
  static QString VirtualEntry();

  // The rules that enable the controls when the source, the end or the
  // filter switch change.
  void CB1Change();
  void ComboBox2Change();
  void ActiveFilterClick();
  // "Il nome del kvDataset corrente è: ..." in an information box.
  void ShowSourceName();

  vcl::TComboBox *CB1 = nullptr;        // source
  vcl::TComboBox *ComboBox1 = nullptr;  // start
  vcl::TComboBox *ComboBox2 = nullptr;  // end
  vcl::TEdit *Edit3 = nullptr;          // counted rows
  vcl::TUpDown *UpDown1 = nullptr;      // steps Edit3 (so do Up and Down in it)
  vcl::TBitBtn *BitBtn1 = nullptr;
  vcl::TGroupBox *GroupFilter = nullptr;
  vcl::TCheckBox *ActiveFilter = nullptr;
  vcl::TEdit *Filter = nullptr;
  vcl::TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
  TOkCancel Buttons;

 private:
  TkvBandView *band_ = nullptr;
  std::vector<TkvDataSetEntry> datasets_;
};

// The editor on a data band; true when the user confirmed and the band
// took its new source.
bool EditBandSource(TkvBandView *band);

// Registers the editor as the designer's band source editor.
void KvInstallBandSourceEditor();

}  // namespace report
