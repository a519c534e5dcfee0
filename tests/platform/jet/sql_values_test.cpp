// Parameter values given as text, date literals, the text order and Like
// outside SQL.
#include <gtest/gtest.h>

#include "platform/jet/jetcollation.h"
#include "platform/jet/jetsql.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/formatsettings.h"

namespace jet {
namespace {

TEST(ParameterValues, TextIsReadInTheLocaleByTheParameterType) {
  EXPECT_EQ(ConvertParameterValue(rtl::Variant("31/12/2004"), dbDate).AsDouble(), rtl::EncodeDate(2004, 12, 31));
  EXPECT_EQ(ConvertParameterValue(rtl::Variant("31/12/2004 10:30"), dbDate).Type(), rtl::VarType::Date);
  EXPECT_DOUBLE_EQ(ConvertParameterValue(rtl::Variant("12,50"), dbDouble).AsDouble(), 12.5);
  EXPECT_DOUBLE_EQ(ConvertParameterValue(rtl::Variant("1.234,50"), dbCurrency).AsDouble(), 1234.5);
  EXPECT_EQ(ConvertParameterValue(rtl::Variant("7"), dbInteger).AsInteger(), 7);
  EXPECT_TRUE(ConvertParameterValue(rtl::Variant("Sì"), dbBoolean).AsBoolean());
  EXPECT_FALSE(ConvertParameterValue(rtl::Variant("False"), dbBoolean).AsBoolean());
  EXPECT_EQ(ConvertParameterValue(rtl::Variant("C"), dbText).AsString(), QStringLiteral("C"));
  EXPECT_EQ(ConvertParameterValue(rtl::Variant(""), dbText).AsString(), QString());
  EXPECT_TRUE(ConvertParameterValue(rtl::Variant(""), dbDate).IsNull());
  EXPECT_TRUE(ConvertParameterValue(rtl::Variant::Null(), dbText).IsNull());
  EXPECT_EQ(ConvertParameterValue(rtl::Variant("x"), 0).AsString(), QStringLiteral("x"));
  EXPECT_EQ(ConvertParameterValue(rtl::Variant("#12/31/2004#"), dbDate).AsDouble(), rtl::EncodeDate(2004, 12, 31));

  for (const auto &[text, type] : std::vector<std::pair<const char *, int>>{
           {"abc", dbDate}, {"12,5x", dbDouble}, {"forse", dbBoolean}, {"70000", dbInteger}, {"-1", dbByte}}) {
    try {
      ConvertParameterValue(rtl::Variant(text), type);
      ADD_FAILURE() << text << " converted";
    } catch (const EJetError &e) {
      EXPECT_EQ(e.Number(), kErrTypeMismatch);
      EXPECT_TRUE(e.Description().contains(QString::fromUtf8(text)));
    }
  }
}

TEST(ParameterValues, DateLiteralsAreMonthFirst) {
  EXPECT_EQ(DateLiteral(rtl::EncodeDate(2004, 3, 1)), QStringLiteral("#03/01/2004#"));
  EXPECT_EQ(DateLiteral(rtl::EncodeDateTime(2006, 12, 31, 23, 5, 9, 0)), QStringLiteral("#12/31/2006 23:05:09#"));
}

TEST(TextOrder, CaseIsIgnoredAndAccentsFollowTheirLetter) {
  EXPECT_EQ(CompareText(QStringLiteral("ROSSI"), QStringLiteral("Rossi")), 0);
  EXPECT_LT(CompareText(QStringLiteral("e"), QStringLiteral("è")), 0);
  EXPECT_LT(CompareText(QStringLiteral("è"), QStringLiteral("f")), 0);
  EXPECT_LT(CompareText(QStringLiteral("perché"), QStringLiteral("perchf")), 0);
  EXPECT_LT(CompareText(QStringLiteral("Perche"), QStringLiteral("perchè")), 0);
  EXPECT_LT(CompareText(QStringLiteral("abc"), QStringLiteral("abcd")), 0);
  EXPECT_LT(CompareText(QStringLiteral("-"), QStringLiteral("1")), 0);
  EXPECT_LT(CompareText(QStringLiteral("9"), QStringLiteral("a")), 0);
  EXPECT_GT(CompareText(QStringLiteral("Z"), QStringLiteral("à")), 0);
}

TEST(TextOrder, TheSqliteCollationAgreesWithTheTextOrder) {
  // Indexes are ordered by the UTF-8 path; recordsets compare with the QString
  // one. Characters that share their first UTF-8 byte must not confuse it.
  const QStringList words = {"",       "a",      "A",     "à",    "á",  "ä",    "b",  "perché", "perchè",
                             "perche", "PERCHÉ", "perch", "€",    "ß",  "ss",   "10", "9",      "-",
                             "a-b",    "ab",     "Ab",    "中文", "中", "日本", "ÀB", "àb",     "\u00e0c"};
  auto sign = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
  for (const QString &x : words) {
    for (const QString &y : words) {
      const QByteArray ux = x.toUtf8(), uy = y.toUtf8();
      const int bytes =
          detail::CompareUtf8(ux.constData(), static_cast<int>(ux.size()), uy.constData(), static_cast<int>(uy.size()));
      EXPECT_EQ(sign(bytes), sign(CompareText(x, y))) << x.toStdString() << " / " << y.toStdString();
      EXPECT_EQ(sign(bytes), -sign(CompareText(y, x))) << x.toStdString() << " / " << y.toStdString();
    }
  }
}

TEST(TextOrder, LikeOutsideSql) {
  EXPECT_TRUE(LikeMatch(QStringLiteral("a[*]b*"), QStringLiteral("A*Bcd")));
  EXPECT_FALSE(LikeMatch(QStringLiteral("a[*]b*"), QStringLiteral("axb")));
  EXPECT_TRUE(LikeMatch(QStringLiteral("*"), QString()));
  EXPECT_TRUE(LikeMatch(QStringLiteral("*a*a*a*"), QStringLiteral("bababab")));
  EXPECT_FALSE(LikeMatch(QStringLiteral("*a*a*a*a"), QStringLiteral("bababab")));
  EXPECT_TRUE(LikeMatch(QStringLiteral("caff[eè]"), QStringLiteral("CAFFÈ")));
  EXPECT_TRUE(LikeMatch(QStringLiteral("[a-z]##"), QStringLiteral("è12")));
  EXPECT_FALSE(LikeMatch(QStringLiteral("[!0-9]"), QStringLiteral("5")));
  EXPECT_TRUE(LikeMatch(QStringLiteral("a[]b"), QStringLiteral("ab")));
  EXPECT_THROW(LikeMatch(QStringLiteral("a[b"), QStringLiteral("ab")), EJetError);
  EXPECT_THROW(LikeMatch(QStringLiteral("[z-a]"), QStringLiteral("b")), EJetError);
}

}  // namespace
}  // namespace jet
