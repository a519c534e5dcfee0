// The barcode editor "Codice a barre" (see kvcodebarre_form.h).
#include "report/engine/objects/kvcodebarre_form.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/engine/model/kvservices.h"

namespace report {

namespace {

template <class Control>
Control *Place(vcl::TWinControl *parent, vcl::TComponent *owner, int left, int top, int width, int height) {
  auto *control = new Control(owner);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

vcl::TLabel *AddLabel(vcl::TForm *form, const char *text, int left, int top) {
  auto *label = new vcl::TLabel(form);
  label->SetParent(form);
  label->SetCaption(QString::fromLatin1(text));
  label->SetBounds(left, top, 120, 16);
  return label;
}

}  // namespace

TCodeBarreForm::TCodeBarreForm(vcl::TComponent *owner, TkvReport *report) : TkvObjEditorForm(owner), report_(report) {
  SetCaption(QStringLiteral("Codice a barre"));
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 380, 300);

  AddLabel(this, "Testo", 10, 10)->SetFocusControl(text_ = Place<vcl::TEdit>(this, this, 10, 28, 250, 22));
  field_ = Place<vcl::TButton>(this, this, 270, 8, 95, 25);
  field_->SetCaption(QStringLiteral("&Campo DB"));
  variable_ = Place<vcl::TButton>(this, this, 270, 38, 95, 25);
  variable_->SetCaption(QStringLiteral("&Variabile"));
  expression_ = Place<vcl::TButton>(this, this, 270, 68, 95, 25);
  expression_->SetCaption(QStringLiteral("&Espressione"));

  AddLabel(this, "Tipo di codice", 10, 58)->SetFocusControl(type_ = Place<vcl::TComboBox>(this, this, 10, 76, 250, 22));
  type_->SetStyle(vcl::csDropDownList);
  for (int type = 0; type < kBarcodeTypeCount; ++type) type_->Items()->Add(BarcodeTypeName(type));
  AddLabel(this, "Fattore di scala", 10, 106)->SetFocusControl(scale_ = Place<vcl::TEdit>(this, this, 10, 124, 60, 22));

  options_ = Place<vcl::TGroupBox>(this, this, 10, 154, 355, 92);
  options_->SetCaption(QStringLiteral("Opzioni"));
  checksum_ = Place<vcl::TCheckBox>(options_, this, 10, 18, 330, 20);
  checksum_->SetCaption(QStringLiteral("Calcola il codice di controllo"));
  show_text_ = Place<vcl::TCheckBox>(options_, this, 10, 40, 330, 20);
  show_text_->SetCaption(QStringLiteral("Visualizza il testo"));
  show_checksum_ = Place<vcl::TCheckBox>(options_, this, 10, 62, 330, 20);
  show_checksum_->SetCaption(QStringLiteral("Visualizza il codice di controllo"));
  checksum_->OnClick = [this](rtl::TObject *) { UpdateOptions(); };
  show_text_->OnClick = [this](rtl::TObject *) { UpdateOptions(); };

  ok_ = Place<vcl::TButton>(this, this, 190, 254, 82, 27);
  ok_->SetCaption(QStringLiteral("&OK"));
  ok_->SetDefault(true);
  ok_->SetModalResult(vcl::mrOk);
  cancel_ = Place<vcl::TButton>(this, this, 283, 254, 82, 27);
  cancel_->SetCaption(QStringLiteral("&Annulla"));
  cancel_->SetCancel(true);
  cancel_->SetModalResult(vcl::mrCancel);

  field_->OnClick = [this](rtl::TObject *) {
    if (const auto &pick = KvEditorServices().PickField) {
      const QString field = pick(report_);
      if (!field.isEmpty()) Insert(QStringLiteral("[") + field + QStringLiteral("]"));
    }
  };
  variable_->OnClick = [this](rtl::TObject *) {
    if (const auto &pick = KvEditorServices().PickVariable) {
      const QString variable = pick(report_);
      if (!variable.isEmpty()) Insert(QStringLiteral("[") + variable + QStringLiteral("]"));
    }
  };
  expression_->OnClick = [this](rtl::TObject *) {
    QString expression;
    if (const auto &edit = KvEditorServices().EditExpression; edit && edit(report_, expression)) Insert(expression);
  };
  UpdateOptions();
}

void TCodeBarreForm::UpdateOptions() { show_checksum_->SetEnabled(checksum_->Checked() && show_text_->Checked()); }

void TCodeBarreForm::Insert(const QString &text) {
  if (text.isEmpty()) return;
  text_->SetSelText(text);
  if (text_->CanFocus()) text_->SetFocus();
}

bool TCodeBarreForm::ShowEditor(TkvView *view) {
  auto *code = dynamic_cast<TkvCodeBarreView *>(view);
  if (code == nullptr) return false;
  report_ = view->Report;
  text_->SetText(code->Memo.Count() > 0 ? code->Memo[0] : QString());
  type_->SetItemIndex(code->BarType < kBarcodeTypeCount ? int(code->BarType) : int(bcCodeEAN13));
  scale_->SetText(QString::number(code->Zoom));
  checksum_->SetChecked(code->Checksum);
  show_text_->SetChecked(code->ShowText);
  show_checksum_->SetChecked(code->ShowCheckSumText);
  UpdateOptions();
  if (ShowModal() != vcl::mrOk) return false;

  bool ok = false;
  const int zoom = scale_->Text().trimmed().toInt(&ok);
  if (!ok || zoom < 1 || zoom > 49) {
    vcl::MessageDlg(QStringLiteral("Il fattore di scala deve essere un numero intero da 1 a 49"), vcl::mtError,
                    vcl::TMsgDlgButtons{vcl::mbOK});
    return false;
  }
  code->Memo.Clear();
  code->Memo.Add(text_->Text());
  code->Checksum = checksum_->Checked();
  code->ShowText = show_text_->Checked();
  code->ShowCheckSumText = show_checksum_->Checked();
  if (type_->ItemIndex() >= 0) code->BarType = std::uint8_t(type_->ItemIndex());
  code->Zoom = std::int16_t(zoom);
  return true;
}

bool EditCodeBarre(TkvView *view) {
  TCodeBarreForm form(nullptr, view != nullptr ? view->Report : nullptr);
  return form.ShowEditor(view);
}

}  // namespace report
