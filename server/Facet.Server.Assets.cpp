#include "server/Facet.Server.Assets.h"

#include "runtime/StrUtils.h"

std::optional<std::string_view> EmbeddedAsset(std::string_view AFileName) {
  for (const TEmbeddedAsset& asset : EmbeddedAssets())
    if (SameText(asset.Name, AFileName))
      return asset.Data;
  return std::nullopt;
}
