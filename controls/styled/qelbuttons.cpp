// The styled push button and check box (see qelbuttons.h).
#include "controls/styled/qelbuttons.h"

#include <QPainter>
#include <QPushButton>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

#include "controls/styled/qelapp.h"
#include "controls/styled/qelsysinfo.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

namespace qel {

namespace {

constexpr const char *kNoTimers = "Not enough timers available";
constexpr TColor kOpaqueKey = 0x00FD02FE;

}  // namespace

// --- push button -------------------------------------------------------------------

TQELCustomButton::TQELCustomButton(vcl::TComponent *owner)
    : vcl::TButton(owner),
      canvas_(std::make_unique<vcl::TCanvas>()),
      glyph_(std::make_unique<TQELGlyph>()),
      layout_(std::make_unique<TQELButtonLayout>()),
      font_fx_(std::make_unique<TQELFxCaption>()),
      image_(this, [this] { ImageChanged(); }) {
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csReplicatable});
  SetColor(vcl::clWindow);
  SetParentColor(true);
  glyph_->OnChange = [this] { Invalidate(); };
  layout_->OnChange = [this](rtl::TObject *) { Invalidate(); };
  font_fx_->OnChange = [this](rtl::TObject *) { FontFXChanged(); };
}

TQELCustomButton::~TQELCustomButton() {
  StopRepeat();
  glyph_->OnChange = nullptr;
  layout_->OnChange = nullptr;
  font_fx_->OnChange = nullptr;
}

void TQELCustomButton::SetGlyph(const vcl::TBitmap *bitmap) {
  if (!IsLoading()) image_.SetList(nullptr);
  glyph_->SetGlyph(bitmap);
  glyph_from_action_ = false;
  Invalidate();
}

void TQELCustomButton::SetAction(vcl::TBasicAction *action) {
  if (!action_link_.Set(action, [this] { ActionChange(action_link_.Action(), false); }) || action == nullptr) return;
  ActionChange(action, action->ComponentState().Contains(vcl::csLoading));
}

void TQELCustomButton::ActionChange(vcl::TBasicAction *sender, bool check_defaults) {
  auto *action = dynamic_cast<vcl::TCustomAction *>(sender);
  if (action == nullptr) return;
  if (!check_defaults || Caption().isEmpty()) SetCaption(action->Caption());
  if (!check_defaults || Enabled()) SetEnabled(action->Enabled());
  if (!check_defaults || Hint().isEmpty()) SetHint(action->Hint());
  if (!check_defaults || Visible()) SetVisible(action->Visible());
  // The action's image becomes the glyph where the button has none of its
  // own, and follows the action from then on; a glyph the program gave the
  // button stays.
  vcl::TBitmap image;
  if (vcl::ActionImage(action, image)) {
    if (Glyph()->Empty() || glyph_from_action_) {
      SetGlyph(&image);
      glyph_from_action_ = true;
    }
  } else if (glyph_from_action_) {
    vcl::TBitmap none;
    SetGlyph(&none);
  }
}

void TQELCustomButton::Click() {
  if (!OnClick && action_link_.Action() != nullptr) {
    if (vcl::TCustomForm *form = GetParentForm()) form->SetModalResult(ModalResult());
    action_link_.Action()->Execute();
    return;
  }
  vcl::TButton::Click();
}

void TQELCustomButton::SetNumGlyphs(int v) {
  glyph_->SetNumGlyphs(v);
  Invalidate();
}

void TQELCustomButton::SetUseCaption(bool v) {
  use_caption_ = v;
  Invalidate();
}

void TQELCustomButton::SetMultiLine(bool v) {
  multi_line_ = v;
  Invalidate();
}

void TQELCustomButton::SetStyle(TQELNormalButtonStyle v) {
  style_ = v;
  Invalidate();
}

void TQELCustomButton::ImageChanged() {
  if (image_.Exists()) {
    vcl::TBitmap b;
    if (image_.List()->CopyImage(image_.ListIndex(), image_.ImageIndex(), &b)) {
      glyph_->SetGlyph(&b);
      Invalidate();
      return;
    }
  }
  glyph_->SetGlyph(nullptr);
  Invalidate();
}

void TQELCustomButton::Loaded() {
  vcl::TButton::Loaded();
  if (image_.List() != nullptr) ImageChanged();
}

