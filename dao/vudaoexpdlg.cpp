// The save-as and column chooser dialogs (see vudaoexpdlg.h).
#include "dao/vudaoexpdlg.h"

#include <QDir>
#include <QFileInfo>

#include "dao/vudaodatabase.h"
#include "dao/vudaoexport.h"
#include "dao/vudaoroll.h"
#include "dao/vudaotable.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/oemcodepage.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"

namespace dao {

namespace {

bool Paradox7(const QString &version) { return version == QStringLiteral("3.6"); }

template <typename C>
C *Make(vcl::TWinControl *parent, vcl::TComponent *owner, int left, int top, int width, const QString &caption = {}) {
  auto *c = new C(owner);
  c->SetParent(parent);
  c->SetBounds(left, top, width, c->Height());
  if (!caption.isEmpty()) c->SetCaption(caption);
  return c;
}

}  // namespace

int TGridColumns::Find(const QString &title) const {
  int found = -1;
  for (int i = 0; Count && i < Count(); ++i)
    if (Title(i) == title) found = i;
  return found;
}

QStringList ExportFormatNames(const QString &engine_version) {
  return {QStringLiteral("MS Excel 3.0"),
          QStringLiteral("MS Excel 4.0"),
          QStringLiteral("MS Excel 5.0"),
          QStringLiteral("MS Excel 8.0"),
          QStringLiteral("Paradox 3.X"),
          QStringLiteral("Paradox 4.X"),
          QStringLiteral("Paradox 5.X"),
          Paradox7(engine_version) ? QStringLiteral("Paradox 7.X") : QStringLiteral("FoxPro 3.X"),
          QStringLiteral("dBase III"),
          QStringLiteral("dBase IV"),
          QStringLiteral("dBase 5.0"),
          QStringLiteral("HTML"),
          QStringLiteral("Text"),
          QStringLiteral("MS Access")};
}

QString ExportExtension(int index, const QString &engine_version) {
  if (index <= 3) return QStringLiteral("xls");
  if (index <= 6) return QStringLiteral("db");
  if (index == 7) return Paradox7(engine_version) ? QStringLiteral("db") : QStringLiteral("dbf");
  if (index <= 10) return QStringLiteral("dbf");
  if (index == 11) return QStringLiteral("htm");
  if (index == 12) return QStringLiteral("txt");
  return QStringLiteral("mdb");
}

QString ExportFilter(int index, const QString &engine_version) {
  static const char *const kFilters[14] = {
      "MS Excel 3.0 files(*.xls)|*.xls|All files (*.*)|*.*",  "MS Excel 4.0 files (*.xls)|*.xls|All files (*.*)|*.*",
      "MS Excel 5.0 files (*.xls)|*.xls|All files (*.*)|*.*", "MS Excel 8.0 files (*.xls)|*.xls|All files (*.*)|*.*",
      "Paradox 3.0 files (*.db)|*.db|All files (*.*)|*.*",    "Paradox 4.0 files (*.db)|*.db|All files (*.*)|*.*",
      "Paradox 5.0 files (*.db)|*.db|All files (*.*)|*.*",    "Paradox 7.0 files(*.db)|*.db|All files (*.*)|*.*",
      "dBase III files(*.dbf)|*.dbf|All files (*.*)|*.*",     "dBase IV files(*.dbf)|*.dbf|All files (*.*)|*.*",
      "dBase 5.0 files(*.dbf)|*.dbf|All files (*.*)|*.*",     "HTML files(*.htm)|*.htm|All files (*.*)|*.*",
      "Text files(*.txt)|*.txt|All files (*.*)|*.*",          "MS Access files(*.mdb)|*.mdb|All files (*.*)|*.*"};
  if (index == 7 && !Paradox7(engine_version))
    return QStringLiteral("FoxPro 3.0 files (*.dbf)|*.dbf|All files (*.*)|*.*");
  return index >= 0 && index < 14 ? QString::fromLatin1(kFilters[index]) : QString();
}

void WriteExportSchema(const QString &file_name, bool field_names, const QString &text_format, bool html,
                       const QString &character_set, const QString &width) {
  const QFileInfo info(file_name);
  const QString section = info.fileName();
  rtl::TIniFile schema(
      QDir(info.path().isEmpty() ? QStringLiteral(".") : info.path()).filePath(QStringLiteral("schema.ini")));
  schema.WriteString(section, QStringLiteral("ColNameHeader"),
                     field_names ? QStringLiteral("True") : QStringLiteral("False"));
  schema.WriteString(section, QStringLiteral("MaxScanRows"), QStringLiteral("0"));
  QString format = QStringLiteral("Delimited(;)");
  if (text_format == QStringLiteral("Tab Delimited"))
    format = QStringLiteral("TabDelimited");
  else if (text_format == QStringLiteral("CSV Delimited"))
    format = QStringLiteral("CSVDelimited");
  else if (text_format == QStringLiteral("Fixed Length"))
    format = QStringLiteral("FixedLength");
  if (html) format = QStringLiteral("HTML");
  schema.WriteString(section, QStringLiteral("Format"), format);
  schema.WriteString(section, QStringLiteral("CharacterSet"), character_set);
  if (format != QStringLiteral("FixedLength")) return;
  rtl::TStringList keys;
  schema.ReadSection(section, &keys);
  for (int n = 1; n <= keys.Count(); ++n) {
    const QString key = QStringLiteral("Col%1").arg(n);
    const QString value = schema.ReadString(section, key, QString());
    if (value.isEmpty() || value.contains(QStringLiteral("width "), Qt::CaseInsensitive)) continue;
    schema.WriteString(section, key, value + QStringLiteral(" Width ") + width);
  }
}

// --- TSAS -------------------------------------------------------------------------------------

TSAS::TSAS(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Esporta i dati su un file esterno:")) {
  SetBounds(0, 0, 570, 330);
  Make<vcl::TLabel>(this, this, 8, 8, 120, QStringLiteral("&Tipo Database:"));
  formats_ = Make<vcl::TListBox>(this, this, 8, 26, 150);
  formats_->SetHeight(220);
  formats_->OnClick = [this](rtl::TObject *) { SelectFormat(formats_->ItemIndex()); };
  auto *options = Make<vcl::TGroupBox>(this, this, 168, 8, 220, QStringLiteral(" Opzioni di esportazione : "));
  options->SetHeight(130);
  Make<vcl::TLabel>(options, this, 8, 20, 120, QStringLiteral("E&xcel nome foglio..:"));
  sheet_ = Make<vcl::TEdit>(options, this, 128, 16, 84, QStringLiteral("Sheet1"));
  Make<vcl::TLabel>(options, this, 8, 48, 120, QStringLiteral("&Access nome tabella :"));
  table_name_ = Make<vcl::TEdit>(options, this, 128, 44, 84, QStringLiteral("Table1"));
  table_name_->SetEnabled(false);
  binary_ = Make<vcl::TCheckBox>(options, this, 8, 76, 200, QStringLiteral("Esporta dati &Binary"));
  binary_->SetChecked(true);
  overwrite_ = Make<vcl::TCheckBox>(options, this, 8, 100, 200, QStringLiteral("&Sovrascrive dati esistenti"));
  overwrite_->SetChecked(true);
  auto *special = Make<vcl::TGroupBox>(this, this, 168, 144, 220, QStringLiteral(" Opzioni S&peciali : "));
  special->SetHeight(110);
  special->SetEnabled(false);
  Make<vcl::TLabel>(special, this, 8, 20, 70, QStringLiteral("&Code page:"));
  code_page_ = Make<vcl::TComboBox>(special, this, 80, 16, 130);
  code_page_->SetStyle(vcl::csDropDownList);
  code_page_->Items()->Add(QStringLiteral("ANSI"));
  code_page_->Items()->Add(QStringLiteral("OEM"));
  code_page_->Items()->Add(QString::number(rtl::kAnsiCodePage));
  code_page_->Items()->Add(QString::number(rtl::kOemCodePage));
  code_page_->SetItemIndex(0);
  Make<vcl::TLabel>(special, this, 8, 48, 70, QStringLiteral("&Formato:"));
  text_format_ = Make<vcl::TComboBox>(special, this, 80, 44, 130);
  text_format_->SetStyle(vcl::csDropDownList);
  for (const char *f : {"Semicolon Delimited", "Tab Delimited", "CSV Delimited", "Fixed Length"})
    text_format_->Items()->Add(QLatin1String(f));
  text_format_->SetItemIndex(0);
  text_format_->OnChange = [this](rtl::TObject *) {
    width_->SetVisible(text_format_->Text() == QStringLiteral("Fixed Length"));
  };
  field_names_ = Make<vcl::TCheckBox>(special, this, 8, 76, 150, QStringLiteral("Esporta &Nomi dei campi"));
  field_names_->SetChecked(true);
  width_ = Make<vcl::TEdit>(special, this, 160, 74, 50, QStringLiteral("40"));
  width_->SetVisible(false);
  // The column list rolls out to the right of the options when asked for.
  side_ = new TVuHRollForm(this);
  side_->SetParent(this);
  side_->SetRollType(rtRight);
  side_->SetRollAnimation(true);
  side_->SetRollStep(2);
  side_->SetWidth(170);
  auto *side = Make<vcl::TGroupBox>(side_, this, 6, 8, 150, QStringLiteral(" Selez colonne da esportare "));
  side->SetHeight(246);
  columns_ = Make<vcl::TCheckListBox>(side, this, 8, 20, 134);
  columns_->SetHeight(218);
  // The buttons stay left of the side panel, so rolled up the form still
  // shows them whole.
  auto *go = Make<vcl::TButton>(this, this, 216, 268, 80, QStringLiteral("&Esporta"));
  go->SetDefault(true);
  go->OnClick = [this](rtl::TObject *) { ExportNow(); };
  auto *close = Make<vcl::TButton>(this, this, 304, 268, 80, QStringLiteral("Chiudi"));
  close->SetCancel(true);
  close->SetModalResult(vcl::mrCancel);
  side_->BeginLoading();
  side_->Loaded();
}

TSAS::~TSAS() = default;

void TSAS::SetColumnChecked(int index, bool checked) { columns_->SetChecked(index, checked); }
bool TSAS::ColumnChecked(int index) const { return columns_->Checked(index); }
bool TSAS::ColumnsEnabled() const { return side_->Enabled(); }

void TSAS::Fill(TVuDaoTable *table, const TGridColumns *grid) {
  table_ = table;
  grid_ = grid;
  version_ = table != nullptr && table->Database() != nullptr ? table->Database()->Version() : QString();
  formats_->Items()->Clear();
  for (const QString &name : ExportFormatNames(version_)) formats_->Items()->Add(name);
  titles_.clear();
  std::vector<bool> checked;
  if (grid != nullptr && grid->Count) {
    for (int i = 0; i < grid->Count(); ++i) {
      titles_ << grid->Title(i);
      checked.push_back(grid->Visible(i));
    }
  } else if (table != nullptr) {
    for (int i = 0; i < table->FieldCount(); ++i) {
      vcl::TField *f = table->Fields()[i];
      if (f->FieldKind() != vcl::fkData) continue;
      titles_ << f->DisplayLabel();
      checked.push_back(f->Visible());
    }
  }
  columns_->Items()->Clear();
  for (const QString &t : titles_) columns_->Items()->Add(t);
  for (size_t i = 0; i < checked.size(); ++i) columns_->SetChecked(static_cast<int>(i), checked[i]);
  side_->SetEnabled(table == nullptr || table->ExportMethod() != AllFields);
  formats_->SetItemIndex(0);
  SelectFormat(0);
}

void TSAS::SelectFormat(int index) {
  sheet_->SetEnabled(index >= 0 && index <= 3);
  table_name_->SetEnabled(index == 13);
  const bool special = index == 11 || index == 12;
  code_page_->SetEnabled(special);
  text_format_->SetEnabled(special);
  field_names_->SetEnabled(special);
  code_page_->Parent()->SetEnabled(special);
}

void TSAS::SetColumnsVisible(bool only_checked) {
  // Fields hidden for the export get back the visibility they had.
  auto &saved = hidden_;
  if (only_checked) {
    saved.clear();
    for (int i = 0; i < titles_.size(); ++i) {
      if (ColumnChecked(i)) continue;
      vcl::TField *f = nullptr;
      if (grid_ != nullptr && grid_->Count) {
        const int column = grid_->Find(titles_[i]);
        if (grid_->Field && column >= 0) {
          f = grid_->Field(column);
        } else {
          // The grid's column of that title shows the field of that label.
          for (int k = 0; k < table_->FieldCount(); ++k)
            if (table_->Fields()[k]->DisplayLabel() == titles_[i]) f = table_->Fields()[k];
        }
      } else {
        for (int k = 0; k < table_->FieldCount(); ++k)
          if (table_->Fields()[k]->Visible() && table_->Fields()[k]->DisplayLabel() == titles_[i])
            f = table_->Fields()[k];
      }
      if (f == nullptr) continue;
      saved.emplace_back(f, f->Visible());
      f->SetVisible(false);
    }
  } else {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) it->first->SetVisible(it->second);
    saved.clear();
  }
}

