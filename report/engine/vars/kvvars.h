// Name resolution, the built-in functions and the formatting of values by
// a memo's format word. The variables themselves are in kvvalues.h.
//
// The expression evaluator (kvexpr.h) hands every name and call it meets to
// KvResolveName, which tries in order: the report's variables (TkvValues),
// PI, dataset fields ("Giacenza.Qta", Form.DataSet."Field name", or a field
// of the band's dataset), the system variables (PAGE#, DATE, LINE#...), the
// built-in functions (SUM, IF, COPY, NUMBERTOLETTER...), the registered
// function handlers and the report's user-function event. A memo bracket's
// value is then turned into text by KvFormatValue.
//
// The report being prepared is seen through TkvReportContext: the report
// component implements it and installs itself with KvInstallResolver when a
// pass starts. Everything that fails here becomes the engine's first
// preparation error (kvSetError); after one, nothing resolves any more so
// the pass ends quickly.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "platform/rtl/classes.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/object.h"
#include "platform/rtl/variant.h"
#include "report/engine/model/kvformat.h"
#include "report/engine/vars/kvvalues.h"

namespace rtl {
class TStream;
}
namespace vcl {
class TComponent;
class TDataSet;
class TField;
}  // namespace vcl

namespace report {

class TkvAggregates;
class TkvView;

// ---- the report as the resolver sees it -------------------------------------------

class TkvReportContext {
 public:
  virtual ~TkvReportContext() = default;

  // Where names of datasets are looked up, and the report's variables.
  virtual vcl::TComponent *ReportOwner() const = 0;
  virtual TkvValues *Values() const = 0;
  // The dataset of the data band that the band being printed belongs to
  // (nullptr when that band has no TkvDBDataSet).
  virtual vcl::TDataSet *BandDataSet() const = 0;

  // The report's events: OnGetValue (true when it gave a value) and
  // OnUserFunction.
  virtual bool GetValueEvent(const QString & /*name*/, rtl::Variant & /*value*/) { return false; }
  virtual void UserFunction(const QString & /*name*/, const rtl::Variant & /*p1*/, const rtl::Variant & /*p2*/,
                            const rtl::Variant & /*p3*/, rtl::Variant & /*result*/) {}

  // The band being printed or scanned: its type (-1 none) and group level.
  virtual int CurrentBandType() const { return -1; }
  virtual int CurrentBandLevel() const { return 0; }
  // Where the current object lies: within the horizontal extent of the
  // table data band (19) or table footer (20); vertically within a summary,
  // page footer, master footer or column footer band.
  virtual bool ObjectInTableDataBand() const { return false; }
  virtual bool ObjectInTableFooterBand() const { return false; }
  virtual bool ObjectInTotalsBand() const { return false; }
  // The aggregate store of the page's data band of a type (5, 8, 11, 19),
  // and, during the pre-scan, of the data band collecting them.
  virtual TkvAggregates *DataBandAggregates(int /*band_type*/) const { return nullptr; }
  virtual TkvAggregates *CollectingAggregates() const { return nullptr; }

  // System values.
  virtual int PageNumber() const { return 1; }  // PAGE#, interleaving applied
  virtual int LineNumber() const { return 0; }
  virtual int LineThrough() const { return 0; }
  virtual int ColumnNumber() const { return 1; }
  virtual int CurrentLine() const { return 1; }
  virtual int TotalPages() const { return 0; }

  // The current object; the defaults read the engine's current view.
  virtual QString ObjectName() const;
  virtual std::int32_t ObjectFormat() const;
  virtual QString ObjectFormatStr() const;
  virtual bool IsTableAggregateObject() const;
  virtual void MarkTableAggregateObject();
  virtual void MarkMultiLine();
};

// Preparation-wide values kept by the resolver.
struct TkvResolveState {
  rtl::Variant CurrentValue;            // VALUE: the last bracket's value
  vcl::TField *CurrentField = nullptr;  // the field the last resolution read
  rtl::TDateTime Date = 0;              // DATE and TIME of the pass
  rtl::TDateTime Time = 0;
  bool HasBlobFields = false;
};
TkvResolveState &KvResolveState();

// Makes `context` the report names resolve against (nullptr: none): the
// evaluator's resolver and the engine's bracket and evaluation slots.
// DATE and TIME are fixed at that moment.
void KvInstallResolver(TkvReportContext *context);

// Binds the variables of kind dataset field; the first failure becomes the
// preparation error. Sets KvResolveState().HasBlobFields.
void KvBindValues(TkvReportContext &context);

rtl::Variant KvResolveName(TkvReportContext &context, const QString &name, const QStringList *params);
// The text of one memo bracket for the current object.
QString KvGetValue(TkvReportContext &context, const QString &text);
// The field a picture object loads from: its first line "[name]" names a
// binding or a field of a blob type; nullptr otherwise.
vcl::TField *KvPictureField(TkvReportContext &context, const QString &first_line);
// The memo field a memo object prints as it stands: its one line is
// "[name]" for a binding or a field of the memo type; nullptr otherwise.
vcl::TField *KvMemoField(TkvReportContext &context, const rtl::TStringList &memo);
// The engine's BindField slot (filled when this unit starts): while a report
// is installed, a picture loads the blob field its first line names and a
// memo takes the lines of the memo field it names. True when it did.
bool KvBindField(TkvView *view);

// Extra functions asked, in registration order, for names nothing else
// knows; true when the handler gave `result`.
using TkvFunctionHandler = std::function<bool(const QString &name, const rtl::Variant &p1, const rtl::Variant &p2,
                                              const rtl::Variant &p3, rtl::Variant &result)>;
int KvAddFunctionHandler(TkvFunctionHandler handler);  // returns an id
void KvRemoveFunctionHandler(int id);

// ---- values as text ----------------------------------------------------------------

// A value as text by a memo's format word (model/kvformat.h).
QString KvFormatValue(const rtl::Variant &value, std::int32_t format, const QString &format_text);

// An amount in Italian words: 1234,5 -> "milleduecentotrentaquattro virgola
// cinque".
QString KvNumberToWords(double amount);

}  // namespace report
