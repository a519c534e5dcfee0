// The report component: a report template (pages of objects, record
// sources and variables) that is loaded and saved as a file, prepared into
// finished pages, shown in the preview, printed, exported and opened in the
// designer.
//
// TkvReport is what the name resolution (kvvars.h) sees as the report being
// prepared: it answers for the band being printed, the aggregate stores of
// the data bands and the system values (page, line, column). Preparation
// itself lives with the pages (prepare/): PrepareReport runs one pass over
// them (two with DoublePass, the first only counting pages), under the
// progress window, and keeps what crosses passes (the first pass's page
// count, the interleave order). The preview and the designer are reached
// through the slots of kvslots.h, so a program that links neither still
// loads, prepares and prints.
//
// Files: kvreport.cpp (the component and the name resolution),
// kvreport_file.cpp (templates and finished reports), kvreport_run.cpp
// (preparation, showing, designing), kvreport_print.cpp (printing and
// printer selection), kvcomposite.cpp (TkvCompositeReport).
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/typinfo.h"
#include "report/engine/component/kvexport.h"
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
class TkvPreview;
struct TkvTemplateRead;
struct TkvTemplateWrite;

ORBISCA_ENUM(TkvDsgOption, doSaveConfirm)
using TkvDsgOptions = vcl::TEnumSet<TkvDsgOption>;

using TDataSetWorkEvent =
    std::function<void(const QString &band_name, vcl::TDataSet *dataset, int &record_count, TkvDataSetOperation op)>;
using TOnBeforePrint = std::function<void(bool &Continue)>;
using TOnAfterPrint = std::function<void()>;
using TBeginDocEvent = std::function<void()>;
using TEndDocEvent = std::function<void()>;
using TBeginPageEvent = std::function<void(int pg)>;
using TEndPageEvent = std::function<void(int pg)>;
using TDetailEvent = std::function<void(const QString &name, rtl::Variant &value)>;
using TFunctionEvent = std::function<void(const QString &name, const rtl::Variant &p1, const rtl::Variant &p2,
                                          const rtl::Variant &p3, rtl::Variant &val)>;
using TProgressEvent = std::function<void(int n, bool is_page)>;
using TOnDrawObject = std::function<void(TkvView *view)>;
using TkvBandPrintEvent = std::function<void(TkvView *band_view)>;

// Load, save and the other refusals of the component: the user's Italian
// texts.
using rtl::Exception;
ORBISCA_EXCEPTION(EkvReportError, Exception)

class TkvReport : public vcl::TComponent, public TkvPrepareHost {
  ORBISCA_CLASS(TkvReport, vcl::TComponent)

 public:
  explicit TkvReport(vcl::TComponent *owner = nullptr);
  ~TkvReport() override;

  TkvPages &Pages() override { return pages_; }

