// Controls: widgets, the message path, geometry and alignment, keys, mouse
// and the focus chain. See controls.h for the rules.
#include "platform/vcl/controls.h"

#include "platform/vcl/controls_private.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>

#include "platform/rtl/exceptions.h"

namespace vcl {

TPopupMenuSlot &PopupMenuSlot() {
  static TPopupMenuSlot slot;
  return slot;
}

namespace {
IControlApplication *(*g_application_maker)() = nullptr;
}  // namespace

IControlApplication *ControlApplication() { return g_application_maker != nullptr ? g_application_maker() : nullptr; }

void SetControlApplicationMaker(IControlApplication *(*maker)()) { g_application_maker = maker; }

namespace {
QCursor CursorToQCursor(TCursor cursor) {
  IControlApplication *app = ControlApplication();
  return app != nullptr ? app->CursorOf(cursor) : QCursor(Qt::ArrowCursor);
}
}  // namespace

namespace controls_private {

bool HookApplicationMessage(TMessage &m) {
  IControlApplication *app = ControlApplication();
  return app != nullptr && app->HookMessage(m);
}
}  // namespace controls_private

using controls_private::HookApplicationMessage;
using controls_private::ReportException;

namespace {

QHash<const QWidget *, TControl *> &WidgetControls() {
  static QHash<const QWidget *, TControl *> map;
  return map;
}

QPointer<QWidget> g_capture_widget;
// Events being dispatched right now, over all controls: a widget freed
// meanwhile may still be on Qt's stack, so it is deleted later.
int g_dispatch_depth = 0;
int g_paint_depth = 0;
TControl *g_capture_control = nullptr;

unsigned MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  unsigned k = 0;
  if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
  if (buttons & Qt::RightButton) k |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
  if (mods & Qt::ShiftModifier) k |= MK_SHIFT;
  if (mods & Qt::ControlModifier) k |= MK_CONTROL;
  return k;
}

unsigned MouseMessage(QEvent::Type type, Qt::MouseButton button) {
  const int base = button == Qt::RightButton ? 3 : button == Qt::MiddleButton ? 6 : 0;
  switch (type) {
    case QEvent::MouseButtonPress:
      return WM_LBUTTONDOWN + base;
    case QEvent::MouseButtonRelease:
      return WM_LBUTTONUP + base;
    case QEvent::MouseButtonDblClick:
      return WM_LBUTTONDBLCLK + base;
    default:
      return WM_MOUSEMOVE;
  }
}

}  // namespace

// --- widget plumbing -----------------------------------------------------------------

TControl *FindControl(QWidget *widget) {
  for (QWidget *w = widget; w != nullptr; w = w->parentWidget()) {
    const auto it = WidgetControls().constFind(w);
    if (it != WidgetControls().constEnd()) return it.value();
  }
  return nullptr;
}

TWinControl *FindWinControl(QWidget *widget) {
  for (QWidget *w = widget; w != nullptr; w = w->parentWidget()) {
    const auto it = WidgetControls().constFind(w);
    if (it != WidgetControls().constEnd())
      if (auto *wc = dynamic_cast<TWinControl *>(it.value())) return wc;
  }
  return nullptr;
}

void ControlWidgetDestroyed(TControl *control, QWidget *widget) {
  WidgetControls().remove(widget);
  control->WidgetDestroyed(widget);
}

