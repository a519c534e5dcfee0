// String lists of the template stream (see kvstrio.h).
#include "report/engine/model/kvstrio.h"

#include "platform/rtl/classes.h"
#include "platform/rtl/cp1252.h"
#include "platform/rtl/streams.h"
#include "report/engine/model/kvglobals.h"

namespace report {

QStringList ReadStrList(rtl::TStream &stream, int version) {
  QStringList lines;
  if (version > 25) {
    const int count = stream.ReadUInt16();
    for (int i = 0; i < count; ++i) {
      const int length = stream.ReadUInt16();
      lines.append(rtl::FromCp1252(stream.ReadBytes(length)));
    }
    return lines;
  }
  // Older streams: CR ends a line (an empty one too); the zero byte ends the
  // list and adds a last line only when characters precede it.
  QByteArray line;
  for (;;) {
    const std::uint8_t c = stream.ReadUInt8();
    if (c == 0) {
      if (!line.isEmpty()) lines.append(rtl::FromCp1252(line));
      return lines;
    }
    if (c == 13) {
      lines.append(rtl::FromCp1252(line));
      line.clear();
    } else {
      line.append(char(c));
    }
  }
}

void WriteStrList(rtl::TStream &stream, const QStringList &lines, int version) {
  if (version > 25) {
    const int count = int(std::min<qsizetype>(lines.size(), 0xFFFF));
    stream.WriteUInt16(std::uint16_t(count));
    for (int i = 0; i < count; ++i) {
      const QByteArray bytes = rtl::ToCp1252(lines[i].left(kvMaxStoredLine));
      stream.WriteUInt16(std::uint16_t(bytes.size()));
      stream.WriteBytes(bytes);
    }
    return;
  }
  for (const QString &line : lines) {
    // A CR or zero inside a line would change the list on reading.
    QByteArray bytes = rtl::ToCp1252(line.left(255));
    bytes.replace('\r', ' ');
    bytes.replace('\0', ' ');
    stream.WriteBytes(bytes);
    stream.WriteUInt8(13);
  }
  stream.WriteUInt8(0);
}

void ReadStrings(rtl::TStream &stream, rtl::TStrings &list) {
  list.AssignStrings(ReadStrList(stream, kvEngine().Version));
}

void WriteStrings(rtl::TStream &stream, const rtl::TStrings &list) {
  WriteStrList(stream, list.ToStringList(), kvEngine().Version);
}

QString ReadOneLine(rtl::TStream &stream) {
  const QStringList lines = ReadStrList(stream, kvEngine().Version);
  return lines.isEmpty() ? QString() : lines.first();
}

void WriteOneLine(rtl::TStream &stream, const QString &line) {
  WriteStrList(stream, QStringList{line}, kvEngine().Version);
}

}  // namespace report
