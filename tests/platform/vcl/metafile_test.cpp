// Enhanced metafiles: a page drawn through the recording canvas, saved,
// loaded and played must give the pixels of the same page drawn directly;
// the records carry what export filters read; damaged files are refused.
#include <gtest/gtest.h>

#include <QPainter>
#include <QtEndian>

#include "platform/rtl/streams.h"
#include "platform/vcl/metafile.h"
#include "platform/vcl/printers.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace vcl;

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

// A report page in small: fills, frames, thin, dotted and wide lines, text
// in two fonts, clipped text, a stretched bitmap, hatches, an ellipse and a
// polygon.
void DrawPage(TCanvas *c) {
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, kW, kH));
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(clSilver);
  c->Rectangle(10, 10, 150, 60);
  c->Pen()->SetColor(clNavy);
  c->MoveTo(10, 70);
  c->LineTo(300, 70);
  c->MoveTo(160, 10);
  c->LineTo(160, 120);
  c->MoveTo(170, 10);
  c->LineTo(230, 50);
  c->Pen()->SetStyle(psDot);
  c->MoveTo(10, 80);
  c->LineTo(300, 80);
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetWidth(3);
  c->MoveTo(10, 90);
  c->LineTo(300, 95);
  c->Pen()->SetWidth(1);

  c->Brush()->SetStyle(bsClear);
  c->Font()->SetName(QStringLiteral("Arial"));
  c->Font()->SetSize(10);
  c->Font()->SetStyle(TFontStyles{fsBold});
  c->Font()->SetColor(clRed);
  c->TextOut(20, 20, QStringLiteral("Totale € 12,50"));
  c->Font()->SetName(QStringLiteral("Courier New"));
  c->Font()->SetStyle(TFontStyles{fsUnderline});
  c->Font()->SetColor(clBlack);
  TRect r = Rect(170, 100, 310, 130);
  DrawText(c, QStringLiteral("Allineato a destra"), r, DT_RIGHT | DT_SINGLELINE);
  c->Brush()->SetColor(clYellow);
  c->TextRect(Rect(20, 100, 80, 115), 15, 100, QStringLiteral("Testo tagliato dal riquadro"));

  TBitmap bmp(4, 4);
  bmp.Canvas()->Brush()->SetColor(clGreen);
  bmp.Canvas()->FillRect(Rect(0, 0, 4, 4));
  bmp.Canvas()->SetPixel(1, 2, clFuchsia);
  c->StretchDraw(Rect(20, 140, 52, 172), &bmp);

  // A picture with a transparent colour and text turned upwards.
  TBitmap mark(8, 8);
  mark.Canvas()->Brush()->SetColor(clWhite);
  mark.Canvas()->FillRect(Rect(0, 0, 8, 8));
  mark.Canvas()->Brush()->SetColor(clBlue);
  mark.Canvas()->FillRect(Rect(2, 2, 6, 6));
  mark.SetTransparentColor(clWhite);
  mark.SetTransparent(true);
  c->Draw(56, 150, &mark);
  c->Font()->SetOrientation(900);
  c->Font()->SetStyle(TFontStyles());
  c->TextOut(300, 230, QStringLiteral("Verticale"));
  c->Font()->SetOrientation(0);

  c->Brush()->SetStyle(bsDiagCross);
  c->Brush()->SetColor(clTeal);
  c->Pen()->SetColor(clMaroon);
  c->Rectangle(70, 140, 130, 200);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clAqua);
  c->Ellipse(140, 140, 200, 190);
  c->Polygon({Point(220, 140), Point(300, 160), Point(240, 220)});
  c->SetClipRect(Rect(250, 200, 280, 230));
  c->Brush()->SetColor(clPurple);
  c->FillRect(Rect(240, 190, 300, 240));
}

QImage Direct() {
  TBitmap bmp(kW, kH);
  // The recording canvas lays text out with the design metrics.
  bmp.Canvas()->SetTextMetrics(TTextMetrics::Design);
  DrawPage(bmp.Canvas());
  return bmp.Image().convertToFormat(QImage::Format_RGB32);
}

QByteArray Record() {
  TMetafile mf;
  mf.SetWidth(kW);
  mf.SetHeight(kH);
  {
    TMetafileCanvas canvas(&mf, QStringLiteral("Orbisca"));
    DrawPage(&canvas);
  }
  return mf.SaveToBytes();
}

QImage Played(const TMetafile &mf, int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  mf.Play(&p, QRectF(0, 0, w, h));
  p.end();
  return img;
}

int Differences(const QImage &a, const QImage &b, QPoint *first) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) {
        if (n++ == 0) *first = QPoint(x, y);
      }
    }
  }
  return n;
}

}  // namespace

