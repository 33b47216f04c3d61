// Soak: scripted users work in Vozmira's web program as the office's staff do - log in, open the
// request list, filter it, open a request, change its description, save and go back - while
// their connections are cut at random moments, and (with --restart-at) the server is killed
// once and started again on the same database.  Afterwards, with the server stopped, the
// database is read: every save the server accepted must be there.
//
//   bench_load_soak PATH/TO/vozmira-web [--users 10] [--seconds 30] [--drop-percent 10]
//                   [--restart-at SECONDS] [--step-timeout-seconds 30] [--silent-cuts]
//
// A cut connection is closed at once (the server sees its end).  With --silent-cuts it is left
// open and never used again, as a network cut the server cannot see: the answers must still
// reach the page's new socket.  After a cut the user goes on at once, as a browser does.
//
// A save counts as accepted when the server answered it (the page was unlocked) without an
// error dialog.  A save whose answer was lost with a cut connection or a killed server is
// unconfirmed: the database may hold it or the save before it.  Each user edits requests of
// its own (by key), so that the last accepted save of each request is known.  The run fails on
// a lost save, on a request form that shows another request than the one chosen, on a filter
// that lists requests of another status, on a lost reply or a protocol error outside the
// moments the server was down, and on a server that does not stop in order at the end.

#include "LoadClient.h"

#include "data/Connection.h"
#include "data/Query.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <deque>
#include <iostream>
#include <map>
#include <random>

using namespace duoload;
using namespace std::chrono_literals;

namespace {

// How long any answer the server owes may take before it counts as lost.
TDuration StepTimeout = 30s;
const std::string Unlocked = "UnLockThreadClient();";
const std::string Dialog = "DuoMessageDlg(";
const std::string NoStates = "FacetComponentsStatus=[]";
const std::string StatusBox = "cbbSituacao";
const std::string ChangeButton = "btnAlterar";
const std::string SaveButton = "btnSalvar";
const std::string LeaveButton = "btnSair";
const std::string ListPage = "solicitacoes";

// The session is gone or unusable (the server restarted, a page change was lost with a cut
// connection): the user starts over with a new page, as a browser's reload does.
struct TStartOver {
  std::string Why;
};

struct TSave {
  std::int64_t Request = 0;
  std::string Text;
  enum { Accepted, Unconfirmed, Refused } Outcome = Unconfirmed;
};

struct TCounts {
  int Logins = 0;
  int Filters = 0;
  int Opens = 0;
  int Drops = 0;
  int Reconnects = 0;
  int StartOvers = 0;
  int Resyncs = 0;
};

struct TSoak {
  TEndpoint Server;
  TClock::time_point End;
  double DropChance = 0.1;
  int Users = 0;
  // Raised while the server is down, and counted up at every restart: an error in a session
  // that began before the latest restart is the restart's doing.
  bool Down = false;
  int Generation = 0;
  std::vector<std::int64_t> Requests;    // every request's key, as the list first showed them
  std::vector<std::vector<TSave>> Saves; // per user, in the order sent
  TCounts Counts;
  TFaults Faults;
  std::vector<std::string> Wrong; // wrong records, wrong filters
  bool SilentCuts = false;
  std::vector<asio::ip::tcp::socket> Abandoned;
};

// One simulated user.
class TUser {
public:
  TUser(TSoak& ASoak, int AIndex, const asio::any_io_executor& AExecutor)
      : FSoak(ASoak), FIndex(AIndex), FExecutor(AExecutor),
        FRandom(static_cast<unsigned>(1000 + AIndex)) {
    for (std::int64_t key : FSoak.Requests)
      if (key % FSoak.Users == FIndex)
        FMine.push_back(key);
  }

