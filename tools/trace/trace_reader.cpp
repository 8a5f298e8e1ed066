#include "tools/trace/trace_reader.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

namespace lumi::trace {
namespace {

namespace fmt = format;

// Exactly `width` upper-case hexadecimal digits.
std::optional<std::uint64_t> ParseHex(std::string_view field, std::size_t width) {
    if (field.size() != width) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : field) {
        const int digit = fmt::HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::optional<std::uint64_t> ParseDecimal(std::string_view field) {
    if (field.empty() || field.size() > fmt::kMaxDecimalBytes || (field.size() > 1 && field[0] == '0'))
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
}

// Exactly `width` decimal digits, zeros first (a value rewritten in place).
std::optional<std::uint64_t> ParseFixedDecimal(std::string_view field, std::size_t width) {
    if (field.size() != width) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field[0] == '-' || field[0] == '+')
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> Decimal(std::optional<std::string_view> field) {
    return field ? ParseDecimal(*field) : std::nullopt;
}

std::optional<std::uint64_t> Hex(std::optional<std::string_view> field, std::size_t width) {
    return field ? ParseHex(*field, width) : std::nullopt;
}

// The decimal and hexadecimal forms the recorder writes, for comparing VALUEs.
std::string DecimalText(std::uint64_t value) {
    char digits[fmt::kMaxDecimalBytes];
    return std::string(digits, fmt::WriteDecimal(value, digits));
}

std::string HexFloatText(std::uint64_t bits) {
    char text[fmt::kMaxHexFloatBytes];
    return std::string(text, fmt::WriteHexFloat(bits, text));
}

// Splits off the next field: up to a space, a quoted text kept whole.
class Fields {
public:
    explicit Fields(std::string_view line) : rest_(line) {}

    bool AtEnd() const { return rest_.empty(); }
    std::string_view Rest() const { return rest_; }

    std::optional<std::string_view> Next() {
        if (rest_.empty()) return std::nullopt;
        const std::size_t space = rest_.find(' ');
        const std::string_view field = rest_.substr(0, space);
        rest_ = space == std::string_view::npos ? std::string_view() : rest_.substr(space + 1);
        if (field.empty()) return std::nullopt;  // two spaces, or a trailing one
        return field;
    }

    // A text field (after `prefix`), which may hold spaces.
    std::optional<Text> NextText(std::string_view prefix = {}) {
        if (rest_.substr(0, prefix.size()) != prefix) return std::nullopt;
        Text text;
        const std::size_t used = UnescapeText(rest_.substr(prefix.size()), text);
        if (used == 0) return std::nullopt;
        std::string_view after = rest_.substr(prefix.size() + used);
        if (!after.empty()) {
            if (after[0] != ' ' || after.size() == 1) return std::nullopt;
            after.remove_prefix(1);
        }
        rest_ = after;
        return text;
    }

private:
    std::string_view rest_;
};

std::string Quoted(std::string_view line) {
    constexpr std::size_t kShown = 40;
    std::string shown;
    for (char c : line.substr(0, kShown)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    return "'" + shown + (line.size() > kShown ? "...'" : "'");
}

bool IsPadding(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

bool StartsWithWord(std::string_view line, std::string_view word) {
    return line.size() > word.size() && line.starts_with(word) && line[word.size()] == ' ';
}

// Why a text read from a line is not one the recorder writes, or empty.
std::string TextFault(const Text& text, std::uint64_t bound) {
    if (text.state == Text::State::Whole && text.units.size() > bound)
        return "a text of " + std::to_string(text.units.size()) + " units, past the text bound " + std::to_string(bound);
    if (text.state == Text::State::Cut && text.units.size() != bound)
        return "a text cut at " + std::to_string(text.units.size()) + " units, not at the text bound " +
               std::to_string(bound);
    return "";
}

// ---- Bytes and lines --------------------------------------------------------------------

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Up to `size` bytes at `offset`; fewer only at the end or on an error.
    virtual std::size_t ReadAt(std::uint64_t offset, char* to, std::size_t size) = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, char* to, std::size_t size) override {
        if (offset >= bytes_.size()) return 0;
        return bytes_.copy(to, size, static_cast<std::size_t>(offset));
    }

private:
    std::string_view bytes_;
};

class FileSource : public ByteSource {
public:
    FileSource(std::ifstream in, std::uint64_t size) : in_(std::move(in)), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, char* to, std::size_t size) override {
        in_.clear();
        if (!in_.seekg(static_cast<std::streamoff>(offset))) return 0;
        in_.read(to, static_cast<std::streamsize>(size));
        return static_cast<std::size_t>(in_.gcount());
    }

private:
    std::ifstream in_;
    std::uint64_t size_;
};

struct Line {
    std::string_view text;    // without its LF (and a CR before it)
    std::size_t number = 0;   // 1-based
    std::uint64_t offset = 0;  // of its first byte
    bool whole = true;        // ended by LF (else the file's last bytes)
    bool tooLong = false;     // past kMaxLineBytes: `text` is its start only
};

// The lines of bytes [begin, end) of a source, through one buffer.
class LineReader {
public:
    LineReader(ByteSource& source, std::uint64_t begin, std::uint64_t end, std::size_t firstNumber)
        : source_(source),
          next_(begin),
          end_(end),
          number_(firstNumber),
          // A small range needs no more: its lines all fit, none can be too long.
          capacity_(static_cast<std::size_t>(std::min<std::uint64_t>(kBufferBytes, end - std::min(begin, end) + 1))),
          buffer_(new char[capacity_]) {}

