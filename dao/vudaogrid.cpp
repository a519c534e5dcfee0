// The DAO library's data grid (see vudaogrid.h).
#include "dao/vudaogrid.h"

#include "dao/vudaogrid_private.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QUrl>
#include <algorithm>
#include <optional>

#include "dao/vudaodatetime.h"
#include "dao/vudaodlgs.h"
#include "dao/vudaoexpdlg.h"
#include "dao/vudaoexport.h"
#include "dao/vudaotable.h"
#include "platform/jet/jetconst.h"
#include "platform/os/shell.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/dbctrls/dbctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/graphics.h"

namespace dao {

using grid_private::GoBack;
using grid_private::QuietGrid;

using vcl::TField;

namespace {
TGridColumns ColumnsOf(TVuDaoDBGrid *grid) {
  TGridColumns columns;
  columns.Count = [grid] { return grid->ColumnCount(); };
  columns.Title = [grid](int i) { return grid->Columns(i)->Title(); };
  columns.Visible = [grid](int i) { return grid->ColumnVisible(i); };
  columns.SetVisible = [grid](int i, bool v) { grid->SetColumnVisible(i, v); };
  return columns;
}
}  // namespace

// The library's own table dialogs and exports are the defaults; a program
// may put others in their place.
TVuDaoGridServices &GridServices() {
  static TVuDaoGridServices services = [] {
    TVuDaoGridServices s;
    s.SelectIndex = [](TVuDaoTable *table) {
      TVuDaoSelectIndex dialog;
      QString name = table->IndexName();
      if (!dialog.Execute(table, name)) return false;
      table->SetIndexName(name);
      return true;
    };
    s.Sort = [](TVuDaoTable *table, QStringList &sorted_by) {
      TVuDaoSortByDialog dialog;
      return dialog.Execute(table->GetFieldNames(), sorted_by, table->UseBrackets());
    };
    s.Filter = [](TVuDaoTable *table, QStringList &state, QString &filter) {
      TVuDaoFilterBy dialog;
      return dialog.Execute(table, filter, state);
    };
    s.Find = [](TVuDaoTable *table) {
      TVudaoFindSeekDialog dialog;
      return dialog.Execute(table, false);
    };
    s.Seek = [](TVuDaoTable *table) {
      TVudaoFindSeekDialog dialog;
      return dialog.Execute(table, true);
    };
    s.QuickFind = [](TVuDaoTable *table, vcl::TField *field) {
      TQFS dialog;
      return dialog.Execute(table, false, field->FieldName());
    };
    s.QuickSeek = [](TVuDaoTable *table) {
      TQFS dialog;
      return dialog.Execute(table, true, QString());
    };
    s.ChooseColumns = [](TVuDaoDBGrid *grid) {
      TCVC dialog;
      dialog.Execute(ColumnsOf(grid));
    };
    s.SaveAs = [](TVuDaoTable *table, TVuDaoDBGrid *grid, const QString &dir) {
      TSAS dialog;
      dialog.SetDefaultExportDir(dir);
      const TGridColumns columns = ColumnsOf(grid);
      dialog.Execute(table, &columns);
    };
    s.ExportExcel = [](TVuDaoTable *table, const QString &file, const QString &sheet) {
      ExportToExcel(table, file, sheet, true, false, 8);
    };
    s.ExportHTML = [](TVuDaoTable *table, const QString &file) { ExportToHTML(table, file, true, false); };
    return s;
  }();
  return services;
}

QStringList TVuDaoDBGrid::DefaultMenuTitles() {
  return {QStringLiteral("Select Index\tCtrl+I"),
          QStringLiteral("Sort"),
          QStringLiteral("Filter"),
          QStringLiteral("-"),
          QStringLiteral("Find"),
          QStringLiteral("Seek"),
          QStringLiteral("Quick Find"),
          QStringLiteral("Quick Seek"),
          QStringLiteral("-"),
          QStringLiteral("Fast Lookup\tCtrl+L"),
          QStringLiteral("Show Memos\tCtrl+M"),
          QStringLiteral("Show GUID's\tCtrl+G"),
          QStringLiteral("Frame Index Fields\tCtrl+R"),
          QStringLiteral("Auto Size Columns\tCtrl+Z"),
          QStringLiteral("Choose Visible Columns\tCtrl+O"),
          QStringLiteral("-"),
          QStringLiteral("Save as - export\tCtrl+S"),
          QStringLiteral("Mail as XLS/HTML\tCtrl+T"),
          QStringLiteral("-"),
          QStringLiteral("Select All\tCtrl+A"),
          QStringLiteral("Deselect All\tCtrl+N"),
          QStringLiteral("Cut\tCtrl+X"),
          QStringLiteral("Copy\tCtrl+C"),
          QStringLiteral("Paste\tCtrl+V"),
          QStringLiteral("Office-compatible Clipboard")};
}

TVuDaoDBGrid::TVuDaoDBGrid(vcl::TComponent *owner)
    : vcl::TDBGrid(owner), menu_titles_(DefaultMenuTitles()), titles_list_(std::make_unique<rtl::TStringList>()) {
  titles_list_->OnChange = [this](rtl::TObject *) {
    if (syncing_titles_) return;
    menu_titles_ = titles_list_->ToStringList();
    if (!ComponentState().Contains(vcl::csLoading)) Loaded();
  };
  SetOptions(Options() + vcl::TDBGridOptions{vcl::dgEditing});
  menu_ = new vcl::TPopupMenu(this);
  menu_->SetName(QStringLiteral("OptionsMenu"));
  for (int i = 0; i < kMenuItemCount; ++i) {
    auto *item = new vcl::TMenuItem(menu_);
    item->OnClick = [this, i](rtl::TObject *) { RunItem(i); };
    menu_->Items()->Add(item);
  }
  // A grid made in code is never loaded: its items get their titles now.
  Loaded();
}

TVuDaoDBGrid::~TVuDaoDBGrid() = default;

void TVuDaoDBGrid::Loaded() {
  vcl::TDBGrid::Loaded();
  if (menu_titles_.size() != kMenuItemCount) menu_titles_ = DefaultMenuTitles();
  SyncTitlesList();
  for (int i = 0; i < kMenuItemCount; ++i) {
    QString title = menu_titles_[i];
    const bool hidden = title.startsWith(QLatin1Char('!'));
    if (hidden) title.remove(0, 1);
    menu_->Items()->Items(i)->SetCaption(title);
    menu_->Items()->Items(i)->SetVisible(!hidden);
  }
  if (AutoSizeColumns()) ApplyAutoSize();
}

void TVuDaoDBGrid::SetMenuTitles(const QStringList &titles) {
  menu_titles_ = titles;
  SyncTitlesList();
  if (!ComponentState().Contains(vcl::csLoading)) Loaded();
}

void TVuDaoDBGrid::SetMenuTitlesStrings(const rtl::TStrings *titles) {
  SetMenuTitles(titles != nullptr ? titles->ToStringList() : QStringList());
}

void TVuDaoDBGrid::SyncTitlesList() {
  if (titles_list_ == nullptr || titles_list_->ToStringList() == menu_titles_) return;
  syncing_titles_ = true;
  titles_list_->Clear();
  titles_list_->AddStrings(menu_titles_);
  syncing_titles_ = false;
}

void TVuDaoDBGrid::SetShowGridMenu(bool value) {
  show_grid_menu_ = value;
  Invalidate();
}

void TVuDaoDBGrid::SetShowCheckBoxes(bool value) {
  const bool was = show_check_boxes_;
  show_check_boxes_ = value;
  if (!ComponentState().Contains(vcl::csLoading) && was && Options().Contains(vcl::dgTitles) &&
      !Options().Contains(vcl::dgEditing))
    SetOptions(Options() + vcl::TDBGridOptions{vcl::dgEditing});
  Invalidate();
}

void TVuDaoDBGrid::SetFrameIndexFields(bool value) {
  frame_index_fields_ = value;
  menu_->Items()->Items(miFrameIndexFields)->SetChecked(value);
  Invalidate();
}

void TVuDaoDBGrid::SetOfficeClipboardFormat(bool value) {
  office_clipboard_format_ = value;
  menu_->Items()->Items(miOfficeClipboard)->SetChecked(value);
}

void TVuDaoDBGrid::SetAutoSizeColumns(bool value) {
  if (value == auto_size_columns_) return;
  auto_size_columns_ = value;
  menu_->Items()->Items(miAutoSizeColumns)->SetChecked(value);
  if (ComponentState().Contains(vcl::csLoading)) return;
  const bool was_visible = Visible();
  SetVisible(false);
  if (value) {
    remembered_widths_.clear();
    for (int i = 0; i < ColumnCount(); ++i)
      if (Columns(i)->Field() != nullptr) remembered_widths_.emplace_back(Columns(i)->FieldName(), Columns(i)->Width());
    ApplyAutoSize();
  } else {
    for (int i = 0; i < ColumnCount(); ++i) {
      vcl::TColumn *col = Columns(i);
      auto it = std::find_if(remembered_widths_.begin(), remembered_widths_.end(),
                             [&](const auto &w) { return w.first == col->FieldName(); });
      if (it != remembered_widths_.end())
        col->SetWidth(it->second);
      else
        remembered_widths_.emplace_back(col->FieldName(), col->Width());
    }
  }
  if (was_visible) SetVisible(true);
}

void TVuDaoDBGrid::SetExOptions(ExOptionsSet value) {
  const bool sizing_was = ex_options_.Contains(exoRowSizing);
  ex_options_ = value;
  UpdateIndicatorWidth();
  if (ComponentState().Contains(vcl::csLoading) || BrowsingTable() == nullptr) return;
  if (sizing_was && !value.Contains(exoRowSizing)) {
    saved_row_height_ = -1;
    SetDefaultRowHeight(TextHeightOfI() + 4);
  }
  ApplyExOptions();
}

int TVuDaoDBGrid::TextHeightOfI() const { return QFontMetrics(Font()->ToQFont()).height(); }

void TVuDaoDBGrid::ApplyExOptions() {
  SetRowSizing(ex_options_.Contains(exoRowSizing));
  if (ex_options_.Contains(exoRowSizing) && saved_row_height_ > 0) SetDefaultRowHeight(saved_row_height_);
  UpdateTitleHeight();
  ApplyLoadAll();
  Invalidate();
}

// One row more than the table counts is asked for, so that loading meets
// the table's end and the table knows its count from then on.
void TVuDaoDBGrid::ApplyLoadAll() {
  if (!ex_options_.Contains(exoLoadAllRecords)) {
    SetLoadedRowCount(0);
    return;
  }
  TVuDaoTable *table = BrowsingTable();
  if (table == nullptr) return;
  int count = -1;
  rtl::IgnoreFailure("a table that cannot count its records shows the rows that fit",
                     [&] { count = table->RecordCount(); });
  SetLoadedRowCount(count > 0 ? count + 1 : 0);
}

// Appended and deleted records change what every record is; an option
// switched off while a record was edited takes effect once it is posted.
void TVuDaoDBGrid::LinkDataChanged() {
  if ((ex_options_.Contains(exoLoadAllRecords) || LoadedRowCount() > 0) && !ComponentState().Contains(vcl::csLoading) &&
      BrowsingTable() != nullptr)
    ApplyLoadAll();
  vcl::TDBGrid::LinkDataChanged();
}

void TVuDaoDBGrid::RowHeightsChanged() {
  if (ex_options_.Contains(exoRowSizing)) saved_row_height_ = DefaultRowHeight();
  UpdateTitleHeight();
}

int TVuDaoDBGrid::WrappedTitleHeight(int column) const {
  const QRect room(0, 0, std::max(1, Columns(column)->Width() - 2), 0);
  return QFontMetrics(Font()->ToQFont())
      .boundingRect(room, Qt::TextWordWrap | Qt::TextExpandTabs, Columns(column)->Title())
      .height();
}

void TVuDaoDBGrid::UpdateTitleHeight() {
  if (!ex_options_.Contains(exoWrapTitles)) {
    SetTitleRowHeight(0);
    return;
  }
  int tallest = 0;
  for (int i = 0; i < ColumnCount(); ++i) tallest = std::max(tallest, WrappedTitleHeight(i));
  SetTitleRowHeight(std::max(tallest + 4, DefaultRowHeight()));
}

void TVuDaoDBGrid::SetMultiSelect(bool value) {
  if (value)
    SetOptions(Options() + vcl::TDBGridOptions{vcl::dgMultiSelect});
  else {
    SetOptions(Options() - vcl::TDBGridOptions{vcl::dgMultiSelect});
    selected_rows_.clear();
  }
  UpdateIndicatorWidth();
}

void TVuDaoDBGrid::SetColumnVisible(int index, bool visible) {
  vcl::TColumn *col = Columns(index);
  if (visible == ColumnVisible(index)) return;
  auto it = std::find_if(hidden_widths_.begin(), hidden_widths_.end(),
                         [&](const auto &w) { return w.first == col->FieldName(); });
  if (!visible) {
    if (it != hidden_widths_.end())
      it->second = col->Width();
    else
      hidden_widths_.emplace_back(col->FieldName(), col->Width());
    col->SetWidth(0);
  } else {
    col->SetWidth(it != hidden_widths_.end() && it->second > 0 ? it->second : 64);
  }
}

bool TVuDaoDBGrid::RowSelected(const vcl::TBookmark &bookmark) const {
  return std::find(selected_rows_.begin(), selected_rows_.end(), bookmark) != selected_rows_.end();
}

void TVuDaoDBGrid::SetRowSelected(const vcl::TBookmark &bookmark, bool selected) {
  if (bookmark.isEmpty()) return;
  auto it = std::find(selected_rows_.begin(), selected_rows_.end(), bookmark);
  if (selected && it == selected_rows_.end()) selected_rows_.push_back(bookmark);
  if (!selected && it != selected_rows_.end()) selected_rows_.erase(it);
  Invalidate();
}

void TVuDaoDBGrid::ClearSelection() {
  selected_rows_.clear();
  Invalidate();
}

TVuDaoTable *TVuDaoDBGrid::BrowsingTable() const {
  vcl::TDataSource *source = DataSource();
  auto *table = source != nullptr ? dynamic_cast<TVuDaoTable *>(source->DataSet()) : nullptr;
  if (table == nullptr || !table->Active() || table->State() != vcl::dsBrowse) return nullptr;
  return table;
}

int TVuDaoDBGrid::TextWidth(const QString &text) const {
  return QFontMetrics(Font()->ToQFont()).horizontalAdvance(text);
}

// --- the link and the menu ----------------------------------------------------------------

void TVuDaoDBGrid::LinkActiveChanged() {
  // A closed table holds no records; the next one opens with the rows that
  // fit until the options say more.
  if (!DataLink()->Active()) SetLoadedRowCount(0);
  vcl::TDBGrid::LinkActiveChanged();
  selected_rows_.clear();
  vcl::TDataSource *source = DataSource();
  auto *table = source != nullptr ? dynamic_cast<TVuDaoTable *>(source->DataSet()) : nullptr;
  if (table == nullptr) return;
  // Room for the sort mark in every title.
  if (table->TableType() == jet::dbOpenTable)
    for (int i = 0; i < ColumnCount(); ++i) Columns(i)->SetWidth(Columns(i)->Width() + kSortMarkWidth);
  if (BrowsingTable() != nullptr) {
    SetCheckMarks();
    if (!ex_options_.Empty()) ApplyExOptions();
    if (auto_size_columns_) ApplyAutoSize();
  }
}

void TVuDaoDBGrid::SetCheckMarks() {
  TVuDaoTable *table = BrowsingTable();
  if (table == nullptr) return;
  menu_->Items()->Items(miShowMemos)->SetChecked(table->CacheMemos());
  menu_->Items()->Items(miShowGUIDs)->SetChecked(table->ShowGUID());
  menu_->Items()->Items(miAutoSizeColumns)->SetChecked(auto_size_columns_);
  menu_->Items()->Items(miOfficeClipboard)->SetChecked(office_clipboard_format_);
}

void TVuDaoDBGrid::PrepareMenu() {
  TVuDaoTable *table = BrowsingTable();
  if (table == nullptr) return;
  auto item = [&](int i) { return menu_->Items()->Items(i); };
  for (int i = 0; i < kMenuItemCount; ++i) item(i)->SetEnabled(true);
  if (table->TableType() == jet::dbOpenTable) {
    for (int i : {miSort, miFilter, miFind, miQuickFind}) item(i)->SetEnabled(false);
    if (table->IndexFieldCount() == 0)
      for (int i : {miSeek, miQuickSeek, miFrameIndexFields}) item(i)->SetEnabled(false);
  } else {
    for (int i : {miSelectIndex, miSeek, miQuickSeek, miFrameIndexFields}) item(i)->SetEnabled(false);
  }
  SetCheckMarks();
  if (table->IsEmpty())
    for (int i : {miSaveAs, miSelectAll, miDeselectAll, miCut, miCopy}) item(i)->SetEnabled(false);
  if (!table->CanModify() || ReadOnly())
    for (int i : {miCut, miCopy}) item(i)->SetEnabled(false);
  for (int i = 0; i < kMenuItemCount; ++i) item(i)->SetVisible(!menu_titles_.value(i).startsWith(QLatin1Char('!')));
}

void TVuDaoDBGrid::PopupGridMenu() {
  if (!show_grid_menu_ || BrowsingTable() == nullptr) return;
  PrepareMenu();
  const vcl::TRect corner = vcl::Rect(0, 0, IndicatorWidth(), TitleHeight());
  const vcl::TPoint at = ClientToScreen(vcl::Point(corner.Left, corner.Bottom));
  menu_->Popup(at.X, at.Y);
}

bool TVuDaoDBGrid::ItemUsable(int index) const {
  const vcl::TMenuItem *item = menu_->Items()->Items(index);
  return item->Visible() && item->Enabled();
}

void TVuDaoDBGrid::RunItem(int index) {
  switch (index) {
    case miSelectIndex:
      SelectIndex();
      break;
    case miSort:
      SortDialog();
      break;
    case miFilter:
      FilterDialog();
      break;
    case miFind:
      FindDialog();
      break;
    case miSeek:
      SeekDialog();
      break;
    case miQuickFind:
      QuickFindDialog();
      break;
    case miQuickSeek:
      QuickSeekDialog();
      break;
    case miFastLookup:
      ToggleFastLookup();
      break;
    case miShowMemos:
      ToggleShowMemos();
      break;
    case miShowGUIDs:
      ToggleShowGUIDs();
      break;
    case miFrameIndexFields:
      ToggleFrameIndexFields();
      break;
    case miAutoSizeColumns:
      ToggleAutoSizeColumns();
      break;
    case miChooseColumns:
      ChooseVisibleColumns();
      break;
    case miSaveAs:
      SaveAsExport();
      break;
    case miMail:
      MailAsXlsHtml();
      break;
    case miSelectAll:
      SelectAll();
      break;
    case miDeselectAll:
      DeselectAll();
      break;
    case miCut:
      CutRecords();
      break;
    case miCopy:
      CopyRecords();
      break;
    case miPaste:
      PasteRecords();
      break;
    case miOfficeClipboard:
      ToggleOfficeClipboard();
      break;
    default:
      break;
  }
}

// --- keys and the mouse -------------------------------------------------------------------------

void TVuDaoDBGrid::KeyDown(int &key, vcl::TShiftState shift) {
  // Ctrl+Delete deletes the selected records (or the current one), after
  // asking, instead of the platform grid's current record alone.
  if (key == vcl::VK_DELETE && shift.Contains(vcl::ssCtrl)) {
    TVuDaoTable *table = BrowsingTable();
    if (table != nullptr && !table->IsEmpty() && !ReadOnly() && table->CanModify()) {
      const QString question = selected_rows_.size() > 1 ? QStringLiteral("Cancellare i record selezionati?")
                                                         : QString::fromUtf8(vcl::kDeleteRecordQuestion);
      if (vcl::MessageDlg(question, vcl::mtConfirmation, vcl::TMsgDlgButtons{vcl::mbOK, vcl::mbCancel}) == vcl::mrOk)
        DeleteSelected();
    }
    key = 0;
    return;
  }
  vcl::TDBGrid::KeyDown(key, shift);
  TVuDaoTable *table = BrowsingTable();
  if (key == 0 || table == nullptr) return;
  if (shift.Contains(vcl::ssCtrl)) {
    static const std::pair<int, int> kKeys[] = {{'A', miSelectAll},
                                                {'N', miDeselectAll},
                                                {'I', miSelectIndex},
                                                {'L', miFastLookup},
                                                {'M', miShowMemos},
                                                {'G', miShowGUIDs},
                                                {'R', miFrameIndexFields},
                                                {'Z', miAutoSizeColumns},
                                                {'O', miChooseColumns},
                                                {'S', miSaveAs},
                                                {'T', miMail},
                                                {'X', miCut},
                                                {'C', miCopy},
                                                {'V', miPaste}};
    for (const auto &[letter, item] : kKeys)
      if (key == letter) {
        key = 0;
        if (!ItemUsable(item)) return;
        RunItem(item);
        if (CanFocus()) SetFocus();
        return;
      }
    return;
  }
  if (key == vcl::VK_SPACE || key == vcl::VK_RETURN || key == vcl::VK_F2) {
    TField *field = SelectedField();
    if (CanToggle(field)) {
      key = 0;
      ToggleBoolean(field);
    }
  }
}

bool TVuDaoDBGrid::CheckBoxColumn(TField *field) const {
  return show_check_boxes_ && field != nullptr && field->DataType() == vcl::ftBoolean;
}

bool TVuDaoDBGrid::CanEditShow() const { return !CheckBoxColumn(SelectedField()) && vcl::TDBGrid::CanEditShow(); }

bool TVuDaoDBGrid::CanToggle(TField *field) const {
  TVuDaoTable *table = BrowsingTable();
  return table != nullptr && CheckBoxColumn(field) && Options().Contains(vcl::dgEditing) &&
         !Options().Contains(vcl::dgRowSelect) && table->CanModify() && !ReadOnly() && !field->ReadOnly();
}

void TVuDaoDBGrid::ToggleBoolean(TField *field) {
  vcl::TDataSet *ds = field->DataSet();
  try {
    ds->Edit();
    field->SetAsBoolean(!field->AsBoolean());
    ds->Post();
  } catch (const rtl::Exception &) {
    // a refused change leaves the record as the dataset has it
    try {
      ds->Cancel();
    } catch (const rtl::Exception &) {
    }
  }
  Invalidate();
}

void TVuDaoDBGrid::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  const bool in_corner = x < IndicatorWidth() && y < TitleHeight() && Options().Contains(vcl::dgTitles) &&
                         Options().Contains(vcl::dgIndicator);
  if (button == vcl::mbLeft && in_corner && show_grid_menu_ && BrowsingTable() != nullptr) {
    corner_pressed_ = true;
    Invalidate();
    return;
  }
  if (ex_options_.Contains(exoSelectCheckBoxes) && MultiSelect() && x < IndicatorWidth())
    shift = (shift - vcl::TShiftState{vcl::ssShift, vcl::ssAlt}) + vcl::TShiftState{vcl::ssCtrl};
  vcl::TDBGrid::MouseDown(button, shift, x, y);
  // A click on a check box toggles it (the record became current first).
  if (button == vcl::mbLeft && !shift.Contains(vcl::ssDouble) && !shift.Contains(vcl::ssCtrl) && y >= TitleHeight() &&
      CurrentRow() >= 0) {
    const vcl::TRect cell = CellRect(CurrentRow(), SelectedIndex());
    const int side = std::min({kCheckBoxSize, cell.Right - cell.Left, cell.Bottom - cell.Top});
    const int left = (cell.Left + cell.Right - side) / 2, top = (cell.Top + cell.Bottom - side) / 2;
    TField *field = SelectedField();
    box_toggled_ = x >= left && x < left + side && y >= top && y < top + side && CanToggle(field);
    if (box_toggled_) ToggleBoolean(field);
  }
  // Ctrl+click adds the clicked record to the selection (or takes it out).
  TVuDaoTable *table = BrowsingTable();
  if (button == vcl::mbLeft && MultiSelect() && table != nullptr && shift.Contains(vcl::ssCtrl) && y >= TitleHeight()) {
    const vcl::TBookmark bookmark = table->GetBookmark();
    SetRowSelected(bookmark, !RowSelected(bookmark));
  }
}

