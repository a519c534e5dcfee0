// Drawing a finished page in the preview, and the blinking match.
//
// A page is its metafile played into the page's rectangle. At a zoom other
// than 100% a font drawn at the new size does not keep the width its text
// had at 100% (glyph sizes do not scale evenly), so texts would outgrow
// their frames or fall short of the numbers aligned under them. Each text
// record is therefore drawn here character by character: the characters
// are measured in the zoomed font and spread by one factor so that the
// text ends where the recorded advances, scaled, make it end.
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "platform/vcl/metafile.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/preview/kvprev.h"

namespace report {

namespace {

// Record fields: the one value of a mode record, and the text-out fields.
constexpr std::uint32_t kOffValue = 8;
constexpr std::uint32_t kOffReference = 36;
constexpr std::uint32_t kOffChars = 44;
constexpr std::uint32_t kOffOptions = 52;
constexpr std::uint32_t kOffDx = 72;
// Options of a text record that this drawing leaves to the player: an
// opaque background, a clip to the record's own rectangle.
constexpr std::uint32_t kOpaqueOrClipped = 0x6;
// Factors this close to one are taken as one.
constexpr double kSameScale = 1e-6;
constexpr int kMaxStretch = 4000;
// The match's area reaches this far around its text (page pixels).
constexpr int kMatchMargin = 4;

// The text drawn into `target` with its characters spread as described
// above. False when the record is not one this can redraw (then it is
// played as it is).
bool DrawFittedText(QPainter *painter, const vcl::TEmfRecord &r, const vcl::TEmfPlayer &player, const QRectF &frame,
                    const QRectF &target) {
  if (r.Type != vcl::EMR_EXTTEXTOUTW || !player.WorldTransform().isIdentity() || player.Font().Escapement != 0)
    return false;
  if ((r.UInt(kOffOptions) & kOpaqueOrClipped) != 0) return false;  // opaque or clipped to its own rectangle
  const std::uint32_t n = r.UInt(kOffChars);
  const std::uint32_t off_dx = r.UInt(kOffDx);
  if (n == 0 || off_dx == 0 || std::uint64_t(off_dx) + 4ull * n > r.Size) return false;
  const QString text = r.Text();
  if (std::uint32_t(text.size()) != n) return false;
  const double sx = target.width() / frame.width();
  const double sy = target.height() / frame.height();

  // The characters whose recorded advances stay within the record's width.
  const int bound = r.Bounds().width();
  std::vector<int> advances;
  int sum = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    const int dx = r.Int(off_dx + 4 * i);
    if (i > 0 && sum + dx > bound) break;
    sum += dx;
    advances.push_back(dx);
  }
  const int count = int(advances.size());

  QFont font = player.QtFont();
  font.setUnderline(false);
  font.setStrikeOut(false);
  font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * sy))));
  if (std::fabs(sx - sy) > kSameScale)
    font.setStretch(std::clamp(int(std::lround(QFont::Unstretched * sx / sy)), 1, kMaxStretch));
  const QFontMetricsF fm(font, painter->device());
  std::vector<double> edge(size_t(count) + 1, 0.0);
  for (int i = 0; i < count; ++i) edge[size_t(i) + 1] = edge[size_t(i)] + fm.horizontalAdvance(text.at(i));
  double f = 1.0;
  if (count >= 2 && edge[size_t(count) - 1] > 0) {
    const double last = edge[size_t(count)] - edge[size_t(count) - 1];
    f = (sx * sum - last) / edge[size_t(count) - 1];
  }

  const double x0 = target.left() + r.Int(kOffReference) * sx;
  const double y0 = target.top() + r.Int(kOffReference + 4) * sy;
  painter->save();
  painter->setWorldTransform(QTransform());
  painter->setFont(font);
  painter->setPen(vcl::ColorToQColor(player.TextColor()));
  for (int i = 0; i < count; ++i) {
    const double x = x0 + std::round(edge[size_t(i)] * f);
    painter->drawText(QPointF(x, y0), QString(text.at(i)));
  }
  painter->restore();
  return true;
}

}  // namespace

