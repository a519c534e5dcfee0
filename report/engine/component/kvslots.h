// The two windows the report engine opens without linking them: the report
// designer and the preview.
//
// The engine sits below both (the designer and the preview are built on
// it), so it reaches them through two class slots that their units fill
// when the program starts: a program that links neither can still load,
// prepare, print and export reports. `TkvReport::DesignReport` opens a form
// made by the designer slot modally on a report; `ShowPreparedReport` opens
// a form made by the preview slot.
//
// The designer form's three operations are what the engine asks of an open
// designer: drop the undo history after the template was loaded or saved,
// take a palette button for each registered add-in object (when it is
// made, in registration order, the tag being the registry index), and take
// an undo snapshot after the engine's editors changed an object property.
#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/forms.h"

class QPainter;

namespace vcl {
class TBitmap;
}

namespace report {

class TkvReport;

class TkvReportDesigner : public vcl::TForm {
  ORBISCA_CLASS(TkvReportDesigner, vcl::TForm)

 public:
  explicit TkvReportDesigner(vcl::TComponent *owner) : vcl::TForm(owner) {}

  virtual void ClearUndo() = 0;
  virtual void AddPaletteButton(const vcl::TBitmap *bitmap, const QString &hint, int tag) = 0;
  virtual void AfterChange() = 0;
};

// Makes the designer form (without owner) on a report.
using TkvDesignerFormClass = std::function<std::unique_ptr<TkvReportDesigner>(TkvReport *report)>;

// The preview form the engine shows finished pages in. It shows `Report()`'s
// finished pages; a preview shown non-modally holds a copy of them (a report
// of its own, freed with the preview).
class TkvPreview : public vcl::TForm {
  ORBISCA_CLASS(TkvPreview, vcl::TForm)

 public:
  explicit TkvPreview(vcl::TComponent *owner);
  ~TkvPreview() override;

  // Draws finished page `page_index` (from 0) into `rect` of the painter.
  virtual void DrawPage(QPainter *painter, int page_index, const QRect &rect) = 0;

  TkvReport *Report() const { return report_; }
  // The report whose pages are shown; with `owned` the preview frees it.
  void SetReport(TkvReport *report, bool owned);
  bool ShownModal() const { return shown_modal_; }
  void SetShownModal(bool modal) { shown_modal_ = modal; }

 protected:
  // A non-modal preview that hides frees its copy of the pages, leaves
  // the engine's list of open previews and releases itself.
  void DoHide() override;

 private:
  TkvReport *report_ = nullptr;
  std::unique_ptr<TkvReport> own_report_;
  bool shown_modal_ = false;
};

// Makes a preview form with the given owner (none for shown previews).
using TkvPreviewFormClass = std::function<TkvPreview *(vcl::TComponent *owner)>;

// The slots; empty until the designer's or the preview's unit fills them.
TkvDesignerFormClass &KvDesignerFormClass();
TkvPreviewFormClass &KvPreviewFormClass();

// The designer open now (nullptr when none).
TkvReportDesigner *KvCurrentDesigner();
void KvSetCurrentDesigner(TkvReportDesigner *designer);

// The previews shown and not yet hidden; the program frees those still
// open when it ends (KvFreeOpenPreviews), while their windows can still go.
const std::vector<TkvPreview *> &KvOpenPreviews();
void KvAddOpenPreview(TkvPreview *preview);
void KvRemoveOpenPreview(TkvPreview *preview);
void KvFreeOpenPreviews();

}  // namespace report
