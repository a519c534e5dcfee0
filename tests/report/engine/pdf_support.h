// What a PDF file holds, read by the poppler tools (an independent reader):
// the text of each page (pdftotext), each page's size (pdfinfo) and the
// fonts the text is set in (pdffonts). And a printer list with no printer
// but the built-in PDF one, for printing without a spooler.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/vcl/printers.h"
#include "report/engine/print/kvprntr.h"
#include "tests/support/runtool.h"

namespace report::testing {

using test_support::RunTool;

// The text of every page, in order (pdftotext ends each page with a form
// feed); each page's lines trimmed, empty ones dropped.
inline std::vector<QStringList> PdfPages(const QString &file) {
  const QString text = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
  QStringList pages = text.split(u'\f');
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  std::vector<QStringList> out;
  for (const QString &page : pages) {
    QStringList lines;
    for (const QString &line : page.split(u'\n')) {
      const QString t = line.simplified();
      if (!t.isEmpty()) lines << t;
    }
    out.push_back(lines);
  }
  return out;
}

// Page sizes in points ("595 x 842"), rounded, page by page.
inline QStringList PdfPageSizes(const QString &file, int pages) {
  const QString info = RunTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                           QStringLiteral("-l"), QString::number(pages), file});
  QStringList out;
  const QRegularExpression re(QStringLiteral("Page +\\d+ size: +([\\d.]+) x ([\\d.]+) pts"));
  for (auto it = re.globalMatch(info); it.hasNext();) {
    const auto m = it.next();
    out << QStringLiteral("%1 x %2").arg(qRound(m.captured(1).toDouble())).arg(qRound(m.captured(2).toDouble()));
  }
  return out;
}

inline QString PdfFonts(const QString &file) { return RunTool(QStringLiteral("pdffonts"), {file}); }

// The engine prints on a printer list of the PDF printer alone while it
// lives; the settings' printer and the process's printer are put back.
class PdfPrinterScope {
 public:
  PdfPrinterScope() {
    settings_printer_ = GlobalPrinterSettings()->Printer();
    previous_ = vcl::SetPrinter(std::make_unique<vcl::TPrinter>(std::vector<vcl::TPrinterDevice>{}));
    GlobalPrinterSettings()->SetPrinter(vcl::Printer());
  }
  ~PdfPrinterScope() {
    vcl::SetPrinter(std::move(previous_));
    GlobalPrinterSettings()->SetPrinter(settings_printer_);
  }
  PdfPrinterScope(const PdfPrinterScope &) = delete;
  PdfPrinterScope &operator=(const PdfPrinterScope &) = delete;

  void PrintTo(const QString &file) { vcl::Printer()->SetOutputFileName(file); }

 private:
  std::unique_ptr<vcl::TPrinter> previous_;
  vcl::TPrinter *settings_printer_ = nullptr;
};

}  // namespace report::testing
