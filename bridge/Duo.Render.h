#pragma once

// Renders one list of layout items into the body of the form's HTML document and registers the
// markup of every item that produced some.

#include <vector>

class TDuoClass;
class TDuoItem;

class TDuoRender {
public:
  explicit TDuoRender(TDuoClass& ABaseClass) : FBaseClass(ABaseClass) {}

  // For each item: its reader and render phases, then its lines are registered under its id; a
  // hidden item's lines are taken out of the body again but stay registered.
  void RenderDuo(const std::vector<TDuoItem*>& Items);

private:
  TDuoClass& FBaseClass;
};
