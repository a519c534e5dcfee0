// Further standard controls: bevel, image, timer, group box, radio button
// and radio group, notebook and scroll box.
//
// TTimer runs on a timer service: the default uses Qt's timers; tests
// install one they advance by hand (SetTimerService), so timer behaviour is
// tested without waiting.
//
// Radio buttons of one parent exclude each other: checking one (by the user
// or in code) unchecks its siblings. TRadioGroup makes one radio button per
// line of Items and keeps ItemIndex; its OnClick fires when the user picks
// an item.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/controls.h"

class QRadioButton;
class QScrollBar;

namespace vcl {

ORBISCA_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer)
ORBISCA_ENUM(TBevelStyle, bsLowered, bsRaised)

class TBevel : public TGraphicControl {
  ORBISCA_CLASS(TBevel, TGraphicControl)

 public:
  explicit TBevel(TComponent *owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

class TImage : public TGraphicControl {
  ORBISCA_CLASS(TImage, TGraphicControl)

 public:
  explicit TImage(TComponent *owner);
  ~TImage() override;
  TPicture *Picture() const { return picture_.get(); }
  void SetPicture(const TPicture *picture);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // The control takes the picture's size when it changes.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  // Where the picture is drawn inside the control.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool proportional_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool auto_size_ = false;
};

// Where timers come from.
class TTimerService {
 public:
  virtual ~TTimerService() = default;
  // Calls `tick` every `interval_ms` until Stop; returns an id (> 0).
  virtual int Start(int interval_ms, std::function<void()> tick) = 0;
  virtual void Stop(int id) = 0;
};
// nullptr restores Qt's timers. The caller keeps the service alive while
// it is installed; timers running when it changes keep their old service.
void SetTimerService(TTimerService *service);
TTimerService *GetTimerService();

class TTimer : public TComponent {
  ORBISCA_CLASS(TTimer, TComponent)

 public:
  explicit TTimer(TComponent *owner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; 0 stops the timer.
  int Interval() const { return interval_; }
  void SetInterval(int value);
  TNotifyEvent OnTimer;
  bool Running() const { return id_ != 0; }

 private:
  void Restart();
  void Tick();
  bool enabled_ = true;
  int interval_ = 1000;
  int id_ = 0;
  TTimerService *service_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A frame with a caption; its children lie inside the frame.
class TGroupBox : public TCustomControl {
  ORBISCA_CLASS(TGroupBox, TCustomControl)

 public:
  explicit TGroupBox(TComponent *owner);
  void AdjustClientRect(TRect &rect) const override;

 protected:
  void Paint() override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }
};

class TRadioButton : public TWinControl {
  ORBISCA_CLASS(TRadioButton, TWinControl)

 public:
  explicit TRadioButton(TComponent *owner);
  bool Checked() const { return checked_; }
  // Checking unchecks the sibling radio buttons and fires OnClick.
  void SetChecked(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void SetTextInWidget(const QString &text) override;
  void WMGetDlgCode(TMessage &message) override;
  void CMDialogChar(TMessage &message) override;

 private:
  QRadioButton *Radio() const;
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
  bool updating_widget_ = false;
};

class TRadioGroup : public TGroupBox {
  ORBISCA_CLASS(TRadioGroup, TGroupBox)

 public:
  explicit TRadioGroup(TComponent *owner);
  ~TRadioGroup() override;
  rtl::TStrings *Items() const { return items_.get(); }
  void SetItems(const rtl::TStrings *items) { items_->Assign(items); }
  // -1: none.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TRadioButton *Buttons(int index) const;

 protected:
  void WMSize(TMessage &message) override;

 private:
  void UpdateButtons();
  void ArrangeButtons();
  void ButtonClicked(TRadioButton *button);
  std::unique_ptr<rtl::TStringList> items_;
  std::vector<TRadioButton *> buttons_;
  int item_index_ = -1;
  int columns_ = 1;
  bool updating_ = false;
};

// A stack of named pages of which one shows at a time.
class TPage : public TCustomControl {
  ORBISCA_CLASS(TPage, TCustomControl)
 public:
  explicit TPage(TComponent *owner);

 protected:
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }
};

class TNotebook : public TWinControl {
  ORBISCA_CLASS(TNotebook, TWinControl)

 public:
  explicit TNotebook(TComponent *owner);
  ~TNotebook() override;
  // The page names; editing the list adds, renames and removes pages.
  rtl::TStrings *Pages() const { return pages_.get(); }
  void SetPages(const rtl::TStrings *pages) { pages_->Assign(pages); }
  int PageIndex() const { return page_index_; }
  // Values out of range are ignored.
  void SetPageIndex(int value);
  // The name of the shown page; setting a name that is not there changes
  // nothing.
  QString ActivePage() const;
  void SetActivePage(const QString &name);
  TPage *Page(int index) const;
  TNotifyEvent OnPageChanged;

 protected:
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  void PagesChanged();
  std::unique_ptr<rtl::TStringList> pages_;
  std::vector<TPage *> page_controls_;
  int page_index_ = -1;
};

// A control whose children may lie beyond its edges: scroll bars move them
// into view.
class TScrollBox : public TWinControl {
  ORBISCA_CLASS(TScrollBox, TWinControl)

 public:
  explicit TScrollBox(TComponent *owner);
  // How far the content reaches beyond the visible area.
  int HorzRange() const;
  int VertRange() const;
  int HorzPosition() const { return hpos_; }
  int VertPosition() const { return vpos_; }
  // Clamped to 0..range.
  void SetHorzPosition(int value);
  void SetVertPosition(int value);
  // Scrolls so the control (a child at any depth) is fully visible.
  void ScrollInView(TControl *control);
  // Moves every child by dx, dy.
  void ScrollBy(int dx, int dy);
  // The scroll bars follow the children's extent (after children moved or
  // were sized in code).
  void UpdateScrollRange() { UpdateBars(); }

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void WMSize(TMessage &message) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  void UpdateBars();
  int ContentWidth() const;
  int ContentHeight() const;
  int hpos_ = 0;
  int vpos_ = 0;
  // Guarded: the bars die with the widget, which the base class frees
  // after this part of the box is gone.
  QPointer<QScrollBar> hbar_;
  QPointer<QScrollBar> vbar_;
  bool updating_bars_ = false;
};

}  // namespace vcl
