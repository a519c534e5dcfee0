// Rebuilding a Jet file's stored query from its MSysQueries rows (see
// jetquerytext.h). The rows carry the query's parts already written in Jet
// SQL (expressions, conditions); what is rebuilt here is the statement
// around them: the clause keywords, the select options, and the FROM clause,
// whose joins are kept as pairs of tables with a condition and are nested
// back into "(A INNER JOIN B ON ...) LEFT JOIN C ON ..." form.
#include "platform/jet/jetquerytext.h"

#include <QRegularExpression>
#include <QStringList>
#include <memory>

#include "platform/jet/jetsql.h"

namespace jet {

namespace {

// What a row of MSysQueries describes.
enum Attribute : int {
  kType = 1,
  kParameter = 2,
  kFlags = 3,
  kRemoteDatabase = 4,
  kTable = 5,
  kColumn = 6,
  kJoin = 7,
  kWhere = 8,
  kGroupBy = 9,
  kHaving = 10,
  kOrderBy = 11,
};

// Bits of the flags row.
enum SelectFlag : int {
  kAllFields = 0x01,
  kDistinct = 0x02,
  kOwnerAccess = 0x04,
  kDistinctRow = 0x08,
  kTop = 0x10,
  kPercent = 0x20,
};
constexpr int kUnionDistinct = 0x02;  // on the flags row of a union
constexpr int kAppendValue = 0x8000;  // a column row that is a VALUES item
constexpr int kCrosstabPivot = 0x01;  // column and group rows of a crosstab
constexpr int kCrosstabRow = 0x02;

const QString kEol = QStringLiteral("\r\n");

QString ParameterType(int flag) {
  switch (flag) {
    case dbBoolean:
      return QStringLiteral("Bit");
    case dbByte:
      return QStringLiteral("Byte");
    case dbInteger:
      return QStringLiteral("Short");
    case dbLong:
      return QStringLiteral("Long");
    case dbCurrency:
      return QStringLiteral("Currency");
    case dbSingle:
      return QStringLiteral("IEEESingle");
    case dbDouble:
      return QStringLiteral("IEEEDouble");
    case dbDate:
      return QStringLiteral("DateTime");
    case dbBinary:
      return QStringLiteral("Binary");
    case dbText:
      return QStringLiteral("Text");
    case dbLongBinary:
      return QStringLiteral("LongBinary");
    case dbGUID:
      return QStringLiteral("Guid");
    default:
      return QStringLiteral("Value");
  }
}

// A name that may be written dotted ("Orders.OrderID"): each part quoted.
QString QuoteDotted(const QString &name) {
  if (name.startsWith(QLatin1Char('['))) return name;  // already written as Jet SQL
  QStringList parts = name.split(QLatin1Char('.'));
  for (QString &p : parts) p = JetQuoteName(p);
  return parts.join(QLatin1Char('.'));
}

QString Alias(const QString &alias) {
  return alias.isEmpty() ? QString() : QStringLiteral(" AS ") + JetQuoteName(alias);
}

// A part of the FROM clause: a table, or two parts joined on conditions.
struct FromPart {
  QStringList names;  // the tables (or aliases) inside, as the join rows name them
  QString table_sql;  // a table: its text
  std::shared_ptr<FromPart> left, right;
  QString kind;  // a join: "INNER JOIN"...
  QStringList conditions;

  bool Contains(const QString &name) const {
    for (const QString &n : names)
      if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
  }
  bool IsJoin() const { return left != nullptr; }
  QString Sql() const {
    if (!IsJoin()) return table_sql;
    auto side = [](const FromPart &p) { return p.IsJoin() ? u'(' + p.Sql() + u')' : p.Sql(); };
    QString on = conditions.size() == 1 ? conditions.front() : u'(' + conditions.join(QStringLiteral(") AND (")) + u')';
    return side(*left) + u' ' + kind + u' ' + side(*right) + QStringLiteral(" ON ") + on;
  }
  // The innermost join that has one name on each side.
  FromPart *JoinOf(const QString &a, const QString &b) {
    if (!IsJoin()) return nullptr;
    if (FromPart *inner = left->JoinOf(a, b)) return inner;
    if (FromPart *inner = right->JoinOf(a, b)) return inner;
    if ((left->Contains(a) && right->Contains(b)) || (left->Contains(b) && right->Contains(a))) return this;
    return nullptr;
  }
};

class Builder {
 public:
  explicit Builder(const std::vector<JetQueryRow> &rows) : rows_(rows) {}

