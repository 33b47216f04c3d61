// The event and callback protocol over a real WebSocket: control states, handlers, the client
// lock, form-level events, callbacks bound to their page, message dialogs answered in the page.

#include "ServerFixture.h"

#include "render/Facet.Forms.h"
#include "server/Facet.Session.Executor.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <latch>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace servertest;
using ::testing::HasSubstr;

namespace {

class ServerEventsTest : public ServerTest {
protected:
  ServerEventsTest() : Page(OpenPage()), Socket(Port) {
    EXPECT_TRUE(Socket.Handshake(SocketPath(Page)));
    Session = Server.SessionByUUID(Page.UUID);
  }

  // The control states the page's script would send with an event.
  static std::string States(const std::string& AName, bool AChecked, const std::string& AIndex) {
    const TJSON states = TJSON::array({{{"id", "EDTNAME"}, {"text", AName}},
                                       {{"id", "CHKAGREE"}, {"checked", AChecked}},
                                       {{"id", "CMBCOLOUR"}, {"selecteditemindex", AIndex}},
                                       {{"id", "BTNREAD"}},
                                       {{"id", "LBLRESULT"}}});
    return "FacetComponentsStatus=" + states.dump();
  }
  void Click(const std::string& AControl, const std::string& AParameters, bool ALock = true) {
    Socket.SendText(EventMessage(Page, AControl, Page.EventID(AControl), AParameters, ALock));
  }
  // Runs `AWork` as a piece of the session's form code and waits for it.
  void InSession(const std::function<void()>& AWork) { Session->ExecThread(true, AWork); }
  std::string Result() {
    std::string caption;
    InSession([&] {
      caption = static_cast<TTestForm*>(Session->Instance().GetInstance(TTestForm::StaticClass()))
                    ->lblResult->GetCaption();
    });
    return caption;
  }
  TTestForm& Form() {
    return *static_cast<TTestForm*>(Session->Instance().GetInstance(TTestForm::StaticClass()));
  }

  TPageInfo Page;
  TClient Socket;
  std::shared_ptr<TFacetSession> Session;
};

TEST_F(ServerEventsTest, AClickTakesThePagesStatesRunsItsHandlerAndPushesTheChange) {
  // "&", "=" and quotes inside a typed value reach the control whole.
  Click("btnRead", States("Rua A & B = \"C\"", true, "2"));
  const std::optional<std::string> update = Socket.WaitForText("LBLRESULT");
  ASSERT_TRUE(update);
  // The page's change and the lift of the client lock leave as one message, the change first, so
  // the browser is unlocked over the page's final state.
  const TJSON statements = TJSON::parse(*update)["ExecJS"];
  ASSERT_EQ(statements.size(), 2U) << *update;
  EXPECT_THAT(statements[0].get<std::string>(),
              HasSubstr("\"Rua A \\u0026 B = \\\"C\\\"|on|Green\""));
  EXPECT_EQ(statements[1], "UnLockThreadClient();");
  EXPECT_EQ(Result(), "Rua A & B = \"C\"|on|Green");
}

// A browser whose connection was cut opens a new socket; the old one may never be seen to end
// (a cut network sends nothing), so the answers go to the socket opened last.
TEST_F(ServerEventsTest, AfterAReconnectTheAnswersGoToTheNewSocketWhileTheOldOneStaysOpen) {
  TClient again(Port);
  ASSERT_TRUE(again.Handshake(SocketPath(Page)));
  again.SendText(EventMessage(Page, "btnRead", Page.EventID("btnRead"),
                              States("after the cut", false, "1"), true));
  const std::optional<std::string> update = again.WaitForText("LBLRESULT");
  ASSERT_TRUE(update);
  EXPECT_THAT(*update, HasSubstr("after the cut|off|Red"));
  EXPECT_THAT(*update, HasSubstr("UnLockThreadClient();"));
  // Pushes from outside an event follow it too.
  Session->ExecJS("afterTheCut();");
  EXPECT_TRUE(again.WaitForText("afterTheCut();"));
}

// Once a session's work is done it is told so, as its own form code, after the page's changes
// were sent: where an application gives back what an idle session need not keep.
TEST_F(ServerEventsTest, ASessionWhoseWorkEndedIsToldSoAsItsOwnFormCode) {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::string> told;
  InSession([&] {
    Server.OnSessionIdle = [&](TFacetSession& ASession) {
      EXPECT_EQ(TFacetSession::Current(), &ASession);
      std::lock_guard guard(lock);
      told.push_back(Form().lblResult->GetCaption());
      changed.notify_all();
    };
  });
  Click("btnRead", States("idle after this", true, "1"));
  {
    std::unique_lock guard(lock);
    EXPECT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] {
      return !told.empty() && told.back() == "idle after this|on|Red";
    }));
  }
  InSession([&] { Server.OnSessionIdle = nullptr; });
}

