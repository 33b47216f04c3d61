#pragma once

// The head of an HTTP answer as the server writes it: the status line, the answer's own lines,
// the lines that protect the answer in the browser, and the lines every answer ends with.

#include <string>
#include <string_view>

// What an answer is, for the headers that protect it.
enum class TFacetAnswerKind {
  Page, // a page: never cached, no foreign origin, framed only by its own site
  Data, // REST answers and probes: never cached
  File  // static files and downloads
};

// The page's content policy: everything from the server itself (the pages' own inline scripts and
// styles included, which the framework writes), nothing from another origin.
inline constexpr const char* FacetPagePolicy =
    "default-src 'self'; script-src 'self' 'unsafe-inline' 'unsafe-eval'; "
    "style-src 'self' 'unsafe-inline'; img-src 'self' data: blob:; font-src 'self' data:; "
    "connect-src 'self'; object-src 'none'; base-uri 'self'; form-action 'self'; "
    "frame-ancestors 'self'";

// One answer's head: the status line, the answer's own lines, the protecting lines of its kind,
// then the lines every answer ends with.
class TFacetResponseHead {
public:
  explicit TFacetResponseHead(std::string_view AStatus) {
    FText.append("HTTP/1.1 ").append(AStatus).append("\r\n");
  }
  TFacetResponseHead& Add(std::string_view AName, std::string_view AValue) {
    FText.append(AName).append(": ").append(AValue).append("\r\n");
    return *this;
  }
  TFacetResponseHead& Protect(TFacetAnswerKind AKind) {
    Add("X-Content-Type-Options", "nosniff");
    Add("X-Frame-Options", "SAMEORIGIN");
    Add("Referrer-Policy", "no-referrer");
    if (AKind != TFacetAnswerKind::File)
      Add("Cache-Control", "no-store");
    if (AKind == TFacetAnswerKind::Page)
      Add("Content-Security-Policy", FacetPagePolicy);
    return *this;
  }
  // The connection stays open for the client's next request (the head says so).
  TFacetResponseHead& KeepOpen() {
    FKeepOpen = true;
    return *this;
  }
  // The whole head; the builder is spent.
  std::string Text() {
    FText.append(FKeepOpen ? "Connection: keep-alive" : "Connection: Close").append("\r\n");
    FText.append("Server: FacetServer with Duo Framework Server").append("\r\n").append("\r\n");
    return std::move(FText);
  }

private:
  std::string FText;
  bool FKeepOpen = false;
};
