// A shop that brings its data folder from the old program: the program's
// archive is a Jet file, converted when the archives open, and the user is
// told once where the original is kept.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/menulogic.h"
#include "tests/platform/jet/jetfile_fixture.h"

namespace app::testing {
namespace {

TEST(ArchiveBroughtFromTheOldProgram, IsConvertedWhenTheArchivesOpenAndTheUserToldOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // No Jet file with the program's own tables can be written here: a sample
  // Jet file under the archive's name shows the road up to the tables.
  const QString archive =
      jet::testing::CopyJetTestFile(QStringLiteral("DateTestDatabase.mdb"), dir.path(), QStringLiteral("orbisca4.mdb"));
  TMenuLogic logic;
  logic.percorso = dir.path() + QLatin1Char('/');
  QStringList notices;
  logic.ShowNotice = [&](const QString &text) { notices << text; };
  EXPECT_THROW(logic.OpenArchives(), rtl::Exception);  // the sample lacks the program's tables
  const QString kept = dir.filePath(QStringLiteral("orbisca4 (Jet).mdb"));
  ASSERT_EQ(notices.size(), 1);
  EXPECT_EQ(notices[0], QStringLiteral("L'archivio \"orbisca4.mdb\" era nel formato Jet 4 ed è stato convertito nel "
                                       "formato del programma: 1 tabelle, 6 righe, 0 query.\n\n"
                                       "L'archivio originale è conservato, invariato, in:\n") +
                            kept);
  EXPECT_EQ(jet::testing::FileBytes(kept),
            jet::testing::FileBytes(jet::testing::JetTestFile(QStringLiteral("DateTestDatabase.mdb"))));
  EXPECT_EQ(jet::testing::FolderEntries(dir.path()), (QStringList{"orbisca4 (Jet).mdb", "orbisca4.mdb"}));
  logic.CloseArchives();

  // The next start finds the converted archive: nothing to tell.
  EXPECT_THROW(logic.OpenArchives(), rtl::Exception);
  EXPECT_EQ(notices.size(), 1);
  logic.CloseArchives();
}

TEST(ArchiveBroughtFromTheOldProgram, ThatCannotBeConvertedIsRefusedWithTheReason) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString archive = dir.filePath(QStringLiteral("orbisca4.mdb"));
  const QByteArray cut = jet::testing::FileBytes(jet::testing::JetTestFile(QStringLiteral("nwind.mdb"))).left(1500000);
  jet::testing::WriteBytes(archive, cut);
  TMenuLogic logic;
  logic.percorso = dir.path() + QLatin1Char('/');
  QStringList notices;
  logic.ShowNotice = [&](const QString &text) { notices << text; };
  try {
    logic.OpenArchives();
    ADD_FAILURE() << "a truncated archive opened";
  } catch (const rtl::Exception &e) {
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Conversione dell'archivio \"") + archive))
        << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("troncato"))) << e.Message().toStdString();
  }
  EXPECT_TRUE(notices.isEmpty());
  EXPECT_EQ(jet::testing::FileBytes(archive), cut);
  EXPECT_EQ(jet::testing::FolderEntries(dir.path()), QStringList{QStringLiteral("orbisca4.mdb")});
}

// The archive is a link to a Jet file kept elsewhere: the linked file is
// converted where it lies, its original kept beside it, and the link stays.
TEST(ArchiveBroughtFromTheOldProgram, BehindALinkIsConvertedWhereItLies) {
  QTemporaryDir dir, elsewhere;
  ASSERT_TRUE(dir.isValid() && elsewhere.isValid());
  const QString jet = jet::testing::CopyJetTestFile(QStringLiteral("DateTestDatabase.mdb"), elsewhere.path(),
                                                    QStringLiteral("dati.mdb"));
  const QString link = dir.filePath(QStringLiteral("orbisca4.mdb"));
  ASSERT_TRUE(QFile::link(jet, link));
  TMenuLogic logic;
  logic.percorso = dir.path() + QLatin1Char('/');
  EXPECT_THROW(logic.OpenArchives(), rtl::Exception);  // the sample lacks the program's tables
  EXPECT_EQ(logic.StartVerdict().kind, TArchiveVerdict::TKind::Incomplete);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), jet);
  EXPECT_EQ(jet::testing::FolderEntries(dir.path()), QStringList{QStringLiteral("orbisca4.mdb")});
  EXPECT_EQ(jet::testing::FolderEntries(elsewhere.path()), (QStringList{"dati (Jet).mdb", "dati.mdb"}));
  EXPECT_TRUE(jet::testing::FileBytes(jet).startsWith("SQLite format 3"));
  EXPECT_EQ(jet::testing::FileBytes(elsewhere.filePath(QStringLiteral("dati (Jet).mdb"))),
            jet::testing::FileBytes(jet::testing::JetTestFile(QStringLiteral("DateTestDatabase.mdb"))));
}

// A Jet file cut to its first pages holds the catalogue's start and no
// table: the start refuses it instead of opening an empty archive.
TEST(ArchiveBroughtFromTheOldProgram, CutToItsFirstPagesIsRefusedNotConvertedEmpty) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString archive = dir.filePath(QStringLiteral("orbisca4.mdb"));
  const QByteArray cut = jet::testing::FileBytes(jet::testing::JetTestFile(QStringLiteral("nwind.mdb"))).left(12288);
  jet::testing::WriteBytes(archive, cut);
  TMenuLogic logic;
  logic.percorso = dir.path() + QLatin1Char('/');
  try {
    logic.OpenArchives();
    ADD_FAILURE() << "an archive cut to 12 KiB opened";
  } catch (const rtl::Exception &e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("catalogo"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().endsWith(QStringLiteral("L'archivio originale non è stato modificato.")))
        << e.Message().toStdString();
  }
  EXPECT_EQ(logic.StartVerdict().kind, TArchiveVerdict::TKind::JetFormat);
  EXPECT_EQ(jet::testing::FileBytes(archive), cut);
  EXPECT_EQ(jet::testing::FolderEntries(dir.path()), QStringList{QStringLiteral("orbisca4.mdb")});
}

}  // namespace
}  // namespace app::testing
