// The process-wide LocaleFormat, taken once while the library loads.
#pragma once

#include "values/locale_format.h"

namespace lumi {

// Sets the loading thread's locale to the user default and reads the
// separators from it. Called once, during load.
void TakeLocaleSnapshot();

// Written once during load, read by every text-building call.
extern LocaleFormat gLocaleFormat;

inline const LocaleFormat& Locale() { return gLocaleFormat; }

}  // namespace lumi