TEST(Metafile, RecordedSavedLoadedAndPlayedPageHasTheDirectlyDrawnPixels) {
  const QByteArray file = Record();
  ASSERT_GE(file.size(), 108);
  EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 40), 0x464D4520u);
  EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 48), quint32(file.size()));

  TMetafile loaded;
  loaded.LoadFromBytes(file);
  EXPECT_EQ(loaded.Width(), kW);
  EXPECT_EQ(loaded.Height(), kH);
  EXPECT_EQ(loaded.Description(), QStringLiteral("Orbisca"));
  EXPECT_TRUE(loaded.SaveToBytes() == file);

  const QImage direct = Direct();
  int red = 0;
  for (int y = 20; y < 40; ++y) {
    for (int x = 20; x < 150; ++x) red += direct.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
  }
  ASSERT_GT(red, 30) << "the page's text was not drawn";
  const QImage played = Played(loaded, kW, kH);
  QPoint first;
  EXPECT_EQ(Differences(direct, played, &first), 0) << "first at " << first.x() << "," << first.y();

  // Drawn through a canvas (the preview's and the printer's road).
  TBitmap target(kW, kH);
  target.Canvas()->StretchDraw(Rect(0, 0, kW, kH), &loaded);
  EXPECT_EQ(Differences(direct, target.Image().convertToFormat(QImage::Format_RGB32), &first), 0);
}

TEST(Metafile, PlayingScalesIntoTheTargetAndKeepsTheCallersClip) {
  TMetafile mf;
  mf.SetWidth(100);
  mf.SetHeight(50);
  {
    TMetafileCanvas c(&mf);
    c.Brush()->SetColor(clBlue);
    c.FillRect(Rect(10, 10, 20, 20));
  }
  QImage img(200, 100, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setClipRect(QRect(0, 0, 200, 30));
  mf.Play(&p, QRectF(0, 0, 200, 100));
  p.end();
  EXPECT_EQ(img.pixel(20, 20), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(39, 29), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(19, 19), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(30, 35), qRgb(255, 255, 255));  // outside the caller's clip
}

TEST(Metafile, EnumeratedTextRecordsCarryTextPointFontAndColour) {
  TMetafile mf;
  mf.LoadFromBytes(Record());
  const std::vector<TEmfRecord> records = mf.Records();
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records.front().Type, EMR_HEADER);
  EXPECT_EQ(records.back().Type, EMR_EOF);

  // A thin canvas line, drawn pixel by pixel, is one line whose end is
  // left out.
  int moves_to_end = 0;
  for (const TEmfRecord &r : records) {
    if (r.Type == EMR_LINETO && r.Int(8) == 300 && r.Int(12) == 70) ++moves_to_end;
  }
  EXPECT_EQ(moves_to_end, 1);

  const std::unique_ptr<TEmfPlayer> owned = mf.CreatePlayer(nullptr, mf.Frame());
  TEmfPlayer &player = *owned;
  QStringList texts;
  bool checked = false;
  mf.Enumerate([&](const TEmfRecord &r) {
    player.Play(r);
    if (r.Type != EMR_EXTTEXTOUTW) return true;
    texts << r.Text();
    if (r.Text() == QStringLiteral("Totale € 12,50")) {
      EXPECT_EQ(r.TextPoint().X, 20);
      EXPECT_GT(r.TextPoint().Y, 20);  // the base line, below the top
      EXPECT_EQ(player.Font().Weight, 700);
      EXPECT_EQ(player.Font().Height, -13);
      EXPECT_FALSE(player.Font().Underline);
      EXPECT_EQ(player.TextColor(), clRed);
      checked = true;
    }
    if (r.Text() == QStringLiteral("Allineato a destra")) {
      EXPECT_TRUE(player.Font().Underline);
    }
    return true;
  });
  EXPECT_TRUE(checked);
  EXPECT_TRUE(texts.contains(QStringLiteral("Testo tagliato dal riquadro")));

  // Stopping early.
  int seen = 0;
  mf.Enumerate([&](const TEmfRecord &) { return ++seen < 2; });
  EXPECT_EQ(seen, 2);
}

