// The foundations of the styled controls: the base of every non-visual
// component (`TQELCustomComponent`) and of every grouped setting a control
// publishes as one property (`TQELObject`), and the setting objects the
// captions, labels, buttons and gradients share.
//
// Both bases speak the same small protocol: a setter stores a value only
// when it differs and then calls `Change`; `Change` fires `OnChange` unless
// an update bracket (`BeginUpdate` / `EndUpdate`) is open; the owning
// control points `OnChange` at its repaint. How these settings are drawn is
// in qelgraph.h; the application object, timer pool and single-instance
// guard are in qelapp.h.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/typinfo.h"

namespace qel {

using rtl::TNotifyEvent;
using vcl::TColor;

// The "About" text the components publish; only shown at design time.
using TQELAboutVar = QString;
// Ranged property types (the setters check the ranges).
using TQELColorCount = int;   // 2..236
using TQELAngle = int;        // 0..360, 360 kept as 0
using TQELDDArrowSize = int;  // 2..10

// ---------------------------------------------------------------------------
// Enumerations shared by the settings and the drawing routines

ORBISCA_ENUM(TQELAlignment, agTopLeft, agTopCenter, agTopRight, agCenterLeft, agCenter, agCenterRight, agBottomLeft,
             agBottomCenter, agBottomRight)
ORBISCA_ENUM(TQELTextArrange, taLeft, taLeftTop, taRight, taRightTop, taTop, taTopLeft, taBottom, taBottomLeft)
ORBISCA_ENUM(TQELArrowPosition, apRightText, apLeftText, apRightGlyph, apLeftGlyph)
ORBISCA_ENUM(TQELDisabledStyle, dsAuto, dsStandard, ds3d, dsNone)
ORBISCA_ENUM(TQELThreeDOrientation, toBottomLeft, toBottomRight, toTopLeft, toTopRight)
ORBISCA_ENUM(TQELThreeDStyle, tdNone, tdSunken, tdRaised, tdSunkenShadow, tdRaisedShadow, tdPColorSunken,
             tdPColorRaised, tdShadow, tdOutline, tdExtrude, tdExtrudeEnh)
ORBISCA_ENUM(TQELGradientStyle, gstHorizontal, gstVertical, gstSquare, gstElliptic, gstTopLeft, gstTopRight,
             gstBottomLeft, gstBottomRight, gstTopLeftDiagonal, gstTopRightDiagonal)
ORBISCA_ENUM(TQELGlyphTextFocusStyle, fcControl, fcText, fcGlyph, fcGlyphText, fcNone)

// Drawing-flag bits of the glyph-and-text drawing that mark what the focus
// frame surrounds.
unsigned FocusStyleFlags(TQELGlyphTextFocusStyle style);

// ---------------------------------------------------------------------------
// Small path helpers

// True for an empty text or one of blanks only.
bool IsBlank(const QString &text);
// Appends the folder delimiter unless the text is non-blank and already
// ends with one ("/" or "\").
QString AddBackSlash(const QString &path);
// Removes one final delimiter from a non-blank text.
QString DelBackSlash(const QString &path);

// ---------------------------------------------------------------------------
// Bases

class TQELCustomComponent : public vcl::TComponent {
  ORBISCA_CLASS(TQELCustomComponent, vcl::TComponent)

 public:
  explicit TQELCustomComponent(vcl::TComponent *owner);

  void BeginUpdate() { updating_ = true; }
  void EndUpdate(bool do_change);
  bool Updating() const { return updating_; }
  // Fires OnChange unless an update is open.
  virtual void Change();
  // A handler other objects (a container, a sub-object) can use as their
  // OnChange: it calls Change.
  virtual void GetChange(rtl::TObject *sender);

  TNotifyEvent OnChange;

  TQELAboutVar About() const { return about_; }
  void SetAbout(const TQELAboutVar &) {}  // read-only, shown at design time

 protected:
  TQELAboutVar about_ = QStringLiteral("Orbisca styled components");

 private:
  bool updating_ = false;
};

class TQELObject : public rtl::TPersistent {
  ORBISCA_CLASS(TQELObject, rtl::TPersistent)

 public:
  TQELObject() = default;

