// Name resolution against a report, the built-in functions, formatting by
// the format word in Italian and English settings, amounts in words, and
// the report's variables with their stored form.
#include <gtest/gtest.h>

#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/db/db.h"
#include "report/engine/data/kvdset.h"
#include "report/engine/expr/kvexpr.h"
#include "report/engine/model/kvglobals.h"
#include "report/engine/vars/kvvars.h"
#include "tests/platform/vcl/db/memdataset.h"
#include "tests/report/engine/kvvars_fixture.h"

using namespace report;
using kvtest::FakeReport;
using rtl::Variant;

namespace {

class ResolveTest : public ::testing::Test {
 protected:
  TkvEngineStateGuard engine_;
  FakeReport report;
  testdb::TMemDataSet *table = nullptr;

  void SetUp() override {
    table = new testdb::TMemDataSet(&report.owner);
    table->SetName("Giacenza");
    table->AddColumn("Titolo", vcl::ftString, 40);
    table->AddColumn("Qta", vcl::ftInteger);
    table->AddColumn("Prezzo unitario", vcl::ftFloat);
    table->AddColumn("Uscita", vcl::ftDate);
    table->AddRow({QStringLiteral("Gente"), 3, 2.5, Variant::FromDate(38352)});
    table->AddRow({Variant::Null(), Variant::Null(), Variant::Null(), Variant::Null()});
    table->Open();
    report.band_dataset = table;
    KvInstallResolver(&report);
  }
  void TearDown() override { KvInstallResolver(nullptr); }
  Variant Eval(const QString &text) { return Expr().Evaluate(text); }
  QString Bracket(const QString &text) { return KvGetValue(report, text); }
  // The error a text leaves, evaluated on its own.
  QString ErrorOf(const QString &text) {
    TkvEngineStateGuard alone;
    try {
      Eval(text);
    } catch (const rtl::Exception &) {
    }
    return kvEngine().ErrorText;
  }
};

TEST_F(ResolveTest, FieldsBySeveralNames) {
  EXPECT_EQ(Eval("Qta*2").AsInteger(), 6);
  EXPECT_EQ(Eval("[Giacenza.Qta]+1").AsInteger(), 4);
  EXPECT_DOUBLE_EQ(Eval("Giacenza.\"Prezzo unitario\"*2").AsDouble(), 5);
  EXPECT_DOUBLE_EQ(Eval("\"Prezzo unitario\"").AsDouble(), 2.5);
  EXPECT_EQ(Eval("Titolo+'!'").AsString(), QStringLiteral("Gente!"));
  EXPECT_EQ(Eval("Giacenza").AsString(), QStringLiteral("GIACENZA"));  // a dataset, no field
  EXPECT_NEAR(Eval("PI").AsDouble(), 3.14159265358979, 1e-14);
}

TEST_F(ResolveTest, NullFieldIsZeroInArithmeticButEmptyInABracket) {
  table->Next();
  EXPECT_EQ(Eval("Qta+1").AsInteger(), 1);
  EXPECT_EQ(Eval("Titolo+'x'").AsString(), QStringLiteral("x"));
  EXPECT_EQ(Bracket("Qta"), QString());
  EXPECT_EQ(Bracket("Uscita"), QString());
  table->First();
  EXPECT_EQ(Bracket("Qta"), QStringLiteral("3"));
  EXPECT_EQ(Bracket("Uscita"), QStringLiteral("31/12/2004"));
  EXPECT_EQ(Eval("VALUE").AsDateTime(), 38352);  // the last bracket's value
}

TEST_F(ResolveTest, VariablesComeBeforeFields) {
  int i = report.values.AddValue("Quantita");
  report.values.Value(i)->Type = vtDBField;
  report.values.Value(i)->DataSet = "Giacenza";
  report.values.Value(i)->Field = "Qta";
  i = report.values.AddValue("Doppio prezzo");
  report.values.Value(i)->Type = vtOther;
  report.values.Value(i)->OtherKind = vkExpression;
  report.values.Value(i)->Field = "[Giacenza.\"Prezzo unitario\"]*2";
  i = report.values.AddValue("Pagina");
  report.values.Value(i)->Type = vtOther;
  report.values.Value(i)->OtherKind = vkPage;
  report.values.AddValue("Vuota");
  report.values.AddValue("Dinamica");
  EXPECT_EQ(Eval("[quantita]").AsInteger(), 3);
  EXPECT_DOUBLE_EQ(Eval("[Doppio prezzo]").AsDouble(), 5);
  EXPECT_EQ(Eval("[Pagina]").AsInteger(), 3);
  EXPECT_TRUE(Eval("[Vuota]").IsNull());
  EXPECT_EQ(Eval("[Dinamica]").AsString(), QStringLiteral("dal programma"));

  KvBindValues(report);
  EXPECT_EQ(kvEngine().ErrorText, QString());
  EXPECT_EQ(report.values.FindValue("QUANTITA")->TField, table->FieldByName("Qta"));
  report.values.Value(0)->Field = "Manca";
  KvBindValues(report);
  EXPECT_EQ(kvEngine().ErrorText, QStringLiteral("Non è stato possibile reperire il campo: Giacenza.Manca"));
  // After an error nothing resolves.
  EXPECT_TRUE(KvResolveName(report, "PI", nullptr).IsEmpty());
}

TEST_F(ResolveTest, SystemVariables) {
  rtl::FixedClockGuard clock(rtl::EncodeDate(2024, 5, 6) + rtl::EncodeTime(10, 30, 0, 0));
  KvInstallResolver(&report);  // fixes DATE and TIME
  EXPECT_EQ(Eval("PAGE#").AsInteger(), 3);
  EXPECT_EQ(Eval("[LINE#]").AsInteger(), 7);
  EXPECT_EQ(Eval("TOTALPAGES").AsInteger(), 9);
  EXPECT_EQ(Eval("COLUMN#").AsInteger(), 1);
  report.format = KvFormatWord(2, 1, 0, u',');
  EXPECT_EQ(Bracket("DATE"), QStringLiteral("06/05/2024"));
  report.format = KvFormatWord(3, 2, 0, u',');
  EXPECT_EQ(Bracket("TIME"), QStringLiteral("10:30"));
}

TEST_F(ResolveTest, BuiltInFunctions) {
  EXPECT_EQ(Eval("CEIL(-1.5)").AsInteger(), -1);
  EXPECT_EQ(Eval("FLOOR(-1.5)").AsInteger(), -2);
  EXPECT_EQ(Eval("ROUND(2.5)").AsInteger(), 2);
  EXPECT_EQ(Eval("ROUND(3.5)").AsInteger(), 4);
  EXPECT_EQ(Eval("TRUNC(-3.7)").AsInteger(), -3);
  EXPECT_EQ(Eval("FILLSTR(3,'ab')").AsString(), QStringLiteral("ababab"));
  EXPECT_EQ(Eval("FILLSTR(0,'ab')").AsString(), QString());
  EXPECT_EQ(Eval("POS('c','abc')").AsInteger(), 3);
  EXPECT_EQ(Eval("COPY('abcdef',2,3)").AsString(), QStringLiteral("bcd"));
  EXPECT_EQ(Eval("COPY('abc',2,10)").AsString(), QStringLiteral("bc"));
  EXPECT_EQ(Eval("LENGTH(Titolo)").AsInteger(), 5);
  EXPECT_EQ(Eval("IF(Qta>2,'molti','pochi')").AsString(), QStringLiteral("molti"));
  EXPECT_EQ(Eval("IF(Qta>5,1/0,'pochi')").AsString(), QStringLiteral("pochi"));  // only one branch runs
  EXPECT_EQ(Eval("NAMECASE('mARIO')").AsString(), QStringLiteral("Mario"));
  EXPECT_EQ(Eval("PHRASECASE('la GAZZETTA dello-sport')").AsString(), QStringLiteral("La Gazzetta Dello-Sport"));
  EXPECT_EQ(Eval("UPPERCASE('città')").AsString(), QStringLiteral("CITTÀ"));
  EXPECT_EQ(Eval("LOWERCASE('CITTÀ')").AsString(), QStringLiteral("città"));
  EXPECT_DOUBLE_EQ(Eval("POWER(2,10)").AsDouble(), 1024);
  EXPECT_DOUBLE_EQ(Eval("SQRT(SQR(3))").AsDouble(), 3);
  EXPECT_DOUBLE_EQ(Eval("VAL('12,5')").AsDouble(), 12.5);
  EXPECT_EQ(Eval("STR(12.5)").AsString(), QStringLiteral("12,5"));
  EXPECT_EQ(Eval("STRTODATE('31/12/2004')").AsDateTime(), 38352);
  EXPECT_EQ(Eval("FORMATFLOAT('0.00',2)").AsString(), QStringLiteral("2,00"));
  EXPECT_EQ(Eval("FORMATDATETIME('yyyy',Uscita)").AsString(), QStringLiteral("2004"));
  EXPECT_EQ(Eval("Doppio(4)").AsDouble(), 8);  // the report's user function
  const int id =
      KvAddFunctionHandler([](const QString &name, const Variant &p1, const Variant &, const Variant &, Variant &r) {
        if (name != u"Triplo") return false;
        r = Variant(p1.AsInteger() * 3);
        return true;
      });
  EXPECT_EQ(Eval("Triplo(2)").AsInteger(), 6);
  KvRemoveFunctionHandler(id);
}

TEST_F(ResolveTest, MoneyFunctions) {
  const QString euro(QChar(0x20AC));
  EXPECT_EQ(Eval("MONEYTOEURO(1936270)").AsString(), euro + QStringLiteral(" 1.000,00"));
  EXPECT_DOUBLE_EQ(Eval("MONEYTOEUROVAL(10000)").AsDouble(), 5.16);
  EXPECT_DOUBLE_EQ(Eval("EUROTOMONEYVAL(1)").AsDouble(), 1936.27);
  EXPECT_EQ(Eval("EURO(1234.5)").AsString(), euro + QStringLiteral(" 1.234,50"));
  EXPECT_EQ(Eval("MONEY(-1234.5)").AsString(), euro + QStringLiteral(" -1.234,50"));
  EXPECT_EQ(Eval("MONEY(1234.5)").AsString(), QStringLiteral("1.234,50 ") + euro);
  EXPECT_EQ(Eval("NUMBERTOLETTER(1234.5)").AsString(), QStringLiteral("milleduecentotrentaquattro virgola cinque"));
}

TEST_F(ResolveTest, ErrorsBecomeThePreparationError) {
  EXPECT_EQ(ErrorOf("ROUND(1,2)"),
            QStringLiteral("E' stato inserito un numero di parametri errato per la funzione : ROUND"));
  EXPECT_EQ(ErrorOf("sum(1,2)"),
            QStringLiteral("E' stato inserito un numero di parametri errato per la funzione : SUM"));
  EXPECT_EQ(ErrorOf("VAL('abc')"), QStringLiteral("Tipi di parametri errati nella funzione: VAL ('abc')"));
  EXPECT_EQ(ErrorOf("LN(0)"), QStringLiteral("Tipi di parametri errati nella funzione: LN (0)"));
  EXPECT_EQ(ErrorOf("FILLSTR(2000000000,'ab')"),
            QStringLiteral("Tipi di parametri errati nella funzione: FILLSTR (2000000000,'ab')"));
  EXPECT_EQ(ErrorOf("COUNT(Nessuno.Campo)"), QStringLiteral("Formato parametri non valido nella funzione : COUNT"));
  report.band_type = 4;  // a master header counts nothing
  EXPECT_EQ(ErrorOf("COUNT"),
            QStringLiteral("Non è possibile inserire in una banda non abilitata la funzione statistica : COUNT"));
  EXPECT_EQ(Bracket("1+"), QString());
  EXPECT_EQ(kvEngine().ErrorText, QStringLiteral("Errore. Identificatore sconosciuto: 1+"));
}

TEST_F(ResolveTest, AggregatesRegisterThenReadTheDataBand) {
  // Pre-scan: the memo's SUM registers in the collecting band.
  {
    TkvRegistrationScope scope;
    EXPECT_EQ(Bracket("SUM(Qta)"), QString());
  }
  EXPECT_EQ(report.collecting.Count(), 1);
  report.master.Register(KvAggregateKey("SUM", "Qta", "Memo1", 0, false), false);
  report.master.Reset(0);
  report.master.Accumulate(Expr(), false);
  report.master.Accumulate(Expr(), false);
  report.band_type = 6;  // the master footer reads the master data band
  EXPECT_EQ(Bracket("SUM(Qta)"), QStringLiteral("6"));
  EXPECT_EQ(Bracket("COUNT"), QStringLiteral("2"));
  EXPECT_EQ(Bracket("COUNT(Giacenza)"), QStringLiteral("2"));

  // A table footer memo in the summary collects a table key and is marked.
  report.band_type = 20;
  {
    TkvRegistrationScope scope;
    EXPECT_EQ(Bracket("MAX(Qta)"), QString());
  }
  EXPECT_FALSE(report.table_total);  // not within a totals band: a normal key
  EXPECT_EQ(report.collecting.TableCount(), 0);
  report.in_totals_band = true;
  {
    TkvRegistrationScope scope;
    Bracket("MAX(Qta)");
  }
  EXPECT_TRUE(report.table_total);
  EXPECT_EQ(report.collecting.TableCount(), 1);
  report.table.Register(KvAggregateKey("MAX", "Qta", "Memo1", 0, true), true);
  report.table.Reset(0);
  report.table.Accumulate(Expr(), true);  // one column with Qta = 3
  EXPECT_EQ(Bracket("MAX(Qta)"), QStringLiteral("3"));
  report.table_total = false;
  report.in_totals_band = false;
  report.collecting.Clear();
  report.band_type = 19;
  {
    TkvRegistrationScope scope;
    Bracket("MAX(Qta)");
  }
  EXPECT_EQ(report.collecting.TableCount(), 1);
  report.band_type = 21;
  EXPECT_EQ(ErrorOf("SUM(1)"), QString());  // only the pre-scan refuses band 21
  {
    TkvRegistrationScope scope;
    EXPECT_EQ(ErrorOf("SUM(1)"),
              QStringLiteral("Non è possibile inserire in una banda non abilitata la funzione statistica : SUM"));
  }
}

TEST_F(ResolveTest, BracketsThroughTheEngineSlots) {
  ASSERT_TRUE(static_cast<bool>(kvEngine().ExpandBracket));
  report.format = KvFormatWord(1, 1, 2, u',');
  EXPECT_EQ(kvEngine().ExpandBracket("Giacenza.\"Prezzo unitario\"*2"), QStringLiteral("5,00"));
  report.format = 0;
  EXPECT_EQ(kvEngine().ExpandBracket("Qta>1"), QStringLiteral("1"));
  EXPECT_EQ(kvEngine().Evaluate("Qta*3").AsInteger(), 9);
}

// ---- formatting -----------------------------------------------------------------

TEST(KvFormatValue, NumbersDatesTimesAndBooleans) {
  rtl::FormatSettingsGuard it(rtl::ItalianFormatSettings());
  const Variant n(1234.567);
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 0, 0, u','), ""), QStringLiteral("1234,57"));
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 1, 2, u','), ""), QStringLiteral("1234,57"));
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 1, 1, u'.'), ""), QStringLiteral("1234.6"));
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 2, 0, u','), ""), QStringLiteral("1.234,57"));
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 3, 3, u','), ""), QStringLiteral("1.234,567"));
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 3, 1, u'.'), ""), QStringLiteral("1,234.6"));
  EXPECT_EQ(KvFormatValue(n, KvFormatWord(1, 4, 0, u','), "#,##0.0 €"), QStringLiteral("1.234,6 €"));
  EXPECT_EQ(KvFormatValue(Variant("n.d."), KvFormatWord(1, 1, 2, u','), ""), QStringLiteral("n.d."));
  EXPECT_EQ(rtl::FormatSettings().DecimalSeparator, u',');  // put back

  const Variant d = Variant::FromDate(38352 + 0.5);
  EXPECT_EQ(KvFormatValue(d, KvFormatWord(2, 0, 0, 0), ""), QStringLiteral("31/12/04"));
  EXPECT_EQ(KvFormatValue(d, KvFormatWord(2, 2, 0, 0), ""), QStringLiteral("31 dic 2004"));
  EXPECT_EQ(KvFormatValue(d, KvFormatWord(2, 3, 0, 0), ""), QStringLiteral("31 dicembre 2004"));
  EXPECT_EQ(KvFormatValue(d, KvFormatWord(2, 4, 0, 0), "yyyy-mm-dd"), QStringLiteral("2004-12-31"));
  EXPECT_EQ(KvFormatValue(d, KvFormatWord(3, 1, 0, 0), ""), QStringLiteral("12:00:00"));
  EXPECT_EQ(KvFormatValue(d, KvFormatWord(3, 3, 0, 0), ""), QStringLiteral("12:00"));
  EXPECT_EQ(KvFormatValue(d, 0, ""), QStringLiteral("31/12/2004 12:00:00"));
  EXPECT_EQ(KvFormatValue(Variant::FromDate(38352), 0, ""), QStringLiteral("31/12/2004"));
  EXPECT_EQ(KvFormatValue(Variant::FromDate(0.25), 0, ""), QStringLiteral("06:00:00"));
  EXPECT_EQ(KvFormatValue(Variant::FromDate(0), 0, ""), QString());

  EXPECT_EQ(KvFormatValue(Variant(1), KvFormatWord(4, 0, 0, 0), ""), QStringLiteral("1"));
  EXPECT_EQ(KvFormatValue(Variant(1), KvFormatWord(4, 1, 0, 0), ""), QStringLiteral("Si"));
  EXPECT_EQ(KvFormatValue(Variant(0), KvFormatWord(4, 1, 0, 0), ""), QStringLiteral("No"));
  EXPECT_EQ(KvFormatValue(Variant(0), KvFormatWord(4, 2, 0, 0), ""), QStringLiteral(" "));
  EXPECT_EQ(KvFormatValue(Variant(1), KvFormatWord(4, 2, 0, 0), ""), QStringLiteral("X"));

  EXPECT_EQ(KvFormatValue(Variant::Null(), KvFormatWord(1, 1, 2, u','), ""), QString());
  EXPECT_EQ(KvFormatValue(Variant(5), KvFormatWord(5, 0, 0, 0), ""), QString());
  // A value the format cannot take prints as plain text.
  EXPECT_EQ(KvFormatValue(Variant("abc"), KvFormatWord(2, 1, 0, 0), ""), QStringLiteral("abc"));
}

