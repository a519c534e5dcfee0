// Datasets and fields for the designer's pickers (see kvdsgdata.h).
#include "report/designer/kvdsgdata.h"

#include <algorithm>

#include "platform/rtl/ignorefailure.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvreport.h"

namespace report {

namespace {

void AddDataSetsOf(vcl::TComponent *holder, const vcl::TComponent *report_owner, TkvDataSetNaming naming,
                   std::vector<TkvDataSetEntry> &out) {
  if (holder == nullptr) return;
  for (int i = 0; i < holder->ComponentCount(); ++i) {
    auto *dataset = dynamic_cast<vcl::TDataSet *>(holder->Components(i));
    if (dataset == nullptr || dataset->Name().isEmpty()) continue;
    const bool seen =
        std::any_of(out.begin(), out.end(), [&](const TkvDataSetEntry &e) { return e.DataSet == dataset; });
    if (seen) continue;
    const bool bare = naming == TkvDataSetNaming::BareForReportOwner && holder == report_owner;
    out.push_back({bare ? dataset->Name() : holder->Name() + u'.' + dataset->Name(), dataset});
  }
}

}  // namespace

std::vector<TkvDataSetEntry> KvListDataSets(const TkvReport *report, TkvDataSetNaming naming) {
  std::vector<TkvDataSetEntry> entries;
  vcl::TComponent *owner = report != nullptr ? report->Owner() : nullptr;
  AddDataSetsOf(owner, owner, naming, entries);
  if (vcl::Screen != nullptr) {
    for (int i = 0; i < vcl::Screen->FormCount(); ++i) AddDataSetsOf(vcl::Screen->Forms(i), owner, naming, entries);
    for (int i = 0; i < vcl::Screen->DataModuleCount(); ++i)
      AddDataSetsOf(vcl::Screen->DataModules(i), owner, naming, entries);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const TkvDataSetEntry &a, const TkvDataSetEntry &b) {
    return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
  });
  return entries;
}

QStringList KvDataSetNames(const std::vector<TkvDataSetEntry> &entries) {
  QStringList names;
  for (const TkvDataSetEntry &entry : entries) names << entry.Name;
  return names;
}

vcl::TDataSet *KvDataSetOf(const std::vector<TkvDataSetEntry> &entries, const QString &name) {
  for (const TkvDataSetEntry &entry : entries)
    if (entry.Name == name) return entry.DataSet;
  return nullptr;
}

QString KvOtherSource() { return QStringLiteral("Altro"); }

QStringList KvFieldNames(vcl::TDataSet *dataset) {
  if (dataset == nullptr) return {};
  const bool was_active = dataset->Active();
  if (!was_active)
    rtl::IgnoreFailure("a dataset that cannot open lists what it knows closed", [&] { dataset->Open(); });
  QStringList names = dataset->GetFieldNames();
  if (names.isEmpty() && dataset->FieldDefs().Count() == 0) {
    rtl::IgnoreFailure("field definitions that cannot be read leave the list empty", [&] {
      dataset->FieldDefs().Update();
      names = dataset->GetFieldNames();
    });
  }
  if (!was_active && dataset->Active())
    rtl::IgnoreFailure("the listing is over; the dataset only goes back to closed", [&] { dataset->Close(); });
  return names;
}

QString KvFieldReference(const QString &dataset, const QString &field) {
  return dataset + QStringLiteral(".\"") + field + u'"';
}

}  // namespace report
