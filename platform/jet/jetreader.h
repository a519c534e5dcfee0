// Reading a Jet database file (the format of the platform's own engine,
// versions 3 and 4) through libmdb: its user tables with their columns and
// indexes described as this engine's catalogue describes its own, their rows
// as values, and the rows of its stored queries. Internal to platform/jet.
//
// libmdb is not hardened against damaged files (a truncated file can make it
// loop or exhaust memory), so JetReader runs only in the converter's own
// process (takeover.h), never in the program's. What it can check itself,
// it refuses with EJetError 3049.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/jet/field.h"
#include "platform/jet/jetquerytext.h"
#include "platform/jet/store.h"

namespace jet {

enum class JetFileKind { NotJet, Jet3, Jet4, Later };

// What the first bytes of a file say (32 are enough).
JetFileKind JetFileKindOf(const QByteArray &head);
// Reads the first bytes of the file; NotJet when it cannot be read.
JetFileKind JetFileKindOfPath(const QString &path);
// The page size of the format: 2048 for Jet 3, 4096 for Jet 4.
int JetPageSize(JetFileKind kind);

struct JetTableSchema {
  detail::TableInfo info;    // columns and indexes as the engine's catalogue keeps them
  qint64 expected_rows = 0;  // the row count the file's table header gives
};

struct JetStoredQuery {
  QString name;
  std::vector<JetQueryRow> rows;
};

class JetReader {
 public:
  // Opens the file read-only and reads its catalogue. Raises 3049 for a file
  // the reader cannot make sense of, 3343 for a format it does not take.
  explicit JetReader(const QString &path);
  ~JetReader();
  JetReader(const JetReader &) = delete;
  JetReader &operator=(const JetReader &) = delete;

  JetFileKind Kind() const { return kind_; }
  const std::vector<JetTableSchema> &Tables() const { return tables_; }
  // What the file holds that is not taken over (linked tables...), in Italian.
  const QStringList &Notes() const { return notes_; }

  // Calls `row` with each row of table `index`, one value per column in
  // column order (Null for an empty column). Raises 3049 on damage.
  void ReadRows(int index, const std::function<void(const std::vector<rtl::Variant> &)> &row);

  // The stored queries (hidden ones, whose names begin with "~", left out).
  std::vector<JetStoredQuery> Queries();

 private:
  struct Handle;
  void ReadCatalogue();
  void CheckCatalogueWhole();
  std::unique_ptr<Handle> h_;
  JetFileKind kind_ = JetFileKind::NotJet;
  std::vector<JetTableSchema> tables_;
  QStringList notes_;
};

}  // namespace jet