TEST(KvFormatValue, FollowsTheLocaleOfTheMoment) {
  rtl::FormatSettingsGuard en(rtl::EnglishFormatSettings());
  EXPECT_EQ(KvFormatValue(Variant(1234.5), KvFormatWord(1, 2, 0, u'.'), ""), QStringLiteral("1,234.5"));
  EXPECT_EQ(KvFormatValue(Variant(2.5), 0, ""), QStringLiteral("2.5"));
  EXPECT_EQ(KvFormatValue(Variant::FromDate(38352), KvFormatWord(2, 3, 0, 0), ""), QStringLiteral("31 December 2004"));
  EXPECT_EQ(KvNumberToWords(1234.5), QStringLiteral("milleduecentotrentaquattro virgola cinque"));
}

TEST(KvNumberToWords, ItalianWords) {
  EXPECT_EQ(KvNumberToWords(21), QStringLiteral("ventuno"));
  EXPECT_EQ(KvNumberToWords(28), QStringLiteral("ventotto"));
  EXPECT_EQ(KvNumberToWords(100), QStringLiteral("cento"));
  EXPECT_EQ(KvNumberToWords(0), QStringLiteral("zero"));
  EXPECT_EQ(KvNumberToWords(-3), QStringLiteral("meno tre"));
  EXPECT_EQ(KvNumberToWords(2000), QStringLiteral("duemila"));
  EXPECT_EQ(KvNumberToWords(1000000), QStringLiteral("unmilione"));
  EXPECT_EQ(KvNumberToWords(1001000), QStringLiteral("unmilionemille"));
  EXPECT_EQ(KvNumberToWords(17), QStringLiteral("diciassette"));
  EXPECT_EQ(KvNumberToWords(381), QStringLiteral("trecentoottantuno"));  // "cento" keeps its vowel
  EXPECT_EQ(KvNumberToWords(2500000), QStringLiteral("duemilionicinquecentomila"));
  EXPECT_EQ(KvNumberToWords(0.05), QStringLiteral("zero virgola cinque"));
}

