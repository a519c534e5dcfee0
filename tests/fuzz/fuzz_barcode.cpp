// Fuzz target for the barcode generator and the barcode object's stored
// block: any text in any symbology, with any settings, gives a pattern or a
// clear exception, and any bytes read as a barcode object either load or
// raise.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "report/engine/objects/kvbarcode.h"
#include "report/engine/objects/kvcodebarre.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 3) return 0;
  report::TBarcode bc;
  bc.SetTyp(report::TBarcodeType(data[0] % 26));
  bc.SetModul(data[1] % 52);
  bc.SetRatio(double(data[2]) / 16.0);
  bc.SetChecksum(data[0] & 0x80);
  bc.SetShowCheckSumText(data[1] & 0x80);
  bc.SetText(QString::fromLatin1(reinterpret_cast<const char *>(data + 3), qsizetype(size - 3)));
  try {
    (void)bc.Width();
  } catch (const rtl::Exception &) {
  }

  rtl::TMemoryStream stream;
  stream.SetBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
  report::TkvCodeBarreView view(nullptr);
  try {
    view.LoadFromStream(stream);
  } catch (const rtl::Exception &) {
  }
  return 0;
}
