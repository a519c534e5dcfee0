// What the designer's editor forms give the designer window.
//
// The designer window (kvdesigner.h) opens its editors without knowing
// their classes: each editor unit registers an opener for its editor here
// when the designer unit starts (KvInstallDesignerEditors calls the units'
// install functions), and the commands that open an editor stay disabled
// while no opener is registered. An opener shows its form modally on what
// the context names and returns true when the user confirmed; everything
// around it (the undo snapshot, redrawing, the inspector) is the
// designer's.
//
// Two editors are windows the designer keeps while it is open rather than
// modal forms: the memo text editor (a TPropEditor, also the editor of the
// inspector's "Testo" row) and the alignment palette. Their class slots
// make one for a designer, which owns and places it.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/vcl/graphics.h"

namespace vcl {
class TForm;
}

namespace report {

class TKVDesignerForm;
class TPropEditor;
class TkvReport;
class TkvPage;
class TkvView;

// The modal editors the designer's commands open.
enum class TkvEditor {
  // Highlight attributes of the memo `View` (a copy of the last selected
  // memo): on true the designer copies switch, condition, colours and style
  // to every selected memo.
  Highlight,
  // The picture of the picture object `View`, assigned back on OK.
  Picture,
  // The colour drop-down under the screen point `Anchor`, starting at
  // `Color`; on true `Color` holds the chosen colour (kvNoColor for none).
  ColorPicker,
  // Page order: `Lines` holds "Pagina 1", "Pagina 2"... and comes back
  // in the new order.
  PageList,
  // The options of `Page` (paper, orientation, margins, columns, scale),
  // written back into it on OK.
  PageOptions,
  // The document options and printer of `Report`, written back on OK.
  ReportOptions,
  // The variables of `Report`.
  Variables,
  // The record source of the data band `View` (types 5, 8, 11, 19).
  BandSource,
  // The group condition of the group-header band `View` (type 16).
  Group,
  // The band-type chooser for a new band on `Page`: on true `Value` holds
  // the chosen type (one not yet on the page, or a type that may repeat).
  BandType,
  // The report wizard: builds a new template in `Report`.
  Wizard,
};
inline constexpr int kvEditorCount = int(TkvEditor::Wizard) + 1;

// What an editor works on.
struct TkvEditContext {
  TKVDesignerForm *Designer = nullptr;  // the open designer (parent of the editor's window)
  TkvReport *Report = nullptr;
  TkvPage *Page = nullptr;  // the page shown
  TkvView *View = nullptr;  // the object edited
  QStringList Lines;
  int Value = 0;
  vcl::TColor Color = vcl::clBlack;
  QPoint Anchor;
};

using TkvEditorOpener = std::function<bool(TkvEditContext &context)>;

// Registers (or, with an empty opener, removes) the opener of an editor.
void KvRegisterEditor(TkvEditor editor, TkvEditorOpener opener);
bool KvHasEditor(TkvEditor editor);
// Runs the editor; false when none is registered or the user cancelled.
bool KvOpenEditor(TkvEditor editor, TkvEditContext &context);

// The memo text editor: made once per designer (its owner), shown modally
// on an object through TPropEditor::ShowEditor.
using TkvMemoEditorClass = std::function<TPropEditor *(TKVDesignerForm *designer)>;
TkvMemoEditorClass &KvMemoEditorClass();

// The alignment palette: a floating window made once per designer (its
// owner), shown and hidden by the "Strumenti di allineamento" command.
using TkvPaletteClass = std::function<vcl::TForm *(TKVDesignerForm *designer)>;
TkvPaletteClass &KvAlignmentPaletteClass();

// Called once when the designer unit starts: every editor unit's install
// function (kvdsgneditors.cpp lists them) registers its openers.
void KvInstallDesignerEditors();

}  // namespace report
