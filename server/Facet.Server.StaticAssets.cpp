#include "server/Facet.Server.StaticAssets.h"

#include "runtime/Exceptions.h"
#include "runtime/Hash.h"
#include "runtime/StrUtils.h"
#include "server/Facet.Server.Assets.h"
#include "server/Facet.Server.Response.h"

#include <brotli/encode.h>
#include <zlib.h>

#include <array>
#include <charconv>
#include <cstdlib>
#include <vector>

namespace {

// A year: the longest lifetime caches are asked to honour.
constexpr const char* LongLifetime = "public, max-age=31536000, immutable";
// Kept, but asked about again before each use.
constexpr const char* Revalidate = "no-cache";

constexpr std::size_t VersionLength = 16;

std::string ContentHash(std::string_view AContent) {
  return SHA1Hex(AContent).substr(0, VersionLength);
}

// Bodies smaller than this are answered as they are: compressing them gains less than a packet.
constexpr std::size_t SmallestToEncode = 1024;

// The gzip form of `AData` at zlib's level `ALevel`.
std::string GzipOf(std::string_view AData, int ALevel = Z_BEST_COMPRESSION) {
  z_stream stream{};
  if (deflateInit2(&stream, ALevel, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw Exception("Compressing an asset failed");
  std::string out(deflateBound(&stream, static_cast<uLong>(AData.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AData.data()));
  stream.avail_in = static_cast<uInt>(AData.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END)
    throw Exception("Compressing an asset failed");
  return out;
}

// The brotli form of `AData` at quality `AQuality`.  The best quality costs most at making and
// nothing at reading; the store makes each asset once.
std::string BrotliOf(std::string_view AData, bool AText, int AQuality = BROTLI_MAX_QUALITY) {
  std::size_t size = BrotliEncoderMaxCompressedSize(AData.size());
  if (size == 0)
    return std::string();
  std::string out(size, '\0');
  if (BrotliEncoderCompress(AQuality, BROTLI_DEFAULT_WINDOW,
                            AText ? BROTLI_MODE_TEXT : BROTLI_MODE_GENERIC, AData.size(),
                            reinterpret_cast<const uint8_t*>(AData.data()), &size,
                            reinterpret_cast<uint8_t*>(out.data())) != BROTLI_TRUE)
    throw Exception("Compressing an asset failed");
  out.resize(size);
  return out;
}

// The file name a reference names: the text after its last "/", before any query or fragment.
std::string_view FileNameOf(std::string_view AReference) {
  AReference = AReference.substr(0, AReference.find_first_of("?#"));
  const std::size_t slash = AReference.find_last_of('/');
  return slash == std::string_view::npos ? AReference : AReference.substr(slash + 1);
}

// Rewrites each reference that follows `AMarker` and ends before one of `AEnds` with `ARewrite`,
// which returns the new reference or nothing to leave it.
template <class TRewrite>
std::string RewriteReferences(std::string_view AText, std::string_view AMarker,
                              std::string_view AEnds, TRewrite&& ARewrite) {
  std::string out;
  out.reserve(AText.size());
  std::size_t done = 0;
  for (std::size_t at = AText.find(AMarker); at != std::string_view::npos;
       at = AText.find(AMarker, at)) {
    const std::size_t begin = at + AMarker.size();
    const std::size_t end = AText.find_first_of(AEnds, begin);
    if (end == std::string_view::npos)
      break;
    if (const std::optional<std::string> changed = ARewrite(AText.substr(begin, end - begin))) {
      out.append(AText.substr(done, begin - done)).append(*changed);
      done = end;
    }
    at = end;
  }
  out.append(AText.substr(done));
  return out;
}

// The parts of a comma-separated header value, trimmed.
std::vector<std::string> ListOf(std::string_view AValue) {
  std::vector<std::string> items;
  while (!AValue.empty()) {
    const std::size_t comma = AValue.find(',');
    std::string item = Trim(AValue.substr(0, comma));
    if (!item.empty())
      items.push_back(std::move(item));
    if (comma == std::string_view::npos)
      break;
    AValue.remove_prefix(comma + 1);
  }
  return items;
}

// The quality of one Accept-Encoding item ("gzip;q=0.5"): 1 without a "q" parameter, 0 for one
// that is not a number.
double QualityOf(std::string_view AParameters) {
  for (const std::string& parameter : ListOf(StringReplaceAll(AParameters, ";", ","))) {
    if (parameter.size() < 2 || std::tolower(static_cast<unsigned char>(parameter[0])) != 'q' ||
        Trim(parameter.substr(1)).rfind('=', 0) != 0)
      continue;
    const std::string number = Trim(Trim(parameter.substr(1)).substr(1));
    char* end = nullptr;
    const double quality = std::strtod(number.c_str(), &end);
    return end != nullptr && *end == '\0' && !number.empty() ? quality : 0;
  }
  return 1;
}

bool HasToken(std::string_view AValue, std::string_view AToken) {
  for (const std::string& item : ListOf(AValue))
    if (SameText(item, AToken))
      return true;
  return false;
}

// Whether an If-None-Match value names one of the asset's tags (compared weakly, as the header
// asks): its plain body's or one of its compressed forms'.
bool TagMatches(const TFacetStaticAsset& AAsset, std::string_view AIfNoneMatch) {
  for (std::string item : ListOf(AIfNoneMatch)) {
    if (item == "*")
      return true;
    if (item.rfind("W/", 0) == 0)
      item.erase(0, 2);
    for (const char* form : {"", "-gz", "-br"})
      if (item == "\"" + AAsset.Tag + form + "\"")
        return true;
  }
  return false;
}

constexpr std::array<const char*, 7> DayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> MonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The decimal number of exactly the digits of `AText`; nullopt for anything else.
std::optional<int> Digits(std::string_view AText) {
  int value = 0;
  const auto [end, error] = std::from_chars(AText.data(), AText.data() + AText.size(), value);
  if (error != std::errc() || end != AText.data() + AText.size() || AText.empty() ||
      AText.front() == '-' || AText.front() == '+')
    return std::nullopt;
  return value;
}

} // namespace

TFacetStaticAssets::TFacetStaticAssets(std::time_t AModified) : FModified(AModified) {
  for (const TEmbeddedAsset& asset : EmbeddedAssets())
    FVersions[LowerCase(asset.Name)] = ContentHash(asset.Data);
  // A style sheet's version covers the versions it refers to, which the stamping puts in it.
  for (const TEmbeddedAsset& asset : EmbeddedAssets()) {
    if (asset.Name.size() < 4 || !SameText(asset.Name.substr(asset.Name.size() - 4), ".css"))
      continue;
    std::string stamped = StampVersions(asset.Data);
    FVersions[LowerCase(asset.Name)] = ContentHash(stamped);
    FStamped[LowerCase(asset.Name)] = std::move(stamped);
  }
}

std::string TFacetStaticAssets::Version(std::string_view AFileName) const {
  const auto found = FVersions.find(LowerCase(AFileName));
  return found == FVersions.end() ? std::string() : found->second;
}

std::shared_ptr<const TFacetStaticAsset>
TFacetStaticAssets::Keep(std::string_view AFileName, std::string_view AVariant,
                         const std::function<std::optional<TFacetAssetSource>()>& AMake) {
  const std::string name = LowerCase(AFileName);
  const std::string key = name + '\n' + std::string(AVariant);
  {
    std::unique_lock guard(FLock);
    FMade.wait(guard, [&] { return !FMaking.contains(key); });
    const auto found = FKept.find(key);
    if (found != FKept.end())
      return found->second;
    FMaking.insert(key);
  }
  // Made outside the lock: compressing a large asset must not hold up the others.
  std::shared_ptr<const TFacetStaticAsset> asset;
  try {
    std::optional<TFacetAssetSource> source = AMake();
    if (source) {
      const auto stamped = FStamped.find(name);
      if (stamped != FStamped.end())
        source->Body = stamped->second;
      asset = MakeStaticAsset(std::move(*source), Version(name), FModified);
    }
  } catch (...) {
    std::lock_guard guard(FLock);
    FMaking.erase(key);
    FMade.notify_all();
    throw;
  }
  std::lock_guard guard(FLock);
  FMaking.erase(key);
  FMade.notify_all();
  if (!asset)
    return nullptr;
  return FKept.emplace(key, std::move(asset)).first->second;
}

std::string TFacetStaticAssets::StampVersions(std::string_view AText) const {
  // An attribute's reference: a file of this server named without a query.
  const auto attribute = [this](std::string_view AReference) -> std::optional<std::string> {
    if (AReference.find_first_of("?#:") != std::string_view::npos)
      return std::nullopt;
    const std::string version = Version(FileNameOf(AReference));
    if (version.empty())
      return std::nullopt;
    return std::string(AReference) + "?v=" + version;
  };
  // A style sheet's url(): its query, if any, is the version.
  const auto url = [this](std::string_view AReference) -> std::optional<std::string> {
    const std::size_t quote = AReference.find_first_of("'\"");
    const std::string_view inner = quote == 0 && AReference.size() >= 2
                                       ? AReference.substr(1, AReference.size() - 2)
                                       : AReference;
    if (inner.find(':') != std::string_view::npos || inner.find('#') != std::string_view::npos)
      return std::nullopt;
    const std::string version = Version(FileNameOf(inner));
    if (version.empty())
      return std::nullopt;
    const std::string quoteText = quote == 0 ? std::string(1, AReference.front()) : "";
    return quoteText + std::string(inner.substr(0, inner.find('?'))) + "?v=" + version + quoteText;
  };
  std::string text = RewriteReferences(AText, "src=\"", "\"<>", attribute);
  text = RewriteReferences(text, "href=\"", "\"<>", attribute);
  return RewriteReferences(text, "url(", ")\n", url);
}

std::shared_ptr<const TFacetStaticAsset>
MakeStaticAsset(TFacetAssetSource ASource, std::string AVersion, std::time_t AModified) {
  auto asset = std::make_shared<TFacetStaticAsset>();
  asset->ContentType = std::move(ASource.ContentType);
  asset->Body = std::move(ASource.Body);
  asset->ByLanguage = ASource.ByLanguage;
  asset->Tag = ContentHash(asset->Body);
  asset->Version = std::move(AVersion);
  asset->Modified = AModified;
  // Already compressed formats (fonts, pictures) come out no smaller and are sent as they are.
  std::string gzip = GzipOf(asset->Body);
  if (gzip.size() < asset->Body.size())
    asset->Gzip = std::move(gzip);
  std::string brotli = BrotliOf(asset->Body, StartsText("text/", asset->ContentType));
  if (brotli.size() < asset->Body.size() &&
      (asset->Gzip.empty() || brotli.size() < asset->Gzip.size()))
    asset->Brotli = std::move(brotli);
  return asset;
}

bool AcceptsCoding(std::string_view AAcceptEncoding, std::string_view ACoding) {
  std::optional<double> named;
  std::optional<double> any;
  for (const std::string& item : ListOf(AAcceptEncoding)) {
    const std::size_t semicolon = item.find(';');
    const std::string coding = Trim(std::string_view(item).substr(0, semicolon));
    const double quality = semicolon == std::string::npos
                               ? 1
                               : QualityOf(std::string_view(item).substr(semicolon + 1));
    if (SameText(coding, ACoding) || (SameText(ACoding, "gzip") && SameText(coding, "x-gzip")))
      named = quality;
    else if (coding == "*")
      any = quality;
  }
  if (named)
    return *named > 0;
  return any && *any > 0;
}

std::string EncodeForClient(std::string ABody, std::string_view AAcceptEncoding,
                            TFacetResponseHead& AHead) {
  if (ABody.size() < SmallestToEncode)
    return ABody;
  const bool brotli = AcceptsCoding(AAcceptEncoding, "br");
  if (!brotli && !AcceptsCoding(AAcceptEncoding, "gzip"))
    return ABody;
  AHead.Add("Content-Encoding", brotli ? "br" : "gzip").Add("Vary", "Accept-Encoding");
  return brotli ? BrotliOf(ABody, true, BROTLI_MIN_QUALITY) : GzipOf(ABody, Z_BEST_SPEED);
}

bool WantsPersistent(const TFacetHTTPHeader& AHeader) {
  if (!AHeader.TransferEncoding.empty())
    return false;
  const std::optional<uint64_t> length = ParseContentLength(AHeader.ContentLength);
  if (!AHeader.ContentLength.empty() && (!length || *length != 0))
    return false;
  if (HasToken(AHeader.Connection, "close"))
    return false;
  if (AHeader.Version == "HTTP/1.1")
    return true;
  return AHeader.Version == "HTTP/1.0" && HasToken(AHeader.Connection, "keep-alive");
}

TFacetAssetAnswer AnswerAsset(const TFacetStaticAsset& AAsset, const TFacetHTTPHeader& AHeader,
                              bool APersistent) {
  bool fresh = false;
  if (!AHeader.IfNoneMatch.empty())
    fresh = TagMatches(AAsset, AHeader.IfNoneMatch);
  else if (const std::optional<std::time_t> since = ParseHTTPDate(AHeader.IfModifiedSince))
    fresh = AAsset.Modified <= *since;
  const bool brotli = !AAsset.Brotli.empty() && AcceptsCoding(AHeader.AcceptEncoding, "br");
  const bool gzip =
      !brotli && !AAsset.Gzip.empty() && AcceptsCoding(AHeader.AcceptEncoding, "gzip");
  const bool versioned =
      !AAsset.Version.empty() && QueryValue(AHeader.QueryParams, "v") == AAsset.Version;
  TFacetResponseHead head(fresh ? "304 Not Modified" : "200 OK");
  const std::string_view body = brotli ? std::string_view(AAsset.Brotli)
                                : gzip ? std::string_view(AAsset.Gzip)
                                       : std::string_view(AAsset.Body);
  if (!fresh) {
    head.Add("Content-Type", AAsset.ContentType).Add("Content-Length", std::to_string(body.size()));
    if (brotli || gzip)
      head.Add("Content-Encoding", brotli ? "br" : "gzip");
  }
  head.Add("ETag", "\"" + AAsset.Tag +
                       (brotli ? "-br\""
                        : gzip ? "-gz\""
                               : "\""))
      .Add("Last-Modified", HTTPDate(AAsset.Modified))
      .Add("Cache-Control", versioned ? LongLifetime : Revalidate);
  const bool compressed = !AAsset.Gzip.empty() || !AAsset.Brotli.empty();
  if (compressed || AAsset.ByLanguage)
    head.Add("Vary", AAsset.ByLanguage
                         ? (compressed ? "Accept-Encoding, Accept-Language" : "Accept-Language")
                         : "Accept-Encoding");
  head.Protect(TFacetAnswerKind::File);
  if (APersistent)
    head.KeepOpen();
  const bool withBody = !fresh && AHeader.WebMethod != TWebMethod::wmtHEAD;
  return {head.Text(), withBody ? body : std::string_view()};
}

std::string HTTPDate(std::time_t ATime) {
  std::tm parts{};
  gmtime_r(&ATime, &parts);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", DayNames[parts.tm_wday],
                parts.tm_mday, MonthNames[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                parts.tm_min, parts.tm_sec);
  return text;
}

std::optional<std::time_t> ParseHTTPDate(std::string_view AText) {
  // "Sun, 06 Nov 1994 08:49:37 GMT"
  if (AText.size() != 29 || AText.substr(3, 2) != ", " || AText[7] != ' ' || AText[11] != ' ' ||
      AText[16] != ' ' || AText[19] != ':' || AText[22] != ':' || AText.substr(25) != " GMT")
    return std::nullopt;
  std::tm parts{};
  int month = -1;
  for (std::size_t i = 0; i < MonthNames.size(); ++i)
    if (AText.substr(8, 3) == MonthNames[i])
      month = static_cast<int>(i);
  const std::optional<int> day = Digits(AText.substr(5, 2));
  const std::optional<int> year = Digits(AText.substr(12, 4));
  const std::optional<int> hour = Digits(AText.substr(17, 2));
  const std::optional<int> minute = Digits(AText.substr(20, 2));
  const std::optional<int> second = Digits(AText.substr(23, 2));
  if (month < 0 || !day || !year || !hour || !minute || !second || *day < 1 || *day > 31 ||
      *hour > 23 || *minute > 59 || *second > 60)
    return std::nullopt;
  parts.tm_year = *year - 1900;
  parts.tm_mon = month;
  parts.tm_mday = *day;
  parts.tm_hour = *hour;
  parts.tm_min = *minute;
  parts.tm_sec = *second;
  return timegm(&parts);
}