bool TSAS::ExportNow() {
  const int index = formats_->ItemIndex();
  if (index < 0 || table_ == nullptr) return false;
  // With no column checked the export would have nothing to select.
  if (side_->Enabled() && !titles_.isEmpty() && columns_->CheckedCount() == 0) {
    vcl::MessageDlg(kNoColumnChecked, vcl::mtWarning, {vcl::mbOK});
    return false;
  }
  vcl::TSaveDialog save(nullptr);
  save.SetDefaultExt(ExportExtension(index, version_));
  save.SetFilter(ExportFilter(index, version_));
  save.SetFilterIndex(1);
  if (!default_dir_.isEmpty()) save.SetInitialDir(default_dir_);
  if (!save.Execute()) return false;
  const QString file = save.FileName();
  if (index <= 3 && sheet_->Text().isEmpty()) return false;

  const bool binary = binary_->Checked() && !(version_ == QStringLiteral("3.5") && index <= 4);
  const bool overwrite = overwrite_->Checked();
  SetColumnsVisible(true);
  try {
    if (index <= 3) {
      static const int kExcel[4] = {3, 4, 5, 8};
      ExportToExcel(table_, file, sheet_->Text(), overwrite, binary, kExcel[index]);
    } else if (index <= 6) {
      ExportToParadox(table_, file, index - 1, overwrite, binary);
    } else if (index == 7) {
      if (Paradox7(version_))
        ExportToParadox(table_, file, 7, overwrite, binary);
      else
        ExportToFoxPro(table_, file, 30, overwrite, binary);
    } else if (index <= 10) {
      ExportToDBase(table_, file, index - 5, overwrite, binary);
    } else if (index == 11) {
      ExportToHTML(table_, file, overwrite, binary);
      WriteExportSchema(file, field_names_->Checked(), text_format_->Text(), true, code_page_->Text(), width_->Text());
      ExportToHTML(table_, file, true, binary);
    } else if (index == 12) {
      // The first pass describes the columns in "schema.ini"; it must not
      // replace a file the user asked to keep.
      ExportToText(table_, file, overwrite, binary);
      WriteExportSchema(file, field_names_->Checked(), text_format_->Text(), false, code_page_->Text(), width_->Text());
      ExportToText(table_, file, true, binary);
    } else {
      bool replace = overwrite;
      if (!QFileInfo::exists(file)) {
        table_->Database()->CreateAccessDatabase(file);
        replace = false;
      }
      ExportToDatabase(table_, file, table_name_->Text(), replace, binary);
    }
  } catch (...) {
    SetColumnsVisible(false);
    throw;
  }
  SetColumnsVisible(false);
  SetModalResult(vcl::mrOk);
  return true;
}

