// The routes a load balancer and a monitor ask: the health route through a server's life (serving,
// an application that fails its probe, draining before a stop), and the metrics: who may read
// them, and that they count what happened.

#include "ServerFixture.h"

#include <gmock/gmock.h>

#include <atomic>
#include <fstream>

using namespace servertest;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class ServerMonitoringTest : public ServerTest {
protected:
  ServerMonitoringTest() {
    Server.StopServer();
    Server.Monitoring().HealthProbeInterval = std::chrono::milliseconds(20);
    Server.OnHealthProbe = [this] { return ProbePasses.load(); };
    Server.StartServer();
    Port = Server.ServerPort();
  }

  // The status line and body of a GET on a connection of its own.
  std::string Ask(const std::string& APath, const char* AFrom = nullptr,
                  const std::string& AHeaders = "") {
    return Get(APath, AHeaders, std::chrono::seconds(10), AFrom);
  }
  static std::string Body(const std::string& AAnswer) {
    const std::size_t end = AAnswer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : AAnswer.substr(end + 4);
  }
  // The value of one sample line of the metrics ("name{labels} value"), -1 when absent.
  static double Sample(const std::string& AMetrics, const std::string& ASeries) {
    const std::size_t at = AMetrics.find("\n" + ASeries + " ");
    if (at == std::string::npos)
      return -1;
    return std::stod(AMetrics.substr(at + ASeries.size() + 2));
  }

  std::atomic<bool> ProbePasses = true;
};

TEST_F(ServerMonitoringTest, HealthFollowsTheProbeAndTurnsUnavailableOnceDrainingBegins) {
  const std::string serving = Ask("/health");
  EXPECT_THAT(serving, StartsWith("HTTP/1.1 200 OK\r\n"));
  EXPECT_THAT(serving, HasSubstr("Cache-Control: no-store"));
  EXPECT_EQ(Body(serving), "ok\n");

  // The application's probe fails (its database is gone): the balancer is told at the next look.
  ProbePasses = false;
  ASSERT_TRUE(WaitFor([&] { return Body(Ask("/health")) == "unhealthy\n"; }));
  EXPECT_THAT(Ask("/health"), StartsWith("HTTP/1.1 503 Service Unavailable\r\n"));
  ProbePasses = true;
  ASSERT_TRUE(WaitFor([&] { return Body(Ask("/health")) == "ok\n"; }));

  // Draining: 503 at once, while pages, sessions and their sockets are still served.
  const TPageInfo before = OpenPage();
  ASSERT_FALSE(before.UUID.empty());
  Server.BeginDrain();
  const std::string draining = Ask("/health");
  EXPECT_THAT(draining, StartsWith("HTTP/1.1 503 Service Unavailable\r\n"));
  EXPECT_EQ(Body(draining), "stopping\n");
  EXPECT_FALSE(OpenPage().UUID.empty());
  TClient socket(Port);
  EXPECT_TRUE(socket.Handshake(SocketPath(before)));
}

TEST_F(ServerMonitoringTest, MetricsAreAnsweredOnlyWhenOnAndOnlyToLocalOrListedClients) {
  EXPECT_THAT(Ask("/metrics"), StartsWith("HTTP/1.1 404 Not Found\r\n"));

  Server.Monitoring().Metrics = true;
  Server.Monitoring().MetricsAddresses = {"127.0.0.3"};
  Server.Limits().TrustedProxies = {"127.0.0.4"};
  Server.StopServer();
  Server.StartServer();
  Port = Server.ServerPort();
  struct TCase {
    const char* From;
    std::string Headers;
    const char* Status;
  };
  const TCase cases[] = {
      {"127.0.0.1", "", "200 OK"},
      {"127.0.0.2", "", "403 Forbidden"},
      {"127.0.0.3", "", "200 OK"},
      // A forwarded-for line believed only from a trusted proxy, which is judged by the client
      // it names.
      {"127.0.0.2", "X-Forwarded-For: 127.0.0.1\r\n", "403 Forbidden"},
      {"127.0.0.4", "X-Forwarded-For: 127.0.0.2\r\n", "403 Forbidden"},
      {"127.0.0.4", "X-Forwarded-For: 127.0.0.3\r\n", "200 OK"},
  };
  for (const TCase& c : cases)
    EXPECT_THAT(Ask("/metrics", c.From, c.Headers), StartsWith(std::string("HTTP/1.1 ") + c.Status))
        << c.From << " " << c.Headers;
  const std::string answer = Ask("/metrics");
  EXPECT_THAT(answer, HasSubstr("Content-Type: text/plain; version=0.0.4; charset=utf-8\r\n"));
  EXPECT_EQ(Sample(Body(answer), "duo_refused_total{reason=\"metrics_forbidden\"}"), 3);
  // A refused answer shows nothing of the metrics.
  EXPECT_THAT(Ask("/metrics", "127.0.0.2"), Not(HasSubstr("duo_")));
}

