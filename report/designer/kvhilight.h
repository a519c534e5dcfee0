// The highlight dialog "Attributi evidenziatura" of a memo: whether the
// highlight is on ("Usa evidenziatura"), the condition that turns it on
// while printing, and the font style, font colour and fill ("Trasparente"
// or a colour) the memo then takes.
//
// TkvHighlight is a memo's highlight as the dialog edits it; the font
// style is the memo's own style set, so the boxes the user ticks are the
// style that prints. THilightForm shows it; EditHighlight runs it on a
// memo.
#pragma once

#include <QString>

#include "platform/vcl/buttons.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "report/designer/kveditctl.h"

namespace report {

class TkvMemoView;
class TkvReport;

struct TkvHighlight {
  bool On = false;
  QString Condition;
  vcl::TFontStyles Style{vcl::fsBold};
  vcl::TColor FontColor = vcl::clBlack;
  vcl::TColor FillColor = vcl::clWhite;

  static TkvHighlight Of(const TkvMemoView &memo);
  void ApplyTo(TkvMemoView &memo) const;
};

class THilightForm : public vcl::TForm {
  ORBISCA_CLASS(THilightForm, vcl::TForm)

 public:
  // `report` is the one the condition's expression editor lists.
  THilightForm(vcl::TComponent *owner, TkvReport *report);

  void Load(const TkvHighlight &highlight);
  TkvHighlight Highlight() const;

  // "Trasparente" drops the fill colour; "Altro" lets it be chosen.
  void RB1Click();
  // The condition is editable only while the highlight is used.
  void CBX1Click();

  vcl::TGroupBox *GroupBox1 = nullptr;
  vcl::TSpeedButton *SpeedButton1 = nullptr;  // font colour
  vcl::TCheckBox *CB1 = nullptr;              // "Grassetto"
  vcl::TCheckBox *CB2 = nullptr;              // "Corsivo"
  vcl::TCheckBox *CB3 = nullptr;              // "Sottolineato"
  vcl::TGroupBox *GroupBox2 = nullptr;
  vcl::TRadioButton *RB1 = nullptr;           // "Trasparente"
  vcl::TRadioButton *RB2 = nullptr;           // "Altro"
  vcl::TSpeedButton *SpeedButton2 = nullptr;  // fill colour
  vcl::TGroupBox *GroupBox3 = nullptr;
  vcl::TCheckBox *CBX1 = nullptr;  // "Usa evidenziatura"
  vcl::TLabel *Label2 = nullptr;
  vcl::TEdit *Edit2 = nullptr;
  vcl::TPanel *Panel2 = nullptr;
  vcl::TButton *BEditor = nullptr;
  vcl::TColorDialog *ColorDialog1 = nullptr;
  TOkCancel Buttons;

 private:
  void ChooseColor(vcl::TColor &color);
  void ShowSwatches();

  TkvReport *report_;
  vcl::TColor font_color_ = vcl::clBlack;
  vcl::TColor fill_color_ = vcl::clWhite;
};

// The dialog on a memo's highlight; true (and the memo changed) after OK.
// The condition's expression editor lists `report` (the memo's own when
// none is given).
bool EditHighlight(TkvMemoView *memo, TkvReport *report = nullptr);

// Registers the dialog as the designer's highlight editor (on a copy of the
// last selected memo, in the context's View).
void KvInstallHighlightEditor();

}  // namespace report
