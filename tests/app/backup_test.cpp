// The backup of the data folder and the cabinet component that writes it:
// what the archive holds (checked by extracting it with `cabextract`), that
// the program's tables come back after the command whatever happened, that a
// failed run reports itself and keeps the previous archive, and how the
// component splits cabinets and raises its events.
#include "app/backup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <map>

#include "app/cabwriter.h"
#include "app/menuform.h"
#include "app/menulogic.h"
#include "platform/jet/engine.h"
#include "platform/vcl/dialogs.h"
#include "tests/app/app_fixture.h"
#include "tests/support/damage.h"

namespace app::testing {
namespace {

using Archive = std::map<QString, QByteArray>;

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

// Answers every message dialog with OK and keeps its text.
class MessageCatcher {
 public:
  MessageCatcher() {
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &r) {
      texts << r.text;
      return vcl::mrOk;
    });
  }
  ~MessageCatcher() { vcl::SetDialogResponder(previous_); }
  QStringList texts;

 private:
  vcl::TDialogResponder previous_;
};

class BackupTest : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    if (QStandardPaths::findExecutable(QStringLiteral("cabextract")).isEmpty())
      GTEST_SKIP() << "cabextract is not installed (scripts/setup installs it)";
    WriteFile(Path("orbiscacfg.ini"), "[MenuForm]\r\npos_totali=Destra\r\n");
    WriteFile(Path("giacenze.kvf"), QByteArray(70000, 'g'));
    WriteFile(Path("vendite.kvf"), "modello vendite");
    WriteFile(Path("note.txt"), "not part of the backup");
  }

  QString Path(const char *name) const { return folder_ + QLatin1String(name); }

  // Every file of the archive by its stored name.
  Archive Extract(const QString &cab) {
    const QString out = dir_.filePath(QStringLiteral("estratti%1").arg(++extractions_));
    QDir().mkpath(out);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out, cab});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    Archive files;
    for (const QString &name : QDir(out).entryList(QDir::Files)) files[name] = ReadAll(out + QLatin1Char('/') + name);
    return files;
  }
  // The stored names in the order the archive lists them.
  QStringList Listing(const QString &cab) {
    QProcess p;
    p.start(QStringLiteral("cabextract"), {QStringLiteral("-l"), cab});
    p.waitForFinished(60000);
    QStringList names;
    for (const QString &line : QString::fromLocal8Bit(p.readAll()).split(QLatin1Char('\n')))
      if (line.count(QLatin1Char('|')) == 2) names << line.section(QLatin1Char('|'), 2).trimmed();
    names.removeAll(QStringLiteral("Name"));
    return names;
  }

  void OpenLogic() {
    logic_.percorso = folder_;
    logic_.ShowError = [](const QString &) {};
    logic_.OpenArchives();
    logic_.first_paint = false;
    logic_.pageRecalc();
  }
  void ExpectTablesOpen() {
    EXPECT_TRUE(logic_.Database->Connected());
    for (auto *t : {logic_.riviste, logic_.Giacenze, logic_.Periodo, logic_.giornale, logic_.Allegati})
      EXPECT_TRUE(t->Active()) << t->Name().toStdString();
  }

  TMenuLogic logic_;
  int extractions_ = 0;
};

TEST_F(BackupTest, CommandArchivesDatabaseTemplatesAndSettingsAndReopens) {
  OpenLogic();
  logic_.active_page = TPage::Scarico;
  TBackup backup(&logic_);
  QStringList shown;
  backup.ShowStatus = [&](const QString &text) { shown << text; };
  MessageCatcher messages;
  backup.btn_backupClick();

  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("Backup in corso ..."), QStringLiteral("...")}));
  ExpectTablesOpen();
  EXPECT_EQ(logic_.active_page, TPage::Carico);
  EXPECT_EQ(logic_.lb_showrivista, QStringLiteral("..."));

  const QString cab = Path("backup4.cab");
  EXPECT_EQ(Listing(cab), (QStringList{QStringLiteral("orbisca4.mdb"), QStringLiteral("giacenze.kvf"),
                                       QStringLiteral("vendite.kvf"), QStringLiteral("orbiscacfg.ini")}));
  Archive files = Extract(cab);
  EXPECT_EQ(files[QStringLiteral("giacenze.kvf")], QByteArray(70000, 'g'));
  EXPECT_EQ(files[QStringLiteral("vendite.kvf")], QByteArray("modello vendite"));
  EXPECT_EQ(files[QStringLiteral("orbiscacfg.ini")], ReadAll(Path("orbiscacfg.ini")));
  // The archived database is the closed, compacted file: the program's
  // engine opens it and finds the stock.
  const QByteArray db = files[QStringLiteral("orbisca4.mdb")];
  ASSERT_FALSE(db.isEmpty());
  QFile::remove(Path("orbisca4.mdb"));
  logic_.CloseArchives();
  WriteFile(Path("orbisca4.mdb"), db);
  EXPECT_EQ(StockOf(kStocked), 5);
}

