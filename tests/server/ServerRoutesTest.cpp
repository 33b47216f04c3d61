// The server over real sockets: routes, pages and sessions, static files and their containment,
// the WebSocket handshake and frames, limits, uploads and downloads.

#include "ServerFixture.h"

#include "data/DBCtrls.h"
#include "server/Facet.Server.HTML.h"
#include "server/Facet.Session.Web.h"

#include <gmock/gmock.h>

#include <fstream>
#include <mutex>

using namespace servertest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::stol(line.substr(6));
  return 0;
}

TEST_F(ServerTest, APageRequestMakesASessionAndServesTheFormWithItsScripts) {
  const TPageInfo first = OpenPage();
  EXPECT_THAT(first.Body, StartsWith("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8"
                                     "\r\n"));
  EXPECT_THAT(first.Body, HasSubstr("\r\nConnection: Close\r\nServer: FacetServer with Duo "
                                    "Framework Server\r\n\r\n<!DOCTYPE html>"));
  EXPECT_THAT(first.Body, Not(HasSubstr("Content-Length")));
  EXPECT_THAT(first.Body, HasSubstr("<title>Test form</title>"));
  EXPECT_THAT(first.Body, HasSubstr("id=\"EDTNAME\""));
  EXPECT_THAT(first.Body, HasSubstr("js/facetserver.js"));
  EXPECT_THAT(first.Body, HasSubstr("js/duoloader.js"));
  EXPECT_THAT(first.Body, HasSubstr("js/jquery-3.6.4.js"));
  EXPECT_THAT(first.Body, HasSubstr("overlayerror"));
  EXPECT_THAT(first.Body, Not(HasSubstr("$_facet")));
  // Everything the page loads comes from this server: no address names another host.
  const std::regex foreign(R"re((src|href)\s*=\s*["']?(https?:)?//)re", std::regex::icase);
  EXPECT_FALSE(std::regex_search(first.Body, foreign));
  ASSERT_EQ(first.UUID.size(), 12U);
  ASSERT_EQ(first.Token.size(), 24U);
  EXPECT_FALSE(first.EventID("btnRead").empty());

  const TPageInfo second = OpenPage();
  EXPECT_NE(second.UUID, first.UUID);
  EXPECT_NE(second.Token, first.Token);
  EXPECT_EQ(Server.SessionCount(), 2);
}

// A hostile Host header reaches the page's connection script only as one quoted script string:
// it ends no string and no script element. A head the server refuses answers nothing.
TEST_F(ServerTest, AHostileHostHeaderStaysAQuotedStringInThePage) {
  const auto scriptEnds = [](const std::string& text) {
    size_t count = 0;
    for (size_t at = LowerCase(text).find("</script"); at != std::string::npos;
         at = LowerCase(text).find("</script", at + 1))
      ++count;
    return count;
  };
  const size_t normal = scriptEnds(OpenPage().Body);
  const std::regex connection(R"re(setConnection\("ws", "((?:[^"\\<\r\n]|\\.)*)", 80, )re");
  for (const std::string host :
       {"x\"+alert(1)+\"", "x'+alert(1)+'", "h</script><script>alert(1)</script>", "a\rb",
        "{{Token}}", "x\\\"; alert(1); //"}) {
    SCOPED_TRACE(host);
    const std::string page = Request("GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
    if (page.empty())
      continue;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(page, match, connection));
    EXPECT_EQ(scriptEnds(page), normal);
    EXPECT_THAT(page, Not(HasSubstr("alert(1)<")));
  }
}

TEST_F(ServerTest, AReloadWithItsCookiesKeepsTheSessionAndClearsTheCookies) {
  const TPageInfo first = OpenPage();
  const std::string reloaded =
      Get("/", "Cookie: Duo_Token=" + first.Token + "; Duo_FacetSession=" + first.UUID +
                   "; Duo_ReloadPage=TRUE\r\n");
  EXPECT_THAT(reloaded, HasSubstr("Set-Cookie: Duo_Token=; Path=/; HttpOnly; SameSite=Strict; "
                                  "expires=Thu, 01 Jan 1970 00:00:00 UTC\r\n"));
  EXPECT_THAT(reloaded, HasSubstr("Set-Cookie: Duo_ReloadPage=; Path=/; HttpOnly"));
  EXPECT_THAT(reloaded, HasSubstr(first.Token));
  EXPECT_EQ(Server.SessionCount(), 1);
  // A wrong token does not take the session over: it gets a session of its own.
  const std::string other =
      Get("/", "Cookie: Duo_Token=" + std::string(24, 'x') + "; Duo_FacetSession=" + first.UUID +
                   "; Duo_ReloadPage=true\r\n");
  EXPECT_THAT(other, Not(HasSubstr(first.Token)));
  EXPECT_EQ(Server.SessionCount(), 2);
}

// The head's blocks end with the page form's own head text, then the script run as the page is
// left.
TEST_F(ServerTest, ThePagesHeadEndsWithTheFormsOwnHeadTextAndTheUnloadScript) {
  const TPageInfo first = OpenPage();
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(first.UUID);
  session->ExecThread(true, [&] {
    session->GetActiveForm()->SetHeadHTMLFacet(R"(<meta name="office" content="ombudsman">)");
  });
  const std::string page =
      Get("/", "Cookie: Duo_Token=" + first.Token + "; Duo_FacetSession=" + first.UUID +
                   "; Duo_ReloadPage=TRUE\r\n");
  const size_t callBacks = page.find("var duoFormUUID = \"" + first.FormUUID + "\";");
  const size_t own = page.find(R"(<meta name="office" content="ombudsman">)");
  const size_t unload = page.find("Runs as the page is left");
  ASSERT_NE(callBacks, std::string::npos);
  ASSERT_NE(own, std::string::npos);
  ASSERT_NE(unload, std::string::npos);
  EXPECT_LT(callBacks, own);
  EXPECT_LT(own, unload);
  EXPECT_LT(unload, page.find("</head>"));
}

TEST_F(ServerTest, TheReconnectProbeAnswersWhetherTheSessionIsValid) {
  const TPageInfo page = OpenPage();
  const auto probe = [&](const std::string& token, const std::string& uuid) {
    return Request("HEAD /reconnect?token=" + token + "&&facetsession=" + uuid +
                   " HTTP/1.1\r\nHost: x\r\n\r\n");
  };
  EXPECT_THAT(probe(page.Token, page.UUID), StartsWith("HTTP/1.1 202 Accepted\r\n"));
  EXPECT_THAT(probe(LowerCase(page.Token), page.UUID), StartsWith("HTTP/1.1 401 Unauthorized"));
  EXPECT_THAT(probe(page.Token, "nosuchsession"), StartsWith("HTTP/1.1 401 Unauthorized"));
  Server.SessionByUUID(page.UUID)->Close();
  EXPECT_THAT(probe(page.Token, page.UUID), StartsWith("HTTP/1.1 401 Unauthorized"));
  EXPECT_FALSE(Server.SessionValid(page.UUID));
}

// A stop and a new start in one process: the session stays, so its page's probe is accepted and
// its socket reconnects to the new listener (the page stays, no reload); the orderly end closes it.
TEST_F(ServerTest, AStopAndStartKeepsTheSessionsSoTheirPagesReconnect) {
  const TPageInfo page = OpenPage();
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  Server.StopServer();
  EXPECT_TRUE(socket.ClosedByServer());
  EXPECT_TRUE(Server.SessionValid(page.UUID));
  Server.StartServer();
  Port = Server.ServerPort();
  EXPECT_THAT(Request("HEAD /reconnect?token=" + page.Token + "&&facetsession=" + page.UUID +
                      " HTTP/1.1\r\nHost: x\r\n\r\n"),
              StartsWith("HTTP/1.1 202 Accepted\r\n"));
  TClient again(Port);
  EXPECT_TRUE(again.Handshake(SocketPath(page)));
  Server.Shutdown();
  EXPECT_TRUE(again.ClosedByServer());
  EXPECT_EQ(Server.SessionCount(), 0);
}

// A page about to reload into its session gets the reload cookies from the probe's answer, so
// the reload never leaves before they are stored; the plain probe and a wrong pair set none.
TEST_F(ServerTest, AProbeBeforeAReloadSetsTheSessionsReloadCookies) {
  const TPageInfo page = OpenPage();
  const auto probe = [&](const std::string& path, const std::string& token) {
    return Request("HEAD " + path + "?token=" + token + "&&facetsession=" + page.UUID +
                   "&reloadpage=true HTTP/1.1\r\nHost: x\r\n\r\n");
  };
  // Read by the server only, sent to this site only, for one reload.
  const std::string attributes = "; HttpOnly; SameSite=Strict; Max-Age=60\r\n";
  const std::string answer = probe("/reconnect", page.Token);
  EXPECT_THAT(answer, StartsWith("HTTP/1.1 202 Accepted\r\n"));
  EXPECT_THAT(answer, HasSubstr("Set-Cookie: Duo_Token=" + page.Token + "; Path=/" + attributes));
  EXPECT_THAT(answer,
              HasSubstr("Set-Cookie: Duo_FacetSession=" + page.UUID + "; Path=/" + attributes));
  EXPECT_THAT(answer, HasSubstr("Set-Cookie: Duo_ReloadPage=true; Path=/" + attributes));
  // The path is the request's folder when it is a plain one; anything else cannot add
  // attributes to the cookies and gets the root.
  const struct {
    std::string Path;
    std::string Folder;
  } folders[] = {
      {"/office/reconnect", "/office/"},
      {"/a-b/c_d.e/reconnect", "/a-b/c_d.e/"},
      {"/;SameSite=None;Secure;Max-Age=31536000;x=/reconnect", "/"},
      {"/%0D%0ASet-Cookie:x=1/reconnect", "/"},
      {"/o\"ffice/reconnect", "/"},
  };
  for (const auto& c : folders) {
    const std::string folded = probe(c.Path, page.Token);
    EXPECT_THAT(folded, HasSubstr("Set-Cookie: Duo_ReloadPage=true; Path=" + c.Folder + "; Http"))
        << c.Path;
    EXPECT_THAT(folded, Not(HasSubstr("SameSite=None"))) << c.Path;
    EXPECT_THAT(folded, Not(HasSubstr("31536000"))) << c.Path;
  }
  const std::string refused = probe("/reconnect", std::string(24, 'x'));
  EXPECT_THAT(refused, StartsWith("HTTP/1.1 401 Unauthorized"));
  EXPECT_THAT(refused, Not(HasSubstr("Set-Cookie")));
  EXPECT_THAT(Request("HEAD /reconnect?token=" + page.Token + "&&facetsession=" + page.UUID +
                      " HTTP/1.1\r\nHost: x\r\n\r\n"),
              Not(HasSubstr("Set-Cookie")));

  // The reload those cookies make keeps the session.
  const std::string reloaded =
      Get("/", "Cookie: Duo_Token=" + page.Token + "; Duo_FacetSession=" + page.UUID +
                   "; Duo_ReloadPage=true\r\n");
  EXPECT_THAT(reloaded, HasSubstr(page.Token));
  EXPECT_EQ(Server.SessionCount(), 1);
}

TEST_F(ServerTest, UnknownMethodsAndHeadsWithoutARequestLineAreClosedUnanswered) {
  for (const std::string request :
       {"PUT / HTTP/1.1\r\nHost: x\r\n\r\n", "DELETE /x HTTP/1.1\r\n\r\n", "hello\r\n\r\n"})
    EXPECT_EQ(Request(request), "") << request;
}

TEST_F(ServerTest, StaticFilesComeFromTheRootWithTheirMimeTypeAndNeverFromOutsideIt) {
  std::filesystem::create_directories(Root / "img");
  std::ofstream(Root / "index.html") << "<p>index</p>";
  std::ofstream(Root / "img" / "a b.png") << "PNGDATA";
  std::ofstream(Root / "shout.PNG") << "UPPER";
  std::ofstream(Root.parent_path() / "secret.txt") << "SECRET";
  std::filesystem::create_directories(Root / "temp" / "Sessions" / "x");
  std::ofstream(Root / "temp" / "Sessions" / "x" / "evil.html") << "<script>EVIL</script>";

  EXPECT_THAT(Get("/index.html?x=1"), StartsWith("HTTP/1.1 200 OK\r\nContent-Type: text/html; "
                                                 "charset=UTF-8\r\n"));
  EXPECT_THAT(Get("/index.html?x=1"), HasSubstr("\r\n\r\n<p>index</p>"));
  EXPECT_THAT(Get("/img/a%20b.png"), HasSubstr("Content-Type: image/png"));
  EXPECT_THAT(Get("/shout.PNG"), HasSubstr("Content-Type: application/octet-stream"));
  for (const std::string path :
       {"/../secret.txt", "/..%2Fsecret.txt", "/%2E%2E%2Fsecret.txt", "/js%5C..%5C..%5Csecret.txt",
        "/C%3A/secret.txt", "/temp/Sessions/x/evil.html", "/TEMP/Sessions/x/evil.html",
        "/js/../../secret.txt"}) {
    const std::string answer = Get(path);
    EXPECT_THAT(answer, Not(HasSubstr("SECRET"))) << path;
    EXPECT_THAT(answer, Not(HasSubstr("EVIL"))) << path;
  }
}

TEST_F(ServerTest, BuiltInAssetsAreServedUnlessTheRootHasItsOwn) {
  EXPECT_THAT(Get("/js/facetserver.js"), HasSubstr("Content-Type: text/javascript"));
  EXPECT_THAT(Get("/js/facetserver.js"), HasSubstr("DuoMessageDlg"));
  const std::string loader = Get("/js/duoloader.js", "Accept-Language: pt-BR\r\n");
  EXPECT_THAT(loader, HasSubstr("Content-Type: text/javascript"));
  EXPECT_THAT(loader, Not(HasSubstr("{{_d!Loader")));
  EXPECT_THAT(Get("/css/duo.css"), HasSubstr("Content-Type: text/css"));
  EXPECT_THAT(Get("/error500.html"), HasSubstr("Duo Framework"));
  EXPECT_THAT(Get("/error500.html"), Not(HasSubstr("{{_d!Error500")));
  EXPECT_THAT(Get("/js/jquery-3.6.4.js"), HasSubstr("jQuery"));
  // The header templates are not files of the site.
  EXPECT_EQ(Get("/js/variables.js"), "");
  std::filesystem::create_directories(Root / "js");
  std::ofstream(Root / "js" / "facetserver.js") << "// served from disk";
  EXPECT_THAT(Get("/js/facetserver.js"), HasSubstr("// served from disk"));
}

// The value of a line of a response head, or "-".
std::string HeadLine(const std::string& AHead, const std::string& AName) {
  const size_t at = AHead.find("\r\n" + AName + ": ");
  if (at == std::string::npos)
    return "-";
  const size_t begin = at + AName.size() + 4;
  return AHead.substr(begin, AHead.find("\r\n", begin) - begin);
}

TEST_F(ServerTest, AssetRequestsKeepTheirConnectionAndArePipelined) {
  TClient client(Port);
  const auto exchange = [&](const std::string& ARequest) {
    if (!ARequest.empty()) {
      EXPECT_TRUE(client.Send(ARequest));
    }
    const std::optional<std::string> head = client.ReadHead();
    EXPECT_TRUE(head.has_value());
    if (!head)
      return std::pair<std::string, std::string>();
    const std::string length = HeadLine(*head, "Content-Length");
    const std::optional<std::string> body =
        length == "-" ? std::string() : client.ReadExactly(std::stoul(length));
    return std::pair(*head, body.value_or(""));
  };
  const auto get = [](const std::string& APath, const std::string& ALines = "") {
    return "GET " + APath + " HTTP/1.1\r\nHost: x\r\n" + ALines + "\r\n";
  };
  const auto [head, body] = exchange(get("/js/facetserver.js", "Accept-Encoding: gzip\r\n"));
  EXPECT_THAT(head, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(HeadLine(head, "Content-Encoding"), "gzip");
  EXPECT_EQ(HeadLine(head, "Connection"), "keep-alive");
  EXPECT_EQ(HeadLine(head, "Cache-Control"), "no-cache");
  EXPECT_EQ(body.substr(0, 2), "\x1f\x8b");
  const std::string tag = HeadLine(head, "ETag");
  // Three requests sent at once are answered in order over the same connection.
  EXPECT_TRUE(client.Send(get("/js/facetserver.js", "If-None-Match: " + tag + "\r\n") +
                          get("/css/duo.css") + "HEAD /js/facetserver.js HTTP/1.1\r\n\r\n"));
  const auto [notModified, nothing] = exchange("");
  EXPECT_THAT(notModified, StartsWith("HTTP/1.1 304 Not Modified\r\n"));
  EXPECT_EQ(nothing, "");
  const auto [css, sheet] = exchange("");
  EXPECT_THAT(css, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(sheet, HasSubstr(".expanel"));
  const std::optional<std::string> headOnly = client.ReadHead();
  ASSERT_TRUE(headOnly.has_value());
  EXPECT_NE(HeadLine(*headOnly, "Content-Length"), "0");
  // A page closes its connection as before.
  EXPECT_TRUE(client.Send(get("/")));
  EXPECT_THAT(client.ReadAll(), HasSubstr("\r\nConnection: Close\r\n"));

  // A request whose body the route does not read, or that asks for it, ends its connection.
  for (const std::string lines : {"Content-Length: 4\r\n", "Connection: close\r\n"}) {
    TClient other(Port);
    EXPECT_TRUE(other.Send(get("/css/duo.css", lines) + "BODY"));
    const std::string all = other.ReadAll();
    EXPECT_THAT(all, StartsWith("HTTP/1.1 200 OK\r\n")) << lines;
    EXPECT_THAT(all, HasSubstr("\r\nConnection: Close\r\n")) << lines;
    EXPECT_EQ(all.find("HTTP/1.1", 1), std::string::npos) << lines;
  }
}

TEST_F(ServerTest, TheWebSocketHandshakeAdmitsOnlyTheSessionsOwnToken) {
  const TPageInfo page = OpenPage();
  TClient good(Port);
  EXPECT_TRUE(good.Handshake(SocketPath(page)));
  TClient bad(Port);
  EXPECT_FALSE(bad.Handshake("/websocket/connectionparams?token=" + std::string(24, 'A') +
                             "&facetsession=" + page.UUID + "&channelname=FacetCallBack"));
  EXPECT_EQ(Server.SessionByUUID(page.UUID)->OpenedConnections(), 1);
}

TEST_F(ServerTest, PushesUseTheLengthFormTheirSizeNeeds) {
  const TPageInfo page = OpenPage();
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  for (size_t size : {125U, 126U, 65535U, 65536U}) {
    // The pushed message is {"ExecJS":["…"]}: 15 bytes around the statement.
    session->ExecJS(std::string(size - 15, 'x'));
    const auto frame = socket.ReadFrame();
    ASSERT_TRUE(frame) << size;
    EXPECT_EQ(frame->first, 0x81);
    EXPECT_EQ(frame->second.size(), size);
  }
}

TEST_F(ServerTest, ControlFramesAreAnsweredAndUnsupportedFramesCloseTheSocket) {
  const TPageInfo page = OpenPage();
  {
    TClient socket(Port);
    ASSERT_TRUE(socket.Handshake(SocketPath(page)));
    socket.Send(TClient::ClientFrame("hi", 0x89));
    const auto pong = socket.ReadFrame();
    ASSERT_TRUE(pong);
    EXPECT_EQ(pong->first, 0x8A);
    EXPECT_EQ(pong->second, "hi");
    socket.Send(TClient::ClientFrame(std::string("\x03\xE8", 2), 0x88));
    const auto close = socket.ReadFrame();
    ASSERT_TRUE(close);
    EXPECT_EQ(close->first, 0x88);
    EXPECT_TRUE(socket.ClosedByServer());
  }
  struct TCase {
    const char* Name;
    std::string Frame;
  };
  const std::vector<TCase> cases = {
      {"binary", TClient::ClientFrame("abc", 0x82)},
      {"unmasked text", TClient::ClientFrame("abc", 0x81, false)},
      {"fragment", TClient::ClientFrame("abc", 0x01)},
      {"announces 2^62 bytes", std::string("\x81\xFF\x40\x00\x00\x00\x00\x00\x00\x00", 10)},
      {"over the message limit", TClient::ClientFrame(std::string(1024 * 1024 + 1, 'x'))},
  };
  const long before = ResidentKilobytes();
  for (const TCase& c : cases) {
    TClient socket(Port);
    ASSERT_TRUE(socket.Handshake(SocketPath(page)));
    socket.Send(c.Frame);
    const auto close = socket.ReadFrame();
    ASSERT_TRUE(close) << c.Name;
    EXPECT_EQ(close->first, 0x88) << c.Name;
    EXPECT_TRUE(socket.ClosedByServer()) << c.Name;
  }
  // Refused lengths are refused from the frame's head, before anything is kept.
  EXPECT_LT(ResidentKilobytes() - before, 64 * 1024);
}

TEST_F(ServerTest, OversizedRequestsAreClosedWithoutAnAnswerAndMemoryStaysFlat) {
  const TPageInfo page = OpenPage();
  const long before = ResidentKilobytes();
  // A head that never ends.
  {
    TClient client(Port);
    client.Send("GET / HTTP/1.1\r\n");
    std::string header = "X-Filler: " + std::string(1000, 'a') + "\r\n";
    bool sent = true;
    for (int i = 0; i < 100 && sent; ++i)
      sent = client.Send(header);
    EXPECT_TRUE(client.ClosedByServer());
  }
  // One line longer than allowed.
  EXPECT_EQ(Request("GET /" + std::string(10000, 'a') + " HTTP/1.1\r\n\r\n"), "");
  // Bodies announced larger than allowed.
  // Bodies announced larger than allowed: a grid post is closed, an upload told why.
  for (const auto& [path, answer] : std::vector<std::pair<std::string, std::string>>{
           {"/rest/json/jqgrid/post?eventid=x&token=" + page.Token + "&facetsession=" + page.UUID +
                "&FormUUID=" + page.FormUUID,
            ""},
           {"/duo/upload?token=" + page.Token + "&facetsession=" + page.UUID,
            "HTTP/1.1 413 Payload Too Large\r\n"}}) {
    TClient client(Port);
    client.Send("POST " + path +
                " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=XyZ\r\n"
                "Content-Length: 50000000000\r\n\r\n");
    const std::string got = client.ReadAll();
    EXPECT_EQ(got.substr(0, answer.size()), answer) << path;
    EXPECT_EQ(got.empty(), answer.empty()) << path;
  }
  EXPECT_LT(ResidentKilobytes() - before, 64 * 1024);
}

TEST_F(ServerTest, UploadsAreStoredUnderSafeNamesInTheSessionsFolderAndHandedToItsPage) {
  Manager.SetPrimaryFormClass(&TUploadForm::StaticClass());
  const TPageInfo page = OpenPage();
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  std::vector<std::string> delivered;
  session->ExecThread(true, [&] {
    session->GetActiveForm()->OnUpload = [&](TStrings* files, TObject* sender) {
      // The upload names no control: no sender.
      EXPECT_EQ(sender, nullptr);
      for (int i = 0; i < files->Count(); ++i)
        delivered.push_back(files->Strings(i));
    };
  });
  const auto upload = [&](const std::string& name, const std::string& data) {
    const std::string body = "--XyZ\r\nContent-Disposition: form-data; name=\"f\"; filename=\"" +
                             name + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data +
                             "\r\n--XyZ--\r\n";
    return Request("POST /duo/upload?token=" + page.Token + "&facetsession=" + page.UUID +
                   "&channelname=x HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
                   "boundary=XyZ\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n\r\n" + body);
  };
  struct TCase {
    std::string Sent;
    std::string Stored; // empty: refused
  };
  const std::vector<TCase> cases = {
      {"foto.png", "foto.png"},
      {"foto.png", "foto-"},
      {"..\\..\\js\\facetserver.js", "facetserver.js"},
      {"../../Config.ini", "Config.ini"},
      {"a:b.txt", "ab.txt"},
      {"CON", ""},
      {"..", ""},
  };
  const std::string binary("\x00\r\n--XyZ\xFF", 10);
  for (const TCase& c : cases) {
    delivered.clear();
    const std::string answer = upload(c.Sent, binary);
    if (c.Stored.empty()) {
      EXPECT_TRUE(delivered.empty()) << c.Sent;
      continue;
    }
    EXPECT_THAT(answer, StartsWith("HTTP/1.1 200 OK\r\n")) << c.Sent;
    ASSERT_EQ(delivered.size(), 1U) << c.Sent;
    const std::filesystem::path stored(delivered[0]);
    EXPECT_EQ(stored.filename().string().substr(0, c.Stored.size()), c.Stored);
    EXPECT_EQ(stored.parent_path(), session->PathSession());
    std::ifstream file(stored, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), binary) << c.Sent;
  }
  // Another session's token stores nothing.
  const TPageInfo other = OpenPage();
  EXPECT_THAT(Request("POST /duo/upload?token=" + other.Token + "&facetsession=" + page.UUID +
                      " HTTP/1.1\r\nContent-Type: multipart/form-data; boundary=XyZ\r\n"
                      "Content-Length: 10\r\n\r\n0123456789"),
              StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  // The session's folder goes with the session, the other sessions' folders stay.
  const std::filesystem::path folder = session->PathSession();
  ASSERT_TRUE(std::filesystem::exists(folder));
  std::filesystem::create_directories(Server.SessionByUUID(other.UUID)->PathSession());
  session->Close();
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(folder); }));
  EXPECT_TRUE(std::filesystem::exists(Server.SessionByUUID(other.UUID)->PathSession()));
}

TEST_F(ServerTest, DownloadsNeedTheKeyAndTheSessionsOwnToken) {
  const TPageInfo page = OpenPage();
  const TPageInfo other = OpenPage();
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  std::ofstream(Root / "report.txt") << "REPORT";
  session->SendFile(Root / "report.txt", false);
  const std::optional<std::string> pushed = socket.WaitForText("downloadLink");
  ASSERT_TRUE(pushed);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(*pushed, match, std::regex("file=([A-Za-z]{17})")));
  const std::string key = match[1];
  EXPECT_EQ(session->GetFileDownloads(),
            (std::map<std::string, std::filesystem::path>{{key, Root / "report.txt"}}));
  const std::string answer =
      Get("/duo/download?file=" + key + "&token=" + page.Token + "&facetsession=" + page.UUID);
  EXPECT_THAT(answer, StartsWith("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream"));
  EXPECT_THAT(answer, HasSubstr("\r\n\r\nREPORT"));
  EXPECT_EQ(
      Get("/duo/download?file=" + key + "&token=" + other.Token + "&facetsession=" + page.UUID),
      "");
  EXPECT_EQ(Get("/duo/download?file=ABCDEFGHIJKLMNOPQ&token=" + page.Token +
                "&facetsession=" + page.UUID),
            "");
}

TEST_F(ServerTest, ASessionKnowsItsPlaceInTheRegistryAndItsPagesInTheOrderShown) {
  const TPageInfo first = OpenPage();
  const TPageInfo second = OpenPage();
  const std::shared_ptr<TFacetSession> a = Server.SessionByUUID(first.UUID);
  const std::shared_ptr<TFacetSession> b = Server.SessionByUUID(second.UUID);
  // The registry keeps its sessions in the order of their UUIDs.
  const bool aFirst = first.UUID < second.UUID;
  EXPECT_EQ(a->SessionIndex(), aFirst ? 1 : 2);
  EXPECT_EQ(b->SessionIndex(), aFirst ? 2 : 1);
  a->ExecThread(true, [&] {
    const std::vector<TDuoClass*> primary = a->GetDuoForms();
    ASSERT_EQ(primary.size(), 1U);
    auto* other = new TTestForm(&a->Application());
    other->Show();
    EXPECT_EQ(a->GetDuoForms(), (std::vector<TDuoClass*>{primary[0], other->GetDuo()}));
    other->Hide();
    EXPECT_EQ(a->GetDuoForms(), primary);
    delete other;
  });
  b->Close();
  EXPECT_EQ(b->SessionIndex(), 0);
  EXPECT_EQ(a->SessionIndex(), 1);
}

TEST_F(ServerTest, ASessionClosedWhileItsSocketIsOpenDropsTheSocketAndIsFreed) {
  const TPageInfo page = OpenPage();
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  std::weak_ptr<TFacetSession> weak = Server.SessionByUUID(page.UUID);
  weak.lock()->Close();
  EXPECT_TRUE(socket.ClosedByServer());
  // Messages and probes of the closed session find nothing.
  TClient late(Port);
  EXPECT_FALSE(late.Handshake(SocketPath(page)));
  EXPECT_EQ(Server.SessionCount(), 0);
  EXPECT_TRUE(WaitFor([&] { return weak.expired(); }));
}

// Every way a session's browser reaches the server with the session's pair renews the session's
// expiry; the reconnect probe and anything with a wrong token do not.
TEST_F(ServerTest, EachRequestOfASessionRenewsItsExpiryAndAWrongTokenDoesNot) {
  Manager.SetPrimaryFormClass(&TUploadForm::StaticClass());
  const TPageInfo page = OpenPage();
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  std::string callID;
  session->ExecThread(true, [&] {
    TFacetForm* form = session->GetActiveForm();
    form->CallBacks()->Register("Ping", [](TStrings*) {});
    std::smatch match;
    const std::string js = session->CallBackJS("Ping", form->GetFormUUID(), "", true);
    if (std::regex_search(js, match, std::regex("', '([0-9A-Za-z]{18})', ''")))
      callID = match[1];
  });
  ASSERT_FALSE(callID.empty());
  const std::string wrong(24, 'x');
  const auto cookies = [&](const std::string& token) {
    return "Cookie: Duo_Token=" + token + "; Duo_FacetSession=" + page.UUID +
           "; Duo_ReloadPage=TRUE\r\n";
  };
  const auto withToken = [&](const std::string& token) {
    TPageInfo sent = page;
    sent.Token = token;
    return sent;
  };
  const auto upload = [&] {
    const std::string body = "--XyZ\r\nContent-Disposition: form-data; name=\"f\"; "
                             "filename=\"a.txt\"\r\n\r\nabc\r\n--XyZ--\r\n";
    return Request("POST /duo/upload?token=" + page.Token + "&facetsession=" + page.UUID +
                   " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
                   "boundary=XyZ\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n\r\n" + body);
  };
  const auto callback = [&] {
    const TJSON message = {{"type", "function"},
                           {"name", "CallBack"},
                           {"wait", false},
                           {"parameters", TJSON::array({{{"UUID", page.UUID}},
                                                        {{"Token", page.Token}},
                                                        {{"FormUUID", page.FormUUID}},
                                                        {{"CallBackID", callID}},
                                                        {{"Parameters", ""}},
                                                        {{"LockClient", true}}})}};
    socket.SendText(message.dump());
    EXPECT_TRUE(socket.WaitForText("UnLockThreadClient();"));
  };
  struct TCase {
    const char* Place;
    std::function<void()> Do;
    bool Renews;
  };
  const TCase cases[] = {
      {"event",
       [&] {
         socket.SendText(EventMessage(page, "btnRead", page.EventID("btnRead"), "", true));
         EXPECT_TRUE(socket.WaitForText("UnLockThreadClient();"));
       },
       true},
      {"callback", callback, true},
      {"grid data",
       [&] {
         Get("/rest/json/jqgrid/get?controlid=X&eventid=none&token=" + page.Token +
             "&facetsession=" + page.UUID + "&FormUUID=" + page.FormUUID);
       },
       true},
      {"upload", [&] { EXPECT_THAT(upload(), StartsWith("HTTP/1.1 200 OK\r\n")); }, true},
      {"socket open", [&] { EXPECT_TRUE(TClient(Port).Handshake(SocketPath(page))); }, true},
      {"reconnect probe",
       [&] {
         Request("HEAD /reconnect?token=" + page.Token + "&&facetsession=" + page.UUID +
                 " HTTP/1.1\r\nHost: x\r\n\r\n");
       },
       false},
      {"page load with a wrong token", [&] { Get("/", cookies(wrong)); }, false},
      {"socket open with a wrong token",
       [&] { EXPECT_FALSE(TClient(Port).Handshake(SocketPath(withToken(wrong)))); }, false},
      {"event with a wrong token",
       [&] {
         socket.SendText(
             EventMessage(withToken(wrong), "btnRead", page.EventID("btnRead"), "", true));
         std::this_thread::sleep_for(std::chrono::milliseconds(300));
       },
       false},
      // Last: the page built again may give its controls new event ids.
      {"page load", [&] { Get("/", cookies(page.Token)); }, true},
  };
  for (const TCase& c : cases) {
    const double before = session->ExpireDate().Value;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    c.Do();
    if (c.Renews)
      EXPECT_TRUE(WaitFor([&] { return session->ExpireDate().Value > before; })) << c.Place;
    else
      EXPECT_EQ(session->ExpireDate().Value, before) << c.Place;
  }
}

TEST_F(ServerTest, ANewSessionsHandlerSeesItsRequestAndAnswersWithItsPage) {
  std::mutex lock;
  std::vector<std::string> seen;
  Server.OnNewSession = [&](const TFacetHTTPRequest& Request, TFacetHTTPResponse& Response,
                            TFacetSession& Session) {
    std::lock_guard guard(lock);
    seen.push_back(Request.Header.URL() + " " + Session.GetUUID());
    Response.StatusCode = "203 Non-Authoritative Information";
  };
  const TPageInfo page = OpenPage();
  EXPECT_THAT(page.Body, StartsWith("HTTP/1.1 203 Non-Authoritative Information\r\n"));
  EXPECT_FALSE(page.UUID.empty());
  // The session's page loaded again makes no new session.
  EXPECT_THAT(Get("/", "Cookie: Duo_Token=" + page.Token + "; Duo_FacetSession=" + page.UUID +
                           "; Duo_ReloadPage=TRUE\r\n"),
              StartsWith("HTTP/1.1 200 OK\r\n"));
  std::lock_guard guard(lock);
  EXPECT_THAT(seen, ElementsAre("http://127.0.0.1:" + std::to_string(Port) + "/ " + page.UUID));
}

TEST_F(ServerTest, ExpiredAndAbandonedSessionsAreSwept) {
  const TPageInfo kept = OpenPage();
  const TPageInfo abandoned = OpenPage();
  const TPageInfo unopened = OpenPage();
  const TPageInfo loggedIn = OpenPage();
  Server.MarkEstablished(*Server.SessionByUUID(loggedIn.UUID));
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(kept)));
  for (const TPageInfo* page : {&abandoned, &loggedIn}) {
    TClient gone(Port);
    ASSERT_TRUE(gone.Handshake(SocketPath(*page)));
  }
  ASSERT_TRUE(WaitFor([&] {
    return Server.SessionByUUID(abandoned.UUID)->OpenedConnections() == 0 &&
           Server.SessionByUUID(loggedIn.UUID)->OpenedConnections() == 0;
  }));
  // A session nobody logged into goes after the short anonymous timeout once it has no page
  // open; an established one after the idle timeout; one with its page open stays.
  Server.Limits().AnonymousSessionTimeout = std::chrono::milliseconds(0);
  Server.SweepSessions();
  EXPECT_FALSE(Server.SessionValid(unopened.UUID));
  EXPECT_FALSE(Server.SessionValid(abandoned.UUID));
  EXPECT_TRUE(Server.SessionValid(loggedIn.UUID));
  Server.Limits().IdleSessionTimeout = std::chrono::milliseconds(0);
  Server.SweepSessions();
  EXPECT_TRUE(Server.SessionValid(kept.UUID));
  EXPECT_FALSE(Server.SessionValid(loggedIn.UUID));
  EXPECT_EQ(Server.SessionCount(), 1);
}

