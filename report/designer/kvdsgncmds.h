// The designer's commands: one table of what each menu item, pop-up item
// and tool button does, with its Italian captions, hint, shortcut and when
// it may run.
//
// The designer window (kvdesigner.h) makes its menus and buttons from this
// table and gives each command one handler; after every change it asks
// KvCommandEnabled for each command with the designer's status (the
// selection word, undo state, pages, reopen list). A command that opens an
// editor form (kvdsgneditors.h) is enabled only while that editor is
// registered, so wiring an editor to its command is registering its opener.
#pragma once

#include <QString>
#include <vector>

#include "platform/vcl/messages.h"
#include "report/designer/kvdsgneditors.h"

namespace report {

enum class TkvCommand {
  // File
  NewReport,
  NewFromTemplate,
  NewFromWizard,
  Open,
  Save,
  SaveAs,
  Variables,
  ReportOptions,
  PageOptions,
  PageList,
  Preview,
  Reopen,
  Exit,
  // Edit
  Undo,
  Redo,
  Cut,
  Copy,
  Paste,
  Delete,
  SelectAll,
  Edit,
  AddPage,
  RemovePage,
  BringToFront,
  SendToBack,
  // Tools
  GridAlign,
  Grid4,
  Grid8,
  Grid19,
  OutlineFrame,
  OutlineInvert,
  ToolbarStandard,
  ToolbarText,
  ToolbarRect,
  ToolbarObjects,
  Inspector,
  AlignPalette,
  UnitPixels,
  UnitMillimetres,
  UnitInches,
  // Formatting tool bars (the number is the control's tag)
  FrameTop,
  FrameLeft,
  FrameBottom,
  FrameRight,
  FillColor,
  FrameWidth,
  FontName,
  FontSize,
  Bold,
  Italic,
  Underline,
  AlignLeft,
  AlignRight,
  AlignCenter,
  Justify,
  Rotate,
  VertCenter,
  VertTop,
  VertBottom,
  FontColor,
  FrameColor,
  FrameAll,
  FrameNone,
  Highlight,
};

// The tags of the formatting controls (what each one sets).
enum TkvFormatTag : int {
  kvTagFrameTop = 1,
  kvTagFrameLeft = 2,
  kvTagFrameBottom = 3,
  kvTagFrameRight = 4,
  kvTagFillColor = 5,
  kvTagFrameWidth = 6,
  kvTagFontName = 7,
  kvTagFontSize = 8,
  kvTagBold = 9,
  kvTagItalic = 10,
  kvTagAlignLeft = 11,
  kvTagAlignRight = 12,
  kvTagAlignCenter = 13,
  kvTagRotate = 14,
  kvTagVertical = 15,
  kvTagFontColor = 17,
  kvTagUnderline = 18,
  kvTagFrameColor = 19,
  kvTagFrameAll = 20,
  kvTagFrameNone = 21,
  kvTagJustify = 22,
};

// The selection word: one object selected gives its kind, several give
// kvSelMany; kvSelClipboard is added while the clipboard holds objects.
inline constexpr int kvSelBand = 1;
inline constexpr int kvSelMemo = 2;
inline constexpr int kvSelOther = 4;
inline constexpr int kvSelMany = 8;
inline constexpr int kvSelClipboard = 16;

// When a command may run.
enum class TkvEnableRule {
  Always,
  Framing,       // objects other than a single band (bits 2, 4, 8)
  Text,          // memos (bits 2, 8)
  AnySelection,  // anything selected
  Clipboard,     // the clipboard holds objects
  OneObject,     // exactly one object (bits 1, 2, 4)
  CanUndo,
  CanRedo,
  Modified,      // the template differs from the one opened
  SeveralPages,  // more than one page
  ReopenList,    // the reopen list is not empty
};

struct TkvCommandInfo {
  TkvCommand Id;
  const char *MenuCaption;   // "" when the command has no menu item
  const char *PopupCaption;  // "" when it is not in the pop-up menu
  const char *Hint;          // the tool button's hint; "" without one
  vcl::TShortCut ShortCut;
  TkvEnableRule Rule;
  int Editor;  // the TkvEditor it opens, or -1
  int Tag;     // the formatting control's tag (0 for other commands)
};

// What the rules look at.
struct TkvDesignerStatus {
  int SelectionWord = 0;
  bool CanUndo = false;
  bool CanRedo = false;
  bool Modified = false;
  int PageCount = 1;
  int ReopenCount = 0;
};

const std::vector<TkvCommandInfo> &KvDesignerCommands();
const TkvCommandInfo &KvCommandInfo(TkvCommand command);
bool KvRuleAllows(TkvEnableRule rule, const TkvDesignerStatus &status);
// The rule, and the command's editor registered.
bool KvCommandEnabled(TkvCommand command, const TkvDesignerStatus &status);

}  // namespace report
