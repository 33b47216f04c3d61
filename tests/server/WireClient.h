#pragma once

// A client of the server over a real socket: raw HTTP, and WebSocket frames masked as a browser
// masks them.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace servertest {

// A blocking client socket with a receive timeout, so a test never hangs on a silent server.
class TClient {
public:
  // `AFrom` is the local address the client speaks from (a second loopback address plays
  // another client).
  explicit TClient(int APort, std::chrono::seconds ATimeout = std::chrono::seconds(10),
                   const char* AFrom = nullptr) {
    FSocket = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{static_cast<time_t>(ATimeout.count()), 0};
    ::setsockopt(FSocket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (AFrom != nullptr) {
      sockaddr_in local{};
      local.sin_family = AF_INET;
      ::inet_pton(AF_INET, AFrom, &local.sin_addr);
      ::bind(FSocket, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(APort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Connected = ::connect(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~TClient() { ::close(FSocket); }
  TClient(const TClient&) = delete;
  TClient& operator=(const TClient&) = delete;

  bool Send(std::string_view AData) {
    while (!AData.empty()) {
      const ssize_t n = ::send(FSocket, AData.data(), AData.size(), MSG_NOSIGNAL);
      if (n <= 0)
        return false;
      AData.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  // Everything until the server closes (or the timeout).
  std::string ReadAll() {
    std::string text;
    char buffer[16384];
    for (;;) {
      const ssize_t n = ::recv(FSocket, buffer, sizeof buffer, 0);
      if (n <= 0)
        return text;
      text.append(buffer, static_cast<size_t>(n));
    }
  }
  // Whether the server closed the connection (reading gives end of stream or a reset).
  bool ClosedByServer() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::recv(FSocket, buffer, sizeof buffer, 0);
      if (n == 0)
        return true;
      if (n < 0)
        return errno == ECONNRESET;
    }
  }
  std::optional<std::string> ReadExactly(size_t ACount) {
    std::string text;
    while (text.size() < ACount) {
      char buffer[16384];
      const ssize_t n = ::recv(FSocket, buffer, std::min(sizeof buffer, ACount - text.size()), 0);
      if (n <= 0)
        return std::nullopt;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }
  // The head of a response, up to its empty line.
  std::optional<std::string> ReadHead() {
    std::string text;
    while (text.find("\r\n\r\n") == std::string::npos) {
      const std::optional<std::string> byte = ReadExactly(1);
      if (!byte)
        return std::nullopt;
      text += *byte;
    }
    return text;
  }

  // ---- WebSocket

  // Upgrades on `APath`; true when the server switched protocols.
  bool Handshake(const std::string& APath) {
    Send("GET " + APath +
         " HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
         "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    const std::optional<std::string> head = ReadHead();
    return head && head->find("101 Switching Protocols") != std::string::npos &&
           head->find("s3pPLMBiTxaQ9kYGzzhZRbK+xOo=") != std::string::npos;
  }
  // A frame as a browser sends it: masked, with the given first byte.
  static std::string ClientFrame(std::string_view APayload, uint8_t AFirst = 0x81,
                                 bool AMasked = true) {
    std::string frame(1, static_cast<char>(AFirst));
    const uint8_t mask = AMasked ? 0x80 : 0;
    if (APayload.size() < 126) {
      frame += static_cast<char>(mask | APayload.size());
    } else if (APayload.size() <= 0xFFFF) {
      frame += static_cast<char>(mask | 126);
      frame += static_cast<char>(APayload.size() >> 8);
      frame += static_cast<char>(APayload.size() & 0xFF);
    } else {
      frame += static_cast<char>(mask | 127);
      for (int shift = 56; shift >= 0; shift -= 8)
        frame += static_cast<char>((static_cast<uint64_t>(APayload.size()) >> shift) & 0xFF);
    }
    const char key[4] = {0x12, 0x34, 0x56, 0x78};
    if (AMasked)
      frame.append(key, 4);
    for (size_t i = 0; i < APayload.size(); ++i)
      frame += AMasked ? static_cast<char>(APayload[i] ^ key[i % 4]) : APayload[i];
    return frame;
  }
  bool SendText(std::string_view APayload) { return Send(ClientFrame(APayload)); }
  // The next frame from the server: its first byte and payload.
  std::optional<std::pair<uint8_t, std::string>> ReadFrame() {
    const std::optional<std::string> head = ReadExactly(2);
    if (!head)
      return std::nullopt;
    uint64_t length = static_cast<uint8_t>((*head)[1]) & 0x7F;
    if (length >= 126) {
      const std::optional<std::string> extended = ReadExactly(length == 126 ? 2 : 8);
      if (!extended)
        return std::nullopt;
      length = 0;
      for (char c : *extended)
        length = (length << 8) | static_cast<uint8_t>(c);
    }
    const std::optional<std::string> payload = ReadExactly(static_cast<size_t>(length));
    if (!payload)
      return std::nullopt;
    return std::make_pair(static_cast<uint8_t>((*head)[0]), *payload);
  }
  // The next text frame whose payload contains `APart` (other frames are skipped).
  std::optional<std::string> WaitForText(const std::string& APart) {
    for (;;) {
      const auto frame = ReadFrame();
      if (!frame)
        return std::nullopt;
      if (frame->first == 0x81 && frame->second.find(APart) != std::string::npos)
        return frame->second;
    }
  }

  int Descriptor() const { return FSocket; }
  bool Connected = false;

private:
  int FSocket = -1;
};

} // namespace servertest