void TVuDaoDBGrid::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (corner_pressed_) {
    corner_pressed_ = false;
    Invalidate();
    PopupGridMenu();
    return;
  }
  vcl::TDBGrid::MouseUp(button, shift, x, y);
}

void TVuDaoDBGrid::DblClick() {
  TField *field = SelectedField();
  if (CanToggle(field) && !box_toggled_) ToggleBoolean(field);
  box_toggled_ = false;
  vcl::TDBGrid::DblClick();
}

// --- drawing ----------------------------------------------------------------------------------------------

void TVuDaoDBGrid::DrawColumnCell(const vcl::TRect &rect, int row, int column, bool highlighted) {
  TField *field = Columns(column)->Field();
  vcl::TCanvas *c = Canvas();
  if (CheckBoxColumn(field)) {
    const rtl::Variant value = CellValue(row, column);
    bool checked = false;
    try {
      checked = !value.IsNull() && value.AsBoolean();
    } catch (const rtl::Exception &) {
    }
    DrawCheckBox(rect, checked, highlighted ? vcl::clHighlight : Color());
  } else {
    vcl::TDBGrid::DrawColumnCell(rect, row, column, highlighted);
  }
  TVuDaoTable *table = BrowsingTable();
  if (frame_index_fields_ && table != nullptr && field != nullptr) {
    for (int i = 0; i < table->IndexFieldCount(); ++i) {
      TField *index_field = table->IndexField(i);
      if (index_field != nullptr && index_field->FieldName().compare(field->FieldName(), Qt::CaseInsensitive) == 0) {
        c->Pen()->SetColor(vcl::clRed);
        c->Brush()->SetStyle(vcl::bsClear);
        c->Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom);
        c->Brush()->SetStyle(vcl::bsSolid);
        break;
      }
    }
  }
}

