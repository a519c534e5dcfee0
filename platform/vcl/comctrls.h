// The page control with its tab sheets, and the status bar.
//
// A TPageControl shows a row of tabs (a QTabBar kept inside its widget, not
// a control of its own) above the client area where its pages lie, each
// page a TTabSheet aligned to the whole client area and shown only while it
// is the active page. Pages join a page control by getting it as parent
// (SetPageControl does the same). The tabs list the pages whose TabVisible
// is set, in page order.
//
// OnChanging (which may refuse) and OnChange fire when the user picks a tab
// (or SelectNextPage runs for a user's command: Ctrl+Tab and Ctrl+Shift+Tab
// while the focus is on the page control or inside it), never when code
// sets ActivePage or ActivePageIndex: code that wants the handler calls it.
//
// TStatusBar paints either one text (SimplePanel) or a row of panels, each
// with its width, text and alignment; it sits at the bottom of its parent.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/controls.h"

class QTabBar;

namespace vcl {

class TPageControl;

using TTabChangingEvent = std::function<void(rtl::TObject *sender, bool &allow_change)>;

class TTabSheet : public TWinControl {
  ORBISCA_CLASS(TTabSheet, TWinControl)

 public:
  explicit TTabSheet(TComponent *owner);
  ~TTabSheet() override;

  TPageControl *PageControl() const { return page_control_; }
  void SetPageControl(TPageControl *page_control);
  void SetParent(TWinControl *parent) override;
  // Position among the page control's pages (-1 without one).
  int PageIndex() const;
  void SetPageIndex(int index);
  // Position among the visible tabs (-1 when the tab is hidden).
  int TabIndex() const;
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value) { image_index_ = value; }

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

 protected:
  void CMTextChanged(TMessage &message) override;
  void CMVisibleChanged(TMessage &message) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  friend class TPageControl;
  TPageControl *page_control_ = nullptr;
  bool tab_visible_ = true;
  int image_index_ = -1;
};

class TPageControl : public TWinControl {
  ORBISCA_CLASS(TPageControl, TWinControl)

 public:
  explicit TPageControl(TComponent *owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Raises EListError out of range.
  TTabSheet *Pages(int index) const;
  TTabSheet *ActivePage() const { return active_; }
  // A page of another page control is refused (EInvalidOperation); nullptr
  // shows no page.
  void SetActivePage(TTabSheet *page);
  int ActivePageIndex() const;
  // -1 shows no page; other values out of range are ignored.
  void SetActivePageIndex(int index);
  // The page after (or before) `current` with a visible tab; wraps around.
  TTabSheet *FindNextPage(TTabSheet *current, bool go_forward, bool check_tab_visible) const;
  // As the user does with Ctrl+Tab: fires OnChanging and OnChange.
  void SelectNextPage(bool go_forward);
  // Height of the row of tabs above the pages.
  int TabHeight() const { return tab_height_; }
  void SetTabHeight(int value);
  void AdjustClientRect(TRect &rect) const override;
  // The tab texts as shown (for tests and hints).
  QStringList TabCaptions() const;
  // Internal: the user picked visible tab `tab_index`.
  void UserSelectTab(int tab_index);

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

 protected:
  QWidget *CreateWidget(QWidget *parent_widget) override;
  void InitWidget() override;
  void WMSize(TMessage &message) override;
  void CMDialogKey(TMessage &message) override;
  virtual bool CanChange();
  virtual void Change();

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet *page);
  void RemovePage(TTabSheet *page);
  void MovePage(TTabSheet *page, int index);
  void UpdateTabs();
  void ShowPage(TTabSheet *page);
  std::vector<TTabSheet *> VisibleTabs() const;

  std::vector<TTabSheet *> pages_;
  TTabSheet *active_ = nullptr;
  // Guarded: the bar dies with the widget, which the base class frees
  // after this part of the control is gone.
  QPointer<QTabBar> tab_bar_;
  int tab_height_ = 24;
  bool updating_tabs_ = false;
};

ORBISCA_ENUM(TStatusPanelStyle, psText, psOwnerDraw)

// One panel of a status bar. An owner-drawn panel is drawn by the bar's
// OnDrawPanel inside its frame (its text is the program's to show there).
class TStatusPanel {
 public:
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle value);
  QString Text() const { return text_; }
  void SetText(const QString &text);
  int Width() const { return width_; }
  void SetWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);

 private:
  friend class TStatusBar;
  explicit TStatusPanel(class TStatusBar *bar) : bar_(bar) {}
  class TStatusBar *bar_;
  QString text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  TStatusPanelStyle style_ = psText;
};

class TStatusBar;
using TDrawPanelEvent = std::function<void(TStatusBar *bar, TStatusPanel *panel, const TRect &rect)>;

class TStatusBar : public TCustomControl {
  ORBISCA_CLASS(TStatusBar, TCustomControl)

 public:
  explicit TStatusBar(TComponent *owner);
  ~TStatusBar() override;

  int PanelCount() const { return static_cast<int>(panels_.size()); }
  TStatusPanel *Panels(int index) const;
  TStatusPanel *AddPanel();
  void ClearPanels();
  bool SimplePanel() const { return simple_panel_; }
  void SetSimplePanel(bool value);
  QString SimpleText() const { return simple_text_; }
  void SetSimpleText(const QString &text);
  // The rectangle panel `index` occupies (the last one takes the rest).
  TRect PanelRect(int index) const;
  // Draws an owner-drawn panel on Canvas, inside the panel's frame.
  TDrawPanelEvent OnDrawPanel;

 protected:
  void Paint() override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::NoFocus; }

 private:
  friend class TStatusPanel;
  std::vector<std::unique_ptr<TStatusPanel>> panels_;
  bool simple_panel_ = false;
  QString simple_text_;
};

// Up-down arrows: two small buttons, one above the other, that step a
// position between Min and Max by Increment (clicks, or Up and Down while
// it has the focus). With an associated control (an edit) the up-down sits
// at that control's right edge, taking its width from it, and the control
// shows the position; a number typed into it is where the next step
// starts from.
ORBISCA_ENUM(TUDBtnType, btNext, btPrev)

class TUpDown : public TCustomControl {
  ORBISCA_CLASS(TUpDown, TCustomControl)

 public:
  explicit TUpDown(TComponent *owner);

  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value; }
  int Position() const { return position_; }
  // Kept between Min and Max; the associated control shows it.
  void SetPosition(int value);
  TWinControl *Associate() const { return associate_; }
  void SetAssociate(TWinControl *control);
  // One step up (btNext) or down (btPrev), as a click on that arrow.
  void Click(TUDBtnType button);

  std::function<void(rtl::TObject *sender, TUDBtnType button)> OnClick;

  void Notification(TComponent *component, TOperation operation) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(int &key, TShiftState shift) override;
  void CMEnabledChanged(TMessage &message) override;

 private:
  // The associated control's number, when it holds one within the range.
  void ReadAssociate();
  void WriteAssociate();

  int min_ = 0;
  int max_ = 100;  // NOLINT(readability-magic-numbers)
  int increment_ = 1;
  int position_ = 0;
  TWinControl *associate_ = nullptr;
};

}  // namespace vcl
