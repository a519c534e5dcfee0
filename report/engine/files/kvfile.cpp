// Reading and writing the template stream (see kvfile.h).
//
// Layout: an optional version byte, the record sources (from version 23),
// then the pages body: four page options, the printer's name, and tagged
// records to the end: 255 a page, 254 the variables, 0-3 and 10 an object
// with the index of the page it joins. The writer puts every page record
// before the objects, so that a reader always has the page an object names.
#include "report/engine/files/kvfile.h"
#include "report/engine/files/kvtemplate.h"

#include <QSaveFile>
#include <memory>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/vcl/db/db.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/metafile.h"
#include "platform/vcl/printers.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/model/kvstrio.h"
#include "report/engine/prepare/kvpages.h"
#include "report/engine/print/kvprntr.h"

namespace report {

namespace {

constexpr std::uint8_t kTagPage = 255;
constexpr std::uint8_t kTagVariables = 254;
constexpr int kMaxTemplatePages = 256;  // the object's page index is one byte

[[noreturn]] void Damaged(const QString &why) { throw rtl::EReadError(why); }

std::int16_t StoredBool(bool v) { return v ? -1 : 0; }

void ReadSources(rtl::TStream &stream, TkvTemplateRead &read) {
  const std::int32_t count = stream.ReadInt32();
  // A record source takes at least ten bytes.
  if (count < 0 || count > (stream.Size() - stream.Position()) / 10)
    Damaged(QStringLiteral("Numero di sorgenti dati non valido: %1").arg(count));
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t kind = stream.ReadUInt8();
    if (kind > 1) Damaged(QStringLiteral("Tipo di sorgente dati non valido: %1").arg(kind));
    std::unique_ptr<TkvDataset> source;
    if (kind == 1) {
      const QString path = stream.ReadShortString();
      bool filtered = false;
      QString filter;
      if (read.Version > 26) {
        filtered = stream.ReadUInt8() != 0;
        filter = stream.ReadShortString();
      }
      auto *dataset = dynamic_cast<vcl::TDataSet *>(FindGlobalComponent(path));
      if (dataset == nullptr) {
        KvWarnMissingDataset(path);
      } else {
        auto bound = std::make_unique<TkvDBDataSet>();
        bound->SetDataSet(dataset);
        bound->SetFiltered(filtered);
        bound->SetFilter(filter);
        source = std::move(bound);
      }
    } else {
      source = std::make_unique<TkvDataset>();
    }
    const QString name = stream.ReadShortString();
    const std::uint8_t begin = stream.ReadUInt8();
    const std::uint8_t end = stream.ReadUInt8();
    stream.ReadBytes(2);
    const std::int32_t end_count = stream.ReadInt32();
    if (begin > rbCurrent || end > reCount) Damaged(QStringLiteral("Intervallo di sorgente dati non valido"));
    if (!source) continue;
    source->SetName(name);
    source->SetRangeBegin(TRangeBegin(begin));
    source->SetRangeEnd(TRangeEnd(end));
    source->SetRangeEndCount(end_count);
    read.Sources.push_back(std::move(source));
  }
}

std::vector<TkvView *> ReadViews(const TkvPages &pages) {
  std::vector<TkvView *> views;
  for (int p = 0; p < pages.Count(); ++p)
    for (const auto &v : pages.Page(p)->Views) views.push_back(v.get());
  return views;
}

void ReadBody(rtl::TStream &stream, TkvTemplateRead &read) {
  const int version = read.Version;
  read.PrintToDefault = stream.ReadInt16() != 0;
  read.DoublePass = stream.ReadInt16() != 0;
  if (version > 22) {
    read.Interleave = stream.ReadInt16() != 0;
    read.Renumber = stream.ReadInt16() != 0;
  }
  read.PrinterName = ReadOneLine(stream);
  while (stream.Position() < stream.Size()) {
    const std::uint8_t tag = stream.ReadUInt8();
    if (tag == kTagPage) {
      if (read.Pages.Count() >= kMaxTemplatePages) Damaged(QStringLiteral("Troppe pagine"));
      KvReadPageRecord(stream, *read.Pages.AddPage(), version);
    } else if (tag == kTagVariables) {
      read.Values->ReadBinaryData(stream);
      read.Variables = ReadStrList(stream, version);
      read.HasVariables = true;
    } else if (tag <= gtSubReport || tag == gtAddIn) {
      QString class_name;
      if (tag == gtAddIn) {
        class_name = ReadOneLine(stream);
        // Asked here rather than through the factory, which would report
        // it in a box of its own before the load failure is reported.
        if (FindAddIn(class_name) == nullptr)
          Damaged(QString::fromUtf8("Oggetto non trovato : %1.\n\rUn componente avanzato presente nel report, "
                                    "\n\rnon è stato inserito nel programma che ne fa uso.")
                      .arg(class_name));
      }
      const int page_index = stream.ReadUInt8();
      if (page_index >= read.Pages.Count())
        Damaged(QStringLiteral("Oggetto su una pagina inesistente: %1").arg(page_index + 1));
      std::unique_ptr<TkvView> view = CreateObjectByType(tag, class_name);
      if (!view) Damaged(QStringLiteral("Oggetto di tipo sconosciuto: %1").arg(tag));
      view->LoadFromStream(stream);
      // Streams before 23 store no names; each object is named among those
      // read so far, not among the objects of the template it replaces.
      if (version <= 22) view->AssignDefaultName(ReadViews(read.Pages));
      read.Pages.Page(page_index)->Views.push_back(std::move(view));
    } else if (tag < gtAddIn) {
      Damaged(QStringLiteral("Oggetto di tipo sconosciuto: %1").arg(tag));
    } else {
      break;
    }
  }
}

// Runs a read; whatever goes wrong in it reaches the caller as the damaged
// template it means.
template <class Read>
void ReadGuarded(Read read) {
  try {
    read();
  } catch (const EkvTemplateError &) {
    throw;
  } catch (const rtl::Exception &e) {
    throw EkvTemplateError(KvDamagedTemplateText(), e.Message());
  } catch (const std::exception &e) {
    throw EkvTemplateError(KvDamagedTemplateText(), QString::fromLocal8Bit(e.what()));
  }
}

QString CurrentPrinterName() {
  TPrinterSettings *settings = GlobalPrinterSettings();
  const rtl::TStrings *printers = settings->PrinterNames();
  const int printer = settings->PrinterIndex();
  return printer >= 0 && printer < printers->Count() ? printers->Strings(printer) : QString();
}

void WriteSources(rtl::TStream &stream, const std::vector<const TkvDataset *> &sources) {
  stream.WriteInt32(std::int32_t(sources.size()));
  for (const TkvDataset *source : sources) {
    const auto *bound = dynamic_cast<const TkvDBDataSet *>(source);
    stream.WriteUInt8(bound != nullptr ? 1 : 0);
    if (bound != nullptr) {
      QString path;
      if (const vcl::TDataSet *dataset = bound->DataSet()) {
        const vcl::TComponent *owner = dataset->Owner();
        path = (owner != nullptr ? owner->Name() : QString()) + QLatin1Char('.') + dataset->Name();
      }
      stream.WriteShortString(path);
      stream.WriteUInt8(bound->Filtered() ? 1 : 0);
      stream.WriteShortString(bound->Filter());
    }
    stream.WriteShortString(source->Name());
    stream.WriteUInt8(std::uint8_t(source->RangeBegin()));
    stream.WriteUInt8(std::uint8_t(source->RangeEnd()));
    stream.WriteUInt16(0);
    stream.WriteInt32(source->RangeEndCount());
  }
}

void WriteBody(rtl::TStream &stream, const TkvTemplateWrite &t) {
  stream.WriteInt16(StoredBool(t.PrintToDefault));
  stream.WriteInt16(StoredBool(t.DoublePass));
  stream.WriteInt16(StoredBool(t.Interleave));
  stream.WriteInt16(StoredBool(t.Renumber));
  WriteOneLine(stream, CurrentPrinterName());

  const TkvPages &pages = *t.Pages;
  for (int p = 0; p < pages.Count(); ++p) {
    stream.WriteUInt8(kTagPage);
    KvWritePageRecord(stream, *pages.Page(p));
  }
  for (int p = 0; p < pages.Count(); ++p) {
    for (const auto &view : pages.Page(p)->Views) {
      stream.WriteUInt8(view->Typ);
      if (view->Typ == gtAddIn) WriteOneLine(stream, view->ClassName());
      stream.WriteUInt8(std::uint8_t(p));
      view->SaveToStream(stream);
    }
  }
  stream.WriteUInt8(kTagVariables);
  t.Values->WriteBinaryData(stream);
  WriteStrings(stream, *t.Variables);
}

void CheckPageCount(const TkvPages &pages) {
  if (pages.Count() > kMaxTemplatePages)
    throw rtl::EWriteError(QStringLiteral("Un modello non può avere più di %1 pagine").arg(kMaxTemplatePages));
}

}  // namespace