int TVuDaoDBGrid::SortMark(int column) const {
  TVuDaoTable *table = BrowsingTable();
  if (table == nullptr || table->TableType() != jet::dbOpenTable || table->IndexName().isEmpty()) return 0;
  if (column < 0 || column >= ColumnCount() || Columns(column)->Field() == nullptr) return 0;
  const vcl::TIndexDef *index = table->IndexDefs().Find(table->IndexName());
  if (index == nullptr) return 0;
  const QString name = Columns(column)->FieldName();
  if (!index->Fields().split(QLatin1Char(';')).contains(name)) return 0;
  return index->DescFields().split(QLatin1Char(';')).contains(name) ? -1 : 1;
}

void TVuDaoDBGrid::DrawTitleCell(const vcl::TRect &rect, int column) {
  if (ex_options_.Contains(exoWrapTitles)) {
    // The title word-wrapped, in a raised cell when the columns are lined.
    vcl::TCanvas *c = Canvas();
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(vcl::clBtnFace);
    c->FillRect(rect);
    vcl::TRect r = rect;
    vcl::InflateRect(r, -1, -1);
    if (Options().Contains(vcl::dgColLines)) {
      vcl::TRect edge = r;
      vcl::DrawEdge(c, edge, vcl::BDR_RAISEDINNER, vcl::BF_RECT);
    }
    c->SetFont(Font());
    c->Font()->SetColor(vcl::clBtnText);
    c->Brush()->SetStyle(vcl::bsClear);
    unsigned format = vcl::DT_WORDBREAK | vcl::DT_NOPREFIX | vcl::DT_EXPANDTABS;
    const vcl::TAlignment align = Columns(column)->Alignment();
    if (align == vcl::taRightJustify) format |= vcl::DT_RIGHT;
    if (align == vcl::taCenter) format |= vcl::DT_CENTER;
    vcl::TRect text = r;
    vcl::InflateRect(text, -1, -1);
    vcl::DrawText(c, Columns(column)->Title(), text, format);
    c->Brush()->SetStyle(vcl::bsSolid);
  } else {
    vcl::TDBGrid::DrawTitleCell(rect, column);
  }
  const int mark = SortMark(column);
  if (mark == 0) return;
  vcl::TRect r = rect;
  if (Options().Contains(vcl::dgColLines)) vcl::InflateRect(r, -4, -2);
  // A small triangle at the top right: point up for ascending.
  vcl::TCanvas *c = Canvas();
  const int right = r.Right - 1, top = r.Top + 1;
  c->Pen()->SetColor(vcl::clBtnShadow);
  c->Brush()->SetColor(vcl::clBtnShadow);
  if (mark > 0)
    c->Polygon({vcl::Point(right - 7, top + 5), vcl::Point(right - 1, top + 5), vcl::Point(right - 4, top + 1)});
  else
    c->Polygon({vcl::Point(right - 7, top + 1), vcl::Point(right - 1, top + 1), vcl::Point(right - 4, top + 5)});
}

