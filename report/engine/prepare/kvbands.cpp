// Preparation of a template page, first step: the run-time bands made from
// the page's band views (objects placed in them, groups paired, record
// sources bound and memos pre-scanned for their aggregates), and freed
// again with the designed geometry put back.
#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/prepare/kvpass.h"

namespace report {

namespace {

TkvEngineState &E() { return kvEngine(); }
bool Failed() { return !E().ErrorText.isEmpty(); }

}  // namespace

// Makes a page's run-time bands from its band views, step by step.
class TkvBandBuilder {
 public:
  TkvBandBuilder(TkvPage &page, TkvPreparePass &pass) : p_(page), pass_(pass), host_(pass.Report()) {}

  void Build() {
    CreateEmptyBands();
    KeepDesignedGeometry();
    PlaceVerticalBands();
    PlaceHorizontalBands();
    PlaceRemainingObjects();
    PairGroups();
    LayOutColumns();
    BindSources();
    if (!Failed()) PreScanMemos();
  }

 private:
  TkvBand *&Slot(int type) { return p_.Bands[static_cast<size_t>(type)]; }
  std::vector<TkvBandView *> BandViews(int type) const;
  void TakeFlags(TkvBand *band, const TkvBandView *view) const;

  void CreateEmptyBands();
  void KeepDesignedGeometry();
  void PlaceVerticalBands();
  void PlaceHorizontalBands();
  void PlaceInBand(TkvBand *band);
  void PlaceRemainingObjects();
  void PairGroups();
  void LayOutColumns();
  void BindSources();
  TkvDataset *FindSource(const QString &name) const;
  void PreScanMemos();

