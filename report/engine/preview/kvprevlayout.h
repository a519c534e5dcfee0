// Where the preview puts the finished pages: their size at a zoom, the
// rows they stand in (one page a row, or two side by side), the page at
// the top of the view, the scroll ranges, the zoom that fits a page's
// width, a whole page or two pages into the panel, and the zoom box's text.
//
// This is the preview's logic without its window: TStandardPreview keeps
// one and asks it where to paint and where to scroll.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace report {

struct TkvEMFPage;

// How the zoom is chosen: a percentage, or fitted to the panel.
enum TkvZoomMode { zmPercent = 0, zmPageWidth = 1, zmOnePage = 2, zmTwoPages = 3 };

class TkvPreviewLayout {
 public:
  // The zoom stays between these, so that a page is never drawn at a size
  // no screen can hold.
  static constexpr double kMinZoom = 10.0;
  static constexpr double kMaxZoom = 1000.0;
  static constexpr int kBorder = 10;  // around the pages
  static constexpr int kGap = 12;     // between rows
  // Above this horizontal range a new zoom starts at the left, below it in
  // the middle.
  static constexpr int kCentreBelow = 70;
  static constexpr int kDefaultPanelWidth = 800;
  static constexpr int kDefaultPanelHeight = 600;

  // A page's size in pixels at 100%: its paper at 794 pixels for 210 mm,
  // turned for landscape.
  static QSize PageSize100(const TkvEMFPage &page);

  // The pages shown (their sizes at 100%); positions go back to the top.
  void SetPages(std::vector<QSize> sizes);
  int PageCount() const { return int(sizes_.size()); }
  // The largest width and height over all pages, at 100%.
  QSize LargestPage() const { return largest_; }

  void SetPanelSize(QSize size) { panel_ = size; }
  QSize PanelSize() const { return panel_; }

  double Zoom() const { return zoom_; }
  TkvZoomMode Mode() const { return mode_; }
  // Sets the zoom (kept within the limits) keeping the view at the same
  // place of the current page; the horizontal position goes to the left
  // when there is much to scroll, else to the middle.
  void SetZoom(double zoom);
  // Sets the mode and, for a fitted mode, the zoom it gives.
  void SetMode(TkvZoomMode mode);
  // The zoom the mode gives for the panel (the current zoom for zmPercent
  // or when there is no page).
  double ZoomOfMode(TkvZoomMode mode) const;
  // After a resize: the fitted modes fit again.
  void Refit();

  // A page's size at the current zoom.
  QSize ZoomedSize(int index) const;
  // A page's rectangle on the panel at the current positions.
  QRect PageRect(int index) const;
  // The pages that stand in the same row as `index` (itself, or a pair).
  bool TwoPages() const { return mode_ == zmTwoPages; }

  // Scrolling: positions and their ranges (0 when everything fits).
  int VPos() const { return vpos_; }
  int HPos() const { return hpos_; }
  void SetVPos(int pos);
  void SetHPos(int pos);
  int VRange() const;
  int HRange() const;

  // The 1-based page at the top of the view (0 without pages); in two-page
  // mode the left page of its row.
  int CurrentPage() const;
  // Scrolls so that page `n` (1-based) is at the top.
  void ShowPage(int n);
  // The next and previous page (by rows in two-page mode), within range.
  int NextPage() const;
  int PrevPage() const;

  // "Pagina 3/12" followed by ten blanks.
  QString CounterText() const;
  // The zoom box's text for the zoom: the integer part and one decimal
  // with the locale's decimal separator, then "%".
  static QString ZoomText(double zoom);
  // What the zoom box says: a mode's name selects the mode; otherwise a
  // number (a trailing "%" dropped, the locale's separator) above 0 is a
  // percentage. False when the text is neither.
  static bool ParseZoomText(const QString &text, TkvZoomMode &mode, double &zoom);
  // The zoom box's items: percentages, then the three modes.
  static const QStringList &ZoomItems();

 private:
  // The top of each row at the current zoom (positions not subtracted) and
  // the total height.
  int RowTop(int index) const;
  int TotalHeight() const;

  std::vector<QSize> sizes_;
  QSize largest_;
  QSize panel_{kDefaultPanelWidth, kDefaultPanelHeight};
  double zoom_ = 100.0;
  TkvZoomMode mode_ = zmPercent;
  int vpos_ = 0;
  int hpos_ = 0;
};

}  // namespace report
