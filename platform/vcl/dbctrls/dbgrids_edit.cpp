// The data grid's editing in its cells (see dbgrids.h): the editor laid over
// the selected cell, the keys it leaves to the grid, and the road of its
// text into the field.
#include <QApplication>

#include "platform/vcl/ctrlsupport.h"
#include "platform/vcl/dbctrls/dbgrids.h"
#include "platform/vcl/reportfailures.h"

namespace vcl {

namespace {

// The editor over a cell: a borderless edit whose Enter, Esc, Tab and up
// and down keys go to its grid.
class TGridInplaceEdit : public TCustomEdit {
  ORBISCA_CLASS(TGridInplaceEdit, TCustomEdit)

 public:
  TGridInplaceEdit(TComponent *owner, TDBGrid *grid) : TCustomEdit(owner), grid_(grid) {
    SetBorderStyle(bsNone);
    SetAutoSelect(false);
    SetTabStop(false);
  }

 protected:
  void WMGetDlgCode(TMessage &m) override {
    TCustomEdit::WMGetDlgCode(m);
    m.Result |= DLGC_WANTALLKEYS | DLGC_WANTTAB;
  }
  void KeyDown(int &key, TShiftState shift) override {
    TCustomEdit::KeyDown(key, shift);
    if (key != 0) grid_->EditorKeyDown(key, shift);
  }
  void KeyPress(QChar &key) override {
    TCustomEdit::KeyPress(key);
    // Enter and Esc were the grid's: no character is typed for them.
    if (key == QChar(13) || key == QChar(27) || key == QChar(9)) key = QChar();
  }
  void DoExit() override {
    TCustomEdit::DoExit();
    grid_->EditorExit();
  }

 private:
  TDBGrid *grid_;
};

}  // namespace

bool TDBGrid::EditorMode() const { return editor_ != nullptr && editor_->Visible(); }

TCustomEdit *TDBGrid::InplaceEditor() const { return EditorMode() ? editor_ : nullptr; }

bool TDBGrid::CanEditShow() const {
  if (!options_.Contains(dgEditing) || options_.Contains(dgRowSelect) || read_only_ || !DataLink()->Active())
    return false;
  TDataSet *ds = DataLink()->DataSet();
  TField *field = SelectedField();
  return ds != nullptr && field != nullptr && ds->CanModify() && !field->ReadOnly() && field->FieldKind() == fkData;
}

bool TDBGrid::CanEditModify() {
  if (!CanEditShow()) return false;
  TDataSet *ds = DataLink()->DataSet();
  if (ds->State() == dsEdit || ds->State() == dsInsert) return true;
  return DataLink()->Edit();
}

void TDBGrid::SetEditorMode(bool value) {
  if (value == EditorMode()) return;
  if (!value) {
    WriteEditor();
    HideEditor();
    return;
  }
  if (!CanEditModify()) return;
  TField *field = SelectedField();
  ShowEditor(field != nullptr ? field->Text() : QString(), false);
}

void TDBGrid::KeyPress(QChar &key) {
  TCustomControl::KeyPress(key);
  if (key.isNull() || key.unicode() < 32 || EditorMode()) return;
  // A typed character starts editing the cell with it.
  if (!CanEditModify()) return;
  ShowEditor(QString(key), false);
  key = QChar();
}

void TDBGrid::ShowEditor(const QString &text, bool select_all) {
  if (editor_ == nullptr) {
    editor_ = new TGridInplaceEdit(nullptr, this);
    editor_->SetVisible(false);
    editor_->SetParent(this);
    editor_->OnChange = [this](rtl::TObject *) { editor_dirty_ = true; };
  }
  editor_->SetFont(Font());
  editor_->SetText(text);
  editor_dirty_ = text != (SelectedField() != nullptr ? SelectedField()->Text() : QString());
  editor_->SetVisible(true);
  PlaceEditor();  // only an open editor is placed
  if (editor_->CanFocus()) editor_->SetFocus();
  if (select_all)
    editor_->SelectAll();
  else
    editor_->SetSelStart(static_cast<int>(text.size()));
}

void TDBGrid::HideEditor() {
  if (editor_ == nullptr || !editor_->Visible() || hiding_editor_) return;
  hiding_editor_ = true;
  const bool had_focus = editor_->Focused();
  editor_dirty_ = false;
  // The keys come back to the grid before the editor goes.
  if (had_focus && CanFocus()) SetFocus();
  editor_->SetVisible(false);
  hiding_editor_ = false;
  Invalidate();
}

void TDBGrid::PlaceEditor() {
  if (!EditorMode()) return;
  const int row = CurrentRow();
  if (row < 0) {
    HideEditor();
    return;
  }
  const TRect r = CellRect(row, selected_);
  editor_->SetBounds(r.Left + 1, r.Top + 1, std::max(4, r.Width() - 2), std::max(4, r.Height() - 2));
}

void TDBGrid::WriteEditor() {
  if (!EditorMode() || !editor_dirty_) return;
  TField *field = SelectedField();
  if (field == nullptr) return;
  const QString text = editor_->Text();
  if (!CanEditModify()) return;
  field->SetText(text);  // a refused value raises, and the editor stays
  editor_dirty_ = false;
}

void TDBGrid::LinkUpdateData() { WriteEditor(); }

void TDBGrid::LinkScrolled() {
  // Another record became current: its cell is not the one being edited.
  HideEditor();
  ShowCurrentRow();
  UpdateScrollBar();
  Invalidate();
}

void TDBGrid::MoveColumn(int column) {
  if (column >= ColumnCount() && DataLink()->Active()) {
    // Past the last column: the first column of the next record.
    TDataSet *ds = DataLink()->DataSet();
    ds->Next();
    if (!ds->Eof()) SetSelectedIndex(0);
    return;
  }
  if (column < 0) {
    if (!DataLink()->Active()) return;
    TDataSet *ds = DataLink()->DataSet();
    ds->Prior();
    if (!ds->Bof()) SetSelectedIndex(ColumnCount() - 1);
    return;
  }
  SetSelectedIndex(column);
}

void TDBGrid::EditorKeyDown(int &key, TShiftState shift) {
  TDataSet *ds = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
  if (ds == nullptr) return;
  switch (key) {
    case VK_RETURN:
      // The text goes into the field and the record is posted.
      WriteEditor();
      HideEditor();
      if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Post();
      break;
    case VK_ESCAPE:
      HideEditor();
      if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
      break;
    case VK_TAB:
      if (!options_.Contains(dgTabs)) return;
      WriteEditor();
      HideEditor();
      MoveColumn(shift.Contains(ssShift) ? selected_ - 1 : selected_ + 1);
      break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      // Leaving the row: the text goes into the field, the move posts it.
      WriteEditor();
      HideEditor();
      int grid_key = key;
      KeyDown(grid_key, shift);
      break;
    }
    default:
      return;
  }
  key = 0;
}

void TDBGrid::EditorExit() {
  if (hiding_editor_) return;
  // The focus went elsewhere: what was typed stays in the record (posted
  // when the record is left), the editor closes.
  ReportFailures(this, [this] {
    WriteEditor();
    HideEditor();
  });
}

}  // namespace vcl
