// Table export (see vudaoexport.h).
#include "dao/vudaoexport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cstdlib>
#include <memory>
#include <vector>

#include "dao/daotext.h"
#include "dao/vudaodatabase.h"
#include "dao/vudaotable.h"
#include "platform/jet/database.h"
#include "platform/jet/engine.h"
#include "platform/jet/jeterror.h"
#include "platform/jet/jetsql.h"
#include "platform/jet/recordset.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/sysutils.h"

namespace dao {

namespace {

[[noreturn]] void Fail(const char *operation, const QString &text) {
  throw rtl::EDatabaseError(QStringLiteral("TVuDaoTable.") + QLatin1String(operation) + QStringLiteral(": ") + text);
}

const char *OperationName(TExportFormat f) {
  switch (f) {
    case TExportFormat::Text:
      return "ExportToText";
    case TExportFormat::HTML:
      return "ExportToHTML";
    case TExportFormat::Excel:
      return "ExportToExcel";
    case TExportFormat::Paradox:
      return "ExportToParadox";
    case TExportFormat::DBase:
      return "ExportToDBase";
    case TExportFormat::FoxPro:
      return "ExportToFoxPro";
    case TExportFormat::Database:
      return "ExportToDatabase";
  }
  return "Export";
}

bool IsByteBlob(vcl::TFieldType t) {
  return t == vcl::ftBlob || t == vcl::ftGraphic || t == vcl::ftBytes || t == vcl::ftVarBytes;
}

QString FormatTag(const TExportRequest &r) {
  switch (r.format) {
    case TExportFormat::Text:
      return QStringLiteral("Text;");
    case TExportFormat::HTML:
      return QStringLiteral("HTML Export;");
    case TExportFormat::Excel:
      switch (r.version) {
        case 3:
          return QStringLiteral("Excel 3.0;");
        case 4:
          return QStringLiteral("Excel 4.0;");
        case 5:
          return QStringLiteral("Excel 5.0;");
        default:
          return QStringLiteral("Excel 8.0;");
      }
    case TExportFormat::Paradox:
      switch (r.version) {
        case 3:
          return QStringLiteral("Paradox 3.X;");
        case 4:
          return QStringLiteral("Paradox 4.X;");
        case 5:
          return QStringLiteral("Paradox 5.X;");
        default:
          return QStringLiteral("Paradox 7.X;");
      }
    case TExportFormat::DBase:
      switch (r.version) {
        case 4:
          return QStringLiteral("dBase IV;");
        case 5:
          return QStringLiteral("dBase 5.0;");
        default:
          return QStringLiteral("dBase III;");
      }
    case TExportFormat::FoxPro:
      switch (r.version) {
        case 20:
          return QStringLiteral("FoxPro 2.0;");
        case 25:
          return QStringLiteral("FoxPro 2.5;");
        case 26:
          return QStringLiteral("FoxPro 2.6;");
        default:
          return QStringLiteral("FoxPro 3.0;");
      }
    case TExportFormat::Database:
      break;
  }
  return QString();
}

QString Folder(const QString &file_name) {
  const QString folder = QFileInfo(file_name).path();
  return folder.isEmpty() ? QStringLiteral(".") : folder;
}

// The name of the target table inside its folder.
QString TargetName(const TExportRequest &r) {
  const QString name = QFileInfo(r.file_name).fileName();
  switch (r.format) {
    case TExportFormat::Text: {
      QString t = name;
      return t.replace(QLatin1Char('.'), QLatin1Char('#'));
    }
    case TExportFormat::Paradox:
    case TExportFormat::DBase:
    case TExportFormat::FoxPro:
      return name.section(QLatin1Char('.'), 0, 0);
    case TExportFormat::Excel:
      return r.target;
    default:
      return name;
  }
}

// The rows the statement selects, read in full before any target is
// touched, so a failing source leaves the target alone.
struct ExportRows {
  struct Column {
    QString name;
    int type = jet::dbText;
    int size = 0;
  };
  std::vector<Column> columns;
  std::vector<std::vector<rtl::Variant>> rows;
};

ExportRows ReadRows(TVuDaoTable *table, const QString &columns, const QString &source, const QString &where) {
  auto db = table->Database()->DaoDatabase();
  QString sql = QStringLiteral("SELECT ") + (columns == QStringLiteral("*") ? columns : columns.trimmed()) +
                QStringLiteral(" FROM [") + source + QLatin1Char(']');
  if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
  auto rs = db->OpenRecordset(sql, jet::dbOpenSnapshot);
  ExportRows out;
  jet::Fields &fields = rs->GetFields();
  for (int i = 0; i < fields.Count(); ++i)
    out.columns.push_back({fields[i].Name(), fields[i].Type(), fields[i].Size()});
  if (!(rs->Bof() && rs->Eof())) {
    rs->MoveFirst();
    while (!rs->Eof()) {
      std::vector<rtl::Variant> row;
      for (int i = 0; i < fields.Count(); ++i) row.push_back(rs->Fields(i).Value());
      out.rows.push_back(std::move(row));
      rs->MoveNext();
    }
  }
  return out;
}

// --- text -----------------------------------------------------------------------------------

QString SchemaType(int type) {
  switch (type) {
    case jet::dbBoolean:
      return QStringLiteral("Bit");
    case jet::dbByte:
      return QStringLiteral("Byte");
    case jet::dbInteger:
      return QStringLiteral("Short");
    case jet::dbLong:
      return QStringLiteral("Long");
    case jet::dbCurrency:
      return QStringLiteral("Currency");
    case jet::dbSingle:
      return QStringLiteral("Single");
    case jet::dbDouble:
      return QStringLiteral("Double");
    case jet::dbDate:
      return QStringLiteral("DateTime");
    case jet::dbMemo:
      return QStringLiteral("Memo");
    default:
      return QStringLiteral("Text");
  }
}

QString ValueText(const rtl::Variant &v, int type, QChar decimal) {
  if (v.IsNull() || v.IsEmpty()) return QString();
  switch (type) {
    case jet::dbBoolean:
      return v.AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case jet::dbByte:
    case jet::dbInteger:
    case jet::dbLong:
      return QString::number(v.AsInt64());
    case jet::dbCurrency:
    case jet::dbSingle:
    case jet::dbDouble: {
      QString s = QString::number(v.AsDouble(), 'g', 15);
      return s.replace(QLatin1Char('.'), decimal);
    }
    case jet::dbDate: {
      const rtl::TDateTime d = v.AsDouble();
      const QString date = rtl::FormatDateTime(rtl::FormatSettings().ShortDateFormat, d);
      return d == static_cast<double>(static_cast<long long>(d))
                 ? date
                 : date + QLatin1Char(' ') + rtl::FormatDateTime(QStringLiteral("hh:nn:ss"), d);
    }
    default:
      return v.AsString();
  }
}

bool IsTextColumn(int type) { return type == jet::dbText || type == jet::dbMemo || type == jet::dbGUID; }

// Writes `bytes` to `path` through a file beside it, renamed over the old
// one only when everything was written.
void WriteWhole(const char *operation, const QString &path, const QByteArray &bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    Fail(operation, QStringLiteral("Cannot write the file \"%1\": %2").arg(path, file.errorString()));
}

QByteArray Encode(const char *operation, const QString &text, const QString &character_set) {
  if (character_set.compare(QStringLiteral("ANSI"), Qt::CaseInsensitive) != 0 &&
      character_set != QStringLiteral("1252"))
    Fail(operation, QStringLiteral("The character set %1 cannot be written.").arg(character_set));
  return rtl::ToCp1252(text);
}

QString TextFile(const ExportRows &data, const TExportRequest &r) {
  const QString folder = Folder(r.file_name);
  const QString section = QFileInfo(r.file_name).fileName();
  rtl::TIniFile schema(QDir(folder).filePath(QStringLiteral("schema.ini")));
  if (schema.ReadString(section, QStringLiteral("Format"), QString()).isEmpty()) {
    schema.WriteString(section, QStringLiteral("ColNameHeader"), QStringLiteral("True"));
    schema.WriteString(section, QStringLiteral("Format"), QStringLiteral("CSVDelimited"));
    schema.WriteString(section, QStringLiteral("MaxScanRows"), QStringLiteral("0"));
    schema.WriteString(section, QStringLiteral("CharacterSet"), QStringLiteral("ANSI"));
  }
  // The column descriptions; ones already there (perhaps with a width the
  // user chose) stay as they are.
  std::vector<int> widths;
  for (size_t i = 0; i < data.columns.size(); ++i) {
    const QString key = QStringLiteral("Col%1").arg(i + 1);
    QString desc = schema.ReadString(section, key, QString());
    if (desc.isEmpty()) {
      desc = data.columns[i].name + QLatin1Char(' ') + SchemaType(data.columns[i].type);
      schema.WriteString(section, key, desc);
    }
    const int at = desc.indexOf(QStringLiteral("width "), 0, Qt::CaseInsensitive);
    bool ok = false;
    const int width = at >= 0 ? desc.mid(at + 6).trimmed().section(QLatin1Char(' '), 0, 0).toInt(&ok) : 0;
    widths.push_back(ok && width > 0 ? width : (data.columns[i].size > 0 ? data.columns[i].size : 20));
  }
  const QString format = schema.ReadString(section, QStringLiteral("Format"), QStringLiteral("CSVDelimited"));
  const bool header = schema.ReadString(section, QStringLiteral("ColNameHeader"), QStringLiteral("True"))
                          .compare(QStringLiteral("False"), Qt::CaseInsensitive) != 0;
  const bool fixed = format.compare(QStringLiteral("FixedLength"), Qt::CaseInsensitive) == 0;
  QChar delimiter = QLatin1Char(',');
  if (format.compare(QStringLiteral("TabDelimited"), Qt::CaseInsensitive) == 0)
    delimiter = QLatin1Char('\t');
  else if (format.startsWith(QStringLiteral("Delimited("), Qt::CaseInsensitive) && format.size() >= 12)
    delimiter = format[10];
  QChar decimal = rtl::FormatSettings().DecimalSeparator;
  if (decimal == delimiter) decimal = QLatin1Char('.');

  auto line = [&](const std::vector<QString> &cells, const std::vector<bool> &quoted) {
    QString out;
    for (size_t i = 0; i < cells.size(); ++i) {
      if (fixed) {
        const int w = widths[i];
        out += quoted[i] ? cells[i].left(w).leftJustified(w) : cells[i].left(w).rightJustified(w);
        continue;
      }
      if (i > 0) out += delimiter;
      if (quoted[i]) {
        QString c = cells[i];
        out += QLatin1Char('"') + c.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
      } else {
        out += cells[i];
      }
    }
    return out + QStringLiteral("\r\n");
  };
  QString text;
  if (header) {
    std::vector<QString> names;
    for (const auto &c : data.columns) names.push_back(c.name);
    text += line(names, std::vector<bool>(names.size(), !fixed));
  }
  for (const auto &row : data.rows) {
    std::vector<QString> cells;
    std::vector<bool> quoted;
    for (size_t i = 0; i < row.size(); ++i) {
      cells.push_back(ValueText(row[i], data.columns[i].type, decimal));
      quoted.push_back(IsTextColumn(data.columns[i].type) && !row[i].IsNull());
    }
    text += line(cells, quoted);
  }
  return schema.ReadString(section, QStringLiteral("CharacterSet"), QStringLiteral("ANSI")) + QLatin1Char('\n') + text;
}

QString HtmlEscape(const QString &s) { return s.toHtmlEscaped(); }

QString HtmlFile(const ExportRows &data, const QString &title) {
  QString h;
  h += QStringLiteral(
      "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=windows-1252\">\r\n");
  h += QStringLiteral("<TITLE>") + HtmlEscape(title) + QStringLiteral("</TITLE>\r\n</HEAD>\r\n<BODY>\r\n");
  h += QStringLiteral("<TABLE BORDER=1 BGCOLOR=#ffffff CELLSPACING=0><CAPTION><B>") + HtmlEscape(title) +
       QStringLiteral("</B></CAPTION>\r\n<THEAD>\r\n<TR>\r\n");
  for (const auto &c : data.columns) h += QStringLiteral("<TH>") + HtmlEscape(c.name) + QStringLiteral("</TH>\r\n");
  h += QStringLiteral("</TR>\r\n</THEAD>\r\n<TBODY>\r\n");
  const QChar decimal = rtl::FormatSettings().DecimalSeparator;
  for (const auto &row : data.rows) {
    h += QStringLiteral("<TR VALIGN=TOP>\r\n");
    for (size_t i = 0; i < row.size(); ++i) {
      const QString v = ValueText(row[i], data.columns[i].type, decimal);
      const bool right = !IsTextColumn(data.columns[i].type) && data.columns[i].type != jet::dbDate;
      h += (right ? QStringLiteral("<TD ALIGN=RIGHT>") : QStringLiteral("<TD>")) +
           HtmlEscape(v).replace(QStringLiteral("\n"), QStringLiteral("<BR>")) + QStringLiteral("</TD>\r\n");
    }
    h += QStringLiteral("</TR>\r\n");
  }
  h += QStringLiteral("</TBODY>\r\n<TFOOT></TFOOT>\r\n</TABLE>\r\n</BODY>\r\n</HTML>\r\n");
  return h;
}

// --- dBase ------------------------------------------------------------------------------------

void PutLe(QByteArray &b, int at, quint32 v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void DBaseFiles(const char *operation, const ExportRows &data, const QString &base) {
  struct Col {
    QByteArray name;
    char type;
    int length, decimals;
  };
  std::vector<Col> cols;
  QStringList used;
  bool memo = false;
  for (const auto &c : data.columns) {
    // Ten characters, upper case and unique, as dBase keeps them.
    QString n = c.name.toUpper().left(10);
    for (QChar &ch : n)
      if (!(ch.isLetterOrNumber() && ch.unicode() < 128)) ch = QLatin1Char('_');
    for (int k = 1; used.contains(n); ++k) n = n.left(10 - QString::number(k).size()) + QString::number(k);
    used << n;
    Col col{n.toLatin1(), 'C', 0, 0};
    switch (c.type) {
      case jet::dbBoolean:
        col.type = 'L';
        col.length = 1;
        break;
      case jet::dbByte:
      case jet::dbInteger:
      case jet::dbLong:
        col.type = 'N';
        col.length = 11;
        break;
      case jet::dbCurrency:
      case jet::dbSingle:
      case jet::dbDouble:
        col.type = 'N';
        col.length = 20;
        col.decimals = 5;
        break;
      case jet::dbDate:
        col.type = 'D';
        col.length = 8;
        break;
      case jet::dbMemo:
      case jet::dbLongBinary:
      case jet::dbBinary:
        col.type = 'M';
        col.length = 10;
        memo = true;
        break;
      default:
        col.type = 'C';
        col.length = std::clamp(c.size > 0 ? c.size : 255, 1, 254);
        break;
    }
    cols.push_back(col);
  }
  const int record_size = 1 + [&] {
    int s = 0;
    for (const auto &c : cols) s += c.length;
    return s;
  }();
  const int header_size = 32 + 32 * static_cast<int>(cols.size()) + 1;
  QByteArray dbf(header_size, '\0');
  const QDate today = QDate::currentDate();
  dbf[0] = static_cast<char>(memo ? 0x83 : 0x03);
  dbf[1] = static_cast<char>(today.year() - 1900);
  dbf[2] = static_cast<char>(today.month());
  dbf[3] = static_cast<char>(today.day());
  PutLe(dbf, 4, static_cast<quint32>(data.rows.size()), 4);
  PutLe(dbf, 8, static_cast<quint32>(header_size), 2);
  PutLe(dbf, 10, static_cast<quint32>(record_size), 2);
  for (size_t i = 0; i < cols.size(); ++i) {
    const int at = 32 + 32 * static_cast<int>(i);
    for (int k = 0; k < cols[i].name.size(); ++k) dbf[at + k] = cols[i].name[k];
    dbf[at + 11] = cols[i].type;
    dbf[at + 16] = static_cast<char>(cols[i].length);
    dbf[at + 17] = static_cast<char>(cols[i].decimals);
  }
  dbf[header_size - 1] = 0x0D;

  QByteArray dbt(512, '\0');
  for (const auto &row : data.rows) {
    QByteArray rec(1, ' ');
    for (size_t i = 0; i < cols.size(); ++i) {
      const rtl::Variant &v = row[i];
      const bool null = v.IsNull() || v.IsEmpty();
      QByteArray cell;
      switch (cols[i].type) {
        case 'L':
          cell = null ? QByteArray("?") : QByteArray(v.AsBoolean() ? "T" : "F");
          break;
        case 'D':
          cell = null ? QByteArray(8, ' ') : rtl::FormatDateTime(QStringLiteral("yyyymmdd"), v.AsDouble()).toLatin1();
          break;
        case 'N':
          if (!null)
            cell = cols[i].decimals == 0 ? QByteArray::number(v.AsInt64())
                                         : QByteArray::number(v.AsDouble(), 'f', cols[i].decimals);
          if (cell.size() > cols[i].length)
            Fail(operation, QStringLiteral("The value %1 of field %2 does not fit its dBase column.")
                                .arg(QString::fromLatin1(cell), data.columns[i].name));
          cell = cell.rightJustified(cols[i].length, ' ');
          break;
        case 'M':
          if (!null) {
            const QByteArray body = v.Type() == rtl::VarType::Bytes ? v.AsBytes() : rtl::ToCp1252(v.AsString());
            const int block = static_cast<int>(dbt.size() / 512);
            dbt += body + QByteArray("\x1A\x1A");
            dbt.append(QByteArray((512 - dbt.size() % 512) % 512, '\0'));
            cell = QByteArray::number(block).rightJustified(10, ' ');
          } else {
            cell = QByteArray(10, ' ');
          }
          break;
        default: {
          const QByteArray text = null ? QByteArray() : rtl::ToCp1252(v.AsString());
          if (text.size() > cols[i].length)
            Fail(operation,
                 QStringLiteral("The text of field %1 is longer than its dBase column.").arg(data.columns[i].name));
          cell = text.leftJustified(cols[i].length, ' ');
        }
      }
      rec += cell;
    }
    dbf += rec;
  }
  dbf += '\x1A';
  PutLe(dbt, 0, static_cast<quint32>(dbt.size() / 512), 4);
  // Both files are complete in memory; the old ones go only now.
  WriteWhole(operation, base + QStringLiteral(".dbf"), dbf);
  if (memo)
    WriteWhole(operation, base + QStringLiteral(".dbt"), dbt);
  else
    QFile::remove(base + QStringLiteral(".dbt"));
  for (const char *ext : {".ndx", ".ntx", ".mdx"}) QFile::remove(base + QLatin1String(ext));
}

// --- another database -----------------------------------------------------------------------

void IntoDatabase(TVuDaoTable *table, const ExportRows &data, const TExportRequest &r) {
  jet::DBEngine *engine = table->Database()->Engine();
  auto target = engine->OpenDatabase(r.file_name);
  const bool exists = target->TableDefs().Find(r.target) != nullptr;
  if (exists && !r.delete_existing)
    jet::RaiseJetError(3010, QStringLiteral("Table '%1' already exists.").arg(r.target));
  // The new rows go into a table of a fresh name first; the old table is
  // dropped and the new one renamed only when every row is in.
  const QString fresh = r.target + QStringLiteral("_") + QString::number(QRandomGenerator::global()->bounded(1000000));
  auto make_table = [&](const QString &name) {
    auto def = target->CreateTableDef(name);
    for (const auto &c : data.columns)
      def->AppendField(def->CreateField(c.name, c.type, c.type == jet::dbText ? c.size : 0));
    target->AppendTableDef(def);
  };
  auto drop = [&](const QString &name) {
    try {
      target->Execute(QStringLiteral("DROP TABLE [") + name + QStringLiteral("]"));
    } catch (const rtl::Exception &) {
    }
  };
  make_table(fresh);
  try {
    auto rs = target->OpenRecordset(fresh, jet::dbOpenTable);
    for (const auto &row : data.rows) {
      rs->AddNew();
      for (size_t i = 0; i < row.size(); ++i)
        if (!row[i].IsNull() && !row[i].IsEmpty()) rs->Fields(static_cast<int>(i)).SetValue(row[i]);
      rs->Update();
    }
    rs->Close();
  } catch (...) {
    drop(fresh);
    throw;
  }
  if (exists) drop(r.target);
  make_table(r.target);
  target->Execute(QStringLiteral("INSERT INTO [") + r.target + QStringLiteral("] SELECT * FROM [") + fresh +
                  QStringLiteral("]"));
  drop(fresh);
  target->Close();
}

}  // namespace

QString ExportColumns(TVuDaoTable *table, const TExportRequest &r) {
  if (table->ExportMethod() == AllFields) return QStringLiteral("*");
  const bool paradox3_no_memo = r.format == TExportFormat::Paradox && r.version == 3 && !r.include_blobs &&
                                table->Database() != nullptr && table->Database()->Version() == QStringLiteral("3.5");
  QStringList names;
  for (int i = 0; i < table->FieldCount(); ++i) {
    vcl::TField *f = table->Fields()[i];
    if (f->FieldKind() != vcl::fkData || !f->Visible()) continue;
    if (!r.include_blobs && IsByteBlob(f->DataType())) continue;
    if (paradox3_no_memo && f->DataType() == vcl::ftMemo) continue;
    names << QLatin1Char(' ') +
                 (table->UseBrackets() ? QLatin1Char('[') + f->FieldName() + QLatin1Char(']') : f->FieldName());
  }
  return names.join(QLatin1Char(','));
}

QStringList ExportStatement(TVuDaoTable *table, const TExportRequest &r, const QString &source) {
  const QString columns = ExportColumns(table, r);
  QString first;
  if (r.format == TExportFormat::Database) {
    first = QStringLiteral("Select %1 INTO [%2].[%3] FROM [%4]").arg(columns, r.file_name, r.target, source);
  } else {
    const QString place = r.format == TExportFormat::Excel ? r.file_name : Folder(r.file_name);
    first = QStringLiteral("Select %1 INTO [%2] IN \"%3\"[%4] FROM [%5]")
                .arg(columns, TargetName(r), place, FormatTag(r), source);
  }
  QStringList lines{first};
  if (table->Filtered() && !table->Filter().isEmpty()) lines << QStringLiteral(" WHERE ") + table->Filter();
  lines << QStringLiteral(";");
  return lines;
}

void ExportTable(TVuDaoTable *table, const TExportRequest &r) {
  const char *op = OperationName(r.format);
  if (table == nullptr || !table->Active()) Fail(op, QStringLiteral("Table must be open in order to export data!"));
  if (r.format == TExportFormat::Excel || r.format == TExportFormat::Paradox || r.format == TExportFormat::FoxPro)
    jet::RaiseJetError(3170, QStringLiteral("Couldn't find installable ISAM."));
  if (r.format == TExportFormat::Text && QFileInfo(r.file_name).fileName().isEmpty())
    Fail(op, QStringLiteral("FileName is empty!"));
  if (r.file_name.isEmpty() || (r.format == TExportFormat::Database && r.target.isEmpty()))
    Fail(op, QStringLiteral("FileName is empty!"));

  TVuDaoDatabase *database = table->Database();
  QString source = table->TableName().isEmpty() ? table->QueryDefName() : table->TableName();
  bool temporary = false;
  if (source.isEmpty()) {
    source = QStringLiteral("Query") +
             QString::number(std::llabs(static_cast<long long>(QRandomGenerator::global()->bounded(10000)) +
                                        QDateTime::currentMSecsSinceEpoch() % 100000000));
    if (r.format != TExportFormat::Database) {
      try {
        database->BeginTrans();
      } catch (const rtl::Exception &) {
      }
    }
    database->CreateQueryDef(source, table->SubstituteParams(table->SQL()));
    temporary = true;
  }
  // The temporary query goes in every case, also after a failure: it must
  // not stay behind in the user's database.
  auto cleanup = [&] {
    if (!temporary) return;
    try {
      database->DeleteQueryDef(source);
    } catch (const rtl::Exception &) {
    }
    if (r.format != TExportFormat::Database) {
      try {
        database->Rollback();
      } catch (const rtl::Exception &) {
      }
    }
  };
  try {
    const QString where = table->Filtered() ? table->Filter() : QString();
    const ExportRows data = ReadRows(table, ExportColumns(table, r), source, where);
    const QString path = r.file_name;
    switch (r.format) {
      case TExportFormat::Text:
      case TExportFormat::HTML: {
        if (QFileInfo::exists(path) && !r.delete_existing)
          jet::RaiseJetError(3010, QStringLiteral("Table '%1' already exists.").arg(TargetName(r)));
        if (r.format == TExportFormat::Text) {
          const QString charset_and_text = TextFile(data, r);
          const int nl = charset_and_text.indexOf(QLatin1Char('\n'));
          WriteWhole(op, path, Encode(op, charset_and_text.mid(nl + 1), charset_and_text.left(nl)));
        } else {
          WriteWhole(op, path, rtl::ToCp1252(HtmlFile(data, QFileInfo(path).completeBaseName())));
        }
        break;
      }
      case TExportFormat::DBase: {
        const QString base = QDir(Folder(path)).filePath(TargetName(r));
        if (QFileInfo::exists(base + QStringLiteral(".dbf")) && !r.delete_existing)
          jet::RaiseJetError(3010, QStringLiteral("Table '%1' already exists.").arg(TargetName(r)));
        DBaseFiles(op, data, base);
        break;
      }
      case TExportFormat::Database:
        IntoDatabase(table, data, r);
        break;
      default:
        break;
    }
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
}

void ExportToText(TVuDaoTable *table, const QString &file_name, bool delete_existing, bool include_blobs) {
  ExportTable(table, {TExportFormat::Text, file_name, QString(), delete_existing, include_blobs, 0});
}
void ExportToHTML(TVuDaoTable *table, const QString &file_name, bool delete_existing, bool include_blobs) {
  ExportTable(table, {TExportFormat::HTML, file_name, QString(), delete_existing, include_blobs, 0});
}
void ExportToExcel(TVuDaoTable *table, const QString &file_name, const QString &sheet, bool delete_existing,
                   bool include_blobs, int version) {
  ExportTable(table, {TExportFormat::Excel, file_name, sheet, delete_existing, include_blobs, version});
}
void ExportToParadox(TVuDaoTable *table, const QString &file_name, int version, bool delete_existing,
                     bool include_blobs) {
  ExportTable(table, {TExportFormat::Paradox, file_name, QString(), delete_existing, include_blobs, version});
}
void ExportToDBase(TVuDaoTable *table, const QString &file_name, int version, bool delete_existing,
                   bool include_blobs) {
  ExportTable(table, {TExportFormat::DBase, file_name, QString(), delete_existing, include_blobs, version});
}
void ExportToFoxPro(TVuDaoTable *table, const QString &file_name, int version, bool delete_existing,
                    bool include_blobs) {
  ExportTable(table, {TExportFormat::FoxPro, file_name, QString(), delete_existing, include_blobs, version});
}
void ExportToDatabase(TVuDaoTable *table, const QString &database_file, const QString &table_name, bool delete_existing,
                      bool include_blobs) {
  ExportTable(table, {TExportFormat::Database, database_file, table_name, delete_existing, include_blobs, 0});
}

}  // namespace dao
