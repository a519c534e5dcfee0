// The report: pages, record sources and variables, and the preparation pass.
#include "report/engine/component/kvreport.h"

#include <algorithm>
#include <vector>

#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"

namespace report {

namespace {

// Every report alive, so that a record source being destroyed leaves the
// lists of all of them.
std::vector<TkvReport *> &LiveReports() {
  static std::vector<TkvReport *> reports;
  return reports;
}

}  // namespace

TkvReport::TkvReport(vcl::TComponent *owner)
    : vcl::TComponent(owner), pages_(this), values_(std::make_unique<TkvValues>()) {
  datasets_.SetSorted(true);
  pages_.AddPage();
  if (LiveReports().empty() && !TkvDataset::FreedHook()) {
    TkvDataset::FreedHook() = [](TkvDataset *source) {
      for (TkvReport *report : LiveReports()) report->ForgetDataset(source);
    };
  }
  LiveReports().push_back(this);
}

void TkvReport::ForgetDataset(TkvDataset *source) {
  const int i = datasets_.IndexOfObject(source);
  if (i >= 0) datasets_.Delete(i);
}

TkvReport::~TkvReport() {
  // A report freed while the engine still names it (by a read or a pass
  // that another report ran inside) must not be reached through it.
  TkvEngineState &engine = kvEngine();
  if (engine.CurReport == this) {
    KvInstallResolver(nullptr);
    engine.FormatError = nullptr;
    engine.CurPage = nullptr;
    engine.CurBand = nullptr;
    engine.CurView = nullptr;
    engine.CurReport = nullptr;
  }
  pages_.Clear();
  auto &live = LiveReports();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  // Sources without an owner are the report's; freeing them calls the hook,
  // which no longer finds this report.
  std::vector<TkvDataset *> own;
  for (int i = 0; i < datasets_.Count(); ++i) {
    auto *source = static_cast<TkvDataset *>(datasets_.Objects(i));
    if (source != nullptr && source->Owner() == nullptr) own.push_back(source);
  }
  datasets_.Clear();
  for (TkvDataset *source : own) delete source;
}

void TkvReport::AddDataset(TkvDataset *source) {
  if (source == nullptr || datasets_.IndexOfObject(source) >= 0) return;
  datasets_.AddObject(source->Name(), source);
}

TkvDataset *TkvReport::FindDataset(const QString &name) const {
  const int i = datasets_.IndexOf(name);
  return i >= 0 ? static_cast<TkvDataset *>(datasets_.Objects(i)) : nullptr;
}

TkvDataset *TkvReport::Dataset(int index) const {
  return index >= 0 && index < datasets_.Count() ? static_cast<TkvDataset *>(datasets_.Objects(index)) : nullptr;
}

const QString &TkvReport::ErrorText() const { return kvEngine().ErrorText; }

bool TkvReport::PrepareReport() {
  TkvPreparePass pass(*this);
  pass.Run();
  return !terminated_;
}

void TkvReport::Progress(int pages) {
  if (OnProgress) OnProgress(pages, true);
}

void TkvReport::DataSetWork(TkvBand *band, TkvDataSetOperation op) {
  if (!OnDataSetWork || band == nullptr) return;
  vcl::TDataSet *ds = KvSourceDataSet(band->DataSource);
  int count = ds != nullptr && ds->Active() ? ds->RecordCount() : 0;
  OnDataSetWork(band->View != nullptr ? band->View->Name : QString(), ds, count, op);
}

void TkvReport::PumpMessages() {
  if (ProcessMessages) {
    ProcessMessages();
  } else if (vcl::Application != nullptr) {
    vcl::Application->ProcessMessages();
  }
}

// ---- name resolution -------------------------------------------------------------

namespace {

TkvBand *CurBand() { return kvEngine().CurBand; }

}  // namespace

vcl::TComponent *TkvReport::ReportOwner() const { return Owner(); }

vcl::TDataSet *TkvReport::BandDataSet() const {
  TkvBand *band = CurBand();
  if (band == nullptr) return nullptr;
  // Headers and footers of a loop read the fields of that loop's rows; a
  // band outside every loop reads those of the master rows.
  int type = btMasterData;
  if (band->Typ >= btDetailHeader && band->Typ <= btDetailFooter) type = btDetailData;
  if (band->Typ >= btSubDetailHeader && band->Typ <= btSubDetailFooter) type = btSubDetailData;
  if (band->Typ >= btTableHeader && band->Typ <= btTableFooter) type = btTableData;
  TkvBand *data = band->Page->Band(type);
  return data != nullptr ? KvSourceDataSet(data->DataSource) : nullptr;
}

bool TkvReport::GetValueEvent(const QString &name, rtl::Variant &value) {
  if (!OnGetValue) return false;
  OnGetValue(name, value);
  return !value.IsEmpty();
}

int TkvReport::CurrentBandType() const { return CurBand() != nullptr ? CurBand()->Typ : -1; }
int TkvReport::CurrentBandLevel() const { return CurBand() != nullptr ? CurBand()->Level : 0; }
bool TkvReport::ObjectInTableDataBand() const {
  const TkvView *v = kvEngine().CurView;
  return v != nullptr && v->Parent != nullptr && v->Parent->Typ == btTableData;
}
bool TkvReport::ObjectInTableFooterBand() const {
  const TkvView *v = kvEngine().CurView;
  return v != nullptr && v->Parent != nullptr && v->Parent->Typ == btTableFooter;
}
bool TkvReport::ObjectInTotalsBand() const { return false; }

TkvAggregates *TkvReport::DataBandAggregates(int band_type) const {
  TkvPage *page = kvEngine().CurPage;
  if (page == nullptr || !page->Prepared || band_type < 0 || band_type >= kvBandTypeCount) return nullptr;
  if (CurBand() != nullptr && CurBand()->Typ == band_type && CurBand()->Page == page)
    return &page->DataBandOf(CurBand())->Aggregates;
  TkvBand *band = page->Band(band_type);
  return band != nullptr ? &band->Aggregates : nullptr;
}

int TkvReport::PageNumber() const { return Pass() != nullptr ? Pass()->CurPageIndex + 1 : 1; }

namespace {

// LINE# and LINETHROUGH#: a group header counts its own printings, other
// bands read the data band they belong to.
int RowCounter(int TkvBand::*counter) {
  TkvBand *band = CurBand();
  if (band == nullptr) return 0;
  if (band->Typ == btGroupHeader) return band->*counter;
  TkvBand *data = band->Page->DataBandOf(band);
  return data != nullptr ? data->*counter : 0;
}

}  // namespace

int TkvReport::LineNumber() const { return RowCounter(&TkvBand::RowNumber); }
int TkvReport::LineThrough() const { return RowCounter(&TkvBand::RowThrough); }

int TkvReport::ColumnNumber() const {
  TkvPage *page = kvEngine().CurPage;
  return page != nullptr ? page->ColumnNumber : 1;
}

int TkvReport::CurrentLine() const {
  TkvPage *page = kvEngine().CurPage;
  return page != nullptr ? page->LineNumber : 1;
}

}  // namespace report
