// Window shapes: a form given a non-rectangular outline, a painted border,
// an optional drop shadow, dragging by its background and a background
// fill.
//
// `TQELRegion` / `TQELBorderRegion` hold the shape settings and build the
// region (a QRegion stands in for a window region) and paint its border
// and shadow; a bitmap shape keeps its region data and border pictures in
// a `TQELRegionMask`, a polygon shape its corners in a `TQELPointList`.
// `TQELFormShape` puts it all on its owner form through the window
// procedure (qelwndproccomponent.h): the form's mask follows every resize.
//
// Region data is stored in the platform's region-data layout: a 32-byte
// header (header size 32, type 1, rectangle count, size of the rectangles,
// bounding rectangle) and the rectangles as four little-endian int32 each.
#pragma once

#include <QByteArray>
#include <QRegion>
#include <memory>
#include <vector>

#include "controls/styled/qelcont.h"
#include "controls/styled/qelcontrol.h"
#include "controls/styled/qelfill.h"
#include "controls/styled/qelstrm.h"
#include "controls/styled/qelwndproccomponent.h"
#include "platform/rtl/streams.h"

namespace vcl {
class TBitmap;
class TCustomForm;
}  // namespace vcl

namespace qel {

ORBISCA_ENUM(TQELRegionShape, rsRect, rsRoundRect, rsBitmap, rsNoseRect, rsRoundNoseRect, rsElliptic, rsStar,
             rsRoundShield, rsSharpShield, rsDiamond, rsOctagon, rsComb, rsHalfRound, rsUserRegion, rsThinkBubble,
             rsRoundThinkBubble, rsEllipticThinkBubble, rsPointList)
ORBISCA_ENUM(TQELExtPos, epLeftTop, epTopLeft, epTopRight, epRightTop, epRightBottom, epBottomRight, epBottomLeft,
             epLeftBottom)
ORBISCA_ENUM(TQELRegionBorderStyle, rbNone, rbLowered, rbRaised, rbSingle, rbSingleRaised, rbSingleLowered, rbRaisedpsb,
             rbLoweredpsb)

// Damaged stored region data or point lists.
ORBISCA_EXCEPTION(EQELRegionData, EReadError)

// --- region data --------------------------------------------------------------

// The stored form of a region; empty data for an empty region.
QByteArray RegionToData(const QRegion &region);
// Reads stored region data; raises EQELRegionData for anything damaged
// (short, wrong header, counts that do not match the size, inverted
// rectangles).
QRegion RegionFromData(const QByteArray &data);

// --- shape geometry shared by regions and borders ----------------------------

// The body of the nose and think-bubble shapes: `rect` less `d` at the two
// sides the position names.
TRect ReducedBodyRect(const TRect &rect, TQELExtPos pos, int d);
// The nose triangle of `rect`: the tip at the corner the position names,
// then the two ends of its base on the body's first-named edge, `start`
// pixels from the body's corner, the nearer end first.
std::vector<QPoint> NoseTriangle(const TRect &rect, TQELExtPos pos, int d, int start);

// --- points ---------------------------------------------------------------------

// The corners of a polygon shape. Each point is packed as the platform
// list keeps it (X in the high, Y in the low 16 bits), so coordinates are
// 16-bit signed values.
class TQELPointList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // (0, 0) past the end.
  vcl::TPoint Point(int index) const;
  // Ignored past the end.
  void SetPoint(int index, const vcl::TPoint &p);
  void Add(const vcl::TPoint &p);
  void Clear();
  void BeginUpdate() { ++updating_; }
  void EndUpdate();

  // The stored "PointList": X then Y for each point.
  std::vector<int> WritePointList() const;
  // Replaces the points; an odd count or a value outside 16 bits raises
  // EQELRegionData and changes nothing.
  void ReadPointList(const std::vector<int> &values);

  // Called after each change while no update is open.
  std::function<void()> OnChange;

 private:
  static unsigned Pack(const vcl::TPoint &p);
  void Changed();
  std::vector<unsigned> items_;
  int updating_ = 0;
};

// --- mask ----------------------------------------------------------------------

class TQELRegionMask : public TQELObject {
  ORBISCA_CLASS(TQELRegionMask, TQELObject)

 public:
  TQELRegionMask();
  ~TQELRegionMask() override;

