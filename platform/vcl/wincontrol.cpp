// Windowed controls: children and their alignment, the tab order and the
// focus, and the keys; the windowless and custom-painted bases; the
// published tables of the control classes. See controls.h for the rules.
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/controls_private.h"

namespace vcl {

using controls_private::HookApplicationMessage;

namespace {

// Alt is down and no other key came since it went down.
bool g_alt_alone = false;

// The character a key press types, as the platform's WM_CHAR carries it.
QChar CharOfKey(const QKeyEvent *ke) {
  switch (ke->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return QChar(13);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return QChar(9);
    case Qt::Key_Escape:
      return QChar(27);
    case Qt::Key_Backspace:
      return QChar(8);
    default:
      break;
  }
  // Ctrl with a letter types its control character (Ctrl+S is 19), never
  // the letter, whatever text the key event carries; Ctrl+Alt is AltGr.
  const Qt::KeyboardModifiers mods = ke->modifiers();
  if (mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier) && ke->key() >= Qt::Key_A &&
      ke->key() <= Qt::Key_Z)
    return QChar(ke->key() - Qt::Key_A + 1);
  const QString text = ke->text();
  if (text.isEmpty()) return QChar();
  return text.at(0);
}

}  // namespace

// --- TWinControl ---------------------------------------------------------------------------

TWinControl::TWinControl(TComponent *owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  Destroying();
  if (IControlForm *form = ParentFormHost(); form != nullptr && form->FormControl() != this)
    form->DefocusControl(this, true);
  // The children go with their parent, as on the platform.
  while (!controls_.empty()) {
    TControl *child = controls_.back();
    delete child;
    if (!controls_.empty() && controls_.back() == child) controls_.pop_back();
  }
}

QWidget *TWinControl::CreateWidget(QWidget *parent_widget) { return new TControlWidget<QWidget>(this, parent_widget); }

void TWinControl::InitWidget() {
  TControl::InitWidget();
  ApplyFocusPolicy();
  // Children made before this widget get theirs now, in z-order, the
  // windowless ones below the windowed.
  for (TControl *c : controls_) {
    c->Handle();
    if (dynamic_cast<TWinControl *>(c) == nullptr) c->widget_->lower();
  }
}

void TWinControl::ApplyFocusPolicy() {
  if (widget_ != nullptr) widget_->setFocusPolicy(WidgetFocusPolicy());
}

TControl *TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw rtl::EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl *control) {
  control->parent_ = this;
  controls_.push_back(control);
  if (auto *wc = dynamic_cast<TWinControl *>(control)) tab_list_.push_back(wc);
  if (control->parent_font_) control->Perform(CM_PARENTFONTCHANGED);
  if (control->parent_color_) control->Perform(CM_PARENTCOLORCHANGED);
  if (widget_ != nullptr) {
    if (control->widget_ != nullptr) {
      control->widget_->setParent(widget_);
      control->UpdateWidgetGeometry();
      control->widget_->setVisible(control->visible_);
    } else {
      control->Handle();
    }
    if (dynamic_cast<TWinControl *>(control) == nullptr) control->widget_->lower();
  }
  AlignControls();
}

void TWinControl::RemoveControl(TControl *control) {
  if (IControlForm *form = ParentFormHost())
    if (auto *wc = dynamic_cast<TWinControl *>(control)) form->DefocusControl(wc, true);
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  tab_list_.erase(std::remove(tab_list_.begin(), tab_list_.end(), control), tab_list_.end());
  control->parent_ = nullptr;
  if (control->widget_ != nullptr && !IsDestroying()) {
    control->widget_->hide();
    control->widget_->setParent(nullptr);
  }
  if (!IsDestroying()) AlignControls();
}

bool TWinControl::ContainsControl(const TControl *control) const {
  for (const TControl *c = control; c != nullptr; c = c->parent_)
    if (c == this) return true;
  return false;
}

