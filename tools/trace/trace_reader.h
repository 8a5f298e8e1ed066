// Reads a trace file of the tracing build (docs/trace-format.md) into its
// header, its records ordered by sequence number, its summary and a list of
// the lines it could not use. Portable C++: built natively (tests, fuzzing)
// and in the Windows tree (lumicall). Never throws on the file's content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumi::trace {

inline constexpr std::string_view kMagic = "lumivextaran-trace";
inline constexpr int kFormatVersion = 1;
inline constexpr std::size_t kTextBound = 256;  // units written of a text

struct Header {
    int formatVersion = 0;
    std::string dllVersion;        // "1.0.0"
    std::u16string dllPath;
    std::u16string hostPath;
    std::uint32_t hostPid = 0;
    std::string loadTime;          // "2026-12-09T04:20:00.123Z"
    char16_t decimalSeparator = u'.';
    char16_t timeSeparator = u':';
    std::uint32_t textBound = kTextBound;
    std::uint64_t sizeBound = 0;
    std::uint32_t wraps = 0;       // the record area wrapped: older calls dropped
};

// A text as the trace gives it.
struct Text {
    // Unreadable: the pointer reaches memory that cannot be read (the call
    // faults on it); its units are not known.
    enum class State : std::uint8_t { Null, Unread, Unreadable, Whole, Cut };
    State state = State::Null;
    std::u16string units;  // Whole: the text; Cut: its first textBound units
};

// A search export's text slot, as its inputs line gives it.
struct SlotText {
    int slot = 0;
    Text text;
};

enum class ResultKind : std::uint8_t { Word, Integer, Truth, Double, Text };

struct Result {
    ResultKind kind = ResultKind::Word;
    // Word, Integer, Truth: EAX; Double: the double's bits; Text: the pointer.
    std::uint64_t bits = 0;
    // Double only: ST(0) was not exactly a double; x87 holds its 80 bits
    // (x87High: sign and exponent), and bits means nothing.
    bool notADouble = false;
    std::uint16_t x87High = 0;
    std::uint64_t x87Low = 0;
    std::string digits;  // VALUE as written: "-99", "1.2345", "nan", "-"
    Text text;           // Text only: the content (State::Null for a null pointer)
};

struct Record {
    std::uint64_t seq = 0;
    std::uint32_t thread = 0;
    std::uint64_t micros = 0;  // since the load
    std::string code;          // ten characters, as written (not checked against the catalogue)
    std::uint32_t returnAddress = 0;
    std::uint16_t controlWord = 0;
    std::vector<std::uint32_t> slots;  // from slot 0
    std::vector<SlotText> texts;       // search exports: text, then pattern
    std::optional<Result> result;      // empty: the call had not returned when the trace ended
    std::size_t inputsLine = 0;        // 1-based line numbers in the file
    std::size_t resultLine = 0;        // 0 without a result

    // The text of `slot`, or null when the line gives none.
    const Text* TextOf(int slot) const;
};

struct Problem {
    std::size_t line = 0;  // 1-based; 0 for the file as a whole
    std::string what;      // "not a trace line: 'frobnicate'", ...
};

struct ExportCount {
    std::string code;
    std::uint64_t calls = 0;
};

struct Trace {
    bool hasHeader = false;  // the first line is the magic and the header is whole
    Header header;
    std::vector<Record> records;  // ordered by seq, each seq once
    bool ended = false;           // the summary's `end` is there: the DLL was unloaded
    std::vector<ExportCount> summary;
    std::uint64_t summaryTotal = 0;
    std::vector<Problem> problems;  // in line order
    // The file's last line was written only in part (the host died while it
    // was written): its line number, and it is not in `records`.
    std::optional<std::size_t> cutLine;
    // Calls before the first record kept: dropped at the size bound.
    std::uint64_t droppedCalls = 0;
    // Result lines whose inputs line was dropped at the size bound.
    std::uint64_t orphanResults = 0;

    // A header and something to replay (or a clean, empty trace).
    bool Usable() const { return hasHeader && (!records.empty() || problems.empty()); }
    // The last call had not returned, or its line was cut: the host died.
    bool LastRecordCut() const;
};

// Parses a whole file's bytes. Never throws on content; at most
// kMaxProblems problems are listed (the rest counted in the last one).
Trace ParseTrace(std::string_view file);
inline constexpr std::size_t kMaxProblems = 1000;

// Reads and parses `path`; nullopt (and `error` set) when it cannot be read.
std::optional<Trace> ReadTraceFile(const std::string& path, std::string* error);

// The escaped form of a text ("\"a\\u00E9\"", a trailing + past `bound`
// units), as the tracing build writes it; and back.
std::string EscapeText(std::u16string_view units, std::size_t bound = kTextBound);
// Reads one text (quoted, null or unread) at the start of `field`; the
// number of bytes used, or 0 when it is not a text.
std::size_t UnescapeText(std::string_view field, Text& text);

std::string_view ResultKindName(ResultKind kind);

}  // namespace lumi::trace
