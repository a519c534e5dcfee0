// Finished pages: each opened with the paper of its template page, closed
// when complete, and its texts read back (see kvemfpages.h).
#include "report/engine/prepare/kvemfpages.h"

#include <algorithm>
#include <cmath>

#include "report/engine/prepare/kvpages.h"

namespace report {

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
