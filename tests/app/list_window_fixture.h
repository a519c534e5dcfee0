// The program's main window over the shop's week of stampe_fixture.h, with
// the kept list templates in the data folder, on the offscreen platform: the
// dialog responder answers through Respond(), an exception the application
// shows goes to Failed(), and the preview is a stand-in that hands each
// report it is given to Shown() and closes at once.
#pragma once

#include <QApplication>
#include <QDir>
#include <QTest>
#include <functional>
#include <memory>
#include <utility>

#include "app/menuform.h"
#include "app/stampe.h"
#include "platform/vcl/dialogs.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
#include "tests/app/stampe_fixture.h"

namespace app::testing {

class NotingPreview : public report::TkvPreview {
 public:
  explicit NotingPreview(std::function<void(NotingPreview *)> seen)
      : report::TkvPreview(nullptr), seen_(std::move(seen)) {}
  void DrawPage(QPainter *, int, const QRect &) override {}

 protected:
  void DoShow() override {
    report::TkvPreview::DoShow();
    seen_(this);
    SetModalResult(vcl::mrOk);
  }

 private:
  std::function<void(NotingPreview *)> seen_;
};

class ListWindow : public ShopWeek {
 protected:
  void SetUp() override {
    ShopWeek::SetUp();
    ASSERT_EQ(InstallListTemplates(QStringLiteral(ORBISCA_LIST_TEMPLATES), folder_).size(), 4);
    saved_dir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    vcl::InitApplication();
    vcl::Application->ShowExceptionSlot = [this](const QString &, const QString &text) { Failed(text); };
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &r) { return Respond(r); });
    saved_preview_ = report::KvPreviewFormClass();
    report::KvPreviewFormClass() = [this](vcl::TComponent *) -> report::TkvPreview * {
      return new NotingPreview([this](NotingPreview *p) { Shown(p); });
    };
    form_ = std::make_unique<TMenuForm>(nullptr);
    form_->Show();
    QApplication::setActiveWindow(form_->Handle());
    for (int i = 0; i < 100 && !form_->Started(); ++i) QTest::qWait(10);
    ASSERT_TRUE(form_->Started());
    form_->kvReport1->SetShowProgress(false);
  }
  void TearDown() override {
    form_.reset();
    report::KvPreviewFormClass() = saved_preview_;
    vcl::SetDialogResponder(previous_);
    vcl::Application->ShowExceptionSlot = nullptr;
    QDir::setCurrent(saved_dir_);
  }

  virtual vcl::TModalResult Respond(vcl::TDialogRequest &request) = 0;
  virtual void Failed(const QString &text) = 0;
  virtual void Shown(NotingPreview *preview) = 0;

  std::unique_ptr<TMenuForm> form_;

 private:
  QString saved_dir_;
  vcl::TDialogResponder previous_;
  report::TkvPreviewFormClass saved_preview_;
};

}  // namespace app::testing
