// libFuzzer target over FormatFixed, RoundToDigits, FormatTime and FindText.
// Build and run with scripts/fuzz.sh.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/require.h"
#include "values/find_text.h"
#include "values/format_fixed.h"
#include "values/format_time.h"
#include "values/rounding.h"
#include "values/x87.h"

namespace {

// Takes bytes from the front of the input; zeros once it runs out.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <class T>
    T Take() {
        T value{};
        const std::size_t count = std::min(sizeof value, size_);
        if (count > 0) std::memcpy(&value, data_, count);
        data_ += count;
        size_ -= count;
        return value;
    }
    // A NUL-ended text of up to `maxUnits` units in a buffer of its exact
    // size, so a read past the terminator is caught by AddressSanitizer.
    std::vector<char16_t> TakeText(std::size_t maxUnits) {
        std::vector<char16_t> text;
        while (size_ >= 2 && text.size() < maxUnits) {
            const auto unit = Take<char16_t>();
            if (unit == 0) break;
            text.push_back(unit % 4 == 0 ? u'a' + unit % 3 : unit);  // favour repeats
        }
        text.push_back(0);
        text.shrink_to_fit();
        return text;
    }

    // A text of `copies` copies of a short piece, and a tail: long periodic
    // texts and patterns, whose partial matches make the direct scans hand
    // over to the two-way scan.
    std::vector<char16_t> TakeRepeatedText(std::size_t pieceUnits, std::size_t copies, std::size_t tailUnits) {
        std::vector<char16_t> piece = TakeText(pieceUnits), tail = TakeText(tailUnits);
        std::vector<char16_t> text;
        for (std::size_t i = 0; i < copies; ++i) text.insert(text.end(), piece.begin(), piece.end() - 1);
        text.insert(text.end(), tail.begin(), tail.end());
        text.shrink_to_fit();
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Any precision (24, 53, 64 bits) and rounding mode, all exceptions masked.
std::uint16_t ControlWordFrom(std::uint8_t choice) {
    constexpr std::uint16_t kPrecision[] = {0x0000, 0x0200, 0x0300, 0x0300};
    return static_cast<std::uint16_t>(0x007F | kPrecision[choice & 3] | (choice >> 2 & 3) << 10);
}

bool IsAllowedInNumberText(char16_t unit, char16_t separator) {
    return (unit >= u'0' && unit <= u'9') || unit == u'-' || unit == u'E' || unit == u'I' || unit == u'N' ||
           unit == u'F' || unit == u'A' || unit == separator;
}

void CheckNumberText(double value, std::int32_t digits, char16_t separator) {
    char16_t text[lumi::kFixedTextMaxUnits + 2];
    text[lumi::kFixedTextMaxUnits + 1] = 0xFFFF;  // must stay untouched
    const std::size_t length = lumi::FormatFixed(value, digits, separator, text);
    REQUIRE(length <= lumi::kFixedTextMaxUnits && text[length] == 0);
    REQUIRE(text[lumi::kFixedTextMaxUnits + 1] == 0xFFFF);
    for (std::size_t i = 0; i < length; ++i)
        REQUIRE(IsAllowedInNumberText(text[i], separator) && text[i] != 0);
}

// With "." as the separator: NAN, [-]INF, [-]d{1,8}[.d{n}] with n decimals
// as the count asks, or [-]d[.d{1,7}]E<at least 8>.
void CheckNumberShape(double value, std::int32_t digits) {
    char16_t wide[lumi::kFixedTextMaxUnits + 1];
    const std::size_t length = lumi::FormatFixed(value, digits, u'.', wide);
    const std::string text(wide, wide + length);  // the units are ASCII
    if (!std::isfinite(value)) {
        REQUIRE(text == (std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF"));
        return;
    }
    const std::string body = text.substr(text[0] == '-' ? 1 : 0);
    const std::size_t dot = body.find('.'), exponent = body.find('E');
    if (exponent == std::string::npos) {
        const std::size_t decimals = digits >= 0 && digits <= 18 ? digits : 18;
        const std::size_t integer = std::min(dot, body.size());
        REQUIRE(integer >= 1 && integer <= 8);
        REQUIRE(dot == std::string::npos ? decimals == 0 : body.size() - dot - 1 == decimals);
    } else {
        REQUIRE(dot == std::string::npos ? exponent == 1 : dot == 1 && exponent > 2 && exponent <= 9);
        REQUIRE(std::stoi(body.substr(exponent + 1)) >= 8);
    }
}

void CheckRounding(double value, std::int32_t digits) {
    const long double rounded = lumi::RoundToDigits(value, digits);
    if (!std::isfinite(value)) {  // infinities and NaN are their own answer
        REQUIRE(std::isnan(value) ? std::isnan(rounded) : rounded == value);
        return;
    }
    // Within one unit of 1 of the value, and three roundings at 24 bits at worst
    // (product, sum, quotient): never an answer far off, whatever its size.
    REQUIRE(std::fabs(rounded - value) <= 1.0L + (std::fabs(value) + 1) * 0x1p-21L);
}

void CheckTimeText(lumi::HostTime time, char16_t separator) {
    for (const char16_t* pattern : {lumi::PatternTime, lumi::PatternDateTime, lumi::PatternDateTimeSeconds}) {
        char16_t text[lumi::kTimeTextMaxUnits + 1];
        const std::size_t length = lumi::FormatTime(time, pattern, separator, text);
        REQUIRE(length <= lumi::kTimeTextMaxUnits && text[length] == 0);
    }
}

void CheckSearch(const std::vector<char16_t>& text, const std::vector<char16_t>& pattern,
                 std::int32_t start) {
    const std::int32_t length = static_cast<std::int32_t>(text.size() - 1);
    const std::int32_t position = lumi::FindText(text.data(), pattern.data(), start);
    REQUIRE(position >= -1 && position <= length);
    if (start >= 0 && start < length) {  // the plain scan's answer
        const std::size_t plain = std::u16string_view(text.data(), text.size() - 1).find(pattern.data(), start);
        REQUIRE(position == (plain == std::u16string_view::npos ? -1 : static_cast<std::int32_t>(plain)));
    } else {
        REQUIRE(position == -1);
    }
    if (start >= 0 && start < length) {  // every scan: the same answer
        const char16_t* scan = text.data() + start;
        const char16_t* byUnit = lumi::SearchPatternByUnit(scan, pattern.data());
        REQUIRE(lumi::SearchPatternTwoWay(scan, pattern.data()) == byUnit);
#if defined(__i386__) || defined(__x86_64__)
        REQUIRE(lumi::SearchPatternByBlock(scan, pattern.data()) == byUnit);
#endif
    }
    REQUIRE(lumi::FindText(nullptr, pattern.data(), start) == -1);
    REQUIRE(lumi::FindText(text.data(), nullptr, start) == -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    const auto value = bytes.Take<double>();
    const auto digits = bytes.Take<std::int32_t>();
    const auto separator = bytes.Take<char16_t>();
    const std::uint16_t controlWord = ControlWordFrom(bytes.Take<std::uint8_t>());
    const auto start = static_cast<std::int32_t>(bytes.Take<std::int8_t>());

    const std::uint16_t saved = lumi::ReadControlWord();
    lumi::WriteControlWord(controlWord);
    CheckNumberText(value, digits, separator);
    CheckNumberShape(value, digits);
    CheckRounding(value, digits);
    REQUIRE(lumi::ReadControlWord() == controlWord);
    lumi::WriteControlWord(saved);

    CheckTimeText(static_cast<lumi::HostTime>(digits), separator);
    const std::vector<char16_t> pattern = bytes.TakeText(8);
    const std::vector<char16_t> text = bytes.TakeText(64);
    CheckSearch(text, pattern, start);

    constexpr std::size_t kMostPatternCopies = 128, kMostTextCopies = 2048;
    const std::size_t patternCopies = bytes.Take<std::uint8_t>() % kMostPatternCopies;
    const std::size_t textCopies = bytes.Take<std::uint16_t>() % kMostTextCopies;
    const std::vector<char16_t> periodicPattern = bytes.TakeRepeatedText(4, patternCopies, 3);
    const std::vector<char16_t> periodicText = bytes.TakeRepeatedText(4, textCopies, 3);
    CheckSearch(periodicText, periodicPattern, start);
    return 0;
}
