// The glyph speed button of the extended controls and its helpers.
//
// TMwSpeedButton is a windowless button with a glyph strip of up to five
// images (up, disabled, down, exclusive, inactive), a caption that may wrap,
// flat and transparent looks, radio-style groups among the buttons of one
// parent, a drop-down menu and auto-repeat while it is held down. The combo
// edits' embedded button, the calendar's stepping buttons and the
// calculator's keys are built on it.
//
// The images of a state are made once from the strip (missing ones are
// derived: an embossed disabled image, a grey inactive one) and kept in
// image lists shared by every glyph of the same size (TGlyphCache), so a
// form full of buttons with one glyph holds each image once per size.
#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "controls/extended/timers.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"

namespace vcl {
class TBasicAction;
class TPopupMenu;
}  // namespace vcl

namespace ext {

ORBISCA_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
ORBISCA_ENUM(TButtonStyle, bsAutoDetect, bsWin31, bsNew)
ORBISCA_ENUM(TMwDropDownMenuPos, dmpBottom, dmpRight)

// Button states; the same numbers index the glyph's images.
enum TMwButtonState { bsUp, bsDisabled, bsDown, bsExclusive, bsInactive };

// The private message by which a grouped button tells its siblings that it
// went down: WParam the group index, LParam the button.
inline constexpr unsigned CM_MWBUTTONPRESSED = 0xB051;

// An image list whose slots are reused: a deleted image only frees its slot.
class TGlyphList : public vcl::TImageList {
  ORBISCA_CLASS(TGlyphList, vcl::TImageList)
 public:
  TGlyphList(int width, int height);
  // Puts the image in the first free slot (the list grows when none is
  // free); returns the slot.
  int AddMasked(const vcl::TBitmap *image, vcl::TColor mask_color) override;
  int AddImageSlot(const QImage &argb);
  // Frees the slot; the image stays until the slot is taken again.
  void Delete(int index) override;
  int UseCount() const { return use_count_; }
  bool SlotUsed(int index) const;

 private:
  int AllocSlot();
  std::vector<bool> used_;
  int use_count_ = 0;
};

// The glyph lists shared by size.
class TGlyphCache {
 public:
  // The list of that size (the most recent one first), made when missing.
  TGlyphList *GetList(int width, int height);
  // A list nobody uses any more is freed.
  void ReturnList(TGlyphList *list);
  bool Empty() const { return lists_.empty(); }
  int ListCount() const { return int(lists_.size()); }

 private:
  std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The cache while any glyph exists (nullptr otherwise).
TGlyphCache *GlyphCache();

// The glyph of a button: the strip, its images by state, the layout of glyph
// and caption and the drawing of both.
class TMwButtonGlyph {
 public:
  TMwButtonGlyph();
  ~TMwButtonGlyph();
  TMwButtonGlyph(const TMwButtonGlyph &) = delete;
  TMwButtonGlyph &operator=(const TMwButtonGlyph &) = delete;

  vcl::TBitmap *Glyph() const { return original_.get(); }
  void SetGlyph(const vcl::TBitmap *bitmap);
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  vcl::TColor TransparentColor() const { return transparent_color_; }
  void SetTransparentColor(vcl::TColor color);
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value) { alignment_ = value; }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value) { word_wrap_ = value; }

  // The image of a state (made on first use); -1 without a glyph.
  int CreateButtonGlyph(TMwButtonState state);
  // The ARGB picture of a state, as drawn (transparent where masked).
  QImage StateImage(TMwButtonState state);
  // Image `index` of an image list in the look of `state` (for buttons that
  // show list images instead of a strip): embossed when disabled, grey when
  // inactive, as it is otherwise.
  static void DrawListImage(vcl::TCanvas *canvas, const vcl::TImageList *images, int index, int x, int y,
                            TMwButtonState state);
  TGlyphList *List() const { return glyph_list_; }

  // Where glyph and caption go inside `client` (see the .cpp).
  void CalcButtonLayout(vcl::TCanvas *canvas, const vcl::TRect &client, const vcl::TPoint &offset,
                        const QString &caption, TButtonLayout layout, int margin, int spacing, vcl::TPoint &glyph_pos,
                        vcl::TRect &text_bounds, bool drop_down_mark, const vcl::TSize &glyph_size,
                        QString &shown_caption);
  // Draws glyph, caption and drop-down mark; returns the caption's rectangle.
  vcl::TRect Draw(vcl::TCanvas *canvas, const vcl::TRect &client, const vcl::TPoint &offset, const QString &caption,
                  TButtonLayout layout, int margin, int spacing, TMwButtonState state, bool drop_down_mark,
                  bool grayed_inactive);

  std::function<void()> OnChange;

 private:
  void Invalidate();
  void GlyphChanged();
  std::unique_ptr<vcl::TBitmap> original_;
  vcl::TColor transparent_color_ = vcl::clFuchsia;
  int num_glyphs_ = 1;
  vcl::TAlignment alignment_ = vcl::taCenter;
  bool word_wrap_ = false;
  std::array<int, 5> indexes_{-1, -1, -1, -1, -1};
  TGlyphList *glyph_list_ = nullptr;
};

