#include "server/Facet.HTTP.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TFacetHTTPHeader Parse(const std::string& head) {
  return ParseHTTPHead(head, "192.0.2.7", 51234);
}

TEST(HTTPHead, RequestLineGivesMethodPathAndProtocol) {
  struct Case {
    const char* Line;
    bool HasRequestLine;
    TWebMethod Method;
    const char* Path;
    const char* Protocol;
  };
  const Case cases[] = {
      {"GET /index.html?x=1 HTTP/1.1", true, TWebMethod::wmtGET, "/index.html?x=1", "http"},
      {"POST /duo/upload?token=t HTTP/1.1", true, TWebMethod::wmtPOST, "/duo/upload?token=t",
       "http"},
      {"HEAD /reconnect?token=t&facetsession=s HTTP/1.0", true, TWebMethod::wmtHEAD,
       "/reconnect?token=t&facetsession=s", "http"},
      {"GET / HTTPS/1.1", true, TWebMethod::wmtGET, "/", "https"},
      // The version is compared in upper case; a line without one names no protocol.
      {"GET /a http/1.1", true, TWebMethod::wmtGET, "/a", "http"},
      {"GET /a", true, TWebMethod::wmtGET, "/a", ""},
      {"GET /a FTP/1.0", true, TWebMethod::wmtGET, "/a", ""},
      // The method is found anywhere in the line, GET before POST before HEAD.
      {"POST /GET /x HTTP/1.1", true, TWebMethod::wmtGET, "/GET", "http"},
      // Methods the server does not serve, lower-case methods and absolute targets name no
      // request line.
      {"PUT /x HTTP/1.1", false, TWebMethod::wmtGET, "", ""},
      {"OPTIONS * HTTP/1.1", false, TWebMethod::wmtGET, "", ""},
      {"get /x HTTP/1.1", false, TWebMethod::wmtGET, "", ""},
      {"GET http://example.org/x HTTP/1.1", false, TWebMethod::wmtGET, "", ""},
      // A line with ": " in it is a header line, even when it names a method.
      {"GET /a: b HTTP/1.1", false, TWebMethod::wmtGET, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Line);
    const TFacetHTTPHeader header = Parse(std::string(c.Line) + "\r\nHost: h\r\n\r\n");
    EXPECT_EQ(header.HasRequestLine, c.HasRequestLine);
    EXPECT_EQ(header.WebMethod, c.Method);
    EXPECT_EQ(header.Path, c.Path);
    EXPECT_EQ(header.Protocol, c.Protocol);
  }
}

TEST(HTTPHead, OnlyTheFirstRequestLineCountsAndThePeerIsKept) {
  const TFacetHTTPHeader header = Parse("GET /first HTTP/1.1\nPOST /second HTTP/1.1\n\n");
  EXPECT_EQ(header.WebMethod, TWebMethod::wmtGET);
  EXPECT_EQ(header.Path, "/first");
  EXPECT_EQ(header.RemoteIP, "192.0.2.7");
  EXPECT_EQ(header.RemotePort, 51234);
}

TEST(HTTPHead, HeaderLinesFillTheirFields) {
  using Field = std::function<std::string(const TFacetHTTPHeader&)>;
  struct Case {
    const char* Line;
    Field Get;
    const char* Expected;
  };
  const Case cases[] = {
      {"Pragma: no-cache", [](auto& h) { return h.Pragma; }, "no-cache"},
      {"Cache-Control: max-age=0", [](auto& h) { return h.CacheControl; }, "max-age=0"},
      {"User-Agent: Mozilla/5.0", [](auto& h) { return h.UserAgent; }, "Mozilla/5.0"},
      {"Origin: http://h:8080", [](auto& h) { return h.Origin; }, "http://h:8080"},
      {"Connection: Upgrade", [](auto& h) { return h.Connection; }, "Upgrade"},
      {"Upgrade: websocket", [](auto& h) { return h.Upgrade; }, "websocket"},
      {"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==", [](auto& h) { return h.SecWebSocketKey; },
       "dGhlIHNhbXBsZSBub25jZQ=="},
      {"Accept-Encoding: gzip", [](auto& h) { return h.AcceptEncoding; }, "gzip"},
      {"Accept-Language: pt-BR,pt;q=0.9", [](auto& h) { return h.AcceptLanguage; },
       "pt-BR,pt;q=0.9"},
      {"Content-Length: 42", [](auto& h) { return h.ContentLength; }, "42"},
      {"Referer: http://h/page", [](auto& h) { return h.Referer; }, "http://h/page"},
      // Names are compared without case; values are trimmed.
      {"USER-AGENT: curl", [](auto& h) { return h.UserAgent; }, "curl"},
      {"sec-websocket-key: k", [](auto& h) { return h.SecWebSocketKey; }, "k"},
      {"  Pragma  :   spaced  ", [](auto& h) { return h.Pragma; }, "spaced"},
      // A value with a second ": " keeps only its text before it.
      {"User-Agent: first: second", [](auto& h) { return h.UserAgent; }, "first"},
      // Accept is never read; a name without ": " after it is no header.
      {"Accept: text/html", [](auto& h) { return h.Accept; }, ""},
      {"Pragma:no-cache", [](auto& h) { return h.Pragma; }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Line);
    EXPECT_EQ(c.Get(Parse(std::string("GET / HTTP/1.1\r\n") + c.Line + "\r\n\r\n")), c.Expected);
  }
}

