// Forms, the application object and the screen.
//
// `TCustomForm` is a top-level window. It keeps which control was entered
// (see controls.h for the focus rules), answers the dialog keys (Tab moves
// the focus, arrows move it among controls that do not want them, Enter and
// Esc reach the default and cancel buttons through CM_DIALOGKEY), and runs
// its life cycle: OnCreate (from AfterConstruction, which CreateForm calls;
// a form made with `new` calls it itself), OnShow, OnActivate/OnDeactivate,
// OnPaint, OnCloseQuery and OnClose with a TCloseAction, OnHide, OnDestroy
// (raised before the children go). ShowModal runs a nested event loop until
// ModalResult is set.
//
// `Application` (one TApplication) holds the title, the main form and the
// message hooks that see input before any control does: OnMessage (one
// handler, as the platform has it) and the HookMainWindow list. It turns
// every exception that reaches the event loop into a message box with the
// title (ShowExceptionSlot: tests replace it to capture the text); EAbort
// shows nothing. `Screen` lists the forms and data modules and knows the
// active form and control, the cursor, the size and the fonts.
#pragma once

#include <QCursor>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "platform/vcl/controls.h"

class QEventLoop;

namespace vcl {

ORBISCA_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
ORBISCA_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
             poMainFormCenter, poOwnerFormCenter)
ORBISCA_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
ORBISCA_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
ORBISCA_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TEnumSet<TBorderIcon>;

// What a form asks of its main menu (menus.h implements it), so that forms
// need nothing of menus.
class IFormMenu {
 public:
  // The bar the form keeps along its top edge, above the client area.
  virtual QWidget *MenuBarWidget() const = 0;
  // Alt+letter that no control took: opens or runs the top item whose
  // caption marks that letter; true when there was one.
  virtual bool MenuChar(QChar ch) = 0;
  // Alt alone or F10: the bar takes the keyboard, its first item marked.
  virtual void EnterMenuLoop() = 0;

 protected:
  ~IFormMenu() = default;
};

using TCloseEvent = std::function<void(rtl::TObject *sender, TCloseAction &action)>;
using TCloseQueryEvent = std::function<void(rtl::TObject *sender, bool &can_close)>;

class TCustomForm : public TWinControl, public IControlForm {
  ORBISCA_CLASS(TCustomForm, TWinControl)

 public:
  explicit TCustomForm(TComponent *owner);
  ~TCustomForm() override;
  // `delete` fires OnDestroy while the whole form still exists, before any
  // destructor runs, so a handler may use its form's own class. A form that
  // goes without `delete` (a member, a local) gets it from ~TCustomForm.
  void operator delete(TCustomForm *form, std::destroying_delete_t);

  // Fires OnCreate once; CreateForm calls it after the constructor.
  void AfterConstruction();

