#pragma once

#include "lang/Duo.Lang.Types.h"
#include "runtime/FormatSettings.h"

namespace detail {

// The number, date and time formats of a language as its speakers write them.
TFormatSettings LangFormatSettings(TDuoLang Lang);

} // namespace detail
