#include "runtime/IniFile.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    FDirectory = std::filesystem::temp_directory_path() /
                 ("inifile-test-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(FDirectory);
    std::filesystem::create_directories(FDirectory);
    FPath = (FDirectory / "Config.ini").string();
  }
  void TearDown() override { std::filesystem::remove_all(FDirectory); }

  void WriteFile(const std::string& content) const {
    std::ofstream(FPath, std::ios::binary) << content;
  }
  std::string ReadFile() const {
    std::ifstream in(FPath, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  std::filesystem::path FDirectory;
  std::string FPath;
};

TEST_F(IniFileTest, ReadingAMissingFileGivesDefaultsAndDoesNotCreateIt) {
  const TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadString("Duo Server Config", "Server Name", "Vozmira"), "Vozmira");
  EXPECT_EQ(ini.ReadInteger("Duo Server Config", "Server Port", 8888), 8888);
  EXPECT_TRUE(ini.ReadBool("Duo Server Config", "UseSSL", true));
  EXPECT_FALSE(ini.SectionExists("Duo Server Config"));
  EXPECT_FALSE(ini.ValueExists("Duo Server Config", "Server Port"));
  EXPECT_TRUE(ini.ReadSections().empty());
  EXPECT_TRUE(ini.ReadSection("Duo Server Config").empty());
  EXPECT_FALSE(std::filesystem::exists(FPath));
}

TEST_F(IniFileTest, WriteThenReadWithoutRegardToCase) {
  TIniFile ini(FPath);
  ini.WriteInteger("Duo Server Config", "Server Port", 8080);
  ini.WriteString("Duo Server Config", "Server Name", "Ouvidoria");
  ini.WriteBool("Database", "Embedded", false);
  ini.WriteString("Database", "Path", "C:\\dados\\vozmira.fdb");

  const TIniFile again(FPath);
  EXPECT_EQ(again.ReadInteger("DUO SERVER CONFIG", "server port", 0), 8080);
  EXPECT_EQ(again.ReadString("duo server config", "SERVER NAME", ""), "Ouvidoria");
  EXPECT_FALSE(again.ReadBool("database", "embedded", true));
  EXPECT_EQ(again.ReadString("Database", "Path", ""), "C:\\dados\\vozmira.fdb");
  EXPECT_TRUE(again.SectionExists("database"));
  EXPECT_TRUE(again.ValueExists("Database", "PATH"));
  EXPECT_FALSE(again.ValueExists("Database", "Server Port"));
  EXPECT_EQ(again.ReadSections(), (std::vector<std::string>{"Duo Server Config", "Database"}));
  EXPECT_EQ(again.ReadSection("Database"), (std::vector<std::string>{"Embedded", "Path"}));

  // Writing an existing key (in other case) changes it in place.
  ini.WriteInteger("duo server config", "SERVER PORT", 9090);
  EXPECT_EQ(ini.ReadInteger("Duo Server Config", "Server Port", 0), 9090);
  EXPECT_EQ(ini.ReadSection("Duo Server Config").size(), 2u);
}

TEST_F(IniFileTest, WritingKeepsCommentsOtherSectionsAndLineBreaks) {
  WriteFile("\xEF\xBB\xBF; written by hand\r\n"
            "[Duo Server Config]\r\n"
            "Server Port = 8888\r\n"
            "# the name shown in the title\r\n"
            "Server Name=Ouvidoria\r\n"
            "\r\n"
            "[Other]\r\n"
            "Key=Value with = sign\r\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadInteger("Duo Server Config", "Server Port", 0), 8888);
  EXPECT_EQ(ini.ReadString("Other", "Key", ""), "Value with = sign");

  ini.WriteInteger("Duo Server Config", "Server Port", 9000);
  ini.WriteString("Duo Server Config", "Server Description", "Atendimento");
  ini.WriteString("Database", "Host", "");
  EXPECT_EQ(ReadFile(), "\xEF\xBB\xBF; written by hand\r\n"
                        "[Duo Server Config]\r\n"
                        "Server Port = 9000\r\n"
                        "# the name shown in the title\r\n"
                        "Server Name=Ouvidoria\r\n"
                        "Server Description=Atendimento\r\n"
                        "\r\n"
                        "[Other]\r\n"
                        "Key=Value with = sign\r\n"
                        "\r\n"
                        "[Database]\r\n"
                        "Host=\r\n");
  EXPECT_TRUE(ini.ValueExists("Database", "Host"));
  EXPECT_EQ(ini.ReadString("Database", "Host", "default"), "");
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  WriteFile("[S]\n"
            "dec= -7 \nhex=0x1F\ndollar=$10\nword=abc\ntrailing=12x\nempty=\nhuge=99999999999\n"
            "one=1\nzero=0\ntwo=2\ntrue=True\nfalse=FALSE\nyes=yes\n");
  const TIniFile ini(FPath);
  const std::pair<const char*, int> integers[] = {
      {"dec", -7},      {"hex", 31},   {"dollar", 16}, {"word", 42},
      {"trailing", 42}, {"empty", 42}, {"huge", 42},   {"missing", 42},
  };
  for (const auto& [key, expected] : integers)
    EXPECT_EQ(ini.ReadInteger("S", key, 42), expected) << key;

  const std::pair<const char*, bool> booleans[] = {
      {"one", true},    {"zero", false}, {"two", true},  {"true", true},
      {"false", false}, {"yes", true},   {"word", true}, {"missing", true},
  };
  for (const auto& [key, expected] : booleans)
    EXPECT_EQ(ini.ReadBool("S", key, true), expected) << key;
  EXPECT_FALSE(ini.ReadBool("S", "yes", false));
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
  TIniFile ini(FPath);
  ini.WriteString("S", "Key", "value");
  const std::string before = ReadFile();
  EXPECT_THROW(ini.WriteString("S", "Key", "two\nlines"), Exception);
  EXPECT_THROW(ini.WriteString("S", "Key", "x\r[Injected]"), Exception);
  EXPECT_THROW(ini.WriteString("S", "a=b", "v"), Exception);
  EXPECT_THROW(ini.WriteString("S", "", "v"), Exception);
  EXPECT_THROW(ini.WriteString("S]x", "Key", "v"), Exception);
  EXPECT_THROW(ini.WriteString("", "Key", "v"), Exception);
  EXPECT_EQ(ReadFile(), before);
}

TEST_F(IniFileTest, WriteFailureIsReported) {
  TIniFile ini((FDirectory / "missing-folder" / "Config.ini").string());
  EXPECT_THROW(ini.WriteString("S", "Key", "v"), Exception);
}

} // namespace
