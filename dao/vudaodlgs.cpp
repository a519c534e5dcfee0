// The table dialogs (see vudaodlgs.h).
#include "dao/vudaodlgs.h"

#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/database.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/messages.h"

namespace dao {

namespace {
const QString kAscending = QStringLiteral("Ascending");
const QString kDescending = QStringLiteral("Descending");
const QString kLineSeparator = QStringLiteral("***");

bool IsTextType(vcl::TFieldType t) {
  return t == vcl::ftString || t == vcl::ftMemo || t == vcl::ftWideString || t == vcl::ftFixedChar;
}
bool IsDateType(vcl::TFieldType t) { return t == vcl::ftDate || t == vcl::ftTime || t == vcl::ftDateTime; }
}  // namespace

// --- index -------------------------------------------------------------------------------

QString NoIndexEntry() { return QStringLiteral("Don't use an Index"); }

QStringList IndexChoices(TVuDaoTable *table) {
  QStringList out{NoIndexEntry()};
  if (table == nullptr || table->Database() == nullptr || table->TableName().isEmpty()) return out;
  auto db = table->Database()->DaoDatabase();
  if (!db) return out;
  if (jet::TableDef *def = db->TableDefs().Find(table->TableName()))
    for (int i = 0; i < def->Indexes().Count(); ++i) out << def->Indexes()[i].Name();
  return out;
}

std::vector<std::pair<QString, QString>> IndexFieldRows(TVuDaoTable *table, const QString &index_name) {
  std::vector<std::pair<QString, QString>> rows;
  if (table != nullptr && table->Database() != nullptr && !index_name.isEmpty()) {
    auto db = table->Database()->DaoDatabase();
    jet::TableDef *def = db ? db->TableDefs().Find(table->TableName()) : nullptr;
    if (jet::Index *index = def != nullptr ? def->Indexes().Find(index_name) : nullptr)
      for (int i = 0; i < index->Fields().Count(); ++i) {
        const jet::Field &f = index->Fields()[i];
        rows.emplace_back(f.Name(), (f.Attributes() & jet::dbDescending) != 0 ? kDescending : kAscending);
      }
  }
  if (rows.empty()) rows.emplace_back(QString(), QString());  // the grid keeps one row
  return rows;
}

// --- filter ----------------------------------------------------------------------------------

QStringList FilterOperators() {
  return {QStringLiteral(" = "),    QStringLiteral(" > "),       QStringLiteral(" < "),
          QStringLiteral(" >= "),   QStringLiteral(" <= "),      QStringLiteral(" <> "),
          QStringLiteral(" LIKE "), QStringLiteral(" IS NULL "), QStringLiteral(" IS NOT NULL ")};
}

bool OperatorTakesValue(const QString &op) {
  return op != QStringLiteral(" IS NULL ") && op != QStringLiteral(" IS NOT NULL ");
}

FilterRow ParseConditionLine(const QString &line) {
  // Field and operator never hold "*", but a LIKE value often ends with
  // one: the value is everything between the operator and the last
  // separator, so "A*" followed by "***" reads back as "A*".
  FilterRow row;
  const int a = line.indexOf(kLineSeparator);
  if (a < 0) {
    row.field = line;
    return row;
  }
  row.field = line.left(a);
  const int b = line.indexOf(kLineSeparator, a + 3);
  if (b < 0) {
    row.op = line.mid(a + 3);
    return row;
  }
  row.op = line.mid(a + 3, b - a - 3);
  const int c = line.lastIndexOf(kLineSeparator);
  if (c <= b) {
    row.value = line.mid(b + 3);
    return row;
  }
  row.value = line.mid(b + 3, c - b - 3);
  row.conjunction = line.mid(c + 3);
  return row;
}

QString ConditionLine(const FilterRow &row) {
  return QStringList{row.field, row.op, row.value, row.conjunction}.join(kLineSeparator);
}

QString BuildFilterText(const std::vector<FilterRow> &rows,
                        const std::function<vcl::TFieldType(const QString &)> &type_of, QStringList *lines) {
  QString text;
  QString previous_conjunction;
  bool first = true;
  for (const FilterRow &row : rows) {
    const bool takes_value = OperatorTakesValue(row.op);
    if (row.field.isEmpty() || row.op.isEmpty() || (takes_value && row.value.isEmpty())) continue;
    QString value = takes_value ? row.value : QString();
    QString quote;
    const vcl::TFieldType type = type_of ? type_of(row.field) : vcl::ftString;
    if (takes_value) {
      if (IsTextType(type)) {
        // A double quote in the value would end the string and let the rest
        // of the text run as part of the condition.
        quote = QStringLiteral("\"");
        value.replace(quote, QStringLiteral("\"\""));
      } else if (IsDateType(type)) {
        quote = QStringLiteral("#");
        value = rtl::FormatDateTime(QStringLiteral("mm\"/\"dd\"/\"yyyy"), rtl::StrToDate(value));
      } else if (type != vcl::ftBoolean) {
        // Jet reads numbers with a "." whatever the locale; anything else
        // would change the condition itself.
        double number = 0;
        if (!rtl::TryStrToFloat(value, number))
          throw rtl::EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(value));
        value = QString::number(number, 'g', 17);
      }
    }
    if (!first)
      text += previous_conjunction + QStringLiteral(" (");
    else
      text += QLatin1Char('(');
    text += row.field + row.op + quote + value + quote + QStringLiteral(") ");
    previous_conjunction = row.conjunction;
    first = false;
    if (lines != nullptr) lines->append(ConditionLine(row));
  }
  return text;
}

