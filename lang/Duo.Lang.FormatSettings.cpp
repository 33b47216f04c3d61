#include "lang/Duo.Lang.FormatSettings.h"

namespace detail {

namespace {

TFormatSettings English() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "m/d/yyyy";
  s.LongDateFormat = "dddd, mmmm d, yyyy";
  s.ShortTimeFormat = "h:nn ampm";
  s.LongTimeFormat = "h:nn:ss ampm";
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  s.CurrencyString = "$";
  return s;
}

// Brazilian Portuguese: the same settings the rest of the program formats pt-BR with.
TFormatSettings Portuguese() { return PtBrFormatSettings(); }

TFormatSettings Spanish() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongDateFormat = "dddd, d 'de' mmmm 'de' yyyy";
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '.';
  s.CurrencyString = "€";
  s.ShortMonthNames = {"ene", "feb", "mar",  "abr", "may", "jun",
                       "jul", "ago", "sept", "oct", "nov", "dic"};
  s.LongMonthNames = {"enero", "febrero", "marzo",      "abril",   "mayo",      "junio",
                      "julio", "agosto",  "septiembre", "octubre", "noviembre", "diciembre"};
  s.ShortDayNames = {"dom", "lun", "mar", "mié", "jue", "vie", "sáb"};
  s.LongDayNames = {"domingo", "lunes", "martes", "miércoles", "jueves", "viernes", "sábado"};
  return s;
}

// Gregorian dates with the month names used across the Arab world's Gulf and Levant.
TFormatSettings Arabic() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongDateFormat = "dddd، d mmmm yyyy";
  s.ShortTimeFormat = "hh:nn ampm";
  s.LongTimeFormat = "hh:nn:ss ampm";
  s.TimeAMString = "ص";
  s.TimePMString = "م";
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  s.CurrencyString = "ر.س.";
  s.LongMonthNames = {"يناير", "فبراير", "مارس",   "أبريل",  "مايو",   "يونيو",
                      "يوليو", "أغسطس",  "سبتمبر", "أكتوبر", "نوفمبر", "ديسمبر"};
  s.ShortMonthNames = s.LongMonthNames;
  s.LongDayNames = {"الأحد", "الاثنين", "الثلاثاء", "الأربعاء", "الخميس", "الجمعة", "السبت"};
  s.ShortDayNames = s.LongDayNames;
  return s;
}

TFormatSettings Italian() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongDateFormat = "dddd d mmmm yyyy";
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '.';
  s.CurrencyString = "€";
  s.ShortMonthNames = {"gen", "feb", "mar", "apr", "mag", "giu",
                       "lug", "ago", "set", "ott", "nov", "dic"};
  s.LongMonthNames = {"gennaio", "febbraio", "marzo",     "aprile",  "maggio",   "giugno",
                      "luglio",  "agosto",   "settembre", "ottobre", "novembre", "dicembre"};
  s.ShortDayNames = {"dom", "lun", "mar", "mer", "gio", "ven", "sab"};
  s.LongDayNames = {"domenica", "lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato"};
  return s;
}

// French groups thousands with a space; a one-byte separator cannot hold the narrow no-break
// space of print, so an ordinary blank stands for it.
TFormatSettings French() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongDateFormat = "dddd d mmmm yyyy";
  s.DecimalSeparator = ',';
  s.ThousandSeparator = ' ';
  s.CurrencyString = "€";
  s.ShortMonthNames = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                       "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
  s.LongMonthNames = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                      "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
  s.ShortDayNames = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
  s.LongDayNames = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"};
  return s;
}

TFormatSettings German() {
  TFormatSettings s;
  s.DateSeparator = '.';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongDateFormat = "dddd, d. mmmm yyyy";
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '.';
  s.CurrencyString = "€";
  s.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                       "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  s.LongMonthNames = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                      "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  s.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  s.LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                    "Donnerstag", "Freitag", "Samstag"};
  return s;
}

TFormatSettings Japanese() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "yyyy/mm/dd";
  s.LongDateFormat = "yyyy'年'm'月'd'日' dddd";
  s.TimeAMString = "午前";
  s.TimePMString = "午後";
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  s.CurrencyString = "¥";
  s.ShortMonthNames = {"1月", "2月", "3月", "4月",  "5月",  "6月",
                       "7月", "8月", "9月", "10月", "11月", "12月"};
  s.LongMonthNames = s.ShortMonthNames;
  s.ShortDayNames = {"日", "月", "火", "水", "木", "金", "土"};
  s.LongDayNames = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
  return s;
}

// Russian writes a month in dates in the genitive ("5 марта 2026 г."), so those are the names.
TFormatSettings Russian() {
  TFormatSettings s;
  s.DateSeparator = '.';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongDateFormat = "d mmmm yyyy 'г.'";
  s.DecimalSeparator = ',';
  s.ThousandSeparator = ' ';
  s.CurrencyString = "₽";
  s.ShortMonthNames = {"янв.", "февр.", "мар.",  "апр.", "мая",   "июн.",
                       "июл.", "авг.",  "сент.", "окт.", "нояб.", "дек."};
  s.LongMonthNames = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                      "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
  s.ShortDayNames = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
  s.LongDayNames = {"воскресенье", "понедельник", "вторник", "среда",
                    "четверг",     "пятница",     "суббота"};
  return s;
}

TFormatSettings Chinese() {
  TFormatSettings s;
  s.DateSeparator = '/';
  s.ShortDateFormat = "yyyy/m/d";
  s.LongDateFormat = "yyyy'年'm'月'd'日' dddd";
  s.TimeAMString = "上午";
  s.TimePMString = "下午";
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  s.CurrencyString = "¥";
  s.ShortMonthNames = {"1月", "2月", "3月", "4月",  "5月",  "6月",
                       "7月", "8月", "9月", "10月", "11月", "12月"};
  s.LongMonthNames = {"一月", "二月", "三月", "四月", "五月",   "六月",
                      "七月", "八月", "九月", "十月", "十一月", "十二月"};
  s.ShortDayNames = {"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
  s.LongDayNames = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
  return s;
}

} // namespace

TFormatSettings LangFormatSettings(TDuoLang Lang) {
  switch (Lang) {
  case TDuoLang::English:
    return English();
  case TDuoLang::Portuguese:
    return Portuguese();
  case TDuoLang::Spanish:
    return Spanish();
  case TDuoLang::Arabic:
    return Arabic();
  case TDuoLang::Italian:
    return Italian();
  case TDuoLang::French:
    return French();
  case TDuoLang::German:
    return German();
  case TDuoLang::Japanese:
    return Japanese();
  case TDuoLang::Russian:
    return Russian();
  case TDuoLang::Chinese:
    return Chinese();
  }
  return TFormatSettings();
}

} // namespace detail
