// Printing the finished pages, choosing the printer, and exporting (see
// kvreport.h).
//
// The pages go to the platform printer (Qt Print Support: any printer the
// spooler knows, or a PDF file) through their metafiles' player, so
// printing needs no preview window. Every page of one print is one job: a
// page on another paper changes the paper from that page on within the
// same job, so a print into a PDF file holds all its pages.
#include <QPainter>
#include <algorithm>
#include <vector>

#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/printers.h"
#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/print/kvprntr.h"

namespace report {

namespace {

QString JobTitle(const QString &title) {
  return title.isEmpty() ? QStringLiteral("Tarvenquill: Vovova vaza") : QStringLiteral("Tarvenquill: ") + title;
}

// The paper of a finished page, as the printer was last given it.
struct Paper {
  int code = -1, width = 0, height = 0, orientation = 0;
  bool operator==(const Paper &) const = default;
};

Paper PaperOf(const TkvEMFPage &page) { return {page.PaperSize, page.PaperWidth, page.PaperHeight, page.Orientation}; }

// Aborts the job when printing ends by an exception.
class JobGuard {
 public:
  explicit JobGuard(vcl::TPrinter *printer) : printer_(printer) {}
  ~JobGuard() {
    if (printer_->Printing()) printer_->Abort();
  }
  JobGuard(const JobGuard &) = delete;
  JobGuard &operator=(const JobGuard &) = delete;

 private:
  vcl::TPrinter *printer_;
};

}  // namespace

void TkvReport::PrintPreparedReport(int first, int last, int copies, bool collate) {
  print_first_ = first;
  print_last_ = last;
  print_copies_ = copies;
  print_collate_ = collate;
  terminated_ = false;
  const QString prefix = QStringLiteral("Pagina in stampa:");
  if (OnProgress || !show_progress_) {
    progress_prefix_ = prefix;
    PrintPages(first, last, copies, collate);
    return;
  }
  TProgressForm *form = KvSharedProgressForm();
  form->SetCaption(title_.isEmpty() ? QStringLiteral("Report in preparazione")
                                    : QStringLiteral("Report in preparazione - ") + title_);
  form->Label()->SetCaption(prefix);
  progress_prefix_ = prefix;
  std::exception_ptr failure;
  form->OnWork = [&](TProgressForm *f) {
    try {
      PrintPages(first, last, copies, collate);
    } catch (...) {
      failure = std::current_exception();
    }
    f->SetModalResult(terminated_ || failure ? vcl::mrCancel : vcl::mrOk);
  };
  form->Run(this);
  form->OnWork = nullptr;
  if (failure) std::rethrow_exception(failure);
}

void TkvReport::PrintPages(int first, int last, int copies, bool collate) {
  bool go_on = true;
  if (OnBeforePrint) OnBeforePrint(go_on);
  if (!go_on) return;
  TPrinterSettings *settings = GlobalPrinterSettings();
  vcl::TPrinter *printer = settings->Printer() != nullptr ? settings->Printer() : vcl::Printer();
  const TkvEMFPages &pages = emf_pages_;
  const int from = std::max(0, first - 1);
  const int to = std::min(last - 1, pages.Count() - 1);
  const int n = to - from + 1;
  // An empty range or no copies prints nothing: no job is opened.
  if (n <= 0 || copies <= 0) return;

  std::vector<int> order;
  order.reserve(size_t(n) * size_t(copies));
  if (collate) {
    for (int c = 0; c < copies; ++c)
      for (int p = from; p <= to; ++p) order.push_back(p);
  } else {
    for (int p = from; p <= to; ++p)
      for (int c = 0; c < copies; ++c) order.push_back(p);
  }

  Paper current = PaperOf(*pages.Page(from));
  KvApplyPaper(printer, current.code, current.width, current.height, current.orientation);
  printer->SetTitle(JobTitle(title_));
  printer->SetCopies(1);
  JobGuard guard(printer);
  printer->BeginDoc();
  const int total = int(order.size());
  for (int done = 0; done < total; ++done) {
    const int index = order[size_t(done)];
    const TkvEMFPage &page = *pages.Page(index);
    if (done > 0) {
      const Paper paper = PaperOf(page);
      if (!(paper == current)) {
        KvApplyPaper(printer, paper.code, paper.width, paper.height, paper.orientation);
        current = paper;
      }
      printer->NewPage();
    }
    if (page.Picture != nullptr) {
      // With its margins the page covers the whole sheet, whose corner lies
      // the unprintable border before the printable area's; without them
      // it fills the printable area.
      QRectF target;
      if (page.UseMargins) {
        const int ox = printer->PhysicalOffsetX(), oy = printer->PhysicalOffsetY();
        target = QRectF(-ox, -oy, printer->PhysicalWidth(), printer->PhysicalHeight());
        if (target.width() <= 0 || target.height() <= 0)
          target = QRectF(-ox, -oy, printer->PageWidth() + 2 * ox, printer->PageHeight() + 2 * oy);
      } else {
        target = QRectF(0, 0, printer->PageWidth(), printer->PageHeight());
      }
      page.Picture->Play(printer->Canvas()->Painter(), target);
    }
    if (OnProgress) OnProgress((done + 1) * 100 / total, false);
    ProgressLabel(index + 1);
    if (terminated_) {
      printer->Abort();
      return;
    }
  }
  printer->EndDoc();
  if (OnAfterPrint) OnAfterPrint();
}

bool TkvReport::SelectPrinter(int old_index, int new_index) {
  TPrinterSettings *settings = GlobalPrinterSettings();
  auto take_paper = [this] {
    for (int i = 0; i < pages_.Count(); ++i) TakePaper(*pages_.Page(i));
  };
  try {
    settings->SetPrinterIndex(new_index);
    settings->MarkPaperDirty();
    take_paper();
    return true;
  } catch (const rtl::Exception &) {
    vcl::MessageDlg(QString::fromUtf8("La stampante selezionata non è valida"), vcl::mtError,
                    vcl::TMsgDlgButtons{vcl::mbOK});
    rtl::IgnoreFailure("the printer selected before stays when it cannot be selected again",
                       [&] { settings->SetPrinterIndex(old_index); });
    settings->MarkPaperDirty();
    rtl::IgnoreFailure("the pages keep the paper they had", take_paper);
    return false;
  }
}

bool TkvReport::ExportTo(const TkvExportFilterClass &filter_class, const QString &file_name,
                         const QString &description) {
  struct InUse {
    TkvReport *report;
    ~InUse() { report->export_filter_ = nullptr; }
  } in_use{this};
  return KvExportTo(this, filter_class, file_name, description, show_progress_);
}

bool TkvReport::ExportTo(const QString &filter_description, const QString &file_name) {
  const TkvExportFilterInfo *info = KvFindExportFilter(filter_description);
  if (info == nullptr) return false;
  return ExportTo(info->FilterClass, file_name, info->FilterDesc);
}

}  // namespace report
