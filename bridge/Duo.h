#pragma once

// The bridge object of a form with its root list of layout items.

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.ItemCommon.h"

class TControl;

class TDuo : public TDuoClass {
public:
  explicit TDuo(TComponent* FormOwner) : TDuoClass(FormOwner), Items(*this) {}
  ~TDuo() override;

  // Whether some item of the form has the control's name as its id.
  bool ObjectExported(const TControl& AControl) const;

  TDuoItems Items;
};
