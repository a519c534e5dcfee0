// The design surface: the page shown at its size in pixels, on which the
// user selects, moves, resizes and inserts report objects with the mouse.
//
// `TkvSurfaceLogic` is what a press, a move and a release do (selection
// by click, Shift-click and rubber band; moving with the grid; resizing one
// object by its handles or a group by the box's corner; the edge two
// touching objects share; inserting the chosen tool's object; dragging a
// band with what lies inside it), on the model (kvdsgnmodel.h) and without
// a widget. `TPreview` is the widget: it forwards the mouse, shows the
// cursor, and paints the page (grid, margins, objects) with the overlay of
// selection marks, rubber band and outlines on top, all inside the paint
// event. What the surface needs of the designer window (the tool chosen,
// the grid, the pop-up menu, the editors) it asks through ISurfaceHost.
#pragma once

#include <QPoint>
#include <QRect>
#include <vector>

#include "platform/vcl/controls.h"
#include "report/designer/kvdsgnmodel.h"

namespace report {

// What the surface asks of the designer window.
class ISurfaceHost {
 public:
  // The palette tool down: -1 the select tool, else the tag of the object
  // it inserts (0 memo, 1 picture, 2 band, 3 sub-report, 10 and above the
  // add-ins).
  virtual int ToolTag() const = 0;
  // The tool stays chosen after an insertion (its button was pressed with
  // Shift).
  virtual bool KeepTool() const = 0;
  virtual void ResetTool() = 0;
  virtual int GridSize() const = 0;
  virtual bool GridAlign() const = 0;
  // False while the designer runs a preview: no reaction to the mouse and
  // nothing painted.
  virtual bool DesignerActive() const = 0;
  // "Inverti" (true) or "Bordo" outlines while dragging.
  virtual bool InvertOutlines() const = 0;
  // The type of a new band, -1 when the user cancelled.
  virtual int ChooseBandType() = 0;
  // The selection changed: tool bars, inspector and status follow.
  virtual void SelectionChanged() = 0;
  // A change was made: an undo snapshot is committed (and the window
  // follows).
  virtual void Changed() = 0;
  // An object was inserted (selected alone): the inspector lists it.
  virtual void Inserted(TkvView *view) = 0;
  // The geometry of the selection moved (status bar and inspector values).
  virtual void Moving() = 0;
  // The pop-up menu at a screen point.
  virtual void Popup(const QPoint &screen) = 0;
  // Edits the single selected object (double click).
  virtual void EditSelected() = 0;
  // A press closes the colour drop-down.
  virtual void PressStarted() = 0;
  // While a group is resized: its scale in percent (0, 0 when not).
  virtual void GroupScale(int percent_x, int percent_y) = 0;

 protected:
  ~ISurfaceHost() = default;
};

enum class TkvSurfaceCursor { Default, Cross, SizeNWSE, SizeNESW, SizeNS, SizeWE, Split };

class TkvSurfaceLogic {
 public:
  TkvSurfaceLogic(TkvDesignerModel &model, ISurfaceHost &host) : model_(model), host_(host) {}

  // `screen` is the press in screen coordinates (for the pop-up menu).
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y, const QPoint &screen = {});
  void MouseMove(vcl::TShiftState shift, int x, int y);
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y);
  void DoubleClick();

  TkvSurfaceCursor Cursor() const { return cursor_; }
  bool Pressed() const { return pressed_; }

  // ---- what the overlay shows ----
  bool RubberActive() const { return pressed_ && rubber_; }
  QRect RubberRect() const { return KvSpan(press_, rubber_end_); }
  // Objects being moved or resized get outlines.
  bool Dragging() const { return pressed_ && dragged_ && !rubber_ && !split_ && !group_; }
  bool SplitActive() const { return pressed_ && split_; }
  int SplitX() const { return split_edge_ + split_delta_; }
  bool GroupResizing() const { return pressed_ && group_; }
  QRect GroupRect() const;

 private:
  enum class Handle { None, TopLeft, TopRight, BottomLeft, BottomRight, Left, Right, Top, Bottom };
  TkvSurfaceCursor CursorAt(int x, int y);
  // The grid applied to a delta: nothing until one axis reaches a grid
  // step, then each axis cut toward zero to whole steps.
  QPoint Snap(int dx, int dy) const;
  void StartResize();
  void ResizeTo(const QPoint &total);
  void ReleaseInsert();
  void CarryBandContents(vcl::TShiftState shift);

  TkvDesignerModel &model_;
  ISurfaceHost &host_;
  TkvSurfaceCursor cursor_ = TkvSurfaceCursor::Default;
  bool pressed_ = false;
  bool dragged_ = false;  // something moved or resized since the press
  bool moved_once_ = false;
  bool pending_snapshot_ = false;
  bool ignore_next_press_ = false;
  bool rubber_ = false;
  bool inserting_ = false;
  QPoint press_;
  QPoint last_;
  QPoint rubber_end_;
  // Resizing one object: the handle, the object's rectangle at the press
  // and how far the handle went (snapped).
  Handle handle_ = Handle::None;
  TkvView *resized_ = nullptr;
  QRect start_rect_;
  QPoint handle_total_;
  // The shared edge of two touching objects.
  bool split_ = false;
  TkvView *split_left_ = nullptr;
  TkvView *split_right_ = nullptr;
  int split_edge_ = 0;
  int split_delta_ = 0;
  // Resizing the selection as a group by the box's bottom-right corner.
  bool group_ = false;
  TkvSelectionBox group_box_;
  QPoint group_corner_;
  bool band_drag_ = false;  // the press was on a single selected band
  bool alt_ = false;        // Alt was down at the press: a band moves alone
};

// The widget of the surface.
class TPreview : public vcl::TCustomControl {
  ORBISCA_CLASS(TPreview, vcl::TCustomControl)

 public:
  TPreview(vcl::TComponent *owner, TkvDesignerModel &model, ISurfaceHost &host);

  TkvSurfaceLogic &Logic() { return logic_; }
  // Called when the surface moved in its scroll box (the rulers follow).
  rtl::TNotifyEvent OnPlaced;
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void DblClick() override;
  // The arrows, Enter and Del are the designer's keys while the page has
  // the focus, not the dialog's.
  void WMGetDlgCode(vcl::TMessage &message) override;
  Qt::FocusPolicy WidgetFocusPolicy() const override { return Qt::ClickFocus; }
  // The handles' cursors follow the mouse with no button held.
  void InitWidget() override;

 private:
  void ShowCursor();
  void PaintBackground(vcl::TCanvas *canvas);
  void PaintOverlay(QPainter *painter);

  TkvDesignerModel &model_;
  ISurfaceHost &host_;
  TkvSurfaceLogic logic_;
};

// Grid and ruler positions. A unit step is 3 pixels, a millimetre or a
// tenth of an inch; a mark falls every 5 steps.
double KvUnitStep(int unit);
struct TkvRulerMark {
  int Position = 0;  // pixels from the ruler's start
  bool Number = false;
  int Value = 0;  // the number shown (tens of pixels, centimetres, inches)
};
std::vector<TkvRulerMark> KvRulerMarks(int length, int unit);

}  // namespace report
