// Buttons with pictures: TBitBtn (a push button with a glyph and a Kind that
// gives it a standard caption, glyph and modal result) and TSpeedButton (a
// windowless tool button that can stay down, alone or in a group).
//
// A glyph is a bitmap holding NumGlyphs images side by side (up, disabled,
// down, stay-down); the bottom-left pixel's colour is transparent. The
// glyph sits beside the caption as Layout says, Spacing pixels from it
// (-1 centres glyph and caption apart), Margin pixels from the edge (-1
// centres the pair).
#pragma once

#include <memory>

#include "platform/vcl/stdctrls.h"

namespace vcl {

ORBISCA_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll)
ORBISCA_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
ORBISCA_ENUM(TButtonState, bsUp, bsDisabled, bsDown, bsExclusive)

// Where glyph and caption go inside `client` (shared by both buttons).
void LayoutGlyphAndText(const TRect &client, const TSize &glyph, const TSize &text, TButtonLayout layout, int margin,
                        int spacing, TPoint &glyph_pos, TRect &text_rect);
// Image `state` of a glyph of `num_glyphs` cells, transparent where the
// bottom-left colour is (a missing disabled image is made greyed).
QImage GlyphImage(const TBitmap *glyph, int num_glyphs, TButtonState state);

class TBitBtn : public TButton {
  ORBISCA_CLASS(TBitBtn, TButton)

 public:
  explicit TBitBtn(TComponent *owner);
  ~TBitBtn() override;

  TBitBtnKind Kind() const { return kind_; }
  // A standard kind gives the caption, modal result, Default or Cancel and
  // a drawn glyph (unless a glyph is set).
  void SetKind(TBitBtnKind kind);
  TBitmap *Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap *glyph);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  // A Close button closes its form after OnClick.
  void Click() override;

  // Internal: paints the face (glyph and caption) on the button.
  void PaintFace(QPainter *painter, const QRect &rect, bool down);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void SetTextInWidget(const QString &text) override;

 private:
  TBitBtnKind kind_ = bkCustom;
  std::unique_ptr<TBitmap> glyph_;
  int num_glyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int spacing_ = 4;
  int margin_ = -1;
};

class TSpeedButton : public TGraphicControl {
  ORBISCA_CLASS(TSpeedButton, TGraphicControl)

 public:
  explicit TSpeedButton(TComponent *owner);
  ~TSpeedButton() override;

  // Buttons of one parent with the same non-zero GroupIndex act as radio
  // buttons: one is down at a time.
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  // Ignored with GroupIndex 0; releasing the only down button of a group
  // needs AllowAllUp.
  void SetDown(bool value);
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  TBitmap *Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap *glyph);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  TButtonState State() const;

  void Click() override;

 protected:
  void Paint() override;
  // Alt and the letter its caption marks with "&" press the button, as
  // they press a captioned button (the form hands the letter round).
  void Dispatch(TMessage &message) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMMouseEnter(TMessage &message) override;
  void CMMouseLeave(TMessage &message) override;

 private:
  void UpdateExclusive();
  int group_index_ = 0;
  bool down_ = false;
  bool allow_all_up_ = false;
  bool flat_ = false;
  bool pressed_ = false;
  bool mouse_in_ = false;
  std::unique_ptr<TBitmap> glyph_;
  int num_glyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int spacing_ = 4;
  int margin_ = -1;
};

}  // namespace vcl