// --- sort --------------------------------------------------------------------------------------

std::vector<SortEntry> ParseSortLines(const QStringList &lines) {
  std::vector<SortEntry> out;
  for (QString line : lines) {
    while (line.contains(QStringLiteral("  "))) line.replace(QStringLiteral("  "), QStringLiteral(" "));
    line.remove(QLatin1Char('['));
    line.remove(QLatin1Char(']'));
    SortEntry e;
    const int desc = line.indexOf(QStringLiteral(" DESC"), 0, Qt::CaseInsensitive);
    if (desc >= 0) {
      e.descending = true;
      e.name = line.left(desc);
    } else {
      const int asc = line.indexOf(QStringLiteral(" ASC"), 0, Qt::CaseInsensitive);
      e.name = asc >= 0 ? line.left(asc) : line;
    }
    e.name = e.name.trimmed();
    if (!e.name.isEmpty()) out.push_back(e);
  }
  return out;
}

QStringList SortLines(const std::vector<SortEntry> &entries, bool brackets) {
  QStringList out;
  for (const SortEntry &e : entries) {
    const QString dir = e.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    out << (brackets ? QLatin1Char('[') + e.name + QLatin1Char(']') + dir : e.name + dir);
  }
  return out;
}

// --- searching ---------------------------------------------------------------------------------

QStringList SearchFields(TVuDaoTable *table, bool seek) {
  QStringList out;
  if (table == nullptr || !table->Active()) return out;
  if (seek) {
    for (int i = 0; i < table->IndexFieldCount(); ++i)
      if (vcl::TField *f = table->IndexField(i); f != nullptr && f->FieldKind() == vcl::fkData) out << f->FieldName();
  } else {
    for (int i = 0; i < table->FieldCount(); ++i) {
      vcl::TField *f = table->Fields()[i];
      if (f->FieldKind() == vcl::fkData && f->Visible()) out << f->FieldName();
    }
  }
  return out;
}

QString DatePattern() {
  const QChar s = rtl::FormatSettings().DateSeparator;
  return QStringLiteral("dd") + s + QStringLiteral("mm") + s + QStringLiteral("yyyy");
}

QString TimePattern() {
  const QChar s = rtl::FormatSettings().TimeSeparator;
  return QStringLiteral("hh") + s + QStringLiteral("mm") + s + QStringLiteral("ss");
}

