// Feeds arbitrary bytes to the wave readers: the form property "Data", the
// plain and compressed wave-list forms, and a whole image. Anything that is
// not a wave must end in an exception and leave the wave as it was.
#include <cstddef>
#include <cstdint>

#include "controls/styled/qelwave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace qel;
  if (size < 1) return 0;
  rtl::TMemoryStream s;
  s.WriteBuffer(data + 1, static_cast<qint64>(size - 1));
  s.SetPosition(0);
  TQELWave wave;
  try {
    switch (data[0] % 4) {
      case 0:
        wave.ReadData(&s);
        break;
      case 1:
        wave.ReadStored(&s, true);
        break;
      case 2:
        wave.LoadFromStream(&s);
        break;
      default: {
        TQELWaveInfo info;
        CheckWaveImage(&s, &info);
        break;
      }
    }
    wave.Play();
  } catch (const rtl::Exception &) {
  }
  return 0;
}
