// The plain-text export filter: lays each finished page's texts out on a
// character grid (one grid line per text line, one column per page width
// / columns pixels) and writes the grid as Windows-1252 lines.
//
// Lines are found from the texts' y positions as they arrive top to bottom:
// a text starting within the current line's height joins it, a lower one
// moves down by as many lines of the current height as fit in between.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "platform/vcl/component.h"
#include "report/engine/component/kvexport.h"

namespace report {

struct TkvTextExportOptions {
  bool PageBreak = true;      // form feed after each page
  bool LeftMargin = true;     // keep the blank columns left of the texts
  bool TopMargin = false;     // blank lines for the space above the first text
  bool BottomMargin = false;  // blank lines down to the page's end
  std::int16_t Columns = 132;
};

class TkvTextExportFilter : public TkvExportFilter {
 public:
  static constexpr int kLines = 200;
  static constexpr int kLineWidth = 200;
  static inline const QString kDescription = QStringLiteral("File di testo ASCII (*.txt)");

  explicit TkvTextExportFilter(rtl::TStream *stream) : TkvExportFilter(stream) {}

  // The options dialog; OK keeps its choices.
  bool ShowOptions() override;
  void OnBeginPage(int width, int height) override;
  void OnEndPage() override;
  void OnText(int x, int y, const QString &text, vcl::TFont *font) override;

  TkvTextExportOptions Options;

 private:
  void Write(const QByteArray &bytes);

  std::array<QString, kLines> lines_;
  double char_width_ = 1;
  int page_height_ = 0;
  int line_ = -1;  // current line, -1 before the page's first text
  int line_top_ = 0;
  int line_height_ = 1;
  double average_height_ = 1;
  int measured_ = 0;
  int max_line_ = -1;
  int min_column_ = 0;
  int min_y_ = 0;
};

// Puts the filter in the engine's list (once). The unit does it when it
// starts; calling it is also what links the unit in.
bool RegisterTextExportFilter();

// Placed on a form, makes sure the text filter's unit is linked into the
// program (and so listed among the export filters).
class TkvTextExportObject : public vcl::TComponent {
  ORBISCA_CLASS(TkvTextExportObject, vcl::TComponent)

 public:
  explicit TkvTextExportObject(vcl::TComponent *owner);
};

}  // namespace report