  // --- window ------------------------------------------------------------------
  void Show();
  void Hide();
  void SetVisible(bool visible) override;
  // Asks OnCloseQuery, then OnClose decides what happens (hide by default;
  // the main form ends the application). A modal form only sets
  // ModalResult to mrCancel.
  void Close();
  // Frees the form once the current event is over.
  void Release();
  bool CloseQuery();
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result);
  bool IsModal() const { return modal_loop_ != nullptr; }
  bool Active() const { return active_; }
  void BringToFront();
  // Puts the shown window above the others without activating it (a tool
  // window over the form that has just become active).
  void BringAbove();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  // A single, dialog or tool-window border keeps the window at the size the
  // program gives it: the user cannot drag it larger or smaller.
  void SetBorderStyle(TFormBorderStyle style);
  void SetBounds(int left, int top, int width, int height) override;
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle style);
  // The window this one floats over (a tool window of a modal form): it
  // stays above that window and usable while that window runs modally.
  // nullptr makes it a window of its own again.
  TCustomForm *PopupParent() const { return popup_parent_; }
  void SetPopupParent(TCustomForm *form);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);

  // --- the window on the desktop -------------------------------------------------
  // The window that opened this one, which the desktop is told about (the
  // window stays above it, and a window manager places and stacks it with
  // it): the window it floats over, else the form that owns it, else the
  // form that was active when it was shown, else the main form. Fixed when
  // the window is shown; the main form has none.
  TCustomForm *OpenerForm() const { return opener_; }
  // The widths of the desktop's frame around the client area (left, title
  // bar, right, bottom): the real ones once the window has been shown with
  // a frame, else those of another of the program's windows, else the
  // usual ones of a desktop (none on the offscreen platform).
  TRect FrameWidths() const;
  // The whole window, frame included, in screen coordinates.
  TRect FrameRect() const;
  // Brings the window, frame included, inside the screen's work area: a
  // sizeable window larger than it is made smaller, then the window is
  // moved in. Every top-level window is brought in when it is shown.
  void FitInWorkArea();
  bool KeyPreview() const override { return key_preview_; }
  void SetKeyPreview(bool value) { key_preview_ = value; }
  TCanvas *Canvas() const { return canvas_.get(); }
  int PixelsPerInch() const { return 96; }

  // --- the main menu -------------------------------------------------------------
  // The menu whose bar takes the top of the window; the client area (and
  // ClientHeight) begins below it, as on the platform. nullptr removes it.
  IFormMenu *Menu() const { return menu_; }
  void SetMenu(IFormMenu *menu);
  // The bar's height (0 without a menu).
  int MenuBarHeight() const;
  // The menu's bar changed (items, font): the client area is laid out again.
  void MenuBarChanged();
  int ClientWidth() const override;
  int ClientHeight() const override;
  TPoint ClientOffset() const override { return {own_frame_.Left, own_frame_.Top + MenuBarHeight()}; }

  // --- a frame of the form's own -------------------------------------------------
  // A component that paints the window's caption bar and borders itself (the
  // styled form styler) gives the form a frame of its own: the window loses
  // the system's frame, and the client area lies inside `widths` (left, top,
  // right and bottom; the top takes the caption bar), the menu bar at its
  // top. The window keeps its size. ClearOwnFrame gives the system's back.
  void SetOwnFrame(const TRect &widths);
  void ClearOwnFrame();
  bool HasOwnFrame() const { return own_frame_on_; }
  const TRect &OwnFrame() const { return own_frame_; }

  // --- focus ---------------------------------------------------------------------
  // The control that has (or will get when the form is active) the focus.
  TWinControl *ActiveControl() const { return active_control_; }
  void SetActiveControl(TWinControl *control);
  // Called when `control` got the keyboard focus: runs OnExit of the
  // controls left and OnEnter of the controls entered. Returns false when a
  // handler moved the focus elsewhere.
  bool SetFocusedControl(TWinControl *control) override;
  // Moves the focus to `control` (through Qt, which reports back to
  // SetFocusedControl), or remembers it until the form is activated.
  void FocusControl(TWinControl *control) override;
  // The control that was entered last (what OnExit will be raised for).
  TWinControl *EnteredControl() const { return entered_; }
  void DefocusControl(TWinControl *control, bool removing) override;

  // --- what the controls reach the form by ------------------------------------
  IControlForm *AsControlForm() override { return this; }
  TWinControl *FormControl() override { return this; }
  TCustomForm *Form() override { return this; }
  bool MenuChar(QChar ch) override;
  void MenuKey() override;

  // --- events ----------------------------------------------------------------------
  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;
  TNotifyEvent OnDestroy;

  void Notification(TComponent *component, TOperation operation) override;
  void GetChildren(const std::function<void(TComponent *)> &proc, TComponent *root) override;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void Dispatch(TMessage &message) override;
  void SetTextInWidget(const QString &text) override;
  bool PaintsBackground() const override { return true; }
  bool CustomPainted() const override { return true; }
  void PaintWidget(QPainter *painter, const QRect &area) override;
  void Resize() override;

  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction &action);
  virtual void DoDestroy();
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();

  void CMDialogKey(TMessage &message) override;
  virtual void WMClose(TMessage &message);
  virtual void WMActivate(TMessage &message);
  virtual void WMShowWindow(TMessage &message);

 private:
  // Fires OnDestroy once.
  void BeforeDestruction();
  void ApplyWindowFlags();
  // Fixes the window's size for the fixed border styles.
  void ApplyFixedSize();
  bool FixedBorder() const;
  void PlaceWindow();
  // Chooses the opener and declares it to the desktop.
  void DeclareOpener();
  void CloseModal();
  bool IsTopLevel() const { return Parent() == nullptr; }

  IFormMenu *menu_ = nullptr;
  TRect own_frame_{};
  bool own_frame_on_ = false;
  TCustomForm *popup_parent_ = nullptr;
  TCustomForm *opener_ = nullptr;
  TWinControl *active_control_ = nullptr;
  TWinControl *entered_ = nullptr;
  std::vector<TWinControl *> exiting_;
  unsigned focus_serial_ = 0;
  TModalResult modal_result_ = mrNone;
  QEventLoop *modal_loop_ = nullptr;
  bool active_ = false;
  bool created_ = false;
  bool destroyed_event_done_ = false;
  bool placed_ = false;
  bool fixed_size_ = false;
  bool key_preview_ = false;
  TFormBorderStyle border_style_ = bsSizeable;
  TBorderIcons border_icons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TFormStyle form_style_ = fsNormal;
  TWindowState window_state_ = wsNormal;
  std::unique_ptr<TCanvas> canvas_;
};

