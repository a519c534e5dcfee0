// Feeds arbitrary bytes to the JPEG reader: libjpeg's errors must come back
// as exceptions, never end the process; a picture that loads encodes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/vcl/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  vcl::TJPEGImage jpeg;
  try {
    jpeg.LoadFromBytes(bytes);
  } catch (const rtl::Exception &) {
    return 0;
  }
  if (jpeg.Width() <= 0 || jpeg.Height() <= 0) std::abort();
  if (static_cast<qint64>(jpeg.Width()) * jpeg.Height() <= 512 * 512) {
    const QByteArray encoded = vcl::TJPEGImage::Encode(jpeg.ToImage(), 75, false, false);
    vcl::TJPEGImage again;
    again.LoadFromBytes(encoded);
  }
  return 0;
}
