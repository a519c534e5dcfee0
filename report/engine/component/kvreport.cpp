// The report component: its state, record sources and objects, and what the
// name resolution asks of the report being prepared (see kvreport.h).
#include "report/engine/component/kvreport.h"

#include <algorithm>
#include <vector>

#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/typinfo.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/print/kvprntr.h"

namespace report {

namespace {

// Every report alive, so that a record source being destroyed leaves the
// lists of all of them.
std::vector<TkvReport *> &LiveReports() {
  static std::vector<TkvReport *> reports;
  return reports;
}

bool IsDataBandType(int type) {
  return type == btMasterData || type == btDetailData || type == btSubDetailData || type == btTableData;
}

// The report behind an object's report key, when it is a live report.
const TkvReport *LiveReport(const TkvReport *key) {
  const auto &live = LiveReports();
  return std::find(live.begin(), live.end(), key) != live.end() ? key : nullptr;
}

}  // namespace

void KvInstallViewSlots() {
  TkvEngineState &engine = kvEngine();
  if (!engine.ReportViews) {
    engine.ReportViews = [](const TkvReport *key) {
      std::vector<TkvView *> views;
      const TkvReport *report = LiveReport(key);
      if (report == nullptr) return views;
      auto &pages = const_cast<TkvReport *>(report)->Pages();
      for (int p = 0; p < pages.Count(); ++p)
        for (auto &v : pages.Page(p)->Views) views.push_back(v.get());
      return views;
    };
  }
  if (!engine.ReleaseInternalDataset) {
    engine.ReleaseInternalDataset = [](TkvReport *key, const TkvView *band, const QString &name) {
      if (LiveReport(key) != nullptr) key->ReleaseDataset(band, name);
    };
  }
  if (!engine.PageSize) {
    engine.PageSize = [](const TkvView *view, int &width, int &height) {
      const TkvReport *report = LiveReport(view->Report);
      if (report == nullptr) return;
      auto &pages = const_cast<TkvReport *>(report)->Pages();
      for (int p = 0; p < pages.Count(); ++p) {
        const TkvPage *page = pages.Page(p);
        for (auto &v : page->Views) {
          if (v.get() != view) continue;
          width = page->WidthPixels();
          height = page->HeightPixels();
          return;
        }
      }
    };
  }
}

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
  KvInstallViewSlots();
}

ORBISCA_PUBLISHED(TkvReport, TComponent) {
  p.Property("ShowProgress", &TkvReport::ShowProgress, &TkvReport::SetShowProgress).Default(true);
  p.Property("TemplateDir", &TkvReport::TemplateDir, &TkvReport::SetTemplateDir);
  p.Property("Title", &TkvReport::Title, &TkvReport::SetTitle);
  p.Property("Values", &TkvReport::Values, &TkvReport::SetValues);
  p.Property("DisableDataSetControls", &TkvReport::DisableDataSetControls, &TkvReport::SetDisableDataSetControls)
      .Default(true);
  p.Property("ModalPreview", &TkvReport::ModalPreview, &TkvReport::SetModalPreview).Default(true);
  p.Property("ReportDir", &TkvReport::ReportDir, &TkvReport::SetReportDir);
  p.Property("AutoLoad", &TkvReport::AutoLoad, &TkvReport::SetAutoLoad);
  p.Property("PathFromExe", &TkvReport::PathFromExe, &TkvReport::SetPathFromExe);
  p.Property("Scaled", &TkvReport::Scaled, &TkvReport::SetScaled).Default(true);
  p.Property("DesignerOptions", &TkvReport::DesignerOptions, &TkvReport::SetDesignerOptions)
      .Default(TkvDsgOptions{doSaveConfirm}.Bits());
  p.Event("OnDataSetWork", &TkvReport::OnDataSetWork);
  p.Event("OnBeforePrint", &TkvReport::OnBeforePrint);
  p.Event("OnAfterPrint", &TkvReport::OnAfterPrint);
  p.Event("OnBeginDoc", &TkvReport::OnBeginDoc);
  p.Event("OnEndDoc", &TkvReport::OnEndDoc);
  p.Event("OnBeginPage", &TkvReport::OnBeginPage);
  p.Event("OnEndPage", &TkvReport::OnEndPage);
  p.Event("OnGetValue", &TkvReport::OnGetValue);
  p.Event("OnUserFunction", &TkvReport::OnUserFunction);
  p.Event("OnProgress", &TkvReport::OnProgress);
  p.Event("OnDrawObject", &TkvReport::OnDrawObject);
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
  TkvKeepSources keep;
  pages_.Clear();
  auto &live = LiveReports();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  // Freeing the report's own sources calls the hook, which no longer finds
  // this report.
  DropDatasets();
}

// Empties the list; sources without an owner are the report's and go.
void TkvReport::DropDatasets() {
  std::vector<TkvDataset *> own;
  for (int i = 0; i < datasets_.Count(); ++i) {
    auto *source = static_cast<TkvDataset *>(datasets_.Objects(i));
    if (source != nullptr && source->Owner() == nullptr) own.push_back(source);
  }
  datasets_.Clear();
  for (TkvDataset *source : own) delete source;
}

void TkvReport::SetValues(TkvValues *values) {
  if (values != nullptr && values != values_.get()) values_->Assign(values);
}

void TkvReport::ClearReport() {
  TkvKeepSources keep;
  emf_pages_.Clear();
  pages_.Clear();
  pages_.AddPage();
  variables_.Clear();
  values_ = std::make_unique<TkvValues>();
  interleave_pages_ = false;
  renumber_interleaved_ = false;
  double_pass_ = false;
  print_to_default_ = true;
  ForgetFile();
  DropDatasets();
}

