// The LZX compressor's parts that readers are strict about: every prefix
// code fills its table exactly and stays within its length limit, and every
// frame ends on a 16-bit boundary. (Whole streams are checked by extracting
// cabinets with the archive tools, in fci_test.cpp.)
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "platform/cabinet/lzx.h"

namespace {

// The Kraft sum, in units of 2^-max_bits.
std::uint64_t Kraft(const std::vector<std::uint8_t> &lengths, int max_bits) {
  std::uint64_t sum = 0;
  for (std::uint8_t l : lengths)
    if (l != 0) sum += std::uint64_t{1} << (max_bits - l);
  return sum;
}

TEST(LzxHuffman, CodesAreCompleteAndWithinTheirLimit) {
  // Fibonacci counts make the deepest unlimited trees.
  std::vector<std::uint32_t> fibonacci(30);
  fibonacci[0] = fibonacci[1] = 1;
  for (std::size_t i = 2; i < fibonacci.size(); ++i) fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2];
  std::vector<std::uint32_t> wide(656, 0);
  QRandomGenerator rng(3);
  for (auto &f : wide) f = rng.bounded(3) == 0 ? 0 : rng.bounded(100000);
  const std::vector<std::uint32_t> aligned{1, 1000000, 3, 0, 70000, 2, 1, 5};
  for (const auto &[freqs, max_bits] : {std::pair{fibonacci, 16}, std::pair{fibonacci, 15}, std::pair{wide, 16},
                                        std::pair{aligned, 7}, std::pair{fibonacci, 7}}) {
    {
      const auto lengths = cab::HuffmanLengths(freqs, max_bits);
      ASSERT_EQ(lengths.size(), freqs.size());
      EXPECT_EQ(Kraft(lengths, max_bits), std::uint64_t{1} << max_bits) << max_bits;
      for (std::size_t s = 0; s < freqs.size(); ++s) {
        EXPECT_LE(lengths[s], max_bits);
        EXPECT_EQ(lengths[s] != 0, freqs[s] != 0) << s;
      }
    }
  }
  // Fewer than two symbols in use still give a code that fills its table.
  for (const std::vector<std::uint32_t> &few :
       {std::vector<std::uint32_t>(8, 0), std::vector<std::uint32_t>{0, 0, 9}}) {
    const auto lengths = cab::HuffmanLengths(few, 7);
    EXPECT_EQ(Kraft(lengths, 7), 128u);
    EXPECT_EQ(std::count_if(lengths.begin(), lengths.end(), [](std::uint8_t l) { return l != 0; }), 2);
  }
}

TEST(LzxEncoder, FramesEndOnAWordAndRepeatsShrink) {
  cab::LzxEncoder encoder(21);
  QByteArray noise(cab::kLzxFrameSize, Qt::Uninitialized);
  QRandomGenerator(8).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
  QByteArray out;
  encoder.CompressFrame(noise.constData(), noise.size(), out);
  EXPECT_EQ(out.size() % 2, 0);
  EXPECT_LT(out.size(), noise.size() + 1200);  // noise costs its bytes and the trees
  // The same frame again is one long match after another.
  encoder.CompressFrame(noise.constData(), noise.size(), out);
  EXPECT_EQ(out.size() % 2, 0);
  EXPECT_LT(out.size(), 1500);
  // A short last frame, and a new stream.
  encoder.CompressFrame(noise.constData(), 1001, out);
  EXPECT_EQ(out.size() % 2, 0);
  encoder.Reset(15);
  EXPECT_EQ(encoder.WindowBits(), 15);
  encoder.CompressFrame(noise.constData(), 3, out);
  EXPECT_EQ(out.size() % 2, 0);
  EXPECT_GT(out.size(), 0);
}

}  // namespace
