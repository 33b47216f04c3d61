#pragma once

// A request as the page server sees it, and the answer it fills.

#include "server/Facet.HTTP.h"

#include <filesystem>
#include <string>

class TFacetHTTPRequest {
public:
  TFacetHTTPHeader Header;
};

struct TFacetHTTPResponse {
  std::string ContentType = "text/html";
  // The text after "HTTP/1.1 ".
  std::string StatusCode = "200 OK";
  std::string charset = "UTF-8";
  std::string Content;
  // A file to send (downloads).
  std::filesystem::path FileName;
  bool Error = false;
  std::string ErrorMessage;
};
