// Forms, the application object and the screen.
#include "platform/vcl/forms.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWindow>
#include <algorithm>

namespace vcl {

TApplication *Application = nullptr;
TScreen *Screen = nullptr;

namespace {
constexpr char kQtTranslatorName[] = "vcl-qtbase-it";
}  // namespace

void InstallQtTranslations() {
  QCoreApplication *qt_app = QCoreApplication::instance();
  if (qt_app == nullptr || qt_app->findChild<QTranslator *>(QLatin1String(kQtTranslatorName)) != nullptr) return;
  auto *translator = new QTranslator(qt_app);
  translator->setObjectName(QLatin1String(kQtTranslatorName));
  if (translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  // Without the file Qt's own texts stay in English; the translator is kept
  // all the same, so the file is looked for once.
}

void InitApplication() {
  if (Application == nullptr) {
    InstallQtTranslations();
    Application = new TApplication(nullptr);
  }
  if (Screen == nullptr) Screen = new TScreen(nullptr);
}

namespace {
// The controls reach the application through this maker (controls.h).
IControlApplication *MakeControlApplication() {
  InitApplication();
  return Application;
}
[[maybe_unused]] const bool kControlApplicationInstalled = [] {
  SetControlApplicationMaker(&MakeControlApplication);
  return true;
}();

// Made on first use and never freed: no destructor of it runs at exit.
std::vector<std::function<void()>> &ExitProcs() {
  static auto *procs = new std::vector<std::function<void()>>();
  return *procs;
}
}  // namespace

void AddExitProc(std::function<void()> proc) { ExitProcs().push_back(std::move(proc)); }

void DoneApplication() {
  delete Application;
  Application = nullptr;
  auto &procs = ExitProcs();
  while (!procs.empty()) {
    std::function<void()> proc = std::move(procs.back());
    procs.pop_back();
    proc();
  }
  delete Screen;
  Screen = nullptr;
}

QCursor CursorToQCursor(TCursor cursor) {
  switch (cursor) {
    case crNone:
      return QCursor(Qt::BlankCursor);
    case crCross:
      return QCursor(Qt::CrossCursor);
    case crIBeam:
      return QCursor(Qt::IBeamCursor);
    case crSizeNESW:
      return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS:
      return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE:
      return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE:
      return QCursor(Qt::SizeHorCursor);
    case crUpArrow:
      return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
    case crSQLWait:
      return QCursor(Qt::WaitCursor);
    case crDrag:
      return QCursor(Qt::DragMoveCursor);
    case crNoDrop:
    case crNo:
      return QCursor(Qt::ForbiddenCursor);
    case crHSplit:
      return QCursor(Qt::SplitHCursor);
    case crVSplit:
      return QCursor(Qt::SplitVCursor);
    case crMultiDrag:
      return QCursor(Qt::DragCopyCursor);
    case crAppStart:
      return QCursor(Qt::BusyCursor);
    case crHelp:
      return QCursor(Qt::WhatsThisCursor);
    case crHandPoint:
      return QCursor(Qt::PointingHandCursor);
    case crSizeAll:
      return QCursor(Qt::SizeAllCursor);
    case crDefault:
    case crArrow:
      return QCursor(Qt::ArrowCursor);
    default:
      if (Screen != nullptr) return Screen->Cursors(cursor);
      return QCursor(Qt::ArrowCursor);
  }
}

namespace {

bool HasStacking() { return QGuiApplication::platformName() != QLatin1String("offscreen"); }

// The frame a desktop's window manager puts around a window, as learnt from
// the program's windows once shown (left, title bar, right, bottom); until
// one was, the usual frame of a desktop.
TRect &LearntFrame() {
  static TRect frame{4, 24, 4, 4};  // NOLINT(readability-magic-numbers)
  return frame;
}

TRect FrameOf(const QWidget *w) {
  const QRect outer = w->frameGeometry(), inner = w->geometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

// Tells a form's native window (once there is one) whose window it is; a
// window floating over another is declared by its Qt parent.
void DeclareOpenerWindow(TCustomForm *form) {
  if (form->PopupParent() != nullptr) return;
  QWindow *window = form->Handle()->windowHandle();
  if (window == nullptr) return;  // done when the window is made
  TCustomForm *opener = form->OpenerForm();
  QWindow *opener_window = opener != nullptr ? opener->Handle()->windowHandle() : nullptr;
  if (window->transientParent() != opener_window) window->setTransientParent(opener_window);
}

// Keeps a top-level form's place as the desktop moves it (the user
// dragging it, the window manager placing it), and learns the frame.
class WindowMoves : public QObject {
 public:
  WindowMoves(QWidget *w, std::function<void(const QPoint &)> moved, std::function<void()> created)
      : QObject(w), moved_(std::move(moved)), created_(std::move(created)) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    auto *w = qobject_cast<QWidget *>(watched);
    // The native window is made when the widget is first shown, before the
    // window system sees it: the moment to say whose window it is. (Made
    // earlier, it would take the program's place as its client area's
    // rather than its frame's.)
    if (w != nullptr && event->type() == QEvent::WinIdChange && w->windowHandle() != nullptr) created_();
    if (w == nullptr || !w->isWindow() || !w->isVisible()) return false;
    if (event->type() == QEvent::Move || event->type() == QEvent::Show) {
      const TRect frame = FrameOf(w);
      if (frame.Top > 0 && HasStacking()) LearntFrame() = frame;
      if (event->spontaneous()) moved_(w->pos());
    }
    return false;
  }

 private:
  std::function<void(const QPoint &)> moved_;
  std::function<void()> created_;
};

// Brings a window to the front and activates it. Platforms without window
// stacking (the offscreen one) only activate it.
void RaiseWindow(QWidget *w) {
  if (HasStacking()) w->raise();
  w->activateWindow();
}

// The second half of a destroying `delete`, once the object's own first
// step ran: the destructors, then the memory of the whole object.
template <class T>
void DestroyAndFree(T *object) {
  void *block = dynamic_cast<void *>(object);
  object->~T();
  ::operator delete(block);
}

// OnDestroy's handler: a failure goes to the application, the object goes
// on being freed.
void RunDestroyHandler(rtl::TObject *sender, const std::function<void()> &handler) {
  try {
    handler();
  } catch (const rtl::Exception &e) {
    if (Application != nullptr) Application->HandleException(sender, e);
  }
}

}  // namespace

// --- TCustomForm ------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent *owner) : TWinControl(owner), canvas_(std::make_unique<TCanvas>()) {
  visible_ = false;
  parent_color_ = false;
  parent_font_ = false;
  color_ = clBtnFace;
  width_ = 320;
  height_ = 240;
  Screen->AddForm(this);
}

void TCustomForm::operator delete(TCustomForm *form, std::destroying_delete_t) {
  form->BeforeDestruction();
  DestroyAndFree(form);
}

void TCustomForm::BeforeDestruction() {
  if (destroyed_event_done_) return;
  destroyed_event_done_ = true;
  RunDestroyHandler(this, [this] { DoDestroy(); });
}

TCustomForm::~TCustomForm() {
  BeforeDestruction();
  Destroying();
  if (modal_loop_ != nullptr) modal_loop_->quit();
  // The watcher of the window's moves calls back into the form: it goes
  // now, not with the widget, which outlives the form's own part and still
  // reports its window's end.
  if (widget_ != nullptr) {
    const QObjectList children = widget_->children();
    for (QObject *child : children)
      if (dynamic_cast<WindowMoves *>(child) != nullptr) delete child;
  }
  if (Screen != nullptr) Screen->RemoveForm(this);
  if (Application != nullptr && Application->MainForm() == this) Application->SetMainForm(nullptr);
  // Free what the form owns while it is still a form, so the overrides of
  // Notification and the focus bookkeeping still run.
  DestroyComponents();
  while (ControlCount() > 0) delete Controls(ControlCount() - 1);
  active_control_ = nullptr;
  entered_ = nullptr;
}

void TCustomForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  DoCreate();
}

