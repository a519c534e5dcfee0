// The compressed sample formats of wave files, decoded to 16-bit samples
// before they go to the sound output: the two logarithmic ones (µ-law and
// A-law, one byte a sample) and the two 4-bit adaptive ones (IMA ADPCM and
// Microsoft ADPCM, in blocks that each start from a header of their own).
#pragma once

#include <QByteArray>
#include <cstdint>

namespace os {

// Format tags of the wave file's "fmt " chunk.
inline constexpr std::uint16_t kWaveMsAdpcm = 2;
inline constexpr std::uint16_t kWaveALaw = 6;
inline constexpr std::uint16_t kWaveMuLaw = 7;
inline constexpr std::uint16_t kWaveImaAdpcm = 0x11;

// What the "fmt " chunk says of compressed samples.
struct TWaveCoding {
  std::uint16_t tag = 0;
  int channels = 0;
  int block_align = 0;
  int bits = 0;
  // The bytes after the chunk's 16 common ones (the size of the extra
  // information, then the information: samples per block, and the
  // Microsoft ADPCM predictor coefficients).
  QByteArray extra;
};

// Whether `tag` is one of the formats DecodeWaveSamples decodes.
bool IsCompressedWave(std::uint16_t tag);

// The samples of `data` as interleaved 16-bit little-endian ones. Blocks
// are decoded whole (the last one as far as it goes, in whole groups of
// nibbles), as the common decoders do. False when the format's parameters
// do not hold up (bits, block size, channels) or a block names a predictor
// or step the format does not have.
bool DecodeWaveSamples(const TWaveCoding &coding, const QByteArray &data, QByteArray &out);

}  // namespace os