QString KvDamagedTemplateText() {
  return QString::fromUtf8(
      "Non è stato possibile terminare la fase di caricamento del report.\n\r"
      "Probabilmente il report è corrotto, o contiene componenti non inseriti all'interno del progetto.");
}

void KvWarnMissingDataset(const QString &name) {
  vcl::MessageDlg(QString::fromUtf8("Non è stato trovato il kvDataset: ") + name, vcl::mtWarning,
                  vcl::TMsgDlgButtons{vcl::mbOK});
}

// Writes beside the file and renames over it once complete, so that a
// failed write leaves the previous file as it was.
void KvWriteWholeFile(const QString &file_name, const QByteArray &bytes) {
  QSaveFile file(file_name);
  if (!file.open(QIODevice::WriteOnly))
    throw rtl::EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(file_name, file.errorString()));
  if (file.write(bytes) != bytes.size() || !file.commit())
    throw rtl::EWriteError(QStringLiteral("Cannot write file \"%1\". %2").arg(file_name, file.errorString()));
}

void KvReadPageRecord(rtl::TStream &stream, TkvPage &page, int version) {
  const std::int32_t paper = stream.ReadInt32();
  const std::int32_t width = stream.ReadInt32();
  const std::int32_t height = stream.ReadInt32();
  std::int32_t margins[4];
  for (std::int32_t &m : margins) m = stream.ReadInt32();
  const std::uint8_t orientation = stream.ReadUInt8();
  const std::int16_t header_first = stream.ReadInt16();
  const std::int16_t footer_last = stream.ReadInt16();
  const std::int16_t repeat_header = stream.ReadInt16();
  const std::int16_t previous_page = stream.ReadInt16();
  const std::int16_t use_margins = stream.ReadInt16();
  const std::int32_t columns = stream.ReadInt32();
  const std::int32_t gap = stream.ReadInt32();
  std::int32_t scale_x = 100, scale_y = 100;
  if (version > 24) {
    scale_x = stream.ReadInt32();
    scale_y = stream.ReadInt32();
  }
  // Values no designer produces would divide by zero or lay out pages of
  // absurd size further on: the record is damaged.
  constexpr std::int32_t kLargestPaper = 100000;  // ten metres, in tenths of a millimetre
  if (width < 0 || width > kLargestPaper || height < 0 || height > kLargestPaper || orientation > 1 || columns < 1 ||
      columns > 100 || scale_x < 1 || scale_x > 10000 || scale_y < 1 || scale_y > 10000)
    Damaged(QStringLiteral("Impostazioni di pagina non valide"));
  page.PaperSize = paper;
  page.PaperWidth = width;
  page.PaperHeight = height;
  for (int i = 0; i < 4; ++i) page.Margins[i] = margins[i];
  page.Orientation = orientation;
  page.HeaderOnFirstPage = header_first;
  page.FooterOnLastPage = footer_last;
  page.RepeatTableHeader = repeat_header;
  page.PrintOnPreviousPage = previous_page;
  page.UseMargins = use_margins;
  page.Columns = columns;
  page.ColumnGap = gap;
  page.ScaleX = scale_x;
  page.ScaleY = scale_y;
}

