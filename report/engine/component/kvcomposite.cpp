// Several reports prepared into one document (see kvreport.h).
#include <algorithm>

#include "report/engine/component/kvreport.h"

namespace report {

TkvCompositeReport::TkvCompositeReport(vcl::TComponent *owner) : TkvReport(owner) {}

TkvCompositeReport::~TkvCompositeReport() { ClearReports(); }

void TkvCompositeReport::AddReport(TkvReport *report) {
  if (report == nullptr || report == this || std::find(reports_.begin(), reports_.end(), report) != reports_.end())
    return;
  reports_.push_back(report);
  report->FreeNotification(this);
}

void TkvCompositeReport::RemoveReport(TkvReport *report) {
  const auto at = std::find(reports_.begin(), reports_.end(), report);
  if (at == reports_.end()) return;
  reports_.erase(at);
  report->RemoveFreeNotification(this);
}

void TkvCompositeReport::ClearReports() {
  while (!reports_.empty()) RemoveReport(reports_.back());
}

void TkvCompositeReport::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TkvReport::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  // A report freed meanwhile is no longer prepared.
  reports_.erase(std::remove(reports_.begin(), reports_.end(), component), reports_.end());
}

void TkvCompositeReport::DoBuildReport() {
  SetBuilt(true);
  if (OnBeginDoc) OnBeginDoc();
  Carry carry;
  bool continuing = false;
  // A copy: a report's events may change the list.
  const std::vector<TkvReport *> reports = reports_;
  for (size_t i = 0; i < reports.size() && !Terminated(); ++i) {
    TkvReport *report = reports[i];
    if (std::find(reports_.begin(), reports_.end(), report) == reports_.end()) continue;
    // The next report's first page continues on this one's last page.
    const TkvReport *next = i + 1 < reports.size() ? reports[i + 1] : nullptr;
    const bool next_continues =
        next != nullptr && next->pages_.Count() > 0 && next->pages_.Page(0)->PrintOnPreviousPage != 0;
    report->SetExportFilter(ExportFilter());
    carry = report->BuildInto(this, continuing ? &carry : nullptr, next_continues);
    report->SetExportFilter(nullptr);
    continuing = next_continues;
  }
  EMFPages().CloseFrom(0);
  if (OnEndDoc) OnEndDoc();
}

}  // namespace report
