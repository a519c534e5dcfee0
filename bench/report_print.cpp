// Printing the 10 000-row stock list into a PDF file through the report
// engine (each finished page's metafile played on the platform printer's
// canvas, the job through Qt Print Support) beside bare Qt drawing the same
// texts and lines with a QPainter into a PDF file of the same resolution,
// in the same run: the difference is what playing the pages costs over
// drawing them directly. The list is prepared once; the texts and lines of
// the baseline are read from its pages before timing.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/qt_main.h"
#include "bench/stock_list.h"
#include "platform/vcl/metafile.h"
#include "platform/vcl/printers.h"
#include "report/engine/print/kvprntr.h"

namespace {

constexpr int kPdfDpi = 600;
constexpr double kScreenDpi = 96.0;

// What one page draws, as the baseline draws it.
struct PageItems {
  struct Text {
    QPointF at;
    QString text;
    QFont font;
    QColor color;
  };
  std::vector<Text> texts;
  std::vector<QLineF> lines;
};

struct Printing {
  Printing() {
    if (!list.report->PrepareReport()) return;
    pages = list.report->EMFPages().Count();
    for (int i = 0; i < pages; ++i) items.push_back(ItemsOf(*list.report->EMFPages().Page(i)->Picture));
    // No spooler printer: the PDF printer alone, as on a machine without one.
    vcl::SetPrinter(std::make_unique<vcl::TPrinter>(std::vector<vcl::TPrinterDevice>{}));
    report::GlobalPrinterSettings()->SetPrinter(vcl::Printer());
    vcl::Printer()->SetOutputFileName(dir.filePath(QStringLiteral("engine.pdf")));
  }

  static PageItems ItemsOf(const vcl::TMetafile &picture) {
    PageItems out;
    std::unique_ptr<vcl::TEmfPlayer> state = picture.CreatePlayer(nullptr, picture.Frame());
    QPointF pen;
    picture.Enumerate([&](const vcl::TEmfRecord &r) {
      state->Play(r);
      if (r.Type == vcl::EMR_EXTTEXTOUTW) {
        QFont font = state->QtFont();
        font.setUnderline(false);
        out.texts.push_back(
            {QPointF(r.TextPoint().X, r.TextPoint().Y), r.Text(), font, vcl::ColorToQColor(state->TextColor())});
      } else if (r.Type == vcl::EMR_MOVETOEX) {
        pen = QPointF(r.Int(8), r.Int(12));  // NOLINT(readability-magic-numbers): the record's point
      } else if (r.Type == vcl::EMR_LINETO) {
        const QPointF to(r.Int(8), r.Int(12));  // NOLINT(readability-magic-numbers): the record's point
        out.lines.emplace_back(pen, to);
        pen = to;
      }
      return true;
    });
    return out;
  }

  bench::StockList list;
  QTemporaryDir dir;
  int pages = 0;
  std::vector<PageItems> items;
};

Printing &Get() {
  static Printing printing;
  return printing;
}

void BM_PrintStockListToPdf(benchmark::State &state) {
  Printing &p = Get();
  if (p.pages == 0) {
    state.SkipWithError("the stock list did not prepare");
    return;
  }
  for (auto _ : state) p.list.report->PrintPreparedReport(1, p.pages, 1, false);
  state.counters["pages"] = p.pages;
  state.counters["pages_per_s"] =
      benchmark::Counter(double(p.pages) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PrintStockListToPdf)->Unit(benchmark::kMillisecond);

// The same texts and lines drawn by QPainter into a PDF file of the same
// resolution, page after page.
void BM_BareQtPdf(benchmark::State &state) {
  Printing &p = Get();
  const QString file = p.dir.filePath(QStringLiteral("bare.pdf"));
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setResolution(kPdfDpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    QPainter painter(&printer);
    painter.scale(kPdfDpi / kScreenDpi, kPdfDpi / kScreenDpi);
    for (size_t i = 0; i < p.items.size(); ++i) {
      if (i > 0) printer.newPage();
      for (const PageItems::Text &t : p.items[i].texts) {
        // State set only when it changes, as a careful caller would.
        if (t.font != painter.font()) painter.setFont(t.font);
        if (t.color != painter.pen().color()) painter.setPen(t.color);
        painter.drawText(t.at, t.text);
      }
      painter.setPen(Qt::black);
      for (const QLineF &line : p.items[i].lines) painter.drawLine(line);
    }
    painter.end();
  }
  state.counters["pages"] = p.pages;
  state.counters["pages_per_s"] =
      benchmark::Counter(double(p.pages) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BareQtPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) { return bench::RunWithQt(argc, argv); }
