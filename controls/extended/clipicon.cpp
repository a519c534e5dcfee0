// Icon handles from icon objects and the icon clipboard format; see
// clipicon.h.
#include "controls/extended/clipicon.h"

#include <QPainter>

#include "platform/rtl/exceptions.h"
#include "platform/vcl/clipboard.h"

namespace ext {

using namespace vcl;

namespace {

int g_display_bits = 24;

// The colours an icon image has; 0 stands for "more than 256" (true colour).
long long EntryColors(const TIconEntry &e) {
  if (e.color_count != 0) return e.color_count;
  const int bits = std::max(e.planes, 1) * e.bit_count;
  if (bits <= 0 || bits > 8) return 0;
  return 1LL << bits;
}

// Colour counts with 0 ranked above every finite count.
bool NotMoreColors(long long a, long long b) {
  if (b == 0) return true;
  if (a == 0) return false;
  return a <= b;
}
bool MoreColors(long long a, long long b) { return !NotMoreColors(a, b); }

QImage DefaultApplicationIcon() {
  const TSize s = SystemIconSize();
  QImage img(s.cx, s.cy, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setPen(Qt::black);
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(3, 2, s.cx - 8, s.cy - 5);
  p.fillRect(4, 3, s.cx - 9, 5, QColor(0, 0, 128));
  return img;
}

HICON HandleFromImage(const QImage &argb) {
  if (argb.isNull()) throw rtl::EOutOfResources(QStringLiteral("Out of system resources"));
  auto h = std::make_unique<TIconHandle>();
  h->color = argb.convertToFormat(QImage::Format_ARGB32);
  h->mask = QImage(argb.size(), QImage::Format_Mono);
  h->mask.setColor(0, qRgb(0, 0, 0));
  h->mask.setColor(1, qRgb(255, 255, 255));
  for (int y = 0; y < argb.height(); ++y)
    for (int x = 0; x < argb.width(); ++x) h->mask.setPixel(x, y, qAlpha(h->color.pixel(x, y)) == 0 ? 1 : 0);
  return h;
}

const unsigned g_icon_format_at_start = IconClipboardFormat();

}  // namespace

int DisplayColorBits() { return g_display_bits; }
void SetDisplayColorBits(int bits) { g_display_bits = bits; }
TSize SystemIconSize() { return {32, 32}; }

int ChooseIconEntry(const std::vector<TIconEntry> &entries, int display_bits) {
  // Deeper displays than 8 bits per pixel count as true colour (a plain
  // power of two would overflow at 32 bits).
  const long long display = (display_bits <= 0 || display_bits > 8) ? 0 : (1LL << display_bits);
  for (size_t i = 0; i < entries.size(); ++i)
    if (EntryColors(entries[i]) == display) return int(i);
  int taken = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    const long long c = EntryColors(entries[i]);
    if (taken < 0) {
      if (NotMoreColors(c, display)) taken = int(i);
    } else if (MoreColors(c, EntryColors(entries[taken]))) {
      taken = int(i);
    }
  }
  return taken < 0 ? 0 : taken;
}

HICON CreateIconFromBytes(const QByteArray &data) {
  if (data.size() < 6) return HandleFromImage(DefaultApplicationIcon());
  const int type = quint8(data[2]) | (quint8(data[3]) << 8);
  if (type == 0) return HandleFromImage(DefaultApplicationIcon());
  const std::vector<TIconEntry> entries = TIcon::ReadDirectory(data);
  const int chosen = ChooseIconEntry(entries, g_display_bits);
  return HandleFromImage(TIcon::DecodeEntry(data, entries[size_t(chosen)]));
}

HICON CreateRealSizeIcon(const TIcon *icon) {
  if (icon == nullptr) return HandleFromImage(DefaultApplicationIcon());
  const QByteArray data = icon->SaveToBytes();
  if (data.size() >= 6) {
    const int type = quint8(data[2]) | (quint8(data[3]) << 8);
    if (type != 0 && type != 1) return HandleFromImage(icon->ToImage());
  }
  return CreateIconFromBytes(data);
}

TSize IconHandleSize(const TIconHandle *icon) {
  if (icon == nullptr) return SystemIconSize();
  if (!icon->color.isNull()) return {icon->color.width(), icon->color.height()};
  if (!icon->mask.isNull()) return {icon->mask.width(), icon->mask.height() / 2};
  return SystemIconSize();
}

unsigned IconClipboardFormat() {
  static const unsigned format = [] {
    const unsigned f = RegisterClipboardFormat(QStringLiteral("Orbisca Icon"));
    TPicture::RegisterClipboardFormat(f, QStringLiteral("TIcon"), [] { return std::make_unique<TIcon>(); });
    return f;
  }();
  return format;
}

}  // namespace ext
