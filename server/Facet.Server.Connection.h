#pragma once

// One client connection as the rest of the server sees it, and the per-connection context of a
// WebSocket.  The transport implements the connection; everything else only pushes text to it or
// closes it, from any thread.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

class TFacetSession;

class TFacetWebSocketConnection {
public:
  virtual ~TFacetWebSocketConnection() = default;
  // Queues one text frame; frames leave in the order they were queued.  Nothing happens once the
  // connection is closed.
  virtual void SendText(std::string AMessage) = 0;
  // Closes the connection (a WebSocket with a close frame).
  virtual void Disconnect() = 0;
};

// What a connection claims and has been admitted to.
struct TFacetWebSocketContext {
  bool Established = false;
  // The address the connection is counted against (see ClientAddress).
  std::string ClientAddress;
  std::string Token;
  // "FacetSocketConnection" or "FacetSocketResponse" for WebSockets; the query value otherwise.
  std::string ChannelName;
  std::string FacetSessionUUID;
  std::string FormUUID;
  std::shared_ptr<TFacetSession> FacetSession;
  // The session the socket's last message named, whose queue holds the socket back as well.
  std::weak_ptr<TFacetSession> LastTarget;
};

inline constexpr const char* MainChannelName = "FacetSocketConnection";
inline constexpr const char* ResponseChannelName = "FacetSocketResponse";

// Whether an upload may be stored, where, and how much of the session's quota is left.
struct TFacetUploadGrant {
  // An HTTP status line's text ("403 Forbidden") when refused, empty when granted.
  std::string Refusal;
  std::filesystem::path Folder;
  int FilesLeft = 0;
  std::size_t BytesLeft = 0;
};
