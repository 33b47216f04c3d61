// Request heads, request paths, upload names and reload cookie paths as a client may send them.
#include "server/Facet.HTTP.h"
#include "server/Facet.Server.Paths.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const THTTPLimits limits{1024, 256};
  size_t headEnd = 0;
  std::string_view head = input;
  if (ScanHTTPHead(input, limits, headEnd) == THeadScan::Complete) {
    if (headEnd > input.size() || headEnd > limits.MaxHeadBytes)
      std::abort();
    head = input.substr(0, headEnd);
  }
  const TFacetHTTPHeader header = ParseHTTPHead(head, "127.0.0.1", 1);
  ParseContentLength(header.ContentLength);
  const std::filesystem::path root = "/srv/wwwroot";
  for (const std::string_view path : {std::string_view(header.Path), input})
    if (const auto file = ResolveStaticFile(root, path)) {
      const std::filesystem::path inside = file->lexically_relative(root);
      if (inside.empty() || *inside.begin() == ".." || *inside.begin() == "temp")
        std::abort();
    }
  const std::string name = SanitizeUploadName(input);
  if (name.find_first_of("/\\:") != std::string::npos || name.size() > MaxUploadNameBytes ||
      (!name.empty() && name.find_first_not_of(". ") == std::string::npos) ||
      SanitizeUploadName(name) != name)
    std::abort();
  // The reload cookies' path: a folder of plain characters, never anything that could end the
  // cookie's attribute.
  for (const std::string_view path : {std::string_view(header.Path), input}) {
    const std::string folder = CookieFolder(path);
    if (folder.empty() || folder.front() != '/' || folder.back() != '/' ||
        folder.find_first_of("; \t\r\n,=\"") != std::string::npos)
      std::abort();
  }
  return 0;
}
