#include "server/Facet.Server.Channel.h"

#include "server/Facet.Server.Message.h"
#include "server/Facet.Server.Wire.h"

#include <iostream>

namespace {

// How often a socket held back by its session's queue looks whether the queue drained.
constexpr std::chrono::milliseconds BacklogPoll{10};

constexpr const char* CRLF = "\r\n";

} // namespace

TFacetChannel::TFacetChannel(IFacetExchange& AExchange)
    : FExchange(AExchange), FFrames(AExchange.Server().Limits.MaxMessageBytes),
      FKeepAlive(AExchange.Executor()), FBacklog(AExchange.Executor()) {}

void TFacetChannel::Open() {
  TFacetWebSocketContext& context = *FExchange.Context();
  FExchange.Disarm();
  context.Established = true;
  // The session knows the socket before the browser learns it is open, so nothing pushed after
  // that is lost.
  FExchange.Server().Handler.WebSocketOpened(FExchange.Context(), FExchange.Hold());
  FExchange.Queue(std::string("HTTP/1.1 101 Switching Protocols") + CRLF + "Upgrade: websocket" +
                  CRLF + "Connection: Upgrade" + CRLF + "Sec-WebSocket-Accept: " +
                  WebSocketAcceptKey(FExchange.Request().Header.SecWebSocketKey) + CRLF + CRLF);
  FExchange.EnableDirectPushes();
  KeepAlive();
  // Bytes the browser sent right behind its handshake are its first frames.
  FFrames.Feed(FExchange.Input());
  FExchange.Input().clear();
  ReadFrames();
}

void TFacetChannel::CloseWebSocket(std::uint16_t ACode) {
  if (!FExchange.Ending())
    FExchange.Queue(EncodeCloseFrame(ACode), true);
}

void TFacetChannel::Cancel() {
  FKeepAlive.cancel();
  FBacklog.cancel();
}

void TFacetChannel::KeepAlive() {
  const TFacetServerLimits& limits = FExchange.Server().Limits;
  FKeepAlive.expires_after(FExchange.Context()->FacetSession == nullptr
                               ? limits.TokenlessSocketTimeout
                               : limits.PingInterval);
  FKeepAlive.async_wait(
      [this, weak = std::weak_ptr<IFacetExchange>(FExchange.Hold())](const std::error_code& e) {
        if (e)
          return;
        if (auto self = weak.lock())
          self->Later([this](IFacetExchange&) { KeepAliveDue(); });
      });
}

void TFacetChannel::KeepAliveDue() {
  if (FExchange.Ending())
    return;
  const bool sessionless = FExchange.Context()->FacetSession == nullptr;
  const bool heard = std::exchange(FHeard, false);
  if (!heard && (sessionless || FPinged)) {
    FExchange.Close();
    return;
  }
  FPinged = !heard;
  if (FPinged)
    FExchange.Queue(EncodePingFrame());
  KeepAlive();
}

void TFacetChannel::ReadFrames() {
  TFacetServerTCP::TImpl& server = FExchange.Server();
  while (!FReplyPending && !FExchange.Ending()) {
    if (server.Handler.Backlogged(*FExchange.Context())) {
      WaitForBacklog(TClock::now() + server.Limits.ReadTimeout);
      return;
    }
    std::optional<TWebSocketEvent> event = FFrames.Next();
    if (!event)
      break;
    switch (event->kind) {
    case TWebSocketEvent::Text:
      Dispatch(event->payload);
      break;
    case TWebSocketEvent::Ping:
      FExchange.Queue(EncodePongFrame(event->payload));
      break;
    case TWebSocketEvent::Pong:
      break;
    case TWebSocketEvent::Close:
      CloseWebSocket(1000);
      return;
    case TWebSocketEvent::ProtocolError:
      CloseWebSocket(1002);
      return;
    case TWebSocketEvent::TooLarge:
      CloseWebSocket(1009);
      return;
    }
  }
  if (FExchange.Ending() || FReplyPending || FReading)
    return;
  FReading = true;
  FExchange.ReadSome([this] {
    FReading = false;
    FHeard = true;
    FFrames.Feed(FExchange.Input());
    FExchange.Input().clear();
    ReadFrames();
  });
}

void TFacetChannel::WaitForBacklog(TClock::time_point ADeadline) {
  if (TClock::now() > ADeadline) {
    FExchange.Close();
    return;
  }
  FBacklog.expires_after(BacklogPoll);
  FBacklog.async_wait([this, weak = std::weak_ptr<IFacetExchange>(FExchange.Hold()),
                       ADeadline](const std::error_code& error) {
    if (error)
      return;
    if (auto self = weak.lock())
      self->Later([this, ADeadline](IFacetExchange& AThis) {
        if (AThis.Server().Handler.Backlogged(*AThis.Context()))
          WaitForBacklog(ADeadline);
        else
          ReadFrames();
      });
  });
}

void TFacetChannel::Dispatch(const std::string& AText) {
  TFacetServerTCP::TImpl& server = FExchange.Server();
  TFacetWebSocketMessage message;
  try {
    message = ParseWebSocketMessage(AText);
  } catch (const std::exception& e) {
    FExchange.Log(e.what());
    return;
  }
  if (server.Limits.LogMessages)
    std::clog << RedactMessageForLog(message) + "\n";
  // The socket reads nothing more until a reply it asked for is on its way: a socket that does
  // not read its answers cannot make the server hold more than one of them.
  FReplyPending = server.Handler.ReceiveMessage(
      message, FExchange.Context(),
      [this, weak = std::weak_ptr<IFacetExchange>(FExchange.Hold())](std::string AReply) {
        auto self = weak.lock();
        if (!self)
          return;
        self->SendText(std::move(AReply));
        self->Later([this](IFacetExchange&) {
          FReplyPending = false;
          ReadFrames();
        });
      });
}
