#include "lang/Duo.Lang.Core.h"
#include "runtime/FormatSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageFormats, DatesTimesAndNumbersAreWrittenAsTheLanguageWritesThem) {
  TDuoLangCore core;
  core.SetLanguages(TDuoLangs(std::begin(AllDuoLangs), std::end(AllDuoLangs)));
  const TDateTime afternoon = EncodeDateTime(2026, 3, 5, 14, 7, 9, 0);
  struct Case {
    TDuoLang Lang;
    const char* ShortDate;
    const char* LongDate;
    const char* Time;
    const char* Number;
  };
  const Case cases[] = {
      {TDuoLang::English, "3/5/2026", "Thursday, March 5, 2026", "2:07:09 PM", "1,234,567.89"},
      {TDuoLang::Portuguese, "05/03/2026", "quinta-feira, 5 de março de 2026", "14:07:09",
       "1.234.567,89"},
      {TDuoLang::Spanish, "05/03/2026", "jueves, 5 de marzo de 2026", "14:07:09", "1.234.567,89"},
      {TDuoLang::Arabic, "05/03/2026", "الخميس، 5 مارس 2026", "02:07:09 م", "1,234,567.89"},
      {TDuoLang::Italian, "05/03/2026", "giovedì 5 marzo 2026", "14:07:09", "1.234.567,89"},
      {TDuoLang::French, "05/03/2026", "jeudi 5 mars 2026", "14:07:09", "1 234 567,89"},
      {TDuoLang::German, "05.03.2026", "Donnerstag, 5. März 2026", "14:07:09", "1.234.567,89"},
      {TDuoLang::Japanese, "2026/03/05", "2026年3月5日 木曜日", "14:07:09", "1,234,567.89"},
      {TDuoLang::Russian, "05.03.2026", "5 марта 2026 г.", "14:07:09", "1 234 567,89"},
      {TDuoLang::Chinese, "2026/3/5", "2026年3月5日 星期四", "14:07:09", "1,234,567.89"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(LanguageCode(c.Lang));
    const TFormatSettings& settings = core.DuoLangByTDuoLang(c.Lang)->FormatSettings();
    EXPECT_EQ(DateToStr(afternoon, settings), c.ShortDate);
    EXPECT_EQ(FormatDateTime("ddddd", afternoon, settings), c.ShortDate);
    EXPECT_EQ(FormatDateTime("dddddd", afternoon, settings), c.LongDate);
    EXPECT_EQ(TimeToStr(afternoon, settings), c.Time);
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, settings), c.Number);
    // What a language writes, it reads back.
    EXPECT_EQ(StrToDate(c.ShortDate, settings), EncodeDate(2026, 3, 5));
  }
}

} // namespace
