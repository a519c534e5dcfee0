// The glyph speed button, its glyph and the shared glyph lists; see
// mwctrls.h.
#include "controls/extended/mwctrls.h"

#include "controls/extended/timers.h"

#include <QCursor>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "controls/extended/utils.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace ext {

using namespace vcl;

// --- glyph lists and their cache ----------------------------------------------------------

TGlyphList::TGlyphList(int width, int height) : TImageList(width, height) {}

int TGlyphList::AllocSlot() {
  for (int i = 0; i < int(used_.size()); ++i) {
    if (!used_[i]) {
      used_[i] = true;
      ++use_count_;
      return i;
    }
  }
  used_.push_back(true);
  ++use_count_;
  return int(used_.size()) - 1;
}

int TGlyphList::AddMasked(const TBitmap *image, TColor mask_color) {
  const int slot = AllocSlot();
  if (slot < Count()) {
    TBitmap mask(image->Width(), image->Height());
    QImage m = image->MaskImage(mask_color);
    mask.SetImage(m.convertToFormat(QImage::Format_RGB32));
    Replace(slot, image, &mask);
  } else {
    TImageList::AddMasked(image, mask_color);
  }
  return slot;
}

int TGlyphList::AddImageSlot(const QImage &argb) {
  const int slot = AllocSlot();
  if (slot < Count()) {
    // Replace through a bitmap and a mask made from the alpha channel.
    TBitmap img(argb.width(), argb.height());
    TBitmap mask(argb.width(), argb.height());
    QImage i = argb.convertToFormat(QImage::Format_RGB32);
    QImage m(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y)
      for (int x = 0; x < argb.width(); ++x) m.setPixel(x, y, qAlpha(argb.pixel(x, y)) == 0 ? 0xFFFFFFFF : 0xFF000000);
    img.SetImage(i);
    mask.SetImage(m);
    Replace(slot, &img, &mask);
  } else {
    AddImage(argb);
  }
  return slot;
}

void TGlyphList::Delete(int index) {
  if (index >= 0 && index < int(used_.size()) && used_[index]) {
    used_[index] = false;
    --use_count_;
  }
}

bool TGlyphList::SlotUsed(int index) const { return index >= 0 && index < int(used_.size()) && used_[index]; }

namespace {
TGlyphCache *g_cache = nullptr;
int g_glyph_count = 0;
}  // namespace

TGlyphCache *GlyphCache() { return g_cache; }

TGlyphList *TGlyphCache::GetList(int width, int height) {
  for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
    if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
  lists_.push_back(std::make_unique<TGlyphList>(width, height));
  return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList *list) {
  if (list == nullptr || list->UseCount() != 0) return;
  lists_.erase(std::remove_if(lists_.begin(), lists_.end(),
                              [list](const std::unique_ptr<TGlyphList> &l) { return l.get() == list; }),
               lists_.end());
}

// --- images --------------------------------------------------------------------------------------

QImage GrayedImage(const QImage &image, TColor transparent, TColor face) {
  QImage out = image.convertToFormat(QImage::Format_RGB32);
  const QRgb t = ColorToQColor(ColorToRGB(transparent)).rgb() & 0xFFFFFF;
  const QRgb f = ColorToQColor(ColorToRGB(face)).rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb p = line[x] & 0xFFFFFF;
      if (p == t || p == f) continue;
      const int g = (qRed(p) * 77 + qGreen(p) * 150 + qBlue(p) * 29) / 256;
      line[x] = qRgb(g, g, g);
    }
  }
  return out;
}

// --- TMwButtonGlyph ------------------------------------------------------------------------------

TMwButtonGlyph::TMwButtonGlyph() : original_(std::make_unique<TBitmap>()) {
  if (g_cache == nullptr) g_cache = new TGlyphCache;
  ++g_glyph_count;
  original_->OnChange = [this](TGraphic *) { GlyphChanged(); };
}

TMwButtonGlyph::~TMwButtonGlyph() {
  Invalidate();
  if (--g_glyph_count == 0 && g_cache != nullptr && g_cache->Empty()) {
    delete g_cache;
    g_cache = nullptr;
  }
}

void TMwButtonGlyph::Invalidate() {
  for (int &i : indexes_) {
    if (i != -1 && glyph_list_ != nullptr) glyph_list_->Delete(i);
    i = -1;
  }
  if (glyph_list_ != nullptr && g_cache != nullptr) g_cache->ReturnList(glyph_list_);
  glyph_list_ = nullptr;
}

