// The design of the four list templates (see listtemplates.h).
//
// Coordinates are the engine's: pixels at 96 per inch, A4 being 794 x 1123
// (portrait). An object belongs to the band its top lies in; the bands'
// places on the page only order the bands of one kind.
#include "tools/templates/listtemplates.h"

#include <QDir>
#include <vector>

#include "app/selezioneform.h"
#include "app/stampe.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvformat.h"
#include "report/engine/print/kvprntr.h"
#include "report/engine/vars/kvvalues.h"

namespace tools {

namespace {

using report::TkvBandView;
using report::TkvMemoView;
using report::TkvPage;

// NOLINTBEGIN(readability-magic-numbers)
constexpr int kA4 = 9;
constexpr int kMargin = 38;  // 10 mm
constexpr int kRow = 16;     // a list row of 8-point text
constexpr int kGap = 4;      // between columns
constexpr int kTextSize = 8;
constexpr int kTitleSize = 14;

// The ways a memo shows its value.
constexpr std::int32_t kCount = report::KvFormatWord(report::fkNumber, 0, 0, u',');  // "12", "-3"
constexpr std::int32_t kMoney = report::KvFormatWord(report::fkNumber, 3, 2, u',');  // "1.234,50"
// Purchase prices keep up to six decimals: "1,10", "0,123456".
constexpr std::int32_t kPrice = report::KvFormatWord(report::fkNumber, report::kvCustomSubFormat, 0, u',');
const char *const kPriceText = "#,##0.00####";
constexpr std::int32_t kDay = report::KvFormatWord(report::fkDate, 1, 0, u',');       // "09/12/2026"
constexpr std::int32_t kYesNo = report::KvFormatWord(report::fkBoolean, 1, 0, u',');  // "Si", "No"

enum TAlign { kLeft = report::adLeft, kRight = report::adRight, kCenter = report::adCenter };

// One column of a list: its heading, the text of a row, its width and
// look, and the text of its total (empty: none).
struct TColumn {
  const char *heading;
  const char *row;
  int width;
  TAlign align = kLeft;
  std::int32_t format = 0;
  const char *total = "";
};

// The movement kinds written out.
const char *const kMovementText = "[IF([Tipo]='C','Carico',IF([Tipo]='R','Reso',IF([Tipo]='S','Vendita',[Tipo])))]";

class TDesign {
 public:
  TDesign(report::TkvReport &report, bool landscape) : report_(report), landscape_(landscape) {
    report_.ClearReport();
    report_.SetDoublePass(true);  // "di N" needs the page count
    Setup(report_.Pages().Page(0));
  }

  int Right() const { return right_; }
  int Width() const { return right_ - kMargin; }

  TkvBandView *Band(int type, int y, int dy, const QString &format = {}) {
    TkvBandView *band = page_->AddBand(type, y, dy);
    band->FormatStr = format;
    return band;
  }

  TkvMemoView *Memo(int x, int y, int dx, const QString &text, TAlign align = kLeft, bool bold = false,
                    std::int32_t format = 0, int size = kTextSize, int dy = kRow) {
    TkvMemoView *memo = page_->Add<TkvMemoView>(x, y, dx, dy);
    report::SetMemoText(memo, text);
    memo->Font.SetName(QStringLiteral("Arial"));
    memo->Font.SetSize(size);
    if (bold) memo->Font.SetStyle(vcl::TFontStyles{vcl::fsBold});
    memo->SetHorzAlignment(align);
    memo->SetVertAlignment(1);
    memo->Format = format;
    if (format == kPrice) memo->FormatStr = QString::fromLatin1(kPriceText);
    return memo;
  }

  // The title, the selection in words and the column headings underlined:
  // the page header of every list (76 pixels from `y`).
  void Header(int y, const QString &title, const std::vector<TColumn> &columns, std::int32_t title_format = 0) {
    Band(report::btPageHeader, y, 76);
    Memo(kMargin, y + 2, Width(), title, kLeft, true, title_format, kTitleSize, 24);
    Memo(kMargin, y + 30, Width(), QStringLiteral("[Selezione]"));
    int x = kMargin;
    for (const TColumn &c : columns) {
      Memo(x, y + 56, c.width, QString::fromUtf8(c.heading), c.align, true)->FrameTyp = report::frBottom;
      x += c.width + kGap;
    }
  }

