// Engine-wide state of the report engine.
//
// One report at a time is loaded, prepared, printed or designed, and while it
// is, the pieces of the engine (objects, expressions, datasets, preparation,
// the template reader and the designer) meet here: the current report, page,
// band and object, the template version being read, the draw mode, the
// calculation flag (lay out without drawing) and the first preparation error.
//
// Calls that would go from a lower piece to one built later or above it (the
// expression evaluator, the report's field binding, the designer) go through
// the slots at the bottom (the designer's editors through kvservices.h); the
// piece that owns the behaviour fills its slot when it starts. An empty slot
// means "nobody provides this": callers then do the plain thing (brackets
// stay as they are, no binding, no notification).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/rtl/variant.h"

namespace report {

class TkvReport;  // the report component
class TkvPage;    // a template page (holds its views)
class TkvBand;    // a run-time band of a page being prepared
class TkvView;    // base of all report objects

// Draw modes of the engine: design time (the designer's surface) or printing
// (preparation, preview pages, the printer).
inline constexpr int kvDrawDesign = 0;
inline constexpr int kvDrawPrinting = 1;

// Version of the template stream that is written; streams of 21 to 27 read.
inline constexpr int kvCurrentVersion = 27;

struct TkvEngineState {
  TkvReport *CurReport = nullptr;
  TkvPage *CurPage = nullptr;
  TkvBand *CurBand = nullptr;
  TkvView *CurView = nullptr;  // the object being drawn or evaluated

  int Version = kvCurrentVersion;  // template version being read
  int DrawMode = kvDrawDesign;     // kvDrawDesign or kvDrawPrinting
  bool Calculating = false;        // objects are laid out but nothing drawn

  // The first error met while preparing; later ones are dropped so that the
  // user sees the cause rather than its consequences.
  QString ErrorText;

  // Set while template pages go as a whole (a read, a clear, a report
  // freed): their data bands release no record sources.
  int KeepSources = 0;

  // Lowest bottom reached by stretched memos measured in the current band.
  int LowestBottom = 0;

  // Font scaling for a report printed scaled on a device whose resolution
  // differs from the screen's: 0 means no scaling.
  int PrintPixelsPerInch = 0;

  // The band holding the object being drawn has the stretched option: a
  // stretched memo then takes its text height. When preparation made the
  // band taller (new height above old), an empty stretched memo is drawn at
  // the new/old height ratio.
  bool BandStretched = false;
  int BandOldHeight = 0;
  int BandNewHeight = 0;

  // ---- slots filled by the pieces that provide the behaviour ----

  // Dresses an error message with where preparation stood (object, band,
  // page) before it is kept as ErrorText. Filled by preparation; without it
  // the message is kept as it is.
  std::function<QString(const QString &message)> FormatError;

  // The value text the report gives for the inner text of a bracket
  // ("[Qta]" -> ExpandBracket("Qta")). Filled by the expression evaluator.
  std::function<QString(const QString &inner)> ExpandBracket;

  // Evaluates an expression (highlight conditions). Filled by the evaluator.
  std::function<rtl::Variant(const QString &expression)> Evaluate;

  // Every view of a report, page by page, each page's views in list order.
  // Filled by the report component.
  std::function<std::vector<TkvView *>(const TkvReport *report)> ReportViews;

  // The width and height in pixels of the page that holds the view being
  // drawn (band views span it). Filled by the report component.
  std::function<void(const TkvView *view, int &width, int &height)> PageSize;

  // The report's data-field binding: may replace a memo's display lines or
  // load a picture from a field while printing. Returns true when it did.
  std::function<bool(TkvView *view)> BindField;

  // Called after an object property was changed by the designer's pop-up
  // items, so that the designer can take an undo snapshot.
  std::function<void()> DesignerModified;

  // Redraws one object on the design surface (a pop-up toggle changed how
  // it lays out its text). Filled by the designer.
  std::function<void(TkvView *view)> DesignerRedraw;

  // A data band view that names one of the report's internal datasets is
  // being destroyed: the report frees that dataset (or lets it go when it is
  // shared). Filled by the report component.
  std::function<void(TkvReport *report, const TkvView *band, const QString &dataset_name)> ReleaseInternalDataset;
};

// The engine's one state object.
TkvEngineState &kvEngine();

// Saves the whole engine-wide state and puts it back when it goes; inside,
// no error has been recorded yet (the first error is the scope's own). For
// work that changes the engine for a while outside a preparation pass (a
// test, a measurement, a read at another version).
class TkvEngineStateGuard {
 public:
  TkvEngineStateGuard() : saved_(kvEngine()) { kvEngine().ErrorText.clear(); }
  ~TkvEngineStateGuard() { kvEngine() = saved_; }
  TkvEngineStateGuard(const TkvEngineStateGuard &) = delete;
  TkvEngineStateGuard &operator=(const TkvEngineStateGuard &) = delete;

 private:
  TkvEngineState saved_;
};

// Pages freed inside keep the report's record sources (see KeepSources).
class TkvKeepSources {
 public:
  TkvKeepSources() { ++kvEngine().KeepSources; }
  ~TkvKeepSources() { --kvEngine().KeepSources; }
  TkvKeepSources(const TkvKeepSources &) = delete;
  TkvKeepSources &operator=(const TkvKeepSources &) = delete;
};

// Keeps the first preparation error (through FormatError when set); later
// errors are ignored.
void kvSetError(const QString &text);

}  // namespace report