void TMwButtonGlyph::SetGlyph(const TBitmap *bitmap) {
  Invalidate();
  if (bitmap == nullptr || bitmap->Empty()) {
    original_ = std::make_unique<TBitmap>();
    original_->OnChange = [this](TGraphic *) { GlyphChanged(); };
    if (OnChange) OnChange();
    return;
  }
  original_->OnChange = nullptr;
  original_->Assign(bitmap);
  original_->OnChange = [this](TGraphic *) { GlyphChanged(); };
  GlyphChanged();
}

void TMwButtonGlyph::GlyphChanged() {
  Invalidate();
  const int w = original_->Width(), h = original_->Height();
  if (!original_->Empty()) {
    transparent_color_ = original_->TransparentColor() & ~0x02000000;
    if (h > 0 && w % h == 0) {
      const int n = w / h;
      num_glyphs_ = n < 6 ? n : 1;
    }
  }
  if (OnChange) OnChange();
}

void TMwButtonGlyph::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 5);
  if (value == num_glyphs_) return;
  Invalidate();
  num_glyphs_ = value;
  if (OnChange) OnChange();
}

void TMwButtonGlyph::SetTransparentColor(TColor color) {
  if (color == transparent_color_) return;
  Invalidate();
  transparent_color_ = color;
  if (OnChange) OnChange();
}

int TMwButtonGlyph::CreateButtonGlyph(TMwButtonState state) {
  if (indexes_[state] != -1) return indexes_[state];
  if (original_->Empty() || original_->Width() == 0 || original_->Height() == 0) return -1;
  const int iw = original_->Width() / num_glyphs_;
  const int ih = original_->Height();
  if (iw <= 0) return -1;
  if (glyph_list_ == nullptr) {
    if (g_cache == nullptr) g_cache = new TGlyphCache;
    glyph_list_ = g_cache->GetList(iw, ih);
  }
  auto cell = [&](int n) {
    auto b = std::make_unique<TBitmap>(iw, ih);
    b->SetImage(original_->Image().copy(n * iw, 0, iw, ih).convertToFormat(QImage::Format_RGB32));
    return b;
  };
  int index = -1;
  switch (state) {
    case bsUp:
    case bsDown:
    case bsExclusive: {
      int n = 0;
      if (state == bsDown && num_glyphs_ >= 3) n = 2;
      if (state == bsExclusive && num_glyphs_ >= 4) n = 3;
      auto b = cell(n);
      index = glyph_list_->AddMasked(b.get(), transparent_color_);
      break;
    }
    case bsDisabled:
      if (num_glyphs_ >= 2) {
        auto b = cell(1);
        index = glyph_list_->AddMasked(b.get(), transparent_color_);
      } else {
        auto b = cell(0);
        b->SetTransparentColor(transparent_color_);
        std::unique_ptr<TBitmap> emb(MakeEmbossedBitmap(b.get(), clBtnFace, clBtnHighlight, clBtnShadow, true));
        index = glyph_list_->AddMasked(emb.get(), ColorToRGB(clBtnFace));
      }
      break;
    case bsInactive:
      if (num_glyphs_ == 5) {
        auto b = cell(4);
        index = glyph_list_->AddMasked(b.get(), transparent_color_);
      } else {
        auto b = cell(0);
        TBitmap g(iw, ih);
        g.SetImage(GrayedImage(b->Image(), transparent_color_, clBtnFace));
        index = glyph_list_->AddMasked(&g, transparent_color_);
      }
      break;
  }
  indexes_[state] = index;
  return index;
}

QImage TMwButtonGlyph::StateImage(TMwButtonState state) {
  const int i = CreateButtonGlyph(state);
  if (i < 0) return QImage();
  return glyph_list_->Image(i);
}

