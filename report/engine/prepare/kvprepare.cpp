// Preparation of a template page: the forming of finished pages band by
// band over the records (the bands themselves are built in kvbands.cpp).
//
// The walk follows the page's bands: title, page and column headers, up to
// three nested data loops (master, detail, subdetail) with their headers,
// footers and the groups of the master loop, then the column footer and the
// summary. A band that no longer fits moves to the next column or page; the
// page footer closes each finished page. Everything drawn goes onto the
// canvas of the current finished page.
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

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

// A height no column holds: a page break check with it always breaks.
constexpr int kvForceBreakHeight = 100000;

bool IsFooterOfData(int type) {
  return type == btMasterFooter || type == btGroupFooter || type == btDetailFooter || type == btSubDetailFooter;
}

int DataTypeOfFooter(int type) {
  switch (type) {
    case btDetailFooter:
      return btDetailData;
    case btSubDetailFooter:
      return btSubDetailData;
    default:
      return btMasterData;
  }
}

}  // namespace

// ---- forming pages ----------------------------------------------------------------

class TkvPreparation {
 public:
  TkvPreparation(TkvPage &page, TkvPreparePass &pass, TkvPreparation *host = nullptr)
      : p_(page), s_(pass), r_(pass.Report()), host_(host) {}

  void FormPage();

 private:
  TkvPage &p_;
  TkvPreparePass &s_;
  TkvPrepareHost &r_;
  std::deque<TkvBand *> queue_;  // headers and data bands waiting for a row
  int levels_ = 0;
  bool groups_ = false;
  int fresh_y_ = -1;  // CurY right after a page or column began
  // Set while the bands that open a page or column print: they never break
  // (a page header taller than the page would otherwise open page after
  // page).
  bool opening_ = false;
  bool MayBreak() const { return !opening_ && !replaying_ && p_.CurY != fresh_y_; }

  // Delayed mode (a sub-report's page): the data loops run ahead and leave
  // a queue of what to do (First and Next on a source, counters and
  // aggregates) and of the bands to print; replaying the queue prints
  // them, and a band that does not fit pauses the replay there until the
  // host has made room (the next column or page).
  struct Entry {
    TkvBand *band = nullptr;  // a band to print, else `action` runs
    bool empty_row = false;
    std::function<void()> action;
  };
  bool delayed_ = false;
  bool replaying_ = false;
  std::vector<Entry> entries_;
  size_t replay_at_ = 0;
  int restart_y_ = -1;  // where the replay began after a break: anything fits there
  // Runs `action` now, or in delayed mode when the replay comes to it.
  void Later(std::function<void()> action);
  bool Fits(TkvBand *band, bool empty_row);
  // True when the whole queue printed; false when a band waits.
  bool Replay();

  bool Stopped() const { return Failed() || r_.Terminated(); }
  TkvEMFPage *Current() const { return r_.EMFPages().Page(s_.CurPageIndex); }
  int ColumnFooterHeight() const {
    const TkvBand *b = p_.Band(btColumnFooter);
    return b->HasObjects() ? b->dy : 0;
  }
  void AddFinishedPage();
  void NewPage();
  bool CheckPageBreak(int y, int height, bool test_only);
  // Moves on to the next column or page whatever room is left.
  void ForceBreak() { CheckPageBreak(p_.CurY, kvForceBreakHeight, false); }
  void PrintBand(TkvBand *band);
  void PrintType(int type) { PrintBand(p_.Band(type)); }
  int MeasureBand(TkvBand *band, bool push);
  void DrawBand(TkvBand *band);
  void SplitBand(TkvBand *band);
  void PrintTable(TkvBand *band);
  void StartMasterForTable();
  void DrawCross(TkvBand *band, int table_type, int x);
  bool in_table_ = false;
  // A sub-report's page is formed inside its host's band: its breaks are
  // the host's, and the host's band ends where the lowest sub-report did.
  TkvPreparation *host_ = nullptr;
  int sub_end_ = -1;
  bool sub_broke_ = false;                // the band's sub-reports went on to a further page
  std::vector<TkvSubReportView *> subs_;  // the band's sub-reports, run after its other objects
  void RunSubReports(TkvBand *band);
  bool InHostChain(const TkvPage *page) const;
  void RunEmbedded();
  void DrawObject(TkvBand *band, TkvView *v, int y, int mode);
  void DrawEmptyRow(TkvBand *band);
  void FillEmptyRows(TkvBand *band, int reserved);
  int FooterHeight(TkvBand *band) { return band != nullptr && band->HasObjects() ? MeasureBand(band, false) : 0; }
  struct Loop;
  void DoLoop(int level);
  bool RunDataBand(Loop &loop, TkvBand *band);
  void OpenGroups(const std::vector<TkvBand *> &groups);
  void ExpandGroupFooters(const std::vector<TkvBand *> &groups);
  bool PrintRow(Loop &loop, TkvBand *band);
  bool BreakGroups(Loop &loop, TkvBand *band, bool at_end, bool &accumulated);
  void CloseDataBand(Loop &loop, TkvBand *band);
  bool Move(TkvBand *band, TkvDataSetOperation op);
  void PrintQueue();
  bool EvaluateGroup(TkvBand *header, rtl::Variant &value);
  void PrintPageFooters(int from);
};

void TkvPage::FormPage(TkvPreparePass &pass) {
  if (!Prepared) return;
  TkvPreparation(*this, pass).FormPage();
}