// A system-like check box centred in `cell`, which is filled with `back`.
void TVuDaoDBGrid::DrawCheckBox(const vcl::TRect &cell, bool checked, vcl::TColor back) {
  vcl::TCanvas *c = Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(back);
  c->FillRect(cell);
  const int side = std::min({kCheckBoxSize, cell.Right - cell.Left, cell.Bottom - cell.Top});
  const int left = (cell.Left + cell.Right - side) / 2, top = (cell.Top + cell.Bottom - side) / 2;
  const vcl::TRect box = vcl::Rect(left, top, left + side, top + side);
  c->Brush()->SetColor(vcl::clWindow);
  c->FillRect(box);
  c->Pen()->SetColor(vcl::clBtnShadow);
  c->Brush()->SetStyle(vcl::bsClear);
  c->Rectangle(box.Left, box.Top, box.Right, box.Bottom);
  if (checked) {
    c->Pen()->SetColor(vcl::clWindowText);
    c->MoveTo(box.Left + 3, box.Top + side / 2);
    c->LineTo(box.Left + side / 2 - 1, box.Bottom - 4);
    c->LineTo(box.Right - 3, box.Top + 3);
  }
  c->Brush()->SetStyle(vcl::bsSolid);
}

void TVuDaoDBGrid::DrawCornerCell(const vcl::TRect &rect) {
  vcl::TCanvas *c = Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(vcl::clBtnFace);
  c->FillRect(rect);
  if (!show_grid_menu_) return;
  const bool lined = Options().Contains(vcl::dgColLines);
  if (lined) {
    vcl::TRect edge = rect;
    vcl::DrawEdge(c, edge, corner_pressed_ ? vcl::BDR_SUNKENOUTER : vcl::BDR_RAISEDINNER, vcl::BF_RECT);
  }
  // The menu glyph: a bar over a triangle pointing down, centred, one
  // pixel lower and to the right while pressed.
  const int shift = corner_pressed_ ? 1 : 0;
  const int w = std::min(kMenuGlyphWidth, rect.Right - rect.Left - 2);
  const int left = (rect.Left + rect.Right - w) / 2 + shift;
  const int top = (rect.Top + rect.Bottom - kMenuGlyphHeight) / 2 + shift;
  c->Pen()->SetColor(vcl::clBtnText);
  c->Brush()->SetColor(vcl::clBtnText);
  c->FillRect(vcl::Rect(left, top, left + w, top + 1));
  c->Polygon({vcl::Point(left, top + 2), vcl::Point(left + w - 1, top + 2),
              vcl::Point(left + (w - 1) / 2, top + kMenuGlyphHeight - 1)});
}