namespace {

// Forwards the events of an inner widget to the control's message path.
class InnerWidgetRouter : public QObject {
 public:
  // May be made while the control is still making its widget (from
  // CreateWidget), so it asks nothing of the control here.
  InnerWidgetRouter(QWidget *inner, TControl *control) : QObject(inner), control_(control) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched != parent()) return false;
    auto *inner = static_cast<QWidget *>(watched);
    TControl *owner = FindControl(inner);
    if (owner != control_) return false;  // the control went away
    const auto inner_default = [this, inner, event](QEvent *given) {
      // The inner widget's own handling, bypassing this filter: of the key
      // as the control left it, of anything else as it came.
      QEvent *use = given != nullptr && given->type() == QEvent::KeyPress ? given : event;
      inner->removeEventFilter(this);
      const bool r = static_cast<QObject *>(inner)->event(use);
      inner->installEventFilter(this);
      return r;
    };
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::FocusIn:
      case QEvent::FocusOut:
      case QEvent::ContextMenu:
        return DispatchQtEvent(control_, inner, event, inner_default);
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: {
        // The control hears of the mouse in its own coordinates.
        const auto *me = static_cast<QMouseEvent *>(event);
        QWidget *outer = control_->Handle();
        const QPointF local = inner->mapTo(outer, me->position().toPoint());
        QMouseEvent moved(me->type(), local, me->globalPosition(), me->button(), me->buttons(), me->modifiers());
        return DispatchQtEvent(control_, inner, &moved, inner_default);
      }
      default:
        // Painting, geometry and the rest stay the inner widget's own.
        return false;
    }
  }

 private:
  TControl *control_;
};

}  // namespace

void RouteEventsToControl(QWidget *inner, TControl *control) {
  inner->installEventFilter(new InnerWidgetRouter(inner, control));
}

bool DispatchQtEvent(TControl *control, QWidget *widget, QEvent *event,
                     const std::function<bool(QEvent *)> &default_proc) {
  ControlApplication();
  QPointer<QWidget> guard(widget);
  struct DepthGuard {
    DepthGuard() { ++g_dispatch_depth; }
    ~DepthGuard() { --g_dispatch_depth; }
  } depth;
  try {
    return control->HandleQtEvent(event, default_proc);
  } catch (const rtl::Exception &e) {
    ReportException(control, e);
  } catch (const std::exception &e) {
    ReportException(control, rtl::Exception(QString::fromUtf8(e.what())));
  } catch (...) {
    ReportException(control, rtl::Exception(QStringLiteral("Unknown exception")));
  }
  if (!guard.isNull()) event->accept();
  return true;
}

bool PaintInProgress() { return g_paint_depth > 0; }

TControl *GetCaptureControl() { return g_capture_widget.isNull() ? nullptr : g_capture_control; }

void SetCaptureControl(TControl *control) {
  if (g_capture_widget) g_capture_widget->releaseMouse();
  g_capture_control = control;
  g_capture_widget = control ? control->Handle() : nullptr;
  if (g_capture_widget && g_capture_widget->isVisible()) g_capture_widget->grabMouse();
}

// --- TControl -------------------------------------------------------------------------

TControl::TControl(TComponent *owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
  ControlApplication();
  WindowProc = [this](TMessage &m) { WndProc(m); };
  font_->OnChange = [this](TGraphicsObject *) { FontChanged(); };
}

TControl::~TControl() {
  *alive_ = false;
  if (g_capture_control == this) SetCaptureControl(nullptr);
  if (popup_menu_ != nullptr) popup_menu_->RemoveFreeNotification(this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (widget_ != nullptr) {
    QWidget *w = widget_;
    widget_ = nullptr;
    WidgetControls().remove(w);
    if (auto *cw = dynamic_cast<IControlWidget *>(w)) cw->DetachControl();
    if (dispatch_depth_ > 0 || g_dispatch_depth > 0) {
      // Freed from inside an event: Qt may still hold this widget or one of
      // its children on its stack.
      w->hide();
      w->deleteLater();
    } else {
      delete w;
    }
  }
}

QWidget *TControl::Handle() {
  if (widget_ == nullptr) {
    QWidget *parent_widget = parent_ != nullptr ? parent_->Handle() : nullptr;
    if (widget_ != nullptr) return widget_;  // the parent made ours
    widget_ = CreateWidget(parent_widget);
    WidgetControls().insert(widget_, this);
    InitWidget();
  }
  return widget_;
}

QWidget *TControl::CreateWidget(QWidget *parent_widget) { return new TControlWidget<QWidget>(this, parent_widget); }

void TControl::InitWidget() {
  widget_->setObjectName(Name());
  widget_->setEnabled(enabled_);
  UpdateWidgetGeometry();
  SetTextInWidget(text_);
  ApplyFont();
  ApplyColor();
  SetHint(hint_);
  if (cursor_ != crDefault) widget_->setCursor(CursorToQCursor(cursor_));
  if (parent_ != nullptr) widget_->setVisible(visible_);
}

void TControl::WidgetDestroyed(QWidget *widget) {
  if (widget_ == widget) widget_ = nullptr;
}

void TControl::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popup_menu_) popup_menu_ = nullptr;
}

