#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The request head as the server reads it: framing of the head on a growing buffer, and parsing a
// complete head into its fields.  Both are pure functions over bytes, independent of sockets.

enum class TWebMethod { wmtGET, wmtPOST, wmtHEAD };

// Name/value pairs of a query string, in the order sent, values not percent-decoded.
using TQueryParams = std::vector<std::pair<std::string, std::string>>;

// The value of the first pair whose name equals `name` exactly, or the empty text.
std::string QueryValue(const TQueryParams& params, std::string_view name);

struct TFacetHTTPHeader {
  TWebMethod WebMethod = TWebMethod::wmtGET;
  // A line naming GET, POST or HEAD was found; a head without one is closed unanswered.
  bool HasRequestLine = false;
  // "http" or "https" after the request line's version part, empty when it names neither.
  std::string Protocol;
  // The request target as sent, starting with "/", query string included.
  std::string Path;
  std::string Host;
  int ServerPort = 0;
  std::string RemoteIP;
  int RemotePort = 0;
  // Every line of the head, request line included, without its line end.
  std::vector<std::string> RawHeaders;
  TQueryParams QueryParams;
  TQueryParams RefererQueryParams;
  std::string Pragma;
  std::string CacheControl;
  std::string UserAgent;
  std::string Origin;
  // Never filled: the server does not negotiate content types.
  std::string Accept;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string ContentType;
  // As sent; ParseContentLength reads it.
  std::string ContentLength;
  std::string Referer;
  // X-Forwarded-For as sent (the last such line, the one a proxy appends); only a trusted
  // proxy's is believed (see ClientAddress).
  std::string ForwardedFor;
  // X-Forwarded-Proto as sent: the scheme the client used to reach a reverse proxy.
  std::string ForwardedProto;
  // The client reached the server over TLS: the server's own, or a trusted proxy's that says so.
  bool Secure = false;
  // The request body, read only for the routes that take one.
  std::string Content;
  bool IsUploadFile = false;
  std::string FileName;
  // Cookies.
  bool ReloadPage = false;
  std::string Token;
  std::string FacetSession;
  std::string Connection;
  std::string Upgrade;
  // The version after the target, in upper case ("HTTP/1.1"); empty when the line has none.
  std::string Version;
  // Transfer-Encoding as sent: a request with one has a body of unknown length.
  std::string TransferEncoding;
  // The validators of a conditional request, as sent.
  std::string IfNoneMatch;
  std::string IfModifiedSince;
  std::string SecWebSocketKey;
  // The multipart boundary named by Content-Type.
  std::string Boundary;

  // Path up to, not including, the first "?".
  std::string PathWithoutParams() const;
  // Protocol "://" Host ":" ServerPort followed by PathWithoutParams.
  std::string URL() const;
  // The same with the whole Path.
  std::string FullURL() const;
};

// Parses a complete request head: its lines end with LF, carriage returns are dropped.
TFacetHTTPHeader ParseHTTPHead(std::string_view head, std::string remoteIP, int remotePort);

// How much of a request head the server buffers before it gives up on the connection.
struct THTTPLimits {
  size_t MaxHeadBytes = 64 * 1024;
  size_t MaxLineBytes = 8 * 1024;
};

enum class THeadScan { NeedMore, Complete, TooLarge };

// Looks for the empty line that ends the head at the start of `buffered`.  On Complete,
// `headEnd` is the number of bytes of the head, its empty line included; the body follows.
// TooLarge when the head or one of its lines exceeds the limits, whether or not it is complete.
THeadScan ScanHTTPHead(std::string_view buffered, const THTTPLimits& limits, size_t& headEnd);

// A Content-Length value: decimal digits only once surrounding blanks are trimmed, within 64
// bits.  Anything else is no length at all.
std::optional<uint64_t> ParseContentLength(std::string_view value);
