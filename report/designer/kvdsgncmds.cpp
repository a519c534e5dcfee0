// The designer's command table (see kvdsgncmds.h).
#include "report/designer/kvdsgncmds.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"

namespace report {

namespace {

using C = TkvCommand;
using R = TkvEnableRule;
constexpr int kNone = -1;
constexpr int E(TkvEditor editor) { return static_cast<int>(editor); }
constexpr vcl::TShortCut kCtrl = vcl::scCtrl;
constexpr vcl::TShortCut kDel = vcl::TShortCut(vcl::VK_DELETE);

}  // namespace

const std::vector<TkvCommandInfo> &KvDesignerCommands() {
  // NOLINTBEGIN(readability-magic-numbers)
  static const std::vector<TkvCommandInfo> table = {
      {C::NewReport, "Nuovo report", "", "Nuovo report", 0, R::Always, kNone, 0},
      {C::NewFromTemplate, "Nuovo da modello...", "", "", 0, R::Always, kNone, 0},
      {C::NewFromWizard, "Nuovo da autocomposizione...", "", "", 0, R::Always, E(TkvEditor::Wizard), 0},
      {C::Open, "Apri...", "", "Apri report", 0, R::Always, kNone, 0},
      {C::Save, "Salva", "", "Salva report", 0, R::Modified, kNone, 0},
      {C::SaveAs, "Salva con nome...", "", "", 0, R::Always, kNone, 0},
      {C::Variables, "Lista variabili...", "", "", 0, R::Always, E(TkvEditor::Variables), 0},
      {C::ReportOptions, "Opzioni report...", "", "", 0, R::Always, E(TkvEditor::ReportOptions), 0},
      {C::PageOptions, "Opzioni pagina...", "", "Opzioni pagina", 0, R::Always, E(TkvEditor::PageOptions), 0},
      {C::PageList, "", "", "Gestione pagine", 0, R::Always, E(TkvEditor::PageList), 0},
      {C::Preview, "Anteprima", "", "Anteprima report", vcl::VK_F9, R::Always, kNone, 0},
      {C::Reopen, "&Riapri", "", "", 0, R::ReopenList, kNone, 0},
      {C::Exit, "Esci", "", "Chiudi modellatore", 0, R::Always, kNone, 0},

      {C::Undo, "Annulla", "", "Annulla", 0, R::CanUndo, kNone, 0},
      {C::Redo, "Ripristina", "", "Ripristina", 0, R::CanRedo, kNone, 0},
      {C::Cut, "Taglia", "Taglia", "Taglia", kCtrl | 'X', R::AnySelection, kNone, 0},
      {C::Copy, "Copia", "Copia", "Copia", kCtrl | 'C', R::AnySelection, kNone, 0},
      {C::Paste, "Incolla", "Incolla", "Incolla", kCtrl | 'V', R::Clipboard, kNone, 0},
      {C::Delete, "Cancella", "Elimina", "", kDel, R::AnySelection, kNone, 0},
      {C::SelectAll, "Selziona tutto", "Seleziona tutto", "Seleziona tutto", kCtrl | 'A', R::Always, kNone, 0},
      {C::Edit, "Modifica", "Modifica...", "", 0, R::OneObject, kNone, 0},
      {C::AddPage, "Aggiungi pagina", "", "Aggiungi pagina", 0, R::Always, kNone, 0},
      {C::RemovePage, "Rimuovi pagina", "", "Rimuovi pagina", 0, R::SeveralPages, kNone, 0},
      {C::BringToFront, "Porta in primo piano", "", "Porta in primo piano", 0, R::AnySelection, kNone, 0},
      {C::SendToBack, "Porta in secondo piano", "", "Porta in secondo piano", 0, R::AnySelection, kNone, 0},

      {C::GridAlign, "Allinea alla griglia", "", "Allinea alla griglia", 0, R::Always, kNone, 0},
      {C::Grid4, "4 punti (circa 1 mm)", "", "", 0, R::Always, kNone, 0},
      {C::Grid8, "8 punti (circa 2 mm)", "", "", 0, R::Always, kNone, 0},
      {C::Grid19, "19 punti (circa 5 mm)", "", "", 0, R::Always, kNone, 0},
      {C::OutlineFrame, "Bordo", "", "", 0, R::Always, kNone, 0},
      {C::OutlineInvert, "Inverti", "", "", 0, R::Always, kNone, 0},
      {C::ToolbarStandard, "Predefinito", "", "", 0, R::Always, kNone, 0},
      {C::ToolbarText, "Testo", "", "", 0, R::Always, kNone, 0},
      {C::ToolbarRect, "Rettangolo", "", "", 0, R::Always, kNone, 0},
      {C::ToolbarObjects, "Oggetti", "", "", 0, R::Always, kNone, 0},
      {C::Inspector, "Controllo Oggetto", "", "", vcl::VK_F11, R::Always, kNone, 0},
      {C::AlignPalette, "Strumenti di allineamento", "", "", 0, R::Always, kNone, 0},
      {C::UnitPixels, "Punti", "", "", 0, R::Always, kNone, 0},
      {C::UnitMillimetres, "Millimetri", "", "", 0, R::Always, kNone, 0},
      {C::UnitInches, "Pollici", "", "", 0, R::Always, kNone, 0},

      {C::FrameTop, "", "", "Linea bordo superiore", 0, R::Framing, kNone, kvTagFrameTop},
      {C::FrameLeft, "", "", "Linea bordo sinistro", 0, R::Framing, kNone, kvTagFrameLeft},
      {C::FrameBottom, "", "", "Linea bordo inferiore", 0, R::Framing, kNone, kvTagFrameBottom},
      {C::FrameRight, "", "", "Linea bordo destra", 0, R::Framing, kNone, kvTagFrameRight},
      {C::FillColor, "", "", "Colore sfondo", 0, R::Framing, E(TkvEditor::ColorPicker), kvTagFillColor},
      {C::FrameWidth, "", "", "Larghezza bordo", 0, R::Framing, kNone, kvTagFrameWidth},
      {C::FontName, "", "", "Nome tipo di carattere", 0, R::Text, kNone, kvTagFontName},
      {C::FontSize, "", "", "Dimenzione carattere", 0, R::Text, kNone, kvTagFontSize},
      {C::Bold, "", "", "Grassetto", 0, R::Text, kNone, kvTagBold},
      {C::Italic, "", "", "Corsivo", 0, R::Text, kNone, kvTagItalic},
      {C::Underline, "", "", "Sottolineato", 0, R::Text, kNone, kvTagUnderline},
      {C::AlignLeft, "", "", "Allinea a sinistra", 0, R::Text, kNone, kvTagAlignLeft},
      {C::AlignRight, "", "", "Allinea a destra", 0, R::Text, kNone, kvTagAlignRight},
      {C::AlignCenter, "", "", "Centra", 0, R::Text, kNone, kvTagAlignCenter},
      {C::Justify, "", "", "Giustifica tutto il testo", 0, R::Text, kNone, kvTagJustify},
      {C::Rotate, "", "", "Testo normale / 90 gradi", 0, R::Text, kNone, kvTagRotate},
      {C::VertCenter, "", "", "Centra in verticale", 0, R::Text, kNone, kvTagVertical},
      {C::VertTop, "", "", "Allinea in alto", 0, R::Text, kNone, kvTagVertical},
      {C::VertBottom, "", "", "Allinea in basso", 0, R::Text, kNone, kvTagVertical},
      {C::FontColor, "", "", "Colore carattere", 0, R::Text, E(TkvEditor::ColorPicker), kvTagFontColor},
      {C::FrameColor, "", "", "Colore bordo", 0, R::Framing, E(TkvEditor::ColorPicker), kvTagFrameColor},
      {C::FrameAll, "", "", "Tutto il bordo", 0, R::Framing, kNone, kvTagFrameAll},
      {C::FrameNone, "", "", "Nessun bordo", 0, R::Framing, kNone, kvTagFrameNone},
      {C::Highlight, "", "", "Attributi evidenziatura", 0, R::Text, E(TkvEditor::Highlight), 0},
  };
  // NOLINTEND(readability-magic-numbers)
  return table;
}

const TkvCommandInfo &KvCommandInfo(TkvCommand command) {
  const auto &table = KvDesignerCommands();
  const auto it =
      std::find_if(table.begin(), table.end(), [command](const TkvCommandInfo &info) { return info.Id == command; });
  if (it == table.end()) throw rtl::EInvalidOperation(QStringLiteral("Unknown designer command"));
  return *it;
}

bool KvRuleAllows(TkvEnableRule rule, const TkvDesignerStatus &status) {
  const int word = status.SelectionWord & ~kvSelClipboard;
  switch (rule) {
    case R::Always:
      return true;
    case R::Framing:
      return (word & (kvSelMemo | kvSelOther | kvSelMany)) != 0;
    case R::Text:
      return (word & (kvSelMemo | kvSelMany)) != 0;
    case R::AnySelection:
      return word != 0;
    case R::Clipboard:
      return (status.SelectionWord & kvSelClipboard) != 0;
    case R::OneObject:
      return (word & (kvSelBand | kvSelMemo | kvSelOther)) != 0;
    case R::CanUndo:
      return status.CanUndo;
    case R::CanRedo:
      return status.CanRedo;
    case R::Modified:
      return status.Modified;
    case R::SeveralPages:
      return status.PageCount > 1;
    case R::ReopenList:
      return status.ReopenCount > 0;
  }
  return false;
}

bool KvCommandEnabled(TkvCommand command, const TkvDesignerStatus &status) {
  const TkvCommandInfo &info = KvCommandInfo(command);
  if (info.Editor >= 0 && !KvHasEditor(static_cast<TkvEditor>(info.Editor))) return false;
  return KvRuleAllows(info.Rule, status);
}

}  // namespace report
