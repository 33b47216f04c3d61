// The server's settings as read from "Config.ini": its limits, each with its default when the
// file does not give a usable value, the port and names of the server, and the web root taken
// from the executable's folder.

#include "server/Facet.Server.Options.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

class ServerOptionsTest : public ::testing::Test {
protected:
  ServerOptionsTest()
      : Folder(std::filesystem::temp_directory_path() /
               ("duo-options-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(Folder);
  }
  ~ServerOptionsTest() override { std::filesystem::remove_all(Folder); }

  std::filesystem::path Write(const std::string& AText) {
    const std::filesystem::path file = Folder / "Config.ini";
    std::ofstream(file) << AText;
    return file;
  }

  std::filesystem::path Folder;
};

TEST_F(ServerOptionsTest, LimitsComeFromTheFileAndUnusableValuesKeepTheirDefaults) {
  const TFacetServerLimits defaults;
  TFacetServerLimits limits;
  ReadLimits(TIniFile(Write("[Duo Server Limits]\n"
                            "MaxConnections=300\n"
                            "MaxSessions=-5\n"
                            "MaxUploadBytes=1048576\n"
                            "ReadTimeout=2500\n"
                            "WriteTimeout=0\n"
                            "IdleSessionTimeout=many\n"
                            "WorkerThreads=4\n"
                            "MaxConnectionsPerAddress=0\n"
                            "TrustedProxies= 10.0.0.1 , ,10.0.0.2\n"
                            "[Other]\n"
                            "MaxWait=5\n")
                          .string()),
             limits);
  EXPECT_EQ(limits.MaxConnections, 300);
  EXPECT_EQ(limits.MaxSessions, defaults.MaxSessions);
  EXPECT_EQ(limits.MaxUploadBytes, 1048576U);
  EXPECT_EQ(limits.ReadTimeout, std::chrono::milliseconds(2500));
  EXPECT_EQ(limits.WriteTimeout, defaults.WriteTimeout);
  EXPECT_EQ(limits.IdleSessionTimeout, defaults.IdleSessionTimeout);
  EXPECT_EQ(limits.WorkerThreads, 4);
  EXPECT_EQ(limits.MaxConnectionsPerAddress, 0);
  EXPECT_EQ(limits.TrustedProxies, (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
  // Another section's keys are not limits.
  EXPECT_EQ(limits.MaxWait, defaults.MaxWait);
  EXPECT_EQ(limits.MaxMessageBytes, defaults.MaxMessageBytes);
}

TEST_F(ServerOptionsTest, TheServersPortAndNamesComeFromTheFileOrTheirDefaults) {
  const TFacetINIConfig config(
      Write("[Duo Server Config]\nServer Port=9090\nServer Name=Ouvidoria\n"));
  EXPECT_EQ(config.ServerPort(8888), 9090);
  EXPECT_EQ(config.ServerName("Duo"), "Ouvidoria");
  EXPECT_EQ(config.ServerDescription("none given"), "none given");
  const TFacetINIConfig missing(Folder / "absent.ini");
  EXPECT_EQ(missing.ServerPort(8888), 8888);
  EXPECT_FALSE(std::filesystem::exists(Folder / "absent.ini"));
}

TEST_F(ServerOptionsTest, TLSAndMonitoringComeFromTheFile) {
  const std::filesystem::path file =
      Write("[Duo Server Config]\nUseSSL=1\nSSLCertificateFile=tls/server.crt\n"
            "SSLPrivateKeyFile=/etc/vozmira/server.key\n"
            "[Duo Server Monitoring]\nMetrics=1\nMetricsAddresses=10.0.0.9, 10.0.0.10\n"
            "HealthProbeInterval=0\nDrainTime=3000\n");
  const TFacetINIConfig config(file);
  EXPECT_TRUE(config.UseSSL());
  // A relative file is found beside the settings file, whatever the working directory.
  EXPECT_EQ(config.SSLCertificateFile(), (Folder / "tls" / "server.crt").string());
  EXPECT_EQ(config.SSLPrivateKeyFile(), "/etc/vozmira/server.key");
  TFacetMonitoring monitoring;
  ReadMonitoring(TIniFile(file.string()), monitoring);
  EXPECT_TRUE(monitoring.Metrics);
  EXPECT_EQ(monitoring.MetricsAddresses, (std::vector<std::string>{"10.0.0.9", "10.0.0.10"}));
  EXPECT_EQ(monitoring.HealthProbeInterval, TFacetMonitoring().HealthProbeInterval);
  EXPECT_EQ(monitoring.DrainTime, std::chrono::milliseconds(3000));

  const TFacetINIConfig plain(Write("[Duo Server Config]\nServer Port=9090\n"));
  EXPECT_FALSE(plain.UseSSL());
  EXPECT_EQ(plain.SSLCertificateFile(), "");
}

// The web root never depends on the working directory: a relative root lies in the executable's
// folder, whatever the process's current folder is.
TEST_F(ServerOptionsTest, TheWebRootIsTakenFromTheExecutablesFolder) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(Folder);
  TFacetOptions options;
  EXPECT_EQ(options.RootPath(), (ExecutableDirectory() / "wwwroot").lexically_normal());
  options.SetRootDirectory("site\\pages");
  EXPECT_EQ(options.RootPath(), (ExecutableDirectory() / "site" / "pages").lexically_normal());
  options.SetRootDirectory((Folder / "root").string());
  EXPECT_EQ(options.RootPath(), (Folder / "root").lexically_normal());
  std::filesystem::current_path(before);
}

} // namespace
