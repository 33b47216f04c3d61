// The messages pages send: the JSON envelope, the event parameter text split into name=value
// pairs (values that hold "&" included), and the log line written for each message.

#include "server/Facet.Server.Message.h"

#include "runtime/Json.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using TParameters = std::vector<std::pair<std::string, std::string>>;

// An event message as the page script sends it.
const std::string ExecEventMessage =
    R"({"type":"procedure","name":"ExecEvent","wait":false,"parameters":[)"
    R"({"UUID":"SESSIONUUID1"},{"Token":"TOKEN0000000000000000001"},{"FormUUID":"PAGEUUID000001"},)"
    R"({"ID":"EDTLOGIN"},{"EventID":"Ev01"},)"
    R"({"Parameters":"FacetComponentsStatus=[{\"id\":\"EDTSENHA\",\"text\":\"segredo&1\"}]"},)"
    R"({"LockClient":true}]})";

TEST(WebSocketMessage, EnvelopeOfAnEvent) {
  const TFacetWebSocketMessage message = ParseWebSocketMessage(ExecEventMessage);
  EXPECT_TRUE(message.IsFormatted);
  EXPECT_EQ(message.RawMessage, ExecEventMessage);
  EXPECT_EQ(message.MessageType, TWebSocketMessageType::wsMsgProcedure);
  EXPECT_EQ(message.Name, "ExecEvent");
  EXPECT_FALSE(message.Wait);
  EXPECT_EQ(message.Parameters,
            (TParameters{
                {"UUID", "SESSIONUUID1"},
                {"Token", "TOKEN0000000000000000001"},
                {"FormUUID", "PAGEUUID000001"},
                {"ID", "EDTLOGIN"},
                {"EventID", "Ev01"},
                {"Parameters", R"(FacetComponentsStatus=[{"id":"EDTSENHA","text":"segredo&1"}])"},
                {"LockClient", "true"}}));
  EXPECT_EQ(message.Parameter("EventID"), "Ev01");
  EXPECT_TRUE(message.HasParameter("LockClient"));
  // Parameter names are taken exactly.
  EXPECT_EQ(message.Parameter("eventid"), "");
  EXPECT_FALSE(message.HasParameter("lockclient"));
  EXPECT_FALSE(message.HasParameter("CallBackID"));
}

TEST(WebSocketMessage, EnvelopeFields) {
  struct Row {
    std::string text;
    TWebSocketMessageType type;
    std::string name;
    bool wait;
    TParameters parameters;
  };
  using T = TWebSocketMessageType;
  const std::vector<Row> rows = {
      {R"({"type":"PROCEDURE","name":"execevent"})", T::wsMsgProcedure, "execevent", false, {}},
      {R"({"type":"Function","name":"GetFromEvent","wait":true})",
       T::wsMsgFunction,
       "GetFromEvent",
       true,
       {}},
      {R"({"type":"callback","wait":"TRUE"})", T::wsMsgCallBack, "", true, {}},
      {R"({"type":"text","wait":"yes"})", T::wsMsgText, "", false, {}},
      {R"({"type":"proc","wait":1})", T::wsNone, "", false, {}},
      {R"({"type":true,"name":7})", T::wsNone, "7", false, {}},
      {R"({"Type":"procedure","NAME":"ExecEvent"})", T::wsNone, "", false, {}},
      {R"({"name":"CallBack","parameters":{"UUID":"x"}})", T::wsNone, "CallBack", false, {}},
      {R"({"parameters":[{"LockClient":false},{"N":12},{"F":1.5},{"Z":null},{"O":{"a":1}},)"
       R"({"A":[1]},{"S":""}]})",
       T::wsNone,
       "",
       false,
       {{"LockClient", "false"},
        {"N", "12"},
        {"F", "1.5"},
        {"Z", ""},
        {"O", ""},
        {"A", ""},
        {"S", ""}}},
      // Elements that are not objects with a member are skipped; an object gives its first
      // member as written; a repeated name is kept in its place.
      {R"({"parameters":["UUID",[{"x":"1"}],{},null,{"b":"1","a":"2"},{"b":"3"}]})",
       T::wsNone,
       "",
       false,
       {{"b", "1"}, {"b", "3"}}},
      {R"({"parameters":[{"Parameters":"a=\u00e7\n\"q\""},{"":"no name"}]})",
       T::wsNone,
       "",
       false,
       {{"Parameters", "a=\xC3\xA7\n\"q\""}, {"", "no name"}}},
      // A repeated member counts as written last.
      {R"({"parameters":[{"b":"1","a":"0","b":"3"}],"name":"x","parameters":[{"c":"2"}],"name":"y"})",
       T::wsNone,
       "y",
       false,
       {{"c", "2"}}},
      {R"({"parameters":[{"b":"1","a":"0","b":"3"}]})", T::wsNone, "", false, {{"b", "3"}}},
  };
  for (const Row& row : rows) {
    const TFacetWebSocketMessage message = ParseWebSocketMessage(row.text);
    EXPECT_TRUE(message.IsFormatted) << row.text;
    EXPECT_EQ(message.MessageType, row.type) << row.text;
    EXPECT_EQ(message.Name, row.name) << row.text;
    EXPECT_EQ(message.Wait, row.wait) << row.text;
    EXPECT_EQ(message.Parameters, row.parameters) << row.text;
  }
  EXPECT_EQ(ParseWebSocketMessage(R"({"parameters":[{"b":"1"},{"b":"3"}]})").Parameter("b"), "1");
}