void TkvPreparation::AddFinishedPage() {
  r_.EMFPages().Add(p_);
  s_.CurPageIndex = r_.EMFPages().Count() - 1;
}

void TkvPreparation::PrintPageFooters(int from) {
  // Every page still open from `from` on gets its footer, then is closed.
  for (int i = from; i < r_.EMFPages().Count(); ++i) {
    if (r_.EMFPages().Page(i)->Canvas == nullptr) continue;
    s_.CurPageIndex = i;
    PrintType(btPageFooter);
  }
}

void TkvPreparation::FormPage() {
  TkvEngineState &engine = E();
  engine.CurPage = &p_;
  const TkvPageLimits l = p_.Limits();
  if (s_.CarryOver && s_.KeptCurY == s_.KeptCurBottomY) {
    s_.CarryOver = false;
    s_.FooterPrinted = false;
    r_.EMFPages().CloseFrom(s_.CurPageIndex);
    s_.CurPageIndex = r_.EMFPages().Count();
  }
  const bool continuing = s_.CarryOver && Current() != nullptr;
  const bool footers_done = continuing && s_.FooterPrinted;
  p_.CurBottomY = footers_done ? s_.KeptCurBottomY : p_.BottomLimit();
  // The first column is set before anything draws, so that the overlay and
  // the objects outside every band sit where designed, as on further pages.
  p_.ColumnIndex = 0;
  p_.ColumnX = l.Left;
  StartMasterForTable();
  if (continuing) {
    p_.CurY = s_.KeptCurY;
  } else {
    AddFinishedPage();
    p_.CurY = l.Top;
    PrintType(btOverlay);
    PrintType(btNone);
  }
  fresh_y_ = continuing ? -1 : p_.CurY;
  PrintType(btReportTitle);
  // Without a title the headers open the page as on every further page.
  const bool opens = p_.CurY == fresh_y_;
  opening_ = opens;
  if (p_.HeaderOnFirstPage) PrintType(btPageHeader);
  PrintType(btColumnHeader);
  opening_ = false;
  if (opens) fresh_y_ = p_.CurY;

  levels_ = 0;
  for (int level = 1; level <= 3; ++level)
    if (p_.Band(btMasterData + 3 * (level - 1))->HasObjects()) levels_ = level;
  groups_ = p_.Band(btGroupHeader)->HasObjects();
  queue_.clear();
  if (levels_ > 0) DoLoop(1);
  if (Failed()) return;

  PrintType(btColumnFooter);
  PrintType(btReportSummary);
  s_.KeptCurY = p_.ColumnIndex > 0 ? p_.BottomLimit() : p_.CurY;
  s_.KeptCurBottomY = p_.CurBottomY;
  p_.ColumnIndex = 0;
  p_.ColumnX = l.Left;
  const int counter = s_.CurPageIndex;
  const bool skip_footers = s_.CarryOver && s_.FooterPrinted;
  s_.FooterPrinted = p_.FooterOnLastPage != 0 && p_.Band(btPageFooter)->HasObjects();
  if (s_.FooterPrinted && !skip_footers) PrintPageFooters(counter);
  s_.CurPageIndex = counter + 1;
}

void TkvPreparation::NewPage() {
  TkvEngineState &engine = E();
  if (host_ != nullptr) {
    const int shift = p_.ColumnX - host_->p_.ColumnX;
    engine.CurPage = &host_->p_;
    host_->NewPage();
    engine.CurPage = &p_;
    p_.CurY = host_->p_.CurY;
    p_.CurBottomY = host_->p_.CurBottomY;
    p_.ColumnX = host_->p_.ColumnX + shift;
    fresh_y_ = p_.CurY;
    return;
  }
  r_.Progress(s_.CurPageIndex + 1);
  PrintType(btColumnFooter);
  const TkvPageLimits l = p_.Limits();
  p_.ColumnIndex = 0;
  p_.ColumnX = l.Left;
  if (!(s_.CarryOver && s_.FooterPrinted)) PrintPageFooters(s_.CurPageIndex);
  r_.EMFPages().CloseFrom(s_.CurPageIndex);
  p_.CurBottomY = p_.BottomLimit();
  AddFinishedPage();
  s_.CarryOver = false;
  opening_ = true;
  PrintType(btOverlay);
  p_.CurY = l.Top;
  PrintType(btPageHeader);
  PrintType(btColumnHeader);
  opening_ = false;
  fresh_y_ = p_.CurY;
}

bool TkvPreparation::CheckPageBreak(int y, int height, bool test_only) {
  if (p_.CurBottomY >= y + height + ColumnFooterHeight()) return false;
  if (test_only) return true;
  if (p_.ColumnIndex < p_.Columns - 1) {
    PrintType(btColumnFooter);
    ++p_.ColumnIndex;
    p_.ColumnX += p_.ColumnWidth + p_.ColumnGap;
    p_.CurY = p_.ColumnTopY;
    opening_ = true;
    PrintType(btColumnHeader);
    opening_ = false;
    fresh_y_ = p_.CurY;
  } else {
    NewPage();
  }
  return true;
}