bool TVuDaoDBGrid::SelectCheckBoxes() const {
  return ex_options_.Contains(exoSelectCheckBoxes) && MultiSelect() && Options().Contains(vcl::dgIndicator);
}

void TVuDaoDBGrid::DrawIndicatorCell(const vcl::TRect &rect, int row, bool current) {
  if (!SelectCheckBoxes()) {
    vcl::TDBGrid::DrawIndicatorCell(rect, row, current);
    return;
  }
  DrawCheckBox(rect, RowSelected(RowBookmark(row)), vcl::clBtnFace);
}

// Twice a check box wide while the rows show their selection boxes, the
// platform's width otherwise.
void TVuDaoDBGrid::UpdateIndicatorWidth() {
  SetIndicatorWidth(SelectCheckBoxes() ? 2 * kCheckBoxSize : kIndicatorWidth);
}

// --- automatic widths ----------------------------------------------------------------------------------

void TVuDaoDBGrid::ApplyAutoSize() {
  TVuDaoTable *table = BrowsingTable();
  if (table == nullptr || table->IsEmpty() || ColumnCount() == 0) return;
  const QString pad = QStringLiteral("   ");
  const int mark = table->TableType() == jet::dbOpenTable ? kSortMarkWidth : 0;
  std::vector<int> widths;
  for (int i = 0; i < ColumnCount(); ++i) widths.push_back(TextWidth(Columns(i)->Title() + pad) + mark);
  const vcl::TBookmark here = table->GetBookmark();
  {
    QuietGrid quiet(this, table);
    table->First();
    while (!table->Eof()) {
      for (int i = 0; i < ColumnCount(); ++i)
        if (TField *f = Columns(i)->Field()) {
          QString text;
          try {
            text = f->DisplayText();
          } catch (const rtl::Exception &) {
          }
          widths[size_t(i)] = std::max(widths[size_t(i)], TextWidth(text + pad));
        }
      table->Next();
    }
    table->First();
    GoBack(table, here);
  }
  for (int i = 0; i < ColumnCount(); ++i) Columns(i)->SetWidth(widths[size_t(i)]);
}

