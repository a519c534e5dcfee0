// The report wizard (see kvwizard.h).
#include "report/designer/kvwizard.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "report/designer/kvdsgneditors.h"
#include "report/designer/kveditctl.h"
#include "report/engine/component/kvreport.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
// A small sheet of paper with a few lines of print, upright or turned.
QImage Sheet(bool landscape) {
  const int w = landscape ? 44 : 32, h = landscape ? 32 : 44;
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(QColor(212, 208, 200));
  QPainter p(&image);
  p.fillRect(1, 1, w - 3, h - 3, Qt::white);
  p.setPen(Qt::black);
  p.drawRect(0, 0, w - 2, h - 2);
  p.setPen(QColor(0, 0, 128));
  for (int y = 6; y < h - 6; y += 4) p.drawLine(5, y, w - 8, y);
  return image;
}
// NOLINTEND(readability-magic-numbers)

vcl::TListBox *FieldList(vcl::TForm *form, int left) {
  constexpr int kTop = 100, kWidth = 180, kHeight = 200;
  auto *list = PlaceControl<vcl::TListBox>(form, form, left, kTop, kWidth, kHeight);
  list->SetMultiSelect(true);
  return list;
}

vcl::TSpeedButton *MoveButton(vcl::TForm *form, int top, const char *caption) {
  constexpr int kLeft = 206, kSize = 50;
  auto *button = PlaceControl<vcl::TSpeedButton>(form, form, kLeft, top, kSize, kvButtonHeight);
  button->SetCaption(QString::fromLatin1(caption));
  button->SetEnabled(false);
  return button;
}

vcl::TImage *SheetImage(vcl::TWinControl *parent, bool landscape) {
  vcl::TBitmap bitmap;
  bitmap.SetImage(Sheet(landscape));
  constexpr int kLeft = 150, kTop = 14;
  auto *image = PlaceControl<vcl::TImage>(parent, parent->Owner(), kLeft, kTop, bitmap.Width(), bitmap.Height());
  image->Picture()->SetBitmap(&bitmap);
  return image;
}

}  // namespace

// NOLINTBEGIN(readability-magic-numbers)
TReportWizard::TReportWizard(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner), report_(report) {
  SetupDialog(this, QStringLiteral("Autocomposizione Report"), 475, 386);

  ComboBox = PlaceControl<vcl::TComboBox>(this, this, 12, 28, 220, 21);
  ComboBox->SetStyle(vcl::csDropDownList);
  ComboBox->OnChange = [this](rtl::TObject *) { ComboBoxChange(); };
  Label1 = PlaceLabel(this, this, QStringLiteral("Sorgente dei dati"), 12, 10, ComboBox);
  RepTitle = PlaceControl<vcl::TEdit>(this, this, 244, 28, 219, 21);
  Label2 = PlaceLabel(this, this, QStringLiteral("Titolo del report"), 244, 10, RepTitle);

  SrcList = FieldList(this, 12);
  SrcLabel = PlaceLabel(this, this, QStringLiteral("Campi selezionabili"), 12, 82, SrcList);
  DstList = FieldList(this, 283);
  DstLabel = PlaceLabel(this, this, QStringLiteral("Campi selezionati"), 283, 82, DstList);
  IncludeBtn = MoveButton(this, 120, ">");
  IncAllBtn = MoveButton(this, 150, ">>");
  ExcludeBtn = MoveButton(this, 190, "<");
  ExAllBtn = MoveButton(this, 220, "<<");
  IncludeBtn->OnClick = [this](rtl::TObject *) { IncludeBtnClick(); };
  IncAllBtn->OnClick = [this](rtl::TObject *) { IncAllBtnClick(); };
  ExcludeBtn->OnClick = [this](rtl::TObject *) { ExcludeBtnClick(); };
  ExAllBtn->OnClick = [this](rtl::TObject *) { ExcAllBtnClick(); };

  Options = PlaceControl<vcl::TGroupBox>(this, this, 12, 308, 220, 66);
  Options->SetCaption(QStringLiteral("Foglio"));
  Portrait = PlaceControl<vcl::TRadioButton>(Options, this, 10, 18, 120, 19);
  Portrait->SetCaption(QStringLiteral("Verticale"));
  Landscape = PlaceControl<vcl::TRadioButton>(Options, this, 10, 40, 120, 19);
  Landscape->SetCaption(QStringLiteral("Orizzontale"));
  imgPortrait = SheetImage(Options, false);
  imgLandScape = SheetImage(Options, true);
  Portrait->SetChecked(true);
  Portrait->OnClick = [this](rtl::TObject *) { PortraitClick(); };
  Landscape->OnClick = [this](rtl::TObject *) { PortraitClick(); };
  PortraitClick();

  const TOkCancel buttons = PlaceOkCancel(this, 305, 349);
  OKBtn = buttons.Ok;
  CancelBtn = buttons.Cancel;
  // OK builds the report first.
  OKBtn->SetModalResult(vcl::mrNone);
  OKBtn->SetEnabled(false);
  OKBtn->OnClick = [this](rtl::TObject *) { OKBtnClick(); };
  CancelBtn->OnClick = [this](rtl::TObject *) { CancelBtnClick(); };

  OnActivate = [this](rtl::TObject *) { FormActivate(); };
}
// NOLINTEND(readability-magic-numbers)

