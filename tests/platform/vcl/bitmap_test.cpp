// Pictures in and out of their files: bitmaps of every depth, icons and
// JPEG images survive a round trip; damaged or absurd files are refused
// with a clear error; pictures, transparency and image lists draw right.
#include <gtest/gtest.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

using namespace vcl;

namespace {

// A 13 x 7 picture (odd width: rows need padding) of the given colours in
// diagonal stripes.
QImage Stripes(const std::vector<QRgb> &colors, int w = 13, int h = 7) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, colors[size_t(x + y) % colors.size()]);
  return img;
}

quint32 U32At(const QByteArray &b, int pos) {
  return quint32(quint8(b[pos])) | (quint32(quint8(b[pos + 1])) << 8) | (quint32(quint8(b[pos + 2])) << 16) |
         (quint32(quint8(b[pos + 3])) << 24);
}

void PutU32(QByteArray &b, int pos, quint32 v) {
  for (int i = 0; i < 4; ++i) b[pos + i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

TEST(BitmapFile, EveryDepthRoundTrips) {
  const std::vector<QRgb> primaries = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  const std::vector<QRgb> many = {qRgb(12, 34, 56), qRgb(200, 100, 50), qRgb(1, 2, 3), qRgb(90, 180, 250),
                                  qRgb(255, 255, 0)};
  const struct {
    TPixelFormat format;
    int bits;
    std::vector<QRgb> colors;
  } cases[] = {
      {pf1bit, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)}},
      {pf4bit, 4, many},
      {pf8bit, 8, many},
      {pf15bit, 16, primaries},
      {pf16bit, 16, primaries},
      {pf24bit, 24, many},
      {pf32bit, 32, many},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bits);
    TBitmap b;
    b.SetImage(Stripes(c.colors));
    b.SetPixelFormat(c.format);
    const QByteArray file = b.SaveToBytes();
    ASSERT_GE(file.size(), 54);
    EXPECT_EQ(file.left(2), QByteArray("BM"));
    EXPECT_EQ(U32At(file, 2), quint32(file.size()));
    EXPECT_EQ(quint8(file[28]), c.bits);
    TBitmap back;
    back.LoadFromBytes(file);
    EXPECT_EQ(back.Width(), 13);
    EXPECT_EQ(back.Height(), 7);
    EXPECT_EQ(back.PixelFormat(), c.format);
    EXPECT_EQ(back.Image(), b.Image());
  }
}

TEST(BitmapFile, IndexedDepthsFallBackToTheNearestColours) {
  // 300 colours do not fit 4 bits: each becomes the nearest of the standard 16.
  QImage img(30, 10, QImage::Format_RGB32);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 30; ++x) img.setPixel(x, y, qRgb(x * 8, y * 25, 250));
  TBitmap b;
  b.SetImage(img);
  b.SetPixelFormat(pf4bit);
  TBitmap back;
  back.LoadFromBytes(b.SaveToBytes());
  EXPECT_EQ(back.Palette().size(), 16);
  EXPECT_EQ(back.Image().pixel(0, 0), qRgb(0, 0, 255));
}

