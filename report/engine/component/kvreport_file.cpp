// The report's templates, gallery templates and finished reports: the
// report's side of the streams of files/kvfile.h (what it hands to the
// writers, and what it takes from a read once the read is complete), and
// where template files are looked for.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "report/engine/component/kvreport.h"
#include "report/engine/component/kvslots.h"
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

void TkvReport::SavePreparedToStream(rtl::TStream &stream) { KvWriteFinishedPages(stream, emf_pages_); }

void TkvReport::LoadPreparedFromStream(rtl::TStream &stream) {
  QString printer;
  KvReadFinishedPages(stream, emf_pages_, printer);
  built_ = false;
  if (!print_to_default_) KvSelectStoredPrinter(printer);
}

void TkvReport::SavePreparedReport(const QString &file_name) {
  rtl::TMemoryStream stream;
  SavePreparedToStream(stream);
  KvWriteWholeFile(file_name, stream.Bytes());
}

void TkvReport::LoadPreparedReport(const QString &file_name) {
  rtl::TMemoryStream stream;
  stream.LoadFromFile(file_name);
  LoadPreparedFromStream(stream);
}

void TkvReport::ReadVariablesData(rtl::TStream &stream) {
  const std::int32_t count = stream.ReadInt32();
  // Each line takes at least its length byte.
  if (count < 0 || count > stream.Size() - stream.Position())
    throw rtl::EReadError(QStringLiteral("Elenco delle variabili danneggiato"));
  QStringList lines;
  for (std::int32_t i = 0; i < count; ++i) lines << stream.ReadShortString();
  variables_.AssignStrings(lines);
}

void TkvReport::WriteVariablesData(rtl::TStream &stream) const {
  stream.WriteInt32(variables_.Count());
  for (int i = 0; i < variables_.Count(); ++i) stream.WriteShortString(variables_.Get(i));
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
  // The pages read aside, or the ones the read replaces, go as a whole.
  TkvKeepSources keep;
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
  TkvKeepSources keep;
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

// ---- template files ------------------------------------------------------------

namespace {

// A folder name ending in one separator, for comparing folders.
QString FolderKey(const QString &folder) {
  QString f = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  if (!f.endsWith(u'/')) f += u'/';
  return f;
}

// Changes the current folder and puts it back when it goes, whatever
// happens in between.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(QDir::currentPath()) {}
  ~CurrentFolderGuard() { QDir::setCurrent(saved_); }
  CurrentFolderGuard(const CurrentFolderGuard &) = delete;
  CurrentFolderGuard &operator=(const CurrentFolderGuard &) = delete;

 private:
  QString saved_;
};

}  // namespace

QString TkvReport::WithTemplateExtension(const QString &file_name) {
  const QString name = QFileInfo(file_name).fileName();
  const int dot = name.lastIndexOf(u'.');
  const QString ext = dot >= 0 ? name.mid(dot).toUpper() : QString();
  return ext == QStringLiteral(".KVF") ? file_name : file_name + QStringLiteral(".kvf");
}

QString TkvReport::ReportPath() const {
  return Owner() != nullptr ? Owner()->Name() + QStringLiteral(".") + Name() : Name();
}

// The name a template is read from or written to: the extension rule and,
// with ReportDir set, only that folder.
QString TkvReport::ResolveTemplateName(const QString &file_name, bool saving) const {
  QString name = WithTemplateExtension(QDir::fromNativeSeparators(file_name));
  if (report_dir_.isEmpty()) return name;
  const QFileInfo info(name);
  const bool has_folder = name.contains(u'/');
  const QString folder = has_folder ? info.path() : report_dir_;
  if (FolderKey(folder).compare(FolderKey(report_dir_), Qt::CaseInsensitive) != 0) {
    const QString text = saving ? QString::fromUtf8(
                                      "Si è tentato di salvare il report \"%s\" in una cartella non valida.\r\n"
                                      "E' possibile salvare il report solo nella cartella:  \"") +
                                      report_dir_ + QStringLiteral("\"")
                                : QString::fromUtf8(
                                      "Si è tentato di caricare il report \"%s\" da una cartella non valida.\r\n"
                                      "E' possibile caricare il report solo dalla cartella:  \"") +
                                      report_dir_ + QStringLiteral("\"");
    throw EkvReportError(rtl::Format(text, {ReportPath()}));
  }
  return FolderKey(report_dir_) + info.fileName();
}

void TkvReport::LoadFromFile(const QString &file_name) {
  const QString name = ResolveTemplateName(file_name, false);
  // A relative name missing here is looked for in the program's folder,
  // then in PathFromExe (relative to the program's folder, or absolute).
  // The folder searched stays current while the file is read; the caller's
  // is back afterwards, whatever happens.
  CurrentFolderGuard folder;
  if (!QFileInfo::exists(name) && QFileInfo(name).isRelative()) {
    const QString saved = QDir::currentPath();
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    if (!path_from_exe_.isEmpty()) QDir::setCurrent(QDir::fromNativeSeparators(path_from_exe_));
    if (!QFileInfo::exists(name)) QDir::setCurrent(saved);
  }
  if (!QFileInfo(name).isFile()) {
    throw EkvReportError(rtl::Format(
        QString::fromUtf8("Si è tentato di caricare da disco il report '%s'. \r\nMa il file '%s' è inesistente"),
        {ReportPath(), name}));
  }
  const QFileInfo info(name);
  rtl::TMemoryStream stream;
  stream.LoadFromFile(info.absoluteFilePath());
  LoadFromStream(stream);
  if (!auto_load_.isEmpty()) {
    auto_load_path_ = info.absoluteFilePath();
    auto_load_time_ = info.lastModified();
  }
  file_name_ = info.fileName();
  file_path_ = info.absoluteFilePath();
  if (KvCurrentDesigner() != nullptr) KvCurrentDesigner()->ClearUndo();
}

void TkvReport::SaveToFile(const QString &file_name) {
  const QString name = ResolveTemplateName(file_name, true);
  try {
    rtl::TMemoryStream stream;
    SaveToStream(stream);
    KvWriteWholeFile(name, stream.Bytes());
  } catch (const rtl::Exception &) {
    throw EkvReportError(QString::fromUtf8("Si è verificato un errore durante la fase di salvataggio del report"));
  }
  file_name_ = QFileInfo(name).fileName();
  file_path_ = QFileInfo(name).absoluteFilePath();
  if (KvCurrentDesigner() != nullptr) KvCurrentDesigner()->ClearUndo();
}

void TkvReport::SetAutoLoad(const QString &file_name) {
  auto_load_ = file_name;
  auto_load_path_.clear();
  if (file_name.isEmpty()) {
    ClearReport();
    return;
  }
  LoadFromFile(file_name);
}

// The automatically loaded file is read again when it changed on disk.
void TkvReport::CheckAutoReload() {
  if (auto_load_.isEmpty() || auto_load_path_.isEmpty()) return;
  const QFileInfo info(auto_load_path_);
  if (info.exists() && info.lastModified() != auto_load_time_) LoadFromFile(auto_load_path_);
}

}  // namespace report
