#pragma once

// Static assets as the server answers them: each asset's bytes kept with their brotli and gzip
// forms (compressed once, when the asset is first asked for or when the server prepares it), a
// content hash for the asset's URL, and the answer's head built from the request's
// Accept-Encoding and validators (ETag, Last-Modified, answered with 304).  An asset asked for with
// the version of its current content in its URL ("?v=...") may be cached by the browser for a year:
// a new release changes the version in the pages' URLs.  Without it the browser keeps the asset but
// asks again each time, with its validators.

#include "server/Facet.HTTP.h"
#include "server/Facet.Server.Response.h"

#include <condition_variable>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

// One asset as it is answered.
struct TFacetStaticAsset {
  // The Content-Type line's value.
  std::string ContentType;
  std::string Body;
  // The gzip form of Body; empty when compressing does not make it smaller.
  std::string Gzip;
  // The brotli form of Body (smaller than gzip for scripts and style sheets); empty when
  // compressing does not make it smaller.
  std::string Brotli;
  // The hash of Body, the ETag's opaque text.
  std::string Tag;
  // The version its URL carries for a long lifetime in the browser's cache; empty for none.
  std::string Version;
  // Whether the body depends on the request's Accept-Language.
  bool ByLanguage = false;
  std::time_t Modified = 0;
};

// What the asset store needs to keep an asset.
struct TFacetAssetSource {
  std::string Body;
  std::string ContentType;
  bool ByLanguage = false;
};

// The built-in assets kept as they are answered.  Thread-safe: every I/O thread asks it.
class TFacetStaticAssets {
public:
  // `AModified` is the Last-Modified time of every asset: built-in assets change only with the
  // program, so the time the program started serves.
  explicit TFacetStaticAssets(std::time_t AModified);

  // The version of the built-in asset with that file name (compared without case): the hash of
  // its content as served; empty when there is no such asset.
  std::string Version(std::string_view AFileName) const;

  // The kept asset under `AKey` (a file name, compared without case, and the variant of a body
  // that depends on the request), made by `AMake` the first time; `AMake` returning no body
  // keeps nothing.  The keys are the program's own names and variants, so what is kept is
  // bounded by them.  A request for an asset another thread is making waits for it rather than
  // compressing it a second time.
  std::shared_ptr<const TFacetStaticAsset>
  Keep(std::string_view AFileName, std::string_view AVariant,
       const std::function<std::optional<TFacetAssetSource>()>& AMake);

  // The text with the version of each built-in asset it refers to added to the reference: the
  // values of src="..." and href="..." attributes without a query or scheme, and (for a style
  // sheet) url(...) references, whose query is replaced.  Other references stay as they are.
  std::string StampVersions(std::string_view AText) const;

private:
  std::time_t FModified;
  // Lower-case file name to version, for every built-in asset; made once.
  std::map<std::string, std::string> FVersions;
  // Style sheets as served: their url() references stamped.
  std::map<std::string, std::string> FStamped;
  mutable std::mutex FLock;
  std::condition_variable FMade;
  std::map<std::string, std::shared_ptr<const TFacetStaticAsset>> FKept;
  // Keys some thread is making now.
  std::set<std::string> FMaking;
};

// Makes the answer's form of an asset: its brotli and gzip forms (each kept only when smaller)
// and its tag.
std::shared_ptr<const TFacetStaticAsset>
MakeStaticAsset(TFacetAssetSource ASource, std::string AVersion, std::time_t AModified);

// Whether an Accept-Encoding value accepts the content coding `ACoding` ("gzip", which "x-gzip"
// also names, or "br"): the coding named, or "*" when it is not, with a quality above zero.
bool AcceptsCoding(std::string_view AAcceptEncoding, std::string_view ACoding);

// Whether the connection may stay open after this request's answer: HTTP/1.1 unless the
// request says "close", HTTP/1.0 only when it says "keep-alive"; never for a request with a body.
bool WantsPersistent(const TFacetHTTPHeader& AHeader);

// The body of an answer made for one request (a page, a grid's rows) in the form the client
// accepts: brotli, else gzip, each at its fastest setting since it is made for every answer;
// as it is for a client that accepts neither or a body too small to gain.  `AHead` gets the
// Content-Encoding and Vary lines when the body is compressed; the content is the same.
std::string EncodeForClient(std::string ABody, std::string_view AAcceptEncoding,
                            TFacetResponseHead& AHead);

// An answer to a request for an asset: its head and the bytes after it.
struct TFacetAssetAnswer {
  std::string Head;
  // Part of the asset's kept bytes: empty for 304 and for HEAD.
  std::string_view Body;
};

// The answer to `AHeader` for `AAsset`: 304 when the request's validators still match (an
// If-None-Match naming the asset's tag, or, without If-None-Match, an If-Modified-Since no
// earlier than the asset's time), else 200 with the body in the smallest form the client accepts
// (brotli, then gzip, then as it is).
TFacetAssetAnswer AnswerAsset(const TFacetStaticAsset& AAsset, const TFacetHTTPHeader& AHeader,
                              bool APersistent);

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT").
std::string HTTPDate(std::time_t ATime);
// The time of an HTTP date in the IMF-fixdate form; nullopt for anything else.
std::optional<std::time_t> ParseHTTPDate(std::string_view AText);
