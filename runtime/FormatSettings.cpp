#include "runtime/FormatSettings.h"

#include "runtime/Exceptions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[at + i]) != UpperAscii(prefix[i]))
      return false;
  return true;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Padded(long long number, std::size_t width) {
  std::string text = std::to_string(number);
  if (text.size() < width)
    text.insert(0, width - text.size(), '0');
  return text;
}

// ---- FormatDateTime -------------------------------------------------------------------------

// Nested formats ("c", "ddddd", "t") expand settings formats, which could name themselves.
constexpr int MaxFormatNesting = 3;

class TDateTimeWriter {
public:
  TDateTimeWriter(TDateTime value, const TFormatSettings& settings)
      : FValue(value), FSettings(settings), FDate(DecodeDate(value)), FTime(DecodeTime(value)) {}

  std::string Write(std::string_view format) {
    Append(format, 0);
    return std::move(FOut);
  }

private:
  static bool UsesTwelveHourClock(std::string_view format);
  static std::size_t RunLength(std::string_view format, std::size_t at);
  void Append(std::string_view format, int nesting);
  void AppendNested(std::string_view format, int nesting) {
    if (nesting < MaxFormatNesting)
      Append(format, nesting + 1);
  }

  TDateTime FValue;
  const TFormatSettings& FSettings;
  TDateParts FDate;
  TTimeParts FTime;
  std::string FOut;
};

// How many times the letter at `at` repeats (in any case) from there.
std::size_t TDateTimeWriter::RunLength(std::string_view format, std::size_t at) {
  const char letter = UpperAscii(format[at]);
  std::size_t end = at;
  while (end < format.size() && UpperAscii(format[end]) == letter)
    ++end;
  return end - at;
}

bool TDateTimeWriter::UsesTwelveHourClock(std::string_view format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const std::size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos)
        return false;
      i = close;
    } else if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
               StartsWithNoCase(format, i, "ampm")) {
      return true;
    }
  }
  return false;
}

void TDateTimeWriter::Append(std::string_view format, int nesting) {
  const bool twelveHour = UsesTwelveHourClock(format);
  const bool afternoon = FTime.Hour >= 12;
  bool afterHour = false; // an "m" right after an hour token means minutes
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    const char upper = UpperAscii(c);
    std::size_t count = 1;
    bool hourToken = false;
    switch (upper) {
    case '"':
    case '\'': {
      std::size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos)
        close = format.size();
      FOut.append(format.substr(i + 1, close - i - 1));
      count = close + 1 - i;
      break;
    }
    case '/':
      FOut += FSettings.DateSeparator;
      break;
    case ':':
      FOut += FSettings.TimeSeparator;
      break;
    case 'C':
      count = RunLength(format, i);
      AppendNested(FSettings.ShortDateFormat, nesting);
      if (FTime.Hour != 0 || FTime.Minute != 0 || FTime.Second != 0 || FTime.MilliSecond != 0) {
        FOut += ' ';
        AppendNested(FSettings.LongTimeFormat, nesting);
      }
      break;
    case 'D':
      count = RunLength(format, i);
      if (count == 1)
        FOut += std::to_string(FDate.Day);
      else if (count == 2)
        FOut += Padded(FDate.Day, 2);
      else if (count == 3)
        FOut += FSettings.ShortDayNames[static_cast<std::size_t>(DayOfWeek(FValue) - 1)];
      else if (count == 4)
        FOut += FSettings.LongDayNames[static_cast<std::size_t>(DayOfWeek(FValue) - 1)];
      else if (count == 5)
        AppendNested(FSettings.ShortDateFormat, nesting);
      else
        AppendNested(FSettings.LongDateFormat, nesting);
      break;
    case 'M':
      count = RunLength(format, i);
      if (afterHour && count <= 2)
        FOut += count == 1 ? std::to_string(FTime.Minute) : Padded(FTime.Minute, 2);
      else if (count == 1)
        FOut += std::to_string(FDate.Month);
      else if (count == 2)
        FOut += Padded(FDate.Month, 2);
      else if (count == 3)
        FOut += FSettings.ShortMonthNames[static_cast<std::size_t>(FDate.Month - 1)];
      else
        FOut += FSettings.LongMonthNames[static_cast<std::size_t>(FDate.Month - 1)];
      break;
    case 'Y':
      count = RunLength(format, i);
      FOut += count <= 2 ? Padded(FDate.Year % 100, 2) : Padded(FDate.Year, 4);
      break;
    case 'H': {
      count = RunLength(format, i);
      int hour = FTime.Hour;
      if (twelveHour)
        hour = hour % 12 == 0 ? 12 : hour % 12;
      FOut += count == 1 ? std::to_string(hour) : Padded(hour, 2);
      hourToken = true;
      break;
    }
    case 'N':
      count = RunLength(format, i);
      FOut += count == 1 ? std::to_string(FTime.Minute) : Padded(FTime.Minute, 2);
      break;
    case 'S':
      count = RunLength(format, i);
      FOut += count == 1 ? std::to_string(FTime.Second) : Padded(FTime.Second, 2);
      break;
    case 'Z':
      count = RunLength(format, i);
      FOut += count < 3 ? std::to_string(FTime.MilliSecond) : Padded(FTime.MilliSecond, 3);
      break;
    case 'T':
      count = RunLength(format, i);
      AppendNested(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, nesting);
      break;
    case 'A':
      if (StartsWithNoCase(format, i, "am/pm")) {
        FOut.append(format.substr(afternoon ? i + 3 : i, 2));
        count = 5;
      } else if (StartsWithNoCase(format, i, "a/p")) {
        FOut += format[afternoon ? i + 2 : i];
        count = 3;
      } else if (StartsWithNoCase(format, i, "ampm")) {
        FOut += afternoon ? FSettings.TimePMString : FSettings.TimeAMString;
        count = 4;
      } else {
        FOut += c;
      }
      break;
    default:
      FOut += c;
      break;
    }
    const bool literal = upper == '"' || upper == '\'' || upper == '/' || upper == ':' ||
                         !(upper >= 'A' && upper <= 'Z');
    if (hourToken)
      afterHour = true;
    else if (!literal)
      afterHour = false;
    i += count;
  }
}