// --- toggles and dialogs ---------------------------------------------------------------------------------

void TVuDaoDBGrid::ToggleFastLookup() {
  if (TVuDaoTable *t = BrowsingTable()) {
    t->SetCacheLookups(!t->CacheLookups());
    menu_->Items()->Items(miFastLookup)->SetChecked(t->CacheLookups());
  }
}

void TVuDaoDBGrid::ToggleShowMemos() {
  if (TVuDaoTable *t = BrowsingTable()) {
    t->SetCacheMemos(!t->CacheMemos());
    menu_->Items()->Items(miShowMemos)->SetChecked(t->CacheMemos());
    if (auto_size_columns_) ApplyAutoSize();
    Invalidate();
  }
}

void TVuDaoDBGrid::ToggleShowGUIDs() {
  if (TVuDaoTable *t = BrowsingTable()) {
    t->SetShowGUID(!t->ShowGUID());
    menu_->Items()->Items(miShowGUIDs)->SetChecked(t->ShowGUID());
    if (auto_size_columns_) ApplyAutoSize();
    Invalidate();
  }
}

void TVuDaoDBGrid::ToggleFrameIndexFields() {
  if (BrowsingTable() != nullptr) SetFrameIndexFields(!frame_index_fields_);
}

void TVuDaoDBGrid::ToggleAutoSizeColumns() {
  if (BrowsingTable() != nullptr) SetAutoSizeColumns(!auto_size_columns_);
}