bool TSAS::Execute(TVuDaoTable *table, const TGridColumns *grid) {
  Fill(table, grid);
  return ShowModal() == vcl::mrOk;
}

// --- TCVC ---------------------------------------------------------------------------------------

TCVC::TCVC(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Choose Visible Columns")) {
  SetBounds(0, 0, 400, 300);
  Make<vcl::TLabel>(this, this, 8, 8, 150, QStringLiteral("&Visible Columns"));
  visible_list_ = Make<vcl::TListBox>(this, this, 8, 26, 150);
  visible_list_->SetHeight(200);
  Make<vcl::TLabel>(this, this, 236, 8, 150, QStringLiteral("Available &Columns"));
  available_list_ = Make<vcl::TListBox>(this, this, 236, 26, 150);
  available_list_->SetHeight(200);
  Make<vcl::TButton>(this, this, 164, 60, 66, QStringLiteral("&Remove"))->OnClick = [this](rtl::TObject *) {
    RemoveSelected();
  };
  Make<vcl::TButton>(this, this, 164, 100, 66, QStringLiteral("&Add"))->OnClick = [this](rtl::TObject *) {
    AddSelected();
  };
  live_view_ = Make<vcl::TCheckBox>(this, this, 8, 236, 100, QStringLiteral("&Live view"));
  live_view_->SetChecked(true);
  live_view_->OnClick = [this](rtl::TObject *) {
    if (live_view_->Checked()) Apply();
  };
  auto *ok = Make<vcl::TButton>(this, this, 220, 236, 80, QStringLiteral("Ok"));
  ok->SetDefault(true);
  ok->SetModalResult(vcl::mrOk);
  auto *cancel = Make<vcl::TButton>(this, this, 306, 236, 80, QStringLiteral("Cancel"));
  cancel->SetCancel(true);
  cancel->SetModalResult(vcl::mrCancel);
}

