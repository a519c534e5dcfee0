// The page list "Gestione pagine" that puts a template's pages in a new
// order: the pages' names ("Pagina 1", "Pagina 2"...) are dragged within
// the list with the mouse, or moved with Ctrl+Up and Ctrl+Down; OK hands
// the names back in their new order (the designer then rearranges the
// pages by the numbers in them).
#pragma once

#include <QStringList>

#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"

namespace report {

class TPagesList : public vcl::TForm {
  ORBISCA_CLASS(TPagesList, vcl::TForm)

 public:
  explicit TPagesList(vcl::TComponent *owner);

  void SetPages(const QStringList &names);
  QStringList Pages() const;

  // The entry at `from` goes to `to` (the others close up); the moved
  // entry is selected. Rows out of range change nothing.
  void MoveEntry(int from, int to);

  // A drag with the mouse, by row: pressed on a row, over a row (which
  // becomes selected), released on a row (the entry moves there).
  void StartDrag(int row);
  void DragOver(int row);
  void Drop(int row);
  // The row under a point of the list (the last row below the last entry;
  // -1 for an empty list).
  int RowAt(int x, int y);

  vcl::TLabel *Label1 = nullptr;
  vcl::TListBox *PageList = nullptr;
  TOkCancel Buttons;

 private:
  int drag_row_ = -1;
};

// The list on the names; true and the names in their new order after OK.
bool EditPageOrder(QStringList &names);

// Registers the list as the designer's page order editor.
void KvInstallPageListEditor();

}  // namespace report
