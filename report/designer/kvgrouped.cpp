// The group editor (see kvgrouped.h).
#include "report/designer/kvgrouped.h"

#include "report/designer/kvdsgneditors.h"
#include "report/designer/kvexpred.h"
#include "report/designer/kvpickers.h"
#include "report/engine/model/kvclass.h"

namespace report {

TGroupEditorForm::TGroupEditorForm(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner), report_(report) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Gruppo"), 360, 104);
  SetShowHint(true);
  Edit1 = PlaceControl<vcl::TEdit>(this, this, 8, 26, 310, 21);
  Edit1->SetAutoSelect(false);
  Label1 = PlaceLabel(this, this, QStringLiteral("Condizione"), 8, 8, Edit1);
  E1 = PlaceControl<vcl::TSpeedButton>(this, this, 324, 25, 28, 23);
  E1->SetCaption(QStringLiteral("..."));
  E1->SetHint(QStringLiteral("Editor di espressioni"));
  Button3 = PlaceButton(this, this, QStringLiteral("&Variabile"), 8, 64, 84);
  Button3->SetHint(QStringLiteral("Inserisci una variabile"));
  Button4 = PlaceButton(this, this, QStringLiteral("&Campo DB"), 98, 64, 84);
  Button4->SetHint(QStringLiteral("Inserisci un campo di un DB"));
  Buttons = PlaceOkCancel(this, 194, 64);
  // NOLINTEND(readability-magic-numbers)
  E1->OnClick = [this](rtl::TObject *) { InsertExpression(); };
  Button3->OnClick = [this](rtl::TObject *) { InsertVariable(); };
  Button4->OnClick = [this](rtl::TObject *) { InsertField(); };
  HandleNeeded();
}

void TGroupEditorForm::Insert(const QString &text) {
  if (!text.isEmpty()) Edit1->SetSelText(text);
  FocusIfShown(Edit1);
}

void TGroupEditorForm::InsertExpression() {
  QString expression;
  if (EditExpression(report_, expression)) {
    Insert(expression);
  } else {
    FocusIfShown(Edit1);
  }
}

void TGroupEditorForm::InsertVariable() { Insert(PickVariable(report_)); }

void TGroupEditorForm::InsertField() { Insert(PickField(report_)); }

bool EditGroup(TkvBandView *band) {
  if (band == nullptr) return false;
  TGroupEditorForm form(nullptr, band->Report);
  form.Edit1->SetText(band->FormatStr);
  if (form.ShowModal() != vcl::mrOk) return false;
  band->FormatStr = form.Edit1->Text();
  return true;
}

void KvInstallGroupEditor() {
  KvRegisterEditor(TkvEditor::Group, [](TkvEditContext &context) {
    auto *band = dynamic_cast<TkvBandView *>(context.View);
    return band != nullptr && band->GetBandType() == btGroupHeader && EditGroup(band);
  });
}

}  // namespace report