TEST_F(BackupTest, SecondRunHoldsTheCurrentFilesOnly) {
  OpenLogic();
  TBackup backup(&logic_);
  MessageCatcher messages;
  backup.btn_backupClick();
  QFile::remove(Path("vendite.kvf"));
  QFile::remove(Path("giacenze.kvf"));
  WriteFile(Path("resi.kvf"), "modello resi");
  backup.btn_backupClick();

  EXPECT_TRUE(messages.texts.isEmpty());
  const Archive files = Extract(Path("backup4.cab"));
  QStringList names;
  for (const auto &entry : files) names << entry.first;
  // Without templates of the earlier run, and the archive is not inside itself.
  EXPECT_EQ(names, (QStringList{QStringLiteral("orbisca4.mdb"), QStringLiteral("orbiscacfg.ini"),
                                QStringLiteral("resi.kvf")}));
  EXPECT_FALSE(QFile::exists(Path("backup4.cab.part")));
}

TEST_F(BackupTest, FolderWithoutTemplatesStillHoldsDatabaseAndSettings) {
  QFile::remove(Path("giacenze.kvf"));
  QFile::remove(Path("vendite.kvf"));
  EXPECT_TRUE(AutomaticBackup(folder_));
  EXPECT_EQ(Listing(Path("backup4.cab")),
            (QStringList{QStringLiteral("orbisca4.mdb"), QStringLiteral("orbiscacfg.ini")}));
}

TEST_F(BackupTest, UnreadableTemplateFailsTheCommandKeepsTheOldArchiveAndReopens) {
  OpenLogic();
  TBackup backup(&logic_);
  MessageCatcher messages;
  backup.btn_backupClick();
  const QByteArray good = ReadAll(Path("backup4.cab"));
  ASSERT_FALSE(good.isEmpty());

  // A template that lists but cannot be opened (a link to a file gone).
  ASSERT_TRUE(QFile::link(Path("sparito.kvf"), Path("rotto.kvf")));
  backup.btn_backupClick();
  EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Backup fallito !")});
  ExpectTablesOpen();
  EXPECT_EQ(logic_.lb_showrivista, QStringLiteral("..."));
  EXPECT_EQ(ReadAll(Path("backup4.cab")), good);
  EXPECT_FALSE(QFile::exists(Path("backup4.cab.part")));

  // At exit the same failure has its own text, and the shutdown goes on.
  logic_.CloseArchives();
  messages.texts.clear();
  EXPECT_FALSE(AutomaticBackup(folder_));
  EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Backup automatico non possibile !")});
}

TEST_F(BackupTest, MissingDatabaseWritesNoArchiveAndLeavesTheTablesOpen) {
  OpenLogic();
  TBackup backup(&logic_);
  MessageCatcher messages;
  // The data folder points where there is no database: nothing to archive.
  const QString folder = logic_.percorso;
  logic_.percorso = dir_.filePath(QStringLiteral("altrove/"));
  backup.btn_backupClick();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Backup fallito !\nL'archivio dei dati «")));
  EXPECT_FALSE(QFile::exists(logic_.percorso + QStringLiteral("backup4.cab")));
  logic_.percorso = folder;
  ExpectTablesOpen();
  EXPECT_EQ(logic_.lb_showrivista, QStringLiteral("..."));
}

// --- the shutdown of the main window -------------------------------------------------

class ShutdownBackupTest : public BackupTest {
 protected:
  void StartAndClose() {
    StartMainWindowAndClose({}, [](TMenuForm &form) { EXPECT_FALSE(form.pn_top->Enabled()); });
  }
};

