// A report as the name resolution sees it, for the tests of expressions,
// record sources and names: an owner for datasets, variables, a band type
// and object placement chosen by the test, and the aggregate stores of the
// master and table data bands.
#pragma once

#include <QStringList>

#include "platform/vcl/component.h"
#include "report/engine/expr/kvaggr.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/vars/kvvars.h"

namespace kvtest {

using report::TkvAggregates;
using report::TkvValues;
using rtl::Variant;

class FakeReport : public report::TkvReportContext {
 public:
  vcl::TComponent owner{nullptr};
  TkvValues values;
  vcl::TDataSet *band_dataset = nullptr;
  int band_type = 5;
  int column = 1;
  bool in_table_band = false;
  bool table_total = false;
  bool in_totals_band = false;
  std::int32_t format = 0;
  QString format_text;
  QString object = QStringLiteral("Memo1");
  TkvAggregates master, table, collecting;
  QStringList user_calls;

  vcl::TComponent *ReportOwner() const override { return const_cast<vcl::TComponent *>(&owner); }
  TkvValues *Values() const override { return const_cast<TkvValues *>(&values); }
  vcl::TDataSet *BandDataSet() const override { return band_dataset; }
  int CurrentBandType() const override { return band_type; }
  bool ObjectInTableDataBand() const override { return in_table_band; }
  bool ObjectInTotalsBand() const override { return in_totals_band; }
  int ColumnNumber() const override { return column; }
  int PageNumber() const override { return 3; }
  int LineNumber() const override { return 7; }
  int TotalPages() const override { return 9; }
  QString ObjectName() const override { return object; }
  std::int32_t ObjectFormat() const override { return format; }
  QString ObjectFormatStr() const override { return format_text; }
  bool IsTableAggregateObject() const override { return table_total; }
  void MarkTableAggregateObject() override { table_total = true; }
  TkvAggregates *DataBandAggregates(int type) const override {
    if (type == 5) return const_cast<TkvAggregates *>(&master);
    if (type == 19) return const_cast<TkvAggregates *>(&table);
    return nullptr;
  }
  TkvAggregates *CollectingAggregates() const override { return const_cast<TkvAggregates *>(&collecting); }
  bool GetValueEvent(const QString &name, Variant &value) override {
    if (name != u"Dinamica") return false;
    value = Variant(QStringLiteral("dal programma"));
    return true;
  }
  void UserFunction(const QString &name, const Variant &p1, const Variant &, const Variant &,
                    Variant &result) override {
    user_calls << name;
    if (name.compare(QLatin1String("DOPPIO"), Qt::CaseInsensitive) == 0) result = Variant(p1.AsDouble() * 2);
  }
};

}  // namespace kvtest
