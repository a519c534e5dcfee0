// The combo edit: an edit with a small button at its right edge and,
// optionally, a popup that drops down under it. It is the base of the date
// edit and of the numeric and currency edits.
//
// The combo edit owns the button's geometry and glyph, the opening, placing
// and closing of the popup, the exchange of a value between the popup and
// the text, the keys that open and close the popup (the click key, Alt+Down
// by default; Enter accepts and Esc discards while the popup is open, and
// otherwise go to the form as dialog keys), and the painting of an aligned
// text while the control has no focus.
//
// A popup never takes the keyboard focus: it is a tool window shown without
// activation, so the keys keep arriving at the edit, which forwards what the
// popup needs.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "controls/extended/mwctrls.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/mask.h"

namespace ext {

ORBISCA_ENUM(TPopupAlign, epaRight, epaLeft)
ORBISCA_ENUM(TGlyphKind, gkCustom, gkDefault, gkDropDown, gkEllipsis)

class TCustomComboEdit;
class TPopupWindow;

using TCloseUpEvent = std::function<void(TPopupWindow *popup, bool accept)>;

// The drop-down window of a combo edit.
class TPopupWindow : public vcl::TCustomControl {
  ORBISCA_CLASS(TPopupWindow, vcl::TCustomControl)
 public:
  // The popup belongs to `edit` (its owner) but is a window of its own.
  explicit TPopupWindow(TCustomComboEdit *edit);
  ~TPopupWindow() override;

  virtual rtl::Variant GetValue() const { return rtl::Variant(); }
  virtual void SetValue(const rtl::Variant &value) { (void)value; }
  // Asks the owning edit to close the popup (the close callback).
  virtual void CloseUp(bool accept);
  virtual QString GetPopupText() const { return QString(); }
  // Keys the edit forwards while the popup is open.
  virtual void PopupKeyDown(int &key, vcl::TShiftState shift) {
    (void)key;
    (void)shift;
  }
  virtual void PopupKeyPress(QChar &key) { (void)key; }

  TCustomComboEdit *Edit() const { return edit_; }
  TCloseUpEvent OnCloseUp;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }
  void Paint() override;
  // A left click on the popup itself (not on one of its children) accepts.
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  TCustomComboEdit *edit_;
};

// The embedded button.
class TEditButton : public TMwSpeedButton {
  ORBISCA_CLASS(TEditButton, TMwSpeedButton)
 public:
  explicit TEditButton(vcl::TComponent *owner);
  void Click() override;
  // Set when a press closed the popup: the click that follows is dropped,
  // so the popup does not open again.
  bool no_action = false;

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
};

class TCustomComboEdit : public vcl::TCustomMaskEdit {
  ORBISCA_CLASS(TCustomComboEdit, vcl::TCustomMaskEdit)
 public:
  explicit TCustomComboEdit(vcl::TComponent *owner);
  ~TCustomComboEdit() override;

  // The control's own read-only flag; the edit window is read-only when
  // this is set or DirectInput is off.
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) override;
  bool DirectInput() const { return direct_input_; }
  void SetDirectInput(bool value);
  vcl::TShortCut ClickKey() const { return click_key_; }
  void SetClickKey(vcl::TShortCut value) { click_key_ = value; }
  TPopupAlign PopupAlign() const { return popup_align_; }
  void SetPopupAlign(TPopupAlign value) { popup_align_ = value; }
  TGlyphKind GlyphKind() const { return glyph_kind_; }
  void SetGlyphKind(TGlyphKind value);
  vcl::TBitmap *Glyph() const { return button_->Glyph(); }
  void SetGlyph(const vcl::TBitmap *bitmap);
  int NumGlyphs() const { return button_->NumGlyphs(); }
  void SetNumGlyphs(int value);
  int ButtonWidth() const { return button_width_; }
  void SetButtonWidth(int value);
  QString ButtonHint() const { return button_->Hint(); }
  void SetButtonHint(const QString &hint) { button_->SetHint(hint); }
  // Whether ButtonWidth is written with the form (it differs from what the
  // glyph kind implies).
  bool IsButtonWidthStored() const;

  bool PopupVisible() const { return popup_visible_; }
  TPopupWindow *Popup() const { return popup_; }
  TEditButton *Button() const { return button_; }
  vcl::TWinControl *ButtonHolder() const { return holder_; }

  virtual void OpenPopup(bool disable_edit);
  virtual void ClosePopup(bool accept);
  // The button's action: OnButtonClick, then open or close the popup.
  virtual void ButtonClick();
  vcl::TNotifyEvent OnButtonClick;

  // The left and top margins of the aligned text.
  vcl::TPoint TextMargins() const;
  // The smallest height the control takes: the text line of the smaller of
  // the system font and the control's font, the frame and one pixel.
  int MinHeight() const;
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  virtual vcl::TBitmap *CreateDefaultBitmap(int &num_glyphs);
  virtual void ShowPopup(const vcl::TPoint &origin);
  virtual void HidePopup();
  virtual bool AcceptPopup(rtl::Variant &value);
  virtual void AcceptValue(const rtl::Variant &value);
  virtual void SetPopupValue(const rtl::Variant &value);
  virtual rtl::Variant GetPopupValue() const;
  virtual void PopupChange() {}
  void SetPopup(TPopupWindow *popup);

  // While the control is unfocused, descendants paint their shown text
  // through PaintAlignedText from here; true when painted.
  virtual bool PaintShownText() { return false; }
  bool PaintAlignedText(const QString &text, vcl::TAlignment alignment, bool standard_paint);

  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void Dispatch(vcl::TMessage &message) override;
  void WMPaint(vcl::TMessage &message) override;
  void WMGetDlgCode(vcl::TMessage &message) override;
  void WMKillFocus(vcl::TMessage &message) override;
  void WMSetFocus(vcl::TMessage &message) override;
  void WMSize(vcl::TMessage &message) override;
  void WMMouseButton(vcl::TMessage &message) override;
  void CMFontChanged(vcl::TMessage &message) override;
  // The text cursor: 1 pixel wide, 2 with a bold font (made on focus).
  int CaretWidth() const;
  void RebuildCaret();
  // A masked edit has no standard context menu: its cut, paste and delete
  // would bypass the mask.
  void WMContextMenu(vcl::TMessage &message) override;
  void CMEnabledChanged(vcl::TMessage &message) override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;
  void DoEnter() override;
  void Change() override;
  void UpdateEditReadOnly();
  // Cut and paste through the mask (the line edit's own would shift the
  // literals); true when the key was one of them.
  bool MaskedClipboardKey(int key, vcl::TShiftState shift);
  void UpdateButtonBounds();
  void RecreateGlyph();

  vcl::TAlignment edit_alignment_ = vcl::taLeftJustify;
  bool focused_ = false;
  int default_num_glyphs_ = 1;

 private:
  TEditButton *button_ = nullptr;
  vcl::TWinControl *holder_ = nullptr;
  TPopupWindow *popup_ = nullptr;
  bool popup_visible_ = false;
  bool read_only_ = false;
  bool direct_input_ = true;
  vcl::TShortCut click_key_ = 32808;
  TPopupAlign popup_align_ = epaRight;
  TGlyphKind glyph_kind_ = gkCustom;
  int button_width_ = 21;
  // Watches the application's mouse presses while the popup is open.
  std::unique_ptr<QObject> outside_watch_;
};

// The system's vertical scroll-bar width (the drop-down button's width).
int VScrollBarWidth();

}  // namespace ext