  int RegionDataSize() const { return static_cast<int>(data_.size()); }
  void SetRegionDataSize(int) {}  // follows the data
  bool Compressed() const { return compressed_; }
  void SetCompressed(bool v) { SetField(compressed_, v); }
  TQELSavePixelFormat PixelFormat() const { return pixel_format_; }
  void SetPixelFormat(TQELSavePixelFormat v) { SetField(pixel_format_, v); }

  const QByteArray &RegionData() const { return data_; }
  // Checks the data first (EQELRegionData) and keeps the old on failure.
  void SetRegionData(const QByteArray &data);
  void SetRegion(const QRegion &region) { SetRegionData(RegionToData(region)); }
  QRegion Region() const { return RegionFromData(data_); }

  vcl::TBitmap *BorderBitmap() const { return border_.get(); }
  vcl::TBitmap *BorderUpBitmap() const { return border_up_.get(); }
  vcl::TBitmap *BorderDownBitmap() const { return border_down_.get(); }

  // Stored properties. "RegionData" only when there is data; the three
  // bitmaps ("BorderBmp", "BorderUpBmp", "BorderDnBmp", index 0..2) only
  // when not empty: a compressed-flag byte, then the bitmap.
  void WriteRegionData(rtl::TStream *stream) const;
  void ReadRegionData(rtl::TStream *stream);
  bool HasBitmap(int which) const;
  void WriteBitmapProperty(rtl::TStream *stream, int which) const;
  void ReadBitmapProperty(rtl::TStream *stream, int which);

  // Copies the data (only when the source has some) and the bitmaps.
  void Assign(const rtl::TPersistent *source) override;

 private:
  vcl::TBitmap *BitmapAt(int which) const;
  QByteArray data_;
  bool compressed_ = false;
  TQELSavePixelFormat pixel_format_ = spfDefault;
  std::unique_ptr<vcl::TBitmap> border_, border_up_, border_down_;
};

// --- settings -------------------------------------------------------------------

class TQELRgnShadow : public TQELShadow {
  ORBISCA_CLASS(TQELRgnShadow, TQELShadow)

 public:
  TQELRgnShadow() { SetStyle(hssNone); }
};

class TQELRegionBorder : public TQELObject {
  ORBISCA_CLASS(TQELRegionBorder, TQELObject)

 public:
  TQELRegionBorder() = default;
  TQELRegionBorderStyle Style() const { return style_; }
  void SetStyle(TQELRegionBorderStyle v) { SetField(style_, v); }
  TColor LightColor() const { return light_; }
  void SetLightColor(TColor v) { SetField(light_, v); }
  TColor ShadowColor() const { return shadow_; }
  void SetShadowColor(TColor v) { SetField(shadow_, v); }
  TColor SingleColor() const { return single_; }
  void SetSingleColor(TColor v) { SetField(single_, v); }
  void Assign(const rtl::TPersistent *source) override;

 private:
  TQELRegionBorderStyle style_ = rbSingle;
  TColor light_ = vcl::clBtnHighlight;
  TColor shadow_ = vcl::clBtnShadow;
  TColor single_ = 0;
};

class TQELRegion : public TQELObject {
  ORBISCA_CLASS(TQELRegion, TQELObject)

 public:
  explicit TQELRegion(vcl::TWinControl *owner_control = nullptr);
  ~TQELRegion() override;

  TQELPointList *Points() { return &points_; }
  const TQELPointList *Points() const { return &points_; }
  TQELRegionShape Shape() const { return shape_; }
  void SetShape(TQELRegionShape v);
  TQELExtPos ExtPos() const { return ext_pos_; }
  void SetExtPos(TQELExtPos v) { SetField(ext_pos_, v); }
  TQELRegionMask *Mask() const { return mask_.get(); }
  int RoundX() const { return round_x_; }
  void SetRoundX(int v) { SetField(round_x_, v); }
  int RoundY() const { return round_y_; }
  void SetRoundY(int v) { SetField(round_y_, v); }
  TQELRgnShadow *Shadow() const { return shadow_.get(); }
  int BubbleCount() const { return bubble_count_; }
  // At least 1: the bubble diameters divide by it.
  void SetBubbleCount(int v);
  // The user region of rsUserRegion (rsPointList keeps its own from the
  // points).
  const QByteArray &UserRegionData() const { return user_data_; }
  void SetUserRegionData(const QByteArray &data);
  vcl::TPoint RegionOffset() const { return offset_; }
  void SetRegionOffset(const vcl::TPoint &p) { offset_ = p; }

