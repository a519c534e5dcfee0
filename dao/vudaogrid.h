// The DAO library's data grid: the platform grid over a TVuDaoTable with a
// pop-up menu of table commands (reached through the top-left corner cell or
// Ctrl+letter keys), check boxes for Boolean fields, automatic column widths,
// multi-record selection and a clipboard of its own that carries whole
// records between grids ("HEX Recordset") besides plain text.
//
// The index, sort, filter, find and seek dialogs, the column chooser and the
// table exports belong to the table dialogs; the grid reaches them only
// through GridServices(), so it works (without those commands) before they
// are installed, and a form or a test can put its own in their place.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"

#include "platform/vcl/db/db.h"
#include "platform/vcl/dbctrls/dbgrids.h"
#include "platform/vcl/menus.h"

namespace dao {

class TVuDaoTable;
class TVuDaoDBGrid;

ORBISCA_ENUM(ExOptionsEnum, exoRowSizing, exoWrapTitles, exoLoadAllRecords, exoSelectCheckBoxes)
using ExOptionsSet = vcl::TEnumSet<ExOptionsEnum>;

// The dialogs and exports the grid's commands call. A dialog answers true
// when the user confirmed it and it succeeded (a find that found).
struct TVuDaoGridServices {
  std::function<bool(TVuDaoTable *table)> SelectIndex;
  // Edits the sort lines; true on OK.
  std::function<bool(TVuDaoTable *table, QStringList &sorted_by)> Sort;
  // Edits the filter; `state` is kept by the grid between calls.
  std::function<bool(TVuDaoTable *table, QStringList &state, QString &filter)> Filter;
  std::function<bool(TVuDaoTable *table)> Find;
  std::function<bool(TVuDaoTable *table)> Seek;
  std::function<bool(TVuDaoTable *table, vcl::TField *field)> QuickFind;
  std::function<bool(TVuDaoTable *table)> QuickSeek;
  std::function<void(TVuDaoDBGrid *grid)> ChooseColumns;
  std::function<void(TVuDaoTable *table, TVuDaoDBGrid *grid, const QString &default_dir)> SaveAs;
  std::function<void(TVuDaoTable *table, const QString &file, const QString &sheet)> ExportExcel;
  std::function<void(TVuDaoTable *table, const QString &file)> ExportHTML;
};
TVuDaoGridServices &GridServices();

// The clipboard texts as the paste reads them: lines split at CR LF (or
// LF) without a trailing empty one; plain-text lines with quoted line
// breaks joined and the quotes taken off; a hex value decoded (empty when
// it is not pairs of hexadecimal digits).
QStringList SplitClipboardLines(const QString &block);
QStringList PastedTextLines(const QStringList &lines);
QString HexText(const QString &hex);

// What the mail command says when the desktop has no mail program.
inline const QString kNoMailProgram =
    QStringLiteral("Impossibile spedire i dati: sul computer non c'è un programma di posta elettronica.");

// The registered clipboard format of whole records.
inline const QString kHexRecordsetFormat = QStringLiteral("HEX Recordset");

class TVuDaoDBGrid : public vcl::TDBGrid {
  ORBISCA_CLASS(TVuDaoDBGrid, vcl::TDBGrid)

 public:
  // Menu item indexes.
  enum MenuItem {
    miSelectIndex = 0,
    miSort = 1,
    miFilter = 2,
    miFind = 4,
    miSeek = 5,
    miQuickFind = 6,
    miQuickSeek = 7,
    miFastLookup = 9,
    miShowMemos = 10,
    miShowGUIDs = 11,
    miFrameIndexFields = 12,
    miAutoSizeColumns = 13,
    miChooseColumns = 14,
    miSaveAs = 16,
    miMail = 17,
    miSelectAll = 19,
    miDeselectAll = 20,
    miCut = 21,
    miCopy = 22,
    miPaste = 23,
    miOfficeClipboard = 24
  };
  static constexpr int kMenuItemCount = 25;
  static QStringList DefaultMenuTitles();

  explicit TVuDaoDBGrid(vcl::TComponent *owner);
  ~TVuDaoDBGrid() override;

  bool AutoSizeColumns() const { return auto_size_columns_; }
  void SetAutoSizeColumns(bool value);
  ExOptionsSet ExOptions() const { return ex_options_; }
  void SetExOptions(ExOptionsSet value);
  bool FindFieldsOnPaste() const { return find_fields_on_paste_; }
  void SetFindFieldsOnPaste(bool value) { find_fields_on_paste_ = value; }
  bool ShowGridMenu() const { return show_grid_menu_; }
  void SetShowGridMenu(bool value);
  bool ShowCheckBoxes() const { return show_check_boxes_; }
  void SetShowCheckBoxes(bool value);
  bool OfficeClipboardFormat() const { return office_clipboard_format_; }
  void SetOfficeClipboardFormat(bool value);
  QStringList MenuTitles() const { return menu_titles_; }
  void SetMenuTitles(const QStringList &titles);
  // The titles as the published string list; a change of its lines is a
  // change of the titles.
  rtl::TStrings *MenuTitlesStrings() const { return titles_list_.get(); }
  void SetMenuTitlesStrings(const rtl::TStrings *titles);
  bool FrameIndexFields() const { return frame_index_fields_; }
  void SetFrameIndexFields(bool value);
  QString DefaultExportDir() const { return default_export_dir_; }
  void SetDefaultExportDir(const QString &dir) { default_export_dir_ = dir; }

  vcl::TPopupMenu *OptionsMenu() const { return menu_; }
  // A column counts as hidden while its width is 0; showing it again gives
  // it back the width it had.
  bool ColumnVisible(int index) const { return Columns(index)->Width() > 0; }
  void SetColumnVisible(int index, bool visible);
  // The bound table when it is open and browsing, else nullptr.
  TVuDaoTable *BrowsingTable() const;

