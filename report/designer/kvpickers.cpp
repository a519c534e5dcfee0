// The variables and field pickers (see kvpickers.h).
#include "report/designer/kvpickers.h"

#include "platform/vcl/messages.h"
#include "report/designer/kveditctl.h"
#include "report/designer/kvfunccat.h"
#include "report/engine/component/kvreport.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kWidth = 240;
constexpr int kHeight = 300;
// NOLINTEND(readability-magic-numbers)

QString NoneEntry() { return QStringLiteral("[Nessuno]"); }

}  // namespace

// ---- variables ---------------------------------------------------------------------

TVarForm::TVarForm(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner), report_(report) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Variabili"), kWidth, kHeight);
  CategoryBox = PlaceControl<vcl::TComboBox>(this, this, 8, 24, kWidth - 16, 21);
  CategoryBox->SetStyle(vcl::csDropDownList);
  PlaceLabel(this, this, QStringLiteral("Categoria:"), 8, 6, CategoryBox);
  VariableList = PlaceControl<vcl::TListBox>(this, this, 8, 52, kWidth - 16, kHeight - 96);
  CancelButton = PlaceButton(this, this, QStringLiteral("&Annulla"), kWidth - 83, kHeight - 34);
  // NOLINTEND(readability-magic-numbers)
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(vcl::mrCancel);
  CategoryBox->OnChange = [this](rtl::TObject *) { ShowCategory(); };
  VariableList->OnClick = [this](rtl::TObject *) { Choose(VariableList->ItemIndex()); };
  VariableList->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState) {
    if (key != vcl::VK_RETURN) return;
    key = 0;
    Choose(VariableList->ItemIndex() >= 0 ? VariableList->ItemIndex() : 0);
  };
  HandleNeeded();
  if (report_ != nullptr) report_->GetVariableCategories(*CategoryBox->Items());
  CategoryBox->SetItemIndex(CategoryBox->Items()->Count() > 0 ? 0 : -1);
  ShowCategory();
}

void TVarForm::ShowCategory() {
  VariableList->Items()->Clear();
  const int category = CategoryBox->ItemIndex();
  if (report_ != nullptr && category >= 0) report_->GetCategoryVariables(category, *VariableList->Items());
}

void TVarForm::Choose(int row) {
  if (row < 0 || row >= VariableList->Count()) return;
  selected_ = VariableList->Items()->Strings(row);
  SetModalResult(vcl::mrOk);
}

QString PickVariable(TkvReport *report) {
  TVarForm form(nullptr, report);
  if (form.ShowModal() != vcl::mrOk) return QString();
  return form.SelectedVariable();
}

// ---- fields ------------------------------------------------------------------------

QString &TFieldsForm::LastSource() {
  static QString last;
  return last;
}

TFieldsForm::TFieldsForm(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Inserisci campo DB"), kWidth, kHeight);
  SourceBox = PlaceControl<vcl::TComboBox>(this, this, 8, 24, kWidth - 16, 21);
  SourceBox->SetStyle(vcl::csDropDownList);
  SourceBox->SetDropDownCount(12);
  PlaceLabel(this, this, QStringLiteral("DB disponibili"), 8, 6, SourceBox);
  FieldList = PlaceControl<vcl::TListBox>(this, this, 8, 52, kWidth - 16, kHeight - 96);
  CancelButton = PlaceButton(this, this, QStringLiteral("&Annulla"), kWidth - 83, kHeight - 34);
  // NOLINTEND(readability-magic-numbers)
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(vcl::mrCancel);
  SourceBox->OnChange = [this](rtl::TObject *) { ShowSource(); };
  FieldList->OnClick = [this](rtl::TObject *) { Choose(FieldList->ItemIndex()); };
  FieldList->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState) {
    if (key != vcl::VK_RETURN) return;
    key = 0;
    Choose(FieldList->ItemIndex());
  };
  HandleNeeded();
  datasets_ = KvListDataSets(report, TkvDataSetNaming::BareForReportOwner);
  for (const QString &name : KvDataSetNames(datasets_)) SourceBox->Items()->Add(name);
  SourceBox->Items()->Add(KvOtherSource());
  const int last = SourceBox->Items()->IndexOf(LastSource());
  SourceBox->SetItemIndex(last >= 0 ? last : 0);
  ShowSource();
}

void TFieldsForm::ShowSource() {
  FieldList->Items()->Clear();
  FieldList->Items()->Add(NoneEntry());
  const int source = SourceBox->ItemIndex();
  if (source < 0) return;
  const QString name = SourceBox->Items()->Strings(source);
  LastSource() = name;
  if (name == KvOtherSource()) {
    for (const TkvSystemVariable &v : KvPickerVariables()) FieldList->Items()->Add(v.Label);
  } else {
    for (const QString &field : KvFieldNames(KvDataSetOf(datasets_, name))) FieldList->Items()->Add(field);
  }
}

void TFieldsForm::Choose(int row) {
  if (row < 0 || row >= FieldList->Count()) return;
  if (row == 0) {
    SetModalResult(vcl::mrCancel);
    return;
  }
  const QString source = SourceBox->Text();
  const QString entry = FieldList->Items()->Strings(row);
  result_ = source == KvOtherSource() ? KvSystemVariableName(entry) : KvFieldReference(source, entry);
  SetModalResult(vcl::mrOk);
}

QString PickField(TkvReport *report) {
  TFieldsForm form(nullptr, report);
  if (form.ShowModal() != vcl::mrOk) return QString();
  return form.ResultText();
}

}  // namespace report
