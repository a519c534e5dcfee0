// Icons outside their file form: the lookup controls draw a row's icon
// through an icon handle of the size the display wants, made from the icon
// file by choosing the image whose colours best fit the display, and the
// picture class learns a private clipboard format through which icons are
// copied and pasted.
#pragma once

#include <QImage>
#include <memory>

#include "platform/vcl/graphics.h"

namespace ext {

// A system icon: its colour image (absent for a monochrome icon, whose
// double-height mask holds both images) and its 1-bit mask (white where
// the icon is transparent).
struct TIconHandle {
  QImage color;
  QImage mask;
};
using HICON = std::unique_ptr<TIconHandle>;

// The display's colour depth (planes x bits per pixel) that the choice of
// image follows; 24 at start. Tests set it.
int DisplayColorBits();
void SetDisplayColorBits(int bits);
// The size of the system's icons.
vcl::TSize SystemIconSize();

// The handle of an icon object, owned by the caller. An icon without an
// icon file behind it gives the default application icon. Damaged icon
// data raises vcl::EInvalidGraphic; a handle that cannot be made raises
// rtl::EOutOfResources ("Out of system resources").
HICON CreateRealSizeIcon(const vcl::TIcon *icon);
// The same from the bytes of an icon file.
HICON CreateIconFromBytes(const QByteArray &data);
// The index of the directory entry chosen for a display of `display_bits`.
int ChooseIconEntry(const std::vector<vcl::TIconEntry> &entries, int display_bits);

// Width and height of an icon handle (see the .cpp for monochrome icons).
vcl::TSize IconHandleSize(const TIconHandle *icon);

// The private clipboard format of icons (registered when the library
// starts, and tied to the picture class's icon type).
unsigned IconClipboardFormat();

}  // namespace ext
