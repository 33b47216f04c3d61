// The server facing hostile traffic over real sockets: nothing a request sends stops the process
// or lands on disk unasked, each client address holds only its share, waits hold no threads, and
// identities and answers are protected.  A second loopback address (127.0.0.2) plays the attacker.

#include "ServerFixture.h"

#include "server/Facet.Server.HTML.h"
#include "server/Facet.Server.TCP.h"
#include "server/Facet.Session.Executor.h"
#include "server/Facet.Session.Web.h"

#include <gmock/gmock.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <latch>

namespace servertest {
namespace {

using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

constexpr const char* Attacker = "127.0.0.2";

std::size_t FilesUnder(const std::filesystem::path& AFolder) {
  std::error_code error;
  std::size_t count = 0;
  for (auto it = std::filesystem::recursive_directory_iterator(AFolder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file())
      ++count;
  return count;
}

class HostileTest : public ServerTest {
protected:
  // A multipart upload of files (name, content) into a session.
  std::string Upload(const TPageInfo& APage,
                     const std::vector<std::pair<std::string, std::string>>& AFiles) {
    std::string body;
    for (const auto& [name, data] : AFiles)
      body += "--XyZ\r\nContent-Disposition: form-data; name=\"f\"; filename=\"" + name +
              "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + data + "\r\n";
    body += "--XyZ--\r\n";
    return Request("POST /duo/upload?token=" + APage.Token + "&facetsession=" + APage.UUID +
                   " HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=XyZ\r\n"
                   "Content-Length: " +
                   std::to_string(body.size()) + "\r\n\r\n" + body);
  }
  // Opens a page of a form with an upload item; files it takes are listed in `Delivered`.
  TPageInfo OpenUploadPage() {
    Manager.SetPrimaryFormClass(&TUploadForm::StaticClass());
    const TPageInfo page = OpenPage();
    const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
    session->ExecThread(true, [&] {
      session->GetActiveForm()->OnUpload = [this](TStrings* files, TObject*) {
        for (int i = 0; i < files->Count(); ++i)
          Delivered.push_back(files->Strings(i));
      };
    });
    return page;
  }
  std::filesystem::path Sessions() const { return Root / "temp" / "Sessions"; }
  // The transport takes its limits when it starts.
  void Restart() {
    Server.StopServer();
    Server.StartServer();
    Port = Server.ServerPort();
  }

  std::vector<std::string> Delivered;
};

TEST_F(HostileTest, HostileUploadNamesAreAnsweredAndLeaveNothingOnDisk) {
  const TPageInfo page = OpenUploadPage();
  const std::string names[] = {std::string(300, 'n') + ".png",
                               std::string(5000, 'n'),
                               "...",
                               ". . .",
                               "\r\n\x01\x02",
                               "CON",
                               "lpt1.txt",
                               "",
                               "../../../"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 40));
    EXPECT_THAT(Upload(page, {{name, "data"}}), StartsWith("HTTP/1.1 200 OK\r\n"));
  }
  EXPECT_TRUE(Delivered.empty());
  EXPECT_EQ(FilesUnder(Sessions()), 0U);
  // The server is alive and serves pages.
  EXPECT_FALSE(OpenPage().Token.empty());
}

// A disk that cannot take the data (its limit reached) fails the upload: it is answered, what
// was written is removed, and the server goes on.
TEST_F(HostileTest, AFailingDiskIsAnsweredAndLeavesNoPartialFile) {
  const TPageInfo page = OpenUploadPage();
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string answer = Upload(page, {{"big.bin", std::string(64 * 1024, 'x')}});
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_THAT(answer, StartsWith("HTTP/1.1 500 Internal Server Error\r\n"));
  EXPECT_TRUE(Delivered.empty());
  EXPECT_EQ(FilesUnder(Sessions()), 0U);
  EXPECT_THAT(Upload(page, {{"small.bin", "ok"}}), StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(Delivered.size(), 1U);
}

// Only a page with an upload item takes files, within the request's and the session's limits;
// whatever is refused leaves nothing behind.
TEST_F(HostileTest, UploadsAreTakenOnlyWhereAPageAsksAndWithinTheirQuota) {
  const TPageInfo plain = OpenPage();
  EXPECT_THAT(Upload(plain, {{"a.txt", "x"}}), StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  TPageInfo stranger = plain;
  stranger.Token = std::string(24, 'x');
  EXPECT_THAT(Upload(stranger, {{"a.txt", "x"}}), StartsWith("HTTP/1.1 403 Forbidden\r\n"));
  EXPECT_EQ(FilesUnder(Sessions()), 0U);

  Server.Limits().MaxUploadParts = 3;
  Server.Limits().MaxSessionUploadFiles = 4;
  Server.Limits().MaxSessionUploadBytes = 100;
  Restart();
  const TPageInfo page = OpenUploadPage();
  struct TCase {
    std::vector<std::pair<std::string, std::string>> Files;
    std::string Status;
    std::size_t Kept; // files kept for the session afterwards
  };
  const TCase cases[] = {
      {{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}}, "413 Payload Too Large", 0},
      {{{"big", std::string(101, 'x')}}, "413 Payload Too Large", 0},
      {{{"1", "a"}, {"2", "b"}, {"3", "c"}}, "200 OK", 3},
      {{{"4", "d"}, {"5", "e"}}, "413 Payload Too Large", 3},
      {{{"4", std::string(96, 'x')}}, "200 OK", 4},
      {{{"5", "e"}}, "413 Payload Too Large", 4},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Files.size());
    EXPECT_THAT(Upload(page, c.Files), StartsWith("HTTP/1.1 " + c.Status + "\r\n"));
    EXPECT_EQ(FilesUnder(Sessions()), c.Kept);
  }
  EXPECT_EQ(Delivered.size(), 4U);
}

// A socket that names no session is let in but closed once it falls silent; a session's socket
// is pinged when silent and closed when it does not answer.
TEST_F(HostileTest, SilentSocketsAreClosedAndSessionSocketsArePinged) {
  Server.Limits().TokenlessSocketTimeout = std::chrono::milliseconds(300);
  Server.Limits().PingInterval = std::chrono::milliseconds(300);
  Restart();
  TClient tokenless(Port, std::chrono::seconds(5), Attacker);
  ASSERT_TRUE(tokenless.Handshake("/websocket/connectionparams"));
  EXPECT_TRUE(tokenless.ClosedByServer());

  const TPageInfo page = OpenPage();
  TClient answering(Port);
  ASSERT_TRUE(answering.Handshake(SocketPath(page)));
  TClient silent(Port);
  ASSERT_TRUE(silent.Handshake(SocketPath(page)));
  // The answering socket pongs each ping for a while and stays; the silent one is closed.
  for (int i = 0; i < 3; ++i) {
    const auto frame = answering.ReadFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->first, 0x89);
    ASSERT_TRUE(answering.Send(TClient::ClientFrame("", 0x8A)));
  }
  EXPECT_TRUE(silent.ClosedByServer());
  EXPECT_EQ(Server.SessionByUUID(page.UUID)->OpenedConnections(), 1);
}

