// The variables editor "Editor di variabili": the report's variable
// categories and variables in a tree, and what the chosen variable stands
// for (a field of a dataset, a system value, an expression, or nothing).
//
// The form only shows and asks; TkvVariableList (kvvarlist.h) changes the
// variable list and the bindings. Each tree node knows its line of the
// list; after a new, deleted or renamed item the tree is built again.
// Cancel puts the list and the bindings back as they were when the editor
// opened.
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/treeview.h"
#include "report/designer/kvdsgdata.h"
#include "report/designer/kvvarlist.h"

namespace report {

class TkvReport;

class TEvForm : public vcl::TForm {
  ORBISCA_CLASS(TEvForm, vcl::TForm)

 public:
  TEvForm(vcl::TComponent *owner, TkvReport *report);
  ~TEvForm() override;

  // Shows the editor modally; true after OK. Cancel restores the report's
  // variables and bindings.
  bool Execute();

  // The handlers, as the controls call them.
  // Takes the report's variables and bindings to edit.
  void FormCreate();
  // Leaving a variable stores the expression typed for it; reaching one
  // shows its binding.
  void VarTreeChanging(vcl::TTreeNode *node, bool &allow_change);
  void VarTreeChange(vcl::TTreeNode *node);
  // Renaming in place: allowed on any node; the new name replaces the
  // node's line (refused with a message when it is taken).
  void VarTreeEditing(vcl::TTreeNode *node, bool &allow_edit);
  void VarTreeEdited(vcl::TTreeNode *node, QString &text);
  // Insert (Ctrl: a category), Delete and F2 while not renaming.
  void VarTreeKeyDown(int &key, vcl::TShiftState shift);
  void ValComboClick();
  void ValListClick();
  void NewCategoryClick();
  void NewVariableClick();
  void DeleteItemClick();
  void ModifyItemClick();
  void BEditorClick();
  void Button1Click();

  // The line of the list the selected node stands for (-1: none).
  int SelectedLine() const;

  vcl::TTreeView *VarTree = nullptr;
  vcl::TComboBox *ValCombo = nullptr;
  vcl::TListBox *ValList = nullptr;
  vcl::TEdit *Edit1 = nullptr;
  vcl::TButton *BEditor = nullptr;
  vcl::TLabel *Label1 = nullptr;  // "Variabili"
  vcl::TLabel *Label2 = nullptr;  // "Valore"
  vcl::TLabel *Label3 = nullptr;  // "Espressione"
  vcl::TSpeedButton *NewCategory = nullptr;
  vcl::TSpeedButton *NewVariable = nullptr;
  vcl::TSpeedButton *DeleteItem = nullptr;
  vcl::TSpeedButton *ModifyItem = nullptr;
  vcl::TButton *Button1 = nullptr;  // "&OK"
  vcl::TButton *Button2 = nullptr;  // "&Annulla"

 private:
  void FillSources();
  // Lists the values of the source chosen in ValCombo.
  void ListValues();
  // Builds the tree from the list and selects the node of `line`.
  void BuildTree(int line);
  void ShowBinding();
  void StoreBinding();
  void UpdateExpressionState();
  void SetButtons();
  QString ValueText() const;

  TkvReport *report_;
  std::unique_ptr<TkvVariableList> list_;
  std::vector<TkvDataSetEntry> sources_;
  vcl::TImageList images_;
  bool building_ = false;
};

// The editor on the report's variables; true after OK.
bool EditVariables(TkvReport *report);

// Registers the editor as the designer's "Lista variabili..." editor.
void KvInstallVariablesEditor();

}  // namespace report
