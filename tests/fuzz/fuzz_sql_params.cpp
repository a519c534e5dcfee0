// Feeds arbitrary text to the parameter-marker parser of SQL texts: it must
// neither crash nor hang, every name it finds is non-empty, and parsing the
// result again finds no further markers outside quotes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QString>

#include "platform/vcl/db/params.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QString sql = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  vcl::TParams params;
  const QString parsed = params.ParseSQL(sql, true);
  for (int i = 0; i < params.Count(); ++i) {
    if (params[i]->Name().isEmpty()) std::abort();
  }
  if (parsed.size() > sql.size()) std::abort();
  vcl::TParams again;
  again.ParseSQL(parsed, false);
  return 0;
}