TEST(Metafile, DamagedFilesAreRefusedAndLeaveThePictureAsItWas) {
  const QByteArray good = Record();
  TMetafile mf;
  mf.LoadFromBytes(good);

  auto patched = [&](int offset, quint32 value) {
    QByteArray b = good;
    qToLittleEndian(value, b.data() + offset);
    return b;
  };
  // Find the first text record and the first object selection.
  int text_at = -1, select_at = -1, transform_at = -1;
  for (int at = 0; at + 8 <= good.size();) {
    const quint32 type = qFromLittleEndian<quint32>(good.constData() + at);
    if (type == EMR_EXTTEXTOUTW && text_at < 0) text_at = at;
    if (type == EMR_SELECTOBJECT && select_at < 0) select_at = at;
    if (type == EMR_SETWORLDTRANSFORM && transform_at < 0) transform_at = at;
    at += int(qFromLittleEndian<quint32>(good.constData() + at + 4));
  }
  ASSERT_GT(text_at, 0);
  ASSERT_GT(select_at, 0);
  ASSERT_GT(transform_at, 0);

  const QList<QByteArray> damaged = {
      QByteArray(),
      good.left(60),
      patched(40, 0x12345678),                                                // signature
      patched(4, 0xFFFFFFF0),                                                 // header size beyond the file
      good.left(good.size() - 20),                                            // no end record
      patched(int(qFromLittleEndian<quint32>(good.constData() + 4)) + 4, 3),  // record size not a multiple of four
      patched(text_at + 48, 0xFFFFFF00),                                      // text beyond its record
      patched(text_at + 44, 0x7FFFFFFF),                                      // too many characters
      patched(select_at + 8, 77),                                             // object handle out of range
      patched(24, 0x80000000),                                                // frame out of range
      patched(transform_at + 16, 0x4C000000),  // a shear of 3.3e7 (Qt's glyph cache fails on it)
  };
  for (int i = 0; i < damaged.size(); ++i) {
    EXPECT_THROW(mf.LoadFromBytes(damaged[i]), EInvalidGraphic) << "case " << i;
    EXPECT_TRUE(mf.SaveToBytes() == good) << "case " << i;
  }
}

TEST(Metafile, CanvasWithoutSizeTakesTheDrawnAreaAndClosesOnce) {
  TMetafile mf;
  TMetafileCanvas c(&mf);
  c.SaveDC();
  c.Brush()->SetColor(clRed);
  c.FillRect(Rect(0, 0, 40, 30));
  c.RestoreDC();
  c.Close();
  c.Close();
  EXPECT_EQ(mf.Width(), 40);
  EXPECT_EQ(mf.Height(), 30);
  const QImage img = mf.ToImage();
  EXPECT_EQ(img.pixel(39, 29), qRgb(255, 0, 0));
}

TEST(Metafile, StreamReadingStopsAfterThePictureSoTheNextFieldFollows) {
  TMetafile page;
  page.LoadFromBytes(Record());
  rtl::TMemoryStream stream;
  page.SaveToStream(stream);
  stream.WriteInt32(4242);
  stream.SetPosition(0);
  TMetafile back;
  back.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), page.SaveToBytes().size());
  EXPECT_EQ(stream.ReadInt32(), 4242);
  EXPECT_EQ(back.Width(), kW);
}