TEST_F(ShutdownBackupTest, ClosingTheMainWindowWritesTheArchive) {
  MessageCatcher messages;
  StartAndClose();
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
  EXPECT_EQ(Listing(Path("backup4.cab")).value(0), QStringLiteral("orbisca4.mdb"));
}

TEST_F(ShutdownBackupTest, FailedArchiveAtExitIsReportedAndTheWindowStillCloses) {
  ASSERT_TRUE(QFile::link(Path("sparito.kvf"), Path("rotto.kvf")));
  MessageCatcher messages;
  StartAndClose();
  EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Backup automatico non possibile !")});
  EXPECT_FALSE(QFile::exists(Path("backup4.cab")));
}

// --- a damaged or missing database -----------------------------------------------------------
//
// The archive is the last good copy of the shop's data: a database that is
// damaged or gone is never archived over it.

class DamagedDatabaseTest : public ShutdownBackupTest, public ::testing::WithParamInterface<test_support::Damage> {};

TEST_P(DamagedDatabaseTest, StartAndCloseKeepTheLastGoodArchiveAndTheFile) {
  const test_support::Damage damage = GetParam();
  MessageCatcher messages;
  StartAndClose();  // a good day's exit writes the archive
  const QByteArray good = ReadAll(Path("backup4.cab"));
  ASSERT_FALSE(good.isEmpty());
  ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
  ASSERT_TRUE(test_support::ApplyDamage(damage, Path("orbisca4.mdb")));
  const QByteArray damaged = ReadAll(Path("orbisca4.mdb"));

  StartAndClose();
  EXPECT_TRUE(ReadAll(Path("backup4.cab")) == good);
  EXPECT_EQ(QFileInfo::exists(Path("orbisca4.mdb")), damage != test_support::Damage::Removed);
  EXPECT_TRUE(ReadAll(Path("orbisca4.mdb")) == damaged);
  EXPECT_TRUE(QDir(dir_.path()).entryList({QStringLiteral("~orbisca-*")}, QDir::Files | QDir::Hidden).isEmpty());

  // The start says what is wrong and what to do, naming the file and the
  // archive; the exit says the archive was kept.
  ASSERT_EQ(messages.texts.size(), 2) << messages.texts.join("\n").toStdString();
  const QString file =
      QDir::toNativeSeparators(QDir::current().filePath(dir_.path() + QStringLiteral("/orbisca4.mdb")));
  const QString start = messages.texts[0];
  EXPECT_TRUE(start.startsWith(QStringLiteral("L'archivio dei dati «"))) << start.toStdString();
  EXPECT_TRUE(start.contains(QStringLiteral("orbisca4.mdb»"))) << start.toStdString();
  EXPECT_TRUE(start.contains(QStringLiteral("backup4.cab»"))) << start.toStdString();
  EXPECT_TRUE(start.contains(damage == test_support::Damage::Removed ? QStringLiteral("non è stato trovato")
                                                                     : QStringLiteral("è danneggiato")))
      << start.toStdString();
  const QString exit = messages.texts[1];
  EXPECT_TRUE(exit.startsWith(QStringLiteral("Backup automatico non possibile !\n"))) << exit.toStdString();
  EXPECT_TRUE(exit.contains(QStringLiteral("conserva i dati dell'ultimo backup riuscito"))) << exit.toStdString();
}

