#include "server/Facet.Server.Message.h"

#include "runtime/Json.h"
#include "runtime/StrUtils.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace {

// A member's value as the dispatcher reads it: strings as they are, Booleans and numbers as
// written in JSON; nothing else carries a value it uses.
std::string ValueText(const TJSON& value) {
  if (value.is_string())
    return value.get_ref<const std::string&>();
  if (value.is_boolean() || value.is_number())
    return value.dump();
  return {};
}

std::string MemberText(const TJSON& object, const char* name) {
  const auto found = object.find(name);
  return found == object.end() ? std::string() : ValueText(*found);
}

TWebSocketMessageType MessageTypeOf(std::string_view type) {
  if (SameText(type, "CallBack"))
    return TWebSocketMessageType::wsMsgCallBack;
  if (SameText(type, "Procedure"))
    return TWebSocketMessageType::wsMsgProcedure;
  if (SameText(type, "Function"))
    return TWebSocketMessageType::wsMsgFunction;
  if (SameText(type, "Text"))
    return TWebSocketMessageType::wsMsgText;
  return TWebSocketMessageType::wsNone;
}

// The parsed objects keep their members sorted by name, which costs little however many members
// a hostile text holds (objects that keep the written order search them one by one: quadratic
// time).  What needs the written order, the first member of each element of the message's
// "parameters" array, is noted while the text is parsed: one name per element, none for an
// element that is not an object with a member.
class TParameterNames {
public:
  bool operator()(int depth, TJSON::parse_event_t event, TJSON& parsed) {
    using E = TJSON::parse_event_t;
    // Depth 1: the members of the message; depth 2: the elements of "parameters"; depth 3: the
    // members of an element.
    if (event == E::key && depth == 1) {
      // A repeated "parameters" member replaces the earlier one, and so do its names.
      FInParameters = parsed == "parameters";
      if (FInParameters)
        FNames.clear();
    } else if (FInParameters && depth == 2 &&
               (event == E::object_start || event == E::array_start || event == E::value)) {
      FNames.emplace_back();
      FAwaitingFirst = event == E::object_start;
    } else if (FInParameters && depth == 3 && event == E::key && FAwaitingFirst) {
      FNames.back() = parsed.get<std::string>();
      FAwaitingFirst = false;
    }
    return true;
  }
  const std::vector<std::optional<std::string>>& Names() const { return FNames; }

private:
  bool FInParameters = false;
  bool FAwaitingFirst = false;
  std::vector<std::optional<std::string>> FNames;
};

bool IsQuote(char c) {
  return c == '\'' || c == '"';
}

// The parameter text without the quote characters the page may put in front of it.
std::string_view WithoutLeadingQuotes(std::string_view text) {
  if (text.empty() || !IsQuote(text[0]))
    return text;
  return text.substr(text.size() >= 2 && IsQuote(text[1]) ? 2 : 1);
}

// When `text` holds a JSON array starting at `start`, the position just after its closing
// bracket; npos when there is no array there or it never closes.  Brackets and braces inside
// JSON strings do not count.
std::size_t JSONArrayEnd(std::string_view text, std::size_t start) {
  if (start >= text.size() || text[start] != '[')
    return std::string_view::npos;
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
      continue;
    }
    if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      ++depth;
    } else if (c == ']' || c == '}') {
      if (--depth == 0)
        return i + 1;
    }
  }
  return std::string_view::npos;
}

// A name or parameter name for the log: control characters shown as "?" so that the entry stays
// on one line, and cut at a character boundary when long.
std::string LogSafe(std::string_view text) {
  constexpr std::size_t MaxLength = 64;
  std::string result;
  std::size_t length = text.size();
  if (length > MaxLength) {
    length = MaxLength;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;
  }
  for (const char c : text.substr(0, length))
    result += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  if (length < text.size())
    result += "...";
  return result;
}

const char* TypeName(TWebSocketMessageType type) {
  switch (type) {
  case TWebSocketMessageType::wsMsgCallBack:
    return "CallBack";
  case TWebSocketMessageType::wsMsgFunction:
    return "Function";
  case TWebSocketMessageType::wsMsgProcedure:
    return "Procedure";
  case TWebSocketMessageType::wsMsgText:
    return "Text";
  case TWebSocketMessageType::wsNone:
    break;
  }
  return "none";
}

} // namespace

std::string TFacetWebSocketMessage::Parameter(std::string_view name) const {
  for (const auto& [key, value] : Parameters)
    if (key == name)
      return value;
  return {};
}

bool TFacetWebSocketMessage::HasParameter(std::string_view name) const {
  return std::any_of(Parameters.begin(), Parameters.end(),
                     [name](const auto& parameter) { return parameter.first == name; });
}

bool IsJSONValid(const std::string& text) {
  return !Trim(text).empty() && TJSON::accept(text);
}

TFacetWebSocketMessage ParseWebSocketMessage(const std::string& text) {
  TFacetWebSocketMessage message;
  message.RawMessage = text;
  if (Trim(text).empty())
    return message;
  TParameterNames names;
  const TJSON json =
      TJSON::parse(text, std::ref(names), /*allow_exceptions=*/false, /*ignore_comments=*/false);
  if (!json.is_object())
    return message;
  message.IsFormatted = true;
  message.MessageType = MessageTypeOf(MemberText(json, "type"));
  message.Name = MemberText(json, "name");
  message.Wait = SameText(MemberText(json, "wait"), "true");
  const auto parameters = json.find("parameters");
  if (parameters == json.end() || !parameters->is_array())
    return message;
  for (std::size_t i = 0; i < parameters->size() && i < names.Names().size(); ++i) {
    const TJSON& element = (*parameters)[i];
    const std::optional<std::string>& name = names.Names()[i];
    if (!element.is_object() || !name)
      continue;
    if (const auto value = element.find(*name); value != element.end())
      message.Parameters.emplace_back(*name, ValueText(*value));
  }
  return message;
}

TStringList ProcessParameters(const std::string& text) {
  TStringList result;
  const std::string_view pairs = WithoutLeadingQuotes(text);
  // Only the first control-state array is looked for (the one a lookup by name finds), so that
  // a text of many unclosed arrays is still read in one pass.
  bool statusSeen = false;
  std::size_t pos = 0;
  while (pos < pairs.size()) {
    std::size_t end = std::min(pairs.find('&', pos), pairs.size());
    const std::string_view piece = pairs.substr(pos, end - pos);
    if (const std::size_t equals = piece.find('='); equals != std::string_view::npos) {
      const std::string_view name = piece.substr(0, equals);
      if (SameText(name, "key")) {
        end = pairs.size();
      } else if (!statusSeen && SameText(name, "FacetComponentsStatus")) {
        statusSeen = true;
        if (const std::size_t close = JSONArrayEnd(pairs, pos + equals + 1);
            close != std::string_view::npos)
          end = std::min(pairs.find('&', close), pairs.size());
      }
    }
    if (end > pos)
      result.Add(std::string(pairs.substr(pos, end - pos)));
    pos = end + 1;
  }
  return result;
}

std::string RedactMessageForLog(const TFacetWebSocketMessage& message) {
  if (!message.IsFormatted)
    return "WebSocket message: not a JSON object, " + std::to_string(message.RawMessage.size()) +
           " bytes";
  std::string line = "WebSocket message: type " + std::string(TypeName(message.MessageType)) +
                     ", name \"" + LogSafe(message.Name) + "\", parameters [";
  for (std::size_t i = 0; i < message.Parameters.size(); ++i)
    line += (i > 0 ? ", " : "") + LogSafe(message.Parameters[i].first);
  return line + "]";
}