void TVuDaoDBGrid::ToggleOfficeClipboard() {
  if (BrowsingTable() != nullptr) SetOfficeClipboardFormat(!office_clipboard_format_);
}

void TVuDaoDBGrid::SelectIndex() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->TableType() != jet::dbOpenTable || !GridServices().SelectIndex) return;
  GridServices().SelectIndex(t);
  Invalidate();
}

void TVuDaoDBGrid::SortDialog() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || !GridServices().Sort) return;
  QStringList sorted = t->SortedBy();
  if (!GridServices().Sort(t, sorted)) return;
  t->SetSortedBy(sorted);
  t->ReopenRecordset();
}

void TVuDaoDBGrid::FilterDialog() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || !GridServices().Filter) return;
  QString filter = t->Filter();
  if (!GridServices().Filter(t, filter_state_, filter)) return;
  if (filter.isEmpty()) {
    t->SetFiltered(false);
  } else {
    t->SetFilterText(filter);
    t->SetFiltered(true);
  }
}

// The find family goes back to where it started when nothing was found.
void TVuDaoDBGrid::FindDialog() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || !GridServices().Find) return;
  const vcl::TBookmark here = t->GetBookmark();
  if (!GridServices().Find(t)) GoBack(t, here);
}

void TVuDaoDBGrid::SeekDialog() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IndexFieldCount() == 0 || !GridServices().Seek) return;
  const vcl::TBookmark here = t->GetBookmark();
  if (!GridServices().Seek(t)) GoBack(t, here);
}

void TVuDaoDBGrid::QuickFindDialog() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || SelectedField() == nullptr || !GridServices().QuickFind) return;
  const vcl::TBookmark here = t->GetBookmark();
  if (!GridServices().QuickFind(t, SelectedField())) GoBack(t, here);
}

void TVuDaoDBGrid::QuickSeekDialog() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IndexFieldCount() == 0 || !GridServices().QuickSeek) return;
  const vcl::TBookmark here = t->GetBookmark();
  if (!GridServices().QuickSeek(t)) GoBack(t, here);
}

void TVuDaoDBGrid::ChooseVisibleColumns() {
  if (BrowsingTable() == nullptr || !GridServices().ChooseColumns) return;
  GridServices().ChooseColumns(this);
  Invalidate();
}

std::vector<std::pair<TField *, bool>> TVuDaoDBGrid::ArrangeExportFields() {
  std::vector<std::pair<TField *, bool>> undo;
  vcl::TDataSet *ds = DataSource()->DataSet();
  for (int i = 0; i < ds->FieldCount(); ++i) {
    TField *f = ds->Fields()[i];
    bool shown = false;
    for (int c = 0; c < ColumnCount(); ++c)
      if (Columns(c)->Field() == f && Columns(c)->Width() > 0) shown = true;
    if (f->Visible() != shown) {
      undo.emplace_back(f, f->Visible());
      f->SetVisible(shown);
    }
  }
  return undo;
}

void TVuDaoDBGrid::SaveAsExport() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IsEmpty() || !GridServices().SaveAs) return;
  const auto undo = ArrangeExportFields();
  const TExportMethod method = t->ExportMethod();
  t->SetExportMethod(VisibleFields);
  t->DisableControls();
  try {
    GridServices().SaveAs(t, this, default_export_dir_);
  } catch (...) {
    for (const auto &[f, v] : undo) f->SetVisible(v);
    t->SetExportMethod(method);
    t->EnableControls();
    throw;
  }
  for (const auto &[f, v] : undo) f->SetVisible(v);
  t->SetExportMethod(method);
  t->EnableControls();
}

