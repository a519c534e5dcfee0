// Preparing a report (one or two passes under the progress window, the
// interleaved page order), showing it in the preview and opening the
// designer on it (see kvreport.h).
#include <QString>
#include <algorithm>
#include <exception>

#include "platform/rtl/ignorefailure.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
#include "report/engine/model/kvglobals.h"

namespace report {

namespace {

QString WithTitle(const QString &caption, const QString &title) {
  return title.isEmpty() ? caption : caption + QStringLiteral(" - ") + title;
}

// While a designer is open and shows the template, preparation works on
// the template (expanded texts, bound record sources) that the designer
// must not keep: it is saved before and read back after, however the
// preparation ends.
class TemplateSnapshot {
 public:
  explicit TemplateSnapshot(TkvReport *report) : report_(report) {
    TkvReportDesigner *designer = KvCurrentDesigner();
    if (active_ || designer == nullptr || !designer->Visible()) return;
    active_ = true;
    owner_ = true;
    report_->SaveToStream(stream_);
  }
  ~TemplateSnapshot() {
    if (!owner_) return;
    active_ = false;
    rtl::IgnoreFailure("the template read back is the one just written", [this] {
      stream_.SetPosition(0);
      report_->LoadFromStream(stream_);
    });
  }
  TemplateSnapshot(const TemplateSnapshot &) = delete;
  TemplateSnapshot &operator=(const TemplateSnapshot &) = delete;

 private:
  static inline bool active_ = false;
  TkvReport *report_;
  rtl::TMemoryStream stream_;
  bool owner_ = false;
};

// Memo fonts keep their size on a screen of another resolution than the
// one the report was made on, for the preparation.
class ScaledFonts {
 public:
  ScaledFonts(bool scaled, int pixels_per_inch) : saved_(kvEngine().PrintPixelsPerInch) {
    kvEngine().PrintPixelsPerInch = scaled && pixels_per_inch != vcl::kScreenPixelsPerInch ? pixels_per_inch : 0;
  }
  ~ScaledFonts() { kvEngine().PrintPixelsPerInch = saved_; }
  ScaledFonts(const ScaledFonts &) = delete;
  ScaledFonts &operator=(const ScaledFonts &) = delete;

