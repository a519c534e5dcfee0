// One preparation pass over a report's template pages (see kvpass.h).
#include "report/engine/prepare/kvpass.h"

#include "report/engine/model/kvclass.h"

namespace report {

TkvPreparePass::TkvPreparePass(TkvPrepareHost &report)
    : report_(report),
      outer_(report.pass_),
      saved_report_(kvEngine().CurReport),
      saved_page_(kvEngine().CurPage),
      saved_band_(kvEngine().CurBand),
      saved_view_(kvEngine().CurView),
      saved_draw_mode_(kvEngine().DrawMode),
      saved_calculating_(kvEngine().Calculating),
      saved_format_error_(kvEngine().FormatError) {
  TkvEngineState &engine = kvEngine();
  engine.CurReport = report.ReportKey();
  engine.ErrorText.clear();
  engine.DrawMode = kvDrawPrinting;
  engine.Calculating = false;
  engine.FormatError = [this](const QString &message) { return DressError(message); };
  report.pass_ = this;
  report.SetTerminated(false);
  KvInstallResolver(&report);
  KvBindValues(report);
}

TkvPreparePass::~TkvPreparePass() {
  // A pass that ended early may leave pages with their bands built.
  TkvPages &pages = report_.Pages();
  for (int i = 0; i < pages.Count(); ++i)
    if (pages.Page(i)->Prepared) pages.Page(i)->FreeBands();
  if (!KeepLastPageOpen) report_.EMFPages().CloseFrom(0);
  KvInstallResolver(nullptr);
  TkvEngineState &engine = kvEngine();
  engine.FormatError = saved_format_error_;
  engine.CurPage = saved_page_;
  engine.CurBand = saved_band_;
  engine.CurView = saved_view_;
  engine.DrawMode = saved_draw_mode_;
  engine.Calculating = saved_calculating_;
  engine.CurReport = saved_report_;
  report_.pass_ = outer_;
}

QString TkvPreparePass::DressError(const QString &message) const {
  const TkvEngineState &e = kvEngine();
  QString text = QStringLiteral("Si è verificato un errore durante la fase di preparazione\r") + message;
  if (e.CurView != nullptr && e.CurBand != nullptr && e.CurView->Parent == e.CurBand)
    text += QStringLiteral("\rOggetto: ") + e.CurView->Name;
  if (e.CurBand != nullptr) text += QStringLiteral("\rBanda: ") + BandTypeName(e.CurBand->Typ);
  text += QStringLiteral("\rPagina: ") + QString::number(TemplatePage + 1);
  report_.SetTerminated(true);
  return text;
}

void TkvPreparePass::Run() {
  TkvEngineState &engine = kvEngine();
  TkvPages &pages = report_.Pages();
  TkvEMFPages &finished = report_.EMFPages();
  for (int i = 0; i < pages.Count() && !report_.Terminated() && engine.ErrorText.isEmpty(); ++i) {
    TemplatePage = i;
    TkvPage *page = pages.Page(i);
    if (page->IsSubReportPage) continue;
    if (page->PrintOnPreviousPage && finished.Count() > 0) {
      CarryOver = true;
      CurPageIndex = finished.Count() - 1;
    } else {
      CarryOver = false;
      finished.CloseFrom(0);
    }
    engine.CurPage = page;
    report_.BeginTemplatePage(i);
    try {
      page->BuildBands(*this);
      if (engine.ErrorText.isEmpty()) page->FormPage(*this);
    } catch (const rtl::Exception &e) {
      KvReportError(report_, QStringLiteral("Errore. ") + e.Message());
    }
    page->FreeBands();
    report_.EndTemplatePage(i, !engine.ErrorText.isEmpty());
  }
  if (!KeepLastPageOpen) finished.CloseFrom(0);
  if (!engine.ErrorText.isEmpty()) report_.SetTerminated(true);
}

}  // namespace report
