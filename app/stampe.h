// The four printed lists: stock on hand ("Lista Giacenze"), the movement
// journal ("Lista Movimenti"), the expired stock ("Lista Scaduti") and the
// returns list that travels with the returned copies ("Lista Resi").
//
// A list command asks the selection form for the criteria, opens the list's
// dataset (the selection form's `stampa_giacenze` or `stampa_giornale`)
// through a record filter that applies them, and, when a row passes, loads
// the list's template ("Report4_1.kvf" to "Report4_4.kvf", found by the
// report component's file rules: the data folder, then the program's
// folder) into the main window's report component, which prepares it and
// shows it in the preview. The dataset is closed and the status text put
// back whatever happens.
//
// The templates name their record sources as form name, ".", dataset name:
// the datasets belong to the form named `selezioneform`, and their names
// and fields are part of the template format. Besides the datasets'
// fields a template may print two variables the program answers: "Selezione"
// (the criteria in words) and "Scadute al" (the date the expired stock is
// checked at).
//
// `TStampeLogic` holds the datasets, the criteria, the filters and the
// command without widgets, so tests run it on a real database; the
// selection form (selezioneform.h) fills the criteria from its controls.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "app/menulogic.h"
#include "dao/vudaotable.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/db/db.h"

namespace report {
class TkvReport;
}

namespace app {

enum class TLista { Giacenze, Movimenti, Scaduti, Resi };

// The selection form's pages.
inline const QString kPaginaGiacenze = QStringLiteral("Giacenze");
inline const QString kPaginaScaduti = QStringLiteral("Scaduti");
inline const QString kPaginaGiornale = QStringLiteral("Giornale");

// What one list command uses.
struct TListaUse {
  QString menu;           // the menu item's caption
  QString page;           // the selection form's page
  QString caption;        // the selection form's caption
  QString status;         // the status text while the dataset opens
  QString title;          // the report's title (preview and print job)
  QString template_file;  // the template's bare file name
  bool journal = false;   // `stampa_giornale`, else `stampa_giacenze`
};
const TListaUse &UseOf(TLista lista);

inline const QString kNoMatch = QStringLiteral("Nessuna corrispondenza trovata");
// The periodicity combos' empty value: any periodicity.
inline const QString kAnyPeriod = QStringLiteral("(tutte)");
// The template files of the four lists, in the order of the lists.
inline const QStringList kListTemplates = {QStringLiteral("Report4_1.kvf"), QStringLiteral("Report4_2.kvf"),
                                           QStringLiteral("Report4_3.kvf"), QStringLiteral("Report4_4.kvf")};
// The variables a template may print, answered by the program.
inline const QString kValueSelezione = QStringLiteral("Selezione");
inline const QString kValueScaduteAl = QStringLiteral("Scadute al");

// The radio group " Conto deposito ": all articles, consignment only, none
// on consignment.
enum class TDeposito { Tutti, Si, No };

// The criteria of one page (stock page `sel_*`, journal page `mov_*`).
struct TCriteri {
  rtl::TDateTime da = 0;  // 0: no lower bound (a day, bounds included)
  rtl::TDateTime a = 0;   // 0: no upper bound
  QString fornitore;      // empty: every distributor; else exactly this one
  QString periodo;        // the periodicity key; empty: any ("(tutte)")
  QString periodo_testo;  // its description, for the list's heading
  TDeposito deposito = TDeposito::Tutti;
  bool solo_giacenza = false;  // stock page: only articles with stock <> 0
};

// What the selection form holds.
struct TSelezione {
  TCriteri giacenze;
  rtl::TDateTime scadute = 0;  // 0 becomes today when the list opens
  TCriteri giornale;
};

class TStampeLogic {
 public:
  // The datasets belong to `form` (the selection form) and read the main
  // window's database.
  TStampeLogic(vcl::TComponent *form, TMenuLogic *menu);
  TStampeLogic(const TStampeLogic &) = delete;
  TStampeLogic &operator=(const TStampeLogic &) = delete;