  TkvPage &p_;
  TkvPreparePass &pass_;
  TkvPrepareHost &host_;
};

void TkvPage::BuildBands(TkvPreparePass &pass) {
  if (Prepared) FreeBands();
  pass_ = &pass;
  TkvBandBuilder(*this, pass).Build();
  Prepared = true;
  ColumnNumber = 1;
  LineNumber = 1;
}

std::vector<TkvBandView *> TkvBandBuilder::BandViews(int type) const {
  std::vector<TkvBandView *> out;
  for (const auto &v : p_.Views)
    if (auto *b = dynamic_cast<TkvBandView *>(v.get()); b != nullptr && b->GetBandType() == type) out.push_back(b);
  return out;
}

void TkvBandBuilder::TakeFlags(TkvBand *band, const TkvBandView *view) const {
  auto on = [&](int bit) { return (view->Flags & bit) != 0 && BandOptionApplies(band->Typ, bit); };
  band->Stretched = on(flStretched);
  band->ForceNewPage = on(flBandNewPage) && !p_.IsSubReportPage;
  band->PrintIfEmpty = on(flBandPrintIfEmpty);
  band->Split = on(flBandBreaked) && !p_.IsSubReportPage;
  band->FillEmptyRows = on(flBandFillEmpty);
}

// One empty band of every type, each its own chain.
void TkvBandBuilder::CreateEmptyBands() {
  for (int t = 0; t < kvBandTypeCount; ++t) {
    Slot(t) = new TkvBand(&p_, t);
    Slot(t)->Last = Slot(t);
  }
}

// Notes where every view was designed (FreeBands puts it back), marks every
// view but the bands as still to place and the pages that sub-reports show.
void TkvBandBuilder::KeepDesignedGeometry() {
  p_.saved_.clear();
  for (const auto &v : p_.Views) {
    p_.saved_.push_back({v->x, v->y, v->dx, v->dy});
    v->SaveX = v->x;
    v->SaveY = v->y;
    v->SaveDX = v->dx;
    v->SaveDY = v->dy;
    v->Parent = nullptr;
    v->Selected = dynamic_cast<TkvBandView *>(v.get()) == nullptr;
    if (auto *sub = dynamic_cast<TkvSubReportView *>(v.get())) {
      if (sub->PageIndex >= 0 && sub->PageIndex < host_.Pages().Count())
        host_.Pages().Page(sub->PageIndex)->IsSubReportPage = true;
    }
  }
}

// Vertical bands first: the objects within their width belong to them and
// may also join a horizontal band (cross objects).
void TkvBandBuilder::PlaceVerticalBands() {
  for (int type = btTableHeader; type <= btTableFooter; ++type) {
    const auto views = BandViews(type);
    if (views.empty()) continue;
    TkvBand *band = Slot(type);
    band->View = views.front();
    band->x = views.front()->x;
    band->dx = views.front()->dx;
    TakeFlags(band, views.front());
    for (const auto &v : p_.Views) {
      if (!v->Selected || v->Parent != nullptr) continue;
      if (v->x >= band->x && band->x + band->dx >= v->x + v->dx) {
        v->x -= band->x;
        v->Parent = band;
        band->Objects.push_back(v.get());
      }
    }
  }
}

// Each horizontal band type's views make a chain sorted by y; the page's
// slot holds the chain's first band.
void TkvBandBuilder::PlaceHorizontalBands() {
  for (int type = 0; type <= btGroupFooter; ++type) {
    std::vector<TkvBand *> chain;
    for (TkvBandView *view : BandViews(type)) {
      TkvBand *band = chain.empty() ? Slot(type) : new TkvBand(&p_, type);
      chain.push_back(band);
      band->View = view;
      band->x = view->x;
      band->y = view->y;
      band->dx = view->dx;
      band->dy = view->dy;
      band->MemoLines = view->Memo.ToStringList();
      if (type == btGroupHeader) band->GroupCondition = view->FormatStr;
      TakeFlags(band, view);
      PlaceInBand(band);
    }
    std::stable_sort(chain.begin(), chain.end(), [](TkvBand *a, TkvBand *b) { return a->y < b->y; });
    if (chain.empty()) continue;
    if (chain.front() != Slot(type)) Slot(type) = chain.front();
    for (size_t i = 0; i < chain.size(); ++i) {
      chain[i]->Prev = i > 0 ? chain[i - 1] : nullptr;
      chain[i]->Next = i + 1 < chain.size() ? chain[i + 1] : nullptr;
    }
    chain.front()->Last = chain.back();
  }
}

// The objects whose top lies in the band join it, in z-order groups: the
// band's own objects, the cross objects of vertical bands, sub-reports.
void TkvBandBuilder::PlaceInBand(TkvBand *band) {
  auto place = [&](auto &&wanted) {
    for (const auto &v : p_.Views) {
      if (!v->Selected || !wanted(v.get())) continue;
      if (band->y <= v->y && v->y < band->y + band->dy - 1) {
        v->y -= band->y;
        v->Selected = false;
        band->Objects.push_back(v.get());
        if (v->Parent == nullptr) v->Parent = band;
      }
    }
  };
  auto is_sub = [](TkvView *v) { return dynamic_cast<TkvSubReportView *>(v) != nullptr; };
  place([&](TkvView *v) { return v->Parent == nullptr && !is_sub(v); });
  place([&](TkvView *v) { return v->Parent != nullptr && !is_sub(v); });
  place([&](TkvView *v) { return is_sub(v); });
}

// What lies in no horizontal band prints with the page (band type none).
void TkvBandBuilder::PlaceRemainingObjects() {
  TkvBand *none = Slot(btNone);
  for (const auto &v : p_.Views) {
    if (!v->Selected) continue;
    if (v->Parent != nullptr) v->x += v->Parent->x;
    v->Selected = false;
    none->Objects.push_back(v.get());
    if (v->Parent == nullptr) v->Parent = none;
  }
}

// Headers paired with footers from the inside out: the last header with
// the first footer is the innermost group, level 0.
void TkvBandBuilder::PairGroups() {
  TkvBand *h = Slot(btGroupHeader)->Last;
  TkvBand *f = Slot(btGroupFooter);
  for (int level = 0; h != nullptr; ++level, h = h->Prev) {
    h->Level = level;
    h->GroupFooter = f;
    if (f != nullptr) {
      f->Level = level;
      f = f->Next;
    }
  }
}

void TkvBandBuilder::LayOutColumns() {
  if (p_.Columns <= 0) p_.Columns = 1;
  const TkvPageLimits l = p_.Limits();
  p_.ColumnWidth = (l.Right - l.Left - p_.Columns * p_.ColumnGap) / p_.Columns;
}

// A source named in a band's format text: a component of the report's
// owner, else one of the report's own.
TkvDataset *TkvBandBuilder::FindSource(const QString &name) const {
  TkvDataset *source = nullptr;
  if (vcl::TComponent *owner = host_.ReportOwner()) source = dynamic_cast<TkvDataset *>(owner->FindComponent(name));
  return source != nullptr ? source : host_.FindDataset(name);
}

// Every band (group headers aside) that names a record source gets it,
// opened; a source missing or failing to open is the pass's error.
void TkvBandBuilder::BindSources() {
  TkvEngineState &engine = E();
  for (int type = 0; type < kvBandTypeCount; ++type) {
    if (type == btGroupHeader) continue;
    for (TkvBand *band = Slot(type); band != nullptr; band = band->Next) {
      if (band->View == nullptr) continue;
      const QString name = band->View->FormatStr.trimmed();
      if (name.isEmpty()) continue;
      engine.CurBand = band;
      TkvDataset *source = FindSource(name);
      if (source == nullptr) {
        KvReportError(host_, QStringLiteral("Non è stato trovato il kvDataset: ") + name);
        continue;
      }
      auto *db = dynamic_cast<TkvDBDataSet *>(source);
      if (db != nullptr) db->SetDisableControlsFlag(host_.DisableDataSetControls());
      try {
        source->Init();
      } catch (const rtl::Exception &e) {
        KvReportError(host_, e.Message());
        continue;
      }
      if (db != nullptr && !db->ErrorText().isEmpty()) {
        KvReportError(host_, db->ErrorText());
        continue;
      }
      band->DataSource = source;
      host_.DataSetWork(band, opInit);
    }
  }
  engine.CurBand = nullptr;
}

// Every memo expanded once so that its aggregates register with the data
// band they belong to.
void TkvBandBuilder::PreScanMemos() {
  TkvEngineState &engine = E();
  TkvRegistrationScope registration;
  for (TkvBand *first : p_.Bands) {
    for (TkvBand *band = first; band != nullptr && !Failed(); band = band->Next) {
      for (TkvView *v : band->Objects) {
        auto *memo = dynamic_cast<TkvMemoView *>(v);
        if (memo == nullptr) continue;
        memo->TableTotal = 0;
        memo->LineBreak = 0;
        engine.CurBand = band;
        engine.CurView = memo;
        pass_.Collecting = &p_.DataBandOf(band)->Aggregates;
        try {
          memo->ExpandMemo();
        } catch (const rtl::Exception &e) {
          KvReportError(host_, e.Message());
        }
      }
    }
  }
  pass_.Collecting = nullptr;
  engine.CurBand = nullptr;
  engine.CurView = nullptr;
}

void TkvPage::FreeBands() {
  TkvPrepareHost *report = pass_ != nullptr ? &pass_->Report() : nullptr;
  if (E().CurBand != nullptr && E().CurBand->Page == this) E().CurBand = nullptr;
  for (TkvBand *&first : Bands) {
    TkvBand *band = first;
    while (band != nullptr) {
      if (band->DataSource != nullptr) {
        band->DataSource->Exit();
        if (report != nullptr) report->DataSetWork(band, opExit);
      }
      TkvBand *next = band->Next;
      delete band;
      band = next;
    }
    first = nullptr;
  }
  for (size_t i = 0; i < Views.size() && i < saved_.size(); ++i) {
    TkvView *v = Views[i].get();
    v->x = saved_[i][0];
    v->y = saved_[i][1];
    v->dx = saved_[i][2];
    v->dy = saved_[i][3];
    v->Selected = false;
    v->Parent = nullptr;
  }
  saved_.clear();
  Prepared = false;
  pass_ = nullptr;
}

}  // namespace report