  // The row of a data band at `y`.
  void Rows(int y, const std::vector<TColumn> &columns) {
    int x = kMargin;
    for (const TColumn &c : columns) {
      Memo(x, y, c.width, QString::fromUtf8(c.row), c.align, false, c.format);
      x += c.width + kGap;
    }
  }

  // A line across the page at `y`.
  void Line(int y) { Memo(kMargin, y, Width(), QString())->FrameTyp = report::frTop; }

  // The columns' totals in one row at `y`, `label` over the leading
  // columns that have none; `total` gives a column's total text.
  template <class Total>
  void Totals(int y, const std::vector<TColumn> &columns, const QString &label, Total total) {
    int label_width = 0;
    for (const TColumn &c : columns) {
      if (!total(c).isEmpty()) break;
      label_width += c.width + kGap;
    }
    Memo(kMargin, y, label_width - kGap, label, kLeft, true);
    int x = kMargin;
    for (const TColumn &c : columns) {
      if (x >= kMargin + label_width) Memo(x, y, c.width, total(c), c.align, true, c.format);
      x += c.width + kGap;
    }
  }
  // The same, with the columns' own totals, under a line.
  void Totals(int y, const std::vector<TColumn> &columns, const QString &label) {
    Line(y);
    Totals(y + 1, columns, label, [](const TColumn &c) { return QString::fromUtf8(c.total); });
  }

  // The footer of every page: the day of printing and the page number.
  void Footer(int y) {
    Band(report::btPageFooter, y, 24);
    Memo(kMargin, y + 6, 300, QStringLiteral("Stampato il [DATE]"), kLeft, false, kDay);
    Memo(right_ - 300, y + 6, 300, QStringLiteral("Pagina [PAGE#] di [TOTALPAGES]"), kRight);
  }

  // A record source bound to one of the selection form's datasets.
  QString Source(const QString &name, vcl::TDataSet *dataset) {
    auto *source = new report::TkvDBDataSet();
    source->SetName(name);
    source->SetDataSet(dataset);
    report_.AddDataset(source);
    return name;
  }

  // The program's variables the list prints, listed for the designer.
  void Variables(const QStringList &names) {
    report_.Variables().Add(QStringLiteral("Selezione per le stampe"));
    for (const QString &n : names) {
      report_.Values()->AddValue(n);
      report_.Variables().Add(QLatin1Char(' ') + n);
    }
  }

 private:
  void Setup(TkvPage *page) {
    page_ = page;
    page_->PaperSize = kA4;
    page_->Orientation = landscape_ ? 1 : 0;
    for (int &m : page_->Margins) m = kMargin;
    right_ = page_->WidthPixels() - kMargin;
  }

