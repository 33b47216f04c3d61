#include "render/Facet.Types.h"

#include "bridge/Duo.Util.h"
#include "runtime/StrUtils.h"

#include <vector>

namespace {

struct TClassValue {
  size_t Start = std::string_view::npos; // first character of the value
  size_t End = std::string_view::npos;   // the closing quote
};

// The value of the first class attribute (name compared without case) of an attribute text.
TClassValue FindClassValue(std::string_view HTML) {
  constexpr std::string_view name = "class=\"";
  for (size_t pos = 0; pos + name.size() <= HTML.size(); ++pos) {
    if (pos > 0 && HTML[pos - 1] != ' ' && HTML[pos - 1] != '\t')
      continue;
    if (!SameText(HTML.substr(pos, name.size()), name))
      continue;
    const size_t start = pos + name.size();
    const size_t end = HTML.find('"', start);
    if (end == std::string_view::npos)
      return {};
    return {start, end};
  }
  return {};
}

std::vector<std::string_view> Words(std::string_view Text) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  while (pos < Text.size()) {
    const size_t start = Text.find_first_not_of(' ', pos);
    if (start == std::string_view::npos)
      break;
    const size_t end = std::min(Text.find(' ', start), Text.size());
    words.push_back(Text.substr(start, end - start));
    pos = end;
  }
  return words;
}

} // namespace

std::string EventJSName(TFacetEventType EventType) {
  switch (EventType) {
  case EventOnClick:
    return "click";
  case EventOnSelect:
  case EventOnChange:
    return "input";
  case EventOnKeyDown:
    return "keydown";
  case EventOnKeyUp:
    return "keyup";
  case EventOnKeyPress:
    return "keypress";
  default:
    return "";
  }
}

std::string InputHTMLTypeByFacetFieldType(TFacetFieldType FieldType) {
  switch (FieldType) {
  case FacetFieldTypeNumber:
    return "type=\"number\"";
  case FacetFieldTypeInteger:
    return "type=\"number\" step=\"1\"";
  case FacetFieldTypeDate:
    return "type=\"date\"";
  case FacetFieldTypeDateTime:
    return "type=\"datetime\"";
  case FacetFieldTypeTime:
    return "type=\"time\"";
  case FacetFieldTypePassword:
    return "type=\"password\"";
  default:
    return "";
  }
}

std::string HTMLAddItemFromClass(std::string_view HTML, std::string_view Item) {
  const TClassValue value = FindClassValue(HTML);
  std::string result(HTML);
  if (value.Start == std::string_view::npos) {
    result += " class=\"" + std::string(Item) + "\"";
    return result;
  }
  for (std::string_view word : Words(HTML.substr(value.Start, value.End - value.Start)))
    if (word == Item)
      return result;
  result.insert(value.Start, std::string(Item) + " ");
  return result;
}

std::string HTMLRemoveItemFromClass(std::string_view HTML, std::string_view Item) {
  const TClassValue value = FindClassValue(HTML);
  if (value.Start == std::string_view::npos || Item.empty())
    return std::string(HTML);
  std::string kept;
  for (std::string_view word : Words(HTML.substr(value.Start, value.End - value.Start)))
    if (word != Item)
      kept += std::string(word) + " ";
  if (!kept.empty())
    kept.pop_back();
  return std::string(HTML.substr(0, value.Start)) + kept + std::string(HTML.substr(value.End));
}

std::string FormatValueHTML(std::string_view Value) {
  return QuotedJSString(Value);
}

std::string HTMLEncodeData(std::string_view Value) {
  return StringReplaceAll(HTMLEncode(Value), "{", "&#123;");
}