// ---- Reading dates and times ----------------------------------------------------------------

class TScanner {
public:
  explicit TScanner(std::string_view text) : FText(text) {}

  bool AtEnd() const { return FPos == FText.size(); }

  // 1 to maxDigits digits; the number and how many digits it had.
  bool Number(std::size_t maxDigits, int& number, std::size_t& digits) {
    digits = 0;
    number = 0;
    while (FPos < FText.size() && IsDigit(FText[FPos])) {
      if (++digits > maxDigits)
        return false;
      number = number * 10 + (FText[FPos] - '0');
      ++FPos;
    }
    return digits > 0;
  }
  bool Number(std::size_t maxDigits, int& number) {
    std::size_t digits = 0;
    return Number(maxDigits, number, digits);
  }
  bool Char(char c) {
    if (FPos < FText.size() && FText[FPos] == c) {
      ++FPos;
      return true;
    }
    return false;
  }
  std::size_t SkipBlanks() {
    const std::size_t start = FPos;
    while (FPos < FText.size() && IsBlank(FText[FPos]))
      ++FPos;
    return FPos - start;
  }
  // Consumes `word` when the text continues with it (without regard to case).
  bool Word(std::string_view word) {
    if (word.empty() || !StartsWithNoCase(FText, FPos, word))
      return false;
    FPos += word.size();
    return true;
  }

private:
  std::string_view FText;
  std::size_t FPos = 0;
};

int CurrentYear() {
  return DecodeDate(Date()).Year;
}

int FullYear(int year, std::size_t digits, const TFormatSettings& settings) {
  if (digits > 2 || settings.TwoDigitYearCenturyWindow <= 0)
    return year;
  const int threshold = CurrentYear() - settings.TwoDigitYearCenturyWindow;
  year += threshold / 100 * 100;
  if (year < threshold)
    year += 100;
  return year;
}

// The order of day, month and year in ShortDateFormat, e.g. "DMY".
std::string DateOrder(const TFormatSettings& settings) {
  std::string order;
  for (char c : settings.ShortDateFormat) {
    const char upper = UpperAscii(c);
    if ((upper == 'D' || upper == 'M' || upper == 'Y') && order.find(upper) == std::string::npos)
      order += upper;
  }
  return order.size() == 3 ? order : "YMD";
}

