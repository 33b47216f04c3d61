// One session driven at once from every side: several WebSockets of the same session sending
// clicks with their control states, a thread pushing script to the session from outside its form
// code, and grid data loads over HTTP, all while the session's pieces must still run one at a
// time, each exactly once, in the order each socket sent them; then the session closes while the
// traffic goes on and the server stops in order.

#include "ServerFixture.h"

#include "data/TestDatabase.h"

#include "data/Connection.h"
#include "data/DB.h"
#include "data/DBGrids.h"
#include "data/Query.h"
#include "runtime/Json.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace servertest;

namespace {

constexpr int SocketCount = 4;
constexpr int ClicksPerSocket = 200;
// Clicks a socket may have sent and not yet seen handled: enough to keep every socket's events
// queued behind the others', few enough that the queue never grows without end.
constexpr int ClicksInFlight = 16;
// Pushes sent and not yet read by the test, for the same reason.
constexpr int PushesInFlight = 64;
constexpr int GridRows = 40;
constexpr int GridLoaders = 2;
// An upper bound for waits on the server; a healthy run takes a small fraction of it.
constexpr auto Patience = std::chrono::minutes(3);

// The test form's colours, in the order of its combo box.
const char* const Colours[] = {"Red", "Green", "Blue"};

// What the session's form code did, as seen from inside its handlers.
struct TStressLog {
  std::mutex Lock;
  std::condition_variable Changed;
  // "socket:index|on|Colour" as each click handler read its controls, in the order they ran.
  std::vector<std::string> Clicks;
  // Clicks handled per socket.
  std::map<int, int> Handled;
  // Handlers inside now, and how often one found another inside.
  int Inside = 0;
  int Overlaps = 0;
  int GridScrolls = 0;
  bool FormFreed = false;
};

// The log and database of the running test; set before the session that reads them exists.
TStressLog* Log = nullptr;
std::filesystem::path StressDatabase;

// Marks form code running for as long as it lives, and counts one that finds other form code of
// the session running at the same moment.
class TInside {
public:
  TInside() {
    std::lock_guard guard(Log->Lock);
    if (++Log->Inside > 1)
      ++Log->Overlaps;
  }
  ~TInside() {
    std::lock_guard guard(Log->Lock);
    --Log->Inside;
  }
  TInside(const TInside&) = delete;
  TInside& operator=(const TInside&) = delete;
};

// The form every session of this test starts with: the controls of a click with states, and a
// grid over a table of an embedded database that the browser loads by HTTP.
class TStressForm : public TTestForm {
  DUO_CLASS(TStressForm, TTestForm)

public:
  explicit TStressForm(TComponent* AOwner) : TTestForm(AOwner) {
    SetFormName("fStress");
    btnRead->OnClick = [this](TObject*) {
      TInside inside;
      const std::string seen = edtName->GetText() + "|" + (chkAgree->GetChecked() ? "on" : "off") +
                               "|" + cmbColour->GetText();
      // Gives other threads the processor for a moment: another piece running now would find
      // this one inside, or change these controls under it.
      for (int i = 0; i < 50; ++i)
        std::this_thread::yield();
      lblResult->SetCaption(seen);
      std::lock_guard guard(Log->Lock);
      Log->Clicks.push_back(seen);
      ++Log->Handled[std::stoi(seen.substr(0, seen.find(':')))];
      Log->Changed.notify_all();
    };

    Connection = new TConnection(this);
    testdb::SetEmbeddedParams(*Connection, StressDatabase);
    Connection->SetConnected(true);
    Rows = new TQuery(this);
    Rows->SetConnection(Connection);
    Rows->GetSQL().SetText("SELECT ID, NAME FROM ROWS_ ORDER BY ID");
    // A grid load walks the rows: each step is form code of the session too.
    Rows->AfterScroll = [](TDataSet*) {
      TInside inside;
      std::lock_guard guard(Log->Lock);
      ++Log->GridScrolls;
    };
    Rows->Open();
    Source = new TDataSource(this);
    Source->SetDataSet(Rows);
    dbgRows = Make<TDBGrid>("dbgRows");
    for (const char* field : {"ID", "NAME"})
      dbgRows->GetColumns().Add().SetFieldName(field);
    dbgRows->SetDataSource(Source);
  }
  ~TStressForm() override {
    std::lock_guard guard(Log->Lock);
    Log->FormFreed = true;
  }