  // --- selection of records -----------------------------------------------------------
  bool MultiSelect() const { return Options().Contains(vcl::dgMultiSelect); }
  void SetMultiSelect(bool value);
  // The selected records' bookmarks, in the order they were selected.
  const std::vector<vcl::TBookmark> &SelectedRows() const { return selected_rows_; }
  bool RowSelected(const vcl::TBookmark &bookmark) const;
  void SetRowSelected(const vcl::TBookmark &bookmark, bool selected);
  void ClearSelection();

  // --- commands (the menu's, also run by code) -----------------------------------------
  void SelectIndex();
  void SortDialog();
  void FilterDialog();
  void FindDialog();
  void SeekDialog();
  void QuickFindDialog();
  void QuickSeekDialog();
  void ToggleFastLookup();
  void ToggleShowMemos();
  void ToggleShowGUIDs();
  void ToggleFrameIndexFields();
  void ToggleAutoSizeColumns();
  void ChooseVisibleColumns();
  void SaveAsExport();
  void MailAsXlsHtml();
  void SelectAll();
  void DeselectAll();
  void CutRecords();
  void CopyRecords();
  void PasteRecords();
  void ToggleOfficeClipboard();

  // Sets the menu items' states as a pop-up does.
  void PrepareMenu();
  // Pops the menu up below the corner cell.
  void PopupGridMenu();

  // The text of each clipboard format CopyRecords would put there, for the
  // current selection (tests and callers that keep their own clipboard).
  QString RecordsText(const std::vector<vcl::TBookmark> &rows) const;
  QString RecordsHex(const std::vector<vcl::TBookmark> &rows) const;

  void Loaded() override;
  void LinkActiveChanged() override;
  void LinkDataChanged() override;

  // Width of the sort-direction mark a table's titles make room for, and
  // the side of a drawn check box.
  static constexpr int kSortMarkWidth = 9;
  static constexpr int kCheckBoxSize = 13;
  // The width of the menu glyph drawn in the corner cell.
  static constexpr int kMenuGlyphWidth = 7;
  static constexpr int kMenuGlyphHeight = 6;
  bool CornerPressed() const { return corner_pressed_; }
  // Whether the indicator column shows the rows' selection boxes.
  bool SelectCheckBoxes() const;
  // The last press toggled a check box: the double click it starts does not
  // toggle it back.
  bool box_toggled_ = false;

 protected:
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void DblClick() override;
  void DrawColumnCell(const vcl::TRect &rect, int row, int column, bool highlighted) override;
  void DrawTitleCell(const vcl::TRect &rect, int column) override;
  // The corner shows the menu glyph, raised, or sunken while pressed.
  void DrawCornerCell(const vcl::TRect &rect) override;
  // With exoSelectCheckBoxes each row's indicator is its selection box.
  void DrawIndicatorCell(const vcl::TRect &rect, int row, bool current) override;
  // The user sized the rows: with exoRowSizing their height is kept.
  void RowHeightsChanged() override;

 public:
  // The sort mark a column's title shows: 1 ascending, -1 descending, 0
  // none (only table recordsets with an index mark their key columns).
  int SortMark(int column) const;

 private:
 private:
  void RunItem(int index);
  bool ItemUsable(int index) const;
  void ApplyAutoSize();
  void ApplyExOptions();
  // With exoLoadAllRecords the grid holds every record of a browsing table;
  // without, the rows that fit.
  void ApplyLoadAll();
  // With exoWrapTitles the title row is as tall as the tallest wrapped
  // title plus 4 pixels; without, a row's height.
  void UpdateTitleHeight();
  int WrappedTitleHeight(int column) const;
  void SetCheckMarks();
  bool CheckBoxColumn(vcl::TField *field) const;
  bool CanToggle(vcl::TField *field) const;
  // A check-box column is toggled, never edited as text.
  bool CanEditShow() const override;
  void ToggleBoolean(vcl::TField *field);
  std::vector<vcl::TBookmark> RowsToCopy() const;
  std::vector<vcl::TField *> DataFieldsOfColumns() const;
  int TextWidth(const QString &text) const;
  int TextHeightOfI() const;
  bool Confirm(const QString &what, int count) const;
  void PasteHex(const QString &block);
  void PasteText(const QString &block, bool header);
  void DeleteSelected();
  // Hides dataset fields the grid does not show (and shows the ones it
  // does) for an export; the returned list undoes it.
  std::vector<std::pair<vcl::TField *, bool>> ArrangeExportFields();

  vcl::TPopupMenu *menu_ = nullptr;
  bool auto_size_columns_ = false;
  ExOptionsSet ex_options_;
  bool find_fields_on_paste_ = false;
  bool show_grid_menu_ = true;
  bool show_check_boxes_ = true;
  bool office_clipboard_format_ = false;
  QStringList menu_titles_;
  std::unique_ptr<rtl::TStringList> titles_list_;
  bool syncing_titles_ = false;
  void SyncTitlesList();
  bool frame_index_fields_ = false;
  QString default_export_dir_;
  QStringList filter_state_;
  bool corner_pressed_ = false;
  bool select_all_set_multi_ = false;
  int saved_row_height_ = -1;
  std::vector<vcl::TBookmark> selected_rows_;
  std::vector<std::pair<QString, int>> remembered_widths_;
  std::vector<std::pair<QString, int>> hidden_widths_;
  void DrawCheckBox(const vcl::TRect &cell, bool checked, vcl::TColor back);
  void UpdateIndicatorWidth();
};

}  // namespace dao
