// The LZX compressor behind lzx.h.
//
// Parsing is greedy with one step of lazy evaluation over hash chains of
// three-byte strings, and tries the three most recent offsets first, which
// the format codes without offset bits. Each frame's tokens are then coded
// with Huffman trees built for that frame.
#include "platform/cabinet/lzx.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <queue>

namespace cab {

namespace {

constexpr int kNumChars = 256;
constexpr int kLengthSymbols = 249;  // match lengths 9..257
constexpr int kAlignedSymbols = 8;
constexpr int kPretreeSymbols = 20;
constexpr std::uint32_t kMinMatch = 3;  // the format allows 2; three pays better
constexpr std::uint32_t kMaxMatch = 257;
constexpr int kHashBits = 20;
constexpr int kMaxChain = 24;
constexpr std::uint32_t kGoodLength = 24;  // long enough: look less far for a longer one
// Candidates further back than this are slow to reach (out of the caches):
// only the first few of a chain are tried.
constexpr std::uint32_t kNearDistance = 65536;
constexpr int kFarChain = 4;
constexpr std::uint32_t kNiceLength = 96;      // long enough: stop looking
constexpr std::uint32_t kLazyLength = 32;      // long enough: take it without a look one byte on
constexpr std::uint32_t kFarForThree = 16384;  // a 3-byte match further back costs more than its literals
constexpr int kBlockVerbatim = 1;
constexpr int kBlockAligned = 2;
constexpr int kMaxSlots = 50;

int FooterBits(int slot) { return slot < 4 ? 0 : std::min(slot / 2 - 1, 17); }

const std::array<std::uint32_t, kMaxSlots + 1> &PositionBase() {
  static const std::array<std::uint32_t, kMaxSlots + 1> base = [] {
    std::array<std::uint32_t, kMaxSlots + 1> b{};
    for (int i = 0; i < kMaxSlots; ++i) b[i + 1] = b[i] + (1u << FooterBits(i));
    return b;
  }();
  return base;
}

int PositionSlots(int window_bits) {
  switch (window_bits) {
    case 15:
      return 30;
    case 16:
      return 32;
    case 17:
      return 34;
    case 18:
      return 36;
    case 19:
      return 38;
    case 20:
      return 42;
    default:
      return 50;
  }
}

// The slot whose range holds a formatted offset.
int SlotOf(std::uint32_t formatted) {
  const auto &base = PositionBase();
  return static_cast<int>(std::upper_bound(base.begin(), base.end(), formatted) - base.begin()) - 1;
}

// Bits go most significant first into 16-bit words stored little-endian.
class BitWriter {
 public:
  explicit BitWriter(QByteArray &out) : out_(out) {}
  void Put(std::uint32_t value, int bits) {
    if (bits == 0) return;
    acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
    count_ += bits;
    while (count_ >= 16) {
      count_ -= 16;
      const auto word = static_cast<std::uint16_t>(acc_ >> count_);
      out_.append(static_cast<char>(word & 0xFF));
      out_.append(static_cast<char>(word >> 8));
    }
    acc_ &= (std::uint64_t{1} << count_) - 1;
  }
  void Align() {
    if (count_ > 0) Put(0, 16 - count_);
  }

 private:
  QByteArray &out_;
  std::uint64_t acc_ = 0;
  int count_ = 0;
};

std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t> &lengths) {
  std::array<int, 18> count{};
  for (std::uint8_t l : lengths) ++count[l];
  count[0] = 0;
  std::array<std::uint32_t, 18> next{};
  std::uint32_t code = 0;
  for (int bits = 1; bits <= 17; ++bits) {
    code = (code + static_cast<std::uint32_t>(count[bits - 1])) << 1;
    next[bits] = code;
  }
  std::vector<std::uint16_t> codes(lengths.size(), 0);
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] != 0) codes[s] = static_cast<std::uint16_t>(next[lengths[s]]++);
  return codes;
}

struct Tree {
  std::vector<std::uint8_t> lengths;
  std::vector<std::uint16_t> codes;
  Tree(const std::vector<std::uint32_t> &freqs, int max_bits)
      : lengths(HuffmanLengths(freqs, max_bits)), codes(CanonicalCodes(lengths)) {}
  void Put(BitWriter &w, int symbol) const { w.Put(codes[symbol], lengths[symbol]); }
};

