// The template stream as the report component reads and writes it: what a
// stream holds, read aside until the read completed (TkvTemplateRead), what
// one is written from (TkvTemplateWrite), the engine scope of a read or
// write, and the whole-stream readers and writers of kvfile.cpp.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/vars/kvvars.h"

namespace rtl {
class TStream;
class TStrings;
}  // namespace rtl
namespace vcl {
class TBitmap;
}

namespace report {

// Everything a stream holds, read aside so that a report changes only once
// the whole stream was read.
struct TkvTemplateRead {
  explicit TkvTemplateRead(TkvReport *report) : Pages(report) {}
  int Version = 21;
  std::vector<std::unique_ptr<TkvDataset>> Sources;
  TkvPages Pages;
  std::unique_ptr<TkvValues> Values = std::make_unique<TkvValues>();
  QStringList Variables;
  bool HasVariables = false;
  bool PrintToDefault = false, DoublePass = false, Interleave = false, Renumber = false;
  QString PrinterName;
};

// What a template stream is written from.
struct TkvTemplateWrite {
  const TkvPages *Pages = nullptr;
  const TkvValues *Values = nullptr;
  const rtl::TStrings *Variables = nullptr;
  std::vector<const TkvDataset *> Sources;
  bool PrintToDefault = false, DoublePass = false, Interleave = false, Renumber = false;
};

// Makes `report` the engine's current report for a read or write and puts
// the engine's version and current report back however it ends: a later
// snapshot must not be written at an old version.
class TkvTemplateScope {
 public:
  explicit TkvTemplateScope(TkvReport *report) : version_(kvEngine().Version), report_(kvEngine().CurReport) {
    kvEngine().CurReport = report;
  }
  ~TkvTemplateScope() {
    kvEngine().Version = version_;
    kvEngine().CurReport = report_;
  }
  TkvTemplateScope(const TkvTemplateScope &) = delete;
  TkvTemplateScope &operator=(const TkvTemplateScope &) = delete;

 private:
  int version_;
  TkvReport *report_;
};

// A whole template stream (version byte, record sources, pages body) read
// into `read`, or EkvTemplateError. The engine's version is the stream's
// from then on: run it inside a TkvTemplateScope.
void KvReadTemplate(rtl::TStream &stream, TkvTemplateRead &read);
// Writes a whole template stream at the current version; a template of
// more pages than an object can name is refused (EWriteError).
void KvWriteTemplate(rtl::TStream &stream, const TkvTemplateWrite &t);
// Gallery templates: description lines, an optional picture and the pages
// body (no record sources). With `header_only` only the description and
// the picture are read.
void KvReadGalleryTemplate(rtl::TStream &stream, TkvTemplateRead &read, QStringList &description, vcl::TBitmap &picture,
                           bool header_only);
void KvWriteGalleryTemplate(rtl::TStream &stream, const TkvTemplateWrite &t, const rtl::TStrings &description,
                            const vcl::TBitmap *picture);

// Writes beside the file and renames over it once complete.
void KvWriteWholeFile(const QString &file_name, const QByteArray &bytes);
// Selects the printer a file was written for, when it is installed.
void KvSelectStoredPrinter(const QString &name);
// Tells the user that a record source a template names was not found.
void KvWarnMissingDataset(const QString &name);

}  // namespace report