QWidget *TCustomForm::CreateWidget(QWidget *parent_widget) {
  // A window floating over another is its Qt child, so a modal window
  // does not block it.
  if (parent_widget == nullptr && popup_parent_ != nullptr) parent_widget = popup_parent_->Handle();
  auto *w = new TControlWidget<QWidget>(this, parent_widget);
  if (IsTopLevel()) w->setWindowFlag(Qt::Window, true);
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  return w;
}

void TCustomForm::InitWidget() {
  TWinControl::InitWidget();
  if (IsTopLevel())
    widget_->installEventFilter(new WindowMoves(
        widget_,
        [this](const QPoint &at) {
          left_ = at.x();
          top_ = at.y();
        },
        [this] { DeclareOpenerWindow(this); }));
  widget_->setFocusPolicy(Qt::NoFocus);
  widget_->setWindowTitle(text_);
  ApplyWindowFlags();
}

void TCustomForm::SetTextInWidget(const QString &text) {
  if (widget_ != nullptr) widget_->setWindowTitle(text);
}

void TCustomForm::ApplyWindowFlags() {
  if (widget_ == nullptr || !IsTopLevel()) return;
  // A window opened by another is a secondary window of it: the desktop
  // is told whose it is only for secondary windows.
  Qt::WindowFlags flags = opener_ != nullptr ? Qt::Dialog : Qt::Window;
  switch (border_style_) {
    case bsNone:
      flags |= Qt::FramelessWindowHint;
      break;
    case bsDialog:
      flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
      break;
    case bsToolWindow:
    case bsSizeToolWin:
      flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
      break;
    default:
      flags |= Qt::WindowTitleHint;
      if (border_icons_.Contains(biSystemMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (border_icons_.Contains(biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
      if (border_icons_.Contains(biMaximize) && border_style_ == bsSizeable) flags |= Qt::WindowMaximizeButtonHint;
      break;
  }
  if (form_style_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  if (own_frame_on_) flags |= Qt::FramelessWindowHint;
  const bool shown = widget_->isVisible();
  widget_->setWindowFlags(flags);
  ApplyFixedSize();
  if (shown) widget_->show();
}

bool TCustomForm::FixedBorder() const {
  return border_style_ == bsSingle || border_style_ == bsDialog || border_style_ == bsToolWindow;
}

void TCustomForm::ApplyFixedSize() {
  if (widget_ == nullptr || !IsTopLevel()) return;
  if (FixedBorder()) {
    widget_->setFixedSize(Width(), Height());
    fixed_size_ = true;
  } else if (fixed_size_) {
    // Back to a sizeable border: the limits go (others set their own).
    widget_->setMinimumSize(0, 0);
    widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    fixed_size_ = false;
  }
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  if (fixed_size_ && widget_ != nullptr) {
    widget_->setMinimumSize(0, 0);
    widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  TWinControl::SetBounds(left, top, width, height);
  if (fixed_size_) ApplyFixedSize();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  border_style_ = style;
  ApplyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  border_icons_ = icons;
  ApplyWindowFlags();
}

void TCustomForm::SetPosition(TPosition position) { position_ = position; }

void TCustomForm::SetFormStyle(TFormStyle style) {
  form_style_ = style;
  ApplyWindowFlags();
}

TWindowState TCustomForm::WindowState() const {
  if (widget_ == nullptr) return window_state_;
  const Qt::WindowStates s = widget_->windowState();
  if (s & Qt::WindowMinimized) return wsMinimized;
  if (s & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState state) {
  window_state_ = state;
  if (widget_ == nullptr) return;
  const Qt::WindowStates s = state == wsMinimized   ? Qt::WindowMinimized
                             : state == wsMaximized ? Qt::WindowMaximized
                                                    : Qt::WindowNoState;
  widget_->setWindowState(s);
}

void TCustomForm::PlaceWindow() {
  if (placed_ || !IsTopLevel()) return;
  placed_ = true;
  TCustomForm *over = nullptr;
  if (position_ == poMainFormCenter) over = Application->MainForm();
  if (position_ == poOwnerFormCenter) over = dynamic_cast<TCustomForm *>(Owner());
  if (over == this) over = nullptr;
  // Centred as the user sees it: the whole window, frame included, on the
  // work area or on the other window.
  const TRect frame = FrameWidths();
  const int outer_w = Width() + frame.Left + frame.Right, outer_h = Height() + frame.Top + frame.Bottom;
  if (position_ == poScreenCenter || position_ == poDesktopCenter ||
      ((position_ == poMainFormCenter || position_ == poOwnerFormCenter) && over == nullptr)) {
    const TRect area = Screen->WorkArea();
    SetBounds(area.Left + (area.Width() - outer_w) / 2, area.Top + (area.Height() - outer_h) / 2, Width(), Height());
  } else if (over != nullptr) {
    const TRect around = over->FrameRect();
    SetBounds(around.Left + (around.Width() - outer_w) / 2, around.Top + (around.Height() - outer_h) / 2, Width(),
              Height());
  }
}

TRect TCustomForm::FrameWidths() const {
  if (!IsTopLevel() || own_frame_on_ || border_style_ == bsNone || !HasStacking()) return {};
  if (widget_ != nullptr && widget_->isVisible()) {
    const TRect frame = FrameOf(widget_);
    if (frame.Top > 0) return frame;
  }
  return LearntFrame();
}

TRect TCustomForm::FrameRect() const {
  const TRect frame = FrameWidths();
  return {Left(), Top(), Left() + frame.Left + Width() + frame.Right, Top() + frame.Top + Height() + frame.Bottom};
}

void TCustomForm::FitInWorkArea() {
  if (!IsTopLevel()) return;
  const TRect area = Screen->WorkArea();
  if (area.IsEmpty()) return;
  // Without a desktop (the offscreen platform) there is no screen to keep
  // the window on, unless a work area was given for the purpose.
  if (!HasStacking() && !Screen->WorkAreaGiven()) return;
  const TRect frame = FrameWidths();
  int w = Width(), h = Height();
  if (!FixedBorder()) {
    w = std::min(w, area.Width() - frame.Left - frame.Right);
    h = std::min(h, area.Height() - frame.Top - frame.Bottom);
  }
  const int outer_w = w + frame.Left + frame.Right, outer_h = h + frame.Top + frame.Bottom;
  // Too large to fit (a fixed size): the title bar stays reachable.
  const int left = std::max(area.Left, std::min(Left(), area.Right - outer_w));
  const int top = std::max(area.Top, std::min(Top(), area.Bottom - outer_h));
  if (left != Left() || top != Top() || w != Width() || h != Height()) SetBounds(left, top, w, h);
}

void TCustomForm::DeclareOpener() {
  if (!IsTopLevel()) return;
  const auto shown = [this](const TCustomForm *f) {
    return f != nullptr && f != this && f->IsTopLevel() && f->widget_ != nullptr && f->widget_->isVisible();
  };
  TCustomForm *opener = popup_parent_;
  if (opener == nullptr && Application->MainForm() != this) {
    for (TComponent *o = Owner(); o != nullptr && opener == nullptr; o = o->Owner())
      opener = dynamic_cast<TCustomForm *>(o);
    if (!shown(opener)) opener = Screen->ActiveForm();
    if (!shown(opener)) opener = Application->MainForm();
    if (!shown(opener)) opener = nullptr;
    // Never a window that was itself opened by this one.
    for (const TCustomForm *f = opener; f != nullptr; f = f->opener_)
      if (f == this) {
        opener = nullptr;
        break;
      }
  }
  if (opener != opener_) {
    if (opener_ != nullptr && opener_ != popup_parent_) opener_->RemoveFreeNotification(this);
    const bool kind_changed = (opener == nullptr) != (opener_ == nullptr);
    opener_ = opener;
    if (opener_ != nullptr) opener_->FreeNotification(this);
    if (kind_changed) ApplyWindowFlags();
  }
  DeclareOpenerWindow(this);
}

void TCustomForm::SetVisible(bool visible) {
  if (!IsTopLevel()) {
    TWinControl::SetVisible(visible);
    return;
  }
  visible_ = visible;
  QWidget *w = Handle();
  if (visible) {
    DeclareOpener();
    PlaceWindow();
    FitInWorkArea();
    if (window_state_ != wsNormal) SetWindowState(window_state_);
    w->show();
    RaiseWindow(w);
  } else {
    w->hide();
  }
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::BringToFront() {
  if (widget_ != nullptr && widget_->isVisible()) RaiseWindow(widget_);
}

void TCustomForm::BringAbove() {
  if (widget_ != nullptr && widget_->isVisible() && HasStacking()) widget_->raise();
}

bool TCustomForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TCustomForm::DoClose(TCloseAction &action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (IsModal()) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  const std::shared_ptr<bool> alive = AliveToken();
  DoClose(action);
  if (!*alive || action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    Hide();
    return;
  }
  switch (action) {
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
}

void TCustomForm::Release() {
  if (widget_ != nullptr) widget_->hide();
  const std::shared_ptr<bool> alive = AliveToken();
  QTimer::singleShot(0, QCoreApplication::instance(), [this, alive] {
    if (*alive) delete this;
  });
}

void TCustomForm::SetModalResult(TModalResult result) {
  modal_result_ = result;
  if (modal_loop_ != nullptr && result != mrNone) modal_loop_->quit();
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) modal_result_ = mrNone;
}

TModalResult TCustomForm::ShowModal() {
  if (IsModal() || (IsTopLevel() && widget_ != nullptr && widget_->isVisible()) || !Enabled())
    throw rtl::EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
  QWidget *w = Handle();
  w->setWindowModality(Qt::ApplicationModal);
  modal_result_ = mrNone;
  QEventLoop loop;
  modal_loop_ = &loop;
  const std::shared_ptr<bool> alive = AliveToken();
  Show();
  TModalResult result = mrNone;
  for (;;) {
    if (modal_result_ == mrNone) {
      loop.exec();
      // Once the application has been told to quit every event loop returns
      // at once: the form then waits for the events itself, not spinning.
      if (modal_result_ == mrNone && *alive && !Application->Terminated())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (!*alive) return mrCancel;
    if (Application->Terminated() && modal_result_ == mrNone) modal_result_ = mrCancel;
    if (modal_result_ != mrNone) {
      CloseModal();
      if (!*alive) return mrCancel;
      if (modal_result_ != mrNone) break;
    }
  }
  result = modal_result_;
  modal_loop_ = nullptr;
  Hide();
  if (widget_ != nullptr) widget_->setWindowModality(Qt::NonModal);
  return result;
}

void TCustomForm::SetActiveControl(TWinControl *control) {
  if (control == active_control_) return;
  if (control != nullptr && (!ContainsControl(control) || control == this || !control->CanFocus()))
    throw rtl::EInvalidOperation(QString::fromLatin1(kCannotFocus));
  active_control_ = control;
  if (control != nullptr && active_) FocusControl(control);
}

void TCustomForm::FocusControl(TWinControl *control) {
  active_control_ = control;
  // Qt reports the change back through the control's WM_SETFOCUS; in an
  // inactive window it waits until the window is activated.
  control->Handle()->setFocus(Qt::OtherFocusReason);
}

bool TCustomForm::SetFocusedControl(TWinControl *control) {
  if (IsDestroying() || control == nullptr || control == this) return false;
  const unsigned serial = ++focus_serial_;
  active_control_ = control;
  if (Screen->OnActiveControlChange) Screen->OnActiveControlChange(Screen);
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
  if (focus_serial_ != serial) return false;
  if (entered_ == control) return true;
  const auto up = [this](TWinControl *c) -> TWinControl * {
    TWinControl *p = c->Parent();
    return p == this ? nullptr : p;
  };
  // Leave the controls that do not contain the new one, innermost first.
  while (entered_ != nullptr && !entered_->ContainsControl(control)) {
    TWinControl *leaving = entered_;
    if (std::find(exiting_.begin(), exiting_.end(), leaving) != exiting_.end()) {
      entered_ = up(leaving);
      continue;
    }
    exiting_.push_back(leaving);
    leaving->Perform(CM_EXIT);
    exiting_.erase(std::find(exiting_.begin(), exiting_.end(), leaving));
    // OnExit moved the focus: that change has done the rest.
    if (focus_serial_ != serial) return false;
    entered_ = up(leaving);
  }
  // Enter the controls down to the new one, outermost first.
  std::vector<TWinControl *> chain;
  for (TWinControl *c = control; c != nullptr && c != this && c != entered_; c = c->Parent()) chain.push_back(c);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    entered_ = *it;
    (*it)->Perform(CM_ENTER);
    if (focus_serial_ != serial) return false;
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl *control, bool removing) {
  if (control == nullptr) return;
  if (active_control_ != nullptr && control->ContainsControl(active_control_)) {
    TWinControl *p = removing ? control->Parent() : nullptr;
    active_control_ = p == this ? nullptr : p;
  }
  if (entered_ != nullptr && control->ContainsControl(entered_)) {
    TWinControl *p = control->Parent();
    entered_ = p == this ? nullptr : p;
  }
  exiting_.erase(std::remove(exiting_.begin(), exiting_.end(), control), exiting_.end());
}

void TCustomForm::SetPopupParent(TCustomForm *form) {
  if (form == this || form == popup_parent_) return;
  if (popup_parent_ != nullptr) popup_parent_->RemoveFreeNotification(this);
  // The opener is chosen again when the window is next shown.
  if (opener_ == popup_parent_) opener_ = nullptr;
  popup_parent_ = form;
  if (form != nullptr) form->FreeNotification(this);
  if (widget_ == nullptr || !IsTopLevel()) return;
  const bool shown = widget_->isVisible();
  const QPoint at = widget_->pos();
  widget_->setParent(form != nullptr ? form->Handle() : nullptr, widget_->windowFlags() | Qt::Window);
  ApplyWindowFlags();
  widget_->move(at);
  if (shown) widget_->show();
}

void TCustomForm::Notification(TComponent *component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == popup_parent_) {
    // Its window is going, and Qt takes its child windows with it: ours
    // becomes a window of its own first.
    popup_parent_ = nullptr;
    if (widget_ != nullptr && IsTopLevel()) {
      const bool shown = widget_->isVisible();
      widget_->setParent(nullptr, widget_->windowFlags() | Qt::Window);
      if (shown) widget_->show();
    }
  }
  if (operation == opRemove && component == opener_) opener_ = nullptr;
  if (operation == opRemove) {
    if (component == active_control_) active_control_ = nullptr;
    if (component == entered_) entered_ = nullptr;
  }
}

void TCustomForm::GetChildren(const std::function<void(TComponent *)> &proc, TComponent *root) {
  TWinControl::GetChildren(proc, root);
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent *c = Components(i);
    if (!c->HasParent()) proc(c);
  }
}

void TCustomForm::Dispatch(TMessage &m) {
  switch (m.Msg) {
    case WM_CLOSE:
      WMClose(m);
      return;
    case WM_ACTIVATE:
      WMActivate(m);
      return;
    case WM_SHOWWINDOW:
      WMShowWindow(m);
      return;
    default:
      TWinControl::Dispatch(m);
  }
}

void TCustomForm::WMClose(TMessage &) { Close(); }

bool TCustomForm::MenuChar(QChar ch) { return menu_ != nullptr && menu_->MenuChar(ch); }

void TCustomForm::MenuKey() {
  if (menu_ != nullptr) menu_->EnterMenuLoop();
}

void TCustomForm::SetMenu(IFormMenu *menu) {
  if (menu == menu_) return;
  menu_ = menu;
  MenuBarChanged();
}

int TCustomForm::MenuBarHeight() const {
  QWidget *bar = menu_ != nullptr ? menu_->MenuBarWidget() : nullptr;
  return bar != nullptr ? bar->sizeHint().height() : 0;
}

int TCustomForm::ClientWidth() const { return std::max(0, Width() - own_frame_.Left - own_frame_.Right); }

int TCustomForm::ClientHeight() const {
  return std::max(0, Height() - own_frame_.Top - own_frame_.Bottom - MenuBarHeight());
}

void TCustomForm::SetOwnFrame(const TRect &widths) {
  if (own_frame_on_ && widths == own_frame_) return;
  const bool was = own_frame_on_;
  own_frame_ = widths;
  own_frame_on_ = true;
  if (!was) ApplyWindowFlags();
  MenuBarChanged();
  Invalidate();
}

void TCustomForm::ClearOwnFrame() {
  if (!own_frame_on_) return;
  own_frame_on_ = false;
  own_frame_ = TRect{};
  ApplyWindowFlags();
  MenuBarChanged();
  Invalidate();
}

void TCustomForm::MenuBarChanged() {
  if (QWidget *bar = menu_ != nullptr ? menu_->MenuBarWidget() : nullptr)
    bar->setGeometry(own_frame_.Left, own_frame_.Top, ClientWidth(), MenuBarHeight());
  // Every child moves below the bar (or back up), aligned or not.
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->UpdateWidgetGeometry();
  AlignControls();
}

void TCustomForm::Resize() {
  if (QWidget *bar = menu_ != nullptr ? menu_->MenuBarWidget() : nullptr)
    bar->setGeometry(own_frame_.Left, own_frame_.Top, ClientWidth(), MenuBarHeight());
  TWinControl::Resize();
}

void TCustomForm::WMActivate(TMessage &m) {
  DefaultHandler(m);
  if (m.WParam != 0) {
    if (active_) return;
    active_ = true;
    Screen->ActiveFormChanged();
    // A form shows its active control, or its first one, focused.
    if (active_control_ == nullptr) {
      TWinControl *first = FindNextControl(nullptr, true, true, false);
      if (first != nullptr) FocusControl(first);
    } else if (active_control_->CanFocus() && !active_control_->Focused()) {
      FocusControl(active_control_);
    }
    Activate();
  } else {
    if (!active_) return;
    active_ = false;
    Deactivate();
  }
}

void TCustomForm::WMShowWindow(TMessage &m) {
  DefaultHandler(m);
  if (m.Event != nullptr && m.Event->spontaneous()) return;  // minimise/restore
  if (m.WParam != 0)
    DoShow();
  else
    DoHide();
}

void TCustomForm::CMDialogKey(TMessage &m) {
  if ((m.LParam & KF_ALTDOWN_BIT) == 0) {
    const TShiftState shift = KeyDataToShiftState(m.LParam);
    switch (m.CharCode()) {
      case VK_TAB:
        if (!shift.Contains(ssCtrl)) {
          SelectNext(active_control_, !shift.Contains(ssShift), true);
          m.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (active_control_ != nullptr && active_control_->Parent() != nullptr) {
          active_control_->Parent()->SelectNext(active_control_, m.CharCode() == VK_RIGHT || m.CharCode() == VK_DOWN,
                                                false);
          m.Result = 1;
          return;
        }
        break;
      default:
        break;
    }
  }
  TWinControl::CMDialogKey(m);
}

void TCustomForm::PaintWidget(QPainter *painter, const QRect &) {
  // The form paints its client area, below the menu bar (and inside a frame
  // of its own).
  if (own_frame_on_) painter->setClipRect(ClientOffset().X, ClientOffset().Y, ClientWidth(), ClientHeight());
  painter->translate(ClientOffset().X, ClientOffset().Y);
  canvas_->Font()->Assign(Font());
  canvas_->Brush()->SetColor(Color());
  canvas_->BeginPaint(painter);
  try {
    Paint();
  } catch (...) {
    canvas_->EndPaint();
    throw;
  }
  canvas_->EndPaint();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

ORBISCA_PUBLISHED(TCustomForm, TWinControl) {
  p.Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  p.Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
  p.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  p.Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  p.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  p.Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
  p.Property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  p.Event("OnActivate", &TCustomForm::OnActivate);
  p.Event("OnClose", &TCustomForm::OnClose);
  p.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
  p.Event("OnCreate", &TCustomForm::OnCreate);
  p.Event("OnDeactivate", &TCustomForm::OnDeactivate);
  p.Event("OnDestroy", &TCustomForm::OnDestroy);
  p.Event("OnPaint", &TCustomForm::OnPaint);
  p.Event("OnShow", &TCustomForm::OnShow);
}

// --- TDataModule ----------------------------------------------------------------------------

TDataModule::TDataModule(TComponent *owner) : TComponent(owner) {
  InitApplication();
  Screen->AddDataModule(this);
}

void TDataModule::operator delete(TDataModule *module, std::destroying_delete_t) {
  module->BeforeDestruction();
  DestroyAndFree(module);
}

void TDataModule::BeforeDestruction() {
  if (destroyed_event_done_) return;
  destroyed_event_done_ = true;
  if (OnDestroy) RunDestroyHandler(this, [this] { OnDestroy(this); });
}

TDataModule::~TDataModule() {
  BeforeDestruction();
  Destroying();
  if (Screen != nullptr) Screen->RemoveDataModule(this);
  DestroyComponents();
}

void TDataModule::AfterConstruction() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TDataModule::GetChildren(const std::function<void(TComponent *)> &proc, TComponent *root) {
  if (root != this) return;
  for (int i = 0; i < ComponentCount(); ++i)
    if (!Components(i)->HasParent()) proc(Components(i));
}

// --- TApplication -------------------------------------------------------------------------------

TApplication::TApplication(TComponent *owner) : TComponent(owner) {
  title_ = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
}

void TApplication::SetTitle(const QString &title) {
  title_ = title;
  QCoreApplication::setApplicationName(title);
}

QString TApplication::ExeName() const { return QCoreApplication::applicationFilePath(); }

void TApplication::FormCreated(TCustomForm *form) {
  if (main_form_ == nullptr) main_form_ = form;
  form->AfterConstruction();
}

void TApplication::Run() {
  if (main_form_ == nullptr || terminated_) return;
  main_form_->Show();
  if (!terminated_) QApplication::exec();
}

void TApplication::Terminate() {
  terminated_ = true;
  QCoreApplication::exit(0);
}

namespace {

// Holds back the repaint requests that arrive while events are pumped from
// inside a paint handler, and asks for them again afterwards: Qt cannot
// paint a window while it is painting it.
class DeferredRepaints : public QObject {
 public:
  bool eventFilter(QObject *watched, QEvent *event) override {
    const QEvent::Type t = event->type();
    if (t == QEvent::UpdateRequest || t == QEvent::UpdateLater || t == QEvent::Paint) {
      if (!held_.contains(watched)) held_.append(QPointer<QObject>(watched));
      return true;
    }
    return false;
  }
  void Replay() {
    for (const QPointer<QObject> &o : held_) {
      if (auto *w = qobject_cast<QWidget *>(o.data()))
        w->update();
      else if (auto *win = qobject_cast<QWindow *>(o.data()))
        win->requestUpdate();
    }
    held_.clear();
  }

 private:
  QList<QPointer<QObject>> held_;
};

}  // namespace

void TApplication::ProcessMessages() {
  if (!PaintInProgress()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  DeferredRepaints deferred;
  QCoreApplication::instance()->installEventFilter(&deferred);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::instance()->removeEventFilter(&deferred);
  deferred.Replay();
}

void TApplication::HandleMessage() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::HandleException(rtl::TObject *sender) {
  try {
    throw;
  } catch (const rtl::Exception &e) {
    HandleException(sender, e);
  } catch (const std::exception &e) {
    HandleException(sender, rtl::Exception(QString::fromUtf8(e.what())));
  } catch (...) {
    HandleException(sender, rtl::Exception(QStringLiteral("Unknown exception")));
  }
}

void TApplication::HandleException(rtl::TObject *sender, const rtl::Exception &e) {
  if (e.InheritsFrom("EAbort")) return;
  if (OnException) {
    try {
      OnException(sender, e);
      return;
    } catch (const rtl::Exception &inner) {
      ShowException(inner);
      return;
    }
  }
  ShowException(e);
}

void TApplication::ShowException(const rtl::Exception &e) {
  QString text = e.Message();
  // The platform ends the sentence unless the text already ends in a
  // punctuation mark.
  if (!text.isEmpty() && text.back() > QChar(u'.')) text += u'.';
  if (ShowExceptionSlot) {
    ShowExceptionSlot(title_, text);
    return;
  }
  // Without a screen (tests on the offscreen platform) nobody could close
  // a message box: the text goes to the log instead.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    qWarning("%s: %s", qPrintable(title_), qPrintable(text));
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), title_, text);
}

QCursor TApplication::CursorOf(int cursor) const { return CursorToQCursor(cursor); }

void TApplication::HookMainWindow(const void *key, TWindowHook hook) {
  UnhookMainWindow(key);
  hooks_.emplace_back(key, std::move(hook));
}

void TApplication::UnhookMainWindow(const void *key) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [key](const auto &h) { return h.first == key; }),
               hooks_.end());
}

bool TApplication::HookMessage(TMessage &message) {
  try {
    if (OnMessage) {
      bool handled = false;
      const TMessageEvent handler = OnMessage;  // a handler may replace it
      handler(message, handled);
      if (handled) return true;
    }
    const auto hooks = hooks_;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
      if (it->second && it->second(message)) return true;
  } catch (const rtl::Exception &e) {
    HandleException(this, e);
  }
  return false;
}

void TApplication::SetHint(const QString &hint) {
  if (hint == hint_) return;
  hint_ = hint;
  if (OnHint) OnHint(this);
}

// --- TScreen ------------------------------------------------------------------------------

TScreen::TScreen(TComponent *owner) : TComponent(owner), hint_font_(std::make_unique<TFont>()) {}

TScreen::~TScreen() {
  if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
}

void TScreen::AddForm(TCustomForm *form) { forms_.push_back(form); }

void TScreen::RemoveForm(TCustomForm *form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

void TScreen::AddDataModule(TDataModule *module) { data_modules_.push_back(module); }

void TScreen::RemoveDataModule(TDataModule *module) {
  data_modules_.erase(std::remove(data_modules_.begin(), data_modules_.end(), module), data_modules_.end());
}

TCustomForm *TScreen::ActiveForm() const {
  for (TCustomForm *f : forms_)
    if (f->Active()) return f;
  return nullptr;
}

TWinControl *TScreen::ActiveControl() const {
  TCustomForm *f = ActiveForm();
  return f != nullptr ? f->ActiveControl() : nullptr;
}

void TScreen::ActiveFormChanged() {
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
  cursor_ = cursor;
  if (cursor != crDefault) QApplication::setOverrideCursor(CursorToQCursor(cursor));
}

QCursor TScreen::Cursors(TCursor index) const {
  const auto it = cursors_.constFind(index);
  if (it != cursors_.constEnd()) return it.value();
  if (index <= 0) return CursorToQCursor(index);
  return QCursor(Qt::ArrowCursor);
}

void TScreen::SetCursors(TCursor index, const QCursor &cursor) { cursors_.insert(index, cursor); }

int TScreen::Width() const {
  const QScreen *s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
  const QScreen *s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

TRect TScreen::WorkArea() const {
  if (!work_area_.IsEmpty()) return work_area_;
  const QScreen *s = QGuiApplication::primaryScreen();
  if (s == nullptr) return {};
  const QRect r = s->availableGeometry();
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

int TScreen::PixelsPerInch() const {
  if (pixels_per_inch_ > 0) return pixels_per_inch_;
  const QScreen *s = QGuiApplication::primaryScreen();
  const int dpi = s != nullptr ? qRound(s->logicalDotsPerInch()) : 96;
  return dpi > 0 ? dpi : 96;
}

QStringList TScreen::Fonts() const {
  QStringList list = QFontDatabase::families();
  list.sort(Qt::CaseInsensitive);
  return list;
}

}  // namespace vcl
