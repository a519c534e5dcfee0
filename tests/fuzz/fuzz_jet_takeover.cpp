// Damaged Jet files fed to the taking-over code. The input edits a real Jet
// file (tests/data/jet/DateTestDatabase.mdb): it may cut it short, and then
// gives patches of (offset, bytes) to write into it, so the damage lands in
// pages the reader really follows. Whatever the damage, the conversion
// either succeeds (the archive is the engine's file, the original kept byte
// for byte) or fails leaving the damaged file as it was and nothing beside
// it; it never hangs (the converter process is stopped after 5 seconds
// without progress). The stored-query rebuilder gets rows made of the same
// bytes.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/jet/jeterror.h"
#include "platform/jet/jetquerytext.h"
#include "platform/jet/takeover.h"

namespace {

QByteArray Sample() {
  QFile f(QStringLiteral(ORBISCA_SOURCE_DIR "/tests/data/jet/DateTestDatabase.mdb"));
  if (!f.open(QIODevice::ReadOnly)) std::abort();
  return f.readAll();
}

quint32 Take(const std::uint8_t *&p, std::size_t &left, int bytes) {
  quint32 v = 0;
  for (int i = 0; i < bytes && left > 0; ++i, --left) v |= static_cast<quint32>(*p++) << (8 * i);
  return v;
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QByteArray sample = Sample();
  static QTemporaryDir dir;
  const std::uint8_t *p = data;
  std::size_t left = size;

  // The damaged file.
  QByteArray bytes = sample;
  const quint32 cut = Take(p, left, 3);
  if (cut != 0 && cut < static_cast<quint32>(bytes.size())) bytes.truncate(static_cast<qsizetype>(cut));
  while (left >= 4) {
    const quint32 offset = Take(p, left, 3) % static_cast<quint32>(bytes.size());
    const quint32 length = Take(p, left, 1) % 16 + 1;
    for (quint32 i = 0; i < length && left > 0 && offset + i < static_cast<quint32>(bytes.size()); ++i, --left)
      bytes[static_cast<qsizetype>(offset + i)] = static_cast<char>(*p++);
  }

  // The rows of a stored query, from the same input.
  std::vector<jet::JetQueryRow> rows;
  for (std::size_t i = 0; i + 2 < size && rows.size() < 32; i += 3) {
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + i),
                                             static_cast<int>(std::min<std::size_t>(size - i, 12)));
    rows.push_back({data[i] % 12, data[i + 1] - 128, text.left(4), text.mid(4, 4), text.mid(2)});
  }
  (void)jet::RebuildJetQuery(rows);

  for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden)) QFile::remove(dir.filePath(name));
  const QString path = dir.filePath(QStringLiteral("orbisca4.mdb"));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return 0;
    f.write(bytes);
  }
  jet::TakeoverOptions options;
  options.stall_seconds = 5;
  auto read = [](const QString &file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  QStringList left_over;
  try {
    const jet::TakeoverSummary s = jet::TakeOverJetFile(path, options);
    Check(read(s.original) == bytes);
    Check(read(path).startsWith("SQLite format 3"));
  } catch (const jet::EJetError &) {
    Check(read(path) == bytes);
    Check(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{QStringLiteral("orbisca4.mdb")});
  }
  return 0;
}
