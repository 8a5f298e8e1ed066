// The recorder's lines, built in a buffer the caller gives: the header, the
// inputs and result records and the summary, each field as the trace format
// defines it. Portable and free of the C runtime (integer work only, no
// allocation, no exceptions), so the native tests write traces through the
// very code the tracing build runs and read them back with the reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "boundary/trace_format.h"

namespace lumi::trace {

// A line under construction; what does not fit is dropped, and Full() says so.
class Line {
public:
    Line(char* buffer, std::size_t capacity) : begin_(buffer), end_(buffer + capacity), at_(buffer) {}

    Line& Put(const char* text) {
        std::size_t length = 0;
        while (text[length] != 0) ++length;
        if (char* to = Room(length))
            for (std::size_t i = 0; i < length; ++i) to[i] = text[i];
        return *this;
    }
    Line& Put(char c) {
        if (char* to = Room(1)) *to = c;
        return *this;
    }
    Line& Hex(std::uint64_t value, std::size_t digits);  // upper case, zero-padded
    Line& Words(const std::uint32_t* words, std::uint32_t count);  // " XXXXXXXX" each
    Line& Decimal(std::uint64_t value);
    Line& Padded(std::uint64_t value, std::size_t digits);  // decimal, zero-padded
    Line& Signed(std::int32_t value);
    // `count` units quoted and escaped, the cut mark after them when `cut`.
    Line& Text(const char16_t* units, std::uint32_t count, bool cut);
    Line& HexFloat(std::uint64_t bits);

    const char* Data() const { return begin_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(at_ - begin_); }
    bool Full() const { return full_; }

private:
    // Room for `bytes` more, written unchecked; null (and the line full) when
    // they do not fit. A record's fields are written a field at a time: a
    // check per byte cost a third of the recorder's time.
    char* Room(std::size_t bytes) {
        if (static_cast<std::size_t>(end_ - at_) < bytes) {
            full_ = true;
            return nullptr;
        }
        char* room = at_;
        at_ += bytes;
        return room;
    }

    char* begin_;
    char* end_;
    char* at_;
    bool full_ = false;
};

// `value` as `digits` zero-padded decimal digits at `out`: a field rewritten
// in place (wrapped, ticks-per-second).
void PutPadded(std::uint64_t value, std::size_t digits, char* out);

// A text as a record holds it: a word in its place, or its first units.
enum class TextState : std::uint8_t { Null, Unread, Unreadable, Read };

struct TextField {
    TextState state = TextState::Null;
    const char16_t* units = nullptr;  // Read: `count` units, no terminator needed
    std::uint32_t count = 0;
    bool cut = false;                 // more units followed the bound
};

Line& PutTextField(Line& line, const TextField& text);

// ---- The header --------------------------------------------------------------------

struct UtcTime {
    unsigned year, month, day, hour, minute, second, millisecond;
};

struct HeaderFields {
    const char* dllVersion;
    TextField dllPath;
    TextField hostPath;
    std::uint32_t hostPid;
    UtcTime loadTime;
    std::uint64_t ticksPerSecond;  // 0: not known yet
    char16_t decimalSeparator;
    char16_t timeSeparator;
    std::uint32_t sizeBound;
};

// Where the fields rewritten in place begin, as offsets into the line.
struct HeaderPlaces {
    std::uint32_t ticksPerSecond;
    std::uint32_t wrapped;
};

// The newest version's header, through the `records` line.
HeaderPlaces PutHeader(Line& line, const HeaderFields& fields);

// ---- The records -------------------------------------------------------------------

struct InputsFields {
    std::uint64_t seq;
    std::uint32_t thread;
    std::uint64_t ticks;
    const char* code;
    std::uint32_t returnAddress;
    std::uint16_t controlWord;
    const std::uint32_t* slots;
    std::uint32_t words;
    int textSlot;     // -1: the export reads no text
    int patternSlot;
    TextField text;
    TextField pattern;
};

void PutInputs(Line& line, const InputsFields& fields);

// ST(0) as fnsave writes it: the significand's 8 bytes, then sign and exponent.
inline constexpr std::size_t kX87RegisterBytes = 10;

struct ResultFields {
    std::uint64_t seq;
    format::ResultKind kind;
    std::uint32_t eax;
    TextField text;                // Text: the answer
    const std::uint8_t* st0;       // Double: the register's image
};

void PutResult(Line& line, const ResultFields& fields);

// The 80-bit register as a double's bits, when it holds exactly one.
bool ExactDouble(const std::uint8_t* st0, std::uint64_t& bits);

// ---- The end -----------------------------------------------------------------------

void PutSummaryStart(Line& line);
void PutCalls(Line& line, const char* code, std::uint32_t calls);
void PutSummaryEnd(Line& line, std::uint64_t total);

}  // namespace lumi::trace