void TControl::SetParent(TWinControl *parent) {
  if (parent == parent_) return;
  if (parent == this) throw rtl::EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

TComponent *TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent *parent) {
  if (auto *wc = dynamic_cast<TWinControl *>(parent)) SetParent(wc);
}

IControlForm *TControl::ParentFormHost() const {
  const TControl *c = this;
  while (c->parent_ != nullptr) c = c->parent_;
  return const_cast<TControl *>(c)->AsControlForm();
}

TCustomForm *TControl::GetParentForm() const {
  IControlForm *host = ParentFormHost();
  return host != nullptr ? host->Form() : nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const bool resized = width != width_ || height != height_;
  const bool moved = left != left_ || top != top_;
  if (!resized && !moved) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  UpdateWidgetGeometry();
  if (resized) {
    if (auto *wc = dynamic_cast<TWinControl *>(this)) wc->AlignControls();
    Resize();
  }
  if (align_ != alNone) RequestAlign();
}

void TControl::UpdateWidgetGeometry() {
  if (widget_ == nullptr) return;
  if (widget_->isWindow()) {
    widget_->move(left_, top_);
    widget_->resize(width_, height_);
  } else {
    const TPoint origin = parent_ != nullptr ? parent_->ClientOffset() : TPoint{0, 0};
    widget_->setGeometry(left_ + origin.X, top_ + origin.Y, width_, height_);
  }
}

int TControl::ClientWidth() const { return width_; }
int TControl::ClientHeight() const { return height_; }
void TControl::SetClientWidth(int v) { SetWidth(width_ - ClientWidth() + v); }
void TControl::SetClientHeight(int v) { SetHeight(height_ - ClientHeight() + v); }

TPoint TControl::ClientToScreen(const TPoint &p) {
  const TPoint origin = ClientOffset();
  const QPoint q = Handle()->mapToGlobal(QPoint(p.X + origin.X, p.Y + origin.Y));
  return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(const TPoint &p) {
  const TPoint origin = ClientOffset();
  const QPoint q = Handle()->mapFromGlobal(QPoint(p.X, p.Y));
  return {q.x() - origin.X, q.y() - origin.Y};
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_ != nullptr) parent_->AlignControls();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (widget_ != nullptr) widget_->setVisible(visible);
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

bool TControl::Showing() const { return widget_ != nullptr && widget_->isVisible(); }

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (widget_ != nullptr) widget_->setEnabled(enabled);
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const QString &v) {
  if (v == GetText()) return;
  text_ = v;
  if (widget_ != nullptr) SetTextInWidget(v);
  Perform(CM_TEXTCHANGED);
}

void TControl::SetTextInWidget(const QString &) {
  if (widget_ != nullptr) widget_->update();
}

void TControl::SetFont(const TFont *font) { font_->Assign(font); }

void TControl::FontChanged() {
  if (!applying_font_) parent_font_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool value) {
  if (value == parent_font_) return;
  parent_font_ = value;
  if (value && parent_ != nullptr) Perform(CM_PARENTFONTCHANGED);
}

void TControl::ApplyFont() {
  if (widget_ == nullptr) return;
  widget_->setFont(font_->ToQFont());
  QPalette pal = widget_->palette();
  const QColor c = ColorToQColor(font_->Color());
  if (c.isValid()) {
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::ButtonText, c);
  }
  widget_->setPalette(pal);
}

