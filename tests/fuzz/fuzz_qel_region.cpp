// Feeds arbitrary bytes to the readers of stored window shapes: the
// "RegionData" property, the border bitmaps and the "PointList" integers.
// Anything damaged must end in an exception and leave the mask as it was.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "controls/styled/qelregion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qel;
  if (size < 1) return 0;
  rtl::TMemoryStream s;
  s.WriteBuffer(data + 1, static_cast<qint64>(size - 1));
  s.SetPosition(0);
  TQELRegion region;
  try {
    switch (data[0] % 3) {
      case 0:
        region.Mask()->ReadRegionData(&s);
        region.SetShape(rsBitmap);
        region.CreateShapeRegion(TRect{0, 0, 100, 100});
        break;
      case 1:
        region.Mask()->ReadBitmapProperty(&s, data[0] % 3);
        break;
      default: {
        std::vector<int> values((size - 1) / 4);
        if (!values.empty()) std::memcpy(values.data(), data + 1, values.size() * 4);
        region.SetShape(rsPointList);
        region.Points()->ReadPointList(values);
        region.CreateShapeRegion(TRect{0, 0, 100, 100});
        break;
      }
    }
  } catch (const rtl::Exception &) {
  }
  return 0;
}