void TkvReport::AddDataset(TkvDataset *source) {
  if (source == nullptr || datasets_.IndexOfObject(source) >= 0) return;
  datasets_.AddObject(source->Name(), source);
}

void TkvReport::ReleaseDataset(const TkvView *band, const QString &name) {
  TkvDataset *source = FindDataset(name);
  if (source == nullptr) return;
  // The band being freed may still be in its page's list, or slots may be
  // empty while the list closes up.
  for (int p = 0; p < pages_.Count(); ++p) {
    for (const auto &view : pages_.Page(p)->Views) {
      const TkvView *v = view.get();
      if (v != nullptr && v != band && v->Typ == gtBand && IsDataBandType(v->FrameTyp) &&
          v->FormatStr.compare(name, Qt::CaseInsensitive) == 0)
        return;
    }
  }
  ForgetDataset(source);
  if (source->Owner() == nullptr) delete source;
}

TkvDataset *TkvReport::FindDataset(const QString &name) const {
  const int i = datasets_.IndexOf(name);
  return i >= 0 ? static_cast<TkvDataset *>(datasets_.Objects(i)) : nullptr;
}

TkvDataset *TkvReport::Dataset(int index) const {
  return index >= 0 && index < datasets_.Count() ? static_cast<TkvDataset *>(datasets_.Objects(index)) : nullptr;
}

TkvView *TkvReport::FindObject(const QString &name) const {
  for (int p = 0; p < pages_.Count(); ++p) {
    for (const auto &view : pages_.Page(p)->Views)
      if (view->Name.compare(name, Qt::CaseInsensitive) == 0) return view.get();
  }
  return nullptr;
}

void TkvReport::LinkDataSetToBand(const QString &band_name, TkvDataset *source) {
  TkvView *view = FindObject(band_name);
  if (view == nullptr) throw EkvReportError(QStringLiteral("Non è stata trovata la banda: ") + band_name);
  if (view->Typ != gtBand || !IsDataBandType(view->FrameTyp))
    throw EkvReportError(QStringLiteral("Non si può collegare un kvDataset ad un oggetto che non sia una banda."));
  if (source == nullptr) return;
  // The band's previous source goes, unless it is the one being linked.
  TkvDataset *previous = view->FormatStr.isEmpty() ? nullptr : FindDataset(view->FormatStr);
  if (previous != nullptr && previous != source) {
    ForgetDataset(previous);
    if (previous->Owner() == nullptr) delete previous;
  }
  AddDataset(source);
  view->FormatStr = source->Name();
}

void TkvReport::TakePaper(TkvPage &page) {
  TPrinterSettings *settings = GlobalPrinterSettings();
  settings->SetPrinterInfo(page.PaperSize, page.PaperWidth, page.Orientation, page.PaperHeight);
  if (page.PaperSize != kvCustomPaper) {
    for (const TPaperSizeRow &row : PaperSizes()) {
      if (row.Code != page.PaperSize) continue;
      page.PaperWidth = row.Width;
      page.PaperHeight = row.Height;
      break;
    }
  }
  page.PrinterGeometry = settings->PageGeometry();
}

void TkvReport::GetVariableCategories(rtl::TStrings &out) const { KvGetVariableCategories(variables_, out); }
void TkvReport::GetCategoryVariables(int category, rtl::TStrings &out) const {
  KvGetCategoryVariables(variables_, category, out);
}
int TkvReport::FindVariable(const QString &name) const { return KvFindVariable(variables_, name); }

const QString &TkvReport::ErrorText() const { return kvEngine().ErrorText; }

TkvEMFPages &TkvReport::EMFPages() { return target_ != nullptr ? target_->EMFPages() : emf_pages_; }

bool TkvReport::Terminated() const { return target_ != nullptr ? target_->Terminated() : terminated_; }

void TkvReport::SetTerminated(bool v) {
  if (target_ != nullptr)
    target_->SetTerminated(v);
  else
    terminated_ = v;
}

void TkvReport::DataSetWork(TkvBand *band, TkvDataSetOperation op) {
  if (!OnDataSetWork || band == nullptr) return;
  vcl::TDataSet *ds = KvSourceDataSet(band->DataSource);
  int count = ds != nullptr && ds->Active() ? ds->RecordCount() : 0;
  OnDataSetWork(band->View != nullptr ? band->View->Name : QString(), ds, count, op);
}

void TkvReport::PumpMessages() {
  if (target_ != nullptr) {
    target_->PumpMessages();
  } else if (ProcessMessages) {
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

void TkvReport::UserFunction(const QString &name, const rtl::Variant &p1, const rtl::Variant &p2,
                             const rtl::Variant &p3, rtl::Variant &result) {
  if (OnUserFunction) OnUserFunction(name, p1, p2, p3, result);
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

int TkvReport::PageNumber() const {
  const int index = Pass() != nullptr ? Pass()->CurPageIndex : 0;
  // Interleaved and renumbered: the page's place in the printed order, as
  // the counting pass found it.
  const TkvReport *target = Target();
  if (target->renumber_interleaved_ && target->interleave_pages_ && target->final_pass_) {
    const auto &order = target->interleave_order_;
    const auto at = std::find(order.begin(), order.end(), index);
    if (at != order.end()) return int(at - order.begin()) + 1;
  }
  return index + 1;
}

int TkvReport::TotalPages() const { return Target()->first_pass_pages_; }

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
