#pragma once

// The WebSocket of one connection once admitted: the handshake's answer, reading frames and
// handing messages to the page server, the socket's keep-alive, and its close.  Everything runs
// on the connection's strand.

#include "server/Facet.WebSocket.h"

#include <asio.hpp>

#include <chrono>
#include <cstdint>
#include <string>

class IFacetExchange;

class TFacetChannel {
public:
  explicit TFacetChannel(IFacetExchange& AExchange);

  // Answers the admitted handshake and starts reading frames.
  void Open();
  // Answers with a close frame; the connection closes once it is written.
  void CloseWebSocket(std::uint16_t ACode);
  // The connection closes: the channel's timers stop.
  void Cancel();

private:
  using TClock = std::chrono::steady_clock;

  // A socket that names no session may stay only while it speaks; a session's socket is pinged
  // when silent and closed when it stays silent for another period.
  void KeepAlive();
  void KeepAliveDue();
  // Hands the frames read so far to the page server, then reads more, while no reply is pending
  // and the session is not backlogged.
  void ReadFrames();
  // The session has too much work queued: this socket is not read until it drains, and is closed
  // when it does not drain in time.
  void WaitForBacklog(TClock::time_point ADeadline);
  void Dispatch(const std::string& AText);

  IFacetExchange& FExchange;
  TWebSocketFrameReader FFrames;
  // An open WebSocket's check that its browser is still there.
  asio::steady_timer FKeepAlive;
  // A WebSocket held back by its session's queue looks again when this expires.
  asio::steady_timer FBacklog;
  // A read is in flight; a frame arrived since the last keep-alive check; a ping went out
  // unanswered; a reply this socket asked for is not yet on its way.
  bool FReading = false;
  bool FHeard = false;
  bool FPinged = false;
  bool FReplyPending = false;
};