  TMenuLogic *Menu = nullptr;
  dao::TVuDaoTable *stampa_giacenze = nullptr;  // owned by the form
  dao::TVuDaoTable *stampa_giornale = nullptr;
  // The persistent fields the filters and the calculation read.
  vcl::TDateField *stampa_giacenzeUcarico = nullptr;
  vcl::TStringField *stampa_giacenzeFornitore = nullptr;
  vcl::TStringField *stampa_giacenzePeriodo = nullptr;
  vcl::TBooleanField *stampa_giacenzeCD = nullptr;
  vcl::TFloatField *stampa_giacenzeGiacenza = nullptr;
  vcl::TDateField *stampa_giacenzeScadenza = nullptr;
  vcl::TDateField *stampa_giornaleData = nullptr;
  vcl::TStringField *stampa_giornaleTipo = nullptr;
  vcl::TStringField *stampa_giornaleFornitore = nullptr;
  vcl::TStringField *stampa_giornalePeriodo = nullptr;
  vcl::TBooleanField *stampa_giornaleCD = nullptr;
  vcl::TFloatField *stampa_giornaleQuantita = nullptr;
  vcl::TFloatField *stampa_giornalePrezzo_A = nullptr;
  vcl::TFloatField *stampa_giornalePrezzo_V = nullptr;
  // Calculated: the query's own columns of these names are not read.
  vcl::TFloatField *stampa_giornaleValore_A = nullptr;
  vcl::TFloatField *stampa_giornaleValore_V = nullptr;

  TSelezione selezione;
  // The list whose criteria the filters apply (the form's page).
  TLista lista = TLista::Giacenze;

  // The datasets' events.
  void stampa_giacenzeFilterRecord(vcl::TDataSet *dataset, bool &accept);
  void stampa_giornaleFilterRecord(vcl::TDataSet *dataset, bool &accept);
  void stampa_giornaleCalcFields(vcl::TDataSet *dataset);

  dao::TVuDaoTable *DataSetOf(TLista which) const;
  // Opens the list's dataset under the current selection (closed first if
  // open); true when a row passes. The returns list is ordered by
  // distributor, the others keep their dataset's order.
  bool Open(TLista which);
  // Closes it and gives it back its own order.
  void Close(TLista which);

  // The criteria of the list in words ("Tutte le riviste", "Movimenti dal
  // 01/12/2026 al 09/12/2026 - Fornitore MEPE"...).
  QString SelectionText() const;
  // The report's values: "Selezione" and "Scadute al"; false for others.
  bool GetReportValue(const QString &name, rtl::Variant &value) const;

  // --- the command -------------------------------------------------------------------
  // Shows the selection form on the list's page with its caption; true
  // when the user confirmed (the selection is then filled).
  std::function<bool(TLista which)> Ask;
  // Shows the status text and lets pending messages through.
  std::function<void(const QString &text)> ShowStatus;
  // The main window's report component; the logic answers its values.
  report::TkvReport *Report() const { return report_; }
  void SetReport(report::TkvReport *report);

  // One list: asks, opens, tells when nothing passes, else loads the
  // template and shows the report. The status text goes back to "..." and
  // the dataset is closed also when something fails; the failure (a
  // missing template, a dataset error) then reaches the caller.
  void Stampa(TLista which);

 private:
  void Status(const QString &text);
  bool AcceptCommon(const TCriteri &c, const vcl::TField *day, const vcl::TField *fornitore, const vcl::TField *periodo,
                    const vcl::TField *cd) const;
  report::TkvReport *report_ = nullptr;
};

// The data folder's template file of that name: the exact name, else one
// whose name differs only in letter case (a folder brought from Windows);
// the exact name when there is none.
QString TemplateFileIn(const QString &folder, const QString &name);

// Copies into `data_folder` each list template of `program_folder` it has
// no file of (ignoring letter case); a template already there, changed by
// the user or not, is never replaced. Returns the names copied; raises when
// a copy cannot be written.
QStringList InstallListTemplates(const QString &program_folder, const QString &data_folder);

}  // namespace app
