// Taking over real Jet files: what the converted file holds, compared with
// what an independent reader (mdbtools) prints for the original; what stays
// in the folder; and how damaged files, a busy file and a conversion killed
// half-way leave the original.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <map>
#include <set>

#include "platform/jet/engine.h"
#include "platform/jet/takeover.h"
#include "platform/rtl/datetime.h"
#include "tests/platform/jet/jetfile_fixture.h"

namespace jet::testing {
namespace {

class Takeover : public ::testing::Test {
 protected:
  QString Copy(const QString &name, const QString &as = {}) { return CopyJetTestFile(name, dir_.path(), as); }
  static int ErrorOf(const std::function<void()> &f, QString *text = nullptr) {
    try {
      f();
    } catch (const EJetError &e) {
      if (text) *text = e.Description();
      return e.Number();
    }
    return 0;
  }
  QTemporaryDir dir_;
  DBEngine engine_;
};

// ---- the schema the independent reader prints --------------------------------------

struct OracleColumn {
  QString name;
  int type = 0;
  int size = 0;
  bool required = false;
};

int TypeOfOracleName(const QString &t) {
  static const std::map<QString, int> types = {
      {QStringLiteral("Boolean"), dbBoolean},   {QStringLiteral("Byte"), dbByte},
      {QStringLiteral("Integer"), dbInteger},   {QStringLiteral("Long Integer"), dbLong},
      {QStringLiteral("Currency"), dbCurrency}, {QStringLiteral("Single"), dbSingle},
      {QStringLiteral("Double"), dbDouble},     {QStringLiteral("DateTime"), dbDate},
      {QStringLiteral("Text"), dbText},         {QStringLiteral("Memo/Hyperlink"), dbMemo},
      {QStringLiteral("OLE"), dbLongBinary},    {QStringLiteral("Replication ID"), dbGUID},
      {QStringLiteral("Binary"), dbBinary}};
  auto it = types.find(t);
  return it == types.end() ? -1 : it->second;
}

// mdb-schema in its own dialect: "[Name] Type (size) NOT NULL" per column.
std::vector<OracleColumn> OracleColumns(const QString &file, const QString &table) {
  const QString text = QString::fromUtf8(RunReader(QStringLiteral("mdb-schema"), {QStringLiteral("-T"), table, file}));
  static const QRegularExpression line(QStringLiteral("^\\s*\\[(.+)\\]\\s+(.+?)(?: \\((\\d+)\\))?( NOT NULL)?,?\\s*$"));
  std::vector<OracleColumn> out;
  for (const QString &l : text.split(u'\n')) {
    const auto m = line.match(l);
    if (!m.hasMatch() || l.contains(QLatin1String("CREATE"))) continue;
    out.push_back({m.captured(1), TypeOfOracleName(m.captured(2)), m.captured(3).toInt(), !m.captured(4).isEmpty()});
  }
  return out;
}

struct OracleKeys {
  std::set<QString> serial;                  // auto-increment columns
  std::map<QString, QString> defaults;       // column -> default text
  QStringList primary;                       // primary key columns
  std::set<std::pair<bool, QString>> index;  // (unique, "col,col") of the other indexes
};

// mdb-schema in PostgreSQL's dialect, which prints keys, indexes, defaults
// and counters (names in lower case).
OracleKeys OracleKeysOf(const QString &file, const QString &table) {
  const QString text = QString::fromUtf8(
      RunReader(QStringLiteral("mdb-schema"),
                {QStringLiteral("--indexes"), QStringLiteral("--default-values"), QStringLiteral("--no-comments"),
                 QStringLiteral("--no-relations"), QStringLiteral("-T"), table, file, QStringLiteral("postgres")}));
  OracleKeys k;
  static const QRegularExpression column(
      QStringLiteral("^\\s*\"([^\"]+)\"\\s+([A-Z]+)(.*?)(?: DEFAULT (.*?))?,?\\s*$"));
  static const QRegularExpression index(QStringLiteral("^CREATE (UNIQUE )?INDEX \"[^\"]+\" ON \"[^\"]+\" \\((.+)\\);"));
  static const QRegularExpression primary(QStringLiteral("PRIMARY KEY \\((.+)\\);"));
  auto names = [](QString list) { return list.remove(u'"').remove(u' ').toLower(); };
  for (const QString &l : text.split(u'\n')) {
    if (auto m = index.match(l); m.hasMatch()) {
      k.index.insert({!m.captured(1).isEmpty(), names(m.captured(2))});
    } else if (auto p = primary.match(l); p.hasMatch()) {
      k.primary = names(p.captured(1)).split(u',');
    } else if (auto c = column.match(l); c.hasMatch() && !l.startsWith(QLatin1String("CREATE"))) {
      if (c.captured(2) == QLatin1String("SERIAL")) k.serial.insert(c.captured(1).toLower());
      if (!c.captured(4).isEmpty()) k.defaults[c.captured(1).toLower()] = c.captured(4).trimmed();
    }
  }
  return k;
}

// ---- the rows ------------------------------------------------------------------------

// A date as the reader prints it: whole seconds, rounded as it rounds.
QString ReaderDate(double d) {
  if (d < 0.0 || d > 1e6) return QStringLiteral("1900-01-00 00:00:00");  // outside what it prints
  const auto day = static_cast<long>(d);
  const auto time = static_cast<long>((d - static_cast<double>(day)) * 86400.0 + 0.5);
  int y = 0, m = 0, dd = 0;
  rtl::DecodeDate(static_cast<double>(day), y, m, dd);
  return QStringLiteral("%1-%2-%3 %4:%5:%6")
      .arg(y, 4, 10, QLatin1Char('0'))
      .arg(m, 2, 10, QLatin1Char('0'))
      .arg(dd, 2, 10, QLatin1Char('0'))
      .arg(time / 3600, 2, 10, QLatin1Char('0'))
      .arg((time / 60) % 60, 2, 10, QLatin1Char('0'))
      .arg(time % 60, 2, 10, QLatin1Char('0'));
}

void ExpectSameValue(const rtl::Variant &ours, const CsvField &theirs, const Field &field, const std::string &where) {
  SCOPED_TRACE(where + " field " + field.Name().toStdString());
  if (!theirs.quoted && theirs.text == QLatin1String("NULL") && field.Type() != dbBoolean) {
    EXPECT_TRUE(ours.IsNull()) << rtl::VarToStr(ours).toStdString();
    return;
  }
  ASSERT_FALSE(ours.IsNull()) << theirs.text.toStdString();
  switch (field.Type()) {
    case dbText:
    case dbMemo:
      EXPECT_EQ(ours.AsString(), theirs.text);
      break;
    case dbBoolean:
      EXPECT_EQ(ours.AsBoolean(), theirs.text == QLatin1String("1"));
      break;
    case dbByte:
    case dbInteger:
    case dbLong:
      EXPECT_EQ(ours.AsInt64(), theirs.text.toLongLong());
      break;
    case dbCurrency:
      EXPECT_NEAR(ours.AsDouble(), theirs.text.toDouble(), 1e-9);
      break;
    case dbSingle:
      EXPECT_NEAR(ours.AsDouble(), theirs.text.toDouble(), 1e-6 * std::max(1.0, std::fabs(ours.AsDouble())));
      break;
    case dbDouble:
      EXPECT_NEAR(ours.AsDouble(), theirs.text.toDouble(), 1e-12 * std::max(1.0, std::fabs(ours.AsDouble())));
      break;
    case dbDate:
      EXPECT_EQ(ReaderDate(ours.AsDouble()), theirs.text);
      break;
    default:
      EXPECT_EQ(QString::fromLatin1(ours.AsBytes().toHex().toUpper()), theirs.text);
  }
}

// Every table of `jet` (the original, kept) against the converted `db`:
// columns, keys, indexes and every row.
void ExpectSameTables(const QString &jet, Database &db) {
  const QStringList tables = OracleTables(jet);
  ASSERT_FALSE(tables.isEmpty());
  int user_tables = 0;
  for (const auto &td : db.TableDefs())
    if (!(td->Attributes() & dbSystemObject)) ++user_tables;
  EXPECT_EQ(user_tables, tables.size());
  for (const QString &name : tables) {
    SCOPED_TRACE(name.toStdString());
    TableDef *td = db.TableDefs().Find(name);
    ASSERT_NE(td, nullptr);

    // Columns: names, types, sizes, required.
    const std::vector<OracleColumn> columns = OracleColumns(jet, name);
    ASSERT_EQ(td->Fields().Count(), static_cast<int>(columns.size()));
    for (size_t c = 0; c < columns.size(); ++c) {
      const Field &f = td->Fields().Item(static_cast<int>(c));
      SCOPED_TRACE(f.Name().toStdString());
      EXPECT_EQ(f.Name(), columns[c].name);
      EXPECT_EQ(f.Type(), columns[c].type);
      if (f.Type() == dbText) EXPECT_EQ(f.Size(), columns[c].size);
      // The reader calls every Yes/No column NOT NULL: such a column holds no Null anyway.
      if (f.Type() != dbBoolean) EXPECT_EQ(f.Required(), columns[c].required);
    }

    // Counters, defaults, the primary key and the other indexes.
    const OracleKeys keys = OracleKeysOf(jet, name);
    QStringList primary;
    std::set<std::pair<bool, QString>> indexes;
    for (const auto &index : td->Indexes()) {
      QStringList cols;
      for (const auto &f : index->Fields()) cols << f->Name().toLower();
      if (index->Primary())
        primary = cols;
      else
        indexes.insert({index->Unique(), cols.join(u',')});
    }
    EXPECT_EQ(primary, keys.primary);
    EXPECT_EQ(indexes, keys.index);
    for (const auto &f : td->Fields()) {
      const QString lower = f->Name().toLower();
      EXPECT_EQ((f->Attributes() & dbAutoIncrField) != 0, keys.serial.count(lower) == 1) << lower.toStdString();
      QString expected = keys.defaults.count(lower) ? keys.defaults.at(lower) : QString();
      if (expected.startsWith(u'=')) expected = expected.mid(1);
      EXPECT_EQ(f->DefaultValue(), expected) << lower.toStdString();
    }

    // Rows, matched by the primary key (by position where there is none).
    const std::vector<CsvRow> rows = OracleRows(jet, name);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(td->RecordCount(), static_cast<int>(rows.size()) - 1);
    std::vector<int> key_cols;
    for (const QString &k : keys.primary)
      for (int c = 0; c < td->Fields().Count(); ++c)
        if (td->Fields().Item(c).Name().compare(k, Qt::CaseInsensitive) == 0) key_cols.push_back(c);
    auto rs = db.OpenRecordset(name, dbOpenSnapshot);
    std::map<QString, std::vector<rtl::Variant>> ours;
    int position = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
      std::vector<rtl::Variant> values;
      for (int c = 0; c < rs->FieldCount(); ++c) values.push_back(rs->Fields(c).Value());
      QString key;
      for (int c : key_cols) key += rtl::VarToStr(values[static_cast<size_t>(c)]) + u'|';
      ours[key_cols.empty() ? QString::number(position) : key] = values;
      ++position;
    }
    ASSERT_EQ(rows.front().size(), columns.size());
    for (size_t r = 1; r < rows.size(); ++r) {
      QString key;
      for (int c : key_cols) key += rows[r][static_cast<size_t>(c)].text + u'|';
      auto it = ours.find(key_cols.empty() ? QString::number(r - 1) : key);
      ASSERT_NE(it, ours.end()) << "row " << r << " " << key.toStdString();
      ASSERT_EQ(rows[r].size(), columns.size());
      for (size_t c = 0; c < columns.size(); ++c)
        ExpectSameValue(it->second[c], rows[r][c], rs->Fields(static_cast<int>(c)),
                        "row " + std::to_string(r) + " key " + key.toStdString());
    }
  }
}

// ---- conversion of the real files ----------------------------------------------------

TEST_F(Takeover, DateTestDatabaseIsConvertedWithItsDatesAsTheSameDayCounts) {
  const QString path = Copy(QStringLiteral("DateTestDatabase.mdb"));
  const QByteArray original = FileBytes(path);
  DatabasePtr db = engine_.OpenDatabase(path);
  ASSERT_NE(db->TakenOver(), nullptr);
  const TakeoverSummary &s = *db->TakenOver();
  const QString kept = dir_.filePath(QStringLiteral("DateTestDatabase (Jet).mdb"));
  EXPECT_EQ(s.original, kept);
  EXPECT_EQ(s.format, QStringLiteral("Jet 4"));
  EXPECT_EQ(FileBytes(kept), original);
  EXPECT_EQ(FolderEntries(dir_.path()), (QStringList{"DateTestDatabase (Jet).mdb", "DateTestDatabase.mdb"}));
  EXPECT_TRUE(FileBytes(path).startsWith("SQLite format 3"));
  EXPECT_EQ(s.Notice(), QStringLiteral("L'archivio \"DateTestDatabase.mdb\" era nel formato Jet 4 ed è stato "
                                       "convertito nel formato del programma: 1 tabelle, 6 righe, 0 query.\n\n"
                                       "L'archivio originale è conservato, invariato, in:\n") +
                            kept);
  ExpectSameTables(kept, *db);

  // Where the reader cannot print a date, the calendar says what the file holds.
  auto rs = db->OpenRecordset(QStringLiteral("SELECT * FROM DateTest ORDER BY IDCol"), dbOpenSnapshot);
  std::vector<std::array<double, 3>> dates;
  for (; !rs->Eof(); rs->MoveNext())
    dates.push_back(
        {rs->Fields(1).Value().AsDouble(), rs->Fields(2).Value().AsDouble(), rs->Fields(3).Value().AsDouble()});
  ASSERT_EQ(dates.size(), 6u);
  EXPECT_EQ(dates[0][0], rtl::EncodeDate(2021, 12, 2));
  EXPECT_EQ(dates[1][0], rtl::EncodeDate(9999, 1, 1));
  EXPECT_EQ(dates[2][0], rtl::EncodeDate(1898, 1, 1));
  EXPECT_EQ(dates[2][1], rtl::EncodeDate(1899, 1, 1));
  EXPECT_EQ(dates[2][2], rtl::EncodeDate(1900, 1, 1));
  EXPECT_EQ(dates[3][0], rtl::EncodeDate(632, 1, 1));
  EXPECT_EQ(dates[3][2], rtl::EncodeDate(634, 1, 1));
  db->Close();

  // Opening the converted file again converts nothing and says nothing.
  DatabasePtr again = engine_.OpenDatabase(path);
  EXPECT_EQ(again->TakenOver(), nullptr);
  again->Close();
  EXPECT_EQ(FolderEntries(dir_.path()).size(), 2);
}

TEST_F(Takeover, NwindKeepsEveryTableKeyIndexRowAndQuery) {
  const QString path = Copy(QStringLiteral("nwind.mdb"));
  // A text with the euro sign, which the file's code page (Windows-1252)
  // keeps at byte 0x80: "Bolívar" becomes "Bol€var" wherever the file has it.
  QByteArray bytes = FileBytes(path);
  ASSERT_GT(bytes.count("Bol\xEDvar"), 1);
  bytes.replace("Bol\xEDvar", "Bol\x80var");
  WriteBytes(path, bytes);

  DatabasePtr db = engine_.OpenDatabase(path);
  ASSERT_NE(db->TakenOver(), nullptr);
  const TakeoverSummary s = *db->TakenOver();
  const QString kept = dir_.filePath(QStringLiteral("nwind (Jet).mdb"));
  EXPECT_EQ(FileBytes(kept), bytes);
  EXPECT_EQ(s.format, QStringLiteral("Jet 3"));
  EXPECT_EQ(s.TotalRows(), 4032);
  ExpectSameTables(kept, *db);

  auto euro = db->OpenRecordset(QStringLiteral("SELECT ShipAddress FROM Orders WHERE ShipAddress LIKE '*Bol€var*'"),
                                dbOpenSnapshot);
  EXPECT_FALSE(euro->Eof());
  auto accents =
      db->OpenRecordset(QStringLiteral("SELECT CompanyName FROM Customers WHERE CustomerID = 'BERGS'"), dbOpenSnapshot);
  EXPECT_EQ(accents->Fields(0).Value().AsString(), QStringLiteral("Berglunds snabbköp"));
  auto umlaut = db->OpenRecordset(QStringLiteral("Umsätze"), dbOpenTable);
  EXPECT_EQ(umlaut->RecordCount(), 830);

  // The stored queries: all of them listed and kept, the crosstab one
  // (which the engine cannot run) reported, every other one running.
  QStringList listed = s.queries, oracle = OracleQueries(kept);
  listed.sort();
  oracle.sort();
  EXPECT_EQ(listed, oracle);
  ASSERT_EQ(s.untranslated.size(), 1u);
  EXPECT_EQ(s.untranslated[0].name, QStringLiteral("Quarterly Orders by Product"));
  EXPECT_TRUE(s.untranslated[0].sql.startsWith(QLatin1String("TRANSFORM Sum("))) << s.untranslated[0].sql.toStdString();
  EXPECT_TRUE(s.Notice().contains(QLatin1String("\"Quarterly Orders by Product\""))) << s.Notice().toStdString();
  EXPECT_EQ(db->QueryDefs().Count(), oracle.size());
  for (const QString &name : s.queries) {
    SCOPED_TRACE(name.toStdString());
    QueryDef &q = db->QueryDefs().Item(name);
    EXPECT_FALSE(q.SQL().isEmpty());
    if (name == s.untranslated[0].name) {
      EXPECT_EQ(q.SQL(), s.untranslated[0].sql);
      continue;
    }
    for (const auto &p : q.Parameters())
      p->SetValue(
          p->Type() == dbDate
              ? rtl::Variant::FromDate(rtl::EncodeDate(
                    p->Name().startsWith(u'E') || p->Name().contains(QLatin1String("Ending")) ? 1996 : 1994, 1, 1))
              : rtl::Variant(10248));
    RecordsetPtr rs;
    ASSERT_NO_THROW(rs = q.OpenRecordset(dbOpenSnapshot));
    if (!rs->Eof()) rs->MoveLast();
  }
  auto top = db->QueryDefs().Item(QStringLiteral("Ten Most Expensive Products")).OpenRecordset(dbOpenSnapshot);
  top->MoveLast();
  EXPECT_EQ(top->RecordCount(), 10);
  top->MoveFirst();
  EXPECT_EQ(top->Fields(0).Value().AsString(), QStringLiteral("Côte de Blaye"));
  EXPECT_DOUBLE_EQ(top->Fields(1).Value().AsDouble(), 263.5);
  auto subtotals = db->QueryDefs().Item(QStringLiteral("Order Subtotals")).OpenRecordset(dbOpenSnapshot);
  subtotals->MoveLast();
  EXPECT_EQ(subtotals->RecordCount(), 830);
  db->Close();
}

// ---- what stays in the folder --------------------------------------------------------

TEST_F(Takeover, AnOriginalAlreadyKeptIsNeverReplaced) {
  const QString path = Copy(QStringLiteral("DateTestDatabase.mdb"));
  const QString first = dir_.filePath(QStringLiteral("DateTestDatabase (Jet).mdb"));
  WriteBytes(first, "an older copy");
  const TakeoverSummary s = TakeOverJetFile(path);
  EXPECT_EQ(s.original, dir_.filePath(QStringLiteral("DateTestDatabase (Jet 2).mdb")));
  EXPECT_EQ(FileBytes(first), QByteArray("an older copy"));
  EXPECT_EQ(FileBytes(s.original), FileBytes(JetTestFile(QStringLiteral("DateTestDatabase.mdb"))));
  EXPECT_EQ(KeptJetName(QStringLiteral("/a/b/orbisca4.mdb"), 1), QStringLiteral("/a/b/orbisca4 (Jet).mdb"));
  EXPECT_EQ(KeptJetName(QStringLiteral("/a/archivio"), 3), QStringLiteral("/a/archivio (Jet 3)"));
}

TEST_F(Takeover, ConvertingToAnotherFileLeavesTheOriginalInPlace) {
  const QString path = Copy(QStringLiteral("DateTestDatabase.mdb"));
  const QString target = dir_.filePath(QStringLiteral("nuovo.mdb"));
  const TakeoverSummary s = ConvertJetFile(path, target);
  EXPECT_TRUE(s.original.isEmpty());
  EXPECT_EQ(FileBytes(path), FileBytes(JetTestFile(QStringLiteral("DateTestDatabase.mdb"))));
  EXPECT_EQ(FolderEntries(dir_.path()), (QStringList{"DateTestDatabase.mdb", "nuovo.mdb"}));
  EXPECT_EQ(engine_.OpenDatabase(target)->TableDefs().Item(QStringLiteral("DateTest")).RecordCount(), 6);
  // An existing target is never replaced.
  EXPECT_EQ(ErrorOf([&] { ConvertJetFile(path, target); }), kErrDatabaseExists);
}

// ---- failures ----------------------------------------------------------------------------

class TakeoverFailure : public Takeover {
 protected:
  // Converts `bytes` written as "nwind.mdb": the conversion fails, the file
  // stays byte for byte, nothing else is left; returns the error text.
  QString ExpectRefused(const QByteArray &bytes, int number) {
    const QString path = dir_.filePath(QStringLiteral("nwind.mdb"));
    WriteBytes(path, bytes);
    QString text;
    EXPECT_EQ(ErrorOf([&] { engine_.OpenDatabase(path); }, &text), number) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("L'archivio originale non è stato modificato."))) << text.toStdString();
    EXPECT_TRUE(FileBytes(path) == bytes);
    EXPECT_EQ(FolderEntries(dir_.path()), QStringList{QStringLiteral("nwind.mdb")});
    return text;
  }
};

