// Record sources and name lookups; see kvdset.h.
#include "report/engine/data/kvdset.h"

#include "platform/rtl/sysutils.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/forms.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvglobals.h"

namespace report {

// ---- TkvDataset -----------------------------------------------------------------

TkvDataset::TkvDataset(vcl::TComponent *owner) : vcl::TComponent(owner) {
  if (owner == nullptr) {
    static int serial = 0;
    SetName(QStringLiteral("N%1").arg(++serial));
  }
}

TkvDataset::~TkvDataset() {
  if (FreedHook()) FreedHook()(this);
}

std::function<void(TkvDataset *)> &TkvDataset::FreedHook() {
  static std::function<void(TkvDataset *)> hook;
  return hook;
}

void TkvDataset::First() {
  position_ = 0;
  rows_passed_ = 0;
  if (OnFirst) OnFirst(this);
}

void TkvDataset::Next() {
  ++position_;
  ++rows_passed_;
  if (OnNext) OnNext(this);
}

void TkvDataset::Prior() {
  --position_;
  if (OnPrior) OnPrior(this);
}

bool TkvDataset::Eof() {
  bool eof = range_end_ == reCount && position_ >= range_end_count_;
  if (OnCheckEOF) OnCheckEOF(this, eof);
  return eof;
}

ORBISCA_PUBLISHED(TkvDataset, TComponent) {
  p.Property("RangeBegin", &TkvDataset::RangeBegin, &TkvDataset::SetRangeBegin).Default(rbFirst);
  p.Property("RangeEnd", &TkvDataset::RangeEnd, &TkvDataset::SetRangeEnd).Default(reLast);
  p.Property("RangeEndCount", &TkvDataset::RangeEndCount, &TkvDataset::SetRangeEndCount).Default(0);
  p.Property("SkipOnBegin", &TkvDataset::SkipOnBegin, &TkvDataset::SetSkipOnBegin).Default(0);
  p.Event("OnCheckEOF", &TkvDataset::OnCheckEOF);
  p.Event("OnFirst", &TkvDataset::OnFirst);
  p.Event("OnNext", &TkvDataset::OnNext);
  p.Event("OnPrior", &TkvDataset::OnPrior);
}

// ---- TkvDBDataSet ------------------------------------------------------------------

TkvDBDataSet::TkvDBDataSet(vcl::TComponent *owner) : TkvDataset(owner) {}

TkvDBDataSet::~TkvDBDataSet() {
  Exit();  // a source freed in the middle of a walk still gives the dataset back
  SetDataSet(nullptr);
}

void TkvDBDataSet::SetDataSet(vcl::TDataSet *dataset) {
  if (dataset == dataset_) return;
  if (dataset_ != nullptr) dataset_->RemoveFreeNotification(this);
  dataset_ = dataset;
  if (dataset_ != nullptr) dataset_->FreeNotification(this);
}

void TkvDBDataSet::Notification(vcl::TComponent *component, vcl::TOperation operation) {
  TkvDataset::Notification(component, operation);
  if (operation == vcl::opRemove && component == dataset_) {
    dataset_ = nullptr;
    opened_ = false;
  }
}

vcl::TDataSet *TkvDBDataSet::GetDataSet() {
  if (dataset_ == nullptr) {
    error_ = QStringLiteral("Dataset non assegnato: ") + Name();
    return nullptr;
  }
  if (dataset_->Active()) {
    error_.clear();
  } else if (opened_) {
    error_ = QStringLiteral("Dataset chiuso: ") + dataset_->Name();
  }
  return dataset_;
}

void TkvDBDataSet::Init() {
  if (dataset_ != nullptr) {
    error_.clear();
    was_active_ = dataset_->Active();
    bool ok = true;
    if (!was_active_) {
      try {
        dataset_->Open();
      } catch (const rtl::Exception &e) {
        error_ = QStringLiteral("Non è stato possibile aprire il Dataset: ") + dataset_->Name() +
                 QStringLiteral("\r\n") + e.Message();
        ok = false;
      }
    }
    if (ok) {
      saved_recno_ = dataset_->RecNo();
      saved_bookmark_ = dataset_->Eof() && dataset_->Bof() ? QByteArray() : dataset_->GetBookmark();
      was_disabled_ = dataset_->ControlsDisabled();
      disabled_by_us_ = false;
      if (disable_controls_ && !was_disabled_) {
        dataset_->DisableControls();
        disabled_by_us_ = true;
      }
      // Marked opened first, so that Exit undoes the above even when the
      // filter raises.
      end_ = false;
      opened_ = true;
      ApplyFilter(true);
    }
  }
  end_ = false;
  opened_ = true;
}

// Back on the record the walk started from.
void TkvDBDataSet::Restore() {
  if (!saved_bookmark_.isEmpty() && dataset_->BookmarkValid(saved_bookmark_)) {
    dataset_->GotoBookmark(saved_bookmark_);
  } else if (saved_recno_ > 0) {
    dataset_->SetRecNo(saved_recno_);
  }
}

void TkvDBDataSet::Exit() {
  // Next with reCurrent runs Exit before preparation does: undo once.
  if (!opened_) return;
  opened_ = false;
  if (dataset_ == nullptr) return;
  if (disabled_by_us_) {
    disabled_by_us_ = false;
    dataset_->EnableControls();
  }
  if (was_active_) {
    if (dataset_->Active()) Restore();
  } else {
    dataset_->Close();
  }
}

void TkvDBDataSet::First() {
  if (dataset_ != nullptr && dataset_->Active()) {
    if (RangeBegin() == rbFirst) {
      dataset_->First();
    } else {
      if (dataset_->Eof()) dataset_->Refresh();
      Restore();
    }
    ApplyFilter(true);
  }
  end_ = false;
  TkvDataset::First();
}

namespace {
bool OnSavedRecord(vcl::TDataSet *ds, const QByteArray &bookmark, int recno) {
  if (ds->Eof() && ds->Bof()) return false;
  if (!bookmark.isEmpty()) return ds->CompareBookmarks(ds->GetBookmark(), bookmark) == 0;
  return recno > 0 && ds->RecNo() == recno;
}
}  // namespace

// One step of the walk; with reCurrent the saved record is the last of the
// range, and since Exit may have closed the dataset it is not moved then.
void TkvDBDataSet::Move(bool forward) {
  end_ = false;
  if (dataset_ == nullptr || !dataset_->Active()) return;
  if (RangeEnd() == reCurrent && OnSavedRecord(dataset_, saved_bookmark_, saved_recno_)) {
    end_ = true;
    Exit();
    return;
  }
  if (forward) {
    dataset_->Next();
  } else {
    dataset_->Prior();
  }
  ApplyFilter(forward);
}

void TkvDBDataSet::Next() {
  Move(true);
  TkvDataset::Next();
}

void TkvDBDataSet::Prior() {
  Move(false);
  TkvDataset::Prior();
}

bool TkvDBDataSet::Eof() {
  if (TkvDataset::Eof() || end_) return true;
  return dataset_ == nullptr || !dataset_->Active() || dataset_->Eof();
}

void TkvDBDataSet::ApplyFilter(bool forward) {
  if (!filtered_ || dataset_ == nullptr || !dataset_->Active() || rtl::Trim(filter_).isEmpty()) return;
  for (;;) {
    if (forward ? dataset_->Eof() : dataset_->Bof()) return;
    rtl::Variant v;
    try {
      v = Expr().Evaluate(filter_);
    } catch (const rtl::Exception &) {
      throw EkvExprError(QStringLiteral("Errore nell'espressione del filtro della banda."));
    }
    if (!(v == rtl::Variant(0))) return;
    if (forward) {
      dataset_->Next();
      ++rows_passed_;
    } else {
      dataset_->Prior();
    }
  }
}

ORBISCA_PUBLISHED(TkvDBDataSet, TkvDataset) {
  p.Property("DataSet", &TkvDBDataSet::DataSet, &TkvDBDataSet::SetDataSet);
  p.Property("Filter", &TkvDBDataSet::Filter, &TkvDBDataSet::SetFilter);
  p.Property("Filtered", &TkvDBDataSet::Filtered, &TkvDBDataSet::SetFiltered).Default(false);
}

// ---- lookups ------------------------------------------------------------------

vcl::TComponent *FindGlobalComponent(const QString &name) {
  const int dot = name.indexOf(u'.');
  if (dot < 0 || vcl::Screen == nullptr) return nullptr;
  const QString holder = name.left(dot);
  const QString rest = name.mid(dot + 1);
  vcl::TComponent *found = nullptr;
  for (int i = 0; i < vcl::Screen->FormCount() && found == nullptr; ++i) {
    vcl::TComponent *f = vcl::Screen->Forms(i);
    if (f->Name().compare(holder, Qt::CaseInsensitive) == 0) found = f;
  }
  for (int i = 0; i < vcl::Screen->DataModuleCount() && found == nullptr; ++i) {
    vcl::TComponent *m = vcl::Screen->DataModules(i);
    if (m->Name().compare(holder, Qt::CaseInsensitive) == 0) found = m;
  }
  return found != nullptr ? found->FindComponent(rest) : nullptr;
}

vcl::TDataSet *KvSourceDataSet(TkvDataset *source) {
  auto *db = dynamic_cast<TkvDBDataSet *>(source);
  return db != nullptr ? db->DataSet() : nullptr;
}

namespace {
vcl::TDataSet *AsDataSet(vcl::TComponent *c) {
  if (auto *ds = dynamic_cast<vcl::TDataSet *>(c)) return ds;
  if (auto *src = dynamic_cast<TkvDataset *>(c)) return KvSourceDataSet(src);
  return nullptr;
}

vcl::TDataSet *OwnerDataSet(vcl::TComponent *owner, const QString &name) {
  return owner != nullptr ? AsDataSet(owner->FindComponent(name)) : nullptr;
}

QString Unquote(QString s) {
  s = rtl::Trim(s);
  if (s.size() >= 2 && s.startsWith(u'"') && s.endsWith(u'"')) return s.mid(1, s.size() - 2);
  if (s.startsWith(u'"')) return s.mid(1);
  return s;
}
}  // namespace

vcl::TDataSet *FindDataSetByName(vcl::TComponent *report_owner, const QString &name) {
  vcl::TDataSet *ds = name.contains(u'.') ? AsDataSet(FindGlobalComponent(name)) : OwnerDataSet(report_owner, name);
  if (ds == nullptr) kvSetError(QStringLiteral("Non è stato trovato il kvDataset: ") + name);
  return ds;
}

vcl::TField *FindFieldByName(const QString &name, vcl::TComponent *report_owner, vcl::TDataSet *band_dataset,
                             vcl::TDataSet **found_dataset) {
  if (found_dataset != nullptr) *found_dataset = nullptr;
  const QString text = rtl::Trim(name);
  vcl::TDataSet *ds = nullptr;
  QString field;
  if (text.contains(u'.') && !text.startsWith(u'"')) {
    // The field part may be quoted and hold points of its own.
    const int quote = text.indexOf(u'"');
    QString path = quote >= 0 ? text.left(quote) : text;
    if (quote >= 0) {
      field = Unquote(text.mid(quote));
      if (path.endsWith(u'.')) path.chop(1);
    } else {
      const int last = path.lastIndexOf(u'.');
      field = path.mid(last + 1);
      path = path.left(last);
    }
    if (path.contains(u'.')) {
      ds = AsDataSet(FindGlobalComponent(path));  // Form.DataSet.Field
    } else {
      ds = OwnerDataSet(report_owner, path);
      if (ds == nullptr && quote < 0) {
        // "Form.DataSet" names a dataset and no field.
        ds = AsDataSet(FindGlobalComponent(text));
        if (ds != nullptr) {
          if (found_dataset != nullptr) *found_dataset = ds;
          return nullptr;
        }
      }
    }
  } else {
    ds = band_dataset;
    field = Unquote(text);
  }
  if (found_dataset != nullptr) *found_dataset = ds;
  if (ds == nullptr || field.isEmpty()) return nullptr;
  return ds->FindField(field);
}

}  // namespace report
