#include "runtime/FormatSettings.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

struct TNamedSettings {
  const char* Name;
  const TFormatSettings& Settings;
};

const TNamedSettings Default{"default", FormatSettings()};
const TNamedSettings PtBr{"pt-BR", PtBrFormatSettings()};
const TNamedSettings DataBase{"database", DataBaseFormatSettings()};

// Tuesday, 5 March 2024, 14:07:09.045.
const TDateTime Sample = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);

TEST(FormatSettings, TheThreeSettings) {
  EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(PtBrFormatSettings().ShortDateFormat, "dd/mm/yyyy");
  EXPECT_EQ(PtBrFormatSettings().DateSeparator, '/');
  EXPECT_EQ(PtBrFormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(PtBrFormatSettings().ThousandSeparator, '.');
  EXPECT_EQ(PtBrFormatSettings().LongMonthNames[2], "março");
  EXPECT_EQ(DataBaseFormatSettings().ShortDateFormat, "yyyy-mm-dd");
  EXPECT_EQ(DataBaseFormatSettings().DateSeparator, '-');
  EXPECT_EQ(DataBaseFormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(DataBaseFormatSettings().ThousandSeparator, '.');
  EXPECT_EQ(DataBaseFormatSettings().LongTimeFormat, FormatSettings().LongTimeFormat);
}

TEST(FormatSettings, FormatDateTimeTable) {
  struct TCase {
    const TNamedSettings& Settings;
    const char* Format;
    TDateTime Value;
    const char* Expected;
  };
  const TDateTime midnight = EncodeDate(2024, 3, 5);
  const TCase cases[] = {
      {Default, "yyyy-mm-dd hh:nn:ss.zzz", Sample, "2024-03-05 14:07:09.045"},
      {Default, "d/m/yy h:n:s z", Sample, "5-3-24 14:7:9 45"},
      {Default, "ddd dddd mmm mmmm", Sample, "Tue Tuesday Mar March"},
      {Default, "c", Sample, "2024-03-05 14:07:09"},
      {Default, "c", midnight, "2024-03-05"},
      {Default, "ddddd", Sample, "2024-03-05"},
      {Default, "dddddd", Sample, "Tuesday, March 5, 2024"},
      {Default, "t|tt", Sample, "14:07|14:07:09"},
      {Default, "hh:mm", Sample, "14:07"}, // "m" after an hour is minutes
      {Default, "mm hh mm", Sample, "03 14 07"},
      {Default, "yyyy-MM-dd", Sample, "2024-03-05"},
      {Default, "DD/MM/YYYY hh:nn:ss", Sample, "05-03-2024 14:07:09"},
      {Default, "h:nn am/pm", Sample, "2:07 pm"},
      {Default, "h:nn AM/PM", EncodeTime(0, 30, 0, 0), "12:30 AM"},
      {Default, "hh a/p", EncodeTime(12, 0, 0, 0), "12 p"},
      {Default, "h ampm", EncodeTime(9, 0, 0, 0), "9 AM"},
      {Default, "'Data:' dd \"de\" mmmm 'hh'", Sample, "Data: 05 de March hh"},
      {Default, "yyyy-mm-dd hh:nn", EncodeDateTime(1850, 1, 2, 6, 0, 0, 0), "1850-01-02 06:00"},
      {PtBr, "c", Sample, "05/03/2024 14:07:09"},
      {PtBr, "DD/MM/YYYY hh:nn:ss", Sample, "05/03/2024 14:07:09"},
      {PtBr, "dddddd", Sample, "terça-feira, 5 de março de 2024"},
      {PtBr, "ddd, d 'de' mmm", EncodeDate(2024, 3, 9), "sáb, 9 de mar"},
      {DataBase, "ddddd", Sample, "2024-03-05"},
      {DataBase, "yyyy-MM-dd tt", Sample, "2024-03-05 14:07:09"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(FormatDateTime(c.Format, c.Value, c.Settings.Settings), c.Expected)
        << c.Settings.Name << " \"" << c.Format << "\"";
}

TEST(FormatSettings, DateAndTimeToText) {
  EXPECT_EQ(DateToStr(Sample, PtBrFormatSettings()), "05/03/2024");
  EXPECT_EQ(TimeToStr(Sample, PtBrFormatSettings()), "14:07:09");
  EXPECT_EQ(DateTimeToStr(Sample, PtBrFormatSettings()), "05/03/2024 14:07:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5), PtBrFormatSettings()), "05/03/2024");
  EXPECT_EQ(DateToStr(Sample), "2024-03-05");
  EXPECT_EQ(DateToStr(Sample, DataBaseFormatSettings()), "2024-03-05");
}

enum class TRead { Date, Time, DateTime };

TEST(FormatSettings, ReadingTable) {
  struct TCase {
    const TNamedSettings& Settings;
    TRead Kind;
    const char* Text;
    std::optional<TDateTime> Expected; // empty: refused
  };
  const auto date = [](int y, int m, int d) { return std::optional(EncodeDate(y, m, d)); };
  const auto time = [](int h, int n, int s, int z) {
    return std::optional(EncodeTime(h, n, s, z));
  };
  const auto both = [](int y, int m, int d, int h, int n, int s) {
    return std::optional(EncodeDateTime(y, m, d, h, n, s, 0));
  };
  const std::nullopt_t refused = std::nullopt;
  const TCase cases[] = {
      {Default, TRead::Date, "2024-03-05", date(2024, 3, 5)},
      {Default, TRead::Date, " 2024-3-5 ", date(2024, 3, 5)},
      {Default, TRead::Date, "24-03-05", date(2024, 3, 5)},
      {Default, TRead::Date, "2024-02-29", date(2024, 2, 29)},
      {Default, TRead::Date, "2023-02-29", refused},
      {Default, TRead::Date, "2024-02-30", refused},
      {Default, TRead::Date, "2024-13-01", refused},
      {Default, TRead::Date, "2024-00-10", refused},
      {Default, TRead::Date, "2024/03/05", refused},
      {Default, TRead::Date, "2024-03", refused},
      {Default, TRead::Date, "2024-03-05x", refused},
      {Default, TRead::Date, "-2024-03-05", refused},
      {Default, TRead::Date, "20245-03-05", refused},
      {Default, TRead::Date, "", refused},
      {PtBr, TRead::Date, "05/03/2024", date(2024, 3, 5)},
      {PtBr, TRead::Date, "5/3/2024", date(2024, 3, 5)},
      {PtBr, TRead::Date, "05/03/99", date(1999, 3, 5)},
      {PtBr, TRead::Date, "31/02/2024", refused},
      {PtBr, TRead::Date, "31/04/2024", refused},
      {PtBr, TRead::Date, "2024-03-05", refused},
      {PtBr, TRead::Date, "05/03/2024 10:00", refused},
      {PtBr, TRead::Time, "14:07", time(14, 7, 0, 0)},
      {PtBr, TRead::Time, "1:2:3", time(1, 2, 3, 0)},
      {PtBr, TRead::Time, "14:07:09.5", time(14, 7, 9, 500)},
      {PtBr, TRead::Time, "14:07:09,045", time(14, 7, 9, 45)},
      {PtBr, TRead::Time, "12:00 AM", time(0, 0, 0, 0)},
      {PtBr, TRead::Time, "12:15 pm", time(12, 15, 0, 0)},
      {PtBr, TRead::Time, "2:07PM", time(14, 7, 0, 0)},
      {PtBr, TRead::Time, "13:00 PM", refused},
      {PtBr, TRead::Time, "24:00", refused},
      {PtBr, TRead::Time, "10:60", refused},
      {PtBr, TRead::Time, "10:00:60", refused},
      {PtBr, TRead::Time, "14", refused},
      {PtBr, TRead::Time, "14:07 XM", refused},
      {PtBr, TRead::DateTime, "05/03/2024 14:07:09", both(2024, 3, 5, 14, 7, 9)},
      {PtBr, TRead::DateTime, "05/03/2024   2:07 PM", both(2024, 3, 5, 14, 7, 0)},
      {PtBr, TRead::DateTime, "05/03/2024", date(2024, 3, 5)},
      {PtBr, TRead::DateTime, "05/03/2024T14:07", refused},
      {PtBr, TRead::DateTime, "05/03/2024 25:00", refused},
      {PtBr, TRead::DateTime, "30/02/2024 10:00", refused},
      {DataBase, TRead::Date, "2024-03-05", date(2024, 3, 5)},
      {DataBase, TRead::DateTime, "2024-03-05 14:07:09", both(2024, 3, 5, 14, 7, 9)},
      {DataBase, TRead::Date, "05/03/2024", refused},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Settings.Name) + " \"" + c.Text + "\"");
    const TDateTime untouched(-123.0);
    TDateTime value = untouched;
    bool ok = false;
    switch (c.Kind) {
    case TRead::Date:
      ok = TryStrToDate(c.Text, value, c.Settings.Settings);
      break;
    case TRead::Time:
      ok = TryStrToTime(c.Text, value, c.Settings.Settings);
      break;
    case TRead::DateTime:
      ok = TryStrToDateTime(c.Text, value, c.Settings.Settings);
      break;
    }
    ASSERT_EQ(ok, c.Expected.has_value());
    if (ok)
      EXPECT_NEAR(value.Value, c.Expected->Value, 1e-9);
    else
      EXPECT_EQ(value, untouched);
  }
}

TEST(FormatSettings, RefusedTextRaisesConvertErrorNamingTheText) {
  const auto messageOf = [](const std::function<void()>& read) -> std::string {
    try {
      read();
    } catch (const EConvertError& e) {
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(messageOf([] { StrToDate("31/02/2024", PtBrFormatSettings()); }),
            "'31/02/2024' is not a valid date");
  EXPECT_EQ(messageOf([] { StrToTime("25:00", PtBrFormatSettings()); }),
            "'25:00' is not a valid time");
  EXPECT_EQ(messageOf([] { StrToDateTime("hoje", PtBrFormatSettings()); }),
            "'hoje' is not a valid date and time");
  EXPECT_EQ(messageOf([] { StrToFloat("1.234,5", PtBrFormatSettings()); }),
            "'1.234,5' is not a valid floating point value");
  EXPECT_NEAR(StrToDate("05/03/2024", PtBrFormatSettings()).Value, EncodeDate(2024, 3, 5).Value, 0);
}

TEST(FormatSettings, DateTimeTextRoundTrip) {
  const TDateTime values[] = {Sample, EncodeDate(2000, 2, 29),
                              EncodeDateTime(1999, 12, 31, 23, 59, 59, 0),
                              EncodeDateTime(2024, 1, 1, 0, 0, 1, 0)};
  for (const TNamedSettings& s : {Default, PtBr, DataBase})
    for (TDateTime value : values) {
      const std::string text = FormatDateTime("c", value, s.Settings);
      const TDateTime seconds = StrToDateTime(text, s.Settings);
      EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", seconds, s.Settings),
                FormatDateTime("yyyy-mm-dd hh:nn:ss", value, s.Settings))
          << s.Name << " " << text;
    }
}

TEST(FormatSettings, FloatToText) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},
      {1.5, "1.5"},
      {-2.25, "-2.25"},
      {0.1 + 0.2, "0.3"},
      {1e20, "1E20"},
      {1e-5, "1E-5"},
      {123456789012345, "123456789012345"},
      {1.0 / 3, "0.333333333333333"},
      {NAN, "NAN"},
      {-INFINITY, "-INF"},
  };
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(FloatToStr(value), expected) << value;
  EXPECT_EQ(FloatToStr(-1234.5, PtBrFormatSettings()), "-1234,5");
}

TEST(FormatSettings, TextToFloat) {
  struct TCase {
    const TNamedSettings& Settings;
    const char* Text;
    std::optional<double> Expected;
  };
  const TCase cases[] = {
      {Default, "1.5", 1.5},
      {Default, " -2.5e3 ", -2500},
      {Default, "+7", 7},
      {Default, ".5", 0.5},
      {Default, "1.", 1},
      {Default, "1,5", std::nullopt},
      {Default, "1,000", std::nullopt},
      {Default, "abc", std::nullopt},
      {Default, "", std::nullopt},
      {Default, "inf", std::nullopt},
      {Default, "nan", std::nullopt},
      {Default, "0x1A", std::nullopt},
      {Default, "1e", std::nullopt},
      {Default, "1e400", std::nullopt},
      {Default, "1 2", std::nullopt},
      {PtBr, "1,5", 1.5},
      {PtBr, "-0,25", -0.25},
      {PtBr, "1.5", std::nullopt},
      {PtBr, "1.234,5", std::nullopt},
      {DataBase, "10,75", 10.75},
  };
  for (const TCase& c : cases) {
    double value = -99;
    const bool ok = TryStrToFloat(c.Text, value, c.Settings.Settings);
    ASSERT_EQ(ok, c.Expected.has_value()) << c.Settings.Name << " \"" << c.Text << "\"";
    EXPECT_EQ(value, ok ? *c.Expected : -99) << c.Settings.Name << " \"" << c.Text << "\"";
  }
}

TEST(FormatSettings, FormatFloatTable) {
  struct TCase {
    const TNamedSettings& Settings;
    const char* Format;
    double Value;
    const char* Expected;
  };
  const char* money = "\"R$ \"#,##0.00;(\"R$ \"#,##0.00);\"zero\"";
  const TCase cases[] = {
      {Default, "0.00", 2.675, "2.68"},
      {Default, "0.00", 1.005, "1.01"},
      {Default, "0.00", -1.005, "-1.01"},
      {Default, "0.00", 0, "0.00"},
      {Default, "0.00", -0.001, "0.00"},
      {Default, "0.00", 0.1 + 0.2, "0.30"},
      {Default, "#,##0.00", 1234567.891, "1,234,567.89"},
      {Default, "#,##0.00", 5, "5.00"},
      {Default, "#,##0.00", -1234.5, "-1,234.50"},
      {Default, "#,##0.00", 999.999, "1,000.00"},
      {Default, "#,##0", 123456789, "123,456,789"},
      {PtBr, "#,##0.00", 1234567.891, "1.234.567,89"},
      {Default, "00000000", 123, "00000123"},
      {Default, "00000000", 123456789, "123456789"},
      {Default, "0", 2.5, "3"},
      {Default, "0", -2.5, "-3"},
      {Default, "#.##", 0.5, ".5"},
      {Default, "0.##", 2, "2"},
      {Default, "0.##", 2.1, "2.1"},
      {Default, "0.0#", 2.123, "2.12"},
      {Default, "00-00", 1234, "12-34"},
      {Default, "00-00", 5, "00-05"},
      {Default, "0.00 %", 12.5, "12.50 %"},
      {PtBr, money, 1234.5, "R$ 1.234,50"},
      {PtBr, money, -3, "(R$ 3,00)"},
      {PtBr, money, 0, "zero"},
      {Default, "0.00;;", -1.5, "-1.50"},
      {Default, "0.00", 1e15, "1000000000000000.00"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(FormatFloat(c.Format, c.Value, c.Settings.Settings), c.Expected)
        << c.Settings.Name << " \"" << c.Format << "\" " << c.Value;
}

} // namespace
