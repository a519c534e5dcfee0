// The archive browser: the titles archive (`Riviste`) or the stock archive
// (`Giacenza`) in a data grid where the user reads, edits, adds and deletes
// rows directly, with a search bar and a navigator underneath.
//
// The browser has no tables of its own: it borrows the main window's data
// source for as long as it is shown, so every change lands in the tables the
// main window looks codes up in. When it closes, the table gets its usual
// order back (titles by Barcode, stock by Barcode18) and starts again from
// its first row.
//
// TArchivioLogic is what happens around the window (status text, the sort
// put back), free of widgets so it can be followed in tests; TTestateForm is
// the window.
#pragma once

#include <QString>
#include <functional>

#include "app/menulogic.h"
#include "dao/vudaogrid.h"
#include "dao/vudaosearch.h"
#include "platform/vcl/dbctrls/dbctrls.h"
#include "platform/vcl/forms.h"

namespace app {

enum class TArchivio { Testate, Giacenze };

// What one of the two commands shows.
struct TArchivioUse {
  QString status;      // status label while the browser opens
  QString caption;     // the window's caption
  QString sort_field;  // the order the table gets back on close
  vcl::TDataSource *source = nullptr;
};

class TArchivioLogic {
 public:
  explicit TArchivioLogic(TMenuLogic *logic) : logic_(logic) {}

  TArchivioUse Use(TArchivio which) const;
  // Runs one command: the status text, `show` with the data source and the
  // caption (the window binds, shows modally and unbinds), then the table's
  // order put back and the status idle again, whatever `show` did.
  void Run(TArchivio which, const std::function<void(const TArchivioUse &use)> &show);
  // A title click: the grid's table sorted ascending by that column.
  static void SortByColumn(vcl::TDataSource *source, const QString &field_name);

  // Pumps pending messages after the status text changed (the window's
  // Application->ProcessMessages; nothing in tests).
  std::function<void()> ProcessMessages;

 private:
  static void Reorder(vcl::TDataSet *ds, const QString &field_name);
  TMenuLogic *logic_;
};

class TTestateForm : public vcl::TForm {
  ORBISCA_CLASS(TTestateForm, vcl::TForm)

 public:
  explicit TTestateForm(vcl::TComponent *owner = nullptr);

  dao::TVuDaoDBGrid *griglia = nullptr;
  dao::TVuDaoSearch *Ricerca = nullptr;
  vcl::TDBNavigator *navigatore = nullptr;

  // Binds the three controls to `source` (nullptr unbinds).
  void Bind(vcl::TDataSource *source);
  void grigliaTitleClick(vcl::TColumn *column);

  // The main window's command: binds, shows modally, unbinds, restores.
  static void Esegui(TMenuLogic *logic, TArchivio which, TTestateForm *form,
                     const std::function<void()> &process_messages = {});

 private:
  void FormCloseQuery(rtl::TObject *sender, bool &can_close);
};

}  // namespace app
