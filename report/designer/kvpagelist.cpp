// The page list (see kvpagelist.h).
#include "report/designer/kvpagelist.h"

#include <QListWidget>

#include "platform/vcl/messages.h"
#include "report/designer/kvdsgneditors.h"

namespace report {

TPagesList::TPagesList(vcl::TComponent *owner) : vcl::TForm(owner) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Gestione pagine"), 220, 260);
  PageList = PlaceControl<vcl::TListBox>(this, this, 8, 26, 204, 188);
  Label1 = PlaceLabel(this, this, QStringLiteral("Elenco pagine"), 8, 8, PageList);
  Buttons = PlaceOkCancel(this, 54, 226);
  // NOLINTEND(readability-magic-numbers)
  HandleNeeded();
  // The list's rows take the mouse in the list's viewport.
  if (auto *list = dynamic_cast<QListWidget *>(PageList->Handle()))
    vcl::RouteEventsToControl(list->viewport(), PageList);
  PageList->OnMouseDown = [this](rtl::TObject *, vcl::TMouseButton button, vcl::TShiftState, int x, int y) {
    if (button == vcl::mbLeft) StartDrag(RowAt(x, y));
  };
  PageList->OnMouseMove = [this](rtl::TObject *, vcl::TShiftState shift, int x, int y) {
    if (shift.Contains(vcl::ssLeft)) DragOver(RowAt(x, y));
  };
  PageList->OnMouseUp = [this](rtl::TObject *, vcl::TMouseButton button, vcl::TShiftState, int x, int y) {
    if (button == vcl::mbLeft) Drop(RowAt(x, y));
  };
  PageList->OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState shift) {
    if (!shift.Contains(vcl::ssCtrl) || (key != vcl::VK_UP && key != vcl::VK_DOWN)) return;
    const int row = PageList->ItemIndex();
    MoveEntry(row, key == vcl::VK_UP ? row - 1 : row + 1);
    key = 0;
  };
}

void TPagesList::SetPages(const QStringList &names) {
  PageList->Items()->Clear();
  for (const QString &name : names) PageList->Items()->Add(name);
  PageList->SetItemIndex(names.isEmpty() ? -1 : 0);
}

QStringList TPagesList::Pages() const {
  QStringList names;
  for (int i = 0; i < PageList->Count(); ++i) names << PageList->Items()->Strings(i);
  return names;
}

void TPagesList::MoveEntry(int from, int to) {
  const int count = PageList->Count();
  if (from < 0 || from >= count || to < 0 || to >= count) return;
  if (from != to) {
    const QString name = PageList->Items()->Strings(from);
    PageList->Items()->Delete(from);
    PageList->Items()->Insert(to, name);
  }
  PageList->SetItemIndex(to);
}

void TPagesList::StartDrag(int row) {
  drag_row_ = row;
  if (row >= 0) PageList->SetItemIndex(row);
}

void TPagesList::DragOver(int row) {
  if (drag_row_ >= 0 && row >= 0) PageList->SetItemIndex(row);
}

void TPagesList::Drop(int row) {
  const int from = drag_row_;
  drag_row_ = -1;
  if (from >= 0 && row >= 0) MoveEntry(from, row);
}

int TPagesList::RowAt(int x, int y) {
  const int count = PageList->Count();
  if (count == 0) return -1;
  auto *list = dynamic_cast<QListWidget *>(PageList->Handle());
  if (list == nullptr) return -1;
  const QPoint at = list->viewport()->mapFrom(list, QPoint(x, y));
  const int row = list->indexAt(at).row();
  if (row >= 0) return row;
  return at.y() < 0 ? 0 : count - 1;
}

bool EditPageOrder(QStringList &names) {
  TPagesList form(nullptr);
  form.SetPages(names);
  if (form.ShowModal() != vcl::mrOk) return false;
  names = form.Pages();
  return true;
}

void KvInstallPageListEditor() {
  KvRegisterEditor(TkvEditor::PageList, [](TkvEditContext &context) { return EditPageOrder(context.Lines); });
}

}  // namespace report