void TMwButtonGlyph::DrawListImage(TCanvas *canvas, const TImageList *images, int index, int x, int y,
                                   TMwButtonState state) {
  if (images == nullptr || index < 0 || index >= images->Count()) return;
  if (state == bsDisabled) {
    DrawImageDisabled(canvas, x, y, images, index, true);
    return;
  }
  if (state == bsInactive) {
    // The grey conversion keeps the alpha of the list's image.
    const QImage source = images->Image(index).convertToFormat(QImage::Format_ARGB32);
    QImage grey = GrayedImage(source, clFuchsia, clBtnFace).convertToFormat(QImage::Format_ARGB32);
    for (int py = 0; py < grey.height(); ++py)
      for (int px = 0; px < grey.width(); ++px) {
        const QRgb g = grey.pixel(px, py);
        grey.setPixel(px, py, qRgba(qRed(g), qGreen(g), qBlue(g), qAlpha(source.pixel(px, py))));
      }
    TImageList one(grey.width(), grey.height());
    one.AddImage(grey);
    one.Draw(canvas, x, y, 0);
    return;
  }
  images->Draw(canvas, x, y, index);
}

void TMwButtonGlyph::CalcButtonLayout(TCanvas *canvas, const TRect &client, const TPoint &offset,
                                      const QString &caption, TButtonLayout layout, int margin, int spacing,
                                      TPoint &glyph_pos, TRect &text_bounds, bool drop_down_mark,
                                      const TSize &glyph_size, QString &shown) {
  const TPoint client_size{client.Width(), client.Height()};
  const bool has_glyph = glyph_size.cx > 0 && glyph_size.cy > 0;
  // 1. room for the caption
  int room_w, room_h;
  if (layout == blGlyphTop || layout == blGlyphBottom) {
    room_w = client_size.X;
    room_h = client_size.Y - glyph_size.cy - std::max(margin, 0) - std::max(spacing, 0);
  } else {
    room_w = client_size.X - glyph_size.cx - std::max(margin, 0) - std::max(spacing, 0) - (drop_down_mark ? 9 : 0);
    room_h = client_size.Y;
  }
  room_w = std::max(room_w, 0);
  room_h = std::max(room_h, 0);
  // 2. the caption
  TPoint text_size{0, 0};
  shown = caption;
  if (!caption.isEmpty()) {
    if (!word_wrap_) {
      QStringList lines = caption.split('\n');
      for (QString &l : lines) l = ext::EllipsizeText(canvas, l, room_w);
      shown = lines.join('\n');
    }
    TRect r = Rect(0, 0, room_w, room_h);
    DrawText(canvas, shown, r, DT_CALCRECT | DT_CENTER | DT_VCENTER | (word_wrap_ ? DT_WORDBREAK : 0));
    text_size = {std::min(r.Width(), room_w), std::min(r.Height(), room_h)};
  }
  // 3. the drop-down mark
  TSize gsize = glyph_size;
  if (drop_down_mark) {
    if (!has_glyph || layout == blGlyphLeft)
      text_size.X += 9;
    else
      gsize.cx += 6;
  }
  // 4. centre across the axis
  if (layout == blGlyphLeft || layout == blGlyphRight) {
    glyph_pos.Y = (client_size.Y - gsize.cy + 1) / 2;
    text_bounds.Top = (client_size.Y - text_size.Y + 1) / 2;
  } else {
    glyph_pos.X = (client_size.X - gsize.cx + 1) / 2;
    text_bounds.Left = (client_size.X - text_size.X + 1) / 2;
  }
  if (text_size.X == 0 || !has_glyph) spacing = 0;
  const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  const int total = horizontal ? client_size.X : client_size.Y;
  const int gs = horizontal ? gsize.cx : gsize.cy;
  const int ts = horizontal ? text_size.X : text_size.Y;
  if (margin == -1) {
    if (spacing == -1) {
      const int free = total - (gs + ts);
      margin = free / 3;
      spacing = margin;
    } else {
      const int free = total - (gs + spacing + ts);
      margin = free / 2;
    }
  } else if (spacing == -1) {
    const int free = total - (margin + gs);
    spacing = (free - ts) / 2;
  }
  switch (layout) {
    case blGlyphLeft:
      glyph_pos.X = margin;
      text_bounds.Left = glyph_pos.X + gsize.cx + spacing;
      break;
    case blGlyphRight:
      glyph_pos.X = client_size.X - margin - gsize.cx;
      text_bounds.Left = glyph_pos.X - spacing - text_size.X;
      break;
    case blGlyphTop:
      glyph_pos.Y = margin;
      text_bounds.Top = glyph_pos.Y + gsize.cy + spacing;
      break;
    case blGlyphBottom:
      glyph_pos.Y = client_size.Y - margin - gsize.cy;
      text_bounds.Top = glyph_pos.Y - spacing - text_size.Y;
      break;
  }
  glyph_pos.X += client.Left + offset.X;
  glyph_pos.Y += client.Top + offset.Y;
  text_bounds.Left += client.Left + offset.X;
  text_bounds.Top += client.Top + offset.Y;
  text_bounds.Right = text_bounds.Left + text_size.X;
  text_bounds.Bottom = text_bounds.Top + text_size.Y;
}

