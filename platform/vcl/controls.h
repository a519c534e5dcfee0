// Controls on Qt Widgets. Every control owns a QWidget (created when it is
// first needed: `Handle()`), and every Qt event of that widget reaches the
// control through one path, as a message:
//
//   Qt event -> [application message hook: Application->OnMessage and the
//   HookMainWindow list, for input that "comes from the queue"]
//   -> widget's event() -> control window hooks' Before (last attached
//   first) -> WindowProc (replaceable; default WndProc) -> Dispatch (the
//   message handlers, virtual per message) -> DefaultHandler (the widget's
//   own Qt handling) -> control window hooks' After.
//
// A message that never reaches DefaultHandler is swallowed: Qt does not see
// the event. No exception leaves a dispatch: it goes to
// Application->HandleException and the loop goes on.
//
// Keys follow the platform's order: CN_KEYDOWN first (Tab, arrows, Enter,
// Esc become dialog keys of the form unless the control wants them, asked
// through CM_WANTSPECIALKEY and WM_GETDLGCODE); then WM_KEYDOWN (the form's
// OnKeyDown with KeyPreview, then the control's; Key = 0 stops the key's
// default action); then, for a key that types a character, CN_CHAR
// (accelerators) and WM_CHAR (OnKeyPress; Key = 0 swallows the character).
// Tab moves the focus through the layer's own tab order, never Qt's.
//
// Focus follows the platform: the form keeps which control was entered;
// when another control gets the focus the entered controls up to the common
// parent get CM_EXIT (OnExit) and then the new ones CM_ENTER (OnEnter), and
// if an OnExit or OnEnter moves the focus elsewhere the rest of the first
// change is dropped. Window activation and popups raise neither.
//
// Windowless controls (TGraphicControl) also get a widget, which takes no
// focus, paints through TCanvas and is kept below its windowed siblings.
//
// The controls reach the form they are on and the application only through
// the two interfaces below (IControlForm, IControlApplication), which the
// forms unit implements: this unit knows nothing of forms.
#pragma once

#include <QCursor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/typinfo.h"

class QPainter;

namespace vcl {

class TControl;
class TWinControl;
class TCustomForm;

using rtl::TNotifyEvent;

// What a control asks of the form it lies on (TCustomForm gives it).
class IControlForm {
 public:
  // The form as a control, and as itself.
  virtual TWinControl *FormControl() = 0;
  virtual TCustomForm *Form() = 0;
  virtual bool KeyPreview() const = 0;
  // The focus bookkeeping of forms.h.
  virtual bool SetFocusedControl(TWinControl *control) = 0;
  virtual void FocusControl(TWinControl *control) = 0;
  virtual void DefocusControl(TWinControl *control, bool removing) = 0;
  // Alt+letter that no control of the form took: the form's menu may.
  virtual bool MenuChar(QChar ch) = 0;
  // Alt pressed and released alone, or F10: the form's menu bar takes the keys.
  virtual void MenuKey() = 0;

 protected:
  ~IControlForm() = default;
};

// What a control asks of the application (TApplication gives it): the road
// of an exception that reaches the event loop, and the hooks that see input
// before any control.
class IControlApplication {
 public:
  virtual void HandleException(rtl::TObject *sender, const rtl::Exception &e) = 0;
  virtual bool HookMessage(TMessage &message) = 0;
  // The Qt cursor of a platform cursor number (the screen's own included).
  virtual QCursor CursorOf(int cursor) const = 0;

