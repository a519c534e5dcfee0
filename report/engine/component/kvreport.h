// The report: its template pages, record sources and variables, and the
// preparation pass that turns the pages into finished pages.
//
// TkvReport is what the name resolution (kvvars.h) sees as the report being
// prepared: it answers for the band being printed, the aggregate stores of
// the data bands and the system values (page, line, column). Preparation
// itself lives with the pages (kvpages.h); the report runs a pass over them,
// keeps the state that crosses template pages (the finished-page counter,
// the carry-over of a page printed on the previous one) and collects the
// first error. Loading, showing and printing come on top of this.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/prepare/kvpass.h"
#include "report/engine/vars/kvvars.h"

namespace rtl {
class TStream;
}
namespace vcl {
class TDataSet;
class TBitmap;
}  // namespace vcl

namespace report {

class TkvDataset;
struct TkvTemplateRead;
struct TkvTemplateWrite;

using TDataSetWorkEvent =
    std::function<void(const QString &band_name, vcl::TDataSet *dataset, int &record_count, TkvDataSetOperation op)>;
using TkvBeforePrintEvent = std::function<void(TkvView *view)>;
using TkvProgressEvent = std::function<void(int n, bool is_page)>;

class TkvReport : public vcl::TComponent, public TkvPrepareHost {
  ORBISCA_CLASS(TkvReport, vcl::TComponent)

 public:
  explicit TkvReport(vcl::TComponent *owner = nullptr);
  ~TkvReport() override;

  TkvPages &Pages() override { return pages_; }

  // ---- the template (kvreport_file.cpp, streams of files/kvfile.h) ----
  // The whole template stream: pages, their objects, record sources and
  // variables. Loading reads everything first and replaces the report's
  // template only when the stream was complete; a damaged one raises
  // EkvTemplateError and leaves the report as it was.
  void LoadFromStream(rtl::TStream &stream);
  void SaveToStream(rtl::TStream &stream);
  void LoadFromFile(const QString &file_name);
  // Written beside the file and renamed over it once complete.
  void SaveToFile(const QString &file_name);
  // Gallery templates (".kvt"): description lines, an optional picture and
  // the template's pages body. With `header_only` the report is left alone
  // and only the description and the picture are read.
  void SaveTemplate(const QString &file_name, const rtl::TStrings &description, const vcl::TBitmap *picture);
  void LoadTemplate(const QString &file_name, rtl::TStrings &description, bool header_only, vcl::TBitmap *picture);
  // Finished reports (".kvp"): the finished pages with their paper, so
  // that a report can be shown and printed again without its data. Loading
  // replaces the finished pages only once the whole file was read.
  void SavePreparedReport(const QString &file_name);
  void LoadPreparedReport(const QString &file_name);
  // The variable list (categories and " name" lines).
  rtl::TStringList &Variables() { return variables_; }
  bool PrintToDefault() const { return print_to_default_; }
  void SetPrintToDefault(bool v) { print_to_default_ = v; }
  bool DoublePass() const { return double_pass_; }
  void SetDoublePass(bool v) { double_pass_ = v; }
  bool InterleavePages() const { return interleave_pages_; }
  void SetInterleavePages(bool v) { interleave_pages_ = v; }
  bool RenumberInterleaved() const { return renumber_interleaved_; }
  void SetRenumberInterleaved(bool v) { renumber_interleaved_ = v; }
  int DatasetCount() const { return datasets_.Count(); }
  TkvDataset *Dataset(int index) const;
  TkvEMFPages &EMFPages() override { return emf_pages_; }

  bool DisableDataSetControls() const override { return disable_controls_; }
  void SetDisableDataSetControls(bool v) { disable_controls_ = v; }

  // Record sources the report owns or knows by name (besides the owner's
  // components). A source without an owner is freed with the report.
  void AddDataset(TkvDataset *source);
  TkvDataset *FindDataset(const QString &name) const override;
  // Drops a source from the list (it is being destroyed).
  void ForgetDataset(TkvDataset *source);

  // One preparation pass over every template page. False when it was
  // cancelled or failed (the error text is then in ErrorText()).
  bool PrepareReport();
  const QString &ErrorText() const;

  // Set by the progress window's cancel and by the first error; the data
  // loops test it before every row.
  bool Terminated() const override { return terminated_; }
  void SetTerminated(bool v) override { terminated_ = v; }

  // Called before every row: processes pending messages (so that a cancel
  // button can be pressed). Empty: the pending events of the application.
  std::function<void()> ProcessMessages;

  TDataSetWorkEvent OnDataSetWork;
  TkvBeforePrintEvent OnBeforePrint;
  TkvProgressEvent OnProgress;
  std::function<void(TkvView *view)> OnDrawObject;
  std::function<void(const QString &name, rtl::Variant &value)> OnGetValue;

  // ---- TkvPrepareHost ----
  TkvReport *ReportKey() override { return this; }
  // The template page being prepared (0 between passes).
  int TemplatePageIndex() const { return Pass() != nullptr ? Pass()->TemplatePage : 0; }
  void Progress(int pages) override;
  void DataSetWork(TkvBand *band, TkvDataSetOperation op) override;
  void PumpMessages() override;
  void BeforePrint(TkvView *view) override {
    if (OnBeforePrint) OnBeforePrint(view);
  }
  void DrawingObject(TkvView *view) override {
    if (OnDrawObject) OnDrawObject(view);
  }

  // ---- TkvReportContext ----
  vcl::TComponent *ReportOwner() const override;
  TkvValues *Values() const override { return values_.get(); }
  vcl::TDataSet *BandDataSet() const override;
  bool GetValueEvent(const QString &name, rtl::Variant &value) override;
  int CurrentBandType() const override;
  int CurrentBandLevel() const override;
  bool ObjectInTableDataBand() const override;
  bool ObjectInTableFooterBand() const override;
  bool ObjectInTotalsBand() const override;
  TkvAggregates *DataBandAggregates(int band_type) const override;
  TkvAggregates *CollectingAggregates() const override { return Pass() != nullptr ? Pass()->Collecting : nullptr; }
  int PageNumber() const override;
  int LineNumber() const override;
  int LineThrough() const override;
  int ColumnNumber() const override;
  int CurrentLine() const override;
  int TotalPages() const override { return total_pages_; }

 private:
  void TakeTemplate(TkvTemplateRead &read);
  TkvTemplateWrite TemplateToWrite() const;

  TkvPages pages_;
  TkvEMFPages emf_pages_;
  std::unique_ptr<TkvValues> values_;
  rtl::TStringList datasets_;  // name -> TkvDataset
  rtl::TStringList variables_;
  bool print_to_default_ = false;
  bool double_pass_ = false;
  bool interleave_pages_ = false;
  bool renumber_interleaved_ = false;
  bool disable_controls_ = true;
  bool terminated_ = false;
  int total_pages_ = 0;
};

}  // namespace report
