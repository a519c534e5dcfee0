// The colour drop-down (see kvcolorsel.h).
#include "report/designer/kvcolorsel.h"

#include "platform/vcl/dialogs.h"
#include "platform/vcl/messages.h"
#include "report/designer/kvdsgneditors.h"
#include "report/designer/kveditctl.h"

namespace report {

namespace {

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kPanelWidth = 96;
constexpr int kPanelHeight = 132;
constexpr int kMargin = 4;
constexpr int kCell = 22;
constexpr int kColumns = 4;
constexpr int kSwatch = 16;
constexpr int kOtherSwatch = 12;
constexpr int kWideTop[2] = {92, 110};  // "Nessuno", "Altri ...."
constexpr int kWideHeight = 18;
// NOLINTEND(readability-magic-numbers)
constexpr int kGroup = 1;

vcl::TSpeedButton *FlatButton(TColorSelector *panel, int left, int top, int width, int height) {
  auto *button = PlaceControl<vcl::TSpeedButton>(panel, panel, left, top, width, height);
  button->SetFlat(true);
  button->SetGroupIndex(kGroup);
  return button;
}

}  // namespace

const std::array<vcl::TColor, TColorSelector::kPaletteSize> &TColorSelector::Palette() {
  static const std::array<vcl::TColor, kPaletteSize> palette = {
      vcl::clWhite,  vcl::clBlack, vcl::clMaroon,  vcl::clGreen,  vcl::clOlive, vcl::clNavy,
      vcl::clPurple, vcl::clTeal,  vcl::clGray,    vcl::clSilver, vcl::clRed,   vcl::clLime,
      vcl::clYellow, vcl::clBlue,  vcl::clFuchsia, vcl::clAqua};
  return palette;
}

TColorSelector::TColorSelector(vcl::TComponent *owner) : vcl::TPanel(owner) {
  SetBounds(0, 0, kPanelWidth, kPanelHeight);
  SetVisible(false);
  vcl::TBitmap swatch;
  for (int i = 0; i < kPaletteSize; ++i) {
    vcl::TSpeedButton *button =
        FlatButton(this, kMargin + kCell * (i % kColumns), kMargin + kCell * (i / kColumns), kCell, kCell);
    DrawColorSwatch(swatch, Palette().at(static_cast<size_t>(i)), kSwatch);
    button->SetGlyph(&swatch);
    const vcl::TColor color = Palette().at(static_cast<size_t>(i));
    button->OnClick = [this, color](rtl::TObject *) { Choose(color); };
    colors_.at(static_cast<size_t>(i)) = button;
  }
  const int wide = kPanelWidth - 2 * kMargin;
  none_ = FlatButton(this, kMargin, kWideTop[0], wide, kWideHeight);
  none_->SetCaption(QStringLiteral("Nessuno"));
  none_->OnClick = [this](rtl::TObject *) { Choose(vcl::clNone); };
  other_ = FlatButton(this, kMargin, kWideTop[1], wide, kWideHeight);
  other_->SetCaption(QStringLiteral("Altri ...."));
  other_->OnClick = [this](rtl::TObject *) { ChooseOther(); };
}

void TColorSelector::SetCurrentColor(vcl::TColor color) {
  color_ = color;
  vcl::TBitmap none;
  other_->SetGlyph(&none);
  if (color == vcl::clNone) {
    none_->SetDown(true);
    return;
  }
  for (int i = 0; i < kPaletteSize; ++i) {
    if (Palette().at(static_cast<size_t>(i)) == color) {
      ColorButton(i)->SetDown(true);
      return;
    }
  }
  vcl::TBitmap swatch;
  DrawColorSwatch(swatch, color, kOtherSwatch);
  other_->SetGlyph(&swatch);
  other_->SetDown(true);
}

void TColorSelector::Choose(vcl::TColor color) {
  SetCurrentColor(color);
  Hide();
  if (OnColorSelected) OnColorSelected(this);
}

void TColorSelector::ChooseOther() {
  vcl::TColorDialog dialog;
  dialog.SetColor(color_ == vcl::clNone ? vcl::clWhite : color_);
  if (dialog.Execute()) {
    Choose(dialog.Color());
    return;
  }
  SetCurrentColor(color_);  // the press on "Altri ...." is undone
  Hide();
  if (OnCancelled) OnCancelled(this);
}

// ---------------------------------------------------------------------------

namespace {

// A borderless window holding the selector, closed by a choice, Esc or a
// click elsewhere.
class TColorDropDown : public vcl::TForm {
 public:
  explicit TColorDropDown(vcl::TComponent *owner) : vcl::TForm(owner) {
    SetBorderStyle(vcl::bsNone);
    SetKeyPreview(true);
    SetClientWidth(kPanelWidth);
    SetClientHeight(kPanelHeight);
    selector = new TColorSelector(this);
    selector->SetParent(this);
    selector->OnColorSelected = [this](rtl::TObject *) { SetModalResult(vcl::mrOk); };
    selector->OnCancelled = [this](rtl::TObject *) { SetModalResult(vcl::mrCancel); };
    OnKeyDown = [this](rtl::TObject *, int &key, vcl::TShiftState) {
      if (key == vcl::VK_ESCAPE) SetModalResult(vcl::mrCancel);
    };
    OnDeactivate = [this](rtl::TObject *) {
      if (IsModal() && ModalResult() == vcl::mrNone) SetModalResult(vcl::mrCancel);
    };
  }
  TColorSelector *selector = nullptr;
};

}  // namespace

bool PickColor(const QPoint &anchor, vcl::TColor &color) {
  TColorDropDown form(nullptr);
  form.SetBounds(anchor.x(), anchor.y(), kPanelWidth, kPanelHeight);
  form.selector->SetCurrentColor(color);
  form.selector->Show();
  if (form.ShowModal() != vcl::mrOk) return false;
  color = form.selector->CurrentColor();
  return true;
}

void KvInstallColorPicker() {
  KvRegisterEditor(TkvEditor::ColorPicker,
                   [](TkvEditContext &context) { return PickColor(context.Anchor, context.Color); });
}

}  // namespace report