    bool Next(Line& line) {
        std::size_t scanned = start_;
        bool tooLong = false;
        std::string longStart;
        std::uint64_t offset = bufferOffset_ + start_;
        while (true) {
            const auto newline = std::find(buffer_.get() + scanned, buffer_.get() + filled_, '\n');
            if (newline != buffer_.get() + filled_) {
                const std::size_t at = static_cast<std::size_t>(newline - buffer_.get());
                Give(line, tooLong ? std::string_view(longStart) : View(start_, at), offset, true, tooLong);
                start_ = at + 1;
                return true;
            }
            if (next_ >= end_) {  // the last bytes, with no LF after them
                if (start_ == filled_ && !tooLong) return false;
                Give(line, tooLong ? std::string_view(longStart) : View(start_, filled_), offset, false, tooLong);
                start_ = filled_;
                return true;
            }
            if (filled_ - start_ >= kMaxLineBytes) {  // kept only as far as a message shows it
                if (!tooLong) longStart.assign(buffer_.get() + start_, 64);
                tooLong = true;
                start_ = filled_;
            }
            Refill();
            scanned = lastKept_;  // the kept bytes hold no LF
        }
    }

    std::uint64_t Offset() const { return bufferOffset_ + start_; }
    std::size_t NextNumber() const { return number_; }
    bool Failed() const { return failed_; }

private:
    static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;  // more than kMaxLineBytes

    std::string_view View(std::size_t from, std::size_t to) const {
        std::string_view text(buffer_.get() + from, to - from);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        return text;
    }

    void Give(Line& line, std::string_view text, std::uint64_t offset, bool whole, bool tooLong) {
        if (tooLong) {
            held_.assign(text);
            text = held_;
        }
        line = Line{text, number_++, offset, whole, tooLong};
    }

    // Keeps the unread bytes, moved to the buffer's start, and reads after them.
    void Refill() {
        lastKept_ = filled_ - start_;
        std::copy(buffer_.get() + start_, buffer_.get() + filled_, buffer_.get());
        bufferOffset_ += start_;
        filled_ -= start_;
        start_ = 0;
        const std::uint64_t left = end_ - next_;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, capacity_ - filled_));
        const std::size_t got = source_.ReadAt(next_, buffer_.get() + filled_, want);
        if (got < want) {
            failed_ = true;
            end_ = next_ + got;
        }
        next_ += got;
        filled_ += got;
    }

    ByteSource& source_;
    std::uint64_t next_;  // the next byte to read from the source
    std::uint64_t end_;
    std::size_t number_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;  // not cleared: only what was read is looked at
    std::uint64_t bufferOffset_ = next_;  // of buffer_[0]
    std::size_t start_ = 0;               // of the next line in buffer_
    std::size_t filled_ = 0;
    std::size_t lastKept_ = 0;  // bytes already scanned before a refill
    std::string held_;          // a long line's start
    bool failed_ = false;
};

// ---- The header -----------------------------------------------------------------------

bool ReadU16Path(Fields& fields, std::u16string& out) {
    const auto text = fields.NextText();
    if (!text || (text->state != Text::State::Whole && text->state != Text::State::Cut) || !fields.AtEnd() ||
        !TextFault(*text, fmt::kPathBound).empty())
        return false;
    out = text->units;
    return true;
}

bool ReadSeparator(Fields& fields, char16_t& out) {
    const auto text = fields.NextText();
    if (!text || text->state != Text::State::Whole || text->units.size() != 1 || !fields.AtEnd()) return false;
    out = text->units[0];
    return true;
}

template <class T>
bool ReadNumber(Fields& fields, T& out) {
    const auto value = Decimal(fields.Next());
    if (!value || *value > static_cast<std::uint64_t>(T(~T{0})) || !fields.AtEnd()) return false;
    out = static_cast<T>(*value);
    return true;
}

