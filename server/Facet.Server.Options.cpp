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

TFacetINIConfig::TFacetINIConfig(std::filesystem::path AFileName)
    : FFileName(std::move(AFileName)), FFile(FFileName.string()) {}

bool TFacetINIConfig::UseSSL() const {
  return FFile.ReadBool(ConfigSection, "UseSSL", false);
}

std::string TFacetINIConfig::PathOf(const char* AKey) const {
  const std::string value = Trim(FFile.ReadString(ConfigSection, AKey, ""));
  if (value.empty())
    return value;
  const std::filesystem::path path(value);
  return (path.is_absolute() ? path : FFileName.parent_path() / path).lexically_normal().string();
}

std::string TFacetINIConfig::SSLCertificateFile() const {
  return PathOf("SSLCertificateFile");
}

std::string TFacetINIConfig::SSLPrivateKeyFile() const {
  return PathOf("SSLPrivateKeyFile");
}

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

namespace {

constexpr const char* LimitsSection = "Duo Server Limits";

template <class T> void ReadCount(const TIniFile& AFile, const char* AName, T& AValue) {
  const int value = AFile.ReadInteger(LimitsSection, AName, static_cast<int>(AValue));
  if (value >= 0)
    AValue = static_cast<T>(value);
}

void ReadMilliseconds(const TIniFile& AFile, const char* AName, std::chrono::milliseconds& AValue) {
  const int value = AFile.ReadInteger(LimitsSection, AName, static_cast<int>(AValue.count()));
  if (value > 0)
    AValue = std::chrono::milliseconds(value);
}

} // namespace

void ReadLimits(const TIniFile& AFile, TFacetServerLimits& ALimits) {
  ReadCount(AFile, "MaxConnections", ALimits.MaxConnections);
  ReadCount(AFile, "MaxSessions", ALimits.MaxSessions);
  ReadCount(AFile, "MaxUploadBytes", ALimits.MaxUploadBytes);
  ReadCount(AFile, "MaxMessageBytes", ALimits.MaxMessageBytes);
  ReadMilliseconds(AFile, "ReadTimeout", ALimits.ReadTimeout);
  ReadMilliseconds(AFile, "WriteTimeout", ALimits.WriteTimeout);
  ReadMilliseconds(AFile, "IdleSessionTimeout", ALimits.IdleSessionTimeout);
  ReadMilliseconds(AFile, "AnonymousSessionTimeout", ALimits.AnonymousSessionTimeout);
  ReadCount(AFile, "WorkerThreads", ALimits.WorkerThreads);
  ReadMilliseconds(AFile, "MaxWait", ALimits.MaxWait);
  ReadCount(AFile, "IOThreads", ALimits.IOThreads);
  ReadCount(AFile, "MaxConnectionsPerAddress", ALimits.MaxConnectionsPerAddress);
  ReadCount(AFile, "MaxAnonymousSessionsPerAddress", ALimits.MaxAnonymousSessionsPerAddress);
  ReadCount(AFile, "NewSessionsPerAddressBurst", ALimits.NewSessionsPerAddressBurst);
  ReadCount(AFile, "NewSessionsPerAddressPerMinute", ALimits.NewSessionsPerAddressPerMinute);
  ReadMilliseconds(AFile, "TokenlessSocketTimeout", ALimits.TokenlessSocketTimeout);
  ReadMilliseconds(AFile, "PingInterval", ALimits.PingInterval);
  ReadCount(AFile, "MaxUploadParts", ALimits.MaxUploadParts);
  ReadCount(AFile, "MaxSessionUploadFiles", ALimits.MaxSessionUploadFiles);
  ReadCount(AFile, "MaxSessionUploadBytes", ALimits.MaxSessionUploadBytes);
  const std::string proxies = AFile.ReadString(LimitsSection, "TrustedProxies", "");
  if (!proxies.empty())
    ALimits.TrustedProxies = AddressList(proxies);
}

std::vector<std::string> AddressList(const std::string& AText) {
  std::vector<std::string> addresses;
  std::size_t start = 0;
  while (start <= AText.size()) {
    const std::size_t comma = std::min(AText.find(',', start), AText.size());
    const std::string address = Trim(AText.substr(start, comma - start));
    if (!address.empty())
      addresses.push_back(address);
    start = comma + 1;
  }
  return addresses;
}

void ReadMonitoring(const TIniFile& AFile, TFacetMonitoring& AMonitoring) {
  constexpr const char* section = "Duo Server Monitoring";
  AMonitoring.Metrics = AFile.ReadBool(section, "Metrics", AMonitoring.Metrics);
  const std::string addresses = AFile.ReadString(section, "MetricsAddresses", "");
  if (!addresses.empty())
    AMonitoring.MetricsAddresses = AddressList(addresses);
  const int probe = AFile.ReadInteger(section, "HealthProbeInterval",
                                      static_cast<int>(AMonitoring.HealthProbeInterval.count()));
  if (probe > 0)
    AMonitoring.HealthProbeInterval = std::chrono::milliseconds(probe);
  const int drain =
      AFile.ReadInteger(section, "DrainTime", static_cast<int>(AMonitoring.DrainTime.count()));
  if (drain >= 0)
    AMonitoring.DrainTime = std::chrono::milliseconds(drain);
}
