// The user's number and time settings, as the library snapshots them at load.
#pragma once

namespace lumi {

struct LocaleFormat {
    char16_t DecimalSeparator = u'.';
    char16_t TimeSeparator = u':';
};

}  // namespace lumi
