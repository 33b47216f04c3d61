#include "server/Facet.Server.Paths.h"

#include "runtime/Random.h"

#include "runtime/StrUtils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TPathEscape {
  std::string_view Escape;
  std::string_view Character;
};

// Applied in this order, so an escaped "%" ("%25") followed by "2E" still becomes "." when the
// escape of "." comes; whatever the decoding yields is checked afterwards.
constexpr TPathEscape PathEscapes[] = {
    {"%20", " "},  {"%21", "!"}, {"%22", "\""}, {"%23", "#"}, {"%24", "$"}, {"%25", "%"},
    {"%26", "&"},  {"%27", "'"}, {"%28", "("},  {"%29", ")"}, {"%2A", "*"}, {"%2B", "+"},
    {"%2C", ","},  {"%2D", "-"}, {"%2E", "."},  {"%2F", "/"}, {"%3A", ":"}, {"%3B", ";"},
    {"%3C", "<"},  {"%3D", "="}, {"%3E", ">"},  {"%3F", "?"}, {"%40", "@"}, {"%5B", "["},
    {"%5C", "\\"}, {"%5D", "]"}, {"%5E", "^"},  {"%5F", "_"}, {"%60", "`"}, {"%7B", "{"},
    {"%7C", "|"},  {"%7D", "}"}, {"%7E", "~"},
};

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// Device names of Windows, which name no file there whatever their extension.
bool IsDeviceName(std::string_view name) {
  const std::string base = UpperCase(TrimRight(name.substr(0, name.find('.'))));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
    return true;
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

} // namespace

std::string DecodeFilePathEscapes(std::string path) {
  for (const TPathEscape& escape : PathEscapes)
    path = StringReplaceAll(path, escape.Escape, escape.Character);
  return path;
}

std::optional<fs::path> ResolveStaticFile(const fs::path& root, std::string_view requestPath) {
  std::string decoded = DecodeFilePathEscapes(std::string(requestPath));
  decoded.erase(std::min(decoded.find('?'), decoded.size()));
  // One leading separator: "//host/share", "/\x" and paths without a leading one are never the
  // path of a page's own asset.
  if (decoded.empty() || !IsSeparator(decoded[0]) ||
      (decoded.size() > 1 && IsSeparator(decoded[1])))
    return std::nullopt;
  for (const char c : decoded)
    if (c == ':' || IsControl(c))
      return std::nullopt;

  std::vector<std::string_view> segments;
  std::string_view rest(decoded);
  while (!rest.empty()) {
    size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end]))
      ++end;
    const std::string_view segment = rest.substr(0, end);
    if (segment == "..")
      return std::nullopt;
    if (!segment.empty() && segment != ".")
      segments.push_back(segment);
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
  }
  if (segments.empty() || SameText(segments.front(), "temp"))
    return std::nullopt;

  // Every segment is a plain name now (no separator, no "..", no drive), so appending them keeps
  // the result inside the root.
  fs::path file = root.lexically_normal();
  for (const std::string_view segment : segments)
    file /= fs::path(segment);
  return file;
}

std::string SanitizeUploadName(std::string_view name) {
  size_t start = name.size();
  while (start > 0 && !IsSeparator(name[start - 1]))
    --start;
  std::string kept;
  for (const char c : name.substr(start))
    if (c != ':' && !IsControl(c))
      kept += c;
  const bool onlyDots = kept.find_first_not_of(". ") == std::string::npos;
  if (kept.empty() || onlyDots || kept.size() > MaxUploadNameBytes || IsDeviceName(kept))
    return {};
  return kept;
}

TCreatedFile::TCreatedFile(TCreatedFile&& other) noexcept
    : FPath(std::move(other.FPath)), FHandle(std::exchange(other.FHandle, -1)) {}

TCreatedFile& TCreatedFile::operator=(TCreatedFile&& other) noexcept {
  if (this != &other) {
    if (FHandle >= 0)
      ::close(FHandle);
    FPath = std::move(other.FPath);
    FHandle = std::exchange(other.FHandle, -1);
  }
  return *this;
}

TCreatedFile::~TCreatedFile() {
  if (FHandle >= 0)
    ::close(FHandle);
}

void TCreatedFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(FHandle, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR)
        continue;
      throw std::system_error(errno, std::generic_category(), "Cannot write " + FPath.string());
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

void TCreatedFile::Close() {
  if (FHandle < 0)
    return;
  // The descriptor is released even when close reports an error, so it is never closed twice.
  const int handle = std::exchange(FHandle, -1);
  if (::close(handle) != 0)
    throw std::system_error(errno, std::generic_category(), "Cannot close " + FPath.string());
}

TCreatedFile CreateUniqueFile(const fs::path& dir, const std::string& name) {
  if (name.empty() || SanitizeUploadName(name) != name)
    throw std::invalid_argument("Not a plain file name: " + name);
  const fs::path given(name);
  const std::string base = given.stem().string();
  const std::string extension = given.extension().string();
  // The name itself, then the name with a random suffix: one try finds a free name whatever the
  // folder holds (a few more only when a random suffix happens to be taken).  O_EXCL makes the
  // existence test and the creation one step, so two uploads racing for a name get two files.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const fs::path candidate =
        dir / (attempt == 0 ? name : base + "-" + GenerateRandomString(8) + extension);
    const int handle = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (handle >= 0)
      return TCreatedFile(candidate, handle);
    if (errno != EEXIST)
      throw std::system_error(errno, std::generic_category(),
                              "Cannot create " + candidate.string());
  }
  throw std::system_error(EEXIST, std::generic_category(), "No free name for " + name);
}

std::string CookieFolder(std::string_view APath) {
  const std::string_view folder = APath.substr(0, APath.find_last_of('/') + 1);
  if (folder.empty() || folder.front() != '/')
    return "/";
  for (const char c : folder)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '/' && c != '.' && c != '_' &&
        c != '-')
      return "/";
  return std::string(folder);
}
