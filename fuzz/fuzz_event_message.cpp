// Parses arbitrary text as a received WebSocket message, splits every parameter value as event
// parameter text, and writes the log line.  The parameters must be those that objects keeping
// their members in written order give (too slow for the server on large objects, fine for the
// small inputs of fuzzing): each element's first member as written, its value as text.

#include "server/Facet.Server.Message.h"

#include "runtime/Json.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, std::string>> WrittenOrderParameters(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> result;
  const TOrderedJSON json = TOrderedJSON::parse(text, nullptr, false);
  const auto parameters = json.is_object() ? json.find("parameters") : json.end();
  if (parameters == json.end() || !parameters->is_array())
    return result;
  for (const TOrderedJSON& element : *parameters) {
    if (!element.is_object() || element.empty())
      continue;
    const TOrderedJSON& value = element.begin().value();
    result.emplace_back(element.begin().key(), value.is_string() ? value.get<std::string>()
                                               : value.is_boolean() || value.is_number()
                                                   ? value.dump()
                                                   : "");
  }
  return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const TFacetWebSocketMessage message = ParseWebSocketMessage(text);
  if (message.RawMessage != text || (message.IsFormatted && !IsJSONValid(text)))
    std::abort();
  if (message.IsFormatted && message.Parameters != WrittenOrderParameters(text))
    std::abort();
  for (const auto& [name, value] : message.Parameters) {
    const TStringList pairs = ProcessParameters(value);
    pairs.GetValue("FacetComponentsStatus");
    pairs.GetValue("key");
  }
  // The text itself is also tried as parameter text, which reaches more of the splitting.
  ProcessParameters(text);
  if (RedactMessageForLog(message).find_first_of("\r\n") != std::string::npos)
    std::abort();
  return 0;
}
