// Export filters: the base every filter derives from, the engine-wide list
// of the filters the save dialogs offer, and the walk that feeds a filter
// the texts of a report's finished pages.
//
// The walk plays each finished page's records (without drawing) to know the
// font and colour in force at every text, sorts the page's texts top to
// bottom and left to right, and hands them to the filter one by one between
// OnBeginPage and OnEndPage. A filter only turns those calls into bytes on
// its stream; it opens its document in its constructor or options step,
// since the walk never calls OnBeginDoc.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

namespace report {

class TkvReport;
class TkvEMFPages;

class TkvExportFilter : public rtl::TObject {
 public:
  // The stream stays the caller's.
  explicit TkvExportFilter(rtl::TStream *stream) : Stream(stream) {}
  ~TkvExportFilter() override = default;

  // Asks the user for the filter's options; false cancels the export.
  virtual bool ShowOptions() { return true; }
  virtual void OnBeginDoc() {}
  virtual void OnEndDoc() {}
  virtual void OnBeginPage(int width, int height) { (void)width, (void)height; }
  virtual void OnEndPage() {}
  virtual void OnText(int x, int y, const QString &text, vcl::TFont *font) { (void)x, (void)y, (void)text, (void)font; }

  rtl::TStream *Stream;
  TkvReport *Report = nullptr;
  QString FileName;
};

// Makes a filter on an output stream.
using TkvExportFilterClass = std::function<std::unique_ptr<TkvExportFilter>(rtl::TStream *stream)>;

struct TkvExportFilterInfo {
  TkvExportFilterClass FilterClass;
  QString FilterDesc;  // shown in the save dialogs
  QString FilterExt;   // file mask, "*.txt"
};

inline constexpr int kvMaxExportFilters = 32;

// Adds a filter to the list; a description already listed replaces nothing
// and the list keeps at most 32 entries. False when the filter was not added.
bool KvRegisterExportFilter(const TkvExportFilterClass &filter_class, const QString &description, const QString &mask);
const std::vector<TkvExportFilterInfo> &KvExportFilters();
const TkvExportFilterInfo *KvFindExportFilter(const QString &description);

// Feeds the texts of every finished page to `filter`, calling `progress`
// with the number of pages done after each page (and pumping messages
// there, so that a cancel button can set KvExportCancelled()). Ends with
// OnEndDoc, also when cancelled.
void KvExportPages(const TkvEMFPages &pages, TkvExportFilter &filter,
                   const std::function<void(int pages_done)> &progress = {});

// Exports the report's finished pages to `file_name` through a filter made
// by `filter_class` (`description` titles the progress window): the
// options step runs first, the report is prepared
// when it has no finished pages, and the walk runs under the export
// progress window (or directly when `with_progress_window` is false). The
// file is written beside the target and takes its name only once the walk
// has finished, so a cancelled or failed export leaves any earlier file as
// it was. False when cancelled; errors propagate after the partial file is
// removed.
bool KvExportTo(TkvReport *report, const TkvExportFilterClass &filter_class, const QString &file_name,
                const QString &description = QString(), bool with_progress_window = true);

}  // namespace report
