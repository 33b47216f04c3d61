#include "server/Facet.Server.Mime.h"

#include <gtest/gtest.h>

namespace {

TEST(MimeTypes, FileTypeFollowsTheExtensionAfterTheLastDot) {
  const TFacetServerFileExtensions types;
  struct Case {
    const char* File;
    const char* Mime;
  };
  const Case cases[] = {
      {"index.html", "text/html"},
      {"wwwroot/readme.txt", "text/html"},
      {"a.htm", "text/html"},
      {"css/app.css", "text/css"},
      {"js/facetserver.js", "text/javascript"},
      {"m.mjs", "application/javascript"},
      {"img/a b.png", "image/png"},
      {"photo.jpg", "image/jpeg"},
      {"photo.jpeg", "image/jpeg"},
      {"photo.jpe", "image/jpeg"},
      {"a.gif", "image/gif"},
      {"logo.svg", "image/svg+xml"},
      {"logo.svgz", "image/svg+xml"},
      {"a.bmp", "image/bmp"},
      {"a.tif", "image/tiff"},
      {"a.tiff", "image/tiff"},
      {"favicon.ico", "image/vnd.microsoft.icon"},
      {"a.webp", "image/webp"},
      {"f.woff", "application/font-woff"},
      {"f.woff2", "application/font-woff2"},
      {"doc.pdf", "application/pdf"},
      {"s.mp3", "audio/mpeg"},
      {"s.wav", "audio/wav"},
      {"v.mp4", "video/mp4"},
      {"a.zip", "application/zip"},
      {"setup.exe", "application/x-executable"},
      {"archive.tar.gz", "application/octet-stream"},
      // Extensions are compared with their case.
      {"IMG.PNG", "application/octet-stream"},
      {"page.Html", "application/octet-stream"},
      {"README", "application/octet-stream"},
      {"trailing.", "application/octet-stream"},
      {"", "application/octet-stream"},
      {"dir.js/file", "application/octet-stream"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    EXPECT_EQ(types.GetMIMEType(c.File), c.Mime);
  }
}

TEST(MimeTypes, AddedTypesNeverReplaceOnesPresent) {
  TFacetServerFileExtensions types;
  types.Add("json", "application/json");
  types.Add("css", "text/plain");
  types.Add("json", "text/plain");
  EXPECT_EQ(types.GetMIMEType("data.json"), "application/json");
  EXPECT_EQ(types.GetMIMEType("a.css"), "text/css");
}

} // namespace