void KvWritePageRecord(rtl::TStream &stream, const TkvPage &page) {
  stream.WriteInt32(page.PaperSize);
  stream.WriteInt32(page.PaperWidth);
  stream.WriteInt32(page.PaperHeight);
  for (int m : page.Margins) stream.WriteInt32(m);
  stream.WriteUInt8(page.Orientation == 1 ? 1 : 0);
  stream.WriteInt16(page.HeaderOnFirstPage);
  stream.WriteInt16(page.FooterOnLastPage);
  stream.WriteInt16(page.RepeatTableHeader);
  stream.WriteInt16(page.PrintOnPreviousPage);
  stream.WriteInt16(page.UseMargins);
  stream.WriteInt32(page.Columns);
  stream.WriteInt32(page.ColumnGap);
  stream.WriteInt32(page.ScaleX);
  stream.WriteInt32(page.ScaleY);
}

// Selects the printer a file was written for, when it is installed.
void KvSelectStoredPrinter(const QString &name) {
  if (name.isEmpty()) return;
  TPrinterSettings *settings = GlobalPrinterSettings();
  const int index = settings->PrinterNames()->IndexOf(name);
  if (index < 0 || index == settings->PrinterIndex()) return;
  try {
    settings->SetPrinterIndex(index);
  } catch (const rtl::Exception &) {
    // The printer is listed but cannot be used now: the current one stays.
  }
}

// ---- finished reports ------------------------------------------------------------

void KvWriteFinishedPages(rtl::TStream &stream, const TkvEMFPages &pages) {
  // Always the counted form of the string list, whatever template was read.
  WriteStrList(stream, QStringList{CurrentPrinterName()}, kvCurrentVersion);
  stream.WriteInt32(pages.Count());
  for (int i = 0; i < pages.Count(); ++i) {
    const TkvEMFPage *page = pages.Page(i);
    const qint64 placeholder = stream.Position();
    stream.WriteInt32(0);
    stream.WriteUInt16(std::uint16_t(page->PaperSize));
    stream.WriteInt32(page->PaperWidth);
    stream.WriteInt32(page->PaperHeight);
    stream.WriteUInt8(page->Orientation == 1 ? 1 : 0);
    stream.WriteUInt8(page->UseMargins ? 1 : 0);
    if (page->Picture != nullptr) stream.WriteBytes(page->Picture->SaveToBytes());
    const qint64 end = stream.Position();
    if (end > INT32_MAX) throw rtl::EWriteError(QStringLiteral("Report troppo grande"));
    stream.SetPosition(placeholder);
    stream.WriteInt32(std::int32_t(end));
    stream.SetPosition(end);
  }
}

