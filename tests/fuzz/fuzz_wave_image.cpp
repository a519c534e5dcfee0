// Feeds arbitrary bytes to the sound output's wave reader, the compressed
// formats' decoders among it: it answers true or false, reading nothing
// past the image and writing nothing past the samples it makes.
#include <cstddef>
#include <cstdint>

#include "platform/os/waveout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  os::TWavePcm pcm;
  const QByteArray image(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  if (os::ReadWaveImage(image, pcm) && pcm.format.bytesPerFrame() > 0 &&
      pcm.samples.size() % pcm.format.bytesPerFrame())
    __builtin_trap();
  return 0;
}
