// The text forms the DAO components exchange with the engine: criteria
// terms, parameter literals, row value texts. The engine receives these
// strings verbatim, so the cases compare exact texts.
#include <gtest/gtest.h>

#include "dao/daotext.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"

using dao::LookupTerm;
using dao::SearchOptions;
using dao::ValueKind;
using rtl::Variant;

TEST(DaoCriteria, TextTermsForEveryOptionCombination) {
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("Rossi"), {}, true), "([Nome] = \"Rossi\")");
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("ab"), {true, true}, true), "([Nome] LIKE LCASE(\"ab*\"))");
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("a*b"), {true, true}, true), "([Nome] LIKE LCASE(\"a[*]b*\"))");
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("AB"), {false, true}, true), "([Nome] LIKE \"AB*\")");
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("ROSSI"), {true, false}, true), "([Nome] = LCASE(\"rossi\"))");
  // Inner quotes are doubled, and the name may go without brackets.
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("il \"Tempo\""), {}, false), "(Nome = \"il \"\"Tempo\"\"\")");
  EXPECT_EQ(LookupTerm("T.Nome", ValueKind::Text, Variant("x"), {}, true), "([T].[Nome] = \"x\")");
}

TEST(DaoCriteria, NullNumbersDatesAndGuids) {
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant::Null(), {}, true), "([Nome] IS NULL)");
  EXPECT_EQ(LookupTerm("Nome", ValueKind::Text, Variant("NULL"), {}, true), "([Nome] IS NULL)");
  EXPECT_EQ(LookupTerm("Giacenza", ValueKind::Number, Variant(""), {}, true), "([Giacenza] IS NULL)");
  EXPECT_EQ(LookupTerm("Giacenza", ValueKind::Number, Variant(12.5), {}, true), "([Giacenza] = 12.5)");
  EXPECT_EQ(LookupTerm("Giacenza", ValueKind::Number, Variant("1.234,5"), {}, true), "([Giacenza] = 1234.5)");
  EXPECT_EQ(LookupTerm("Progressivo", ValueKind::Number, Variant(42), {}, true), "([Progressivo] = 42)");
  EXPECT_EQ(LookupTerm("CD", ValueKind::Boolean, Variant(true), {}, true), "([CD] = True)");

  const rtl::TDateTime march = rtl::EncodeDate(2004, 3, 1);
  EXPECT_EQ(LookupTerm("Data", ValueKind::Date, Variant::FromDate(march), {}, true), "([Data] = #03/01/2004#)");
  // Typed text in the locale's order (day first), stray characters ignored.
  EXPECT_EQ(LookupTerm("Data", ValueKind::Date, Variant("01/03/2004"), {}, true), "([Data] = #03/01/2004#)");
  EXPECT_EQ(
      LookupTerm("Ucarico", ValueKind::DateTime, Variant::FromDate(march + rtl::EncodeTime(14, 5, 9, 0)), {}, true),
      "([Ucarico] = #03/01/2004 14:05:09#)");
  EXPECT_EQ(LookupTerm("Ora", ValueKind::Time, Variant::FromDate(rtl::EncodeTime(7, 30, 0, 0)), {}, true),
            "([Ora] = #07:30:00#)");
  EXPECT_THROW(LookupTerm("Data", ValueKind::Date, Variant("xyz"), {}, true), rtl::EDatabaseError);

  EXPECT_EQ(LookupTerm("Id", ValueKind::Guid, Variant("{00000000-0000-0000-0000-000000000001}"), {}, true),
            "([Id] = {guid {00000000-0000-0000-0000-000000000001}})");
  try {
    LookupTerm("X", ValueKind::Unknown, Variant("1"), {}, true, "Unable to build Key SQL!");
    FAIL();
  } catch (const rtl::EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Unable to build Key SQL!");
  }
  EXPECT_EQ(dao::JoinTerms({"(a = 1)", "(b IS NULL)"}), "(a = 1) AND (b IS NULL)");
}

// A key or parameter that is not a value of its column's kind must not
// reach the engine as text of its own: it would become part of the condition.
TEST(DaoCriteria, ValuesThatAreNotOfTheirKindNeverBecomeCondition) {
  EXPECT_THROW(LookupTerm("Giacenza", ValueKind::Number, Variant("0 OR 1=1"), {}, true), rtl::EDatabaseError);
  EXPECT_THROW(LookupTerm("Id", ValueKind::Guid, Variant("x} OR (1=1"), {}, true), rtl::EDatabaseError);
  EXPECT_EQ(LookupTerm("Id", ValueKind::Guid, Variant("{guid {00000000-0000-0000-0000-00000000000a}}"), {}, true),
            "([Id] = {guid {00000000-0000-0000-0000-00000000000A}})");
  EXPECT_EQ(LookupTerm("B", ValueKind::Bytes, Variant("a\" OR \"1"), {}, true), "([B] = \"a\"\" OR \"\"1\")");
  std::vector<dao::SqlParameter> bad = {{"q", ValueKind::Number, Variant("1 OR 1=1")}};
  EXPECT_THROW(dao::SubstituteParams("DELETE FROM t WHERE n = :q", bad), rtl::EDatabaseError);
  std::vector<dao::SqlParameter> bad_guid = {{"g", ValueKind::Guid, Variant("nope")}};
  EXPECT_THROW(dao::SubstituteParams("DELETE FROM t WHERE g = :g", bad_guid), rtl::EDatabaseError);
}