// Sends lengths [from, to) of a tree as differences from the previous
// block's, coded with a pretree: 0..16 a difference, 17 and 18 runs of
// zeros (4..19 and 20..51).
void WriteLengths(BitWriter &w, const std::vector<std::uint8_t> &prev, const std::vector<std::uint8_t> &cur, int from,
                  int to) {
  struct Item {
    std::uint8_t symbol;
    std::uint8_t extra;
  };
  std::vector<Item> items;
  items.reserve(static_cast<std::size_t>(to - from));
  for (int i = from; i < to;) {
    if (cur[i] == 0) {
      int run = 1;
      while (i + run < to && cur[i + run] == 0) ++run;
      if (run >= 20) {
        run = std::min(run, 51);
        items.push_back({18, static_cast<std::uint8_t>(run - 20)});
        i += run;
        continue;
      }
      if (run >= 4) {
        items.push_back({17, static_cast<std::uint8_t>(run - 4)});
        i += run;
        continue;
      }
    }
    items.push_back({static_cast<std::uint8_t>((prev[i] - cur[i] + 17) % 17), 0});
    ++i;
  }
  std::vector<std::uint32_t> freqs(kPretreeSymbols, 0);
  for (const Item &it : items) ++freqs[it.symbol];
  const Tree pretree(freqs, 15);
  for (int s = 0; s < kPretreeSymbols; ++s) w.Put(pretree.lengths[s], 4);
  for (const Item &it : items) {
    pretree.Put(w, it.symbol);
    if (it.symbol == 17) w.Put(it.extra, 4);
    if (it.symbol == 18) w.Put(it.extra, 5);
  }
}

}  // namespace

std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t> &freqs, int max_bits) {
  const int n = static_cast<int>(freqs.size());
  std::vector<std::uint64_t> weight(freqs.begin(), freqs.end());
  int used = 0;
  for (auto w : weight) used += w != 0;
  for (int s = 0; s < n && used < 2; ++s)
    if (weight[s] == 0) {
      weight[s] = 1;
      ++used;
    }
  std::vector<std::uint8_t> lengths(static_cast<std::size_t>(n), 0);
  for (;;) {
    // Nodes 0..n-1 are the symbols, the rest the joins; parent links give depths.
    std::vector<int> parent(static_cast<std::size_t>(2 * n), -1);
    using Entry = std::pair<std::uint64_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (int s = 0; s < n; ++s)
      if (weight[s] != 0) queue.push({weight[s], s});
    int next = n;
    while (queue.size() > 1) {
      const Entry a = queue.top();
      queue.pop();
      const Entry b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    int longest = 0;
    for (int s = 0; s < n; ++s) {
      if (weight[s] == 0) continue;
      int depth = 0;
      for (int p = parent[s]; p != -1; p = parent[p]) ++depth;
      lengths[s] = static_cast<std::uint8_t>(std::min(depth, 255));
      longest = std::max(longest, depth);
    }
    if (longest <= max_bits) return lengths;
    // Too deep: flatten the counts and build again. (Equal counts give the
    // shallowest tree; more symbols than the limit allows are the caller's
    // mistake, and then the tree stays too deep.)
    bool flat = true;
    for (auto &w : weight)
      if (w > 1) {
        w = (w + 1) / 2;
        flat = false;
      }
    if (flat) return lengths;
  }
}

LzxEncoder::LzxEncoder(int window_bits) { Reset(window_bits); }

void LzxEncoder::Reset(int window_bits) {
  window_bits_ = std::clamp(window_bits, kLzxMinWindowBits, kLzxMaxWindowBits);
  window_size_ = 1u << window_bits_;
  position_slots_ = PositionSlots(window_bits_);
  main_elements_ = kNumChars + position_slots_ * 8;
  buf_.clear();
  base_ = 0;
  inserted_ = 0;
  head_.assign(std::size_t{1} << kHashBits, 0);
  chain_.assign(window_size_, 0);
  r0_ = r1_ = r2_ = 1;
  header_written_ = false;
  tokens_.clear();
  prev_main_.assign(static_cast<std::size_t>(main_elements_), 0);
  prev_length_.assign(kLengthSymbols, 0);
}

void LzxEncoder::Append(const char *data, std::size_t size) {
  // The window before the new frame stays; older bytes go.
  if (buf_.size() + size > 2 * std::size_t{window_size_} + kLzxFrameSize) {
    const std::size_t keep = std::min<std::size_t>(buf_.size(), window_size_);
    const std::size_t drop = buf_.size() - keep;
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(drop));
    base_ += static_cast<std::uint32_t>(drop);
  }
  buf_.insert(buf_.end(), reinterpret_cast<const std::uint8_t *>(data),
              reinterpret_cast<const std::uint8_t *>(data) + size);
}