TRect TMwButtonGlyph::Draw(TCanvas *canvas, const TRect &client, const TPoint &offset, const QString &caption,
                           TButtonLayout layout, int margin, int spacing, TMwButtonState state, bool drop_down_mark,
                           bool grayed_inactive) {
  TSize gsize{0, 0};
  if (!original_->Empty()) gsize = {original_->Width() / num_glyphs_, original_->Height()};
  TPoint gpos{0, 0};
  TRect tb{0, 0, 0, 0};
  QString shown;
  CalcButtonLayout(canvas, client, offset, caption, layout, margin, spacing, gpos, tb, drop_down_mark, gsize, shown);
  TMwButtonState gstate = state;
  if (grayed_inactive && state != bsDisabled && state == bsInactive) gstate = bsInactive;
  const int index = CreateButtonGlyph(gstate);
  if (index >= 0) glyph_list_->Draw(canvas, gpos.X, gpos.Y, index);
  if (!shown.isEmpty()) {
    unsigned flags = DT_VCENTER | (word_wrap_ ? DT_WORDBREAK : 0);
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    canvas->Brush()->SetStyle(bsClear);
    TRect r = tb;
    if (state == bsDisabled) {
      OffsetRect(r, 1, 1);
      canvas->Font()->SetColor(clBtnHighlight);
      DrawText(canvas, shown, r, flags);
      OffsetRect(r, -1, -1);
      canvas->Font()->SetColor(clBtnShadow);
    }
    DrawText(canvas, shown, r, flags);
  }
  if (drop_down_mark) {
    int x, y;
    if (index >= 0 && layout != blGlyphLeft) {
      x = gpos.X + gsize.cx + 1;
      y = gpos.Y + gsize.cy / 2;
    } else if (!shown.isEmpty()) {
      x = tb.Right + 3 - 9;
      y = (tb.Top + tb.Bottom) / 2;
    } else {
      x = client.Left + (client.Width() - 7) / 2;
      y = (tb.Top + tb.Bottom) / 2;
    }
    auto mark = [&](int dx, int dy, TColor color) {
      canvas->Pen()->SetColor(color);
      for (int row = 0; row < 4; ++row) {
        canvas->MoveTo(x + dx + row, y + dy + row);
        canvas->LineTo(x + dx + 7 - row, y + dy + row);
      }
    };
    if (state == bsDisabled) {
      mark(1, 1, clBtnHighlight);
      mark(0, 0, clBtnShadow);
    } else {
      mark(0, 0, clBtnText);
    }
  }
  return tb;
}

// --- TMwSpeedButton ------------------------------------------------------------------------------

TMwSpeedButton::TMwSpeedButton(TComponent *owner) : TGraphicControl(owner), glyph_(std::make_unique<TMwButtonGlyph>()) {
  SetBounds(0, 0, 25, 25);
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csReplicatable});
  SetParentShowHint(false);
  SetShowHint(true);
  glyph_->OnChange = [this] { Invalidate(); };
}

TMwSpeedButton::~TMwSpeedButton() {
  repeat_timer_.reset();
  if (drop_down_menu_ != nullptr) drop_down_menu_->RemoveFreeNotification(this);
}

void TMwSpeedButton::SetAction(TBasicAction *action) {
  if (!action_link_.Set(action, [this] { ActionChange(action_link_.Action(), false); }) || action == nullptr) return;
  ActionChange(action, action->ComponentState().Contains(csLoading));
}

void TMwSpeedButton::ActionChange(TBasicAction *sender, bool check_defaults) {
  auto *action = dynamic_cast<TCustomAction *>(sender);
  if (action == nullptr) return;
  if (!check_defaults || Caption().isEmpty()) SetCaption(action->Caption());
  if (!check_defaults || Enabled()) SetEnabled(action->Enabled());
  if (!check_defaults || Hint().isEmpty()) SetHint(action->Hint());
  if (!check_defaults || Visible()) SetVisible(action->Visible());
  if (group_index_ != 0 && (!check_defaults || !down_)) SetDown(action->Checked());
  if (Glyph()->Empty()) {
    TBitmap image;
    if (ActionImage(action, image)) SetGlyph(&image);
  }
}

