// Standard controls: push button, edit, label, memo, check box and panel.
//
// Each wraps a Qt widget where one fits (QPushButton, QLineEdit,
// QPlainTextEdit, QCheckBox) and keeps the platform's behaviour on top of
// it: the button is the form's default or cancel button through
// CM_DIALOGKEY and takes Enter itself while it has the focus; the edit
// hands Enter and Esc to the form; the memo keeps Enter (WantReturns) and
// Tab (WantTabs) when asked; the label is windowless and gives the focus to
// FocusControl on its accelerator (Alt + the letter after "&").
// TCustomEdit and TCustomMemo are the bases later edits derive from.
#pragma once

#include <QString>
#include <memory>

#include "platform/rtl/classes.h"
#include "platform/vcl/controls.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;

namespace vcl {

ORBISCA_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)
ORBISCA_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
ORBISCA_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
ORBISCA_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)

// True when `key` is the accelerator of `caption` ("&Salva" and 's').
bool IsAccel(QChar key, const QString &caption);

class TButton : public TWinControl {
  ORBISCA_CLASS(TButton, TWinControl)

 public:
  explicit TButton(TComponent *owner);

  // The form's Enter button (while no other button has the focus).
  bool Default() const { return default_; }
  void SetDefault(bool value);
  // The form's Esc button.
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  // Given to the form when the button is clicked (ends ShowModal).
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult value) { modal_result_ = value; }
  void Click() override;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void SetTextInWidget(const QString &text) override;
  void Dispatch(TMessage &message) override;
  void WMGetDlgCode(TMessage &message) override;
  void CMDialogKey(TMessage &message) override;
  void CMDialogChar(TMessage &message) override;
  void CMFocusChanged(TMessage &message) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::StrongFocus; }

 private:
  QPushButton *Button() const;
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;  // the button Enter presses now
  TModalResult modal_result_ = mrNone;
};

class TCustomEdit : public TWinControl {
  ORBISCA_CLASS(TCustomEdit, TWinControl)

 public:
  explicit TCustomEdit(TComponent *owner);

  // 0: no limit.
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value);
  bool ReadOnly() const { return read_only_; }
  virtual void SetReadOnly(bool value);
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase value);
  QChar PasswordChar() const { return password_char_; }
  void SetPasswordChar(QChar value);
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool value) { auto_select_ = value; }
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  bool Modified() const;
  void SetModified(bool value);

  int SelStart() const;
  void SetSelStart(int value);
  int SelLength() const;
  void SetSelLength(int value);
  QString SelText() const;
  void SetSelText(const QString &value);
  void SelectAll();
  void ClearSelection();
  void Clear() { SetText(QString()); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();

  TNotifyEvent OnChange;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  QString GetText() const override;
  void SetTextInWidget(const QString &text) override;
  void ApplyColor() override;
  void WMGetDlgCode(TMessage &message) override;
  void KeyPress(QChar &key) override;
  void DoEnter() override;
  // With AutoSelect the whole text is selected whenever the focus comes
  // other than by a mouse click: also when the window becomes active again
  // (a dialog closed), where no enter happens, so that the next scan
  // replaces the code still in the field instead of being appended to it.
  void WMSetFocus(TMessage &message) override;
  // Fires OnChange.
  virtual void Change();
  QLineEdit *LineEdit() const;

 private:
  QString ApplyCase(const QString &text) const;
  int max_length_ = 0;
  bool read_only_ = false;
  TEditCharCase char_case_ = ecNormal;
  QChar password_char_;
  bool auto_select_ = true;
  TBorderStyle border_style_ = bsSingle;
  int sel_start_ = 0;
  bool modified_ = false;
};