template <class T>
bool ReadFixedNumber(Fields& fields, std::size_t digits, T& out) {
    const auto field = fields.Next();
    const auto value = field ? ParseFixedDecimal(*field, digits) : std::nullopt;
    if (!value || *value > static_cast<std::uint64_t>(T(~T{0})) || !fields.AtEnd()) return false;
    out = static_cast<T>(*value);
    return true;
}

bool ReadWord(Fields& fields, std::string& out) {
    const auto field = fields.Next();
    if (!field || !fields.AtEnd()) return false;
    out = std::string(*field);
    return true;
}

bool ReadHeaderValue(fmt::HeaderKey key, Fields& f, Header& h) {
    using fmt::HeaderKey;
    switch (key) {
        case HeaderKey::DllVersion:       return ReadWord(f, h.dllVersion);
        case HeaderKey::DllPath:          return ReadU16Path(f, h.dllPath);
        case HeaderKey::HostPath:         return ReadU16Path(f, h.hostPath);
        case HeaderKey::HostPid:          return ReadNumber(f, h.hostPid);
        case HeaderKey::LoadTime:         return ReadWord(f, h.loadTime);
        case HeaderKey::TicksPerSecond:   return ReadFixedNumber(f, fmt::kTicksPerSecondDigits, h.ticksPerSecond);
        case HeaderKey::DecimalSeparator: return ReadSeparator(f, h.decimalSeparator);
        case HeaderKey::TimeSeparator:    return ReadSeparator(f, h.timeSeparator);
        case HeaderKey::TextBound:        return ReadNumber(f, h.textBound);
        case HeaderKey::SizeBound:        return ReadNumber(f, h.sizeBound);
        case HeaderKey::Wrapped:          return ReadFixedNumber(f, fmt::kWrappedDigits, h.wraps);
    }
    return false;
}

bool IsCodeUnit(char c) { return c == 'I' || c == 'i' || c == '1'; }

const fmt::ResultKindLine* ResultKindNamed(std::string_view name) {
    for (const fmt::ResultKindLine& kind : fmt::kResultKinds)
        if (kind.name == name) return &kind;
    return nullptr;
}

// A ret line's bits into `result`: `digits` hex digits, or for a double
// one that no double holds, the x87 register's sign and exponent, then
// its significand.
bool ReadResultBits(std::string_view bits, std::size_t digits, Result& result) {
    if (result.kind == ResultKind::Double && bits.size() == fmt::kX87Digits) {
        const auto high = ParseHex(bits.substr(0, 4), 4);
        const auto low = ParseHex(bits.substr(4), fmt::kDoubleDigits);
        if (!high || !low) return false;
        result.notADouble = true;
        result.x87High = static_cast<std::uint16_t>(*high);
        result.x87Low = *low;
        return true;
    }
    const auto value = ParseHex(bits, digits);
    if (!value) return false;
    result.bits = *value;
    return true;
}

// The value the writer writes after a word's, an integer's or a double's bits.
std::string ValueText(const Result& result) {
    const auto eax = static_cast<std::uint32_t>(result.bits);
    if (result.kind == ResultKind::Word) return DecimalText(eax);
    if (result.kind == ResultKind::Integer)
        return static_cast<std::int32_t>(eax) < 0 ? "-" + DecimalText(0u - eax) : DecimalText(eax);
    return result.notADouble ? std::string(fmt::kNotADoubleValue) : HexFloatText(result.bits);
}

// A ret line's fields after the bits into `result`: why they are damaged,
// or empty.
std::string ReadResultValue(Fields& fields, std::uint64_t textBound, Result& result) {
    if (result.kind == ResultKind::Text) {
        const auto text = fields.NextText();
        if (!text || text->state == Text::State::Unread || text->state == Text::State::Unreadable ||
            (text->state == Text::State::Null) != (result.bits == 0))
            return "text";
        if (std::string fault = TextFault(*text, textBound); !fault.empty()) return fault;
        result.text = *text;
        return "";
    }
    const auto digits = fields.Next();
    if (!digits) return "value";
    result.digits = std::string(*digits);
    const std::string expected = ValueText(result);
    return result.digits == expected ? "" : "the value is not the bits' " + expected;
}

// A call line and a result line that share a sequence number, as far as read.
struct Pending {
    std::optional<Record> call;
    std::optional<Result> result;
    std::size_t resultLine = 0;
};

// Where the records of a wrapped trace lie: the newest from the area's
// start, the oldest after them; read oldest first.
struct Segment {
    std::uint64_t begin = 0, end = 0;
    std::size_t firstNumber = 0;
};

}  // namespace