void TMwSpeedButton::SetAlignment(TAlignment value) {
  if (value == glyph_->Alignment()) return;
  glyph_->SetAlignment(value);
  Invalidate();
}

void TMwSpeedButton::SetAllowAllUp(bool value) {
  if (value == allow_all_up_) return;
  allow_all_up_ = value;
  UpdateExclusive();
}

void TMwSpeedButton::SetAllowTimer(bool value) {
  allow_timer_ = value;
  if (!value) repeat_timer_.reset();
}

void TMwSpeedButton::SetGroupIndex(int value) {
  if (value == group_index_) return;
  group_index_ = value;
  UpdateExclusive();
}

void TMwSpeedButton::SetDown(bool value) {
  if (group_index_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !allow_all_up_) return;
  down_ = value;
  if (value) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
  } else {
    state_ = bsUp;
    Repaint();
  }
  if (value) UpdateExclusive();
  Invalidate();
}

void TMwSpeedButton::SetDropDownMenu(TComponent *menu) {
  if (menu == drop_down_menu_) return;
  if (drop_down_menu_ != nullptr) drop_down_menu_->RemoveFreeNotification(this);
  drop_down_menu_ = menu;
  if (menu != nullptr) menu->FreeNotification(this);
  if (mark_drop_down_) Invalidate();
}

void TMwSpeedButton::Notification(TComponent *component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == drop_down_menu_) {
    drop_down_menu_ = nullptr;
    Invalidate();
  }
  // The action is being freed: its change list is gone already.
  if (operation == opRemove) action_link_.Removed(component);
}

void TMwSpeedButton::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  Invalidate();
}

void TMwSpeedButton::SetGlyph(const TBitmap *bitmap) {
  glyph_->SetGlyph(bitmap);
  Invalidate();
}

void TMwSpeedButton::SetGrayedInactive(bool value) {
  if (value == grayed_inactive_) return;
  grayed_inactive_ = value;
  Invalidate();
}

void TMwSpeedButton::SetLayout(TButtonLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Invalidate();
}

void TMwSpeedButton::SetMargin(int value) {
  if (value == margin_ || value < -1) return;
  margin_ = value;
  Invalidate();
}

void TMwSpeedButton::SetMarkDropDown(bool value) {
  if (value == mark_drop_down_) return;
  mark_drop_down_ = value;
  Invalidate();
}

void TMwSpeedButton::SetNumGlyphs(int value) {
  glyph_->SetNumGlyphs(value);
  Invalidate();
}

void TMwSpeedButton::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Invalidate();
}

void TMwSpeedButton::SetStyle(TButtonStyle value) {
  if (value == style_) return;
  style_ = value;
  Invalidate();
}

void TMwSpeedButton::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Invalidate();
}

void TMwSpeedButton::SetWordWrap(bool value) {
  if (value == glyph_->WordWrap()) return;
  glyph_->SetWordWrap(value);
  Invalidate();
}

void TMwSpeedButton::UpdateExclusive() {
  if (group_index_ == 0 || Parent() == nullptr) return;
  TMessage m;
  m.Msg = CM_MWBUTTONPRESSED;
  m.WParam = WPARAM(group_index_);
  m.LParam = LPARAM(reinterpret_cast<std::intptr_t>(this));
  for (int i = 0; i < Parent()->ControlCount(); ++i) Parent()->Controls(i)->Perform(m);
}

void TMwSpeedButton::ButtonPressed(int group, TMwSpeedButton *sender, bool allow_all_up) {
  if (sender == this || group != group_index_) return;
  if (sender->Down() && down_) {
    down_ = false;
    state_ = bsUp;
    Invalidate();
  }
  allow_all_up_ = allow_all_up;
}

void TMwSpeedButton::Dispatch(TMessage &m) {
  if (m.Msg == CM_MWBUTTONPRESSED) {
    auto *sender = reinterpret_cast<TMwSpeedButton *>(m.LParam);
    ButtonPressed(int(m.WParam), sender, sender->AllowAllUp());
    return;
  }
  if (m.Msg == CM_DIALOGCHAR) {
    if (IsAccel(QChar(char16_t(m.CharCode())), Caption()) && Enabled() && Visible()) {
      Click();
      m.Result = 1;
      return;
    }
  }
  TGraphicControl::Dispatch(m);
}