class TEdit : public TCustomEdit {
  ORBISCA_CLASS(TEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

class TCustomMemo;

// The memo's lines, read from and written to its text.
class TMemoStrings : public rtl::TStrings {
  ORBISCA_CLASS(TMemoStrings, rtl::TStrings)
 public:
  explicit TMemoStrings(TCustomMemo *memo) : memo_(memo) {}
  int Count() const override;
  QString Get(int index) const override;
  void Put(int index, const QString &s) override;
  void Insert(int index, const QString &s) override;
  void Delete(int index) override;
  void Clear() override;

 private:
  QStringList Lines() const;
  void SetLines(const QStringList &lines);
  TCustomMemo *memo_;
};

class TCustomMemo : public TCustomEdit {
  ORBISCA_CLASS(TCustomMemo, TCustomEdit)

 public:
  explicit TCustomMemo(TComponent *owner);
  ~TCustomMemo() override;

  rtl::TStrings *Lines() const { return lines_.get(); }
  void SetLines(const rtl::TStrings *lines) { lines_->Assign(lines); }
  bool WantReturns() const { return want_returns_; }
  void SetWantReturns(bool value) { want_returns_ = value; }
  bool WantTabs() const { return want_tabs_; }
  void SetWantTabs(bool value) { want_tabs_ = value; }
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }
  void SetReadOnly(bool value) override;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  QString GetText() const override;
  void SetTextInWidget(const QString &text) override;
  void WMGetDlgCode(TMessage &message) override;
  void DoEnter() override;
  QPlainTextEdit *TextEdit() const;

 private:
  std::unique_ptr<TMemoStrings> lines_;
  bool want_returns_ = true;
  bool want_tabs_ = false;
  bool word_wrap_ = true;
  TScrollStyle scroll_bars_ = ssNone;
  TAlignment alignment_ = taLeftJustify;
};

class TMemo : public TCustomMemo {
  ORBISCA_CLASS(TMemo, TCustomMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

class TCustomLabel : public TGraphicControl {
  ORBISCA_CLASS(TCustomLabel, TGraphicControl)

 public:
  explicit TCustomLabel(TComponent *owner);

  TWinControl *FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl *control);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);

  void Notification(TComponent *component, TOperation operation) override;

 protected:
  void Paint() override;
  bool PaintsBackground() const override { return !transparent_; }
  void Dispatch(TMessage &message) override;
  void CMTextChanged(TMessage &message) override;
  void CMFontChanged(TMessage &message) override;
  virtual void AdjustBounds();
  unsigned DrawTextFlags() const;

 private:
  TWinControl *focus_control_ = nullptr;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool auto_size_ = true;
  bool word_wrap_ = false;
  bool transparent_ = false;
  bool show_accel_char_ = true;
};

class TLabel : public TCustomLabel {
  ORBISCA_CLASS(TLabel, TCustomLabel)
 public:
  using TCustomLabel::TCustomLabel;
};

class TCheckBox : public TWinControl {
  ORBISCA_CLASS(TCheckBox, TWinControl)

 public:
  explicit TCheckBox(TComponent *owner);

  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  // A change (also from code) fires OnClick, as on the platform.
  void SetState(TCheckBoxState value);
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void SetTextInWidget(const QString &text) override;
  void WMGetDlgCode(TMessage &message) override;
  void CMDialogChar(TMessage &message) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::StrongFocus; }
  // The user toggled the box.
  virtual void Toggle();

 private:
  QCheckBox *Box() const;
  TCheckBoxState state_ = cbUnchecked;
  bool allow_grayed_ = false;
  TAlignment alignment_ = taRightJustify;
  bool updating_widget_ = false;
};

class TCustomPanel : public TCustomControl {
  ORBISCA_CLASS(TCustomPanel, TCustomControl)

 public:
  explicit TCustomPanel(TComponent *owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  // Aligned children stay inside the bevels and the border.
  void AdjustClientRect(TRect &rect) const override;

 protected:
  void Paint() override;
  bool PaintsBackground() const override { return true; }
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  TAlignment alignment_ = taCenter;
  TBevelCut bevel_inner_ = bvNone;
  TBevelCut bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TBorderStyle border_style_ = bsNone;
};

class TPanel : public TCustomPanel {
  ORBISCA_CLASS(TPanel, TCustomPanel)
 public:
  using TCustomPanel::TCustomPanel;
};

}  // namespace vcl