void TReportWizard::FormActivate() {
  const QString chosen = ComboBox->Text();
  datasets_ = KvListDataSets(report_, TkvDataSetNaming::Qualified);
  ComboBox->Items()->AssignStrings(KvDataSetNames(datasets_));
  ComboBox->SetItemIndex(ComboBox->Items()->IndexOf(chosen));
}

void TReportWizard::ComboBoxChange() {
  vcl::TDataSet *dataset = KvDataSetOf(datasets_, ComboBox->Text());
  QStringList fields;
  try {
    fields = KvWizardSelectableFields(dataset);
  } catch (...) {
    // Nothing of the dataset listed before stays: the lists, and what OK
    // builds on, are those of the dataset the box shows.
    dataset_ = nullptr;
    lists_.Reset({});
    ShowLists();
    SetButtons();
    throw;
  }
  dataset_ = dataset;
  lists_.Reset(fields);
  ShowLists();
  SetItem(SrcList, 0);
}

int TReportWizard::GetFirstSelection(const vcl::TListBox *list) {
  for (int i = 0; i < list->Count(); ++i)
    if (list->Selected(i)) return i;
  return -1;
}

std::vector<int> TReportWizard::SelectedRows(const vcl::TListBox *list) {
  std::vector<int> rows;
  for (int i = 0; i < list->Count(); ++i)
    if (list->Selected(i)) rows.push_back(i);
  return rows;
}

void TReportWizard::ShowLists() {
  SrcList->Items()->AssignStrings(lists_.Source());
  DstList->Items()->AssignStrings(lists_.Chosen());
}

void TReportWizard::SetButtons() {
  IncludeBtn->SetEnabled(SrcList->Count() > 0);
  IncAllBtn->SetEnabled(SrcList->Count() > 0);
  ExcludeBtn->SetEnabled(DstList->Count() > 0);
  ExAllBtn->SetEnabled(DstList->Count() > 0);
  // Once there is something to print, OK stays: the title alone is a report.
  if (DstList->Count() > 0) OKBtn->SetEnabled(true);
}

void TReportWizard::SetItem(vcl::TListBox *list, int index) {
  FocusIfShown(list);
  if (list->Count() > 0) {
    index = std::clamp(index, 0, list->Count() - 1);
    for (int i = 0; i < list->Count(); ++i) list->SetSelected(i, i == index);
    list->SetItemIndex(index);
  }
  SetButtons();
}

void TReportWizard::IncludeBtnClick() {
  const int row = lists_.Include(SelectedRows(SrcList));
  ShowLists();
  SetItem(SrcList, row);
}

void TReportWizard::ExcludeBtnClick() {
  const int row = lists_.Exclude(SelectedRows(DstList));
  ShowLists();
  SetItem(DstList, row);
}

void TReportWizard::IncAllBtnClick() {
  lists_.IncludeAll();
  ShowLists();
  SetItem(SrcList, 0);
}

void TReportWizard::ExcAllBtnClick() {
  lists_.ExcludeAll();
  ShowLists();
  SetItem(DstList, 0);
}

void TReportWizard::PortraitClick() {
  imgPortrait->SetVisible(Portrait->Checked());
  imgLandScape->SetVisible(!Portrait->Checked());
}

void TReportWizard::OKBtnClick() {
  // The fields are read first: a dataset that cannot open leaves the
  // template as it was (the failure is shown and the wizard stays).
  const std::vector<TkvWizardField> fields = KvWizardFields(dataset_, lists_.Chosen());
  KvBuildWizardReport(*report_, dataset_, RepTitle->Text(), fields, Landscape->Checked());
  SetModalResult(vcl::mrOk);
}

void TReportWizard::CancelBtnClick() { SetModalResult(vcl::mrCancel); }

bool RunReportWizard(TkvReport *report) {
  if (report == nullptr) return false;
  TReportWizard wizard(nullptr, report);
  wizard.FormActivate();
  return wizard.ShowModal() == vcl::mrOk;
}

void KvInstallReportWizard() {
  KvRegisterEditor(TkvEditor::Wizard, [](TkvEditContext &context) { return RunReportWizard(context.Report); });
}

}  // namespace report
