// Table export (see vudaoexport.h).
#include "dao/vudaoexport.h"

#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "dao/daotext.h"
#include "dao/vudaodatabase.h"
#include "dao/vudaoexport_files.h"
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
#include "platform/rtl/oemcodepage.h"
#include "platform/rtl/sysutils.h"

namespace dao {

namespace {

using exportfiles::Fail;

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
using ExportRows = exportfiles::Rows;

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
  const bool empty = rs->Bof() && rs->Eof();
  int total = empty ? 0 : rs->RecordCount();
  table->ExportProgress(0, total);
  if (!empty) {
    rs->MoveFirst();
    while (!rs->Eof()) {
      std::vector<rtl::Variant> row;
      for (int i = 0; i < fields.Count(); ++i) row.push_back(rs->Fields(i).Value());
      out.rows.push_back(std::move(row));
      const int done = static_cast<int>(out.rows.size());
      total = std::max(total, done);
      if (done != total) table->ExportProgress(done, total);
      rs->MoveNext();
    }
    table->ExportProgress(static_cast<int>(out.rows.size()), static_cast<int>(out.rows.size()));
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

void WriteWhole(const char *operation, const QString &path, const QByteArray &bytes) {
  exportfiles::CommitFiles(operation, {{path, bytes}});
}

// The text in the character set the file's description names: "ANSI" or
// 1252, "OEM" or 850.
QByteArray Encode(const char *operation, const QString &text, const QString &character_set) {
  const QString set = character_set.trimmed();
  if (set.compare(QStringLiteral("ANSI"), Qt::CaseInsensitive) == 0 || set == QStringLiteral("1252"))
    return rtl::ToCp1252(text);
  if (set.compare(QStringLiteral("OEM"), Qt::CaseInsensitive) == 0 || set == QString::number(rtl::kOemCodePage))
    return rtl::ToOem(text);
  Fail(operation, QStringLiteral("The character set %1 cannot be written.").arg(character_set));
}

QString TextFile(const ExportRows &data, const TExportRequest &r) {
  const QString folder = Folder(r.file_name);
  const QString section = QFileInfo(r.file_name).fileName();
  rtl::TIniFile schema(QDir(folder).filePath(QStringLiteral("schema.ini")));
  // What the section does not say yet, in its usual order.
  for (const auto &[key, value] : {std::pair{"ColNameHeader", "True"}, std::pair{"Format", "CSVDelimited"},
                                   std::pair{"MaxScanRows", "0"}, std::pair{"CharacterSet", "ANSI"}}) {
    if (schema.ReadString(section, QLatin1String(key), QString()).isEmpty())
      schema.WriteString(section, QLatin1String(key), QLatin1String(value));
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

// --- another database -----------------------------------------------------------------------

void IntoDatabase(TVuDaoTable *table, const ExportRows &data, const TExportRequest &r) {
  jet::DBEngine *engine = table->Database()->Engine();
  auto target = engine->OpenDatabase(r.file_name);
  const bool exists = target->TableDefs().Find(r.target) != nullptr;
  if (exists && !r.delete_existing)
    jet::RaiseJetError(jet::kErrTableExists, QStringLiteral("Table '%1' already exists.").arg(r.target));
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

namespace exportfiles {

void Fail(const char *operation, const QString &text) {
  throw rtl::EDatabaseError(QStringLiteral("TVuDaoTable.") + QLatin1String(operation) + QStringLiteral(": ") + text);
}

bool HasTime(const Rows &data, size_t column) {
  for (const auto &row : data.rows)
    if (!IsNull(row[column]) && row[column].AsDouble() != std::floor(row[column].AsDouble())) return true;
  return false;
}

QString PlainText(const rtl::Variant &v, int type) {
  if (IsNull(v)) return QString();
  if (v.Type() == rtl::VarType::Bytes) return QString::fromLatin1(v.AsBytes().toHex().toUpper());
  return ValueText(v, type, rtl::FormatSettings().DecimalSeparator);
}

void CommitFiles(const char *operation, const std::vector<File> &files, const QStringList &stale) {
  auto failure = [&](const QString &path, const QString &reason) {
    Fail(operation, QStringLiteral("Cannot write the file \"%1\": %2").arg(path, reason));
  };
  auto beside = [](const QString &path, const char *what) {
    const QFileInfo info(path);
    return info.absoluteDir().filePath(QStringLiteral(".") + info.fileName() + QLatin1String(what) +
                                       QStringLiteral(".XXXXXX"));
  };
  // Each new file is complete on disk, beside its target, before any
  // target is touched.
  std::vector<std::unique_ptr<QTemporaryFile>> written;
  for (const File &f : files) {
    auto temp = std::make_unique<QTemporaryFile>(beside(f.path, ".new"));
    if (!temp->open() || temp->write(f.bytes) != f.bytes.size() || !temp->flush() || ::fsync(temp->handle()) != 0)
      failure(f.path, temp->errorString());
    // A replaced file keeps its permissions.
    temp->setPermissions(QFileInfo::exists(f.path)
                             ? QFile(f.path).permissions()
                             : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    temp->close();
    written.push_back(std::move(temp));
  }
  // The old files step aside, the new ones take their names; should a step
  // fail, every old file gets its name back.
  auto rename = [](const QString &from, const QString &to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
  };
  std::vector<std::pair<QString, QString>> set_aside;  // target, where it went
  std::vector<QString> placed;
  auto undo = [&] {
    for (const QString &p : placed) QFile::remove(p);
    for (const auto &[target, backup] : set_aside) rename(backup, target);
  };
  for (const File &f : files) {
    if (!QFileInfo::exists(f.path)) continue;
    QTemporaryFile name(beside(f.path, ".old"));
    if (!name.open()) {
      undo();
      failure(f.path, name.errorString());
    }
    const QString backup = name.fileName();
    name.setAutoRemove(false);
    name.close();
    if (!rename(f.path, backup)) {
      const QString reason = QString::fromLocal8Bit(std::strerror(errno));
      QFile::remove(backup);
      undo();
      failure(f.path, reason);
    }
    set_aside.emplace_back(f.path, backup);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (!rename(written[i]->fileName(), files[i].path)) {
      const QString reason = QString::fromLocal8Bit(std::strerror(errno));
      undo();
      failure(files[i].path, reason);
    }
    written[i]->setAutoRemove(false);
    placed.push_back(files[i].path);
  }
  for (const auto &[target, backup] : set_aside) QFile::remove(backup);
  for (const QString &path : stale) QFile::remove(path);
}

}  // namespace exportfiles

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

void ExportTable(TVuDaoTable *table, const TExportRequest &r) {
  const char *op = OperationName(r.format);
  if (table == nullptr || !table->Active()) Fail(op, QStringLiteral("Table must be open in order to export data!"));
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
          jet::RaiseJetError(jet::kErrTableExists, QStringLiteral("Table '%1' already exists.").arg(TargetName(r)));
        if (r.format == TExportFormat::Text) {
          const QString charset_and_text = TextFile(data, r);
          const int nl = charset_and_text.indexOf(QLatin1Char('\n'));
          WriteWhole(op, path, Encode(op, charset_and_text.mid(nl + 1), charset_and_text.left(nl)));
        } else {
          WriteWhole(op, path, rtl::ToCp1252(HtmlFile(data, QFileInfo(path).completeBaseName())));
        }
        break;
      }
      case TExportFormat::Excel: {
        const QString sheet = r.target.isEmpty() ? QFileInfo(path).completeBaseName() : r.target;
        if (QFileInfo::exists(path) && !r.delete_existing) {
          // A file of the earlier versions holds one sheet only.
          if (r.version == 3 || r.version == 4)
            jet::RaiseJetError(jet::kErrTableExists, QStringLiteral("Table '%1' already exists.").arg(TargetName(r)));
          QFile existing(path);
          if (!existing.open(QIODevice::ReadOnly))
            Fail(op, QStringLiteral("Cannot read the file \"%1\": %2").arg(path, existing.errorString()));
          const QByteArray before = existing.readAll();
          existing.close();
          WriteWhole(op, path, exportfiles::ExcelSheetAdded(op, path, before, data, r.version, sheet));
          break;
        }
        WriteWhole(op, path, exportfiles::ExcelFile(op, data, r.version, sheet));
        break;
      }
      case TExportFormat::Paradox:
      case TExportFormat::DBase:
      case TExportFormat::FoxPro: {
        const QString base = QDir(Folder(path)).filePath(TargetName(r));
        const QString main =
            base + (r.format == TExportFormat::Paradox ? QStringLiteral(".db") : QStringLiteral(".dbf"));
        if (QFileInfo::exists(main) && !r.delete_existing)
          jet::RaiseJetError(jet::kErrTableExists, QStringLiteral("Table '%1' already exists.").arg(TargetName(r)));
        std::vector<exportfiles::File> files;
        QStringList companions;
        if (r.format == TExportFormat::Paradox) {
          files = exportfiles::ParadoxFiles(op, data, r.version, base);
          companions = {QStringLiteral(".mb"), QStringLiteral(".px"), QStringLiteral(".val")};
        } else if (r.format == TExportFormat::DBase) {
          files = exportfiles::DBaseFiles(op, data, base, exportfiles::DbfFlavour::DBase);
          companions = {QStringLiteral(".dbt"), QStringLiteral(".ndx"), QStringLiteral(".ntx"), QStringLiteral(".mdx")};
        } else {
          files = exportfiles::DBaseFiles(
              op, data, base, r.version == 30 ? exportfiles::DbfFlavour::FoxPro3 : exportfiles::DbfFlavour::FoxPro2);
          companions = {QStringLiteral(".fpt"), QStringLiteral(".cdx")};
        }
        // The old table's companions that the new one does not have go with it.
        QStringList stale;
        for (const QString &ext : companions) {
          bool written = false;
          for (const auto &f : files) written = written || f.path == base + ext;
          if (!written) stale << base + ext;
        }
        exportfiles::CommitFiles(op, files, stale);
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
