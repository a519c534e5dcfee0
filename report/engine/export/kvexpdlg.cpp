// Options dialogs of the text and rich-text export filters (see kvexpdlg.h).
#include "report/engine/export/kvexpdlg.h"

#include <cmath>

#include "platform/vcl/dialogs.h"
#include "report/engine/component/kvreport.h"

namespace report {

namespace {

vcl::TGroupBox *Group(vcl::TForm *form, int height) {
  auto *group = new vcl::TGroupBox(form);
  group->SetParent(form);
  group->SetCaption(QStringLiteral("Opzioni"));
  group->SetBounds(8, 8, 260, height);
  return group;
}

vcl::TCheckBox *Check(vcl::TWinControl *parent, int y, const QString &caption, bool checked) {
  auto *box = new vcl::TCheckBox(parent->Owner());
  box->SetParent(parent);
  box->SetCaption(caption);
  box->SetBounds(12, y, 230, 17);
  box->SetChecked(checked);
  return box;
}

// A number field: an edit with an up-down at its right within `min` and
// `max` (typing stays free; OK checks the number).
vcl::TEdit *Number(vcl::TWinControl *parent, int y, const QString &caption, int min, int max, vcl::TUpDown *&arrows) {
  auto *label = new vcl::TLabel(parent->Owner());
  label->SetParent(parent);
  label->SetCaption(caption);
  label->SetBounds(12, y + 3, 150, 16);
  auto *edit = new vcl::TEdit(parent->Owner());
  edit->SetParent(parent);
  edit->SetBounds(170, y, 60, 21);
  arrows = new vcl::TUpDown(parent->Owner());
  arrows->SetMin(min);
  arrows->SetMax(max);
  arrows->SetAssociate(edit);
  return edit;
}

// OK checks the fields first and closes only when they hold.
template <class Options, class Form>
void Buttons(Form *form, int y) {
  form->OkButton = new vcl::TButton(form);
  form->OkButton->SetParent(form);
  form->OkButton->SetCaption(QStringLiteral("&OK"));
  form->OkButton->SetDefault(true);
  form->OkButton->SetBounds(56, y, 75, 25);
  form->OkButton->OnClick = [form](rtl::TObject *) {
    Options probe;
    const QString error = form->Store(probe);
    if (!error.isEmpty()) {
      vcl::MessageDlg(error, vcl::mtWarning, vcl::TMsgDlgButtons{vcl::mbOK});
      return;
    }
    form->SetModalResult(vcl::mrOk);
  };
  form->CancelButton = new vcl::TButton(form);
  form->CancelButton->SetParent(form);
  form->CancelButton->SetCaption(QStringLiteral("&Annulla"));
  form->CancelButton->SetCancel(true);
  form->CancelButton->SetModalResult(vcl::mrCancel);
  form->CancelButton->SetBounds(144, y, 75, 25);
}

// A whole number from `low` to `high`, or the message that refuses it.
QString ReadNumber(const vcl::TEdit *edit, const QString &what, int low, int high, int &value) {
  bool ok = false;
  const int n = edit->Text().trimmed().toInt(&ok);
  if (!ok || n < low || n > high)
    return QStringLiteral("%1: inserire un numero da %2 a %3.").arg(what).arg(low).arg(high);
  value = n;
  return QString();
}

const char *const kMarginCaptions[4] = {"Margine sinistro (mm)", "Margine destro (mm)", "Margine superiore (mm)",
                                        "Margine inferiore (mm)"};

}  // namespace

TTextFilterForm::TTextFilterForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetCaption(QStringLiteral("Esportazione in formato testo."));
  vcl::TCustomForm::SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 280, 230);
  vcl::TGroupBox *group = Group(this, 150);
  Columns = Number(group, 20, QStringLiteral("Numero di colonne"), 40, 132, ColumnsUpDown);
  PageBreak = Check(group, 50, QStringLiteral("Salto pagina"), true);
  TopMargin = Check(group, 72, QStringLiteral("Margine superiore"), false);
  BottomMargin = Check(group, 94, QStringLiteral("Margine inferiore"), false);
  LeftMargin = Check(group, 116, QStringLiteral("Margine sinistro"), true);
  Buttons<TkvTextExportOptions>(this, 166);
  Load(TkvTextExportOptions());
}

