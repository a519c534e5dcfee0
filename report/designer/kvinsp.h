// The object inspector "Controllo oggetto": a small floating window of the
// designer with a combo box of the page's object names and an owner-drawn
// grid of rows (a property name and its value), edited in place or through
// a modal editor form.
//
// The inspector only shows, navigates and edits. Which rows exist, what
// they show and what an edited value does to the objects is the
// designer's (kvdsgnmodel.h): it adds the rows, sets their values and
// hears of every committed edit through OnValueChanged, where it may
// change the text shown.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"

namespace report {

class TkvView;

// A form for a modal property editor (the memo text editor descends from
// it). The inspector hands it the designer's current object before it is
// shown.
class TPropEditor : public vcl::TForm {
  ORBISCA_CLASS(TPropEditor, vcl::TForm)

 public:
  explicit TPropEditor(vcl::TComponent *owner) : vcl::TForm(owner) {}
  // Shows the editor modally; the modal result (mrOk = 1 when confirmed).
  virtual int ShowEditor() { return ShowModal(); }
  TkvView *View() const { return view_; }
  void SetView(TkvView *view) { view_ = view; }

 private:
  TkvView *view_ = nullptr;
};

// Kinds of row.
inline constexpr int kvPropInPlace = 0;
inline constexpr int kvPropEditorForm = 1;

// One row: its value (at most 255 characters), how it is edited, and
// whether it is shown and selectable.
struct TProp {
  QString Value;
  int Kind = kvPropInPlace;
  TPropEditor *Editor = nullptr;  // kind 1; not owned
  bool Enabled = true;
};

class TInspForm;

// The owner-drawn grid of rows.
class TInspGrid : public vcl::TCustomControl {
  ORBISCA_CLASS(TInspGrid, vcl::TCustomControl)

 public:
  explicit TInspGrid(TInspForm *inspector);

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  TInspForm *inspector_;
  vcl::TBitmap offscreen_;
};

class TInspForm : public vcl::TForm {
  ORBISCA_CLASS(TInspForm, vcl::TForm)

 public:
  explicit TInspForm(vcl::TComponent *owner);
  ~TInspForm() override;

  // ---- rows ----
  int RowCount() const { return static_cast<int>(rows_.size()); }
  void AddRow(const QString &name, std::unique_ptr<TProp> prop);
  void ClearRows();
  QString RowName(int index) const;
  TProp *Row(int index) const;
  void SetRowEnabled(int index, bool enabled);
  // A new value for the row (shown at once when it is the selected row).
  void SetRowValue(int index, const QString &value);
  QString RowValue(int index) const;
  // The selected row (-1 when none).
  int SelectedRow() const { return selected_; }
  // Selects a row as a click does (a row past the end means the last; a
  // disabled row is ignored), committing a pending edit first.
  void SelectRow(int index);
  void SelectFirstEnabled();

  // ---- the object list ----
  void AddObjectName(const QString &name);
  void RemoveObjectName(const QString &name);
  void ClearObjectNames();
  // The combo shows that name (none when it is not listed).
  void SelectObjectName(const QString &name);

  // Stores the edit box's text into the selected row and tells the
  // designer (when the text was typed since the row was selected).
  void Commit();
  // Opens the selected kind-1 row's editor.
  void OpenEditor();

  // The row height (the font's height + 5) and the name column's width.
  int RowHeight() const;
  // The client height that shows the object list and every row; the
  // window keeps it however it is resized.
  int FittingClientHeight() const;
  int NameWidth() const { return kNameWidth; }

  // ---- callbacks of the designer ----
  // A committed edit: the row and the new text (empty after an editor
  // form); the designer may change the text shown.
  std::function<void(int row, QString &value)> OnValueChanged;
  // The user chose a name in the object list.
  std::function<void(const QString &name)> OnObjectChosen;
  // The object a kind-1 row's editor is given.
  std::function<TkvView *()> CurrentObject;
  // F1 to F12 typed in the inspector, for the designer window.
  std::function<void(int key, vcl::TShiftState shift)> OnFunctionKey;

  vcl::TComboBox *Objects = nullptr;
  vcl::TPanel *Panel1 = nullptr;
  TInspGrid *PaintBox1 = nullptr;
  vcl::TEdit *Edit1 = nullptr;
  vcl::TSpeedButton *SpeedButton1 = nullptr;

 protected:
  void Deactivate() override;
  void Resize() override;

 private:
  friend class TInspGrid;
  static constexpr int kNameWidth = 61;
  void PlaceEditor();
  void FillEditor();
  void FitHeight();
  void EditKeyDown(int &key, vcl::TShiftState shift);

  struct RowEntry {
    QString name;
    std::unique_ptr<TProp> prop;
  };
  std::vector<RowEntry> rows_;
  int selected_ = -1;
  bool fitting_ = false;
  QString typed_from_;  // the row's value when it was selected (Esc)
};

}  // namespace report