TEST(WebSocketMessage, AnObjectWithManyMembersIsReadInTimeThatGrowsGently) {
  // About a megabyte, the largest message a connection takes, as one object of 100,000 members.
  // Searching the members one by one as each is added takes over ten seconds in an optimised
  // build and far longer in a checked one; sorted members take a second or two at most.
  std::string text = R"({"type":"procedure","junk":{)";
  for (int i = 0; i < 100000; ++i)
    text += (i > 0 ? ",\"" : "\"") + std::to_string(i) + "\":0";
  text += R"(},"parameters":[{"UUID":"x"},{"first":1,"a":2}]})";
  const auto start = std::chrono::steady_clock::now();
  const TFacetWebSocketMessage message = ParseWebSocketMessage(text);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(message.Parameters, (TParameters{{"UUID", "x"}, {"first", "1"}}));
}

TEST(WebSocketMessage, TextThatIsNotAJSONObjectKeepsOnlyItsRawText) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string deepParameter = R"({"parameters":[{"P":)" + std::string(100000, '{') + "}]}";
  for (const std::string& text :
       {std::string(""), std::string(" \r\n"), std::string("hello"), std::string("{\"type\":"),
        std::string("{\"type\":\"procedure\"} x"), std::string("[{\"type\":\"procedure\"}]"),
        std::string("\"procedure\""), std::string("42"), std::string("null"),
        std::string("{\"name\":\"\xFF\"}"), deep, deepParameter}) {
    const TFacetWebSocketMessage message = ParseWebSocketMessage(text);
    EXPECT_FALSE(message.IsFormatted) << text.substr(0, 40);
    EXPECT_EQ(message.RawMessage, text) << text.substr(0, 40);
    EXPECT_EQ(message.MessageType, TWebSocketMessageType::wsNone) << text.substr(0, 40);
    EXPECT_TRUE(message.Name.empty()) << text.substr(0, 40);
    EXPECT_TRUE(message.Parameters.empty()) << text.substr(0, 40);
  }
  // Nesting that is valid JSON inside an object is read, and the deep value gives no text.
  const std::string nested = R"({"parameters":[{"P":)" + deep + "}]}";
  EXPECT_EQ(ParseWebSocketMessage(nested).Parameters, (TParameters{{"P", ""}}));
}

TEST(WebSocketMessage, JSONValidity) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {"", false},    {"  \t\r\n", false}, {"{}", true},   {" [1, 2] ", true},
      {"1", true},    {"\"x\"", true},     {"null", true}, {"{", false},
      {"nul", false}, {"{} {}", false},    {"'x'", false}, {"{\"a\":1,}", false}};
  for (const auto& [text, valid] : rows)
    EXPECT_EQ(IsJSONValid(text), valid) << text;
}

