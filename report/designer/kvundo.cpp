// The designer's undo history of template snapshots, its clipboard of
// object copies and the reopen list (see kvdsgnmodel.h).
#include <algorithm>

#include "platform/rtl/streams.h"
#include "report/designer/kvdsgnmodel.h"
#include "report/engine/data/kvdset.h"

namespace report {

namespace {

// Band types of which a page may hold several.
bool MayRepeat(int band_type) {
  return band_type == btMasterData || band_type == btDetailData || band_type == btSubDetailData ||
         band_type == btGroupHeader || band_type == btGroupFooter;
}

constexpr int kPasteStep = 4;

// The record source a data band names: one the report keeps, or a
// component of the report's owner.
TkvDataset *SourceOf(const TkvReport *report, const TkvView *band) {
  if (band->FormatStr.isEmpty()) return nullptr;
  if (TkvDataset *own = report->FindDataset(band->FormatStr)) return own;
  if (vcl::TComponent *owner = report->Owner())
    return dynamic_cast<TkvDataset *>(owner->FindComponent(band->FormatStr));
  return nullptr;
}

}  // namespace

// ---- new objects and copies ---------------------------------------------------------

std::unique_ptr<TkvView> KvNewViewOfTag(int tag, TkvReport *report) {
  if (std::unique_ptr<TkvView> view = CreateViewOfType(tag, report)) return view;
  const int index = tag - gtAddIn;
  if (index < 0 || index >= AddInCount()) return nullptr;
  std::unique_ptr<TkvView> view(AddIn(index).Create(report));
  if (view != nullptr) view->Typ = gtAddIn;
  return view;
}

std::unique_ptr<TkvView> KvNewViewLike(const TkvView *source, TkvReport *report) {
  if (source->Typ != gtAddIn) return KvNewViewOfTag(source->Typ, report);
  const TkvAddInObjectInfo *info = FindAddIn(source->ClassName());
  if (info == nullptr) return nullptr;
  std::unique_ptr<TkvView> view(info->Create(report));
  if (view != nullptr) view->Typ = gtAddIn;
  return view;
}

std::unique_ptr<TkvDataset> KvCopyDataset(const TkvDataset *source, vcl::TComponent *owner) {
  std::unique_ptr<TkvDataset> copy;
  if (const auto *db = dynamic_cast<const TkvDBDataSet *>(source)) {
    auto bound = std::make_unique<TkvDBDataSet>(owner);
    bound->SetDataSet(db->DataSet());
    bound->SetFiltered(db->Filtered());
    bound->SetFilter(db->Filter());
    copy = std::move(bound);
  } else {
    copy = std::make_unique<TkvDataset>(owner);
  }
  copy->SetRangeBegin(source->RangeBegin());
  copy->SetRangeEnd(source->RangeEnd());
  copy->SetRangeEndCount(source->RangeEndCount());
  copy->SetSkipOnBegin(source->SkipOnBegin());
  return copy;
}

// ---- clipboard and reopen list ----------------------------------------------------------

TkvDesignerClipboard::TkvDesignerClipboard() = default;
TkvDesignerClipboard::~TkvDesignerClipboard() { Clear(); }

void TkvDesignerClipboard::Clear() {
  for (Entry &e : entries_) {
    // A copy names no record source of a report: freeing it must not
    // release the original's.
    if (e.View != nullptr) e.View->FormatStr.clear();
  }
  entries_.clear();
}

void TkvDesignerClipboard::Add(std::unique_ptr<TkvView> view, std::unique_ptr<TkvDataset> source) {
  entries_.push_back(Entry{std::move(view), std::move(source)});
}

TkvDesignerClipboard &KvDesignerClipboard() {
  static TkvDesignerClipboard clipboard;
  return clipboard;
}

void TkvReopenList::Add(const QString &file_name) {
  if (file_name.isEmpty() || names_.contains(file_name, Qt::CaseInsensitive)) return;
  names_.prepend(file_name);
  while (names_.size() > kMax) names_.removeLast();
}

void TkvReopenList::SetNames(const QStringList &names) {
  names_.clear();
  for (auto it = names.crbegin(); it != names.crend(); ++it) Add(*it);
}

TkvReopenList &KvReopenList() {
  static TkvReopenList list;
  return list;
}

// ---- undo ---------------------------------------------------------------------------------

void TkvDesignerModel::SaveUndoSnapshot() {
  rtl::TMemoryStream stream;
  stream.WriteInt32(page_index_);
  report_->SaveToStream(stream);
  snapshots_.push_back(stream.Bytes());
  index_ = static_cast<int>(snapshots_.size()) - 1;
}

void TkvDesignerModel::RestoreUndoSnapshot() {
  if (index_ < 0 || index_ >= static_cast<int>(snapshots_.size())) return;
  rtl::TMemoryStream stream;
  stream.SetBytes(snapshots_[size_t(index_)]);
  const int page = stream.ReadInt32();
  report_->LoadFromStream(stream);
  SetPageIndex(page);
  if (OnRestored) OnRestored();
}

void TkvDesignerModel::CommitChange() {
  if (index_ + 1 < static_cast<int>(snapshots_.size())) snapshots_.resize(size_t(index_ + 1));
  SaveUndoSnapshot();
}

void TkvDesignerModel::ClearUndo() {
  snapshots_.clear();
  index_ = -1;
  CommitChange();
}

bool TkvDesignerModel::Undo() {
  if (!CanUndo()) return false;
  --index_;
  RestoreUndoSnapshot();
  return true;
}

bool TkvDesignerModel::Redo() {
  if (!CanRedo()) return false;
  ++index_;
  RestoreUndoSnapshot();
  return true;
}

void TkvDesignerModel::RestoreOpened() {
  if (snapshots_.empty() || index_ == 0) return;
  index_ = 0;
  RestoreUndoSnapshot();
}

// ---- clipboard -------------------------------------------------------------------------------

void TkvDesignerModel::Copy() {
  TkvDesignerClipboard &clipboard = KvDesignerClipboard();
  clipboard.Clear();
  for (TkvView *v : Selected()) {
    // Copies belong to no report: they name no page and take the name of
    // their original.
    std::unique_ptr<TkvView> copy = KvNewViewLike(v, nullptr);
    if (copy == nullptr) continue;
    copy->Assign(v);
    copy->Name = v->Name;
    std::unique_ptr<TkvDataset> source;
    if (v->IsDataBand()) {
      if (const TkvDataset *original = SourceOf(report_, v)) source = KvCopyDataset(original, nullptr);
    }
    clipboard.Add(std::move(copy), std::move(source));
  }
}

void TkvDesignerModel::Cut() {
  Copy();
  DeleteSelected();
  ClearSelection();
}

bool TkvDesignerModel::Paste(int visible_top) {
  ClearSelection();
  const TkvDesignerClipboard &clipboard = KvDesignerClipboard();
  if (clipboard.Empty()) return false;
  int min_x = 0, min_y = 0;
  bool first = true;
  for (const auto &e : clipboard.Entries()) {
    min_x = first ? e.View->x : std::min(min_x, e.View->x);
    min_y = first ? e.View->y : std::min(min_y, e.View->y);
    first = false;
  }
  std::vector<bool> band_used(kvBandTypeCount, false);
  for (TkvView *v : Views())
    if (v->Typ == gtBand) band_used[size_t(static_cast<TkvBandView *>(v)->GetBandType() % kvBandTypeCount)] = true;
  const int top_shift = visible_top > 0 ? visible_top - visible_top % kPasteStep : 0;
  bool pasted = false;
  for (const auto &e : clipboard.Entries()) {
    const TkvView *copy = e.View.get();
    if (copy->Typ == gtBand) {
      const int type = static_cast<const TkvBandView *>(copy)->GetBandType();
      if (band_used[size_t(type % kvBandTypeCount)] && !MayRepeat(type)) continue;
      band_used[size_t(type % kvBandTypeCount)] = true;
    }
    std::unique_ptr<TkvView> view = KvNewViewLike(copy, report_);
    if (view == nullptr) continue;
    view->Assign(copy);
    view->x = copy->x - min_x;
    view->y = copy->y - min_y + top_shift;
    if (auto *sub = dynamic_cast<TkvSubReportView *>(view.get())) {
      // The page it shows may be gone with another template.
      if (sub->PageIndex >= PageCount()) sub->PageIndex = 0;
    }
    if (e.Source != nullptr && view->IsDataBand()) {
      std::unique_ptr<TkvDataset> source = KvCopyDataset(e.Source.get(), nullptr);
      source->SetName(report_->Name() + QStringLiteral("_") + view->Name + QStringLiteral("_DataSet"));
      view->FormatStr = source->Name();
      report_->AddDataset(source.release());  // the report owns a source without owner
    }
    view->Selected = true;
    Page()->Views.push_back(std::move(view));
    pasted = true;
  }
  RegroupBands();
  return pasted;
}

}  // namespace report
