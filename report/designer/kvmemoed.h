// The text editor "Editor di testo" of a report object's text: a
// multi-line box with buttons that insert a bracketed variable ("&Variabile",
// also the Insert key), a dataset field ("&Campo DB") or an expression
// ("&Espressione") at the cursor, and, for memo objects, the format dialog
// ("&Formatta") and the highlight dialog ("Evi&denzia").
//
// The dialogs work on a scratch memo that holds the object's settings;
// only OK copies the text and those settings back to the object, so a
// cancelled editor leaves it as it was. Insertions go into the text at
// the cursor: the user's clipboard is never touched.
#pragma once

#include <memory>

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"
#include "report/designer/kvinsp.h"

namespace report {

class TkvMemoView;
class TkvView;

// A property editor of the inspector (its "Testo" row), also opened by the
// designer's edit command on a memo.
class TEditorForm : public TPropEditor {
  ORBISCA_CLASS(TEditorForm, TPropEditor)

 public:
  explicit TEditorForm(vcl::TComponent *owner);
  ~TEditorForm() override;

  // Shows the editor on the object (View()); mrCancel without showing when
  // there is none. After mrOk the object holds the edited text and
  // settings.
  int ShowEditor() override;

  // What activation and OK do, for the editor and its tests.
  void LoadFromView();
  void ApplyToView();
  // The scratch memo the format and highlight dialogs edit.
  TkvMemoView &Scratch() const { return *scratch_; }

  // The buttons' insertions.
  void InsertVariable();
  void InsertField();
  void InsertExpression();
  void EditFormat();
  void EditHighlight();
  // Puts the text at the cursor of the text box (over its selection).
  void InsertText(const QString &text);

  vcl::TMemo *M1 = nullptr;
  vcl::TButton *Button1 = nullptr;  // "&OK"
  vcl::TButton *Button2 = nullptr;  // "&Annulla"
  vcl::TButton *Button3 = nullptr;  // "&Variabile"
  vcl::TButton *Button4 = nullptr;  // "&Campo DB"
  vcl::TButton *Button5 = nullptr;  // "&Espressione"
  vcl::TBitBtn *BitBtn1 = nullptr;  // "&Formatta"
  vcl::TBitBtn *BitBtn2 = nullptr;  // "Evi&denzia"

 private:
  std::unique_ptr<TkvMemoView> scratch_;
};

// The editor on an object's text; true when the user confirmed.
bool EditMemoText(TkvView *view);

// Makes the editor the designer's memo text editor (one per designer,
// which owns it).
void KvInstallMemoEditor();

}  // namespace report