  RebuiltQuery Build() {
    RebuiltQuery out;
    const JetQueryRow *type = First(kType);
    out.kind = type && type->flag >= static_cast<int>(JetQueryKind::Select) &&
                       type->flag <= static_cast<int>(JetQueryKind::Union)
                   ? static_cast<JetQueryKind>(type->flag)
                   : JetQueryKind::Unknown;
    if (const JetQueryRow *f = First(kFlags)) flags_ = f->flag;
    QString sql;
    switch (out.kind) {
      case JetQueryKind::Select:
        sql = Parameters() + SelectStatement(Columns(), QString());
        break;
      case JetQueryKind::MakeTable:
        sql = Parameters() +
              SelectStatement(Columns(), QStringLiteral(" INTO ") + QuoteDotted(type->name1) + External(type->name2));
        break;
      case JetQueryKind::Append:
        sql = Parameters() + Append(*type);
        break;
      case JetQueryKind::Update:
        sql = Parameters() + Update();
        break;
      case JetQueryKind::Delete:
        sql = Parameters() + QStringLiteral("DELETE ") + Columns().join(QStringLiteral(", ")) + Clauses(false);
        break;
      case JetQueryKind::Crosstab:
        sql = Parameters() + Crosstab();
        break;
      case JetQueryKind::Union:
        sql = Union();
        break;
      case JetQueryKind::DataDefinition:
      case JetQueryKind::PassThrough:
        // Their text is kept whole in the type row.
        if (type->expression.trimmed().isEmpty()) Problem(QStringLiteral("il testo della query è vuoto"));
        out.sql = type->expression.trimmed();
        out.problem = problems_.join(QStringLiteral("; "));
        return out;
      case JetQueryKind::Unknown:
        Problem(type ? QStringLiteral("tipo di query %1 sconosciuto").arg(type->flag)
                     : QStringLiteral("manca il tipo della query"));
        out.problem = problems_.join(QStringLiteral("; "));
        return out;
    }
    if (flags_ & kOwnerAccess) sql += kEol + QStringLiteral("WITH OWNERACCESS OPTION");
    out.sql = sql + u';';
    out.problem = problems_.join(QStringLiteral("; "));
    return out;
  }

 private:
  const JetQueryRow *First(int attribute) const {
    for (const JetQueryRow &r : rows_)
      if (r.attribute == attribute) return &r;
    return nullptr;
  }
  std::vector<const JetQueryRow *> All(int attribute) const {
    std::vector<const JetQueryRow *> out;
    for (const JetQueryRow &r : rows_)
      if (r.attribute == attribute) out.push_back(&r);
    return out;
  }
  void Problem(const QString &text) {
    if (!problems_.contains(text)) problems_ << text;
  }

  static QString External(const QString &path) {
    return path.isEmpty() ? QString()
                          : QStringLiteral(" IN '") + QString(path).replace(u'\'', QStringLiteral("''")) + u'\'';
  }

  QString Parameters() const {
    QStringList params;
    for (const JetQueryRow *r : All(kParameter))
      if (!r->name1.isEmpty()) params << JetQuoteName(r->name1) + u' ' + ParameterType(r->flag);
    return params.isEmpty() ? QString()
                            : QStringLiteral("PARAMETERS ") + params.join(QStringLiteral(", ")) + u';' + kEol;
  }

  static QString ColumnText(const JetQueryRow &r) { return r.expression + Alias(r.name1); }

  QStringList Columns(int need = 0, int without = 0) const {
    QStringList out;
    if ((flags_ & kAllFields) && need == 0) out << QStringLiteral("*");
    for (const JetQueryRow *r : All(kColumn)) {
      if (need && !(r->flag & need)) continue;
      if (without && (r->flag & without)) continue;
      if (!r->expression.isEmpty()) out << ColumnText(*r);
    }
    return out;
  }

  QString SelectOptions() const {
    QString s;
    if (flags_ & kDistinct)
      s += QStringLiteral("DISTINCT ");
    else if (flags_ & kDistinctRow)
      s += QStringLiteral("DISTINCTROW ");
    if (flags_ & kTop) {
      const JetQueryRow *f = First(kFlags);
      s += QStringLiteral("TOP ") + (f && !f->name1.isEmpty() ? f->name1 : QStringLiteral("100")) + u' ';
      if (flags_ & kPercent) s += QStringLiteral("PERCENT ");
    }
    return s;
  }

