// Icon handles made from arbitrary icon-file bytes: damaged data must end in
// a clear exception, never a crash.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "controls/extended/clipicon.h"
#include "platform/rtl/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  for (int bits : {4, 8, 24}) {
    ext::SetDisplayColorBits(bits);
    try {
      ext::HICON h = ext::CreateIconFromBytes(bytes);
      (void)ext::IconHandleSize(h.get());
    } catch (const rtl::Exception &) {
    }
  }
  return 0;
}