  void ExportDuo() override {
    SetTitle("Stress form");
    ExportDuoAllControls();
  }

  TConnection* Connection;
  TQuery* Rows;
  TDataSource* Source;
  TDBGrid* dbgRows;
};

const TClassInfo& TStressForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TStressForm>("TStressForm").Creatable().Build();
  return info;
}

// The control states a click of socket `ASocket` with number `AIndex` brings, and what its
// handler must read from them.
struct TClickCase {
  std::string Name;
  bool Checked;
  int Colour;

  TClickCase(int ASocket, int AIndex)
      : Name(std::to_string(ASocket) + ":" + std::to_string(AIndex)), Checked(AIndex % 2 == 1),
        Colour((AIndex + ASocket) % 3) {}
  std::string Parameters() const {
    const TJSON states =
        TJSON::array({{{"id", "EDTNAME"}, {"text", Name}},
                      {{"id", "CHKAGREE"}, {"checked", Checked}},
                      {{"id", "CMBCOLOUR"}, {"selecteditemindex", std::to_string(Colour + 1)}},
                      {{"id", "BTNREAD"}},
                      {{"id", "LBLRESULT"}}});
    return "FacetComponentsStatus=" + states.dump();
  }
  std::string Seen() const { return Name + "|" + (Checked ? "on" : "off") + "|" + Colours[Colour]; }
};

// What the session's newest socket, the one its pushes go to, received.
struct TNewestSocketLog {
  std::mutex Lock;
  std::condition_variable Changed;
  int Unlocks = 0;
  std::vector<int> Pushes;
  bool Ended = false;
  bool ClosedByServer = false;
};

// The grid loads' answers.
struct TLoadLog {
  std::mutex Lock;
  std::condition_variable Changed;
  int Answered = 0;
  // Connections the server closed without an answer (only once the session is closing).
  int Refused = 0;
  std::vector<std::string> Bad;
};

class SessionStressTest : public ServerTest {
protected:
  SessionStressTest() {
    Log = &FormLog;
    StressDatabase = Database.Path() / "stress.fdb";
    std::string script = "CREATE TABLE ROWS_ (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));";
    for (int i = 1; i <= GridRows; ++i)
      script +=
          "INSERT INTO ROWS_ VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) + "');";
    {
      TComponent owner(nullptr);
      auto* creator = new TConnection(&owner);
      testdb::SetEmbeddedParams(*creator, StressDatabase);
      creator->CreateDatabase({script}, TForcedWrites::fwOff);
    }
    Manager.SetPrimaryFormClass(&TStressForm::StaticClass());
    Page = OpenPage();
    Session = Server.SessionByUUID(Page.UUID);
    ClickEventID = Page.EventID("btnRead");
    std::smatch match;
    if (std::regex_search(Page.Body, match, std::regex("'(rest/json/jqgrid/get\\?[^']*)'")))
      GridPath = "/" + match[1].str() + "&channelname=x";
    for (int i = 0; i < SocketCount; ++i) {
      Sockets.push_back(std::make_unique<TClient>(Port));
      Opened = Sockets.back()->Handshake(SocketPath(Page)) && Opened;
    }
  }
  ~SessionStressTest() override {
    StopBackground();
    JoinSenders();
    // Closing the session's sockets ends the newest socket's reader; its forms go before the log.
    Server.Shutdown();
    if (Reader.joinable())
      Reader.join();
    Log = nullptr;
  }

  // ---- the traffic

