#include "server/Facet.WebSocket.h"

#include "runtime/Hash.h"
#include "runtime/StrUtils.h"

#include <utility>

namespace {

// The fixed text the handshake appends to the browser's key before hashing.
constexpr std::string_view HandshakeGUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

constexpr std::uint8_t FinalBit = 0x80;
constexpr std::uint8_t ReservedBits = 0x70;
constexpr std::uint8_t OpcodeBits = 0x0F;
constexpr std::uint8_t MaskBit = 0x80;
constexpr std::uint8_t LengthBits = 0x7F;

constexpr std::uint8_t OpText = 0x1;
constexpr std::uint8_t OpClose = 0x8;
constexpr std::uint8_t OpPing = 0x9;
constexpr std::uint8_t OpPong = 0xA;

// Control frames (close, ping, pong) carry at most this many bytes and are never fragmented.
constexpr std::size_t MaxControlPayload = 125;

// A final, unmasked frame of `opcode` with the shortest length form for `payload`.
std::string EncodeFrame(std::uint8_t opcode, std::string_view payload) {
  std::string frame;
  frame.reserve(payload.size() + 10);
  frame += static_cast<char>(FinalBit | opcode);
  const std::uint64_t length = payload.size();
  if (length <= 125) {
    frame += static_cast<char>(length);
  } else if (length <= 0xFFFF) {
    frame += static_cast<char>(126);
    frame += static_cast<char>(length >> 8);
    frame += static_cast<char>(length & 0xFF);
  } else {
    frame += static_cast<char>(127);
    for (int shift = 56; shift >= 0; shift -= 8)
      frame += static_cast<char>((length >> shift) & 0xFF);
  }
  frame.append(payload);
  return frame;
}

std::uint8_t ByteAt(const std::string& buffer, std::size_t pos) {
  return static_cast<std::uint8_t>(buffer[pos]);
}

} // namespace

std::string WebSocketAcceptKey(std::string_view secWebSocketKey) {
  return Base64Encode(SHA1Bytes(Trim(secWebSocketKey) + std::string(HandshakeGUID)));
}

std::string EncodeTextFrame(std::string_view payload) {
  return EncodeFrame(OpText, payload);
}

std::string EncodeCloseFrame(std::uint16_t code) {
  const char body[] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return EncodeFrame(OpClose, std::string_view(body, sizeof body));
}

std::string EncodePongFrame(std::string_view payload) {
  return EncodeFrame(OpPong, payload.substr(0, MaxControlPayload));
}

std::string EncodePingFrame() {
  return EncodeFrame(OpPing, {});
}

TWebSocketFrameReader::TWebSocketFrameReader(std::size_t maxMessageSize)
    : FMaxMessageSize(maxMessageSize) {}

void TWebSocketFrameReader::Feed(std::string_view bytes) {
  if (FFinished)
    return;
  // Bytes already handed out as events are dropped before new ones are kept.
  FBuffer.erase(0, FPos);
  FPos = 0;
  FBuffer.append(bytes);
}

TWebSocketEvent TWebSocketFrameReader::Finish(TWebSocketEvent::Kind kind) {
  FFinished = true;
  std::string().swap(FBuffer);
  FPos = 0;
  TWebSocketEvent event;
  event.kind = kind;
  return event;
}

std::optional<TWebSocketEvent> TWebSocketFrameReader::Next() {
  if (FFinished)
    return std::nullopt;
  const std::size_t available = FBuffer.size() - FPos;
  if (available < 2)
    return std::nullopt;

  // The first two bytes alone decide whether the frame is one the server takes.
  const std::uint8_t first = ByteAt(FBuffer, FPos);
  const std::uint8_t second = ByteAt(FBuffer, FPos + 1);
  const std::uint8_t opcode = first & OpcodeBits;
  const bool isControl = opcode == OpClose || opcode == OpPing || opcode == OpPong;
  if ((first & FinalBit) == 0 || (first & ReservedBits) != 0 || (opcode != OpText && !isControl))
    return Finish(TWebSocketEvent::ProtocolError);
  // Every frame from a browser is masked.
  if ((second & MaskBit) == 0)
    return Finish(TWebSocketEvent::ProtocolError);
  const std::uint8_t shortLength = second & LengthBits;
  if (isControl && shortLength > MaxControlPayload)
    return Finish(TWebSocketEvent::ProtocolError);

  std::size_t headerSize = 2;
  std::uint64_t length = shortLength;
  if (shortLength == 126 || shortLength == 127) {
    const std::size_t lengthBytes = shortLength == 126 ? 2 : 8;
    if (available < 2 + lengthBytes)
      return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < lengthBytes; ++i)
      length = (length << 8) | ByteAt(FBuffer, FPos + 2 + i);
    // The 8-byte form keeps its most significant bit clear.
    if (length >> 63 != 0)
      return Finish(TWebSocketEvent::ProtocolError);
    headerSize += lengthBytes;
  }
  if (length > FMaxMessageSize)
    return Finish(TWebSocketEvent::TooLarge);

  const std::size_t payloadSize = static_cast<std::size_t>(length);
  if (available < headerSize + 4 + payloadSize)
    return std::nullopt;
  const std::size_t maskAt = FPos + headerSize;
  std::string payload = FBuffer.substr(maskAt + 4, payloadSize);
  for (std::size_t i = 0; i < payloadSize; ++i)
    payload[i] = static_cast<char>(static_cast<std::uint8_t>(payload[i]) ^
                                   ByteAt(FBuffer, maskAt + (i % 4)));
  FPos = maskAt + 4 + payloadSize;

  TWebSocketEvent event;
  switch (opcode) {
  case OpText:
    event.kind = TWebSocketEvent::Text;
    break;
  case OpPing:
    event.kind = TWebSocketEvent::Ping;
    break;
  case OpPong:
    event.kind = TWebSocketEvent::Pong;
    break;
  default: {
    // A close frame carries nothing, or a two-byte status code and a reason.
    if (payload.size() == 1)
      return Finish(TWebSocketEvent::ProtocolError);
    TWebSocketEvent close = Finish(TWebSocketEvent::Close);
    close.closeCode =
        payload.empty() ? WebSocketCloseNoStatus
                        : static_cast<std::uint16_t>((static_cast<std::uint8_t>(payload[0]) << 8) |
                                                     static_cast<std::uint8_t>(payload[1]));
    if (!payload.empty())
      close.payload = payload.substr(2);
    return close;
  }
  }
  event.payload = std::move(payload);
  return event;
}
