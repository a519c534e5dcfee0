// What a preparation pass asks of the report it prepares.
//
// Preparation sits below the report component: it sees the report through
// TkvPrepareHost, which the component (TkvReport) implements. It reaches
// the template pages, the finished pages, the record sources the report
// knows by name, the cancel flag and the report's events; the name
// resolution sees the same report through TkvReportContext.
#pragma once

#include <QString>

#include "report/engine/prepare/kvband.h"
#include "report/engine/prepare/kvemfpages.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/vars/kvvars.h"

namespace report {

class TkvDataset;
class TkvView;
class TkvPreparePass;

class TkvPrepareHost : public TkvReportContext {
 public:
  // The report component itself: the key the engine and the objects know
  // the report by.
  virtual TkvReport *ReportKey() = 0;
  virtual TkvPages &Pages() = 0;
  virtual TkvEMFPages &EMFPages() = 0;
  // A record source the report owns or knows by name.
  virtual TkvDataset *FindDataset(const QString &name) const = 0;
  virtual bool DisableDataSetControls() const = 0;

  // Set by a cancel and by the first error; the loops test it.
  virtual bool Terminated() const = 0;
  virtual void SetTerminated(bool v) = 0;

  // The report's events: a finished page is complete, a data band moved
  // its source, messages may be processed (before every row), a band or
  // an object is about to print.
  virtual void Progress(int pages) = 0;
  virtual void DataSetWork(TkvBand *band, TkvDataSetOperation op) = 0;
  virtual void PumpMessages() = 0;
  virtual void BeforePrint(TkvView *view) = 0;
  virtual void DrawingObject(TkvView *view) = 0;
  // A template page is about to be formed, and was formed (`failed` when
  // an error stopped it).
  virtual void BeginTemplatePage(int /*index*/) {}
  virtual void EndTemplatePage(int /*index*/, bool /*failed*/) {}

  // The pass running on this report, nullptr between passes.
  TkvPreparePass *Pass() const { return pass_; }

 private:
  friend class TkvPreparePass;
  TkvPreparePass *pass_ = nullptr;
};

}  // namespace report