void TTextFilterForm::Load(const TkvTextExportOptions &o) {
  Columns->SetText(QString::number(o.Columns));
  PageBreak->SetChecked(o.PageBreak);
  TopMargin->SetChecked(o.TopMargin);
  BottomMargin->SetChecked(o.BottomMargin);
  LeftMargin->SetChecked(o.LeftMargin);
}

QString TTextFilterForm::Store(TkvTextExportOptions &o) const {
  int columns = 0;
  const QString error = ReadNumber(Columns, QStringLiteral("Numero di colonne"), 40, 132, columns);
  if (!error.isEmpty()) return error;
  o.Columns = static_cast<std::int16_t>(columns);
  o.PageBreak = PageBreak->Checked();
  o.TopMargin = TopMargin->Checked();
  o.BottomMargin = BottomMargin->Checked();
  o.LeftMargin = LeftMargin->Checked();
  return QString();
}

TRichFilterForm::TRichFilterForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetCaption(QStringLiteral("Esportazione in formato RTF."));
  vcl::TCustomForm::SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 280, 260);
  vcl::TGroupBox *group = Group(this, 180);
  PageBreak = Check(group, 20, QStringLiteral("Salto pagina"), true);
  RemoveLineSpacing = Check(group, 42, QStringLiteral("Elimina interlinee"), false);
  for (int i = 0; i < 4; ++i)
    Margins[i] = Number(group, 66 + 26 * i, QString::fromUtf8(kMarginCaptions[i]), 0, 1000, MarginUpDowns[i]);
  Buttons<TkvRichExportOptions>(this, 196);
  const int defaults[4] = {10, 10, 10, 15};
  Load(TkvRichExportOptions(), defaults);
}

void TRichFilterForm::Load(const TkvRichExportOptions &o, const int margins_mm[4]) {
  PageBreak->SetChecked(o.PageBreak);
  RemoveLineSpacing->SetChecked(o.RemoveLineSpacing);
  for (int i = 0; i < 4; ++i) Margins[i]->SetText(QString::number(margins_mm[i]));
}

QString TRichFilterForm::Store(TkvRichExportOptions &o) const {
  int mm[4] = {};
  for (int i = 0; i < 4; ++i) {
    const QString what = QString::fromUtf8(kMarginCaptions[i]);
    const QString error = ReadNumber(Margins[i], what.left(what.indexOf(QLatin1String(" ("))), 0, 1000, mm[i]);
    if (!error.isEmpty()) return error;
  }
  o.PageBreak = PageBreak->Checked();
  o.RemoveLineSpacing = RemoveLineSpacing->Checked();
  int *twips[4] = {&o.LeftMargin, &o.RightMargin, &o.TopMargin, &o.BottomMargin};
  for (int i = 0; i < 4; ++i) *twips[i] = static_cast<int>(std::nearbyint(mm[i] * 56.7));
  return QString();
}

bool TkvTextExportFilter::ShowOptions() {
  TTextFilterForm form;
  form.Load(Options);
  if (form.ShowModal() != vcl::mrOk) return false;
  return form.Store(Options).isEmpty();
}

bool TkvRichExportFilter::ShowOptions() {
  TRichFilterForm form;
  // The first template page's margins when it prints with them, else none.
  int mm[4] = {0, 0, 0, 0};
  if (Report != nullptr && Report->Pages().Count() > 0) {
    const TkvPage *page = Report->Pages().Page(0);
    if (page->UseMargins != 0) {
      const int order[4] = {0, 2, 1, 3};  // the page keeps left, top, right, bottom
      for (int i = 0; i < 4; ++i) mm[i] = static_cast<int>(std::nearbyint(page->Margins[order[i]] * 210.0 / 794.0));
    }
  }
  form.Load(Options, mm);
  if (form.ShowModal() != vcl::mrOk) return false;
  return form.Store(Options).isEmpty();
}

}  // namespace report
