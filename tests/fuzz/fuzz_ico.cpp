// Feeds arbitrary bytes to the icon file reader: every image of a file that
// loads decodes, and the saved file loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/vcl/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  vcl::TIcon icon;
  try {
    icon.LoadFromBytes(bytes);
  } catch (const rtl::Exception &) {
    return 0;
  }
  for (int i = 0; i < static_cast<int>(icon.Entries().size()); ++i) icon.EntryImage(i);
  vcl::TIcon again;
  again.LoadFromBytes(icon.SaveToBytes());
  if (again.ToImage() != icon.ToImage()) std::abort();
  // An icon made from the image is written by our own encoder.
  vcl::TIcon made;
  made.SetImage(icon.ToImage());
  again.LoadFromBytes(made.SaveToBytes());
  return 0;
}
