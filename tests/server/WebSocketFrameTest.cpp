// The WebSocket wire format: the handshake's accept key, the frames the server writes, and the
// reading of what browsers send, including the frames the server refuses and oversized ones.

#include "server/Facet.WebSocket.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string text;
  for (int b : bytes)
    text += static_cast<char>(b);
  return text;
}

// A payload whose bytes differ from one another, so that a wrong mask offset shows.
std::string Payload(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    text[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return text;
}

// A frame as a browser sends it: `first` byte, masked with `mask`, shortest length form.
std::string ClientFrame(int first, const std::string& payload,
                        std::array<std::uint8_t, 4> mask = {0x37, 0xFA, 0x21, 0x3D}) {
  std::string frame = Bytes({first});
  const std::uint64_t length = payload.size();
  if (length <= 125) {
    frame += static_cast<char>(0x80 | length);
  } else if (length <= 0xFFFF) {
    frame += Bytes({0xFE, static_cast<int>(length >> 8), static_cast<int>(length & 0xFF)});
  } else {
    frame += static_cast<char>(0xFF);
    for (int shift = 56; shift >= 0; shift -= 8)
      frame += static_cast<char>((length >> shift) & 0xFF);
  }
  for (std::uint8_t m : mask)
    frame += static_cast<char>(m);
  for (std::size_t i = 0; i < payload.size(); ++i)
    frame += static_cast<char>(static_cast<std::uint8_t>(payload[i]) ^ mask[i % 4]);
  return frame;
}

std::vector<TWebSocketEvent> Drain(TWebSocketFrameReader& reader) {
  std::vector<TWebSocketEvent> events;
  while (std::optional<TWebSocketEvent> event = reader.Next())
    events.push_back(std::move(*event));
  return events;
}

std::vector<TWebSocketEvent>
ReadAll(const std::string& bytes, std::size_t max = TWebSocketFrameReader::DefaultMaxMessageSize) {
  TWebSocketFrameReader reader(max);
  reader.Feed(bytes);
  return Drain(reader);
}

TEST(WebSocketHandshake, AcceptKeyIsTheDigestOfTheTrimmedKeyAndTheFixedText) {
  EXPECT_EQ(WebSocketAcceptKey("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
  EXPECT_EQ(WebSocketAcceptKey(" \tdGhlIHNhbXBsZSBub25jZQ== "), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(WebSocketFrameWriting, TextFramesUseTheShortestLengthForm) {
  struct Row {
    std::size_t size;
    std::string header;
  };
  const std::vector<Row> rows = {
      {0, Bytes({0x81, 0x00})},
      {125, Bytes({0x81, 0x7D})},
      {126, Bytes({0x81, 0x7E, 0x00, 0x7E})},
      {65535, Bytes({0x81, 0x7E, 0xFF, 0xFF})},
      {65536, Bytes({0x81, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00})},
  };
  for (const Row& row : rows) {
    const std::string payload = Payload(row.size);
    const std::string frame = EncodeTextFrame(payload);
    ASSERT_EQ(frame.size(), row.header.size() + row.size) << row.size;
    EXPECT_EQ(frame.substr(0, row.header.size()), row.header) << row.size;
    EXPECT_EQ(frame.substr(row.header.size()), payload) << row.size;
  }
}

TEST(WebSocketFrameWriting, CloseAndPongFrames) {
  EXPECT_EQ(EncodeCloseFrame(1000), Bytes({0x88, 0x02, 0x03, 0xE8}));
  EXPECT_EQ(EncodeCloseFrame(1009), Bytes({0x88, 0x02, 0x03, 0xF1}));
  EXPECT_EQ(EncodePongFrame("abc"), Bytes({0x8A, 0x03, 'a', 'b', 'c'}));
  EXPECT_EQ(EncodePongFrame(""), Bytes({0x8A, 0x00}));
  // A control frame never carries more than 125 bytes.
  const std::string pong = EncodePongFrame(Payload(200));
  EXPECT_EQ(pong, Bytes({0x8A, 0x7D}) + Payload(125));
}

TEST(WebSocketFrameReading, UnmasksTheExampleMessage) {
  const std::vector<TWebSocketEvent> events =
      ReadAll(Bytes({0x81, 0x85, 0x37, 0xFA, 0x21, 0x3D, 0x7F, 0x9F, 0x4D, 0x51, 0x58}));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, TWebSocketEvent::Text);
  EXPECT_EQ(events[0].payload, "Hello");
}

TEST(WebSocketFrameReading, TextOfEveryLengthFormWholeAndByteByByte) {
  for (std::size_t size : {0u, 1u, 5u, 125u, 126u, 65535u, 65536u, 70001u}) {
    const std::string payload = Payload(size);
    const std::string frame = ClientFrame(0x81, payload);

    const std::vector<TWebSocketEvent> whole = ReadAll(frame);
    ASSERT_EQ(whole.size(), 1u) << size;
    EXPECT_EQ(whole[0].kind, TWebSocketEvent::Text) << size;
    EXPECT_EQ(whole[0].payload, payload) << size;

    TWebSocketFrameReader reader;
    std::vector<TWebSocketEvent> events;
    for (std::size_t i = 0; i < frame.size(); ++i) {
      // Nothing comes out before the last byte has arrived.
      ASSERT_TRUE(events.empty()) << size << " at " << i;
      reader.Feed(frame.substr(i, 1));
      for (TWebSocketEvent& event : Drain(reader))
        events.push_back(std::move(event));
    }
    ASSERT_EQ(events.size(), 1u) << size;
    EXPECT_EQ(events[0].payload, payload) << size;
  }
}

TEST(WebSocketFrameReading, SeveralFramesInOnePieceAndFramesAcrossPieces) {
  const std::string first = ClientFrame(0x81, "{\"type\":\"procedure\"}");
  const std::string second = ClientFrame(0x81, Payload(300), {1, 2, 3, 4});
  const std::string third = ClientFrame(0x81, "x");

  std::vector<TWebSocketEvent> events = ReadAll(first + second);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].payload, "{\"type\":\"procedure\"}");
  EXPECT_EQ(events[1].payload, Payload(300));

  // The second frame starts in the middle of the first piece and ends in the middle of the next;
  // the third ends in the last piece.
  TWebSocketFrameReader reader;
  const std::string all = first + second + third;
  const std::size_t cuts[] = {0, first.size() + 100, first.size() + second.size() + 3, all.size()};
  const char* expected[] = {"{\"type\":\"procedure\"}", nullptr, "x"};
  for (std::size_t i = 0; i < 3; ++i) {
    reader.Feed(all.substr(cuts[i], cuts[i + 1] - cuts[i]));
    events = Drain(reader);
    ASSERT_EQ(events.size(), 1u) << i;
    EXPECT_EQ(events[0].payload, expected[i] != nullptr ? expected[i] : Payload(300)) << i;
  }
}

TEST(WebSocketFrameReading, PingAndPongAreReportedAndReadingGoesOn) {
  const std::vector<TWebSocketEvent> events =
      ReadAll(ClientFrame(0x89, "are you there") + ClientFrame(0x8A, "") + ClientFrame(0x81, "on"));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, TWebSocketEvent::Ping);
  EXPECT_EQ(events[0].payload, "are you there");
  EXPECT_EQ(events[1].kind, TWebSocketEvent::Pong);
  EXPECT_EQ(events[2].kind, TWebSocketEvent::Text);
  EXPECT_EQ(events[2].payload, "on");
}

TEST(WebSocketFrameReading, CloseEndsTheReading) {
  TWebSocketFrameReader reader;
  reader.Feed(ClientFrame(0x88, Bytes({0x03, 0xE9}) + "going away") + ClientFrame(0x81, "late"));
  std::vector<TWebSocketEvent> events = Drain(reader);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, TWebSocketEvent::Close);
  EXPECT_EQ(events[0].closeCode, 1001);
  EXPECT_EQ(events[0].payload, "going away");
  EXPECT_TRUE(reader.Finished());
  reader.Feed(ClientFrame(0x81, "later"));
  EXPECT_TRUE(Drain(reader).empty());

  events = ReadAll(ClientFrame(0x88, ""));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, TWebSocketEvent::Close);
  EXPECT_EQ(events[0].closeCode, WebSocketCloseNoStatus);
}