 protected:
  ~IControlApplication() = default;
};

// The application as the controls reach it, made on first use by the maker
// the forms unit installs; nullptr before that.
IControlApplication *ControlApplication();
void SetControlApplicationMaker(IControlApplication *(*maker)());

using TKeyEvent = std::function<void(rtl::TObject *sender, int &key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(rtl::TObject *sender, QChar &key)>;
using TMouseEvent = std::function<void(rtl::TObject *sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(rtl::TObject *sender, TShiftState shift, int x, int y)>;
// `delta` in the platform's units (120 a notch, positive away from the
// user); `pos` in screen coordinates; setting `handled` keeps the widget
// from scrolling.
using TMouseWheelEvent =
    std::function<void(rtl::TObject *sender, TShiftState shift, int delta, TPoint pos, bool &handled)>;

ORBISCA_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient)
ORBISCA_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
ORBISCA_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
// Controls take only bsNone and bsSingle.
using TBorderStyle = TFormBorderStyle;
ORBISCA_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
ORBISCA_ENUM_INFO(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
ORBISCA_ENUM_INFO(TFontPitch, fpDefault, fpVariable, fpFixed)

// Screen cursors: the platform's numbers. Others are registered with
// Screen->SetCursors.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// What a control is (the platform's ControlStyle).
enum TControlStyleFlag {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
};
using TControlStyle = TEnumSet<TControlStyleFlag>;

// What a control is doing (the platform's ControlState).
enum TControlStateFlag {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking,
};
using TControlState = TEnumSet<TControlStateFlag>;

// A hook on one control's messages (window hook components attach these).
// Before runs before the control handles the message and may swallow it by
// returning true; After runs after it was handled.
struct TControlHookProcs {
  std::function<bool(TMessage &)> Before;
  std::function<void(TMessage &)> After;
};

// The widget type of every control: a Qt widget class whose event() hands
// each event to the control first. Base is QWidget or any widget class the
// control wraps (QLineEdit, QPlainTextEdit, QPushButton...).
bool DispatchQtEvent(TControl *control, QWidget *widget, QEvent *event,
                     const std::function<bool(QEvent *)> &default_proc);
void ControlWidgetDestroyed(TControl *control, QWidget *widget);

// What every control widget answers, whatever its Qt class.
class IControlWidget {
 public:
  virtual ~IControlWidget() = default;
  virtual TControl *Control() const = 0;
  virtual void DetachControl() = 0;
};

template <typename Base>
class TControlWidget : public Base, public IControlWidget {
 public:
  template <typename... Args>
  explicit TControlWidget(TControl *control, Args &&...args) : Base(std::forward<Args>(args)...), control_(control) {}
  ~TControlWidget() override {
    if (control_ != nullptr) ControlWidgetDestroyed(control_, this);
    control_ = nullptr;
  }
  TControl *Control() const override { return control_; }
  void DetachControl() override { control_ = nullptr; }

  // Qt's own handling, for the control's DefaultHandler.
  bool BaseEvent(QEvent *e) { return Base::event(e); }

 protected:
  bool event(QEvent *e) override {
    if (control_ == nullptr) return Base::event(e);
    return DispatchQtEvent(control_, this, e, [this](QEvent *ev) { return Base::event(ev); });
  }
  // Tab never moves the focus by Qt's rules: the layer's tab order does.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  TControl *control_;
};

// Sends the events of a widget inside a control (the line edit of a combo
// box) through the control's message path, as if they came to its own
// widget.
void RouteEventsToControl(QWidget *inner, TControl *control);

// The control a widget belongs to (walking up the widget's parents);
// nullptr when none.
TControl *FindControl(QWidget *widget);
// The windowed control of a widget, walking up past windowless ones.
TWinControl *FindWinControl(QWidget *widget);

class TControl : public TComponent {
  ORBISCA_CLASS(TControl, TComponent)

 public:
  explicit TControl(TComponent *owner);
  ~TControl() override;

  // --- widget ---------------------------------------------------------------
  // The control's widget, created on first use.
  QWidget *Handle();
  bool HandleAllocated() const { return widget_ != nullptr; }
  void HandleNeeded() { Handle(); }

  // --- parent -----------------------------------------------------------------
  TWinControl *Parent() const { return parent_; }
  virtual void SetParent(TWinControl *parent);
  bool HasParent() const override { return parent_ != nullptr; }
  TComponent *GetParentComponent() const override;
  void SetParentComponent(TComponent *parent) override;
  // The form the control is on (the control itself for a form), or nullptr.
  TCustomForm *GetParentForm() const;
  // The same form as the controls reach it.
  IControlForm *ParentFormHost() const;
  // A form answers itself; other controls nullptr.
  virtual IControlForm *AsControlForm() { return nullptr; }

  // --- geometry ---------------------------------------------------------------
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect &r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual int ClientWidth() const;
  virtual int ClientHeight() const;
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  // Where the client area begins inside the control's widget (below a
  // form's menu bar); children are placed from there.
  virtual TPoint ClientOffset() const { return {0, 0}; }
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TPoint ClientToScreen(const TPoint &p);
  TPoint ScreenToClient(const TPoint &p);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // --- state and look ---------------------------------------------------------
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and on a visible parent chain up to a shown window.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  // The control's text (Caption for labels and buttons, Text for edits:
  // the same storage, as on the platform).
  QString Caption() const { return GetText(); }
  void SetCaption(const QString &v) { SetText(v); }
  QString Text() const { return GetText(); }
  void SetText(const QString &v);
  TFont *Font() const { return font_.get(); }
  void SetFont(const TFont *font);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool value);
  QString Hint() const { return hint_; }
  void SetHint(const QString &hint);
  bool ShowHint() const;
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool value);
  // The context menu (a TPopupMenu of the menus unit; held as a component
  // so that this unit does not depend on menus).
  TComponent *PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(TComponent *menu);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  TControlStyle ControlStyle() const { return control_style_; }
  void SetControlStyle(TControlStyle style) { control_style_ = style; }
  TControlState ControlState() const { return control_state_; }
  void SetControlState(TControlState state) { control_state_ = state; }

  // --- painting -----------------------------------------------------------------
  void Invalidate();
  // Paints now.
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void Update();
  void BringToFront();
  void SendToBack();

  // --- messages -------------------------------------------------------------------
  // Sends a message straight to WindowProc (no window hooks), returning its
  // result.
  LRESULT Perform(unsigned msg, WPARAM wparam = 0, LPARAM lparam = 0);
  void Perform(TMessage &message) { WindowProc(message); }
  // Sends a message through the window hooks and WindowProc, as a message
  // from outside does.
  LRESULT SendMessage(unsigned msg, WPARAM wparam = 0, LPARAM lparam = 0);
  void SendMessage(TMessage &message);
  // The first stop of every message; window-procedure components replace
  // it, keeping the previous one to call.
  std::function<void(TMessage &)> WindowProc;
  virtual void WndProc(TMessage &message);
  // Calls the handler of the message, or DefaultHandler.
  virtual void Dispatch(TMessage &message);
  // The widget's own handling of the Qt event behind the message.
  virtual void DefaultHandler(TMessage &message);
  // Attaches hook procedures under `key` (replacing the ones of that key);
  // the last attached runs first. Detach with the same key.
  void AttachHook(const void *key, TControlHookProcs procs);
  void DetachHook(const void *key);
  bool HasHook(const void *key) const;

  // --- actions ----------------------------------------------------------------------
  virtual void Click();
  virtual void DblClick();

  // --- events -----------------------------------------------------------------------
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnResize;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;

  void Notification(TComponent *component, TOperation operation) override;

  // Internal: the widget went away under the control (Qt deleted it).
  void WidgetDestroyed(QWidget *widget);
  // Internal: dispatch of one Qt event (see DispatchQtEvent).
  bool HandleQtEvent(QEvent *event, const std::function<bool(QEvent *)> &default_proc);

 protected:
  // Makes the widget; the default is a plain QWidget that paints nothing.
  virtual QWidget *CreateWidget(QWidget *parent_widget);
  // Applies the control's state to a new widget. Overrides call the base.
  virtual void InitWidget();
  // The window text; controls whose widget keeps the text read it there.
  virtual QString GetText() const { return text_; }
  virtual void SetTextInWidget(const QString &text);
  virtual void ApplyFont();
  virtual void ApplyColor();
  // Whether the colour paints the widget's background.
  virtual bool PaintsBackground() const { return control_style_.Contains(csOpaque); }
  virtual void Resize();
  virtual void Changed() {}

  // Message handlers (called by Dispatch).
  virtual void WMPaint(TMessage &message);
  virtual void WMSize(TMessage &message);
  virtual void WMMouseButton(TMessage &message);
  virtual void WMMouseMove(TMessage &message);
  virtual void WMContextMenu(TMessage &message);
  virtual void WMMouseWheel(TMessage &message);
  // True when the wheel turn was handled (the default asks OnMouseWheel).
  virtual bool DoMouseWheel(TShiftState shift, int delta, const TPoint &pos);
  virtual void CMMouseEnter(TMessage &message);
  virtual void CMMouseLeave(TMessage &message);
  virtual void CMEnabledChanged(TMessage &message);
  virtual void CMVisibleChanged(TMessage &message);
  virtual void CMTextChanged(TMessage &message);
  virtual void CMFontChanged(TMessage &message);
  virtual void CMColorChanged(TMessage &message);
  virtual void CMParentFontChanged(TMessage &message);
  virtual void CMParentColorChanged(TMessage &message);
  virtual void CMParentShowHintChanged(TMessage &message);
  virtual void CMHitTest(TMessage &message);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Painting of custom-painted controls; the widget's painter is open.
  virtual void PaintWidget(QPainter *painter, const QRect &area);
  // True for controls that paint themselves (no Qt painting underneath).
  virtual bool CustomPainted() const { return false; }

  void UpdateWidgetGeometry();
  void RequestAlign();
  // Shared with deferred work (Release) that must not touch a freed control.
  std::shared_ptr<bool> AliveToken() const { return alive_; }

  QWidget *widget_ = nullptr;
  QString text_;

 private:
  friend class TWinControl;
  friend class TCustomForm;
  void FontChanged();
  void HookedDispatch(TMessage &message);

  TWinControl *parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  std::unique_ptr<TFont> font_;
  bool parent_font_ = true;
  TColor color_ = clWindow;
  bool parent_color_ = true;
  QString hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  TComponent *popup_menu_ = nullptr;
  TCursor cursor_ = crDefault;
  TControlStyle control_style_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState control_state_;
  bool applying_font_ = false;
  bool mouse_inside_ = false;
  std::vector<std::pair<const void *, TControlHookProcs>> hooks_;
  int dispatch_depth_ = 0;
  // Cleared when the control is destroyed, so a dispatch that freed its own
  // control can stop touching it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TWinControl : public TControl {
  ORBISCA_CLASS(TWinControl, TControl)

 public:
  explicit TWinControl(TComponent *owner);
  ~TWinControl() override;

  // --- children -----------------------------------------------------------------
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl *Controls(int index) const;
  void InsertControl(TControl *control);
  void RemoveControl(TControl *control);
  // True when `control` is this control or lies inside it.
  bool ContainsControl(const TControl *control) const;
  // Lays out the children by their Align, inside AdjustClientRect.
  void AlignControls();
  virtual void AdjustClientRect(TRect & /*rect*/) const {}
  // Sends the message to every child until one gives a non-zero Result.
  void Broadcast(TMessage &message);
  void GetChildren(const std::function<void(TComponent *)> &proc, TComponent *root) override;

  // --- focus ----------------------------------------------------------------------
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool value);
  // Visible and enabled up to its form.
  virtual bool CanFocus() const;
  virtual void SetFocus();
  bool Focused() const;
  // The windowed children with tab stops, in tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl *> &list) const;
  // The next (or previous) control after `current` in tab order among this
  // control's children; wraps around. nullptr when none.
  TWinControl *FindNextControl(TWinControl *current, bool go_forward, bool check_tab_stop, bool check_parent) const;
  void SelectNext(TWinControl *current, bool go_forward, bool check_tab_stop);
  // Moves the focus to the first control in tab order.
  void SelectFirst();