TEST(BitmapFile, ReadsTopDownAndRunLengthFiles) {
  // 4 x 2, 8 bits, RLE: bottom row "1 2" then a run of two 3s; the top
  // row three literal pixels "2 1 2" and one skipped (colour 0).
  QByteArray rle = QByteArray::fromHex("424D0000000000000000460000002800000004000000020000000100080001000000");
  rle.append(QByteArray(20, '\0'));  // image size, resolution, colours used/important
  PutU32(rle, 46, 4);
  rle.append(
      QByteArray::fromHex("00000000"
                          "0000FF00"
                          "00FF0000"
                          "FF000000"));  // black red green blue
  rle.append(
      QByteArray::fromHex("0101"
                          "0102"
                          "0203"
                          "0000"
                          "0003020102"
                          "00"
                          "0001"));
  PutU32(rle, 2, quint32(rle.size()));
  TBitmap b;
  b.LoadFromBytes(rle);
  ASSERT_EQ(b.Width(), 4);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  const QImage &px = b.Image();
  EXPECT_EQ(px.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(px.pixel(1, 1), qRgb(0, 255, 0));
  EXPECT_EQ(px.pixel(3, 1), qRgb(0, 0, 255));
  EXPECT_EQ(px.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(px.pixel(1, 0), qRgb(255, 0, 0));
  EXPECT_EQ(px.pixel(3, 0), qRgb(0, 0, 0));
  // A run-length file whose data stops early is damaged.
  EXPECT_THROW(b.LoadFromBytes(rle.left(rle.size() - 2)), EInvalidGraphic);

  // The same 24-bit picture stored top-down (negative height).
  TBitmap src;
  src.SetImage(Stripes({qRgb(1, 2, 3), qRgb(200, 0, 9)}, 3, 2));
  src.SetPixelFormat(pf24bit);
  QByteArray file = src.SaveToBytes();
  const int row = 12;  // 3 pixels x 3 bytes, padded to 12
  QByteArray top_down = file.left(54);
  PutU32(top_down, 22, quint32(-2));
  top_down.append(file.mid(54 + row, row));
  top_down.append(file.mid(54, row));
  TBitmap back;
  back.LoadFromBytes(top_down);
  EXPECT_EQ(back.Image(), src.Image());
}

TEST(BitmapFile, DamagedFilesAreRefused) {
  TBitmap b;
  b.SetImage(Stripes({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)}));
  b.SetPixelFormat(pf8bit);
  const QByteArray file = b.SaveToBytes();
  for (int n = 0; n < file.size(); ++n) {
    TBitmap t;
    EXPECT_THROW(t.LoadFromBytes(file.left(n)), EInvalidGraphic) << n;
  }
  QByteArray huge = file;
  PutU32(huge, 18, 0x7FFFFFFF);
  EXPECT_THROW(b.LoadFromBytes(huge), EInvalidGraphic);
  QByteArray depth = file;
  depth[28] = 7;
  EXPECT_THROW(b.LoadFromBytes(depth), EInvalidGraphic);
  QByteArray colors = file;
  PutU32(colors, 46, 100000);
  EXPECT_THROW(b.LoadFromBytes(colors), EInvalidGraphic);
  try {
    b.LoadFromBytes(QByteArray("PK\3\4 not a bitmap at all"));
    FAIL();
  } catch (const EInvalidGraphic &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Bitmap image is not valid"));
  }
  // 8000 x 8000 pixels claimed by a few bytes of run-length data; the same
  // data for 100 x 100 pixels is a picture.
  QByteArray bomb = QByteArray::fromHex("424D0000000000000000460000002800000004000000020000000100080001000000");
  bomb.append(QByteArray(20, '\0'));
  PutU32(bomb, 46, 4);
  bomb.append(QByteArray(16, '\0'));
  bomb.append(
      QByteArray::fromHex("0201"
                          "0000"
                          "0001"));
  PutU32(bomb, 18, 100);
  PutU32(bomb, 22, 100);
  b.LoadFromBytes(bomb);
  EXPECT_EQ(b.Width(), 100);
  PutU32(bomb, 18, 8000);
  PutU32(bomb, 22, 8000);
  EXPECT_THROW(b.LoadFromBytes(bomb), EInvalidGraphic);
  // A refused file leaves the bitmap as it was.
  EXPECT_EQ(b.Width(), 100);
}

TEST(BitmapFile, StreamLoadStopsAfterTheBitmap) {
  TBitmap a, c;
  a.SetImage(Stripes({qRgb(255, 0, 0)}, 2, 2));
  c.SetImage(Stripes({qRgb(0, 0, 255)}, 3, 3));
  rtl::TMemoryStream s;
  a.SaveToStream(s);
  c.SaveToStream(s);
  s.SetPosition(0);
  TBitmap first, second;
  first.LoadFromStream(s);
  second.LoadFromStream(s);
  EXPECT_EQ(first.Width(), 2);
  EXPECT_EQ(second.Width(), 3);
  EXPECT_EQ(second.Image().pixel(0, 0), qRgb(0, 0, 255));
}

TEST(Bitmap, TransparentColourIsLeftOutWhenDrawn) {
  TBitmap glyph;
  glyph.SetImage(Stripes({qRgb(255, 0, 255)}, 4, 4));
  glyph.Canvas()->Brush()->SetColor(clBlue);
  glyph.Canvas()->FillRect(Rect(1, 1, 3, 3));
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia);  // the bottom-left pixel
  glyph.SetTransparent(true);
  TBitmap target(6, 6);
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(target.Canvas()->Pixel(1, 1), clWhite);
  EXPECT_EQ(target.Canvas()->Pixel(2, 2), clBlue);
  // Resizing keeps the picture at the top-left and adds white.
  glyph.SetWidth(6);
  EXPECT_EQ(glyph.Canvas()->Pixel(2, 2), clBlue);
  EXPECT_EQ(glyph.Canvas()->Pixel(5, 0), clWhite);
}