  QString SelectStatement(const QStringList &columns, const QString &into) {
    if (columns.isEmpty()) Problem(QStringLiteral("la query non ha colonne"));
    return QStringLiteral("SELECT ") + SelectOptions() + columns.join(QStringLiteral(", ")) + into + Clauses(true);
  }

  // FROM, WHERE, GROUP BY, HAVING and ORDER BY, each on its own line.
  QString Clauses(bool with_order, int group_need = 0, int group_without = 0) {
    QString s;
    const QString from = From();
    if (!from.isEmpty()) s += kEol + QStringLiteral("FROM ") + from;
    if (const JetQueryRow *w = First(kWhere); w && !w->expression.isEmpty())
      s += kEol + QStringLiteral("WHERE ") + w->expression;
    QStringList groups;
    for (const JetQueryRow *r : All(kGroupBy)) {
      if (group_need && !(r->flag & group_need)) continue;
      if (group_without && (r->flag & group_without)) continue;
      if (!r->expression.isEmpty()) groups << r->expression;
    }
    if (!groups.isEmpty()) s += kEol + QStringLiteral("GROUP BY ") + groups.join(QStringLiteral(", "));
    if (const JetQueryRow *h = First(kHaving); h && !h->expression.isEmpty())
      s += kEol + QStringLiteral("HAVING ") + h->expression;
    if (with_order) s += OrderBy();
    return s;
  }

  QString OrderBy() const {
    QStringList order;
    for (const JetQueryRow *r : All(kOrderBy))
      if (!r->expression.isEmpty())
        order << r->expression + (r->name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0
                                      ? QStringLiteral(" DESC")
                                      : QString());
    return order.isEmpty() ? QString() : kEol + QStringLiteral("ORDER BY ") + order.join(QStringLiteral(", "));
  }

  QString From() {
    std::vector<std::shared_ptr<FromPart>> parts;
    const JetQueryRow *remote = First(kRemoteDatabase);
    for (const JetQueryRow *r : All(kTable)) {
      if (r->name1.isEmpty()) continue;
      auto p = std::make_shared<FromPart>();
      p->names << (r->name2.isEmpty() ? r->name1 : r->name2);
      p->table_sql = (r->expression.isEmpty() ? QString() : u'[' + r->expression + QStringLiteral("].")) +
                     JetQuoteName(r->name1) + Alias(r->name2);
      parts.push_back(p);
    }
    auto find = [&](const QString &name) -> int {
      for (size_t i = 0; i < parts.size(); ++i)
        if (parts[i]->Contains(name)) return static_cast<int>(i);
      return -1;
    };
    for (const JetQueryRow *j : All(kJoin)) {
      if (j->name1.isEmpty() || j->name2.isEmpty() || j->expression.isEmpty()) {
        Problem(QStringLiteral("un collegamento tra tabelle è incompleto"));
        continue;
      }
      QString kind;
      switch (j->flag) {
        case 1:
          kind = QStringLiteral("INNER JOIN");
          break;
        case 2:
          kind = QStringLiteral("LEFT JOIN");
          break;
        case 3:
          kind = QStringLiteral("RIGHT JOIN");
          break;
        default:
          kind = QStringLiteral("INNER JOIN");
          Problem(QStringLiteral("collegamento di tipo %1 sconosciuto").arg(j->flag));
      }
      int a = find(j->name1);
      int b = find(j->name2);
      if (a >= 0 && a == b) {
        // A second condition between tables already joined.
        if (FromPart *inner = parts[static_cast<size_t>(a)]->JoinOf(j->name1, j->name2))
          inner->conditions << j->expression;
        else
          Problem(QStringLiteral("collegamento tra %1 e %2 non collocabile").arg(j->name1, j->name2));
        continue;
      }
      auto simple = [&](const QString &name) {
        auto p = std::make_shared<FromPart>();
        p->names << name;
        p->table_sql = JetQuoteName(name);
        parts.push_back(p);
        return static_cast<int>(parts.size()) - 1;
      };
      if (a < 0) a = simple(j->name1);
      if (b < 0) b = simple(j->name2);
      auto join = std::make_shared<FromPart>();
      join->left = parts[static_cast<size_t>(a)];
      join->right = parts[static_cast<size_t>(b)];
      join->names = join->left->names + join->right->names;
      join->kind = kind;
      join->conditions << j->expression;
      const int keep = std::min(a, b);
      const int drop = std::max(a, b);
      parts[static_cast<size_t>(keep)] = join;
      parts.erase(parts.begin() + drop);
    }
    QStringList out;
    for (const auto &p : parts) out << p->Sql();
    QString from = out.join(QStringLiteral(", "));
    if (remote && !from.isEmpty()) from += External(remote->name1);
    return from;
  }

