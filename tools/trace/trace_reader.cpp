#include "tools/trace/trace_reader.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace lumi::trace {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not what the tracing build writes
}

// Exactly `width` upper-case hexadecimal digits.
std::optional<std::uint64_t> ParseHex(std::string_view field, std::size_t width) {
    if (field.size() != width) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : field) {
        const int digit = HexValue(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::optional<std::uint64_t> ParseDecimal(std::string_view field) {
    if (field.empty() || field.size() > 20 || (field.size() > 1 && field[0] == '0')) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> Decimal(std::optional<std::string_view> field) {
    return field ? ParseDecimal(*field) : std::nullopt;
}

std::optional<std::uint64_t> Hex(std::optional<std::string_view> field, std::size_t width) {
    return field ? ParseHex(*field, width) : std::nullopt;
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

struct HeaderLine {
    std::string_view key;
    bool (*read)(Fields&, Header&);
};

bool ReadU16Path(Fields& fields, std::u16string& out) {
    const auto text = fields.NextText();
    if (!text || (text->state != Text::State::Whole && text->state != Text::State::Cut) || !fields.AtEnd())
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
    const auto field = fields.Next();
    const auto value = field ? ParseDecimal(*field) : std::nullopt;
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

bool ReadWraps(Fields& fields, Header& header) {
    constexpr std::size_t kWrapsDigits = 10;
    const auto field = fields.Next();
    if (!field || field->size() != kWrapsDigits || !fields.AtEnd()) return false;
    std::uint64_t value = 0;
    for (char c : *field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return false;
    header.wraps = static_cast<std::uint32_t>(value);
    return true;
}

// The header's lines, in the order they are written.
const HeaderLine kHeaderLines[] = {
    {"dll-version",       [](Fields& f, Header& h) { return ReadWord(f, h.dllVersion); }},
    {"dll-path",          [](Fields& f, Header& h) { return ReadU16Path(f, h.dllPath); }},
    {"host-path",         [](Fields& f, Header& h) { return ReadU16Path(f, h.hostPath); }},
    {"host-pid",          [](Fields& f, Header& h) { return ReadNumber(f, h.hostPid); }},
    {"load-time",         [](Fields& f, Header& h) { return ReadWord(f, h.loadTime); }},
    {"decimal-separator", [](Fields& f, Header& h) { return ReadSeparator(f, h.decimalSeparator); }},
    {"time-separator",    [](Fields& f, Header& h) { return ReadSeparator(f, h.timeSeparator); }},
    {"text-bound",        [](Fields& f, Header& h) { return ReadNumber(f, h.textBound); }},
    {"size-bound",        [](Fields& f, Header& h) { return ReadNumber(f, h.sizeBound); }},
    {"wrapped",           ReadWraps},
};

struct ResultKindName {
    ResultKind kind;
    std::string_view name;
    std::size_t bitsWidth;
};
constexpr ResultKindName kResultKinds[] = {
    {ResultKind::Word,    "word",    8},
    {ResultKind::Integer, "integer", 8},
    {ResultKind::Truth,   "truth",   8},
    {ResultKind::Double,  "double",  16},
    {ResultKind::Text,    "text",    8},
};

bool IsCodeUnit(char c) { return c == 'I' || c == 'i' || c == '1'; }

class Parser {
public:
    Trace Run(std::string_view file);

private:
    void Problem(std::size_t line, std::string what) {
        if (trace_.problems.size() < kMaxProblems) {
            trace_.problems.push_back({line, std::move(what)});
        } else {
            ++unlisted_;
        }
    }
    bool ReadHeader(const std::vector<std::string_view>& lines, std::size_t& next);
    void ReadCall(std::string_view line, std::size_t number);
    void ReadResult(std::string_view line, std::size_t number);
    void ReadSummaryLine(std::string_view line, std::size_t number);
    void Finish();

    Trace trace_;
    std::map<std::uint64_t, Record> calls_;
    std::map<std::uint64_t, std::pair<Result, std::size_t>> results_;
    bool inSummary_ = false;
    std::size_t unlisted_ = 0;
};

bool Parser::ReadHeader(const std::vector<std::string_view>& lines, std::size_t& next) {
    Fields magic(lines.empty() ? std::string_view() : lines[0]);
    const auto name = magic.Next();
    const auto version = magic.Next();
    if (!name || *name != kMagic || !version || !magic.AtEnd()) {
        Problem(lines.empty() ? 0 : 1, "not a trace of lumivextaran.dll: the first line is " +
                                           (lines.empty() ? std::string("missing") : Quoted(lines[0])));
        return false;
    }
    const auto number = ParseDecimal(*version);
    if (!number || *number != static_cast<std::uint64_t>(kFormatVersion)) {
        Problem(1, "trace format " + std::string(*version) + ", this reader knows " +
                       std::to_string(kFormatVersion));
        return false;
    }
    trace_.header.formatVersion = kFormatVersion;
    next = 1;
    for (const HeaderLine& expected : kHeaderLines) {
        if (next >= lines.size()) {
            Problem(next, "the header ends before '" + std::string(expected.key) + "'");
            return false;
        }
        Fields fields(lines[next]);
        const auto key = fields.Next();
        if (!key || *key != expected.key || !expected.read(fields, trace_.header)) {
            Problem(next + 1, "header line " + Quoted(lines[next]) + ": expected '" + std::string(expected.key) +
                                  " VALUE'");
            return false;
        }
        ++next;
    }
    if (next >= lines.size() || lines[next] != "records") {
        Problem(next + 1, "the header does not end with 'records'");
        return false;
    }
    ++next;
    return true;
}

void Parser::ReadCall(std::string_view line, std::size_t number) {
    Fields fields(line);
    fields.Next();  // "call"
    Record record;
    record.inputsLine = number;
    const auto seq = Decimal(fields.Next());
    const auto thread = Decimal(fields.Next());
    const auto micros = Decimal(fields.Next());
    const auto code = fields.Next();
    const auto ret = Hex(fields.Next(), 8);
    const auto cw = Hex(fields.Next(), 4);
    auto bad = [&](std::string_view why) { Problem(number, "damaged call line (" + std::string(why) + "): " + Quoted(line)); };
    if (!seq || *seq == 0) return bad("sequence number");
    if (!thread || *thread > 0xFFFFFFFFu) return bad("thread");
    if (!micros) return bad("time");
    if (!code || code->size() != 10 || !std::all_of(code->begin(), code->end(), IsCodeUnit)) return bad("code");
    if (!ret) return bad("return address");
    if (!cw) return bad("control word");
    record.seq = *seq;
    record.thread = static_cast<std::uint32_t>(*thread);
    record.micros = *micros;
    record.code = std::string(*code);
    record.returnAddress = static_cast<std::uint32_t>(*ret);
    record.controlWord = static_cast<std::uint16_t>(*cw);
    constexpr std::size_t kMaxSlots = 64;
    while (!fields.AtEnd() && fields.Rest().substr(0, 4) != "text") {
        const auto word = Hex(fields.Next(), 8);
        if (!word || record.slots.size() == kMaxSlots) return bad("slot word");
        record.slots.push_back(static_cast<std::uint32_t>(*word));
    }
    while (!fields.AtEnd()) {
        const std::string_view rest = fields.Rest();
        const std::size_t equals = rest.find('=');
        if (!rest.starts_with("text") || equals == std::string_view::npos || equals < 5) return bad("text");
        const auto slot = ParseDecimal(rest.substr(4, equals - 4));
        if (!slot || *slot >= record.slots.size()) return bad("text slot");
        const auto text = fields.NextText(rest.substr(0, equals + 1));
        if (!text) return bad("text");
        record.texts.push_back({static_cast<int>(*slot), *text});
    }
    if (calls_.count(record.seq) != 0) {
        Problem(number, "sequence number " + std::to_string(record.seq) + " already on line " +
                            std::to_string(calls_[record.seq].inputsLine));
        return;
    }
    calls_[record.seq] = std::move(record);
}

void Parser::ReadResult(std::string_view line, std::size_t number) {
    Fields fields(line);
    fields.Next();  // "ret"
    auto bad = [&](std::string_view why) { Problem(number, "damaged ret line (" + std::string(why) + "): " + Quoted(line)); };
    const auto seq = Decimal(fields.Next());
    const auto kindName = fields.Next();
    if (!seq || *seq == 0) return bad("sequence number");
    if (!kindName) return bad("kind");
    const ResultKindName* kind = nullptr;
    for (const ResultKindName& k : kResultKinds)
        if (k.name == *kindName) kind = &k;
    if (kind == nullptr) return bad("kind");
    Result result;
    result.kind = kind->kind;
    const auto bits = fields.Next();
    if (!bits) return bad("bits");
    if (kind->kind == ResultKind::Double && bits->size() == 20) {
        const auto high = ParseHex(bits->substr(0, 4), 4);
        const auto low = ParseHex(bits->substr(4), 16);
        if (!high || !low) return bad("bits");
        result.notADouble = true;
        result.x87High = static_cast<std::uint16_t>(*high);
        result.x87Low = *low;
    } else {
        const auto value = ParseHex(*bits, kind->bitsWidth);
        if (!value) return bad("bits");
        result.bits = *value;
    }
    if (kind->kind == ResultKind::Text) {
        const auto text = fields.NextText();
        if (!text || text->state == Text::State::Unread || text->state == Text::State::Unreadable ||
            (text->state == Text::State::Null) != (result.bits == 0))
            return bad("text");
        result.text = *text;
    } else {
        const auto digits = fields.Next();
        if (!digits) return bad("value");
        result.digits = std::string(*digits);
    }
    if (!fields.AtEnd()) return bad("more fields than its kind has");
    if (results_.count(*seq) != 0) {
        Problem(number, "a second result for sequence number " + std::to_string(*seq));
        return;
    }
    results_[*seq] = {std::move(result), number};
}

void Parser::ReadSummaryLine(std::string_view line, std::size_t number) {
    Fields fields(line);
    const auto key = fields.Next();
    if (key == "calls") {
        const auto code = fields.Next();
        const auto count = Decimal(fields.Next());
        if (code && count && fields.AtEnd()) {
            trace_.summary.push_back({std::string(*code), *count});
            return;
        }
    } else if (key == "total") {
        const auto count = Decimal(fields.Next());
        if (count && fields.AtEnd()) {
            trace_.summaryTotal = *count;
            return;
        }
    } else if (key == "end" && fields.AtEnd()) {
        trace_.ended = true;
        inSummary_ = false;
        return;
    }
    Problem(number, "damaged summary line: " + Quoted(line));
}

void Parser::Finish() {
    for (auto& [seq, call] : calls_) {
        const auto found = results_.find(seq);
        if (found != results_.end()) {
            call.result = std::move(found->second.first);
            call.resultLine = found->second.second;
            results_.erase(found);
        }
        trace_.records.push_back(std::move(call));
    }
    const std::uint64_t first = trace_.records.empty() ? 0 : trace_.records.front().seq;
    if (trace_.header.wraps > 0 && first > 1) trace_.droppedCalls = first - 1;
    // A result whose call line is gone: dropped at the bound, or damaged.
    for (const auto& [seq, result] : results_) {
        if (trace_.header.wraps > 0 && seq < first) {
            ++trace_.orphanResults;
        } else {
            Problem(result.second, "result of sequence number " + std::to_string(seq) + ", which has no call line");
        }
    }
    if (trace_.records.size() > 1 && trace_.header.wraps == 0) {
        // Without wrapping, every sequence number from 1 is there.
        const std::uint64_t last = trace_.records.back().seq;
        if (first != 1 || last - first + 1 != trace_.records.size())
            Problem(0, std::to_string(last - trace_.records.size()) + " calls up to sequence number " +
                           std::to_string(last) + " have no call line");
    }
    if (unlisted_ > 0) trace_.problems.push_back({0, std::to_string(unlisted_) + " more problems not listed"});
    std::stable_sort(trace_.problems.begin(), trace_.problems.end(),
                     [](const lumi::trace::Problem& a, const lumi::trace::Problem& b) { return a.line < b.line; });
}

Trace Parser::Run(std::string_view file) {
    // NULs at the end are the unwritten rest of the last mapped window.
    const std::size_t used = file.find_last_not_of('\0');
    file = used == std::string_view::npos ? std::string_view() : file.substr(0, used + 1);
    std::vector<std::string_view> lines;
    bool lastWhole = file.empty() || file.back() == '\n';
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        file = end == std::string_view::npos ? std::string_view() : file.substr(end + 1);
    }
    std::size_t next = 0;
    trace_.hasHeader = ReadHeader(lines, next);
    if (!trace_.hasHeader) return std::move(trace_);
    if (!lastWhole && next <= lines.size() - 1) {
        trace_.cutLine = lines.size();
        lines.pop_back();
    }
    for (; next < lines.size(); ++next) {
        const std::string_view line = lines[next];
        const std::size_t number = next + 1;
        if (IsPadding(line)) continue;
        if (line.find('\0') != std::string_view::npos) {
            Problem(number, "unwritten bytes (NUL) in the line");
            continue;
        }
        if (inSummary_) {
            ReadSummaryLine(line, number);
        } else if (line.starts_with("call ")) {
            ReadCall(line, number);
        } else if (line.starts_with("ret ")) {
            ReadResult(line, number);
        } else if (line == "summary") {
            inSummary_ = true;
        } else {
            Problem(number, "not a trace line: " + Quoted(line));
        }
    }
    Finish();
    return std::move(trace_);
}

}  // namespace

const Text* Record::TextOf(int slot) const {
    for (const SlotText& t : texts)
        if (t.slot == slot) return &t.text;
    return nullptr;
}

bool Trace::LastRecordCut() const {
    if (cutLine) return true;
    return !ended && !records.empty() && !records.back().result;
}

Trace ParseTrace(std::string_view file) { return Parser().Run(file); }

std::optional<Trace> ReadTraceFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error != nullptr) *error = "cannot open " + path;
        return std::nullopt;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error != nullptr) *error = "cannot read " + path;
        return std::nullopt;
    }
    return ParseTrace(bytes);
}

