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

// The shutdown's backup: the database is already closed, repaired and
// compacted. A failure is shown as "Backup automatico non possibile !" and
// the shutdown goes on; returns whether the archive was written.
bool AutomaticBackup(const QString &percorso);

// What the exit did with the archive.
enum class TExitBackup {
  Written,      // a new "backup4.cab" holds the repaired, compacted database
  KeptMissing,  // no database in the data folder: nothing was archived
  KeptDamaged,  // the database is damaged: the previous archive was kept
  Failed,       // the archive could not be written ("Backup automatico non possibile !")
};

// The shutdown's tidy and backup, with the tables closed. A database that is
// missing, or that the engine found damaged (at start, in any statement, or
// now in the repair or compaction), is never archived: the previous
// "backup4.cab" is the last good copy of the shop's data, so it is kept and
// the user is told so. Otherwise the database is repaired and compacted (a
// failure that is not damage is shown and the backup still runs) and the
// archive is written. `after_tidy` runs once the repair and compaction are
// over (or skipped), before the archive or the notice.
TExitBackup ExitBackup(TMenuLogic &logic, const std::function<void()> &after_tidy = {});

// The notice of an archive kept because the database is missing or damaged.
QString KeptBackupText(const QString &first_line, TMenuLogic &logic, bool missing);

// The on-demand backup over the main window's logic: closes the database,
// repairs and compacts it, writes the archive, and reopens the tables.
class TBackup : public vcl::TComponent {
  ORBISCA_CLASS(TBackup, vcl::TComponent)

 public:
  explicit TBackup(TMenuLogic *logic, vcl::TComponent *owner = nullptr);

  TQbCabWriter *QbCabWriter1 = nullptr;  // owned
  TQbCabReader *QbCabReader1 = nullptr;  // owned, unused

  // Shows the status text and lets pending messages through; the window
  // points it at its status label (the logic's text is set in any case).
  std::function<void(const QString &)> ShowStatus;

  // The command. A failed archive is reported as "Backup fallito !" and the
  // tables are reopened all the same. A failed repair or compaction is
  // raised after the tables are reopened, so the program stays usable. A
  // database known or found damaged is not archived over the last good copy
  // ("Backup fallito !" says why).
  void btn_backupClick();

 private:
  void Status(const QString &text);
  void ReopenArchives();

  TMenuLogic *logic_;
};

}  // namespace app
