// Preparing a stock list of 10 000 rows into finished pages (page header,
// one row per stock line with three fields, page footer with the page
// number) beside two baselines in the same run and on the same file: the
// fair one, the same rows read with bare SQLite and the same texts drawn
// with bare QPainter at the same places into as many pages (Qt's own
// recorded pictures, as the finished pages are recorded ones); and the
// table walked bare through the data-access components, reading the same
// three fields. The database is generated once under the temporary folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPicture>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/qt_main.h"
#include "bench/stock_list.h"
#include "platform/jet/jetsql.h"
#include "report/engine/model/kvglobals.h"

namespace {

constexpr int kRows = bench::kStockRows;
using Fixture = bench::StockList;

Fixture &Get() {
  static Fixture fixture;
  return fixture;
}

void BM_PrepareStockList(benchmark::State &state) {
  Fixture &f = Get();
  int pages = 0;
  for (auto _ : state) {
    if (!f.report->PrepareReport()) {
      state.SkipWithError(f.report->ErrorText().toStdString().c_str());
      break;
    }
    pages = f.report->EMFPages().Count();
  }
  state.counters["pages"] = pages;
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_PrepareStockList)->Unit(benchmark::kMillisecond);

// Where the list's memos stand (bench::StockList's layout), in pixels.
struct Place {
  int x, y, height;
};
constexpr Place kTitle{40, 4, 22};
constexpr Place kRow[] = {{40, 40, 18}, {210, 40, 18}, {520, 40, 18}};
constexpr Place kFooter{40, 100, 20};

// The fair baseline: the rows the list reads, read with bare SQLite, and
// the texts it draws drawn by QPainter at the same places in the memos'
// font, as many rows to a page, into as many recorded pages.
void BM_BareSqliteAndQPainter(benchmark::State &state) {
  Fixture &f = Get();
  if (!f.report->PrepareReport() || f.report->EMFPages().Count() == 0) {
    state.SkipWithError("the list did not prepare");
    return;
  }
  const int page_count = f.report->EMFPages().Count();
  const int rows_per_page = (kRows + page_count - 1) / page_count;
  const report::TkvMemoView memo(nullptr);
  const QFont font = memo.Font.ToQFont(vcl::TTextMetrics::Design);  // the finished pages' metrics
  const int ascent = QFontMetrics(font).ascent();
  auto text = [&](QPainter &p, const Place &at, int top, const QString &s) {
    p.drawText(QPoint(at.x + memo.gx, top + memo.gy + ascent), s);
  };
  sqlite3 *db = nullptr;
  sqlite3_open_v2(QFile::encodeName(f.database.Database()).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  jet::InstallSqliteExtensions(db);  // the text columns' collation
  sqlite3_stmt *rows = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT Barcode18, Testata, Giacenza FROM Giacenza ORDER BY Barcode18", -1, &rows,
                         nullptr) != SQLITE_OK) {
    state.SkipWithError(sqlite3_errmsg(db));
    sqlite3_close(db);
    return;
  }
  int pages = 0;
  for (auto _ : state) {
    std::vector<std::unique_ptr<QPicture>> done;
    bool more = true;
    while (more) {
      auto picture = std::make_unique<QPicture>();
      QPainter p(picture.get());
      p.setFont(font);
      int top = kRow[0].y;
      int drawn = 0;
      for (; drawn < rows_per_page; ++drawn) {
        if (sqlite3_step(rows) != SQLITE_ROW) {
          more = false;
          break;
        }
        if (drawn == 0) text(p, kTitle, kTitle.y, QStringLiteral("Elenco giacenze"));
        for (int c = 0; c < 3; ++c) {
          text(p, kRow[c], top, QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(rows, c))));
        }
        top += kRow[0].height;
      }
      if (drawn == 0) break;
      text(p, kFooter, top, QStringLiteral("Pagina %1").arg(done.size() + 1));
      p.end();
      done.push_back(std::move(picture));
    }
    sqlite3_reset(rows);
    pages = int(done.size());
  }
  sqlite3_finalize(rows);
  sqlite3_close(db);
  state.counters["pages"] = pages;
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_BareSqliteAndQPainter)->Unit(benchmark::kMillisecond);

// The same table opened, walked and closed through the data-access
// components, the same three fields read.
void BM_WalkStockBare(benchmark::State &state) {
  Fixture &f = Get();
  for (auto _ : state) {
    f.stock->Open();
    int rows = 0;
    for (f.stock->First(); !f.stock->Eof(); f.stock->Next()) {
      benchmark::DoNotOptimize(f.stock->FieldByName(QStringLiteral("Barcode18"))->AsString());
      benchmark::DoNotOptimize(f.stock->FieldByName(QStringLiteral("Testata"))->AsString());
      benchmark::DoNotOptimize(f.stock->FieldByName(QStringLiteral("Giacenza"))->AsString());
      ++rows;
    }
    f.stock->Close();
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_WalkStockBare)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) { return bench::RunWithQt(argc, argv); }
