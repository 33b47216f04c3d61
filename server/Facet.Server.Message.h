#pragma once

// The messages a page sends over its WebSocket: the JSON envelope with "type", "name", "wait" and
// "parameters", and the event parameter text that travels inside one of its parameters as
// name=value pairs joined by "&".  Pure functions over text; none of them throws on any input.

#include "runtime/Strings.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class TWebSocketMessageType {
  wsNone,
  wsMsgCallBack,
  wsMsgFunction,
  wsMsgProcedure,
  wsMsgText
};

struct TFacetWebSocketMessage {
  // The text was a JSON object and its members were read.
  bool IsFormatted = false;
  std::string RawMessage;
  TWebSocketMessageType MessageType = TWebSocketMessageType::wsNone;
  std::string Name;
  // In the order the page sent them.
  std::vector<std::pair<std::string, std::string>> Parameters;
  bool Wait = false;

  // The value of the first parameter named exactly `name`; empty when there is none.
  std::string Parameter(std::string_view name) const;
  bool HasParameter(std::string_view name) const;
};

// False for an empty or blank text; otherwise whether the text is one JSON value.
bool IsJSONValid(const std::string& text);

// Reads a received text.  A JSON object gives the message type from "type" ("CallBack",
// "Function", "Procedure" or "Text", without case; anything else wsNone), the name from "name",
// Wait when "wait" reads "true" without case, and one parameter per element of the array
// "parameters": the element's first member, its value as text (a string as it is, a Boolean as
// "true" or "false", a number as written in JSON, anything else empty).  Elements that are not
// objects with a member are skipped.  Any other text, JSON values that are not objects included,
// sets RawMessage only.
TFacetWebSocketMessage ParseWebSocketMessage(const std::string& text);

// The event parameter text as a name=value list (names compared without case).  One leading
// quote (' or ") followed by a character that is not a quote is dropped, as are two leading
// quotes; the pairs are separated by "&", and an empty piece gives no pair.  Two values may hold
// "&" themselves: the first "FacetComponentsStatus", whose value runs from its "=" to the end of
// the JSON array it begins with (brackets and braces counted outside JSON strings, whose escapes
// are honoured) and on to the next "&"; and "key", always the last pair, whose value is the rest
// of the text.  A "FacetComponentsStatus" array that never closes is split like any other value.
// The text is read in one pass, whatever it holds.
TStringList ProcessParameters(const std::string& text);

// One line for the log about a received message: its type, its name and the names of its
// parameters, never their values (control states carry what users type, passwords included).
std::string RedactMessageForLog(const TFacetWebSocketMessage& message);
