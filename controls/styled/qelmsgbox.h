// The styled message box: a non-visual component that keeps the look of a
// message dialog (fonts, 3D text, colours, button titles, hints, glyph,
// sound, size and position) and builds a fresh styled modal dialog from it
// on every show call. Nothing of the dialog outlives the call.
//
// The dialog is made of the library's own parts: a form styler for the
// caption bar, a back panel, a glyph label for icon and text, a simple
// panel as button bar with styled buttons and, optionally, the "Don't show
// again" check box.
//
// The finished dialog goes through the control library's dialog point
// (vcl::RunDialog), so a dialog responder answers it in place of the user
// exactly as it answers the plain message dialog; `OnDialogReady` shows
// the built form to whoever wants to look at it before that.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "controls/styled/qelbuttons.h"
#include "controls/styled/qelclass.h"
#include "controls/styled/qelcont.h"
#include "controls/styled/qelgraph.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"

namespace qel {

// The button titles when ButtonTitles gives none, and the check box text.
QString DefaultButtonTitle(vcl::TMsgDlgBtn kind);
QString DontShowAgainText();

class TQELMessageBoxDlg : public TQELContainerComponent {
  ORBISCA_CLASS(TQELMessageBoxDlg, TQELContainerComponent)

 public:
  explicit TQELMessageBoxDlg(vcl::TComponent *owner);
  ~TQELMessageBoxDlg() override;

  TQEL3DCaption *MessageFont3D() const { return message_font3d_.get(); }
  void SetMessageFont3D(const TQEL3DCaption *v) { message_font3d_->Assign(v); }
  TQEL3DCaption *CaptionFont3D() const { return caption_font3d_.get(); }
  void SetCaptionFont3D(const TQEL3DCaption *v) { caption_font3d_->Assign(v); }
  TQELGlyphTextLayout *MessageAlignment() const { return message_alignment_.get(); }
  void SetMessageAlignment(const TQELGlyphTextLayout *v) { message_alignment_->Assign(v); }
  vcl::TFont *MessageFont() const { return message_font_.get(); }
  void SetMessageFont(const vcl::TFont *v) { message_font_->Assign(v); }
  vcl::TFont *CaptionFont() const { return caption_font_.get(); }
  void SetCaptionFont(const vcl::TFont *v) { caption_font_->Assign(v); }
  vcl::TFont *ButtonFont() const { return button_font_.get(); }
  void SetButtonFont(const vcl::TFont *v) { button_font_->Assign(v); }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  QString CaptionTitle() const { return caption_title_; }
  void SetCaptionTitle(const QString &v) { caption_title_ = v; }
  vcl::TAlignment CaptionAlignment() const { return caption_alignment_; }
  void SetCaptionAlignment(vcl::TAlignment v) { caption_alignment_ = v; }
  // Line k: the caption of the k-th button shown, in creation order.
  rtl::TStringList *ButtonTitles() const { return button_titles_.get(); }
  void SetButtonTitles(const rtl::TStrings *v);
  // Line 0: the message's hint; line k+1: the k-th button's.
  rtl::TStringList *Hints() const { return hints_.get(); }
  void SetHints(const rtl::TStrings *v);

  TQELCustomImageList *CustomGlyphImageList() const { return glyph_list_; }
  void SetCustomGlyphImageList(TQELCustomImageList *list);
  int CustomGlyphListIndex() const { return glyph_list_index_; }
  void SetCustomGlyphListIndex(int v);
  int CustomGlyphImageIndex() const { return glyph_image_index_; }
  void SetCustomGlyphImageIndex(int v);
  bool CustomGlyph() const { return custom_glyph_; }
  void SetCustomGlyph(bool v) { custom_glyph_ = v; }

