// The LZX compressor of cabinet folders. A folder's files form one stream that
// is compressed in frames of 32 KiB (the last one may be shorter); each frame
// becomes one data block of the cabinet. Matches reach back over the whole
// window (2^15 to 2^21 bytes, the level of the folder's compression type)
// across frames, and the Huffman trees of each block are sent as differences
// from the previous block's, so the encoder keeps its state from the first
// frame of a folder to the last.
//
// Each frame is one LZX block, verbatim or aligned-offset, whichever is
// smaller; the bit stream is padded to 16 bits at the end of every frame, as
// readers expect of a cabinet. No Intel call translation is applied.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cab {

constexpr int kLzxMinWindowBits = 15;
constexpr int kLzxMaxWindowBits = 21;
constexpr std::uint32_t kLzxFrameSize = 32768;

class LzxEncoder {
 public:
  // `window_bits` 15..21 (clamped).
  explicit LzxEncoder(int window_bits = kLzxMaxWindowBits);
  // Starts a new stream (a new folder) with the given window.
  void Reset(int window_bits);
  int WindowBits() const { return window_bits_; }

  // Compresses the next frame (at most kLzxFrameSize bytes; only the last
  // frame of a stream may be shorter) and replaces `out` with its bytes.
  void CompressFrame(const char *data, std::size_t size, QByteArray &out);

 private:
  struct Token {
    std::uint32_t value;   // a literal byte, or the formatted offset of a match
    std::uint16_t length;  // 0 for a literal
  };

  void Append(const char *data, std::size_t size);
  void Insert(std::uint32_t pos);
  void InsertUpTo(std::uint32_t pos);
  // The longest match at `pos` within `limit` bytes; 0 when none.
  std::uint32_t FindMatch(std::uint32_t pos, std::uint32_t limit, std::uint32_t &offset);
  std::uint32_t MatchLength(std::uint32_t pos, std::uint32_t from, std::uint32_t limit) const;
  void Parse(std::uint32_t start, std::uint32_t end);
  void EmitMatch(std::uint32_t length, std::uint32_t offset);
  void WriteBlock(std::uint32_t size, QByteArray &out);

  const std::uint8_t *At(std::uint32_t pos) const { return buf_.data() + (pos - base_); }

  int window_bits_ = kLzxMaxWindowBits;
  std::uint32_t window_size_ = 0;
  int position_slots_ = 0;
  int main_elements_ = 0;

  // History: buf_[0] is stream position base_.
  std::vector<std::uint8_t> buf_;
  std::uint32_t base_ = 0;
  std::uint32_t inserted_ = 0;        // positions below this are in the hash chains
  std::vector<std::uint32_t> head_;   // position + 1 of the last string with a hash; 0 none
  std::vector<std::uint32_t> chain_;  // position + 1 of the previous one, by position in the window

  std::uint32_t r0_ = 1, r1_ = 1, r2_ = 1;
  bool header_written_ = false;
  std::vector<Token> tokens_;
  // The previous block's code lengths, which the next block's are sent against.
  std::vector<std::uint8_t> prev_main_, prev_length_;
};

// Code lengths of a complete prefix code for `freqs`, none longer than
// `max_bits`. At least two symbols get a code even when fewer occur, since
// readers refuse a code that does not fill its table.
std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t> &freqs, int max_bits);

}  // namespace cab
