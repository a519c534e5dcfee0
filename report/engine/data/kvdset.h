// Record sources of the report engine and the lookups that find datasets,
// components and fields from the names written in templates.
//
// A data band names a record source; preparation walks it with First,
// Next and Eof. `TkvDataset` is an abstract range of rows driven by events
// (a band that prints N times, or rows the program supplies itself);
// `TkvDBDataSet` walks a dataset of the data-access contract (the DAO table
// in this program), optionally skipping the rows whose filter expression
// is 0, and leaves the dataset as it found it: open or closed, on the same
// record, with its controls enabled again.
#pragma once

#include <QString>
#include <functional>

#include "platform/rtl/classes.h"
#include "platform/vcl/component.h"
#include "platform/vcl/typinfo.h"

namespace vcl {
class TDataSet;
class TField;
}  // namespace vcl

namespace report {

ORBISCA_ENUM(TRangeBegin, rbFirst, rbCurrent)
ORBISCA_ENUM(TRangeEnd, reLast, reCurrent, reCount)

using TCheckEOFEvent = std::function<void(rtl::TObject *sender, bool &eof)>;

class TkvDataset : public vcl::TComponent {
  ORBISCA_CLASS(TkvDataset, vcl::TComponent)

 public:
  // Without an owner the source is named "N" and a number of its own.
  explicit TkvDataset(vcl::TComponent *owner = nullptr);
  ~TkvDataset() override;

  virtual void Init() {}
  virtual void Exit() {}
  virtual void First();
  virtual void Prior();
  virtual void Next();
  virtual bool Eof();

  TRangeBegin RangeBegin() const { return range_begin_; }
  void SetRangeBegin(TRangeBegin v) { range_begin_ = v; }
  TRangeEnd RangeEnd() const { return range_end_; }
  void SetRangeEnd(TRangeEnd v) { range_end_ = v; }
  int RangeEndCount() const { return range_end_count_; }
  void SetRangeEndCount(int v) { range_end_count_ = v; }
  // Empty rows (frames and backgrounds only) printed before the first row.
  int SkipOnBegin() const { return skip_on_begin_; }
  void SetSkipOnBegin(int v) { skip_on_begin_ = v; }

  // Rows moved since First (Prior counts back) and rows gone by, the ones
  // the filter skipped included.
  int Position() const { return position_; }
  int RowsPassed() const { return rows_passed_; }

  rtl::TNotifyEvent OnFirst, OnNext, OnPrior;
  TCheckEOFEvent OnCheckEOF;

  // Told when any record source is destroyed, so the report that keeps it
  // among its internal datasets can forget it.
  static std::function<void(TkvDataset *)> &FreedHook();

 protected:
  int position_ = 0;
  int rows_passed_ = 0;

 private:
  TRangeBegin range_begin_ = rbFirst;
  TRangeEnd range_end_ = reLast;
  int range_end_count_ = 0;
  int skip_on_begin_ = 0;
};

class TkvDBDataSet : public TkvDataset {
  ORBISCA_CLASS(TkvDBDataSet, TkvDataset)

 public:
  explicit TkvDBDataSet(vcl::TComponent *owner = nullptr);
  ~TkvDBDataSet() override;

  void Init() override;
  void Exit() override;
  void First() override;
  void Prior() override;
  void Next() override;
  bool Eof() override;
  // Skips the rows whose Filter expression is 0, forwards or backwards.
  virtual void ApplyFilter(bool forward);

  vcl::TDataSet *DataSet() const { return dataset_; }
  void SetDataSet(vcl::TDataSet *dataset);
  const QString &Filter() const { return filter_; }
  void SetFilter(const QString &v) { filter_ = v; }
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool v) { filtered_ = v; }
  // Copied from the report before Init: disable the dataset's controls
  // while the report walks it.
  bool DisableControlsFlag() const { return disable_controls_; }
  void SetDisableControlsFlag(bool v) { disable_controls_ = v; }

  // The bound dataset; notes "Dataset non assegnato: ..." or "Dataset
  // chiuso: ..." in ErrorText, or clears it.
  vcl::TDataSet *GetDataSet();
  const QString &ErrorText() const { return error_; }
  bool Opened() const { return opened_; }

 protected:
  void Notification(vcl::TComponent *component, vcl::TOperation operation) override;

 private:
  void Restore();
  void Move(bool forward);

  vcl::TDataSet *dataset_ = nullptr;
  QString filter_;
  bool filtered_ = false;
  bool disable_controls_ = true;
  QString error_;
  bool was_active_ = false;
  bool was_disabled_ = false;
  bool disabled_by_us_ = false;
  int saved_recno_ = -1;
  QByteArray saved_bookmark_;
  bool opened_ = false;
  bool end_ = false;
};

// ---- lookups by name -----------------------------------------------------------

// "Form.Component": the first form on the screen so named (ignoring case),
// else the first data module, and its component; nullptr when either is
// missing.
vcl::TComponent *FindGlobalComponent(const QString &name);

// The platform dataset a template names: "Form.Component", or a component
// of `report_owner`. A record source stands for its dataset. When nothing
// is found the engine's first error becomes "Non è stato trovato il
// kvDataset: " and the name.
vcl::TDataSet *FindDataSetByName(vcl::TComponent *report_owner, const QString &name);

// A field written in a template: Form.DataSet.Field, DataSet.Field (field
// part optionally in double quotes) or, without a point, a field of
// `band_dataset`. `found_dataset`, when given, receives the dataset that
// was found even when it has no such field.
vcl::TField *FindFieldByName(const QString &name, vcl::TComponent *report_owner, vcl::TDataSet *band_dataset,
                             vcl::TDataSet **found_dataset = nullptr);

// The dataset behind a record source when it is a TkvDBDataSet, else null.
vcl::TDataSet *KvSourceDataSet(TkvDataset *source);

}  // namespace report
