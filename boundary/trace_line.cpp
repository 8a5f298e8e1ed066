#include "boundary/trace_line.h"

#include <cstring>

namespace lumi::trace {

namespace f = format;

namespace {

// A few bytes copied in place: a call of the C runtime's memcpy cost more
// than the copy (the tracing build is built with
// -fno-tree-loop-distribute-patterns, so this stays a loop).
void CopyBytes(char* to, const char* from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
}

}  // namespace

namespace {

// The two hexadecimal digits of each byte, copied as one 16-bit word.
struct HexPairs {
    char digits[2 * 256];
};
constexpr HexPairs MakeHexPairs() {
    HexPairs pairs{};
    for (int byte = 0; byte < 256; ++byte) {
        pairs.digits[2 * byte] = f::kHexDigits[byte >> 4];
        pairs.digits[2 * byte + 1] = f::kHexDigits[byte & 0xF];
    }
    return pairs;
}
constexpr HexPairs kHexPairs = MakeHexPairs();

}  // namespace

// A byte at a time from the low end, and in 32 bits below the top word: a
// slot line has ten words, and 64-bit shifts are several instructions on x86.
Line& Line::Hex(std::uint64_t value, std::size_t digits) {
    char* to = Room(digits);
    if (to == nullptr) return *this;
    std::size_t i = digits;
    for (; i > 8; --i, value >>= 4) to[i - 1] = f::kHexDigits[value & 0xF];
    auto word = static_cast<std::uint32_t>(value);
    for (; i >= 2; i -= 2, word >>= 8) std::memcpy(to + i - 2, &kHexPairs.digits[2 * (word & 0xFF)], 2);
    if (i == 1) to[0] = f::kHexDigits[word & 0xF];
    return *this;
}

// The slot words in one go: a line has up to ten of them.
Line& Line::Words(const std::uint32_t* words, std::uint32_t count) {
    constexpr std::size_t kWordBytes = 1 + f::kAddressDigits;
    char* to = Room(kWordBytes * count);
    if (to == nullptr) return *this;
    for (std::uint32_t k = 0; k < count; ++k, to += kWordBytes) {
        to[0] = ' ';
        std::uint32_t word = words[k];
        for (std::size_t i = f::kAddressDigits; i >= 2; i -= 2, word >>= 8)
            std::memcpy(to + i - 1, &kHexPairs.digits[2 * (word & 0xFF)], 2);
    }
    return *this;
}

namespace {

// Decimal digits of a value below 10^9, from the end of `out` backwards; the
// digits written. Two at a time, in 32 bits: 64-bit divisions by ten cost a
// few multiplications each on x86.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

std::size_t BackwardDigits(std::uint32_t value, char* end) {
    char* at = end;
    while (value >= 100) {
        const std::uint32_t pair = value % 100 * 2;
        value /= 100;
        *--at = kPairs[pair + 1];
        *--at = kPairs[pair];
    }
    if (value >= 10) {
        *--at = kPairs[value * 2 + 1];
        *--at = kPairs[value * 2];
    } else {
        *--at = static_cast<char>('0' + value);
    }
    return static_cast<std::size_t>(end - at);
}

constexpr std::uint32_t kBillion = 1000000000;
constexpr std::size_t kBillionDigits = 9;

// All of `value`'s digits, ending at `end`; the digits written. Above 10^9,
// nine zero-padded digits at a time from the low end.
std::size_t AllDigits(std::uint64_t value, char* end) {
    char* at = end;
    while (value >= kBillion) {
        auto nine = static_cast<std::uint32_t>(value % kBillion);
        for (std::size_t i = 0; i < kBillionDigits; ++i, nine /= 10) *--at = static_cast<char>('0' + nine % 10);
        value /= kBillion;
    }
    at -= BackwardDigits(static_cast<std::uint32_t>(value), at);
    return static_cast<std::size_t>(end - at);
}

// The digits of a 32-bit value.
std::size_t DigitCount(std::uint32_t value) {
    std::size_t count = 1;
    for (std::uint32_t bound = 10; count < 10 && value >= bound; bound *= 10) ++count;
    return count;
}

}  // namespace

// A 32-bit value straight into the line; a wider one through a copy.
Line& Line::Decimal(std::uint64_t value) {
    if (value >> 32 == 0) {
        const auto word = static_cast<std::uint32_t>(value);
        const std::size_t count = DigitCount(word);
        if (char* to = Room(count)) BackwardDigits(word, to + count);
        return *this;
    }
    char digits[f::kMaxDecimalBytes];
    const std::size_t count = AllDigits(value, digits + sizeof digits);
    if (char* to = Room(count)) CopyBytes(to, digits + sizeof digits - count, count);
    return *this;
}

void PutPadded(std::uint64_t value, std::size_t digits, char* out) {
    for (std::size_t i = digits; i > 0; --i, value /= 10) out[i - 1] = static_cast<char>('0' + value % 10);
}

Line& Line::Padded(std::uint64_t value, std::size_t digits) {
    if (char* to = Room(digits)) PutPadded(value, digits, to);
    return *this;
}

Line& Line::Signed(std::int32_t value) {
    if (value < 0) Put('-');
    return Decimal(value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value));
}