bool SearchTable(TVuDaoTable *table, bool seek, const QStringList &fields, const QStringList &values) {
  if (table == nullptr || fields.isEmpty()) return false;
  rtl::Variant keys;
  if (values.size() == 1) {
    keys = rtl::Variant(values[0]);
  } else {
    std::vector<rtl::Variant> items;
    for (const QString &v : values) items.emplace_back(v);
    keys = rtl::Variant(std::move(items));
  }
  const QString key_fields = fields.join(QLatin1Char(';'));
  const vcl::TLocateOptions options = vcl::loCaseInsensitive | vcl::loPartialKey;
  if (seek) return table->Locate(key_fields, keys, options);
  return table->FindNextByKey(key_fields, keys, options) || table->FindFirstByKey(key_fields, keys, options);
}

// --- the dialog base -------------------------------------------------------------------------

TVuDaoDialog::TVuDaoDialog(vcl::TComponent *owner, const QString &caption) : vcl::TForm(owner) {
  SetCaption(caption);
  SetBorderStyle(vcl::bsDialog);
  SetPosition(vcl::poScreenCenter);
}

vcl::TButton *TVuDaoDialog::AddButton(const QString &caption, int left, int top, vcl::TModalResult result) {
  auto *b = new vcl::TButton(this);
  b->SetParent(this);
  b->SetCaption(caption);
  b->SetBounds(left, top, 80, 25);
  b->SetModalResult(result);
  b->SetDefault(result == vcl::mrOk);
  b->SetCancel(result == vcl::mrCancel);
  return b;
}

vcl::TLabel *TVuDaoDialog::AddLabel(const QString &caption, int left, int top) {
  auto *l = new vcl::TLabel(this);
  l->SetParent(this);
  l->SetCaption(caption);
  l->SetLeft(left);
  l->SetTop(top);
  return l;
}

// --- select index ----------------------------------------------------------------------------

TVuDaoSelectIndex::TVuDaoSelectIndex(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Seleziona indice")) {
  SetBounds(0, 0, 330, 260);
  AddLabel(QStringLiteral("&Nome indice:"), 8, 12);
  index_box_ = Add<vcl::TComboBox>(100, 8, 210);
  index_box_->SetStyle(vcl::csDropDownList);
  index_box_->OnChange = [this](rtl::TObject *) { IndexChanged(); };
  AddLabel(QStringLiteral("Field Name\tSort Order"), 8, 40);
  field_grid_ = Add<vcl::TListBox>(8, 58, 302);
  field_grid_->SetHeight(110);
  live_view_ = Add<vcl::TCheckBox>(8, 180, 120);
  live_view_->SetCaption(QStringLiteral("&Live view"));
  live_view_->SetChecked(true);
  AddButton(QStringLiteral("OK"), 140, 200, vcl::mrOk);
  AddButton(QStringLiteral("Annulla"), 230, 200, vcl::mrCancel);
}

void TVuDaoSelectIndex::Fill(TVuDaoTable *table, const QString &index_name) {
  table_ = table;
  index_box_->Items()->Clear();
  for (const QString &name : IndexChoices(table)) index_box_->Items()->Add(name);
  const int at = index_name.isEmpty() ? -1 : index_box_->Items()->IndexOf(index_name);
  index_box_->SetItemIndex(at < 0 ? 0 : at);
  field_rows_.clear();
  field_grid_->Items()->Clear();
  for (const auto &[name, dir] : IndexFieldRows(table, Chosen())) {
    field_rows_ << name + QLatin1Char('\t') + dir;
    field_grid_->Items()->Add(field_rows_.back());
  }
}

QString TVuDaoSelectIndex::Chosen() const {
  const int i = index_box_->ItemIndex();
  return i <= 0 ? QString() : index_box_->Items()->Get(i);
}

void TVuDaoSelectIndex::IndexChanged() {
  field_rows_.clear();
  field_grid_->Items()->Clear();
  for (const auto &[name, dir] : IndexFieldRows(table_, Chosen())) {
    field_rows_ << name + QLatin1Char('\t') + dir;
    field_grid_->Items()->Add(field_rows_.back());
  }
  if (live_view_->Checked() && table_ != nullptr) table_->SetIndexName(Chosen());
}