INSTANTIATE_TEST_SUITE_P(EveryDamage, DamagedDatabaseTest, ::testing::ValuesIn(test_support::kAllDamages),
                         [](const ::testing::TestParamInfo<test_support::Damage> &info) {
                           QString name = QString::fromLatin1(test_support::DamageName(info.param));
                           name.remove(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")));
                           return name.toStdString();
                         });

TEST_F(BackupTest, DamageMetDuringTheDayRefusesRegistrationsAndKeepsTheLastGoodArchive) {
  OpenLogic();
  TBackup backup(&logic_);
  MessageCatcher messages;
  backup.btn_backupClick();
  const QByteArray good = ReadAll(Path("backup4.cab"));
  ASSERT_TRUE(messages.texts.isEmpty());
  QStringList errors;
  logic_.ShowError = [&](const QString &text) { errors << text; };

  // The journal's pages go bad under the running program: the sale that
  // meets the damage is undone whole, and from then on nothing is written
  // into the file.
  ASSERT_TRUE(test_support::SpoilRootPage(Path("orbisca4.mdb"), QStringLiteral("Giornale"), true));
  logic_.active_page = TPage::Scarico;
  for (int sale = 0; sale < 2; ++sale) {
    logic_.ingresso_barcode = kStocked;
    logic_.ingresso_barcodeExit();
    logic_.btn_scaricoClick();
  }
  EXPECT_EQ(logic_.ArchiveState(), TMenuLogic::TArchiveState::Damaged);
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0].startsWith(
      QStringLiteral("Registrazione non eseguita, l'archivio non è stato modificato:\nL'archivio dei dati «")))
      << errors[0].toStdString();
  EXPECT_TRUE(errors[1].startsWith(QStringLiteral("Registrazione non eseguita.\nL'archivio dei dati «")))
      << errors[1].toStdString();
  EXPECT_EQ(StockOf(kStocked), 5);

  // The command and the exit both keep the archive.
  backup.btn_backupClick();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Backup fallito !\n")));
  logic_.CloseArchives();
  EXPECT_EQ(ExitBackup(logic_), TExitBackup::KeptDamaged);
  EXPECT_TRUE(ReadAll(Path("backup4.cab")) == good);
}

TEST_F(BackupTest, DamageOnlyTheExitsCheckFindsKeepsTheLastGoodArchive) {
  OpenLogic();
  // Every message is answered, so a wrong decision fails here by name
  // instead of waiting for a person.
  MessageCatcher messages;
  EXPECT_EQ(ExitBackup(logic_), TExitBackup::Written);  // closing the tables is the exit's first step
  EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
  const QByteArray good = ReadAll(Path("backup4.cab"));
  logic_.OpenArchives();
  // An index nobody read today goes bad: only the exit's check sees it.
  ASSERT_TRUE(test_support::SpoilRootPage(Path("orbisca4.mdb"), QStringLiteral("Giacenza.PrimaryKey")));
  const QByteArray damaged = ReadAll(Path("orbisca4.mdb"));
  logic_.CloseArchives();
  int tidied = 0;
  EXPECT_EQ(ExitBackup(logic_, [&] { ++tidied; }), TExitBackup::KeptDamaged);
  EXPECT_EQ(tidied, 1);
  EXPECT_TRUE(ReadAll(Path("backup4.cab")) == good);
  EXPECT_TRUE(ReadAll(Path("orbisca4.mdb")) == damaged);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("è danneggiato: non è stato copiato")));

  // A database gone from the folder writes no archive either.
  jet::DBEngine::ForgetDamage(Path("orbisca4.mdb"));
  QFile::remove(Path("orbisca4.mdb"));
  messages.texts.clear();
  EXPECT_EQ(ExitBackup(logic_), TExitBackup::KeptMissing);
  EXPECT_TRUE(ReadAll(Path("backup4.cab")) == good);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("non c'è: non è stato copiato niente")));
}

// --- the component -------------------------------------------------------------------------

class CabWriterTest : public BackupTest {};