// ---- variables ------------------------------------------------------------------

TEST(KvValues, StoredFormRoundTripsAndDamageIsRefused) {
  TkvValues values;
  int i = values.AddValue("Totale");
  values.Value(i)->Type = vtOther;
  values.Value(i)->OtherKind = vkExpression;
  values.Value(i)->Field = "SUM(Qta)";
  i = values.AddValue("Città");
  values.Value(i)->Type = vtDBField;
  values.Value(i)->DataSet = "Giacenza";
  values.Value(i)->Field = "Prezzo unitario";
  rtl::TMemoryStream stream;
  values.WriteBinaryData(stream);

  TkvValues copy;
  copy.AddValue("vecchia");
  stream.SetPosition(0);
  copy.ReadBinaryData(stream);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.FindValue("città")->Field, QStringLiteral("Prezzo unitario"));
  EXPECT_EQ(copy.FindValue("TOTALE")->OtherKind, vkExpression);
  EXPECT_EQ(copy.FindValue("vecchia"), nullptr);

  rtl::TMemoryStream cut;
  stream.SetPosition(0);
  cut.CopyFrom(&stream, 0);
  cut.SetSize(cut.Size() - 3);
  cut.SetPosition(0);
  EXPECT_THROW(copy.ReadBinaryData(cut), rtl::EReadError);
  EXPECT_EQ(copy.Count(), 0);
  rtl::TMemoryStream huge;
  huge.WriteInt32(0x7FFFFFFF);
  huge.SetPosition(0);
  EXPECT_THROW(copy.ReadBinaryData(huge), rtl::EReadError);
}

TEST(KvVariableList, CategoriesAndTheirVariables) {
  rtl::TStringList list;
  list.SetText("Testata\r\n Titolo\r\n Data\r\nTotali\r\n Somma\r\n\r\n Persa\r\n");
  rtl::TStringList out;
  KvGetVariableCategories(list, out);
  EXPECT_EQ(out.Count(), 2);
  EXPECT_EQ(out[1], QStringLiteral("Totali"));
  KvGetCategoryVariables(list, 0, out);
  EXPECT_EQ(out.CommaText(), QStringLiteral("Titolo,Data"));
  KvGetCategoryVariables(list, 1, out);
  EXPECT_EQ(out.CommaText(), QStringLiteral("Somma"));  // stops at the empty line
  EXPECT_EQ(KvFindVariable(list, "Data"), 2);
  EXPECT_EQ(KvFindVariable(list, "data"), -1);
  EXPECT_EQ(KvFindVariable(list, "Testata"), -1);
}

}  // namespace
