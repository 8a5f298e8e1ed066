#include "boundary/locale_snapshot.h"

#include <windows.h>

namespace lumi {

LocaleFormat gLocaleFormat;

namespace {

constexpr LCID kFallbackLocale = 0x0409;  // en-US, when the thread has none

// One-unit items only: a longer one fails for lack of room and keeps the default.
char16_t ReadSeparator(LCID locale, LCTYPE item, char16_t fallback) {
    wchar_t buffer[2] = {};
    if (GetLocaleInfoW(locale, item, buffer, 2) > 0) return static_cast<char16_t>(buffer[0]);
    return fallback;
}

}  // namespace

void TakeLocaleSnapshot() {
    SetThreadLocale(LOCALE_USER_DEFAULT);
    LCID locale = GetThreadLocale();
    if (locale == 0) locale = kFallbackLocale;
    if (!IsValidLocale(locale, LCID_INSTALLED)) locale = GetThreadLocale();

    const LocaleFormat defaults;
    LocaleFormat snapshot;
    snapshot.DecimalSeparator = ReadSeparator(locale, LOCALE_SDECIMAL, defaults.DecimalSeparator);
    snapshot.TimeSeparator = ReadSeparator(locale, LOCALE_STIME, defaults.TimeSeparator);
    gLocaleFormat = snapshot;
}

}  // namespace lumi