TEST_F(TakeoverFailure, TruncatedFilesAreRefused) {
  const QByteArray whole = FileBytes(JetTestFile(QStringLiteral("nwind.mdb")));
  EXPECT_TRUE(ExpectRefused(whole.left(1500000), kErrDamaged).contains(QLatin1String("troncato")));
  // Cut at a page boundary the length says nothing: the reader finds the pages missing.
  ExpectRefused(whole.left(733 * 2048), kErrDamaged);
  ExpectRefused(whole.left(8 * 2048), kErrDamaged);
}

TEST_F(TakeoverFailure, ADamagedPageIsRefused) {
  const QByteArray whole = FileBytes(JetTestFile(QStringLiteral("nwind.mdb")));
  // The data page (type 1) holding an order of "LILA-Supermercado", its rows overwritten.
  qsizetype page = -1;
  for (qsizetype at = whole.indexOf("LILA-Supermercado"); at >= 0 && page < 0;
       at = whole.indexOf("LILA-Supermercado", at + 1))
    if (whole[at / 2048 * 2048] == 1) page = at / 2048 * 2048;
  ASSERT_GT(page, 0);
  QByteArray damaged = whole;
  quint32 x = 12345;
  for (qsizetype i = page + 8; i < page + 2048; ++i) {
    x = x * 1103515245u + 12345u;
    damaged[i] = static_cast<char>(x >> 24);
  }
  ExpectRefused(damaged, kErrDamaged);
}

