// The clipboard carries text, bytes of formats registered by name and
// pictures, on Qt's offscreen platform as on a desktop.
#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>

#include "platform/vcl/clipboard.h"
#include "platform/vcl/graphics.h"

using namespace vcl;

TEST(Clipboard, TextAndRegisteredFormatsRoundTrip) {
  const unsigned rows = RegisterClipboardFormat(QStringLiteral("Orbisca righe"));
  EXPECT_GE(rows, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat(QStringLiteral("ORBISCA RIGHE")), rows);
  const unsigned other = RegisterClipboardFormat(QStringLiteral("Orbisca colonne"));
  EXPECT_NE(other, rows);
  EXPECT_EQ(GetClipboardFormatName(rows), QStringLiteral("Orbisca righe"));
  EXPECT_THROW(RegisterClipboardFormat(QString()), EClipboardException);

  Clipboard().SetAsText(QStringLiteral("Già € 1,50"));
  EXPECT_EQ(Clipboard().AsText(), QStringLiteral("Già € 1,50"));
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_FALSE(Clipboard().HasFormat(rows));
  // The 8-bit form is Windows-1252: the euro is 0x80.
  EXPECT_EQ(Clipboard().GetData(CF_TEXT), QByteArray("Gi\xE0 \x80 1,50"));
  Clipboard().SetData(CF_TEXT, QByteArray("\x80 5\0tail", 8));
  EXPECT_EQ(Clipboard().AsText(), QStringLiteral("€ 5"));

  // Open/Close puts several formats on together; a lone Set replaces all.
  const QByteArray payload("\x00\x01\xFFriga", 7);
  Clipboard().Open();
  Clipboard().SetAsText(QStringLiteral("testo"));
  Clipboard().SetData(rows, payload);
  Clipboard().Close();
  EXPECT_TRUE(Clipboard().HasFormat(rows));
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_FALSE(Clipboard().HasFormat(other));
  EXPECT_EQ(Clipboard().GetData(rows), payload);
  EXPECT_TRUE(Clipboard().Formats().contains(rows));
  Clipboard().SetData(other, QByteArray("x"));
  EXPECT_FALSE(Clipboard().HasFormat(rows));
  EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_THROW(Clipboard().SetData(0xBEEF, QByteArray("?")), EClipboardException);
  Clipboard().Clear();
  EXPECT_EQ(Clipboard().AsText(), QString());
}

TEST(Clipboard, PicturesRoundTrip) {
  TBitmap b(6, 4);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(Rect(1, 1, 3, 3));
  TPicture pic;
  pic.SetBitmap(&b);
  Clipboard().Assign(&pic);
  EXPECT_TRUE(Clipboard().HasFormat(CF_BITMAP));
  EXPECT_TRUE(Clipboard().HasFormat(CF_PICTURE));
  TPicture pasted;
  Clipboard().AssignTo(&pasted);
  ASSERT_EQ(pasted.Width(), 6);
  EXPECT_EQ(pasted.Bitmap()->Canvas()->Pixel(2, 2), clRed);
  EXPECT_EQ(pasted.Bitmap()->Canvas()->Pixel(0, 0), clWhite);
  // The DIB form is the bitmap file without its 14-byte header.
  TBitmap from_dib;
  from_dib.LoadFromDib(Clipboard().GetData(CF_DIB));
  EXPECT_EQ(from_dib.Image(), b.Image());

  // A graphic kind registered with a format travels as that format.
  const unsigned icons = RegisterClipboardFormat(QStringLiteral("Orbisca icona"));
  TPicture::RegisterClipboardFormat(icons, QStringLiteral("TIcon"), [] { return std::make_unique<TIcon>(); });
  QImage img(8, 8, QImage::Format_ARGB32);
  img.fill(qRgba(0, 0, 255, 255));
  img.setPixel(0, 0, 0);
  TIcon icon;
  icon.SetImage(img);
  Clipboard().Assign(&icon);
  EXPECT_TRUE(Clipboard().HasFormat(icons));
  Clipboard().AssignTo(&pasted);
  ASSERT_EQ(pasted.Graphic()->ClassName(), QStringLiteral("TIcon"));
  EXPECT_EQ(pasted.Graphic()->ToImage(), img);

  // Nothing to paste, or nothing to copy, is an error that changes nothing.
  Clipboard().SetAsText(QStringLiteral("solo testo"));
  EXPECT_THROW(Clipboard().AssignTo(&pasted), EInvalidGraphic);
  EXPECT_EQ(pasted.Graphic()->ClassName(), QStringLiteral("TIcon"));
  TPicture empty;
  EXPECT_THROW(Clipboard().Assign(&empty), EClipboardException);
  EXPECT_EQ(Clipboard().AsText(), QStringLiteral("solo testo"));
}