void TQELCustomButton::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  vcl::TButton::Notification(component, operation);
  if (operation == vcl::opRemove) image_.ComponentRemoved(component);
  if (operation == vcl::opRemove) action_link_.Removed(component);
}

bool TQELCustomButton::IsActiveDefault() { return (Perform(vcl::WM_GETDLGCODE) & vcl::DLGC_DEFPUSHBUTTON) != 0; }

bool TQELCustomButton::Pushed() const {
  if (pushed_) return true;
  auto *b = qobject_cast<QPushButton *>(widget_);
  return b != nullptr && b->isDown();
}

void TQELCustomButton::SetPushed(bool down) {
  pushed_ = down;
  if (auto *b = qobject_cast<QPushButton *>(widget_)) b->setDown(down);
  Repaint();
}

void TQELCustomButton::PaintWidget(QPainter *painter, const QRect &) {
  canvas_->BeginPaint(painter);
  try {
    Paint();
  } catch (...) {
    canvas_->EndPaint();
    throw;
  }
  canvas_->EndPaint();
}

void TQELCustomButton::Paint() {
  draw_state_ = !Enabled() ? kButtonDisabled : (Pushed() ? kButtonDown : kButtonUp);
  TRect r{0, 0, Width(), Height()};
  static constexpr TQELButtonLook kLooks[] = {blAuto, blWin31, blWin95};
  TQELButtonState st;
  st.Down = draw_state_ == kButtonDown;
  st.Default = IsActiveDefault();
  const bool focused = Focused();
  DrawButtonFrame(canvas_.get(), r, kLooks[style_], st, Color());
  canvas_->Font()->Assign(Font());
  canvas_->Brush()->SetStyle(vcl::bsClear);
  const unsigned flags = dfAutoDisabled | (Enabled() ? dfEnabled : 0u);
  glyph_->Draw(canvas_.get(), use_caption_ ? Caption() : QString(), multi_line_, flags, 0, layout_.get(), draw_state_,
               r, font_fx_.get());
  if (focused) canvas_->DrawFocusRect(TRect{4, 4, Width() - 4, Height() - 4});
}

void TQELCustomButton::CMFontChanged(vcl::TMessage &m) {
  // A rotated caption needs an outline font; a raster one is swapped for
  // one that can turn.
  if (!fixing_font_ && font_fx_->Angle() != 0 && !IsTrueTypeFont(Font())) {
    fixing_font_ = true;
    Font()->SetName(QStringLiteral("Arial"));
    fixing_font_ = false;
  }
  vcl::TButton::CMFontChanged(m);
}

void TQELCustomButton::FontFXChanged() {
  SetParentFont(false);
  if (font_fx_->Angle() != 0 && !IsTrueTypeFont(Font())) {
    auto *fx = font_fx_.get();
    fx->OnChange = nullptr;
    fx->SetAngle(0);
    fx->OnChange = [this](rtl::TObject *) { FontFXChanged(); };
  }
  Invalidate();
}

void TQELCustomButton::SetVisible(bool visible) {
  if (!visible) {
    mouse_over_ = false;
    StopRepeat();
  }
  vcl::TButton::SetVisible(visible);
}

void TQELCustomButton::CMMouseEnter(vcl::TMessage &m) {
  if (draw_state_ == kButtonUp && OnMouseEnter) OnMouseEnter(this);
  mouse_over_ = true;
  DefaultHandler(m);
}

void TQELCustomButton::CMMouseLeave(vcl::TMessage &m) {
  if (OnMouseExit) OnMouseExit(this);
  mouse_over_ = false;
  if (hide_hint_) QToolTip::hideText();
  DefaultHandler(m);
}

void TQELCustomButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft && repeated_click_ && timer_ == 0) {
    const auto id = QELApplication()->RegisterTimer(repeating_delay_, [this](rtl::TObject *) {
      if (!mouse_over_) return;
      if (TQELTimerItem *item = QELApplication()->GetTimerItem(timer_)) item->SetInterval(repeating_interval_);
      Click();
    });
    if (id == 0) throw rtl::EOutOfResources(QString::fromLatin1(kNoTimers));
    timer_ = id;
    if (TQELTimerItem *item = QELApplication()->GetTimerItem(id)) item->SetEnabled(true);
  }
  vcl::TButton::MouseDown(button, shift, x, y);
}

void TQELCustomButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft) StopRepeat();
  vcl::TButton::MouseUp(button, shift, x, y);
}

