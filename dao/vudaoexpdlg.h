// The grid's "save as" dialog (TSAS: choose a format, a file and options,
// then run the table's export) and its column chooser (TCVC: move columns
// between the visible and the available list). Both reach the grid's
// columns only through TGridColumns, so they serve any grid that can list
// its column titles and show or hide a column; without a grid the save-as
// dialog works on the table's visible fields.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "dao/vudaodlgs.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace dao {

class TVuDaoTable;
class TVuHRollForm;

// A grid's columns as the dialogs see them. Columns are found by title;
// with two of the same title the last one is meant.
struct TGridColumns {
  std::function<int()> Count;
  std::function<QString(int)> Title;
  std::function<bool(int)> Visible;
  std::function<void(int, bool)> SetVisible;
  // The field a column shows; optional (without it the field is found by
  // the column's title among the fields' display labels).
  std::function<vcl::TField *(int)> Field;
  // The index of the last column titled `title`, or -1.
  int Find(const QString &title) const;
};

// The formats of the list, by index: entry 7 is Paradox 7.X on a "3.6"
// engine and FoxPro 3.X otherwise.
QStringList ExportFormatNames(const QString &engine_version);
QString ExportExtension(int index, const QString &engine_version);
QString ExportFilter(int index, const QString &engine_version);
// Writes the export file's section of "schema.ini" in its folder.
// `text_format` is "Semicolon Delimited", "Tab Delimited", "CSV Delimited"
// or "Fixed Length"; `html` writes "HTML" as the format; with fixed length
// every "ColN" key without a width gets " Width " + `width` appended.
void WriteExportSchema(const QString &file_name, bool field_names, const QString &text_format, bool html,
                       const QString &character_set, const QString &width);

// What "&Esporta" says when no column of the list is checked.
inline const QString kNoColumnChecked = QStringLiteral("Selezionare almeno una colonna da esportare.");

class TSAS : public TVuDaoDialog {
  ORBISCA_CLASS(TSAS, TVuDaoDialog)

 public:
  explicit TSAS(vcl::TComponent *owner = nullptr);
  ~TSAS() override;

  // Fills the dialog and shows it; true when an export ran (OK).
  bool Execute(TVuDaoTable *table, const TGridColumns *grid);
  void Fill(TVuDaoTable *table, const TGridColumns *grid);
  QString DefaultExportDir() const { return default_dir_; }
  void SetDefaultExportDir(const QString &dir) { default_dir_ = dir; }

  // "&Esporta": asks for the file and exports; true when it ran.
  bool ExportNow();
  void SelectFormat(int index);

  vcl::TListBox *Formats() const { return formats_; }
  vcl::TEdit *SheetName() const { return sheet_; }
  vcl::TEdit *TableName() const { return table_name_; }
  vcl::TCheckBox *Binary() const { return binary_; }
  vcl::TCheckBox *Overwrite() const { return overwrite_; }
  vcl::TComboBox *CodePage() const { return code_page_; }
  vcl::TComboBox *TextFormat() const { return text_format_; }
  vcl::TCheckBox *FieldNames() const { return field_names_; }
  vcl::TEdit *Width() const { return width_; }
  // The column list: every listed title and whether it is to be exported.
  QStringList ColumnTitles() const { return titles_; }
  void SetColumnChecked(int index, bool checked);
  bool ColumnChecked(int index) const;
  bool ColumnsEnabled() const;
  TVuHRollForm *SidePanel() const { return side_; }
  vcl::TCheckListBox *Columns() const { return columns_; }

 private:
  void SetColumnsVisible(bool only_checked);
  TVuDaoTable *table_ = nullptr;
  const TGridColumns *grid_ = nullptr;
  QString default_dir_;
  QString version_;
  QStringList titles_;
  std::vector<std::pair<vcl::TField *, bool>> hidden_;  // hidden for the export, with their visibility
  vcl::TListBox *formats_;
  vcl::TEdit *sheet_, *table_name_, *width_;
  vcl::TCheckBox *binary_, *overwrite_, *field_names_;
  vcl::TComboBox *code_page_, *text_format_;
  vcl::TCheckListBox *columns_;
  TVuHRollForm *side_;
};

class TCVC : public TVuDaoDialog {
  ORBISCA_CLASS(TCVC, TVuDaoDialog)

 public:
  explicit TCVC(vcl::TComponent *owner = nullptr);
  // True on OK; Cancel puts back the visibility from before.
  bool Execute(const TGridColumns &grid);
  void Fill(const TGridColumns &grid);
  void AddSelected();
  void RemoveSelected();
  void SetLiveView(bool live);
  // OK: shows the visible list's columns and hides the others.
  void Apply() const;
  void Restore() const;

  QStringList VisibleTitles() const { return visible_; }
  QStringList AvailableTitles() const { return available_; }
  vcl::TListBox *VisibleList() const { return visible_list_; }
  vcl::TListBox *AvailableList() const { return available_list_; }

 private:
  void Show();
  const TGridColumns *grid_ = nullptr;
  std::vector<bool> before_;
  QStringList visible_, available_;
  vcl::TListBox *visible_list_, *available_list_;
  vcl::TCheckBox *live_view_;
};

}  // namespace dao
