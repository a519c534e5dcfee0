// The report's templates, gallery templates and finished reports: the
// report's side of the streams of files/kvfile.h (what it hands to the
// writers, and what it takes from a read once the read is complete).
#include <QStringList>

#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/files/kvfile.h"
#include "report/engine/files/kvtemplate.h"

namespace report {

namespace {

bool IsDataBandType(int type) {
  return type == btMasterData || type == btDetailData || type == btSubDetailData || type == btTableData;
}

}  // namespace

TkvTemplateWrite TkvReport::TemplateToWrite() const {
  TkvTemplateWrite t;
  t.Pages = &pages_;
  t.Values = values_.get();
  t.Variables = &variables_;
  for (int i = 0; i < datasets_.Count(); ++i) t.Sources.push_back(Dataset(i));
  t.PrintToDefault = print_to_default_;
  t.DoublePass = double_pass_;
  t.Interleave = interleave_pages_;
  t.Renumber = renumber_interleaved_;
  return t;
}

void TkvReport::SavePreparedReport(const QString &file_name) {
  rtl::TMemoryStream stream;
  KvWriteFinishedPages(stream, emf_pages_);
  KvWriteWholeFile(file_name, stream.Bytes());
}

void TkvReport::LoadPreparedReport(const QString &file_name) {
  rtl::TMemoryStream stream;
  stream.LoadFromFile(file_name);
  QString printer;
  KvReadFinishedPages(stream, emf_pages_, printer);
  if (!print_to_default_) KvSelectStoredPrinter(printer);
}

// ---- templates -------------------------------------------------------------------

void TkvReport::TakeTemplate(TkvTemplateRead &read) {
  pages_ = std::move(read.Pages);
  if (pages_.Count() == 0) pages_.AddPage();
  values_ = std::move(read.Values);
  variables_.AssignStrings(read.Variables);
  print_to_default_ = read.PrintToDefault;
  double_pass_ = read.DoublePass;
  interleave_pages_ = read.Interleave;
  renumber_interleaved_ = read.Renumber;
  // The report knows its sources by name: of several with one name the
  // first is kept, the others go with the read.
  for (auto &source : read.Sources) {
    AddDataset(source.get());
    if (FindDataset(source->Name()) == source.get()) source.release();
  }

  if (!read.PrintToDefault) KvSelectStoredPrinter(read.PrinterName);
}

void TkvReport::LoadFromStream(rtl::TStream &stream) {
  TkvTemplateScope scope(this);
  TkvTemplateRead read(this);
  KvReadTemplate(stream, read);

  // The whole stream was read: the template becomes the report's.
  TakeTemplate(read);

  // Before version 23 the record sources were components of the form; a
  // data band names one in its format text.
  if (read.Version <= 22) {
    for (int p = 0; p < pages_.Count(); ++p) {
      for (const auto &view : pages_.Page(p)->Views) {
        if (view->Typ != gtBand || !IsDataBandType(view->FrameTyp) || view->FormatStr.isEmpty()) continue;
        const QString &name = view->FormatStr;
        vcl::TComponent *found = Owner() != nullptr ? Owner()->FindComponent(name) : nullptr;
        if (found == nullptr) found = FindDataset(name);
        if (found == nullptr) found = FindGlobalComponent(name);
        if (found == nullptr) KvWarnMissingDataset(name);
      }
    }
  }
}

void TkvReport::SaveToStream(rtl::TStream &stream) {
  TkvTemplateScope scope(this);
  KvWriteTemplate(stream, TemplateToWrite());
}

void TkvReport::SaveTemplate(const QString &file_name, const rtl::TStrings &description, const vcl::TBitmap *picture) {
  TkvTemplateScope scope(this);
  rtl::TMemoryStream stream;
  KvWriteGalleryTemplate(stream, TemplateToWrite(), description, picture);
  KvWriteWholeFile(file_name, stream.Bytes());
}

void TkvReport::LoadTemplate(const QString &file_name, rtl::TStrings &description, bool header_only,
                             vcl::TBitmap *picture) {
  rtl::TMemoryStream stream;
  stream.LoadFromFile(file_name);
  TkvTemplateScope scope(this);
  QStringList lines;
  vcl::TBitmap image;
  TkvTemplateRead read(this);
  KvReadGalleryTemplate(stream, read, lines, image, header_only);
  if (header_only) {
    description.AssignStrings(lines);
    if (picture != nullptr) picture->Assign(&image);
    return;
  }
  // The gallery holds no record sources: the report's own stay as they are.
  TakeTemplate(read);
}

void TkvReport::LoadFromFile(const QString &file_name) {
  rtl::TMemoryStream stream;
  stream.LoadFromFile(file_name);
  LoadFromStream(stream);
}

void TkvReport::SaveToFile(const QString &file_name) {
  rtl::TMemoryStream stream;
  SaveToStream(stream);
  KvWriteWholeFile(file_name, stream.Bytes());
}

}  // namespace report
