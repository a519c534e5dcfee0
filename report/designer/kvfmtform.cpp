// The value-format dialog (see kvfmtform.h).
#include "report/designer/kvfmtform.h"

#include "platform/vcl/dialogs.h"
#include "report/engine/model/kvformat.h"

namespace report {

namespace {

constexpr int kKindCount = 5;

// Sub-format names by kind, in sub-format order.
const char *const kSubFormats[kKindCount][5] = {
    {"[Nessuno]"},
    {"1234,5", "1234,50", "1.234,5", "1.234,50", "Personalizzato"},
    {"05/11/98", "05/11/1998", "5 nov 1998", "5 novembre 1998", "Personalizzato"},
    {"02:43:35", "2:43:35", "02:43", "2:43", "Personalizzato"},
    {"0/1", "Si/No", "X/_", "Personalizzato"},
};

}  // namespace

QStringList TkvFormatModel::KindNames() {
  return {QStringLiteral("Testo"), QStringLiteral("Numero"), QStringLiteral("Data"), QStringLiteral("Orario"),
          QStringLiteral("Logico")};
}

QStringList TkvFormatModel::SubFormatNames(int kind) {
  QStringList names;
  if (kind < 0 || kind >= kKindCount) return names;
  for (const char *name : kSubFormats[kind]) {
    if (name != nullptr) names << QString::fromUtf8(name);
  }
  return names;
}

int TkvFormatModel::Kind() const { return KvFormatKindOf(format_); }
int TkvFormatModel::SubFormat() const { return KvSubFormatOf(format_); }
int TkvFormatModel::Decimals() const { return KvDecimalsOf(format_); }
QChar TkvFormatModel::Separator() const { return QChar(KvSeparatorOf(format_)); }

void TkvFormatModel::SetKind(int kind) {
  format_ = KvFormatWord(kind, 0, Decimals(), Separator().unicode());
  format_text_.clear();
}

void TkvFormatModel::SetSubFormat(int sub_format) {
  format_ = KvFormatWord(Kind(), sub_format, Decimals(), Separator().unicode());
}

QString TkvFormatModel::CheckDecimals(const QString &text) {
  bool ok = false;
  const int decimals = text.trimmed().toInt(&ok);
  if (ok && decimals >= 0 && decimals <= kMaxDecimals) return QString();
  return QStringLiteral("Le cifre decimali devono essere un numero intero da 0 a %1.").arg(kMaxDecimals);
}

bool TkvFormatModel::SetDecimalsText(const QString &text) {
  // More than 255 would run into the sub-format's bits.
  if (!CheckDecimals(text).isEmpty()) return false;
  format_ = KvFormatWord(Kind(), SubFormat(), text.trimmed().toInt(), Separator().unicode());
  return true;
}

void TkvFormatModel::SetSeparatorText(const QString &text) {
  const QChar separator = text.isEmpty() ? QChar(u',') : text.at(0);
  format_ = KvFormatWord(Kind(), SubFormat(), Decimals(), separator.unicode());
}

bool TkvFormatModel::CustomVisible() const { return SubFormat() == kvCustomSubFormat; }

bool TkvFormatModel::DecimalsVisible() const { return Kind() == fkNumber && !CustomVisible(); }

// ---------------------------------------------------------------------------

TFmtForm::TFmtForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Formatta variabile"), 330, 236);
  GroupBox1 = PlaceControl<vcl::TGroupBox>(this, this, 8, 6, 314, 190);
  GroupBox1->SetCaption(QStringLiteral("Formato variabile"));
  KindList = PlaceControl<vcl::TListBox>(GroupBox1, this, 10, 38, 100, 90);
  SubFormatList = PlaceControl<vcl::TListBox>(GroupBox1, this, 118, 38, 186, 90);
  PlaceLabel(GroupBox1, this, QStringLiteral("Formato"), 10, 20, KindList);
  for (const QString &name : TkvFormatModel::KindNames()) KindList->Items()->Add(name);

