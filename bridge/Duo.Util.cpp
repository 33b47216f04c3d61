#include "bridge/Duo.Util.h"

#include "runtime/StrUtils.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

#include <cstdint>

namespace {

constexpr int DefaultPixelsPerInch = 96;

// value * numerator / denominator for a positive denominator, rounded to the nearest with halves
// away from zero (division truncates towards zero).
int MulDiv(int value, int numerator, int denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

} // namespace

std::string TrataHTMLTag(std::string_view Text) {
  return StringReplaceAll(Trim(Text), "=\"\"", "");
}

bool GetEnabledRecursive(const TControl* Control) {
  bool result = Control->GetEnabled();
  for (const TControl* c = Control;
       result && c->GetParent() != nullptr && !c->GetParent()->Is<TForm>();) {
    c = c->GetParent();
    result = c->GetEnabled();
  }
  return result;
}

bool GetVisibleRecursive(const TControl* Control) {
  bool result = Control->GetVisible();
  for (const TControl* c = Control;
       result && c->GetParent() != nullptr && !c->GetParent()->Is<TCustomForm>();) {
    c = c->GetParent();
    result =
        c->Is<TTabSheet>() ? static_cast<const TTabSheet*>(c)->GetTabVisible() : c->GetVisible();
  }
  return result;
}

int WidthPPI(int Value) {
  const int current = Screen().GetPixelsPerInch();
  if (current <= 0 || current == DefaultPixelsPerInch)
    return Value;
  return MulDiv(Value, DefaultPixelsPerInch, current);
}

std::string HTMLEncode(std::string_view Text) {
  std::string result;
  result.reserve(Text.size());
  for (const char c : Text) {
    switch (c) {
    case '&':
      result += "&amp;";
      break;
    case '<':
      result += "&lt;";
      break;
    case '>':
      result += "&gt;";
      break;
    case '"':
      result += "&quot;";
      break;
    case '\'':
      result += "&#39;";
      break;
    default:
      result += c;
    }
  }
  return result;
}

namespace {

std::string JSStringLiteral(std::string_view Text, char Quote) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string result(1, Quote);
  result.reserve(Text.size() + 2);
  for (size_t i = 0; i < Text.size(); ++i) {
    const auto c = static_cast<unsigned char>(Text[i]);
    // U+2028 and U+2029 end a line in a script even inside a string literal.
    if (c == 0xE2 && i + 2 < Text.size() && static_cast<unsigned char>(Text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(Text[i + 2]) == 0xA8 ||
         static_cast<unsigned char>(Text[i + 2]) == 0xA9)) {
      result += static_cast<unsigned char>(Text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
      continue;
    }
    switch (c) {
    case '\\':
      result += "\\\\";
      break;
    case '\n':
      result += "\\n";
      break;
    case '\r':
      result += "\\r";
      break;
    case '\t':
      result += "\\t";
      break;
    case '"':
    case '\'':
      if (c == static_cast<unsigned char>(Quote))
        result += '\\';
      result += static_cast<char>(c);
      break;
    case '<':
    case '>':
    case '&':
    case '`':
      result += "\\u00";
      result += hex[c >> 4];
      result += hex[c & 0xF];
      break;
    default:
      if (c < 0x20) {
        result += "\\u00";
        result += hex[c >> 4];
        result += hex[c & 0xF];
      } else {
        result += static_cast<char>(c);
      }
    }
  }
  result += Quote;
  return result;
}

} // namespace

std::string QuotedJSString(std::string_view Text) {
  return JSStringLiteral(Text, '"');
}

std::string SingleQuotedJSString(std::string_view Text) {
  return JSStringLiteral(Text, '\'');
}
