#include "server/Facet.Server.Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <latch>
#include <regex>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

namespace fs = std::filesystem;

const fs::path Root = "/srv/app/wwwroot";

TEST(StaticFilePath, HostilePathsAreRefused) {
  const std::string hostile[] = {
      "/../Config.ini",
      "/..%2FConfig.ini",
      "/%2E%2E%2FConfig.ini",
      "/%2E%2E/Config.ini",
      "/js%5C..%5C..%5Cx",
      "/js\\..\\..\\x",
      "/js/../../x",
      "/js/..",
      // "%25" decodes before "%2E", so a doubly escaped dot still becomes one.
      "/%252E%252E%252FConfig.ini",
      "/C%3A/windows/win.ini",
      "/C:/windows/win.ini",
      "/file.txt:stream",
      "/temp/Sessions/x/a.html",
      "/TEMP/x",
      "/Temp/Sessions",
      "/./temp/x.html",
      "//temp/x.html",
      "/%5Ctemp/x.html",
      // Absolute and network paths.
      "//etc/passwd",
      "/%2Fetc%2Fpasswd",
      "/%5C%5Cserver%5Cshare%5Cx",
      "etc/passwd",
      "",
      // Control characters, NUL included.
      std::string("/a\0b.html", 9),
      "/a\tb.html",
      "/a\x7f.html",
      // The root itself is no file.
      "/",
      "/./",
      "/?x=1",
  };
  for (const std::string& path : hostile) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ResolveStaticFile(Root, path), std::nullopt);
  }
}

TEST(StaticFilePath, PathsInsideTheRootMapToTheirFile) {
  struct Case {
    const char* Path;
    const char* File;
  };
  const Case cases[] = {
      {"/index.html?x=1", "index.html"},
      {"/img/a%20b.png", "img/a b.png"},
      // Lower-case escapes and escapes of other bytes stay in the name.
      {"/x%c3.png", "x%c3.png"},
      {"/x%C3%A9.png", "x%C3%A9.png"},
      {"/js\\facetserver.js", "js/facetserver.js"},
      {"/js%5Cfacetserver.js", "js/facetserver.js"},
      {"/js//x.js", "js/x.js"},
      {"/./css/./a.css", "css/a.css"},
      // An escaped "?" ends the path like a real one.
      {"/a%3Fb.html", "a"},
      {"/...", "..."},
      {"/temporary/a.css", "temporary/a.css"},
      {"/css/temp/a.css", "css/temp/a.css"},
      {"/%7Euser/a%2Bb.txt", "~user/a+b.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    const std::optional<fs::path> file = ResolveStaticFile(Root, c.Path);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->string(), (Root / c.File).string());
  }
  // A root given with a trailing separator or dot segments is normalised first.
  EXPECT_EQ(ResolveStaticFile("/srv/app/./wwwroot/", "/a.css")->string(), "/srv/app/wwwroot/a.css");
}

TEST(StaticFilePath, OnlyTheUpperCaseEscapesOfPathCharactersAreDecoded) {
  EXPECT_EQ(DecodeFilePathEscapes("%20%21%22%23%24%25%26%27%28%29%2A%2B%2C%2D%2E%2F%3A%3B%3C%3D"
                                  "%3E%3F%40%5B%5C%5D%5E%5F%60%7B%7C%7D%7E"),
            " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~");
  EXPECT_EQ(DecodeFilePathEscapes("%2e%2f%5c%c3%A9%00%41%0A"), "%2e%2f%5c%c3%A9%00%41%0A");
  // In order: "%25" is decoded before "%2E" and "%3A", but after "%20".
  EXPECT_EQ(DecodeFilePathEscapes("%252E%253A%2520"), ".:%20");
}

TEST(UploadName, KeepsOnlyASafeLastComponent) {
  struct Case {
    std::string Sent;
    std::string Kept;
  };
  const Case cases[] = {
      {"foto.png", "foto.png"},
      {"Relatório final.pdf", "Relatório final.pdf"},
      {"..\\..\\js\\facetserver.js", "facetserver.js"},
      {"a/b/c.txt", "c.txt"},
      {"C:\\Users\\x\\doc.txt", "doc.txt"},
      {"/etc/passwd", "passwd"},
      {"a:b.txt", "ab.txt"},
      {"x.txt:evil", "x.txtevil"},
      {"a\tb\r\n.txt", "ab.txt"},
      {std::string("a\0b.txt", 7), "ab.txt"},
      {"a\x7f.txt", "a.txt"},
      {"..x.txt", "..x.txt"},
      {"CONSOLE.txt", "CONSOLE.txt"},
      {"COM10", "COM10"},
      {"LPT0.txt", "LPT0.txt"},
      // Nothing safe left.
      {"", ""},
      {".", ""},
      {"..", ""},
      {"a/..", ""},
      {"x\\", ""},
      {".:.", ""},
      {":", ""},
      {"\x01\x02", ""},
      {"CON", ""},
      {"con", ""},
      {"nul.txt", ""},
      {"Aux.tar.gz", ""},
      {"PRN", ""},
      {"COM1", ""},
      {"com9.log", ""},
      {"LPT1", ""},
      {"lpt9.txt", ""},
      {"NUL .txt", ""},
      {"dir/CON", ""},
      {"...", ""},
      {". .", ""},
      {std::string(200, 'a'), std::string(200, 'a')},
      {std::string(201, 'a'), ""},
      {std::string(5000, 'a') + ".png", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Sent);
    EXPECT_EQ(SanitizeUploadName(c.Sent), c.Kept);
  }
}

class UploadFolder : public testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vozmira-upload-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FDir = pattern;
  }
  void TearDown() override { fs::remove_all(FDir); }

  void Touch(const std::string& name) { std::ofstream(FDir / name) << "old"; }
  std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path FDir;
};