void TQELCustomButton::StopRepeat() {
  if (timer_ == 0) return;
  const auto id = timer_;
  timer_ = 0;
  if (TQELApplication *app = CurrentQELApplication()) app->UnregisterTimer(id);
}

void TQELCustomButton::WndProc(vcl::TMessage &m) {
  // A double click is a second press (repeating starts again).
  if (m.Msg == vcl::WM_LBUTTONDBLCLK) m.Msg = vcl::WM_LBUTTONDOWN;
  vcl::TButton::WndProc(m);
}

// --- drop-down button --------------------------------------------------------------

TQELButton::~TQELButton() {
  if (menu_ != nullptr) menu_->RemoveFreeNotification(this);
}

void TQELButton::SetDropDownMenu(vcl::TPopupMenu *menu) {
  if (menu == menu_) return;
  if (menu_ != nullptr) menu_->RemoveFreeNotification(this);
  menu_ = menu;
  if (menu_ != nullptr) menu_->FreeNotification(this);
}

void TQELButton::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELCustomButton::Notification(component, operation);
  if (operation == vcl::opRemove && component == menu_) menu_ = nullptr;
}

void TQELButton::Click() {
  if (menu_ == nullptr) {
    TQELCustomButton::Click();
    return;
  }
  if (dropped_) return;
  // With a menu the click opens it: no modal result reaches the form.
  if (OnClick) OnClick(this);
  DropDown();
}

void TQELButton::DropDown() {
  const std::shared_ptr<bool> alive = AliveToken();
  if (!Focused() && CanFocus()) SetFocus();
  SetPushed(true);
  dropped_ = true;
  if (OnDropDown) OnDropDown(this);
  if (!*alive || menu_ == nullptr) {
    if (*alive) {
      dropped_ = false;
      SetPushed(false);
    }
    return;
  }
  const vcl::TPoint at =
      right_ ? ClientToScreen(vcl::TPoint{Width(), indent_}) : ClientToScreen(vcl::TPoint{indent_, Height()});
  try {
    menu_->Popup(at.X, at.Y);
  } catch (...) {
    if (*alive) {
      dropped_ = false;
      SetPushed(false);
    }
    throw;
  }
  if (!*alive) return;
  if (vcl::GetCaptureControl() != nullptr) vcl::SetCaptureControl(nullptr);
  dropped_ = false;
  SetPushed(false);
}

// --- button control ------------------------------------------------------------------

TQELButtonActionLink::TQELButtonActionLink(TQELButtonControl *client, vcl::TBasicAction *action)
    : client_(client), action_(action) {
  registration_ = action_->RegisterChanges([this] { Update(); });
  Update();
}

TQELButtonActionLink::~TQELButtonActionLink() {
  if (!gone_) action_->UnRegisterChanges(registration_);
}

void TQELButtonActionLink::Update() {
  if (gone_) return;
  if (auto *a = dynamic_cast<vcl::TCustomAction *>(action_); a != nullptr && client_->Checked() != a->Checked())
    client_->SetChecked(a->Checked());
}

void TQELButtonControl::SetAction(vcl::TBasicAction *action) {
  if (action == Action()) return;
  if (link_) link_->Action()->RemoveFreeNotification(this);
  link_.reset();
  if (action == nullptr) return;
  action->FreeNotification(this);
  link_ = std::make_unique<TQELButtonActionLink>(this, action);
}

void TQELButtonControl::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TQELCustomPanel::Notification(component, operation);
  if (operation == vcl::opRemove && link_ && component == link_->Action()) {
    // Told from the action's base destructor: its own parts are gone.
    link_->ActionGone();
    link_.reset();
  }
}

TQELButtonControl::TQELButtonControl(vcl::TComponent *owner)
    : TQELCustomPanel(owner),
      strip_(std::make_unique<vcl::TBitmap>()),
      font3d_(std::make_unique<TQEL3DCaption>()),
      layout_(std::make_unique<TQELGlyphTextLayout>()) {
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csAcceptsControls, vcl::csDoubleClicks} +
                  vcl::TControlStyle{vcl::csOpaque, vcl::csSetCaption});
  SetTabStop(true);
  SetBounds(Left(), Top(), 105, 17);
  layout_->SetSpacing(4);
  font3d_->OnChange = [this](rtl::TObject *) { LayoutChanged(); };
  layout_->OnChange = [this](rtl::TObject *) { LayoutChanged(); };
}