bool ScanDate(TScanner& scanner, const TFormatSettings& settings, TDateTime& value) {
  int day = 0, month = 0, year = 0;
  std::size_t yearDigits = 0;
  const std::string order = DateOrder(settings);
  for (std::size_t part = 0; part < 3; ++part) {
    if (part > 0 && !scanner.Char(settings.DateSeparator))
      return false;
    const char which = order[part];
    bool ok = false;
    if (which == 'Y')
      ok = scanner.Number(4, year, yearDigits);
    else
      ok = scanner.Number(2, which == 'D' ? day : month);
    if (!ok)
      return false;
  }
  return TryEncodeDate(FullYear(year, yearDigits, settings), month, day, value);
}

bool ScanTime(TScanner& scanner, const TFormatSettings& settings, TDateTime& value) {
  int hour = 0, minute = 0, second = 0, milliSecond = 0;
  if (!scanner.Number(2, hour) || !scanner.Char(settings.TimeSeparator) ||
      !scanner.Number(2, minute))
    return false;
  if (scanner.Char(settings.TimeSeparator)) {
    if (!scanner.Number(2, second))
      return false;
    if (scanner.Char('.') || scanner.Char(settings.DecimalSeparator)) {
      std::size_t digits = 0;
      if (!scanner.Number(3, milliSecond, digits))
        return false;
      for (; digits < 3; ++digits)
        milliSecond *= 10;
    }
  }
  scanner.SkipBlanks();
  const bool am = scanner.Word(settings.TimeAMString) || scanner.Word("AM");
  const bool pm = !am && (scanner.Word(settings.TimePMString) || scanner.Word("PM"));
  if (am || pm) {
    if (hour < 1 || hour > 12)
      return false;
    hour = hour % 12 + (pm ? 12 : 0);
  }
  return TryEncodeTime(hour, minute, second, milliSecond, value);
}

TDateTime Combine(TDateTime date, TDateTime time) {
  return TDateTime(date.Value >= 0 ? date.Value + time.Value : date.Value - time.Value);
}

template <typename Scan>
bool TryRead(std::string_view text, const TFormatSettings& settings, TDateTime& value, Scan scan) {
  TScanner scanner(TrimBlanks(text));
  TDateTime result;
  if (!scan(scanner, settings, result) || !scanner.AtEnd())
    return false;
  value = result;
  return true;
}

bool ScanDateTime(TScanner& scanner, const TFormatSettings& settings, TDateTime& value) {
  TDateTime date, time;
  if (!ScanDate(scanner, settings, date))
    return false;
  if (scanner.AtEnd()) {
    value = date;
    return true;
  }
  if (scanner.SkipBlanks() == 0 || !ScanTime(scanner, settings, time))
    return false;
  value = Combine(date, time);
  return true;
}

[[noreturn]] void RaiseNotValid(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

// ---- Numbers --------------------------------------------------------------------------------

// The decimal digits of |value| rounded half away from zero to `decimals` places, taken from its
// 15 significant digits: the integer digits (no leading zeros, empty for zero) and exactly
// `decimals` fraction digits.
struct TDecimalDigits {
  std::string Integer;
  std::string Fraction;
};

TDecimalDigits RoundedDigits(double value, std::size_t decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  // buffer: d.dddddddddddddde[+-]xx
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p)
    if (IsDigit(*p))
      digits += *p;
  long long pointPos = std::atoll(p + 1) + 1; // digits before the decimal point

  const long long keep = pointPos + static_cast<long long>(decimals);
  if (keep < 0) {
    digits.clear();
  } else if (static_cast<std::size_t>(keep) < digits.size()) {
    const bool roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
      std::size_t i = digits.size();
      while (i > 0 && digits[i - 1] == '9')
        digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        ++pointPos;
      } else {
        ++digits[i - 1];
      }
    }
  }

  TDecimalDigits result;
  for (long long i = 0; i < pointPos; ++i)
    result.Integer +=
        static_cast<std::size_t>(i) < digits.size() ? digits[static_cast<std::size_t>(i)] : '0';
  for (long long i = pointPos; i < pointPos + static_cast<long long>(decimals); ++i)
    result.Fraction += (i >= 0 && static_cast<std::size_t>(i) < digits.size())
                           ? digits[static_cast<std::size_t>(i)]
                           : '0';
  const std::size_t firstNonZero = result.Integer.find_first_not_of('0');
  result.Integer.erase(0, firstNonZero == std::string::npos ? result.Integer.size() : firstNonZero);
  return result;
}

