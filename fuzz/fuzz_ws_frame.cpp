// Feeds arbitrary bytes to the WebSocket frame reader in pieces whose size the first input byte
// chooses, taking every event out after each piece.  The events must be the same as when the
// bytes arrive in one piece, and no payload may exceed the reader's limit.

#include "server/Facet.WebSocket.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// A small limit, so that inputs of fuzzing size reach the oversized-frame path too.
constexpr std::size_t MaxMessageSize = 4096;

std::vector<TWebSocketEvent> Read(std::string_view bytes, std::size_t piece) {
  TWebSocketFrameReader reader(MaxMessageSize);
  std::vector<TWebSocketEvent> events;
  for (std::size_t pos = 0; pos < bytes.size(); pos += piece) {
    reader.Feed(bytes.substr(pos, piece));
    while (std::optional<TWebSocketEvent> event = reader.Next()) {
      if (event->payload.size() > MaxMessageSize)
        std::abort();
      if (event->kind == TWebSocketEvent::Ping)
        EncodePongFrame(event->payload);
      events.push_back(std::move(*event));
    }
  }
  return events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<TWebSocketEvent> pieces = Read(bytes, data[0] + 1u);
  const std::vector<TWebSocketEvent> whole = Read(bytes, bytes.size() + 1);
  if (pieces.size() != whole.size())
    std::abort();
  for (std::size_t i = 0; i < whole.size(); ++i)
    if (pieces[i].kind != whole[i].kind || pieces[i].payload != whole[i].payload ||
        pieces[i].closeCode != whole[i].closeCode)
      std::abort();
  return 0;
}
