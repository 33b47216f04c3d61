// A web server process serving the small test form, for tests that drive it from outside: a
// real browser, and a service manager's termination signal.
//
//   duo_test_server ROOT [--database FILE] [--max-sessions N] [--max-connections N]
//
// It listens on a free port of every local address, prints "listening PORT" once it accepts
// connections, and on SIGTERM or SIGINT stops in order (connections, sessions, database) and
// prints "stopped".  With --database it first creates and attaches an embedded database, so the
// database engine is loaded in the process as in the application.  The two limits replace the
// server's defaults, for load tests that open more sessions than those allow.

#include "../server/TestForm.h"

#include "data/TestDatabase.h"
#include "lang/Duo.Lang.Core.h"
#include "server/Facet.BaseClass.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
  // Before anything starts a thread: every thread then leaves the two signals to the waiter.
  TTerminationSignals signals;
  const auto usage = [] {
    std::cerr << "usage: duo_test_server ROOT [--database FILE] [--max-sessions N] "
                 "[--max-connections N]\n";
    return 2;
  };
  if (argc < 2 || argc % 2 != 0)
    return usage();
  const std::filesystem::path root = argv[1];
  std::string database;
  TFacetServerLimits limits;
  try {
    for (int i = 2; i + 1 < argc; i += 2) {
      const std::string option = argv[i];
      if (option == "--database")
        database = argv[i + 1];
      else if (option == "--max-sessions")
        limits.MaxSessions = std::stoi(argv[i + 1]);
      else if (option == "--max-connections")
        limits.MaxConnections = std::stoi(argv[i + 1]);
      else
        return usage();
    }
  } catch (const std::exception&) {
    return usage();
  }
  TComponent owner(nullptr);
  if (!database.empty()) {
    auto* connection = new TConnection(&owner);
    testdb::SetEmbeddedParams(*connection, database);
    connection->CreateDatabase(testdb::DatabaseScripts(), TForcedWrites::fwOff);
    connection->SetConnected(true);
  }
  DuoLangCore = std::make_unique<TDuoLangCore>();
  DuoLangCore->SetLanguages({TDuoLang::English, TDuoLang::Portuguese});
  TDuoManager manager;
  manager.SetPrimaryFormClass(&servertest::TTestForm::StaticClass());
  manager.SetLanguages({TDuoLang::English, TDuoLang::Portuguese});
  {
    TFacetBaseClass server;
    server.Options().SetRootDirectory(std::filesystem::absolute(root).string());
    server.Options().SetUseINIConfig(false);
    server.Options().SetIncludeJQuery(true);
    server.SetServerPort(0);
    server.Limits().MaxSessions = limits.MaxSessions;
    server.Limits().MaxConnections = limits.MaxConnections;
    // Every simulated browser of the load tools speaks from loopback: the budgets of one client
    // address are as large as the server's.
    server.Limits().MaxConnectionsPerAddress = limits.MaxConnections;
    server.Limits().MaxAnonymousSessionsPerAddress = limits.MaxSessions;
    server.Limits().NewSessionsPerAddressBurst = limits.MaxSessions;
    server.Limits().NewSessionsPerAddressPerMinute = 1000000;
    manager.SetFacet(&server);
    server.StartServer();
    std::printf("listening %d\n", server.ServerPort());
    std::fflush(stdout);
    const int signal = signals.Wait();
    std::printf("signal %d\n", signal);
    std::fflush(stdout);
    server.Shutdown();
    manager.SetFacet(nullptr);
  }
  std::printf("stopped\n");
  std::fflush(stdout);
  return 0;
}
