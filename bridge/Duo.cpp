#include "bridge/Duo.h"

#include "ui/Controls.h"

TDuo::~TDuo() = default;

bool TDuo::ObjectExported(const TControl& AControl) const {
  for (const auto& [id, item] : ExportedControls())
    if (item->GetItemID() == AControl.GetName())
      return true;
  return false;
}
