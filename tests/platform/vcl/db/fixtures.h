// Shared pieces of the dataset tests: a filled in-memory table, a link that
// records what it is told, and an event log.
#pragma once

#include <QStringList>
#include <memory>

#include "platform/vcl/db/db.h"
#include "tests/platform/vcl/db/memdataset.h"

namespace testdb {

// Columns ID (integer), Name (string 20), Qty (integer), Price (float);
// row i (1-based) holds i, "Item i", i * 10, i * 1.5.
inline void FillItems(TMemDataSet &ds, int rows) {
  ds.AddColumn(QStringLiteral("ID"), vcl::ftInteger);
  ds.AddColumn(QStringLiteral("Name"), vcl::ftString, 20);
  ds.AddColumn(QStringLiteral("Qty"), vcl::ftInteger);
  ds.AddColumn(QStringLiteral("Price"), vcl::ftFloat);
  for (int i = 1; i <= rows; ++i) ds.AddRow({i, QStringLiteral("Item %1").arg(i), i * 10, i * 1.5});
}

// Counts what a data source tells its links.
class RecordingLink : public vcl::TDataLink {
 public:
  int active_changes = 0, dataset_changes = 0, record_changes = 0, scrolls = 0, editing_changes = 0, layout_changes = 0,
      update_data = 0, browse_checks = 0;
  int last_scroll = 0;
  int Total() const {
    return active_changes + dataset_changes + record_changes + scrolls + editing_changes + layout_changes + update_data;
  }
  void Reset() {
    active_changes = dataset_changes = record_changes = scrolls = editing_changes = layout_changes = update_data =
        browse_checks = 0;
  }

 protected:
  void ActiveChanged() override { ++active_changes; }
  void DataSetChanged() override { ++dataset_changes; }
  void DataSetScrolled(int distance) override {
    ++scrolls;
    last_scroll = distance;
  }
  void RecordChanged(vcl::TField *) override { ++record_changes; }
  void EditingChanged() override { ++editing_changes; }
  void LayoutChanged() override { ++layout_changes; }
  void UpdateData() override { ++update_data; }
  void CheckBrowseMode() override { ++browse_checks; }
};

// Hooks every Before/After event of a dataset into one list of names.
inline void LogEvents(vcl::TDataSet &ds, QStringList &log) {
  auto add = [&log](const char *name) { return [&log, name](vcl::TDataSet *) { log << QString::fromLatin1(name); }; };
  ds.BeforeOpen = add("BeforeOpen");
  ds.AfterOpen = add("AfterOpen");
  ds.BeforeClose = add("BeforeClose");
  ds.AfterClose = add("AfterClose");
  ds.BeforeInsert = add("BeforeInsert");
  ds.AfterInsert = add("AfterInsert");
  ds.BeforeEdit = add("BeforeEdit");
  ds.AfterEdit = add("AfterEdit");
  ds.BeforePost = add("BeforePost");
  ds.AfterPost = add("AfterPost");
  ds.BeforeCancel = add("BeforeCancel");
  ds.AfterCancel = add("AfterCancel");
  ds.BeforeDelete = add("BeforeDelete");
  ds.AfterDelete = add("AfterDelete");
  ds.BeforeScroll = add("BeforeScroll");
  ds.AfterScroll = add("AfterScroll");
  ds.BeforeRefresh = add("BeforeRefresh");
  ds.AfterRefresh = add("AfterRefresh");
  ds.OnNewRecord = add("OnNewRecord");
}

}  // namespace testdb
