// The one judgement of the program's database, asked at start (before the
// tables open) and at exit (before the repair, the compaction and the
// archive): on the same files both give the same verdict, a file refused
// is never written, and "backup4.cab" is replaced only by a sound database.
#include "app/archivecheck.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/backup.h"
#include "app/menulogic.h"
#include "platform/jet/engine.h"
#include "platform/jet/takeover.h"
#include "platform/vcl/dialogs.h"
#include "tests/app/app_fixture.h"
#include "tests/platform/jet/jetfile_fixture.h"
#include "tests/support/damage.h"

namespace app::testing {
namespace {

using TKind = TArchiveVerdict::TKind;

// Answers every message dialog with OK and keeps its text.
class Messages {
 public:
  Messages() {
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &r) {
      texts << r.text;
      return vcl::mrOk;
    });
  }
  ~Messages() { vcl::SetDialogResponder(previous_); }
  QStringList texts;

 private:
  vcl::TDialogResponder previous_;
};

// The files a shop's "orbisca4.mdb" turned out to be.
enum class TFile {
  Good,
  Emptied,
  HeaderOverwritten,
  TextFile,
  JetFile,
  OtherSqlite,
  ConvertedWithoutTables,
  PagesDamaged
};

struct TCase {
  TFile file;
  const char *name;
  TKind kind;
};

const TCase kCases[] = {
    {TFile::Good, "good", TKind::Sound},
    {TFile::Emptied, "emptied", TKind::Damaged},
    {TFile::HeaderOverwritten, "header overwritten", TKind::Damaged},
    {TFile::TextFile, "a text file", TKind::Damaged},
    // A Jet file the start cannot convert (a whole one is converted at
    // start, and then judged as what it became).
    {TFile::JetFile, "a Jet file", TKind::JetFormat},
    {TFile::OtherSqlite, "another program's SQLite file", TKind::Foreign},
    {TFile::ConvertedWithoutTables, "a converted archive without the shop's tables", TKind::Incomplete},
    {TFile::PagesDamaged, "pages damaged", TKind::Damaged},
};

// nwind.mdb converted once for the whole run.
QString ConvertedNwind() {
  static QTemporaryDir dir;
  static const QString path = [] {
    const QString out = dir.filePath(QStringLiteral("nwind.mdb"));
    jet::ConvertJetFile(jet::testing::JetTestFile(QStringLiteral("nwind.mdb")), out);
    return out;
  }();
  return path;
}

// Turns the good database at `path` into the case's file.
void Make(TFile file, const QString &path) {
  QByteArray bytes = test_support::ReadWholeFile(path);
  switch (file) {
    case TFile::Good:
      return;
    case TFile::Emptied:
      ASSERT_TRUE(test_support::ApplyDamage(test_support::Damage::Emptied, path));
      return;
    case TFile::HeaderOverwritten:
      for (int i = 0; i < 16; ++i) bytes[i] = static_cast<char>(0xA5 ^ i);
      ASSERT_TRUE(test_support::WriteWholeFile(path, bytes));
      return;
    case TFile::TextFile:
      ASSERT_TRUE(test_support::ApplyDamage(test_support::Damage::TextFile, path));
      return;
    case TFile::JetFile: {
      // Cut inside its pages: the conversion refuses it.
      const QByteArray jet = jet::testing::FileBytes(jet::testing::JetTestFile(QStringLiteral("nwind.mdb")));
      ASSERT_TRUE(test_support::WriteWholeFile(path, jet.left(1500000)));
      return;
    }
    case TFile::OtherSqlite: {
      QFile::remove(path);
      sqlite3 *db = nullptr;
      ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
      EXPECT_EQ(sqlite3_exec(db,
                             "CREATE TABLE Giacenza (Barcode18 TEXT, Giacenza REAL);"
                             "INSERT INTO Giacenza VALUES ('977556677889900000', 5)",
                             nullptr, nullptr, nullptr),
                SQLITE_OK);
      sqlite3_close(db);
      return;
    }
    case TFile::ConvertedWithoutTables:
      ASSERT_TRUE(test_support::WriteWholeFile(path, test_support::ReadWholeFile(ConvertedNwind())));
      return;
    case TFile::PagesDamaged:
      ASSERT_TRUE(test_support::SpoilRootPage(path, QStringLiteral("Giornale")));
      return;
  }
}

class SameJudgementTest : public DataFolder, public ::testing::WithParamInterface<TCase> {};

