// The highlight dialog (see kvhilight.h).
#include "report/designer/kvhilight.h"

#include "report/designer/kvdsgneditors.h"
#include "report/designer/kvexpred.h"
#include "report/engine/model/kvclass.h"

namespace report {

namespace {

constexpr int kSwatch = 12;

}  // namespace

TkvHighlight TkvHighlight::Of(const TkvMemoView &memo) {
  TkvHighlight h;
  h.On = memo.HighlightOn != 0;
  h.Condition = memo.HighlightCondition;
  h.Style = memo.HighlightStyle;
  h.FontColor = memo.HighlightFontColor;
  h.FillColor = memo.HighlightFillColor;
  return h;
}

void TkvHighlight::ApplyTo(TkvMemoView &memo) const {
  memo.HighlightOn = On ? -1 : 0;
  memo.HighlightCondition = Condition;
  memo.HighlightStyle = Style;
  memo.HighlightFontColor = FontColor;
  memo.HighlightFillColor = FillColor;
}

THilightForm::THilightForm(vcl::TComponent *owner, TkvReport *report) : vcl::TForm(owner), report_(report) {
  // NOLINTBEGIN(readability-magic-numbers)
  SetupDialog(this, QStringLiteral("Attributi evidenziatura"), 330, 268);
  GroupBox1 = PlaceControl<vcl::TGroupBox>(this, this, 8, 6, 154, 118);
  GroupBox1->SetCaption(QStringLiteral("Tipo carattere"));
  SpeedButton1 = PlaceControl<vcl::TSpeedButton>(GroupBox1, this, 10, 20, 132, 24);
  SpeedButton1->SetCaption(QStringLiteral("Colore..."));
  CB1 = PlaceControl<vcl::TCheckBox>(GroupBox1, this, 10, 48, 132, 20);
  CB1->SetCaption(QStringLiteral("Grassetto"));
  CB2 = PlaceControl<vcl::TCheckBox>(GroupBox1, this, 10, 70, 132, 20);
  CB2->SetCaption(QStringLiteral("Corsivo"));
  CB3 = PlaceControl<vcl::TCheckBox>(GroupBox1, this, 10, 92, 132, 20);
  CB3->SetCaption(QStringLiteral("Sottolineato"));

  GroupBox2 = PlaceControl<vcl::TGroupBox>(this, this, 168, 6, 154, 118);
  GroupBox2->SetCaption(QStringLiteral("Sfondo"));
  RB1 = PlaceControl<vcl::TRadioButton>(GroupBox2, this, 10, 22, 132, 20);
  RB1->SetCaption(QStringLiteral("Trasparente"));
  RB2 = PlaceControl<vcl::TRadioButton>(GroupBox2, this, 10, 46, 132, 20);
  RB2->SetCaption(QStringLiteral("Altro"));
  SpeedButton2 = PlaceControl<vcl::TSpeedButton>(GroupBox2, this, 10, 72, 132, 24);
  SpeedButton2->SetCaption(QStringLiteral("Colore..."));

  GroupBox3 = PlaceControl<vcl::TGroupBox>(this, this, 8, 130, 314, 92);
  GroupBox3->SetCaption(QStringLiteral("Evidenzia"));
  CBX1 = PlaceControl<vcl::TCheckBox>(GroupBox3, this, 10, 20, 200, 20);
  CBX1->SetCaption(QStringLiteral("Usa evidenziatura"));
  Edit2 = PlaceControl<vcl::TEdit>(GroupBox3, this, 10, 62, 262, 21);
  Label2 = PlaceLabel(GroupBox3, this, QStringLiteral("Condizione"), 10, 44, Edit2);
  Panel2 = PlaceControl<vcl::TPanel>(GroupBox3, this, 276, 61, 28, 23);
  Panel2->SetBevelOuter(vcl::bvNone);
  BEditor = PlaceButton(Panel2, this, QStringLiteral("..."), 0, 0, 28, 23);
  ColorDialog1 = new vcl::TColorDialog(this);
  Buttons = PlaceOkCancel(this, 164, 234);
  // NOLINTEND(readability-magic-numbers)

  RB1->OnClick = [this](rtl::TObject *) { RB1Click(); };
  RB2->OnClick = [this](rtl::TObject *) { RB1Click(); };
  CBX1->OnClick = [this](rtl::TObject *) { CBX1Click(); };
  SpeedButton1->OnClick = [this](rtl::TObject *) { ChooseColor(font_color_); };
  SpeedButton2->OnClick = [this](rtl::TObject *) { ChooseColor(fill_color_); };
  BEditor->OnClick = [this](rtl::TObject *) {
    QString expression = Edit2->Text();
    if (EditExpression(report_, expression)) Edit2->SetText(expression);
    FocusIfShown(Edit2);
  };
  HandleNeeded();
  Load(TkvHighlight());
}

void THilightForm::Load(const TkvHighlight &h) {
  font_color_ = h.FontColor;
  fill_color_ = h.FillColor;
  CB1->SetChecked(h.Style.Contains(vcl::fsBold));
  CB2->SetChecked(h.Style.Contains(vcl::fsItalic));
  CB3->SetChecked(h.Style.Contains(vcl::fsUnderline));
  CBX1->SetChecked(h.On);
  Edit2->SetText(h.Condition);
  (h.FillColor == vcl::clNone ? RB1 : RB2)->SetChecked(true);
  RB1Click();
  CBX1Click();
  ShowSwatches();
}

TkvHighlight THilightForm::Highlight() const {
  TkvHighlight h;
  h.On = CBX1->Checked();
  h.Condition = Edit2->Text();
  h.FontColor = font_color_;
  h.FillColor = RB1->Checked() ? vcl::clNone : fill_color_;
  // Each box is a member of the memo's own style set, which the memo takes
  // while it prints highlighted.
  h.Style = vcl::TFontStyles{};
  if (CB1->Checked()) h.Style.Include(vcl::fsBold);
  if (CB2->Checked()) h.Style.Include(vcl::fsItalic);
  if (CB3->Checked()) h.Style.Include(vcl::fsUnderline);
  return h;
}

void THilightForm::RB1Click() {
  SpeedButton2->SetEnabled(RB2->Checked());
  if (RB1->Checked()) fill_color_ = vcl::clNone;
  ShowSwatches();
}

void THilightForm::CBX1Click() { SetControlsEnabled({Label2, Edit2, Panel2, BEditor}, CBX1->Checked()); }

void THilightForm::ChooseColor(vcl::TColor &color) {
  ColorDialog1->SetColor(color == vcl::clNone ? vcl::clWhite : color);
  if (!ColorDialog1->Execute()) return;
  color = ColorDialog1->Color();
  ShowSwatches();
}

void THilightForm::ShowSwatches() {
  vcl::TBitmap swatch;
  DrawColorSwatch(swatch, font_color_, kSwatch);
  SpeedButton1->SetGlyph(&swatch);
  DrawColorSwatch(swatch, fill_color_, kSwatch);
  SpeedButton2->SetGlyph(&swatch);
}

bool EditHighlight(TkvMemoView *memo, TkvReport *report) {
  if (memo == nullptr) return false;
  THilightForm form(nullptr, report != nullptr ? report : memo->Report);
  form.Load(TkvHighlight::Of(*memo));
  if (form.ShowModal() != vcl::mrOk) return false;
  form.Highlight().ApplyTo(*memo);
  return true;
}

void KvInstallHighlightEditor() {
  KvRegisterEditor(TkvEditor::Highlight, [](TkvEditContext &context) {
    auto *memo = dynamic_cast<TkvMemoView *>(context.View);
    return memo != nullptr && EditHighlight(memo, context.Report);
  });
}

}  // namespace report
