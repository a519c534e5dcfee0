// The database of the shop's real size the benchmarks share (50 000 stock
// rows, 1 000 000 journal rows): ORBISCA_BENCH_DB names it; otherwise it is
// generated once under the temporary folder and kept between runs.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

#include "tools/lib/orbiscadb.h"

namespace bench {

inline const tools::LargeDatabaseOptions kLargeDatabase{};

inline QString LargeDatabasePath() {
  const QByteArray env = qgetenv("ORBISCA_BENCH_DB");
  const QString path =
      env.isEmpty() ? QDir::temp().filePath(QStringLiteral("orbisca_bench_%1.mdb").arg(kLargeDatabase.journal_rows))
                    : QString::fromLocal8Bit(env);
  if (!QFileInfo::exists(path)) tools::CreateLargeDatabase(path, kLargeDatabase);
  return path;
}

}  // namespace bench
