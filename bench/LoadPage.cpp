// The request-list page over the wire: Vozmira's web program on a database of 2,000 requests, a
// user logged in and on the request list, and the page asked for again and again as a browser
// does after a reload: GET "/" (the page built by the server), the page's WebSocket with its
// page-loaded event, and the grid's rows (GET rest/json/jqgrid/get, all 2,000 at once).  Each
// part is timed at the client on the loopback interface, which is the server's time plus a
// round trip; the server's CPU time over the loads is read from /proc/PID/stat.
//
//   bench_load_page PATH/TO/vozmira-web [--requests 2000] [--loads 30]

#include "LoadClient.h"

#include "app/db/DatabaseScripts.h"
#include "data/Connection.h"

#include <cstdio>
#include <iostream>

using namespace duoload;
using namespace std::chrono_literals;

namespace {

constexpr TDuration StepTimeout = 120s;

// The program's own database with its starting requests and as many more as it takes to have
// `ACount`, spread over the statuses, types and units.
void CreateDatabase(const std::filesystem::path& AFile, int ACount) {
  TComponent owner(nullptr);
  auto* connection = new TConnection(&owner);
  TStrings& params = connection->GetParams();
  params.SetValue("Database", AFile.string());
  params.SetValue("User_Name", "SYSDBA");
  params.SetValue("CharacterSet", "WIN1252");
  connection->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
  connection->ExecuteScript("SET TERM ^ ;\n"
                            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; DECLARE N INTEGER; BEGIN\n"
                            "  SELECT COUNT(*) FROM SOLICITACAO INTO :N;\n"
                            "  WHILE (N + I < " +
                            std::to_string(ACount) +
                            ") DO BEGIN\n"
                            "    INSERT INTO SOLICITACAO VALUES (0, DATEADD(:I MINUTE TO "
                            "TIMESTAMP '2026-01-01 08:00'), 'Solicitação número ' || :I, "
                            "MOD(:I, 5) + 1, 1, MOD(:I, 6) + 1, MOD(:I, 6) + 1, MOD(:I, 8) + 1);\n"
                            "    I = I + 1;\n"
                            "  END\n"
                            "END^\n"
                            "SET TERM ; ^\n");
}

} // namespace

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_page PATH/TO/vozmira-web [--requests 2000] [--loads 30] "
                 "[--compressed]\n";
    return 2;
  }
  const int requests = static_cast<int>(arguments.Number("requests", 2000));
  const int loads = static_cast<int>(arguments.Number("loads", 30));
  const bool compressed = arguments.Flag("compressed");
  TTempFolder folder("duo-load-page");
  std::filesystem::create_directories(folder.Path() / "lock");
  setenv("FIREBIRD_LOCK", (folder.Path() / "lock").c_str(), 1);
  CreateDatabase(folder.Path() / "vozmira.fdb", requests);
  TServerProcess server({arguments.Positional[0], folder.Path(), {}, 300s});

  TLatencies page;
  TLatencies socket;
  TLatencies rows;
  TLatencies whole;
  std::size_t pageBytes = 0;
  std::size_t rowBytes = 0;
  std::size_t rowCount = 0;
  double cpu = 0;
  TFaults faults;
  RunTask([&](asio::io_context& io) -> TTask<void> {
    TBrowser browser(io.get_executor(), server.Endpoint());
    co_await browser.Open(StepTimeout);
    co_await LogIn(browser, std::string("pelix"), std::string("pelix"), StepTimeout);
    co_await PressNavigation(browser, std::string("solicitacoes"), StepTimeout);
    for (int load = -3; load < loads; ++load) {
      // The first loads are not counted: the page's first build fills caches once.
      co_await browser.Socket.CloseOrderly();
      const double from = server.CPUSeconds();
      const TClock::time_point start = TClock::now();
      co_await browser.LoadPage(true, StepTimeout);
      const TClock::time_point built = TClock::now();
      co_await browser.Connect(StepTimeout);
      const TClock::time_point connected = TClock::now();
      const std::string& body = browser.Page.Body;
      const std::size_t at = body.find("rest/json/jqgrid/get?controlid=DBGTAREFAS");
      if (at == std::string::npos)
        throw std::runtime_error("the page is not the request list");
      const std::string path = "/" + body.substr(at, body.find('\'', at) - at) +
                               "&_search=false&nd=1&rows=10&page=1&sidx=&sord=asc";
      // A named header: a conditional temporary inside a co_await is freed twice by GCC 12.
      std::string headers;
      if (compressed)
        headers = "Accept-Encoding: gzip, deflate, br\r\n";
      const THTTPAnswer answer =
          co_await HTTPGet(server.Endpoint(), path, std::move(headers), StepTimeout);
      if (compressed && answer.Head.find("\r\nContent-Encoding: br\r\n") == std::string::npos)
        throw std::runtime_error("the rows were not compressed for a client that takes brotli");
      const TClock::time_point loaded = TClock::now();
      if (load < 0)
        continue;
      cpu += server.CPUSeconds() - from;
      page.Add(built - start);
      socket.Add(connected - built);
      rows.Add(loaded - connected);
      whole.Add(loaded - start);
      pageBytes = body.size();
      rowBytes = answer.Body.size();
      rowCount = 0;
      for (std::size_t pos = 0;
           (pos = answer.Body.find("\"FacetRecNo\"", pos)) != std::string::npos; ++pos)
        ++rowCount;
    }
    co_await browser.Socket.CloseOrderly();
  });

  std::printf("request list with %zu rows, %d loads: page %zu bytes, rows %zu bytes\n", rowCount,
              loads, pageBytes, rowBytes);
  std::printf("  GET / (the page built)           p50 %7.1f ms  p90 %7.1f ms\n",
              page.Percentile(0.5) / 1000, page.Percentile(0.9) / 1000);
  std::printf("  WebSocket and page-loaded event  p50 %7.1f ms  p90 %7.1f ms\n",
              socket.Percentile(0.5) / 1000, socket.Percentile(0.9) / 1000);
  std::printf("  the grid's rows (REST)           p50 %7.1f ms  p90 %7.1f ms\n",
              rows.Percentile(0.5) / 1000, rows.Percentile(0.9) / 1000);
  std::printf("  all three                        p50 %7.1f ms  p90 %7.1f ms\n",
              whole.Percentile(0.5) / 1000, whole.Percentile(0.9) / 1000);
  PrintFigure("request-list page with " + std::to_string(rowCount) +
                  " requests: GET / + socket + rows, p50",
              whole.Percentile(0.5) / 1000, "ms", "", std::nullopt);
  PrintFigure("  server CPU a page load", 1000 * cpu / loads, "ms", "", std::nullopt);
  std::printf("faults: %s\n", faults.Summary().c_str());
  const bool stopped = server.Stop();
  std::printf("server stop: %s\n", server.HowItEnded().c_str());
  return stopped && (compressed || rowCount == static_cast<std::size_t>(requests)) ? 0 : 1;
}