  TTask<void> Run() {
    bool failed = false;
    while (TClock::now() < FSoak.End) {
      const int generation = FSoak.Generation;
      try {
        co_await Session();
      } catch (const TStartOver&) {
        ++FSoak.Counts.StartOvers;
      } catch (const TLoadError& error) {
        // While the server is down, or for a session it lost by restarting, errors are
        // expected; anything else is a fault of the server.
        if (!FSoak.Down && generation == FSoak.Generation)
          FSoak.Faults.Add(TLoadError(error.Kind, error.what() + Trail()));
        else
          ++FSoak.Counts.StartOvers;
        failed = true;
      } catch (const std::exception& error) {
        FSoak.Faults.Add(TLoadError(TFault::Protocol, error.what()));
        failed = true;
      }
      if (failed)
        co_await Sleep(1s);
      failed = false;
    }
  }

private:
  // The user's last steps, reported with anything that went wrong.
  void Note(const std::string& AText) {
    const double at = std::chrono::duration<double>(TClock::now().time_since_epoch()).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", std::fmod(at, 1000.0));
    FTrail.push_back(stamp + AText.substr(0, 100));
    if (FTrail.size() > 24)
      FTrail.pop_front();
  }
  std::string Trail() const {
    std::string text = " [user " + std::to_string(FIndex) + "'s last steps:";
    for (const std::string& step : FTrail)
      text += "\n      " + step;
    return text + "]";
  }
  void Wrong(const std::string& AText) { FSoak.Wrong.push_back(AText + Trail()); }

  bool Chance(double AProbability) {
    return std::uniform_real_distribution<double>(0, 1)(FRandom) < AProbability;
  }

  // Answers a pushed dialog as the browser's user would, with its first button.
  TTask<void> AnswerDialog(TBrowser& ABrowser, const std::string& AFrame) {
    std::string statement = nlohmann::json::parse(AFrame)["ExecJS"][0].get<std::string>();
    const std::size_t open = statement.find('{');
    const std::size_t close = statement.rfind('}');
    const nlohmann::json options = nlohmann::json::parse(statement.substr(open, close - open + 1));
    const int result = options["buttons"][0]["result"].get<int>();
    co_await ABrowser.Socket.Send(
        EventMessage(ABrowser.Page, ABrowser.Page.FormUUID, "MessageDlgResponse",
                     "result=" + std::to_string(result) + "&identify=", false),
        StepTimeout);
  }

  // Waits for the frame containing `APart`; a dialog pushed meanwhile is answered and reported.
  TTask<bool> WaitOrDialog(TBrowser& ABrowser, const std::string& APart) {
    const TClock::time_point deadline = TClock::now() + StepTimeout;
    for (;;) {
      const std::string frame = co_await ABrowser.Socket.Next(deadline - TClock::now());
      Note("got " + frame.substr(0, 60));
      if (frame.find(Dialog) != std::string::npos) {
        co_await AnswerDialog(ABrowser, frame);
        co_return false;
      }
      if (frame.find(APart) != std::string::npos)
        co_return true;
    }
  }

  // The browser's way back after its socket closed: the reconnect probe, then a new socket.
  TTask<void> Reconnect(TBrowser& ABrowser) {
    ++FSoak.Counts.Reconnects;
    Note("reconnect");
    const std::string path =
        "/reconnect?token=" + ABrowser.Page.Token + "&&facetsession=" + ABrowser.Page.UUID;
    for (int attempt = 0;; ++attempt) {
      try {
        const THTTPAnswer answer = co_await HTTPRequest(FSoak.Server, std::string("HEAD"), path,
                                                        std::string(), StepTimeout);
        if (answer.Status == 202)
          break;
        throw TStartOver{"the reconnect probe answered " + std::to_string(answer.Status)};
      } catch (const TLoadError& error) {
        if (!FSoak.Down && (error.Kind == TFault::Protocol || attempt > 120))
          throw;
      }
      co_await Sleep(1s);
    }
    co_await ABrowser.Socket.Connect(FSoak.Server, ABrowser.Page.SocketPath(), StepTimeout);
    // Events sent on the cut connection may still run, their answers coming on the new one,
    // where they cannot be told from the answers of the next events.
    FDirty = true;
  }

  // Before it checks anything again, the user has the server build the page anew: answers of
  // earlier events go to the old page's socket, never to the new one.
  TTask<void> Resync(TBrowser& ABrowser) {
    Note("resync");
    ++FSoak.Counts.Resyncs;
    co_await FollowReload(ABrowser);
    FDirty = false;
  }

  // A cut connection at a random moment, and the browser reconnecting.
  TTask<bool> MaybeDrop(TBrowser& ABrowser) {
    if (!Chance(FSoak.DropChance))
      co_return false;
    Cut(ABrowser);
    co_await Reconnect(ABrowser);
    co_return true;
  }