namespace {
inline std::uint32_t Hash3(const std::uint8_t *p) {
  const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  return (v * 2654435761u) >> (32 - kHashBits);
}
}  // namespace

void LzxEncoder::Insert(std::uint32_t pos) {
  std::uint32_t &head = head_[Hash3(At(pos))];
  chain_[pos & (window_size_ - 1)] = head;
  head = pos + 1;
}

void LzxEncoder::InsertUpTo(std::uint32_t pos) {
  const std::uint32_t end = base_ + static_cast<std::uint32_t>(buf_.size());
  const std::uint32_t last = std::min(pos, end >= 2 ? end - 2 : 0);
  for (; inserted_ < last; ++inserted_) Insert(inserted_);
}

std::uint32_t LzxEncoder::MatchLength(std::uint32_t pos, std::uint32_t from, std::uint32_t limit) const {
  const std::uint8_t *a = At(pos);
  const std::uint8_t *b = At(from);
  std::uint32_t n = 0;
  while (n + 8 <= limit) {
    std::uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<std::uint32_t>(__builtin_ctzll(x ^ y) / 8);
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

std::uint32_t LzxEncoder::FindMatch(std::uint32_t pos, std::uint32_t limit, std::uint32_t &offset) {
  InsertUpTo(pos);
  std::uint32_t best = 0;
  if (limit < kMinMatch) return 0;
  const std::uint32_t max_offset = window_size_ - 3;
  std::uint32_t link = head_[Hash3(At(pos))];
  int chain = kMaxChain;
  for (int depth = 0; link != 0 && depth < chain; ++depth) {
    const std::uint32_t cand = link - 1;
    if (cand >= pos || pos - cand > max_offset || cand < base_) break;
    if (pos - cand > kNearDistance && depth >= kFarChain) break;
    if (At(cand)[best] == At(pos)[best]) {
      const std::uint32_t len = MatchLength(pos, cand, limit);
      if (len > best) {
        best = len;
        offset = pos - cand;
        if (len >= kNiceLength || len == limit) break;
        if (len >= kGoodLength) chain = std::min(chain, depth + kMaxChain / 4);
      }
    }
    const std::uint32_t next = chain_[cand & (window_size_ - 1)];
    if (next == 0 || next - 1 >= cand) break;
    link = next;
  }
  if (best < kMinMatch || (best == kMinMatch && offset > kFarForThree)) return 0;
  return best;
}

void LzxEncoder::EmitMatch(std::uint32_t length, std::uint32_t offset) {
  std::uint32_t formatted;
  if (offset == r0_) {
    formatted = 0;
  } else if (offset == r1_) {
    formatted = 1;
    std::swap(r0_, r1_);
  } else if (offset == r2_) {
    formatted = 2;
    std::swap(r0_, r2_);
  } else {
    formatted = offset + 2;
    r2_ = r1_;
    r1_ = r0_;
    r0_ = offset;
  }
  tokens_.push_back({formatted, static_cast<std::uint16_t>(length)});
}

void LzxEncoder::Parse(std::uint32_t pos, std::uint32_t end) {
  struct Choice {
    std::uint32_t length = 0, offset = 0;
    int score = 0;  // about the bits it saves over literals
  };
  // The best of the recent offsets and the longest match, at `p`. A recent
  // offset is sent without offset bits; another costs its slot's extra bits.
  auto best = [&](std::uint32_t p) {
    Choice c;
    const std::uint32_t limit = std::min(kMaxMatch, end - p);
    if (limit < kMinMatch) return c;
    for (std::uint32_t r : {r0_, r1_, r2_}) {
      if (r > p || r > window_size_ - 3) continue;
      const std::uint32_t len = MatchLength(p, p - r, limit);
      if (len >= kMinMatch && static_cast<int>(len * 8) > c.score) c = {len, r, static_cast<int>(len * 8)};
    }
    std::uint32_t offset = 0;
    const std::uint32_t len = FindMatch(p, limit, offset);
    if (len >= kMinMatch) {
      const int score = static_cast<int>(len * 8) - FooterBits(SlotOf(offset + 2)) - 2;
      if (score > c.score) c = {len, offset, score};
    }
    return c;
  };
  Choice cur = best(pos);
  while (pos < end) {
    if (cur.length < kMinMatch) {
      tokens_.push_back({*At(pos), 0});
      if (++pos < end) cur = best(pos);
      continue;
    }
    if (cur.length < kLazyLength && pos + 1 < end) {
      // One literal first, when the match after it saves more.
      const Choice next = best(pos + 1);
      if (next.score > cur.score + 4) {
        tokens_.push_back({*At(pos), 0});
        ++pos;
        cur = next;
        continue;
      }
    }
    EmitMatch(cur.length, cur.offset);
    pos += cur.length;
    if (pos < end) cur = best(pos);
  }
}

void LzxEncoder::WriteBlock(std::uint32_t size, QByteArray &out) {
  const auto &base = PositionBase();
  std::vector<std::uint32_t> main(static_cast<std::size_t>(main_elements_), 0), length(kLengthSymbols, 0),
      aligned(kAlignedSymbols, 0);
  for (const Token &t : tokens_) {
    if (t.length == 0) {
      ++main[t.value];
      continue;
    }
    const int slot = SlotOf(t.value);
    const std::uint32_t header = std::min<std::uint32_t>(t.length - 2, 7);
    ++main[kNumChars + slot * 8 + header];
    if (header == 7) ++length[t.length - 9];
    if (FooterBits(slot) >= 3) ++aligned[(t.value - base[slot]) & 7];
  }
  const Tree main_tree(main, 16), length_tree(length, 16), aligned_tree(aligned, 7);
  // The aligned tree costs 24 bits to send; take it when it saves more.
  std::int64_t saving = 0;
  for (int s = 0; s < kAlignedSymbols; ++s)
    saving += static_cast<std::int64_t>(aligned[s]) * (3 - static_cast<int>(aligned_tree.lengths[s]));
  const bool use_aligned = saving > 3 * kAlignedSymbols;

  BitWriter w(out);
  if (!header_written_) {
    w.Put(0, 1);  // no call translation
    header_written_ = true;
  }
  w.Put(use_aligned ? kBlockAligned : kBlockVerbatim, 3);
  w.Put(size, 24);
  if (use_aligned)
    for (int s = 0; s < kAlignedSymbols; ++s) w.Put(aligned_tree.lengths[s], 3);
  WriteLengths(w, prev_main_, main_tree.lengths, 0, kNumChars);
  WriteLengths(w, prev_main_, main_tree.lengths, kNumChars, main_elements_);
  WriteLengths(w, prev_length_, length_tree.lengths, 0, kLengthSymbols);
  prev_main_ = main_tree.lengths;
  prev_length_ = length_tree.lengths;

  for (const Token &t : tokens_) {
    if (t.length == 0) {
      main_tree.Put(w, static_cast<int>(t.value));
      continue;
    }
    const int slot = SlotOf(t.value);
    const std::uint32_t header = std::min<std::uint32_t>(t.length - 2, 7);
    main_tree.Put(w, kNumChars + slot * 8 + static_cast<int>(header));
    if (header == 7) length_tree.Put(w, static_cast<int>(t.length - 9));
    const int extra = FooterBits(slot);
    const std::uint32_t footer = t.value - base[slot];
    if (use_aligned && extra >= 3) {
      w.Put(footer >> 3, extra - 3);
      aligned_tree.Put(w, static_cast<int>(footer & 7));
    } else {
      w.Put(footer, extra);
    }
  }
  w.Align();
}

void LzxEncoder::CompressFrame(const char *data, std::size_t size, QByteArray &out) {
  out.clear();
  if (size == 0) return;
  Append(data, size);
  const std::uint32_t end = base_ + static_cast<std::uint32_t>(buf_.size());
  const std::uint32_t start = end - static_cast<std::uint32_t>(size);
  tokens_.clear();
  Parse(start, end);
  WriteBlock(static_cast<std::uint32_t>(size), out);
}

}  // namespace cab