void TCVC::Fill(const TGridColumns &grid) {
  grid_ = &grid;
  before_.clear();
  visible_.clear();
  available_.clear();
  for (int i = 0; i < grid.Count(); ++i) {
    before_.push_back(grid.Visible(i));
    (grid.Visible(i) ? visible_ : available_) << grid.Title(i);
  }
  Show();
  visible_list_->SetItemIndex(visible_.isEmpty() ? -1 : 0);
  available_list_->SetItemIndex(available_.isEmpty() ? -1 : 0);
}

void TCVC::Show() {
  visible_list_->Items()->Clear();
  for (const QString &t : visible_) visible_list_->Items()->Add(t);
  available_list_->Items()->Clear();
  for (const QString &t : available_) available_list_->Items()->Add(t);
}

void TCVC::AddSelected() {
  const int i = available_list_->ItemIndex();
  if (i < 0 || i >= available_.size()) return;
  const QString title = available_.takeAt(i);
  visible_ << title;
  Show();
  available_list_->SetItemIndex(available_.isEmpty() ? -1 : std::max(0, i - 1));
  if (live_view_->Checked() && grid_ != nullptr) {
    const int c = grid_->Find(title);
    if (c >= 0) grid_->SetVisible(c, true);
  }
}

void TCVC::RemoveSelected() {
  const int i = visible_list_->ItemIndex();
  // The grid always keeps one visible column.
  if (i < 0 || i >= visible_.size() || visible_.size() <= 1) return;
  const QString title = visible_.takeAt(i);
  available_ << title;
  Show();
  visible_list_->SetItemIndex(std::max(0, i - 1));
  if (live_view_->Checked() && grid_ != nullptr) {
    const int c = grid_->Find(title);
    if (c >= 0) grid_->SetVisible(c, false);
  }
}

void TCVC::SetLiveView(bool live) { live_view_->SetChecked(live); }

void TCVC::Apply() const {
  if (grid_ == nullptr) return;
  for (const QString &t : visible_)
    if (int c = grid_->Find(t); c >= 0) grid_->SetVisible(c, true);
  for (const QString &t : available_)
    if (int c = grid_->Find(t); c >= 0) grid_->SetVisible(c, false);
}

void TCVC::Restore() const {
  if (grid_ == nullptr) return;
  for (size_t i = 0; i < before_.size() && static_cast<int>(i) < grid_->Count(); ++i)
    grid_->SetVisible(static_cast<int>(i), before_[i]);
}

bool TCVC::Execute(const TGridColumns &grid) {
  Fill(grid);
  if (ShowModal() == vcl::mrOk) {
    Apply();
    return true;
  }
  Restore();
  return false;
}

}  // namespace dao