// The grey look of the inactive state: every pixel that is neither
// `transparent` nor `face` becomes the grey (R*77 + G*150 + B*29) / 256.
QImage GrayedImage(const QImage &image, vcl::TColor transparent, vcl::TColor face);

class TMwSpeedButton : public vcl::TGraphicControl {
  ORBISCA_CLASS(TMwSpeedButton, vcl::TGraphicControl)
 public:
  explicit TMwSpeedButton(vcl::TComponent *owner);
  ~TMwSpeedButton() override;

  vcl::TAlignment Alignment() const { return glyph_->Alignment(); }
  void SetAlignment(vcl::TAlignment value);
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool value);
  bool AllowTimer() const { return allow_timer_; }
  void SetAllowTimer(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  vcl::TComponent *DropDownMenu() const { return drop_down_menu_; }
  void SetDropDownMenu(vcl::TComponent *menu);
  TMwDropDownMenuPos MenuPosition() const { return menu_position_; }
  void SetMenuPosition(TMwDropDownMenuPos value) { menu_position_ = value; }
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  vcl::TBitmap *Glyph() const { return glyph_->Glyph(); }
  void SetGlyph(const vcl::TBitmap *bitmap);
  bool GrayedInactive() const { return grayed_inactive_; }
  void SetGrayedInactive(bool value);
  int InitPause() const { return init_pause_; }
  void SetInitPause(int value) { init_pause_ = value; }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  bool MarkDropDown() const { return mark_drop_down_; }
  void SetMarkDropDown(bool value);
  vcl::TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(vcl::TModalResult value) { modal_result_ = value; }
  int NumGlyphs() const { return glyph_->NumGlyphs(); }
  void SetNumGlyphs(int value);
  int RepeatInterval() const { return repeat_interval_; }
  void SetRepeatInterval(int value) { repeat_interval_ = value; }
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool WordWrap() const { return glyph_->WordWrap(); }
  void SetWordWrap(bool value);

  // The linked action: the button takes its caption, enabled and visible
  // state, hint, checked state (as Down, when grouped) and, while the
  // button has no glyph, its image; a click executes it unless OnClick is
  // set.
  vcl::TBasicAction *Action() const { return action_link_.Action(); }
  void SetAction(vcl::TBasicAction *action);

  // The state last painted or set by the mouse.
  TMwButtonState State() const { return state_; }
  bool MouseInControl() const { return mouse_in_control_; }
  TMwButtonGlyph *ButtonGlyph() const { return glyph_.get(); }
  // The repeat timer while one exists.
  TExtTimer *RepeatTimer() const { return repeat_timer_.get(); }

  void Click() override;
  // A press and click made by the program.
  // Shows the pressed look, waits kPressAndClickPause ms, clicks.
  void PressAndClick();
  static constexpr int kPressAndClickPause = 20;

  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 protected:
  void Paint() override;
  void Dispatch(vcl::TMessage &message) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  // Only a button that is down answers a double click as one; on any other
  // it is a press.
  void DblClick() override;
  void CMMouseEnter(vcl::TMessage &message) override;
  void CMMouseLeave(vcl::TMessage &message) override;
  void CMEnabledChanged(vcl::TMessage &message) override;
  void CMVisibleChanged(vcl::TMessage &message) override;
  // Takes the action's state; with `check_defaults` only into properties
  // still at their defaults (an action read with its form).
  virtual void ActionChange(vcl::TBasicAction *sender, bool check_defaults);
  // Whether the popup menu is up (the menus unit shows it synchronously).
  bool menu_tracking_ = false;

 private:
  void UpdateExclusive();
  void ButtonPressed(int group, TMwSpeedButton *sender, bool allow_all_up);
  void TimerExpired();
  void DoMouseUp(int x, int y);
  // Asks where the pointer is and raises the enter or leave notice when
  // that differs from what the button believes.
  void UpdateTracking();
  // The drop-down menu when it pops up by itself (nullptr otherwise).
  vcl::TPopupMenu *AutoDropDownMenu() const;
  void ShowDropDownMenu(vcl::TPopupMenu *menu);
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }

  std::unique_ptr<TMwButtonGlyph> glyph_;
  bool allow_all_up_ = false;
  bool allow_timer_ = false;
  int group_index_ = 0;
  bool down_ = false;
  vcl::TComponent *drop_down_menu_ = nullptr;
  TMwDropDownMenuPos menu_position_ = dmpBottom;
  bool flat_ = false;
  bool grayed_inactive_ = true;
  int init_pause_ = 500;
  TButtonLayout layout_ = blGlyphTop;
  int margin_ = -1;
  bool mark_drop_down_ = true;
  vcl::TModalResult modal_result_ = 0;
  int repeat_interval_ = 100;
  int spacing_ = 1;
  TButtonStyle style_ = bsAutoDetect;
  bool transparent_ = false;
  TMwButtonState state_ = bsUp;
  bool dragging_ = false;
  bool mouse_in_control_ = false;
  std::unique_ptr<TExtTimer> repeat_timer_;
  vcl::TActionClientLink action_link_{this};
  // Set when the menu closes until the events already queued are done: the
  // press that closed the menu over the button must not open it again.
  bool drop_menu_press_ = false;
};

}  // namespace ext