// The height a band takes once its stretched memos have their text. With
// `push`, the objects below a grown memo move down by its growth and keep
// the new place until the band has drawn.
int TkvPreparation::MeasureBand(TkvBand *band, bool push) {
  int height = band->dy;
  if (!band->Stretched) return height;
  TkvEngineState &engine = E();
  vcl::TCanvas *canvas = Current() != nullptr ? Current()->Canvas.get() : nullptr;
  struct Growth {
    TkvMemoView *memo;
    int designed_dy;
    int growth;
  };
  std::vector<Growth> grown;
  const bool saved_calc = engine.Calculating;
  engine.Calculating = true;
  for (TkvView *v : band->Objects) {
    auto *memo = dynamic_cast<TkvMemoView *>(v);
    if (memo == nullptr || memo->Parent != band) continue;
    engine.CurBand = band;
    memo->DrawMode = TkvCustomMemoView::dmMeasure;
    memo->Draw(canvas);
    memo->DrawMode = TkvCustomMemoView::dmDraw;
    int dy = memo->dy;
    if ((memo->Flags & flStretched) && memo->DisplayLines.Count() > 0) dy = std::max(dy, memo->TextHeight());
    if (push && dy != memo->dy) grown.push_back({memo, memo->dy, dy - memo->dy});
    if (push) memo->dy = dy;
    height = std::max(height, memo->y + dy);
  }
  engine.Calculating = saved_calc;
  for (const Growth &g : grown) {
    const int left = g.memo->x, right = g.memo->x + g.memo->dx;
    for (TkvView *o : band->Objects) {
      if (o == g.memo || o->Parent != band) continue;
      const bool below = o->y >= g.memo->y + g.designed_dy;
      const bool within = (o->x >= left && o->x <= right) || (o->x + o->dx >= left && o->x + o->dx <= right);
      if (!below || !within) continue;
      o->y += g.growth;
      height = std::max(height, o->y + o->dy);
    }
  }
  return height;
}

void TkvPreparation::DrawEmptyRow(TkvBand *band) {
  TkvEMFPage *page = Current();
  if (page == nullptr || page->Canvas == nullptr) return;
  const int shift = p_.ColumnX - p_.Limits().Left;
  for (TkvView *v : band->Objects) {
    if (v->Parent != band) continue;
    const int sx = v->x, sy = v->y;
    v->x += shift;
    v->y += p_.CurY;
    v->Canvas = page->Canvas.get();
    v->CalcDrawRect();
    v->DrawBackground();
    v->DrawFrame();
    v->x = sx;
    v->y = sy;
  }
  p_.CurY += band->dy;
}

// Empty rows of a data band (frames and backgrounds) down to the room
// `reserved` for the footers still to come.
void TkvPreparation::FillEmptyRows(TkvBand *band, int reserved) {
  // A sub-report's page is formed ahead of printing: it has no room to fill.
  if (band->dy <= 0 || delayed_) return;
  while (!Failed() && p_.CurBottomY - p_.CurY - reserved >= band->dy) DrawEmptyRow(band);
}

void TkvPreparation::DrawBand(TkvBand *band) {
  if (Stopped() && Failed()) return;
  TkvEngineState &engine = E();
  engine.CurBand = band;
  std::vector<std::array<int, 3>> geometry;
  for (TkvView *v : band->Objects) geometry.push_back({v->x, v->y, v->dy});
  const int height = MeasureBand(band, true);
  band->CalculatedHeight = height;
  const bool own_place = band->Typ == btPageFooter || band->Typ == btOverlay || band->Typ == btNone;
  if (!own_place && !band->Split && MayBreak()) CheckPageBreak(p_.CurY, height, false);
  if (!own_place) band->y = p_.CurY;
  if (band->Typ == btOverlay) band->y = band->View != nullptr ? band->View->y : 0;
  if (band->Typ == btNone) band->y = 0;

  engine.BandStretched = band->Stretched;
  engine.BandOldHeight = band->dy;
  engine.BandNewHeight = height;
  const bool split = band->Split && !own_place && CheckPageBreak(p_.CurY, height, true);
  std::vector<TkvSubReportView *> outer_subs;
  outer_subs.swap(subs_);
  if (split) {
    SplitBand(band);
  } else {
    for (TkvView *v : band->Objects) {
      if (v->Parent != band || Failed()) continue;
      DrawObject(band, v, band->y + v->y,
                 band->Stretched ? TkvCustomMemoView::dmDrawPrepared : TkvCustomMemoView::dmDraw);
    }
  }
  if (!subs_.empty()) RunSubReports(band);
  subs_.swap(outer_subs);
  engine.BandStretched = false;
  if (!own_place && !Failed() && std::any_of(band->Objects.begin(), band->Objects.end(), [&](const TkvView *v) {
        return v->Parent != band && IsVerticalBandType(v->Parent->Typ);
      }))
    PrintTable(band);
  for (size_t i = 0; i < band->Objects.size(); ++i) {
    band->Objects[i]->x = geometry[i][0];
    band->Objects[i]->y = geometry[i][1];
    band->Objects[i]->dy = geometry[i][2];
  }
  band->Printed = true;
  if (sub_end_ >= 0) {
    // After a break the band's own rows are on an earlier page.
    p_.CurY = sub_broke_ ? sub_end_ : std::max(sub_end_, band->y + height);
    sub_end_ = -1;
    sub_broke_ = false;
  } else if (!own_place && !split) {
    p_.CurY += height;
  }
}

