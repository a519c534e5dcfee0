// The styled message box (see qelmsgbox.h).
#include "controls/styled/qelmsgbox.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelformstyler.h"
#include "controls/styled/qellabel.h"
#include "controls/styled/qelpanel.h"
#include "controls/styled/qelwave.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/typinfo.h"

// The dialog types and buttons are published here for the first time.
namespace vcl {
ORBISCA_ENUM_INFO(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
ORBISCA_ENUM_INFO(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll,
                  mbHelp)
}  // namespace vcl

namespace qel {

namespace {

// The kinds a dialog can show, in the order its buttons are made; the
// "to all" kinds are never shown.
constexpr vcl::TMsgDlgBtn kShownKinds[] = {vcl::mbYes,   vcl::mbNo,     vcl::mbOK,  vcl::mbCancel, vcl::mbAbort,
                                           vcl::mbRetry, vcl::mbIgnore, vcl::mbAll, vcl::mbHelp};

constexpr int kButtonStep = 80;  // button width 75 plus the 5-pixel gap

vcl::TModalResult KindResult(vcl::TMsgDlgBtn kind) {
  switch (kind) {
    case vcl::mbYes:
      return vcl::mrYes;
    case vcl::mbNo:
      return vcl::mrNo;
    case vcl::mbOK:
      return vcl::mrOk;
    case vcl::mbCancel:
      return vcl::mrCancel;
    case vcl::mbAbort:
      return vcl::mrAbort;
    case vcl::mbRetry:
      return vcl::mrRetry;
    case vcl::mbIgnore:
      return vcl::mrIgnore;
    case vcl::mbAll:
      return vcl::mrAll;
    default:
      return vcl::mrNone;  // Help keeps the dialog open
  }
}

// The icon of a dialog type on a bitmap first filled with `back`; an empty
// bitmap for mtCustom.
void DrawTypeIcon(vcl::TMsgDlgType type, TColor back, vcl::TBitmap *bitmap) {
  QStyle::StandardPixmap which;
  switch (type) {
    case vcl::mtWarning:
      which = QStyle::SP_MessageBoxWarning;
      break;
    case vcl::mtError:
      which = QStyle::SP_MessageBoxCritical;
      break;
    case vcl::mtInformation:
      which = QStyle::SP_MessageBoxInformation;
      break;
    case vcl::mtConfirmation:
      which = QStyle::SP_MessageBoxQuestion;
      break;
    default:
      return;
  }
  constexpr int kIconSize = 32;
  bitmap->SetSize(kIconSize, kIconSize);
  vcl::TCanvas *canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(back);
  canvas->FillRect(TRect{0, 0, kIconSize, kIconSize});
  QImage image = bitmap->Image().convertToFormat(QImage::Format_RGB32);
  if (QApplication::style() != nullptr) {
    QPainter painter(&image);
    painter.drawPixmap(0, 0, QApplication::style()->standardIcon(which).pixmap(kIconSize, kIconSize));
  }
  bitmap->SetImage(image);
}

}  // namespace

QString DefaultButtonTitle(vcl::TMsgDlgBtn kind) {
  switch (kind) {
    case vcl::mbYes:
      return QStringLiteral("&Yes");
    case vcl::mbNo:
      return QStringLiteral("&No");
    case vcl::mbOK:
      return QStringLiteral("OK");
    case vcl::mbCancel:
      return QStringLiteral("Cancel");
    case vcl::mbAbort:
      return QStringLiteral("Abort");
    case vcl::mbRetry:
      return QStringLiteral("&Retry");
    case vcl::mbIgnore:
      return QStringLiteral("&Ignore");
    case vcl::mbAll:
      return QStringLiteral("&All");
    case vcl::mbHelp:
      return QStringLiteral("&Help");
    default:
      return QString();
  }
}

QString DontShowAgainText() { return QStringLiteral("Don't show again"); }

TQELMessageBoxDlg::TQELMessageBoxDlg(vcl::TComponent *owner)
    : TQELContainerComponent(owner),
      message_font3d_(std::make_unique<TQEL3DCaption>()),
      caption_font3d_(std::make_unique<TQEL3DCaption>()),
      message_alignment_(std::make_unique<TQELGlyphTextLayout>()),
      message_font_(std::make_unique<vcl::TFont>()),
      caption_font_(std::make_unique<vcl::TFont>()),
      button_font_(std::make_unique<vcl::TFont>()),
      button_titles_(std::make_unique<rtl::TStringList>()),
      hints_(std::make_unique<rtl::TStringList>()) {
  auto changed = [this](rtl::TObject *) { GetChange(this); };
  button_titles_->OnChange = changed;
  hints_->OnChange = changed;
  glyph_link_.OnChange = changed;
  wave_link_.OnChange = changed;
  if (auto *app = CurrentQELApplication()) app->SetMessageBoxStyle(this);
}

TQELMessageBoxDlg::~TQELMessageBoxDlg() {
  button_titles_->OnChange = nullptr;
  hints_->OnChange = nullptr;
  glyph_link_.OnChange = nullptr;
  wave_link_.OnChange = nullptr;
  SetCustomGlyphImageList(nullptr);
  SetWaveList(nullptr);
  if (auto *app = CurrentQELApplication(); app && app->MessageBoxStyle() == this) app->SetMessageBoxStyle(nullptr);
}

void TQELMessageBoxDlg::SetButtonTitles(const rtl::TStrings *v) { button_titles_->Assign(v); }
void TQELMessageBoxDlg::SetHints(const rtl::TStrings *v) { hints_->Assign(v); }

void TQELMessageBoxDlg::SetCustomGlyphImageList(TQELCustomImageList *list) {
  if (list == glyph_list_) return;
  if (glyph_list_) {
    glyph_list_->UnRegisterChanges(&glyph_link_);
    RemoveFreeNotification(glyph_list_);
  }
  glyph_list_ = list;
  if (list) {
    list->RegisterChanges(&glyph_link_);
    list->FreeNotification(this);
  }
  GetChange(this);
}

void TQELMessageBoxDlg::SetCustomGlyphListIndex(int v) {
  if (v < 0 || v == glyph_list_index_) return;
  glyph_list_index_ = v;
  GetChange(this);
}

void TQELMessageBoxDlg::SetCustomGlyphImageIndex(int v) {
  if (v < 0 || v == glyph_image_index_) return;
  glyph_image_index_ = v;
  GetChange(this);
}

void TQELMessageBoxDlg::SetWaveList(TQELWaveList *list) {
  if (list == wave_list_) return;
  if (wave_list_) {
    wave_list_->UnRegisterChanges(&wave_link_);
    RemoveFreeNotification(wave_list_);
  }
  wave_list_ = list;
  if (list) {
    list->RegisterChanges(&wave_link_);
    list->FreeNotification(this);
  }
  GetChange(this);
}

void TQELMessageBoxDlg::SetWaveIndex(int v) {
  if (v < 0 || v == wave_index_) return;
  wave_index_ = v;
  GetChange(this);
}

void TQELMessageBoxDlg::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELContainerComponent::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  // The list is on its way out: its links are gone with it.
  if (component == glyph_list_) glyph_list_ = nullptr;
  if (component == wave_list_) wave_list_ = nullptr;
}

int TQELMessageBoxDlg::ShowMessage(const QString &msg) {
  MessageDlgCustom(QString(), msg, {rtl::Variant(0)}, vcl::TMsgDlgButtons{vcl::mbOK}, dlg_type_, 0);
  return vcl::mrOk;
}

int TQELMessageBoxDlg::MessageDlg(const QString &msg, vcl::TMsgDlgType type, vcl::TMsgDlgButtons buttons,
                                  int /*help_ctx*/) {
  return MessageDlgCustom(QString(), msg, {rtl::Variant(0)}, buttons, type, 0);
}

int TQELMessageBoxDlg::MessageDlgCustom(const QString &caption, const QString &msg,
                                        const std::vector<rtl::Variant> &args, vcl::TMsgDlgButtons buttons,
                                        int dlg_type, int default_index) {
  // A bad format string fails here, before any window exists.
  const QString text = rtl::Format(msg, args);
  QString title = caption;
  if (title.isEmpty()) title = caption_title_;
  if (title.isEmpty()) title = vcl::ApplicationTitle();
  const auto type = dlg_type == -1 ? dlg_type_ : static_cast<vcl::TMsgDlgType>(dlg_type);
  if (buttons.Empty()) buttons = buttons_;

  // Everything below is owned by the form, which goes whatever happens.
  auto form = std::make_unique<vcl::TForm>(nullptr);
  form->SetColor(color_);

  auto *styler = new TQELFormStyler(form.get());
  styler->SetEnabled(false);
  styler->SetOptions(TQELFormStyleOptions{fsAdjustRect, fsUseDefaultFont, fsUseFormCaption});
  styler->SetColors(colors_);
  styler->SetFont(caption_font_.get());
  styler->SetFont3D(caption_font3d_.get());
  styler->SetAlignment(caption_alignment_);

  auto *back = new TQELBackPanel(form.get());
  back->SetParent(form.get());
  back->SetParentColor(true);
  back->SetAlign(vcl::alClient);
  back->SetImageList(ImageList());
  back->SetListIndex(ListIndex());
  back->SetImageIndex(ImageIndex());

  form->SetCaption(title);
  form->SetBorderStyle(vcl::bsDialog);
  form->SetShowHint(show_hints_);
  // Room to measure the message unclipped.
  form->SetBounds(0, 0, vcl::Screen->Width(), vcl::Screen->Height());

  TQELBitmapList *system_glyph = nullptr;
  if (!custom_glyph_) {
    system_glyph = new TQELBitmapList(form.get());
    const int item = system_glyph->Add();
    vcl::TBitmap icon;
    DrawTypeIcon(type, color_, &icon);
    system_glyph->Items(item)->SetBitmap(&icon);
  }

  auto *label = new TQELGlyphLabel(form.get());
  label->SetParent(back);
  label->SetLeft(0);
  label->SetTop(0);
  label->SetFont(message_font_.get());
  label->SetFont3D(message_font3d_.get());
  label->SetCaption(text);
  label->SetTransparent(true);
  label->SetMultiLine(true);
  label->SetShowHint(show_hints_);
  label->SetHint(hints_->Count() > 0 ? hints_->Strings(0) : QString());
  label->SetAlignment(message_alignment_.get());
  if (custom_glyph_) {
    label->SetImageList(glyph_list_);
    label->SetListIndex(glyph_list_index_);
    label->SetImageIndex(glyph_image_index_);
  } else {
    label->SetImageList(system_glyph);
    label->SetListIndex(0);
    label->SetImageIndex(0);
  }

  label->SetAutoSize(true);
  int w = label->Width() + 10;
  int h = label->Height() + 25;
  const int label_height = label->Height();
  label->SetAlign(vcl::alClient);
  label->SetAutoSize(false);

  TQELSimplePanel *bar = nullptr;
  if (!buttons.Empty()) {
    bar = new TQELSimplePanel(form.get());
    bar->SetParent(back);
    bar->SetParentColor(true);
    bar->SetTransparent(true);
    bar->SetAlign(vcl::alBottom);
    bar->SetTop(h);
    h = label_height + 65;
  }

  int n = 0;
  for (auto kind : kShownKinds)
    if (buttons.Contains(kind)) ++n;
  w = std::max(w, n * kButtonStep + 10);
  int x = (w - n * kButtonStep) / 2 - 5;

  vcl::TDialogRequest request;
  request.kind = vcl::TDialogKind::Message;
  request.caption = title;
  request.text = text;
  request.type = type;
  int k = 0;
  for (auto kind : kShownKinds) {
    if (!buttons.Contains(kind)) continue;
    auto *button = new TQELButton(form.get());
    button->SetParent(bar);
    button->SetCaption(k < button_titles_->Count() ? button_titles_->Strings(k) : DefaultButtonTitle(kind));
    if (k == default_index) {
      button->SetDefault(true);
      form->SetActiveControl(button);
      request.default_button = k;
    }
    if (kind == vcl::mbHelp)
      button->OnClick = [this](rtl::TObject *sender) {
        if (OnHelpClick) OnHelpClick(sender);
      };
    button->SetHint(k + 1 < hints_->Count() ? hints_->Strings(k + 1) : QString());
    button->SetShowHint(show_hints_);
    button->SetFont(button_font_.get());
    button->SetColor(vcl::clBtnFace);
    button->SetModalResult(KindResult(kind));
    button->SetStyle(button_style_);
    button->SetBounds(x + 5, 5, 75, button->Height());
    x += button->Width() + 5;
    request.buttons << button->Caption();
    request.results.push_back(KindResult(kind));
    if (kind == vcl::mbCancel || (kind == vcl::mbNo && request.cancel_button < 0)) request.cancel_button = k;
    ++k;
  }

  if (show_again_box_) {
    // Without a button bar the box has nowhere to stand; the dialog still
    // makes room for it so that its size does not depend on that.
    if (bar) bar->SetHeight(bar->Height() + 20);
    auto *box = new TQELCheckBox(form.get());
    box->SetParent(bar);
    box->SetAutoSize(false);
    box->SetCaption(DontShowAgainText());
    box->SetLeft(0);
    box->SetTop(35);
    box->SetChecked(!show_again_);
    box->SetTransparent(true);
    box->OnClick = [this, box](rtl::TObject *) { show_again_ = !box->Checked(); };
    box->SetAutoSize(true);
    h += 20;
    w = std::max(w, box->Width() + 3);
  }

  form->SetHeight(h);
  form->SetWidth(w);
  if (box_width_ != 0) form->SetWidth(box_width_ + 4);
  if (box_height_ != 0) form->SetHeight(box_height_ + 20);

  TRect reference = IsDesigning() ? GetReferenceRect(brScreen) : GetReferenceRect(relate_pos_);
  if (position_ == bpCustom) {
    reference.Left += box_left_;
    reference.Top += box_top_;
  }
  PlaceWindow(form.get(), reference, position_);

  if (caption_fill_) styler->SetEnabled(true);
  styler->SetOptions(styler->Options() + fsCheckSystemGradient);

  if (play_wave_ && wave_list_ && wave_index_ < wave_list_->Count()) wave_list_->Items(wave_index_)->Wave()->Play();

  if (OnDialogReady) OnDialogReady(this, form.get());
  vcl::TForm *shown = form.get();
  return vcl::RunDialog(request, [shown](vcl::TDialogRequest &) { return shown->ShowModal(); });
}

ORBISCA_PUBLISHED(TQELMessageBoxDlg, TQELContainerComponent) {
  using M = TQELMessageBoxDlg;
  p.Property("MessageFont3D", &M::MessageFont3D, &M::SetMessageFont3D);
  p.Property("CaptionFont3D", &M::CaptionFont3D, &M::SetCaptionFont3D);
  p.Property("MessageAlignment", &M::MessageAlignment, &M::SetMessageAlignment);
  p.Property("MessageFont", &M::MessageFont, &M::SetMessageFont);
  p.Property("CaptionFont", &M::CaptionFont, &M::SetCaptionFont);
  p.Property("Color", &M::Color, &M::SetColor).Default(vcl::clBtnFace);
  p.Property("ButtonFont", &M::ButtonFont, &M::SetButtonFont);
  p.Property("CaptionTitle", &M::CaptionTitle, &M::SetCaptionTitle);
  p.Property("CaptionAlignment", &M::CaptionAlignment, &M::SetCaptionAlignment).Default(vcl::taLeftJustify);
  p.Property("ButtonTitles", &M::ButtonTitles, &M::SetButtonTitles);
  p.Property("Hints", &M::Hints, &M::SetHints);
  p.Property("CustomGlyphImageList", &M::CustomGlyphImageList, &M::SetCustomGlyphImageList);
  p.Property("CustomGlyphListIndex", &M::CustomGlyphListIndex, &M::SetCustomGlyphListIndex).Default(0);
  p.Property("CustomGlyphImageIndex", &M::CustomGlyphImageIndex, &M::SetCustomGlyphImageIndex).Default(0);
  p.Property("CustomGlyph", &M::CustomGlyph, &M::SetCustomGlyph).Default(false);
  p.Property("Buttons", &M::Buttons, &M::SetButtons);
  p.Property("BoxLeft", &M::BoxLeft, &M::SetBoxLeft).Default(0);
  p.Property("BoxTop", &M::BoxTop, &M::SetBoxTop).Default(0);
  p.Property("BoxWidth", &M::BoxWidth, &M::SetBoxWidth).Default(0);
  p.Property("BoxHeight", &M::BoxHeight, &M::SetBoxHeight).Default(0);
  p.Property("ButtonStyle", &M::ButtonStyle, &M::SetButtonStyle).Default(nbsAutoDetect);
  p.Property("ShowHints", &M::ShowHints, &M::SetShowHints).Default(false);
  p.Property("Position", &M::Position, &M::SetPosition).Default(bpCenter);
  p.Property("RelatePos", &M::RelatePos, &M::SetRelatePos).Default(brScreen);
  p.Property("PlayWave", &M::PlayWave, &M::SetPlayWave).Default(false);
  p.Property("ShowAgain", &M::ShowAgain, &M::SetShowAgain).Default(true);
  p.Property("ShowAgainBox", &M::ShowAgainBox, &M::SetShowAgainBox).Default(false);
  p.Property("CaptionFill", &M::CaptionFill, &M::SetCaptionFill).Default(false);
  p.Property("Colors", &M::Colors, &M::SetColors).Default(32);
  p.Property("DlgType", &M::DlgType, &M::SetDlgType).Default(vcl::mtCustom);
  p.Property("WaveList", &M::WaveList, &M::SetWaveList);
  p.Property("WaveIndex", &M::WaveIndex, &M::SetWaveIndex).Default(0);
  p.Event("OnHelpClick", &M::OnHelpClick);
}

}  // namespace qel
