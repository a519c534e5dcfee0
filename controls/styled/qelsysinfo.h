// Questions the styled controls ask about the system: the display's colour
// depth, the sizes of window parts (caption bar, frames, caption buttons)
// as the form styler lays out its own caption, the logged-on user and
// whether a font is an outline font.
//
// The window-part sizes are the classic ones the styled look was drawn
// for (an 18-pixel caption, 4-pixel sizing frames...), so a styled caption
// looks the same under any desktop theme.
#pragma once

#include <QString>

#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"

namespace vcl {
class TCustomForm;
}

namespace qel {

// Bits per pixel of the display (24 when there is no screen).
int ColorDepth();

// Indices of GetSystemMetrics for the window parts.
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int SM_CXSIZE = 30;
inline constexpr int SM_CYSIZE = 31;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_CYSMCAPTION = 51;
inline constexpr int SM_CXSMSIZE = 52;
inline constexpr int SM_CYSMSIZE = 53;
// The size of a window part; 0 for an index not listed above.
int GetSystemMetrics(int index);

// Result bits of the caption geometry.
inline constexpr unsigned cgMinimized = 0x10;
inline constexpr unsigned cgIcon = 0x08;

struct TQELCaptionGeometry {
  vcl::TRect CaptionRect;  // window coordinates; empty without a caption
  vcl::TRect TextRect;     // between the icon and the caption buttons
  int ButtonCount = 0;
  unsigned Flags = 0;
};
// The caption of a window of `width` with that border and those icons.
TQELCaptionGeometry CaptionGeometry(int width, vcl::TFormBorderStyle border, bool system_menu = true,
                                    bool minimize = true, bool maximize = true, bool help = false,
                                    bool minimized = false);
// The caption of a form as it is now.
TQELCaptionGeometry CaptionGeometry(const vcl::TCustomForm *form);

// True: the styled look is the one of the new-style (3D) controls
// everywhere this program runs.
inline bool NewStyleControls() { return true; }

// The logged-on user's name, or "(Unknown)".
QString UserName();

// True for an outline (scalable) font, which can be rotated.
bool IsTrueTypeFont(const vcl::TFont *font);

}  // namespace qel
