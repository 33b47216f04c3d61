#include "render/Facet.Button.h"

#include "bridge/Duo.Util.h"

const TClassInfo& TFacetButton::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TFacetButton>("TFacetButton")
          .Property("Caption", &TFacetButton::GetCaption, &TFacetButton::SetCaption)
          .Creatable()
          .Build();
  return info;
}

void TFacetButton::ProcessHTML() {
  FHTMLControl = "<button " + FHTMLCore + ">" + HTMLEncode(FCaption) + "</button>";
}