// Escaped straight into the line when the longest escapes fit, else unit by unit.
Line& Line::Text(const char16_t* units, std::uint32_t count, bool cut) {
    Put(f::kQuote);
    if (static_cast<std::size_t>(end_ - at_) / f::kMaxEscapedUnit > count) {
        char* at = at_;  // a local cursor: stores through a char* could change at_ itself
        for (std::uint32_t i = 0; i < count; ++i) at += f::EscapeUnit(units[i], at);
        at_ = at;
    } else {
        for (std::uint32_t i = 0; i < count; ++i) {
            char escaped[f::kMaxEscapedUnit];
            const std::size_t bytes = f::EscapeUnit(units[i], escaped);
            if (char* to = Room(bytes)) CopyBytes(to, escaped, bytes);
        }
    }
    Put(f::kQuote);
    if (cut) Put(f::kCutMark);
    return *this;
}

Line& Line::HexFloat(std::uint64_t bits) {
    char text[f::kMaxHexFloatBytes + 1];
    text[f::WriteHexFloat(bits, text)] = 0;
    return Put(text);
}

Line& PutTextField(Line& line, const TextField& text) {
    switch (text.state) {
        case TextState::Null: return line.Put(f::kNullWord);
        case TextState::Unread: return line.Put(f::kUnreadWord);
        case TextState::Unreadable: return line.Put(f::kUnreadableWord);
        case TextState::Read: break;
    }
    return line.Text(text.units, text.count, text.cut);
}

// ---- The header --------------------------------------------------------------------

namespace {

void PutTwo(Line& line, unsigned value) { line.Padded(value, 2); }

void PutUtc(Line& line, const UtcTime& t) {
    line.Decimal(t.year).Put('-');
    PutTwo(line, t.month), line.Put('-'), PutTwo(line, t.day), line.Put('T');
    PutTwo(line, t.hour), line.Put(':'), PutTwo(line, t.minute), line.Put(':'), PutTwo(line, t.second);
    line.Put('.').Padded(t.millisecond, 3).Put('Z');
}

void PutSeparator(Line& line, char16_t unit) { line.Text(&unit, 1, false); }

}  // namespace

HeaderPlaces PutHeader(Line& line, const HeaderFields& fields) {
    HeaderPlaces places{};
    line.Put(f::kMagic).Put(' ').Decimal(f::kNewestVersion).Put('\n');
    for (const f::HeaderLine& header : f::kHeaderLines) {
        line.Put(header.name).Put(' ');
        switch (header.key) {
            case f::HeaderKey::DllVersion: line.Put(fields.dllVersion); break;
            case f::HeaderKey::DllPath: PutTextField(line, fields.dllPath); break;
            case f::HeaderKey::HostPath: PutTextField(line, fields.hostPath); break;
            case f::HeaderKey::HostPid: line.Decimal(fields.hostPid); break;
            case f::HeaderKey::LoadTime: PutUtc(line, fields.loadTime); break;
            case f::HeaderKey::TicksPerSecond:
                places.ticksPerSecond = line.Size();
                line.Padded(fields.ticksPerSecond, f::kTicksPerSecondDigits);
                break;
            case f::HeaderKey::DecimalSeparator: PutSeparator(line, fields.decimalSeparator); break;
            case f::HeaderKey::TimeSeparator: PutSeparator(line, fields.timeSeparator); break;
            case f::HeaderKey::TextBound: line.Decimal(f::kTextBound); break;
            case f::HeaderKey::SizeBound: line.Decimal(fields.sizeBound); break;
            case f::HeaderKey::Wrapped:
                places.wrapped = line.Size();
                line.Padded(0, f::kWrappedDigits);
                break;
        }
        line.Put('\n');
    }
    line.Put(f::kHeaderEnd).Put('\n');
    return places;
}