  // Each socket sends clicks [AFrom, ATo) of its own, at most ClicksInFlight ahead of its
  // handlers, until it has sent them all, sending fails or the senders are told to stop.
  void StartSenders(int AFrom, int ATo) {
    for (int socket = 0; socket < SocketCount; ++socket)
      Senders.emplace_back([this, socket, AFrom, ATo] {
        for (int i = AFrom; i < ATo; ++i) {
          {
            std::unique_lock guard(FormLog.Lock);
            FormLog.Changed.wait(guard, [&] {
              return StopSending || FormLog.Handled[socket] > i - AFrom - ClicksInFlight;
            });
            if (StopSending)
              return;
          }
          if (!Sockets[static_cast<size_t>(socket)]->SendText(EventMessage(
                  Page, "btnRead", ClickEventID, TClickCase(socket, i).Parameters(), true)))
            return;
          ++Sent;
        }
      });
  }
  // Stops the senders that are still waiting to send and waits for all of them.
  void JoinSenders() {
    {
      std::lock_guard guard(FormLog.Lock);
      StopSending = true;
      FormLog.Changed.notify_all();
    }
    for (std::thread& sender : Senders)
      sender.join();
    Senders.clear();
  }

  // Reads everything the newest socket gets until the server closes it.
  void StartReader() {
    Reader = std::thread([this] {
      TClient& socket = *Sockets.back();
      const std::string push = "stressPush(";
      while (const auto frame = socket.ReadFrame()) {
        const size_t pushAt = frame->second.find(push);
        std::lock_guard guard(Newest.Lock);
        if (frame->second.find("UnLockThreadClient();") != std::string::npos)
          ++Newest.Unlocks;
        else if (pushAt != std::string::npos)
          Newest.Pushes.push_back(std::stoi(frame->second.substr(pushAt + push.size())));
        Newest.Changed.notify_all();
      }
      const bool closed = socket.ClosedByServer();
      std::lock_guard guard(Newest.Lock);
      Newest.Ended = true;
      Newest.ClosedByServer = closed;
      Newest.Changed.notify_all();
    });
  }

  // Pushes numbered script statements to the session from outside its form code, at most
  // PushesInFlight ahead of what the newest socket read, until told to stop or the socket closed.
  void StartPusher() {
    Background.emplace_back([this, session = Session] {
      for (int n = 0; !StopBackgroundWork; ++n) {
        {
          std::unique_lock guard(Newest.Lock);
          Newest.Changed.wait(guard, [&] {
            return StopBackgroundWork || Newest.Ended ||
                   static_cast<int>(Newest.Pushes.size()) > n - PushesInFlight;
          });
          if (StopBackgroundWork || Newest.Ended)
            return;
        }
        session->ExecJS("stressPush(" + std::to_string(n) + ");");
        Pushed = n + 1;
      }
    });
  }

  // Loads the grid's rows over HTTP, each load on a connection of its own, until told to stop.
  // A load waits its turn behind the session's clicks, which under a slow build can take longer
  // than a plain request's timeout: an empty answer must mean a refusal, not a slow queue.
  void StartLoaders() {
    for (int i = 0; i < GridLoaders; ++i)
      Background.emplace_back([this] {
        while (!StopBackgroundWork) {
          const std::string answer =
              Get(GridPath, "", std::chrono::duration_cast<std::chrono::seconds>(Patience));
          const std::string problem = GridAnswerProblem(answer);
          std::lock_guard guard(Loads.Lock);
          if (answer.empty())
            ++Loads.Refused;
          else if (problem.empty())
            ++Loads.Answered;
          else
            Loads.Bad.push_back(problem);
          Loads.Changed.notify_all();
        }
      });
  }
  void StopBackground() {
    StopBackgroundWork = true;
    {
      std::lock_guard guard(Newest.Lock);
      Newest.Changed.notify_all();
    }
    for (std::thread& thread : Background)
      thread.join();
    Background.clear();
  }

  // Empty when `AAnswer` is a grid load's full answer: status, type and every row as JSON.
  static std::string GridAnswerProblem(const std::string& AAnswer) {
    const size_t bodyAt = AAnswer.find("\r\n\r\n");
    if (!AAnswer.starts_with("HTTP/1.1 200 OK\r\n") || bodyAt == std::string::npos ||
        AAnswer.find("Content-Type: application/json") == std::string::npos)
      return "not a JSON answer: " + AAnswer.substr(0, 200);
    TJSON rows;
    try {
      rows = TJSON::parse(AAnswer.substr(bodyAt + 4));
    } catch (const std::exception& e) {
      return std::string("invalid JSON: ") + e.what();
    }
    if (!rows.is_array() || rows.size() != static_cast<size_t>(GridRows))
      return "not all rows: " + rows.dump().substr(0, 200);
    for (int i = 0; i < GridRows; ++i) {
      const TJSON& row = rows[static_cast<size_t>(i)];
      if (!row.is_object() || row.value("NAME", "") != "row " + std::to_string(i + 1) ||
          row.value("FacetRecNo", 0) != i + 1)
        return "wrong row: " + row.dump();
    }
    return {};
  }