// One address holds only its share of connections and anonymous sessions and may start new ones
// only so fast; everyone else is served meanwhile.
TEST_F(HostileTest, OneAddressIsRefusedItsExcessAndOthersAreServed) {
  Server.Limits().NewSessionsPerAddressBurst = 60;
  Server.Limits().MaxConnectionsPerAddress = 5;
  Server.Limits().MaxAnonymousSessionsPerAddress = 3;
  Restart();
  {
    std::vector<std::unique_ptr<TClient>> held;
    for (int i = 0; i < 5; ++i)
      held.push_back(std::make_unique<TClient>(Port, std::chrono::seconds(5), Attacker));
    ASSERT_TRUE(WaitFor([&] { return Server.Budgets().Connections(Attacker) == 5; }));
    TClient sixth(Port, std::chrono::seconds(5), Attacker);
    EXPECT_TRUE(sixth.ClosedByServer());
    EXPECT_FALSE(OpenPage().Token.empty());
  }
  ASSERT_TRUE(WaitFor([&] { return Server.Budgets().Connections(Attacker) == 0; }));

  // Anonymous sessions with open sockets: the share is full, the address is refused.
  std::vector<std::unique_ptr<TClient>> sockets;
  for (int i = 0; i < 3; ++i) {
    const TPageInfo page = OpenPage("", Attacker);
    ASSERT_FALSE(page.Token.empty());
    sockets.push_back(std::make_unique<TClient>(Port, std::chrono::seconds(5), Attacker));
    ASSERT_TRUE(sockets.back()->Handshake(SocketPath(page)));
  }
  EXPECT_THAT(Get("/", "", std::chrono::seconds(5), Attacker),
              StartsWith("HTTP/1.1 503 Service Unavailable"));
  EXPECT_FALSE(OpenPage().Token.empty());
  // A session of the address that the application marks established leaves its share.
  const auto sessions = Server.Sessions();
  for (const auto& session : sessions)
    if (session->ClientAddress() == Attacker) {
      Server.MarkEstablished(*session);
      break;
    }
  EXPECT_FALSE(OpenPage("", Attacker).Token.empty());
}

