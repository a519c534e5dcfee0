// The compound document (the container of the later spreadsheet files),
// read and written by the GNOME structured-file library: its sectors,
// allocation tables and directory are that library's; here the streams and
// storages go in and come out whole.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

#include <QByteArray>
#include <QString>

#include "dao/vudaoexport_files.h"

namespace dao::exportfiles {

namespace {

constexpr int kClassIdSize = 16;

bool ReadEntries(GsfInfile *dir, std::vector<CompoundEntry> *out, QString *reason) {
  const int n = gsf_infile_num_children(dir);
  for (int i = 0; i < n; ++i) {
    GsfInput *child = gsf_infile_child_by_index(dir, i);
    if (child == nullptr) {
      *reason = QStringLiteral("una voce del contenitore non si può leggere");
      return false;
    }
    CompoundEntry entry;
    entry.name = QString::fromUtf8(gsf_infile_name_by_index(dir, i));
    bool ok = true;
    // The library answers -1 children for a stream, 0 or more for a storage.
    if (gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
      entry.storage = true;
      entry.class_id = QByteArray(kClassIdSize, '\0');
      gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child), reinterpret_cast<guint8 *>(entry.class_id.data()));
      ok = ReadEntries(GSF_INFILE(child), &entry.children, reason);
    } else {
      const gsf_off_t size = gsf_input_size(child);
      entry.bytes = QByteArray(static_cast<qsizetype>(size), '\0');
      if (size > 0 &&
          gsf_input_read(child, static_cast<size_t>(size), reinterpret_cast<guint8 *>(entry.bytes.data())) == nullptr) {
        *reason = QStringLiteral("il flusso «%1» è troncato").arg(entry.name);
        ok = false;
      }
    }
    g_object_unref(child);
    if (!ok) return false;
    out->push_back(std::move(entry));
  }
  return true;
}

bool WriteEntries(GsfOutfile *dir, const std::vector<CompoundEntry> &entries) {
  for (const CompoundEntry &e : entries) {
    GsfOutput *child = gsf_outfile_new_child(dir, e.name.toUtf8().constData(), e.storage ? TRUE : FALSE);
    if (child == nullptr) return false;
    bool ok;
    if (e.storage) {
      if (e.class_id.size() == kClassIdSize)
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(child),
                                       reinterpret_cast<const guint8 *>(e.class_id.constData()));
      ok = WriteEntries(GSF_OUTFILE(child), e.children);
    } else {
      ok = gsf_output_write(child, static_cast<size_t>(e.bytes.size()),
                            reinterpret_cast<const guint8 *>(e.bytes.constData()));
    }
    ok = gsf_output_close(child) && ok;
    g_object_unref(child);
    if (!ok) return false;
  }
  return true;
}

}  // namespace

CompoundEntry *CompoundEntry::Stream(std::vector<CompoundEntry> &entries, const QString &name) {
  for (CompoundEntry &e : entries)
    if (!e.storage && e.name.compare(name, Qt::CaseInsensitive) == 0) return &e;
  return nullptr;
}

bool ReadCompound(const QByteArray &file, CompoundEntry *root, QString *reason) {
  // A damaged file makes the library complain on the terminal as it gives
  // up; the caller reports the failure itself.
  const guint quiet = g_log_set_handler(
      "libgsf:msole", static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
      [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
  struct Restore {
    guint id;
    ~Restore() { g_log_remove_handler("libgsf:msole", id); }
  } restore{quiet};
  // The input reads `file` in place; it outlives the input.
  GsfInput *source = gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()), file.size(), FALSE);
  GError *error = nullptr;
  GsfInfile *container = gsf_infile_msole_new(source, &error);
  g_object_unref(source);
  if (container == nullptr) {
    if (error != nullptr) g_error_free(error);
    *reason = QStringLiteral("non è un documento composto leggibile");
    return false;
  }
  *root = CompoundEntry();
  root->storage = true;
  root->class_id = QByteArray(kClassIdSize, '\0');
  gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(container), reinterpret_cast<guint8 *>(root->class_id.data()));
  const bool ok = ReadEntries(container, &root->children, reason);
  g_object_unref(container);
  return ok;
}

QByteArray CompoundDocument(const char *operation, const CompoundEntry &root) {
  GsfOutput *sink = gsf_output_memory_new();
  GsfOutfile *container = gsf_outfile_msole_new(sink);
  bool ok = container != nullptr;
  if (ok) {
    if (root.class_id.size() == kClassIdSize)
      gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(container),
                                     reinterpret_cast<const guint8 *>(root.class_id.constData()));
    ok = WriteEntries(container, root.children);
    ok = gsf_output_close(GSF_OUTPUT(container)) && ok;
    g_object_unref(container);
  }
  QByteArray bytes;
  if (ok)
    bytes = QByteArray(reinterpret_cast<const char *>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
                       static_cast<qsizetype>(gsf_output_size(sink)));
  // Closing the container closed the sink too.
  if (!gsf_output_is_closed(sink)) gsf_output_close(sink);
  g_object_unref(sink);
  if (!ok) Fail(operation, QStringLiteral("The spreadsheet's container could not be written."));
  return bytes;
}

QByteArray CompoundDocument(const char *operation, const QString &stream, const QByteArray &data) {
  CompoundEntry root;
  root.storage = true;
  root.children.push_back({stream, false, {}, data, {}});
  return CompoundDocument(operation, root);
}

}  // namespace dao::exportfiles