  void BeginUpdate() { updating_ = true; }
  void EndUpdate(bool do_change);
  bool Updating() const { return updating_; }
  virtual void Change();
  virtual void GetChange(rtl::TObject *sender);
  // A short summary for design-time display; empty by default.
  virtual QString GetDisplayText() const { return QString(); }

  // Set by the owner.
  TNotifyEvent OnChange;

 protected:
  // Stores `value` into `field` and calls Change when it differs.
  template <typename T>
  void SetField(T &field, const T &value) {
    if (field == value) return;
    field = value;
    Change();
  }

 private:
  bool updating_ = false;
};

// Builds a setting object by its class name (the counterpart of a class
// reference's virtual constructor); nullptr for an unknown name.
std::unique_ptr<TQELObject> CreateQELObject(const QString &class_name);

// ---------------------------------------------------------------------------
// Text and glyph layout

class TQELGlyphTextLayout : public TQELObject {
  ORBISCA_CLASS(TQELGlyphTextLayout, TQELObject)

 public:
  TQELGlyphTextLayout() = default;

  TQELAlignment Alignment() const { return alignment_; }
  void SetAlignment(TQELAlignment v) { SetField(alignment_, v); }
  TQELTextArrange AlignText2Glyph() const { return align_text_; }
  void SetAlignText2Glyph(TQELTextArrange v) { SetField(align_text_, v); }
  int OffsetX() const { return offset_x_; }
  void SetOffsetX(int v) { SetField(offset_x_, v); }
  int OffsetY() const { return offset_y_; }
  void SetOffsetY(int v) { SetField(offset_y_, v); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int v) { SetField(spacing_, v); }

  void Assign(const rtl::TPersistent *source) override;

 protected:
  TQELAlignment alignment_ = agTopLeft;

 private:
  TQELTextArrange align_text_ = taRight;
  int offset_x_ = 0;
  int offset_y_ = 0;
  int spacing_ = 2;
};

// Sizes of the drop-down arrow a button may show.
inline constexpr int kMinArrowSize = 2;
inline constexpr int kMaxArrowSize = 10;

class TQELButtonLayout : public TQELGlyphTextLayout {
  ORBISCA_CLASS(TQELButtonLayout, TQELGlyphTextLayout)

 public:
  TQELButtonLayout() { alignment_ = agCenter; }

  bool Arrow() const { return arrow_; }
  void SetArrow(bool v) { SetField(arrow_, v); }
  TColor ArrowColor() const { return arrow_color_; }
  void SetArrowColor(TColor v) { SetField(arrow_color_, v); }
  int ArrowIndent() const { return arrow_indent_; }
  void SetArrowIndent(int v) { SetField(arrow_indent_, v); }
  TQELArrowPosition ArrowPosition() const { return arrow_position_; }
  void SetArrowPosition(TQELArrowPosition v) { SetField(arrow_position_, v); }
  // 2..10; other values raise ERangeError and change nothing.
  int ArrowSize() const { return arrow_size_; }
  void SetArrowSize(int v);

  void Assign(const rtl::TPersistent *source) override;

 private:
  bool arrow_ = false;
  TColor arrow_color_ = vcl::clBlack;
  int arrow_indent_ = 3;
  TQELArrowPosition arrow_position_ = apRightText;
  int arrow_size_ = 3;
};

// ---------------------------------------------------------------------------
// 3D captions

class TQEL3DCaption : public TQELObject {
  ORBISCA_CLASS(TQEL3DCaption, TQELObject)

 public:
  TQEL3DCaption() = default;

  TQELDisabledStyle DisabledStyle() const { return disabled_style_; }
  void SetDisabledStyle(TQELDisabledStyle v) { SetField(disabled_style_, v); }
  // Byte properties: 0..255.
  int LightDepth() const { return light_depth_; }
  void SetLightDepth(int v) { SetField(light_depth_, ClampByte(v)); }
  int ShadowDepth() const { return shadow_depth_; }
  void SetShadowDepth(int v) { SetField(shadow_depth_, ClampByte(v)); }
  TColor LightColor() const { return light_color_; }
  void SetLightColor(TColor v) { SetField(light_color_, v); }
  TQELThreeDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TQELThreeDOrientation v) { SetField(orientation_, v); }
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor v) { SetField(shadow_color_, v); }
  TQELThreeDStyle Style() const { return style_; }
  void SetStyle(TQELThreeDStyle v) { SetField(style_, v); }
  int Tracing() const { return tracing_; }
  void SetTracing(int v) { SetField(tracing_, v); }

  void Assign(const rtl::TPersistent *source) override;
  QString GetDisplayText() const override;

 protected:
  // Copies the settings an assignment carries (not the orientation).
  void CopyFrom(const TQEL3DCaption &source);
  static int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

 private:
  TQELDisabledStyle disabled_style_ = dsAuto;
  int light_depth_ = 1;
  int shadow_depth_ = 1;
  TColor light_color_ = vcl::clBtnHighlight;
  TQELThreeDOrientation orientation_ = toTopLeft;
  TColor shadow_color_ = vcl::clBtnShadow;
  TQELThreeDStyle style_ = tdNone;
  int tracing_ = 0;
};