TEST_F(ServerEventsTest, EventsOfDisabledOrHiddenControlsDoNotRunTheirHandler) {
  InSession([&] { Form().btnRead->SetEnabled(false); });
  Click("btnRead", States("typed", true, "1"));
  EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
  EXPECT_EQ(Result(), "nothing yet");
  InSession([&] {
    Form().btnRead->SetEnabled(true);
    Form().btnRead->SetVisible(false);
  });
  Click("btnRead", States("typed", true, "1"));
  EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
  EXPECT_EQ(Result(), "nothing yet");
  // A disabled control's state is not taken either.
  InSession([&] {
    Form().btnRead->SetVisible(true);
    Form().edtName->SetEnabled(false);
  });
  Click("btnRead", States("not taken", false, "3"));
  EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
  EXPECT_EQ(Result(), "typed|off|Blue");
  // Nor does focus move to it (a grid's selection takes the same way: nothing before the check).
  const auto focus = [&] {
    Socket.SendText(EventMessage(Page, Page.FormUUID, "ComponentFocused", "FocusedID=EDTNAME"));
    // A click behind it on the same socket: its unlock comes once the focus was handled.
    Click("btnRead", "");
    EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
    TFacetControl* focused = nullptr;
    InSession([&] { focused = Session->GetActiveForm()->GetFocusedControl(); });
    return focused != nullptr && focused->ElementID() == "EDTNAME";
  };
  EXPECT_FALSE(focus());
  InSession([&] {
    Form().edtName->SetEnabled(true);
    Form().edtName->SetVisible(false);
  });
  EXPECT_FALSE(focus());
  InSession([&] { Form().edtName->SetVisible(true); });
  EXPECT_TRUE(focus());
}

TEST_F(ServerEventsTest, MessagesThatFailACheckAreIgnoredAndLeaveTheClientLocked) {
  TPageInfo wrong = Page;
  wrong.Token = std::string(24, 'Z');
  Socket.SendText(EventMessage(wrong, "btnRead", Page.EventID("btnRead"),
                               States("wrong token", true, "1"), true));
  Socket.SendText(
      EventMessage(Page, "btnRead", "NOSUCHEVENT", States("no event", true, "1"), true));
  Socket.SendText("not json at all");
  Socket.SendText(R"({"type":"procedure","name":"ExecEvent","parameters":[{"UUID":"x"}]})");
  // The next good event's answer is the first thing the browser hears.
  Click("btnRead", States("good", false, "1"));
  const auto frame = Socket.ReadFrame();
  ASSERT_TRUE(frame);
  EXPECT_THAT(frame->second, HasSubstr("good|off|Red"));
}

// Two pages of one session both register "Refresh". A callback id runs only on the page that
// registered it: not on its own page once another is shown, and not on the shown page when that
// page's form id comes with the other page's callback id. The refused calls do not lock the
// client, so that only the last, good call's unlock can end the wait.
TEST_F(ServerEventsTest, ACallbackRunsOnlyForThePageThatRegisteredIt) {
  std::atomic<int> firstRuns = 0;
  std::atomic<int> secondRuns = 0;
  std::string firstID;
  std::string secondID;
  std::string secondForm;
  const auto idOf = [&](TFacetForm& page) {
    const std::string js = Session->CallBackJS("Refresh", page.GetFormUUID(), "", true);
    std::smatch match;
    EXPECT_TRUE(std::regex_search(js, match, std::regex("', '([0-9A-Za-z]{18})', ''")));
    return match.empty() ? std::string() : match[1].str();
  };
  InSession([&] {
    TFacetForm* first = Session->GetActiveForm();
    first->CallBacks()->Register("Refresh", [&](TStrings*) { ++firstRuns; });
    firstID = idOf(*first);
    CreateForm<TUploadForm>(&Application())->Show();
    TFacetForm* second = Session->GetActiveForm();
    ASSERT_NE(second, first);
    second->CallBacks()->Register("refresh", [&](TStrings*) { ++secondRuns; });
    secondID = idOf(*second);
    secondForm = second->GetFormUUID();
  });
  ASSERT_NE(firstID, secondID);
  const auto callback = [&](const std::string& formUUID, const std::string& callID, bool lock) {
    const TJSON message = {{"type", "function"},
                           {"name", "CallBack"},
                           {"wait", false},
                           {"parameters", TJSON::array({{{"UUID", Page.UUID}},
                                                        {{"Token", Page.Token}},
                                                        {{"FormUUID", formUUID}},
                                                        {{"CallBackID", callID}},
                                                        {{"Parameters", "x=1"}},
                                                        {{"LockClient", lock}}})}};
    Socket.SendText(message.dump());
  };
  callback(Page.FormUUID, firstID, false);
  callback(secondForm, firstID, false);
  callback(secondForm, secondID, true);
  EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
  EXPECT_EQ(firstRuns, 0);
  EXPECT_EQ(secondRuns, 1);
}

