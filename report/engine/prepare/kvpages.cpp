// Template pages: paper, limits and the page list.
#include "report/engine/prepare/kvpages.h"

#include <algorithm>
#include <cmath>

#include "report/engine/data/kvdset.h"

namespace report {

namespace {

int TenthsToPixels(int tenths) { return int(std::lround(tenths * 96.0 / 254.0)); }

}  // namespace

TkvPage::TkvPage(TkvReport *report, int paper_size) : Report(report), PaperSize(paper_size) {
  for (const TPaperSizeRow &row : PaperSizes()) {
    if (row.Code != paper_size) continue;
    PaperWidth = row.Width;
    PaperHeight = row.Height;
    break;
  }
}

TkvPage::~TkvPage() { FreeBands(); }

TkvBandView *TkvPage::AddBand(int type, int y, int dy) {
  TkvBandView *band = Add<TkvBandView>(0, y, WidthPixels(), dy);
  band->SetBandType(type);
  return band;
}

int TkvPage::WidthPixels() const {
  const int w = TenthsToPixels(Orientation == 1 ? PaperHeight : PaperWidth);
  return int(std::lround(w * 100.0 / std::max(1, ScaleX)));
}

int TkvPage::HeightPixels() const {
  const int h = TenthsToPixels(Orientation == 1 ? PaperWidth : PaperHeight);
  return int(std::lround(h * 100.0 / std::max(1, ScaleY)));
}

TkvPageLimits TkvPage::Limits() const {
  const int w = WidthPixels(), h = HeightPixels();
  if (!UseMargins) return {0, 0, w, h};
  TPageGeometry g = PrinterGeometry;
  if (g == TPageGeometry{}) {
    // No printer told us its borders: the layout printer's 18 pixels.
    g.OffsetLeft96 = g.OffsetTop96 = 18;
    g.PrintWidth96 = std::max(0, w - 36);
    g.PrintHeight96 = std::max(0, h - 36);
  }
  TkvPageLimits l;
  l.Left = Margins[0] != 0 ? Margins[0] : g.OffsetLeft96;
  l.Top = Margins[1] != 0 ? Margins[1] : g.OffsetTop96;
  l.Right = Margins[2] != 0 ? w - Margins[2] : g.OffsetLeft96 + g.PrintWidth96;
  l.Bottom = Margins[3] != 0 ? h - Margins[3] : g.OffsetTop96 + g.PrintHeight96;
  return l;
}

int TkvPage::BottomLimit() const {
  const TkvBand *footer = Bands[btPageFooter];
  return Limits().Bottom - (footer != nullptr && footer->HasObjects() ? footer->dy : 0);
}

TkvBand *TkvPage::DataBandOf(const TkvBand *band) const {
  // A data band further down a chain keeps its own counters and totals; one
  // without a source prints with the band before it and reads that one's.
  if (band != nullptr && (band->IsDataBand() || band->Typ == btTableData)) {
    const TkvBand *b = band;
    while (b->DataSource == nullptr && b->Prev != nullptr) b = b->Prev;
    return const_cast<TkvBand *>(b);
  }
  int type = btNone;
  if (band != nullptr) {
    switch (band->Typ) {
      case btReportSummary:
      case btPageFooter:
      case btMasterData:
      case btMasterFooter:
      case btColumnFooter:
      case btGroupFooter:
        type = btMasterData;
        break;
      case btDetailData:
      case btDetailFooter:
        type = btDetailData;
        break;
      case btSubDetailData:
      case btSubDetailFooter:
        type = btSubDetailData;
        break;
      case btTableData:
      case btTableFooter:
        type = btTableData;
        break;
      default:
        break;
    }
  }
  return Bands[static_cast<size_t>(type)];
}

// ---- lists ---------------------------------------------------------------------

TkvPage *TkvPages::AddPage() {
  pages_.push_back(std::make_unique<TkvPage>(report_, 9));
  return pages_.back().get();
}

TkvPages::~TkvPages() { Clear(); }

TkvPages &TkvPages::operator=(TkvPages &&other) noexcept {
  if (this == &other) return *this;
  TkvKeepSources keep;
  report_ = other.report_;
  pages_ = std::move(other.pages_);
  return *this;
}

void TkvPages::Clear() {
  TkvKeepSources keep;
  auto gone = std::move(pages_);
  pages_.clear();
}

void TkvPages::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  std::unique_ptr<TkvPage> gone = std::move(pages_[size_t(index)]);
  pages_.erase(pages_.begin() + index);
}

void TkvPages::Reorder(const std::vector<int> &order) {
  if (static_cast<int>(order.size()) != Count()) return;
  std::vector<bool> taken(order.size(), false);
  for (int old : order) {
    if (old < 0 || old >= Count() || taken[size_t(old)]) return;
    taken[size_t(old)] = true;
  }
  std::vector<std::unique_ptr<TkvPage>> reordered;
  for (int old : order) reordered.push_back(std::move(pages_[size_t(old)]));
  pages_ = std::move(reordered);
}

}  // namespace report