// ---- The records -------------------------------------------------------------------

void PutInputs(Line& line, const InputsFields& c) {
    line.Put(f::kCallWord).Put(' ').Decimal(c.seq).Put(' ').Decimal(c.thread).Put(' ').Decimal(c.ticks).Put(' ');
    line.Put(c.code).Put(' ').Hex(c.returnAddress, f::kAddressDigits).Put(' ').Hex(c.controlWord, f::kControlWordDigits);
    line.Words(c.slots, c.words);
    if (c.textSlot < 0) return;
    line.Put(' ').Put(f::kTextSlotWord).Decimal(static_cast<std::uint32_t>(c.textSlot)).Put(f::kTextSlotEquals);
    PutTextField(line, c.text);
    line.Put(' ').Put(f::kTextSlotWord).Decimal(static_cast<std::uint32_t>(c.patternSlot)).Put(f::kTextSlotEquals);
    PutTextField(line, c.pattern);
}

void PutResult(Line& line, const ResultFields& r) {
    line.Put(f::kRetWord).Put(' ').Decimal(r.seq).Put(' ').Put(f::ResultKindName(r.kind)).Put(' ');
    switch (r.kind) {
        case f::ResultKind::Word:
            line.Hex(r.eax, f::kAddressDigits).Put(' ').Decimal(r.eax);
            return;
        case f::ResultKind::Integer:
            line.Hex(r.eax, f::kAddressDigits).Put(' ').Signed(static_cast<std::int32_t>(r.eax));
            return;
        case f::ResultKind::Text:
            line.Hex(r.eax, f::kAddressDigits).Put(' ');
            PutTextField(line, r.text);
            return;
        case f::ResultKind::Double: break;
    }
    std::uint64_t bits = 0;
    if (ExactDouble(r.st0, bits)) {
        line.Hex(bits, f::kDoubleDigits).Put(' ').HexFloat(bits);
        return;
    }
    std::uint64_t low;
    std::uint16_t high;
    std::memcpy(&low, r.st0, 8);
    std::memcpy(&high, r.st0 + 8, 2);
    line.Hex(high, f::kX87Digits - f::kDoubleDigits).Hex(low, f::kDoubleDigits).Put(' ').Put(f::kNotADoubleValue);
}

bool ExactDouble(const std::uint8_t* st0, std::uint64_t& bits) {
    std::uint64_t significand;
    std::uint16_t signExponent;
    std::memcpy(&significand, st0, 8);
    std::memcpy(&signExponent, st0 + 8, 2);
    const std::uint64_t sign = static_cast<std::uint64_t>(signExponent >> 15) << 63;
    const int exponent = signExponent & 0x7FFF;
    constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    constexpr int kDropped = 11;  // 64-bit significand down to 53
    if (exponent == 0 && significand == 0) {
        bits = sign;
        return true;
    }
    if (exponent == 0x7FFF) {  // infinity or NaN: the payload narrows
        if ((significand & ((1u << kDropped) - 1)) != 0 || (significand & kIntegerBit) == 0) return false;
        bits = sign | std::uint64_t{0x7FF} << 52 | ((significand >> kDropped) & kFraction);
        return true;
    }
    if ((significand & kIntegerBit) == 0) return false;  // unnormal or pseudo-denormal
    const int biased = exponent - 16383 + 1023;
    if (biased >= 0x7FF) return false;
    if (biased >= 1) {
        if ((significand & ((1u << kDropped) - 1)) != 0) return false;
        bits = sign | static_cast<std::uint64_t>(biased) << 52 | ((significand >> kDropped) & kFraction);
        return true;
    }
    const int shift = kDropped + 1 - biased;  // a double's subnormal
    if (shift >= 64 || (significand & ((std::uint64_t{1} << shift) - 1)) != 0) return false;
    bits = sign | (significand >> shift);
    return true;
}

// ---- The end -----------------------------------------------------------------------

void PutSummaryStart(Line& line) { line.Put(f::kSummaryWord).Put('\n'); }

void PutCalls(Line& line, const char* code, std::uint32_t calls) {
    line.Put(f::kCallsWord).Put(' ').Put(code).Put(' ').Decimal(calls).Put('\n');
}

void PutSummaryEnd(Line& line, std::uint64_t total) {
    line.Put(f::kTotalWord).Put(' ').Decimal(total).Put('\n').Put(f::kEndWord).Put('\n');
}

}  // namespace lumi::trace
