#include "bridge/Duo.UIObj.Override.h"

#include "runtime/StrUtils.h"
#include "ui/StdCtrls.h"

#include <string_view>

namespace {

struct TSubstitution {
  std::string_view ClassName;
  const TClassInfo& (*ServedBy)();
};

const TSubstitution Substitutions[] = {
    {"TCxButton", &TButton::StaticClass},
    {"TBitBtn", &TButton::StaticClass},
    {"TLabeledEdit", &TEdit::StaticClass},
    {"TAdvSearchComboBox", &TComboBox::StaticClass},
};

} // namespace

const TClassInfo& OverrideUI(const TClassInfo& AClass) {
  for (const TSubstitution& substitution : Substitutions)
    if (SameText(AClass.ClassName(), substitution.ClassName))
      return substitution.ServedBy();
  return AClass;
}