  // The connection is cut: closed at once, or with --silent-cuts left open and never used
  // again, as a cut the server does not notice (no end of stream reaches it).
  void Cut(TBrowser& ABrowser) {
    ++FSoak.Counts.Drops;
    Note("drop");
    if (FSoak.SilentCuts)
      FSoak.Abandoned.push_back(ABrowser.Socket.Abandon());
    else
      ABrowser.Socket.Drop();
  }

  // The server's reload script arrived: the browser asks for the page again.
  TTask<void> FollowReload(TBrowser& ABrowser) {
    Note("follow reload");
    FDirty = false;
    co_await ABrowser.Socket.CloseOrderly();
    try {
      co_await ABrowser.LoadPage(true, StepTimeout);
    } catch (const TLoadError& error) {
      if (error.Kind == TFault::Protocol &&
          std::string(error.what()).find("another session") != std::string::npos)
        throw TStartOver{"the session was gone"};
      throw;
    }
    co_await ABrowser.Connect(StepTimeout);
  }

  TTask<void> Navigate(TBrowser& ABrowser, const std::string& APage) {
    co_await PressNavigation(ABrowser, APage, StepTimeout);
    co_await FollowReload(ABrowser);
    Note("on page " + APage);
  }

  // The list's rows as the grid loads them.
  TTask<nlohmann::json> ListRows(TBrowser& ABrowser) {
    const std::string& body = ABrowser.Page.Body;
    const std::size_t at = body.find("rest/json/jqgrid/get?controlid=DBGTAREFAS");
    if (at == std::string::npos)
      throw TLoadError(TFault::Protocol, "the request list page has no grid");
    const std::string path = "/" + body.substr(at, body.find('\'', at) - at) +
                             "&_search=false&nd=1&rows=10&page=1&sidx=&sord=asc";
    const THTTPAnswer answer = co_await HTTPGet(FSoak.Server, path, std::string(), StepTimeout);
    if (answer.Status != 200)
      throw TLoadError(TFault::Refused,
                       "the grid's rows answered " + std::to_string(answer.Status));
    nlohmann::json rows = nlohmann::json::parse(answer.Body, nullptr, false);
    if (!rows.is_array())
      throw TLoadError(TFault::Protocol, "the grid's rows are not a JSON array");
    co_return rows;
  }

  // Chooses a status (option value 1 is every status) and waits for the list.  False when the
  // answer was lost with a cut connection: the filter may or may not have been applied.
  TTask<bool> Filter(TBrowser& ABrowser, int AValue) {
    const nlohmann::json states = nlohmann::json::array(
        {{{"id", "CBBSITUACAO"}, {"selecteditemindex", std::to_string(AValue)}},
         {{"id", "EDTPESQUISA"}, {"text", ""}}});
    Note("send status " + std::to_string(AValue));
    co_await ABrowser.SendEvent(StatusBox, "FacetComponentsStatus=" + states.dump(), StepTimeout);
    if (co_await MaybeDrop(ABrowser))
      co_return false;
    if (!co_await WaitOrDialog(ABrowser, Unlocked))
      throw TLoadError(TFault::Protocol, "choosing a status showed a dialog");
    co_return true;
  }

  // The status name an option of the list's status box stands for ("2 - Em Análise").
  std::string StatusName(const TBrowser& ABrowser, int AValue) {
    const std::string option = "<option value=\"" + std::to_string(AValue) + "\">";
    const std::size_t at = ABrowser.Page.Body.find(option);
    if (at == std::string::npos)
      return {};
    const std::size_t start = at + option.size();
    const std::string text =
        ABrowser.Page.Body.substr(start, ABrowser.Page.Body.find('<', start) - start);
    const std::size_t dash = text.find(" - ");
    return dash == std::string::npos ? text : text.substr(dash + 3);
  }

  TTask<void> FilterAction(TBrowser& ABrowser) {
    ++FSoak.Counts.Filters;
    const int value = std::uniform_int_distribution<int>(2, 7)(FRandom);
    const std::string status = StatusName(ABrowser, value);
    const bool applied = co_await Filter(ABrowser, value);
    const nlohmann::json rows = co_await ListRows(ABrowser);
    if (!applied)
      co_return;
    for (const nlohmann::json& row : rows)
      if (!status.empty() && row.value("NOME_SITUACAO", std::string()) != status) {
        Wrong("the list filtered on \"" + status + "\" shows request " +
              row["ID_SOLICITACAO"].dump() + " with status " + row["NOME_SITUACAO"].dump());
        break;
      }
  }

