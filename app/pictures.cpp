// The program's pictures, drawn in code (see pictures.h).
#include "app/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace app {

// The drawings are laid out in fractions of their size and in their own
// colours; naming each of those numbers would say nothing more.
// NOLINTBEGIN(readability-magic-numbers)

namespace {

// A row of bars of a barcode inside `r`, of uneven widths so that they look
// like a code and not like stripes.
void DrawBars(QPainter &p, const QRectF &r, const QColor &ink) {
  static constexpr std::array<int, 30> kWidths = {1, 1, 2, 1, 3, 1, 1, 2, 2, 1, 1, 3, 1, 2, 1,
                                                  1, 2, 1, 1, 3, 2, 1, 1, 1, 2, 2, 1, 3, 1, 1};
  int units = 0;
  for (int w : kWidths) units += w;
  const double unit = r.width() / units;
  double x = r.left();
  for (size_t i = 0; i < kWidths.size(); ++i) {
    const double w = kWidths[i] * unit;
    if (i % 2 == 0) p.fillRect(QRectF(x, r.top(), w, r.height()), ink);
    x += w;
  }
}

// One magazine lying at `centre`, turned by `angle` degrees: a coloured
// cover with a white masthead, a picture spot and a small barcode.
void DrawMagazine(QPainter &p, const QPointF &centre, const QSizeF &size, double angle, const QColor &cover) {
  p.save();
  p.translate(centre);
  p.rotate(angle);
  const QRectF r(-size.width() / 2, -size.height() / 2, size.width(), size.height());
  p.setPen(QPen(cover.darker(170), 1));
  p.setBrush(cover);
  p.drawRect(r);
  const QRectF masthead(r.left() + r.width() * 0.08, r.top() + r.height() * 0.06, r.width() * 0.84, r.height() * 0.18);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 250, 245));
  p.drawRect(masthead);
  p.setBrush(cover.darker(140));
  p.drawRect(masthead.adjusted(masthead.width() * 0.1, masthead.height() * 0.3, -masthead.width() * 0.25,
                               -masthead.height() * 0.3));
  p.setBrush(cover.lighter(150));
  p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.52), r.width() * 0.22, r.width() * 0.22);
  const QRectF label(r.left() + r.width() * 0.08, r.bottom() - r.height() * 0.2, r.width() * 0.4, r.height() * 0.14);
  p.setBrush(QColor(250, 250, 245));
  p.drawRect(label);
  DrawBars(p, label.adjusted(label.width() * 0.1, label.height() * 0.15, -label.width() * 0.1, -label.height() * 0.15),
           QColor(30, 30, 30));
  p.restore();
}

// A square of at least 8 pixels, transparent, for an icon to be painted on.
QImage TransparentSquare(int size) {
  size = std::max(size, 8);
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

}  // namespace

QImage SplashPicture(int width, int height) {
  QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  const double w = image.width();
  const double h = image.height();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  // The night-blue ground, lighter towards the counter.
  QLinearGradient ground(0, 0, 0, h);
  ground.setColorAt(0, QColor(13, 36, 82));
  ground.setColorAt(1, QColor(34, 78, 140));
  p.fillRect(QRectF(0, 0, w, h), ground);

  // The awning: red and white stripes whose lower edge hangs in scallops.
  constexpr int kStripes = 12;
  const double stripe = w / kStripes;
  const double band = h * 0.12;
  for (int i = 0; i < kStripes; ++i) {
    const QColor colour = i % 2 == 0 ? QColor(200, 16, 46) : QColor(244, 244, 240);
    QPainterPath path;
    path.moveTo(i * stripe, 0);
    path.lineTo((i + 1) * stripe, 0);
    path.lineTo((i + 1) * stripe, band);
    path.arcTo(QRectF(i * stripe, band - stripe / 2, stripe, stripe), 0, -180);
    path.closeSubpath();
    p.fillPath(path, colour);
  }
  p.setPen(QPen(QColor(120, 10, 30), 1));
  p.drawLine(QPointF(0, 0.5), QPointF(w, 0.5));

  // Piles of magazines in the lower corners, clear of the texts.
  const QSizeF magazine(w * 0.13, h * 0.36);
  DrawMagazine(p, QPointF(w * 0.09, h * 0.74), magazine, -8, QColor(242, 194, 48));
  DrawMagazine(p, QPointF(w * 0.15, h * 0.78), magazine, 6, QColor(58, 157, 93));
  DrawMagazine(p, QPointF(w * 0.85, h * 0.78), magazine, -5, QColor(230, 107, 46));
  DrawMagazine(p, QPointF(w * 0.91, h * 0.74), magazine, 9, QColor(92, 132, 214));

  // A barcode under the texts, as the scanner reads them at the counter.
  const QRectF code(w * 0.38, h * 0.84, w * 0.24, h * 0.12);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 250, 245));
  p.drawRoundedRect(code, 2, 2);
  DrawBars(p, code.adjusted(code.width() * 0.08, code.height() * 0.18, -code.width() * 0.08, -code.height() * 0.18),
           QColor(20, 20, 20));
  return image;
}

QImage ProgramIcon(int size) {
  QImage image = TransparentSquare(size);
  const double s = image.width();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A second issue behind the first, for depth.
  DrawMagazine(p, QPointF(s * 0.58, s * 0.47), QSizeF(s * 0.56, s * 0.78), 10, QColor(40, 96, 176));
  DrawMagazine(p, QPointF(s * 0.42, s * 0.53), QSizeF(s * 0.56, s * 0.78), -4, QColor(200, 16, 46));
  return image;
}

QImage BinGlyph(int size) {
  QImage image = TransparentSquare(size);
  const double s = image.width();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor outline(46, 58, 72);
  const QColor body(110, 132, 156);
  const QPen pen(outline, std::max(1.0, s / 16));
  p.setPen(pen);
  // The lid and its handle.
  p.setBrush(body);
  p.drawRect(QRectF(s * 0.16, s * 0.18, s * 0.68, s * 0.1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(s * 0.38, s * 0.06, s * 0.24, s * 0.12));
  // The body, narrowing towards the bottom, with its ribs.
  QPainterPath tub;
  tub.moveTo(s * 0.22, s * 0.32);
  tub.lineTo(s * 0.78, s * 0.32);
  tub.lineTo(s * 0.72, s * 0.92);
  tub.lineTo(s * 0.28, s * 0.92);
  tub.closeSubpath();
  p.setBrush(body);
  p.drawPath(tub);
  p.setPen(QPen(body.lighter(150), std::max(1.0, s / 16)));
  for (double x : {0.38, 0.5, 0.62}) p.drawLine(QPointF(s * x, s * 0.4), QPointF(s * x, s * 0.84));
  return image;
}

// NOLINTEND(readability-magic-numbers)

std::unique_ptr<vcl::TBitmap> BitmapOf(const QImage &image, const QColor &ground) {
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(ground);
  QPainter p(&flat);
  p.drawImage(0, 0, image);
  p.end();
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetImage(flat);
  return bitmap;
}

}  // namespace app