void TControl::SetColor(TColor color) {
  if (color == color_ && !parent_color_) return;
  color_ = color;
  parent_color_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  if (value == parent_color_) return;
  parent_color_ = value;
  if (value && parent_ != nullptr) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::ApplyColor() {
  if (widget_ == nullptr || !PaintsBackground()) return;
  const QColor c = ColorToQColor(color_);
  if (!c.isValid()) return;
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::Window, c);
  widget_->setPalette(pal);
  widget_->setAutoFillBackground(true);
}

void TControl::SetHint(const QString &hint) {
  hint_ = hint;
  if (widget_ != nullptr) widget_->setToolTip(ShowHint() ? hint.section(u'|', 0, 0) : QString());
}

bool TControl::ShowHint() const {
  if (parent_show_hint_ && parent_ != nullptr) return parent_->ShowHint();
  return show_hint_;
}

void TControl::SetShowHint(bool value) {
  show_hint_ = value;
  parent_show_hint_ = false;
  SetHint(hint_);
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
  if (value == parent_show_hint_) return;
  parent_show_hint_ = value;
  SetHint(hint_);
}

void TControl::SetPopupMenu(TComponent *menu) {
  if (menu == popup_menu_) return;
  if (popup_menu_ != nullptr) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = menu;
  if (menu != nullptr) menu->FreeNotification(this);
}

void TControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  if (widget_ == nullptr) return;
  if (cursor == crDefault)
    widget_->unsetCursor();
  else
    widget_->setCursor(CursorToQCursor(cursor));
}

void TControl::Invalidate() {
  if (widget_ != nullptr) widget_->update();
}

void TControl::Repaint() {
  if (widget_ != nullptr) widget_->repaint();
}

void TControl::Update() {
  if (widget_ != nullptr) widget_->repaint();
}

void TControl::BringToFront() {
  if (widget_ != nullptr) widget_->raise();
}

void TControl::SendToBack() {
  if (widget_ != nullptr) widget_->lower();
}

// --- messages ---------------------------------------------------------------------------

LRESULT TControl::Perform(unsigned msg, WPARAM wparam, LPARAM lparam) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wparam;
  m.LParam = lparam;
  WindowProc(m);
  return m.Result;
}

LRESULT TControl::SendMessage(unsigned msg, WPARAM wparam, LPARAM lparam) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wparam;
  m.LParam = lparam;
  HookedDispatch(m);
  return m.Result;
}

void TControl::SendMessage(TMessage &message) { HookedDispatch(message); }

void TControl::HookedDispatch(TMessage &m) {
  ControlApplication();
  // Hooks attached last see the message first; any of them may swallow it.
  const auto hooks = hooks_;
  const std::shared_ptr<bool> alive = alive_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (!it->second.Before) continue;
    bool handled = false;
    try {
      handled = it->second.Before(m);
    } catch (const rtl::Exception &e) {
      ReportException(this, e);
    }
    if (!*alive) return;
    if (handled) return;
  }
  WindowProc(m);
  if (!*alive) return;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (!it->second.After) continue;
    try {
      it->second.After(m);
    } catch (const rtl::Exception &e) {
      ReportException(this, e);
    }
    if (!*alive) return;
  }
}

void TControl::AttachHook(const void *key, TControlHookProcs procs) {
  DetachHook(key);
  hooks_.emplace_back(key, std::move(procs));
}

void TControl::DetachHook(const void *key) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [key](const auto &h) { return h.first == key; }),
               hooks_.end());
}

bool TControl::HasHook(const void *key) const {
  return std::any_of(hooks_.begin(), hooks_.end(), [key](const auto &h) { return h.first == key; });
}

void TControl::WndProc(TMessage &message) { Dispatch(message); }

