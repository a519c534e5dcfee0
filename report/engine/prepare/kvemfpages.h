// The finished pages of a report: one enhanced metafile per page with the
// paper it was formed on. Preparation records onto the open page's canvas;
// the files, the export filters and the preview read the pictures.
#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "platform/vcl/metafile.h"
#include "report/engine/print/kvprntr.h"

namespace report {

class TkvPage;

// One finished page: its paper and its picture. The canvas exists while the
// page is being formed.
struct TkvEMFPage {
  int PaperSize = 9;
  int PaperWidth = 0;  // tenths of a millimetre, scaled
  int PaperHeight = 0;
  int Orientation = 0;
  bool UseMargins = true;
  TPageGeometry Geometry;
  std::unique_ptr<vcl::TMetafile> Picture;
  std::unique_ptr<vcl::TMetafileCanvas> Canvas;

  // The texts drawn on the page, top to bottom and left to right within a
  // line, read back from the picture (a page still open reads nothing).
  QStringList Texts() const;
};

class TkvEMFPages {
 public:
  // Appends a finished page with the paper of `page` and opens its canvas.
  TkvEMFPage *Add(const TkvPage &page);
  void Clear() { pages_.clear(); }
  int Count() const { return static_cast<int>(pages_.size()); }
  TkvEMFPage *Page(int index) const {
    return index >= 0 && index < Count() ? pages_[static_cast<size_t>(index)].get() : nullptr;
  }
  // Closes the canvas of every page from `from` on.
  void CloseFrom(int from);

 private:
  std::vector<std::unique_ptr<TkvEMFPage>> pages_;
};

}  // namespace report