TEST_F(ServerMonitoringTest, MetricsCountSessionsConnectionsAndEvents) {
  Server.Monitoring().Metrics = true;
  const std::string idle = Body(Ask("/metrics"));
  EXPECT_EQ(Sample(idle, "duo_sessions{state=\"anonymous\"}"), 0);
  EXPECT_EQ(Sample(idle, "duo_sessions{state=\"established\"}"), 0);
  EXPECT_EQ(Sample(idle, "duo_event_duration_seconds_count"), 0);
  EXPECT_EQ(Sample(idle, "duo_draining"), 0);
  EXPECT_THAT(idle, HasSubstr("# TYPE duo_event_duration_seconds histogram\n"));

  const TPageInfo page = OpenPage();
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(page)));
  socket.SendText(EventMessage(page, "btnRead", page.EventID("btnRead"), "", true));
  ASSERT_TRUE(socket.WaitForText("UnLockThreadClient"));
  Server.MarkEstablished(*Server.SessionByUUID(page.UUID));

  std::string counted;
  ASSERT_TRUE(WaitFor([&] {
    counted = Body(Ask("/metrics"));
    return Sample(counted, "duo_event_duration_seconds_count") == 1;
  })) << counted;
  EXPECT_EQ(Sample(counted, "duo_sessions{state=\"anonymous\"}"), 0);
  EXPECT_EQ(Sample(counted, "duo_sessions{state=\"established\"}"), 1);
  EXPECT_EQ(Sample(counted, "duo_sessions_started_total"), 1);
  // The socket and the metrics request itself.
  EXPECT_EQ(Sample(counted, "duo_connections"), 2);
  EXPECT_EQ(Sample(counted, "duo_event_duration_seconds_bucket{le=\"+Inf\"}"), 1);
  EXPECT_GE(Sample(counted, "duo_pushes_total"), 1);
  EXPECT_GT(Sample(counted, "duo_event_duration_seconds_sum"), 0);
}

} // namespace

namespace {

// A service's settings file is read-only to it: the server starts and serves all the same.
TEST_F(ServerTest, ASettingsFileThatCannotBeWrittenDoesNotStopTheStart) {
  Server.StopServer();
  Server.Options().SetUseINIConfig(true);
  Server.SetINIConfigFile(Root / "not-a-folder" / "Config.ini");
  std::filesystem::create_directories(Root);
  std::ofstream(Root / "not-a-folder") << "a file where the folder would be\n";
  ASSERT_NO_THROW(Server.StartServer());
  Port = Server.ServerPort();
  EXPECT_THAT(Get("/health"), StartsWith("HTTP/1.1 200 OK\r\n"));
}

} // namespace

namespace {

// A proxy that ends TLS says so in X-Forwarded-Proto: the page it serves is on https, so its
// socket must be a secure one.  Only a trusted proxy is believed.
TEST_F(ServerTest, ThePageOfATrustedProxyThatEndsTLSConnectsItsSocketSecurely) {
  Server.StopServer();
  Server.Limits().TrustedProxies = {"127.0.0.4"};
  Server.StartServer();
  Port = Server.ServerPort();
  struct TCase {
    const char* From;
    const char* Proto;
    const char* Scheme;
  };
  for (const TCase& c :
       {TCase{"127.0.0.4", "https", "\"wss\""}, TCase{"127.0.0.4", "http", "\"ws\""},
        TCase{"127.0.0.2", "https", "\"ws\""}}) {
    const TPageInfo page = OpenPage(
        "X-Forwarded-For: 127.0.0.9\r\nX-Forwarded-Proto: " + std::string(c.Proto) + "\r\n",
        c.From);
    EXPECT_THAT(page.Body, HasSubstr(std::string("setConnection(") + c.Scheme + ", "))
        << c.From << " " << c.Proto;
  }
}

} // namespace