TEST(HTTPHead, HeadEndsAtItsEmptyLineAndKeepsEveryLineWithoutCarriageReturns) {
  const TFacetHTTPHeader header =
      Parse("GET /a HTTP/1.1\r\nHost: h:81\nX-Other: o\r\n\r\nUser-Agent: body\r\n");
  EXPECT_EQ(header.RawHeaders,
            (std::vector<std::string>{"GET /a HTTP/1.1", "Host: h:81", "X-Other: o"}));
  EXPECT_EQ(header.UserAgent, "");
  // A carriage return inside a line goes too, so no value can carry a line break.
  const TFacetHTTPHeader split = Parse("GET /a\rSet-Cookie:%20x HTTP/1.1\r\nPragma: a\rb\r\n\r\n");
  EXPECT_EQ(split.Path, "/aSet-Cookie:%20x");
  EXPECT_EQ(split.Pragma, "ab");
}

TEST(HTTPHead, CookiesGiveTokenSessionAndReload) {
  struct Case {
    const char* Cookie;
    const char* Token;
    const char* Session;
    bool Reload;
  };
  const Case cases[] = {
      {"Duo_Token=abc; Duo_FacetSession=uuid-1; Duo_ReloadPage=true", "abc", "uuid-1", true},
      {"Duo_ReloadPage=TRUE", "", "", true},
      {"Duo_ReloadPage=True", "", "", true},
      {"Duo_ReloadPage=false", "", "", false},
      {"Duo_ReloadPage=yes", "", "", false},
      {" Duo_Token = spaced ;Duo_FacetSession=s", "spaced", "s", false},
      // Names are compared exactly; values may hold "=".
      {"duo_token=x; DUO_FACETSESSION=y; duo_reloadpage=true", "", "", false},
      {"Duo_Token=a=b", "a=b", "", false},
      {"other=1; Duo_Token=t; flag; =v", "t", "", false},
      {"", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Cookie);
    const TFacetHTTPHeader header =
        Parse(std::string("GET / HTTP/1.1\r\nCookie: ") + c.Cookie + "\r\n\r\n");
    EXPECT_EQ(header.Token, c.Token);
    EXPECT_EQ(header.FacetSession, c.Session);
    EXPECT_EQ(header.ReloadPage, c.Reload);
  }
}

TEST(HTTPHead, QueryStringsSplitIntoPairsAsSent) {
  const TFacetHTTPHeader header =
      Parse("GET /duo/download?file=a%20b.txt&&token=t=1&flag&FormUUID=%7B1%7D HTTP/1.1\r\n"
            "Referer: http://h:8080/page?token=r&x=&\r\n\r\n");
  const TQueryParams expected = {
      {"file", "a%20b.txt"}, {"token", "t=1"}, {"flag", ""}, {"FormUUID", "%7B1%7D"}};
  EXPECT_EQ(header.QueryParams, expected);
  EXPECT_EQ(header.RefererQueryParams, (TQueryParams{{"token", "r"}, {"x", ""}}));
  EXPECT_EQ(QueryValue(header.QueryParams, "token"), "t=1");
  EXPECT_EQ(QueryValue(header.QueryParams, "FormUUID"), "%7B1%7D");
  // Names are matched exactly.
  EXPECT_EQ(QueryValue(header.QueryParams, "Token"), "");
  EXPECT_EQ(QueryValue(header.QueryParams, "formuuid"), "");
  EXPECT_TRUE(Parse("GET /plain HTTP/1.1\r\n\r\n").QueryParams.empty());
}

TEST(HTTPHead, HostGivesHostAndPortAndTheURLs) {
  struct Case {
    const char* Host;
    const char* ExpectedHost;
    int Port;
  };
  const Case cases[] = {
      {"example.org:8080", "example.org", 8080},
      {"example.org", "example.org", 0},
      {"h:", "h", 0},
      {"h:abc", "h", 0},
      {"h:-1", "h", 0},
      {"h:65535", "h", 65535},
      {"h:65536", "h", 0},
      {"h:99999999999999999999", "h", 0},
      {"[::1]:9000", "[::1]", 9000},
      {"[::1]", "[::1]", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Host);
    const TFacetHTTPHeader header =
        Parse(std::string("GET / HTTP/1.1\r\nHost: ") + c.Host + "\r\n\r\n");
    EXPECT_EQ(header.Host, c.ExpectedHost);
    EXPECT_EQ(header.ServerPort, c.Port);
  }

  const TFacetHTTPHeader header = Parse("GET /app/page?x=1&y=2 HTTP/1.1\r\nHost: h:81\r\n\r\n");
  EXPECT_EQ(header.PathWithoutParams(), "/app/page");
  EXPECT_EQ(header.URL(), "http://h:81/app/page");
  EXPECT_EQ(header.FullURL(), "http://h:81/app/page?x=1&y=2");
}