class TForm : public TCustomForm {
  ORBISCA_CLASS(TForm, TCustomForm)
 public:
  using TCustomForm::TCustomForm;
};

// A container of non-visual components (datasets, data sources) shared by
// forms; listed in Screen->DataModules.
class TDataModule : public TComponent {
  ORBISCA_CLASS(TDataModule, TComponent)
 public:
  explicit TDataModule(TComponent *owner);
  ~TDataModule() override;
  // As for forms: OnDestroy before any destructor runs.
  void operator delete(TDataModule *module, std::destroying_delete_t);
  void AfterConstruction();
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  void GetChildren(const std::function<void(TComponent *)> &proc, TComponent *root) override;

 private:
  void BeforeDestruction();
  bool created_ = false;
  bool destroyed_event_done_ = false;
};

using TMessageEvent = std::function<void(TMessage &message, bool &handled)>;
using TExceptionEvent = std::function<void(rtl::TObject *sender, const rtl::Exception &e)>;
// A window hook of the application: returns true when it handled the message.
using TWindowHook = std::function<bool(TMessage &message)>;

class TApplication : public TComponent, public IControlApplication {
  ORBISCA_CLASS(TApplication, TComponent)

 public:
  explicit TApplication(TComponent *owner);
  ~TApplication() override;

  QString Title() const { return title_; }
  void SetTitle(const QString &title);
  QString HelpFile() const { return help_file_; }
  void SetHelpFile(const QString &file) { help_file_ = file; }
  QString ExeName() const;
  TCustomForm *MainForm() const { return main_form_; }
  // For tests and programs that make their main form themselves.
  void SetMainForm(TCustomForm *form) { main_form_ = form; }

  // Creates a form owned by the application; the first becomes the main
  // form. `ref` receives it before OnCreate runs.
  template <typename T>
  void CreateForm(T *&ref) {
    ref = new T(this);
    FormCreated(ref);
  }
  template <typename T>
  void CreateDataModule(T *&ref) {
    ref = new T(this);
    ref->AfterConstruction();
  }

  // Shows the main form and runs the event loop until Terminate; returns at
  // once without a main form.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles the pending events and returns.
  void ProcessMessages();
  // Waits for at least one event and handles it.
  void HandleMessage();

  // Shows the exception being handled (call from a catch block), unless it
  // is EAbort; OnException replaces the showing.
  void HandleException(rtl::TObject *sender);
  void HandleException(rtl::TObject *sender, const rtl::Exception &e) override;
  void ShowException(const rtl::Exception &e);
  TExceptionEvent OnException;
  // How an exception is shown: (caption, text). The default is a critical
  // message box; tests replace it.
  std::function<void(const QString &caption, const QString &text)> ShowExceptionSlot;

  // --- message hooks ----------------------------------------------------------------
  // Sees every input message before the control does; setting `handled`
  // swallows it.
  TMessageEvent OnMessage;
  void HookMainWindow(const void *key, TWindowHook hook);
  void UnhookMainWindow(const void *key);
  // Runs OnMessage and the hooks on a message; true when one handled it.
  bool HookMessage(TMessage &message) override;
  QCursor CursorOf(int cursor) const override;

