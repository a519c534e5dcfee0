// The stored queries' texts as the database keeps them (see schema.h).
#include "app/schema/schema.h"

#include <QStringList>

namespace schema {

QString TStoredQuery::Sql() const {
  QStringList out;
  for (const char *line : lines) out << QString::fromLatin1(line);
  return out.join(QStringLiteral("\r\n"));
}

}  // namespace schema
