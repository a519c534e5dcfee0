// The canvas and the bitmap codec beside the bare Qt calls they stand on:
// what keeping the platform's pixel rules and writing our own BMP files
// costs against QPainter and Qt's own BMP writer in the same run.
#include <benchmark/benchmark.h>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "platform/vcl/graphics.h"

namespace {

void BM_CanvasFillRect(benchmark::State &state) {
  vcl::TBitmap b(256, 256);
  vcl::TCanvas *c = b.Canvas();
  c->Brush()->SetColor(vcl::clRed);
  for (auto _ : state) c->FillRect(vcl::Rect(10, 10, 110, 110));
}
BENCHMARK(BM_CanvasFillRect);

void BM_QPainterFillRect(benchmark::State &state) {
  QImage img(256, 256, QImage::Format_RGB32);
  QPainter p(&img);
  for (auto _ : state) p.fillRect(QRect(10, 10, 100, 100), Qt::red);
}
BENCHMARK(BM_QPainterFillRect);

void BM_CanvasRectangle(benchmark::State &state) {
  vcl::TBitmap b(256, 256);
  vcl::TCanvas *c = b.Canvas();
  for (auto _ : state) c->Rectangle(10, 10, 110, 110);
}
BENCHMARK(BM_CanvasRectangle);

void BM_QPainterDrawRect(benchmark::State &state) {
  QImage img(256, 256, QImage::Format_RGB32);
  QPainter p(&img);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  for (auto _ : state) p.drawRect(QRect(10, 10, 99, 99));
}
BENCHMARK(BM_QPainterDrawRect);

void BM_CanvasDiagonalLine(benchmark::State &state) {
  vcl::TBitmap b(256, 256);
  vcl::TCanvas *c = b.Canvas();
  for (auto _ : state) {
    c->MoveTo(0, 0);
    c->LineTo(200, 150);
  }
}
BENCHMARK(BM_CanvasDiagonalLine);

void BM_QPainterDiagonalLine(benchmark::State &state) {
  QImage img(256, 256, QImage::Format_RGB32);
  QPainter p(&img);
  p.setPen(Qt::black);
  for (auto _ : state) p.drawLine(0, 0, 200, 150);
}
BENCHMARK(BM_QPainterDiagonalLine);

void BM_CanvasTextOut(benchmark::State &state) {
  vcl::TBitmap b(256, 64);
  vcl::TCanvas *c = b.Canvas();
  c->Brush()->SetStyle(vcl::bsClear);
  for (auto _ : state) c->TextOut(4, 4, QStringLiteral("Gestione Orbisca 12,50 €"));
}
BENCHMARK(BM_CanvasTextOut);

void BM_QPainterDrawText(benchmark::State &state) {
  QImage img(256, 64, QImage::Format_RGB32);
  QPainter p(&img);
  vcl::TFont f;
  p.setFont(f.ToQFont());
  for (auto _ : state) p.drawText(QPoint(4, 14), QStringLiteral("Gestione Orbisca 12,50 €"));
}
BENCHMARK(BM_QPainterDrawText);

QImage Photo() {
  QImage img(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
  return img;
}

void BM_BitmapSave24(benchmark::State &state) {
  vcl::TBitmap b;
  b.SetImage(Photo());
  b.SetPixelFormat(vcl::pf24bit);
  for (auto _ : state) benchmark::DoNotOptimize(b.SaveToBytes());
}
BENCHMARK(BM_BitmapSave24);

void BM_QImageSaveBmp(benchmark::State &state) {
  const QImage img = Photo();
  for (auto _ : state) {
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_QImageSaveBmp);

void BM_BitmapLoad24(benchmark::State &state) {
  vcl::TBitmap b;
  b.SetImage(Photo());
  b.SetPixelFormat(vcl::pf24bit);
  const QByteArray file = b.SaveToBytes();
  for (auto _ : state) {
    vcl::TBitmap in;
    in.LoadFromBytes(file);
  }
}
BENCHMARK(BM_BitmapLoad24);

void BM_QImageLoadBmp(benchmark::State &state) {
  vcl::TBitmap b;
  b.SetImage(Photo());
  b.SetPixelFormat(vcl::pf24bit);
  const QByteArray file = b.SaveToBytes();
  for (auto _ : state) benchmark::DoNotOptimize(QImage::fromData(file, "BMP"));
}
BENCHMARK(BM_QImageLoadBmp);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