  QString Append(const JetQueryRow &type) {
    QString s = QStringLiteral("INSERT INTO ") + QuoteDotted(type.name1) + External(type.name2);
    QStringList values;
    for (const JetQueryRow *r : All(kColumn))
      if ((r->flag & kAppendValue) && !r->expression.isEmpty()) values << r->expression;
    if (!values.isEmpty()) return s + QStringLiteral(" VALUES (") + values.join(QStringLiteral(", ")) + u')';
    // The target fields are the columns' names: written as a field list,
    // which reads the same as aliases and is what every engine takes.
    QStringList targets, sources;
    bool all_named = true;
    for (const JetQueryRow *r : All(kColumn)) {
      if (r->expression.isEmpty()) continue;
      sources << r->expression;
      targets << QuoteDotted(r->name1);
      if (r->name1.isEmpty()) all_named = false;
    }
    if (all_named && !targets.isEmpty() && !(flags_ & kAllFields))
      return s + QStringLiteral(" (") + targets.join(QStringLiteral(", ")) + u')' + kEol +
             SelectStatement(sources, QString());
    return s + kEol + SelectStatement(Columns(), QString());
  }

  QString Update() {
    QStringList sets;
    for (const JetQueryRow *r : All(kColumn))
      if (!r->expression.isEmpty() && !r->name2.isEmpty())
        sets << QuoteDotted(r->name2) + QStringLiteral(" = ") + r->expression;
    if (sets.isEmpty()) Problem(QStringLiteral("la query di aggiornamento non assegna campi"));
    QString s = QStringLiteral("UPDATE ") + From() + kEol + QStringLiteral("SET ") + sets.join(QStringLiteral(", "));
    if (const JetQueryRow *w = First(kWhere); w && !w->expression.isEmpty())
      s += kEol + QStringLiteral("WHERE ") + w->expression;
    return s;
  }

  QString Crosstab() {
    const JetQueryRow *value = nullptr;
    const JetQueryRow *pivot = nullptr;
    for (const JetQueryRow *r : All(kColumn)) {
      if (r->flag & kCrosstabPivot)
        pivot = r;
      else if (!(r->flag & kCrosstabRow))
        value = r;
    }
    if (!value || !pivot) Problem(QStringLiteral("la query a campi incrociati è incompleta"));
    QString s = value ? QStringLiteral("TRANSFORM ") + ColumnText(*value) + kEol : QString();
    s += QStringLiteral("SELECT ") + SelectOptions() + Columns(kCrosstabRow).join(QStringLiteral(", ")) +
         Clauses(true, kCrosstabRow);
    if (pivot) s += kEol + QStringLiteral("PIVOT ") + pivot->expression;
    return s;
  }

  QString Union() {
    // The parts are whole statements kept in table rows, in order.
    QStringList parts;
    for (const JetQueryRow *r : All(kTable)) {
      QString part = r->expression.trimmed();
      while (part.endsWith(u';')) part.chop(1);
      part.replace(QRegularExpression(QStringLiteral("[\r\n]+")), kEol);
      if (!part.isEmpty()) parts << part.trimmed();
    }
    if (parts.size() < 2) Problem(QStringLiteral("all'unione mancano delle parti"));
    const QString glue = kEol + ((flags_ & kUnionDistinct) ? QStringLiteral("UNION ") : QStringLiteral("UNION ALL "));
    return parts.join(glue) + OrderBy();
  }

  const std::vector<JetQueryRow> &rows_;
  int flags_ = 0;
  QStringList problems_;
};

}  // namespace

QString JetQuoteName(const QString &name) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
  if (plain.match(name).hasMatch()) return name;
  QString inner = name;
  inner.remove(u'[').remove(u']');  // Jet names cannot hold brackets
  return u'[' + inner + u']';
}

RebuiltQuery RebuildJetQuery(const std::vector<JetQueryRow> &rows) { return Builder(rows).Build(); }

}  // namespace jet