TEST(WebSocketFrameReading, RefusedFramesEndTheReading) {
  struct Row {
    const char* what;
    std::string bytes;
    TWebSocketEvent::Kind kind;
  };
  std::string huge = Bytes({0x81, 0xFF, 0x40, 0, 0, 0, 0, 0, 0, 0}); // 2^62 bytes announced
  std::string signBit = Bytes({0x81, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0x05});
  const std::vector<Row> rows = {
      {"unmasked text", Bytes({0x81, 0x05, 'H', 'e', 'l', 'l', 'o'}),
       TWebSocketEvent::ProtocolError},
      {"binary", ClientFrame(0x82, "abc"), TWebSocketEvent::ProtocolError},
      {"first fragment", ClientFrame(0x01, "abc"), TWebSocketEvent::ProtocolError},
      {"final continuation", ClientFrame(0x80, "abc"), TWebSocketEvent::ProtocolError},
      {"reserved bit", ClientFrame(0xC1, "abc"), TWebSocketEvent::ProtocolError},
      {"reserved opcode", ClientFrame(0x83, "abc"), TWebSocketEvent::ProtocolError},
      {"fragmented ping", ClientFrame(0x09, "abc"), TWebSocketEvent::ProtocolError},
      {"long ping", ClientFrame(0x89, Payload(126)), TWebSocketEvent::ProtocolError},
      {"close with one byte", ClientFrame(0x88, "x"), TWebSocketEvent::ProtocolError},
      {"length with its top bit set", signBit, TWebSocketEvent::ProtocolError},
      {"2^62 bytes announced", huge, TWebSocketEvent::TooLarge},
      {"over the limit by one", ClientFrame(0x81, Payload(1024 * 1024 + 1)),
       TWebSocketEvent::TooLarge},
  };
  for (const Row& row : rows) {
    TWebSocketFrameReader reader;
    // A good frame first: the refusal ends the reading after it, and nothing fed later is read.
    reader.Feed(ClientFrame(0x81, "before") + row.bytes + ClientFrame(0x81, "after"));
    std::vector<TWebSocketEvent> events = Drain(reader);
    ASSERT_EQ(events.size(), 2u) << row.what;
    EXPECT_EQ(events[0].payload, "before") << row.what;
    EXPECT_EQ(events[1].kind, row.kind) << row.what;
    EXPECT_TRUE(reader.Finished()) << row.what;
    reader.Feed(ClientFrame(0x81, "next"));
    EXPECT_TRUE(Drain(reader).empty()) << row.what;
  }
}

TEST(WebSocketFrameReading, OversizedFramesAreRefusedFromTheirHeader) {
  // Only the header of a frame announcing 2^62 bytes has arrived: it is refused at once.
  TWebSocketFrameReader reader;
  reader.Feed(Bytes({0x81, 0xFF, 0x40, 0, 0, 0}));
  EXPECT_FALSE(reader.Next().has_value());
  reader.Feed(Bytes({0, 0, 0, 0}));
  std::optional<TWebSocketEvent> event = reader.Next();
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(event->kind, TWebSocketEvent::TooLarge);

  // The limit is the reader's own: a message of exactly the limit is taken, one byte more is not.
  EXPECT_EQ(ReadAll(ClientFrame(0x81, Payload(100)), 100).at(0).kind, TWebSocketEvent::Text);
  TWebSocketFrameReader small(100);
  small.Feed(ClientFrame(0x81, Payload(101)).substr(0, 4));
  event = small.Next();
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(event->kind, TWebSocketEvent::TooLarge);
}

} // namespace