void TControl::Dispatch(TMessage &m) {
  switch (m.Msg) {
    case WM_PAINT:
      WMPaint(m);
      return;
    case WM_SIZE:
      WMSize(m);
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      WMMouseButton(m);
      return;
    case WM_MOUSEMOVE:
      WMMouseMove(m);
      return;
    case WM_CONTEXTMENU:
      WMContextMenu(m);
      return;
    case WM_MOUSEWHEEL:
      WMMouseWheel(m);
      return;
    case CM_MOUSEENTER:
      CMMouseEnter(m);
      return;
    case CM_MOUSELEAVE:
      CMMouseLeave(m);
      return;
    case CM_ENABLEDCHANGED:
      CMEnabledChanged(m);
      return;
    case CM_VISIBLECHANGED:
      CMVisibleChanged(m);
      return;
    case CM_TEXTCHANGED:
      CMTextChanged(m);
      return;
    case CM_FONTCHANGED:
      CMFontChanged(m);
      return;
    case CM_COLORCHANGED:
      CMColorChanged(m);
      return;
    case CM_PARENTFONTCHANGED:
      CMParentFontChanged(m);
      return;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(m);
      return;
    case CM_SHOWHINTCHANGED:  // refreshes this control and what follows it
    case CM_PARENTSHOWHINTCHANGED:
      CMParentShowHintChanged(m);
      return;
    case CM_HITTEST:
      CMHitTest(m);
      return;
    default:
      DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage &m) {
  if (m.DefaultDone) return;
  m.DefaultDone = true;
  if (m.Event != nullptr && m.DefaultProc != nullptr && *m.DefaultProc) m.DefaultResult = (*m.DefaultProc)(m.Event);
}

bool TControl::HandleQtEvent(QEvent *e, const std::function<bool(QEvent *)> &default_proc) {
  auto def = default_proc;
  TMessage m;
  m.Event = e;
  m.DefaultProc = &def;
  switch (e->type()) {
    case QEvent::Paint:
      m.Msg = WM_PAINT;
      break;
    case QEvent::Resize: {
      const auto *re = static_cast<QResizeEvent *>(e);
      m.Msg = WM_SIZE;
      m.LParam = MakeLParam(re->size().width(), re->size().height());
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      const auto *me = static_cast<QMouseEvent *>(e);
      m.Msg = MouseMessage(e->type(), me->button());
      Qt::MouseButtons buttons = me->buttons();
      if (e->type() == QEvent::MouseButtonRelease) buttons |= me->button();
      m.WParam = MouseKeys(buttons, me->modifiers());
      const QPoint p = me->position().toPoint();
      m.LParam = MakeLParam(p.x(), p.y());
      break;
    }
    case QEvent::Wheel: {
      const auto *we = static_cast<QWheelEvent *>(e);
      m.Msg = WM_MOUSEWHEEL;
      const int delta = we->angleDelta().y();
      m.WParam = static_cast<WPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16) |
                                     MouseKeys(we->buttons(), we->modifiers()));
      const QPoint g = we->globalPosition().toPoint();
      m.LParam = MakeLParam(g.x(), g.y());
      break;
    }
    case QEvent::Enter:
      m.Msg = CM_MOUSEENTER;
      break;
    case QEvent::Leave:
      m.Msg = CM_MOUSELEAVE;
      break;
    case QEvent::FocusIn:
      m.Msg = WM_SETFOCUS;
      m.WParam = static_cast<WPARAM>(static_cast<QFocusEvent *>(e)->reason());
      break;
    case QEvent::FocusOut:
      m.Msg = WM_KILLFOCUS;
      m.WParam = static_cast<WPARAM>(static_cast<QFocusEvent *>(e)->reason());
      break;
    case QEvent::ContextMenu: {
      const auto *ce = static_cast<QContextMenuEvent *>(e);
      m.Msg = WM_CONTEXTMENU;
      m.LParam = MakeLParam(ce->globalPos().x(), ce->globalPos().y());
      break;
    }
    case QEvent::Close:
      m.Msg = WM_CLOSE;
      break;
    case QEvent::WindowActivate:
      m.Msg = WM_ACTIVATE;
      m.WParam = 1;
      break;
    case QEvent::WindowDeactivate:
      m.Msg = WM_ACTIVATE;
      m.WParam = 0;
      break;
    case QEvent::Show:
      m.Msg = WM_SHOWWINDOW;
      m.WParam = 1;
      break;
    case QEvent::Hide:
      m.Msg = WM_SHOWWINDOW;
      m.WParam = 0;
      break;
    case QEvent::Timer:
      m.Msg = WM_TIMER;
      m.WParam = static_cast<WPARAM>(static_cast<QTimerEvent *>(e)->timerId());
      break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (auto *wc = dynamic_cast<TWinControl *>(this)) {
        auto *ke = static_cast<QKeyEvent *>(e);
        const TKeyModifierScope scope(ke->modifiers());
        const std::shared_ptr<bool> alive = alive_;
        ++dispatch_depth_;
        const bool consumed = e->type() == QEvent::KeyPress ? wc->DoKeyDown(m) : wc->DoKeyUp(m);
        if (!*alive) return true;
        --dispatch_depth_;
        // A key belongs to the control that has the focus: it never travels
        // on to the parents, as Qt would do with a key the widget ignores.
        if (!consumed) def(m.Event);
        e->accept();
        return true;
      }
      return def(e);
    default:
      return def(e);
  }
  const std::shared_ptr<bool> alive = alive_;
  // Mouse input passes the application's hooks first, as input from the
  // queue does.
  if (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MBUTTONDBLCLK && HookApplicationMessage(m)) {
    e->accept();
    return true;
  }
  if (!*alive) return true;
  ++dispatch_depth_;
  HookedDispatch(m);
  if (!*alive) return true;
  --dispatch_depth_;
  if (!m.DefaultDone) {
    // A close the control did not pass on must not close the window: the
    // form decides (Close hides or frees it itself).
    if (e->type() == QEvent::Close)
      e->ignore();
    else
      e->accept();
    return true;
  }
  return m.DefaultResult;
}

