#pragma once

// The assets compiled into the server: the framework's browser scripts, style sheet and error
// page, and local copies of the web libraries its pages use.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TEmbeddedAsset {
  std::string Name;
  std::string_view Data;
};

// Every built-in asset, by the file name a browser asks for.
const std::vector<TEmbeddedAsset>& EmbeddedAssets();
// The bytes of the asset with that file name (compared without case); nullopt when none.
std::optional<std::string_view> EmbeddedAsset(std::string_view AFileName);
