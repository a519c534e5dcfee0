// One preparation pass over the template pages of a report, which it sees
// as a TkvPrepareHost (kvprephost.h).
//
// TkvPreparePass holds the state of one pass: where it stands (template
// page, finished page, data level), what crosses from one
// template page to the next, and the data band collecting aggregate keys.
// It takes the engine over for the pass (the report current, printing
// mode, the error dressing and the name resolver) and gives everything back
// when it goes, however the pass ends: a page whose bands are built is
// freed (its record sources let go), open finished pages are closed and
// the engine's current report, page, band, object and modes are the ones
// from before.
#pragma once

#include <QString>
#include <functional>

#include "report/engine/model/kvglobals.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/prepare/kvprephost.h"

namespace report {

class TkvPreparePass {
 public:
  explicit TkvPreparePass(TkvPrepareHost &report);
  ~TkvPreparePass();
  TkvPreparePass(const TkvPreparePass &) = delete;
  TkvPreparePass &operator=(const TkvPreparePass &) = delete;

  // Forms the finished pages of every template page (sub-report pages only
  // inside their hosts) after the finished pages already there. The first
  // error or a cancel stops it; a failure of the platform's exception class
  // while a page is formed is recorded as the preparation error.
  void Run();

  // The last finished page stays open when the pass ends (the next
  // report of a composite continues on it).
  bool KeepLastPageOpen = false;

  TkvPrepareHost &Report() const { return report_; }

  // Where the pass stands.
  int TemplatePage = 0;  // index of the template page being prepared
  int CurPageIndex = 0;  // the finished page being formed
  int DataLevel = 0;     // 1 master, 2 detail, 3 subdetail loop; 0 outside one

  // State that crosses template pages.
  bool CarryOver = false;      // the page being formed continues the last finished page
  bool FooterPrinted = false;  // the previous template page printed its page footers
  int KeptCurY = 0;            // where the previous template page ended
  int KeptCurBottomY = 0;

  // The data band collecting aggregate keys during a page's pre-scan.
  TkvAggregates *Collecting = nullptr;

 private:
  QString DressError(const QString &message) const;

  TkvPrepareHost &report_;
  TkvPreparePass *outer_;  // a pass already running on the report (restored after)

  // The engine-wide values the pass changes, put back when it goes.
  TkvReport *saved_report_;
  TkvPage *saved_page_;
  TkvBand *saved_band_;
  TkvView *saved_view_;
  int saved_draw_mode_;
  bool saved_calculating_;
  std::function<QString(const QString &)> saved_format_error_;
};

// Records the first preparation error with where preparation stood (the
// pass's dressing) and stops the pass.
void KvReportError(TkvPrepareHost &host, const QString &message);

}  // namespace report