// The connection cap stays below the descriptor limit, with room kept for files and the database.
TEST_F(HostileTest, TheConnectionCapStaysBelowTheDescriptorLimit) {
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  // The server raised the soft limit to the hard one when it started.
  EXPECT_EQ(limit.rlim_cur, limit.rlim_max);
  Server.Limits().ReservedDescriptors = static_cast<int>(limit.rlim_cur) - 3;
  Restart();
  EXPECT_EQ(Server.FacetServer().ConnectionCap(), 3);
  std::vector<std::unique_ptr<TClient>> held;
  for (int i = 0; i < 3; ++i)
    held.push_back(std::make_unique<TClient>(Port, std::chrono::seconds(5)));
  ASSERT_TRUE(WaitFor([&] { return Server.FacetServer().ConnectionCount() == 3; }));
  TClient over(Port, std::chrono::seconds(5));
  EXPECT_TRUE(over.ClosedByServer());
}

// Out of descriptors, the listener waits for some to come back instead of retrying at once: it
// uses next to no processor time meanwhile, and serves the waiting client once it can.
TEST_F(HostileTest, OutOfDescriptorsAcceptingPausesAndThenServes) {
#ifdef __SANITIZE_ADDRESS__
  // The sanitizers of this build open descriptors of their own to check calls (a pipe per check
  // of an object's type) and report a fault when they cannot; the ThreadSanitizer build runs it.
  GTEST_SKIP() << "needs descriptors to run short, which this build's checks cannot";
#endif
  // The processor time below is the listener's alone: the assets made at start are not.
  Server.FacetServerHTML().StopPreparingAssets();
  // The client's socket exists before the limit is lowered; only the server's accept then needs
  // a new descriptor.  Nothing below touches the fixture while descriptors are short: the
  // sanitizers' own checks may need one.
  const int client = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(Port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_GE(client, 0);
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
  // A new descriptor takes the lowest free number: below that limit, none is left.
  const int lowestFree = ::dup(client);
  ASSERT_GE(lowestFree, 0);
  ::close(lowestFree);
  rlimit lowered = original;
  lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const int connected =
      ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);

  const auto processorTime = [] {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
  };
  const auto before = processorTime();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const auto spent = processorTime() - before;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &original), 0);
  ASSERT_EQ(connected, 0);
  // A listener that retries at once keeps a processor busy the whole second.
  EXPECT_LT(spent, std::chrono::milliseconds(500));

  const std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
  ASSERT_EQ(::send(client, request.data(), request.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(request.size()));
  timeval wait{10, 0};
  ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  char head[16] = {};
  const ssize_t n = ::recv(client, head, sizeof head - 1, MSG_WAITALL);
  ::close(client);
  EXPECT_THAT(std::string(head, n > 0 ? static_cast<std::size_t>(n) : 0),
              StartsWith("HTTP/1.1 200"));
}

TEST_F(HostileTest, NewSessionsOfOneAddressAreRateLimited) {
  Server.Limits().NewSessionsPerAddressBurst = 3;
  Server.Limits().NewSessionsPerAddressPerMinute = 0;
  Restart();
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(OpenPage("", Attacker).Token.empty());
  EXPECT_THAT(Get("/", "", std::chrono::seconds(5), Attacker),
              StartsWith("HTTP/1.1 503 Service Unavailable"));
  EXPECT_FALSE(OpenPage().Token.empty());
}

// A full table makes room by closing the oldest anonymous session without an open socket; an
// established session is never closed for room.
TEST_F(HostileTest, AFullTableClosesTheOldestIdleAnonymousSessionButNeverAnEstablishedOne) {
  Server.Limits().MaxSessions = 2;
  const TPageInfo oldest = OpenPage("", Attacker);
  const TPageInfo connected = OpenPage("", Attacker);
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(connected)));
  const TPageInfo visitor = OpenPage();
  ASSERT_FALSE(visitor.Token.empty());
  EXPECT_FALSE(Server.SessionValid(oldest.UUID));
  EXPECT_TRUE(Server.SessionValid(connected.UUID));
  Server.MarkEstablished(*Server.SessionByUUID(visitor.UUID));
  EXPECT_THAT(Get("/"), StartsWith("HTTP/1.1 503 Service Unavailable"));
  EXPECT_TRUE(Server.SessionValid(visitor.UUID));
  EXPECT_TRUE(Server.SessionValid(connected.UUID));
}