void TWinControl::AlignControls() {
  if (aligning_ || IsDestroying()) return;
  aligning_ = true;
  TRect r = ClientRect();
  AdjustClientRect(r);
  const auto place = [&](TAlign align) {
    std::vector<TControl *> list;
    for (TControl *c : controls_)
      if (c->align_ == align && c->visible_) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [align](TControl *a, TControl *b) {
      switch (align) {
        case alTop:
          return a->top_ < b->top_;
        case alBottom:
          return a->top_ + a->height_ > b->top_ + b->height_;
        case alLeft:
          return a->left_ < b->left_;
        case alRight:
          return a->left_ + a->width_ > b->left_ + b->width_;
        default:
          return false;
      }
    });
    for (TControl *c : list) {
      switch (align) {
        case alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), c->height_);
          r.Top += c->height_;
          break;
        case alBottom:
          c->SetBounds(r.Left, r.Bottom - c->height_, r.Width(), c->height_);
          r.Bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(r.Left, r.Top, c->width_, r.Height());
          r.Left += c->width_;
          break;
        case alRight:
          c->SetBounds(r.Right - c->width_, r.Top, c->width_, r.Height());
          r.Right -= c->width_;
          break;
        case alClient:
          c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
          break;
        default:
          break;
      }
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);
  aligning_ = false;
}