  // --- hints -------------------------------------------------------------------------
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value) { show_hint_ = value; }
  TColor HintColor() const { return hint_color_; }
  void SetHintColor(TColor color) { hint_color_ = color; }
  int HintPause() const { return hint_pause_; }
  void SetHintPause(int ms) { hint_pause_ = ms; }
  int HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(int ms) { hint_hide_pause_ = ms; }
  QString Hint() const { return hint_; }
  void SetHint(const QString &hint);
  TNotifyEvent OnHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // Internal: the first form created becomes the main form.
  void FormCreated(TCustomForm *form);

 private:
  class EventFilter;
  QString title_;
  QString help_file_;
  QString hint_;
  TCustomForm *main_form_ = nullptr;
  bool terminated_ = false;
  bool show_hint_ = true;
  TColor hint_color_ = clInfoBk;
  int hint_pause_ = 500;
  int hint_hide_pause_ = 2500;
  std::vector<std::pair<const void *, TWindowHook>> hooks_;
  EventFilter *filter_ = nullptr;
};

class TScreen : public TComponent {
  ORBISCA_CLASS(TScreen, TComponent)

 public:
  explicit TScreen(TComponent *owner);
  ~TScreen() override;

  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm *Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
  int DataModuleCount() const { return static_cast<int>(data_modules_.size()); }
  TDataModule *DataModules(int index) const { return data_modules_.at(static_cast<size_t>(index)); }
  // The form whose window is active (nullptr when none of ours is).
  TCustomForm *ActiveForm() const;
  TWinControl *ActiveControl() const;

  // crDefault gives the controls' own cursors back; anything else shows
  // everywhere (crHourGlass during long work).
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  QCursor Cursors(TCursor index) const;
  void SetCursors(TCursor index, const QCursor &cursor);

  int Width() const;
  int Height() const;
  // The part of the screen that windows may take (the screen less the
  // desktop's panels). A rectangle set with SetWorkArea (tests) stands for
  // it; an empty one gives the screen's back.
  TRect WorkArea() const;
  void SetWorkArea(const TRect &area) { work_area_ = area; }
  bool WorkAreaGiven() const { return !work_area_.IsEmpty(); }
  // The screen's logical dots per inch (96 on most screens); a value set
  // with SetPixelsPerInch (tests) stands for it, 0 gives the screen's back.
  int PixelsPerInch() const;
  void SetPixelsPerInch(int value) { pixels_per_inch_ = value; }
  QStringList Fonts() const;
  TFont *HintFont() const { return hint_font_.get(); }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

  // Internal bookkeeping of forms and data modules.
  void AddForm(TCustomForm *form);
  void RemoveForm(TCustomForm *form);
  void AddDataModule(TDataModule *module);
  void RemoveDataModule(TDataModule *module);
  void ActiveFormChanged();

 private:
  std::vector<TCustomForm *> forms_;
  std::vector<TDataModule *> data_modules_;
  TCursor cursor_ = crDefault;
  int pixels_per_inch_ = 0;
  TRect work_area_{};
  QMap<TCursor, QCursor> cursors_;
  std::unique_ptr<TFont> hint_font_;
};

// The application and the screen, created on first use after the
// QApplication exists.
extern TApplication *Application;
extern TScreen *Screen;
// Makes them when needed (every entry point of this unit calls it), the
// first time with Qt's own texts in Italian (InstallQtTranslations).
void InitApplication();
// Qt's own dialogs and buttons (file and print dialogs, standard buttons)
// speak Italian: Qt's translation of its base texts is installed on the
// QApplication, once; without the file (or without a QApplication) they
// stay in English.
void InstallQtTranslations();
// Frees the application (and with it the forms and data modules it owns,
// whose OnDestroy handlers run), then runs the exit procedures, then frees
// the screen; the program's main calls it after Run returns, while Qt still
// runs.
void DoneApplication();
// Registers work for the end of the program. Units that keep process-wide
// objects holding Qt objects (the window hooks, the printer) free them here
// rather than in a static destructor, which would run after the
// QApplication is gone. DoneApplication runs them once, last registered
// first; a unit that makes its object again registers again.
void AddExitProc(std::function<void()> proc);

// The Qt cursor of a platform cursor number.
QCursor CursorToQCursor(TCursor cursor);

}  // namespace vcl
