// The program's own pictures, drawn in code so that no image file has to
// travel with it: the splash window's picture (a newsstand's awning over a
// night-blue ground, piles of magazines in the lower corners, a barcode
// under the texts), the program icon (a magazine cover with its barcode)
// and the bin of the till's reset button.
#pragma once

#include <QImage>
#include <memory>

#include "platform/vcl/pictures.h"

namespace app {

// The splash picture at the given size; its middle is dark enough for the
// white texts laid over it.
QImage SplashPicture(int width, int height);

// The program icon, square, on a transparent ground.
QImage ProgramIcon(int size);

// The bin of the till's reset button, on a transparent ground.
QImage BinGlyph(int size);

// A bitmap of a picture laid on `ground` (bitmaps hold no transparency):
// the control's own colour, which a glyph's lower left pixel then names as
// the colour to leave out.
std::unique_ptr<vcl::TBitmap> BitmapOf(const QImage &image, const QColor &ground);

}  // namespace app
