// The preview window: the finished pages of a report laid out on a grey
// panel, paged through, zoomed, searched, printed, saved, exported or
// replaced by a finished-report file.
//
// TStandardPreview fills the engine's preview slot (RegisterStandardPreview,
// called by the program at start), so TkvReport::ShowReport opens it. Its
// tool panel holds the zoom box and the buttons "&Apri", "Sal&va",
// "&Stampa", "&Trova", "Sc&hermo" and "&Chiudi"; TPaintPanel lays the pages
// out (TkvPreviewLayout) and paints them through DrawPage, which plays each
// page's records and, when the page is zoomed, fits each text to the width
// it has at 100%. Where a page stands and what the zoom box means is
// TkvPreviewLayout's; the window only asks it.
#pragma once

#include <QRect>
#include <QString>
#include <memory>
#include <vector>

#include "platform/vcl/buttons.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/listctrls.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/scrollbar.h"
#include "platform/vcl/stdctrls.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/preview/kvfind.h"
#include "report/engine/preview/kvprevlayout.h"

class QPainter;

namespace report {

class TStandardPreview;

// The panel the pages are painted on.
class TPaintPanel : public vcl::TCustomPanel {
  ORBISCA_CLASS(TPaintPanel, vcl::TCustomPanel)

 public:
  TPaintPanel(vcl::TComponent *owner, TStandardPreview *preview);

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void Resize() override;
  bool DoMouseWheel(vcl::TShiftState shift, int delta, const vcl::TPoint &pos) override;
  void WMGetDlgCode(vcl::TMessage &message) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::StrongFocus; }

 private:
  TStandardPreview *preview_;
  bool dragging_ = false;
  vcl::TPoint drag_from_;
};

// The screen cursor slot of the preview's hand.
inline constexpr vcl::TCursor crPreviewHand = 22;

class TStandardPreview : public TkvPreview {
  ORBISCA_CLASS(TStandardPreview, TkvPreview)

 public:
  explicit TStandardPreview(vcl::TComponent *owner);
  ~TStandardPreview() override;

  void DrawPage(QPainter *painter, int page_index, const QRect &rect) override;

  // The window's commands.
  void PreviewOpen();
  void PreviewSave();
  void PreviewPrint();
  void PreviewFind();
  void FirstPage();
  void LastPage();
  void NextPage();
  void PrevPage();
  void ZoomPageWidth();
  void ZoomOnePage();
  void ZoomTwoPages();
  void SetZoom(double zoom);
  // The zoom box's text applied: a mode, or a percentage; anything else
  // beeps and puts the box back.
  void ApplyZoomText();
  void SetFullScreen(bool on);
  bool FullScreen() const { return full_screen_; }

  // The pages of the report laid out again (after a load), page 1 at the
  // top at 100%.
  void Reset();

  const TkvPreviewLayout &Layout() const { return layout_; }
  int CurrentPage() const { return layout_.CurrentPage(); }
  QString CounterText() const { return layout_.CounterText(); }
  // The match being shown (page -1 when none) and whether it blinks.
  const TkvTextMatch &Match() const { return match_; }
  bool Blinking() const;

  vcl::TPanel *ToolPanel() const { return tool_panel_; }
  vcl::TComboBox *ZoomBox() const { return zoom_box_; }
  vcl::TSpeedButton *OpenButton() const { return open_button_; }
  vcl::TSpeedButton *SaveButton() const { return save_button_; }
  vcl::TSpeedButton *PrintButton() const { return print_button_; }
  vcl::TSpeedButton *FindButton() const { return find_button_; }
  vcl::TSpeedButton *FullScreenButton() const { return screen_button_; }
  vcl::TSpeedButton *CloseButton() const { return close_button_; }
  TPaintPanel *PaintPanel() const { return paint_panel_; }
  vcl::TScrollBar *VertBar() const { return vbar_; }
  vcl::TScrollBar *HorzBar() const { return hbar_; }
  vcl::TPanel *CounterBox() const { return counter_; }
  vcl::TPopupMenu *ContextMenu() const { return menu_; }
  TFindForm *FindForm();

 protected:
  void DoShow() override;
  void DoHide() override;
  void KeyDown(int &key, vcl::TShiftState shift) override;
  void KeyPress(QChar &key) override;

 private:
  friend class TPaintPanel;
  void BuildWindow();
  vcl::TSpeedButton *AddButton(const QString &caption, const QString &hint, int icon, int left);
  void PaintPages(vcl::TCanvas *canvas, const QRect &clip);
  void PaintMatch(QPainter *painter);
  void LayoutChanged();
  void UpdateBars();
  void UpdateCounter();
  void ScrollBy(int dx, int dy);
  void ShowZoomInBox();
  void ApplyMode(TkvZoomMode mode);
  void PopupAt(int screen_x, int screen_y);
  void BlinkTick();
  void StopBlinking();
  void ShowMatch(int index);
  // Runs `work` with the caller's current folder put back afterwards.
  template <class Work>
  void KeepingFolder(Work &&work);

  TkvPreviewLayout layout_;
  vcl::TPanel *tool_panel_ = nullptr;
  vcl::TComboBox *zoom_box_ = nullptr;
  vcl::TSpeedButton *open_button_ = nullptr;
  vcl::TSpeedButton *save_button_ = nullptr;
  vcl::TSpeedButton *print_button_ = nullptr;
  vcl::TSpeedButton *find_button_ = nullptr;
  vcl::TSpeedButton *screen_button_ = nullptr;
  vcl::TSpeedButton *close_button_ = nullptr;
  vcl::TPanel *right_panel_ = nullptr;
  vcl::TPanel *bottom_panel_ = nullptr;
  vcl::TScrollBar *vbar_ = nullptr;
  vcl::TScrollBar *hbar_ = nullptr;
  vcl::TSpeedButton *prev_button_ = nullptr;
  vcl::TSpeedButton *next_button_ = nullptr;
  vcl::TPanel *counter_ = nullptr;
  TPaintPanel *paint_panel_ = nullptr;
  vcl::TPopupMenu *menu_ = nullptr;
  vcl::TTimer *blink_timer_ = nullptr;
  TFindForm *find_form_ = nullptr;

  bool full_screen_ = false;
  bool changing_frame_ = false;
  vcl::TWindowState saved_state_ = vcl::wsNormal;
  bool updating_bars_ = false;

  std::vector<TkvTextMatch> matches_;
  int match_index_ = -1;
  TkvTextMatch match_;
  int blink_ticks_ = 0;
};

// Fills the engine's preview slot with the standard preview and gives the
// screen the preview's hand cursor.
void RegisterStandardPreview();

}  // namespace report
