// The styled library's focusable buttons: the owner-drawn push button
// (styled face, per-state glyph images from the glyph cache, 3D or rotated
// caption, repeated clicks while held, an optional drop-down menu) and the
// self-painted check box on the panel base, whose box images come from a
// generated strip or from an image of an image list.
//
// The push button keeps the platform button's behaviour (Default, Cancel,
// ModalResult, the form's Enter and Esc) and only takes over its painting.
#pragma once

#include <memory>

#include "controls/styled/qelglyph.h"
#include "controls/styled/qelpanel.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {
class TPopupMenu;
}  // namespace vcl

namespace qel {

ORBISCA_ENUM(TQELNormalButtonStyle, nbsAutoDetect, nbsWin31, nbsWin40)
ORBISCA_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

// Draw states of the push button.
inline constexpr int kButtonUp = 0;
inline constexpr int kButtonDisabled = 1;
inline constexpr int kButtonDown = 4;

class TQELCustomButton : public vcl::TButton {
  ORBISCA_CLASS(TQELCustomButton, vcl::TButton)

 public:
  explicit TQELCustomButton(vcl::TComponent *owner);
  ~TQELCustomButton() override;

  TQELButtonLayout *ButtonLayout() const { return layout_.get(); }
  void SetButtonLayout(const TQELButtonLayout *v) { layout_->Assign(v); }
  TQELFxCaption *FontFX() const { return font_fx_.get(); }
  void SetFontFX(const TQELFxCaption *v) { font_fx_->Assign(v); }
  vcl::TBitmap *Glyph() const { return glyph_->Glyph(); }
  void SetGlyph(const vcl::TBitmap *bitmap);
  int NumGlyphs() const { return glyph_->NumGlyphs(); }
  void SetNumGlyphs(int v);
  bool HideHint() const { return hide_hint_; }
  void SetHideHint(bool v) { hide_hint_ = v; }
  bool UseCaption() const { return use_caption_; }
  void SetUseCaption(bool v);
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool v);
  TQELNormalButtonStyle Style() const { return style_; }
  void SetStyle(TQELNormalButtonStyle v);
  bool RepeatedClick() const { return repeated_click_; }
  void SetRepeatedClick(bool v) { repeated_click_ = v; }
  int RepeatingInterval() const { return repeating_interval_; }
  void SetRepeatingInterval(int v) { repeating_interval_ = v; }
  int RepeatingDelay() const { return repeating_delay_; }
  void SetRepeatingDelay(int v) { repeating_delay_ = v; }

  TQELCustomImageList *ImageList() const { return image_.List(); }
  void SetImageList(TQELCustomImageList *list) { image_.SetList(list); }
  int ListIndex() const { return image_.ListIndex(); }
  void SetListIndex(int v) { image_.SetListIndex(v); }
  int ImageIndex() const { return image_.ImageIndex(); }
  void SetImageIndex(int v) { image_.SetImageIndex(v); }

  TQELAboutVar About() const { return QStringLiteral("Orbisca styled components"); }
  void SetAbout(const TQELAboutVar &) {}

  // 0 up, 1 disabled, 4 down: the state the last paint used.
  int DrawState() const { return draw_state_; }
  bool MouseOver() const { return mouse_over_; }
  // The running repeat timer's identifier, 0 when none runs.
  std::uint16_t RepeatTimer() const { return timer_; }
  // The button Enter presses now.
  bool IsActiveDefault();

  // The linked action (nullptr: none); forgotten when it is freed. The
  // button takes the action's caption, enabled and visible state, hint and
  // image, and a click without an OnClick of its own executes it.
  vcl::TBasicAction *Action() const { return action_link_.Action(); }
  void SetAction(vcl::TBasicAction *action);

  void SetVisible(bool visible) override;
  void Loaded() override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;
  void WndProc(vcl::TMessage &message) override;
  void Click() override;

  TNotifyEvent OnMouseExit;

