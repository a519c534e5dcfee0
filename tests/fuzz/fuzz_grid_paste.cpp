// Fuzz target for how the data grid reads a pasted clipboard block: the
// split into lines, the joining of quoted line breaks and the hex values of
// the record format. Any block gives lines and values, never a crash or a
// hang.
#include <cstddef>
#include <cstdint>

#include "dao/vudaogrid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString block = QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  const QStringList lines = dao::SplitClipboardLines(block);
  (void)dao::PastedTextLines(lines);
  for (const QString &line : lines)
    for (const QString &value : line.split(QLatin1Char('\t'))) (void)dao::HexText(value);
  return 0;
}
