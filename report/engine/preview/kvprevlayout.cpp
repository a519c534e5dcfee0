// Where the preview puts the finished pages (see kvprevlayout.h).
#include "report/engine/preview/kvprevlayout.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "platform/rtl/formatsettings.h"
#include "report/engine/prepare/kvemfpages.h"

namespace report {

namespace {

// Report pixels for a tenth of a millimetre: 794 pixels for 210 mm.
constexpr double kPixelsPerTenth = 794.0 / 2100.0;

QString ModeName(TkvZoomMode mode) {
  switch (mode) {
    case zmPageWidth:
      return QStringLiteral("Larghezza");
    case zmOnePage:
      return QStringLiteral("Una pagina");
    case zmTwoPages:
      return QStringLiteral("Due pagine");
    default:
      return QString();
  }
}

}  // namespace

QSize TkvPreviewLayout::PageSize100(const TkvEMFPage &page) {
  int w = int(std::lround(page.PaperWidth * kPixelsPerTenth));
  int h = int(std::lround(page.PaperHeight * kPixelsPerTenth));
  if (page.Orientation == 1) std::swap(w, h);
  // A page without paper data takes its picture's size.
  if ((w <= 0 || h <= 0) && page.Picture != nullptr) return {page.Picture->Width(), page.Picture->Height()};
  return {std::max(w, 0), std::max(h, 0)};
}

void TkvPreviewLayout::SetPages(std::vector<QSize> sizes) {
  sizes_ = std::move(sizes);
  largest_ = QSize();
  for (const QSize &s : sizes_) largest_ = largest_.expandedTo(s);
  vpos_ = hpos_ = 0;
}

double TkvPreviewLayout::ZoomOfMode(TkvZoomMode mode) const {
  if (mode == zmPercent || largest_.width() <= 0 || largest_.height() <= 0) return zoom_;
  const double width = mode == zmTwoPages ? 2.0 * largest_.width() : largest_.width();
  double f = (panel_.width() - 2 * kBorder) / width;
  if (mode != zmPageWidth && largest_.height() * f > panel_.height() - 2 * kBorder)
    f *= (panel_.height() - 2 * kBorder) / (largest_.height() * f);
  return std::clamp(f * 100.0, kMinZoom, kMaxZoom);
}

void TkvPreviewLayout::SetZoom(double zoom) {
  if (!std::isfinite(zoom)) return;
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  // The same place of the current page stays at the top.
  const int current = CurrentPage();
  double fraction = 0.0;
  if (current > 0) {
    const int height = ZoomedSize(current - 1).height();
    if (height > 0) fraction = double(vpos_ + kBorder - RowTop(current - 1)) / height;
  }
  zoom_ = zoom;
  if (current > 0) {
    ShowPage(current);
    SetVPos(vpos_ + int(std::lround(fraction * ZoomedSize(current - 1).height())));
  }
  hpos_ = HRange() > kCentreBelow ? 0 : HRange() / 2;
}

void TkvPreviewLayout::SetMode(TkvZoomMode mode) {
  mode_ = mode;
  if (mode != zmPercent) SetZoom(ZoomOfMode(mode));
}

void TkvPreviewLayout::Refit() {
  if (mode_ != zmPercent) SetZoom(ZoomOfMode(mode_));
  SetVPos(vpos_);
  SetHPos(hpos_);
}

QSize TkvPreviewLayout::ZoomedSize(int index) const {
  if (index < 0 || index >= PageCount()) return {};
  const QSize &s = sizes_[size_t(index)];
  return {int(std::lround(s.width() * zoom_ / 100.0)), int(std::lround(s.height() * zoom_ / 100.0))};
}

int TkvPreviewLayout::RowTop(int index) const {
  int y = kBorder;
  const int step = TwoPages() ? 2 : 1;
  for (int first = 0; first + step <= index; first += step) {
    int height = ZoomedSize(first).height();
    if (step == 2) height = std::max(height, ZoomedSize(first + 1).height());
    y += height + kGap;
  }
  return y;
}

int TkvPreviewLayout::TotalHeight() const {
  if (PageCount() == 0) return 0;
  const int last = PageCount() - 1;
  int height = ZoomedSize(last).height();
  if (TwoPages() && last % 2 == 1) height = std::max(height, ZoomedSize(last - 1).height());
  return RowTop(last) + height + kGap;
}

QRect TkvPreviewLayout::PageRect(int index) const {
  const QSize size = ZoomedSize(index);
  const int y = RowTop(index) - vpos_;
  int x;
  if (!TwoPages()) {
    x = size.width() > panel_.width() ? kBorder : (panel_.width() - (size.width() + 2 * kBorder) - 2) / 2 + kBorder;
  } else if (size.width() > panel_.width() / 2) {
    // Wider than half the panel: side by side from the left.
    x = index % 2 == 0 ? kBorder : kBorder + ZoomedSize(index - 1).width() + kBorder;
  } else {
    x = (panel_.width() / 2 - size.width() - 2) / 2;
    if (index % 2 == 1) x += panel_.width() / 2;
  }
  return {x - hpos_, y, size.width(), size.height()};
}

// Everything below the panel, and at least as far as brings the last row
// to the top, so that every page can be shown at the top.
int TkvPreviewLayout::VRange() const {
  if (PageCount() == 0) return 0;
  return std::max({0, TotalHeight() - panel_.height(), RowTop(PageCount() - 1) - kBorder});
}

int TkvPreviewLayout::HRange() const {
  const int width = int(std::lround(largest_.width() * zoom_ / 100.0)) * (TwoPages() ? 2 : 1);
  return std::max(0, width - panel_.width() + 2 * kBorder);
}

void TkvPreviewLayout::SetVPos(int pos) { vpos_ = std::clamp(pos, 0, VRange()); }
void TkvPreviewLayout::SetHPos(int pos) { hpos_ = std::clamp(pos, 0, HRange()); }

int TkvPreviewLayout::CurrentPage() const {
  int current = 0;
  for (int i = 0; i < PageCount(); ++i) {
    if (RowTop(i) - vpos_ > kBorder) break;
    current = i + 1;
  }
  if (current == 0 && PageCount() > 0) current = 1;
  if (TwoPages() && current > 0 && current % 2 == 0) --current;
  return current;
}

void TkvPreviewLayout::ShowPage(int n) {
  if (PageCount() == 0) return;
  n = std::clamp(n, 1, PageCount());
  SetVPos(RowTop(n - 1) - kBorder);
}

int TkvPreviewLayout::NextPage() const {
  return std::min(CurrentPage() + (TwoPages() ? 2 : 1), std::max(PageCount(), 1));
}

int TkvPreviewLayout::PrevPage() const { return std::max(CurrentPage() - (TwoPages() ? 2 : 1), 1); }

QString TkvPreviewLayout::CounterText() const {
  constexpr int kBlanks = 10;
  return QStringLiteral("Pagina %1/%2").arg(CurrentPage()).arg(PageCount()) + QString(kBlanks, u' ');
}

QString TkvPreviewLayout::ZoomText(double zoom) {
  constexpr double kTenths = 10.0;
  constexpr double kRounding = 1e-9;  // 120.5 stored as 120.4999...
  const double tenths = std::trunc(zoom * kTenths + kRounding) / kTenths;
  QString text = QString::number(tenths, 'f', 1);
  text.replace(u'.', rtl::FormatSettings().DecimalSeparator);
  return text + u'%';
}

bool TkvPreviewLayout::ParseZoomText(const QString &text, TkvZoomMode &mode, double &zoom) {
  const QString t = text.trimmed();
  for (TkvZoomMode m : {zmPageWidth, zmOnePage, zmTwoPages}) {
    if (t.compare(ModeName(m), Qt::CaseInsensitive) == 0) {
      mode = m;
      return true;
    }
  }
  QString number = t;
  if (number.endsWith(u'%')) number.chop(1);
  number.replace(rtl::FormatSettings().DecimalSeparator, u'.');
  bool ok = false;
  const double value = number.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value) || value <= 0) return false;
  mode = zmPercent;
  zoom = value;
  return true;
}

const QStringList &TkvPreviewLayout::ZoomItems() {
  static const QStringList items = {QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
                                    QStringLiteral("75%"),  QStringLiteral("50%"),  QStringLiteral("25%"),
                                    ModeName(zmPageWidth),  ModeName(zmOnePage),    ModeName(zmTwoPages)};
  return items;
}

}  // namespace report
