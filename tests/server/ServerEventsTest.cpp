// The event and callback protocol over a real WebSocket: control states, handlers, the client
// lock, form-level events, callbacks bound to their page, message dialogs answered in the page.

#include "ServerFixture.h"

#include "render/Facet.Forms.h"
#include "server/Facet.Session.Executor.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <latch>
#include <mutex>
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

TEST_F(ServerEventsTest, ACallbackRunsOnlyForThePageThatRegisteredIt) {
  std::atomic<int> calls = 0;
  std::string callID;
  InSession([&] {
    TFacetForm* page = Session->GetActiveForm();
    page->CallBacks()->Register("Refresh", [&](TStrings*) {
      ++calls;
      return std::string();
    });
    const std::string js = Session->CallBackJS("Refresh", page->GetFormUUID(), "", true);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(js, match, std::regex("', '([0-9A-Za-z]{18})', ''")));
    callID = match[1];
  });
  const auto callback = [&](const std::string& formUUID) {
    const TJSON message = {{"type", "function"},
                           {"name", "CallBack"},
                           {"wait", false},
                           {"parameters", TJSON::array({{{"UUID", Page.UUID}},
                                                        {{"Token", Page.Token}},
                                                        {{"FormUUID", formUUID}},
                                                        {{"CallBackID", callID}},
                                                        {{"Parameters", "x=1"}},
                                                        {{"LockClient", true}}})}};
    Socket.SendText(message.dump());
  };
  callback("OTHERPAGEUUID");
  callback(Page.FormUUID);
  EXPECT_TRUE(Socket.WaitForText("UnLockThreadClient();"));
  EXPECT_EQ(calls, 1);
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
  Server.StopServer();
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
      {{TDuoLang::English, TDuoLang::Portuguese, TDuoLang::Spanish}, TDuoLang::Japanese,
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
