#pragma once

// A real server on a free port of 127.0.0.1 serving a small test form, and what the test client
// reads from its pages and sends to them.

#include "TestForm.h"
#include "WireClient.h"
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

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>

namespace servertest {

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