TEST(DaoCriteria, KeyListsSortTextAndMasterFields) {
  EXPECT_EQ(dao::SplitKeyFields(" Barcode ; Addon;"), QStringList({"Barcode", "Addon"}));
  EXPECT_EQ(dao::SplitKeyValues(rtl::VarArrayOf({1, "x"})).size(), 2u);
  EXPECT_EQ(dao::SplitKeyValues(Variant("x")).size(), 1u);

  EXPECT_EQ(dao::SortText({"Barcode"}), "Barcode ");
  EXPECT_EQ(dao::SortText({"[Testata] ASC", "[Barcode18] ASC", "[Data] ASC"}),
            "[Testata] ASC, [Barcode18] ASC, [Data] ASC ");
  EXPECT_EQ(dao::SortText({}), "");

  auto same = dao::ParseMasterFields({"Barcode;Addon"});
  ASSERT_EQ(same.size(), 2);
  EXPECT_EQ(same[1].detail, "Addon");
  EXPECT_EQ(same[1].master, "Addon");
  auto mapped = dao::ParseMasterFields({"Barcode18 -> Codice", "ignored line"});
  ASSERT_EQ(mapped.size(), 1);
  EXPECT_EQ(mapped[0].detail, "Barcode18");
  EXPECT_EQ(mapped[0].master, "Codice");
}

TEST(DaoParams, SubstitutionByTypeAndWholeWord) {
  const rtl::TDateTime day = rtl::EncodeDate(2006, 12, 31);
  std::vector<dao::SqlParameter> p = {{"giorno", ValueKind::Date, Variant::FromDate(day)}};
  EXPECT_EQ(dao::SubstituteParams("delete FROM giornale WHERE data<=:giorno", p),
            "delete FROM giornale WHERE data<=#12/31/2006#");
  // A longer word that begins with the name stays; case of the name is ignored.
  EXPECT_EQ(dao::SubstituteParams("x = :giornoX or y = :GIORNO", p), "x = :giornoX or y = #12/31/2006#");

  std::vector<dao::SqlParameter> s = {{"t", ValueKind::Text, Variant("a\"b")}};
  EXPECT_EQ(dao::SubstituteParams("Testata = :t", s), "Testata = \"a\"\"b\"");
  // Inside a quoted literal nothing is replaced.
  EXPECT_EQ(dao::SubstituteParams("a = \":t\" and b = :t", s), "a = \":t\" and b = \"a\"\"b\"");

  std::vector<dao::SqlParameter> f = {{"q", ValueKind::Number, Variant(2.75)}};
  EXPECT_EQ(dao::SubstituteParams("Quantita > :q", f), "Quantita > 2.75");
  std::vector<dao::SqlParameter> dt = {
      {"m", ValueKind::DateTime, Variant::FromDate(day + rtl::EncodeTime(8, 0, 5, 0))}};
  EXPECT_EQ(dao::SubstituteParams("d = :m", dt), "d = #12/31/2006 08:00:05#");
}

TEST(DaoParams, NullParameterGivesAValidTest) {
  std::vector<dao::SqlParameter> n = {{"p", ValueKind::Text, Variant::Null()}};
  EXPECT_EQ(dao::SubstituteParams("SELECT * FROM t WHERE x = :p", n), "SELECT * FROM t WHERE x IS NULL");
  EXPECT_EQ(dao::SubstituteParams("SELECT * FROM t WHERE x=:p AND y=1", n), "SELECT * FROM t WHERE x IS NULL AND y=1");
  EXPECT_EQ(dao::SubstituteParams("SELECT * FROM t WHERE x <> :p", n), "SELECT * FROM t WHERE x IS NOT NULL");
  // An assignment or a value list takes the value Null.
  EXPECT_EQ(dao::SubstituteParams("UPDATE t SET x = :p WHERE y = :p", n), "UPDATE t SET x = Null WHERE y IS NULL");
  EXPECT_EQ(dao::SubstituteParams("INSERT INTO t (x) VALUES (:p)", n), "INSERT INTO t (x) VALUES (Null)");
}

TEST(DaoValueText, TimeStampsBooleansAndGuids) {
  // 30/12/1899 is day 693594; a date alone has 0 milliseconds.
  EXPECT_EQ(dao::TimeStampText(0.5), "693594 43200000");
  const rtl::TDateTime day = rtl::EncodeDate(2004, 12, 31);
  const QString text = dao::TimeStampText(day);
  EXPECT_TRUE(text.endsWith(" 0"));
  EXPECT_EQ(dao::TimeStampTextToDateTime(text).value(), day);
  EXPECT_FALSE(dao::TimeStampTextToDateTime("31/12/2004").has_value());
  EXPECT_FALSE(dao::TimeStampTextToDateTime("").has_value());
  EXPECT_FALSE(dao::TimeStampTextToDateTime("1 2 3").has_value());

  EXPECT_EQ(dao::BooleanTextValue("yes"), 1);
  EXPECT_EQ(dao::BooleanTextValue("-1"), 1);
  EXPECT_EQ(dao::BooleanTextValue("=ON"), 1);
  EXPECT_EQ(dao::BooleanTextValue("off"), 0);
  EXPECT_EQ(dao::BooleanTextValue("="), 0);
  EXPECT_EQ(dao::BooleanTextValue("2"), 2);
  EXPECT_FALSE(dao::BooleanTextValue("maybe").has_value());

  QByteArray bytes(16, '\0');
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<char>(0xA0 + i);
  const QString g = dao::GuidText(bytes);
  EXPECT_EQ(g, "{guid {A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}}");
  EXPECT_EQ(dao::GuidBytes(g).value(), bytes);
  EXPECT_EQ(dao::GuidBytes(dao::GuidBraced(bytes)).value(), bytes);
  EXPECT_EQ(dao::GuidText(QByteArray(16, '\0')), "");
  EXPECT_FALSE(dao::GuidBytes("{A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEA}").has_value());
}
