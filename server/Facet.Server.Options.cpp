#include "server/Facet.Server.Options.h"

#include "runtime/StrUtils.h"

namespace {

constexpr const char* ConfigSection = "Duo Server Config";

} // namespace

std::filesystem::path ExecutableDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : program.parent_path();
}

TFacetOptions::TFacetOptions()
    : FFormatSettings(PtBrFormatSettings()), FDataBaseFormatSettings(::DataBaseFormatSettings()) {}

void TFacetOptions::SetLanguage(const std::string& Value) {
  std::lock_guard guard(FLock);
  FLanguage = Value;
  if (SameText(Value, "pt") || SameText(Value, "pt-br"))
    FFormatSettings = PtBrFormatSettings();
}

TFormatSettings TFacetOptions::FormatSettings() const {
  std::lock_guard guard(FLock);
  return FFormatSettings;
}

std::filesystem::path TFacetOptions::RootPath() const {
  const std::filesystem::path root(StringReplaceAll(FRootDirectory, "\\", "/"));
  return (root.is_absolute() ? root : ExecutableDirectory() / root).lexically_normal();
}

TFacetINIConfig::TFacetINIConfig() : TFacetINIConfig(ExecutableDirectory() / "Config.ini") {}

TFacetINIConfig::TFacetINIConfig(std::filesystem::path AFileName) : FFile(AFileName.string()) {}

int TFacetINIConfig::ServerPort(int ADefaultPort) const {
  return FFile.ReadInteger(ConfigSection, "Server Port", ADefaultPort);
}

std::string TFacetINIConfig::ServerName(const std::string& ADefaultServerName) const {
  return FFile.ReadString(ConfigSection, "Server Name", ADefaultServerName);
}

std::string TFacetINIConfig::ServerDescription(const std::string& ADefaultServerDescription) const {
  return FFile.ReadString(ConfigSection, "Server Description", ADefaultServerDescription);
}

void TFacetINIConfig::WriteServer(int APort, const std::string& AName,
                                  const std::string& ADescription) {
  FFile.WriteInteger(ConfigSection, "Server Port", APort);
  FFile.WriteString(ConfigSection, "Server Name", AName);
  FFile.WriteString(ConfigSection, "Server Description", ADescription);
}
