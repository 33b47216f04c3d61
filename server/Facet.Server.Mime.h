#pragma once

#include <map>
#include <string>

// File extension (without its dot, exact case) to MIME type, for the files the server sends.
class TFacetServerFileExtensions {
public:
  // Starts with the server's own table of web file types.
  TFacetServerFileExtensions();

  // Adds a type for an extension; an extension already present keeps its type.
  void Add(const std::string& ext, const std::string& mime);
  // The type of a file by the extension after its name's last dot; a file without an extension,
  // or with one the table does not hold, is "application/octet-stream".
  std::string GetMIMEType(const std::string& fileName) const;

private:
  std::map<std::string, std::string> FTypes;
};
