// The report designer's window, "Modellatore": the engine's designer form
// (the slot of kvslots.h is filled with it when this unit starts), opened
// modally by TkvReport::DesignReport on the report being designed.
//
// It holds the menus and the four tool bars (standard "Panel1", text
// "Panel2", frame "Panel3", object palette "Panel4") made from the command
// table (kvdsgncmds.h), the page tabs, the two rulers and the design
// surface (kvsurface.h) in a scroll box, the status bar, and the floating
// inspector (kvinsp.h), which is a tool window of the designer so that it
// stays usable while the designer runs modally. What the commands do to
// the template is the model's (kvdsgnmodel.h); the window turns commands,
// keys and clicks into model calls, commits the undo snapshots and keeps
// its controls in step.
//
// Files: kvdesigner.cpp (the window, pages, selection, keys, commands),
// kvdesigner_ui.cpp (menus, tool bars, glyphs, layout), kvdesigner_edit.cpp
// (formatting, inspector rows, pop-up menu, editors), kvdesigner_files.cpp
// (new, open, save, reopen, preview, settings).
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kvdsgncmds.h"
#include "report/designer/kvdsgnmodel.h"
#include "report/designer/kvinsp.h"
#include "report/designer/kvruler.h"
#include "report/designer/kvsurface.h"
#include "report/engine/component/kvslots.h"

namespace report {

// The registry key of the designer's settings (under the current user).
inline const QString kvDesignerRegistryKey = QStringLiteral("Software\\Vovova vaza\\");

class TKVDesignerForm : public TkvReportDesigner, public ISurfaceHost {
  ORBISCA_CLASS(TKVDesignerForm, TkvReportDesigner)

 public:
  explicit TKVDesignerForm(TkvReport *report);
  ~TKVDesignerForm() override;

  // ---- the engine's operations ----
  void ClearUndo() override;
  // A flat button in the object palette below the others, with the
  // select button's size and left edge.
  void AddPaletteButton(const vcl::TBitmap *bitmap, const QString &hint, int tag) override;
  void AfterChange() override;

  TkvReport *Report() const { return report_; }
  TkvDesignerModel &Model() { return *model_; }

  // ---- commands ----
  // Runs a command as its menu item or button does (nothing when it is
  // disabled).
  void Run(TkvCommand command);
  bool CommandEnabled(TkvCommand command) const;
  // The controls of a command (nullptr where it has none).
  vcl::TMenuItem *MenuItem(TkvCommand command) const;
  vcl::TMenuItem *PopupItem(TkvCommand command) const;
  vcl::TSpeedButton *Button(TkvCommand command) const;
  // Enables every command by the designer's status.
  void UpdateCommands();

  // ---- pages and objects ----
  // Shows page `index`: scrolled to the top left, centred when narrower
  // than the scroll box, selection cleared, the inspector's list filled.
  void ShowPage(int index);
  // "Pagina 1", "Pagina 2"... one tab per page.
  void RenumberTabs();
  QStringList TabCaptions() const;
  // The selection changed: tool bars, inspector, status bar and commands
  // follow.
  void SelectionFollows();
  void EditObject(TkvView *view);
  // The keys of the window (it previews every key).
  void FormKeyDown(int &key, vcl::TShiftState shift);

  // ---- files (kvdesigner_files.cpp) ----
  // Asks whether to save a changed template; false when the user cancelled
  // (or a save failed).
  bool AskToSave();
  // Saves under the template's file (where it was loaded from); without a
  // name, as SaveReportAs. False when nothing was written (a failure is
  // shown).
  bool SaveReport();
  // Saves under a name the user chooses; true only when the template's
  // ".kvf" file was written.
  bool SaveReportAs();
  // Opens a template file; a missing or damaged file is reported and the
  // template and its name stay as they were. True when it was loaded.
  bool OpenFile(const QString &file_name);
  // The window's caption for the template's file name.
  void UpdateCaption();
  void LoadSettings();
  void SaveSettings();

  // ---- settings and tools ----
  int GridSize() const override { return grid_size_; }
  void SetGridSize(int size);
  bool GridAlign() const override { return grid_align_; }
  void SetGridAlign(bool on);
  void SetUnit(int unit);
  int ToolTag() const override { return tool_tag_; }
  // Chooses a palette tool (-1 the select tool); `keep` keeps it after an
  // insertion.
  void SetTool(int tag, bool keep = false);
  // The status bar's texts: the unit, the position and the size.
  QString StatusText(int panel) const;

