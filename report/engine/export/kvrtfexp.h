// The rich-text export filter: writes the finished pages as an RTF
// document in Windows-1252, one paragraph per text line, each text placed
// by a tab stop at its horizontal position and carrying its font, size,
// style and colour. The vertical space between lines is kept with empty
// paragraphs of fitting heights (unless asked to drop it).
//
// The document's header goes out when the first page begins; the font and
// colour tables are known only at the end, so the paragraphs collect in
// memory and the tables and body are written when the filter is freed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "platform/vcl/component.h"
#include "report/engine/component/kvexport.h"

namespace report {

// Report pixels (794 for 210 mm) to twips.
inline constexpr double kvTwipsPerPixel = 14.996221662468513854;

struct TkvRichExportOptions {
  bool PageBreak = true;
  bool RemoveLineSpacing = false;
  // Twips.
  int LeftMargin = 567;
  int RightMargin = 567;
  int TopMargin = 567;
  int BottomMargin = 850;
};

class TkvRichExportFilter : public TkvExportFilter {
 public:
  static inline const QString kDescription = QStringLiteral("File RTF - Word compatibile (*.rtf)");

  explicit TkvRichExportFilter(rtl::TStream *stream) : TkvExportFilter(stream) {}
  // Writes the tables and the body.
  ~TkvRichExportFilter() override;

  bool ShowOptions() override;
  void OnBeginPage(int width, int height) override;
  void OnEndPage() override;
  void OnText(int x, int y, const QString &text, vcl::TFont *font) override;

  TkvRichExportOptions Options;

 private:
  using Keyed = std::vector<std::pair<int, QByteArray>>;
  void WriteHeader();
  void Flush();
  void FillGap(double pixels);
  static void AddKeyed(Keyed &list, int key, const QByteArray &entry);

  bool first_page_ = true;
  bool finished_ = false;
  QByteArray body_;
  QStringList fonts_{QStringLiteral("Arial")};
  QList<QByteArray> colors_;
  Keyed tabs_, pieces_;
  int line_top_ = -1;
  int line_height_ = 0;
};

// Puts the filter in the engine's list (once). The unit does it when it
// starts; calling it is also what links the unit in.
bool RegisterRichExportFilter();

// Placed on a form, makes sure the RTF filter's unit is linked into the
// program (and so listed among the export filters).
class TkvRichExportObject : public vcl::TComponent {
  ORBISCA_CLASS(TkvRichExportObject, vcl::TComponent)

 public:
  explicit TkvRichExportObject(vcl::TComponent *owner);
};

}  // namespace report
