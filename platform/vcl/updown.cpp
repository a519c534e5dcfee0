// The up-down control over two arrow buttons (see updown.h).
#include "platform/vcl/updown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "platform/vcl/reportfailures.h"
#include "platform/vcl/stdctrls.h"

namespace vcl {

namespace {

constexpr int kDefaultHeight = 21;

}  // namespace

TUpDown::TUpDown(TComponent *owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents, csDoubleClicks});
  SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
}

QWidget *TUpDown::CreateWidget(QWidget *parent_widget) {
  auto *box = new TControlWidget<QWidget>(this, parent_widget);
  auto *layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (const auto &[arrow, button] : {std::pair{Qt::UpArrow, btNext}, std::pair{Qt::DownArrow, btPrev}}) {
    auto *b = new QToolButton(box);
    b->setObjectName(button == btNext ? QStringLiteral("up") : QStringLiteral("down"));
    b->setArrowType(arrow);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(b);
    QObject::connect(b, &QToolButton::clicked, b,
                     [this, button] { ReportFailures(this, [this, button] { Click(button); }); });
  }
  return box;
}

void TUpDown::SetMin(int value) {
  min_ = value;
  max_ = std::max(max_, min_);
  SetPosition(position_);
}

void TUpDown::SetMax(int value) {
  max_ = std::max(value, min_);
  SetPosition(position_);
}

void TUpDown::SetPosition(int value) {
  position_ = std::clamp(value, min_, max_);
  ShowPosition();
}

void TUpDown::ShowPosition() {
  if (associate_ != nullptr) associate_->SetText(QString::number(position_));
}

void TUpDown::SetAssociate(TCustomEdit *edit) {
  if (edit == associate_) return;
  if (associate_ != nullptr) associate_->RemoveFreeNotification(this);
  associate_ = edit;
  if (edit == nullptr) return;
  edit->FreeNotification(this);
  SetParent(edit->Parent());
  const int width = std::min(Width(), edit->Width() - 1);
  edit->SetWidth(edit->Width() - width);
  SetBounds(edit->Left() + edit->Width(), edit->Top(), width, edit->Height());
  ShowPosition();
}

void TUpDown::Click(TUDBtnType button) {
  if (associate_ != nullptr) {
    // A number typed into the edit is where the step starts.
    bool ok = false;
    const int typed = associate_->Text().trimmed().toInt(&ok);
    if (ok) position_ = std::clamp(typed, min_, max_);
  }
  SetPosition(button == btNext ? position_ + increment_ : position_ - increment_);
  if (OnClick) OnClick(this, button);
}

void TUpDown::Notification(TComponent *component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == associate_) associate_ = nullptr;
}

}  // namespace vcl
