#include "app/DuoFormTemplate.h"

const TClassInfo& TDuoFormTemplate::StaticClass() {
  static const TClassInfo info =
      TClassBuilder<TDuoFormTemplate>("TDuoFormTemplate").Creatable().Build();
  return info;
}

TDuoFormTemplate::TDuoFormTemplate(TComponent* AOwner) : TDuoFacetForm(AOwner) {
  OnProcessHTML = [this](TObject* Sender, std::string& AHTMLText) {
    ProcessHTML(Sender, AHTMLText);
  };
  OnTagHTML = [this](const std::string& TagString, std::string& ReplaceTag) {
    ProcessTagHTML(TagString, ReplaceTag);
  };
}

void TDuoFormTemplate::ProcessHTML(TObject* /*Sender*/, std::string& /*AHTMLText*/) {}

void TDuoFormTemplate::ProcessTagHTML(const std::string& TagString, std::string& ReplaceTag) {
  if (TagString == "UserName")
    ReplaceTag = "Name of User";
}