// A table printed across a band above the master data band runs its
// columns while the master source has rows: that source starts at its
// first row for it, wherever an earlier page or pass left it.
void TkvPreparation::StartMasterForTable() {
  TkvBand *table = p_.Band(btTableData);
  TkvBand *master = p_.Band(btMasterData);
  if (!table->HasObjects() || table->DataSource == nullptr || master->DataSource == nullptr) return;
  for (int type = btReportTitle; type < btTableHeader; ++type) {
    for (TkvBand *b = p_.Band(type); b != nullptr; b = b->Next) {
      if (b->Typ == btMasterData || b->View == nullptr || b->y >= master->y) continue;
      const bool holds_table = std::any_of(b->Objects.begin(), b->Objects.end(), [b](const TkvView *v) {
        return v->Parent != b && v->Parent != nullptr && IsVerticalBandType(v->Parent->Typ);
      });
      if (holds_table) {
        Move(master, opFirst);
        return;
      }
    }
  }
}

// The cross objects of one table band that lie in the horizontal band,
// drawn at page x `x`.
void TkvPreparation::DrawCross(TkvBand *band, int table_type, int x) {
  TkvBand *table = p_.Band(table_type);
  for (TkvView *v : band->Objects) {
    if (v->Parent != table || Failed()) continue;
    const int sx = v->x;
    v->x += x - (p_.ColumnX - p_.Limits().Left);
    DrawObject(table, v, band->y + v->y, TkvCustomMemoView::dmDraw);
    v->x = sx;
  }
}

// Table bands print across the horizontal band that holds their cross
// objects: the header, one column per row of the table source, the footer.
void TkvPreparation::PrintTable(TkvBand *band) {
  if (in_table_) return;
  in_table_ = true;
  TkvBand *header = p_.Band(btTableHeader);
  TkvBand *data = p_.Band(btTableData);
  TkvBand *footer = p_.Band(btTableFooter);
  TkvDataset *master = p_.Band(btMasterData)->DataSource;
  p_.ColumnNumber = 1;
  // The table begins with its row, in the row's column; x is where it draws
  // on the page, so the right limit is checked against what truly prints.
  const TkvPageLimits l = p_.Limits();
  int x = (header->HasObjects() ? header->x : (data->HasObjects() ? data->x : footer->x)) + p_.ColumnX - l.Left;
  if (header->HasObjects()) {
    DrawCross(band, btTableHeader, x);
    x += header->dx;
  }
  // A column past the right limit goes on the next finished page (made when
  // there is none yet) at the same height, from the page's left limit.
  const int start_page = s_.CurPageIndex;
  auto fit = [&](const TkvBand *table) {
    if (l.Right >= x + table->dx) return;
    const int next = s_.CurPageIndex + 1;
    if (next >= r_.EMFPages().Count()) {
      const int y = p_.CurY;
      r_.EMFPages().Add(p_);
      s_.CurPageIndex = next;
      r_.Progress(next + 1);
      // The page opens as every page does, in its first column; the row's
      // own column is kept for the bands that follow it.
      const int column_x = p_.ColumnX;
      p_.ColumnX = l.Left;
      opening_ = true;
      PrintType(btOverlay);
      p_.CurY = l.Top;
      PrintType(btPageHeader);
      opening_ = false;
      p_.ColumnX = column_x;
      p_.CurY = y;
      E().CurBand = band;
    } else {
      s_.CurPageIndex = next;
    }
    x = l.Left;
    if (p_.RepeatTableHeader && header->HasObjects()) {
      DrawCross(band, btTableHeader, x);
      x += header->dx;
    }
  };
  TkvDataset *source = data->DataSource;
  if (source != nullptr && master != nullptr) {
    source->First();
    r_.DataSetWork(data, opFirst);
    data->Aggregates.Reset(0);
    const bool master_done = master->Eof();
    for (int column = 1; !Stopped(); ++column) {
      if (master_done ? column > std::max(1, data->Aggregates.MaxColumns()) : source->Eof()) break;
      fit(data);
      DrawCross(band, btTableData, x);
      x += data->dx;
      ++p_.ColumnNumber;
      if (!master_done) data->Aggregates.Accumulate(Expr(), true);
      source->Next();
      r_.DataSetWork(data, opNext);
    }
  }
  if (footer->HasObjects()) {
    fit(footer);
    DrawCross(band, btTableFooter, x);
  }
  s_.CurPageIndex = start_page;
  E().CurBand = band;
  in_table_ = false;
}

bool TkvPreparation::InHostChain(const TkvPage *page) const {
  for (const TkvPreparation *h = this; h != nullptr; h = h->host_)
    if (&h->p_ == page) return true;
  return false;
}

