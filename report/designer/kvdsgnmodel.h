// What the designer does to a template, without any window: the page
// shown, the selection, moving and resizing, z-order, pages, the
// formatting tool bars' changes, the inspector's rows, the undo history of
// template snapshots and the internal clipboard.
//
// The designer window (kvdesigner.h) and the design surface (kvsurface.h)
// are thin over this: they turn clicks and keys into these calls and show
// the result. Every change made through the designer ends with
// CommitChange, which appends an undo snapshot (the page index and the
// whole template stream); the history is the window's, taken afresh when
// it opens. The clipboard and the reopen list live as long as the program
// (KvDesignerClipboard, KvReopenList): they carry from one opening of the
// designer to the next.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/graphics.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/model/kvclass.h"

namespace report {

class TkvDataset;

// Measuring units of the rulers, the status bar and the inspector.
inline constexpr int kvUnitPixels = 0;
inline constexpr int kvUnitMillimetres = 1;
inline constexpr int kvUnitInches = 2;
// Unit per pixel.
double KvUnitFactor(int unit);

// The font size new memos get until the user chooses one.
inline constexpr int kvDefaultFontSize = 10;

// The most pages a template may hold: an object names its page in one byte.
inline constexpr int kvMaxPages = 256;

// The rectangle between two corner points, whichever way round.
QRect KvSpan(const QPoint &a, const QPoint &b);

// Arrow directions of the keyboard commands.
enum class TkvDirection { Left, Right, Up, Down };

// The bounding box of the selection: left and top are the smallest of the
// selected objects; right and bottom those of the reference object, the
// one with the largest right edge (ties: the larger bottom).
struct TkvSelectionBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  TkvView *Reference = nullptr;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

// What the formatting tool bars set (each tag reads its own part).
struct TkvFormatValue {
  bool On = false;  // frame lines, font styles, rotation
  int Number = 0;   // frame width, font size, alignment
  vcl::TColor Color = vcl::clBlack;
  QString Text;  // font name
};

// Messages the model has for the user (bad inspector values, refused
// pages); the window shows them in a message box.
using TkvDesignerNotice = std::function<void(const QString &text)>;

// The objects copied with Copy or Cut: each object's copy, and after each
// data band the copy of its record source (nullptr when the band named
// none that is known).
class TkvDesignerClipboard {
 public:
  TkvDesignerClipboard();
  ~TkvDesignerClipboard();
  TkvDesignerClipboard(const TkvDesignerClipboard &) = delete;
  TkvDesignerClipboard &operator=(const TkvDesignerClipboard &) = delete;

  bool Empty() const { return entries_.empty(); }
  void Clear();
  struct Entry {
    std::unique_ptr<TkvView> View;
    std::unique_ptr<TkvDataset> Source;
  };
  const std::vector<Entry> &Entries() const { return entries_; }
  void Add(std::unique_ptr<TkvView> view, std::unique_ptr<TkvDataset> source);

 private:
  std::vector<Entry> entries_;
};
// The program's one clipboard of the designer.
TkvDesignerClipboard &KvDesignerClipboard();

// The names of the templates opened or saved last, newest first: at most
// five; a name already listed (letter case aside) keeps its place.
class TkvReopenList {
 public:
  static constexpr int kMax = 5;
  void Add(const QString &file_name);
  const QStringList &Names() const { return names_; }
  void SetNames(const QStringList &names);

 private:
  QStringList names_;
};
TkvReopenList &KvReopenList();

// A new object of the same kind (or add-in class) as `source`, for
// `report`; nullptr for an add-in class no longer registered.
std::unique_ptr<TkvView> KvNewViewLike(const TkvView *source, TkvReport *report);
// A new object of a palette tag: 0 memo, 1 picture, 2 band, 3 sub-report,
// 10 and above the add-in registered under tag - 10.
std::unique_ptr<TkvView> KvNewViewOfTag(int tag, TkvReport *report);
// A copy of a record source: same kind, ranges, dataset, filter.
std::unique_ptr<TkvDataset> KvCopyDataset(const TkvDataset *source, vcl::TComponent *owner);

class TkvDesignerModel {
 public:
  explicit TkvDesignerModel(TkvReport *report);
  ~TkvDesignerModel();
  TkvDesignerModel(const TkvDesignerModel &) = delete;
  TkvDesignerModel &operator=(const TkvDesignerModel &) = delete;

  TkvReport *Report() const { return report_; }

  // ---- pages ----
  int PageCount() const { return report_->Pages().Count(); }
  int PageIndex() const { return page_index_; }
  TkvPage *Page() const;
  // Shows page `index` (clamped): the selection is cleared and the bands
  // regrouped.
  void SetPageIndex(int index);
  // A new empty page at the end, shown; false (and a notice) when the
  // template already holds the most pages it can.
  bool AddPage();
  // Removes the page shown; the only page is emptied instead. Sub-reports
  // follow their pages' new numbers, and those that showed the removed
  // page go with it.
  void RemovePage();
  // Page i of the new order is the page whose number was order[i]; the
  // sub-reports follow their pages.
  void ReorderPages(const std::vector<int> &order);

