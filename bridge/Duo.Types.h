#pragma once

// Value types shared by the layout model and the page layer: the kinds of data an edit or a grid
// column holds, column alignment, the procedures through which a page control reaches the live
// form control, and the handlers of named callbacks.

#include "runtime/Variant.h"

#include <functional>

class TStrings;

enum class TFacetFieldType {
  FacetFieldTypeAuto,
  FacetFieldTypeString,
  FacetFieldTypePassword,
  FacetFieldTypeInteger,
  FacetFieldTypeNumber,
  FacetFieldTypeDate,
  FacetFieldTypeDateTime,
  FacetFieldTypeTime
};
using enum TFacetFieldType;

enum class TDuoColumnsAlignment {
  DuoAlignColumnsNone,
  DuoAlignColumnsLeft,
  DuoAlignColumnsRigth,
  DuoAlignColumnsCenter,
  DuoAlignColumnsJustified
};
using enum TDuoColumnsAlignment;

enum class TCheckBoxType { CBSwitchType };
using enum TCheckBoxType;

// Runs a control's handler with the event's parameters (name=value lines).
using TOnEventProc = std::function<void(TStrings* Params)>;
// Reads one value of the live form control.
using TOnGetValue = std::function<Variant()>;
// Writes one value of the live form control.
using TOnSetValue = std::function<void(const Variant& Value)>;
// A named callback fired from the page, with the parameters the page sent.
using TCallBackEvent = std::function<void(TStrings* EventParams)>;