struct TraceReader::State {
    std::unique_ptr<ByteSource> source;
    std::deque<Segment> segments;
    std::optional<LineReader> lines;
    Trace facts;
    std::map<std::uint64_t, Pending> pending;  // the out-of-order window
    std::uint64_t nextSeq = 0;                 // 0: not known (a wrapped trace's first)
    // Calls the window passed by: a thread that took its number and was then
    // held up (preempted, or waiting on the recorder's lock) writes its lines
    // late. Their numbers are awaited, as ranges [first, end); a late call
    // line waits among the stragglers for its result; a completed straggler
    // is given next, out of sequence order.
    std::map<std::uint64_t, std::uint64_t> awaited;
    std::map<std::uint64_t, Record> stragglers;
    std::deque<Record> lateRecords;
    bool inSummary = false;
    bool finished = false;  // every line read
    bool done = false;      // every record given, the facts complete
    bool lineProblems = false;
    std::size_t unlisted = 0;
    std::size_t totalLine = 0;
    std::map<std::string, std::uint64_t, std::less<>> callLinesByCode;  // at most one per code
    std::map<std::string, std::size_t, std::less<>> summaryLineOfCode;

    void Problem(std::size_t line, std::string what) {
        if (line != 0) lineProblems = true;
        if (facts.problems.size() < kMaxProblems) {
            facts.problems.push_back({line, std::move(what)});
        } else {
            ++unlisted;
        }
    }

    void Start(std::unique_ptr<ByteSource> bytes);
    bool ReadHeader(LineReader& reader);
    void FindSegments(std::uint64_t areaStart, std::size_t areaLine);
    bool NextLine(Line& line);
    void ReadLine(const Line& line);
    void ReadCall(std::string_view line, std::size_t number);
    void ReadResult(std::string_view line, std::size_t number);
    void ReadSummaryLine(std::string_view line, std::size_t number);
    bool Ready() const;
    bool Give(Record& record);
    void Count(const Record& record);
    void Await(std::uint64_t first, std::uint64_t end);
    std::map<std::uint64_t, std::uint64_t>::const_iterator AwaitedRange(std::uint64_t seq) const;
    bool TakeAwaited(std::uint64_t seq);
    void Straggle(Record record);
    void LetOldestStragglerGo();
    void Finish();
};

void TraceReader::State::Start(std::unique_ptr<ByteSource> bytes) {
    source = std::move(bytes);
    LineReader reader(*source, 0, source->Size(), 1);
    facts.hasHeader = ReadHeader(reader);
    if (!facts.hasHeader) {
        finished = true;
        return;
    }
    nextSeq = facts.header.wraps == 0 ? 1 : 0;
    if (facts.header.wraps == 0) {
        segments.push_back({reader.Offset(), source->Size(), reader.NextNumber()});
    } else {
        FindSegments(reader.Offset(), reader.NextNumber());
    }
}

bool TraceReader::State::ReadHeader(LineReader& reader) {
    Line line;
    const bool any = reader.Next(line);
    Fields magic(any ? line.text : std::string_view());
    const auto name = magic.Next();
    const auto version = magic.Next();
    if (!any || line.tooLong || !name || *name != kMagic || !version || !magic.AtEnd()) {
        Problem(any ? 1 : 0, "not a trace of lumivextaran.dll: the first line is " +
                                 (any ? Quoted(line.text) : std::string("missing")));
        return false;
    }
    const auto number = ParseDecimal(*version);
    if (!number || *number < fmt::kOldestVersion || *number > fmt::kNewestVersion) {
        Problem(1, "trace format " + std::string(*version) + ", this reader knows " +
                       std::to_string(fmt::kOldestVersion) + " to " + std::to_string(fmt::kNewestVersion));
        return false;
    }
    Header& header = facts.header;
    header.formatVersion = static_cast<int>(*number);
    for (const fmt::HeaderLine& expected : fmt::kHeaderLines) {
        if (expected.sinceVersion > header.formatVersion) continue;
        if (!reader.Next(line) || !line.whole) {
            Problem(reader.NextNumber() - 1, "the header ends before '" + std::string(expected.name) + "'");
            return false;
        }
        Fields fields(line.text);
        const auto key = fields.Next();
        if (line.tooLong || !key || *key != expected.name || !ReadHeaderValue(expected.key, fields, header)) {
            Problem(line.number, "header line " + Quoted(line.text) + ": expected '" + std::string(expected.name) +
                                     " VALUE'");
            return false;
        }
    }
    if (!reader.Next(line) || !line.whole || line.text != fmt::kHeaderEnd) {
        Problem(reader.NextNumber() - 1, "the header does not end with '" + std::string(fmt::kHeaderEnd) + "'");
        return false;
    }
    return true;
}