// A taken name gets a random suffix in one step, however many files of that name exist.
TEST_F(UploadFolder, ATakenNameGetsARandomSuffixInOneStep) {
  struct Case {
    std::vector<std::string> Existing;
    std::string Name;
    std::regex Created;
  };
  const Case cases[] = {
      {{}, "a.txt", std::regex("a\\.txt")},
      {{"foto.png"}, "foto.png", std::regex("foto-[0-9A-Za-z]{8}\\.png")},
      {{"README"}, "README", std::regex("README-[0-9A-Za-z]{8}")},
      {{"x.tar.gz"}, "x.tar.gz", std::regex("x\\.tar-[0-9A-Za-z]{8}\\.gz")},
      {{"a.txt"}, "A.txt", std::regex("A\\.txt")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove_all(FDir);
    fs::create_directory(FDir);
    for (const std::string& name : c.Existing)
      Touch(name);
    TCreatedFile file = CreateUniqueFile(FDir, c.Name);
    EXPECT_EQ(file.Path().parent_path(), FDir);
    EXPECT_TRUE(std::regex_match(file.Path().filename().string(), c.Created))
        << file.Path().filename();
    file.Write("new");
    file.Close();
    EXPECT_EQ(Read(file.Path()), "new");
    // Files that were there are left alone.
    for (const std::string& name : c.Existing)
      EXPECT_EQ(Read(FDir / name), "old") << name;
  }
  // Thousands of files of one name cost one creation each.
  fs::remove_all(FDir);
  fs::create_directory(FDir);
  std::set<fs::path> created;
  for (int i = 0; i < 2000; ++i)
    created.insert(CreateUniqueFile(FDir, "a").Path());
  EXPECT_EQ(created.size(), 2000U);
}

TEST_F(UploadFolder, WrittenBytesArriveUnchanged) {
  std::string bytes;
  for (int i = 0; i < 3 * 256; ++i)
    bytes += static_cast<char>(i % 256);
  TCreatedFile file = CreateUniqueFile(FDir, "data.bin");
  file.Write(bytes.substr(0, 100));
  file.Write(bytes.substr(100));
  EXPECT_TRUE(file.IsOpen());
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  file.Close();
  EXPECT_EQ(Read(file.Path()), bytes);

  // A file left unclosed is closed with its object, and keeps what was written.
  fs::path path;
  {
    TCreatedFile other = CreateUniqueFile(FDir, "data.bin");
    other.Write("abc");
    path = other.Path();
  }
  EXPECT_NE(path, FDir / "data.bin");
  EXPECT_EQ(Read(path), "abc");
}

TEST_F(UploadFolder, TwoUploadsRacingForOneNameGetTwoFiles) {
  for (int round = 0; round < 50; ++round) {
    const fs::path dir = FDir / std::to_string(round);
    fs::create_directory(dir);
    std::latch start(2);
    fs::path created[2];
    std::thread threads[2];
    for (int t = 0; t < 2; ++t)
      threads[t] = std::thread([&, t] {
        start.arrive_and_wait();
        TCreatedFile file = CreateUniqueFile(dir, "a.txt");
        file.Write(std::string(1, static_cast<char>('0' + t)));
        created[t] = file.Path();
      });
    for (std::thread& thread : threads)
      thread.join();
    ASSERT_NE(created[0], created[1]);
    EXPECT_TRUE(created[0] == dir / "a.txt" || created[1] == dir / "a.txt");
    EXPECT_EQ(Read(created[0]), "0");
    EXPECT_EQ(Read(created[1]), "1");
  }
}

TEST_F(UploadFolder, OnlyPlainNamesAreCreated) {
  for (const std::string name : {"", "..", "../a.txt", "sub/a.txt", "CON", "a:b"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(CreateUniqueFile(FDir, name), std::invalid_argument);
  }
  EXPECT_THROW(CreateUniqueFile(FDir / "missing", "a.txt"), std::system_error);
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 0);
}

} // namespace