TEST_F(HostileTest, TheClientAddressComesFromTheForwardedHeaderOfATrustedProxyOnly) {
  Server.Limits().TrustedProxies = {"127.0.0.1"};
  Restart();
  const std::string forwarded = "X-Forwarded-For: 10.1.1.1, 10.9.9.9\r\n";
  const TPageInfo proxied = OpenPage(forwarded);
  const TPageInfo direct = OpenPage(forwarded, Attacker);
  EXPECT_EQ(Server.SessionByUUID(proxied.UUID)->ClientAddress(), "10.9.9.9");
  EXPECT_EQ(Server.SessionByUUID(direct.UUID)->ClientAddress(), Attacker);
}

// A new identity at login: the old pair names nothing, the new one names the same session.
TEST_F(HostileTest, ARenewedIdentityLeavesTheOldPairNothing) {
  const TPageInfo page = OpenPage();
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  Server.RenewIdentity(*session);
  const std::string uuid = session->GetUUID();
  const std::string token = session->GetToken();
  EXPECT_NE(uuid, page.UUID);
  EXPECT_NE(token, page.Token);
  const auto probe = [&](const std::string& AToken, const std::string& AUUID) {
    return Request("HEAD /reconnect?token=" + AToken + "&&facetsession=" + AUUID +
                   " HTTP/1.1\r\nHost: x\r\n\r\n");
  };
  EXPECT_THAT(probe(page.Token, page.UUID), StartsWith("HTTP/1.1 401 Unauthorized"));
  EXPECT_THAT(probe(token, page.UUID), StartsWith("HTTP/1.1 401 Unauthorized"));
  EXPECT_THAT(probe(token, uuid), StartsWith("HTTP/1.1 202 Accepted"));
  const std::string reloaded =
      Get("/", "Cookie: Duo_Token=" + page.Token + "; Duo_FacetSession=" + page.UUID +
                   "; Duo_ReloadPage=true\r\n");
  EXPECT_THAT(reloaded, Not(HasSubstr(token)));
  EXPECT_EQ(Server.SessionByUUID(uuid), session);
}

