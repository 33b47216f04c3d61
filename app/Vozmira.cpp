#include "app/Vozmira.h"

#include "app/uDM.h"
#include "ui/Forms.h"

namespace {

std::string ConfigFile;

} // namespace

const std::string& StartUpConfigFile() {
  return ConfigFile;
}

int RunVozmira(const std::string& configFile) {
  ConfigFile = configFile;
  TApplication& app = Application();
  app.SetTitle("Vozmira");
  TDM* module = nullptr;
  app.CreateForm(module);
  DM = module;
  // Creating the data module runs its start-up, which holds the whole working session; an error
  // there (no database) is shown by the default error handling and the program ends.
  app.RunUserAction([] { DM->DataModuleCreate(DM); });
  app.Run();
  return 0;
}