// The band's sub-reports print side by side: each page is formed ahead in
// delayed mode below its view, at the host's column plus the view's x; then
// the queues are replayed together, each from where it stopped. When some
// wait for room, they go on in their page's next column or, with none left,
// at the top of the host's next page; the host goes on below the lowest end.
void TkvPreparation::RunSubReports(TkvBand *band) {
  TkvEngineState &engine = E();
  struct Sub {
    TkvSubReportView *view;
    TkvPage *page;
    bool built;
    std::unique_ptr<TkvPreparation> prep;
    bool done = false;
  };
  std::vector<Sub> subs;
  for (TkvSubReportView *view : subs_) {
    if (Failed()) break;
    if (view->PageIndex < 0 || view->PageIndex >= r_.Pages().Count()) continue;
    TkvPage *page = r_.Pages().Page(view->PageIndex);
    // No page inside itself, nor twice in one band.
    if (InHostChain(page) || std::any_of(subs.begin(), subs.end(), [&](const Sub &s) { return s.page == page; }))
      continue;
    engine.CurPage = page;
    const bool built = page->Prepared;
    if (!built) page->BuildBands(s_);
    subs.push_back({view, page, built, std::make_unique<TkvPreparation>(*page, s_, this)});
    if (Failed()) break;
    page->CurY = band->y + view->y;
    page->CurBottomY = p_.CurBottomY;
    page->ColumnIndex = p_.ColumnIndex;
    page->ColumnX = p_.ColumnX + view->x;
    subs.back().prep->RunEmbedded();
  }
  subs_.clear();

  while (!subs.empty() && !Stopped()) {
    bool waiting = false;
    for (Sub &sub : subs) {
      if (sub.done || Stopped()) continue;
      const int finished_page = s_.CurPageIndex;
      engine.CurPage = sub.page;
      sub.done = sub.prep->Replay();
      engine.CurPage = &p_;
      waiting = waiting || !sub.done;
      if (s_.CurPageIndex != finished_page) {
        // A sub-report inside this one moved on to a further page: the
        // others go on at the top of it too.
        sub_broke_ = true;
        for (Sub &other : subs) {
          if (&other == &sub) continue;
          other.page->CurY = p_.CurY;
          other.page->CurBottomY = p_.CurBottomY;
          other.prep->restart_y_ = p_.CurY;
        }
      }
    }
    if (!waiting || Stopped() || band->Typ == btPageFooter) break;
    const TkvPage *first = subs.front().page;
    if (first->ColumnIndex < first->Columns - 1) {
      for (Sub &sub : subs) {
        if (sub.done) continue;
        ++sub.page->ColumnIndex;
        sub.page->ColumnX += sub.page->ColumnWidth + sub.page->ColumnGap;
        sub.page->CurY = band->y + sub.view->y;
        sub.prep->restart_y_ = sub.page->CurY;
      }
      continue;
    }
    engine.CurBand = band;
    NewPage();
    sub_broke_ = true;
    for (Sub &sub : subs) {
      sub.page->CurY = p_.CurY;
      sub.page->CurBottomY = p_.CurBottomY;
      if (sub.done) continue;
      sub.page->ColumnIndex = 0;
      sub.page->ColumnX = p_.ColumnX + sub.view->x;
      sub.prep->restart_y_ = p_.CurY;
    }
  }

  for (Sub &sub : subs) {
    sub_end_ = std::max(sub_end_, sub.page->CurY);
    engine.CurPage = sub.page;
    if (!sub.built) sub.page->FreeBands();
  }
  engine.CurPage = &p_;
  engine.CurBand = band;
}

// Forms a sub-report's page ahead: its data loops fill the queue.
void TkvPreparation::RunEmbedded() {
  delayed_ = true;
  levels_ = 0;
  for (int level = 1; level <= 3; ++level)
    if (p_.Band(btMasterData + 3 * (level - 1))->HasObjects()) levels_ = level;
  groups_ = p_.Band(btGroupHeader)->HasObjects();
  fresh_y_ = -1;
  if (levels_ > 0) DoLoop(1);
}

void TkvPreparation::Later(std::function<void()> action) {
  if (delayed_ && !replaying_) {
    entries_.push_back({nullptr, false, std::move(action)});
  } else {
    action();
  }
}

// Whether a queued band has room where the replay stands; at the place the
// replay began after a break it has, however tall it is.
bool TkvPreparation::Fits(TkvBand *band, bool empty_row) {
  if (p_.CurY == restart_y_ || !band->HasObjects()) return true;
  if (band->Typ == btPageFooter || band->Typ == btOverlay || band->Typ == btNone) return true;
  int height = band->dy;
  if (!empty_row) {
    height = MeasureBand(band, false);
    if (band->IsDataBand())
      for (TkvBand *n = band->Next; n != nullptr && n->DataSource == nullptr; n = n->Next)
        height += MeasureBand(n, false);
  }
  return !CheckPageBreak(p_.CurY, height, true);
}

bool TkvPreparation::Replay() {
  replaying_ = true;
  while (replay_at_ < entries_.size() && !Stopped()) {
    Entry &entry = entries_[replay_at_];
    if (entry.band == nullptr) {
      entry.action();
      ++replay_at_;
      continue;
    }
    if (!Fits(entry.band, entry.empty_row)) break;
    entry.band->EmptyRow = entry.empty_row;
    PrintBand(entry.band);
    entry.band->EmptyRow = false;
    ++replay_at_;
  }
  replaying_ = false;
  return replay_at_ >= entries_.size() || Stopped();
}

// Draws one object of a band at page y `y` (column shift applied); memos in
// `mode`. An exception stops preparation with its message.
void TkvPreparation::DrawObject(TkvBand *band, TkvView *v, int y, int mode) {
  TkvEngineState &engine = E();
  TkvEMFPage *page = Current();
  vcl::TCanvas *canvas = page != nullptr ? page->Canvas.get() : nullptr;
  auto *memo = dynamic_cast<TkvCustomMemoView *>(v);
  if (memo != nullptr) memo->DrawMode = std::uint8_t(mode);
  const int sx = v->x, sy = v->y;
  v->x += p_.ColumnX - p_.Limits().Left;
  v->y = y;
  engine.CurView = v;
  engine.CurBand = band;
  try {
    r_.DrawingObject(v);
    if (auto *sub = dynamic_cast<TkvSubReportView *>(v)) {
      v->x = sx;
      v->y = sy;
      subs_.push_back(sub);
      return;
    }
    v->Draw(canvas);
  } catch (const rtl::Exception &e) {
    KvReportError(r_, QStringLiteral("Errore. ") + e.Message());
  }
  v->x = sx;
  v->y = sy;
  if (memo != nullptr) memo->DrawMode = TkvCustomMemoView::dmDraw;
}