TEST_F(ServerTest, AnExpiredSessionIsSweptWithItsPageOpenAndItsSocketClosed) {
  const TPageInfo page = OpenPage();
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  ASSERT_TRUE(WaitFor([&] { return session->OpenedConnections() == 1; }));
  Server.SweepSessions(session->ExpireDate());
  EXPECT_TRUE(Server.SessionValid(page.UUID));
  Server.SweepSessions(TDateTime(session->ExpireDate().Value + 1.0 / 86400));
  EXPECT_FALSE(Server.SessionValid(page.UUID));
  EXPECT_TRUE(session->Closing());
  EXPECT_TRUE(socket.ClosedByServer());
}

TEST_F(ServerTest, APageThatCannotBeBuiltIsAnsweredWithTheErrorPage) {
  Manager.SetPrimaryFormClass(&TBrokenForm::StaticClass());
  const std::string answer = Get("/", "Accept-Language: pt-BR\r\n");
  EXPECT_THAT(answer, StartsWith("HTTP/1.1 500 Internal Server Error\r\n"));
  EXPECT_THAT(answer, HasSubstr("<title>Duo Framework</title>"));
  EXPECT_THAT(answer, Not(HasSubstr("{{_d!")));
}

// The test form with a data-aware edit.
class TDataEditForm : public TTestForm {
  DUO_CLASS(TDataEditForm, TTestForm)

public:
  explicit TDataEditForm(TComponent* AOwner) : TTestForm(AOwner) {
    SetFormName("fDataEdit");
    Make<TDBEdit>("dbeCode");
  }
};