namespace {

// An icon file with a 16-colour and a 256-colour 16 x 16 image.
QByteArray TwoImageIcon() {
  auto entry = [](int colors, int bits, quint32 size, quint32 offset) {
    QByteArray e(16, '\0');
    e[0] = 16;
    e[1] = 16;
    e[2] = char(colors);
    e[4] = 1;
    e[6] = char(bits);
    PutU32(e, 8, size);
    PutU32(e, 12, offset);
    return e;
  };
  auto image = [](int bits, QRgb color) {
    QByteArray dib(40, '\0');
    PutU32(dib, 0, 40);
    PutU32(dib, 4, 16);
    PutU32(dib, 8, 32);
    dib[12] = 1;
    dib[14] = char(bits);
    const int colors = 1 << bits;
    for (int i = 0; i < colors; ++i) {
      const QRgb c = i == 1 ? color : qRgb(0, 0, 0);
      dib.append(char(qBlue(c)));
      dib.append(char(qGreen(c)));
      dib.append(char(qRed(c)));
      dib.append('\0');
    }
    const int row = ((16 * bits + 31) / 32) * 4;
    for (int y = 0; y < 16; ++y) {
      QByteArray r(row, '\0');
      for (int x = 0; x < 16; ++x) {
        if (bits == 4)
          r[x / 2] = char(r[x / 2] | ((x & 1) ? 1 : 0x10));
        else
          r[x] = 1;
      }
      dib.append(r);
    }
    dib.append(QByteArray(16 * 4, '\0'));  // AND mask: all opaque
    return dib;
  };
  const QByteArray a = image(4, qRgb(255, 0, 0)), b = image(8, qRgb(0, 255, 0));
  QByteArray file = QByteArray::fromHex("000001000200");
  file.append(entry(16, 4, quint32(a.size()), 38));
  file.append(entry(0, 8, quint32(b.size()), quint32(38 + a.size())));
  file.append(a);
  file.append(b);
  return file;
}

}  // namespace

TEST(IconFile, ShowsTheDeepestImageAndSavesTheFileUnchanged) {
  TIcon icon;
  const QByteArray file = TwoImageIcon();
  icon.LoadFromBytes(file);
  EXPECT_EQ(icon.Entries().size(), 2u);
  EXPECT_EQ(icon.Width(), 16);
  EXPECT_EQ(icon.ToImage().pixel(3, 3), qRgb(0, 255, 0));
  EXPECT_EQ(icon.EntryImage(0).pixel(3, 3), qRgb(255, 0, 0));
  EXPECT_EQ(icon.SaveToBytes(), file);
  EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
  // An empty icon is a header of type 0, and reads back empty.
  TIcon empty;
  EXPECT_EQ(empty.SaveToBytes(), QByteArray(6, '\0'));
  int type = -1;
  EXPECT_THROW(TIcon::ReadDirectory(empty.SaveToBytes(), &type), EInvalidGraphic);
  EXPECT_EQ(type, 0);
  icon.LoadFromBytes(empty.SaveToBytes());
  EXPECT_TRUE(icon.Empty());
}

TEST(IconFile, AnImageWithTransparencyRoundTrips) {
  QImage img(20, 12, QImage::Format_ARGB32);
  img.fill(0);
  for (int y = 2; y < 10; ++y)
    for (int x = 3; x < 15; ++x) img.setPixel(x, y, qRgb(x * 10, y * 20, 77));
  TIcon icon;
  icon.SetImage(img);
  TIcon back;
  back.LoadFromBytes(icon.SaveToBytes());
  EXPECT_EQ(back.ToImage(), img);
  // Drawn on a canvas the transparent part leaves the background alone.
  TBitmap target(20, 12);
  target.Canvas()->Draw(0, 0, &back);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clWhite);
  EXPECT_EQ(target.Canvas()->Pixel(3, 2), RGB(30, 40, 77));
}

