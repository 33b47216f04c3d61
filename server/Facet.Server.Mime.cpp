#include "server/Facet.Server.Mime.h"

namespace {

struct TMimeEntry {
  const char* Ext;
  const char* Mime;
};

constexpr TMimeEntry DefaultTypes[] = {
    {"css", "text/css"},
    {"js", "text/javascript"},
    {"mjs", "application/javascript"},
    {"png", "image/png"},
    {"txt", "text/html"},
    {"html", "text/html"},
    {"htm", "text/html"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"jpe", "image/jpeg"},
    {"gif", "image/gif"},
    {"svg", "image/svg+xml"},
    {"svgz", "image/svg+xml"},
    {"bmp", "image/bmp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"ico", "image/vnd.microsoft.icon"},
    {"webp", "image/webp"},
    {"woff", "application/font-woff"},
    {"woff2", "application/font-woff2"},
    {"pdf", "application/pdf"},
    {"mp3", "audio/mpeg"},
    {"wav", "audio/wav"},
    {"mp4", "video/mp4"},
    {"zip", "application/zip"},
    {"exe", "application/x-executable"},
};

} // namespace

TFacetServerFileExtensions::TFacetServerFileExtensions() {
  for (const TMimeEntry& entry : DefaultTypes)
    Add(entry.Ext, entry.Mime);
}

void TFacetServerFileExtensions::Add(const std::string& ext, const std::string& mime) {
  FTypes.emplace(ext, mime);
}

std::string TFacetServerFileExtensions::GetMIMEType(const std::string& fileName) const {
  const size_t dot = fileName.rfind('.');
  if (dot != std::string::npos) {
    const auto found = FTypes.find(fileName.substr(dot + 1));
    if (found != FTypes.end())
      return found->second;
  }
  return "application/octet-stream";
}