  TTask<void> EditAction(TBrowser& ABrowser) {
    if (FMine.empty())
      co_return;
    const std::int64_t key =
        FMine[std::uniform_int_distribution<std::size_t>(0, FMine.size() - 1)(FRandom)];
    if (!co_await Filter(ABrowser, 1))
      co_return;
    const nlohmann::json rows = co_await ListRows(ABrowser);
    int recno = 0;
    for (const nlohmann::json& row : rows)
      if (row.value("ID_SOLICITACAO", std::int64_t(0)) == key)
        recno = row.value("FacetRecNo", 0);
    if (recno == 0) {
      Wrong("request " + std::to_string(key) + " is missing from the list (" +
            std::to_string(rows.size()) + " rows)");
      co_return;
    }
    Note("rows " + std::to_string(rows.size()) + ", request " + std::to_string(key) + " is row " +
         std::to_string(recno));
    const std::string select = ABrowser.Page.EventIDAfter("onCellSelect", "dbgTarefas");
    const std::string row = std::to_string(recno);
    Note("send select row " + row);
    co_await ABrowser.Socket.Send(
        EventMessage(ABrowser.Page, "dbgTarefas", select,
                     "rowid=" + row + "&col=1&rowsids=" + row + "&selecttype=select", true),
        StepTimeout);
    if (!co_await WaitOrDialog(ABrowser, Unlocked))
      throw TLoadError(TFault::Protocol, "selecting a row showed a dialog");
    Note("send change");
    co_await ABrowser.SendEvent(ChangeButton, NoStates, StepTimeout);
    if (Chance(FSoak.DropChance / 2)) {
      // The page change is lost with the connection: the user reloads and starts over.
      Cut(ABrowser);
      throw TStartOver{"the request form's page was lost with the connection"};
    }
    co_await ABrowser.Socket.WaitFor(ReloadStatement, StepTimeout);
    co_await FollowReload(ABrowser);
    ++FSoak.Counts.Opens;
    const std::string shown = ShownKey(ABrowser.Page.Body);
    if (shown != std::to_string(key)) {
      Wrong("request " + std::to_string(key) + " was chosen, the form shows " +
            (shown.empty() ? "nothing" : shown));
      throw TStartOver{"the wrong request was shown"};
    }

    TSave save;
    save.Request = key;
    save.Text = "soak u" + std::to_string(FIndex) + " s" + std::to_string(++FSaves) + " g" +
                std::to_string(FSoak.Generation);
    const nlohmann::json states =
        nlohmann::json::array({{{"id", "DBEDESCRICAO"}, {"text", save.Text}}});
    std::vector<TSave>& saves = FSoak.Saves[static_cast<std::size_t>(FIndex)];
    saves.push_back(save);
    Note("send save " + save.Text);
    co_await ABrowser.SendEvent(SaveButton, "FacetComponentsStatus=" + states.dump(), StepTimeout);
    if (!co_await MaybeDrop(ABrowser)) {
      const bool accepted = co_await WaitOrDialog(ABrowser, Unlocked);
      saves.back().Outcome = accepted ? TSave::Accepted : TSave::Refused;
    }
    Note("send leave");
    co_await ABrowser.SendEvent(LeaveButton, NoStates, StepTimeout);
    co_await ABrowser.Socket.WaitFor(ReloadStatement, StepTimeout);
    co_await FollowReload(ABrowser);
    if (ABrowser.Page.Body.find("DBGTAREFAS") == std::string::npos)
      throw TLoadError(TFault::Protocol, "leaving the request form did not show the list");
  }

  static std::string ShownKey(const std::string& ABody) {
    const std::size_t at = ABody.find("id=\"DBECONTROLE\"");
    if (at == std::string::npos)
      return {};
    const std::size_t value = ABody.find("value=\"", at);
    if (value == std::string::npos || value > ABody.find('>', at))
      return {};
    const std::size_t start = value + 7;
    return ABody.substr(start, ABody.find('"', start) - start);
  }