bool TVuDaoSelectIndex::Execute(TVuDaoTable *table, QString &index_name) {
  Fill(table, index_name);
  if (ShowModal() != vcl::mrOk) return false;
  index_name = Chosen();
  return true;
}

// --- filter ----------------------------------------------------------------------------------

TVuDaoFilterBy::TVuDaoFilterBy(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Imposta filtro")) {
  SetBounds(0, 0, 560, 400);
  AddLabel(QStringLiteral("Seleziona tutte le righe con queste condizioni :"), 8, 8);
  AddLabel(QStringLiteral("Nome campo"), 8, 30);
  AddLabel(QStringLiteral("Operazione:"), 160, 30);
  AddLabel(QStringLiteral("Operando:"), 290, 30);
  AddLabel(QStringLiteral("Condizione:"), 450, 30);
  for (int i = 0; i < kRows; ++i) {
    const int top = 48 + i * 28;
    Row r;
    r.field = Add<vcl::TComboBox>(8, top, 145);
    r.field->SetStyle(vcl::csDropDownList);
    r.op = Add<vcl::TComboBox>(160, top, 125);
    r.op->SetStyle(vcl::csDropDownList);
    for (const QString &op : FilterOperators()) r.op->Items()->Add(op);
    r.value = Add<vcl::TEdit>(290, top, 155);
    r.conjunction = Add<vcl::TComboBox>(450, top, 90);
    r.conjunction->SetStyle(vcl::csDropDownList);
    r.conjunction->Items()->Add(QStringLiteral("And"));
    r.conjunction->Items()->Add(QStringLiteral("Or"));
    r.op->OnChange = [this, i](rtl::TObject *) { OperatorChanged(i); };
    r.value->OnChange = [this, i](rtl::TObject *) {
      // Emptying the value drops the row's field, so the row is not used.
      if (rows_[static_cast<size_t>(i)].value->Text().isEmpty()) rows_[static_cast<size_t>(i)].field->SetItemIndex(-1);
    };
    rows_.push_back(r);
  }
  AddLabel(QStringLiteral("FINE."), 8, 48 + kRows * 28);
  AddButton(QStringLiteral("OK"), 200, 340, vcl::mrOk);
  AddButton(QStringLiteral("Annulla"), 290, 340, vcl::mrCancel);
  vcl::TButton *reset = AddButton(QStringLiteral("&Annulla tutti i filtri"), 380, 340, vcl::mrNone);
  reset->SetWidth(160);
  reset->OnClick = [this](rtl::TObject *) { ClearAll(); };
}

void TVuDaoFilterBy::OperatorChanged(int i) {
  const Row &r = rows_[static_cast<size_t>(i)];
  const bool takes = OperatorTakesValue(r.op->Text());
  if (!takes) r.value->SetText(QString());
  r.value->SetEnabled(takes);
  r.value->SetColor(takes ? vcl::clWindow : vcl::clBtnFace);
}

void TVuDaoFilterBy::ClearAll() {
  for (int i = 0; i < kRows; ++i) {
    const Row &r = rows_[static_cast<size_t>(i)];
    r.value->SetText(QString());
    r.field->SetItemIndex(-1);
    r.op->SetItemIndex(-1);
    r.conjunction->SetItemIndex(-1);
    OperatorChanged(i);
  }
}

void TVuDaoFilterBy::Fill(TVuDaoTable *table, const QStringList &lines) {
  table_ = table;
  const QStringList fields = SearchFields(table, false);
  for (int i = 0; i < kRows; ++i) {
    const Row &r = rows_[static_cast<size_t>(i)];
    r.field->Items()->Clear();
    r.field->Items()->Add(QString());
    for (const QString &f : fields) r.field->Items()->Add(f);
  }
  ClearAll();
  for (int i = 0; i < kRows && i < lines.size(); ++i) {
    const Row &r = rows_[static_cast<size_t>(i)];
    const FilterRow row = ParseConditionLine(lines[i]);
    r.op->SetItemIndex(r.op->Items()->IndexOf(row.op));
    OperatorChanged(i);
    if (OperatorTakesValue(row.op)) r.value->SetText(row.value);
    r.field->SetItemIndex(r.field->Items()->IndexOf(row.field));
    r.conjunction->SetItemIndex(r.conjunction->Items()->IndexOf(row.conjunction));
  }
}