  DecimalsPanel = PlaceControl<vcl::TPanel>(GroupBox1, this, 6, 134, 300, 50);
  DecimalsPanel->SetBevelOuter(vcl::bvNone);
  DecimalsEdit = PlaceControl<vcl::TEdit>(DecimalsPanel, this, 112, 2, 50, 21);
  PlaceLabel(DecimalsPanel, this, QStringLiteral("Cifre decimali"), 4, 5, DecimalsEdit);
  SeparatorEdit = PlaceControl<vcl::TEdit>(DecimalsPanel, this, 112, 26, 50, 21);
  SeparatorEdit->SetMaxLength(1);
  PlaceLabel(DecimalsPanel, this, QStringLiteral("Simbolo frazione"), 4, 29, SeparatorEdit);

  CustomPanel = PlaceControl<vcl::TPanel>(GroupBox1, this, 6, 134, 300, 50);
  CustomPanel->SetBevelOuter(vcl::bvNone);
  FormatEdit = PlaceControl<vcl::TEdit>(CustomPanel, this, 4, 14, 292, 21);

  Buttons = PlaceOkCancel(this, 164, 204);
  // NOLINTEND(readability-magic-numbers)
  Buttons.Ok->SetModalResult(vcl::mrNone);
  Buttons.Ok->OnClick = [this](rtl::TObject *) {
    if (CheckOk()) SetModalResult(vcl::mrOk);
  };

  KindList->OnClick = [this](rtl::TObject *) { KindChosen(); };
  SubFormatList->OnClick = [this](rtl::TObject *) { SubFormatChosen(); };
  DecimalsEdit->OnChange = [this](rtl::TObject *) {
    if (!showing_) model_.SetDecimalsText(DecimalsEdit->Text());
  };
  SeparatorEdit->OnChange = [this](rtl::TObject *) {
    if (!showing_) model_.SetSeparatorText(SeparatorEdit->Text());
  };
  FormatEdit->OnChange = [this](rtl::TObject *) {
    if (!showing_) model_.SetFormatText(FormatEdit->Text());
  };
  // The controls exist from the start, so typing reaches the model whether
  // the form is shown or driven directly.
  HandleNeeded();
}

void TFmtForm::SetFormatText(const QString &text) { model_.SetFormatText(text); }

void TFmtForm::DoShow() {
  ShowModel();
  vcl::TForm::DoShow();
}

void TFmtForm::ShowModel() {
  showing_ = true;
  const int kind = model_.Kind();
  KindList->SetItemIndex(kind < KindList->Count() ? kind : -1);
  SubFormatList->Items()->Clear();
  for (const QString &name : TkvFormatModel::SubFormatNames(kind)) SubFormatList->Items()->Add(name);
  const int sub = model_.SubFormat();
  SubFormatList->SetItemIndex(sub < SubFormatList->Count() ? sub : -1);
  DecimalsEdit->SetText(QString::number(model_.Decimals()));
  SeparatorEdit->SetText(model_.Separator().isNull() ? QString() : QString(model_.Separator()));
  FormatEdit->SetText(model_.FormatText());
  showing_ = false;
  UpdatePanels();
}

void TFmtForm::KindChosen() {
  if (KindList->ItemIndex() < 0) return;
  model_.SetKind(KindList->ItemIndex());
  ShowModel();
}

void TFmtForm::SubFormatChosen() {
  if (SubFormatList->ItemIndex() < 0) return;
  model_.SetSubFormat(SubFormatList->ItemIndex());
  UpdatePanels();
}

void TFmtForm::UpdatePanels() {
  CustomPanel->SetVisible(model_.CustomVisible());
  DecimalsPanel->SetVisible(model_.DecimalsVisible());
}

bool TFmtForm::CheckOk() {
  if (!model_.DecimalsVisible()) return true;
  const QString error = TkvFormatModel::CheckDecimals(DecimalsEdit->Text());
  if (error.isEmpty()) return true;
  vcl::MessageDlg(error, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
  FocusIfShown(DecimalsEdit);
  return false;
}

bool EditFormat(std::int32_t &format, QString &format_text) {
  TFmtForm form(nullptr);
  form.SetFormat(format);
  form.SetFormatText(format_text);
  if (form.ShowModal() != vcl::mrOk) return false;
  format = form.Format();
  format_text = form.FormatText();
  return true;
}

}  // namespace report
