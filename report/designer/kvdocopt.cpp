// The document options dialog (see kvdocopt.h).
#include "report/designer/kvdocopt.h"

#include "report/designer/kvdsgneditors.h"
#include "report/designer/kveditctl.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/print/kvprntr.h"

namespace report {

TkvDocOptions KvReadDocOptions(const TkvReport &report) {
  TkvDocOptions o;
  o.ChoosePrinter = !report.PrintToDefault();
  o.DoublePass = report.DoublePass();
  o.Interleave = report.InterleavePages();
  o.Renumber = report.RenumberInterleaved();
  o.PrinterIndex = GlobalPrinterSettings()->PrinterIndex();
  return o;
}

bool KvWriteDocOptions(TkvReport &report, const TkvDocOptions &o) {
  report.SetPrintToDefault(!o.ChoosePrinter);
  report.SetDoublePass(o.DoublePass || o.Renumber);
  report.SetInterleavePages(o.Interleave);
  report.SetRenumberInterleaved(o.Renumber);
  const int old_index = GlobalPrinterSettings()->PrinterIndex();
  if (o.PrinterIndex < 0 || o.PrinterIndex == old_index) return true;
  return report.SelectPrinter(old_index, o.PrinterIndex);
}

// NOLINTBEGIN(readability-magic-numbers)
TDocOptForm::TDocOptForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetupDialog(this, QStringLiteral("Opzioni report"), 324, 232);

  auto check = [this](vcl::TWinControl *parent, int y, const char *caption) {
    auto *box = PlaceControl<vcl::TCheckBox>(parent, this, 12, y, 290, 17);
    box->SetCaption(QString::fromUtf8(caption));
    return box;
  };
  GroupBox1 = PlaceControl<vcl::TGroupBox>(this, this, 8, 8, 308, 78);
  GroupBox1->SetCaption(QStringLiteral("Stampante"));
  ComB1 = PlaceControl<vcl::TComboBox>(GroupBox1, this, 12, 20, 284, 21);
  ComB1->SetStyle(vcl::csDropDownList);
  CB1 = check(GroupBox1, 50, "Seleziona dove stampare il report");

  GroupBox2 = PlaceControl<vcl::TGroupBox>(this, this, 8, 94, 308, 94);
  GroupBox2->SetCaption(QStringLiteral("Altro"));
  CB2 = check(GroupBox2, 20, "Report in due fasi");
  CB3 = check(GroupBox2, 44, "Fascicola report a pagine multiple");
  CB4 = check(GroupBox2, 68, "Reimpagina le pagine fascicolate");
  CB4->SetEnabled(false);
  CB3->OnClick = [this](rtl::TObject *) { CB3Click(); };
  CB4->OnClick = [this](rtl::TObject *) { CB4Click(); };

  const TOkCancel buttons = PlaceOkCancel(this, 158, 198);
  Button1 = buttons.Ok;
  Button2 = buttons.Cancel;
}
// NOLINTEND(readability-magic-numbers)

void TDocOptForm::CB3Click() {
  CB4->SetEnabled(CB3->Checked());
  if (!CB3->Checked()) CB4->SetChecked(false);
}

void TDocOptForm::CB4Click() {
  if (CB4->Checked()) CB2->SetChecked(true);
  CB2->SetEnabled(!CB4->Checked());
}

void TDocOptForm::Load(const TkvDocOptions &o) {
  ComB1->Items()->Assign(GlobalPrinterSettings()->PrinterNames());
  ComB1->SetItemIndex(o.PrinterIndex);
  CB1->SetChecked(o.ChoosePrinter);
  CB2->SetChecked(o.DoublePass);
  CB3->SetChecked(o.Interleave);
  CB3Click();
  // Renumbering means nothing without collation: the box follows it.
  CB4->SetChecked(o.Interleave && o.Renumber);
  CB4Click();
}

TkvDocOptions TDocOptForm::Store() const {
  TkvDocOptions o;
  o.ChoosePrinter = CB1->Checked();
  o.DoublePass = CB2->Checked();
  o.Interleave = CB3->Checked();
  o.Renumber = CB4->Checked();
  o.PrinterIndex = ComB1->ItemIndex();
  return o;
}

bool EditDocumentOptions(TkvReport *report) {
  if (report == nullptr) return false;
  TDocOptForm form;
  form.Load(KvReadDocOptions(*report));
  if (form.ShowModal() != vcl::mrOk) return false;
  KvWriteDocOptions(*report, form.Store());
  return true;
}

void KvInstallDocumentOptions() {
  KvRegisterEditor(TkvEditor::ReportOptions,
                   [](TkvEditContext &context) { return EditDocumentOptions(context.Report); });
}

}  // namespace report
