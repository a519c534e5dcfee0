// The compressed wave formats' decoders (see wavecodec.h).
#include "platform/os/wavecodec.h"

#include <algorithm>
#include <array>
#include <vector>

namespace os {

namespace {

constexpr int kMinSample = -0x8000;
constexpr int kMaxSample = 0x7FFF;

int Clamp16(int v) { return std::clamp(v, kMinSample, kMaxSample); }

int U8(const QByteArray &b, qsizetype at) { return int(quint8(b[at])); }
int S16(const QByteArray &b, qsizetype at) { return int(qint16(quint16(U8(b, at) | (U8(b, at + 1) << 8)))); }
int U16(const QByteArray &b, qsizetype at) { return U8(b, at) | (U8(b, at + 1) << 8); }

void Put(QByteArray &out, qsizetype index, int v) {
  out[2 * index] = char(v & 0xFF);
  out[2 * index + 1] = char((v >> 8) & 0xFF);
}

// --- the logarithmic formats ----------------------------------------------------------------

// A µ-law byte is stored inverted: sign, a 3-bit segment and 4 bits within
// it, around a bias of 132.
int MuLaw(int u) {
  constexpr int kBias = 0x84;
  u = ~u & 0xFF;
  const int t = (((u & 0x0F) << 3) + kBias) << ((u & 0x70) >> 4);
  return (u & 0x80) ? kBias - t : t - kBias;
}

// An A-law byte has its even bits inverted: sign (set for positive), a
// 3-bit segment and 4 bits within it.
int ALaw(int a) {
  a ^= 0x55;
  int t = (a & 0x0F) << 4;
  const int segment = (a & 0x70) >> 4;
  if (segment == 0) {
    t += 8;
  } else {
    t += 0x108;
    t <<= segment - 1;
  }
  return (a & 0x80) ? t : -t;
}

bool DecodeLaw(const TWaveCoding &c, const QByteArray &data, QByteArray &out) {
  if (c.bits != 8 || c.block_align != c.channels) return false;
  const qsizetype n = data.size() - data.size() % c.channels;
  out = QByteArray(2 * n, '\0');
  std::array<qint16, 256> table{};
  for (int i = 0; i < 256; ++i) table[size_t(i)] = qint16(c.tag == kWaveMuLaw ? MuLaw(i) : ALaw(i));
  for (qsizetype i = 0; i < n; ++i) Put(out, i, table[size_t(quint8(data[i]))]);
  return true;
}

// --- IMA ADPCM --------------------------------------------------------------------------------

constexpr int kImaLastIndex = 88;
constexpr std::array<int, kImaLastIndex + 1> kImaSteps = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 8> kImaIndexChange = {-1, -1, -1, -1, 2, 4, 6, 8};

// One block's `n` samples of every channel. Each channel's header: its
// first sample and step index; then groups of 4 bytes (8 samples, low
// nibble first) per channel in turn.
void ImaBlock(const QByteArray &data, qsizetype at, int channels, int n, QByteArray &out, qsizetype first) {
  for (int ch = 0; ch < channels; ++ch) {
    const qsizetype header = at + 4 * ch;
    int value = S16(data, header);
    int index = U8(data, header + 2);
    if (index > kImaLastIndex) index = 0;  // a damaged header starts from the smallest step
    Put(out, first + ch, value);
    qsizetype in = at + 4 * channels + 4 * ch;
    for (int i = 1; i < n; ++i) {
      const int code = (i & 1) ? U8(data, in) & 0x0F : U8(data, in) >> 4;
      if ((i & 1) == 0) {
        ++in;
        if ((i & 7) == 0) in += 4 * (channels - 1);  // the other channels' group
      }
      int step = kImaSteps[size_t(index)];
      index = std::clamp(index + kImaIndexChange[size_t(code & 7)], 0, kImaLastIndex);
      int diff = step >> 3;
      if (code & 4) diff += step;
      if (code & 2) diff += step >> 1;
      if (code & 1) diff += step >> 2;
      value = Clamp16((code & 8) ? value - diff : value + diff);
      Put(out, first + qsizetype(i) * channels + ch, value);
    }
  }
}

bool DecodeIma(const TWaveCoding &c, const QByteArray &data, QByteArray &out) {
  const int ch = c.channels;
  if (c.bits != 4 || c.block_align <= 4 * ch || c.block_align % (4 * ch) != 0) return false;
  const int most = (c.block_align - 4 * ch) * 2 / ch + 1;
  int per_block = most;
  if (c.extra.size() >= 4 && U16(c.extra, 0) >= 2 && U16(c.extra, 2) != 0) per_block = U16(c.extra, 2);
  if (per_block > most) return false;
  // Whole blocks, then what the last one holds in whole groups.
  const qsizetype blocks = data.size() / c.block_align;
  const qsizetype rest = data.size() % c.block_align;
  const int last = rest >= 4 * ch ? std::min<int>(per_block, int((rest - 4 * ch) / (4 * ch)) * 8 + 1) : 0;
  const qsizetype frames = blocks * per_block + last;
  out = QByteArray(2 * frames * ch, '\0');
  for (qsizetype b = 0; b < blocks; ++b) ImaBlock(data, b * c.block_align, ch, per_block, out, b * per_block * ch);
  if (last > 0) ImaBlock(data, blocks * c.block_align, ch, last, out, blocks * per_block * ch);
  return true;
}

// --- Microsoft ADPCM --------------------------------------------------------------------------

// The coefficient pairs every file of the format starts its table with.
constexpr std::array<std::array<int, 2>, 7> kMsStandardCoefficients = {
    {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}};
constexpr std::array<int, 16> kMsStepChange = {230, 230, 230, 230, 307, 409, 512, 614,
                                               768, 614, 512, 409, 307, 230, 230, 230};
constexpr int kMsLeastStep = 16;
constexpr int kMsHeaderBytes = 7;  // per channel: predictor, step, two samples

// One block's `n` samples of every channel. The header gives, channel by
// channel, each one's predictor, its step, the second sample and the first;
// then nibbles (high first) alternate over the channels.
void MsBlock(const QByteArray &data, qsizetype at, int channels, int n,
             const std::vector<std::array<int, 2>> &coefficients, QByteArray &out, qsizetype first) {
  const auto n_channels = static_cast<size_t>(channels);
  std::vector<std::array<int, 2>> coef(n_channels);
  std::vector<int> step(n_channels), s1(n_channels), s2(n_channels);
  qsizetype in = at;
  for (int ch = 0; ch < channels; ++ch) {
    const int predictor = U8(data, in++);
    // A predictor beyond the table takes the first, as the common decoders do.
    coef[size_t(ch)] = coefficients[size_t(predictor) < coefficients.size() ? size_t(predictor) : 0];
  }
  for (int ch = 0; ch < channels; ++ch, in += 2) step[size_t(ch)] = S16(data, in);
  for (int ch = 0; ch < channels; ++ch, in += 2) s1[size_t(ch)] = S16(data, in);
  for (int ch = 0; ch < channels; ++ch, in += 2) s2[size_t(ch)] = S16(data, in);
  for (int ch = 0; ch < channels; ++ch) {
    Put(out, first + ch, s2[size_t(ch)]);
    if (n > 1) Put(out, first + channels + ch, s1[size_t(ch)]);
  }
  const qsizetype total = qsizetype(n) * channels;
  int ch = 0;
  for (qsizetype k = 2 * qsizetype(channels); k < total; ++k) {
    const int byte = U8(data, in + (k - 2 * channels) / 2);
    int code = (k - 2 * channels) % 2 == 0 ? byte >> 4 : byte & 0x0F;
    const size_t c = size_t(ch);
    const int old_step = step[c];
    step[c] = std::max(kMsLeastStep, (kMsStepChange[size_t(code)] * old_step) >> 8);
    const int predicted = (s1[c] * coef[c][0] + s2[c] * coef[c][1]) >> 8;
    code -= (code & 8) << 1;
    const int value = Clamp16(code * old_step + predicted);
    s2[c] = s1[c];
    s1[c] = value;
    Put(out, first + k, value);
    if (++ch == channels) ch = 0;
  }
}

bool DecodeMs(const TWaveCoding &c, const QByteArray &data, QByteArray &out) {
  const int ch = c.channels;
  if (c.bits != 4 || c.block_align < kMsHeaderBytes * ch) return false;
  const int most = (c.block_align - kMsHeaderBytes * ch) * 2 / ch + 2;
  int per_block = most;
  std::vector<std::array<int, 2>> coefficients(kMsStandardCoefficients.begin(), kMsStandardCoefficients.end());
  // The extra information: its size, samples per block, the number of
  // coefficient pairs and the pairs.
  if (c.extra.size() >= 6 && U16(c.extra, 0) >= 4) {
    if (U16(c.extra, 2) != 0) per_block = U16(c.extra, 2);
    const int pairs = U16(c.extra, 4);
    if (pairs < 1 || c.extra.size() < 6 + 4 * qsizetype(pairs)) return false;
    coefficients.resize(size_t(pairs));
    for (int i = 0; i < pairs; ++i) coefficients[size_t(i)] = {S16(c.extra, 6 + 4 * i), S16(c.extra, 8 + 4 * i)};
  }
  if (per_block > most || per_block < 2) return false;
  const qsizetype blocks = data.size() / c.block_align;
  const qsizetype rest = data.size() % c.block_align;
  int last = 0;
  if (rest >= kMsHeaderBytes * ch) last = std::min<int>(per_block, int(2 * (rest - kMsHeaderBytes * ch) / ch) + 2);
  const qsizetype frames = blocks * per_block + last;
  out = QByteArray(2 * frames * ch, '\0');
  for (qsizetype b = 0; b < blocks; ++b)
    MsBlock(data, b * c.block_align, ch, per_block, coefficients, out, b * per_block * ch);
  if (last > 0) MsBlock(data, blocks * c.block_align, ch, last, coefficients, out, blocks * per_block * ch);
  return true;
}

}  // namespace

bool IsCompressedWave(std::uint16_t tag) {
  return tag == kWaveMuLaw || tag == kWaveALaw || tag == kWaveImaAdpcm || tag == kWaveMsAdpcm;
}

bool DecodeWaveSamples(const TWaveCoding &coding, const QByteArray &data, QByteArray &out) {
  if (coding.channels < 1 || coding.block_align < 1) return false;
  switch (coding.tag) {
    case kWaveMuLaw:
    case kWaveALaw:
      return DecodeLaw(coding, data, out);
    case kWaveImaAdpcm:
      return DecodeIma(coding, data, out);
    case kWaveMsAdpcm:
      return DecodeMs(coding, data, out);
    default:
      return false;
  }
}

}  // namespace os
