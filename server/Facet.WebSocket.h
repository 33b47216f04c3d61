#pragma once

// The WebSocket wire format as the server speaks it: the handshake's accept key, the frames the
// server writes, and an incremental reader of the frames a browser sends.  Pure functions over
// bytes; the connection code feeds what it reads and writes what these return.
//
// The server takes single-frame text messages only.  Anything else a browser could send
// (binary or fragmented messages, extensions' reserved bits, unmasked frames) ends the
// connection, as do messages over the size limit: the reader reports it and stops, so that the
// rest of an unsupported frame is never read as further frames.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value of the handshake's Sec-WebSocket-Accept header for the browser's Sec-WebSocket-Key
// (blanks around the key are ignored).
std::string WebSocketAcceptKey(std::string_view secWebSocketKey);

// One unmasked final text frame carrying `payload`, with the shortest length form.
std::string EncodeTextFrame(std::string_view payload);
// A close frame carrying the status code `code` and no reason.
std::string EncodeCloseFrame(std::uint16_t code);
// A pong frame answering a ping; a control frame carries at most 125 bytes, so a longer payload
// is cut to that.
std::string EncodePongFrame(std::string_view payload);
// A ping frame with no payload: the server asks whether the browser is still there.
std::string EncodePingFrame();

// The status code a close frame without a body stands for.
inline constexpr std::uint16_t WebSocketCloseNoStatus = 1005;

struct TWebSocketEvent {
  enum Kind {
    Text,          // a whole text message: `payload`
    Ping,          // the caller answers with a pong carrying `payload`
    Pong,          // `payload` as received
    Close,         // the browser closes: `closeCode` (WebSocketCloseNoStatus when none) and the
                   // reason text in `payload`
    ProtocolError, // a frame the server does not take; the connection must be closed
    TooLarge       // a frame announcing more than the reader's limit; the connection must close
  };
  Kind kind = Text;
  std::string payload;
  std::uint16_t closeCode = 0;
};

// Splits the bytes a browser sends into events.  The bytes may arrive in any pieces: Feed them as
// they come and call Next until it returns nothing, which means the next event needs more
// bytes.  After Close, ProtocolError or TooLarge the reader yields nothing more and drops what it
// is fed.  It keeps at most one frame's bytes besides the latest piece fed: a frame announcing
// more than the limit is refused from its header, before any of its payload is kept.
class TWebSocketFrameReader {
public:
  static constexpr std::size_t DefaultMaxMessageSize = 1024 * 1024;

  explicit TWebSocketFrameReader(std::size_t maxMessageSize = DefaultMaxMessageSize);

  void Feed(std::string_view bytes);
  std::optional<TWebSocketEvent> Next();
  // Whether the reader has ended (after Close, ProtocolError or TooLarge).
  bool Finished() const { return FFinished; }

private:
  TWebSocketEvent Finish(TWebSocketEvent::Kind kind);

  std::size_t FMaxMessageSize;
  std::string FBuffer;
  std::size_t FPos = 0; // start of the unread bytes in FBuffer
  bool FFinished = false;
};
