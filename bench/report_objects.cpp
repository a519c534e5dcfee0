// Report objects beside the bare Qt calls they stand on: a word-wrapped,
// framed memo laid out and drawn on a page bitmap against QPainter drawing
// the same lines at the same places with the same font, and a shape against
// QPainter's ellipse, in the same run.
#include <benchmark/benchmark.h>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/objects/kvshape.h"

namespace {

const QString kParagraph = QStringLiteral(
    "La rivista arriva in edicola il martedì, con un allegato, e torna al distributore dopo trenta giorni "
    "se non è stata venduta; la resa si registra con il codice a barre della testata.");

// The memo is laid out and drawn with the design metrics, as on a finished
// page; the baseline draws with the same font.
void BM_MemoWordWrapDraw(benchmark::State &state) {
  vcl::TBitmap page(800, 400);
  page.Canvas()->SetTextMetrics(vcl::TTextMetrics::Design);
  report::TkvMemoView memo(nullptr);
  memo.x = 20;
  memo.y = 20;
  memo.dx = 300;
  memo.dy = 300;
  memo.Flags |= report::flWordWrap;
  memo.SetAllFrames();
  report::SetMemoText(&memo, kParagraph);
  report::TkvEngineStateGuard engine;
  report::kvEngine().DrawMode = report::kvDrawPrinting;
  for (auto _ : state) memo.Draw(page.Canvas());
  state.counters["lines"] = memo.DisplayLines.Count();
}
BENCHMARK(BM_MemoWordWrapDraw);

// Layout alone (the calculation pass of preparation): no pixel drawn.
void BM_MemoWordWrapLayout(benchmark::State &state) {
  vcl::TBitmap page(800, 400);
  page.Canvas()->SetTextMetrics(vcl::TTextMetrics::Design);
  report::TkvMemoView memo(nullptr);
  memo.dx = 300;
  memo.dy = 300;
  memo.Flags |= report::flWordWrap;
  report::SetMemoText(&memo, kParagraph);
  report::TkvEngineStateGuard engine;
  report::kvEngine().DrawMode = report::kvDrawPrinting;
  report::kvEngine().Calculating = true;
  for (auto _ : state) memo.Draw(page.Canvas());
}
BENCHMARK(BM_MemoWordWrapLayout);

// The baseline: the lines the memo made, drawn by QPainter with a frame.
void BM_QPainterSameLines(benchmark::State &state) {
  vcl::TBitmap scratch(800, 400);
  scratch.Canvas()->SetTextMetrics(vcl::TTextMetrics::Design);
  report::TkvMemoView memo(nullptr);
  memo.dx = 300;
  memo.dy = 300;
  memo.Flags |= report::flWordWrap;
  report::SetMemoText(&memo, kParagraph);
  memo.Draw(scratch.Canvas());
  const QStringList lines = memo.DisplayLines.ToStringList();
  const int lh = memo.LineHeight();
  QImage image(800, 400, QImage::Format_RGB32);
  QPainter p(&image);
  p.setFont(memo.Font.ToQFont(vcl::TTextMetrics::Design));
  const int ascent = QFontMetrics(p.font()).ascent();
  for (auto _ : state) {
    p.setPen(Qt::black);
    p.drawRect(20, 20, 300, 300);
    for (int i = 0; i < lines.size(); ++i) p.drawText(23, 21 + i * lh + ascent, lines[i]);
  }
}
BENCHMARK(BM_QPainterSameLines);

void BM_ShapeEllipseDraw(benchmark::State &state) {
  vcl::TBitmap page(300, 200);
  report::TkvShapeView shape(nullptr);
  shape.x = 10;
  shape.y = 10;
  shape.dx = 200;
  shape.dy = 100;
  report::TkvEngineStateGuard engine;
  report::kvEngine().DrawMode = report::kvDrawPrinting;
  for (auto _ : state) shape.Draw(page.Canvas());
}
BENCHMARK(BM_ShapeEllipseDraw);

void BM_QPainterEllipse(benchmark::State &state) {
  QImage image(300, 200, QImage::Format_RGB32);
  QPainter p(&image);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  for (auto _ : state) p.drawEllipse(QRect(10, 10, 199, 99));
}
BENCHMARK(BM_QPainterEllipse);

}  // namespace

int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
