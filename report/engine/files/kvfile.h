// The template stream: one byte stream that holds a whole report template
// (its record sources, page options, pages, objects and variables). The
// ".kvf" files, the body of gallery templates and the designer's snapshots
// all use it; the report component reads and writes it through
// kvtemplate.h.
//
// Version 27 is written; 21 to 27 are read (a stream whose first byte is 20
// or less has no version byte and is read as 21). The version being read is
// held in kvEngine().Version for the whole read, because the objects and the
// string lists read their records by it.
#pragma once

#include <QString>

#include "platform/rtl/exceptions.h"

namespace rtl {
class TStream;
}

namespace report {

class TkvPage;
class TkvEMFPages;

// A template that could not be read to its end. The message is the one the
// user sees; Cause() says what was wrong with the stream.
// It is a stream read error, as callers of the platform's readers expect.
class EkvTemplateError : public rtl::EReadError {
 public:
  EkvTemplateError(const QString &message, const QString &cause) : rtl::EReadError(message), cause_(cause) {}
  const char *ClassName() const override { return "EkvTemplateError"; }
  bool InheritsFrom(const char *class_name) const override {
    return qstrcmp(class_name, "EkvTemplateError") == 0 || rtl::EReadError::InheritsFrom(class_name);
  }
  const QString &Cause() const { return cause_; }

 private:
  QString cause_;
};

// The text shown when a template cannot be read.
QString KvDamagedTemplateText();

// One page record of the stream (paper, margins, options, columns, scale).
void KvReadPageRecord(rtl::TStream &stream, TkvPage &page, int version);
void KvWritePageRecord(rtl::TStream &stream, const TkvPage &page);

// The finished-report stream: the printer's name, the page count and one
// record per page (its end position, paper and metafile). Reading fills
// `pages` only when the whole stream was read, and raises EkvTemplateError
// otherwise; `printer` receives the stored printer name.
void KvWriteFinishedPages(rtl::TStream &stream, const TkvEMFPages &pages);
void KvReadFinishedPages(rtl::TStream &stream, TkvEMFPages &pages, QString &printer);

}  // namespace report