// A grid's cell button reaches the form through its dispatcher: the button's procedure, its click
// event with the form as sender, then the form's CellButtonClick with the page's own objects.
TEST_F(ServerEventsTest, ACellButtonRunsItsProcedureAndClickAndReachesTheFormWithThePageObjects) {
  InSession([&] {
    TFacetForm* page = Session->GetActiveForm();
    auto grid = std::make_unique<TFacetDBGrid>(nullptr);
    TFacetDBGridColumnButton& button = grid->Columns().Add().Buttons().Add("Edit");
    std::vector<std::string> ran;
    button.Proc = [&] { ran.push_back("procedure"); };
    button.OnClick = [&](TObject* sender) {
      ran.push_back(sender == &Form() ? "click from the form" : "click from elsewhere");
    };
    page->DoCellButtonClick(*grid, button, 4, 1);
    EXPECT_EQ(ran, (std::vector<std::string>{"procedure", "click from the form"}));
    EXPECT_EQ(Form().LastCellButton.Grid, grid.get());
    EXPECT_EQ(Form().LastCellButton.Button, &button);
    EXPECT_EQ(Form().LastCellButton.ColIndex, 1);
    EXPECT_EQ(Form().LastCellButton.Row, 4);
  });
}

TEST_F(ServerEventsTest, AMessageDialogWaitsForTheBrowsersAnswerWithoutHoldingTheSessionUp) {
  Click("btnAsk", "");
  const std::optional<std::string> dialog = Socket.WaitForText("DuoMessageDlg(");
  ASSERT_TRUE(dialog);
  const TJSON pushed = TJSON::parse(*dialog);
  const std::string statement = pushed["ExecJS"][0].get<std::string>();
  const TJSON options = TJSON::parse(statement.substr(14, statement.size() - 16));
  EXPECT_EQ(options["text"], "Continue?");
  EXPECT_EQ(options["wait"], true);
  ASSERT_EQ(options["buttons"].size(), 2U);
  const int yes = options["buttons"][0]["result"].get<int>();
  // While the dialog waits, the session's other events still run.
  Click("btnRead", States("meanwhile", false, "1"));
  EXPECT_TRUE(Socket.WaitForText("meanwhile|off|Red"));
  Socket.SendText(EventMessage(Page, Page.FormUUID, "MessageDlgResponse",
                               "result=" + std::to_string(yes) + "&identify=", false));
  EXPECT_TRUE(Socket.WaitForText("answered yes"));
}

TEST_F(ServerEventsTest, PopupsOpenAndCloseInTheBrowserAndTheFormKeepsTrack) {
  InSession([&] { Form().ShowPopup("popFilter"); });
  const std::optional<std::string> shown = Socket.WaitForText("incduopopup");
  ASSERT_TRUE(shown);
  EXPECT_THAT(*shown, HasSubstr("popFilter"));
  InSession([&] { EXPECT_EQ(Form().GetPopupsShowing().IndexOf("popFilter"), 0); });
  InSession([&] { Form().ClosePopup("popFilter"); });
  EXPECT_TRUE(Socket.WaitForText(".hide();"));
  // The browser reports the popup closed.
  Socket.SendText(EventMessage(Page, Page.FormUUID, "OnClosePopup", "popupname=popFilter", true));
  EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
  InSession([&] { EXPECT_EQ(Form().GetPopupsShowing().IndexOf("popFilter"), -1); });
}

TEST_F(ServerEventsTest, AHandlerWaitingWhenTheSessionClosesEndsAndTheSessionIsFreed) {
  Click("btnAsk", "");
  ASSERT_TRUE(Socket.WaitForText("DuoMessageDlg("));
  std::weak_ptr<TFacetSession> weak = Session;
  Session.reset();
  weak.lock()->Close();
  EXPECT_TRUE(Socket.ClosedByServer());
  Server.Shutdown();
  EXPECT_TRUE(weak.expired());
}

// The browser's language when it is enabled; else English when that is; else the last enabled one.
TEST_F(ServerEventsTest, ASessionSpeaksTheBrowsersLanguageOrTheFallbackOfTheEnabledOnes) {
  struct TCase {
    TDuoLangs Enabled;
    TDuoLang Browser;
    TDuoLang Spoken;
  };
  const TCase cases[] = {
      {{TDuoLang::Portuguese, TDuoLang::Spanish}, TDuoLang::Japanese, TDuoLang::Spanish},
      {{TDuoLang::English, TDuoLang::Portuguese, TDuoLang::Spanish},
       TDuoLang::Japanese,
       TDuoLang::English},
      {{TDuoLang::Portuguese, TDuoLang::Spanish}, TDuoLang::Portuguese, TDuoLang::Portuguese},
  };
  for (const TCase& c : cases) {
    Manager.SetLanguages(c.Enabled);
    Session->SetLanguageNav(c.Browser);
    EXPECT_EQ(Session->Language(), c.Spoken);
    EXPECT_EQ(Session->GetLanguageNav(), c.Browser);
  }
}