TEST(HTTPHead, ContentTypeGivesTypeAndBoundary) {
  struct Case {
    const char* Value;
    const char* Type;
    const char* Boundary;
  };
  const Case cases[] = {
      {"multipart/form-data; boundary=----WebKitFormBoundaryA1b2", "multipart/form-data",
       "----WebKitFormBoundaryA1b2"},
      {"multipart/form-data; boundary= spaced ", "multipart/form-data", "spaced"},
      {"multipart/form-data; boundary=\"quoted; b\"", "multipart/form-data", "quoted; b"},
      {"multipart/form-data; boundary=b1; charset=UTF-8", "multipart/form-data", "b1"},
      {"application/json; charset=UTF-8", "application/json", ""},
      {"text/plain", "text/plain", ""},
      {"multipart/form-data; boundary", "multipart/form-data", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    const TFacetHTTPHeader header =
        Parse(std::string("POST /duo/upload HTTP/1.1\r\nContent-Type: ") + c.Value + "\r\n\r\n");
    EXPECT_EQ(header.ContentType, c.Type);
    EXPECT_EQ(header.Boundary, c.Boundary);
  }
}

TEST(HTTPHead, ContentLengthIsDigitsOnlyWithinSixtyFourBits) {
  struct Case {
    const char* Value;
    std::optional<uint64_t> Expected;
  };
  const Case cases[] = {
      {"0", 0},
      {"42", 42},
      {" 1024 ", 1024},
      {"007", 7},
      {"18446744073709551615", UINT64_MAX},
      {"18446744073709551616", std::nullopt},
      {"50000000000000000000000", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"-1", std::nullopt},
      {"+1", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {"12 34", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(ParseContentLength(c.Value), c.Expected);
  }
}

TEST(HTTPHeadScan, FindsTheEndOfTheHeadAndNeedsMoreBeforeIt) {
  const std::string heads[] = {
      "GET / HTTP/1.1\r\nHost: h\r\n\r\n",
      "GET / HTTP/1.1\nHost: h\n\n",
      "GET / HTTP/1.1\r\nHost: h\r\n\n",
  };
  for (const std::string& head : heads) {
    SCOPED_TRACE(head);
    const std::string buffered = head + "body bytes\r\n\r\n";
    size_t headEnd = 0;
    ASSERT_EQ(ScanHTTPHead(buffered, THTTPLimits{}, headEnd), THeadScan::Complete);
    EXPECT_EQ(headEnd, head.size());
    // Every shorter piece of the head, as it may arrive, is not yet a head.
    for (size_t length = 0; length < head.size(); ++length)
      EXPECT_EQ(ScanHTTPHead(std::string_view(head).substr(0, length), THTTPLimits{}, headEnd),
                THeadScan::NeedMore)
          << length;
  }
}

TEST(HTTPHeadScan, HeadsAndLinesOverTheLimitsAreTooLarge) {
  const THTTPLimits limits;
  const std::string requestLine = "GET / HTTP/1.1\r\n";
  const std::string header1K = "X-Filler: " + std::string(1014, 'a') + "\r\n";
  std::string head70K = requestLine;
  while (head70K.size() < 70 * 1024)
    head70K += header1K;
  const std::string line9K = "X-Long: " + std::string(9 * 1024, 'b');
  const std::string line8K = "X-Long: " + std::string(8 * 1024 - 8, 'b');
  ASSERT_EQ(line8K.size(), limits.MaxLineBytes);

  struct Case {
    std::string Name;
    std::string Buffered;
    THeadScan Expected;
  };
  const Case cases[] = {
      {"70 KB of header lines, no end yet", head70K, THeadScan::TooLarge},
      {"70 KB of header lines, then the end", head70K + "\r\n", THeadScan::TooLarge},
      {"9 KB line, complete head", requestLine + line9K + "\r\n\r\n", THeadScan::TooLarge},
      {"9 KB line, still arriving", requestLine + line9K, THeadScan::TooLarge},
      {"9 KB line without line feeds", std::string(9 * 1024, 'c'), THeadScan::TooLarge},
      {"8 KB line, at the limit", requestLine + line8K + "\r\n\r\n", THeadScan::Complete},
      {"8 KB line, at the limit, arriving", requestLine + line8K + "\r", THeadScan::NeedMore},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    size_t headEnd = 0;
    EXPECT_EQ(ScanHTTPHead(c.Buffered, limits, headEnd), c.Expected);
  }

  // A head of exactly the limit is accepted, one byte more is not.
  const THTTPLimits small{64, 48};
  const std::string head = "GET / HTTP/1.1\r\nX-A: " + std::string(39, 'd') + "\r\n\r\n";
  ASSERT_EQ(head.size(), 64u);
  size_t headEnd = 0;
  EXPECT_EQ(ScanHTTPHead(head, small, headEnd), THeadScan::Complete);
  EXPECT_EQ(headEnd, 64u);
  EXPECT_EQ(ScanHTTPHead("X" + head, small, headEnd), THeadScan::TooLarge);
}

} // namespace
