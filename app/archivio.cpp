// The archive browser (see archivio.h).
#include "app/archivio.h"

#include "app/schema/schema.h"
#include "dao/vudaotable.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ignorefailure.h"

namespace app {

TArchivioUse TArchivioLogic::Use(TArchivio which) const {
  if (which == TArchivio::Testate)
    return {QStringLiteral("Apertura archivio testate ..."), QStringLiteral("Gestione Testate"),
            schema::Riviste::Barcode.Name(), logic_->ds_riviste};
  return {QStringLiteral("Apertura archivio giacenze ..."), QStringLiteral("Gestione Giacenze"),
          schema::Giacenza::Barcode18.Name(), logic_->ds_giacenze};
}

void TArchivioLogic::Reorder(vcl::TDataSet *ds, const QString &field_name) {
  auto *table = dynamic_cast<dao::TVuDaoTable *>(ds);
  if (table == nullptr || !table->Active() || field_name.isEmpty()) return;
  // An edit left open is posted first, so reopening cannot drop it.
  table->CheckBrowseMode();
  table->SetSortedBy({field_name});
  table->ReopenRecordset();
}

void TArchivioLogic::Run(TArchivio which, const std::function<void(const TArchivioUse &use)> &show) {
  const TArchivioUse use = Use(which);
  logic_->lb_showrivista = use.status;
  if (ProcessMessages) ProcessMessages();
  auto restore = [&] {
    logic_->lb_showrivista = kIdleStatus;
    if (use.source != nullptr) Reorder(use.source->DataSet(), use.sort_field);
  };
  try {
    show(use);
  } catch (...) {
    rtl::IgnoreFailure("the first failure is the one the user needs to see", restore);
    throw;
  }
  restore();
}

void TArchivioLogic::SortByColumn(vcl::TDataSource *source, const QString &field_name) {
  if (source != nullptr) Reorder(source->DataSet(), field_name);
}

// --- the window ----------------------------------------------------------------------------------

TTestateForm::TTestateForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  SetName(QStringLiteral("TestateForm"));
  SetCaption(QStringLiteral("Archivio Titoli Riviste"));
  SetPosition(vcl::poScreenCenter);
  SetBounds(0, 0, 760, 480);

  navigatore = new vcl::TDBNavigator(this);
  navigatore->SetName(QStringLiteral("navigatore"));
  navigatore->SetParent(this);
  navigatore->SetHeight(25);
  navigatore->SetAlign(vcl::alBottom);

  Ricerca = new dao::TVuDaoSearch(this);
  Ricerca->SetName(QStringLiteral("Ricerca"));
  Ricerca->SetParent(this);
  Ricerca->SetAlign(vcl::alBottom);
  Ricerca->SetIncrementalSearch(true);

  griglia = new dao::TVuDaoDBGrid(this);
  griglia->SetName(QStringLiteral("griglia"));
  griglia->SetParent(this);
  griglia->SetAlign(vcl::alClient);
  griglia->SetShowGridMenu(false);
  griglia->SetShowCheckBoxes(true);
  griglia->SetFindFieldsOnPaste(false);
  griglia->SetOfficeClipboardFormat(false);
  griglia->SetFrameIndexFields(false);
  griglia->SetExOptions({});
  griglia->SetAutoSizeColumns(true);
  griglia->OnTitleClick = [this](vcl::TColumn *column) { grigliaTitleClick(column); };

  OnCloseQuery = [this](rtl::TObject *sender, bool &can_close) { FormCloseQuery(sender, can_close); };
}

void TTestateForm::Bind(vcl::TDataSource *source) {
  Ricerca->SetDataSource(source);
  griglia->SetDataSource(source);
  navigatore->SetDataSource(source);
}

void TTestateForm::grigliaTitleClick(vcl::TColumn *column) {
  if (column == nullptr || column->Field() == nullptr) return;
  try {
    TArchivioLogic::SortByColumn(griglia->DataSource(), column->FieldName());
  } catch (const rtl::Exception &e) {
    // A row that cannot be posted stays in the grid to be put right.
    vcl::Application->ShowException(e);
  }
}

// A row still being edited is posted before the window goes; when it cannot
// be, the window stays open with the row as typed, so nothing is lost.
void TTestateForm::FormCloseQuery(rtl::TObject *, bool &can_close) {
  vcl::TDataSource *source = griglia->DataSource();
  if (source == nullptr || source->DataSet() == nullptr) return;
  try {
    source->DataSet()->CheckBrowseMode();
  } catch (const rtl::Exception &e) {
    can_close = false;
    vcl::Application->ShowException(e);
  }
}

void TTestateForm::Esegui(TMenuLogic *logic, TArchivio which, TTestateForm *form,
                          const std::function<void()> &process_messages) {
  TArchivioLogic runner(logic);
  runner.ProcessMessages = process_messages;
  runner.Run(which, [form](const TArchivioUse &use) {
    form->Bind(use.source);
    form->SetCaption(use.caption);
    try {
      form->ShowModal();
    } catch (...) {
      form->Bind(nullptr);
      throw;
    }
    form->Bind(nullptr);
  });
}

}  // namespace app
