// Reads a trace file of the tracing build (docs/trace-format.md) record by
// record, in memory bounded by a constant: the header, then the records in
// order of sequence number (a call whose lines came late once complete),
// then the summary and the lines it could not use. Portable C++: built
// natively (lumitrace, tests, fuzzing) and in the Windows tree (lumicall).
// Never throws on the file's content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <memory>
#include <vector>

#include "boundary/trace_format.h"

namespace lumi::trace {

inline constexpr std::string_view kMagic = format::kMagic;
inline constexpr std::size_t kTextBound = format::kTextBound;

struct Header {
    int formatVersion = 0;
    std::string dllVersion;        // "1.0.0"
    std::u16string dllPath;
    std::u16string hostPath;
    std::uint32_t hostPid = 0;
    std::string loadTime;          // "2026-12-09T04:20:00.123Z"
    // The rate of the records' clock: microseconds in version 1; 0 when
    // the recorder did not know it yet (no times can be shown).
    std::uint64_t ticksPerSecond = format::kMicrosPerSecond;
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

using format::ResultKind;

struct Result {
    ResultKind kind = ResultKind::Word;
    // Word, Integer: EAX; Double: the double's bits; Text: the pointer.
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
    std::uint64_t ticks = 0;   // since the load, at the header's ticksPerSecond
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

// A whole trace: ParseTrace and ReadTraceFile collect every record (tests,
// small traces). TraceReader fills all but `records` as it streams.
struct Trace {
    bool hasHeader = false;  // the first line is the magic and the header is whole
    Header header;
    std::vector<Record> records;  // each seq once, by seq but for calls whose lines came late
    std::uint64_t recordCount = 0;  // records read, also when they are not kept
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

    // The last record (by sequence number) had no result; its number, and the first one.
    bool lastUnanswered = false;
    std::uint64_t lastSeq = 0;
    std::uint64_t firstSeq = 0;

    // A header and something to replay (or a clean, empty trace).
    bool Usable() const { return hasHeader && (recordCount > 0 || problems.empty()); }
    // The last call had not returned, or its line was cut: the host died.
    bool LastRecordCut() const { return cutLine || (!ended && lastUnanswered); }
};

// At most kMaxProblems problems are listed (the rest counted in the last one).
inline constexpr std::size_t kMaxProblems = 1000;
// Calls whose lines are put back in order. A call whose lines come later
// than this many calls is still matched, and given once complete, out of
// order; at most kLateCallsKept such calls are awaited at once.
inline constexpr std::size_t kOrderWindow = 1u << 14;
inline constexpr std::size_t kLateCallsKept = 1u << 10;
// The longest line read; a longer one is named and skipped.
inline constexpr std::size_t kMaxLineBytes = 64u << 10;

// Reads a trace record by record:
//     TraceReader reader;
//     if (!reader.Open(path, &error)) ...;
//     for (Record record; reader.Next(record);) ...;
//     reader.Facts()  // the header at once; the summary and problems after the last Next
class TraceReader {
public:
    TraceReader();
    ~TraceReader();
    TraceReader(const TraceReader&) = delete;
    TraceReader& operator=(const TraceReader&) = delete;

    // False (and `error` set) when `path` is no file that can be read.
    bool Open(const std::string& path, std::string* error);
    // The bytes of a whole file, kept by the caller while this reads.
    void OpenBytes(std::string_view bytes);

    // The next record in sequence order (a late call's once complete); false
    // after the last one.
    bool Next(Record& record);
    const Trace& Facts() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Parses a whole file's bytes, keeping every record.
Trace ParseTrace(std::string_view file);
// Reads and parses `path`, keeping every record; nullopt (and `error` set)
// when it cannot be read.
std::optional<Trace> ReadTraceFile(const std::string& path, std::string* error);
// Time since the load of a record, in seconds; nullopt when the rate is not known.
std::optional<double> SecondsOf(const Header& header, std::uint64_t ticks);

// The escaped form of a text ("\"a\\u00E9\"", a trailing + past `bound`
// units), as the tracing build writes it; and back.
std::string EscapeText(std::u16string_view units, std::size_t bound = kTextBound);
// Reads one text (quoted, null or unread) at the start of `field`; the
// number of bytes used, or 0 when it is not a text.
std::size_t UnescapeText(std::string_view field, Text& text);

std::string_view ResultKindName(ResultKind kind);

}  // namespace lumi::trace