  // --- scaling ----------------------------------------------------------------------
  // Scales the control's size and its children's bounds and fonts by m / d,
  // as a window designed at 96 dots per inch is scaled for another screen.
  void ScaleBy(int m, int d);

  // --- key events -------------------------------------------------------------------
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // Runs the key handling of one key press as the platform does (see the
  // file comment); used by the widget dispatch and by tests. Returns true
  // when the key was consumed (the widget must not see it).
  bool DoKeyDown(TMessage &message);
  bool DoKeyPress(TMessage &message);
  bool DoKeyUp(TMessage &message);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void Dispatch(TMessage &message) override;
  void WMSize(TMessage &message) override;
  void CMFontChanged(TMessage &message) override;
  void CMColorChanged(TMessage &message) override;
  void CMEnabledChanged(TMessage &message) override;
  void CMVisibleChanged(TMessage &message) override;
  void CMParentShowHintChanged(TMessage &message) override;

  virtual void KeyDown(int &key, TShiftState shift);
  virtual void KeyPress(QChar &key);
  virtual void KeyUp(int &key, TShiftState shift);
  virtual void DoEnter();
  virtual void DoExit();

  virtual void CNKeyDown(TMessage &message);
  virtual void CNChar(TMessage &message);
  virtual void WMKeyDown(TMessage &message);
  virtual void WMChar(TMessage &message);
  virtual void WMKeyUp(TMessage &message);
  virtual void WMSetFocus(TMessage &message);
  virtual void WMKillFocus(TMessage &message);
  // What keys the control wants for itself (DLGC_ flags); none by default.
  virtual void WMGetDlgCode(TMessage &message);
  virtual void CMWantSpecialKey(TMessage &message);
  virtual void CMEnter(TMessage &message);
  virtual void CMExit(TMessage &message);
  // Dialog keys and accelerators go to the children by default.
  virtual void CMDialogKey(TMessage &message);
  virtual void CMDialogChar(TMessage &message);
  virtual void CMFocusChanged(TMessage &message);
  virtual void CMChildKey(TMessage &message);

