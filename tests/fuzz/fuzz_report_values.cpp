// Drives the reader of a report's stored variables (the "Data" property and
// the variables block of templates) with arbitrary bytes: only EReadError
// (or another run-time exception) may come out, and a refused stream leaves
// no variables behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/rtl/streams.h"
#include "report/engine/vars/kvvars.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  rtl::TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<qint64>(size));
  stream.SetPosition(0);
  report::TkvValues values;
  try {
    values.ReadBinaryData(stream);
    rtl::TMemoryStream out;
    values.WriteBinaryData(out);
  } catch (const rtl::Exception &) {
    if (values.Count() != 0) std::abort();
  }
  return 0;
}
