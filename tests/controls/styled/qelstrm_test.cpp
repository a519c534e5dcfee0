// The block compressor's exact output, the chunked stream, damaged input,
// bitmap file images and the stored forms items are written with.
#include <gtest/gtest.h>

#include <random>

#include "controls/styled/qelstrm.h"

using namespace qel;

namespace {

QByteArray Compress(const QByteArray &in) {
  QByteArray out(in.size() + 6, '\0');
  const int n = LZRWCompress(reinterpret_cast<const std::uint8_t *>(in.constData()),
                             reinterpret_cast<std::uint8_t *>(out.data()), int(in.size()));
  return out.left(n);
}

QByteArray Expand(const QByteArray &block, int capacity = kLZRWMaxOutput) {
  QByteArray out(capacity, '\0');
  const int n = LZRWDecompress(reinterpret_cast<const std::uint8_t *>(block.constData()),
                               reinterpret_cast<std::uint8_t *>(out.data()), int(block.size()), capacity);
  return out.left(n);
}

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values) b.append(char(v));
  return b;
}

QByteArray Mixed(int size, unsigned seed) {
  // Text-like data: repeats for back-references, runs, and noise.
  std::mt19937 rng(seed);
  QByteArray b;
  while (b.size() < size) {
    switch (rng() % 3) {
      case 0:
        b.append("giacenza rivista ");
        break;
      case 1:
        b.append(QByteArray(int(rng() % 40), char(rng())));
        break;
      default:
        b.append(char(rng()));
    }
  }
  return b.left(size);
}

}  // namespace

TEST(LZRWBlock, KnownEncodings) {
  // A run of sixteen: flag, control word 0x8000, one run item.
  EXPECT_EQ(Compress(QByteArray(16, 'a')), Bytes({0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 'a'}));
  // Fifteen: a literal, then a back-reference of 14 at distance 1.
  EXPECT_EQ(Compress(QByteArray(15, 'a')), Bytes({0x40, 0x40, 0x00, 'a', 0x00, 0x1B}));
  // Too short to try anything: stored.
  EXPECT_EQ(Compress("xy"), Bytes({0x80, 'x', 'y'}));
  EXPECT_EQ(Compress(QByteArray()), Bytes({0x80}));
  // A run stops at 4095 bytes (R = 4079); the 17 left make a second run.
  const QByteArray longest = Compress(QByteArray(4095 + 17, 'z'));
  EXPECT_EQ(longest, Bytes({0x40, 0xC0, 0x00, 0x00, 0x0F, 0xEF, 'z', 0x00, 0x00, 0x01, 'z'}));
  EXPECT_EQ(Expand(longest), QByteArray(4095 + 17, 'z'));
}