void TMwSpeedButton::Click() {
  if (TCustomForm *form = GetParentForm(); form != nullptr && modal_result_ != 0) form->SetModalResult(modal_result_);
  if (!OnClick && action_link_.Action() != nullptr) {
    action_link_.Action()->Execute();
    return;
  }
  TGraphicControl::Click();
}

void TMwSpeedButton::PressAndClick() {
  if (!Enabled() || menu_tracking_) return;
  if (AutoDropDownMenu() != nullptr) return;
  const auto click_once = [this] {
    if (group_index_ == 0) {
      state_ = bsUp;
      Click();
      Repaint();
    } else {
      SetDown(!down_);
      Click();
    }
  };
  if (!down_) {
    state_ = bsDown;
    Repaint();
  }
  try {
    Update();
    Sleep(kPressAndClickPause);  // the pressed look shows for a moment
    click_once();
  } catch (...) {
    state_ = down_ ? bsExclusive : bsUp;
    Repaint();
    throw;
  }
}

void TMwSpeedButton::TimerExpired() {
  if (!repeat_timer_) return;
  repeat_timer_->SetInterval(repeat_interval_);
  if (state_ == bsDown && dragging_) {
    try {
      Click();
    } catch (...) {
      if (repeat_timer_) repeat_timer_->Stop();
      throw;
    }
  }
}

TPopupMenu *TMwSpeedButton::AutoDropDownMenu() const {
  auto *menu = dynamic_cast<TPopupMenu *>(drop_down_menu_);
  return menu != nullptr && menu->AutoPopup() ? menu : nullptr;
}

void TMwSpeedButton::ShowDropDownMenu(TPopupMenu *menu) {
  // The form must not keep the mouse while the menu tracks it.
  if (GetCaptureControl() != nullptr) SetCaptureControl(nullptr);
  menu->SetPopupComponent(this);
  const TPopupAlignment align = menu->Alignment();
  TPoint p;
  if (menu_position_ == dmpBottom) {
    p.Y = Height();
    p.X = align == paLeft ? -1 : align == paRight ? Width() + 1 : Width() / 2;
  } else if (align == paCenter) {
    p = {Width() / 2, Height()};
  } else {
    p = {align == paLeft ? Width() : -1, -1};
  }
  p = ClientToScreen(p);
  menu_tracking_ = true;
  try {
    menu->Popup(p.X, p.Y);
  } catch (...) {
    menu_tracking_ = false;
    throw;
  }
  menu_tracking_ = false;
  drop_menu_press_ = true;
  QTimer::singleShot(0, [this, alive = AliveToken()] {
    if (*alive) drop_menu_press_ = false;
  });
}

void TMwSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  // The press that closed the menu over the button is already spent.
  if (drop_menu_press_ && button == mbLeft && Inside(x, y)) return;
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button == mbRight) UpdateTracking();
  if (button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
  if (TPopupMenu *menu = AutoDropDownMenu()) {
    ShowDropDownMenu(menu);
    // The release happened while the menu tracked the mouse.
    DoMouseUp(-1, -1);
    return;
  }
  if (allow_timer_) {
    if (!repeat_timer_) {
      repeat_timer_ = std::make_unique<TExtTimer>();
      repeat_timer_->OnTimer = [this] { TimerExpired(); };
    }
    repeat_timer_->Stop();
    repeat_timer_->Start(init_pause_);
  }
}

void TMwSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  TMwButtonState ns = down_ ? bsExclusive : bsUp;
  if (Inside(x, y)) ns = bsDown;
  if (ns != state_) {
    state_ = ns;
    Invalidate();
  }
}

void TMwSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button == mbLeft && dragging_) DoMouseUp(x, y);
  if (button == mbRight) UpdateTracking();
}

void TMwSpeedButton::DoMouseUp(int x, int y) {
  dragging_ = false;
  if (repeat_timer_) repeat_timer_->Stop();
  const bool inside = Inside(x, y);
  if (group_index_ == 0) {
    state_ = bsUp;
    Invalidate();
    if (inside && !menu_tracking_) Click();
  } else {
    if (inside) {
      SetDown(!down_);
      if (down_) Repaint();
    } else {
      state_ = down_ ? bsExclusive : bsUp;
      Invalidate();
    }
    if (inside && !menu_tracking_) Click();
  }
}

void TMwSpeedButton::DblClick() {
  if (down_) TGraphicControl::DblClick();
}