// Every answer says how a browser must treat it: never sniffed, framed only by its own site,
// no referrer; pages and data never cached; pages take nothing from another origin.
TEST_F(HostileTest, AnswersCarryTheirProtectingHeaders) {
  const TPageInfo page = OpenPage();
  std::ofstream(Root / "plain.txt") << "text";
  struct TCase {
    std::string Name;
    std::string Answer;
    bool NoStore;
    bool Policy;
  };
  const TCase cases[] = {
      {"page", page.Body, true, true},
      {"probe",
       Request("HEAD /reconnect?token=" + page.Token + "&&facetsession=" + page.UUID +
               " HTTP/1.1\r\nHost: x\r\n\r\n"),
       true, false},
      {"refused post",
       Request("POST /rest/json/jqgrid/post?eventid=x HTTP/1.1\r\nHost: x\r\n"
               "Content-Length: 2\r\n\r\n{}"),
       true, false},
      {"static file", Get("/plain.txt"), false, false},
      {"built-in asset", Get("/js/facetserver.js"), false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string head = c.Answer.substr(0, c.Answer.find("\r\n\r\n"));
    EXPECT_THAT(head, HasSubstr("\r\nX-Content-Type-Options: nosniff\r\n"));
    EXPECT_THAT(head, HasSubstr("\r\nX-Frame-Options: SAMEORIGIN\r\n"));
    EXPECT_THAT(head, HasSubstr("\r\nReferrer-Policy: no-referrer\r\n"));
    EXPECT_EQ(head.find("Cache-Control: no-store") != std::string::npos, c.NoStore);
    EXPECT_EQ(head.find("Content-Security-Policy: default-src 'self';") != std::string::npos,
              c.Policy);
    EXPECT_THAT(head, Not(HasSubstr("http:")));
  }
  EXPECT_THAT(cases[2].Answer, StartsWith("HTTP/1.1 401 Unauthorized\r\n"));
}

// Hundreds of sessions each waiting on an unanswered dialog hold no thread apiece.
TEST_F(HostileTest, UnansweredDialogsHoldNoThreads) {
  constexpr int Sessions = 150;
  std::vector<std::shared_ptr<TFacetSession>> waiting;
  for (int i = 0; i < Sessions; ++i) {
    const TPageInfo page = OpenPage();
    const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
    ASSERT_TRUE(session);
    session->ExecThread([session] { session->Lock("dialog"); });
    waiting.push_back(session);
  }
  ASSERT_TRUE(WaitFor([&] { return TFacetSessionExecutor::ParkedPieces() >= Sessions; }));
  EXPECT_LE(TFacetSessionExecutor::WorkerThreads(), Server.Limits().WorkerThreads);
  // Another session is served meanwhile, and the waits end when their sessions close.
  EXPECT_FALSE(OpenPage().Token.empty());
  for (const auto& session : waiting)
    session->Close();
  EXPECT_TRUE(WaitFor([] { return TFacetSessionExecutor::ParkedPieces() == 0; }));
}

// A wait that outlives the limit ends as if the session had closed.
TEST_F(HostileTest, AWaitPastItsLimitEnds) {
  const TPageInfo page = OpenPage();
  const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
  std::atomic<int> result = -1;
  session->ExecThread([&] { result = session->Lock("dialog") ? 1 : 0; });
  ASSERT_TRUE(WaitFor([&] { return session->Executor().Parked() == 1; }));
  Server.Limits().MaxWait = std::chrono::milliseconds(0);
  Server.SweepSessions();
  ASSERT_TRUE(WaitFor([&] { return result != -1; }));
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(Server.SessionValid(page.UUID));
}

// A session whose queue is full is not read from until it drains, and nothing sent is lost:
// whether the messages come over the session's own socket or over a socket that names no
// session (or another one) and names this session in its messages.  A socket asking for answers
// gets one at a time: it reads nothing more until the answer it asked for is on its way, so one
// that never reads its answers makes the server hold only one of them.
TEST_F(HostileTest, AFloodedSessionIsReadOnlyAsFastAsItWorks) {
  struct TCase {
    const char* Name;
    int MaxQueuedPieces;
    enum { OwnSocket, NoSession, Answers } Socket;
    // The most pieces queued while the session's worker is held.
    int MostQueued;
  };
  const TCase cases[] = {
      {"own socket, queue of 4", 4, TCase::OwnSocket, 5},
      {"socket naming no session, queue of 4", 4, TCase::NoSession, 5},
      {"answers asked for, queue unlimited", 100000, TCase::Answers, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Server.Limits().MaxQueuedPieces = c.MaxQueuedPieces;
    const TPageInfo page = OpenPage();
    const std::shared_ptr<TFacetSession> session = Server.SessionByUUID(page.UUID);
    std::atomic<int> clicks = 0;
    session->ExecThread(true, [&] {
      static_cast<TTestForm*>(session->Instance().GetInstance(TTestForm::StaticClass()))
          ->btnRead->OnClick = [&](TObject*) { ++clicks; };
    });
    std::latch holding(1);
    std::latch release(1);
    session->ExecThread([&] {
      holding.count_down();
      release.wait();
    });
    holding.wait();
    TClient socket(Port);
    const std::string path = c.Socket == TCase::OwnSocket ? SocketPath(page)
                             : c.Socket == TCase::NoSession
                                 ? "/websocket/connectionparams"
                                 : "/websocket/connectionresponseparams?token=" + page.Token +
                                       "&facetsession=" + page.UUID;
    ASSERT_TRUE(socket.Handshake(path));
    constexpr int Messages = 40;
    const std::string click = c.Socket == TCase::Answers
                                  ? EventMessage(page, "btnRead", page.EventID("btnRead"), "",
                                                 false, "GetFromEvent", "function")
                                  : EventMessage(page, "btnRead", page.EventID("btnRead"), "");
    for (int i = 0; i < Messages; ++i)
      ASSERT_TRUE(socket.SendText(click));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(session->Executor().Queued(), c.MostQueued);
    release.count_down();
    EXPECT_TRUE(WaitFor([&] { return clicks == Messages; }));
    EXPECT_EQ(clicks, Messages);
  }
}

} // namespace
} // namespace servertest
