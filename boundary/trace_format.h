// The trace file's one definition (docs/trace-format.md describes it): its
// magic and versions, its header keys in order, its record words, its
// bounds and field widths, and the escaping of a text's units. Used by the
// tracing build's recorder, which runs inside the host's call, so this is
// constexpr data and small noexcept functions over buffers the caller
// gives: no C runtime, no exceptions, no allocation. Also used by the
// reader (tools/trace).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumi::trace::format {

// ---- The first line: the magic, a space and the version ------------------------------

inline constexpr char kMagic[] = "lumivextaran-trace";
inline constexpr int kVersionMicros = 1;  // the inputs line's time counts microseconds
inline constexpr int kVersionTicks = 2;   // it counts clock ticks, at the header's ticks-per-second
inline constexpr int kOldestVersion = kVersionMicros;
inline constexpr int kNewestVersion = kVersionTicks;
inline constexpr std::uint64_t kMicrosPerSecond = 1000000;

// ---- The header: one `KEY VALUE` line per key, in this order ------------------------

enum class HeaderKey : std::uint8_t {
    DllVersion,
    DllPath,
    HostPath,
    HostPid,
    LoadTime,
    TicksPerSecond,
    DecimalSeparator,
    TimeSeparator,
    TextBound,
    SizeBound,
    Wrapped,
};

struct HeaderLine {
    HeaderKey key;
    const char* name;
    int sinceVersion;  // the oldest version that writes the line
};

inline constexpr HeaderLine kHeaderLines[] = {
    {HeaderKey::DllVersion,       "dll-version",       kVersionMicros},
    {HeaderKey::DllPath,          "dll-path",          kVersionMicros},
    {HeaderKey::HostPath,         "host-path",         kVersionMicros},
    {HeaderKey::HostPid,          "host-pid",          kVersionMicros},
    {HeaderKey::LoadTime,         "load-time",         kVersionMicros},
    {HeaderKey::TicksPerSecond,   "ticks-per-second",  kVersionTicks},
    {HeaderKey::DecimalSeparator, "decimal-separator", kVersionMicros},
    {HeaderKey::TimeSeparator,    "time-separator",    kVersionMicros},
    {HeaderKey::TextBound,        "text-bound",        kVersionMicros},
    {HeaderKey::SizeBound,        "size-bound",        kVersionMicros},
    {HeaderKey::Wrapped,          "wrapped",           kVersionMicros},
};
inline constexpr char kHeaderEnd[] = "records";  // the line after the header

// Fixed widths, so the recorder can rewrite the value in place.
inline constexpr std::size_t kWrappedDigits = 10;
inline constexpr std::size_t kTicksPerSecondDigits = 20;  // all zeros: the rate is not known

constexpr const char* HeaderKeyName(HeaderKey key) noexcept {
    for (const HeaderLine& line : kHeaderLines)
        if (line.key == key) return line.name;
    return "";
}

// ---- Records ---------------------------------------------------------------------------

inline constexpr char kCallWord[] = "call";  // call SEQ THREAD TIME CODE RETURN CW SLOT... [TEXT...]
inline constexpr char kRetWord[] = "ret";    // ret SEQ KIND BITS VALUE
inline constexpr char kTextSlotWord[] = "text";  // textK=TEXT, after the slots
inline constexpr char kTextSlotEquals = '=';

inline constexpr std::size_t kCodeLength = 10;           // the export's code
inline constexpr std::size_t kAddressDigits = 8;         // RETURN, a slot word, EAX, a text pointer
inline constexpr std::size_t kControlWordDigits = 4;     // CW
inline constexpr std::size_t kDoubleDigits = 16;         // a double's bits
inline constexpr std::size_t kX87Digits = 20;            // ST(0) that is not exactly a double
inline constexpr char kNotADoubleValue[] = "-";          // its VALUE
inline constexpr char kHexDigits[] = "0123456789ABCDEF";  // upper case, everywhere

// The result kinds. A truth value is written as `integer`: EAX is compared by its bits.
enum class ResultKind : std::uint8_t { Word, Integer, Double, Text };

struct ResultKindLine {
    ResultKind kind;
    const char* name;
    std::size_t bitsDigits;
};

inline constexpr ResultKindLine kResultKinds[] = {
    {ResultKind::Word,    "word",    kAddressDigits},
    {ResultKind::Integer, "integer", kAddressDigits},
    {ResultKind::Double,  "double",  kDoubleDigits},
    {ResultKind::Text,    "text",    kAddressDigits},
};

constexpr const char* ResultKindName(ResultKind kind) noexcept {
    for (const ResultKindLine& line : kResultKinds)
        if (line.kind == kind) return line.name;
    return "";
}

// ---- Numbers, as the recorder writes them (integer work only) ---------------------------

inline constexpr std::size_t kMaxDecimalBytes = 20;   // an unsigned 64-bit value
inline constexpr std::size_t kMaxHexFloatBytes = 24;  // "-0x1.FFFFFFFFFFFFFp+1023"