TEST(LZRWBlock, GroupsOfSixteenItems) {
  // Sixteen literals fill the first group; its control word stays 0 and is
  // written before the seventeenth item's group begins.
  QByteArray in;
  for (int i = 0; i < 17; ++i) in.append(char('A' + i));
  in.append(QByteArray(16, '#'));
  const QByteArray c = Compress(in);
  ASSERT_EQ(c[0], char(0x40));
  EXPECT_EQ(c.mid(1, 2), Bytes({0, 0}));
  EXPECT_EQ(c.mid(3, 16), in.left(16));
  // Second group: the literal 'Q', then the run; top two bits used.
  EXPECT_EQ(c.mid(19, 2), Bytes({0x40, 0x00}));
  EXPECT_EQ(Expand(c), in);

  // Exactly sixteen items: the word is written at the end, all bits in use.
  QByteArray runs;
  for (int i = 0; i < 16; ++i) runs.append(QByteArray(16, char('a' + i)));
  const QByteArray r = Compress(runs);
  EXPECT_EQ(r.size(), 3 + 16 * 4);
  EXPECT_EQ(r.mid(1, 2), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(Expand(r), runs);
}

TEST(LZRWBlock, RoundTripsAndStoresWhatDoesNotShrink) {
  for (int size : {1, 3, 17, 300, 4096, 20000, kLZRWChunkSize}) {
    const QByteArray in = Mixed(size, unsigned(size));
    const QByteArray c = Compress(in);
    EXPECT_LE(c.size(), size + 1);
    EXPECT_EQ(Expand(c), in) << size;
  }
  std::mt19937 rng(7);
  QByteArray noise(5000, '\0');
  for (auto &ch : noise) ch = char(rng());
  const QByteArray c = Compress(noise);
  EXPECT_EQ(c.size(), noise.size() + 1);
  EXPECT_EQ(c[0], char(0x80));
  EXPECT_EQ(Expand(c), noise);
}

TEST(LZRWBlock, DamagedBlocksRaise) {
  // A back-reference before the start of the output.
  EXPECT_THROW(Expand(Bytes({0x40, 0x80, 0x00, 0x01, 0x00})), EQELDamagedData);
  // A copy item cut short, a run item cut short.
  EXPECT_THROW(Expand(Bytes({0x40, 0x80, 0x00, 0x01})), EQELDamagedData);
  EXPECT_THROW(Expand(Bytes({0x40, 0x80, 0x00, 0x00, 0x00, 0x05})), EQELDamagedData);
  // A control word cut in half.
  EXPECT_THROW(Expand(Bytes({0x40, 0x00})), EQELDamagedData);
  // Expanding past the buffer.
  EXPECT_THROW(Expand(Bytes({0x40, 0x80, 0x00, 0x00, 0x0F, 0xEF, 'x'}), 100), EQELDamagedData);
  EXPECT_THROW(Expand(Bytes({0x80, 1, 2, 3}), 2), EQELDamagedData);
  // Any flag but 0x80 counts as compressed.
  EXPECT_EQ(Expand(Bytes({0x00, 0x00, 0x00, 'k'})), QByteArray("k"));
}

TEST(LZRWStream, ChunkedLayoutAndRoundTrip) {
  EXPECT_EQ(CompressBytes(QByteArray()), Bytes({0, 0, 0, 0}));
  EXPECT_EQ(DecompressBytes(Bytes({0, 0, 0, 0})), QByteArray());

  const QByteArray in = Mixed(3 * kLZRWChunkSize + 100, 3);
  const QByteArray c = CompressBytes(in);
  // The total counts every chunk's length field and block.
  rtl::TMemoryStream s;
  s.SetBytes(c);
  EXPECT_EQ(s.ReadInt32(), c.size() - 4);
  int chunks = 0;
  while (s.Remaining() > 0) {
    const int n = s.ReadInt32();
    ASSERT_GT(n, 0);
    ASSERT_LE(n, kLZRWMaxBlock);
    s.Seek(n, rtl::soCurrent);
    ++chunks;
  }
  EXPECT_EQ(chunks, 4);
  EXPECT_EQ(DecompressBytes(c), in);

  // An incompressible full chunk is stored as 32782 bytes and read back.
  std::mt19937 rng(11);
  QByteArray noise(kLZRWChunkSize, '\0');
  for (auto &ch : noise) ch = char(rng());
  const QByteArray nc = CompressBytes(noise);
  EXPECT_EQ(nc.size(), 4 + 4 + kLZRWMaxBlock);
  EXPECT_EQ(DecompressBytes(nc), noise);
}

TEST(LZRWStream, DamagedStreamsRaise) {
  const QByteArray good = CompressBytes(Mixed(1000, 5));
  // Cut anywhere: an exception, never a crash.
  for (int cut = 1; cut < good.size(); cut += 7) EXPECT_ANY_THROW(DecompressBytes(good.left(cut))) << cut;
  // A chunk claiming more than a block may hold, or a negative length.
  EXPECT_THROW(DecompressBytes(Bytes({50, 0, 0, 0, 0xFF, 0xFF, 0, 0})), EQELDamagedData);
  EXPECT_THROW(DecompressBytes(Bytes({50, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})), EQELDamagedData);
}

TEST(StoredForms, BlocksAndStrings) {
  rtl::TStringList lines;
  lines.Add(QStringLiteral("Edicola €"));
  lines.Add(QStringLiteral("seconda riga"));
  for (bool compressed : {false, true}) {
    rtl::TMemoryStream s;
    WriteStrings(&s, &lines, compressed);
    WriteShortStr(&s, QStringLiteral("fine"));
    s.SetPosition(0);
    rtl::TStringList back;
    back.Add(QStringLiteral("da sostituire"));
    ReadStrings(&s, &back, compressed);
    EXPECT_TRUE(back.Equals(&lines));
    EXPECT_EQ(ReadShortStr(&s), QStringLiteral("fine"));
  }
  // A plain block claiming more than the stream holds.
  rtl::TMemoryStream s;
  s.WriteInt32(1 << 30);
  s.SetPosition(0);
  EXPECT_THROW(ReadBlock(&s, false), rtl::EReadError);
}

TEST(DIBImage, HeaderSizesAndDepths) {
  vcl::TBitmap mono(1, 1);
  mono.SetMonochrome(true);
  const QByteArray one = BitmapToDIBImage(&mono, 0);
  EXPECT_EQ(one.size(), 66);
  EXPECT_EQ(one.left(2), QByteArray("BM"));
  EXPECT_EQ(one.mid(10, 1), Bytes({62}));          // bits after header and table
  EXPECT_EQ(one.mid(28, 2), Bytes({1, 0}));        // bit count
  EXPECT_EQ(one.mid(46, 4), Bytes({0, 0, 0, 0}));  // colours used

  vcl::TBitmap colour(3, 2);
  colour.Canvas()->Brush()->SetColor(vcl::clRed);
  colour.Canvas()->FillRect(vcl::Rect(0, 0, 3, 2));
  const QByteArray with_size = BitmapToDIBImage(&colour, 16, true);
  rtl::TMemoryStream s;
  s.SetBytes(with_size);
  const int size = s.ReadInt32();
  EXPECT_EQ(size, with_size.size() - 4);
  EXPECT_EQ(size, 14 + 40 + 64 + 2 * 4);
  const QByteArray bytes8 = BitmapToDIBImage(&colour, 256);
  EXPECT_EQ(bytes8.size(), 14 + 40 + 1024 + 2 * 4);
  const QByteArray bytes24 = BitmapToDIBImage(&colour, 0);
  EXPECT_EQ(bytes24.size(), 14 + 40 + 2 * 12);

  // The image reads back as the same picture.
  vcl::TBitmap back;
  back.LoadFromBytes(bytes8);
  EXPECT_EQ(back.Image().pixel(2, 1) & 0xFFFFFF, 0xFF0000u);

  vcl::TBitmap none;
  EXPECT_THROW(BitmapToDIBImage(&none, 2), vcl::EInvalidGraphic);
}

TEST(StoredForms, BitmapsKeepTheirPixelsAndRejectDamage) {
  vcl::TBitmap b(5, 4);
  b.Canvas()->Brush()->SetColor(vcl::clBlue);
  b.Canvas()->FillRect(vcl::Rect(0, 0, 5, 4));
  b.Canvas()->SetPixel(1, 2, vcl::clYellow);
  for (int colors : {-1, 16, 256}) {
    for (bool compressed : {false, true}) {
      rtl::TMemoryStream s;
      WriteBitmap(&s, &b, colors, compressed);
      s.SetPosition(0);
      vcl::TBitmap back;
      ReadBitmap(&s, &back, compressed);
      ASSERT_EQ(back.Width(), 5);
      EXPECT_EQ(back.Image().pixel(1, 2) & 0xFFFFFF, 0xFFFF00u) << colors << compressed;
      EXPECT_EQ(back.Image().pixel(4, 0) & 0xFFFFFF, 0x0000FFu);
      EXPECT_EQ(s.Remaining(), 0);
    }
  }
  rtl::TMemoryStream junk;
  junk.WriteInt32(8);
  junk.WriteBytes("BMjunk!!");
  junk.SetPosition(0);
  vcl::TBitmap keep(2, 2);
  EXPECT_THROW(ReadBitmap(&junk, &keep, false), vcl::EInvalidGraphic);
  EXPECT_EQ(keep.Width(), 2);
}
