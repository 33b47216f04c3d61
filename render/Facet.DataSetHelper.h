#pragma once

// The records of a dataset as the JSON array a browser grid loads, and the normalisation of
// number texts typed into grid cells.

#include "runtime/FormatSettings.h"
#include "runtime/Json.h"

#include <string>
#include <string_view>
#include <vector>

class TDataSet;

// From the first record on, one object per record (at most `MaxRecords`, no limit when it is 0
// or less) with one member per name in `Names`, in that order, holding the value of the field of
// that name (found without case; null when there is none or the value is null), and, when
// `AddRecNo` is set, "FacetRecNo": the record's position in the array counted from 1.  Texts are
// trimmed and kept raw (the browser encodes what it shows); whole numbers, floats and booleans
// are JSON numbers and booleans; dates are "DD/MM/YYYY", times "hh:nn:ss", date-times and time
// stamps "DD/MM/YYYY hh:nn:ss", with the separators of `Settings`; bytes and blobs are Base64.
// The dataset is left on the record after the last one written.
TOrderedJSON DataSetToJSON(TDataSet& DataSet, const std::vector<std::string>& Names, int MaxRecords,
                           bool AddRecNo, const TFormatSettings& Settings = PtBrFormatSettings());

// The same records as compact JSON text with every character below 32 and above 126 escaped,
// the text the grid's rows travel as: what DataSetToJSON's document gives written so, made
// without building the document (a grid of thousands of rows is written for every view).
std::string DataSetToJSONText(TDataSet& DataSet, const std::vector<std::string>& Names,
                              int MaxRecords, bool AddRecNo,
                              const TFormatSettings& Settings = PtBrFormatSettings());

// A number text as typed, rewritten so that `Settings`' decimal separator D marks the decimals
// (T is its thousands separator; "," and "." when they are unset): a text with D two or more
// times loses every D and then has every T replaced by D; a text without D holding T once has it
// replaced by D; a text without D holding T more than once loses every T; any other text is kept.
std::string PrepareFloat(std::string_view Text, const TFormatSettings& Settings);
