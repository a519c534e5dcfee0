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

bool AutomaticBackup(const QString &percorso, TQbCabWriter *writer) {
  try {
    TQbCabWriter own;
    WriteBackupCabinet(writer != nullptr ? *writer : own, percorso);
    return true;
  } catch (const std::exception &) {
    vcl::ShowMessage(kAutomaticBackupFailed);
    return false;
  }
}

QString KeptBackupText(const QString &first_line, const TArchiveVerdict &verdict, const QString &percorso) {
  const QString backup_path = percorso + kBackupFileName;
  const QString backup = QDir::toNativeSeparators(backup_path);
  const QString why =
      verdict.Why() + (verdict.kind == TArchiveVerdict::TKind::Missing ? QStringLiteral(": non è stato copiato niente.")
                                                                       : QStringLiteral(": non è stato copiato."));
  const QString kept = QFileInfo(backup_path).isFile()
                           ? QStringLiteral(
                                 "La copia di sicurezza «%1» è stata lasciata com'era e conserva i dati dell'ultimo "
                                 "backup riuscito.")
                                 .arg(backup)
                           : QStringLiteral("Non c'è ancora una copia di sicurezza «%1».").arg(backup);
  return first_line + QLatin1Char('\n') + why + QLatin1Char('\n') + kept;
}

TArchiveVerdict JudgeForBackup(const TMenuLogic &logic) {
  const QString file = logic.DatabaseFile();
  if (logic.RefusedAtStart()) {
    // Refused at start: nothing may write it, whatever it looks like now.
    TArchiveVerdict verdict = logic.StartVerdict();
    if (verdict.Sound() || verdict.file.isEmpty()) {
      verdict.kind = TArchiveVerdict::TKind::Unreadable;
      verdict.file = file;
      verdict.detail = QStringLiteral("all'avvio il programma non l'ha potuto aprire");
    }
    return verdict;
  }
  if (logic.ArchiveState() == TMenuLogic::TArchiveState::Damaged) {
    TArchiveVerdict verdict;
    verdict.kind = TArchiveVerdict::TKind::Damaged;
    verdict.file = file;
    return verdict;
  }
  return JudgeArchive(file);
}

namespace {

TExitBackup KeptAs(const TArchiveVerdict &verdict) {
  switch (verdict.kind) {
    case TArchiveVerdict::TKind::Missing:
      return TExitBackup::KeptMissing;
    case TArchiveVerdict::TKind::Damaged:
      return TExitBackup::KeptDamaged;
    default:
      return TExitBackup::KeptRefused;
  }
}

QString OneLine(QString text) { return text.replace(QLatin1Char('\n'), QLatin1Char(' ')); }

}  // namespace

TExitBackup ExitBackup(TMenuLogic &logic, const std::function<void()> &after_tidy, TQbCabWriter *writer) {
  const QString file = logic.DatabaseFile();
  auto keep = [&](const TArchiveVerdict &verdict) {
    if (after_tidy) after_tidy();
    SetCursor(vcl::crDefault);
    const QString text = KeptBackupText(kAutomaticBackupFailed, verdict, logic.percorso);
    qCInfo(lcLifecycle, "exit: archive kept (%s): %s%s", verdict.KindName(), qPrintable(OneLine(text)),
           verdict.detail.isEmpty() ? "" : qPrintable(QStringLiteral(" [") + OneLine(verdict.detail) + u']'));
    vcl::ShowMessage(text);
    return KeptAs(verdict);
  };
  // Proven sound before anything writes it...
  if (const TArchiveVerdict before = JudgeForBackup(logic); !before.Sound()) return keep(before);
  try {
    logic.TidyDatabase();
  } catch (const rtl::Exception &e) {
    // The file is as it was. A failure that is not damage (a full disk, a
    // read-only folder) is shown; damage is told by the judgement below,
    // which decides whether the file is archived.
    qCInfo(lcLifecycle, "exit: repair and compaction failed: %s", qPrintable(OneLine(e.Message())));
    if (!jet::DBEngine::DamageNoted(file)) {
      SetCursor(vcl::crDefault);
      if (vcl::Application != nullptr) vcl::Application->ShowException(e);
      SetCursor(vcl::crHourGlass);
    }
  }
  // ...and again just before the archive takes it.
  if (const TArchiveVerdict now = JudgeForBackup(logic); !now.Sound()) return keep(now);
  if (after_tidy) after_tidy();
  const bool written = AutomaticBackup(logic.percorso, writer);
  qCInfo(lcLifecycle, "exit: %s", written ? "archive written" : "archive failed");
  return written ? TExitBackup::Written : TExitBackup::Failed;
}

TBackup::TBackup(TMenuLogic *logic, vcl::TComponent *owner, TQbCabWriter *writer)
    : vcl::TComponent(owner), QbCabWriter1(writer), logic_(logic) {
  if (QbCabWriter1 == nullptr) QbCabWriter1 = new TQbCabWriter(this);
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
  // Work goes on with the file as it is; only the archive is refused.
  auto keep_archive = [this](const TArchiveVerdict &verdict) {
    // Opening a Jet file for writing would convert it: it stays closed.
    if (!logic_->RefusedAtStart() && verdict.kind != TArchiveVerdict::TKind::JetFormat)
      rtl::IgnoreFailure("the refused archive is what the user needs to hear of", [this] { ReopenArchives(); });
    SetCursor(vcl::crDefault);
    Status(kIdleStatus);
    vcl::ShowMessage(KeptBackupText(kBackupFailed, verdict, logic_->percorso));
  };
  if (const TArchiveVerdict before = JudgeForBackup(*logic_); !before.Sound()) return keep_archive(before);
  try {
    logic_->TidyDatabase();
  } catch (...) {
    if (jet::DBEngine::DamageNoted(logic_->DatabaseFile())) return keep_archive(JudgeForBackup(*logic_));
    // The file is as it was before the repair: work goes on with it.
    rtl::IgnoreFailure("the repair's failure is the one the user needs to see", [this] { ReopenArchives(); });
    Status(kIdleStatus);
    throw;
  }
  SetCursor(vcl::crHourGlass);
  if (const TArchiveVerdict now = JudgeForBackup(*logic_); !now.Sound()) return keep_archive(now);
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