// A band with the split option that does not fit prints in parts, one per
// column or page: what fits in the free height draws, a memo that reaches
// past it draws the whole lines that fit and goes on from the next line in
// the next part, everything else waits for the next part.
void TkvPreparation::SplitBand(TkvBand *band) {
  struct Item {
    TkvView *view;
    int y, dy;  // band-relative, what is left of the object
    bool started = false;
    bool done = false;
  };
  std::vector<Item> items;
  int height = 0;
  for (TkvView *v : band->Objects) {
    if (v->Parent != band) continue;
    items.push_back({v, v->y, v->dy});
    height = std::max(height, v->y + v->dy);
  }
  int top = 0;  // band-relative start of the part being printed
  for (;;) {
    const int free = p_.CurBottomY - ColumnFooterHeight() - p_.CurY;
    bool pending = false;
    bool progress = false;
    int bottom = 0;
    for (Item &item : items) {
      if (item.done || Failed()) continue;
      const int ry = std::max(0, item.y - top);
      if (ry >= free) {
        pending = true;
        continue;
      }
      auto *memo = dynamic_cast<TkvMemoView *>(item.view);
      const int saved_dy = item.view->dy;
      if (ry + item.dy <= free || (memo == nullptr && ry == 0 && p_.CurY == fresh_y_)) {
        // Fits (or cannot fit anywhere and starts this part): draws whole.
        item.view->dy = item.dy;
        DrawObject(band, item.view, p_.CurY + ry,
                   item.started ? TkvCustomMemoView::dmDrawContinuation
                                : (band->Stretched ? TkvCustomMemoView::dmDrawPrepared : TkvCustomMemoView::dmDraw));
        item.view->dy = saved_dy;
        item.done = progress = true;
        bottom = std::max(bottom, ry + item.dy);
        continue;
      }
      pending = true;
      if (memo == nullptr) {
        item.y = std::max(item.y, top + free);
        continue;
      }
      if (!item.started && !band->Stretched) {
        // Lay the lines out once, so that each part goes on where the last
        // one stopped.
        memo->DrawMode = TkvCustomMemoView::dmMeasure;
        const bool calc = E().Calculating;
        E().Calculating = true;
        memo->Draw(Current() != nullptr ? Current()->Canvas.get() : nullptr);
        E().Calculating = calc;
        memo->DrawMode = TkvCustomMemoView::dmDraw;
      }
      const int lh = std::max(1, memo->LineHeight());
      const int lines = (free - ry - 2 * memo->gy - 1) / lh;
      if (lines < 1) {
        item.y = std::max(item.y, top + free);
        continue;
      }
      item.view->dy = lines * lh + 2 * memo->gy + 1;
      DrawObject(band, item.view, p_.CurY + ry,
                 item.started ? TkvCustomMemoView::dmDrawContinuation : TkvCustomMemoView::dmDrawPrepared);
      item.view->dy = saved_dy;
      progress = true;
      item.started = true;
      const int left = std::max(0, memo->DisplayLines.Count() - memo->FirstLine);
      if (left == 0) {
        item.done = true;
        bottom = std::max(bottom, ry + lines * lh + 2 * memo->gy + 1);
        continue;
      }
      bottom = free;
      item.y = top + free;
      item.dy = left * lh + 2 * memo->gy + 1;
    }
    if (!pending || Failed()) {
      p_.CurY += bottom;
      break;
    }
    if (!progress && p_.CurY == fresh_y_) {
      // Nothing fits even an empty page: what is left prints past its end.
      for (Item &item : items)
        if (!item.done) DrawObject(band, item.view, p_.CurY + std::max(0, item.y - top), TkvCustomMemoView::dmDraw);
      p_.CurY += std::max(0, height - top);
      break;
    }
    top += free;
    ForceBreak();
  }
  band->CalculatedHeight = height;
}

void TkvPreparation::PrintBand(TkvBand *band) {
  if (band == nullptr || Failed()) return;
  if (delayed_ && !replaying_) {
    if (band->HasObjects() || band->EmptyRow) entries_.push_back({band, band->EmptyRow, {}});
    return;
  }
  TkvEngineState &engine = E();
  if (band->HasObjects()) {
    if (band->View != nullptr) r_.BeforePrint(band->View);
    if (band->View != nullptr && !band->View->Visible) return;
  }
  if (band->EmptyRow) {
    DrawEmptyRow(band);
    return;
  }
  if (band->Typ == btColumnHeader) p_.ColumnTopY = p_.CurY;
  if (band->Typ == btPageFooter) band->y = p_.CurBottomY;
  if (!band->HasObjects()) return;

  // Footers show the last row of what they close: a loop that went on to
  // the next row steps back for them. At the end of the source the dataset
  // still stands on its last row.
  TkvDataset *source = nullptr;
  if (IsFooterOfData(band->Typ)) {
    TkvDataset *s = p_.Band(DataTypeOfFooter(band->Typ))->DataSource;
    if (s != nullptr && !s->Eof()) {
      source = s;
      source->Prior();
      r_.DataSetWork(p_.Band(DataTypeOfFooter(band->Typ)), opPrior);
    }
  }

  const bool own_place =
      band->Typ == btPageFooter || band->Typ == btOverlay || band->Typ == btNone || band->Typ == btColumnFooter;
  if (!own_place && !band->Split && MayBreak()) {
    int height = MeasureBand(band, false);
    if (band->IsDataBand())
      for (TkvBand *n = band->Next; n != nullptr && n->DataSource == nullptr; n = n->Next)
        height += MeasureBand(n, false);
    if (p_.CurBottomY < p_.CurY + height) ForceBreak();
  }
  engine.CurBand = band;
  DrawBand(band);
  if (band->IsDataBand())
    for (TkvBand *n = band->Next; n != nullptr && n->DataSource == nullptr && !Failed(); n = n->Next) DrawBand(n);

  if (source != nullptr) {
    source->Next();
    r_.DataSetWork(p_.Band(DataTypeOfFooter(band->Typ)), opNext);
  }
  if (band->ForceNewPage && !band->IsDataBand() && band->Typ != btGroupHeader && !own_place && !Failed()) NewPage();
}