// What is written to a stream, kept under a lock for the threads that write it.
class TCapturedStream : public std::streambuf {
public:
  std::string Text() {
    std::lock_guard guard(FLock);
    return FText;
  }

protected:
  int overflow(int c) override {
    std::lock_guard guard(FLock);
    if (c != traits_type::eof())
      FText += static_cast<char>(c);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard guard(FLock);
    FText.append(s, static_cast<size_t>(n));
    return n;
  }

private:
  std::mutex FLock;
  std::string FText;
};

// With the message log on, an event typed into a password edit is logged by its kind, name and
// parameter names; the password reaches the form but never the log.
TEST_F(ServerEventsTest, TheMessageLogNamesAnEventButNeverThePasswordItCarries) {
  TCapturedStream log;
  // The log stream changes hands while no server thread runs.
  Server.StopServer();
  std::streambuf* const previous = std::clog.rdbuf(&log);
  Server.Limits().LogMessages = true;
  Server.StartServer();
  Port = Server.ServerPort();
  InSession([&] { Form().edtName->SetPasswordChar('*'); });
  TClient socket(Port);
  ASSERT_TRUE(socket.Handshake(SocketPath(Page)));
  socket.SendText(EventMessage(Page, "btnRead", Page.EventID("btnRead"),
                               States("segredo-123", true, "1"), true));
  EXPECT_TRUE(socket.WaitForText("UnLockThreadClient();"));
  EXPECT_EQ(Result(), "segredo-123|on|Red");
  Server.StopServer();
  std::clog.rdbuf(previous);
  const std::string text = log.Text();
  EXPECT_NE(text.find("WebSocket message: type"), std::string::npos) << text;
  EXPECT_NE(text.find("\"ExecEvent\""), std::string::npos) << text;
  EXPECT_EQ(text.find("segredo"), std::string::npos) << text;
}

// One pooled worker serves two sessions in turn: each piece finds its own session as the current
// one and through its thread, and between the pieces the thread names no session.
TEST_F(ServerEventsTest, OnePooledWorkerServesTwoSessionsInTurnEachWithItsOwnSession) {
  Server.Limits().WorkerThreads = 1;
  Server.StopServer();
  Server.StartServer();
  Port = Server.ServerPort();
  const std::shared_ptr<TFacetSession> other = Server.SessionByUUID(OpenPage().UUID);
  ASSERT_TRUE(other);
  std::map<std::thread::id, std::set<TFacetSession*>> served;
  std::vector<std::thread::id> threads;
  for (int i = 0; i < 20; ++i) {
    TFacetSession* expected = i % 2 == 0 ? Session.get() : other.get();
    expected->ExecThread(true, [&] {
      threads.push_back(std::this_thread::get_id());
      served[threads.back()].insert(expected);
      EXPECT_EQ(TFacetSession::Current(), expected);
      EXPECT_EQ(Server.SessionByThreadID(std::this_thread::get_id(), false), expected);
    });
    EXPECT_TRUE(
        WaitFor([&] { return Server.SessionByThreadID(threads.back(), false) == nullptr; }));
  }
  // The pool takes no new thread now (in a process of its own it has just one): some thread
  // served both sessions.
  EXPECT_TRUE(std::any_of(served.begin(), served.end(),
                          [](const auto& entry) { return entry.second.size() == 2; }));
}

TEST_F(ServerEventsTest, CodeFindsItsSessionThroughItsThreadOnlyWhileItRunsForIt) {
  TFacetSession* found = nullptr;
  InSession([&] { found = Server.SessionByThreadID(std::this_thread::get_id()); });
  EXPECT_EQ(found, Session.get());
  EXPECT_THROW(Server.SessionByThreadID(std::this_thread::get_id()), Exception);
  std::thread other(
      [&] { EXPECT_EQ(Server.SessionByThreadID(std::this_thread::get_id(), false), nullptr); });
  other.join();
  try {
    Server.SessionByThreadID(MainThreadID());
    FAIL() << "the main thread has no session";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Error in Thread becouse ID is Main Thread: Error 7001");
  }
  // Form code outside any session has no application to attach controls to.
  std::thread stray([] { EXPECT_THROW(Application(), EPresentationError); });
  stray.join();
}

} // namespace
