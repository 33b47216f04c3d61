#include "render/Duo.Facet.Form.h"

#include "bridge/Duo.BaseClass.h"
#include "render/Duo.Facet.Framework.h"

const TClassInfo& TDuoFacetForm::StaticClass() {
  static const TClassInfo info = TClassBuilder<TDuoFacetForm>("TDuoFacetForm").Creatable().Build();
  return info;
}

TDuoFacetForm::TDuoFacetForm(TComponent* AOwner, TDuoFacetFramework& AFramework)
    : TFacetForm(AOwner) {
  TakeFramework(AFramework);
}

void TDuoFacetForm::TakeFramework(TDuoFacetFramework& AFramework) {
  TDuoClass& duo = AFramework.BaseClass();
  SetBaseClass(&duo);
  SetSession(duo.GetFacetSession());
  SetTemplateMasterHTMLFile(AFramework.GetTemplateMasterHTMLFile());
  SetTemplatePageHTMLFile(AFramework.GetTemplatePageHTMLFile());
  for (int i = 0; i < duo.NestedCount(); ++i)
    if (IDuoFrameworkForm* nested = duo.Nested(i).FrameworkForm())
      for (IFacetControl* control : nested->GetControls())
        AddControl(control);
}
