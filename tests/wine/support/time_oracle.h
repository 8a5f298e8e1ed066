// The texts of the time-to-text exports by the system's own calendar
// (FileTimeToSystemTime), with a given time separator: an oracle that shares
// no code with the library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace lumi::test {

enum class TimeForm : std::uint8_t { Clock, DateTime, DateTimeSeconds };  // "h:n", "yyyy.mm.dd h:n", "... h:n:s"

// FILETIME counts 100 ns from 1601-01-01, 11644473600 s before 1970-01-01.
inline SYSTEMTIME SystemTimeOf(std::int32_t time) {
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    constexpr std::int64_t kTicksPerSecond = 10000000;
    const auto ticks = static_cast<std::uint64_t>((time + kSecondsFrom1601To1970) * kTicksPerSecond);
    const FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME fields{};
    FileTimeToSystemTime(&file, &fields);
    return fields;
}

// `value` in decimal, left-padded with "0" to `width` digits.
inline std::u16string PaddedDecimal(unsigned value, int width) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), u'0');
    return digits;
}

// A separator of 0 writes nothing.
inline std::u16string OracleTimeText(std::int32_t time, TimeForm form, char16_t separator = u':') {
    const SYSTEMTIME t = SystemTimeOf(time);
    const std::u16string colon = separator == 0 ? u"" : std::u16string(1, separator);
    std::u16string text;
    if (form != TimeForm::Clock)
        text = PaddedDecimal(t.wYear, 4) + u"." + PaddedDecimal(t.wMonth, 2) + u"." + PaddedDecimal(t.wDay, 2) + u" ";
    text += PaddedDecimal(t.wHour, 1) + colon + PaddedDecimal(t.wMinute, 1);
    if (form == TimeForm::DateTimeSeconds) text += colon + PaddedDecimal(t.wSecond, 1);
    return text;
}

}  // namespace lumi::test