const TClassInfo& TDataEditForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TDataEditForm>("TDataEditForm").Creatable().Build();
  return info;
}

TEST_F(ServerTest, ADataAwareEditNamesTheServerOptionsLanguage) {
  Manager.SetPrimaryFormClass(&TDataEditForm::StaticClass());
  Server.Options().SetLanguage("es-ES");
  const TPageInfo page = OpenPage();
  const std::smatch edit = [&] {
    std::smatch match;
    std::regex_search(page.Body, match, std::regex("<input[^>]*id=\"DBECODE\"[^>]*>"));
    return match;
  }();
  ASSERT_FALSE(edit.empty());
  EXPECT_THAT(edit.str(), HasSubstr(" lang=\"es-ES\" "));
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  session->ExecThread(true, [&] {
    EXPECT_EQ(session->GetActiveForm()->FacetOptions(), &Server.Options());
    EXPECT_EQ(session->GetActiveForm()->GetLanguage(), "es-ES");
  });
}

TEST_F(ServerTest, TheSessionLimitRefusesNewSessionsClearly) {
  Server.Limits().MaxSessions = 1;
  const TPageInfo page = OpenPage();
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  EXPECT_THAT(Get("/"), StartsWith("HTTP/1.1 503 Service Unavailable"));
}

} // namespace
