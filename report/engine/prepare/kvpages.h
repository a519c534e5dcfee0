// Template pages, run-time bands and finished pages of a report.
//
// A template page (TkvPage) lists the report objects as designed. To prepare
// it, BuildBands turns its band views into run-time bands (TkvBand), places
// every other object in the band it lies in and binds the bands' record
// sources; FormPage then walks the bands over the records and draws them,
// band by band, onto finished pages (TkvEMFPages, one metafile per page),
// breaking columns and pages where a band no longer fits. The report
// (component/kvreport.h) owns both lists and runs the passes around
// FormPage; preparation sees it as a TkvPrepareHost and keeps its state
// in a TkvPreparePass (kvpass.h).
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

#include "platform/rtl/variant.h"
#include "platform/vcl/metafile.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/print/kvprntr.h"

namespace report {

class TkvDataset;
class TkvPage;
class TkvPreparePass;

// What a report is told about the dataset work of a data band.
enum TkvDataSetOperation { opInit = 0, opExit = 1, opFirst = 2, opNext = 3, opPrior = 4 };

// A band being printed: made from a band view (or empty, for band types the
// page does not use) when the page is prepared, freed with FreeBands.
class TkvBand {
 public:
  TkvBand(TkvPage *page, int type) : Page(page), Typ(type) {}

  TkvPage *Page;
  int Typ;
  TkvBand *Next = nullptr;  // further bands of the same type
  TkvBand *Prev = nullptr;
  TkvBand *Last = nullptr;         // first band of a chain: its last one
  TkvBand *GroupFooter = nullptr;  // group header: its paired footer
  int Level = 0;                   // group level, 0 the innermost

  int x = 0, y = 0, dx = 0, dy = 0;
  int CalculatedHeight = 0;
  TkvBandView *View = nullptr;
  std::vector<TkvView *> Objects;
  QStringList MemoLines;
  TkvDataset *DataSource = nullptr;

  QString GroupCondition;
  rtl::Variant GroupValue;

  bool Stretched = false;
  bool ForceNewPage = false;
  bool PrintIfEmpty = false;
  bool Split = false;
  bool FillEmptyRows = false;
  bool EmptyRow = false;  // draws backgrounds and frames only
  bool Printed = false;

  int RowNumber = 0;   // LINE#
  int RowThrough = 0;  // LINETHROUGH#
  TkvAggregates Aggregates;

  bool HasObjects() const { return !Objects.empty(); }
  bool IsDataBand() const { return Typ == btMasterData || Typ == btDetailData || Typ == btSubDetailData; }
};

// The limits of a page in pixels (96 per inch).
struct TkvPageLimits {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TkvPage {
 public:
  explicit TkvPage(TkvReport *report, int paper_size = 9);
  ~TkvPage();
  TkvPage(const TkvPage &) = delete;
  TkvPage &operator=(const TkvPage &) = delete;

  TkvReport *Report;
  std::array<TkvBand *, kvBandTypeCount> Bands{};
  bool IsSubReportPage = false;
  bool Prepared = false;

  int CurY = 0;
  int CurBottomY = 0;
  int ColumnIndex = 0;
  int ColumnTopY = 0;
  int ColumnX = 0;
  int ColumnNumber = 1;  // COLUMN#
  int LineNumber = 1;    // CURRENT#

  int PaperSize = 9;
  int PaperWidth = 0;  // tenths of a millimetre
  int PaperHeight = 0;
  int ScaleX = 100;
  int ScaleY = 100;
  int Margins[4] = {38, 38, 38, 57};  // left, top, right, bottom
  int Orientation = 0;
  std::int16_t HeaderOnFirstPage = -1;
  std::int16_t FooterOnLastPage = -1;
  std::int16_t RepeatTableHeader = 0;
  std::int16_t PrintOnPreviousPage = 0;
  std::int16_t UseMargins = -1;
  TPageGeometry PrinterGeometry;  // left empty: an 18-pixel border
  int Columns = 1;
  int ColumnWidth = 0;
  int ColumnGap = 0;

  // The page's objects in z-order (owned).
  std::vector<std::unique_ptr<TkvView>> Views;
  // Adds an object to the page; returns it.
  template <class View>
  View *Add(int x, int y, int dx, int dy) {
    auto view = std::make_unique<View>(Report);
    view->x = x;
    view->y = y;
    view->dx = dx;
    view->dy = dy;
    View *raw = view.get();
    Views.push_back(std::move(view));
    return raw;
  }
  TkvBandView *AddBand(int type, int y, int dy);

  // Paper size in pixels, turned for landscape.
  int WidthPixels() const;
  int HeightPixels() const;
  // Where bands may print; Bottom leaves the page footer's room.
  TkvPageLimits Limits() const;
  int BottomLimit() const;

  // Preparation of the page within a pass (kvprepare.cpp).
  void BuildBands(TkvPreparePass &pass);
  void FreeBands();
  void FormPage(TkvPreparePass &pass);

  TkvBand *Band(int type) const { return Bands[static_cast<size_t>(type)]; }
  // The data band (5, 8, 11, 19) whose aggregates and counters a band's
  // objects use (a data band its own), else the page's band 21.
  TkvBand *DataBandOf(const TkvBand *band) const;

 private:
  friend class TkvPreparation;
  friend class TkvBandBuilder;
  // Geometry of every view as designed, put back by FreeBands.
  std::vector<std::array<int, 4>> saved_;
  // The pass the bands were built in (their sources go back to its report).
  TkvPreparePass *pass_ = nullptr;
};

// The template pages of a report.
class TkvPages {
 public:
  explicit TkvPages(TkvReport *report) : report_(report) {}
  TkvPage *AddPage();
  void Clear() { pages_.clear(); }
  void Delete(int index);
  int Count() const { return static_cast<int>(pages_.size()); }
  TkvPage *Page(int index) const { return pages_.at(static_cast<size_t>(index)).get(); }

 private:
  TkvReport *report_;
  std::vector<std::unique_ptr<TkvPage>> pages_;
};

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