void TkvPreparation::PrintQueue() {
  while (!queue_.empty() && !Failed()) {
    TkvBand *band = queue_.front();
    queue_.pop_front();
    if (band->HasObjects()) PrintBand(band);
  }
}

bool TkvPreparation::EvaluateGroup(TkvBand *header, rtl::Variant &value) {
  E().CurBand = header;
  try {
    value = Expr().Evaluate(header->GroupCondition);
  } catch (const rtl::Exception &e) {
    KvReportError(r_, QStringLiteral("Errore. ") + e.Message());
    return false;
  }
  return !Failed();
}

// First or Next on a data band's source, told to the report; a source that
// fails stops preparation with its message.
bool TkvPreparation::Move(TkvBand *band, TkvDataSetOperation op) {
  // The replay moves the source again, so that each band prints its row.
  if (delayed_ && !replaying_) entries_.push_back({nullptr, false, [this, band, op] { Move(band, op); }});
  try {
    if (op == opFirst) {
      band->DataSource->First();
    } else {
      band->DataSource->Next();
    }
  } catch (const rtl::Exception &e) {
    KvReportError(r_, e.Message());
    return false;
  }
  r_.DataSetWork(band, op);
  return true;
}

// One data loop: the chain of data bands of a level, each over its own
// source, with the loop's header and footer and (master level) the groups.
struct TkvPreparation::Loop {
  int level;
  TkvBand *header;
  TkvBand *footer;
  std::vector<TkvBand *> groups;  // outermost first; empty unless grouped
  // Per data band of the chain:
  bool footer_printed = false;  // a group break at the end printed the footer
  bool filled = false;          // empty rows already filled the page
  bool any_row = false;         // a row printed
};

void TkvPreparation::DoLoop(int level) {
  const int base = btMasterHeader + 3 * (level - 1);
  Loop loop{level, p_.Band(base), p_.Band(base + 2), {}};
  if (level == 1 && groups_)
    for (TkvBand *g = p_.Band(btGroupHeader); g != nullptr; g = g->Next) loop.groups.push_back(g);
  const int saved_level = s_.DataLevel;
  s_.DataLevel = level;
  for (TkvBand *band = p_.Band(base + 1); band != nullptr && band->DataSource != nullptr && !Stopped();
       band = band->Next) {
    if (!RunDataBand(loop, band)) break;
  }
  s_.DataLevel = saved_level;
}

// The rows of one data band of the loop; false when the loop must stop.
bool TkvPreparation::RunDataBand(Loop &loop, TkvBand *band) {
  TkvDataset *source = band->DataSource;
  E().CurBand = band;
  if (!Move(band, opFirst)) return false;
  Later([band, groups = loop.groups] {
    band->Aggregates.Reset(0);
    band->RowNumber = 1;
    for (TkvBand *g : groups) g->RowNumber = 0;
    if (!band->DataSource->Eof()) band->Aggregates.Accumulate(Expr(), false);
  });
  if (source->Eof()) return true;

  OpenGroups(loop.groups);
  queue_.push_back(loop.header);
  for (int i = 0; i < source->SkipOnBegin() && !Failed(); ++i) {
    band->EmptyRow = true;
    PrintBand(band);
    band->EmptyRow = false;
  }

  loop.footer_printed = loop.filled = loop.any_row = false;
  while (!Stopped()) {
    r_.PumpMessages();
    if (Stopped() || source->Eof()) break;
    const bool printed = PrintRow(loop, band);
    if (Failed()) break;
    loop.any_row = loop.any_row || printed;

    if (!loop.groups.empty()) Later([this, groups = loop.groups] { ExpandGroupFooters(groups); });
    if (!Move(band, opNext)) break;
    const bool at_end = source->Eof();
    bool accumulated = false;
    if (!loop.groups.empty() && !BreakGroups(loop, band, at_end, accumulated)) break;
    Later([this, band, accumulated, at_end, printed] {
      if (!accumulated && !at_end) band->Aggregates.Accumulate(Expr(), false);
      if (printed) {
        ++p_.LineNumber;
        ++band->RowNumber;
        ++band->RowThrough;
      }
    });
    if (printed && !at_end && band->ForceNewPage) NewPage();
  }
  if (Failed()) return false;
  CloseDataBand(loop, band);
  return true;
}

// The group headers that open a loop's first row; their footers start
// with no expansion.
void TkvPreparation::OpenGroups(const std::vector<TkvBand *> &groups) {
  Later([groups] {
    for (TkvBand *g : groups) {
      if (g->GroupFooter == nullptr) continue;
      g->GroupFooter->ExpandFlags.clear();
      g->GroupFooter->ExpandCount = 0;
    }
  });
  for (TkvBand *g : groups) {
    if (!EvaluateGroup(g, g->GroupValue)) break;
    PrintBand(g);
    Later([g] {
      ++g->RowNumber;
      ++g->RowThrough;
    });
  }
}

