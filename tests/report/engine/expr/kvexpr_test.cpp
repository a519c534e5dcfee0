// The report expression language: precedence, literals, the resolver
// contract and the running aggregates of a data band.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/formatsettings.h"
#include "report/engine/expr/kvaggr.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvclass.h"
#include "report/engine/model/kvglobals.h"

using report::EkvExprError;
using report::TkvAggregates;
using report::TkvExpr;
using rtl::Variant;

namespace {

// A fresh evaluator whose names come from a small table.
class ExprTest : public ::testing::Test {
 protected:
  TkvExpr e;
  std::map<QString, Variant> names;
  QStringList calls;
  void SetUp() override {
    e.SetResolver([this](const QString &name, const QStringList *args) -> Variant {
      calls << (args ? name + u'(' + args->join(u'|') + u')' : u'[' + name + u']');
      auto it = names.find(name.toUpper());
      return it == names.end() ? Variant() : it->second;
    });
  }
  double D(const QString &text) { return e.Evaluate(text).AsDouble(); }
  QString S(const QString &text) { return e.Evaluate(text).AsString(); }
  QString Error(const QString &text) {
    try {
      e.Evaluate(text);
    } catch (const EkvExprError &err) {
      return err.Message();
    }
    return QStringLiteral("<no error>");
  }
};

TEST_F(ExprTest, OperatorsBindByLevelAndApplyLeftToRight) {
  EXPECT_EQ(D("2+3*4"), 14);
  EXPECT_EQ(D("(2+3)*4"), 20);
  EXPECT_EQ(D("10-4-3"), 3);
  EXPECT_EQ(D("100/10/5"), 2);
  EXPECT_EQ(D("1=5-2-2"), 1);  // a comparison does not regroup the sum after it
  EXPECT_EQ(D("2*3+4*5"), 26);
  EXPECT_EQ(D("2^3"), 8);
  EXPECT_EQ(D("2*3^2"), 36);  // "^" shares the level of "*"
  EXPECT_EQ(e.Evaluate("7 DIV 2").AsInteger(), 3);
  EXPECT_EQ(e.Evaluate("7 mod 2").AsInteger(), 1);
  EXPECT_EQ(D("1+6 AND 3"), 3);  // AND binds like "*"
  EXPECT_EQ(D("4 OR 1*2"), 6);
  EXPECT_EQ(D(" ( ( 1 ) ) "), 1);
}

TEST_F(ExprTest, SignsAndNegation) {
  EXPECT_EQ(D("-5"), -5);
  EXPECT_EQ(D("+5"), 5);
  EXPECT_EQ(D("-2*3"), -6);
  EXPECT_EQ(D("2*-3"), -6);  // not (2*0)-3
  EXPECT_EQ(D("4--1"), 5);
  EXPECT_EQ(e.Evaluate("NOT 0").AsInteger(), 1);
  EXPECT_EQ(e.Evaluate("not(1)").AsInteger(), 0);
  EXPECT_EQ(e.Evaluate("NOT 1=0").AsInteger(), 1);  // (NOT 1) = 0
}

TEST_F(ExprTest, ComparisonsGiveOneOrZero) {
  const Variant t = e.Evaluate("1=1");
  EXPECT_EQ(t.Type(), rtl::VarType::Integer);
  EXPECT_EQ(t.AsInteger(), 1);
  EXPECT_EQ(e.Evaluate("1>2").AsInteger(), 0);
  EXPECT_EQ(e.Evaluate("2>=2").AsInteger(), 1);
  EXPECT_EQ(e.Evaluate("1<>2").AsInteger(), 1);
  EXPECT_EQ(e.Evaluate("'abc'<'abd'").AsInteger(), 1);
  EXPECT_EQ(e.Evaluate("1+1=2 AND 3>2").AsInteger(), 0);  // 1+(1 AND 3)=2 ... > 2
  EXPECT_EQ(e.Evaluate("(1+1=2) AND (3>2)").AsInteger(), 1);
  names[QStringLiteral("FLAG")] = Variant(true);
  EXPECT_EQ(e.Evaluate("FLAG").Type(), rtl::VarType::Integer);
}

TEST_F(ExprTest, LiteralsAndTexts) {
  EXPECT_EQ(S("'it''s'"), QStringLiteral("it's"));
  EXPECT_EQ(S("'a'+'b'"), QStringLiteral("ab"));
  EXPECT_EQ(S("'(x'"), QStringLiteral("(x"));  // brackets in quotes are not counted
  EXPECT_EQ(D("'2'+3"), 5);                    // a text that is a number adds
  {
    rtl::FormatSettingsGuard guard(rtl::EnglishFormatSettings());
    EXPECT_DOUBLE_EQ(D("1.25*2"), 2.5);
  }
  EXPECT_DOUBLE_EQ(D("1.25*2"), 2.5);  // the point is decimal in any locale
  EXPECT_DOUBLE_EQ(D(".5"), 0.5);
}

TEST_F(ExprTest, NamesGoToTheResolver) {
  names[QStringLiteral("QTA")] = Variant(3);
  names[QStringLiteral("TABELLA.\"PREZZO UNITARIO\"")] = Variant(2.5);
  names[QStringLiteral("F")] = Variant(10);
  EXPECT_EQ(D("[Qta]*2"), 6);
  EXPECT_EQ(D("Tabella.\"Prezzo unitario\"*2"), 5);
  EXPECT_EQ(D("F('a,b', (1,2), [x,y], , 3)"), 10);
  EXPECT_EQ(calls.back(), QStringLiteral("F('a,b'| (1,2)| [x,y]| 3)"));
  names[QStringLiteral("PREZZO D'ACQUISTO")] = Variant(2);
  EXPECT_EQ(D("([Prezzo d'acquisto]+1)*2"), 6);
  EXPECT_EQ(D("F([Prezzo d'acquisto], 1)"), 10);
  EXPECT_EQ(calls.back(), QStringLiteral("F([Prezzo d'acquisto]| 1)"));
  EXPECT_EQ(D("qta"), 3);
  EXPECT_EQ(calls.back(), QStringLiteral("qta()"));
  // A name beginning with an operator's letters is still a name.
  names[QStringLiteral("ORDINE")] = Variant(4);
  EXPECT_EQ(D("ORDINE+1"), 5);
}

TEST_F(ExprTest, ErrorsNameTheText) {
  EXPECT_EQ(Error("(1+2"), QStringLiteral("Numero errato di parentesi nell'espressione : (1+2"));
  EXPECT_EQ(Error("1+2)"), QStringLiteral("Numero errato di parentesi nell'espressione : 1+2)"));
  EXPECT_EQ(Error("1+ignoto"), QStringLiteral("Identificatore sconosciuto: 1+ignoto"));
  EXPECT_EQ(Error("1+[x]"), QStringLiteral("Identificatore sconosciuto: 1+[x]"));
  EXPECT_EQ(Error("'a'*2"), QStringLiteral("Tipo di dati incompatibili nell'espressione: 'a'*2"));
  EXPECT_EQ(e.LastError(), QStringLiteral("Tipo di dati incompatibili nell'espressione: 'a'*2"));
  EXPECT_EQ(Error("1/0"), QStringLiteral("Divisione per zero nell'espressione: 1/0"));
  EXPECT_EQ(Error("5 MOD 0"), QStringLiteral("Divisione per zero nell'espressione: 5 MOD 0"));
  EXPECT_NE(Error("1 2"), QStringLiteral("<no error>"));  // trailing text is not ignored
  EXPECT_NE(Error("'open"), QStringLiteral("<no error>"));
  EXPECT_NE(Error(""), QStringLiteral("<no error>"));
  EXPECT_NE(Error(QString(5000, u'(') + u'1' + QString(5000, u')')), QStringLiteral("<no error>"));
}

TEST_F(ExprTest, RegistrationModeTurnsTypeErrorsIntoZero) {
  e.SetMode(TkvExpr::emRegistration);
  EXPECT_EQ(D("'a'*2+1"), 1);
  EXPECT_EQ(e.LastError(), QStringLiteral("Tipo di dati incompatibili nell'espressione: 'a'*2+1"));
  e.SetMode(TkvExpr::emNormal);
}

TEST_F(ExprTest, SelfReferenceThroughTheResolverStops) {
  e.SetResolver([this](const QString &, const QStringList *) -> Variant { return e.Evaluate("[A]"); });
  EXPECT_THROW(e.Evaluate("[A]"), EkvExprError);
  e.SetResolver(nullptr);
  EXPECT_EQ(D("1+1"), 2);  // the depth count came back down
}

// ---- aggregates --------------------------------------------------------------

TEST(KvAggregateKey, ArgumentComesBackFromTheKey) {
  const QString key = report::KvAggregateKey("sum", "[Qta]*2", "Memo12", 3, false);
  EXPECT_EQ(key.size(), 7 + 7 + 6);
  EXPECT_EQ(report::KvAggregateFunction(key), QStringLiteral("SUM"));
  EXPECT_EQ(report::KvAggregateArgument(key, false), QStringLiteral("[Qta]*2"));
  EXPECT_EQ(key.back().unicode(), 3);
  const QString table = report::KvAggregateKey("AVG", "x", "M", 0, true);
  EXPECT_EQ(report::KvAggregateArgument(table, true), QStringLiteral("x"));
  EXPECT_EQ(report::KvAggregateArgument(QStringLiteral("S"), false), QString());
}

class AggregateTest : public ::testing::Test {
 protected:
  Variant row;
  TkvAggregates store;
  void SetUp() override {
    report::Expr().SetResolver([this](const QString &name, const QStringList *) -> Variant {
      return name.compare(QLatin1String("V"), Qt::CaseInsensitive) == 0 ? row : Variant();
    });
  }
  void TearDown() override { report::Expr().SetResolver(nullptr); }
  QString Key(const char *f, int level = 0) { return report::KvAggregateKey(f, "[V]", "M", level, false); }
  void Feed(std::initializer_list<Variant> rows, bool table = false) {
    for (const Variant &v : rows) {
      row = v;
      store.Accumulate(report::Expr(), table);
    }
  }
};

TEST_F(AggregateTest, MinMaxSumAvgOverRows) {
  for (const char *f : {"SUM", "AVG", "MIN", "MAX"}) ASSERT_TRUE(store.Register(Key(f), false));
  EXPECT_FALSE(store.Register(report::KvAggregateKey("CNT", "x", "M", 0, false), false));
  store.Reset(0);
  Feed({3, 1, 2});
  EXPECT_EQ(store.Value(Key("MIN")).AsDouble(), 1);
  EXPECT_EQ(store.Value(Key("MAX")).AsDouble(), 3);
  EXPECT_EQ(store.Value(Key("SUM")).AsDouble(), 6);
  EXPECT_DOUBLE_EQ(store.Value(Key("AVG")).AsDouble(), 2);
  EXPECT_EQ(store.RowCount(), 3);
  // Empty texts count as 0, Nulls are no minimum.
  Feed({Variant(QString()), Variant::Null()});
  EXPECT_EQ(store.Value(Key("MIN")).AsDouble(), 1);
  EXPECT_EQ(store.Value(Key("SUM")).AsDouble(), 6);
  EXPECT_DOUBLE_EQ(store.Value(Key("AVG")).AsDouble(), 6.0 / 5);
}

TEST_F(AggregateTest, ResetKeepsOuterLevels) {
  ASSERT_TRUE(store.Register(Key("SUM", 0), false));
  ASSERT_TRUE(store.Register(Key("SUM", 2), false));
  store.Reset(2);
  Feed({5, 6});
  store.Step(2, report::Expr());  // a group break of level 0
  EXPECT_EQ(store.Value(Key("SUM", 0)).AsDouble(), 0);
  EXPECT_EQ(store.Value(Key("SUM", 2)).AsDouble(), 11);
  EXPECT_EQ(store.RowCount(), 0);
  EXPECT_EQ(store.ResetCount(), 2);
  store.Step(3, report::Expr());
  EXPECT_EQ(store.RowCount(), 1);
  // A layout pass (calculation state) neither counts nor resets.
  {
    report::TkvEngineStateGuard layout;
    report::kvEngine().Calculating = true;
    store.Step(3, report::Expr());
    store.Step(2, report::Expr());
  }
  EXPECT_EQ(store.RowCount(), 1);
  EXPECT_EQ(store.Value(Key("SUM", 2)).AsDouble(), 11 + 6);
}

TEST_F(AggregateTest, LoopKeysRunOverGroupBreaksAndStartWithTheLoop) {
  const int loop = report::KvAggregateLevel(report::btReportSummary, 0);
  EXPECT_EQ(report::KvAggregateLevel(report::btPageFooter, 0), loop);
  EXPECT_EQ(report::KvAggregateLevel(report::btColumnFooter, 0), loop);
  EXPECT_EQ(report::KvAggregateLevel(report::btGroupFooter, 1), 1);
  for (const char *f : {"SUM", "AVG"}) {
    ASSERT_TRUE(store.Register(Key(f, 0), false));
    ASSERT_TRUE(store.Register(Key(f, loop), false));
  }
  store.Reset(0);
  Feed({2, 4});
  store.ResetGroups(1);  // the outermost of two groups breaks
  Feed({9});
  EXPECT_EQ(store.Value(Key("SUM", 0)).AsDouble(), 9);
  EXPECT_EQ(store.Value(Key("AVG", 0)).AsDouble(), 9);
  EXPECT_EQ(store.Value(Key("SUM", loop)).AsDouble(), 15);
  EXPECT_DOUBLE_EQ(store.Value(Key("AVG", loop)).AsDouble(), 5);
  EXPECT_EQ(store.RowCount(), 1);
  EXPECT_EQ(store.LoopRowCount(), 3);
  store.Reset(0);  // the loop starts again
  EXPECT_EQ(store.Value(Key("SUM", loop)).AsDouble(), 0);
  EXPECT_EQ(store.LoopRowCount(), 0);
}

TEST_F(AggregateTest, TableKeysKeepOneValuePerColumn) {
  const QString sum = report::KvAggregateKey("SUM", "[V]", "T", 0, true);
  const QString avg = report::KvAggregateKey("AVG", "[V]", "T", 0, true);
  store.Register(sum, true);
  store.Register(avg, true);
  store.Reset(0);  // first master row, two columns
  Feed({1, 2}, true);
  store.Reset(0);  // second master row
  Feed({3, 4}, true);
  EXPECT_EQ(store.Columns(sum).size(), 2u);
  EXPECT_EQ(store.Columns(sum)[0].AsDouble(), 4);
  EXPECT_EQ(store.Columns(sum)[1].AsDouble(), 6);
  EXPECT_DOUBLE_EQ(store.Columns(avg)[1].AsDouble(), 3);
  EXPECT_EQ(store.MaxColumns(), 2);
  EXPECT_EQ(store.TableTotal(sum, 2).AsDouble(), 10);
  EXPECT_DOUBLE_EQ(store.TableTotal(avg, 2).AsDouble(), 2.5);
  EXPECT_TRUE(store.TableTotal(sum, 3).IsEmpty());
}

}  // namespace
