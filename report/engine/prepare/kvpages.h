// Template pages of a report; with them, the run-time bands (kvband.h) and
// the finished pages (kvemfpages.h) that preparing them makes.
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

#include "report/engine/model/kvclass.h"
#include "report/engine/prepare/kvband.h"
#include "report/engine/prepare/kvemfpages.h"
#include "report/engine/print/kvprntr.h"

namespace report {

class TkvDataset;
class TkvPage;
class TkvPreparePass;

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
  ~TkvPages();
  TkvPages(TkvPages &&) = default;
  TkvPages &operator=(TkvPages &&other) noexcept;
  TkvPage *AddPage();
  // The pages go as a whole: their bands keep the report's record sources.
  void Clear();
  void Delete(int index);
  // Page i becomes the page that was at order[i]; an order that is not a
  // permutation of the pages changes nothing.
  void Reorder(const std::vector<int> &order);
  int Count() const { return static_cast<int>(pages_.size()); }
  TkvPage *Page(int index) const { return pages_.at(static_cast<size_t>(index)).get(); }

 private:
  TkvReport *report_;
  std::vector<std::unique_ptr<TkvPage>> pages_;
};

}  // namespace report