  // Waits until `ADone` holds; false when it does not within Patience.
  template <class TLogType, class TPredicate> static bool Await(TLogType& ALog, TPredicate ADone) {
    std::unique_lock guard(ALog.Lock);
    return ALog.Changed.wait_for(guard, Patience, ADone);
  }

  // ---- the checks

  // Every handled click ran with exactly the states its own event brought, none twice, and each
  // socket's clicks ran in the order the socket sent them.
  void ExpectClicksRanOnceInOrderWithTheirStates() {
    std::lock_guard guard(FormLog.Lock);
    std::set<std::string> seen;
    std::map<int, int> last;
    for (const std::string& click : FormLog.Clicks) {
      EXPECT_TRUE(seen.insert(click).second) << click << " was seen by two handlers";
      const size_t colon = click.find(':');
      const int socket = std::stoi(click.substr(0, colon));
      const int index = std::stoi(click.substr(colon + 1));
      EXPECT_EQ(click, TClickCase(socket, index).Seen()) << "the handler read other states";
      const auto previous = last.find(socket);
      EXPECT_TRUE(previous == last.end() || previous->second < index)
          << click << " ran after click " << previous->second << " of its socket";
      last[socket] = index;
    }
    EXPECT_EQ(FormLog.Overlaps, 0) << "form code of the session ran alongside other form code";
  }

  // The pushes the newest socket got are the ones pushed, in order, none missing.
  void ExpectPushesInOrder(int AAtLeast) {
    std::lock_guard guard(Newest.Lock);
    EXPECT_GE(static_cast<int>(Newest.Pushes.size()), AAtLeast);
    for (size_t i = 0; i < Newest.Pushes.size(); ++i)
      if (Newest.Pushes[i] != static_cast<int>(i)) {
        ADD_FAILURE() << "push " << i << " arrived as " << Newest.Pushes[i];
        break;
      }
  }

  void ExpectNoBadGridAnswers() {
    std::lock_guard guard(Loads.Lock);
    EXPECT_THAT(Loads.Bad, ::testing::IsEmpty());
  }

  testdb::TTempFolder Database;
  TStressLog FormLog;
  TPageInfo Page;
  std::shared_ptr<TFacetSession> Session;
  std::string GridPath;
  std::string ClickEventID;
  std::vector<std::unique_ptr<TClient>> Sockets;
  bool Opened = true;

  std::vector<std::thread> Senders;
  bool StopSending = false; // guarded by FormLog.Lock
  std::atomic<int> Sent = 0;
  std::thread Reader;
  TNewestSocketLog Newest;
  std::vector<std::thread> Background;
  std::atomic<bool> StopBackgroundWork = false;
  std::atomic<int> Pushed = 0;
  TLoadLog Loads;
};

