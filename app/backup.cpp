// The data folder's backup (see backup.h).
#include "app/backup.h"

#include "app/menulogic.h"
#include "app/schema/schema.h"
#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"

namespace app {

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
  try {
    logic_->TidyDatabase();
  } catch (...) {
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