 private:
  int saved_;
};

}  // namespace

// ---- preparation -------------------------------------------------------------------

bool TkvReport::PrepareReport() {
  CheckAutoReload();
  TemplateSnapshot snapshot(this);
  ScaledFonts fonts(scaled_, pixels_per_inch_);
  TkvEngineState &engine = kvEngine();
  engine.CurView = nullptr;
  engine.CurBand = nullptr;
  engine.ErrorText.clear();
  terminated_ = false;
  final_pass_ = true;
  counting_pass_ = false;
  first_pass_pages_ = 0;
  run_date_ = run_time_ = 0;
  emf_pages_.Clear();
  // The passes change nothing of the document options: a pass is counting
  // or final by a flag of its own.
  const bool two_passes = double_pass_;
  preparing_ = true;
  struct Done {
    TkvReport *report;
    ~Done() {
      report->preparing_ = false;
      report->counting_pass_ = false;
      report->final_pass_ = true;
    }
  } done_flag{this};
  const QString first_prefix =
      two_passes ? QString::fromUtf8("Esecuzione 1° passo:") : QStringLiteral("Pagina in costruzione:");
  return RunWithProgress(first_prefix, [this, two_passes] { RunPasses(two_passes); }) && !terminated_;
}

void TkvReport::RunPasses(bool counting_pass_first) {
  if (counting_pass_first) {
    final_pass_ = false;
    counting_pass_ = true;
    page_spans_.clear();
    DoBuildReport();
    counting_pass_ = false;
    first_pass_pages_ = emf_pages_.Count();
    if (interleave_pages_ && !terminated_) ComputeInterleave();
    // A counting pass that was cancelled or failed ends the preparation.
    if (terminated_) return;
    final_pass_ = true;
    emf_pages_.Clear();
    progress_prefix_ = QStringLiteral("Pagina in costruzione:");
    DoBuildReport();
  } else {
    page_spans_.clear();
    interleave_order_.clear();
    DoBuildReport();
    if (interleave_pages_ && !terminated_) ComputeInterleave();
  }
  if (interleave_pages_ && !terminated_) ApplyInterleave();
}

void TkvReport::DoBuildReport() {
  built_ = true;
  BuildInto(this, nullptr, false);
}

TkvReport::Carry TkvReport::BuildInto(TkvReport *target, const Carry *carry, bool keep_open) {
  TkvEngineState &engine = kvEngine();
  target_ = target == this ? nullptr : target;
  struct Release {
    TkvReport *report;
    ~Release() { report->target_ = nullptr; }
  } release{this};
  if (OnBeginDoc) OnBeginDoc();
  Carry out;
  {
    TkvPreparePass pass(*this);
    if (carry != nullptr) {
      pass.FooterPrinted = carry->FooterPrinted;
      pass.KeptCurY = carry->KeptCurY;
      pass.KeptCurBottomY = carry->KeptCurBottomY;
    }
    pass.KeepLastPageOpen = keep_open;
    // DATE and TIME stay those of the first pass.
    TkvReport *target_report = Target();
    TkvResolveState &resolve = KvResolveState();
    if (target_report->run_date_ != 0) {
      resolve.Date = target_report->run_date_;
      resolve.Time = target_report->run_time_;
    } else {
      target_report->run_date_ = resolve.Date;
      target_report->run_time_ = resolve.Time;
    }
    if (engine.ErrorText.isEmpty()) {
      Progress(EMFPages().Count() + 1);
      pass.Run();
    }
    out = {pass.FooterPrinted, pass.KeptCurY, pass.KeptCurBottomY};
  }
  if (engine.ErrorText.isEmpty() && OnEndDoc) OnEndDoc();
  return out;
}

void TkvReport::BeginTemplatePage(int index) {
  Target()->span_start_ = Target()->EMFPages().Count();
  if (OnBeginPage) OnBeginPage(index);
}

void TkvReport::EndTemplatePage(int /*index*/, bool failed) {
  TkvReport *target = Target();
  const int count = target->EMFPages().Count();
  target->page_spans_.emplace_back(target->span_start_, std::max(0, count - target->span_start_));
  if (failed) return;
  if (OnEndPage) OnEndPage(1);
  Progress(count);
}

// Rounds over the template pages, each giving its next finished page, until
// every finished page has its place. Pages shared by two template pages
// (one printed on the previous one) keep the plain order.
void TkvReport::ComputeInterleave() {
  const int total = emf_pages_.Count();
  std::vector<int> order;
  std::vector<int> taken(page_spans_.size(), 0);
  bool any = true;
  while (int(order.size()) < total && any) {
    any = false;
    for (size_t j = 0; j < page_spans_.size() && int(order.size()) < total; ++j) {
      if (taken[j] >= page_spans_[j].second) continue;
      order.push_back(page_spans_[j].first + taken[j]++);
      any = true;
    }
  }
  std::vector<bool> seen(size_t(total), false);
  bool permutation = int(order.size()) == total;
  for (int k : order) {
    if (k < 0 || k >= total || seen[size_t(k)]) {
      permutation = false;
      break;
    }
    seen[size_t(k)] = true;
  }
  interleave_order_.clear();
  if (permutation) interleave_order_ = std::move(order);
}

void TkvReport::ApplyInterleave() {
  const int total = emf_pages_.Count();
  if (int(interleave_order_.size()) != total) return;
  std::vector<std::unique_ptr<vcl::TMetafile>> pictures;
  pictures.reserve(size_t(total));
  for (int i = 0; i < total; ++i) pictures.push_back(std::move(emf_pages_.Page(i)->Picture));
  for (int k = 0; k < total; ++k)
    emf_pages_.Page(k)->Picture = std::move(pictures[size_t(interleave_order_[size_t(k)])]);
}

// ---- progress ----------------------------------------------------------------------

bool TkvReport::RunWithProgress(const QString &prefix, const std::function<void()> &work) {
  progress_prefix_ = prefix;
  if (OnProgress || !show_progress_) {
    work();
    return !terminated_;
  }
  TProgressForm *form = KvSharedProgressForm();
  form->SetCaption(WithTitle(QStringLiteral("Report in preparazione"), title_));
  form->Label()->SetCaption(prefix + QStringLiteral("  1"));
  std::exception_ptr failure;
  form->OnWork = [&](TProgressForm *f) {
    // Nothing leaves the window's message: a failure ends the window and
    // is raised again once it is closed.
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    f->SetModalResult(terminated_ || failure ? vcl::mrCancel : vcl::mrOk);
  };
  const vcl::TModalResult result = form->Run(this);
  form->OnWork = nullptr;
  if (failure) std::rethrow_exception(failure);
  return result == vcl::mrOk && !terminated_;
}

void TkvReport::Progress(int pages) {
  if (target_ != nullptr) {
    target_->Progress(pages);
    return;
  }
  ProgressLabel(pages);
}

void TkvReport::ProgressLabel(int n) {
  if (OnProgress) {
    OnProgress(n, true);
  } else if (show_progress_) {
    TProgressForm *form = KvSharedProgressForm();
    if (form->Visible()) {
      QString text = progress_prefix_ + QStringLiteral("  ") + QString::number(n);
      if (preparing_ && double_pass_ && final_pass_ && !counting_pass_)
        text += QStringLiteral(" di ") + QString::number(first_pass_pages_);
      form->Label()->SetCaption(text);
    }
  }
  PumpMessages();
}

// ---- showing -----------------------------------------------------------------------

void TkvReport::ShowReport() {
  const bool prepared = PrepareReport();
  const QString error = ErrorText();
  if (!error.isEmpty()) {
    QString shown = error;
    shown.replace(u'\r', u'\n');
    vcl::MessageDlg(shown, vcl::mtError, vcl::TMsgDlgButtons{vcl::mbOK});
  } else if (prepared) {
    ShowPreparedReport();
  }
  emf_pages_.Clear();
  kvEngine().ErrorText.clear();
}

void TkvReport::ShowPreparedReport() {
  const TkvPreviewFormClass &make = KvPreviewFormClass();
  if (!make) return;
  TkvPreview *preview = make(nullptr);
  if (preview == nullptr) return;
  KvAddOpenPreview(preview);
  preview->SetCaption(WithTitle(QStringLiteral("Anteprima"), title_));
  // The whole screen, also where no window manager maximises windows.
  if (vcl::Screen != nullptr) preview->SetBounds(0, 0, vcl::Screen->Width(), vcl::Screen->Height());
  if (modal_preview_) {
    preview->SetReport(this, false);
    preview->SetShownModal(true);
    preview->SetFormStyle(vcl::fsNormal);
    preview->SetWindowState(vcl::wsMaximized);
    std::unique_ptr<TkvPreview> owned(preview);
    owned->ShowModal();
    return;
  }
  // A copy of the pages, which the preview holds and frees: the report may
  // prepare again (or go) while the window stays open.
  auto copy = std::make_unique<TkvReport>(nullptr);
  copy->SetPrintToDefault(true);
  copy->SetTitle(title_);
  copy->SetShowProgress(show_progress_);
  rtl::TMemoryStream stream;
  SavePreparedToStream(stream);
  stream.SetPosition(0);
  copy->LoadPreparedFromStream(stream);
  preview->SetReport(copy.release(), true);
  preview->SetShownModal(false);
  preview->SetFormStyle(vcl::fsStayOnTop);
  preview->SetWindowState(vcl::wsMaximized);
  preview->Show();
}

// ---- designing ---------------------------------------------------------------------

void TkvReport::DesignReport() {
  CheckAutoReload();
  if (pages_.Count() == 0) pages_.AddPage();
  kvEngine().CurReport = this;
  const TkvDesignerFormClass &make = KvDesignerFormClass();
  if (!make) return;
  PumpMessages();
  std::unique_ptr<TkvReportDesigner> designer = make(this);
  if (!designer) return;
  struct Open {
    std::function<void()> saved = kvEngine().DesignerModified;
    ~Open() {
      kvEngine().DesignerModified = saved;
      KvSetCurrentDesigner(nullptr);
    }
  } open;
  KvSetCurrentDesigner(designer.get());
  TkvReportDesigner *d = designer.get();
  kvEngine().DesignerModified = [d] { d->AfterChange(); };
  for (int i = 0; i < AddInCount(); ++i) designer->AddPaletteButton(AddIn(i).Bitmap.get(), AddIn(i).Hint, gtAddIn + i);
  designer->ShowModal();
}

}  // namespace report