std::string EscapeText(std::u16string_view units, std::size_t bound) {
    std::string out = "\"";
    const std::size_t kept = std::min(units.size(), bound);
    for (std::size_t i = 0; i < kept; ++i) {
        const char16_t unit = units[i];
        if (unit == u'"' || unit == u'\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit >= 0x20 && unit <= 0x7E) {
            out += static_cast<char>(unit);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(unit >> shift) & 0xF];
        }
    }
    out += '"';
    if (units.size() > bound) out += '+';
    return out;
}

std::size_t UnescapeText(std::string_view field, Text& text) {
    text = Text{};
    for (const auto& [word, state] : {std::pair{std::string_view("null"), Text::State::Null},
                                      std::pair{std::string_view("unread"), Text::State::Unread},
                                      std::pair{std::string_view("unreadable"), Text::State::Unreadable}}) {
        if (field.substr(0, word.size()) == word && (field.size() == word.size() || field[word.size()] == ' ')) {
            text.state = state;
            return word.size();
        }
    }
    if (field.empty() || field[0] != '"') return 0;
    std::size_t i = 1;
    std::u16string units;
    while (true) {
        if (i >= field.size()) return 0;
        const char c = field[i];
        if (c == '"') break;
        if (c < 0x20 || c > 0x7E) return 0;
        if (c != '\\') {
            units += static_cast<char16_t>(c);
            ++i;
            continue;
        }
        if (i + 1 >= field.size()) return 0;
        const char escaped = field[i + 1];
        if (escaped == '"' || escaped == '\\') {
            units += static_cast<char16_t>(escaped);
            i += 2;
        } else if (escaped == 'u') {
            const auto unit = ParseHex(field.substr(i + 2, 4), 4);
            if (!unit) return 0;
            units += static_cast<char16_t>(*unit);
            i += 6;
        } else {
            return 0;
        }
    }
    ++i;  // the closing quote
    text.state = Text::State::Whole;
    if (i < field.size() && field[i] == '+') {
        text.state = Text::State::Cut;
        ++i;
    }
    text.units = std::move(units);
    return i;
}

std::string_view ResultKindName(ResultKind kind) {
    for (const auto& k : kResultKinds)
        if (k.kind == kind) return k.name;
    return "?";
}

}  // namespace lumi::trace