void TWinControl::Broadcast(TMessage &m) {
  const auto children = controls_;
  for (TControl *c : children) {
    c->WindowProc(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::GetChildren(const std::function<void(TComponent *)> &proc, TComponent *root) {
  for (TControl *c : controls_)
    if (c->Owner() == root) proc(c);
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto &list = Parent()->tab_list_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (Parent() == nullptr) return;
  auto &list = Parent()->tab_list_;
  const int current = TabOrder();
  if (current < 0) return;
  order = std::clamp(order, 0, static_cast<int>(list.size()) - 1);
  list.erase(list.begin() + current);
  list.insert(list.begin() + order, this);
}

void TWinControl::SetTabStop(bool value) {
  if (value == tab_stop_) return;
  tab_stop_ = value;
  Perform(CM_TABSTOPCHANGED);
}

bool TWinControl::CanFocus() const {
  IControlForm *host = ParentFormHost();
  if (host == nullptr) return false;
  const TWinControl *form = host->FormControl();
  // The form itself may still be hidden: the control gets the focus when
  // the form is shown.
  for (const TControl *c = this; c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return form->Enabled();
}

void TWinControl::SetFocus() {
  IControlForm *form = ParentFormHost();
  if (form == nullptr || !CanFocus()) throw rtl::EInvalidOperation(QString::fromLatin1(kCannotFocus));
  form->FocusControl(this);
}

bool TWinControl::Focused() const { return widget_ != nullptr && widget_->hasFocus(); }

void TWinControl::GetTabOrderList(std::vector<TWinControl *> &list) const {
  for (TWinControl *c : tab_list_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl *TWinControl::FindNextControl(TWinControl *current, bool go_forward, bool check_tab_stop,
                                          bool check_parent) const {
  std::vector<TWinControl *> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), current);
  int start = found == list.end() ? (go_forward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    if (go_forward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl *c = list[static_cast<size_t>(i)];
    if (c->CanFocus() && (!check_tab_stop || c->TabStop()) && (!check_parent || c->Parent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl *current, bool go_forward, bool check_tab_stop) {
  TWinControl *next = FindNextControl(current, go_forward, check_tab_stop, !check_tab_stop);
  if (next != nullptr) next->SetFocus();
}

void TWinControl::SelectFirst() {
  TWinControl *first = FindNextControl(nullptr, true, true, false);
  if (first == nullptr) first = FindNextControl(nullptr, true, false, false);
  if (first != nullptr) first->SetFocus();
}

namespace {
int Scaled(int v, int m, int d) {
  return static_cast<int>((static_cast<long long>(v) * m + (v >= 0 ? d / 2 : -d / 2)) / d);
}

void ScaleFont(TControl *c, int m, int d) {
  if (!c->ParentFont()) c->Font()->SetHeight(Scaled(c->Font()->Height(), m, d));
}

void ScaleChildren(TWinControl *parent, int m, int d) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl *c = parent->Controls(i);
    ScaleFont(c, m, d);
    if (auto *w = dynamic_cast<TWinControl *>(c)) ScaleChildren(w, m, d);
    c->SetBounds(Scaled(c->Left(), m, d), Scaled(c->Top(), m, d), Scaled(c->Width(), m, d), Scaled(c->Height(), m, d));
  }
}
}  // namespace

void TWinControl::ScaleBy(int m, int d) {
  if (m <= 0 || d <= 0 || m == d) return;
  ScaleFont(this, m, d);
  ScaleChildren(this, m, d);
  SetClientWidth(Scaled(ClientWidth(), m, d));
  SetClientHeight(Scaled(ClientHeight(), m, d));
}

void TWinControl::Dispatch(TMessage &m) {
  switch (m.Msg) {
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      CNKeyDown(m);
      return;
    case CN_CHAR:
    case CN_SYSCHAR:
      CNChar(m);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      WMKeyDown(m);
      return;
    case WM_CHAR:
    case WM_SYSCHAR:
      WMChar(m);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      WMKeyUp(m);
      return;
    case WM_SETFOCUS:
      WMSetFocus(m);
      return;
    case WM_KILLFOCUS:
      WMKillFocus(m);
      return;
    case WM_GETDLGCODE:
      WMGetDlgCode(m);
      return;
    case CM_WANTSPECIALKEY:
      CMWantSpecialKey(m);
      return;
    case CM_ENTER:
      CMEnter(m);
      return;
    case CM_EXIT:
      CMExit(m);
      return;
    case CM_DIALOGKEY:
      CMDialogKey(m);
      return;
    case CM_DIALOGCHAR:
      CMDialogChar(m);
      return;
    case CM_FOCUSCHANGED:
      CMFocusChanged(m);
      return;
    case CM_CHILDKEY:
      CMChildKey(m);
      return;
    default:
      TControl::Dispatch(m);
  }
}

void TWinControl::WMSize(TMessage &m) { TControl::WMSize(m); }

void TWinControl::CMFontChanged(TMessage &m) {
  TControl::CMFontChanged(m);
  TMessage notify;
  notify.Msg = CM_PARENTFONTCHANGED;
  for (TControl *c : std::vector<TControl *>(controls_)) c->WindowProc(notify);
}

void TWinControl::CMColorChanged(TMessage &m) {
  TControl::CMColorChanged(m);
  TMessage notify;
  notify.Msg = CM_PARENTCOLORCHANGED;
  for (TControl *c : std::vector<TControl *>(controls_)) c->WindowProc(notify);
}

void TWinControl::CMParentShowHintChanged(TMessage &m) {
  TControl::CMParentShowHintChanged(m);
  TMessage notify;
  notify.Msg = CM_PARENTSHOWHINTCHANGED;
  for (TControl *c : std::vector<TControl *>(controls_)) c->WindowProc(notify);
}

void TWinControl::CMEnabledChanged(TMessage &m) {
  if (!Enabled())
    if (IControlForm *form = ParentFormHost(); form != nullptr && form->FormControl() != this)
      form->DefocusControl(this, false);
  TControl::CMEnabledChanged(m);
}

void TWinControl::CMVisibleChanged(TMessage &m) {
  if (!Visible())
    if (IControlForm *form = ParentFormHost(); form != nullptr && form->FormControl() != this)
      form->DefocusControl(this, false);
  TControl::CMVisibleChanged(m);
}

// Keys ------------------------------------------------------------------------------

bool TWinControl::DoKeyDown(TMessage &outer) {
  auto *ke = static_cast<QKeyEvent *>(outer.Event);
  const int vk = VirtualKeyFromQt(ke);
  const QChar ch = CharOfKey(ke);
  if (vk == 0 && ch.isNull()) return false;
  const LPARAM key_data = KeyDataFromQt(ke);
  const bool alt = ke->modifiers() & Qt::AltModifier;
  g_alt_alone = vk == VK_MENU && !ke->isAutoRepeat() ? true : (vk == VK_MENU && g_alt_alone);
  const std::shared_ptr<bool> alive = alive_;

  bool keydown_passed = true;
  if (vk != 0) {
    TMessage hook;
    hook.Msg = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    hook.WParam = static_cast<WPARAM>(vk);
    hook.LParam = key_data;
    if (HookApplicationMessage(hook) || !*alive) return true;

    // Dialog keys first: a handled one produces no character either.
    TMessage cn;
    cn.Msg = alt ? CN_SYSKEYDOWN : CN_KEYDOWN;
    cn.WParam = static_cast<WPARAM>(vk);
    cn.LParam = key_data;
    WindowProc(cn);
    if (!*alive || cn.Result != 0) return true;

    TMessage kd;
    kd.Msg = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    kd.WParam = static_cast<WPARAM>(vk);
    kd.LParam = key_data;
    kd.Event = ke;
    HookedDispatch(kd);
    if (!*alive) return true;
    keydown_passed = kd.DefaultDone && kd.CharCode() != 0;
  }
  if (ch.isNull()) return !keydown_passed;

  TMessage cm;
  cm.Msg = alt ? WM_SYSCHAR : WM_CHAR;
  cm.WParam = ch.unicode();
  cm.LParam = key_data;
  if (HookApplicationMessage(cm)) return true;
  TMessage cnc = cm;
  cnc.Msg = alt ? CN_SYSCHAR : CN_CHAR;
  WindowProc(cnc);
  if (!*alive || cnc.Result != 0) return true;
  // Alt with a letter that no control's caption marks goes to the form's
  // menu, as the platform's default handling of WM_SYSCHAR does.
  if (alt)
    if (IControlForm *host = ParentFormHost(); host != nullptr && host->MenuChar(ch)) return true;
  if (!*alive) return true;
  cm.Event = ke;
  HookedDispatch(cm);
  if (!*alive) return true;
  if (!cm.DefaultDone || cm.CharCode() == 0) return true;
  if (alt) return !keydown_passed;
  // A Ctrl+letter whose key-down a handler took (a masked paste) is no
  // shortcut of the widget's any more.
  if (!keydown_passed && ke->modifiers().testFlag(Qt::ControlModifier) && ch.unicode() >= 1 &&
      ch.unicode() <= Qt::Key_Z - Qt::Key_A + 1)
    return true;
  const QChar typed(static_cast<char16_t>(cm.CharCode()));
  if (typed != ch) {
    // A handler changed the character: the widget gets the new one.
    int key = ke->key();
    if (typed.toUpper() >= u'A' && typed.toUpper() <= u'Z') key = Qt::Key_A + (typed.toUpper().unicode() - u'A');
    if (typed.unicode() == 13) key = Qt::Key_Return;
    outer.OwnedEvent = std::make_shared<QKeyEvent>(QEvent::KeyPress, key, ke->modifiers(), QString(typed),
                                                   ke->isAutoRepeat(), ke->count());
    outer.Event = outer.OwnedEvent.get();
  }
  return false;
}

bool TWinControl::DoKeyUp(TMessage &outer) {
  auto *ke = static_cast<QKeyEvent *>(outer.Event);
  const int vk = VirtualKeyFromQt(ke);
  if (vk == 0) return false;
  if (vk == VK_MENU && g_alt_alone) {
    // Alt pressed and released with nothing between: the menu bar.
    g_alt_alone = false;
    if (IControlForm *host = ParentFormHost()) host->MenuKey();
    return true;
  }
  TMessage ku;
  ku.Msg = (ke->modifiers() & Qt::AltModifier) ? WM_SYSKEYUP : WM_KEYUP;
  ku.WParam = static_cast<WPARAM>(vk);
  ku.LParam = KeyDataFromQt(ke);
  ku.Event = ke;
  if (HookApplicationMessage(ku)) return true;
  const std::shared_ptr<bool> alive = alive_;
  HookedDispatch(ku);
  if (!*alive) return true;
  return !ku.DefaultDone || ku.CharCode() == 0;
}

bool TWinControl::DoKeyPress(TMessage &m) {
  QChar key(static_cast<char16_t>(m.CharCode()));
  IControlForm *host = ParentFormHost();
  TWinControl *form = host != nullptr ? host->FormControl() : nullptr;
  if (form != nullptr && form != this && host->KeyPreview()) {
    form->KeyPress(key);
    if (key.isNull()) {
      m.WParam = 0;
      return true;
    }
  }
  KeyPress(key);
  m.WParam = key.unicode();
  return key.isNull();
}

void TWinControl::CNKeyDown(TMessage &m) {
  m.Result = 1;
  if (IsDesigning()) {
    m.Result = 0;
    return;
  }
  if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
  LRESULT mask = 0;
  switch (m.CharCode()) {
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
      mask = DLGC_WANTALLKEYS;
      break;
    default:
      break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, m.WParam) == 0 && (Perform(WM_GETDLGCODE, m.WParam) & mask) == 0) {
    TWinControl *form = ParentFormHost() != nullptr ? ParentFormHost()->FormControl() : nullptr;
    if (form != nullptr && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) return;
  }
  m.Result = 0;
}

void TWinControl::CNChar(TMessage &m) {
  m.Result = 0;
  if (IsDesigning()) return;
  const bool alt = m.LParam & KF_ALTDOWN_BIT;
  if (alt || (Perform(WM_GETDLGCODE, m.WParam) & DLGC_WANTCHARS) == 0) {
    TWinControl *form = ParentFormHost() != nullptr ? ParentFormHost()->FormControl() : nullptr;
    if (form != nullptr && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) m.Result = 1;
  }
}

void TWinControl::WMKeyDown(TMessage &m) {
  int key = m.CharCode();
  const TShiftState shift =
      KeyDataToShiftState(m.LParam) +
      (m.Event ? ShiftStateFromQt(static_cast<QKeyEvent *>(m.Event)->modifiers()) : TShiftState{});
  IControlForm *host = ParentFormHost();
  TWinControl *form = host != nullptr ? host->FormControl() : nullptr;
  const std::shared_ptr<bool> alive = alive_;
  if (form != nullptr && form != this && host->KeyPreview()) {
    form->KeyDown(key, shift);
    if (!*alive) return;
    if (key == 0) {
      m.WParam = 0;
      return;
    }
  }
  KeyDown(key, shift);
  if (!*alive) return;
  m.WParam = static_cast<WPARAM>(key);
  if (key != 0) DefaultHandler(m);
}

void TWinControl::WMChar(TMessage &m) {
  if (!DoKeyPress(m)) DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage &m) {
  int key = m.CharCode();
  const TShiftState shift = m.Event ? ShiftStateFromQt(static_cast<QKeyEvent *>(m.Event)->modifiers()) : TShiftState{};
  IControlForm *host = ParentFormHost();
  TWinControl *form = host != nullptr ? host->FormControl() : nullptr;
  const std::shared_ptr<bool> alive = alive_;
  if (form != nullptr && form != this && host->KeyPreview()) {
    form->KeyUp(key, shift);
    if (!*alive) return;
    if (key == 0) {
      m.WParam = 0;
      return;
    }
  }
  KeyUp(key, shift);
  if (!*alive) return;
  m.WParam = static_cast<WPARAM>(key);
  if (key != 0) DefaultHandler(m);
}

void TWinControl::KeyDown(int &key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(QChar &key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(int &key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::WMSetFocus(TMessage &m) {
  DefaultHandler(m);
  // A focus-in that Qt has already overtaken (the focus moved on while it
  // was being delivered) enters nothing.
  QWidget *focus = QApplication::focusWidget();
  if (widget_ == nullptr || focus == nullptr || (focus != widget_ && !widget_->isAncestorOf(focus))) return;
  if (FindWinControl(focus) != this) return;
  IControlForm *form = ParentFormHost();
  if (form != nullptr && form->FormControl() != this) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage &m) { DefaultHandler(m); }

void TWinControl::WMGetDlgCode(TMessage &m) { m.Result = 0; }

void TWinControl::CMWantSpecialKey(TMessage &m) { m.Result = 0; }

void TWinControl::CMEnter(TMessage &) { DoEnter(); }

void TWinControl::CMExit(TMessage &) { DoExit(); }

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMDialogKey(TMessage &m) { Broadcast(m); }

void TWinControl::CMDialogChar(TMessage &m) { Broadcast(m); }

void TWinControl::CMFocusChanged(TMessage &m) { Broadcast(m); }

void TWinControl::CMChildKey(TMessage &m) {
  if (Parent() != nullptr) m.Result = Parent()->Perform(CM_CHILDKEY, m.WParam, m.LParam);
}

// --- TGraphicControl / TCustomControl ---------------------------------------------------------

namespace {

// A windowless control's widget: it never takes the focus.
QWidget *MakeGraphicWidget(TControl *control, QWidget *parent) {
  auto *w = new TControlWidget<QWidget>(control, parent);
  w->setFocusPolicy(Qt::NoFocus);
  return w;
}

void PaintThroughCanvas(TCanvas *canvas, QPainter *painter, const std::function<void()> &paint) {
  canvas->BeginPaint(painter);
  try {
    paint();
  } catch (...) {
    canvas->EndPaint();
    throw;
  }
  canvas->EndPaint();
}

}  // namespace

TGraphicControl::TGraphicControl(TComponent *owner) : TControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

QWidget *TGraphicControl::CreateWidget(QWidget *parent_widget) { return MakeGraphicWidget(this, parent_widget); }

void TGraphicControl::Paint() {
  if (OnPaint) OnPaint(this);
}

void TGraphicControl::PaintWidget(QPainter *painter, const QRect &) {
  canvas_->Font()->Assign(Font());
  PaintThroughCanvas(canvas_.get(), painter, [this] { Paint(); });
}

TCustomControl::TCustomControl(TComponent *owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomControl::PaintWidget(QPainter *painter, const QRect &) {
  canvas_->Font()->Assign(Font());
  canvas_->Brush()->SetColor(Color());
  PaintThroughCanvas(canvas_.get(), painter, [this] { Paint(); });
}

// --- published properties ----------------------------------------------------------------------

ORBISCA_PUBLISHED(TControl, TComponent) {
  p.Property("Left", &TControl::Left, &TControl::SetLeft);
  p.Property("Top", &TControl::Top, &TControl::SetTop);
  p.Property("Width", &TControl::Width, &TControl::SetWidth);
  p.Property("Height", &TControl::Height, &TControl::SetHeight);
  p.Property("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Color", &TControl::Color, &TControl::SetColor).StoredIf([](const rtl::TObject *o) {
    return !static_cast<const TControl *>(o)->ParentColor();
  });
  p.Property("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crDefault);
  p.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  p.Property("Font", &TControl::Font, &TControl::SetFont).StoredIf([](const rtl::TObject *o) {
    return !static_cast<const TControl *>(o)->ParentFont();
  });
  p.Property("Hint", &TControl::Hint, &TControl::SetHint);
  p.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
  p.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  p.Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).StoredIf([](const rtl::TObject *o) {
    return !static_cast<const TControl *>(o)->ParentShowHint();
  });
  p.Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  p.Event("OnClick", &TControl::OnClick);
  p.Event("OnDblClick", &TControl::OnDblClick);
  p.Event("OnMouseDown", &TControl::OnMouseDown);
  p.Event("OnMouseMove", &TControl::OnMouseMove);
  p.Event("OnMouseUp", &TControl::OnMouseUp);
}

ORBISCA_PUBLISHED(TWinControl, TControl) {
  p.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  p.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
  p.Event("OnEnter", &TWinControl::OnEnter);
  p.Event("OnExit", &TWinControl::OnExit);
  p.Event("OnKeyDown", &TWinControl::OnKeyDown);
  p.Event("OnKeyPress", &TWinControl::OnKeyPress);
  p.Event("OnKeyUp", &TWinControl::OnKeyUp);
}

// Empty tables, so that classes derived from these two find their way up to
// TControl's and TWinControl's properties.
ORBISCA_PUBLISHED(TGraphicControl, TControl) { (void)p; }
ORBISCA_PUBLISHED(TCustomControl, TWinControl) { (void)p; }

ORBISCA_PUBLISHED(TFont, TGraphicsObject) {
  p.Property("Charset", &TFont::Charset, &TFont::SetCharset);
  p.Property("Color", &TFont::Color, &TFont::SetColor);
  p.Property("Height", &TFont::Height, &TFont::SetHeight);
  p.Property("Name", &TFont::Name, &TFont::SetName);
  p.Property("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  p.Property("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  p.Property("Style", &TFont::Style, &TFont::SetStyle);
}

}  // namespace vcl