// One section of a number format, split at its decimal point.
struct TNumberSection {
  std::string_view Text;
  std::size_t Point = std::string_view::npos; // position of the "." or npos
  std::size_t IntegerPlaceholders = 0;
  std::size_t MandatoryInteger = 0; // placeholders from the first "0" before the point
  std::size_t FractionPlaceholders = 0;
  std::size_t MandatoryFraction = 0; // placeholders up to the last "0" after the point
  bool Grouping = false;
  bool HasPlaceholders = false;
};

// Calls visit(position, character) for every character outside quotes; quoted runs are passed
// as visitQuoted(position, text).
template <typename Visit, typename VisitQuoted>
void WalkNumberFormat(std::string_view format, Visit visit, VisitQuoted visitQuoted) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      std::size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos)
        close = format.size();
      visitQuoted(i, format.substr(i + 1, close - i - 1));
      i = close;
    } else {
      visit(i, c);
    }
  }
}

TNumberSection AnalyseSection(std::string_view text) {
  TNumberSection section;
  section.Text = text;
  std::size_t firstMandatory = std::string_view::npos;
  WalkNumberFormat(
      text,
      [&](std::size_t i, char c) {
        const bool beforePoint = section.Point == std::string_view::npos;
        if (c == '.' && beforePoint) {
          section.Point = i;
        } else if (c == ',' && beforePoint) {
          section.Grouping = true;
        } else if (c == '0' || c == '#') {
          section.HasPlaceholders = true;
          if (beforePoint) {
            if (c == '0' && firstMandatory == std::string_view::npos)
              firstMandatory = section.IntegerPlaceholders;
            ++section.IntegerPlaceholders;
          } else {
            ++section.FractionPlaceholders;
            if (c == '0')
              section.MandatoryFraction = section.FractionPlaceholders;
          }
        }
      },
      [](std::size_t, std::string_view) {});
  if (firstMandatory != std::string_view::npos)
    section.MandatoryInteger = section.IntegerPlaceholders - firstMandatory;
  return section;
}

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  WalkNumberFormat(
      format,
      [&](std::size_t i, char c) {
        if (c == ';') {
          sections.push_back(format.substr(start, i - start));
          start = i + 1;
        }
      },
      [](std::size_t, std::string_view) {});
  sections.push_back(format.substr(start));
  return sections;
}

std::string WriteSection(const TNumberSection& section, double value, bool withSign,
                         const TFormatSettings& settings) {
  std::string out;
  if (!section.HasPlaceholders) {
    WalkNumberFormat(
        section.Text, [&](std::size_t, char c) { out += c; },
        [&](std::size_t, std::string_view quoted) { out += quoted; });
    return out;
  }

  TDecimalDigits digits = RoundedDigits(value, section.FractionPlaceholders);
  std::string integer = digits.Integer;
  if (integer.size() < section.MandatoryInteger)
    integer.insert(0, section.MandatoryInteger - integer.size(), '0');
  std::string fraction = digits.Fraction;
  while (fraction.size() > section.MandatoryFraction && fraction.back() == '0')
    fraction.pop_back();
  const bool negative = withSign &&
                        (integer.find_first_not_of('0') != std::string::npos ||
                         fraction.find_first_not_of('0') != std::string::npos) &&
                        value < 0;
  if (negative)
    out += '-';

  // Integer placeholder k (from the left) shows the digit at position P-1-k from the right; the
  // first one also shows every digit that has no placeholder of its own.
  const std::size_t placeholders = section.IntegerPlaceholders;
  const std::size_t length = integer.size();
  std::size_t integerIndex = 0;
  std::size_t fractionIndex = 0;
  const auto emitDigit = [&](std::size_t position) {
    out += integer[length - 1 - position];
    if (section.Grouping && position > 0 && position % 3 == 0)
      out += settings.ThousandSeparator;
  };
  WalkNumberFormat(
      section.Text,
      [&](std::size_t i, char c) {
        const bool beforePoint = section.Point == std::string_view::npos || i < section.Point;
        if (i == section.Point) {
          if (!fraction.empty())
            out += settings.DecimalSeparator;
        } else if ((c == '0' || c == '#') && beforePoint) {
          const std::size_t position = placeholders - 1 - integerIndex;
          const std::size_t highest =
              integerIndex == 0 ? std::max(length, placeholders) : position + 1;
          for (std::size_t q = highest; q > position; --q)
            if (q - 1 < length)
              emitDigit(q - 1);
          ++integerIndex;
        } else if (c == '0' || c == '#') {
          if (fractionIndex < fraction.size())
            out += fraction[fractionIndex];
          ++fractionIndex;
        } else if (!(c == ',' && beforePoint)) {
          out += c;
        }
      },
      [&](std::size_t, std::string_view quoted) { out += quoted; });
  return out;
}

} // namespace