TQELButtonControl::~TQELButtonControl() {
  if (link_) link_->Action()->RemoveFreeNotification(this);
  link_.reset();
  font3d_->OnChange = nullptr;
  layout_->OnChange = nullptr;
}

void TQELButtonControl::SetFont3D(const TQEL3DCaption *v) { font3d_->Assign(v); }

void TQELButtonControl::SetAlignment(TQELAlignment v) { layout_->SetAlignment(v); }

void TQELButtonControl::SetGlyphTransparentColor(TColor v) {
  if (v == transparent_color_) return;
  transparent_color_ = v;
  Invalidate();
}

void TQELButtonControl::FocusSettingChanged() {
  if (Focused()) Invalidate();
}

void TQELButtonControl::SetFocusStyle(TQELGlyphTextFocusStyle v) {
  if (v == focus_style_) return;
  focus_style_ = v;
  FocusSettingChanged();
}

void TQELButtonControl::SetFocusColor(TColor v) {
  if (v == focus_color_) return;
  focus_color_ = v;
  FocusSettingChanged();
}

void TQELButtonControl::SetUseFocusColor(bool v) {
  if (v == use_focus_color_) return;
  use_focus_color_ = v;
  FocusSettingChanged();
}

void TQELButtonControl::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  swallow_click_ = false;
  // Only a window on the screen can take the focus; a click sent to a
  // hidden one (in code) is not held up by it.
  if (button == vcl::mbLeft && !IsDesigning() && !Focused() && CanFocus() && HandleAllocated() &&
      Handle()->isVisible()) {
    SetFocus();
    swallow_click_ = !Focused();
  }
  TQELCustomPanel::MouseDown(button, shift, x, y);
}

void TQELButtonControl::Click() {
  if (swallow_click_) {
    swallow_click_ = false;
    return;
  }
  TQELCustomPanel::Click();
}

// --- check box -----------------------------------------------------------------------

void BuildCheckStrip(vcl::TBitmap *strip, int size, bool flat) {
  strip->SetPixelFormat(vcl::pf24bit);
  strip->SetSize(6 * size, size);
  TCanvas *c = strip->Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(vcl::clBtnFace);
  c->FillRect(TRect{0, 0, 6 * size, size});
  for (int i = 0; i < 6; ++i) {
    const int x = i * size;
    const bool inactive = (i % 2) == 1;
    const int kind = i / 2;  // 0 unchecked, 1 checked, 2 indeterminate
    TRect box{x, 0, x + size, size};
    if (flat) {
      c->Brush()->SetColor(vcl::clBtnShadow);
      c->FrameRect(box);
    } else {
      // The classic sunken frame: shadow and dark shadow top-left, light
      // and highlight bottom-right.
      auto line = [c](int x1, int y1, int x2, int y2, TColor col) {
        c->Pen()->SetColor(col);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
      };
      line(x, size - 1, x, 0, vcl::clBtnShadow);
      line(x, 0, x + size - 1, 0, vcl::clBtnShadow);
      line(x + 1, size - 2, x + 1, 1, vcl::cl3DDkShadow);
      line(x + 1, 1, x + size - 2, 1, vcl::cl3DDkShadow);
      line(x + size - 1, 0, x + size - 1, size, vcl::clBtnHighlight);
      line(x, size - 1, x + size, size - 1, vcl::clBtnHighlight);
      line(x + size - 2, 1, x + size - 2, size - 1, vcl::cl3DLight);
      line(x + 1, size - 2, x + size - 1, size - 2, vcl::cl3DLight);
    }
    const int inset = flat ? 1 : 2;
    TRect inner{x + inset, inset, x + size - inset, size - inset};
    c->Brush()->SetColor(inactive || kind == 2 ? vcl::clBtnFace : vcl::clWindow);
    c->FillRect(inner);
    if (kind == 0) continue;
    // The tick: a seven-pixel V three pixels thick, centred in the box.
    const TColor tick = kind == 2 || inactive ? vcl::clBtnShadow : vcl::clWindowText;
    const int cx = x + size / 2 - 3, cy = size / 2 - 1;
    const int dy[7] = {0, 1, 2, 1, 0, -1, -2};
    for (int k = 0; k < 7; ++k)
      for (int t = 0; t < 3; ++t) {
        const int px = cx + k, py = cy + dy[k] + t;
        if (px > inner.Left && px < inner.Right && py >= inner.Top && py < inner.Bottom)
          c->SetPixel(px, py, vcl::ColorToRGB(tick));
      }
  }
}

