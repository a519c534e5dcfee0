// The designer and preview slots and the windows open now (see kvslots.h).
#include "report/engine/component/kvslots.h"

#include <algorithm>

#include "report/engine/component/kvreport.h"

namespace report {

namespace {

struct Windows {
  TkvDesignerFormClass designer_class;
  TkvPreviewFormClass preview_class;
  TkvReportDesigner *current_designer = nullptr;
  std::vector<TkvPreview *> previews;
};

Windows &W() {
  static Windows windows;
  return windows;
}

}  // namespace

TkvDesignerFormClass &KvDesignerFormClass() { return W().designer_class; }
TkvPreviewFormClass &KvPreviewFormClass() { return W().preview_class; }

TkvReportDesigner *KvCurrentDesigner() { return W().current_designer; }
void KvSetCurrentDesigner(TkvReportDesigner *designer) { W().current_designer = designer; }

const std::vector<TkvPreview *> &KvOpenPreviews() { return W().previews; }

void KvAddOpenPreview(TkvPreview *preview) {
  auto &list = W().previews;
  if (preview != nullptr && std::find(list.begin(), list.end(), preview) == list.end()) list.push_back(preview);
}

void KvRemoveOpenPreview(TkvPreview *preview) {
  auto &list = W().previews;
  list.erase(std::remove(list.begin(), list.end(), preview), list.end());
}

void KvFreeOpenPreviews() {
  // Each preview leaves the list as it goes.
  while (!W().previews.empty()) delete W().previews.back();
}

TkvPreview::TkvPreview(vcl::TComponent *owner) : vcl::TForm(owner) {}

TkvPreview::~TkvPreview() { KvRemoveOpenPreview(this); }

void TkvPreview::SetReport(TkvReport *report, bool owned) {
  if (own_report_.get() != report) own_report_.reset(owned ? report : nullptr);
  report_ = report;
}

void TkvPreview::DoHide() {
  vcl::TForm::DoHide();
  if (shown_modal_) return;
  // The copy of the pages goes with the window; the report it was made
  // from keeps its own.
  own_report_.reset();
  report_ = nullptr;
  KvRemoveOpenPreview(this);
  Release();
}

}  // namespace report