const TFormatSettings& FormatSettings() {
  static const TFormatSettings settings;
  return settings;
}

const TFormatSettings& PtBrFormatSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings s;
    s.DateSeparator = '/';
    s.TimeSeparator = ':';
    s.ShortDateFormat = "dd/mm/yyyy";
    s.LongDateFormat = "dddd, d' de 'mmmm' de 'yyyy";
    s.ShortTimeFormat = "hh:nn";
    s.LongTimeFormat = "hh:nn:ss";
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    s.CurrencyString = "R$";
    s.ShortMonthNames = {"jan", "fev", "mar", "abr", "mai", "jun",
                         "jul", "ago", "set", "out", "nov", "dez"};
    s.LongMonthNames = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                        "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};
    s.ShortDayNames = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
    s.LongDayNames = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                      "quinta-feira", "sexta-feira",   "sábado"};
    return s;
  }();
  return settings;
}

const TFormatSettings& DataBaseFormatSettings() {
  static const TFormatSettings settings = [] {
    TFormatSettings s = FormatSettings();
    s.ShortDateFormat = "yyyy-mm-dd";
    s.DateSeparator = '-';
    s.DecimalSeparator = ',';
    s.ThousandSeparator = '.';
    return s;
  }();
  return settings;
}

std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& settings) {
  return TDateTimeWriter(value, settings).Write(format);
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  return TryRead(text, settings, value, ScanDate);
}

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  return TryRead(text, settings, value, ScanTime);
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  return TryRead(text, settings, value, ScanDateTime);
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDate(text, value, settings))
    RaiseNotValid(text, "date");
  return value;
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToTime(text, value, settings))
    RaiseNotValid(text, "time");
  return value;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDateTime(text, value, settings))
    RaiseNotValid(text, "date and time");
  return value;
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  if (value == 0)
    return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text = buffer;
  const std::size_t e = text.find('e');
  std::string exponent;
  if (e != std::string::npos) {
    // "1e+20" -> "1E20", "1e-05" -> "1E-5".
    std::string_view digits = std::string_view(text).substr(e + 1);
    const bool negative = digits.front() == '-';
    digits.remove_prefix(1);
    while (digits.size() > 1 && digits.front() == '0')
      digits.remove_prefix(1);
    exponent = std::string("E") + (negative ? "-" : "") + std::string(digits);
    text.erase(e);
  }
  const std::size_t point = text.find('.');
  if (point != std::string::npos)
    text[point] = settings.DecimalSeparator;
  return text + exponent;
}

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings) {
  text = TrimBlanks(text);
  // Check the shape first: from_chars would accept "inf", "nan" and hexadecimal forms.
  std::string normal;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    normal += text[i++] == '-' ? "-" : "";
  std::size_t mantissaDigits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits)
    normal += text[i];
  if (i < text.size() && text[i] == settings.DecimalSeparator) {
    normal += '.';
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++mantissaDigits)
      normal += text[i];
  }
  if (mantissaDigits == 0)
    return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
      normal += text[i++];
    std::size_t exponentDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits)
      normal += text[i];
    if (exponentDigits == 0)
      return false;
  }
  if (i != text.size())
    return false;
  double result = 0;
  const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), result);
  if (error != std::errc() || end != normal.data() + normal.size())
    return false;
  value = result;
  return true;
}

double StrToFloat(std::string_view text, const TFormatSettings& settings) {
  double value = 0;
  if (!TryStrToFloat(text, value, settings))
    RaiseNotValid(text, "floating point value");
  return value;
}

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  const std::vector<std::string_view> sections = SplitSections(format);
  const auto usable = [&](std::size_t n) { return n < sections.size() && !sections[n].empty(); };
  if (value < 0 && usable(1))
    return WriteSection(AnalyseSection(sections[1]), value, false, settings);
  if (value == 0 && usable(2))
    return WriteSection(AnalyseSection(sections[2]), value, false, settings);
  return WriteSection(AnalyseSection(sections[0]), value, true, settings);
}