TQELCustomCheckBox::TQELCustomCheckBox(vcl::TComponent *owner) : TQELButtonControl(owner) {
  SetParentColor(false);
  SetColor(vcl::clBtnFace);
  SetTabStop(true);
  RebuildStrip();
}

void TQELCustomCheckBox::RebuildStrip() {
  from_list_ = ImageExists();
  if (from_list_) {
    ImageList()->CopyImage(ListIndex(), ImageIndex(), strip_.get());
  } else {
    BuildCheckStrip(strip_.get(), glyph_size_, glyph_flat_);
    if (Flat()) {
      // A flat box shows the second half of the strip until the mouse or
      // the focus comes: the generated strip carries that half too.
      vcl::TBitmap flat_half;
      BuildCheckStrip(&flat_half, glyph_size_, true);
      vcl::TBitmap both;
      both.SetPixelFormat(vcl::pf24bit);
      both.SetSize(12 * glyph_size_, glyph_size_);
      both.Canvas()->Draw(0, 0, strip_.get());
      both.Canvas()->Draw(6 * glyph_size_, 0, &flat_half);
      strip_->Assign(&both);
    }
  }
  UpdateImageWidth();
  AdjustSize();
  Invalidate();
}

void TQELCustomCheckBox::UpdateImageWidth() {
  if (!from_list_) {
    image_width_ = glyph_size_;
    return;
  }
  const int per_look = glyph_number_ * 2;
  image_width_ = strip_->Width() / per_look;
  if (Flat()) image_width_ /= 2;
}

void TQELCustomCheckBox::ImageListChanged(rtl::TObject *) { RebuildStrip(); }

void TQELCustomCheckBox::FlatChanged() { RebuildStrip(); }

void TQELCustomCheckBox::LayoutChanged() {
  AdjustSize();
  Invalidate();
}

void TQELCustomCheckBox::SetAutoSize(bool v) {
  if (v == auto_size_) return;
  auto_size_ = v;
  AdjustSize();
}

void TQELCustomCheckBox::SetGlyphTransparent(bool v) {
  if (v == glyph_transparent_) return;
  glyph_transparent_ = v;
  Invalidate();
}

void TQELCustomCheckBox::SetGlyphFlat(bool v) {
  if (v == glyph_flat_) return;
  glyph_flat_ = v;
  if (!from_list_) RebuildStrip();
}

void TQELCustomCheckBox::SetGlyphNumber(int v) {
  v = std::clamp(v, 1, 3);
  if (v == glyph_number_) return;
  glyph_number_ = v;
  UpdateImageWidth();
  Invalidate();
}

void TQELCustomCheckBox::SetGlyphSize(int v) {
  if (v < 1 || v == glyph_size_) return;
  glyph_size_ = v;
  if (!from_list_) RebuildStrip();
}

void TQELCustomCheckBox::SetUseBitmap(bool v) {
  if (v == use_bitmap_) return;
  use_bitmap_ = v;
  Invalidate();
}

void TQELCustomCheckBox::SetState(TCheckBoxState v) {
  if (v == state_) return;
  state_ = v;
  Invalidate();
}

void TQELCustomCheckBox::SetChecked(bool v) {
  const TCheckBoxState s = v ? cbChecked : cbUnchecked;
  if (s != state_) SetState(s);
}

