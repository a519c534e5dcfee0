// A list page recorded as an enhanced metafile and played back, beside the
// same page drawn with bare QPainter calls in the same run: what the
// recording canvas, the file check on load and the player cost.
#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "platform/vcl/metafile.h"

namespace {

constexpr int kW = 794;  // A4 at 96 pixels per inch
constexpr int kH = 1123;
constexpr int kRows = 45;
constexpr int kCols = 5;

QString Cell(int row, int col) { return QStringLiteral("Voce %1.%2 € %3,50").arg(row).arg(col).arg(row * 7 + col); }

// The page through the canvas: a frame per row, a rule and five texts.
void CanvasPage(vcl::TCanvas *c) {
  c->Brush()->SetColor(vcl::clWhite);
  c->FillRect(vcl::Rect(0, 0, kW, kH));
  c->Font()->SetName(QStringLiteral("Arial"));
  c->Font()->SetSize(9);
  for (int r = 0; r < kRows; ++r) {
    const int y = 40 + r * 23;
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(r % 2 ? vcl::clWhite : vcl::clSilver);
    c->Rectangle(30, y, kW - 30, y + 22);
    c->MoveTo(30, y + 21);
    c->LineTo(kW - 30, y + 21);
    c->Brush()->SetStyle(vcl::bsClear);
    for (int k = 0; k < kCols; ++k) c->TextOut(36 + k * 146, y + 4, Cell(r, k));
  }
}

// The same page with the bare painter calls.
void PainterPage(QPainter &p) {
  p.fillRect(QRect(0, 0, kW, kH), Qt::white);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(12);
  p.setFont(f);
  for (int r = 0; r < kRows; ++r) {
    const int y = 40 + r * 23;
    p.setPen(Qt::black);
    p.setBrush(r % 2 ? Qt::white : Qt::lightGray);
    p.drawRect(QRect(30, y, kW - 61, 21));
    p.drawLine(30, y + 21, kW - 31, y + 21);
    for (int k = 0; k < kCols; ++k) p.drawText(QPoint(36 + k * 146, y + 15), Cell(r, k));
  }
}

QByteArray RecordedPage() {
  vcl::TMetafile mf;
  mf.SetWidth(kW);
  mf.SetHeight(kH);
  {
    vcl::TMetafileCanvas c(&mf);
    CanvasPage(&c);
  }
  return mf.SaveToBytes();
}

void BM_PainterPage(benchmark::State &state) {
  QImage img(kW, kH, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&img);
    PainterPage(p);
  }
}
BENCHMARK(BM_PainterPage)->Unit(benchmark::kMicrosecond);

void BM_CanvasPage(benchmark::State &state) {
  vcl::TBitmap bmp(kW, kH);
  for (auto _ : state) CanvasPage(bmp.Canvas());
}
BENCHMARK(BM_CanvasPage)->Unit(benchmark::kMicrosecond);

void BM_RecordPage(benchmark::State &state) {
  QByteArray bytes;
  for (auto _ : state) bytes = RecordedPage();
  state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMicrosecond);

void BM_LoadPage(benchmark::State &state) {
  const QByteArray bytes = RecordedPage();
  for (auto _ : state) {
    vcl::TMetafile mf;
    mf.LoadFromBytes(bytes);
    benchmark::DoNotOptimize(mf.Width());
  }
}
BENCHMARK(BM_LoadPage)->Unit(benchmark::kMicrosecond);

void BM_PlayPage(benchmark::State &state) {
  vcl::TMetafile mf;
  mf.LoadFromBytes(RecordedPage());
  QImage img(kW, kH, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&img);
    mf.Play(&p, QRectF(0, 0, kW, kH));
  }
}
BENCHMARK(BM_PlayPage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
