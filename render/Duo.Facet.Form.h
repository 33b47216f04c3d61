#pragma once

// The page form of a bridged form: a page form that knows the form's bridge object, shares its
// session and template files, and takes in the controls of the forms nested into it.

#include "render/Facet.Forms.h"

class TDuoFacetFramework;

class TDuoFacetForm : public TFacetForm {
  DUO_CLASS(TDuoFacetForm, TFacetForm)

public:
  // For creation by class; the framework is given with TakeFramework.
  explicit TDuoFacetForm(TComponent* AOwner) : TFacetForm(AOwner) {}
  TDuoFacetForm(TComponent* AOwner, TDuoFacetFramework& AFramework);

  // Takes the framework's bridge object, its session and template files, and the controls of
  // the page forms of the forms already nested into it.
  void TakeFramework(TDuoFacetFramework& AFramework);
};