// `value` in decimal into `out`; the bytes written.
constexpr std::size_t WriteDecimal(std::uint64_t value, char* out) noexcept {
    char digits[kMaxDecimalBytes] = {};
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = 0; i < count; ++i) out[i] = digits[count - 1 - i];
    return count;
}

// A double's VALUE: C99's hexadecimal form of its bits, exact ("0x1.8p+0",
// "-0x0p+0", "0x0.0000000000001p-1022", "inf", "-nan"), digits upper case,
// trailing zero digits dropped; into `out` (kMaxHexFloatBytes); the bytes written.
constexpr std::size_t WriteHexFloat(std::uint64_t bits, char* out) noexcept {
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    const int exponent = static_cast<int>(bits >> 52) & 0x7FF;
    std::uint64_t fraction = bits & kFraction;
    std::size_t at = 0;
    auto put = [&](const char* text) {
        while (*text != 0) out[at++] = *text++;
    };
    if (bits >> 63) out[at++] = '-';
    if (exponent == 0x7FF) {
        put(fraction != 0 ? "nan" : "inf");
        return at;
    }
    if (exponent == 0 && fraction == 0) {
        put("0x0p+0");
        return at;
    }
    put(exponent == 0 ? "0x0" : "0x1");
    if (fraction != 0) {
        out[at++] = '.';
        int digits = 13;
        while ((fraction & 0xF) == 0) fraction >>= 4, --digits;
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out[at++] = kHexDigits[(fraction >> shift) & 0xF];
    }
    const int power = exponent == 0 ? -1022 : exponent - 1023;
    out[at++] = 'p';
    out[at++] = power < 0 ? '-' : '+';
    return at + WriteDecimal(static_cast<std::uint64_t>(power < 0 ? -power : power), out + at);
}

// ---- The end ---------------------------------------------------------------------------

inline constexpr char kSummaryWord[] = "summary";
inline constexpr char kCallsWord[] = "calls";  // calls CODE N
inline constexpr char kTotalWord[] = "total";  // total N
inline constexpr char kEndWord[] = "end";

// ---- Bounds ----------------------------------------------------------------------------

inline constexpr std::uint32_t kTextBound = 256;                  // units written of a text
inline constexpr std::uint32_t kPathBound = 1024;                 // units written of a header path
inline constexpr std::uint64_t kDefaultSizeBound = 256u << 20;    // bytes a trace file may reach

// ---- Texts -------------------------------------------------------------------------------

// A text field: `"` UNITS `"`, `+` right after it when the text went on
// past the bound; or one of these words in its place.
inline constexpr char kQuote = '"';
inline constexpr char kCutMark = '+';
inline constexpr char kNullWord[] = "null";              // a null pointer
inline constexpr char kUnreadWord[] = "unread";          // the call does not read the text
inline constexpr char kUnreadableWord[] = "unreadable";  // the pointer reaches memory that cannot be read

inline constexpr std::size_t kMaxEscapedUnit = 6;         // `\uXXXX`

// The value of an upper-case hexadecimal digit, or -1.
constexpr int HexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Writes one UTF-16 unit as it stands in a text field into `out` (room for
// kMaxEscapedUnit bytes) and gives the bytes written: a printable ASCII unit
// as itself, `"` and `\` after a `\`, any other unit (a surrogate too) as
// `\u` and four hexadecimal digits.
constexpr std::size_t EscapeUnit(char16_t unit, char* out) noexcept {
    if (unit == u'"' || unit == u'\\') {
        out[0] = '\\';
        out[1] = static_cast<char>(unit);
        return 2;
    }
    if (unit >= 0x20 && unit <= 0x7E) {
        out[0] = static_cast<char>(unit);
        return 1;
    }
    out[0] = '\\';
    out[1] = 'u';
    for (int i = 0; i < 4; ++i) out[2 + i] = kHexDigits[(unit >> (12 - 4 * i)) & 0xF];
    return kMaxEscapedUnit;
}

// The inverse: reads one unit from the `available` bytes at `in` (inside the
// quotes, not at the closing quote) and gives the bytes used, or 0 when they
// are not a unit as EscapeUnit writes it.
constexpr std::size_t UnescapeUnit(const char* in, std::size_t available, char16_t& unit) noexcept {
    if (available == 0 || in[0] < 0x20 || in[0] > 0x7E || in[0] == '"') return 0;
    if (in[0] != '\\') {
        unit = static_cast<char16_t>(in[0]);
        return 1;
    }
    if (available >= 2 && (in[1] == '"' || in[1] == '\\')) {
        unit = static_cast<char16_t>(in[1]);
        return 2;
    }
    if (available < kMaxEscapedUnit || in[1] != 'u') return 0;
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = HexDigitValue(in[2 + i]);
        if (digit < 0) return 0;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    // Only the long form of a unit that has no short one: one text, one spelling.
    if (value >= 0x20 && value <= 0x7E) return 0;
    unit = static_cast<char16_t>(value);
    return kMaxEscapedUnit;
}

}  // namespace lumi::trace::format
