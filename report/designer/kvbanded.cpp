// The record-source editor of a data band (see kvbanded.h).
#include "report/designer/kvbanded.h"

#include "platform/vcl/db/db.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/messages.h"
#include "report/designer/kvdsgneditors.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/model/kvclass.h"

namespace report {

namespace {

constexpr int kCountedEnd = 2;  // "Elementi contati"
constexpr int kMaxCount = 1000000;

QString SourceNameFor(TkvReport &report, const TkvBandView &band) {
  const QString base = report.Name() + u'_' + band.Name + QStringLiteral("_DataSet");
  // A name still taken by a source another band keeps gets a number.
  QString name = base;
  for (int n = 2; report.FindDataset(name) != nullptr; ++n) name = base + QString::number(n);
  return name;
}

}  // namespace

bool KvSourceNamedByOtherBand(const TkvReport &report, const TkvBandView *band, const QString &name) {
  auto &pages = const_cast<TkvReport &>(report).Pages();
  for (int p = 0; p < pages.Count(); ++p) {
    for (const auto &view : pages.Page(p)->Views) {
      if (view.get() == band || !view->IsDataBand()) continue;
      if (view->FormatStr.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
  }
  return false;
}

void KvApplyBandSource(TkvReport &report, TkvBandView &band, const TkvBandSourceChoice &choice) {
  if (!band.FormatStr.isEmpty()) {
    TkvDataset *old = report.FindDataset(band.FormatStr);
    // Another band walking the same source keeps it.
    if (old != nullptr && !KvSourceNamedByOtherBand(report, &band, band.FormatStr)) {
      report.ForgetDataset(old);
      if (old->Owner() == nullptr) delete old;
    }
  }
  band.FormatStr.clear();
  if (choice.Kind == TkvBandSourceChoice::skNone) return;

  TkvDataset *source = nullptr;
  if (choice.Kind == TkvBandSourceChoice::skDataSet) {
    auto *bound = new TkvDBDataSet();
    bound->SetDataSet(choice.DataSet);
    bound->SetFiltered(choice.Filtered);
    bound->SetFilter(choice.Filter);
    source = bound;
  } else {
    source = new TkvDataset();
  }
  source->SetName(SourceNameFor(report, band));
  source->SetRangeBegin(choice.Begin);
  source->SetRangeEnd(choice.End);
  source->SetRangeEndCount(choice.Count);
  report.AddDataset(source);
  band.FormatStr = source->Name();
}

// ---------------------------------------------------------------------------

QString TBandEditorForm::NoneEntry() { return QStringLiteral("[Nessuno]"); }
QString TBandEditorForm::VirtualEntry() { return QStringLiteral("[Sorgente dati virtuale]"); }

TBandEditorForm::TBandEditorForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Sorgente di dati della banda"), 330, 270);
  CB1 = PlaceControl<vcl::TComboBox>(this, this, 8, 24, 282, 21);
  CB1->SetStyle(vcl::csDropDownList);
  CB1->SetDropDownCount(12);
  Label1 = PlaceLabel(this, this, QStringLiteral("Sorgente dati"), 8, 6, CB1);
  BitBtn1 = PlaceControl<vcl::TBitBtn>(this, this, 296, 23, 26, 23);
  BitBtn1->SetCaption(QStringLiteral("?"));
  BitBtn1->SetHint(QStringLiteral("Visualizza il nome del kvDataset"));
  BitBtn1->SetShowHint(true);
  ComboBox1 = PlaceControl<vcl::TComboBox>(this, this, 8, 74, 150, 21);
  ComboBox1->SetStyle(vcl::csDropDownList);
  ComboBox1->Items()->Add(QStringLiteral("Primo elemento"));
  ComboBox1->Items()->Add(QStringLiteral("Elemento corrente"));
  Label2 = PlaceLabel(this, this, QStringLiteral("Inizio"), 8, 56, ComboBox1);
  ComboBox2 = PlaceControl<vcl::TComboBox>(this, this, 166, 74, 156, 21);
  ComboBox2->SetStyle(vcl::csDropDownList);
  ComboBox2->Items()->Add(QStringLiteral("Ultimo elemento"));
  ComboBox2->Items()->Add(QStringLiteral("Elemento corrente"));
  ComboBox2->Items()->Add(QStringLiteral("Elementi contati"));
  Label3 = PlaceLabel(this, this, QStringLiteral("Fine"), 166, 56, ComboBox2);
  Edit3 = PlaceControl<vcl::TEdit>(this, this, 166, 120, 80, 21);
  Label4 = PlaceLabel(this, this, QStringLiteral("Numero"), 166, 102, Edit3);
  UpDown1 = new vcl::TUpDown(this);
  UpDown1->SetName(QStringLiteral("UpDown1"));
  UpDown1->SetParent(this);
  UpDown1->SetMax(kMaxCount);
  UpDown1->SetAssociate(Edit3);
  GroupFilter = PlaceControl<vcl::TGroupBox>(this, this, 8, 150, 314, 80);
  GroupFilter->SetCaption(QStringLiteral("Filtro"));
  ActiveFilter = PlaceControl<vcl::TCheckBox>(GroupFilter, this, 10, 18, 200, 20);
  ActiveFilter->SetCaption(QStringLiteral("Attiva il filtro"));
  Filter = PlaceControl<vcl::TEdit>(GroupFilter, this, 60, 46, 244, 21);
  Label5 = PlaceLabel(GroupFilter, this, QStringLiteral("Filtro"), 10, 49, Filter);
  Buttons = PlaceOkCancel(this, 164, 238);
  // NOLINTEND(readability-magic-numbers)
  Buttons.Ok->SetModalResult(vcl::mrNone);
  Buttons.Ok->OnClick = [this](rtl::TObject *) {
    TkvBandSourceChoice probe;
    const QString error = Read(probe);
    if (!error.isEmpty()) {
      vcl::MessageDlg(error, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
      FocusIfShown(Edit3);
      return;
    }
    SetModalResult(vcl::mrOk);
  };
  CB1->OnChange = [this](rtl::TObject *) { CB1Change(); };
  ComboBox2->OnChange = [this](rtl::TObject *) { ComboBox2Change(); };
  ActiveFilter->OnClick = [this](rtl::TObject *) { ActiveFilterClick(); };
  BitBtn1->OnClick = [this](rtl::TObject *) { ShowSourceName(); };
  // Up and Down in the box step the count as its arrows do.
  Edit3->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState) {
    if (key != vcl::VK_UP && key != vcl::VK_DOWN) return;
    UpDown1->Click(key == vcl::VK_UP ? vcl::btNext : vcl::btPrev);
    key = 0;
  };
  HandleNeeded();
}

void TBandEditorForm::Load(TkvBandView *band) {
  band_ = band;
  TkvReport *report = band != nullptr ? band->Report : nullptr;
  datasets_ = KvListDataSets(report, TkvDataSetNaming::Qualified);
  CB1->Items()->Clear();
  CB1->Items()->Add(NoneEntry());
  CB1->Items()->Add(VirtualEntry());
  for (const QString &name : KvDataSetNames(datasets_)) CB1->Items()->Add(name);

  TkvDataset *source = nullptr;
  if (report != nullptr && band != nullptr && !band->FormatStr.isEmpty()) source = report->FindDataset(band->FormatStr);
  ActiveFilter->SetChecked(false);
  Filter->Clear();
  int entry = 0;
  if (auto *bound = dynamic_cast<TkvDBDataSet *>(source)) {
    for (size_t i = 0; i < datasets_.size(); ++i)
      if (datasets_[i].DataSet == bound->DataSet()) entry = int(i) + 2;
    ActiveFilter->SetChecked(bound->Filtered());
    Filter->SetText(bound->Filter());
  } else if (source != nullptr) {
    entry = 1;
  }
  CB1->SetItemIndex(entry);
  ComboBox1->SetItemIndex(source != nullptr ? int(source->RangeBegin()) : 0);
  ComboBox2->SetItemIndex(source != nullptr ? int(source->RangeEnd()) : 0);
  UpDown1->SetPosition(source != nullptr ? source->RangeEndCount() : 0);
  CB1Change();
}

QString TBandEditorForm::Read(TkvBandSourceChoice &choice) const {
  TkvBandSourceChoice c;
  const int entry = CB1->ItemIndex();
  if (entry <= 0) {
    choice = c;
    return QString();
  }
  c.Kind = entry == 1 ? TkvBandSourceChoice::skVirtual : TkvBandSourceChoice::skDataSet;
  if (c.Kind == TkvBandSourceChoice::skDataSet) {
    c.DataSet = datasets_.at(static_cast<size_t>(entry - 2)).DataSet;
    c.Filtered = ActiveFilter->Checked();
    c.Filter = Filter->Text();
  }
  c.Begin = TRangeBegin(std::max(ComboBox1->ItemIndex(), 0));
  c.End = TRangeEnd(std::max(ComboBox2->ItemIndex(), 0));
  bool ok = false;
  const int count = Edit3->Text().trimmed().toInt(&ok);
  if (c.End == reCount && (!ok || count < 0 || count > kMaxCount))
    return QStringLiteral("Il numero di elementi deve essere un numero intero da 0 a %1.").arg(kMaxCount);
  c.Count = ok ? count : 0;
  choice = c;
  return QString();
}

void TBandEditorForm::CB1Change() {
  const int entry = CB1->ItemIndex();
  if (entry == 1) {
    SetControlsEnabled({Label2, Label3}, false);
    ComboBox1->SetItemIndex(0);
    ComboBox2->SetItemIndex(kCountedEnd);
    SetControlsEnabled({ComboBox1, ComboBox2}, false);
    BitBtn1->SetEnabled(true);
    SetControlsEnabled({ActiveFilter, Filter, Label5}, false);
    ComboBox2Change();
  } else if (entry <= 0) {
    SetControlsEnabled({Label2, Label3, ComboBox1, ComboBox2, Label4, Edit3, UpDown1, ActiveFilter, Filter, Label5},
                       false);
    BitBtn1->SetEnabled(true);
  } else {
    SetControlsEnabled({Label2, Label3, ComboBox1, ComboBox2, Label4, Edit3, UpDown1, ActiveFilter}, true);
    BitBtn1->SetEnabled(true);
    ActiveFilterClick();
    ComboBox2Change();
  }
}

void TBandEditorForm::ComboBox2Change() {
  if (CB1->ItemIndex() <= 0) return;
  SetControlsEnabled({Label4, Edit3, UpDown1}, ComboBox2->ItemIndex() == kCountedEnd);
}

void TBandEditorForm::ActiveFilterClick() {
  SetControlsEnabled({Filter, Label5}, CB1->ItemIndex() >= 2 && ActiveFilter->Checked());
}

void TBandEditorForm::ShowSourceName() {
  const QString name = band_ != nullptr ? band_->FormatStr : QString();
  const QString text = name.isEmpty() ? QStringLiteral("Non è stato assegnato nessun kvDataset")
                                      : QStringLiteral("Il nome del kvDataset corrente è: ") + name;
  vcl::MessageDlgCaption(text, QStringLiteral("Informazioni"), vcl::mtInformation, vcl::TMsgDlgButtons{vcl::mbOK});
}

bool EditBandSource(TkvBandView *band) {
  if (band == nullptr || band->Report == nullptr || !band->IsDataBand()) return false;
  TBandEditorForm form(nullptr);
  form.Load(band);
  if (form.ShowModal() != vcl::mrOk) return false;
  TkvBandSourceChoice choice;
  if (!form.Read(choice).isEmpty()) return false;
  KvApplyBandSource(*band->Report, *band, choice);
  return true;
}

void KvInstallBandSourceEditor() {
  KvRegisterEditor(TkvEditor::BandSource,
                   [](TkvEditContext &context) { return EditBandSource(dynamic_cast<TkvBandView *>(context.View)); });
}

}  // namespace report
