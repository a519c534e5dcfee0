// Export-filter list, the page walk that feeds a filter and the export of a
// report to a file (see kvexport.h).
#include "report/engine/component/kvexport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <utility>

#include "platform/vcl/forms.h"
#include "platform/vcl/metafile.h"
#include "report/engine/component/kvprogr.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/prepare/kvpages.h"

namespace report {

namespace {

std::vector<TkvExportFilterInfo> &Registry() {
  static std::vector<TkvExportFilterInfo> filters;
  return filters;
}

// A text of a page with what the records had selected when it was drawn.
struct PageText {
  int x, y;
  QString text;
  vcl::TEmfFont font;
  vcl::TColor color;
};

std::vector<PageText> CollectTexts(const vcl::TMetafile &picture) {
  std::vector<PageText> texts;
  std::unique_ptr<vcl::TEmfPlayer> player = picture.CreatePlayer(nullptr, picture.Frame());
  picture.Enumerate([&](const vcl::TEmfRecord &r) {
    player->Play(r);
    if (r.Type == vcl::EMR_EXTTEXTOUTA || r.Type == vcl::EMR_EXTTEXTOUTW) {
      const vcl::TPoint p = r.TextPoint();
      texts.push_back({p.X, p.Y, r.Text(), player->Font(), player->TextColor()});
    }
    return true;
  });
  // Top to bottom, then left to right; texts at the same place keep the
  // order they were drawn in. Compared as numbers, so a text that lies a
  // little above or left of the picture still sorts first.
  std::stable_sort(texts.begin(), texts.end(),
                   [](const PageText &a, const PageText &b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  return texts;
}

// The face each recorded face stood in for: the pages record the font the
// drawing got (a metric twin for a face this system lacks), an exported
// document names the one the template asked for, so that its reader takes
// its own where it has it. The template's memo fonts say which; without a
// template (pages read from a file) the usual twins give their originals.
QHash<QString, QString> DesignedFaces(TkvReport *report) {
  QHash<QString, QString> faces;
  if (report != nullptr) {
    vcl::TFont probe;
    for (int p = 0; p < report->Pages().Count(); ++p) {
      for (const auto &view : report->Pages().Page(p)->Views) {
        const auto *memo = dynamic_cast<const TkvMemoView *>(view.get());
        if (memo == nullptr) continue;
        probe.SetName(memo->Font.Name());
        const QString drawn = probe.ToQFont().family();
        if (drawn != memo->Font.Name() && !faces.contains(drawn)) faces.insert(drawn, memo->Font.Name());
      }
    }
  }
  for (const auto &[drawn, named] :
       {std::pair{"Liberation Sans", "Arial"}, std::pair{"Liberation Serif", "Times New Roman"},
        std::pair{"Liberation Mono", "Courier New"}}) {
    if (!faces.contains(QLatin1String(drawn))) faces.insert(QLatin1String(drawn), QLatin1String(named));
  }
  return faces;
}

void PumpMessages() {
  if (vcl::Application != nullptr) vcl::Application->ProcessMessages();
}

}  // namespace

bool KvRegisterExportFilter(const TkvExportFilterClass &filter_class, const QString &description, const QString &mask) {
  auto &filters = Registry();
  if (!filter_class || KvFindExportFilter(description) != nullptr) return false;
  if (static_cast<int>(filters.size()) >= kvMaxExportFilters) return false;
  filters.push_back({filter_class, description, mask});
  return true;
}

const std::vector<TkvExportFilterInfo> &KvExportFilters() { return Registry(); }

const TkvExportFilterInfo *KvFindExportFilter(const QString &description) {
  for (const TkvExportFilterInfo &info : Registry())
    if (info.FilterDesc == description) return &info;
  return nullptr;
}

void KvExportPages(const TkvEMFPages &pages, TkvExportFilter &filter,
                   const std::function<void(int pages_done)> &progress) {
  vcl::TFont font;
  const QHash<QString, QString> faces = DesignedFaces(filter.Report);
  for (int i = 0; i < pages.Count() && !KvExportCancelled(); ++i) {
    const TkvEMFPage *page = pages.Page(i);
    if (page->Picture == nullptr) continue;
    const vcl::TMetafile &picture = *page->Picture;
    filter.OnBeginPage(picture.Width(), picture.Height());
    for (const PageText &t : CollectTexts(picture)) {
      font.SetName(faces.value(t.font.FaceName, t.font.FaceName));
      font.SetHeight(t.font.Height);
      vcl::TFontStyles style;
      if (t.font.Weight == 700) style.Include(vcl::fsBold);
      if (t.font.Italic) style.Include(vcl::fsItalic);
      if (t.font.Underline) style.Include(vcl::fsUnderline);
      font.SetStyle(style);
      font.SetColor(t.color);
      filter.OnText(t.x, t.y, t.text, &font);
    }
    filter.OnEndPage();
    if (progress) progress(i + 1);
    PumpMessages();
  }
  filter.OnEndDoc();
}

bool KvExportTo(TkvReport *report, const TkvExportFilterClass &filter_class, const QString &file_name,
                const QString &description, bool with_progress_window) {
  if (report == nullptr || !filter_class) return false;
  // Written beside the target under a name of its own; the target is
  // replaced only by a complete export.
  const QFileInfo target(file_name);
  const QString partial =
      target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".part"));
  bool done = false;
  {
    rtl::TFileStream stream(partial, rtl::fmCreate);
    try {
      std::unique_ptr<TkvExportFilter> filter = filter_class(&stream);
      filter->Report = report;
      filter->FileName = file_name;
      report->SetExportFilter(filter.get());
      if (filter->ShowOptions() && (report->EMFPages().Count() > 0 || report->PrepareReport())) {
        KvExportCancelled() = false;
        if (with_progress_window) {
          TProgressFilterForm form;
          if (!description.isEmpty()) form.SetCaption(description);
          form.SetProgressMax(report->EMFPages().Count());
          form.SetProgress(0);
          form.OnWork = [&](TProgressFilterForm *f) {
            KvExportPages(report->EMFPages(), *filter, [f](int n) { f->SetProgress(n); });
            if (!KvExportCancelled()) f->SetModalResult(vcl::mrOk);
          };
          done = form.Run() == vcl::mrOk && !KvExportCancelled();
        } else {
          KvExportPages(report->EMFPages(), *filter);
          done = !KvExportCancelled();
        }
      }
      // A filter may write its last bytes when it is freed.
      report->SetExportFilter(nullptr);
      filter.reset();
    } catch (...) {
      report->SetExportFilter(nullptr);
      done = false;
      QFile::remove(partial);
      throw;
    }
  }
  KvExportCancelled() = false;
  if (!done) {
    QFile::remove(partial);
    return false;
  }
  QFile::remove(file_name);
  if (!QFile::rename(partial, file_name)) {
    QFile::remove(partial);
    throw rtl::EFCreateError(QStringLiteral("Cannot create file \"%1\".").arg(file_name));
  }
  return true;
}

}  // namespace report
