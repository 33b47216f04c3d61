// The web starter's own session code on a real server over a fresh embedded database: each
// session gets a data module of its own, no working page opens before an accepted login, and
// once one is accepted the working pages open.

#include "../server/WireClient.h"

#include "app/VozmiraWeb.h"
#include "app/uDM.h"
#include "app/uLogin.h"
#include "bridge/Duo.Forms.h"
#include "bridge/Duo.Manager.h"
#include "data/TestDatabase.h"
#include "render/Facet.Forms.h"
#include "server/Facet.BaseClass.h"
#include "server/Facet.Session.h"
#include "ui/StdCtrls.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using ::testing::StartsWith;

class WebStarter : public ::testing::Test {
protected:
  WebStarter() {
    std::filesystem::copy(std::filesystem::path(VOZMIRA_SOURCE_DIR) / "app" / "wwwroot",
                          Folder.Path() / "wwwroot", std::filesystem::copy_options::recursive);
    std::ofstream(Folder.Path() / "Config.ini")
        << "[Database]\nDatabase=office.fdb\n[Duo Server Config]\nServer Port=0\n";
    Web = std::make_unique<TVozmiraWebServer>((Folder.Path() / "Config.ini").string());
    Web->Server().Options().SetRootDirectory((Folder.Path() / "wwwroot").string());
    Web->Server().StartServer();
  }

  // Loads the login page as a new browser would; the session it made.
  std::shared_ptr<TFacetSession> NewSession() {
    const auto before = Web->Server().Sessions();
    servertest::TClient client(Web->Server().ServerPort());
    client.Send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    EXPECT_THAT(client.ReadAll(), StartsWith("HTTP/1.1 200 OK\r\n"));
    for (const auto& session : Web->Server().Sessions())
      if (std::find(before.begin(), before.end(), session) == before.end())
        return session;
    return nullptr;
  }

  // The class of the form whose page the session shows.
  static std::string ActivePage(TFacetSession& ASession) {
    std::string name;
    ASession.ExecThread(true, [&] { name = ASession.GetActiveForm()->DuoForm()->ClassName(); });
    return name;
  }

  testdb::TTempFolder Folder;
  std::unique_ptr<TVozmiraWebServer> Web;
};

TEST_F(WebStarter, NoWorkingPageOpensBeforeAnAcceptedLoginAndThenTheyDo) {
  EXPECT_EQ(DuoManager()->ServerController(), Web->Server().ServerController());
  const std::shared_ptr<TFacetSession> first = NewSession();
  const std::shared_ptr<TFacetSession> second = NewSession();
  ASSERT_TRUE(first && second);
  // Each session has a data module of its own.
  TDM* modules[2] = {};
  first->ExecThread(true, [&] { modules[0] = VozmiraSessionData()->Module.get(); });
  second->ExecThread(true, [&] { modules[1] = VozmiraSessionData()->Module.get(); });
  EXPECT_NE(modules[0], nullptr);
  EXPECT_NE(modules[0], modules[1]);

  // Asked for before a login, and after a refused one, the working pages stay shut.
  first->ExecThread(true, [&] {
    NavigateTo("dashboard");
    NavigateTo("solicitacoes");
    EXPECT_FALSE(CheckWebLogin("pelix", [] {
      return VozmiraSessionData()->Module->ConfereLogin("pelix", "x").has_value();
    }));
    NavigateTo("solicitacoes");
  });
  EXPECT_EQ(ActivePage(*first), "TfLogin");
  EXPECT_FALSE(first->Established());

  first->ExecThread(true, [&] {
    auto* login = static_cast<TfLogin*>(first->GetActiveForm()->DuoForm());
    login->edtLogin->SetText("pelix");
    login->edtSenha->SetText("pelix");
    login->btnEntrar->Click();
  });
  EXPECT_EQ(ActivePage(*first), "TfDashboard");
  EXPECT_TRUE(first->Established());
  first->ExecThread(true, [] { NavigateTo("solicitacoes"); });
  EXPECT_EQ(ActivePage(*first), "TfLisSolicitacoes");
  // The other session is still at its login page.
  second->ExecThread(true, [] { NavigateTo("solicitacoes"); });
  EXPECT_EQ(ActivePage(*second), "TfLogin");
}

} // namespace
