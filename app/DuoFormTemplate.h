#pragma once

// The application's page form for pages built from its master template: it answers the
// template's "UserName" tag and leaves out the navigation entries the user may not use.

#include "render/Duo.Facet.Form.h"

class TDuoFormTemplate : public TDuoFacetForm {
  DUO_CLASS(TDuoFormTemplate, TDuoFacetForm)

public:
  explicit TDuoFormTemplate(TComponent* AOwner);

  // Removes each list item (<li>) of the template whose start tag names with data-pagina="..." a
  // working page the user's access level may not open, then each item marked data-menu="..."
  // whose list holds no entry any more.
  void ProcessHTML(TObject* Sender, std::string& AHTMLText);
  // "UserName" (letter case included) becomes the logged-in user's name; other tags are left.
  void ProcessTagHTML(const std::string& TagString, std::string& ReplaceTag);
  // The template's navigation: "Navegar" with a page's name shows that page, "Sair" ends the
  // session; other callbacks go to the form.
  void DoCallBack(const std::string& CallBackName, TStrings* EventParams) override;
};