TEST(IconFile, DamagedFilesAreRefused) {
  const QByteArray file = TwoImageIcon();
  for (int n = 0; n < file.size(); n += 7) {
    TIcon t;
    EXPECT_THROW(t.LoadFromBytes(file.left(n)), EInvalidGraphic) << n;
  }
  QByteArray far = file;
  PutU32(far, 6 + 12, 0x7FFFFFF0);  // first image's offset beyond the file
  TIcon t;
  EXPECT_THROW(t.LoadFromBytes(far), EInvalidGraphic);
  QByteArray none = file;
  none[4] = 0;  // no images
  EXPECT_THROW(t.LoadFromBytes(none), EInvalidGraphic);
  QByteArray tall = file;
  PutU32(tall, 38 + 8, 0x40000000);  // an absurd height inside the image
  EXPECT_THROW(t.LoadFromBytes(tall), EInvalidGraphic);
  EXPECT_TRUE(t.Empty());
}

TEST(JpegFile, EncodesAndDecodes) {
  QImage img(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) img.setPixel(x, y, qRgb(x * 4, y * 5, 128));
  TJPEGImage jpeg;
  jpeg.SetImage(img);
  jpeg.SetCompressionQuality(95);
  const QByteArray data = jpeg.SaveToBytes();
  ASSERT_TRUE(data.startsWith("\xFF\xD8"));
  TJPEGImage back;
  back.LoadFromBytes(data);
  ASSERT_EQ(back.Width(), 64);
  ASSERT_EQ(back.Height(), 48);
  int worst = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const QRgb a = img.pixel(x, y), b = back.ToImage().pixel(x, y);
      worst = std::max(
          {worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
    }
  EXPECT_LE(worst, 12);
  // A loaded image is saved back byte for byte.
  EXPECT_EQ(back.SaveToBytes(), data);
  // Grayscale and progressive encodings decode too.
  back.SetGrayscale(true);
  back.SetProgressiveEncoding(true);
  TJPEGImage grey;
  grey.LoadFromBytes(back.SaveToBytes());
  const QRgb p = grey.ToImage().pixel(30, 30);
  EXPECT_EQ(qRed(p), qGreen(p));
}

TEST(JpegFile, DamagedDataRaisesInsteadOfEndingTheProgram) {
  QImage img(32, 32, QImage::Format_RGB32);
  img.fill(qRgb(10, 200, 30));
  const QByteArray data = TJPEGImage::Encode(img, 80, false, false);
  TJPEGImage j;
  EXPECT_THROW(j.LoadFromBytes(data.left(data.size() / 2)), EJPEG);
  EXPECT_THROW(j.LoadFromBytes(data.left(20)), EJPEG);
  EXPECT_THROW(j.LoadFromBytes(QByteArray("\xFF\xD8\xFF\xE0 garbage garbage")), EJPEG);
  EXPECT_THROW(j.LoadFromBytes(QByteArray()), EJPEG);
  EXPECT_TRUE(j.Empty());
  // An EJPEG is an EInvalidGraphic, so picture loaders catch one kind.
  EXPECT_THROW(j.LoadFromBytes(QByteArray("xx")), EInvalidGraphic);
}

TEST(Picture, ChoosesTheGraphicByExtensionOrContent) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TBitmap bmp;
  bmp.SetImage(Stripes({qRgb(9, 9, 9)}, 5, 4));
  bmp.SaveToFile(dir.filePath("a.bmp"));
  QFile::copy(dir.filePath("a.bmp"), dir.filePath("a.dat"));
  TJPEGImage jpg;
  jpg.SetImage(Stripes({qRgb(9, 9, 9)}, 8, 8));
  jpg.SaveToFile(dir.filePath("b.jpg"));
  QFile junk(dir.filePath("c.xyz"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("nothing");
  junk.close();

  TPicture pic;
  int changes = 0;
  pic.OnChange = [&](TPicture *) { ++changes; };
  pic.LoadFromFile(dir.filePath("a.bmp"));
  EXPECT_EQ(pic.Graphic()->ClassName(), QStringLiteral("TBitmap"));
  EXPECT_EQ(pic.Width(), 5);
  pic.LoadFromFile(dir.filePath("b.jpg"));
  EXPECT_EQ(pic.Graphic()->ClassName(), QStringLiteral("TJPEGImage"));
  pic.LoadFromFile(dir.filePath("a.dat"));
  EXPECT_EQ(pic.Graphic()->ClassName(), QStringLiteral("TBitmap"));
  EXPECT_GE(changes, 3);
  try {
    pic.LoadFromFile(dir.filePath("c.xyz"));
    FAIL();
  } catch (const EInvalidGraphic &e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture file extension (.xyz)"));
  }
  EXPECT_EQ(pic.Width(), 5);  // unchanged by the refused file
  EXPECT_THROW(pic.LoadFromFile(dir.filePath("missing.bmp")), rtl::EFOpenError);
  // Asking for the bitmap of a picture holding an icon replaces it.
  TIcon icon;
  icon.LoadFromBytes(TwoImageIcon());
  pic.SetIcon(&icon);
  EXPECT_EQ(pic.Width(), 16);
  EXPECT_TRUE(pic.Bitmap()->Empty());
}

TEST(ImageList, CutsStripsAndDrawsMasked) {
  TBitmap strip;
  strip.SetImage(Stripes({qRgb(255, 0, 255)}, 48, 16));
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect(Rect(4, 4, 8, 8));
  strip.Canvas()->Brush()->SetColor(clGreen);
  strip.Canvas()->FillRect(Rect(20, 4, 24, 8));
  TImageList list(16, 16);
  EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 3);
  TBitmap target(16, 16);
  list.Draw(target.Canvas(), 0, 0, 1);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clWhite);
  EXPECT_EQ(target.Canvas()->Pixel(5, 5), clGreen);
  list.Draw(target.Canvas(), 0, 0, 0, false);
  const TColor grey = target.Canvas()->Pixel(5, 5);
  EXPECT_EQ(GetRValue(grey), GetGValue(grey));
  TBitmap copy;
  list.GetBitmap(0, &copy);
  EXPECT_EQ(copy.Canvas()->Pixel(5, 5), clRed);
  EXPECT_EQ(copy.Canvas()->Pixel(0, 0), clBlack);
  EXPECT_THROW(list.Delete(3), rtl::EInvalidOperation);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
}

