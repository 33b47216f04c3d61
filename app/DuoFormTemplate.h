#pragma once

// The application's page form for pages built from its master template: it answers the
// template's "UserName" tag.

#include "render/Duo.Facet.Form.h"

class TDuoFormTemplate : public TDuoFacetForm {
  DUO_CLASS(TDuoFormTemplate, TDuoFacetForm)

public:
  explicit TDuoFormTemplate(TComponent* AOwner);

  // Leaves the page's HTML as it is.
  void ProcessHTML(TObject* Sender, std::string& AHTMLText);
  // "UserName" (letter case included) becomes the logged-in user's name; other tags are left.
  void ProcessTagHTML(const std::string& TagString, std::string& ReplaceTag);
  // The template's navigation: "Navegar" with a page's name shows that page, "Sair" ends the
  // session; other callbacks go to the form.
  void DoCallBack(const std::string& CallBackName, TStrings* EventParams) override;
};
