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
  // "UserName" (letter case included) becomes the name shown for the user; other tags are left.
  void ProcessTagHTML(const std::string& TagString, std::string& ReplaceTag);
};
