// The designer window's editing: the formatting tool bars and what they
// show of the selection, the inspector's rows, the pop-up menu and the
// object editors (see kvdesigner.h).
#include <QImage>
#include <QPainter>

#include "report/designer/kvdesigner.h"
#include "report/designer/kvdsgneditors.h"
#include "report/designer/kvfontbox.h"

namespace report {

namespace {

using C = TkvCommand;

constexpr int kDefaultSizeEntry = 5;  // "10" in the size list
constexpr int kGlyphSide = 16;
const QColor kNoColorFill(0xC0, 0xC0, 0xC0);   // silver
const QColor kNoColorFrame(0x80, 0x80, 0x80);  // grey

bool IsDataBandType(int type) {
  return type == btMasterData || type == btDetailData || type == btSubDetailData || type == btTableData;
}

// Whether two selected objects add the same pop-up items: memos always
// match, add-ins by class, others by kind.
bool SameKind(const TkvView *a, const TkvView *b) {
  if (a->Typ != b->Typ) return false;
  if (a->Typ == gtAddIn) return a->ClassName() == b->ClassName();
  return true;
}

}  // namespace

// ---- formatting -------------------------------------------------------------------------------------

void TKVDesignerForm::ApplyFormat(TkvCommand command) {
  if (updating_controls_) return;
  const int tag = KvCommandInfo(command).Tag;
  TkvFormatValue value;
  if (vcl::TSpeedButton *b = Button(command)) value.On = b->Down();
  switch (command) {
    case C::FrameWidth:
      value.Number = std::clamp(FrameWidthEdit->Text().toInt(), 0, 100);  // NOLINT(readability-magic-numbers)
      break;
    case C::FontName:
      // The first entry of the list means "leave the fonts alone".
      if (FontName->ItemIndex() <= 0) return;
      value.Text = FontName->Text();
      last_font_name_ = value.Text;
      model_->NewMemoFontName = value.Text;
      break;
    case C::FontSize: {
      bool ok = false;
      value.Number = FontSize->Text().toInt(&ok);
      if (!ok || value.Number <= 0) return;
      last_font_size_ = value.Number;
      model_->NewMemoFontSize = value.Number;
      break;
    }
    case C::VertTop:
      value.Number = 0;
      break;
    case C::VertCenter:
      value.Number = 1;
      break;
    case C::VertBottom:
      value.Number = 2;
      break;
    case C::FillColor:
    case C::FontColor:
    case C::FrameColor:
      value.Color = colors_[command];
      break;
    default:
      break;
  }
  model_->ApplyFormat(tag, value);
  if (command == C::FrameAll || command == C::FrameNone) FormatFromSelection();
  // The keys go back to the page.
  if (Surface->CanFocus()) SetActiveControl(Surface);
  Commit();
}

void TKVDesignerForm::FormatFromSelection() {
  updating_controls_ = true;
  // A button of a group that keeps one down (the alignments) is only
  // ever put down.
  auto down = [this](C command, bool on) {
    if (vcl::TSpeedButton *b = Button(command); b != nullptr && (on || b->AllowAllUp())) b->SetDown(on);
  };
  const TkvView *v = model_->SingleSelected();
  if (v != nullptr && v->Typ != gtBand) {
    down(C::FrameTop, v->GetFrameTop());
    down(C::FrameLeft, v->GetFrameLeft());
    down(C::FrameBottom, v->GetFrameBottom());
    down(C::FrameRight, v->GetFrameRight());
    FrameWidthEdit->SetText(QString::number(v->FrameWidth));
    colors_[C::FillColor] = v->FillColor;
    colors_[C::FrameColor] = v->FrameColor;
    if (const auto *memo = dynamic_cast<const TkvMemoView *>(v)) {
      KvShowFontInBox(FontName, memo->Font.Name());
      const QString size = QString::number(memo->Font.Size());
      const int entry = FontSize->Items()->IndexOf(size);
      if (entry >= 0)
        FontSize->SetItemIndex(entry);
      else
        FontSize->SetText(size);
      const vcl::TFontStyles styles = memo->Font.Style();
      down(C::Bold, styles.Contains(vcl::fsBold));
      down(C::Italic, styles.Contains(vcl::fsItalic));
      down(C::Underline, styles.Contains(vcl::fsUnderline));
      down(C::Rotate, memo->GetRotated());
      const int vertical = memo->GetVertAlignment();
      down(vertical == 1 ? C::VertCenter : vertical == 2 ? C::VertBottom : C::VertTop, true);
      const int horizontal = memo->GetHorzAlignment();
      down(horizontal == adRight     ? C::AlignRight
           : horizontal == adCenter  ? C::AlignCenter
           : horizontal == adJustify ? C::Justify
                                     : C::AlignLeft,
           true);
      colors_[C::FontColor] = memo->Font.Color();
    }
  } else {
    for (C c : {C::FrameTop, C::FrameLeft, C::FrameBottom, C::FrameRight, C::Bold, C::Italic, C::Underline})
      down(c, false);
    colors_[C::FillColor] = kvNoColor;
    FrameWidthEdit->SetText(QStringLiteral("1"));
    FontName->SetItemIndex(FontName->Items()->Count() > 0 ? 0 : -1);
    FontSize->SetItemIndex(kDefaultSizeEntry);
  }
  // The colour buttons show their colour (no colour: a framed silver box).
  for (C c : {C::FillColor, C::FontColor, C::FrameColor}) {
    vcl::TSpeedButton *b = Button(c);
    if (b == nullptr || b->Glyph() == nullptr) continue;
    QImage glyph = b->Glyph()->Image().copy();
    QPainter p(&glyph);
    const QRect swatch(1, kGlyphSide - 4, kGlyphSide - 2, 3);
    const vcl::TColor color = colors_[c];
    p.fillRect(swatch, color == kvNoColor ? kNoColorFill : vcl::ColorToQColor(color));
    if (color == kvNoColor) {
      p.setPen(kNoColorFrame);
      p.drawRect(swatch.adjusted(0, 0, -1, -1));
    }
    p.end();
    vcl::TBitmap bitmap;
    bitmap.SetImage(glyph);
    b->SetGlyph(&bitmap);
  }
  updating_controls_ = false;
}

void TKVDesignerForm::ChooseColor(TkvCommand command) {
  vcl::TSpeedButton *button = Button(command);
  TkvEditContext context;
  context.Designer = this;
  context.Report = report_;
  context.Page = model_->Page();
  context.Color = colors_[command];
  if (button != nullptr) {
    const vcl::TPoint below = button->ClientToScreen(vcl::TPoint{0, 26});  // NOLINT(readability-magic-numbers)
    context.Anchor = QPoint(below.X, below.Y);
  }
  if (!KvOpenEditor(TkvEditor::ColorPicker, context)) return;
  colors_[command] = context.Color;
  ApplyFormat(command);
  FormatFromSelection();
}

void TKVDesignerForm::EditHighlight() {
  auto *last = dynamic_cast<TkvMemoView *>(model_->LastSelected());
  if (last == nullptr) return;
  TkvMemoView copy(nullptr);
  copy.Assign(last);
  TkvEditContext context;
  context.Designer = this;
  context.Report = report_;
  context.Page = model_->Page();
  context.View = &copy;
  if (!KvOpenEditor(TkvEditor::Highlight, context)) return;
  for (TkvView *v : model_->Selected()) {
    auto *memo = dynamic_cast<TkvMemoView *>(v);
    if (memo == nullptr) continue;
    memo->HighlightOn = copy.HighlightOn;
    memo->HighlightCondition = copy.HighlightCondition;
    memo->HighlightFontColor = copy.HighlightFontColor;
    memo->HighlightFillColor = copy.HighlightFillColor;
    memo->HighlightStyle = copy.HighlightStyle;
  }
  Commit();
}

// ---- the inspector ----------------------------------------------------------------------------------

void TKVDesignerForm::FillInspector() {
  const bool one = model_->SingleSelected() != nullptr;
  // The rows stay listed; without one object they show nothing and take
  // nothing.
  for (int row = 0; row < TkvDesignerModel::kRowCount; ++row) {
    const bool enabled = row != TkvDesignerModel::rowText || (one && MemoEditor != nullptr);
    Inspector->SetRowEnabled(row, enabled);
    Inspector->SetRowValue(row, model_->RowValue(row));
  }
  if (one) {
    Inspector->SelectObjectName(model_->SingleSelected()->Name);
    if (Inspector->SelectedRow() < 0) Inspector->SelectFirstEnabled();
  } else {
    Inspector->SelectObjectName(QString());
  }
}

void TKVDesignerForm::InspectorValueChanged(int row, QString &value) {
  TkvView *v = model_->SingleSelected();
  if (v == nullptr) {
    value.clear();
    return;
  }
  if (row == TkvDesignerModel::rowText) {
    // The memo editor changed the text.
    Surface->Invalidate();
    Commit();
    return;
  }
  const QString old_name = v->Name;
  QString shown;
  const bool applied = model_->ApplyRow(row, value, shown);
  value = shown;
  if (!applied) return;
  if (row == TkvDesignerModel::rowName && v->Name != old_name) {
    Inspector->RemoveObjectName(old_name);
    Inspector->AddObjectName(v->Name);
    Inspector->SelectObjectName(v->Name);
  }
  Surface->Invalidate();
  UpdateStatus();
  Commit();
}

// ---- pop-up menu and editors ------------------------------------------------------------------------

void TKVDesignerForm::Popup(const QPoint &screen) { PopupMenu1->Popup(screen.x(), screen.y()); }

void TKVDesignerForm::PreparePopup() {
  UpdateCommands();
  vcl::TMenuItem *items = PopupMenu1->Items();
  constexpr int kFixedItems = 7;
  while (items->Count() > kFixedItems) items->Delete(items->Count() - 1);
  const std::vector<TkvView *> selected = model_->Selected();
  if (selected.empty()) return;
  TkvView *owner = selected.back();
  for (const TkvView *v : selected)
    if (!SameKind(v, owner)) return;
  owner->AddMenuItems(PopupMenu1);
}

bool TKVDesignerForm::CanEdit(const TkvView *v) const {
  if (v == nullptr) return false;
  switch (v->Typ) {
    case gtMemo:
      return MemoEditor != nullptr;
    case gtPicture:
      return KvHasEditor(TkvEditor::Picture);
    case gtSubReport:
      return true;
    case gtBand: {
      const int type = static_cast<const TkvBandView *>(v)->GetBandType();
      if (IsDataBandType(type)) return KvHasEditor(TkvEditor::BandSource);
      return type == btGroupHeader && KvHasEditor(TkvEditor::Group);
    }
    default: {
      const TkvAddInObjectInfo *info = FindAddIn(v->ClassName());
      return (info != nullptr && info->Editor) || MemoEditor != nullptr;
    }
  }
}

void TKVDesignerForm::EditSelected() { EditObject(model_->SingleSelected()); }

void TKVDesignerForm::EditObject(TkvView *v) {
  if (!CanEdit(v)) return;
  bool confirmed = false;
  TkvEditContext context;
  context.Designer = this;
  context.Report = report_;
  context.Page = model_->Page();
  context.View = v;
  auto memo_editor = [this, v] {
    MemoEditor->SetView(v);
    return MemoEditor->ShowEditor() == vcl::mrOk;
  };
  switch (v->Typ) {
    case gtMemo:
      confirmed = memo_editor();
      break;
    case gtPicture:
      confirmed = KvOpenEditor(TkvEditor::Picture, context);
      break;
    case gtSubReport:
      ShowPage(static_cast<TkvSubReportView *>(v)->PageIndex);
      return;
    case gtBand:
      confirmed = KvOpenEditor(
          IsDataBandType(static_cast<TkvBandView *>(v)->GetBandType()) ? TkvEditor::BandSource : TkvEditor::Group,
          context);
      break;
    default: {
      const TkvAddInObjectInfo *info = FindAddIn(v->ClassName());
      confirmed = info != nullptr && info->Editor ? info->Editor(v) : memo_editor();
      break;
    }
  }
  if (!confirmed) return;
  Surface->Invalidate();
  FillInspector();
  Commit();
}

}  // namespace report
