// The painting every styled control shares: gradient colours and fills,
// 3D and rotated text, glyph-and-text layout with a drop-down arrow,
// bevels, borders and shadow frames, images drawn transparent, centred,
// stretched or tiled, disabled and embossed glyphs, button frames,
// rectangle alignment and window placement.
//
// The routines keep no state of their own; they draw on a `TCanvas` and
// leave its clipping, brush and pen as they found them. The application
// object's option bits and pattern bitmap (qelapp.h) are the only shared
// things they read.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "controls/styled/qelclass.h"
#include "platform/vcl/graphics.h"

namespace vcl {
class TCustomForm;
class TIcon;
}  // namespace vcl

namespace qel {

using vcl::TCanvas;
using vcl::TRect;

ORBISCA_ENUM(TQELBevelStyle, bvNone, bvLowered, bvRaised, bvFrameLowered, bvFrameRaised, bvNormal, bvShadow)
ORBISCA_ENUM(TQELBorderStyle, lsNone, lsSingle, lsLowered, lsRaised, lsRaisedspb, lsLoweredspb, lsRaisedExt,
             lsLoweredExt, lsFrameInset, lsFrameOffset, lsWindowBorder, lsSingleRaised, lsSingleLowered, lsDoubleRaised,
             lsDoubleLowered)
ORBISCA_ENUM(TQELBevelMode, bmCustom, bmStandard, bmEdge, bmWindows)
ORBISCA_ENUM(TQELEdgeStyle, etRaisedInner, etRaisedOuter, etSunkenInner, etSunkenOuter, etBump, etEtched, etRaised,
             etSunken)
ORBISCA_ENUM(TQELFrameSide, fsBottom, fsLeft, fsRight, fsTop)
using TQELFrameSides = vcl::TEnumSet<TQELFrameSide>;
ORBISCA_ENUM(TQELDlgPosition, bpCustom, bpTopLeft, bpTopCenter, bpTopRight, bpCenterLeft, bpCenter, bpCenterRight,
             bpBottomLeft, bpBottomCenter, bpBottomRight)
ORBISCA_ENUM(TQELDlgPosRel, brScreen, brScreenWorkArea, brMainForm, brActiveWindow)

// --- flag bits ---------------------------------------------------------------
// Gradient fills.
inline constexpr unsigned gfClip = 0x0001;       // clip to the rectangle (moved by the clip offset)
inline constexpr unsigned gfOffscreen = 0x0004;  // paint into a bitmap first
inline constexpr unsigned gfPalette = 0x1000;    // realise the palette
// Text and glyph drawing.
inline constexpr unsigned dfEnabled = 0x02;
inline constexpr unsigned dfAutoDisabled = 0x04;  // the automatic disabled look
inline constexpr unsigned dfClip = 0x08;
inline constexpr unsigned dfTopLeft = 0x20;  // place the layout at the top-left
inline constexpr unsigned dfFocusText = 0x40;
inline constexpr unsigned dfFocusGlyph = 0x80;
inline constexpr unsigned dfFocusBoth = 0x100;
inline constexpr unsigned dfMeasureOnly = 0x200;
inline constexpr unsigned dfAlignedText = 0x400;  // align the text itself by the layout's Alignment
// Images.
inline constexpr unsigned imClip = 0x0001;
inline constexpr unsigned imCenter = 0x0008;
inline constexpr unsigned imStretch = 0x0010;
inline constexpr unsigned imTransparent = 0x0040;
inline constexpr unsigned imTiled = 0x0080;
inline constexpr unsigned imMasked = 0x0100;
inline constexpr unsigned imProportional = 0x0200;      // stretch keeping the aspect, also up
inline constexpr unsigned imProportionalDown = 0x0400;  // only shrink, keeping the aspect
inline constexpr unsigned imPalette = 0x1000;

// The colour value meaning "no colour".
inline constexpr TColor kNoColor = 0x1FFFFFFF;

// --- colours -----------------------------------------------------------------

// Interpolates From..To in `count` colours into `list` (after emptying it
// when `clear`; appending leaves out the first colour, which the list
// already ends with). System colours are resolved first. A cleared list of
// one colour gets From.
void BuildGradientColors(TColor from, TColor to, int count, bool clear, TQELColorList *list);
// A palette of the list's colours; none for an empty list.
TQELPalette CreateGradientPalette(const TQELColorList &list);
// The blend of a and b at weight w/n: each byte w * (b - a) / n + a,
// rounded.
TColor BlendColor(TColor a, TColor b, int w, int n);

// --- gradients ---------------------------------------------------------------

// Paints the colours over `rect` in `style`. `clip_offset` packs x in the
// low and y in the high 16 bits.
void FillGradient(TCanvas *canvas, const TRect &rect, TQELGradientStyle style, unsigned clip_offset, unsigned flags,
                  const TQELPalette &palette, const TQELColorList &colors);
// A two-colour gradient in one call.
void DrawGradient(TCanvas *canvas, const TRect &rect, TColor from, unsigned clip_offset, unsigned flags,
                  TQELGradientStyle style, int count, TColor to);
// The gradient object's colours over `rect`.
void DrawGradient(TCanvas *canvas, const TRect &rect, const TQELGradient &gradient, unsigned flags = 0);

// --- text ----------------------------------------------------------------------

// Draws `text` in `rect` (DrawText `format` flags) with the 3D look of
// `caption` (a TQEL3DCaption, a TQELFxCaption or nullptr for plain text);
// `clip` limits the drawing with dfClip (nullptr: the rectangle).
void DrawText3D(TCanvas *canvas, const QString &text, const TQEL3DCaption *caption, const TRect *clip, unsigned flags,
                unsigned format, const TRect &rect);
// How much the caption's 3D copies add to the text's width and height.
int Caption3DDepth(const TQEL3DCaption *caption);

// What DrawGlyphText placed.
struct TQELGlyphTextResult {
  TRect TextRect;
  TRect GlyphRect;
  TRect UnionRect;
  TRect FocusRect;
};
// The DrawText alignment bits of a layout alignment.
unsigned AlignmentTextFlags(TQELAlignment alignment);
// Lays out and draws a glyph (may be nullptr or empty) and a text in
// `rect`; `mask` is the glyph's mask (nullptr: the glyph's transparent
// colour); `cell` picks one image of a strip (nullptr: the whole bitmap).
// With dfMeasureOnly nothing is drawn.
TQELGlyphTextResult DrawGlyphText(TCanvas *canvas, const QString &text, const TQEL3DCaption *caption, unsigned flags,
                                  unsigned format, const TQELGlyphTextLayout *layout, const vcl::TBitmap *glyph,
                                  const vcl::TBitmap *mask, const TRect &rect, const TRect *cell = nullptr);

// Places `inner`'s size in `outer` by `alignment`.
TRect AlignRect(TQELAlignment alignment, const TRect &inner, const TRect &outer);

// --- frames --------------------------------------------------------------------

// Draws a bevel of `width` and shrinks `rect` by it; false (nothing drawn)
// for bvNone, bvShadow and width 0.
bool DrawBevel(TCanvas *canvas, TRect &rect, TQELBevelStyle style, int width, TColor color_a, TColor color_b);
void DrawShadowFrame(TCanvas *canvas, TRect &rect, TColor frame_color, bool no_corners, int frame_width,
                     int shadow_depth, TColor back_color, TColor shadow_color);
void DrawBorder(TCanvas *canvas, TRect &rect, TQELBorderStyle style, unsigned extra_flags = 0);
int BorderWidth(TQELBorderStyle style);
// A drop-down arrow: shape 1 points down, 0 up; size 2..15, else nothing.
void DrawArrow(TCanvas *canvas, int x, int y, bool enabled, int shape, TColor color, int size);

// --- images --------------------------------------------------------------------

// Draws `source` (its `cell`, or all of it for nullptr) into `rect` by the
// im* flags; `mask` (black = shows, white = transparent) or, with
// imTransparent and no mask, `transparent` decide which pixels show.
void DrawImage(TCanvas *canvas, const TRect &rect, const vcl::TBitmap *source, const vcl::TBitmap *mask,
               TColor transparent, unsigned flags, const TRect *cell = nullptr);
// Sizes `bitmap` to the rectangle and fills it.
void FillBitmap(vcl::TBitmap *bitmap, const TRect &rect, TColor color);
// The greyed look of a glyph: the top-left colour stays, the rest become
// white, highlight, shadow or black by brightness.
void MakeDisabledGlyph(const vcl::TBitmap *source, vcl::TBitmap *dest);
// Copies an area of `source` into an image and a mask (white where the
// transparent colour was); the image's transparent pixels become black.
void MakeMaskPair(TCanvas *source, const TRect &area, TColor transparent, vcl::TBitmap *image, vcl::TBitmap *mask);
void IconToBitmap(const vcl::TIcon *icon, TColor back_color, vcl::TBitmap *bitmap);
// The glyph's mask drawn twice, light below-right and dark on top.
void DrawEmbossedGlyph(TCanvas *canvas, int x, int y, const vcl::TBitmap *glyph);

// The looks of the button frame.
ORBISCA_ENUM(TQELButtonLook, blAuto, blWin31, blWin95, blFlat)
struct TQELButtonState {
  bool Down = false;     // pressed
  bool Latched = false;  // held down (a toggled button)
  bool Default = false;
  bool SunkenEdge = false;  // a sunken edge instead of the lowered border when down
};
// Draws the frame and face of a push button and shrinks `rect` to the face.
void DrawButtonFrame(TCanvas *canvas, TRect &rect, TQELButtonLook look, const TQELButtonState &state,
                     TColor face_color);

// --- windows -------------------------------------------------------------------

// The rectangle a dialog is placed in.
TRect GetReferenceRect(TQELDlgPosRel relative);
// The top-left corner for a window of `size` placed by `position` in
// `reference`, kept on the screen `screen`.
vcl::TPoint PlaceRect(const vcl::TSize &size, const TRect &reference, TQELDlgPosition position, const TRect &screen);
// Moves the form (its size stays) by PlaceRect on the present screen.
void PlaceWindow(vcl::TCustomForm *form, const TRect &reference, TQELDlgPosition position);

}  // namespace qel
