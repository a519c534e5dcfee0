// Graphics of the component library: colours, fonts, pens, brushes, the
// canvas, and the pictures (bitmaps, icons, JPEG images, image lists).
//
// `TCanvas` draws on a QPainter with the pixel rules the controls were
// written for: a filled rectangle covers Left..Right-1 and Top..Bottom-1, a
// line leaves out its end point, text is placed by the top-left corner of
// its cell and is transparent unless the brush is solid. A control's paint
// handler attaches the canvas to the painter of its paint event with
// BeginPaint/EndPaint; a bitmap's canvas paints on the bitmap's QImage.
//
// Bitmaps and icons are read and written in the platform's own file formats
// by this library's code (not by Qt's image plug-ins), so that the bytes and
// the errors on damaged files are ours; JPEG goes through libjpeg.
//
// Declared by family: graphicstypes.h (exceptions, points, rectangles),
// colors.h, graphicsobjects.h (fonts, pens, brushes), canvas.h,
// textmetrics.h (text widths without shaping), pictures.h (bitmaps, icons,
// JPEG images, TPicture) and imagelist.h; this header brings them all.
#pragma once

#include "platform/vcl/canvas.h"
#include "platform/vcl/colors.h"
#include "platform/vcl/graphicsobjects.h"
#include "platform/vcl/graphicstypes.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/pictures.h"
#include "platform/vcl/textmetrics.h"