QString TVuDaoFilterBy::Collect(QStringList *lines) const {
  std::vector<FilterRow> rows;
  for (const Row &r : rows_) rows.push_back({r.field->Text(), r.op->Text(), r.value->Text(), r.conjunction->Text()});
  TVuDaoTable *table = table_;
  return BuildFilterText(
      rows,
      [table](const QString &name) {
        vcl::TField *f = table != nullptr ? table->FindField(name) : nullptr;
        return f != nullptr ? f->DataType() : vcl::ftString;
      },
      lines);
}

bool TVuDaoFilterBy::Execute(TVuDaoTable *table, QString &filter, QStringList &lines) {
  Fill(table, lines);
  if (ShowModal() != vcl::mrOk) return false;
  QStringList new_lines;
  filter = Collect(&new_lines);
  lines = new_lines;
  return true;
}

// --- sort -------------------------------------------------------------------------------------

TVuDaoSortByDialog::TVuDaoSortByDialog(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Ordina")) {
  SetBounds(0, 0, 480, 330);
  AddLabel(QStringLiteral("&Campi disponibili"), 8, 8);
  available_ = Add<vcl::TListBox>(8, 26, 150);
  available_->SetHeight(220);
  available_->OnDblClick = [this](rtl::TObject *) { AddSelected(); };
  AddLabel(QStringLiteral("&Ordine:"), 260, 8);
  order_ = Add<vcl::TListBox>(260, 26, 130);
  order_->SetHeight(180);
  order_->OnClick = [this](rtl::TObject *) {
    const int i = order_->ItemIndex();
    directions_->SetItemIndex(i);
    if (i >= 0) direction_->SetItemIndex(sorted_[static_cast<size_t>(i)].descending ? 1 : 0);
  };
  AddLabel(QStringLiteral("&Direzione"), 392, 8);
  directions_ = Add<vcl::TListBox>(392, 26, 80);
  directions_->SetHeight(180);
  AddLabel(QStringLiteral("Scegli ordiamento:"), 260, 214);
  direction_ = Add<vcl::TComboBox>(260, 230, 130);
  direction_->SetStyle(vcl::csDropDownList);
  direction_->Items()->Add(kAscending);
  direction_->Items()->Add(kDescending);
  direction_->SetItemIndex(0);
  direction_->OnChange = [this](rtl::TObject *) { SetSelectedDirection(direction_->ItemIndex() == 1); };
  AddButton(QStringLiteral("&Aggiungi"), 168, 26, vcl::mrNone)->OnClick = [this](rtl::TObject *) { AddSelected(); };
  AddButton(QStringLiteral("&Rimuovi"), 168, 56, vcl::mrNone)->OnClick = [this](rtl::TObject *) { RemoveSelected(); };
  AddButton(QStringLiteral("&Su"), 168, 96, vcl::mrNone)->OnClick = [this](rtl::TObject *) { MoveSelected(-1); };
  AddButton(QStringLiteral("&Giù"), 168, 126, vcl::mrNone)->OnClick = [this](rtl::TObject *) { MoveSelected(1); };
  AddButton(QStringLiteral("OK"), 300, 270, vcl::mrOk);
  AddButton(QStringLiteral("Annulla"), 390, 270, vcl::mrCancel);
}

void TVuDaoSortByDialog::Fill(const QStringList &all_fields, const QStringList &sort_lines) {
  sorted_ = ParseSortLines(sort_lines);
  available_names_.clear();
  for (const QString &f : all_fields) {
    bool used = false;
    for (const SortEntry &e : sorted_) used = used || e.name.compare(f, Qt::CaseInsensitive) == 0;
    if (!used) available_names_ << f;
  }
  Show();
}

