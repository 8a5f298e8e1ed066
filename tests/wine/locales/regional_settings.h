// The user's regional settings (HKCU\Control Panel\International) as the
// tests change them, and the guard that puts them back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lumi::test {

// Wine derives LOCALE_STIME from the time format (sTimeFormat), Windows
// keeps it in sTime as well; both are saved, changed and restored.
struct RegionalValues {
    std::optional<std::wstring> decimal, time, timeFormat;  // empty: no such value
};

RegionalValues ReadRegionalValues();

// Writes the values straight into the registry (absent ones are deleted).
// A process reads them when it starts: Wine keeps what it has read.
void WriteRegionalValues(const RegionalValues& values);

// Sets the decimal symbol and time separator the documented way, which
// also updates this process's own view of them.
bool SetSeparators(const std::wstring& decimal, const std::wstring& time);

// What this process's GetLocaleInfoW gives for the user's default locale.
std::wstring UserLocaleItem(LCTYPE item);

// Saves the settings at construction and restores them at destruction, and
// also if the process dies of an unhandled exception meanwhile, so that no
// test leaves the shared Wine prefix with strange separators.
class RegionalSettingsGuard {
public:
    RegionalSettingsGuard();
    ~RegionalSettingsGuard();
    RegionalSettingsGuard(const RegionalSettingsGuard&) = delete;
    RegionalSettingsGuard& operator=(const RegionalSettingsGuard&) = delete;

    const RegionalValues& Saved() const { return saved_; }
    void Restore() const;

private:
    RegionalValues saved_;
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter_;
};

}  // namespace lumi::test
