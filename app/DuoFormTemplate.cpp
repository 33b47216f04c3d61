#include "app/DuoFormTemplate.h"

#include "app/VozmiraWeb.h"
#include "app/uLogin.h"
#include "bridge/Duo.Util.h"
#include "runtime/Strings.h"

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
    ReplaceTag = HTMLEncode(UsuarioLogado());
}

void TDuoFormTemplate::DoCallBack(const std::string& CallBackName, TStrings* EventParams) {
  if (CallBackName == "Navegar") {
    NavigateTo(EventParams != nullptr && EventParams->Count() > 0 ? EventParams->Strings(0) : "");
    return;
  }
  if (CallBackName == "Sair") {
    LeaveSession();
    return;
  }
  TDuoFacetForm::DoCallBack(CallBackName, EventParams);
}
