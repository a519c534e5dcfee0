// The designer's font box (see kvfontbox.h).
#include "report/designer/kvfontbox.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <algorithm>

namespace report {

QString KvFontFamilyName(const QString &name) {
  static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]\\s*$"));
  return QString(name).remove(foundry).trimmed();
}

QStringList KvFontFamilies() {
  QStringList out;
  for (const QString &family : QFontDatabase::families()) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    const QString name = KvFontFamilyName(family);
    if (!name.isEmpty() && !out.contains(name, Qt::CaseInsensitive)) out << name;
  }
  out.sort(Qt::CaseInsensitive);
  return out;
}

bool KvScalableFont(const QString &family) {
  return QFontDatabase::isSmoothlyScalable(family) || QFontDatabase::isScalable(family);
}

QIcon KvScalableFontIcon() {
  // NOLINTBEGIN(readability-magic-numbers)
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPixelSize(12);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(128, 128, 128));
  p.drawText(QRect(0, 0, 11, 13), Qt::AlignCenter, QStringLiteral("T"));
  p.setPen(QColor(0, 0, 0));
  p.drawText(QRect(5, 3, 11, 13), Qt::AlignCenter, QStringLiteral("T"));
  // NOLINTEND(readability-magic-numbers)
  return QIcon(picture);
}

namespace {

void MarkScalable(vcl::TComboBox *box) {
  auto *combo = qobject_cast<QComboBox *>(box->Handle());
  if (combo == nullptr) return;
  static const QIcon mark = KvScalableFontIcon();
  for (int i = 0; i < combo->count() && i < box->Items()->Count(); ++i)
    combo->setItemIcon(i, KvScalableFont(box->Items()->Strings(i)) ? mark : QIcon());
}

}  // namespace

void KvFillFontBox(vcl::TComboBox *box, const QStringList &families) {
  box->Items()->Clear();
  for (const QString &f : families) box->Items()->Add(f);
  MarkScalable(box);
}

void KvShowFontInBox(vcl::TComboBox *box, const QString &family) {
  const QString name = KvFontFamilyName(family);
  int index = -1;
  for (int i = 0; i < box->Items()->Count(); ++i)
    if (box->Items()->Strings(i).compare(name, Qt::CaseInsensitive) == 0) {
      index = i;
      break;
    }
  if (index < 0 && !name.isEmpty()) {
    // The first entry stands for "no font chosen" when several objects are
    // selected: the name goes after it.
    index = std::min(1, box->Items()->Count());
    while (index < box->Items()->Count() && box->Items()->Strings(index).compare(name, Qt::CaseInsensitive) < 0)
      ++index;
    box->Items()->Insert(index, name);
    MarkScalable(box);
  }
  box->SetItemIndex(index);
}

}  // namespace report
