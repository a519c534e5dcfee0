// Template pages and finished pages: paper, limits and the page lists.
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
      case 1:
      case 3:
      case 5:
      case 6:
      case 15:
      case 17:
        type = btMasterData;
        break;
      case 8:
      case 9:
        type = btDetailData;
        break;
      case 11:
      case 12:
        type = btSubDetailData;
        break;
      case 19:
      case 20:
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

void TkvPages::Delete(int index) {
  if (index >= 0 && index < Count()) pages_.erase(pages_.begin() + index);
}

TkvEMFPage *TkvEMFPages::Add(const TkvPage &page) {
  auto emf = std::make_unique<TkvEMFPage>();
  const bool scaled = page.ScaleX != 100 || page.ScaleY != 100;
  emf->PaperSize = scaled ? kvCustomPaper : page.PaperSize;
  emf->PaperWidth = int(std::lround(page.PaperWidth * page.ScaleX / 100.0));
  emf->PaperHeight = int(std::lround(page.PaperHeight * page.ScaleY / 100.0));
  emf->Orientation = page.Orientation;
  emf->UseMargins = page.UseMargins != 0;
  emf->Geometry = page.PrinterGeometry;
  emf->Picture = std::make_unique<vcl::TMetafile>();
  emf->Picture->SetWidth(page.WidthPixels());
  emf->Picture->SetHeight(page.HeightPixels());
  emf->Canvas = std::make_unique<vcl::TMetafileCanvas>(emf->Picture.get());
  pages_.push_back(std::move(emf));
  return pages_.back().get();
}

void TkvEMFPages::CloseFrom(int from) {
  for (int i = std::max(0, from); i < Count(); ++i) pages_[static_cast<size_t>(i)]->Canvas.reset();
}

QStringList TkvEMFPage::Texts() const {
  struct Piece {
    int y, x;
    QString text;
  };
  std::vector<Piece> pieces;
  if (Picture == nullptr || Canvas != nullptr) return {};
  Picture->Enumerate([&](const vcl::TEmfRecord &r) {
    if (r.Type == vcl::EMR_EXTTEXTOUTW || r.Type == vcl::EMR_EXTTEXTOUTA) {
      const vcl::TPoint p = r.TextPoint();
      pieces.push_back({p.Y, p.X, r.Text()});
    }
    return true;
  });
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Piece &a, const Piece &b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  QStringList out;
  for (const Piece &p : pieces) out << p.text;
  return out;
}

}  // namespace report