void TStandardPreview::DrawPage(QPainter *painter, int page_index, const QRect &rect) {
  if (painter == nullptr || Report() == nullptr) return;
  const TkvEMFPage *page = Report()->EMFPages().Page(page_index);
  if (page == nullptr || page->Picture == nullptr || page->Picture->Empty()) return;
  const vcl::TMetafile &picture = *page->Picture;
  const QRectF frame = picture.Frame();
  if (frame.width() <= 0 || frame.height() <= 0 || rect.isEmpty()) return;
  const double sx = rect.width() / frame.width();
  const double sy = rect.height() / frame.height();
  // Texts are fitted when the page is zoomed, and not too small to read.
  constexpr double kFullSize = 1e-3;
  constexpr double kFitAbove = 0.75;
  const bool at_100 = std::fabs(sx - 1.0) < kFullSize && std::fabs(sy - 1.0) < kFullSize;
  const bool refit = !at_100 && (sx > kFitAbove || sy > kFitAbove);
  const QRectF clip = painter->hasClipping() ? painter->clipBoundingRect() : QRectF(rect);
  std::unique_ptr<vcl::TEmfPlayer> player = picture.CreatePlayer(painter, QRectF(rect));
  std::uint32_t align = vcl::TA_BASELINE;
  int bk_mode = 1;
  picture.Enumerate([&](const vcl::TEmfRecord &r) {
    if (r.Type == vcl::EMR_SETTEXTALIGN) align = r.UInt(kOffValue);
    if (r.Type == vcl::EMR_SETBKMODE) bk_mode = r.Int(kOffValue);
    if (r.Type == vcl::EMR_EXTTEXTOUTW || r.Type == vcl::EMR_EXTTEXTOUTA) {
      // A text outside what is being painted is left out.
      const QRect b = r.Bounds();
      const QRectF bounds(rect.left() + b.left() * sx, rect.top() + b.top() * sy, b.width() * sx + 1,
                          b.height() * sy + 1);
      if (!bounds.intersects(clip)) return true;
      constexpr int kOpaqueBackground = 2;
      const bool plain = (align & ~std::uint32_t(vcl::TA_BASELINE)) == 0 && bk_mode != kOpaqueBackground;
      if (refit && plain && DrawFittedText(painter, r, *player, frame, QRectF(rect))) return true;
    }
    player->Play(r);
    return true;
  });
}

void TStandardPreview::PaintMatch(QPainter *painter) {
  if (!Blinking() || blink_ticks_ % 2 == 0 || match_.Page < 0 || Report() == nullptr) return;
  const TkvEMFPage *page = Report()->EMFPages().Page(match_.Page);
  if (page == nullptr || page->Picture == nullptr) return;
  const QRect r = layout_.PageRect(match_.Page);
  const QRectF frame = page->Picture->Frame();
  if (frame.width() <= 0 || frame.height() <= 0) return;
  const double sx = r.width() / frame.width();
  const double sy = r.height() / frame.height();
  const QRectF area(r.left() + (match_.Bounds.left() - kMatchMargin) * sx,
                    r.top() + (match_.Bounds.top() - kMatchMargin) * sy,
                    (match_.Bounds.width() + 2 * kMatchMargin) * sx, (match_.Bounds.height() + 2 * kMatchMargin) * sy);
  // The font and colour in force at the match.
  std::unique_ptr<vcl::TEmfPlayer> state = page->Picture->CreatePlayer(nullptr, frame);
  QString text;
  QPointF at;
  int index = 0;
  page->Picture->Enumerate([&](const vcl::TEmfRecord &rec) {
    if (index++ == match_.Record) {
      text = rec.Text();
      at = QPointF(r.left() + rec.TextPoint().X * sx, r.top() + rec.TextPoint().Y * sy);
      return false;
    }
    state->Play(rec);
    return true;
  });
  painter->save();
  painter->setClipRect(area.toAlignedRect());
  painter->fillRect(area, Qt::black);
  QFont font = state->QtFont();
  font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * sy))));
  painter->setFont(font);
  // White on black; a white text shows blue.
  painter->setPen(state->TextColor() == vcl::clWhite ? QColor(Qt::blue) : QColor(Qt::white));
  painter->drawText(at, text);
  painter->restore();
}

}  // namespace report
