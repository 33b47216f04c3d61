#include "server/Facet.Server.Assets.h"
#include "server/Facet.Server.StaticAssets.h"

#include <brotli/decode.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr std::time_t Started = 1765440000; // Thu, 11 Dec 2025 08:00:00 GMT

TFacetHTTPHeader Request(const std::string& ALines, const std::string& APath = "/js/a.js") {
  return ParseHTTPHead("GET " + APath + " HTTP/1.1\r\nHost: x\r\n" + ALines + "\r\n", "127.0.0.1",
                       1);
}

std::string Gunzip(std::string_view AData) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
  std::string out(1 << 20, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AData.data()));
  stream.avail_in = static_cast<uInt>(AData.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

std::string Unbrotli(std::string_view AData) {
  std::string out(1 << 20, '\0');
  std::size_t size = out.size();
  EXPECT_EQ(BrotliDecoderDecompress(AData.size(), reinterpret_cast<const uint8_t*>(AData.data()),
                                    &size, reinterpret_cast<uint8_t*>(out.data())),
            BROTLI_DECODER_RESULT_SUCCESS);
  out.resize(size);
  return out;
}

// The body as it was before the coding the head names.
std::string Decoded(std::string_view AEncoding, std::string_view ABody) {
  if (AEncoding == "br")
    return Unbrotli(ABody);
  if (AEncoding == "gzip")
    return Gunzip(ABody);
  return std::string(ABody);
}

// The value of a head's line, or "-" when the head has none.
std::string Line(const std::string& AHead, const std::string& AName) {
  const std::size_t at = AHead.find("\r\n" + AName + ": ");
  if (at == std::string::npos)
    return "-";
  const std::size_t begin = at + AName.size() + 4;
  return AHead.substr(begin, AHead.find("\r\n", begin) - begin);
}

std::shared_ptr<const TFacetStaticAsset> Script(std::string AVersion = "0123456789abcdef") {
  std::string body;
  for (int i = 0; i < 200; ++i)
    body += "function f" + std::to_string(i) + "() { return " + std::to_string(i) + "; }\n";
  return MakeStaticAsset({body, "text/javascript; charset=UTF-8"}, std::move(AVersion), Started);
}

TEST(StaticAssets, CompressedFormsAreKeptOnlyWhenSmallerAndDecodeToTheBody) {
  const auto script = Script();
  ASSERT_FALSE(script->Gzip.empty());
  ASSERT_FALSE(script->Brotli.empty());
  EXPECT_LT(script->Gzip.size(), script->Body.size() / 4);
  EXPECT_LT(script->Brotli.size(), script->Gzip.size());
  EXPECT_EQ(Gunzip(script->Gzip), script->Body);
  EXPECT_EQ(Unbrotli(script->Brotli), script->Body);
  // Bytes that do not compress (a compressed font, say) are sent as they are.
  std::string noise;
  std::uint32_t state = 12345;
  for (int i = 0; i < 4096; ++i) {
    state = state * 1103515245u + 12345u;
    noise += static_cast<char>(state >> 24);
  }
  for (const std::string& body : {noise, std::string()}) {
    const auto asset = MakeStaticAsset({body, "font/woff2"}, "", Started);
    EXPECT_TRUE(asset->Gzip.empty());
    EXPECT_TRUE(asset->Brotli.empty());
  }
}

TEST(StaticAssets, AcceptEncodingNamesTheCoding) {
  struct Case {
    const char* Value;
    bool Gzip;
    bool Brotli;
  };
  const Case cases[] = {
      {"gzip, deflate, br", true, true},
      {"br;q=1.0, gzip;q=0.8", true, true},
      {"GZIP", true, false},
      {"x-gzip", true, false},
      {"gzip;q=0", false, false},
      {"gzip; q=0.000, BR", false, true},
      {"gzip;q=abc, br;q=0", false, false},
      {"*", true, true},
      {"*;q=0", false, false},
      {"*, gzip;q=0", false, true}, // named beats the wildcard
      {"deflate, br", false, true},
      {"identity", false, false},
      {"", false, false},
      {"gzipx, xgzip, brotli, x-br", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AcceptsCoding(c.Value, "gzip"), c.Gzip) << c.Value;
    EXPECT_EQ(AcceptsCoding(c.Value, "br"), c.Brotli) << c.Value;
  }
}

TEST(StaticAssets, AnswersMadeForOneRequestAreEncodedAsTheClientAccepts) {
  std::string page;
  for (int i = 0; i < 100; ++i)
    page += "<tr><td>Solicitação " + std::to_string(i) + "</td><td>Nova</td></tr>\n";
  const std::pair<const char*, const char*> cases[] = {
      {"gzip, deflate, br", "br"},
      {"gzip, deflate", "gzip"},
      {"br;q=0, gzip", "gzip"},
      {"identity", "-"},
      {"", "-"},
  };
  for (const auto& [accepted, coding] : cases) {
    SCOPED_TRACE(accepted);
    TFacetResponseHead head("200 OK");
    const std::string body = EncodeForClient(page, accepted, head);
    const std::string text = head.Text();
    EXPECT_EQ(Line(text, "Content-Encoding"), coding);
    EXPECT_EQ(Line(text, "Vary"), std::string(coding) == "-" ? "-" : "Accept-Encoding");
    EXPECT_EQ(Decoded(coding, body), page);
    if (std::string(coding) != "-") {
      EXPECT_LT(body.size(), page.size() / 4);
    }
  }
  // A small answer is not worth a coding.
  TFacetResponseHead head("200 OK");
  EXPECT_EQ(EncodeForClient("[]", "gzip, br", head), "[]");
  EXPECT_EQ(Line(head.Text(), "Content-Encoding"), "-");
}

TEST(StaticAssets, HTTPDatesRoundTripAndOnlyTheFixedFormIsRead) {
  EXPECT_EQ(HTTPDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(ParseHTTPDate("Sun, 06 Nov 1994 08:49:37 GMT"), std::optional<std::time_t>(784111777));
  EXPECT_EQ(ParseHTTPDate(HTTPDate(Started)), std::optional<std::time_t>(Started));
  for (const char* bad : {"", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
                          "Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 6 Nov 1994 08:49:37 GMT",
                          "Sun, 06 Xyz 1994 08:49:37 GMT", "Sun, 06 Nov 1994 24:49:37 GMT",
                          "Sun, -6 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 19x4 08:49:37 GMT",
                          "Sun, 00 Nov 1994 08:49:37 GMT"})
    EXPECT_EQ(ParseHTTPDate(bad), std::nullopt) << bad;
}

TEST(StaticAssets, PersistentConnectionsOnlyWhereTheRequestAllowsThem) {
  const std::pair<const char*, bool> cases[] = {
      {"GET /a HTTP/1.1\r\n", true},
      {"GET /a HTTP/1.1\r\nConnection: keep-alive\r\n", true},
      {"GET /a HTTP/1.1\r\nConnection: close\r\n", false},
      {"GET /a HTTP/1.1\r\nConnection: TE, Close\r\n", false},
      {"GET /a HTTP/1.0\r\n", false},
      {"GET /a HTTP/1.0\r\nConnection: Keep-Alive\r\n", true},
      {"GET /a\r\n", false},
      {"GET /a HTTP/1.1\r\nContent-Length: 0\r\n", true},
      // A body the asset route does not read would be taken for the next request.
      {"GET /a HTTP/1.1\r\nContent-Length: 5\r\n", false},
      {"GET /a HTTP/1.1\r\nContent-Length: x\r\n", false},
      {"GET /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n", false},
  };
  for (const auto& [head, expected] : cases)
    EXPECT_EQ(WantsPersistent(ParseHTTPHead(std::string(head) + "\r\n", "127.0.0.1", 1)), expected)
        << head;
}

TEST(StaticAssets, AnswersWithValidatorsCompressionAndLifetime) {
  const auto script = Script();
  const std::string tag = "\"" + script->Tag + "\"";
  const std::string gzTag = "\"" + script->Tag + "-gz\"";
  const std::string brTag = "\"" + script->Tag + "-br\"";
  const std::string modified = HTTPDate(Started);
  struct Case {
    std::string Lines;
    std::string Path;
    const char* Status;
    const char* Coding;
    const char* CacheControl;
  };
  const Case cases[] = {
      {"", "/js/a.js", "200 OK", "-", "no-cache"},
      {"Accept-Encoding: gzip, deflate\r\n", "/js/a.js", "200 OK", "gzip", "no-cache"},
      // The smallest form the client takes.
      {"Accept-Encoding: gzip, deflate, br\r\n", "/js/a.js", "200 OK", "br", "no-cache"},
      {"Accept-Encoding: br;q=0, gzip\r\n", "/js/a.js", "200 OK", "gzip", "no-cache"},
      // The version of the current content in the URL: a year; any other version: ask again.
      {"Accept-Encoding: gzip\r\n", "/js/a.js?v=0123456789abcdef", "200 OK", "gzip",
       "public, max-age=31536000, immutable"},
      {"", "/js/a.js?v=0000000000000000", "200 OK", "-", "no-cache"},
      {"", "/js/a.js?v=", "200 OK", "-", "no-cache"},
      // Either form's tag, weak or strong, in a list or not, is the current content.
      {"If-None-Match: " + tag + "\r\n", "/js/a.js", "304 Not Modified", "-", "no-cache"},
      {"Accept-Encoding: gzip\r\nIf-None-Match: W/" + gzTag + "\r\n", "/js/a.js",
       "304 Not Modified", "gzip", "no-cache"},
      {"Accept-Encoding: br\r\nIf-None-Match: " + brTag + "\r\n", "/js/a.js", "304 Not Modified",
       "br", "no-cache"},
      {"If-None-Match: \"old\", " + tag + "\r\n", "/js/a.js", "304 Not Modified", "-", "no-cache"},
      {"If-None-Match: *\r\n", "/js/a.js", "304 Not Modified", "-", "no-cache"},
      {"If-None-Match: \"old\"\r\n", "/js/a.js", "200 OK", "-", "no-cache"},
      {"If-None-Match: " + script->Tag + "\r\n", "/js/a.js", "200 OK", "-", "no-cache"},
      // If-Modified-Since counts only without If-None-Match.
      {"If-Modified-Since: " + modified + "\r\n", "/js/a.js", "304 Not Modified", "-", "no-cache"},
      {"If-Modified-Since: " + HTTPDate(Started + 60) + "\r\n", "/js/a.js", "304 Not Modified", "-",
       "no-cache"},
      {"If-Modified-Since: " + HTTPDate(Started - 1) + "\r\n", "/js/a.js", "200 OK", "-",
       "no-cache"},
      {"If-Modified-Since: yesterday\r\n", "/js/a.js", "200 OK", "-", "no-cache"},
      {"If-None-Match: \"old\"\r\nIf-Modified-Since: " + modified + "\r\n", "/js/a.js", "200 OK",
       "-", "no-cache"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Lines + c.Path);
    const TFacetAssetAnswer answer = AnswerAsset(*script, Request(c.Lines, c.Path), false);
    EXPECT_EQ(answer.Head.substr(0, answer.Head.find("\r\n")), std::string("HTTP/1.1 ") + c.Status);
    EXPECT_EQ(Line(answer.Head, "Cache-Control"), c.CacheControl);
    const std::string coding = c.Coding;
    EXPECT_EQ(Line(answer.Head, "ETag"), coding == "br" ? brTag : coding == "gzip" ? gzTag : tag);
    EXPECT_EQ(Line(answer.Head, "Last-Modified"), modified);
    EXPECT_EQ(Line(answer.Head, "Vary"), "Accept-Encoding");
    EXPECT_EQ(Line(answer.Head, "Connection"), "Close");
    EXPECT_EQ(Line(answer.Head, "X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(answer.Head.substr(answer.Head.size() - 4), "\r\n\r\n");
    if (std::string(c.Status) == "200 OK") {
      EXPECT_EQ(Line(answer.Head, "Content-Length"), std::to_string(answer.Body.size()));
      EXPECT_EQ(Line(answer.Head, "Content-Type"), "text/javascript; charset=UTF-8");
      EXPECT_EQ(Line(answer.Head, "Content-Encoding"), coding);
      EXPECT_EQ(Decoded(coding, answer.Body), script->Body);
    } else {
      EXPECT_TRUE(answer.Body.empty());
      EXPECT_EQ(Line(answer.Head, "Content-Length"), "-");
    }
  }
}

TEST(StaticAssets, HeadRequestsAndPersistentAnswers) {
  const auto script = Script();
  const TFacetAssetAnswer head = AnswerAsset(
      *script,
      ParseHTTPHead("HEAD /js/a.js HTTP/1.1\r\nAccept-Encoding: gzip\r\n\r\n", "127.0.0.1", 1),
      true);
  EXPECT_TRUE(head.Body.empty());
  EXPECT_EQ(Line(head.Head, "Content-Length"), std::to_string(script->Gzip.size()));
  EXPECT_EQ(Line(head.Head, "Connection"), "keep-alive");
  // An answer that depends on the language says so to caches.
  const auto byLanguage =
      MakeStaticAsset({"<p>Erro</p>", "text/html; charset=UTF-8", true}, "", Started);
  EXPECT_EQ(Line(AnswerAsset(*byLanguage, Request(""), false).Head, "Vary"), "Accept-Language");
  EXPECT_EQ(
      Line(
          AnswerAsset(*MakeStaticAsset({"", "image/x-icon"}, "", Started), Request(""), false).Head,
          "Vary"),
      "-");
}

TEST(StaticAssets, StoreKeepsEachAssetOnceByNameAndVariant) {
  TFacetStaticAssets store(Started);
  int made = 0;
  const auto make = [&made](std::string ABody) {
    return [&made, ABody]() -> std::optional<TFacetAssetSource> {
      ++made;
      return TFacetAssetSource{ABody, "text/plain"};
    };
  };
  const auto first = store.Keep("duoloader.js", "pt", make("pt"));
  EXPECT_EQ(store.Keep("DuoLoader.JS", "pt", make("other")), first);
  EXPECT_EQ(first->Body, "pt");
  EXPECT_EQ(first->Version, store.Version("duoloader.js"));
  EXPECT_FALSE(first->Version.empty());
  const auto english = store.Keep("duoloader.js", "en", make("en"));
  EXPECT_NE(english, first);
  EXPECT_NE(english->Tag, first->Tag);
  EXPECT_EQ(made, 2);
  // Nothing to keep keeps nothing: the next request makes it again.
  const auto none = []() -> std::optional<TFacetAssetSource> { return std::nullopt; };
  EXPECT_EQ(store.Keep("nothing.js", "", none), nullptr);
  EXPECT_NE(store.Keep("nothing.js", "", make("now")), nullptr);
  EXPECT_EQ(made, 3);
  EXPECT_EQ(store.Version("nothing.js"), "");
}

TEST(StaticAssets, AnAssetBeingMadeIsWaitedForNotMadeTwice) {
  TFacetStaticAssets store(Started);
  std::atomic<int> made = 0;
  std::atomic<bool> making = false;
  const auto slow = [&]() -> std::optional<TFacetAssetSource> {
    ++made;
    making = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return TFacetAssetSource{"slow", "text/plain"};
  };
  std::shared_ptr<const TFacetStaticAsset> first;
  std::thread maker([&] { first = store.Keep("jquery-3.6.4.js", "", slow); });
  for (int i = 0; i < 1000 && !making; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(making);
  const auto second = store.Keep("jquery-3.6.4.js", "", slow);
  maker.join();
  EXPECT_EQ(made, 1);
  EXPECT_EQ(second, first);
  // A maker that fails leaves the asset to the next request.
  const auto failing = []() -> std::optional<TFacetAssetSource> {
    throw std::runtime_error("no bytes");
  };
  EXPECT_THROW(store.Keep("duo.css", "", failing), std::runtime_error);
  EXPECT_NE(store.Keep("duo.css", "", slow), nullptr);
  EXPECT_EQ(made, 2);
}

TEST(StaticAssets, VersionsFollowTheContentAsServed) {
  TFacetStaticAssets store(Started);
  for (const TEmbeddedAsset& asset : EmbeddedAssets())
    EXPECT_EQ(store.Version(asset.Name).size(), 16u) << asset.Name;
  EXPECT_NE(store.Version("jquery-3.6.4.js"), store.Version("bootstrap.min.css"));
  // The icon font's style sheet refers to the fonts by their versions, and is served so.
  const auto css = store.Keep("font-awesome.min.css", "", [] {
    return std::optional<TFacetAssetSource>(
        {std::string(*EmbeddedAsset("font-awesome.min.css")), "text/css"});
  });
  const std::string woff2 =
      "fontawesome-webfont.woff2?v=" + store.Version("fontawesome-webfont.woff2");
  EXPECT_NE(css->Body.find("url('../fonts/" + woff2 + "')"), std::string::npos);
  EXPECT_EQ(css->Body.find("woff2?v=4.7.0"), std::string::npos);
  // A file the server does not have keeps its reference.
  EXPECT_NE(css->Body.find("fontawesome-webfont.eot?#iefix&v=4.7.0"), std::string::npos);
  EXPECT_EQ(css->Version, store.Version("font-awesome.min.css"));
}

TEST(StaticAssets, PagesReferToTheVersionsOfTheServersFiles) {
  TFacetStaticAssets store(Started);
  const std::string jquery = store.Version("jquery-3.6.4.js");
  const std::string css = store.Version("bootstrap.min.css");
  const std::pair<std::string, std::string> cases[] = {
      {R"(<script src="js/jquery-3.6.4.js"></script>)",
       R"(<script src="js/jquery-3.6.4.js?v=)" + jquery + R"("></script>)"},
      {R"(<link rel="stylesheet" href="/css/Bootstrap.min.css"/>)",
       R"(<link rel="stylesheet" href="/css/Bootstrap.min.css?v=)" + css + R"("/>)"},
      {R"(<iframe src="error500.html">)",
       R"(<iframe src="error500.html?v=)" + store.Version("error500.html") + R"(">)"},
      // Already with a query, on another site, unknown, or not a file: left alone.
      {R"(<script src="js/jquery-3.6.4.js?v=1"></script>)", ""},
      {R"(<script src="https://cdn.example/jquery-3.6.4.js"></script>)", ""},
      {R"(<script src="js/mine.js"></script><a href="#">x</a><a href="">y</a>)", ""},
      {R"(<p>src="jquery-3.6.4.js without an end)", ""},
      {R"(<a href="sub/">x</a><img src="/">)", ""},
  };
  for (const auto& [page, expected] : cases)
    EXPECT_EQ(store.StampVersions(page), expected.empty() ? page : expected) << page;
  // Every reference in a longer text, each once.
  EXPECT_EQ(store.StampVersions(R"(<script src="a/jquery-3.6.4.js"></script>)"
                                R"(<script src="b/jquery-3.6.4.js"></script>)"),
            R"(<script src="a/jquery-3.6.4.js?v=)" + jquery + R"("></script>)" +
                R"(<script src="b/jquery-3.6.4.js?v=)" + jquery + R"("></script>)");
}

} // namespace