 protected:
  bool CustomPainted() const override { return true; }
  void PaintWidget(QPainter *painter, const QRect &area) override;
  virtual void Paint();
  void CMFontChanged(vcl::TMessage &message) override;
  void CMMouseEnter(vcl::TMessage &message) override;
  void CMMouseLeave(vcl::TMessage &message) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  // The action changed: its state and image come over. `check_defaults`
  // (a button being loaded) keeps what the button already has.
  virtual void ActionChange(vcl::TBasicAction *sender, bool check_defaults);
  // Shows the button pushed or released.
  void SetPushed(bool down);
  bool Pushed() const;
  void StopRepeat();

 private:
  void ImageChanged();
  void FontFXChanged();

  std::unique_ptr<vcl::TCanvas> canvas_;
  std::unique_ptr<TQELGlyph> glyph_;
  std::unique_ptr<TQELButtonLayout> layout_;
  std::unique_ptr<TQELFxCaption> font_fx_;
  TQELImageReference image_;
  bool hide_hint_ = true, use_caption_ = true, multi_line_ = false;
  TQELNormalButtonStyle style_ = nbsAutoDetect;
  bool repeated_click_ = false;
  int repeating_interval_ = 100, repeating_delay_ = 500;
  int draw_state_ = kButtonUp;
  bool mouse_over_ = false, pushed_ = false, fixing_font_ = false;
  std::uint16_t timer_ = 0;
  vcl::TActionClientLink action_link_{this};
  bool glyph_from_action_ = false;  // the glyph is the action's image
};

class TQELButton : public TQELCustomButton {
  ORBISCA_CLASS(TQELButton, TQELCustomButton)

 public:
  explicit TQELButton(vcl::TComponent *owner) : TQELCustomButton(owner) {}
  ~TQELButton() override;

  vcl::TPopupMenu *DropDownMenu() const { return menu_; }
  void SetDropDownMenu(vcl::TPopupMenu *menu);
  int DropDownIndent() const { return indent_; }
  void SetDropDownIndent(int v) { indent_ = v; }
  bool DropDownRight() const { return right_; }
  void SetDropDownRight(bool v) { right_ = v; }
  bool Dropped() const { return dropped_; }

  void Click() override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

  TNotifyEvent OnDropDown;

 private:
  void DropDown();
  vcl::TPopupMenu *menu_ = nullptr;
  int indent_ = 0;
  bool right_ = false, dropped_ = false;
};

// --- the focusable self-painted button base and the check box ---------------------

class TQELButtonControl;

// Keeps a button control's Checked in step with its action's Checked.
class TQELButtonActionLink {
 public:
  TQELButtonActionLink(TQELButtonControl *client, vcl::TBasicAction *action);
  ~TQELButtonActionLink();
  TQELButtonActionLink(const TQELButtonActionLink &) = delete;
  TQELButtonActionLink &operator=(const TQELButtonActionLink &) = delete;
  vcl::TBasicAction *Action() const { return action_; }
  // Copies the action's state to the control.
  void Update();
  // The action is being freed: nothing of it may be touched any more.
  void ActionGone() { gone_ = true; }

 private:
  TQELButtonControl *client_;
  vcl::TBasicAction *action_;
  int registration_ = 0;
  bool gone_ = false;
};

class TQELButtonControl : public TQELCustomPanel {
  ORBISCA_CLASS(TQELButtonControl, TQELCustomPanel)

 public:
  explicit TQELButtonControl(vcl::TComponent *owner);
  ~TQELButtonControl() override;

