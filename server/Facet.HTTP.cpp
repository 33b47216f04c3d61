#include "server/Facet.HTTP.h"

#include "runtime/StrUtils.h"

#include <algorithm>
#include <limits>

namespace {

// Splits a query string at "&" into name=value pairs; empty pieces ("a=1&&b=2") name nothing.
TQueryParams SplitQuery(std::string_view query) {
  TQueryParams params;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    if (!piece.empty()) {
      const size_t eq = piece.find('=');
      if (eq == std::string_view::npos)
        params.emplace_back(std::string(piece), std::string());
      else
        params.emplace_back(std::string(piece.substr(0, eq)), std::string(piece.substr(eq + 1)));
    }
    if (amp == std::string_view::npos)
      break;
    query.remove_prefix(amp + 1);
  }
  return params;
}

// The pairs of the query of a URL or request target: everything after its first "?".
TQueryParams QueryOf(std::string_view url) {
  const size_t question = url.find('?');
  if (question == std::string_view::npos)
    return {};
  return SplitQuery(url.substr(question + 1));
}

// A port number: decimal digits only, 0 to 65535; anything else reads as 0.
int PortNumber(std::string_view text) {
  if (text.empty() || text.size() > 5)
    return 0;
  int port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9')
      return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

// Host and port of a Host header.  A bracketed IPv6 literal keeps its colons; a header without a
// port keeps its whole value as the host, with port 0.
void ReadHost(std::string_view value, TFacetHTTPHeader& header) {
  size_t colon = std::string_view::npos;
  if (!value.empty() && value.front() == '[') {
    const size_t close = value.find(']');
    if (close != std::string_view::npos && close + 1 < value.size() && value[close + 1] == ':')
      colon = close + 1;
  } else {
    colon = value.find(':');
  }
  if (colon == std::string_view::npos) {
    header.Host = std::string(value);
    return;
  }
  header.Host = std::string(value.substr(0, colon));
  header.ServerPort = PortNumber(value.substr(colon + 1));
}

// The media type of a Content-Type value, and the boundary of a multipart one.  The boundary is
// the text after the first "=" that follows "boundary"; a quoted boundary loses its quotes, and
// an unquoted one ends at the next parameter.
void ReadContentType(std::string_view value, TFacetHTTPHeader& header) {
  header.ContentType = Trim(value.substr(0, value.find(';')));
  const size_t name = value.find("boundary");
  if (name == std::string_view::npos)
    return;
  const size_t eq = value.find('=', name);
  if (eq == std::string_view::npos)
    return;
  const std::string rest = Trim(value.substr(eq + 1));
  if (!rest.empty() && rest.front() == '"') {
    const size_t close = rest.find('"', 1);
    header.Boundary = close == std::string::npos ? rest.substr(1) : rest.substr(1, close - 1);
  } else
    header.Boundary = Trim(std::string_view(rest).substr(0, rest.find(';')));
}

// The framework's own cookies; names are compared exactly, other cookies are ignored.
void ReadCookies(std::string_view value, TFacetHTTPHeader& header) {
  while (!value.empty()) {
    const size_t semicolon = value.find(';');
    const std::string_view piece = value.substr(0, semicolon);
    const size_t eq = piece.find('=');
    const std::string name = Trim(piece.substr(0, eq));
    const std::string cookie = eq == std::string_view::npos ? "" : Trim(piece.substr(eq + 1));
    if (name == "Duo_Token")
      header.Token = cookie;
    else if (name == "Duo_FacetSession")
      header.FacetSession = cookie;
    else if (name == "Duo_ReloadPage")
      header.ReloadPage = SameText(cookie, "true");
    if (semicolon == std::string_view::npos)
      break;
    value.remove_prefix(semicolon + 1);
  }
}

// Fills the field a header line names; names are compared without case, unknown names are
// ignored.  A Content-Disposition line in a head names no upload: file names come from the parts
// of a multipart body.
void ReadHeader(std::string_view name, const std::string& value, TFacetHTTPHeader& header) {
  if (SameText(name, "pragma"))
    header.Pragma = value;
  else if (SameText(name, "cache-control"))
    header.CacheControl = value;
  else if (SameText(name, "user-agent"))
    header.UserAgent = value;
  else if (SameText(name, "origin"))
    header.Origin = value;
  else if (SameText(name, "connection"))
    header.Connection = value;
  else if (SameText(name, "upgrade"))
    header.Upgrade = value;
  else if (SameText(name, "sec-websocket-key"))
    header.SecWebSocketKey = value;
  else if (SameText(name, "accept-encoding"))
    header.AcceptEncoding = value;
  else if (SameText(name, "accept-language"))
    header.AcceptLanguage = value;
  else if (SameText(name, "content-length"))
    header.ContentLength = value;
  else if (SameText(name, "transfer-encoding"))
    header.TransferEncoding = value;
  else if (SameText(name, "if-none-match"))
    header.IfNoneMatch = value;
  else if (SameText(name, "if-modified-since"))
    header.IfModifiedSince = value;
  else if (SameText(name, "x-forwarded-for"))
    header.ForwardedFor = value;
  else if (SameText(name, "x-forwarded-proto"))
    header.ForwardedProto = value;
  else if (SameText(name, "referer")) {
    header.Referer = value;
    header.RefererQueryParams = QueryOf(value);
  } else if (SameText(name, "host"))
    ReadHost(value, header);
  else if (SameText(name, "content-type"))
    ReadContentType(value, header);
  else if (SameText(name, "cookie"))
    ReadCookies(value, header);
}

// A line that names a method and a target starting with "/".  The method is the first of GET,
// POST and HEAD the line contains; the target runs from the "/" after the first blank to the next
// blank, and the rest of the line is the version.  Only the first such line of a head counts.
void ReadRequestLine(std::string_view line, TFacetHTTPHeader& header) {
  if (line.find("GET /") != std::string_view::npos)
    header.WebMethod = TWebMethod::wmtGET;
  else if (line.find("POST /") != std::string_view::npos)
    header.WebMethod = TWebMethod::wmtPOST;
  else if (line.find("HEAD /") != std::string_view::npos)
    header.WebMethod = TWebMethod::wmtHEAD;
  else
    return;
  header.HasRequestLine = true;
  // The method's own "M /" guarantees a blank followed, somewhere, by a "/".
  const size_t slash = line.find('/', line.find(' '));
  const size_t end = line.find(' ', slash);
  header.Path = std::string(line.substr(slash, end - slash));
  const std::string version =
      end == std::string_view::npos ? std::string() : UpperCase(line.substr(end + 1));
  header.Version = Trim(version);
  if (version.find("HTTPS/") != std::string::npos)
    header.Protocol = "https";
  else if (version.find("HTTP/") != std::string::npos)
    header.Protocol = "http";
  header.QueryParams = QueryOf(header.Path);
}

constexpr std::string_view HeaderSeparator = ": ";

} // namespace