// The memos of the group footers are expanded with the row that is still
// current, before the source moves on.
void TkvPreparation::ExpandGroupFooters(const std::vector<TkvBand *> &groups) {
  TkvEngineState &engine = E();
  for (TkvBand *g : groups) {
    TkvBand *footer = g->GroupFooter;
    if (footer == nullptr || !footer->HasObjects() || Failed()) continue;
    for (QString &flag : footer->ExpandFlags) {
      const qsizetype eq = flag.indexOf(u'=');
      if (eq >= 0 && eq + 1 < flag.size()) flag[eq + 1] = u'0';
    }
    engine.CurBand = footer;
    for (TkvView *v : footer->Objects) {
      auto *memo = dynamic_cast<TkvMemoView *>(v);
      if (memo == nullptr || memo->Parent != footer) continue;
      engine.CurView = memo;
      const std::int16_t highlight = memo->HighlightOn;
      memo->ExpandMemo();
      memo->HighlightOn = highlight;
      const QString key = memo->Name + u'=';
      auto it = std::find_if(footer->ExpandFlags.begin(), footer->ExpandFlags.end(),
                             [&](const QString &f) { return f.startsWith(key, Qt::CaseInsensitive); });
      if (it != footer->ExpandFlags.end()) {
        *it = key + u'1';
      } else {
        footer->ExpandFlags << key + u'1';
      }
    }
    ++footer->ExpandCount;
  }
}

// One row: the band waits in the queue with the headers before it; the
// innermost level prints them, an outer one runs the next level first and
// prints (or drops) its row by whether that printed. True when it printed.
bool TkvPreparation::PrintRow(Loop &loop, TkvBand *band) {
  queue_.push_back(band);
  if (loop.level == levels_) {
    PrintQueue();
    return true;
  }
  DoLoop(loop.level + 1);
  s_.DataLevel = loop.level;
  E().CurBand = band;
  if (queue_.empty()) return true;
  if (band->PrintIfEmpty) {
    PrintQueue();
    return true;
  }
  queue_.pop_back();
  return false;
}

// After a row, the groups whose value changed (or all, at the end of the
// source) close with their footers, from the inside out, and open again.
// False when evaluating a group failed.
bool TkvPreparation::BreakGroups(Loop &loop, TkvBand *band, bool at_end, bool &accumulated) {
  const std::vector<TkvBand *> &groups = loop.groups;
  int breaking = -1;
  std::vector<rtl::Variant> values(groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    if (groups[i]->GroupCondition.trimmed().isEmpty()) break;
    if (at_end) {
      breaking = int(i);
      break;
    }
    if (!EvaluateGroup(groups[i], values[i])) break;
    if (values[i] != groups[i]->GroupValue) {
      breaking = int(i);
      break;
    }
  }
  if (Failed()) return false;
  if (breaking < 0) return true;

  const auto first = static_cast<size_t>(breaking);
  TkvBand *broken = groups[first];
  if (band->FillEmptyRows) {
    int reserved = FooterHeight(loop.footer);
    for (size_t i = groups.size(); i-- > first;) reserved += FooterHeight(groups[i]->GroupFooter);
    FillEmptyRows(band, reserved);
    loop.filled = at_end;
  }
  PrintBand(loop.footer);
  loop.footer_printed = at_end;
  for (size_t i = groups.size(); i-- > first;) {
    TkvBand *g = groups[i];
    PrintBand(g->GroupFooter);
    Later([g] { g->RowNumber = 0; });
  }
  if (!at_end) {
    if (broken->ForceNewPage) NewPage();
    for (size_t i = first; i < groups.size(); ++i) {
      TkvBand *g = groups[i];
      if (i == first || EvaluateGroup(g, values[i])) g->GroupValue = values[i];
      PrintBand(g);
      Later([g] {
        ++g->RowNumber;
        ++g->RowThrough;
      });
    }
    Later([band, level = broken->Level] {
      band->Aggregates.ResetGroups(level);
      band->Aggregates.Accumulate(Expr(), false);
    });
    accumulated = true;
    PrintBand(loop.header);
  }
  Later([band] { band->RowNumber = 0; });
  return true;
}

// The end of a data band's rows: its footer, after the empty rows that
// fill the page when asked.
void TkvPreparation::CloseDataBand(Loop &loop, TkvBand *band) {
  if (!loop.any_row || !queue_.empty()) {
    // No row of this level printed: its header waits in the queue and
    // neither it nor the footer prints.
    if (!queue_.empty()) queue_.pop_back();
    return;
  }
  if (loop.footer_printed) return;
  if (band->FillEmptyRows && !loop.filled) {
    // Room stays for the footers of this loop and of the loops around it.
    int reserved = 0;
    for (int l = 1; l <= loop.level; ++l) reserved += FooterHeight(p_.Band(btMasterFooter + 3 * (l - 1)));
    FillEmptyRows(band, reserved);
  }
  PrintBand(loop.footer);
}

// ---- errors ------------------------------------------------------------------------

void KvReportError(TkvPrepareHost &host, const QString &message) {
  TkvEngineState &engine = kvEngine();
  if (engine.ErrorText.isEmpty()) {
    // Dressed through the slot the report installs for the pass; without a
    // pass the message stays as it is.
    kvSetError(message);
  }
  host.SetTerminated(true);
}

}  // namespace report