TEST_F(TakeoverFailure, AFileBeingConvertedElsewhereIsLeftAlone) {
  const QString path = Copy(QStringLiteral("DateTestDatabase.mdb"));
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(ErrorOf([&] { TakeOverJetFile(path); }), kErrLocked);
  ::close(fd);
  EXPECT_EQ(FolderEntries(dir_.path()), QStringList{QStringLiteral("DateTestDatabase.mdb")});
}

TEST_F(TakeoverFailure, AConversionKilledHalfWayLeavesNothingBehind) {
  const QString path = Copy(QStringLiteral("nwind.mdb"));
  const QByteArray original = FileBytes(path);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // Killed as a user or the system would: no clean-up runs.
    TakeoverOptions options;
    options.progress = [](qint64 done, qint64, const QString &) {
      if (done > 0) ::raise(SIGKILL);
    };
    try {
      TakeOverJetFile(path, options);
    } catch (...) {
      ::_exit(1);  // failed before the kill: the parent sees no SIGKILL
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_EQ(FileBytes(path), original);
  EXPECT_EQ(FolderEntries(dir_.path()), QStringList{QStringLiteral("nwind.mdb")});
  // The next attempt converts it.
  EXPECT_EQ(TakeOverJetFile(path).TotalRows(), 4032);
}

}  // namespace
}  // namespace jet::testing