  // The Qt focus policy the widget gets while TabStop/enabled allow focus.
  virtual Qt::FocusPolicy WidgetFocusPolicy() const { return Qt::StrongFocus; }
  void ApplyFocusPolicy();

 private:
  friend class TControl;
  friend class TCustomForm;
  std::vector<TControl *> controls_;
  std::vector<TWinControl *> tab_list_;
  bool tab_stop_ = false;
  bool aligning_ = false;
};

// A windowless control: it paints on its parent's surface through Canvas
// and never takes the focus.
class TGraphicControl : public TControl {
  ORBISCA_CLASS(TGraphicControl, TControl)

 public:
  explicit TGraphicControl(TComponent *owner);
  ~TGraphicControl() override;
  TCanvas *Canvas() const { return canvas_.get(); }
  TNotifyEvent OnPaint;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  // Draws the control on Canvas; the default fires OnPaint.
  virtual void Paint();
  void PaintWidget(QPainter *painter, const QRect &area) override;
  bool CustomPainted() const override { return true; }

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// A windowed control that paints itself through Canvas.
class TCustomControl : public TWinControl {
  ORBISCA_CLASS(TCustomControl, TWinControl)

 public:
  explicit TCustomControl(TComponent *owner);
  ~TCustomControl() override;
  TCanvas *Canvas() const { return canvas_.get(); }
  TNotifyEvent OnPaint;

 protected:
  virtual void Paint();
  void PaintWidget(QPainter *painter, const QRect &area) override;
  bool CustomPainted() const override { return true; }

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// The component's popup menu; the menus unit fills this slot so that
// controls can open a menu without depending on it. A function, so that the
// slot is made before the menus unit's start-up code fills it, whatever
// the order the linker gives the two units.
using TPopupMenuSlot = std::function<void(TComponent *menu, TControl *control, const TPoint &screen_pos)>;
TPopupMenuSlot &PopupMenuSlot();

// True while a control is painting: event processing started from a paint
// handler (ProcessMessages) must not paint the same window again.
bool PaintInProgress();

// The platform's exception text for a control that cannot take the focus.
inline const char *kCannotFocus = "Cannot focus a disabled or invisible window";

// The platform's mouse capture: the control that gets the mouse messages.
TControl *GetCaptureControl();
void SetCaptureControl(TControl *control);

}  // namespace vcl