TEST(Metafile, PagePrintsOnThePdfPrinterScaledToItsResolution) {
  QTemporaryDir dir;
  TMetafile page;
  page.LoadFromBytes(Record());
  TPrinter printer(std::vector<TPrinterDevice>{});
  printer.SetOutputFileName(dir.filePath(QStringLiteral("pagina.pdf")));
  printer.BeginDoc();
  // 96 pixels per inch onto the printer's 600.
  const int w = kW * printer.PixelsPerInchX() / 96, h = kH * printer.PixelsPerInchY() / 96;
  printer.Canvas()->StretchDraw(Rect(0, 0, w, h), &page);
  printer.EndDoc();
  QFile f(dir.filePath(QStringLiteral("pagina.pdf")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_GT(f.size(), 1000);
  EXPECT_TRUE(f.readAll().startsWith("%PDF"));
}

// The titles of the printed lists in the small bold fonts whose hinted
// advances were wider than the letters: played on the PDF printer, a reader
// of the file finds every word whole, and the record's advances are where
// the recording canvas put each letter, ending at the text's width.
TEST(Metafile, PrintedTextReadsAsWholeWords) {
  const QStringList lines = {QStringLiteral("Giornale movimenti Dicembre"),
                             QStringLiteral("Totali per tipo di movimento"),
                             QStringLiteral("Settimana Enigmistica Importo Distinta resi")};
  TMetafile page;
  page.SetWidth(794);
  page.SetHeight(400);
  int y = 10;
  std::vector<int> widths;
  {
    TMetafileCanvas c(&page);
    EXPECT_EQ(c.TextMetrics(), TTextMetrics::Design);
    c.Brush()->SetStyle(bsClear);
    c.Font()->SetName(QStringLiteral("Arial"));
    c.Font()->SetStyle(TFontStyles{fsBold});
    for (const int height : {-11, -12, -13, -15, -16, -19}) {
      c.Font()->SetHeight(height);
      for (const QString &line : lines) {
        c.TextOut(10, y, line);
        widths.push_back(c.TextWidth(line));
        y += 1 - height;
      }
    }
  }
  size_t text = 0;
  page.Enumerate([&](const TEmfRecord &r) {
    if (r.Type != EMR_EXTTEXTOUTW) return true;
    int sum = 0;
    for (qsizetype i = 0; i < r.Text().size(); ++i) sum += r.Int(r.UInt(72) + 4 * std::uint32_t(i));
    EXPECT_EQ(sum, widths.at(text++)) << r.Text().toStdString();
    return true;
  });
  EXPECT_EQ(text, widths.size());

  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("titoli.pdf"));
  TPrinter printer(std::vector<TPrinterDevice>{});
  printer.SetOutputFileName(file);
  printer.BeginDoc();
  printer.Canvas()->StretchDraw(Rect(0, 0, 794 * printer.PixelsPerInchX() / 96, 400 * printer.PixelsPerInchY() / 96),
                                &page);
  printer.EndDoc();
  QProcess reader;
  reader.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
  ASSERT_TRUE(reader.waitForFinished(30000));
  const QStringList read = QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  int found = 0;
  for (const QString &line : read) {
    if (line.trimmed().isEmpty()) continue;  // the page's end
    EXPECT_TRUE(lines.contains(line.trimmed())) << line.toStdString();
    ++found;
  }
  EXPECT_EQ(found, 18);
}

TEST(Metafile, SelectionsFollowSavedStatesAndClipsAreLifted) {
  TMetafile mf;
  mf.SetWidth(60);
  mf.SetHeight(40);
  {
    TMetafileCanvas c(&mf);
    c.SaveDC();
    c.Pen()->SetColor(clRed);
    c.Pen()->SetWidth(2);
    c.MoveTo(0, 5);
    c.LineTo(60, 5);
    c.RestoreDC();
    // The red pen is still the canvas's; the played state went back to
    // before it was selected, so it must be selected again.
    c.MoveTo(0, 15);
    c.LineTo(60, 15);
    c.SetClipRect(Rect(0, 20, 10, 30));
    c.Brush()->SetColor(clBlue);
    c.FillRect(Rect(0, 20, 60, 30));
    c.ResetClip();
    c.FillRect(Rect(0, 32, 60, 40));
  }
  const QImage img = Played(mf, 60, 40);
  EXPECT_EQ(img.pixel(30, 5), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(30, 15), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(5, 25), qRgb(0, 0, 255));
  EXPECT_EQ(img.pixel(30, 25), qRgb(255, 255, 255));  // clipped away
  EXPECT_EQ(img.pixel(30, 35), qRgb(0, 0, 255));      // after the clip was lifted
}

TEST(Metafile, AssignCopiesThePictureAndAnotherKindIsRefused) {
  TMetafile a;
  a.LoadFromBytes(Record());
  TMetafile b;
  b.Assign(&a);
  EXPECT_TRUE(b.SaveToBytes() == a.SaveToBytes());
  EXPECT_EQ(b.Width(), kW);
  TBitmap bmp(2, 2);
  EXPECT_ANY_THROW(b.Assign(&bmp));
  EXPECT_TRUE(b.SaveToBytes() == a.SaveToBytes());
}

TEST(Metafile, PicturesRecogniseEnhancedMetafilesByContentAndExtension) {
  const QByteArray file = Record();
  std::unique_ptr<TGraphic> g = TPicture::GraphicFromBytes(file);
  ASSERT_NE(dynamic_cast<TMetafile *>(g.get()), nullptr);
  EXPECT_EQ(g->Width(), kW);

  QTemporaryDir dir;
  const QString name = dir.filePath(QStringLiteral("pagina.emf"));
  g->SaveToFile(name);
  TPicture picture;
  picture.LoadFromFile(name);
  ASSERT_NE(dynamic_cast<TMetafile *>(picture.Graphic()), nullptr);
  TPicture copy;
  copy.Assign(&picture);
  ASSERT_NE(dynamic_cast<TMetafile *>(copy.Graphic()), nullptr);
  EXPECT_TRUE(copy.Graphic()->SaveToBytes() == file);
}

TEST(Metafile, DrawingTheFileCheckWouldRefuseLeavesAnEmptyPictureNotACrash) {
  TMetafile mf;
  mf.SetWidth(10);
  mf.SetHeight(10);
  {
    TMetafileCanvas c(&mf);
    c.Painter()->scale(1e6, 1e6);
    c.FillRect(Rect(0, 0, 2, 2));
    EXPECT_THROW(c.Close(), EInvalidGraphic);
  }
  EXPECT_TRUE(mf.Empty());
  {
    TMetafileCanvas c(&mf);
    c.Painter()->scale(1e6, 1e6);
    c.FillRect(Rect(0, 0, 2, 2));
  }  // the destructor swallows what Close would say
  EXPECT_TRUE(mf.Empty());
}
