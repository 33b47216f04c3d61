#include "bridge/Duo.Util.h"

#include "runtime/StrUtils.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

#include <cstdint>

namespace {

constexpr int DefaultPixelsPerInch = 96;

// value * numerator / denominator for a positive denominator, rounded to the nearest with halves
// away from zero (division truncates towards zero).
int MulDiv(int value, int numerator, int denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  return static_cast<int>((product >= 0 ? product + half : product - half) / denominator);
}

} // namespace

std::string TrataHTMLTag(std::string_view Text) {
  return StringReplaceAll(Trim(Text), "=\"\"", "");
}

bool GetEnabledRecursive(const TControl* Control) {
  bool result = Control->GetEnabled();
  for (const TControl* c = Control;
       result && c->GetParent() != nullptr && !c->GetParent()->Is<TForm>();) {
    c = c->GetParent();
    result = c->GetEnabled();
  }
  return result;
}

bool GetVisibleRecursive(const TControl* Control) {
  bool result = Control->GetVisible();
  for (const TControl* c = Control;
       result && c->GetParent() != nullptr && !c->GetParent()->Is<TCustomForm>();) {
    c = c->GetParent();
    result =
        c->Is<TTabSheet>() ? static_cast<const TTabSheet*>(c)->GetTabVisible() : c->GetVisible();
  }
  return result;
}

int WidthPPI(int Value) {
  const int current = Screen().GetPixelsPerInch();
  if (current <= 0 || current == DefaultPixelsPerInch)
    return Value;
  return MulDiv(Value, DefaultPixelsPerInch, current);
}