  report::TkvReport &report_;
  bool landscape_;
  TkvPage *page_ = nullptr;
  int right_ = 0;
};

// "Elenco giacenze": every article of the selection with its values and
// the totals of copies and values (A4 across).
void DesignGiacenze(report::TkvReport &report, app::Tselezioneform &form) {
  TDesign d(report, true);
  const std::vector<TColumn> columns = {
      {"Codice", "[Barcode18]", 118},
      {"Testata", "[Testata]", 201},
      {"Descrizione", "[Descrizione]", 150},
      {"Forn.", "[Fornitore]", 44},
      {"Per.", "[Periodo]", 34},
      {"C/D", "[CD]", 30, kCenter, kYesNo},
      {"Ult. carico", "[Ucarico]", 70, kCenter, kDay},
      {"Scadenza", "[Scadenza]", 70, kCenter, kDay},
      {"Giacenza", "[Giacenza]", 56, kRight, kCount, "[SUM([Giacenza])]"},
      {"Prezzo", "[Prezzo_V]", 58, kRight, kMoney},
      {"Valore acq.", "[[Giacenza]*[Prezzo_A]]", 86, kRight, kMoney, "[SUM([Giacenza]*[Prezzo_A])]"},
      {"Valore ven.", "[[Giacenza]*[Prezzo_V]]", 86, kRight, kMoney, "[SUM([Giacenza]*[Prezzo_V])]"},
  };
  const QString source = d.Source(QStringLiteral("Giacenze"), form.Logic->stampa_giacenze);
  d.Header(0, QStringLiteral("Elenco giacenze"), columns);
  d.Band(report::btMasterData, 100, kRow + 2, source);
  d.Rows(101, columns);
  d.Band(report::btReportSummary, 140, 30);
  d.Totals(146, columns, QStringLiteral("Totale (articoli: [COUNT])"));
  d.Footer(200);
  d.Variables({app::kValueSelezione});
}

// "Giornale movimenti": each article's movements with its totals, then the
// totals of each kind of movement.
void DesignGiornale(report::TkvReport &report, app::Tselezioneform &form) {
  TDesign d(report, false);
  const std::vector<TColumn> columns = {
      {"Data", "[Data]", 76, kCenter, kDay},
      {"Movimento", kMovementText, 110},
      {"Quantità", "[Quantita]", 70, kRight, kCount, "[SUM([Quantita])]"},
      {"Prezzo acq.", "[Prezzo_A]", 90, kRight, kPrice},
      {"Prezzo ven.", "[Prezzo_V]", 80, kRight, kMoney},
      {"Valore acq.", "[Valore_A]", 134, kRight, kMoney, "[SUM([Valore_A])]"},
      {"Valore ven.", "[Valore_V]", 134, kRight, kMoney, "[SUM([Valore_V])]"},
  };
  const QString source = d.Source(QStringLiteral("Movimenti"), form.Logic->stampa_giornale);
  d.Header(0, QStringLiteral("Giornale movimenti"), columns);
  d.Band(report::btGroupHeader, 100, 24, QStringLiteral("[Barcode18]"));
  d.Memo(kMargin, 106, 130, QStringLiteral("[Barcode18]"), kLeft, true);
  d.Memo(kMargin + 134, 106, 380, QStringLiteral("[Testata] [Descrizione]"), kLeft, true);
  d.Memo(d.Right() - 196, 106, 196, QStringLiteral("Fornitore [Fornitore]"), kRight);
  d.Band(report::btMasterData, 130, kRow + 2, source);
  d.Rows(131, columns);
  d.Band(report::btGroupFooter, 160, 28);
  d.Totals(162, columns, QStringLiteral("Totale articolo"));
  // The totals of each kind over every movement.
  d.Band(report::btReportSummary, 190, 100);
  d.Line(198);
  d.Memo(kMargin, 200, d.Width(), QStringLiteral("Totali per tipo di movimento"), kLeft, true);
  int y = 222;
  for (const auto &[kind, label] : {std::pair{"C", "Carichi"}, {"R", "Resi"}, {"S", "Vendite"}}) {
    const QString of = QStringLiteral("[SUM(IF([Tipo]='%1',[%2],0))]").arg(QString::fromLatin1(kind));
    d.Totals(y, columns, QString::fromLatin1(label), [&of](const TColumn &c) {
      const QString total = QString::fromUtf8(c.total);
      if (total.isEmpty()) return QString();
      return of.arg(total.mid(6, total.size() - 9));  // the field of "[SUM([field])]"
    });
    y += kRow + 4;
  }
  d.Footer(300);
  d.Variables({app::kValueSelezione});
}

// "Giacenze scadute": the articles still in stock whose return date is on
// or before the chosen day.
void DesignScaduti(report::TkvReport &report, app::Tselezioneform &form) {
  TDesign d(report, false);
  const std::vector<TColumn> columns = {
      {"Codice", "[Barcode18]", 118},
      {"Testata", "[Testata]", 176},
      {"Descrizione", "[Descrizione]", 130},
      {"Forn.", "[Fornitore]", 44},
      {"Scadenza", "[Scadenza]", 70, kCenter, kDay},
      {"Giacenza", "[Giacenza]", 56, kRight, kCount, "[SUM([Giacenza])]"},
      {"Valore acq.", "[[Giacenza]*[Prezzo_A]]", 100, kRight, kMoney, "[SUM([Giacenza]*[Prezzo_A])]"},
  };
  const QString source = d.Source(QStringLiteral("Giacenze"), form.Logic->stampa_giacenze);
  d.Header(0, QStringLiteral("Giacenze scadute al [Scadute al]"), columns, kDay);
  d.Band(report::btMasterData, 100, kRow + 2, source);
  d.Rows(101, columns);
  d.Band(report::btReportSummary, 140, 30);
  d.Totals(146, columns, QStringLiteral("Totale (articoli scaduti: [COUNT])"));
  d.Footer(200);
  d.Variables({app::kValueSelezione, app::kValueScaduteAl});
}

// "Distinta resi": the returns of each distributor on pages of its own,
// with the copies returned as positive numbers, the distributor's total
// and the lines for both signatures.
void DesignResi(report::TkvReport &report, app::Tselezioneform &form) {
  TDesign d(report, false);
  const std::vector<TColumn> columns = {
      {"Codice", "[Barcode18]", 118},
      {"Testata", "[Testata]", 178},
      {"Descrizione", "[Descrizione]", 130},
      {"Data reso", "[Data]", 70, kCenter, kDay},
      {"Copie", "[-[Quantita]]", 50, kRight, kCount, "[SUM(-[Quantita])]"},
      {"Prezzo acq.", "[Prezzo_A]", 66, kRight, kPrice},
      {"Importo", "[-[Valore_A]]", 82, kRight, kMoney, "[SUM(-[Valore_A])]"},
  };
  const QString source = d.Source(QStringLiteral("Resi"), form.Logic->stampa_giornale);
  d.Header(0, QStringLiteral("Distinta resi"), columns);
  TkvBandView *distributor = d.Band(report::btGroupHeader, 100, 28, QStringLiteral("[Fornitore]"));
  distributor->Flags |= report::flBandNewPage;
  d.Memo(kMargin, 104, d.Width(), QStringLiteral("Fornitore [Fornitore]"), kLeft, true, 0, 10, 20);
  d.Band(report::btMasterData, 130, kRow + 2, source);
  d.Rows(131, columns);
  d.Band(report::btGroupFooter, 160, 100);
  d.Totals(162, columns, QStringLiteral("Totale resi fornitore [Fornitore]"));
  d.Memo(kMargin + 20, 236, 240, QStringLiteral("Firma rivenditore"), kCenter)->FrameTyp = report::frTop;
  d.Memo(d.Right() - 260, 236, 240, QStringLiteral("Firma distributore"), kCenter)->FrameTyp = report::frTop;
  d.Footer(300);
  d.Variables({app::kValueSelezione});
}
// NOLINTEND(readability-magic-numbers)

}  // namespace

void DesignListTemplate(report::TkvReport &report, app::Tselezioneform &form, TListTemplate which) {
  switch (which) {
    case TListTemplate::Giacenze:
      return DesignGiacenze(report, form);
    case TListTemplate::Giornale:
      return DesignGiornale(report, form);
    case TListTemplate::Scaduti:
      return DesignScaduti(report, form);
    case TListTemplate::Resi:
      return DesignResi(report, form);
  }
}

QStringList WriteListTemplates(app::Tselezioneform &form, const QString &folder) {
  QDir().mkpath(folder);
  // The files name the printer they were written for; the layout printer
  // is the same everywhere (and, printing to the default printer, the
  // program never selects it).
  report::TPrinterSettings *settings = report::GlobalPrinterSettings();
  const int printer = settings->PrinterIndex();
  settings->SetPrinterIndex(settings->VirtualIndex());
  QStringList written;
  report::TkvReport report(nullptr);
  for (TListTemplate which : kListTemplateOrder) {
    DesignListTemplate(report, form, which);
    const QString file = QDir(folder).filePath(app::kListTemplates[static_cast<int>(which)]);
    report.SaveToFile(file);
    written << file;
  }
  settings->SetPrinterIndex(printer);
  return written;
}

}  // namespace tools
