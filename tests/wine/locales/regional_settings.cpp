#include "tests/wine/locales/regional_settings.h"

namespace lumi::test {
namespace {

constexpr wchar_t kInternational[] = L"Control Panel\\International";
constexpr wchar_t kDecimal[] = L"sDecimal";
constexpr wchar_t kTime[] = L"sTime";
constexpr wchar_t kTimeFormat[] = L"sTimeFormat";

std::optional<std::wstring> ReadValue(HKEY key, const wchar_t* name) {
    wchar_t buffer[128] = {};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(buffer);
}

void WriteValue(HKEY key, const wchar_t* name, const std::optional<std::wstring>& value) {
    if (!value) {
        RegDeleteValueW(key, name);
        return;
    }
    const DWORD bytes = static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()), bytes);
}

// The guard whose settings an unhandled exception restores.
const RegionalSettingsGuard* gActiveGuard = nullptr;

LONG WINAPI RestoreOnCrash(EXCEPTION_POINTERS*) {
    if (gActiveGuard != nullptr) gActiveGuard->Restore();
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

RegionalValues ReadRegionalValues() {
    RegionalValues values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternational, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    values = {ReadValue(key, kDecimal), ReadValue(key, kTime), ReadValue(key, kTimeFormat)};
    RegCloseKey(key);
    return values;
}

void WriteRegionalValues(const RegionalValues& values) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kInternational, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    WriteValue(key, kDecimal, values.decimal);
    WriteValue(key, kTime, values.time);
    WriteValue(key, kTimeFormat, values.timeFormat);
    RegCloseKey(key);
}

bool SetSeparators(const std::wstring& decimal, const std::wstring& time) {
    const bool decimalSet = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal.c_str()) != 0;
    const bool timeSet = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, time.c_str()) != 0;
    return decimalSet && timeSet;
}

std::wstring UserLocaleItem(LCTYPE item) {
    wchar_t buffer[64] = {};
    return GetLocaleInfoW(LOCALE_USER_DEFAULT, item, buffer, 64) > 0 ? buffer : L"<none>";
}

RegionalSettingsGuard::RegionalSettingsGuard()
    : saved_(ReadRegionalValues()), previousFilter_(SetUnhandledExceptionFilter(&RestoreOnCrash)) {
    gActiveGuard = this;
}

RegionalSettingsGuard::~RegionalSettingsGuard() {
    Restore();
    gActiveGuard = nullptr;
    SetUnhandledExceptionFilter(previousFilter_);
}

void RegionalSettingsGuard::Restore() const {
    // First the documented way, so this process sees them again; then the
    // saved registry values exactly, since setting the time separator also
    // rewrites the time format.
    if (saved_.decimal && saved_.time) SetSeparators(*saved_.decimal, *saved_.time);
    WriteRegionalValues(saved_);
}

}  // namespace lumi::test