  vcl::TMsgDlgButtons Buttons() const { return buttons_; }
  void SetButtons(vcl::TMsgDlgButtons v) { buttons_ = v; }
  int BoxLeft() const { return box_left_; }
  void SetBoxLeft(int v) { box_left_ = v; }
  int BoxTop() const { return box_top_; }
  void SetBoxTop(int v) { box_top_ = v; }
  int BoxWidth() const { return box_width_; }
  void SetBoxWidth(int v) { box_width_ = v; }
  int BoxHeight() const { return box_height_; }
  void SetBoxHeight(int v) { box_height_ = v; }
  TQELNormalButtonStyle ButtonStyle() const { return button_style_; }
  void SetButtonStyle(TQELNormalButtonStyle v) { button_style_ = v; }
  bool ShowHints() const { return show_hints_; }
  void SetShowHints(bool v) { show_hints_ = v; }
  TQELDlgPosition Position() const { return position_; }
  void SetPosition(TQELDlgPosition v) { position_ = v; }
  TQELDlgPosRel RelatePos() const { return relate_pos_; }
  void SetRelatePos(TQELDlgPosRel v) { relate_pos_ = v; }
  bool PlayWave() const { return play_wave_; }
  void SetPlayWave(bool v) { play_wave_ = v; }
  bool ShowAgain() const { return show_again_; }
  void SetShowAgain(bool v) { show_again_ = v; }
  bool ShowAgainBox() const { return show_again_box_; }
  void SetShowAgainBox(bool v) { show_again_box_ = v; }
  bool CaptionFill() const { return caption_fill_; }
  void SetCaptionFill(bool v) { caption_fill_ = v; }
  int Colors() const { return colors_; }
  void SetColors(int v) { colors_ = v; }
  vcl::TMsgDlgType DlgType() const { return dlg_type_; }
  void SetDlgType(vcl::TMsgDlgType v) { dlg_type_ = v; }
  TQELWaveList *WaveList() const { return wave_list_; }
  void SetWaveList(TQELWaveList *list);
  int WaveIndex() const { return wave_index_; }
  void SetWaveIndex(int v);

  rtl::TNotifyEvent OnHelpClick;
  // Called with the finished, still hidden dialog just before it is shown
  // (or handed to a dialog responder).
  std::function<void(rtl::TObject *sender, vcl::TForm *form)> OnDialogReady;

  // The message with the component's DlgType and one OK button; 1 whatever
  // closed the dialog.
  int ShowMessage(const QString &msg);
  // An empty button set takes Buttons; HelpCtx is not used.
  int MessageDlg(const QString &msg, vcl::TMsgDlgType type, vcl::TMsgDlgButtons buttons, int help_ctx = 0);
  // `msg` is a format string for `args`. An empty caption takes
  // CaptionTitle, then the application title; `dlg_type` -1 takes DlgType;
  // `default_index` is the position of the default button (none when it is
  // out of range). Returns the dialog's modal result.
  int MessageDlgCustom(const QString &caption, const QString &msg, const std::vector<rtl::Variant> &args,
                       vcl::TMsgDlgButtons buttons, int dlg_type, int default_index);

  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 private:
  std::unique_ptr<TQEL3DCaption> message_font3d_, caption_font3d_;
  std::unique_ptr<TQELGlyphTextLayout> message_alignment_;
  std::unique_ptr<vcl::TFont> message_font_, caption_font_, button_font_;
  std::unique_ptr<rtl::TStringList> button_titles_, hints_;
  TQELChangeLink glyph_link_, wave_link_;
  TColor color_ = vcl::clBtnFace;
  QString caption_title_;
  vcl::TAlignment caption_alignment_ = vcl::taLeftJustify;
  TQELCustomImageList *glyph_list_ = nullptr;
  int glyph_list_index_ = 0, glyph_image_index_ = 0;
  bool custom_glyph_ = false;
  vcl::TMsgDlgButtons buttons_{vcl::mbOK};
  int box_left_ = 0, box_top_ = 0, box_width_ = 0, box_height_ = 0;
  TQELNormalButtonStyle button_style_ = nbsAutoDetect;
  bool show_hints_ = false;
  TQELDlgPosition position_ = bpCenter;
  TQELDlgPosRel relate_pos_ = brScreen;
  bool play_wave_ = false, show_again_ = true, show_again_box_ = false, caption_fill_ = false;
  int colors_ = 32;
  vcl::TMsgDlgType dlg_type_ = vcl::mtCustom;
  TQELWaveList *wave_list_ = nullptr;
  int wave_index_ = 0;
};

}  // namespace qel
