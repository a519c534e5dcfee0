// The backup of the data folder: the cabinet "backup4.cab" beside the
// database, holding the database file, every report template (*.kvf) and
// every settings file (*.ini) of the folder, each under its bare name. It is
// written on demand (`TBackup::btn_backupClick`) and at every exit
// (`AutomaticBackup`, called by the main window's shutdown after it has
// repaired and compacted the database). There is no restore: the archive is
// a standard cabinet that any archive tool opens.
//
// The logic runs without a window: what it shows (status text, cursor,
// messages) goes through the main window's logic and the platform's message
// dialog, which tests answer.
#pragma once

#include <QLoggingCategory>
#include <QString>
#include <functional>

#include "app/archivecheck.h"
#include "app/cabwriter.h"
#include "platform/vcl/component.h"

namespace app {

class TMenuLogic;

// The moments of the program's start and end (archives open or refused,
// shutdown started, what the exit did with the archive, the notices it
// showed), written as information to the log category "orbisca.lifecycle"
// for whoever watches the program from outside (support, the tests that run
// the real program). Silent unless QT_LOGGING_RULES asks for it:
// "orbisca.lifecycle.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcLifecycle)

inline const QString kBackupFileName = QStringLiteral("backup4.cab");
inline const QString kBackupRunning = QStringLiteral("Backup in corso ...");
inline const QString kBackupFailed = QStringLiteral("Backup fallito !");
inline const QString kAutomaticBackupFailed = QStringLiteral("Backup automatico non possibile !");

// Writes `percorso` + "backup4.cab" with `writer` (MSZIP): the database, then
// the templates, then the settings files. Raises on any failure; the archive
// written by an earlier run stays until the new one is complete.
void WriteBackupCabinet(TQbCabWriter &writer, const QString &percorso);

// The shutdown's backup with `writer` (the maintenance form's; a writer of
// the call's own when none): the database is already closed, repaired and
// compacted. A failure is shown as "Backup automatico non possibile !" and
// the shutdown goes on; returns whether the archive was written.
bool AutomaticBackup(const QString &percorso, TQbCabWriter *writer = nullptr);

// What the exit did with the archive.
enum class TExitBackup {
  Written,      // a new "backup4.cab" holds the repaired, compacted database
  KeptMissing,  // no database in the data folder: nothing was archived
  KeptDamaged,  // the database is damaged: the previous archive was kept
  KeptRefused,  // the database is not the program's (another format, without its tables, refused at start)
  Failed,       // the archive could not be written ("Backup automatico non possibile !")
};

// The shutdown's tidy and backup, with the tables closed. "backup4.cab" is
// the last good copy of the shop's data: it is replaced only by a database
// proven sound (JudgeForBackup) just before the repair and compaction, and
// again just before the archive is written. Anything else keeps the
// previous archive and tells the user why (KeptBackupText), and the file is
// not written. A repair or compaction that fails for another reason (a full
// disk, a read-only folder) is shown and the backup still runs on the
// unchanged file once it is judged sound. `after_tidy` runs once the repair
// and compaction are over (or skipped), before the archive or the notice.
// The archive is written with `writer` (AutomaticBackup).
TExitBackup ExitBackup(TMenuLogic &logic, const std::function<void()> &after_tidy = {}, TQbCabWriter *writer = nullptr);

// The judgement the exit and the "Backup" command ask of the data folder's
// database: a database refused at start stays refused, one the engine found
// damaged during the day stays damaged; otherwise JudgeArchive now.
TArchiveVerdict JudgeForBackup(const TMenuLogic &logic);

// The notice of an archive kept because the database was not proven sound:
// `first_line`, why (naming the file), and that "backup4.cab" was kept.
QString KeptBackupText(const QString &first_line, const TArchiveVerdict &verdict, const QString &percorso);

// The on-demand backup over the main window's logic: closes the database,
// repairs and compacts it, writes the archive, and reopens the tables.
class TBackup : public vcl::TComponent {
  ORBISCA_CLASS(TBackup, vcl::TComponent)

 public:
  // `writer` is the maintenance form's cabinet writer; without one the
  // command makes its own.
  explicit TBackup(TMenuLogic *logic, vcl::TComponent *owner = nullptr, TQbCabWriter *writer = nullptr);

  TQbCabWriter *QbCabWriter1 = nullptr;

  // Shows the status text and lets pending messages through; the window
  // points it at its status label (the logic's text is set in any case).
  std::function<void(const QString &)> ShowStatus;

  // The command. A failed archive is reported as "Backup fallito !" and the
  // tables are reopened all the same. A failed repair or compaction is
  // raised after the tables are reopened, so the program stays usable. A
  // database not proven sound (JudgeForBackup, before the repair and again
  // before the archive) is neither compacted nor archived over the last good
  // copy ("Backup fallito !" says why).
  void btn_backupClick();

 private:
  void Status(const QString &text);
  void ReopenArchives();

  TMenuLogic *logic_;
};

}  // namespace app
