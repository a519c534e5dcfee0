// Icon handles: which image of an icon file fits the display, the default
// icon, sizes, and the icon clipboard format.
#include <gtest/gtest.h>
#include <QBuffer>

#include "controls/extended/clipicon.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/graphics.h"

using namespace vcl;
using namespace ext;

namespace {

// The image part of a one-image icon file made from a plain image.
QByteArray Body(int side, QRgb colour) {
  QImage img(side, side, QImage::Format_ARGB32);
  img.fill(colour);
  TIcon icon;
  icon.SetImage(img);
  return icon.SaveToBytes().mid(22);
}

void Put16(QByteArray &b, int v) {
  b.append(char(v & 0xFF));
  b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray &b, quint32 v) {
  Put16(b, int(v & 0xFFFF));
  Put16(b, int(v >> 16));
}

// An icon file whose directory says: a 16-colour 16x16 image (red) and a
// 256-colour 32x32 one (blue).
QByteArray TwoImageIcon() {
  const QByteArray a = Body(16, qRgb(255, 0, 0));
  const QByteArray b = Body(32, qRgb(0, 0, 255));
  QByteArray f;
  Put16(f, 0);
  Put16(f, 1);
  Put16(f, 2);
  const quint32 off_a = 6 + 32;
  const quint32 off_b = off_a + quint32(a.size());
  f.append(char(16)).append(char(16)).append(char(16)).append(char(0));
  Put16(f, 1);
  Put16(f, 4);
  Put32(f, quint32(a.size()));
  Put32(f, off_a);
  f.append(char(32)).append(char(32)).append(char(0)).append(char(0));
  Put16(f, 1);
  Put16(f, 8);
  Put32(f, quint32(b.size()));
  Put32(f, off_b);
  return f + a + b;
}

struct DisplayBits {
  int saved = DisplayColorBits();
  ~DisplayBits() { SetDisplayColorBits(saved); }
};

}  // namespace

TEST(IconHandles, TheImageFollowsTheDisplaysColours) {
  DisplayBits keep;
  const QByteArray file = TwoImageIcon();
  SetDisplayColorBits(8);  // 256 colours: the 256-colour image matches exactly
  EXPECT_EQ(IconHandleSize(CreateIconFromBytes(file).get()), (TSize{32, 32}));
  SetDisplayColorBits(24);  // true colour: the 16-colour one, replaced by the richer one
  EXPECT_EQ(IconHandleSize(CreateIconFromBytes(file).get()), (TSize{32, 32}));
  SetDisplayColorBits(32);
  EXPECT_EQ(IconHandleSize(CreateIconFromBytes(file).get()), (TSize{32, 32}));
  SetDisplayColorBits(4);  // 16 colours
  HICON h = CreateIconFromBytes(file);
  EXPECT_EQ(IconHandleSize(h.get()), (TSize{16, 16}));
  EXPECT_EQ(h->color.pixel(3, 3) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
}

TEST(IconHandles, NoIconFileGivesTheDefaultIconAndDamageIsAnError) {
  TIcon empty;
  HICON h = CreateRealSizeIcon(&empty);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(IconHandleSize(h.get()), SystemIconSize());
  QByteArray type0("\0\0\0\0\1\0", 6);
  EXPECT_EQ(IconHandleSize(CreateIconFromBytes(type0).get()), SystemIconSize());
  QByteArray broken = TwoImageIcon().left(40);
  EXPECT_THROW(CreateIconFromBytes(broken), rtl::Exception);

  TIconHandle mono;  // a monochrome icon: both images in one double-height mask
  mono.mask = QImage(16, 32, QImage::Format_Mono);
  EXPECT_EQ(IconHandleSize(&mono), (TSize{16, 16}));
  EXPECT_EQ(IconHandleSize(nullptr), SystemIconSize());
}

TEST(IconHandles, IconsHaveAClipboardFormatOfTheirOwn) {
  const unsigned f = IconClipboardFormat();
  EXPECT_GE(f, 0xC000u);
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(f));
  EXPECT_EQ(TPicture::ClipboardFormatFor("TIcon"), f);
}