void TControl::WMPaint(TMessage &m) {
  struct PaintDepth {
    PaintDepth() { ++g_paint_depth; }
    ~PaintDepth() { --g_paint_depth; }
  } depth;
  if (!CustomPainted() || widget_ == nullptr) {
    DefaultHandler(m);
    return;
  }
  m.DefaultDone = false;
  QPainter painter(widget_);
  const QRect area =
      m.Event && m.Event->type() == QEvent::Paint ? static_cast<QPaintEvent *>(m.Event)->rect() : widget_->rect();
  PaintWidget(&painter, area);
}

void TControl::PaintWidget(QPainter *, const QRect &) {}

void TControl::WMSize(TMessage &m) {
  DefaultHandler(m);
  if (widget_ == nullptr || !widget_->isWindow()) return;
  // The window system resized a top-level window: take its size over.
  const int w = m.XPos() & 0xFFFF, h = (m.LParam >> 16) & 0xFFFF;
  if (w != width_ || h != height_) {
    width_ = w;
    height_ = h;
    if (auto *wc = dynamic_cast<TWinControl *>(this)) wc->AlignControls();
    Resize();
  }
}

void TControl::WMMouseButton(TMessage &m) {
  TMouseButton button = mbLeft;
  if (m.Msg >= WM_RBUTTONDOWN && m.Msg <= WM_RBUTTONDBLCLK) button = mbRight;
  if (m.Msg >= WM_MBUTTONDOWN && m.Msg <= WM_MBUTTONDBLCLK) button = mbMiddle;
  const unsigned kind = (m.Msg - WM_LBUTTONDOWN) % 3;  // 0 down, 1 up, 2 double
  TShiftState shift;
  if (m.Keys() & MK_SHIFT) shift.Include(ssShift);
  if (m.Keys() & MK_CONTROL) shift.Include(ssCtrl);
  if (QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier) shift.Include(ssAlt);
  if (m.Keys() & MK_LBUTTON) shift.Include(ssLeft);
  if (m.Keys() & MK_RBUTTON) shift.Include(ssRight);
  if (m.Keys() & MK_MBUTTON) shift.Include(ssMiddle);
  const std::shared_ptr<bool> alive = alive_;
  if (kind == 0 || kind == 2) {
    if (kind == 2) {
      shift.Include(ssDouble);
      if (button == mbLeft && control_style_.Contains(csDoubleClicks)) DblClick();
      if (!*alive) return;
    }
    if (button == mbLeft) {
      control_state_.Include(csLButtonDown);
      if (control_style_.Contains(csClickEvents)) control_state_.Include(csClicked);
    }
    MouseDown(button, shift, m.XPos(), m.YPos());
  } else {
    const bool clicked = button == mbLeft && control_state_.Contains(csClicked);
    if (button == mbLeft) {
      control_state_.Exclude(csLButtonDown);
      control_state_.Exclude(csClicked);
    }
    const bool inside = m.XPos() >= 0 && m.YPos() >= 0 && m.XPos() < width_ && m.YPos() < height_;
    if (clicked && inside) Click();
    if (!*alive) return;
    MouseUp(button, shift, m.XPos(), m.YPos());
  }
  if (!*alive) return;
  DefaultHandler(m);
}

