// Progress windows of report preparation, printing and export.
#include "report/engine/component/kvprogr.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>

#include "platform/vcl/consts.h"
#include "report/engine/component/kvreport.h"

namespace report {

namespace {

// The work starts from the event loop, once the modal loop runs: a queued
// call stands for the message the window posts itself.
void PostTo(vcl::TControl *control, const std::shared_ptr<bool> &alive) {
  std::weak_ptr<bool> weak = alive;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [control, weak] {
        if (weak.expired()) return;
        control->Perform(kvProgressStartMessage);
      },
      Qt::QueuedConnection);
}

template <class Form>
void Layout(Form *form, vcl::TLabel *&label, vcl::TButton *&cancel, int height) {
  form->vcl::TCustomForm::SetPosition(vcl::poScreenCenter);
  form->SetBorderIcons(vcl::TBorderIcons{vcl::biMinimize, vcl::biMaximize});
  form->SetBounds(0, 0, 300, height);
  label = new vcl::TLabel(form);
  label->SetParent(form);
  label->SetBounds(12, 12, 276, 16);
  cancel = new vcl::TButton(form);
  cancel->SetParent(form);
  cancel->SetCaption(QStringLiteral("&Annulla"));
  cancel->SetCancel(true);
  cancel->SetBounds(112, height - 40, 75, 25);
  cancel->OnClick = [form](rtl::TObject *) { form->Cancel(); };
}

// The private message runs the work event; true when it was that message.
template <class Form>
bool StartWork(Form *form, const vcl::TMessage &message) {
  if (message.Msg != kvProgressStartMessage) return false;
  if (form->OnWork) form->OnWork(form);
  return true;
}

}  // namespace

TProgressForm::TProgressForm(vcl::TComponent *owner) : vcl::TForm(owner) { Layout(this, label_, cancel_, 100); }

TProgressForm::~TProgressForm() { *alive_ = false; }

void TProgressForm::PostStart() { PostTo(this, alive_); }

vcl::TModalResult TProgressForm::Run(TkvReport *report) {
  report_ = report;
  PostStart();
  return ShowModal();
}

void TProgressForm::Cancel() {
  if (report_ != nullptr) report_->SetTerminated(true);
  SetModalResult(vcl::mrCancel);
}

void TProgressForm::Dispatch(vcl::TMessage &message) {
  if (!StartWork(this, message)) vcl::TForm::Dispatch(message);
}

TProgressForm *KvSharedProgressForm() {
  // Freed at the end only while Qt still runs (its window needs it).
  struct Deleter {
    void operator()(TProgressForm *form) const {
      if (QCoreApplication::instance() != nullptr) delete form;
    }
  };
  static std::unique_ptr<TProgressForm, Deleter> form;
  if (!form) form.reset(new TProgressForm(nullptr));
  return form.get();
}

bool &KvExportCancelled() {
  static bool cancelled = false;
  return cancelled;
}

TProgressFilterForm::TProgressFilterForm(vcl::TComponent *owner) : vcl::TForm(owner) {
  Layout(this, label_, cancel_, 120);
  SetCaption(QStringLiteral("Esportazione..."));
  ShowShare();
}

TProgressFilterForm::~TProgressFilterForm() { *alive_ = false; }

vcl::TModalResult TProgressFilterForm::Run() {
  PostTo(this, alive_);
  return ShowModal();
}

void TProgressFilterForm::Cancel() {
  KvExportCancelled() = true;
  SetModalResult(vcl::mrCancel);
}

void TProgressFilterForm::SetProgressMax(int v) {
  max_ = std::max(0, v);
  position_ = std::min(position_, max_);
  ShowShare();
}

void TProgressFilterForm::SetProgress(int v) {
  position_ = std::clamp(v, 0, max_);
  ShowShare();
}

void TProgressFilterForm::ShowShare() {
  const int share = max_ > 0 ? position_ * 100 / max_ : 0;
  label_->SetCaption(QString::number(share) + QStringLiteral(" %"));
}

void TProgressFilterForm::Dispatch(vcl::TMessage &message) {
  if (!StartWork(this, message)) vcl::TForm::Dispatch(message);
}

}  // namespace report