void TVuDaoSortByDialog::Show() {
  const int a = available_->ItemIndex(), o = order_->ItemIndex();
  available_->Items()->Clear();
  for (const QString &f : available_names_) available_->Items()->Add(f);
  order_->Items()->Clear();
  directions_->Items()->Clear();
  for (const SortEntry &e : sorted_) {
    order_->Items()->Add(e.name);
    directions_->Items()->Add(e.descending ? kDescending : kAscending);
  }
  available_->SetItemIndex(std::min(a, available_->Count() - 1));
  order_->SetItemIndex(std::min(o, order_->Count() - 1));
  directions_->SetItemIndex(order_->ItemIndex());
}

void TVuDaoSortByDialog::AddSelected() {
  const int i = available_->ItemIndex();
  if (i < 0 || i >= available_names_.size()) return;
  sorted_.push_back({available_names_.takeAt(i), direction_->ItemIndex() == 1});
  Show();
  order_->SetItemIndex(order_->Count() - 1);
  directions_->SetItemIndex(order_->ItemIndex());
}

void TVuDaoSortByDialog::RemoveSelected() {
  const int i = order_->ItemIndex();
  if (i < 0 || i >= static_cast<int>(sorted_.size())) return;
  available_names_ << sorted_[static_cast<size_t>(i)].name;
  sorted_.erase(sorted_.begin() + i);
  Show();
}

void TVuDaoSortByDialog::MoveSelected(int delta) {
  const int i = order_->ItemIndex();
  const int j = i + delta;
  if (i < 0 || j < 0 || j >= static_cast<int>(sorted_.size())) return;
  std::swap(sorted_[static_cast<size_t>(i)], sorted_[static_cast<size_t>(j)]);
  Show();
  order_->SetItemIndex(j);
  directions_->SetItemIndex(j);
}

void TVuDaoSortByDialog::SetSelectedDirection(bool descending) {
  const int i = order_->ItemIndex();
  if (i < 0 || i >= static_cast<int>(sorted_.size())) return;
  sorted_[static_cast<size_t>(i)].descending = descending;
  Show();
}

bool TVuDaoSortByDialog::Execute(const QStringList &all_fields, QStringList &sort_lines, bool brackets) {
  Fill(all_fields, sort_lines);
  if (ShowModal() != vcl::mrOk) return false;
  sort_lines = Collect(brackets);
  return true;
}

// --- date picker -------------------------------------------------------------------------------

TDTPicker::TDTPicker(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Pick a Date")) {
  SetBounds(0, 0, 220, 110);
  picker_ = Add<vcl::TEdit>(8, 8, 196);
  AddButton(QStringLiteral("OK"), 24, 44, vcl::mrOk);
  AddButton(QStringLiteral("Cancel"), 114, 44, vcl::mrCancel);
}

bool TDTPicker::Execute(rtl::TDateTime &value, bool time) {
  const rtl::TDateTime start = value != 0 ? value : rtl::Now();
  picker_->SetText(time ? rtl::FormatDateTime(rtl::FormatSettings().LongTimeFormat, start)
                        : rtl::FormatDateTime(rtl::FormatSettings().ShortDateFormat, start));
  for (;;) {
    if (ShowModal() != vcl::mrOk) return false;
    rtl::TDateTime picked = 0;
    const bool ok = time ? rtl::TryStrToTime(picker_->Text(), picked) : rtl::TryStrToDate(picker_->Text(), picked);
    if (ok) {
      value = picked;
      return true;
    }
    // A text that is no date shows the dialog again rather than handing
    // back a value the user did not pick.
    SetModalResult(vcl::mrNone);
  }
}

// --- find and seek ---------------------------------------------------------------------------

