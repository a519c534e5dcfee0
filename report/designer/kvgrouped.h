// The group editor "Gruppo" of a group-header band: its condition (the
// expression whose change starts a new group), typed or built with the
// expression editor, the variables picker and the field picker, whose
// choice goes in at the cursor (the user's clipboard is left alone).
#pragma once

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvBandView;
class TkvReport;

class TGroupEditorForm : public vcl::TForm {
  ORBISCA_CLASS(TGroupEditorForm, vcl::TForm)

 public:
  // `report` is the one the pickers list.
  TGroupEditorForm(vcl::TComponent *owner, TkvReport *report);

  void InsertExpression();
  void InsertVariable();
  void InsertField();

  vcl::TEdit *Edit1 = nullptr;  // the condition
  vcl::TLabel *Label1 = nullptr;
  vcl::TSpeedButton *E1 = nullptr;  // "..."
  vcl::TButton *Button3 = nullptr;  // "&Variabile"
  vcl::TButton *Button4 = nullptr;  // "&Campo DB"
  TOkCancel Buttons;

 private:
  void Insert(const QString &text);
  TkvReport *report_;
};

// The editor on a group-header band; true (and the condition in the
// band's FormatStr) after OK.
bool EditGroup(TkvBandView *band);

// Registers the editor as the designer's group editor.
void KvInstallGroupEditor();

}  // namespace report