// A wrapped trace holds its newest calls first: the oldest begin at the
// first call line whose number falls far below the highest before it.
// Read in order, the oldest come first, then the newest, then the summary.
void TraceReader::State::FindSegments(std::uint64_t areaStart, std::size_t areaLine) {
    LineReader reader(*source, areaStart, source->Size(), areaLine);
    std::optional<Line> oldest, candidate, summary;
    std::uint64_t highest = 0;
    for (Line line; reader.Next(line);) {
        if (!oldest && StartsWithWord(line.text, fmt::kCallWord)) {
            Fields fields(line.text);
            fields.Next();
            const auto seq = Decimal(fields.Next());
            if (!seq) continue;
            // One call far below is a late one; the oldest begin where the
            // next call is far below too.
            if (*seq + kOrderWindow >= highest) candidate.reset();
            else if (candidate) oldest = *candidate;
            else candidate = line;
            highest = std::max(highest, *seq);
        } else if (line.text == fmt::kSummaryWord) {
            if (!oldest && candidate) oldest = *candidate;  // the oldest are a single call
            summary = line;
            break;
        }
    }
    if (!oldest) {
        segments.push_back({areaStart, source->Size(), areaLine});
        return;
    }
    const Segment tail = summary ? Segment{summary->offset, source->Size(), summary->number}
                                 : Segment{source->Size(), source->Size(), 0};
    segments.push_back({oldest->offset, tail.begin, oldest->number});
    segments.push_back({areaStart, oldest->offset, areaLine});
    if (summary) segments.push_back(tail);
}

bool TraceReader::State::NextLine(Line& line) {
    while (true) {
        if (lines && lines->Next(line)) return true;
        if (lines && lines->Failed()) Problem(0, "the file could not be read to its end");
        lines.reset();
        if (segments.empty()) return false;
        const Segment segment = segments.front();
        segments.pop_front();
        lines.emplace(*source, segment.begin, segment.end, segment.firstNumber);
    }
}

void TraceReader::State::ReadLine(const Line& line) {
    const std::string_view text = line.text;
    if (line.tooLong) return Problem(line.number, "a line of more than " + std::to_string(kMaxLineBytes) + " bytes: " + Quoted(text));
    if (!line.whole) {
        // NULs at the end are the unwritten rest of the last mapped window.
        const std::size_t used = text.find_last_not_of('\0');
        if (used != std::string_view::npos) facts.cutLine = line.number;
        return;
    }
    if (IsPadding(text)) return;
    if (text.find('\0') != std::string_view::npos) return Problem(line.number, "unwritten bytes (NUL) in the line");
    if (inSummary) return ReadSummaryLine(text, line.number);
    if (StartsWithWord(text, fmt::kCallWord)) return ReadCall(text, line.number);
    if (StartsWithWord(text, fmt::kRetWord)) return ReadResult(text, line.number);
    if (text == fmt::kSummaryWord) {
        inSummary = true;
        return;
    }
    Problem(line.number, "not a trace line: " + Quoted(text));
}

void TraceReader::State::ReadCall(std::string_view line, std::size_t number) {
    Fields fields(line);
    fields.Next();  // "call"
    Record record;
    record.inputsLine = number;
    const auto seq = Decimal(fields.Next());
    const auto thread = Decimal(fields.Next());
    const auto ticks = Decimal(fields.Next());
    const auto code = fields.Next();
    const auto ret = Hex(fields.Next(), fmt::kAddressDigits);
    const auto cw = Hex(fields.Next(), fmt::kControlWordDigits);
    auto bad = [&](std::string_view why) { Problem(number, "damaged call line (" + std::string(why) + "): " + Quoted(line)); };
    if (!seq || *seq == 0) return bad("sequence number");
    if (!thread || *thread > 0xFFFFFFFFu) return bad("thread");
    if (!ticks) return bad("time");
    if (!code || code->size() != fmt::kCodeLength || !std::all_of(code->begin(), code->end(), IsCodeUnit)) return bad("code");
    if (!ret) return bad("return address");
    if (!cw) return bad("control word");
    record.seq = *seq;
    record.thread = static_cast<std::uint32_t>(*thread);
    record.ticks = *ticks;
    record.code = std::string(*code);
    record.returnAddress = static_cast<std::uint32_t>(*ret);
    record.controlWord = static_cast<std::uint16_t>(*cw);
    constexpr std::size_t kMaxSlots = 64;
    while (!fields.AtEnd() && !fields.Rest().starts_with(fmt::kTextSlotWord)) {
        const auto word = Hex(fields.Next(), fmt::kAddressDigits);
        if (!word || record.slots.size() == kMaxSlots) return bad("slot word");
        record.slots.push_back(static_cast<std::uint32_t>(*word));
    }
    constexpr std::string_view kTextWord = fmt::kTextSlotWord;
    while (!fields.AtEnd()) {
        const std::string_view rest = fields.Rest();
        const std::size_t equals = rest.find(fmt::kTextSlotEquals);
        if (!rest.starts_with(kTextWord) || equals == std::string_view::npos || equals <= kTextWord.size()) return bad("text");
        const auto slot = ParseDecimal(rest.substr(kTextWord.size(), equals - kTextWord.size()));
        if (!slot || *slot >= record.slots.size()) return bad("text slot");
        if (record.TextOf(static_cast<int>(*slot)) != nullptr) return bad("a second text of one slot");
        const auto text = fields.NextText(rest.substr(0, equals + 1));
        if (!text) return bad("text");
        if (const std::string fault = TextFault(*text, facts.header.textBound); !fault.empty()) return bad(fault);
        record.texts.push_back({static_cast<int>(*slot), *text});
    }
    if (record.seq < nextSeq) {
        if (!TakeAwaited(record.seq))
            return Problem(number, "sequence number " + std::to_string(record.seq) + " comes again");
        ++callLinesByCode[record.code];
        return Straggle(std::move(record));
    }
    Pending& entry = pending[record.seq];
    if (entry.call) {
        return Problem(number, "sequence number " + std::to_string(record.seq) + " already on line " +
                                   std::to_string(entry.call->inputsLine));
    }
    ++callLinesByCode[record.code];
    entry.call = std::move(record);
}