TEST_F(CabWriterTest, SplitsCabinetsByFileCountAndNamesThemFromTheFirst) {
  TQbCabWriter writer;
  writer.SetCompressionType(cctMsZip);
  writer.SetCabinetFileCountThreshold(2);
  std::vector<QString> next_names;
  writer.OnGetNextCabinet = [&](rtl::TObject *, TCCAB &ccab, std::uint32_t, bool &) {
    next_names.push_back(ccab.szCab);
  };
  QStringList placed;
  writer.OnFilePlaced = [&](rtl::TObject *, const TCCAB &ccab, const QString &name, int, bool, bool &) {
    placed << ccab.szCab + QLatin1Char(':') + name;
  };
  writer.CreateCabinet(dir_.filePath(QStringLiteral("serie/arch.cab")));
  writer.AddFiles(folder_ + QStringLiteral("*.KVF"), QStringLiteral("\\modelli"));
  writer.AddFiles(folder_ + QStringLiteral("*.ini"));
  writer.CloseCabinet(true);
  EXPECT_FALSE(writer.Active());

  EXPECT_EQ(next_names, (std::vector<QString>{QStringLiteral("arch.cab"), QStringLiteral("arch1.cab")}));
  EXPECT_EQ(placed,
            (QStringList{QStringLiteral("arch.cab:modelli\\giacenze.kvf"),
                         QStringLiteral("arch.cab:modelli\\vendite.kvf"), QStringLiteral("arch1.cab:orbiscacfg.ini")}));
  // The first cabinet holds two files and names the next; the tool reads the
  // set through it.
  const QByteArray first = ReadAll(dir_.filePath(QStringLiteral("serie/arch.cab")));
  ASSERT_GT(first.size(), 36);
  EXPECT_EQ(static_cast<quint8>(first[28]) | (static_cast<quint8>(first[29]) << 8), 2);
  EXPECT_EQ(Listing(dir_.filePath(QStringLiteral("serie/arch.cab"))).join(QLatin1Char(',')),
            QStringLiteral("modelli/giacenze.kvf,modelli/vendite.kvf,orbiscacfg.ini"));
  EXPECT_EQ(Extract(dir_.filePath(QStringLiteral("serie/arch1.cab"))).count(QStringLiteral("orbiscacfg.ini")), 1u);
}

TEST_F(CabWriterTest, RecursesIntoSubfoldersUnderThePrefix) {
  QDir().mkpath(folder_ + QStringLiteral("sub/deep"));
  WriteFile(folder_ + QStringLiteral("sub/deep/x.kvf"), "x");
  // A link back up must not make the walk endless.
  QFile::link(folder_, folder_ + QStringLiteral("sub/deep/giro"));
  TQbCabWriter writer;
  writer.SetCompressionType(cctNone);
  writer.CreateCabinet(folder_ + QStringLiteral("r.cab"));
  writer.AddFiles(folder_ + QStringLiteral("*.kvf"), QString(), kCabAddRecurse);
  writer.CloseCabinet(true);
  EXPECT_EQ(
      Listing(folder_ + QStringLiteral("r.cab")),
      (QStringList{QStringLiteral("giacenze.kvf"), QStringLiteral("vendite.kvf"), QStringLiteral("sub/deep/x.kvf")}));
}

TEST_F(CabWriterTest, ProgressOnTheSecondBlockThenEveryNinth) {
  WriteFile(Path("grande.bin"), QByteArray(32768 * 20, 'z'));
  TQbCabWriter writer;
  writer.SetCompressionType(cctMsZip);
  int blocks = 0;
  std::vector<int> progress_at;
  writer.OnFileStatus = [&](rtl::TObject *, std::uint32_t, std::uint32_t, bool &) { ++blocks; };
  writer.OnProgress = [&](rtl::TObject *, bool &) { progress_at.push_back(blocks); };
  std::uint32_t recorded = 0;
  writer.OnCabinetStatus = [&](rtl::TObject *, std::uint32_t, std::uint32_t actual, std::uint32_t &desired, bool &) {
    recorded = actual;
    desired = 0;
  };
  writer.CreateCabinet(folder_ + QStringLiteral("p.cab"));
  writer.AddFile(Path("grande.bin"), QStringLiteral("grande.bin"));
  writer.CloseCabinet(true);
  EXPECT_EQ(blocks, 20);
  EXPECT_EQ(progress_at, (std::vector<int>{2, 11, 20}));
  EXPECT_EQ(recorded, QFileInfo(folder_ + QStringLiteral("p.cab")).size());
}

