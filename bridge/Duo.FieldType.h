#pragma once

// The kind of value a page shows for a dataset field's type.

#include "bridge/Duo.Types.h"
#include "data/DB.h"

// Whole numbers as integers; floats, dates and times as numbers; date-times and time stamps as
// date-times; everything else as text.
TFacetFieldType FacetFieldType(TFieldType DataType);