void TVuDaoDBGrid::MailAsXlsHtml() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IsEmpty()) return;
  QString base = t->TableName();
  if (base.isEmpty()) base = t->QueryDefName();
  if (base.isEmpty()) base = QStringLiteral("Table");
  // The mail program reads the files when it likes: they stay in a folder
  // of their own until the program ends.
  const QDir folder(os::HandOverFolder());
  const QString xls = folder.filePath(base + QStringLiteral(".xls"));
  const QString htm = folder.filePath(base + QStringLiteral(".htm"));
  const auto undo = ArrangeExportFields();
  const TExportMethod method = t->ExportMethod();
  t->SetExportMethod(VisibleFields);
  QStringList attachments;
  try {
    // A format that cannot be written leaves its file out; the message
    // goes with the other one, and only when neither was written does the
    // user get the reason.
    std::optional<rtl::Exception> failure;
    auto write = [&](const std::function<void()> &exporter) {
      try {
        if (exporter) exporter();
      } catch (const rtl::Exception &e) {
        if (!failure) failure = e;
      }
    };
    write([&] {
      if (GridServices().ExportExcel) GridServices().ExportExcel(t, xls, base);
    });
    write([&] {
      if (GridServices().ExportHTML) GridServices().ExportHTML(t, htm);
    });
    for (const QString &f : {xls, htm})
      if (QFile::exists(f)) attachments << f;
    if (attachments.isEmpty() && failure) throw *failure;
  } catch (...) {
    for (const auto &[f, v] : undo) f->SetVisible(v);
    t->SetExportMethod(method);
    throw;
  }
  for (const auto &[f, v] : undo) f->SetVisible(v);
  t->SetExportMethod(method);
  auto no_mail_program = [] { vcl::MessageDlg(kNoMailProgram, vcl::mtWarning, {vcl::mbOK}); };
  if (!os::SendMail(t->TableName(), attachments, [no_mail_program](bool taken) {
        if (!taken) no_mail_program();
      }))
    no_mail_program();
}

// --- selection ------------------------------------------------------------------------------------------------

void TVuDaoDBGrid::SelectAll() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->TableType() == jet::dbOpenForwardOnly || t->IsEmpty()) return;
  if (!MultiSelect()) {
    SetMultiSelect(true);
    select_all_set_multi_ = true;
  }
  selected_rows_.clear();
  const vcl::TBookmark here = t->GetBookmark();
  {
    QuietGrid quiet(this, t);
    t->First();
    while (!t->Eof()) {
      selected_rows_.push_back(t->GetBookmark());
      t->Next();
    }
    GoBack(t, here);
  }
  Invalidate();
}

void TVuDaoDBGrid::DeselectAll() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->TableType() == jet::dbOpenForwardOnly || t->IsEmpty()) return;
  if (MultiSelect()) ClearSelection();
  if (select_all_set_multi_) {
    SetMultiSelect(false);
    select_all_set_multi_ = false;
  }
}

void TVuDaoDBGrid::DeleteSelected() {
  TVuDaoTable *t = BrowsingTable();
  if (t == nullptr || t->IsEmpty()) return;
  if (selected_rows_.empty()) {
    t->Delete();
    return;
  }
  const std::vector<vcl::TBookmark> rows = selected_rows_;
  selected_rows_.clear();
  QuietGrid quiet(this, t);
  for (const vcl::TBookmark &b : rows) {
    if (!t->BookmarkValid(b)) continue;
    t->GotoBookmark(b);
    t->Delete();
  }
}

ORBISCA_PUBLISHED(TVuDaoDBGrid, vcl::TDBGrid) {
  p.Property("AutoSizeColumns", &TVuDaoDBGrid::AutoSizeColumns, &TVuDaoDBGrid::SetAutoSizeColumns).Default(false);
  p.Property("ExOptions", &TVuDaoDBGrid::ExOptions, &TVuDaoDBGrid::SetExOptions);
  p.Property("FindFieldsOnPaste", &TVuDaoDBGrid::FindFieldsOnPaste, &TVuDaoDBGrid::SetFindFieldsOnPaste).Default(false);
  p.Property("ShowGridMenu", &TVuDaoDBGrid::ShowGridMenu, &TVuDaoDBGrid::SetShowGridMenu).Default(true);
  p.Property("ShowCheckBoxes", &TVuDaoDBGrid::ShowCheckBoxes, &TVuDaoDBGrid::SetShowCheckBoxes).Default(true);
  p.Property("OfficeClipboardFormat", &TVuDaoDBGrid::OfficeClipboardFormat, &TVuDaoDBGrid::SetOfficeClipboardFormat)
      .Default(false);
  p.Property("MenuTitles", &TVuDaoDBGrid::MenuTitlesStrings, &TVuDaoDBGrid::SetMenuTitlesStrings);
  p.Property("FrameIndexFields", &TVuDaoDBGrid::FrameIndexFields, &TVuDaoDBGrid::SetFrameIndexFields).Default(false);
  p.Property("DefaultExportDir", &TVuDaoDBGrid::DefaultExportDir, &TVuDaoDBGrid::SetDefaultExportDir);
}

namespace {
[[maybe_unused]] const bool kRegistered = [] {
  vcl::RegisterClass<TVuDaoDBGrid>();
  return true;
}();
}  // namespace

}  // namespace dao