namespace {
// Opens the picker and writes the picked date or time in the edit's pattern.
void PickInto(vcl::TEdit *edit, bool time) {
  TDTPicker picker(nullptr);
  rtl::TDateTime v = 0;
  if (!picker.Execute(v, time)) return;
  const rtl::TFormatSettings &fs = rtl::FormatSettings();
  edit->SetText(time ? rtl::FormatDateTime(QStringLiteral("hh\"") + fs.TimeSeparator + QStringLiteral("\"nn\"") +
                                               fs.TimeSeparator + QStringLiteral("\"ss"),
                                           v)
                     : rtl::FormatDateTime(QStringLiteral("dd\"") + fs.DateSeparator + QStringLiteral("\"mm\"") +
                                               fs.DateSeparator + QStringLiteral("\"yyyy"),
                                           v));
}
}  // namespace

TVudaoFindSeekDialog::TVudaoFindSeekDialog(vcl::TComponent *owner) : TVuDaoDialog(owner, QString()) {
  SetBounds(0, 0, 420, 400);
  heading_ = AddLabel(QString(), 8, 4);
  AddLabel(QStringLiteral("Please select fields and specify values they must have:"), 8, 22);
  for (auto [text, left] : {std::pair{"Search field", 8}, std::pair{"Search data", 180}}) {
    vcl::TLabel *l = AddLabel(QLatin1String(text), left, 42);
    l->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
    l->Font()->SetColor(vcl::clRed);
  }
  auto *box = new vcl::TScrollBox(this);
  box->SetParent(this);
  box->SetBounds(8, 60, 404, 270);
  box_ = box;
  AddButton(QStringLiteral("Ok"), 150, 340, vcl::mrNone)->OnClick = [this](rtl::TObject *) {
    DoSearch();
    SetModalResult(vcl::mrOk);
  };
  AddButton(QStringLiteral("Cancel"), 240, 340, vcl::mrCancel);
  AddButton(QStringLiteral("Do Search"), 330, 340, vcl::mrNone)->OnClick = [this](rtl::TObject *) { DoSearch(); };
}

void TVudaoFindSeekDialog::Fill(TVuDaoTable *table, bool seek) {
  table_ = table;
  seek_ = seek;
  SetCaption(seek ? QStringLiteral("Seek") : QStringLiteral("Find"));
  heading_->SetCaption(seek ? QStringLiteral(" Seek a Record on data in the selected fields part of an Index")
                            : QStringLiteral(" Find a Record based on data contained in the selected fields"));
  for (Row &r : rows_) {
    delete r.check;
    delete r.value;
    delete r.picker;
  }
  rows_.clear();
  const QStringList fields = SearchFields(table, seek);
  for (int i = 0; i < fields.size() && i < kMaxRows; ++i) {
    const int top = 4 + i * 26;
    Row r;
    r.field = fields[i];
    r.check = new vcl::TCheckBox(this);
    r.check->SetParent(box_);
    r.check->SetBounds(4, top, 160, 20);
    r.check->SetCaption(fields[i] + QLatin1Char(':'));
    r.value = new vcl::TEdit(this);
    r.value->SetParent(box_);
    r.value->SetBounds(170, top, 180, r.value->Height());
    r.value->SetEnabled(false);
    r.picker = new vcl::TButton(this);
    r.picker->SetParent(box_);
    r.picker->SetBounds(354, top, 26, 21);
    vcl::TField *f = table->FindField(fields[i]);
    const vcl::TFieldType type = f != nullptr ? f->DataType() : vcl::ftUnknown;
    const bool date = type == vcl::ftDate || type == vcl::ftDateTime;
    const bool time = type == vcl::ftTime;
    r.picker->SetCaption(time ? QStringLiteral("..") : QStringLiteral("..."));
    r.picker->SetVisible(date || time);
    if (date) r.value->SetText(DatePattern());
    if (time) r.value->SetText(TimePattern());
    vcl::TEdit *edit = r.value;
    r.picker->OnClick = [edit, time](rtl::TObject *) { PickInto(edit, time); };
    vcl::TCheckBox *check = r.check;
    check->OnClick = [check, edit](rtl::TObject *) { edit->SetEnabled(check->Checked()); };
    if (!seek)
      edit->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState) {
        if (key != vcl::VK_RETURN) return;
        key = 0;
        DoSearch();
      };
    rows_.push_back(r);
  }
}