  // ---- published properties ----
  bool ShowProgress() const { return show_progress_; }
  void SetShowProgress(bool v) { show_progress_ = v; }
  QString TemplateDir() const { return template_dir_; }
  void SetTemplateDir(const QString &v) { template_dir_ = v; }
  QString Title() const { return title_; }
  void SetTitle(const QString &v) { title_ = v; }
  TkvValues *Values() const override { return values_.get(); }
  void SetValues(TkvValues *values);
  bool DisableDataSetControls() const override { return disable_controls_; }
  void SetDisableDataSetControls(bool v) { disable_controls_ = v; }
  bool ModalPreview() const { return modal_preview_; }
  void SetModalPreview(bool v) { modal_preview_ = v; }
  QString ReportDir() const { return report_dir_; }
  void SetReportDir(const QString &v) { report_dir_ = v; }
  // Writing loads the file (an empty name clears the report).
  QString AutoLoad() const { return auto_load_; }
  void SetAutoLoad(const QString &file_name);
  QString PathFromExe() const { return path_from_exe_; }
  void SetPathFromExe(const QString &v) { path_from_exe_ = v; }
  // The screen's resolution when the report was made; with Scaled, memo
  // fonts drawn on a screen of another resolution keep their size.
  int PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int v) { pixels_per_inch_ = v; }
  bool Scaled() const { return scaled_; }
  void SetScaled(bool v) { scaled_ = v; }
  TkvDsgOptions DesignerOptions() const { return designer_options_; }
  void SetDesignerOptions(TkvDsgOptions v) { designer_options_ = v; }

  // ---- events ----
  TDataSetWorkEvent OnDataSetWork;
  TOnBeforePrint OnBeforePrint;
  TOnAfterPrint OnAfterPrint;
  TBeginDocEvent OnBeginDoc;
  TEndDocEvent OnEndDoc;
  TBeginPageEvent OnBeginPage;
  TEndPageEvent OnEndPage;
  TDetailEvent OnGetValue;
  TFunctionEvent OnUserFunction;
  TProgressEvent OnProgress;
  TOnDrawObject OnDrawObject;
  // A band with objects is about to print (its view may be hidden here).
  TkvBandPrintEvent OnBeforeBandPrint;

  // ---- the template (kvreport_file.cpp, streams of files/kvfile.h) ----
  // One empty page, no variables, values or record sources, default
  // document options, no file name.
  void ClearReport();
  // The whole template stream: pages, their objects, record sources and
  // variables. Loading reads everything first and replaces the report's
  // template only when the stream was complete; a damaged one raises
  // EkvTemplateError and leaves the report as it was.
  void LoadFromStream(rtl::TStream &stream);
  void SaveToStream(rtl::TStream &stream);
  // A ".kvf" file: the extension is added unless the name ends in it (in
  // any case); with ReportDir set only that folder is accepted (a bare
  // name is taken from it); a relative name missing from the current folder
  // is looked for in the program's folder and then in PathFromExe. The
  // current folder is the same afterwards, whatever happens. Refusals raise
  // EkvReportError with the user's text.
  void LoadFromFile(const QString &file_name);
  // Same name rules; written beside the file and renamed over it once
  // complete. A failure raises EkvReportError.
  void SaveToFile(const QString &file_name);
  // The bare name of the template last loaded or saved.
  QString FileName() const { return file_name_; }
  // The whole path of that file ("" when the template came from none).
  QString FilePath() const { return file_path_; }
  // The template no longer belongs to its file (a new report made from a
  // gallery template): it has no name until it is saved.
  void ForgetFile() {
    file_name_.clear();
    file_path_.clear();
  }
  // The file name LoadFromFile and SaveToFile use for `file_name`.
  static QString WithTemplateExtension(const QString &file_name);
  // "Owner.Name", or the report's name alone without owner.
  QString ReportPath() const;
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
  // The finished pages through a stream of the same form.
  void SavePreparedToStream(rtl::TStream &stream);
  void LoadPreparedFromStream(rtl::TStream &stream);
  // The variable list (categories and " name" lines).
  rtl::TStringList &Variables() { return variables_; }
  // The list as the owning form stores it, the property "Data" (written
  // only when the list is not empty): an int32 count, then each line as a
  // length byte and its characters. A damaged stream raises EReadError and
  // leaves the list as it was.
  bool HasVariablesData() const { return variables_.Count() > 0; }
  void ReadVariablesData(rtl::TStream &stream);
  void WriteVariablesData(rtl::TStream &stream) const;
  void GetVariableCategories(rtl::TStrings &out) const;
  void GetCategoryVariables(int category, rtl::TStrings &out) const;
  int FindVariable(const QString &name) const;

  bool PrintToDefault() const { return print_to_default_; }
  void SetPrintToDefault(bool v) { print_to_default_ = v; }
  bool DoublePass() const { return double_pass_; }
  void SetDoublePass(bool v) { double_pass_ = v; }
  bool InterleavePages() const { return interleave_pages_; }
  void SetInterleavePages(bool v) { interleave_pages_ = v; }
  bool RenumberInterleaved() const { return renumber_interleaved_; }
  void SetRenumberInterleaved(bool v) { renumber_interleaved_ = v; }

  // ---- record sources and objects ----
  int DatasetCount() const { return datasets_.Count(); }
  TkvDataset *Dataset(int index) const;
  // Record sources the report owns or knows by name (besides the owner's
  // components). A source without an owner is freed with the report.
  void AddDataset(TkvDataset *source);
  TkvDataset *FindDataset(const QString &name) const override;
  // Drops a source from the list (it is being destroyed).
  void ForgetDataset(TkvDataset *source);
  // A data band naming `name` was deleted: the source of that name goes
  // from the list (freed when the report owns it) unless another data band
  // of the report still names it. Nothing happens while pages go as a whole
  // (TkvKeepSources: a read, a clear, the report's destruction).
  void ReleaseDataset(const TkvView *band, const QString &name);
  // The view of that name on any template page, ignoring case.
  TkvView *FindObject(const QString &name) const;
  // Makes `source` the record source of the data band `band_name`: the
  // band's previous source leaves the list (freed when it has no owner),
  // unless it is `source` itself.
  void LinkDataSetToBand(const QString &band_name, TkvDataset *source);
  // The page takes its paper through the printer settings (size in
  // pixels, printable borders).
  static void TakePaper(TkvPage &page);

  // ---- preparation, showing, designing (kvreport_run.cpp) ----
  // Prepares the finished pages: one pass, or with DoublePass a counting
  // pass and the final pass, under the progress window unless OnProgress
  // is assigned or ShowProgress is off. False when cancelled or failed
  // (the error text is then in ErrorText()). The document options are the
  // same afterwards, however it ends.
  bool PrepareReport();
  const QString &ErrorText() const;
  // Prepares and shows the preview; an error is shown instead of it.
  void ShowReport();
  // Shows the finished pages in the preview (modal, or non-modal on a copy
  // with ModalPreview off). Nothing happens without a preview.
  void ShowPreparedReport();
  // Opens the designer modally on the report (nothing without one).
  void DesignReport();
  // One preparation pass: the finished pages of every template page.
  virtual void DoBuildReport();

  // ---- printing and export (kvreport_print.cpp) ----
  // Prints finished pages `first` to `last` (from 1; `last` beyond the end
  // means the last page), each `copies` times, page after page or, with
  // `collate`, the whole range after the whole range. Every page goes into
  // one job, paper changes included. Nothing prints (and no job opens) for
  // an empty range or no copies.
  void PrintPreparedReport(int first, int last, int copies, bool collate);
  // The platform printer of that index becomes the settings' printer and
  // the template pages take their paper again. A printer that cannot be
  // used is reported ("La stampante selezionata non è valida"), `old_index`
  // is selected again and the result is false.
  bool SelectPrinter(int old_index, int new_index);
  // Exports the finished pages (prepared first when there are none) through
  // a filter; false when cancelled. The description titles the progress
  // window; a registered filter is found by it.
  bool ExportTo(const TkvExportFilterClass &filter_class, const QString &file_name,
                const QString &description = QString());
  bool ExportTo(const QString &filter_description, const QString &file_name);
  // The export filter in use while exporting (nullptr otherwise).
  TkvExportFilter *ExportFilter() const { return export_filter_; }
  void SetExportFilter(TkvExportFilter *filter) { export_filter_ = filter; }

  // Set by the progress window's cancel and by the first error; the data
  // loops test it before every row.
  bool Terminated() const override;
  void SetTerminated(bool v) override;
  // The pass that draws (the second of a double pass, or the only one).
  bool FinalPass() const { return final_pass_; }
  // The finished pages were made here, not loaded from a file.
  bool Built() const { return built_; }
  // The print range of the last print.
  int PrintFirst() const { return print_first_; }
  int PrintLast() const { return print_last_; }
  int PrintCopies() const { return print_copies_; }
  bool PrintCollate() const { return print_collate_; }

  // Called before every row and after every page: processes pending
  // messages (so that a cancel button can be pressed). Empty: the pending
  // events of the application.
  std::function<void()> ProcessMessages;

  TkvEMFPages &EMFPages() override;

  // ---- TkvPrepareHost ----
  TkvReport *ReportKey() override { return this; }
  // The template page being prepared (0 between passes).
  int TemplatePageIndex() const { return Pass() != nullptr ? Pass()->TemplatePage : 0; }
  void Progress(int pages) override;
  void DataSetWork(TkvBand *band, TkvDataSetOperation op) override;
  void PumpMessages() override;
  void BeforePrint(TkvView *view) override {
    if (OnBeforeBandPrint) OnBeforeBandPrint(view);
  }
  void DrawingObject(TkvView *view) override {
    if (OnDrawObject) OnDrawObject(view);
  }
  void BeginTemplatePage(int index) override;
  void EndTemplatePage(int index, bool failed) override;

  // ---- TkvReportContext ----
  vcl::TComponent *ReportOwner() const override;
  vcl::TDataSet *BandDataSet() const override;
  bool GetValueEvent(const QString &name, rtl::Variant &value) override;
  void UserFunction(const QString &name, const rtl::Variant &p1, const rtl::Variant &p2, const rtl::Variant &p3,
                    rtl::Variant &result) override;
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
  int TotalPages() const override;

 protected:
  // One pass over this report's template pages into the finished pages of
  // `target` (this report, or the composite being prepared), continuing
  // from `carry` when given; leaves the last page open when `keep_open`.
  // Returns where it ended, for a report that continues on its last page.
  struct Carry {
    bool FooterPrinted = false;
    int KeptCurY = 0;
    int KeptCurBottomY = 0;
  };
  Carry BuildInto(TkvReport *target, const Carry *carry, bool keep_open);
  // The report whose finished pages, cancel flag and progress a pass uses.
  TkvReport *Target() { return target_ != nullptr ? target_ : this; }
  const TkvReport *Target() const { return target_ != nullptr ? target_ : this; }
  void SetBuilt(bool v) { built_ = v; }

 private:
  friend class TkvCompositeReport;
  void TakeTemplate(TkvTemplateRead &read);
  void DropDatasets();
  TkvTemplateWrite TemplateToWrite() const;
  QString ResolveTemplateName(const QString &file_name, bool saving) const;
  void CheckAutoReload();
  void RunPasses(bool counting_pass_first);
  bool RunWithProgress(const QString &prefix, const std::function<void()> &work);
  void ProgressLabel(int n);
  void ComputeInterleave();
  void ApplyInterleave();
  void PrintPages(int first, int last, int copies, bool collate);

  TkvPages pages_;
  TkvEMFPages emf_pages_;
  std::unique_ptr<TkvValues> values_;
  rtl::TStringList datasets_;  // name -> TkvDataset
  rtl::TStringList variables_;
  QString file_name_;
  QString file_path_;

  bool show_progress_ = true;
  QString template_dir_;
  QString title_;
  bool modal_preview_ = true;
  QString report_dir_;
  QString auto_load_;
  QString auto_load_path_;
  QDateTime auto_load_time_;
  QString path_from_exe_;
  int pixels_per_inch_ = 96;
  bool scaled_ = true;
  TkvDsgOptions designer_options_{doSaveConfirm};

  bool print_to_default_ = true;
  bool double_pass_ = false;
  bool interleave_pages_ = false;
  bool renumber_interleaved_ = false;
  bool disable_controls_ = true;

  bool terminated_ = false;
  bool final_pass_ = true;
  bool built_ = false;
  bool counting_pass_ = false;   // the first pass of a double pass is running
  bool preparing_ = false;       // PrepareReport is running
  int first_pass_pages_ = 0;     // finished pages of the counting pass
  rtl::TDateTime run_date_ = 0;  // DATE and TIME of the preparation, the
  rtl::TDateTime run_time_ = 0;  // same in both passes
  QString progress_prefix_;
  TkvReport *target_ = nullptr;
  TkvExportFilter *export_filter_ = nullptr;

  // Interleaving: each template page's first finished page and count, and
  // the printed order (indices of finished pages).
  std::vector<std::pair<int, int>> page_spans_;
  std::vector<int> interleave_order_;
  int span_start_ = 0;

  int print_first_ = 0;
  int print_last_ = 0;
  int print_copies_ = 1;
  bool print_collate_ = false;
};

// Fills the engine's slots that list a report's objects and give the size
// of the page an object lies on (object names are unique in a report;
// bands span their page), unless something else filled them.
void KvInstallViewSlots();

// Several reports prepared into one document, one after the other. A
// report whose first template page prints on the previous page continues
// on the last finished page of the report before it. The reports stay
// their owners'; a report freed meanwhile leaves the list.
class TkvCompositeReport : public TkvReport {
  ORBISCA_CLASS(TkvCompositeReport, TkvReport)

 public:
  explicit TkvCompositeReport(vcl::TComponent *owner = nullptr);
  ~TkvCompositeReport() override;

  const std::vector<TkvReport *> &Reports() const { return reports_; }
  void AddReport(TkvReport *report);
  void RemoveReport(TkvReport *report);
  void ClearReports();

  void DoBuildReport() override;
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 private:
  std::vector<TkvReport *> reports_;
};

}  // namespace report
