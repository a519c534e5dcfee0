// A day started and closed in the main window: the exit archives with the
// maintenance form's cabinet writer, and a shop that keeps its files
// elsewhere and links them into the data folder (the database, the archive
// and the settings file are symbolic links) finds the linked files brought
// up to date and the links as they were.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "app/archivecheck.h"
#include "app/cabwriter.h"
#include "app/manutenzione.h"
#include "app/menuform.h"
#include "platform/rtl/workfiles.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "tests/app/app_fixture.h"
#include "tests/support/damage.h"

namespace app::testing {
namespace {

class LinkedFilesTest : public DataFolder {
 protected:
  // `during` runs with the form started, before it closes.
  void StartAndClose(const std::function<void(TMenuForm &)> &during = {}) { StartMainWindowAndClose(during); }
};

TEST_F(LinkedFilesTest, TheBackupCommandAndTheExitWriteWithTheMaintenanceFormsWriter) {
  QStringList placed;
  StartAndClose([&](TMenuForm &form) {
    TQbCabWriter *writer = form.Manutenzione->QbCabWriter1;
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->Name(), QStringLiteral("QbCabWriter1"));
    EXPECT_EQ(writer->CompressionType(), cctMsZip);
    EXPECT_EQ(form.Manutenzione->QbCabReader1->Name(), QStringLiteral("QbCabReader1"));
    writer->OnFilePlaced = [&](rtl::TObject *, const TCCAB &, const QString &name, int, bool, bool &) {
      placed << name;
    };
    form.btn_backup->Click();
  });
  // The command's archive, then the exit's: the database first each time.
  ASSERT_GE(placed.size(), 2);
  EXPECT_EQ(placed.count(QStringLiteral("orbisca4.mdb")), 2) << placed.join(u' ').toStdString();
  EXPECT_EQ(placed.first(), QStringLiteral("orbisca4.mdb"));
}

TEST_F(LinkedFilesTest, DatabaseArchiveAndSettingsAreWrittenThroughTheirLinks) {
  QStringList messages;
  const vcl::TDialogResponder previous = vcl::SetDialogResponder([&](vcl::TDialogRequest &r) {
    messages << r.text;
    return vcl::mrOk;
  });
  QTemporaryDir elsewhere;
  const QString database = elsewhere.filePath(QStringLiteral("negozio.mdb"));
  const QString archive = elsewhere.filePath(QStringLiteral("copia.cab"));
  const QString settings = elsewhere.filePath(QStringLiteral("impostazioni.ini"));
  ASSERT_TRUE(QFile::rename(DatabasePath(), database));
  ASSERT_TRUE(test_support::WriteWholeFile(archive, "la copia di ieri"));
  ASSERT_TRUE(test_support::WriteWholeFile(settings, "[Nota]\r\nscritta=a mano\r\n"));
  const QString links[] = {DatabasePath(), folder_ + QStringLiteral("backup4.cab"),
                           folder_ + QStringLiteral("orbiscacfg.ini")};
  const QString targets[] = {database, archive, settings};
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(QFile::link(targets[i], links[i]));
  const QByteArray before = test_support::ReadWholeFile(database);

  StartAndClose();
  vcl::SetDialogResponder(previous);
  EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();

  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(QFileInfo(links[i]).isSymLink()) << links[i].toStdString();
    EXPECT_EQ(QFileInfo(links[i]).symLinkTarget(), targets[i]);
    EXPECT_EQ(rtl::WriteThroughPath(links[i]), targets[i]);
  }
  // The compaction replaced the linked database with its compacted copy.
  EXPECT_TRUE(JudgeArchive(database).Sound()) << JudgeArchive(database).Why().toStdString();
  EXPECT_NE(test_support::ReadWholeFile(database), before);
  EXPECT_TRUE(test_support::ReadWholeFile(archive).startsWith("MSCF"));
  const QByteArray ini = test_support::ReadWholeFile(settings);
  EXPECT_TRUE(ini.contains("[Nota]")) << ini.toStdString();
  EXPECT_TRUE(ini.contains("pos_totali")) << ini.toStdString();
  // No work file stays in either folder.
  for (const QString &folder : {dir_.path(), elsewhere.path()})
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("~orbisca-*")}, QDir::Files | QDir::Hidden).isEmpty())
        << folder.toStdString();
}

// A link that names a file not there yet, and a loop of links.
TEST(WriteThroughPath, FollowsChainsAndStopsAtLoops) {
  QTemporaryDir dir;
  const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b")),
                c = dir.filePath(QStringLiteral("sotto/c"));
  ASSERT_TRUE(QFile::link(b, a));
  ASSERT_TRUE(QFile::link(c, b));
  EXPECT_EQ(rtl::WriteThroughPath(a), c);  // c does not exist: a write makes it
  const QString plain = dir.filePath(QStringLiteral("semplice"));
  EXPECT_EQ(rtl::WriteThroughPath(plain), plain);
  const QString x = dir.filePath(QStringLiteral("x")), y = dir.filePath(QStringLiteral("y"));
  ASSERT_TRUE(QFile::link(y, x));
  ASSERT_TRUE(QFile::link(x, y));
  EXPECT_EQ(rtl::WriteThroughPath(x), x);
}

}  // namespace
}  // namespace app::testing