void TControl::WMMouseMove(TMessage &m) {
  TShiftState shift;
  if (m.Keys() & MK_SHIFT) shift.Include(ssShift);
  if (m.Keys() & MK_CONTROL) shift.Include(ssCtrl);
  if (m.Keys() & MK_LBUTTON) shift.Include(ssLeft);
  if (m.Keys() & MK_RBUTTON) shift.Include(ssRight);
  MouseMove(shift, m.XPos(), m.YPos());
  DefaultHandler(m);
}

void TControl::WMContextMenu(TMessage &m) {
  if (popup_menu_ != nullptr && PopupMenuSlot()) {
    PopupMenuSlot()(popup_menu_, this, {m.XPos(), m.YPos()});
    return;
  }
  DefaultHandler(m);
}

void TControl::WMMouseWheel(TMessage &m) {
  const int delta = static_cast<std::int16_t>((m.WParam >> 16) & 0xFFFF);
  TShiftState shift;
  if (m.WParam & MK_SHIFT) shift.Include(ssShift);
  if (m.WParam & MK_CONTROL) shift.Include(ssCtrl);
  if (m.WParam & MK_LBUTTON) shift.Include(ssLeft);
  if (DoMouseWheel(shift, delta, {m.XPos(), m.YPos()})) {
    m.Result = 1;
    return;
  }
  DefaultHandler(m);
}

bool TControl::DoMouseWheel(TShiftState shift, int delta, const TPoint &pos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, delta, pos, handled);
  return handled;
}

void TControl::CMMouseEnter(TMessage &m) {
  mouse_inside_ = true;
  if (OnMouseEnter) OnMouseEnter(this);
  DefaultHandler(m);
}

void TControl::CMMouseLeave(TMessage &m) {
  mouse_inside_ = false;
  if (OnMouseLeave) OnMouseLeave(this);
  DefaultHandler(m);
}

void TControl::CMEnabledChanged(TMessage &m) {
  Invalidate();
  DefaultHandler(m);
}

void TControl::CMVisibleChanged(TMessage &m) {
  RequestAlign();
  DefaultHandler(m);
}

void TControl::CMTextChanged(TMessage &m) {
  Invalidate();
  DefaultHandler(m);
}

void TControl::CMFontChanged(TMessage &m) {
  ApplyFont();
  Invalidate();
  DefaultHandler(m);
}

void TControl::CMColorChanged(TMessage &m) {
  ApplyColor();
  Invalidate();
  DefaultHandler(m);
}

void TControl::CMParentFontChanged(TMessage &m) {
  if (parent_font_ && parent_ != nullptr) {
    applying_font_ = true;
    font_->Assign(parent_->Font());
    applying_font_ = false;
    parent_font_ = true;
  }
  DefaultHandler(m);
}

void TControl::CMParentColorChanged(TMessage &m) {
  if (parent_color_ && parent_ != nullptr) {
    color_ = parent_->Color();
    ApplyColor();
    Invalidate();
  }
  DefaultHandler(m);
}

void TControl::CMParentShowHintChanged(TMessage &m) {
  SetHint(hint_);
  DefaultHandler(m);
}

void TControl::CMHitTest(TMessage &m) { m.Result = 1; }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

}  // namespace vcl