  // ---- parts ----
  TPreview *Surface = nullptr;
  TInspForm *Inspector = nullptr;
  TPropEditor *MemoEditor = nullptr;
  vcl::TForm *AlignPalette = nullptr;
  TCanvasPanel *TopRuler = nullptr;
  TCanvasPanel *LeftRuler = nullptr;
  vcl::TScrollBox *ScrollBox1 = nullptr;
  vcl::TPageControl *PageTabs = nullptr;
  vcl::TStatusBar *StatusBar1 = nullptr;
  vcl::TMainMenu *MainMenu1 = nullptr;
  vcl::TPopupMenu *PopupMenu1 = nullptr;
  vcl::TMenuItem *ReopenMenu = nullptr;
  vcl::TPanel *Panel1 = nullptr;  // standard tool bar
  vcl::TPanel *Panel2 = nullptr;  // text
  vcl::TPanel *Panel3 = nullptr;  // frame and fill
  vcl::TPanel *Panel4 = nullptr;  // object palette
  vcl::TSpeedButton *SelectButton = nullptr;
  std::vector<vcl::TSpeedButton *> PaletteButtons;  // objects, the select button first
  vcl::TComboBox *FontName = nullptr;
  vcl::TComboBox *FontSize = nullptr;
  vcl::TEdit *FrameWidthEdit = nullptr;

 protected:
  void DoShow() override;
  void DoHide() override;
  void Activate() override;
  void Resize() override;

 private:
  // ---- ISurfaceHost ----
  bool KeepTool() const override { return keep_tool_; }
  void ResetTool() override { SetTool(-1); }
  bool DesignerActive() const override { return active_; }
  bool InvertOutlines() const override { return invert_outlines_; }
  int ChooseBandType() override;
  void SelectionChanged() override { SelectionFollows(); }
  void Changed() override;
  void Inserted(TkvView *view) override;
  void Moving() override;
  void Popup(const QPoint &screen) override;
  void EditSelected() override;
  void PressStarted() override {}
  void GroupScale(int percent_x, int percent_y) override;

  // kvdesigner_ui.cpp
  void BuildMenus();
  void BuildToolBars();
  void BuildPalette();
  void BuildBody();
  void GlyphsToMenus();
  vcl::TMenuItem *AddMenuItem(vcl::TMenuItem *parent, TkvCommand command);
  vcl::TSpeedButton *AddToolButton(vcl::TPanel *bar, TkvCommand command, int &left);
  void PlaceSurface();
  void PlaceRulers();

  // kvdesigner_edit.cpp
  void ApplyFormat(TkvCommand command);
  void FormatFromSelection();
  void FillInspector();
  void InspectorValueChanged(int row, QString &value);
  void PreparePopup();
  bool CanEdit(const TkvView *view) const;
  void ChooseColor(TkvCommand command);
  void EditHighlight();

  // kvdesigner_files.cpp
  // Saves under `path`; a failure is shown. The template's name goes to
  // the reopen list and the caption, and the history starts again.
  bool WriteTemplate(const QString &path);
  void TemplateNamed();
  void NewReport();
  void NewFromTemplate();
  void NewFromWizard();
  void Open();
  void Reopen(const QString &file_name);
  void FillReopenMenu();
  // The name goes first in the "&Riapri" list, unless it is there already
  // (in any letter case); the list keeps the five newest.
  void AddToReopenList(const QString &file_name);
  void Preview();
  void AddPage();
  void RemovePage();

  void Commit();
  void UpdateStatus();
  void ToggleToolBar(vcl::TPanel *bar, TkvCommand command);
  void ToggleInspector();
  void ToggleAlignPalette();

  struct CommandControls {
    vcl::TMenuItem *menu = nullptr;
    vcl::TMenuItem *popup = nullptr;
    vcl::TSpeedButton *button = nullptr;
    vcl::TControl *control = nullptr;
  };

  TkvReport *report_;
  std::unique_ptr<TkvDesignerModel> model_;
  std::map<TkvCommand, CommandControls> controls_;
  std::map<TkvCommand, std::function<void()>> handlers_;
  vcl::TPanel *body_ = nullptr;
  vcl::TPanel *left_strip_ = nullptr;
  vcl::TPanel *top_strip_ = nullptr;
  vcl::TPanel *mark_right_ = nullptr;  // keep the scroll extent past the page
  vcl::TPanel *mark_bottom_ = nullptr;
  int grid_size_ = 4;
  bool grid_align_ = true;
  bool invert_outlines_ = false;
  int tool_tag_ = -1;
  bool keep_tool_ = false;
  bool active_ = true;
  bool updating_controls_ = false;
  int group_percent_x_ = 0;
  int group_percent_y_ = 0;
  std::map<TkvCommand, vcl::TColor> colors_;  // the colour buttons' colours
  QString last_font_name_;
  int last_font_size_ = kvDefaultFontSize;
};

// Links the designer into a program (and so fills the engine's designer
// slot): the program's main form owns one.
class TkvDesigner : public vcl::TComponent {
  ORBISCA_CLASS(TkvDesigner, vcl::TComponent)

 public:
  explicit TkvDesigner(vcl::TComponent *owner);
};

// Fills the designer slot and installs the editors (done once when the
// unit starts; repeating it is harmless).
bool KvRegisterDesigner();

}  // namespace report
