#pragma once

// Static assets as the server answers them: each asset's bytes kept with their gzip form
// (compressed once, when the asset is first asked for), a content hash for the asset's URL, and
// the answer's head built from the request's Accept-Encoding and validators (ETag,
// Last-Modified, answered with 304).  An asset asked for with the version of its current
// content in its URL ("?v=...") may be cached by the browser for a year: a new release changes
// the version in the pages' URLs.  Without it the browser keeps the asset but asks again each
// time, with its validators.

#include "server/Facet.HTTP.h"

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// One asset as it is answered.
struct TFacetStaticAsset {
  // The Content-Type line's value.
  std::string ContentType;
  std::string Body;
  // The gzip form of Body; empty when compressing does not make it smaller.
  std::string Gzip;
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
  // bounded by them.
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
  std::map<std::string, std::shared_ptr<const TFacetStaticAsset>> FKept;
};

// Makes the answer's form of an asset: its gzip form (kept only when smaller) and its tag.
std::shared_ptr<const TFacetStaticAsset>
MakeStaticAsset(TFacetAssetSource ASource, std::string AVersion, std::time_t AModified);

// Whether an Accept-Encoding value accepts gzip: "gzip" (or "x-gzip", or "*" when gzip is not
// named) with a quality above zero.
bool AcceptsGzip(std::string_view AAcceptEncoding);

// Whether the connection may stay open after this request's answer: HTTP/1.1 unless the
// request says "close", HTTP/1.0 only when it says "keep-alive"; never for a request with a body.
bool WantsPersistent(const TFacetHTTPHeader& AHeader);

// An answer to a request for an asset: its head and the bytes after it.
struct TFacetAssetAnswer {
  std::string Head;
  // Part of the asset's kept bytes: empty for 304 and for HEAD.
  std::string_view Body;
};

// The answer to `AHeader` for `AAsset`: 304 when the request's validators still match (an
// If-None-Match naming the asset's tag, or, without If-None-Match, an If-Modified-Since no
// earlier than the asset's time), else 200 with the body in the form the client accepts.
TFacetAssetAnswer AnswerAsset(const TFacetStaticAsset& AAsset, const TFacetHTTPHeader& AHeader,
                              bool APersistent);

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT").
std::string HTTPDate(std::time_t ATime);
// The time of an HTTP date in the IMF-fixdate form; nullopt for anything else.
std::optional<std::time_t> ParseHTTPDate(std::string_view AText);