TEST_F(CabWriterTest, DefaultSettingsWriteAnLzxCabinet) {
  TQbCabWriter writer;
  EXPECT_EQ(writer.CompressionType(), cctLzx);
  EXPECT_EQ(writer.CompressionCode(), 21 * 256 + 3);
  writer.CreateCabinet(folder_ + QStringLiteral("lzx.cab"));
  writer.AddFiles(folder_ + QStringLiteral("*.kvf"));
  writer.AddFiles(folder_ + QStringLiteral("*.ini"));
  writer.CloseCabinet(true);
  const QByteArray cab = ReadAll(folder_ + QStringLiteral("lzx.cab"));
  ASSERT_GT(cab.size(), 44);
  EXPECT_EQ(static_cast<quint8>(cab[42]) | (static_cast<quint8>(cab[43]) << 8), 21 * 256 + 3);
  EXPECT_LT(cab.size(), 2000);  // 70000 equal bytes among them
  const Archive files = Extract(folder_ + QStringLiteral("lzx.cab"));
  EXPECT_EQ(files.size(), 3u);
  for (const char *name : {"giacenze.kvf", "vendite.kvf", "orbiscacfg.ini"})
    EXPECT_EQ(files.at(QLatin1String(name)), ReadAll(Path(name))) << name;

  // At level 15 and with a size threshold: a set named from the template,
  // read whole through its first cabinet.
  WriteFile(Path("rumore.kvf"), [] {
    QByteArray noise(60000, Qt::Uninitialized);
    QRandomGenerator(4).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    return noise;
  }());
  TQbCabWriter split;
  split.SetCompressionLzxLevel(15);
  split.SetCabinetSizeThreshold(20000);
  split.SetCabinetNameTemplate(QStringLiteral("parte*.cab"));
  split.CreateCabinet(dir_.filePath(QStringLiteral("set/parte.cab")));
  split.AddFile(Path("rumore.kvf"), QStringLiteral("rumore.kvf"));
  split.AddFile(Path("giacenze.kvf"), QStringLiteral("giacenze.kvf"));
  split.CloseCabinet(true);
  const QStringList parts = QDir(dir_.filePath(QStringLiteral("set"))).entryList(QDir::Files, QDir::Name);
  ASSERT_GE(parts.size(), 3);
  EXPECT_EQ(parts.mid(0, 3),
            (QStringList{QStringLiteral("parte.cab"), QStringLiteral("parte1.cab"), QStringLiteral("parte2.cab")}));
  for (const QString &part : parts)
    EXPECT_LE(QFileInfo(dir_.filePath(QStringLiteral("set/") + part)).size(), 20000) << part.toStdString();
  const Archive set = Extract(dir_.filePath(QStringLiteral("set/parte.cab")));
  EXPECT_EQ(set.size(), 2u);
  for (const char *name : {"rumore.kvf", "giacenze.kvf"})
    EXPECT_EQ(set.count(QLatin1String(name)) ? set.at(QLatin1String(name)) : QByteArray(), ReadAll(Path(name))) << name;
}

TEST_F(CabWriterTest, AbortsAndRefusalsAreClear) {
  TQbCabWriter writer;
  // Aborting before the first cabinet opens nothing and raises nothing.
  writer.OnGetNextCabinet = [](rtl::TObject *, TCCAB &, std::uint32_t, bool &abort) { abort = true; };
  writer.CreateCabinet(folder_ + QStringLiteral("a.cab"));
  EXPECT_FALSE(writer.Active());
  try {
    writer.AddFile(Path("vendite.kvf"), QStringLiteral("v"));
    ADD_FAILURE() << "no cabinet is open";
  } catch (const EQbCabinet &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("No cabinet is open"));
  }
  writer.OnGetNextCabinet = nullptr;

  writer.CreateCabinet(folder_ + QStringLiteral("a.cab"));
  writer.SetCompressionType(cctMsZip);
  writer.OnFilePlaced = [](rtl::TObject *, const TCCAB &, const QString &, int, bool, bool &abort) { abort = true; };
  EXPECT_THROW(writer.AddFile(Path("vendite.kvf"), QStringLiteral("v")), EQbCabinet);
  writer.CloseCabinet(false);
  EXPECT_FALSE(QFile::exists(folder_ + QStringLiteral("a.cab")));

  EXPECT_THROW(writer.SetCompressionLzxLevel(22), rtl::ERangeError);
  EXPECT_EQ(writer.CompressionLzxLevel(), 21);
  EXPECT_THROW(writer.CreateCabinet(folder_ + QStringLiteral("b.cab"));
               writer.AddFiles(dir_.filePath(QStringLiteral("manca/*.kvf"))), rtl::EOSError);
  EXPECT_EQ(EQbCabinet::ErrorText(42, false), QStringLiteral("FCI error"));
  EXPECT_EQ(EQbCabinet::ErrorText(11, true), QStringLiteral("FDI aborted"));
}

}  // namespace
}  // namespace app::testing
