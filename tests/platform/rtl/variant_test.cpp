// Variant: the conversions that field values, parameters and report
// expressions go through, and the ordering that searches and sorting use.
#include <gtest/gtest.h>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"

namespace rtl {
namespace {

TEST(VariantKinds, ConstructorsChooseTheKind) {
  EXPECT_EQ(Variant().Type(), VarType::Empty);
  EXPECT_EQ(Variant::Null().Type(), VarType::Null);
  EXPECT_EQ(Variant(5).Type(), VarType::Integer);
  EXPECT_EQ(Variant(5LL).Type(), VarType::Int64);
  EXPECT_EQ(Variant(std::int64_t{5}).Type(), VarType::Int64);
  EXPECT_EQ(Variant(std::size_t{3}).Type(), VarType::Integer);
  EXPECT_EQ(Variant(2.5).Type(), VarType::Double);
  EXPECT_EQ(Variant(true).Type(), VarType::Boolean);
  EXPECT_EQ(Variant("abc").Type(), VarType::String);
  EXPECT_EQ(Variant('x').AsString(), "x");
  EXPECT_EQ(Variant::FromDate(1).Type(), VarType::Date);
  EXPECT_EQ(Variant::FromCurrency(1.23456).AsCurrencyRaw(), 12346);
  EXPECT_EQ(Variant(QByteArray("\x01\x02", 2)).AsBytes().size(), 2);
  EXPECT_TRUE(Variant(1.5).IsNumeric());
  EXPECT_FALSE(Variant("1").IsNumeric());
}

TEST(VariantConversions, NumbersAndTextsInTheLocale) {
  EXPECT_EQ(Variant("12,5").AsDouble(), 12.5);
  EXPECT_EQ(Variant(12.5).AsString(), "12,5");
  EXPECT_EQ(Variant(-7).AsString(), "-7");
  EXPECT_EQ(Variant::FromCurrency(9.5).AsString(), "9,5");
  EXPECT_EQ(Variant(" 42 ").AsInteger(), 42);
  EXPECT_EQ(Variant("2,5").AsInteger(), 2);  // rounded half to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant::FromCurrencyRaw(25000).AsInteger(), 2);
  EXPECT_EQ(Variant::FromCurrencyRaw(35000).AsInt64(), 4);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(5).AsCurrency(), 5.0);
  EXPECT_EQ(Variant("1,23456").AsCurrencyRaw(), 12346);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant().AsString(), "");
  {
    FormatSettingsGuard guard(EnglishFormatSettings());
    EXPECT_EQ(Variant("12.5").AsDouble(), 12.5);
    EXPECT_THROW(Variant("12,5").AsDouble(), EVariantError);
  }
}

TEST(VariantConversions, BooleansAndDates) {
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(false).AsString(), "False");
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_TRUE(Variant(2.0).AsBoolean());
  EXPECT_THROW(Variant("forse").AsBoolean(), EVariantError);

  const TDateTime day = EncodeDate(2026, 3, 7);
  EXPECT_EQ(Variant::FromDate(day).AsString(), "07/03/2026");
  EXPECT_EQ(Variant::FromDate(EncodeTime(9, 5, 0, 0)).AsString(), "09:05:00");
  EXPECT_EQ(Variant::FromDate(day + 0.5).AsString(), "07/03/2026 12:00:00");
  EXPECT_EQ(Variant("07/03/2026").AsDateTime(), day);
  EXPECT_EQ(Variant(45000).AsDateTime(), 45000);
  EXPECT_THROW(Variant("domani").AsDateTime(), EVariantError);
}

TEST(VariantConversions, FailuresNameBothKinds) {
  try {
    Variant::Null().AsDouble();
    FAIL() << "no exception";
  } catch (const EVariantError &e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (Double)");
  }
  try {
    Variant("abc").AsInteger();
    FAIL() << "no exception";
  } catch (const EVariantError &e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (String) into type (Integer)");
  }
  try {
    Variant(5000000000LL).AsInteger();
    FAIL() << "no exception";
  } catch (const EVariantError &e) {
    EXPECT_EQ(e.Message(), "Overflow while converting variant of type (Int64) into type (Integer)");
  }
  EXPECT_THROW(Variant::Null().AsString(), EVariantError);
  EXPECT_EQ(VarToStr(Variant::Null()), "");
  EXPECT_THROW(Variant(1e300).AsInt64(), EVariantError);
  EXPECT_THROW(Variant::FromCurrency(1e300), EVariantError);
  EXPECT_THROW(Variant(VarArrayOf({1, 2})).AsDouble(), EVariantError);
}

TEST(VariantCompare, NullAndEmptyEqualOnlyThemselves) {
  EXPECT_TRUE(Variant::Null() == Variant::Null());
  EXPECT_TRUE(Variant() == Variant());
  EXPECT_FALSE(Variant::Null() == Variant());
  EXPECT_FALSE(Variant::Null() == Variant(0));
  EXPECT_FALSE(Variant() == Variant(""));
  EXPECT_TRUE(Variant::Null() < Variant(-1000));
  EXPECT_TRUE(Variant() < Variant::Null());
  EXPECT_FALSE(Variant(0) < Variant::Null());
}

TEST(VariantCompare, NumbersTextsAndDates) {
  EXPECT_TRUE(Variant(2) == Variant(2.0));
  EXPECT_TRUE(Variant(2) == Variant::FromCurrency(2));
  EXPECT_TRUE(Variant("2,5") == Variant(2.5));
  EXPECT_TRUE(Variant(10) > Variant("9"));    // numerically, not as texts
  EXPECT_TRUE(Variant("10") < Variant("9"));  // two texts compare as texts
  EXPECT_FALSE(Variant("abc") == Variant("ABC"));
  EXPECT_FALSE(Variant("abc") == Variant(1));  // no number: just different
  EXPECT_THROW(Variant::Compare(Variant("abc"), Variant(1)), EVariantError);
  EXPECT_TRUE(Variant(9007199254740993LL) > Variant(9007199254740992LL));
  EXPECT_TRUE(Variant::FromDate(EncodeDate(2026, 3, 7)) == Variant("07/03/2026"));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_THROW(Variant::Compare(Variant(QByteArray("a")), Variant(1)), EVariantError);
}

TEST(VariantArrays, KeyValuesOfMultiFieldSearches) {
  Variant keys = VarArrayOf({"8001234", 3, Variant::Null()});
  EXPECT_TRUE(keys.IsArray());
  EXPECT_EQ(keys.ArrayCount(), 3);
  EXPECT_EQ(keys[1].AsInteger(), 3);
  EXPECT_TRUE(keys[2].IsNull());
  EXPECT_THROW(keys[3], EVariantError);
  EXPECT_THROW(Variant(1)[0], EVariantError);
  // A copy is a value: writing one leaves the other alone.
  Variant copy = keys;
  copy[0] = Variant("x");
  EXPECT_EQ(keys[0].AsString(), "8001234");
  EXPECT_TRUE(keys == VarArrayOf({"8001234", 3, Variant::Null()}));
  EXPECT_FALSE(keys == copy);
  EXPECT_TRUE(VarArrayOf({1, 2}) < VarArrayOf({1, 3}));
}

}  // namespace
}  // namespace rtl
