// Report variables and the variable list; see kvvalues.h.
#include "report/engine/vars/kvvalues.h"

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace report {

const QStringList &KvValueKindNames() {
  static const QStringList names{
      QStringLiteral("N° pagina"),  QStringLiteral("Espressione"),       QStringLiteral("Data"),
      QStringLiteral("Ora"),        QStringLiteral("N° linea"),          QStringLiteral("N° linea continuo"),
      QStringLiteral("N° colonna"), QStringLiteral("N° linea corrente"), QStringLiteral("Totale Pagine")};
  return names;
}

const QStringList &KvSystemVariables() {
  static const QStringList names{QStringLiteral("PAGE#"),     QString(),
                                 QStringLiteral("DATE"),      QStringLiteral("TIME"),
                                 QStringLiteral("LINE#"),     QStringLiteral("LINETHROUGH#"),
                                 QStringLiteral("COLUMN#"),   QStringLiteral("CURRENT#"),
                                 QStringLiteral("TOTALPAGES")};
  return names;
}

// ---- TkvValues --------------------------------------------------------------------

TkvValues::TkvValues() {
  items_.SetOwnsObjects(true);
  items_.SetCaseSensitive(false);
}

TkvValues::~TkvValues() = default;

int TkvValues::AddValue(const QString &name) { return items_.AddObject(name, new TkvValue); }

TkvValue *TkvValues::Value(int index) const { return static_cast<TkvValue *>(items_.Objects(index)); }

TkvValue *TkvValues::FindValue(const QString &name) const {
  const int i = items_.IndexOf(name);
  return i >= 0 ? Value(i) : nullptr;
}

QString TkvValues::Name(int index) const { return items_[index]; }

void TkvValues::Clear() { items_.Clear(); }

void TkvValues::ReadBinaryData(rtl::TStream &stream) {
  Clear();
  items_.SetSorted(false);
  try {
    const std::int32_t count = stream.ReadInt32();
    // Each binding takes at least 8 bytes: a count beyond what the stream
    // holds is damage, not a reason to loop for ever.
    if (count < 0 || count > (stream.Size() - stream.Position()) / 8)
      throw rtl::EReadError(QStringLiteral("Stream read error"));
    for (std::int32_t i = 0; i < count; ++i) {
      auto value = std::make_unique<TkvValue>();
      value->Type = stream.ReadUInt8();
      value->OtherKind = stream.ReadInt32();
      value->DataSet = stream.ReadShortString();
      value->Field = stream.ReadShortString();
      const QString name = stream.ReadShortString();
      items_.AddObject(name, value.release());
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void TkvValues::WriteBinaryData(rtl::TStream &stream) const {
  stream.WriteInt32(items_.Count());
  for (int i = 0; i < items_.Count(); ++i) {
    const TkvValue *v = Value(i);
    stream.WriteUInt8(v->Type);
    stream.WriteInt32(v->OtherKind);
    stream.WriteShortString(v->DataSet);
    stream.WriteShortString(v->Field);
    stream.WriteShortString(items_[i]);
  }
}

// ---- the variable list ----------------------------------------------------------------

namespace {
bool IsCategory(const QString &line) { return !line.isEmpty() && line[0] != u' '; }
bool IsVariable(const QString &line) { return !line.isEmpty() && line[0] == u' '; }
}  // namespace

void KvGetVariableCategories(const rtl::TStrings &variables, rtl::TStrings &out) {
  out.Clear();
  for (int i = 0; i < variables.Count(); ++i)
    if (IsCategory(variables[i])) out.Add(variables[i]);
}

void KvGetCategoryVariables(const rtl::TStrings &variables, int category, rtl::TStrings &out) {
  out.Clear();
  int seen = -1;
  int i = 0;
  for (; i < variables.Count(); ++i) {
    if (IsCategory(variables[i]) && ++seen == category) break;
  }
  for (++i; i < variables.Count() && IsVariable(variables[i]); ++i) out.Add(variables[i].mid(1));
}

int KvFindVariable(const rtl::TStrings &variables, const QString &name) {
  const QString line = u' ' + name;
  for (int i = 0; i < variables.Count(); ++i)
    if (variables[i] == line) return i;
  return -1;
}

}  // namespace report
