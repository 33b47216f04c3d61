#include "runtime/Variant.h"
#include "runtime/DateTime.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

namespace {

TEST(VariantTest, ConversionsBetweenKinds) {
  EXPECT_EQ(Variant(int32_t{42}).AsString(), "42");
  EXPECT_EQ(Variant(int64_t{9000000000}).AsString(), "9000000000");
  EXPECT_EQ(Variant("9000000000").AsInt64(), 9000000000);
  EXPECT_EQ(Variant(" 17 ").AsInteger(), 17);
  EXPECT_DOUBLE_EQ(Variant("2.5").AsFloat(), 2.5);
  EXPECT_EQ(Variant(2.5).AsString(), "2.5");
  EXPECT_TRUE(Variant("True").AsBoolean());
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant::Null().AsString(), "");
  EXPECT_EQ(Variant().AsInt64(), 0);
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_EQ(Variant(EncodeDate(2024, 3, 5)).AsString(), "2024-03-05");
  EXPECT_EQ(Variant("2024-03-05 14:30:00").AsDateTime(), EncodeDateTime(2024, 3, 5, 14, 30, 0, 0));
}

TEST(VariantTest, TextThatIsNotANumberIsRefusedNamingTheText) {
  for (const char* text : {"abc", "", "12x", "1.5.2"}) {
    try {
      (void)Variant(text).AsInt64();
      ADD_FAILURE() << text;
    } catch (const EConvertError& e) {
      EXPECT_NE(e.Message().find(std::string("'") + text + "'"), std::string::npos);
    }
  }
  EXPECT_THROW((void)Variant("9000000000").AsInteger(), EConvertError);
  EXPECT_THROW((void)Variant("2024-02-30").AsDateTime(), EConvertError);
  EXPECT_THROW((void)Variant(TBytes{1, 2}).AsInt64(), EConvertError);
}

TEST(DateTimeTest, EncodeDecodeRoundTripsAndRefusesImpossibleDates) {
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30).Value, 0.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1).Value, 2.0);
  EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1).Value, 36526.0);
  const TDateTime dt = EncodeDateTime(2024, 2, 29, 23, 59, 58, 999);
  const TDateParts d = DecodeDate(dt);
  const TTimeParts t = DecodeTime(dt);
  EXPECT_EQ((std::vector<int>{d.Year, d.Month, d.Day}), (std::vector<int>{2024, 2, 29}));
  EXPECT_EQ((std::vector<int>{t.Hour, t.Minute, t.Second, t.MilliSecond}),
            (std::vector<int>{23, 59, 58, 999}));
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 10)), 5); // a Thursday
  const TDateParts before = DecodeDate(TDateTime(-1.25));
  EXPECT_EQ((std::vector<int>{before.Year, before.Month, before.Day}),
            (std::vector<int>{1899, 12, 29}));
  EXPECT_EQ(DecodeTime(TDateTime(-1.25)).Hour, 6);
}

} // namespace