  TQEL3DCaption *Font3D() const { return font3d_.get(); }
  void SetFont3D(const TQEL3DCaption *v);
  TQELAlignment Alignment() const { return layout_->Alignment(); }
  void SetAlignment(TQELAlignment v);
  TQELGlyphTextLayout *Layout() const { return layout_.get(); }
  TColor GlyphTransparentColor() const { return transparent_color_; }
  void SetGlyphTransparentColor(TColor v);
  TQELGlyphTextFocusStyle FocusStyle() const { return focus_style_; }
  void SetFocusStyle(TQELGlyphTextFocusStyle v);
  TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(TColor v);
  bool UseFocusColor() const { return use_focus_color_; }
  void SetUseFocusColor(bool v);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v) { read_only_ = v; }
  vcl::TBitmap *Strip() const { return strip_.get(); }

  virtual bool Checked() const { return false; }
  virtual void SetChecked(bool) {}

  // The linked action (nullptr: none); forgotten when it is freed.
  vcl::TBasicAction *Action() const { return link_ ? link_->Action() : nullptr; }
  void SetAction(vcl::TBasicAction *action);

  void Click() override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 protected:
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  // Repaints when the focus settings matter now.
  void FocusSettingChanged();
  virtual void LayoutChanged() { Invalidate(); }

  std::unique_ptr<vcl::TBitmap> strip_;
  std::unique_ptr<TQEL3DCaption> font3d_;
  std::unique_ptr<TQELGlyphTextLayout> layout_;
  TColor transparent_color_ = vcl::clOlive;
  TQELGlyphTextFocusStyle focus_style_ = fcText;
  TColor focus_color_ = vcl::clGray;
  bool use_focus_color_ = false, read_only_ = false;
  bool swallow_click_ = false;
  std::unique_ptr<TQELButtonActionLink> link_;
};

class TQELCustomCheckBox : public TQELButtonControl {
  ORBISCA_CLASS(TQELCustomCheckBox, TQELButtonControl)

 public:
  explicit TQELCustomCheckBox(vcl::TComponent *owner);

  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool v) { allow_grayed_ = v; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool GlyphTransparent() const { return glyph_transparent_; }
  void SetGlyphTransparent(bool v);
  bool GlyphFlat() const { return glyph_flat_; }
  void SetGlyphFlat(bool v);
  int GlyphNumber() const { return glyph_number_; }
  void SetGlyphNumber(int v);
  int GlyphSize() const { return glyph_size_; }
  void SetGlyphSize(int v);
  bool UseBitmap() const { return use_bitmap_; }
  void SetUseBitmap(bool v);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState v);
  bool Checked() const override { return state_ == cbChecked; }
  void SetChecked(bool v) override;

  // Unchecked -> grayed (with AllowGrayed) or checked -> unchecked; grayed
  // -> checked. OnChange follows a change.
  void Toggle();
  // The image of the strip the present state, look and focus show.
  int ImageIndexNow();
  int ImageWidth() const { return image_width_; }
  // Rebuilds the strip (unless an image list image is used) and repaints.
  void RebuildStrip();
  // Sizes the control to its content (with AutoSize, not while loading).
  void AdjustSize();

  void Click() override;
  void Loaded() override;
  void WndProc(vcl::TMessage &message) override;

  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void CMDialogChar(vcl::TMessage &message) override;
  void ImageListChanged(rtl::TObject *sender) override;
  void FlatChanged() override;
  void LayoutChanged() override;

 private:
  // Draws caption and box; answers the layout's focus rectangle.
  TRect PaintContent(TCanvas *canvas, bool measure);
  void UpdateImageWidth();

  bool allow_grayed_ = false, auto_size_ = false, glyph_transparent_ = false, glyph_flat_ = false;
  bool use_bitmap_ = false, from_list_ = false;
  int glyph_number_ = 3, glyph_size_ = 13, image_width_ = 13;
  TCheckBoxState state_ = cbUnchecked;
};

class TQELCheckBox : public TQELCustomCheckBox {
  ORBISCA_CLASS(TQELCheckBox, TQELCustomCheckBox)

 public:
  explicit TQELCheckBox(vcl::TComponent *owner) : TQELCustomCheckBox(owner) {}
};

// Draws the six classic check-box frames of `size` side by side (unchecked,
// unchecked inactive, checked, checked inactive, indeterminate,
// indeterminate inactive) on a clBtnFace strip.
void BuildCheckStrip(vcl::TBitmap *strip, int size, bool flat);

}  // namespace qel