bool TVudaoFindSeekDialog::DoSearch() {
  QStringList fields, values;
  for (const Row &r : rows_)
    if (r.check->Checked()) {
      fields << r.field;
      values << r.value->Text();
    }
  return SearchTable(table_, seek_, fields, values);
}

bool TVudaoFindSeekDialog::Execute(TVuDaoTable *table, bool seek) {
  Fill(table, seek);
  return ShowModal() == vcl::mrOk;
}

// --- quick find ---------------------------------------------------------------------------------

TQFS::TQFS(vcl::TComponent *owner) : TVuDaoDialog(owner, QStringLiteral("Ricerca veloce")) {
  SetBounds(0, 0, 360, 170);
  heading_ = AddLabel(QString(), 8, 4);
  AddLabel(QStringLiteral("Nome campo:"), 8, 30);
  field_box_ = Add<vcl::TComboBox>(110, 26, 230);
  field_box_->SetStyle(vcl::csDropDownList);
  field_box_->OnChange = [this](rtl::TObject *) { FieldChanged(); };
  AddLabel(QStringLiteral("Dato da cercare:"), 8, 62);
  value_edit_ = Add<vcl::TEdit>(110, 58, 200);
  picker_ = AddButton(QStringLiteral("..."), 314, 58, vcl::mrNone);
  picker_->SetWidth(26);
  picker_->OnClick = [this](rtl::TObject *) {
    vcl::TField *f = table_ != nullptr ? table_->FindField(field_box_->Text()) : nullptr;
    PickInto(value_edit_, f != nullptr && f->DataType() == vcl::ftTime);
  };
  AddButton(QStringLiteral("Ok"), 90, 100, vcl::mrNone)->OnClick = [this](rtl::TObject *) {
    DoSearch();
    SetModalResult(vcl::mrOk);
  };
  AddButton(QStringLiteral("Annulla"), 180, 100, vcl::mrCancel);
  AddButton(QStringLiteral("Cerca"), 270, 100, vcl::mrNone)->OnClick = [this](rtl::TObject *) { DoSearch(); };
}

void TQFS::Fill(TVuDaoTable *table, bool seek, const QString &field) {
  table_ = table;
  seek_ = seek;
  heading_->SetCaption(seek ? QStringLiteral(" Seek a Record on data in the field part of an Index")
                            : QStringLiteral(" Find a Record based on data contained in the field"));
  field_box_->Items()->Clear();
  for (const QString &f : SearchFields(table, seek)) field_box_->Items()->Add(f);
  const int at = field_box_->Items()->IndexOf(field);
  field_box_->SetItemIndex(at < 0 ? (field_box_->Items()->Count() > 0 ? 0 : -1) : at);
  FieldChanged();
}

void TQFS::FieldChanged() {
  value_edit_->SetText(QString());
  vcl::TField *f = table_ != nullptr && field_box_->ItemIndex() >= 0 ? table_->FindField(field_box_->Text()) : nullptr;
  const vcl::TFieldType type = f != nullptr ? f->DataType() : vcl::ftUnknown;
  const bool date = type == vcl::ftDate || type == vcl::ftDateTime;
  const bool time = type == vcl::ftTime;
  picker_->SetCaption(time ? QStringLiteral("..") : QStringLiteral("..."));
  picker_->SetEnabled(date || time);
  if (date) value_edit_->SetText(DatePattern());
  if (time) value_edit_->SetText(TimePattern());
}

bool TQFS::DoSearch() {
  if (field_box_->ItemIndex() < 0) return false;
  return SearchTable(table_, seek_, {field_box_->Text()}, {value_edit_->Text()});
}

bool TQFS::Execute(TVuDaoTable *table, bool seek, const QString &field) {
  Fill(table, seek, field);
  return ShowModal() == vcl::mrOk;
}

}  // namespace dao
