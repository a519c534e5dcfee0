// The data folder's backup (see backup.h).
#include "app/backup.h"

#include <QDir>
#include <QFileInfo>

#include "app/menulogic.h"
#include "app/schema/schema.h"
#include "platform/jet/engine.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"

namespace app {

Q_LOGGING_CATEGORY(lcLifecycle, "orbisca.lifecycle", QtWarningMsg)

namespace {

// The logic also runs where no application object exists (tests, tools).
void SetCursor(vcl::TCursor cursor) {
  if (vcl::Screen != nullptr) vcl::Screen->SetCursor(cursor);
}

void PumpMessages() {
  if (vcl::Application != nullptr) vcl::Application->ProcessMessages();
}

}  // namespace

void WriteBackupCabinet(TQbCabWriter &writer, const QString &percorso) {
  writer.SetCompressionType(cctMsZip);
  writer.CreateCabinet(percorso + kBackupFileName);
  try {
    writer.AddFiles(percorso + QString::fromLatin1(schema::kDatabaseFileName));
    writer.AddFiles(percorso + QStringLiteral("*.kvf"));
    writer.AddFiles(percorso + QStringLiteral("*.ini"));
    writer.CloseCabinet(true);
  } catch (...) {
    // The unfinished cabinet goes; the previous archive is untouched.
    writer.CloseCabinet(false);
    throw;
  }
}

bool AutomaticBackup(const QString &percorso) {
  try {
    TQbCabWriter writer;
    WriteBackupCabinet(writer, percorso);
    return true;
  } catch (const std::exception &) {
    vcl::ShowMessage(kAutomaticBackupFailed);
    return false;
  }
}

QString KeptBackupText(const QString &first_line, TMenuLogic &logic, bool missing) {
  const QString file = QDir::toNativeSeparators(logic.DatabaseFile());
  const QString backup_path = logic.percorso + kBackupFileName;
  const QString backup = QDir::toNativeSeparators(backup_path);
  const QString why = missing
                          ? QStringLiteral("L'archivio dei dati «%1» non c'è: non è stato copiato niente.").arg(file)
                          : QStringLiteral("L'archivio dei dati «%1» è danneggiato: non è stato copiato.").arg(file);
  const QString kept = QFileInfo(backup_path).isFile()
                           ? QStringLiteral(
                                 "La copia di sicurezza «%1» è stata lasciata com'era e conserva i dati dell'ultimo "
                                 "backup riuscito.")
                                 .arg(backup)
                           : QStringLiteral("Non c'è ancora una copia di sicurezza «%1».").arg(backup);
  return first_line + QLatin1Char('\n') + why + QLatin1Char('\n') + kept;
}

TExitBackup ExitBackup(TMenuLogic &logic, const std::function<void()> &after_tidy) {
  const QString file = logic.DatabaseFile();
  auto keep = [&](bool missing) {
    if (after_tidy) after_tidy();
    SetCursor(vcl::crDefault);
    const QString text = KeptBackupText(kAutomaticBackupFailed, logic, missing);
    qCInfo(lcLifecycle, "exit: archive kept (%s): %s", missing ? "missing" : "damaged",
           qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    vcl::ShowMessage(text);
    return missing ? TExitBackup::KeptMissing : TExitBackup::KeptDamaged;
  };
  if (!QFileInfo(file).isFile()) return keep(true);
  if (logic.ArchiveState() == TMenuLogic::TArchiveState::Damaged) return keep(false);
  try {
    logic.TidyDatabase();
  } catch (const rtl::Exception &e) {
    if (jet::DBEngine::DamageNoted(file)) return keep(false);
    // Not damage (a full disk, a read-only folder): the file is as it was
    // and sound, so the backup still runs.
    qCInfo(lcLifecycle, "exit: repair and compaction failed: %s",
           qPrintable(QString(e.Message()).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    SetCursor(vcl::crDefault);
    if (vcl::Application != nullptr) vcl::Application->ShowException(e);
    SetCursor(vcl::crHourGlass);
  }
  if (after_tidy) after_tidy();
  const bool written = AutomaticBackup(logic.percorso);
  qCInfo(lcLifecycle, "exit: %s", written ? "archive written" : "archive failed");
  return written ? TExitBackup::Written : TExitBackup::Failed;
}

TBackup::TBackup(TMenuLogic *logic, vcl::TComponent *owner) : vcl::TComponent(owner), logic_(logic) {
  QbCabWriter1 = new TQbCabWriter(this);
  QbCabWriter1->SetName(QStringLiteral("QbCabWriter1"));
  QbCabWriter1->SetCompressionType(cctMsZip);
  QbCabReader1 = new TQbCabReader(this);
  QbCabReader1->SetName(QStringLiteral("QbCabReader1"));
}

void TBackup::Status(const QString &text) {
  logic_->lb_showrivista = text;
  if (ShowStatus) ShowStatus(text);
}

void TBackup::ReopenArchives() {
  logic_->Database->Open();
  for (auto *t : {logic_->riviste, logic_->Giacenze, logic_->Periodo, logic_->giornale, logic_->Allegati}) t->Open();
}

void TBackup::btn_backupClick() {
  Status(kBackupRunning);
  PumpMessages();
  logic_->Database->Close();
  const QString file = logic_->DatabaseFile();
  // Work goes on with the file as it is; only the archive is refused.
  auto keep_archive = [this](bool missing) {
    rtl::IgnoreFailure("the refused archive is what the user needs to hear of", [this] { ReopenArchives(); });
    Status(kIdleStatus);
    vcl::ShowMessage(KeptBackupText(kBackupFailed, *logic_, missing));
  };
  if (!QFileInfo(file).isFile()) return keep_archive(true);
  if (logic_->ArchiveState() == TMenuLogic::TArchiveState::Damaged) return keep_archive(false);
  try {
    logic_->TidyDatabase();
  } catch (...) {
    if (jet::DBEngine::DamageNoted(file)) return keep_archive(false);
    // The file is as it was before the repair: work goes on with it.
    rtl::IgnoreFailure("the repair's failure is the one the user needs to see", [this] { ReopenArchives(); });
    Status(kIdleStatus);
    throw;
  }
  SetCursor(vcl::crHourGlass);
  try {
    WriteBackupCabinet(*QbCabWriter1, logic_->percorso);
  } catch (const std::exception &) {
    SetCursor(vcl::crDefault);
    vcl::ShowMessage(kBackupFailed);
  }
  ReopenArchives();
  SetCursor(vcl::crDefault);
  Status(kIdleStatus);
  logic_->active_page = TPage::Carico;
  logic_->PageControl1Change(TPage::Carico);
}

}  // namespace app
