// Appending UTF-16 units to a fixed-size text buffer.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>

namespace lumi {

// Writes at most `capacity` units and always leaves room for the NUL, so a
// text longer than planned is cut rather than written past the buffer.
class TextWriter {
public:
    TextWriter(char16_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    // A unit of 0 (an empty separator) writes nothing.
    void Put(char16_t unit) {
        if (unit != 0 && length_ < capacity_) out_[length_++] = unit;
    }

    void PutAscii(const char* text) {
        while (*text != '\0') Put(static_cast<char16_t>(*text++));
    }

    // Decimal digits of `value`, left-padded with "0" to at least `width`.
    void PutDecimal(std::uint32_t value, int width) {
        char digits[10];
        const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad) Put(u'0');
        for (const char* digit = digits; digit != end; ++digit) Put(static_cast<char16_t>(*digit));
    }

    // Ends the text with NUL and returns its length.
    std::size_t Finish() {
        out_[length_] = 0;
        return length_;
    }

private:
    char16_t* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

}  // namespace lumi
