#pragma once

// Adapter of the data grid: its columns as the page grid shows them, and the row selection of a
// multi-select grid kept in step with the rows ticked in the browser.

#include "bridge/Duo.UIObj.Common.h"
#include "data/DBGrids.h"

class TUIObjTDBGrid : public detail::TUIObjOf<TDBGrid, &TDBGrid::StaticClass,
                                              IDuoFrameworkItemDBGrid, &IDuoFrameworkType::DBGrid> {
public:
  using TUIObjOf::TUIObjOf;
  std::string CSSClass() const override {
    return "table table-hover table-sm table-bordered ui-jqgrid-htable cursor-pointer";
  }
  void ProcessPropertyClass(IFacetControl& NewObj) override;
  // Hands over the selection events whatever handlers the grid has: ticking, unticking, ticking
  // all and unticking all rows, and the double click.
  void ProcessEventClass() override;
};