  TTask<void> Session() {
    TBrowser browser(FExecutor, FSoak.Server);
    co_await browser.Open(StepTimeout);
    const std::string user = FIndex % 2 == 0 ? "pelix" : "brud";
    co_await LogIn(browser, user, user, StepTimeout);
    ++FSoak.Counts.Logins;
    co_await Navigate(browser, ListPage);
    while (TClock::now() < FSoak.End) {
      if (FDirty)
        co_await Resync(browser);
      if (Chance(0.3))
        co_await FilterAction(browser);
      else
        co_await EditAction(browser);
      co_await MaybeDrop(browser);
      co_await Sleep(
          std::chrono::milliseconds(std::uniform_int_distribution<int>(50, 300)(FRandom)));
    }
    co_await browser.Socket.CloseOrderly();
  }

  TSoak& FSoak;
  int FIndex;
  asio::any_io_executor FExecutor;
  std::minstd_rand FRandom;
  std::vector<std::int64_t> FMine;
  int FSaves = 0;
  std::deque<std::string> FTrail;
  bool FDirty = false;
};

// Every request's description, read from the database file with the server stopped.
std::map<std::int64_t, std::string> Descriptions(const std::filesystem::path& ADatabase) {
  std::map<std::int64_t, std::string> texts;
  TConnection connection(nullptr);
  TStrings& params = connection.GetParams();
  params.SetValue("Database", ADatabase.string());
  params.SetValue("User_Name", "SYSDBA");
  params.SetValue("CharacterSet", "WIN1252");
  TQuery query(nullptr);
  query.SetConnection(&connection);
  query.GetSQL().SetText("SELECT ID_SOLICITACAO, SOLICITACAO FROM SOLICITACAO");
  query.Open();
  while (!query.GetEof()) {
    texts[query.FieldByName("ID_SOLICITACAO").GetAsLargeInt()] =
        query.FieldByName("SOLICITACAO").GetAsString();
    query.Next();
  }
  query.Close();
  connection.Close();
  return texts;
}

} // namespace

