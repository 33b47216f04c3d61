#pragma once
// The application's forms on a fresh embedded database: a data module connected to it with its
// queries open, a user logged in, and a host window with the tabbed workspace, all in a headless
// application of the test's own.

#include "app/FormClasses.h"
#include "app/TDI.h"
#include "app/db/DatabaseScripts.h"
#include "app/uDM.h"
#include "app/uLogin.h"
#include "app/uMenu.h"
#include "data/TestDatabase.h"
#include "ui/Driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace apptest {

class AppForms : public ::testing::Test {
protected:
  AppForms() : App(std::unique_ptr<TUIBackend>(new THeadlessBackend)), Scope(App), Driver(App) {}

  void SetUp() override {
    {
      TComponent creatorOwner(nullptr);
      auto* creator = new TConnection(&creatorOwner);
      testdb::SetEmbeddedParams(*creator, Folder.Path() / "office.fdb");
      creator->CreateDatabase(DatabaseScripts(), TForcedWrites::fwOff);
    }
    std::ofstream((Folder.Path() / "Config.ini").string()) << "[Database]\nDatabase=office.fdb\n";
    DM = new TDM(&App);
    DM->Connect((Folder.Path() / "Config.ini").string());
    PrepareDatabase();
    DM->OpenQueries();
    LogIn("pelix");
    RegisterFormClasses();
    Host = CreateForm<TForm>(&App);
    Host->SetName("Host");
    Host->SetClientWidth(1280);
    Host->SetClientHeight(800);
    FTDI = new TTDI(Host, nullptr);
    Host->Show();
  }

  void TearDown() override {
    delete FTDI;
    FTDI = nullptr;
    delete Host;
    delete DM;
  }

  // Changes the starting data before the queries are opened.
  virtual void PrepareDatabase() {}

  // Logs in through the login form as a user of the starting data (whose password is the user
  // name unless given).
  void LogIn(const std::string& user, const std::string& password = {}) {
    fLogin = CreateForm<TfLogin>(&App);
    fLogin->Show();
    Driver.Type("fLogin", "edtLogin", user);
    Driver.Type("fLogin", "edtSenha", password.empty() ? user : password);
    Driver.Click("fLogin", "btnEntrar");
    delete fLogin;
  }

  // Opens a form of class T in the workspace, as the menu's commands do.
  template <class T> T& Open() {
    FTDI->MostrarFormulario(T::StaticClass(), false);
    auto* form = static_cast<T*>(FTDI->Formulario(FTDI->GetPageControl()->GetActivePageIndex()));
    EXPECT_NE(form, nullptr);
    EXPECT_TRUE(form->template Is<T>());
    return *form;
  }

  void Exec(const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(DM->conBD);
    query.GetSQL().SetText(sql);
    query.ExecSQL();
  }

  Variant ReadValue(const std::string& sql) {
    TQuery query(nullptr);
    query.SetConnection(DM->conBD);
    query.GetSQL().SetText(sql);
    query.Open();
    return query.IsEmpty() ? Variant::Null() : query.Fields(0).GetAsVariant();
  }

  testdb::TTempFolder Folder;
  TApplication App;
  TApplicationScope Scope;
  THeadlessDriver Driver;
  TForm* Host = nullptr;
};

} // namespace apptest