void KvReadFinishedPages(rtl::TStream &stream, TkvEMFPages &pages, QString &printer) {
  TkvEMFPages read;
  QString name;
  ReadGuarded([&] {
    const QStringList lines = ReadStrList(stream, kvCurrentVersion);
    name = lines.isEmpty() ? QString() : lines.first();
    const std::int32_t count = stream.ReadInt32();
    // A page record takes at least 16 bytes.
    if (count < 0 || count > (stream.Size() - stream.Position()) / 16)
      Damaged(QStringLiteral("Numero di pagine non valido: %1").arg(count));
    for (std::int32_t i = 0; i < count; ++i) {
      const qint64 start = stream.Position();
      const std::int32_t end = stream.ReadInt32();
      if (end < start + 16 || end > stream.Size()) Damaged(QStringLiteral("Fine di pagina non valida"));
      TkvPage paper(nullptr);
      paper.PaperSize = stream.ReadUInt16();
      paper.PaperWidth = stream.ReadInt32();
      paper.PaperHeight = stream.ReadInt32();
      paper.Orientation = stream.ReadUInt8() == 1 ? 1 : 0;
      paper.UseMargins = stream.ReadUInt8() != 0 ? -1 : 0;
      if (paper.PaperWidth < 0 || paper.PaperWidth > 100000 || paper.PaperHeight < 0 || paper.PaperHeight > 100000)
        Damaged(QStringLiteral("Dimensioni di pagina non valide"));
      TkvEMFPage *page = read.Add(paper);
      page->Canvas.reset();
      page->Picture = std::make_unique<vcl::TMetafile>();
      const QByteArray picture = stream.ReadBytes(end - stream.Position());
      if (!picture.isEmpty()) page->Picture->LoadFromBytes(picture);
      stream.SetPosition(end);
    }
  });
  pages = std::move(read);
  printer = name;
}

// ---- templates -------------------------------------------------------------------

void KvReadTemplate(rtl::TStream &stream, TkvTemplateRead &read) {
  ReadGuarded([&] {
    const qint64 start = stream.Position();
    const int first = stream.ReadUInt8();
    if (first <= 20) {
      stream.SetPosition(start);
    } else if (first > kvCurrentVersion) {
      Damaged(QStringLiteral("Versione del modello non supportata: %1").arg(first));
    } else {
      read.Version = first;
    }
    kvEngine().Version = read.Version;
    if (read.Version > 22) ReadSources(stream, read);
    ReadBody(stream, read);
  });
}

void KvWriteTemplate(rtl::TStream &stream, const TkvTemplateWrite &t) {
  CheckPageCount(*t.Pages);
  kvEngine().Version = kvCurrentVersion;
  stream.WriteUInt8(kvCurrentVersion);
  WriteSources(stream, t.Sources);
  WriteBody(stream, t);
}

void KvReadGalleryTemplate(rtl::TStream &stream, TkvTemplateRead &read, QStringList &description, vcl::TBitmap &picture,
                           bool header_only) {
  kvEngine().Version = kvCurrentVersion;
  read.Version = kvCurrentVersion;
  ReadGuarded([&] {
    description = ReadStrList(stream, kvCurrentVersion);
    const std::int32_t body = stream.ReadInt32();
    if (stream.ReadUInt8() == 1) picture.LoadFromStream(stream);
    if (header_only) return;
    if (body < stream.Position() || body > stream.Size()) Damaged(QStringLiteral("Posizione del modello non valida"));
    stream.SetPosition(body);
    ReadBody(stream, read);
  });
}

void KvWriteGalleryTemplate(rtl::TStream &stream, const TkvTemplateWrite &t, const rtl::TStrings &description,
                            const vcl::TBitmap *picture) {
  kvEngine().Version = kvCurrentVersion;
  WriteStrings(stream, description);
  const qint64 placeholder = stream.Position();
  stream.WriteInt32(0);
  const bool with_picture = picture != nullptr && !picture->Empty();
  stream.WriteUInt8(with_picture ? 1 : 0);
  if (with_picture) picture->SaveToStream(stream);
  const qint64 body = stream.Position();
  stream.SetPosition(placeholder);
  stream.WriteInt32(std::int32_t(body));
  stream.SetPosition(body);
  WriteBody(stream, t);
}

}  // namespace report