  // ---- the objects of the page and the selection ----
  std::vector<TkvView *> Views() const;
  std::vector<TkvView *> Selected() const;
  int SelectedCount() const;
  // The one selected object (nullptr unless exactly one is).
  TkvView *SingleSelected() const;
  // The selection word of the command table (kvdsgncmds.h).
  int SelectionWord() const;
  TkvSelectionBox Box() const;
  // The last selected object in list order.
  TkvView *LastSelected() const;
  // The object the user clicked last (the alignments' reference), kept by
  // name so that one deleted since is forgotten; nullptr when no object of
  // the page shown has that name.
  TkvView *Clicked() const;
  void SetClicked(const TkvView *view);
  void ClearSelection();
  void SetSelected(TkvView *view, bool selected);
  void SelectOnly(TkvView *view);
  void SelectAll();
  // Selects every object whose rectangle meets the one between two corner
  // points (edges touching count).
  void SelectIn(const QPoint &a, const QPoint &b);
  // The topmost object at a point (its region), or nullptr.
  TkvView *ObjectAt(int x, int y) const;
  TkvView *FindObject(const QString &name) const;
  // The unselected non-band object nearest to the single selected one in
  // a direction (nullptr when there is none).
  TkvView *Nearest(TkvDirection direction) const;

  // ---- changes (the caller commits) ----
  void MoveSelected(int dx, int dy);
  void ResizeSelected(int dw, int dh);
  // Makes negative sizes positive, the position moving back by as much.
  static void Normalize(TkvView *view);
  // Every selected object scaled into the box's new size from its top-left
  // corner, so that shared edges stay shared; a box of no size keeps that
  // axis as it is.
  void ResizeGroup(const TkvSelectionBox &old_box, int new_width, int new_height);
  void DeleteSelected();
  void BringToFront();
  void SendToBack();
  // Band views first (the overlay band first of all, the table bands after
  // the other bands), then the other objects, each group in its order.
  void RegroupBands();
  // Applies a formatting tool bar's control to every selected object
  // except bands (tags 7-18 and 22 to memos only).
  void ApplyFormat(int tag, const TkvFormatValue &value);
  // A new object of a palette tag between two corner points (a rectangle
  // of no width or height gives 120 x 16 for a memo, 120 x 48 for others),
  // selected alone, framed; `band_type` for bands. A sub-report gets a new
  // page. nullptr when nothing could be inserted.
  TkvView *Insert(int tag, const QPoint &a, const QPoint &b, int band_type = btMasterData);
  // Every band type from 0 to 20 is on the page already.
  bool AllBandTypesUsed() const;
  // The font new memos get.
  QString NewMemoFontName;
  int NewMemoFontSize = kvDefaultFontSize;

  // ---- the inspector's rows ----
  enum Row { rowName, rowX, rowY, rowWidth, rowHeight, rowVisible, rowText, kRowCount };
  static QStringList RowNames();
  int Unit() const { return unit_; }
  void SetUnit(int unit);
  // The value a row shows for the single selected object ("" without one).
  QString RowValue(int row) const;
  // Applies a typed value to the single selected object; false when it was
  // refused (a notice told why). `shown` becomes what the row shows.
  bool ApplyRow(int row, const QString &text, QString &shown);
  // A pixel value in the unit ("0.##"), and the status bar's form (two
  // decimals).
  QString InUnit(int pixels) const;

  // ---- undo ----
  // Appends a snapshot of the template as it is now (dropping the redo tail).
  void CommitChange();
  // Drops the history and takes snapshot 0 of the template as it is.
  void ClearUndo();
  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ + 1 < static_cast<int>(snapshots_.size()); }
  // The template differs from snapshot 0 by the history.
  bool Modified() const { return index_ > 0; }
  int SnapshotCount() const { return static_cast<int>(snapshots_.size()); }
  bool Undo();
  bool Redo();
  // Back to snapshot 0 (the template as opened), history kept.
  void RestoreOpened();
  // Called after a snapshot was restored (the page list may have changed).
  std::function<void()> OnRestored;

  // ---- clipboard ----
  void Copy();
  void Cut();
  // Pastes the clipboard onto the page; `visible_top` is the page's first
  // visible row when the surface is scrolled (0 otherwise). The pasted
  // objects are selected; false when nothing was pasted.
  bool Paste(int visible_top = 0);

  TkvDesignerNotice OnNotice;

 private:
  void Notice(const QString &text) const;
  // Appends the page index and the template as they are now to the
  // history, as its current snapshot.
  void SaveUndoSnapshot();
  // Brings back the page index and the template of the current snapshot.
  void RestoreUndoSnapshot();
  void Renumber(const std::vector<int> &new_index_of_old);
  bool SetCoordinate(TkvView *view, int row, const QString &text, QString &shown);

  TkvReport *report_;
  int page_index_ = 0;
  int unit_ = kvUnitMillimetres;
  QString clicked_;
  std::vector<QByteArray> snapshots_;
  int index_ = -1;
};

}  // namespace report
