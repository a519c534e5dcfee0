// Feeds arbitrary bytes to the bitmap file reader: nothing may crash, hang
// or allocate without bound; a file that loads saves and loads again, and
// from then on keeps its pixels (the first save may round odd bit masks to
// the depths this program writes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/vcl/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  vcl::TBitmap bitmap;
  try {
    bitmap.LoadFromBytes(bytes);
  } catch (const rtl::Exception &) {
    return 0;
  }
  vcl::TBitmap once, twice;
  once.LoadFromBytes(bitmap.SaveToBytes());
  twice.LoadFromBytes(once.SaveToBytes());
  if (twice.Image() != once.Image()) std::abort();
  twice.LoadFromDib(once.SaveToDib());
  if (twice.Image() != once.Image()) std::abort();
  return 0;
}