void TQELCustomCheckBox::Toggle() {
  const TCheckBoxState old = state_;
  switch (state_) {
    case cbUnchecked:
      SetState(allow_grayed_ ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
  if (state_ != old && OnChange) OnChange(this);
}

void TQELCustomCheckBox::Click() {
  if (swallow_click_) {
    swallow_click_ = false;
    return;
  }
  if (!read_only_) Toggle();
  Changed();
  TQELButtonControl::Click();
}

void TQELCustomCheckBox::KeyDown(int &key, vcl::TShiftState shift) {
  if (key == vcl::VK_SPACE && !read_only_ && Focused()) Toggle();
  TQELButtonControl::KeyDown(key, shift);
}

void TQELCustomCheckBox::CMDialogChar(vcl::TMessage &m) {
  if (vcl::IsAccel(QChar(static_cast<char16_t>(m.CharCode())), Caption()) && CanFocus()) {
    SetFocus();
    if (Focused() && !read_only_) Toggle();
    m.Result = 1;
    return;
  }
  TQELButtonControl::CMDialogChar(m);
}

void TQELCustomCheckBox::WndProc(vcl::TMessage &m) {
  TQELButtonControl::WndProc(m);
  if (m.Msg == vcl::CM_TEXTCHANGED || m.Msg == vcl::CM_FONTCHANGED) AdjustSize();
}

void TQELCustomCheckBox::Loaded() {
  TQELButtonControl::Loaded();
  RebuildStrip();
}

int TQELCustomCheckBox::ImageIndexNow() {
  const int s = std::min(static_cast<int>(state_), glyph_number_ - 1);
  int index = 2 * s + (Enabled() ? 0 : 1);
  // The flat half follows the whole normal half of the strip.
  if (Flat() && !MouseAbove() && !Focused()) index += from_list_ ? glyph_number_ * 2 : 6;
  return index;
}

TRect TQELCustomCheckBox::PaintContent(TCanvas *canvas, bool measure) {
  canvas->Brush()->SetColor(Color());
  canvas->Font()->Assign(Font());
  strip_->SetTransparentMode(vcl::tmFixed);
  // Without transparency the key is a colour no generated box uses, so the
  // box is drawn whole.
  strip_->SetTransparentColor(glyph_transparent_ ? transparent_color_ : kOpaqueKey);
  const int index = ImageIndexNow();
  const TRect cell{index * image_width_, 0, (index + 1) * image_width_, strip_->Height()};
  unsigned flags = dfAutoDisabled | (Enabled() ? dfEnabled : 0u);
  if (measure) {
    flags = dfMeasureOnly | dfAutoDisabled;
  } else {
    switch (focus_style_) {
      case fcText:
        flags |= dfFocusText;
        break;
      case fcGlyph:
        flags |= dfFocusGlyph;
        break;
      case fcGlyphText:
        flags |= dfFocusBoth;
        break;
      default:
        break;
    }
  }
  const TRect area{1, 0, Width(), Height()};
  const TQELGlyphTextResult r =
      DrawGlyphText(canvas, Caption(), font3d_.get(), flags, 0, layout_.get(), strip_.get(), nullptr, area, &cell);
  return measure ? r.UnionRect : r.FocusRect;
}

void TQELCustomCheckBox::Paint() {
  TCanvas *target = Canvas();
  TRect focus;
  if (use_bitmap_) {
    vcl::TBitmap off;
    off.SetPixelFormat(vcl::pf24bit);
    off.SetSize(std::max(1, Width()), std::max(1, Height()));
    const TRect all{0, 0, Width(), Height()};
    if (!(UsesBackground() && DrawBackground(off.Canvas(), all, vcl::TPoint{0, 0}))) {
      off.Canvas()->Brush()->SetColor(Color());
      off.Canvas()->FillRect(all);
    }
    focus = PaintContent(off.Canvas(), false);
    target->Draw(0, 0, &off);
  } else {
    EraseBackground(target);
    focus = PaintContent(target, false);
  }
  if (Focused() && focus_style_ != fcNone) {
    const TRect f = focus_style_ == fcControl ? TRect{0, 0, Width(), Height()} : focus;
    if (use_focus_color_) {
      QPainter *p = target->Painter();
      p->save();
      QPen pen(vcl::ColorToQColor(focus_color_));
      pen.setStyle(Qt::DotLine);
      p->setPen(pen);
      p->setBrush(Qt::NoBrush);
      p->drawRect(QRect(f.Left, f.Top, f.Width() - 1, f.Height() - 1));
      p->restore();
    } else {
      target->DrawFocusRect(f);
    }
  }
}

void TQELCustomCheckBox::AdjustSize() {
  if (!auto_size_ || IsLoading()) return;
  auto keep = layout_->OnChange;
  layout_->OnChange = nullptr;
  const TQELAlignment old = layout_->Alignment();
  layout_->SetAlignment(agTopLeft);
  vcl::TBitmap scratch;
  scratch.SetSize(1, 1);
  const TRect r = PaintContent(scratch.Canvas(), true);
  layout_->SetAlignment(old);
  layout_->OnChange = keep;
  SetBounds(Left(), Top(), r.Right + 1, r.Bottom);
}

// --- published properties ----------------------------------------------------------

ORBISCA_PUBLISHED(TQELCustomButton, TButton) {
  using B = TQELCustomButton;
  p.Property("ButtonLayout", &B::ButtonLayout, &B::SetButtonLayout);
  p.Property("FontFX", &B::FontFX, &B::SetFontFX);
  p.Property("Glyph", &B::Glyph, &B::SetGlyph);
  p.Property("HideHint", &B::HideHint, &B::SetHideHint).Default(true);
  p.Property("UseCaption", &B::UseCaption, &B::SetUseCaption).Default(true);
  p.Property("ImageList", &B::ImageList, &B::SetImageList);
  p.Property("ListIndex", &B::ListIndex, &B::SetListIndex).Default(0);
  p.Property("ImageIndex", &B::ImageIndex, &B::SetImageIndex).Default(0);
  p.Property("MultiLine", &B::MultiLine, &B::SetMultiLine).Default(false);
  p.Property("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs).Default(1);
  p.Property("RepeatedClick", &B::RepeatedClick, &B::SetRepeatedClick).Default(false);
  p.Property("RepeatingInterval", &B::RepeatingInterval, &B::SetRepeatingInterval).Default(100);
  p.Property("RepeatingDelay", &B::RepeatingDelay, &B::SetRepeatingDelay).Default(500);
  p.Property("Style", &B::Style, &B::SetStyle).Default(nbsAutoDetect);
  p.Property("About", &B::About, &B::SetAbout).Stored(false);
  p.Property("Action", &B::Action, &B::SetAction);
  p.Event("OnMouseExit", &B::OnMouseExit);
}

ORBISCA_PUBLISHED(TQELButton, TQELCustomButton) {
  p.Property("DropDownMenu", &TQELButton::DropDownMenu, &TQELButton::SetDropDownMenu);
  p.Property("DropDownIndent", &TQELButton::DropDownIndent, &TQELButton::SetDropDownIndent).Default(0);
  p.Property("DropDownRight", &TQELButton::DropDownRight, &TQELButton::SetDropDownRight).Default(false);
  p.Event("OnDropDown", &TQELButton::OnDropDown);
}

// The panel bases publish nothing of their own: the table hangs on the
// control library's self-painted control.
ORBISCA_PUBLISHED(TQELCustomCheckBox, TCustomControl) {
  using C = TQELCustomCheckBox;
  p.Property("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed).Default(false);
  p.Property("Alignment", &C::Alignment, &C::SetAlignment).Default(agTopLeft);
  p.Property("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(false);
  p.Property("FocusColor", &C::FocusColor, &C::SetFocusColor).Default(vcl::clGray);
  p.Property("FocusStyle", &C::FocusStyle, &C::SetFocusStyle).Default(fcText);
  p.Property("Font3D", &C::Font3D, &C::SetFont3D);
  p.Property("GlyphTransparent", &C::GlyphTransparent, &C::SetGlyphTransparent).Default(false);
  p.Property("GlyphTransparentColor", &C::GlyphTransparentColor, &C::SetGlyphTransparentColor).Default(vcl::clOlive);
  p.Property("GlyphFlat", &C::GlyphFlat, &C::SetGlyphFlat).Default(false);
  p.Property("GlyphNumber", &C::GlyphNumber, &C::SetGlyphNumber).Default(3);
  p.Property("GlyphSize", &C::GlyphSize, &C::SetGlyphSize).Default(13);
  p.Property("ImageList", &C::ImageList, &C::SetImageList);
  p.Property("ListIndex", &C::ListIndex, &C::SetListIndex).Default(0);
  p.Property("ImageIndex", &C::ImageIndex, &C::SetImageIndex).Default(0);
  p.Property("Flat", &C::Flat, &C::SetFlat).Default(false);
  p.Property("ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
  p.Property("Transparent", &C::Transparent, &C::SetTransparent).Default(false);
  p.Property("UseBitmap", &C::UseBitmap, &C::SetUseBitmap).Default(false);
  p.Property("UseFocusColor", &C::UseFocusColor, &C::SetUseFocusColor).Default(false);
  p.Event("OnChange", &C::OnChange);
  p.Event("OnMouseExit", &C::OnMouseExit);
}

ORBISCA_PUBLISHED(TQELCheckBox, TQELCustomCheckBox) {
  p.Property("State", &TQELCheckBox::State, &TQELCheckBox::SetState).Default(cbUnchecked);
  // The state carries it.
  p.Property("Checked", &TQELCheckBox::Checked, &TQELCheckBox::SetChecked).Stored(false);
}

}  // namespace qel