TEST(EventParameters, SplitIntoNameValuePairs) {
  struct Row {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Row> rows = {
      {"", {}},
      {"rowid=2&col=1&rowsids=2,3&selecttype=select",
       {"rowid=2", "col=1", "rowsids=2,3", "selecttype=select"}},
      {"a=1&&b=2&", {"a=1", "b=2"}},
      {"abc&d=1&=x", {"abc", "d=1", "=x"}},
      {"x='1'&y=\"2\"", {"x='1'", "y=\"2\""}},
      // Leading quotes: one before a non-quote, or two, are dropped; nothing else is.
      {"'rowid=2", {"rowid=2"}},
      {"\"rowid=2", {"rowid=2"}},
      {"''rowid=2", {"rowid=2"}},
      {"\"'rowid=2", {"rowid=2"}},
      {"'''rowid=2", {"'rowid=2"}},
      {"'", {}},
      {"''", {}},
      {" 'rowid=2", {" 'rowid=2"}},
      // Control states keep every character of their JSON strings.
      {R"(FacetComponentsStatus=[{"id":"EDTRUA","text":"Rua A & B"}]&key=Enter)",
       {R"(FacetComponentsStatus=[{"id":"EDTRUA","text":"Rua A & B"}])", "key=Enter"}},
      {R"(FacetComponentsStatus=[{"id":"E","text":"a=b \" & ] } \\"},{"id":"C","checked":true}]&FocusedID=E)",
       {R"(FacetComponentsStatus=[{"id":"E","text":"a=b \" & ] } \\"},{"id":"C","checked":true}])",
        "FocusedID=E"}},
      {R"(FacetComponentsStatus=[{"id":"G","rows":[[1,{"a":"&]"}]],"t":"\\\"&"}]&x=1)",
       {R"(FacetComponentsStatus=[{"id":"G","rows":[[1,{"a":"&]"}]],"t":"\\\"&"}])", "x=1"}},
      {R"(popupname=MYPOPUP&FacetComponentsStatus=[{"id":"M","text":"&amp;"}])",
       {"popupname=MYPOPUP", R"(FacetComponentsStatus=[{"id":"M","text":"&amp;"}])"}},
      {R"(facetcomponentsstatus=[{"text":"&"}])", {R"(facetcomponentsstatus=[{"text":"&"}])"}},
      {R"('FacetComponentsStatus=[{"text":"'&'"}]&key=a)",
       {R"(FacetComponentsStatus=[{"text":"'&'"}])", "key=a"}},
      // Text after the array belongs to the value up to the next "&".
      {"FacetComponentsStatus=[1]x&y=1", {"FacetComponentsStatus=[1]x", "y=1"}},
      // A value that is not an array, or an array that never closes, is split as usual.
      {"FacetComponentsStatus=x&y=1", {"FacetComponentsStatus=x", "y=1"}},
      {R"(FacetComponentsStatus=[{"id":"E","text":"a&b)",
       {R"(FacetComponentsStatus=[{"id":"E","text":"a)", "b"}},
      {R"(FacetComponentsStatus=[{"id":"E","text":"a\)",
       {R"(FacetComponentsStatus=[{"id":"E","text":"a\)"}},
      // Only the first control-state array is looked for.
      {R"(FacetComponentsStatus=[1]&FacetComponentsStatus=[{"t":"&"}])",
       {"FacetComponentsStatus=[1]", R"(FacetComponentsStatus=[{"t":")", R"("}])"}},
      {R"(FacetComponentsStatus=["&FacetComponentsStatus=[]&x=1)",
       {R"(FacetComponentsStatus=[")", "FacetComponentsStatus=[]", "x=1"}},
      // The key is always last and keeps the rest of the text.
      {"FacetComponentsStatus=[]&key=&", {"FacetComponentsStatus=[]", "key=&"}},
      {"key==", {"key=="}},
      {"KEY=a&b=c", {"KEY=a&b=c"}},
      {"monkey=a&b=c", {"monkey=a", "b=c"}},
  };
  for (const Row& row : rows)
    EXPECT_THAT(ProcessParameters(row.text).ToVector(), ElementsAreArray(row.lines)) << row.text;
}

TEST(EventParameters, ControlStatesWithAnAmpersandReachTheControls) {
  const TStringList parameters = ProcessParameters(
      R"(FacetComponentsStatus=[{"id":"EDTRUA","text":"Rua A & B"},{"id":"EDTNUM","text":"1&2=3"}]&key=&)");
  // Names are looked up without case, as the controls do.
  const TJSON states = TJSON::parse(parameters.GetValue("facetcomponentsstatus"));
  ASSERT_EQ(states.size(), 2u);
  EXPECT_EQ(states[0]["text"], "Rua A & B");
  EXPECT_EQ(states[1]["text"], "1&2=3");
  EXPECT_EQ(parameters.GetValue("Key"), "&");
}

TEST(EventParameters, LargeTextsAreSplitInOnePass) {
  // About a megabyte each: many pieces without "=", and many control-state arrays that never
  // close.  Searching the rest of the text again for every piece took minutes.
  std::string pieces;
  std::string arrays;
  while (pieces.size() < 1000000)
    pieces += "a&";
  while (arrays.size() < 1000000)
    arrays += R"(FacetComponentsStatus=["&)";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ProcessParameters(pieces).Count(), 500000);
  EXPECT_EQ(ProcessParameters(arrays).Count(), 40000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(MessageLog, NamesTheMessageAndItsParametersButNoValues) {
  const std::string line = RedactMessageForLog(ParseWebSocketMessage(ExecEventMessage));
  EXPECT_EQ(line, "WebSocket message: type Procedure, name \"ExecEvent\", parameters [UUID, "
                  "Token, FormUUID, ID, EventID, Parameters, LockClient]");
  for (const char* secret : {"segredo", "TOKEN0000", "SESSIONUUID1", "EDTSENHA"})
    EXPECT_THAT(line, Not(HasSubstr(secret)));

  // Text that is not a message is not written at all.
  EXPECT_EQ(RedactMessageForLog(ParseWebSocketMessage("password=segredo")),
            "WebSocket message: not a JSON object, 16 bytes");

  // Names a page made up stay on one line and short.
  const std::string odd =
      RedactMessageForLog(ParseWebSocketMessage(R"({"type":"x","name":"a\r\nb","parameters":[{")" +
                                                std::string(100, 'n') + "\u00e7" + R"(":"v"}]})"));
  EXPECT_EQ(odd.find_first_of("\r\n"), std::string::npos);
  EXPECT_THAT(odd,
              HasSubstr("type none, name \"a??b\", parameters [" + std::string(64, 'n') + "...]"));
}

} // namespace
