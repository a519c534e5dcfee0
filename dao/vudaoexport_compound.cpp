// The compound document (the container of the later spreadsheet files),
// written by the GNOME structured-file library: its sectors, allocation
// tables and directory are that library's; here one stream goes in.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

#include <QByteArray>
#include <QString>

#include "dao/vudaoexport_files.h"

namespace dao::exportfiles {

QByteArray CompoundDocument(const char *operation, const QString &stream, const QByteArray &data) {
  GsfOutput *sink = gsf_output_memory_new();
  GsfOutfile *container = gsf_outfile_msole_new(sink);
  bool ok = container != nullptr;
  if (ok) {
    GsfOutput *child = gsf_outfile_new_child(container, stream.toUtf8().constData(), FALSE);
    ok = child != nullptr &&
         gsf_output_write(child, static_cast<size_t>(data.size()), reinterpret_cast<const guint8 *>(data.constData()));
    if (child != nullptr) {
      ok = gsf_output_close(child) && ok;
      g_object_unref(child);
    }
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

}  // namespace dao::exportfiles
