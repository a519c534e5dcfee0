// Shared pieces of the designer editors' tests: message boxes and common
// dialogs answered without a window (and remembered), the engine's state
// and editor table put back after each test, the open modal form of a
// class, and a clipboard that holds the user's own text throughout.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

#include "platform/vcl/clipboard.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/model/kvservices.h"

namespace report::testing {

// The shown form of a class (the modal one a test drives), or nullptr.
template <class Form>
Form *OpenForm() {
  for (int i = vcl::Screen->FormCount() - 1; i >= 0; --i) {
    auto *form = dynamic_cast<Form *>(vcl::Screen->Forms(i));
    if (form != nullptr && form->Visible()) return form;
  }
  return nullptr;
}

// Once the next modal form is shown, `work` runs on the shown form of class
// Form (the user's part). When there is none, every modal form is
// cancelled so that the test fails instead of waiting.
template <class Form>
void WhenShown(std::function<void(Form *)> work) {
  QTimer::singleShot(0, [work = std::move(work)] {
    Form *form = OpenForm<Form>();
    if (form != nullptr) {
      work(form);
      return;
    }
    ADD_FAILURE() << "no " << Form::StaticClassName().toStdString() << " was shown";
    for (int i = 0; i < vcl::Screen->FormCount(); ++i)
      if (vcl::Screen->Forms(i)->IsModal()) vcl::Screen->Forms(i)->SetModalResult(vcl::mrCancel);
  });
}

// The editors' fixture over any test base (a plain test, or the program's
// database for the editors that list datasets and fields).
template <class Base = ::testing::Test>
class EditorTestOn : public Base {
 protected:
  // What the user keeps on the clipboard while editing.
  static QString UserClipboardText() { return QStringLiteral("testo dell'utente negli appunti"); }

  void SetUp() override {
    Base::SetUp();
    previous_ = vcl::SetDialogResponder([this](vcl::TDialogRequest &request) {
      requests.push_back(request);
      return respond ? respond(request) : vcl::mrOk;
    });
    vcl::Clipboard().SetAsText(UserClipboardText());
  }
  void TearDown() override {
    vcl::SetDialogResponder(previous_);
    KvEditorServices() = services_;
    Base::TearDown();
  }

  // The texts of the message boxes shown, in order.
  QStringList Messages() const {
    QStringList out;
    for (const vcl::TDialogRequest &r : requests)
      if (r.kind == vcl::TDialogKind::Message) out << r.text;
    return out;
  }

  std::vector<vcl::TDialogRequest> requests;
  // Answers the dialogs in the user's place (OK when unset).
  std::function<vcl::TModalResult(vcl::TDialogRequest &)> respond;

 private:
  TkvEngineStateGuard engine_;
  TkvEditorServices services_ = KvEditorServices();
  vcl::TDialogResponder previous_;
};

using EditorTest = EditorTestOn<>;

}  // namespace report::testing