TEST_P(SameJudgementTest, AtStartAndAtExit) {
  const TCase c = GetParam();
  Messages messages;

  // The start: the judgement refuses the file before the tables open, and
  // leaves it as it was.
  QTemporaryDir start_dir;
  const QString start_folder = start_dir.path() + QLatin1Char('/');
  const QString start_file = start_folder + QStringLiteral("orbisca4.mdb");
  ASSERT_TRUE(QFile::copy(DatabasePath(), start_file));
  Make(c.file, start_file);
  const QByteArray start_bytes = test_support::ReadWholeFile(start_file);
  TMenuLogic at_start;
  at_start.percorso = start_folder;
  QString refusal;
  try {
    at_start.OpenArchives();
  } catch (const rtl::Exception &e) {
    refusal = e.Message();
  }
  EXPECT_EQ(at_start.StartVerdict().kind, c.kind) << at_start.StartVerdict().Why().toStdString();
  EXPECT_EQ(refusal.isEmpty(), c.kind == TKind::Sound) << refusal.toStdString();
  if (!refusal.isEmpty()) {
    EXPECT_TRUE(refusal.contains(QDir::toNativeSeparators(start_file))) << refusal.toStdString();
    EXPECT_FALSE(at_start.ArchiveUsable());
    // Neither the "Backup" command nor the exit writes a file refused at
    // start, nor archives it.
    TBackup backup(&at_start);
    backup.btn_backupClick();
    at_start.CloseArchives();
    EXPECT_NE(ExitBackup(at_start), TExitBackup::Written);
    EXPECT_TRUE(test_support::ReadWholeFile(start_file) == start_bytes);
    EXPECT_FALSE(QFile::exists(start_folder + QStringLiteral("backup4.cab")));
  }

  // The exit: the day began on a good database and wrote a good archive;
  // then the file became the case's file under the running program.
  TMenuLogic at_exit;
  at_exit.percorso = folder_;
  at_exit.OpenArchives();
  at_exit.CloseArchives();
  ASSERT_EQ(ExitBackup(at_exit), TExitBackup::Written);
  const QByteArray good_archive = test_support::ReadWholeFile(folder_ + QStringLiteral("backup4.cab"));
  at_exit.OpenArchives();
  at_exit.CloseArchives();
  Make(c.file, DatabasePath());
  const QByteArray exit_bytes = test_support::ReadWholeFile(DatabasePath());
  const TArchiveVerdict at_exit_verdict = JudgeForBackup(at_exit);
  EXPECT_EQ(at_exit_verdict.kind, c.kind) << at_exit_verdict.Why().toStdString();
  EXPECT_EQ(JudgeArchive(DatabasePath()).kind, c.kind);
  // The "Backup" command asks the same.
  messages.texts.clear();
  {
    TBackup backup(&at_exit);
    backup.btn_backupClick();
    at_exit.CloseArchives();
  }
  if (c.kind != TKind::Sound) {
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Backup fallito !\n") + at_exit_verdict.Why()))
        << messages.texts[0].toStdString();
    EXPECT_TRUE(test_support::ReadWholeFile(folder_ + QStringLiteral("backup4.cab")) == good_archive);
    EXPECT_TRUE(test_support::ReadWholeFile(DatabasePath()) == exit_bytes);
  }
  messages.texts.clear();
  const TExitBackup done = ExitBackup(at_exit);
  if (c.kind == TKind::Sound) {
    EXPECT_EQ(done, TExitBackup::Written);
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
    return;
  }
  EXPECT_EQ(done, c.kind == TKind::Damaged ? TExitBackup::KeptDamaged : TExitBackup::KeptRefused);
  EXPECT_TRUE(test_support::ReadWholeFile(folder_ + QStringLiteral("backup4.cab")) == good_archive);
  EXPECT_TRUE(test_support::ReadWholeFile(DatabasePath()) == exit_bytes);
  ASSERT_EQ(messages.texts.size(), 1);
  const QString &text = messages.texts[0];
  EXPECT_TRUE(text.startsWith(QStringLiteral("Backup automatico non possibile !\n"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("«") + QDir::toNativeSeparators(DatabasePath()) + QStringLiteral("»")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("«") + QDir::toNativeSeparators(folder_ + QStringLiteral("backup4.cab")) +
                            QStringLiteral("» è stata lasciata com'era")))
      << text.toStdString();
  EXPECT_TRUE(QDir(dir_.path()).entryList({QStringLiteral("~orbisca-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryFile, SameJudgementTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCase> &info) {
                           QString name = QString::fromLatin1(info.param.name);
                           name.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")));
                           return name.toStdString();
                         });

// What the judgement says of a database with the engine's catalogue but
// not all of the program's objects, and of a Jet file brought back after
// the start.
class ArchiveJudgementTest : public DataFolder {};

TEST_F(ArchiveJudgementTest, NamesWhatIsMissing) {
  {
    jet::DBEngine engine;
    auto db = engine.OpenDatabase(DatabasePath());
    db->DeleteQueryDef(QStringLiteral("Storico"));
    db->Execute(QStringLiteral("DROP TABLE Allegati"));
    db->Close();
  }
  const TArchiveVerdict v = JudgeArchive(DatabasePath());
  EXPECT_EQ(v.kind, TKind::Incomplete);
  EXPECT_EQ(v.detail, QStringLiteral("manca la tabella «Allegati»; manca la query «Storico»"));
  EXPECT_EQ(v.Why(), QStringLiteral("L'archivio dei dati «%1» non ha le tabelle del programma (%2)")
                         .arg(QDir::toNativeSeparators(DatabasePath()), v.detail));

  const QString jet =
      jet::testing::CopyJetTestFile(QStringLiteral("DateTestDatabase.mdb"), dir_.path(), QStringLiteral("vecchio.mdb"));
  const QByteArray before = jet::testing::FileBytes(jet);
  EXPECT_EQ(JudgeArchive(jet).kind, TKind::JetFormat);
  EXPECT_TRUE(LooksLikeJetFile(jet));
  EXPECT_EQ(jet::testing::FileBytes(jet), before);  // judged, never converted
  EXPECT_EQ(JudgeArchive(dir_.filePath(QStringLiteral("manca.mdb"))).kind, TKind::Missing);
  EXPECT_EQ(JudgeArchive(dir_.path()).kind, TKind::Foreign);
}

}  // namespace
}  // namespace app::testing
