#pragma once

// A real server on a free port of 127.0.0.1 serving a small test form, and a client that speaks
// to it over real sockets: raw HTTP, and WebSocket frames masked as a browser masks them.

#include "TestForm.h"
#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Manager.h"
#include "bridge/Duo.h"
#include "lang/Duo.Lang.Core.h"
#include "render/Facet.Forms.h"
#include "runtime/StrUtils.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Session.h"
#include "server/Facet.WebSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>

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

// What a page tells its browser: the session, its token and the page form, and the event ids of
// its controls.
struct TPageInfo {
  std::string UUID;
  std::string Token;
  std::string FormUUID;
  std::string Body;
  // The event id of the first event the page wires for the named control.
  std::string EventID(const std::string& AControlName) const {
    const std::regex call("ExecEvent\\('[^']*', '[^']*', '[^']*', '" + AControlName +
                          "', '([^']*)'");
    std::smatch match;
    return std::regex_search(Body, match, call) ? match[1].str() : std::string();
  }
};

class ServerTest : public ::testing::Test {
protected:
  ServerTest() : Root(std::filesystem::temp_directory_path() / ("duo-server-" + Unique())) {
    if (!DuoLangCore)
      DuoLangCore = std::make_unique<TDuoLangCore>();
    DuoLangCore->SetLanguages({TDuoLang::English, TDuoLang::Portuguese});
    Manager.SetPrimaryFormClass(&TTestForm::StaticClass());
    Manager.SetLanguages({TDuoLang::English, TDuoLang::Portuguese});
    Server.Options().SetRootDirectory(Root.string());
    Server.Options().SetUseINIConfig(false);
    Server.Options().SetIncludeJQuery(true);
    Server.SetServerPort(0);
    // Every test client speaks from loopback: its budgets are a test's own business.
    Server.Limits().MaxAnonymousSessionsPerAddress = 100000;
    Server.Limits().NewSessionsPerAddressBurst = 100000;
    Server.Limits().NewSessionsPerAddressPerMinute = 100000;
    Manager.SetFacet(&Server);
    Server.StartServer();
    Port = Server.ServerPort();
  }
  ~ServerTest() override {
    Server.Shutdown();
    std::filesystem::remove_all(Root);
  }

  static std::string Unique() {
    static int counter = 0;
    return std::to_string(::getpid()) + "-" + std::to_string(++counter);
  }

  // The answer to one request (from another local address when `AFrom` is given).
  std::string Request(const std::string& AText,
                      std::chrono::seconds ATimeout = std::chrono::seconds(10),
                      const char* AFrom = nullptr) {
    TClient client(Port, ATimeout, AFrom);
    client.Send(AText);
    return client.ReadAll();
  }
  // One request on a connection of its own, which it asks the server to close after the answer.
  std::string Get(const std::string& APath, const std::string& AHeaders = "",
                  std::chrono::seconds ATimeout = std::chrono::seconds(10),
                  const char* AFrom = nullptr) {
    return Request("GET " + APath + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(Port) +
                       "\r\nConnection: close\r\n" + AHeaders + "\r\n",
                   ATimeout, AFrom);
  }
  // Waits for a condition a few seconds at most.
  static bool WaitFor(const std::function<bool()>& ACondition) {
    for (int i = 0; i < 500; ++i) {
      if (ACondition())
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ACondition();
  }
  // Opens the page: a new session, and what its page tells the browser.
  TPageInfo OpenPage(const std::string& AHeaders = "", const char* AFrom = nullptr) {
    TPageInfo page;
    page.Body = Get("/", AHeaders, std::chrono::seconds(10), AFrom);
    std::smatch match;
    const std::regex connection(
        R"re(ExecEvent\("([0-9A-Za-z]{12})", "([0-9A-Za-z]{24})", "([^"]+)", "[^"]+", "ComponentFocused")re");
    if (std::regex_search(page.Body, match, connection)) {
      page.UUID = match[1];
      page.Token = match[2];
      page.FormUUID = match[3];
    }
    return page;
  }
  std::string SocketPath(const TPageInfo& APage) const {
    return "/websocket/connectionparams?token=" + APage.Token + "&facetsession=" + APage.UUID +
           "&channelname=FacetCallBack";
  }
  // An event message as the page's script sends it.
  static std::string EventMessage(const TPageInfo& APage, const std::string& AID,
                                  const std::string& AEventID, const std::string& AParameters,
                                  bool ALock = false, const std::string& AName = "ExecEvent",
                                  const std::string& AType = "procedure") {
    TJSON message = {{"type", AType},
                     {"name", AName},
                     {"wait", AName == "GetFromEvent"},
                     {"parameters", TJSON::array({{{"UUID", APage.UUID}},
                                                  {{"Token", APage.Token}},
                                                  {{"FormUUID", APage.FormUUID}},
                                                  {{"ID", AID}},
                                                  {{"EventID", AEventID}},
                                                  {{"Parameters", AParameters}},
                                                  {{"LockClient", ALock}}})}};
    return message.dump();
  }

  std::filesystem::path Root;
  TDuoManager Manager;
  TFacetBaseClass Server;
  int Port = 0;
};

} // namespace servertest
