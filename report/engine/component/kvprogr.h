// The progress windows of long report work: preparing and printing a report
// (TProgressForm) and exporting it through an export filter
// (TProgressFilterForm).
//
// Both run the work inside their own modal loop: Run posts the window a
// private message and shows it modally; when the message arrives (the
// window is up and its loop pumps events) the work event runs. The work
// updates the label and pumps messages itself; the cancel button only
// raises the flag the work polls (the report's Terminated, or the export's
// cancel flag) and ends the loop with the result cancel. The work closes
// the window with OK when it ends on its own.
#pragma once

#include <functional>
#include <memory>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace report {

class TkvReport;

// The private message that starts the work.
inline constexpr unsigned kvProgressStartMessage = vcl::WM_USER + 1;

class TProgressForm : public vcl::TForm {
  ORBISCA_CLASS(TProgressForm, vcl::TForm)

 public:
  explicit TProgressForm(vcl::TComponent *owner = nullptr);
  ~TProgressForm() override;

  // Keeps the report, starts the work once the window is up and returns
  // the modal result.
  vcl::TModalResult Run(TkvReport *report);

  TkvReport *Report() const { return report_; }
  vcl::TLabel *Label() const { return label_; }
  vcl::TButton *CancelButton() const { return cancel_; }

  // What the cancel button does: the report stops at its next check and
  // the window ends with the result cancel.
  void Cancel();

  std::function<void(TProgressForm *form)> OnWork;

 protected:
  void Dispatch(vcl::TMessage &message) override;

 private:
  void PostStart();

  TkvReport *report_ = nullptr;
  vcl::TLabel *label_ = nullptr;
  vcl::TButton *cancel_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The one preparation and printing window of the engine, made on first
// use without owner.
TProgressForm *KvSharedProgressForm();

// Set by the export window's cancel button; the export walk tests it and
// clears it when it starts.
bool &KvExportCancelled();

class TProgressFilterForm : public vcl::TForm {
  ORBISCA_CLASS(TProgressFilterForm, vcl::TForm)

 public:
  explicit TProgressFilterForm(vcl::TComponent *owner = nullptr);
  ~TProgressFilterForm() override;

  vcl::TModalResult Run();
  void Cancel();

  // The progress bar: its maximum (pages to export) and position. The
  // label shows the share done.
  int ProgressMax() const { return max_; }
  void SetProgressMax(int v);
  int Progress() const { return position_; }
  void SetProgress(int v);

  vcl::TLabel *Label() const { return label_; }
  vcl::TButton *CancelButton() const { return cancel_; }

  std::function<void(TProgressFilterForm *form)> OnWork;

 protected:
  void Dispatch(vcl::TMessage &message) override;

 private:
  void ShowShare();

  int max_ = 100;
  int position_ = 0;
  vcl::TLabel *label_ = nullptr;
  vcl::TButton *cancel_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace report
