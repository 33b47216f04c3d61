// What the data module every web session of Vozmira creates costs in resident memory, part by
// part: the module's objects, its database attachment (embedded engine), and its queries open as
// a web session opens them once its login was accepted; and what is left once the attachment is
// given back, as an idle session does.  Many modules are made in one
// process and the growth of VmRSS after each part is divided by their number.
//
//   bench_session_memory [--modules 100]

#include "app/uDM.h"
#include "ui/Forms.h"
#include "ui/Headless.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

long ResidentKilobytes() {
  std::ifstream file("/proc/self/status");
  std::string line;
  while (std::getline(file, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::atol(line.c_str() + 6);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  int modules = 100;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--modules")
      modules = std::atoi(argv[i + 1]);
  std::string pattern =
      (std::filesystem::temp_directory_path() / "vozmira-session-memory-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    return 1;
  const std::filesystem::path folder = pattern;
  const std::string config = (folder / "Config.ini").string();
  std::ofstream(config) << "[Database]\nDatabase=office.fdb\n";
  std::filesystem::create_directories(folder / "lock");
  setenv("FIREBIRD_LOCK", (folder / "lock").c_str(), 0);
  {
    TApplication application{std::unique_ptr<TUIBackend>(new THeadlessBackend)};
    TApplicationScope scope{application};
    // The first module creates the database; one more stays open, so that what the engine loads
    // once (its code, the database's metadata) is not counted against the others.
    { TDM(nullptr).Connect(config); }
    TDM warm(nullptr);
    warm.Connect(config);
    warm.OpenQueries();

    const long start = ResidentKilobytes();
    std::vector<std::unique_ptr<TDM>> dms;
    for (int i = 0; i < modules; ++i)
      dms.push_back(std::make_unique<TDM>(nullptr));
    const long made = ResidentKilobytes();
    for (auto& dm : dms)
      dm->Connect(config);
    const long connected = ResidentKilobytes();
    for (auto& dm : dms)
      dm->OpenQueries();
    const long opened = ResidentKilobytes();
    const auto per = [&](long from, long to) { return double(to - from) / modules; };
    std::printf("%d data modules, resident memory a module:\n", modules);
    std::printf("  objects (queries, fields, data sources) %8.0f KB\n", per(start, made));
    std::printf("  database attachment                     %8.0f KB\n", per(made, connected));
    std::printf("  the ten queries of OpenQueries open     %8.0f KB\n", per(connected, opened));
    std::printf("  all                                     %8.0f KB\n", per(start, opened));
    // An idle web session gives its attachment back and keeps its records: what is left is what
    // such a session's module costs (the engine returns an attachment's memory when it ends).
    for (auto& dm : dms)
      dm->conBD->Release();
    std::printf("  attachment given back, records kept     %8.0f KB\n",
                per(start, ResidentKilobytes()));
    dms.clear();
    std::printf("  still resident after freeing them all   %8.0f KB\n",
                per(start, ResidentKilobytes()));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