void TraceReader::State::ReadResult(std::string_view line, std::size_t number) {
    Fields fields(line);
    fields.Next();  // "ret"
    auto bad = [&](std::string_view why) { Problem(number, "damaged ret line (" + std::string(why) + "): " + Quoted(line)); };
    const auto seq = Decimal(fields.Next());
    const auto kindName = fields.Next();
    if (!seq || *seq == 0) return bad("sequence number");
    const fmt::ResultKindLine* kind = kindName ? ResultKindNamed(*kindName) : nullptr;
    if (kind == nullptr) return bad("kind");
    Result result;
    result.kind = kind->kind;
    const auto bits = fields.Next();
    if (!bits || !ReadResultBits(*bits, kind->bitsDigits, result)) return bad("bits");
    if (const std::string why = ReadResultValue(fields, facts.header.textBound, result); !why.empty()) return bad(why);
    if (!fields.AtEnd()) return bad("more fields than its kind has");
    if (*seq < nextSeq) {
        if (const auto straggler = stragglers.find(*seq); straggler != stragglers.end()) {
            Record& record = straggler->second;
            record.result = std::move(result);
            record.resultLine = number;
            lateRecords.push_back(std::move(record));
            stragglers.erase(straggler);
            return;
        }
        if (facts.header.wraps > 0 && *seq < facts.firstSeq) {
            ++facts.orphanResults;
            return;
        }
        if (AwaitedRange(*seq) != awaited.end())
            return Problem(number, "result of sequence number " + std::to_string(*seq) + ", which has no call line");
        return Problem(number, "a second result for sequence number " + std::to_string(*seq));
    }
    Pending& entry = pending[*seq];
    if (entry.result) return Problem(number, "a second result for sequence number " + std::to_string(*seq));
    entry.result = std::move(result);
    entry.resultLine = number;
}

void TraceReader::State::ReadSummaryLine(std::string_view line, std::size_t number) {
    Fields fields(line);
    const auto key = fields.Next();
    if (key == fmt::kCallsWord) {
        const auto code = fields.Next();
        const auto count = Decimal(fields.Next());
        if (code && count && fields.AtEnd() && code->size() == fmt::kCodeLength &&
            std::all_of(code->begin(), code->end(), IsCodeUnit)) {
            if (summaryLineOfCode.count(*code) != 0)
                return Problem(number, "the summary counts " + std::string(*code) + " twice");
            facts.summary.push_back({std::string(*code), *count});
            summaryLineOfCode.emplace(std::string(*code), number);
            return;
        }
    } else if (key == fmt::kTotalWord) {
        const auto count = Decimal(fields.Next());
        if (count && fields.AtEnd()) {
            facts.summaryTotal = *count;
            totalLine = number;
            return;
        }
    } else if (key == fmt::kEndWord && fields.AtEnd()) {
        facts.ended = true;
        inSummary = false;
        return;
    }
    Problem(number, "damaged summary line: " + Quoted(line));
}

// A late call (completed, or let go at the end) goes first. The lowest
// pending number goes once its call and result are both in and it is the
// next number, or once the window is full.
bool TraceReader::State::Ready() const {
    if (!lateRecords.empty()) return true;
    if (finished) return !pending.empty() || !stragglers.empty();
    if (pending.empty()) return false;
    if (pending.size() > kOrderWindow) return true;
    const auto& [seq, entry] = *pending.begin();
    return seq == nextSeq && entry.call && entry.result;
}

