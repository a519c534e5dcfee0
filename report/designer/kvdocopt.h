// The document options dialog "Opzioni report": the printer the template
// selects when it is loaded, two passes, and the collation of multi-page
// reports.
//
// TkvDocOptions is what the dialog shows and gives back, read from and
// written into a report apart from the window; TDocOptForm is the window
// and EditDocumentOptions runs it on a report (the designer's "Opzioni
// report..." command, kvdsgneditors.h).
#pragma once

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {

class TkvReport;

struct TkvDocOptions {
  bool ChoosePrinter = false;  // "Seleziona dove stampare il report": loading selects the printer
  bool DoublePass = false;     // "Report in due fasi"
  bool Interleave = false;     // "Fascicola report a pagine multiple"
  bool Renumber = false;       // "Reimpagina le pagine fascicolate"
  int PrinterIndex = 0;        // in the printer settings' list
};

// The report's options and the printer settings' current printer.
TkvDocOptions KvReadDocOptions(const TkvReport &report);
// Writes the options back: renumbering needs two passes (the page count
// comes from the first), so it turns them on; a printer other than the
// current one is selected through the report (which reports a printer it
// cannot use). False when the printer could not be selected (the options
// are written all the same).
bool KvWriteDocOptions(TkvReport &report, const TkvDocOptions &options);

class TDocOptForm : public vcl::TForm {
  ORBISCA_CLASS(TDocOptForm, vcl::TForm)

 public:
  explicit TDocOptForm(vcl::TComponent *owner = nullptr);

  // Fills the printer list from the printer settings and the boxes.
  void Load(const TkvDocOptions &options);
  TkvDocOptions Store() const;

  // The boxes' rules: renumbering only while collating, and renumbering
  // keeps two passes on.
  void CB3Click();
  void CB4Click();

  vcl::TGroupBox *GroupBox1 = nullptr;  // "Stampante"
  vcl::TComboBox *ComB1 = nullptr;
  vcl::TCheckBox *CB1 = nullptr;
  vcl::TGroupBox *GroupBox2 = nullptr;  // "Altro"
  vcl::TCheckBox *CB2 = nullptr;
  vcl::TCheckBox *CB3 = nullptr;
  vcl::TCheckBox *CB4 = nullptr;
  vcl::TButton *Button1 = nullptr;  // "&OK"
  vcl::TButton *Button2 = nullptr;  // "&Annulla"
};

// The dialog on the report; on OK the options are written back. True when
// the user confirmed.
bool EditDocumentOptions(TkvReport *report);

// Registers the dialog as the designer's "Opzioni report..." editor.
void KvInstallDocumentOptions();

}  // namespace report
