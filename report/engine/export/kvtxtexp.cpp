// Plain-text export filter (see kvtxtexp.h).
#include "report/engine/export/kvtxtexp.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/rtl/cp1252.h"

namespace report {

bool RegisterTextExportFilter() {
  static const bool done =
      KvRegisterExportFilter([](rtl::TStream *stream) { return std::make_unique<TkvTextExportFilter>(stream); },
                             TkvTextExportFilter::kDescription, QStringLiteral("*.txt"));
  return done;
}

TkvTextExportObject::TkvTextExportObject(vcl::TComponent *owner) : vcl::TComponent(owner) {
  RegisterTextExportFilter();
}

namespace {

const bool registered = RegisterTextExportFilter();

// The height a font's text takes on the grid: its character height and two
// pixels. A font given by cell height (positive) counts the same way rather
// than giving a negative height.
int LineHeightOf(const vcl::TFont *font) {
  const int h = font != nullptr ? font->Height() : -11;
  return (h < 0 ? -h : h) + 2;
}

int RoundHalfEven(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::nearbyint(std::clamp(v, -1e9, 1e9)));
}

}  // namespace

void TkvTextExportFilter::Write(const QByteArray &bytes) {
  if (!bytes.isEmpty()) Stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TkvTextExportFilter::OnBeginPage(int width, int height) {
  (void)registered;
  for (QString &line : lines_) line.clear();
  Options.Columns = std::clamp<std::int16_t>(Options.Columns, 40, 132);
  char_width_ = std::max(1.0, double(width) / Options.Columns);
  page_height_ = height;
  line_ = -1;
  max_line_ = -1;
  min_column_ = INT_MAX;
  min_y_ = INT_MAX;
}

void TkvTextExportFilter::OnText(int x, int y, const QString &text, vcl::TFont *font) {
  min_y_ = std::min(min_y_, y);
  const int height = LineHeightOf(font);
  if (line_ < 0) {
    line_ = 0;
    line_top_ = y;
    line_height_ = height;
    average_height_ = height;
    measured_ = 1;
  } else {
    average_height_ = (average_height_ * measured_ + line_height_) / (measured_ + 1);
    ++measured_;
    if (y < line_top_ + line_height_ - 1) {
      if (height > line_height_) {
        line_height_ = height;
        line_top_ = y;
      }
    } else {
      line_ += (y - line_top_) / line_height_;
      line_top_ = y;
      line_height_ = height;
    }
  }
  max_line_ = std::max(max_line_, line_);
  // Columns count from 1; a text left of the first column starts there.
  const int column = std::max(1, RoundHalfEven(x / char_width_));
  min_column_ = std::min(min_column_, column);
  // The grid is fixed: what falls below its last line or right of its last
  // column is left out.
  if (line_ >= kLines || column > kLineWidth) return;
  QString &line = lines_[static_cast<size_t>(line_)];
  if (line.isEmpty()) line.fill(QLatin1Char(' '), kLineWidth);
  const int start = column - 1;
  const int count = std::min<int>(text.size(), kLineWidth - start);
  line.replace(start, count, text.left(count));
}

void TkvTextExportFilter::OnEndPage() {
  QByteArray out;
  if (line_ >= 0) {
    int count = Options.BottomMargin
                    ? RoundHalfEven((page_height_ - line_top_ - line_height_) / average_height_ + line_)
                    : max_line_ + 1;
    // The bottom margin may ask for blank lines past the grid, never for
    // an endless run of them.
    count = std::clamp(count, 0, 10 * kLines);
    if (Options.TopMargin) {
      const int blank = std::clamp(RoundHalfEven(min_y_ / average_height_), 0, 10 * kLines);
      for (int i = 0; i < blank; ++i) out += "\r\n";
    }
    const int from = Options.LeftMargin ? 0 : std::max(0, min_column_ - 1);
    for (int i = 0; i < count; ++i) {
      if (i < kLines && !lines_[static_cast<size_t>(i)].isEmpty()) {
        const QString &line = lines_[static_cast<size_t>(i)];
        int end = line.size();
        while (end > 0 && line[end - 1] == QLatin1Char(' ')) --end;
        if (end > from) out += rtl::ToCp1252(line.mid(from, end - from));
      }
      out += "\r\n";
    }
  }
  if (Options.PageBreak) out += "\f\r\n";
  Write(out);
}

}  // namespace report