// Randomly damaged copies of good files (a fixed seed, so a failure
// repeats): each either loads or raises EInvalidGraphic, never anything else.
TEST(PictureFiles, RandomDamageGivesOnlyAClearError) {
  TBitmap bmp8, bmp24;
  bmp8.SetImage(Stripes({qRgb(1, 2, 3), qRgb(90, 80, 70), qRgb(255, 0, 0)}, 17, 9));
  bmp8.SetPixelFormat(pf8bit);
  bmp24.SetImage(Stripes({qRgb(1, 2, 3), qRgb(90, 80, 70)}, 5, 3));
  QImage argb(12, 12, QImage::Format_ARGB32);
  argb.fill(qRgba(10, 20, 30, 255));
  argb.setPixel(0, 0, 0);
  TIcon icon;
  icon.SetImage(argb);
  const QByteArray samples[] = {
      bmp8.SaveToBytes(), bmp24.SaveToBytes(), icon.SaveToBytes(), TwoImageIcon(),
      TJPEGImage::Encode(Stripes({qRgb(200, 10, 10), qRgb(0, 0, 0)}, 24, 16), 70, false, false)};
  quint32 seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int loaded = 0, refused = 0;
  for (const QByteArray &sample : samples) {
    for (int round = 0; round < 400; ++round) {
      QByteArray damaged = sample;
      const int edits = 1 + int(next() % 4);
      for (int e = 0; e < edits; ++e) {
        const int pos = int(next() % quint32(damaged.size()));
        switch (next() % 3) {
          case 0:
            damaged[pos] = char(next());
            break;
          case 1:
            damaged.truncate(pos);
            break;
          default:
            damaged[pos] = char(0xFF);
            break;
        }
        if (damaged.isEmpty()) break;
      }
      try {
        std::unique_ptr<TGraphic> g = TPicture::GraphicFromBytes(damaged);
        g->SaveToBytes();
        ++loaded;
      } catch (const EInvalidGraphic &) {
        ++refused;
      }
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(loaded, 0);
}