std::string QueryValue(const TQueryParams& params, std::string_view name) {
  for (const auto& [key, value] : params)
    if (key == name)
      return value;
  return {};
}

std::string TFacetHTTPHeader::PathWithoutParams() const {
  return Path.substr(0, Path.find('?'));
}

std::string TFacetHTTPHeader::URL() const {
  return Protocol + "://" + Host + ":" + std::to_string(ServerPort) + PathWithoutParams();
}

std::string TFacetHTTPHeader::FullURL() const {
  return Protocol + "://" + Host + ":" + std::to_string(ServerPort) + Path;
}

TFacetHTTPHeader ParseHTTPHead(std::string_view head, std::string remoteIP, int remotePort) {
  TFacetHTTPHeader header;
  header.RemoteIP = std::move(remoteIP);
  header.RemotePort = remotePort;
  while (!head.empty()) {
    const size_t lf = head.find('\n');
    std::string line;
    // Every carriage return goes, not only the one before the line feed, so no value taken from
    // the head can carry a line break into a response header.
    for (const char c : head.substr(0, lf))
      if (c != '\r')
        line += c;
    head.remove_prefix(lf == std::string_view::npos ? head.size() : lf + 1);
    if (line.empty())
      break;
    header.RawHeaders.push_back(line);

    const size_t separator = line.find(HeaderSeparator);
    if (separator != std::string::npos) {
      // The value ends at a second separator, if the line has one.
      const std::string_view rest = std::string_view(line).substr(separator + 2);
      const std::string value = Trim(rest.substr(0, rest.find(HeaderSeparator)));
      ReadHeader(Trim(std::string_view(line).substr(0, separator)), value, header);
    } else if (!header.HasRequestLine) {
      ReadRequestLine(line, header);
    }
  }
  return header;
}

THeadScan ScanHTTPHead(std::string_view buffered, const THTTPLimits& limits, size_t& headEnd) {
  // A head longer than the limit cannot end beyond it, so nothing past it is looked at.
  const std::string_view window = buffered.substr(0, limits.MaxHeadBytes);
  // Line lengths count what parsing keeps of a line: carriage returns are left out, so a line of
  // carriage returns only is the empty line here as it is there.
  const auto lineLength = [](std::string_view line) {
    return line.size() - static_cast<size_t>(std::count(line.begin(), line.end(), '\r'));
  };
  size_t lineStart = 0;
  while (true) {
    const size_t lf = window.find('\n', lineStart);
    if (lf == std::string_view::npos) {
      if (lineLength(window.substr(lineStart)) > limits.MaxLineBytes ||
          buffered.size() > limits.MaxHeadBytes)
        return THeadScan::TooLarge;
      return THeadScan::NeedMore;
    }
    const size_t length = lineLength(window.substr(lineStart, lf - lineStart));
    if (length > limits.MaxLineBytes)
      return THeadScan::TooLarge;
    lineStart = lf + 1;
    if (length == 0) {
      headEnd = lineStart;
      return THeadScan::Complete;
    }
  }
}

std::optional<uint64_t> ParseContentLength(std::string_view value) {
  const std::string digits = Trim(value);
  if (digits.empty())
    return std::nullopt;
  uint64_t length = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9')
      return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (length > (std::numeric_limits<uint64_t>::max() - digit) / 10)
      return std::nullopt;
    length = length * 10 + digit;
  }
  return length;
}