class TQELFxCaption : public TQEL3DCaption {
  ORBISCA_CLASS(TQELFxCaption, TQEL3DCaption)

 public:
  TQELFxCaption() = default;

  // Degrees 0..359; 360 is kept as 0, values outside 0..360 raise
  // ERangeError and change nothing.
  int Angle() const { return angle_; }
  void SetAngle(int v);
  // Word properties: 0..65535.
  int PosX() const { return pos_x_; }
  void SetPosX(int v) { SetField(pos_x_, ClampWord(v)); }
  int PosY() const { return pos_y_; }
  void SetPosY(int v) { SetField(pos_y_, ClampWord(v)); }
  // Moves the text without a change notification.
  void SetPosition(int x, int y);

  void Assign(const rtl::TPersistent *source) override;
  QString GetDisplayText() const override;

 private:
  static int ClampWord(int v) { return v < 0 ? 0 : (v > 65535 ? 65535 : v); }
  int angle_ = 0;
  int pos_x_ = 0;
  int pos_y_ = 0;
};

// ---------------------------------------------------------------------------
// Gradients

// Colours a gradient is painted with, in order.
using TQELColorList = std::vector<TColor>;
// A logical palette: the colours to realise, in order (empty = none).
using TQELPalette = std::shared_ptr<const TQELColorList>;

inline constexpr int kMinGradientColors = 2;
inline constexpr int kMaxGradientColors = 236;

class TQELGradient : public TQELObject {
  ORBISCA_CLASS(TQELGradient, TQELObject)

 public:
  TQELGradient();

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  // 2..236; other values raise ERangeError and change nothing.
  int ColorCount() const { return color_count_; }
  void SetColorCount(int v);
  TQELGradientStyle Style() const { return style_; }
  void SetStyle(TQELGradientStyle v) { SetField(style_, v); }
  TColor EndColor() const { return end_color_; }
  void SetEndColor(TColor v) { SetField(end_color_, v); }
  bool PaletteRealize() const { return palette_realize_; }
  void SetPaletteRealize(bool v) { SetField(palette_realize_, v); }
  bool TwoColors() const { return two_colors_; }
  void SetTwoColors(bool v) { SetField(two_colors_, v); }

  // The palette built from Colors() while PaletteRealize is on.
  TQELPalette Palette() const { return palette_; }
  // The colours actually painted. Every setter rebuilds them, also inside
  // an update bracket, so they never lag behind the settings.
  const TQELColorList &Colors() const { return colors_; }
  // The colours of the multi-colour mode. Change them with SetUserColors
  // (or edit and call Change).
  TQELColorList &UserColors() { return user_colors_; }
  const TQELColorList &UserColors() const { return user_colors_; }
  void SetUserColors(const TQELColorList &colors);

  // The stored "ColorList" property: the user colours as integers, written
  // only when there are any; reading appends to the present list.
  bool HasColorList() const { return !user_colors_.empty(); }
  std::vector<int> WriteColorList() const;
  void ReadColorList(const std::vector<int> &values);

  void Change() override;
  void Assign(const rtl::TPersistent *source) override;
  QString GetDisplayText() const override;

 private:
  void Rebuild();
  TColor color_ = 0xFF0000;
  int color_count_ = 16;
  TQELGradientStyle style_ = gstVertical;
  TColor end_color_ = 0;
  bool palette_realize_ = false;
  bool two_colors_ = true;
  TQELColorList user_colors_;
  TQELColorList colors_;
  TQELPalette palette_;
};

}  // namespace qel
