#include "FakeFramework.h"

namespace fake {

TPageControl::TPageControl(TComponent* AOwner) : TComponent(AOwner) {
  if (auto* form = dynamic_cast<TPageForm*>(AOwner))
    form->AddControl(this);
}

std::string TPageControl::GetNamePrefix() const {
  auto* form = dynamic_cast<TPageForm*>(GetOwner());
  const std::string prefix = form != nullptr ? form->GetControlsPrefix() : "";
  return prefix.empty() ? GetName() : prefix + "_" + GetName();
}

const TClassInfo& TPageControl::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TPageControl>("TFakePageControl")
          .Property("Caption", &TPageControl::GetCaption, &TPageControl::SetCaption)
          .Property("Enabled", &TPageControl::GetEnabled, &TPageControl::SetEnabled)
          .Property("Visible", &TPageControl::GetVisible, &TPageControl::SetVisible)
          .Property("Left", &TPageControl::GetLeft, &TPageControl::SetLeft)
          .Creatable()
          .Build();
  return info;
}

const TClassInfo& THTMLElement::StaticClass() {
  static const TClassInfo info = TClassBuilder<THTMLElement>("TFakeHTMLElement").Build();
  return info;
}

void TPageForm::AddControl(IFacetControl* AFacetControl) {
  for (IFacetControl* control : Controls)
    if (control == AFacetControl)
      return;
  Controls.push_back(AFacetControl);
}

} // namespace fake