namespace {
// Runs the platform's handling of an enter or leave notice with the
// control's event held back; the event fires only when `fire` says so.
void PassMouseNotice(TNotifyEvent &event, bool fire, const std::function<void()> &base, rtl::TObject *sender) {
  TNotifyEvent held = std::move(event);
  event = nullptr;
  try {
    base();
  } catch (...) {
    event = std::move(held);
    throw;
  }
  event = std::move(held);
  if (fire && event) event(sender);
}
}  // namespace

void TMwSpeedButton::CMMouseEnter(TMessage &m) {
  // Only an enabled button of the active application tells of the pointer.
  const bool fire = Enabled() && ActiveWindowIsOurs();
  PassMouseNotice(
      OnMouseEnter, fire, [&] { TGraphicControl::CMMouseEnter(m); }, this);
  if (Enabled() && !mouse_in_control_) {
    mouse_in_control_ = true;
    if (flat_) Invalidate();
  }
}

void TMwSpeedButton::CMMouseLeave(TMessage &m) {
  const bool fire = Enabled() && ActiveWindowIsOurs();
  PassMouseNotice(
      OnMouseLeave, fire, [&] { TGraphicControl::CMMouseLeave(m); }, this);
  if (mouse_in_control_) {
    mouse_in_control_ = false;
    if (flat_) Invalidate();
  }
}

void TMwSpeedButton::CMEnabledChanged(TMessage &m) {
  TGraphicControl::CMEnabledChanged(m);
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = (down_ && group_index_ != 0) ? bsExclusive : bsUp;
  }
  UpdateTracking();
  Invalidate();
}

void TMwSpeedButton::CMVisibleChanged(TMessage &m) {
  TGraphicControl::CMVisibleChanged(m);
  if (Visible()) UpdateTracking();
}

void TMwSpeedButton::UpdateTracking() {
  if (!Enabled() || !HandleAllocated() || !Handle()->isVisible()) return;
  QWidget *w = Handle();
  const bool over = w->rect().contains(w->mapFromGlobal(QCursor::pos()));
  if (over != mouse_in_control_) Perform(over ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
}

namespace {
// One ring of a 3D frame, top and left in one colour, bottom and right
// (with the top-right and bottom-left corners) in the other; the rectangle
// shrinks by a pixel.
void FrameRing(TCanvas *c, TRect &r, TColor top_left, TColor bottom_right) {
  c->Pen()->SetColor(top_left);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Left, r.Top);
  c->LineTo(r.Right, r.Top);
  c->Pen()->SetColor(bottom_right);
  c->MoveTo(r.Right - 1, r.Top);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->LineTo(r.Left - 1, r.Bottom - 1);
  InflateRect(r, -1, -1);
}
}  // namespace

void TMwSpeedButton::Paint() {
  TCanvas *target = Canvas();
  TBitmap buffer(std::max(Width(), 1), std::max(Height(), 1));
  TCanvas *c = buffer.Canvas();
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = (down_ && group_index_ != 0) ? bsExclusive : bsUp;
  }
  TMwButtonState paint_state = state_;
  const bool flat_inactive = flat_ && !mouse_in_control_ && !ComponentState().Contains(csDesigning);
  if (flat_inactive && paint_state != bsDisabled && paint_state != bsDown && paint_state != bsExclusive)
    paint_state = bsInactive;
  TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  if (transparent_) DrawParentBackground(this, c);
  const bool pressed = paint_state == bsDown || paint_state == bsExclusive;
  if (!(flat_inactive && paint_state != bsExclusive)) {
    // bsAutoDetect: this platform draws its controls in the new style.
    if (style_ != bsWin31) {
      if (pressed) {
        FrameRing(c, r, clWindowFrame, clBtnHighlight);
        if (!flat_) FrameRing(c, r, clBtnShadow, clBtnFace);
      } else if (flat_) {
        FrameRing(c, r, clBtnHighlight, clBtnShadow);
      } else {
        FrameRing(c, r, clBtnHighlight, clWindowFrame);
        FrameRing(c, r, clBtnFace, clBtnShadow);
      }
    } else if (pressed) {
      if (flat_) {
        FrameRing(c, r, clWindowFrame, clBtnHighlight);
      } else {
        FrameRing(c, r, clWindowFrame, clWindowFrame);
        FrameRing(c, r, clBtnShadow, clBtnFace);  // the shadow along the left and top
      }
    } else if (flat_) {
      FrameRing(c, r, clBtnHighlight, clWindowFrame);
    } else {
      FrameRing(c, r, clWindowFrame, clWindowFrame);
      FrameRing(c, r, clBtnHighlight, clBtnShadow);
    }
  } else {
    InflateRect(r, -2, -2);
  }
  if (paint_state == bsExclusive && !transparent_ && (!flat_ || flat_inactive)) {
    auto pattern = AllocPatternBitmap(clBtnFace, clBtnHighlight);
    c->Brush()->SetBitmap(pattern.get());
    c->FillRect(r);
    c->Brush()->SetBitmap(nullptr);
  }
  TPoint offset{0, 0};
  if (pressed) offset = {1, 1};
  c->Font()->Assign(Font());
  TMwButtonState glyph_state = paint_state;
  if (grayed_inactive_ && flat_inactive && paint_state != bsDisabled && paint_state == bsInactive)
    glyph_state = bsInactive;
  else if (paint_state == bsInactive)
    glyph_state = bsUp;
  glyph_->Draw(c, r, offset, Caption(), layout_, margin_, spacing_, glyph_state,
               drop_down_menu_ != nullptr && mark_drop_down_, grayed_inactive_);
  buffer.Canvas()->Flush();
  target->Draw(0, 0, &buffer);
}