// Gives the next record; false when none could be given this time (a
// number with only a result, or a call sent to wait for its result).
bool TraceReader::State::Give(Record& record) {
    if (lateRecords.empty() && pending.empty()) LetOldestStragglerGo();  // finished: they go unanswered
    if (!lateRecords.empty()) {
        record = std::move(lateRecords.front());
        lateRecords.pop_front();
        Count(record);
        return true;
    }
    auto node = pending.extract(pending.begin());
    const std::uint64_t seq = node.key();
    Pending& entry = node.mapped();
    // Passed by while the lines of the numbers below may still come.
    if (!finished && nextSeq != 0 && seq > nextSeq) Await(nextSeq, seq);
    nextSeq = seq + 1;
    if (!entry.call) {
        if (facts.header.wraps > 0 && facts.recordCount == 0) {
            ++facts.orphanResults;  // its call line was overwritten at the size bound
        } else {
            Problem(entry.resultLine, "result of sequence number " + std::to_string(seq) + ", which has no call line");
        }
        return false;
    }
    if (!entry.result && !finished) {
        Straggle(std::move(*entry.call));
        return false;
    }
    record = std::move(*entry.call);
    if (entry.result) {
        record.result = std::move(entry.result);
        record.resultLine = entry.resultLine;
    }
    Count(record);
    return true;
}

void TraceReader::State::Count(const Record& record) {
    if (facts.recordCount == 0 || record.seq < facts.firstSeq) {
        facts.firstSeq = record.seq;
        if (facts.header.wraps > 0) facts.droppedCalls = record.seq - 1;
    }
    if (facts.recordCount == 0 || record.seq >= facts.lastSeq) {
        facts.lastSeq = record.seq;
        facts.lastUnanswered = !record.result;
    }
    ++facts.recordCount;
}

// The oldest are given up first: a sound trace has at most one late call
// per thread, so only damage fills these.
void TraceReader::State::Await(std::uint64_t first, std::uint64_t end) {
    awaited.emplace(first, end);
    if (awaited.size() > kLateCallsKept) awaited.erase(awaited.begin());
}

// The awaited range that holds `seq`, or none.
std::map<std::uint64_t, std::uint64_t>::const_iterator TraceReader::State::AwaitedRange(std::uint64_t seq) const {
    auto range = awaited.upper_bound(seq);
    if (range == awaited.begin()) return awaited.end();
    --range;
    return seq < range->second ? range : awaited.end();
}

// Whether `seq` was awaited; it is not any more.
bool TraceReader::State::TakeAwaited(std::uint64_t seq) {
    const auto range = AwaitedRange(seq);
    if (range == awaited.end()) return false;
    const auto [first, end] = *range;
    awaited.erase(range);
    if (first < seq) Await(first, seq);
    if (seq + 1 < end) Await(seq + 1, end);
    return true;
}

void TraceReader::State::Straggle(Record record) {
    const std::uint64_t seq = record.seq;
    stragglers.emplace(seq, std::move(record));
    if (stragglers.size() > kLateCallsKept) LetOldestStragglerGo();
}

// The oldest late call goes on unanswered.
void TraceReader::State::LetOldestStragglerGo() {
    lateRecords.push_back(std::move(stragglers.begin()->second));
    stragglers.erase(stragglers.begin());
}

void TraceReader::State::Finish() {
    // Without wrapping, every sequence number from 1 is there.
    const std::uint64_t span = facts.lastSeq - facts.firstSeq + 1;
    if (facts.recordCount > 1 && facts.header.wraps == 0 && (facts.firstSeq != 1 || span != facts.recordCount))
        Problem(0, std::to_string(facts.lastSeq - facts.recordCount) + " calls up to sequence number " +
                       std::to_string(facts.lastSeq) + " have no call line");
    // The summary against the records, where no damage already explains a difference.
    std::uint64_t summed = 0;
    for (const ExportCount& count : facts.summary) summed += count.calls;
    if (totalLine != 0 && summed != facts.summaryTotal)
        Problem(totalLine, "the summary's total " + std::to_string(facts.summaryTotal) + " is not the sum of its calls, " +
                               std::to_string(summed));
    if (facts.ended && facts.header.wraps == 0 && !lineProblems && !facts.cutLine) {
        for (const ExportCount& count : facts.summary) {
            const auto found = callLinesByCode.find(count.code);
            const std::uint64_t lines = found == callLinesByCode.end() ? 0 : found->second;
            if (lines != count.calls)
                Problem(summaryLineOfCode[count.code], "the summary counts " + std::to_string(count.calls) + " calls of " +
                                                           count.code + ", the trace holds " + std::to_string(lines));
        }
        for (const auto& [code, lines] : callLinesByCode)
            if (summaryLineOfCode.count(code) == 0)
                Problem(totalLine, "the trace holds " + std::to_string(lines) + " calls of " + code +
                                       ", the summary counts none");
    }
    if (unlisted > 0) facts.problems.push_back({0, std::to_string(unlisted) + " more problems not listed"});
    std::stable_sort(facts.problems.begin(), facts.problems.end(),
                     [](const lumi::trace::Problem& a, const lumi::trace::Problem& b) { return a.line < b.line; });
}