int main(int argc, char** argv) {
  const TArguments arguments(argc, argv);
  if (arguments.Positional.empty()) {
    std::cerr << "usage: bench_load_soak PATH/TO/vozmira-web [--users 10] [--seconds 30] "
                 "[--drop-percent 10] [--restart-at SECONDS] [--step-timeout-seconds 30] "
                 "[--silent-cuts]\n";
    return 2;
  }
  RaiseFileLimit();
  StepTimeout = std::chrono::seconds(arguments.Number("step-timeout-seconds", 30));
  const std::string binary = arguments.Positional[0];
  const double seconds = arguments.Real("seconds", 30);
  const double restartAt = arguments.Real("restart-at", 0);
  TSoak soak;
  soak.Users = static_cast<int>(arguments.Number("users", 10));
  soak.DropChance = arguments.Real("drop-percent", 10) / 100;
  soak.SilentCuts = arguments.Flag("silent-cuts");
  soak.Saves.resize(static_cast<std::size_t>(soak.Users));

  TTempFolder folder("duo-load-soak");
  auto server = std::make_unique<TServerProcess>(TServerOptions{binary, folder.Path(), {}, 300s});
  soak.Server = server->Endpoint();
  std::string restartNote = "no restart";

  RunTask([&](asio::io_context& io) -> TTask<void> {
    const asio::any_io_executor executor = io.get_executor();
    // The requests there are, from the list as the first user sees it.
    {
      TBrowser browser(executor, soak.Server);
      co_await browser.Open(StepTimeout);
      co_await LogIn(browser, std::string("pelix"), std::string("pelix"), StepTimeout);
      co_await PressNavigation(browser, ListPage, StepTimeout);
      co_await browser.Socket.CloseOrderly();
      co_await browser.LoadPage(true, StepTimeout);
      const std::size_t at = browser.Page.Body.find("rest/json/jqgrid/get?controlid=DBGTAREFAS");
      const std::string path =
          "/" + browser.Page.Body.substr(at, browser.Page.Body.find('\'', at) - at);
      const THTTPAnswer answer = co_await HTTPGet(soak.Server, path, std::string(), StepTimeout);
      for (const nlohmann::json& row : nlohmann::json::parse(answer.Body))
        soak.Requests.push_back(row["ID_SOLICITACAO"].get<std::int64_t>());
    }
    std::printf("%zu requests; %d users for %.0f s\n", soak.Requests.size(), soak.Users, seconds);
    std::fflush(stdout);
    const TClock::time_point start = TClock::now();
    soak.End =
        start + std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(seconds));
    std::vector<std::unique_ptr<TUser>> users;
    TWaitGroup group(executor);
    for (int i = 0; i < soak.Users; ++i) {
      users.push_back(std::make_unique<TUser>(soak, i, executor));
      group.Add();
      asio::co_spawn(
          executor,
          [&group, user = users.back().get()]() -> TTask<void> {
            co_await user->Run();
            group.Done();
          },
          asio::detached);
    }
    if (restartAt > 0) {
      co_await Sleep(
          std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(restartAt)));
      // Killed as a crash or a power cut would end it, and started again on the same database
      // and port.
      soak.Down = true;
      server->Kill();
      // The new process is started from this thread, which outlives it: the server is tied to
      // the life of the thread that started it.  The users wait meanwhile.
      server = std::make_unique<TServerProcess>(
          TServerOptions{binary, folder.Path(), {}, 300s, server->Port()});
      ++soak.Generation;
      soak.Down = false;
      restartNote = "killed (SIGKILL) and started again at " + std::to_string(restartAt) + " s";
    }
    co_await group.Wait();
    // Sockets left open belong to this context, which ends here.
    soak.Abandoned.clear();
  });

  const bool alive = server->Running();
  const bool stopped = server->Stop(120s);
  const bool sanitizer = server->ReportedSanitizerError();
  setenv("FIREBIRD_LOCK", (folder.Path() / "lock").c_str(), 1);
  const std::map<std::int64_t, std::string> texts = Descriptions(server->Database());

  // Every accepted save is in the database: each request holds its last accepted text, or the
  // text of a save sent after it whose answer never came.
  int accepted = 0;
  int unconfirmed = 0;
  int refused = 0;
  int checked = 0;
  std::vector<std::string> lost;
  for (const std::vector<TSave>& saves : soak.Saves) {
    std::map<std::int64_t, std::vector<const TSave*>> byRequest;
    for (const TSave& save : saves) {
      byRequest[save.Request].push_back(&save);
      accepted += save.Outcome == TSave::Accepted;
      unconfirmed += save.Outcome == TSave::Unconfirmed;
      refused += save.Outcome == TSave::Refused;
    }
    for (const auto& [request, list] : byRequest) {
      std::size_t last = list.size();
      for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i]->Outcome == TSave::Accepted)
          last = i;
      if (last == list.size())
        continue;
      ++checked;
      const auto found = texts.find(request);
      const std::string stored = found == texts.end() ? "(no such request)" : found->second;
      bool good = false;
      for (std::size_t i = last; i < list.size(); ++i)
        good = good ||
               ((i == last || list[i]->Outcome == TSave::Unconfirmed) && list[i]->Text == stored);
      if (!good)
        lost.push_back("request " + std::to_string(request) + ": accepted \"" + list[last]->Text +
                       "\", the database holds \"" + stored + "\"");
    }
  }

  const TCounts& c = soak.Counts;
  std::printf("%s; server at the end: %s, stop: %s\n", restartNote.c_str(),
              alive ? "running" : "ENDED", server->HowItEnded().c_str());
  std::printf("logins %d, filters %d, requests opened %d, connections cut %d, reconnects %d, "
              "pages built anew after a reconnect %d, sessions started over %d\n",
              c.Logins, c.Filters, c.Opens, c.Drops, c.Reconnects, c.Resyncs, c.StartOvers);
  std::printf("saves: %d accepted, %d unconfirmed (answer lost), %d refused; %d requests "
              "checked in the database, %zu accepted saves lost\n",
              accepted, unconfirmed, refused, checked, lost.size());
  for (const std::string& line : lost)
    std::printf("  LOST %s\n", line.c_str());
  for (const std::string& line : soak.Wrong)
    std::printf("  WRONG %s\n", line.c_str());
  std::printf("faults: %s\n", soak.Faults.Summary().c_str());
  if (!stopped || sanitizer || soak.Faults.Total() > 0)
    std::printf("server's error output:\n%s\n", server->ErrorOutputTail().c_str());
  const bool passed = alive && stopped && !sanitizer && lost.empty() && soak.Wrong.empty() &&
                      soak.Faults.Total() == 0 && accepted > 0;
  PrintFigure("soak, accepted saves missing from the database", static_cast<double>(lost.size()),
              "of " + std::to_string(accepted), "0", lost.empty());
  std::printf("%s\n", passed ? "PASSED" : "FAILED");
  return passed ? 0 : 1;
}