ORBISCA_PUBLISHED(TMwSpeedButton, TGraphicControl) {
  p.Property("Alignment", &TMwSpeedButton::Alignment, &TMwSpeedButton::SetAlignment).Default(vcl::taCenter);
  p.Property("AllowAllUp", &TMwSpeedButton::AllowAllUp, &TMwSpeedButton::SetAllowAllUp).Default(false);
  p.Property("AllowTimer", &TMwSpeedButton::AllowTimer, &TMwSpeedButton::SetAllowTimer).Default(false);
  p.Property("GroupIndex", &TMwSpeedButton::GroupIndex, &TMwSpeedButton::SetGroupIndex).Default(0);
  p.Property("Down", &TMwSpeedButton::Down, &TMwSpeedButton::SetDown).Default(false);
  p.Property("DropDownMenu", &TMwSpeedButton::DropDownMenu, &TMwSpeedButton::SetDropDownMenu);
  p.Property("MenuPosition", &TMwSpeedButton::MenuPosition, &TMwSpeedButton::SetMenuPosition).Default(dmpBottom);
  p.Property("Action", &TMwSpeedButton::Action, &TMwSpeedButton::SetAction);
  p.Property("Flat", &TMwSpeedButton::Flat, &TMwSpeedButton::SetFlat).Default(false);
  p.Property("Glyph", &TMwSpeedButton::Glyph, &TMwSpeedButton::SetGlyph);
  p.Property("GrayedInactive", &TMwSpeedButton::GrayedInactive, &TMwSpeedButton::SetGrayedInactive).Default(true);
  p.Property("InitPause", &TMwSpeedButton::InitPause, &TMwSpeedButton::SetInitPause).Default(500);
  p.Property("Layout", &TMwSpeedButton::Layout, &TMwSpeedButton::SetLayout).Default(blGlyphTop);
  p.Property("Margin", &TMwSpeedButton::Margin, &TMwSpeedButton::SetMargin).Default(-1);
  p.Property("MarkDropDown", &TMwSpeedButton::MarkDropDown, &TMwSpeedButton::SetMarkDropDown).Default(true);
  p.Property("ModalResult", &TMwSpeedButton::ModalResult, &TMwSpeedButton::SetModalResult).Default(0);
  p.Property("NumGlyphs", &TMwSpeedButton::NumGlyphs, &TMwSpeedButton::SetNumGlyphs).Default(1);
  p.Property("RepeatInterval", &TMwSpeedButton::RepeatInterval, &TMwSpeedButton::SetRepeatInterval).Default(100);
  p.Property("Spacing", &TMwSpeedButton::Spacing, &TMwSpeedButton::SetSpacing).Default(1);
  p.Property("Style", &TMwSpeedButton::Style, &TMwSpeedButton::SetStyle).Default(bsAutoDetect);
  p.Property("Transparent", &TMwSpeedButton::Transparent, &TMwSpeedButton::SetTransparent).Default(false);
  p.Property("WordWrap", &TMwSpeedButton::WordWrap, &TMwSpeedButton::SetWordWrap).Default(false);
}

}  // namespace ext
