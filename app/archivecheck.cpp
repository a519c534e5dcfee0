// The judgement of the program's database (see archivecheck.h).
#include "app/archivecheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "app/schema/schema.h"
#include "dao/vudaotable.h"
#include "platform/jet/engine.h"
#include "platform/jet/jeterror.h"
#include "platform/jet/jetreader.h"

namespace app {

namespace {

using TKind = TArchiveVerdict::TKind;

// What the first bytes of a file say before any engine reads it.
constexpr int kHeadBytes = 100;
const QByteArray kSqliteMagic("SQLite format 3\0", 16);

bool IsJetHead(const QByteArray &head) { return jet::JetFileKindOf(head) != jet::JetFileKind::NotJet; }

// The kind of value a column holds, as far as the program's fields care:
// a text field reads any text column, a number field any number.
enum class TFamily { Text, Number, Date, Boolean, Other };

TFamily FamilyOf(int type) {
  if (type == jet::dbByte || dao::IsNumberType(type)) return TFamily::Number;
  if (type == jet::dbText || type == jet::dbChar) return TFamily::Text;
  if (type == jet::dbDate || type == jet::dbTime || type == jet::dbTimeStamp) return TFamily::Date;
  if (type == jet::dbBoolean) return TFamily::Boolean;
  return TFamily::Other;
}

QString Quoted(const QString &name) { return QStringLiteral("«") + name + QStringLiteral("»"); }

// "la tabella «A»" or "le tabelle «A», «B»".
QString Listed(const QStringList &names, const QString &one, const QString &many) {
  QStringList quoted;
  for (const QString &n : names) quoted << Quoted(n);
  return (names.size() == 1 ? one : many) + QLatin1Char(' ') + quoted.join(QStringLiteral(", "));
}

// What of the schema the database lacks, in Italian; empty when it has all.
QString MissingObjects(jet::Database &db) {
  QStringList tables, columns, queries;
  for (const schema::TTable *table : schema::kTables) {
    jet::TableDef *def = db.TableDefs().Find(table->Name());
    if (def == nullptr) {
      tables << table->Name();
      continue;
    }
    const jet::Fields &fields = def->Fields();
    for (const schema::TColumn &column : table->columns) {
      const jet::Field *field = fields.Find(column.Name());
      if (field == nullptr || FamilyOf(field->Type()) != FamilyOf(column.type))
        columns << table->Name() + QLatin1Char('.') + column.Name();
    }
  }
  for (const schema::TStoredQuery *query : schema::kStoredQueries)
    if (db.QueryDefs().Find(query->Name()) == nullptr) queries << query->Name();
  QStringList parts;
  if (!tables.isEmpty())
    parts << Listed(tables, QStringLiteral("manca la tabella"), QStringLiteral("mancano le tabelle"));
  if (!columns.isEmpty())
    parts << Listed(columns, QStringLiteral("manca o è di un altro tipo il campo"),
                    QStringLiteral("mancano o sono di un altro tipo i campi"));
  if (!queries.isEmpty())
    parts << Listed(queries, QStringLiteral("manca la query"), QStringLiteral("mancano le query"));
  return parts.join(QStringLiteral("; "));
}

TArchiveVerdict Verdict(const QString &file, TKind kind, const QString &detail = {}) {
  TArchiveVerdict v;
  v.file = file;
  v.kind = kind;
  v.detail = detail;
  return v;
}

}  // namespace

bool LooksLikeJetFile(const QString &file) { return jet::JetFileKindOfPath(file) != jet::JetFileKind::NotJet; }

TArchiveVerdict JudgeArchive(const QString &file) {
  const QFileInfo info(file);
  if (!info.exists()) return Verdict(file, TKind::Missing);
  if (!info.isFile()) return Verdict(file, TKind::Foreign, QStringLiteral("è una cartella, non un file"));
  QByteArray head;
  {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
      return Verdict(file, TKind::Unreadable,
                     f.error() == QFileDevice::PermissionsError ? QStringLiteral("mancano i permessi per leggerlo")
                                                                : QStringLiteral("il sistema non lo lascia aprire"));
    head = f.read(kHeadBytes);
  }
  if (head.isEmpty()) return Verdict(file, TKind::Damaged, QStringLiteral("il file è vuoto"));
  if (IsJetHead(head)) return Verdict(file, TKind::JetFormat);
  if (!head.startsWith(kSqliteMagic))
    return Verdict(file, TKind::Damaged, QStringLiteral("il suo contenuto non è quello di un archivio di dati"));
  if (jet::DBEngine::DamageNoted(file))
    return Verdict(file, TKind::Damaged, QStringLiteral("il programma vi ha trovato danni durante il lavoro"));
  jet::DBEngine engine;
  try {
    // Read-only: the judgement never writes, and a read-only opening
    // converts nothing.
    const jet::DatabasePtr db = engine.OpenDatabase(file, false, true);
    engine.CheckDatabase(file, true);
    const QString missing = MissingObjects(*db);
    db->Close();
    if (!missing.isEmpty()) return Verdict(file, TKind::Incomplete, missing);
  } catch (const jet::EJetError &e) {
    switch (e.Number()) {
      case jet::kErrDamaged:
        return Verdict(file, TKind::Damaged, e.Description());
      case jet::kErrUnrecognisedFormat:
        // A database of the engine's kind without the program's catalogue.
        return Verdict(file, TKind::Foreign, QStringLiteral("è un archivio di un altro programma"));
      case jet::kErrFileNotFound:
        return Verdict(file, TKind::Missing);
      default:
        return Verdict(file, TKind::Unreadable, e.Description());
    }
  } catch (const rtl::Exception &e) {
    return Verdict(file, TKind::Unreadable, e.Message());
  }
  return Verdict(file, TKind::Sound);
}

QString TArchiveVerdict::Why() const {
  const QString name = Quoted(QDir::toNativeSeparators(file));
  switch (kind) {
    case TKind::Sound:
      return QStringLiteral("L'archivio dei dati %1 è integro").arg(name);
    case TKind::Missing:
      return QStringLiteral("L'archivio dei dati %1 non c'è").arg(name);
    case TKind::Damaged:
      return QStringLiteral("L'archivio dei dati %1 è danneggiato").arg(name);
    case TKind::JetFormat:
      return QStringLiteral("L'archivio dei dati %1 è ancora nel formato Jet del vecchio programma").arg(name);
    case TKind::Foreign:
      return QStringLiteral("Il file %1 non è un archivio dei dati di questo programma (%2)").arg(name, detail);
    case TKind::Incomplete:
      return QStringLiteral("L'archivio dei dati %1 non ha le tabelle del programma (%2)").arg(name, detail);
    case TKind::Unreadable:
      return QStringLiteral("L'archivio dei dati %1 non si può leggere (%2)").arg(name, detail);
  }
  return {};
}

const char *TArchiveVerdict::KindName() const {
  switch (kind) {
    case TKind::Sound:
      return "sound";
    case TKind::Missing:
      return "missing";
    case TKind::Damaged:
      return "damaged";
    case TKind::JetFormat:
      return "jet";
    case TKind::Foreign:
      return "foreign";
    case TKind::Incomplete:
      return "incomplete";
    case TKind::Unreadable:
      return "unreadable";
  }
  return "?";
}

}  // namespace app