TraceReader::TraceReader() : state_(std::make_unique<State>()) {}
TraceReader::~TraceReader() = default;

bool TraceReader::Open(const std::string& path, std::string* error) {
    auto fail = [&](std::string why) {
        if (error != nullptr) *error = std::move(why);
        return false;
    };
    std::error_code code;
    const auto status = std::filesystem::status(path, code);
    if (code) return fail("cannot open " + path + ": " + code.message());
    if (std::filesystem::is_directory(status)) return fail(path + " is a folder, not a trace file");
    if (!std::filesystem::is_regular_file(status)) return fail(path + " is not a regular file");
    const std::uint64_t size = std::filesystem::file_size(path, code);
    if (code) return fail("cannot read " + path + ": " + code.message());
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot open " + path);
    state_ = std::make_unique<State>();
    state_->Start(std::make_unique<FileSource>(std::move(in), size));
    return true;
}

void TraceReader::OpenBytes(std::string_view bytes) {
    state_ = std::make_unique<State>();
    state_->Start(std::make_unique<MemorySource>(bytes));
}

bool TraceReader::Next(Record& record) {
    State& s = *state_;
    while (true) {
        while (s.Ready())
            if (s.Give(record)) return true;
        if (s.done) return false;
        if (s.finished) {
            s.Finish();
            s.done = true;
            return false;
        }
        Line line;
        if (s.NextLine(line)) {
            s.ReadLine(line);
        } else {
            s.finished = true;  // the rest of the window goes out in order
        }
    }
}

const Trace& TraceReader::Facts() const { return state_->facts; }

namespace {

Trace Collect(TraceReader& reader) {
    std::vector<Record> records;
    for (Record record; reader.Next(record);) records.push_back(std::move(record));
    Trace trace = reader.Facts();
    trace.records = std::move(records);
    return trace;
}

}  // namespace

const Text* Record::TextOf(int slot) const {
    for (const SlotText& t : texts)
        if (t.slot == slot) return &t.text;
    return nullptr;
}

Trace ParseTrace(std::string_view file) {
    TraceReader reader;
    reader.OpenBytes(file);
    return Collect(reader);
}

std::optional<Trace> ReadTraceFile(const std::string& path, std::string* error) {
    TraceReader reader;
    if (!reader.Open(path, error)) return std::nullopt;
    return Collect(reader);
}

std::optional<double> SecondsOf(const Header& header, std::uint64_t ticks) {
    if (header.ticksPerSecond == 0) return std::nullopt;
    return static_cast<double>(ticks) / static_cast<double>(header.ticksPerSecond);
}

std::string EscapeText(std::u16string_view units, std::size_t bound) {
    std::string out(1, fmt::kQuote);
    const std::size_t kept = std::min(units.size(), bound);
    char escaped[fmt::kMaxEscapedUnit];
    for (std::size_t i = 0; i < kept; ++i) out.append(escaped, fmt::EscapeUnit(units[i], escaped));
    out += fmt::kQuote;
    if (units.size() > bound) out += fmt::kCutMark;
    return out;
}

std::size_t UnescapeText(std::string_view field, Text& text) {
    text = Text{};
    for (const auto& [word, state] : {std::pair{std::string_view(fmt::kNullWord), Text::State::Null},
                                      std::pair{std::string_view(fmt::kUnreadWord), Text::State::Unread},
                                      std::pair{std::string_view(fmt::kUnreadableWord), Text::State::Unreadable}}) {
        if (field.substr(0, word.size()) == word && (field.size() == word.size() || field[word.size()] == ' ')) {
            text.state = state;
            return word.size();
        }
    }
    if (field.empty() || field[0] != fmt::kQuote) return 0;
    std::size_t i = 1;
    std::u16string units;
    while (i < field.size() && field[i] != fmt::kQuote) {
        char16_t unit = 0;
        const std::size_t used = fmt::UnescapeUnit(field.data() + i, field.size() - i, unit);
        if (used == 0) return 0;
        units += unit;
        i += used;
    }
    if (i >= field.size()) return 0;
    ++i;  // the closing quote
    text.state = Text::State::Whole;
    if (i < field.size() && field[i] == fmt::kCutMark) {
        text.state = Text::State::Cut;
        ++i;
    }
    text.units = std::move(units);
    return i;
}

std::string_view ResultKindName(ResultKind kind) { return fmt::ResultKindName(kind); }

}  // namespace lumi::trace
