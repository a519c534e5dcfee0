// Export of a table's rows to files of other programs: delimited or fixed
// text (with its "schema.ini" description, in the ANSI or the OEM
// character set), HTML, the spreadsheet (versions 3, 4, 5 and 8), Paradox
// (3, 4, 5, 7), dBase (III, IV, 5) and FoxPro (2.0 to 3.0) tables, and a
// table in another database of our own. The rows (the visible columns,
// ExportColumns, under the table's filter) are read through the engine and
// written in the target's format (the writers are in vudaoexport_files.h).
//
// An existing target is replaced only when the new one is complete: the
// new files are written beside it and renamed over it, so a failed export
// leaves the user's files as they were. Without leave to replace, an
// existing workbook of version 5 or 8 gets the rows as one more sheet
// (written the same way); any other existing target is refused.
#pragma once

#include <QString>
#include <QStringList>

namespace dao {

class TVuDaoTable;

enum class TExportFormat { Text, HTML, Excel, Paradox, DBase, FoxPro, Database };

struct TExportRequest {
  TExportFormat format = TExportFormat::Text;
  QString file_name;
  QString target;  // sheet name (Excel) or table name (Database)
  bool delete_existing = false;
  bool include_blobs = false;
  int version = 0;  // Excel 3/4/5/8, Paradox 3/4/5/7, dBase 3/4/5, FoxPro 20/25/26/30
};

// The column list: "*" for AllFields, else " name" of each visible data
// field (bracketed with UseBrackets) joined by ","; byte blobs only when
// asked (and, for a Paradox 3 target of a "3.5" engine, no memos either).
QString ExportColumns(TVuDaoTable *table, const TExportRequest &request);

// Runs the export; failures raise (EDatabaseError, jet::EJetError).
void ExportTable(TVuDaoTable *table, const TExportRequest &request);

void ExportToText(TVuDaoTable *table, const QString &file_name, bool delete_existing, bool include_blobs);
void ExportToHTML(TVuDaoTable *table, const QString &file_name, bool delete_existing, bool include_blobs);
void ExportToExcel(TVuDaoTable *table, const QString &file_name, const QString &sheet, bool delete_existing,
                   bool include_blobs, int version);
void ExportToParadox(TVuDaoTable *table, const QString &file_name, int version, bool delete_existing,
                     bool include_blobs);
void ExportToDBase(TVuDaoTable *table, const QString &file_name, int version, bool delete_existing, bool include_blobs);
void ExportToFoxPro(TVuDaoTable *table, const QString &file_name, int version, bool delete_existing,
                    bool include_blobs);
void ExportToDatabase(TVuDaoTable *table, const QString &database_file, const QString &table_name, bool delete_existing,
                      bool include_blobs);

}  // namespace dao