TEST_F(SessionStressTest, ManySocketsOfOneSessionRunEveryClickOnceAloneAndInOrder) {
  ASSERT_TRUE(Session);
  ASSERT_TRUE(Opened);
  ASSERT_THAT(GridPath, ::testing::HasSubstr("eventid="));
  ASSERT_THAT(GridPath, ::testing::HasSubstr("FormUUID=" + Page.FormUUID));
  StartReader();
  StartPusher();
  StartLoaders();
  StartSenders(0, ClicksPerSocket);
  const int clicks = SocketCount * ClicksPerSocket;
  ASSERT_TRUE(Await(FormLog, [&] { return static_cast<int>(FormLog.Clicks.size()) >= clicks; }))
      << "not every click was handled";
  JoinSenders();
  EXPECT_EQ(Sent, clicks);
  // Each click lifts the client lock once its handler ran.
  EXPECT_TRUE(Await(Newest, [&] { return Newest.Unlocks >= clicks; }));
  // Some grid loads ran among the clicks; the last ones end before the checks.
  EXPECT_TRUE(Await(Loads, [&] { return Loads.Answered >= 2 * GridLoaders; }));
  StopBackground();
  const int pushed = Pushed;
  EXPECT_TRUE(Await(Newest, [&] { return static_cast<int>(Newest.Pushes.size()) >= pushed; }));

  {
    std::lock_guard guard(FormLog.Lock);
    EXPECT_EQ(static_cast<int>(FormLog.Clicks.size()), clicks);
  }
  ExpectClicksRanOnceInOrderWithTheirStates();
  {
    std::lock_guard guard(Newest.Lock);
    EXPECT_EQ(Newest.Unlocks, clicks);
    EXPECT_FALSE(Newest.Ended);
  }
  ExpectPushesInOrder(pushed);
  ExpectNoBadGridAnswers();
  {
    std::lock_guard guard(Loads.Lock);
    EXPECT_EQ(Loads.Refused, 0);
  }
  {
    // Every load walked the rows as form code of the session.
    std::scoped_lock guard(FormLog.Lock, Loads.Lock);
    EXPECT_GE(FormLog.GridScrolls, Loads.Answered * GridRows);
  }
  // The session lives on and its form shows the last click one of the sockets sent.
  EXPECT_TRUE(Server.SessionValid(Page.Token, Page.UUID));
  EXPECT_FALSE(Session->Closing());
  std::string caption;
  Session->ExecThread(true, [&] {
    caption = static_cast<TStressForm*>(Session->Instance().GetInstance(TStressForm::StaticClass()))
                  ->lblResult->GetCaption();
  });
  std::lock_guard guard(FormLog.Lock);
  EXPECT_EQ(caption, FormLog.Clicks.back());
}

TEST_F(SessionStressTest, ASessionClosedInTheMiddleOfTrafficEndsAndTheServerStopsInOrder) {
  ASSERT_TRUE(Session);
  ASSERT_TRUE(Opened);
  StartReader();
  StartPusher();
  StartLoaders();
  // More clicks than run before the close: they are still arriving when it comes.
  StartSenders(0, 100 * ClicksPerSocket);
  ASSERT_TRUE(Await(FormLog, [&] { return FormLog.Clicks.size() >= 100; }));
  ASSERT_TRUE(Await(Loads, [&] { return Loads.Answered >= 1; }));
  const int pushedBeforeClose = Pushed;
  std::weak_ptr<TFacetSession> weak = Session;
  Session.reset();
  weak.lock()->Close();
  EXPECT_FALSE(Server.SessionValid(Page.Token, Page.UUID));

  // The server closes every socket of the session; the traffic still coming finds it gone.
  for (size_t i = 0; i + 1 < Sockets.size(); ++i)
    EXPECT_TRUE(Sockets[i]->ClosedByServer()) << "socket " << i;
  EXPECT_TRUE(Await(Newest, [&] { return Newest.Ended; }));
  {
    std::lock_guard guard(Newest.Lock);
    EXPECT_TRUE(Newest.ClosedByServer);
  }
  JoinSenders();
  // Grid loads asked after the close are refused.
  {
    std::unique_lock guard(Loads.Lock);
    const int refused = Loads.Refused;
    EXPECT_TRUE(Loads.Changed.wait_for(guard, Patience, [&] { return Loads.Refused > refused; }));
  }
  StopBackground();

  ExpectClicksRanOnceInOrderWithTheirStates();
  ExpectPushesInOrder(pushedBeforeClose);
  ExpectNoBadGridAnswers();

  Server.Shutdown();
  EXPECT_EQ(Server.SessionCount(), 0);
  std::lock_guard guard(FormLog.Lock);
  EXPECT_TRUE(weak.expired()) << "the session outlived the server";
  EXPECT_TRUE(FormLog.FormFreed) << "the session's forms outlived the server";
  EXPECT_EQ(FormLog.Inside, 0);
  EXPECT_EQ(FormLog.Overlaps, 0);
}

} // namespace