  // The region for the shape in `rect` (moved by the offset, less the
  // shadow depth at the right and bottom with a shadow style). `exists`
  // answers false for a bitmap or point shape without data.
  QRegion CreateShapeRegion(const TRect &rect, bool *exists = nullptr) const;
  // The circles of the think-bubble shapes in `rect`, first to last.
  std::vector<TRect> BubbleRects(const TRect &rect) const;
  void PaintShadow(TCanvas *canvas, const TRect &rect) const;
  virtual void PaintBorder(TCanvas *canvas, const TRect &rect) const;

  // Copies Shape, RoundX, RoundY, Shadow, ExtPos, Border and Mask, not the
  // points, and notifies once.
  void Assign(const rtl::TPersistent *source) override;

 protected:
  vcl::TWinControl *owner_control_;
  // The region without offset and shadow handling, relative to the rect.
  QRegion BaseRegion(const TRect &r, bool *exists) const;

 private:
  void PointsChanged();
  TQELPointList points_;
  TQELRegionShape shape_ = rsRoundRect;
  TQELExtPos ext_pos_ = epLeftTop;
  std::unique_ptr<TQELRegionMask> mask_;
  int round_x_ = 20, round_y_ = 20;
  std::unique_ptr<TQELRgnShadow> shadow_;
  int bubble_count_ = 4;
  QByteArray user_data_;
  vcl::TPoint offset_{0, 0};
};

class TQELBorderRegion : public TQELRegion {
  ORBISCA_CLASS(TQELBorderRegion, TQELRegion)

 public:
  explicit TQELBorderRegion(vcl::TWinControl *owner_control = nullptr);
  TQELRegionBorder *Border() const { return border_.get(); }
  void PaintBorder(TCanvas *canvas, const TRect &rect) const override;

 private:
  std::unique_ptr<TQELRegionBorder> border_;
};

// --- the form shape ------------------------------------------------------------

class TQELFormShape : public TQELWndProcComponent {
  ORBISCA_CLASS(TQELFormShape, TQELWndProcComponent)

 public:
  explicit TQELFormShape(vcl::TComponent *owner);
  ~TQELFormShape() override;

  TQELBorderRegion *Region() const { return region_.get(); }
  bool ShowFormCaption() const { return show_caption_; }
  void SetShowFormCaption(bool v);
  bool FormDragable() const { return dragable_; }
  void SetFormDragable(bool v) { dragable_ = v; }
  bool UseRgnBitmap() const { return use_rgn_bitmap_; }
  void SetUseRgnBitmap(bool v);
  TQELFillObject *FillObject() const { return fill_.get(); }
  // The image of the bitmap-list fill.
  TQELCustomImageList *ImageList() const { return image_.List(); }
  void SetImageList(TQELCustomImageList *list) { image_.SetList(list); }
  int ListIndex() const { return image_.ListIndex(); }
  void SetListIndex(int v) { image_.SetListIndex(v); }
  int ImageIndex() const { return image_.ImageIndex(); }
  void SetImageIndex(int v) { image_.SetImageIndex(v); }

  void Loaded() override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;
  // Builds the window region and puts it on the form.
  void ApplyRegion();
  // The last region built, in window coordinates (frame and caption
  // included); empty before the first.
  const QRegion &WindowRegion() const { return window_region_; }
  // The off-screen background, when one is painted.
  vcl::TBitmap *BackBitmap() const { return back_.get(); }
  bool HasBackBitmap() const;
  void PaintBackground(TCanvas *canvas);
  bool Dragging() const { return dragging_; }

  void WndProc(vcl::TMessage &message) override;

 private:
  vcl::TCustomForm *Form() const;
  void RegionChanged(rtl::TObject *);
  std::unique_ptr<TQELBorderRegion> region_;
  std::unique_ptr<TQELFillObject> fill_;
  std::unique_ptr<vcl::TBitmap> back_;
  bool show_caption_ = true, dragable_ = true, use_rgn_bitmap_ = true;
  TQELImageReference image_;
  bool dragging_ = false;
  bool applying_ = false;
  QRegion window_region_;
};

}  // namespace qel
