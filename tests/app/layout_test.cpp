// The windows as a person sees them: every control of a window lies inside
// its parent's client area (so below the main menu bar) and overlaps none
// of its visible neighbours, at the window's design size and maximised on a
// 1280 x 1024 screen; and each window's control rectangles are the ones of
// its design, kept in tests/data/layout, so a regression of a layout fails.
//
// A window that changes its layout on purpose gets its design written again
// with ORBISCA_WRITE_LAYOUT=1 (the files are then compared in review).
// Adding a window is one line of WindowCases() (window_cases.h), which the
// screenshots (scripts/screenshots) take too.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextStream>
#include <functional>
#include <memory>

#include "app/menuform.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/stdctrls.h"
#include "tests/app/app_fixture.h"
#include "tests/app/window_cases.h"

namespace app::testing {
namespace {

// The size a maximised window gets on a 1280 x 1024 screen under a title
// bar (the offscreen platform has no window manager to maximise it).
constexpr int kMaxWidth = 1280;
constexpr int kMaxHeight = 994;

// One control as the layout sees it: its name (or, for a nameless label,
// its parent's name and caption) and its rectangle in the form's client
// coordinates.
struct TPlaced {
  QString name;
  QRect rect;
};

QString NameOf(vcl::TControl *c) {
  if (!c->Name().isEmpty()) return c->Name();
  const QString parent = c->Parent() != nullptr ? c->Parent()->Name() : QString();
  return parent + QStringLiteral("/") + c->ClassName() + QStringLiteral(":") + c->Caption();
}

QRect FormRect(vcl::TControl *c) {
  QRect r(c->Left(), c->Top(), c->Width(), c->Height());
  for (vcl::TWinControl *p = c->Parent(); p != nullptr && p->Parent() != nullptr; p = p->Parent())
    r.translate(p->Left(), p->Top());
  return r;
}

// Walks the visible controls (a hidden one hides what it holds) and checks
// each against its parent and its visible siblings.
void Walk(vcl::TWinControl *parent, std::vector<TPlaced> &out, const std::string &where) {
  const QRect client(0, 0, parent->ClientWidth(), parent->ClientHeight());
  std::vector<vcl::TControl *> shown;
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (parent->Controls(i)->Visible()) shown.push_back(parent->Controls(i));
  for (size_t i = 0; i < shown.size(); ++i) {
    vcl::TControl *c = shown[i];
    const QRect r(c->Left(), c->Top(), c->Width(), c->Height());
    EXPECT_FALSE(r.isEmpty()) << where << ": " << NameOf(c).toStdString() << " has no size";
    EXPECT_TRUE(client.contains(r))
        << where << ": " << NameOf(c).toStdString() << " "
        << QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString()
        << " lies outside " << NameOf(parent).toStdString();
    for (size_t j = i + 1; j < shown.size(); ++j) {
      vcl::TControl *o = shown[j];
      const QRect ro(o->Left(), o->Top(), o->Width(), o->Height());
      EXPECT_FALSE(r.intersects(ro)) << where << ": " << NameOf(c).toStdString() << " overlaps "
                                     << NameOf(o).toStdString();
    }
    out.push_back({NameOf(c), FormRect(c)});
    if (auto *w = dynamic_cast<vcl::TWinControl *>(c)) Walk(w, out, where);
  }
}

QString Text(const std::vector<TPlaced> &placed) {
  QString text;
  for (const TPlaced &p : placed)
    text += QStringLiteral("%1 %2 %3 %4 %5\n")
                .arg(p.name)
                .arg(p.rect.x())
                .arg(p.rect.y())
                .arg(p.rect.width())
                .arg(p.rect.height());
  return text;
}

// Checks the window as it stands and compares it with its design file.
void CheckAgainstDesign(vcl::TCustomForm *form, const QString &design) {
  std::vector<TPlaced> placed;
  Walk(form, placed, design.toStdString());
  const QString actual = Text(placed);
  const QString file = qEnvironmentVariable("ORBISCA_TEST_DATA") + QStringLiteral("/layout/") + design + ".txt";
  if (qEnvironmentVariableIsSet("ORBISCA_WRITE_LAYOUT")) {
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(actual.toUtf8());
    return;
  }
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << "no design " << file.toStdString();
  EXPECT_EQ(actual, QString::fromUtf8(in.readAll())) << "the layout of " << design.toStdString() << " changed";
}

class WindowLayout : public DataFolder {
 protected:
  void SetUp() override {
    DataFolder::SetUp();
    saved_dir_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    vcl::InitApplication();
    vcl::Application->ShowExceptionSlot = [this](const QString &, const QString &text) { shown_ << text; };
    menu_ = std::make_unique<TMenuForm>(nullptr);
    menu_->Show();
    QApplication::setActiveWindow(menu_->Handle());
    for (int i = 0; i < 50 && !menu_->Started(); ++i) QTest::qWait(10);
    ASSERT_TRUE(menu_->Started());
  }
  void TearDown() override {
    menu_.reset();
    vcl::Application->ShowExceptionSlot = nullptr;
    QDir::setCurrent(saved_dir_);
    EXPECT_TRUE(shown_.isEmpty()) << shown_.join('\n').toStdString();
  }
  // At the design size against the design, then maximised for the rules.
  void CheckWindow(vcl::TCustomForm *form, const QString &design) {
    const QRect designed(form->Left(), form->Top(), form->Width(), form->Height());
    CheckAgainstDesign(form, design);
    if (form->BorderStyle() != vcl::bsSizeable) return;  // a dialog keeps its size
    form->SetBounds(0, 0, kMaxWidth, kMaxHeight);
    std::vector<TPlaced> placed;
    Walk(form, placed, (design + QStringLiteral(" maximised")).toStdString());
    form->SetBounds(designed.x(), designed.y(), designed.width(), designed.height());
  }

  QString saved_dir_;
  QStringList shown_;
  std::unique_ptr<TMenuForm> menu_;
};

TEST_F(WindowLayout, EveryWindowIsLaidOutAsDesigned) {
  for (const TWindowCase &w : WindowCases()) {
    SCOPED_TRACE(w.design);
    vcl::TCustomForm *form = w.prepare(menu_.get());
    ASSERT_NE(form, nullptr);
    CheckWindow(form, QString::fromLatin1(w.design));
  }
}

}  // namespace
}  // namespace app::testing
