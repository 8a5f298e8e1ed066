// Traces written by the recorder's own line writer (boundary/trace_line.h)
// and read back by the reader: every record kind, text state and escape.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "boundary/trace_line.h"
#include "tools/trace/trace_reader.h"

namespace lumi::trace {
namespace {

using State = Text::State;

// A text whose units take every escape: printable, quote, backslash, a
// control unit, DEL, a non-ASCII unit and a lone surrogate.
const std::u16string kEscapes = u"a \"q\" \\ \n\x7F\u00E9\xD83D~";

struct TextCase {
    TextState written;
    std::u16string units;
    bool cut;
    State read;
};

const TextCase kTexts[] = {
    {TextState::Null,       u"",       false, State::Null},
    {TextState::Unread,     u"",       false, State::Unread},
    {TextState::Unreadable, u"",       false, State::Unreadable},
    {TextState::Read,       u"",       false, State::Whole},
    {TextState::Read,       kEscapes,  false, State::Whole},
    {TextState::Read,       std::u16string(kTextBound, u'x'), true, State::Cut},
};

TextField FieldOf(const TextCase& c) {
    return {c.written, c.units.data(), static_cast<std::uint32_t>(c.units.size()), c.cut};
}

// An 80-bit register image: significand, then sign and exponent.
std::vector<std::uint8_t> X87(std::uint64_t significand, std::uint16_t signExponent) {
    std::vector<std::uint8_t> image(kX87RegisterBytes);
    std::memcpy(image.data(), &significand, 8);
    std::memcpy(image.data() + 8, &signExponent, 2);
    return image;
}

struct ResultCase {
    format::ResultKind kind;
    std::uint32_t eax;
    std::vector<std::uint8_t> st0;
    bool notADouble;
    std::uint64_t bits;   // EAX, or the double's
    std::string digits;   // VALUE as read
};

const ResultCase kResults[] = {
    {format::ResultKind::Word,    0xFFFFFFFF, {}, false, 0xFFFFFFFF, "4294967295"},
    {format::ResultKind::Integer, 0x80000000, {}, false, 0x80000000, "-2147483648"},
    {format::ResultKind::Integer, 1,          {}, false, 1,          "1"},
    {format::ResultKind::Text,    0x6B693F20, {}, false, 0x6B693F20, ""},
    {format::ResultKind::Double,  0, X87(0xC000000000000000, 0x3FFF), false, 0x3FF8000000000000, "0x1.8p+0"},
    {format::ResultKind::Double,  0, X87(0, 0x8000),                  false, 0x8000000000000000, "-0x0p+0"},
    {format::ResultKind::Double,  0, X87(0x8000000000000000, 0x7FFF), false, 0x7FF0000000000000, "inf"},
    {format::ResultKind::Double,  0, X87(0x8000000000000000, 0x3BCD), false, 0x0000000000000001, "0x0.0000000000001p-1022"},
    {format::ResultKind::Double,  0, X87(0xC000000000000001, 0x3FFF), true,  0,                  "-"},
};

template <class Fields>
std::string LineOf(void (*write)(Line&, const Fields&), const Fields& fields) {
    char buffer[8192];
    Line line(buffer, sizeof buffer);
    write(line, fields);
    EXPECT_FALSE(line.Full());
    return std::string(line.Data(), line.Size()) + "\n";
}

const std::u16string kDllPath = u"C:\\Program Files\\Terminal\\MQL4\\Libraries\\lumivextaran.dll";
const std::u16string kHostPath = u"C:\\Program Files\\Terminal\\terminal.exe";
constexpr std::uint32_t kSlots[] = {0x00000000, 0xFFFFFFFF, 0x3FF80000, 0x00000005};

TEST(TraceLines, WrittenByTheRecorderReadBackByTheReader) {
    std::string file;
    HeaderPlaces places{};
    {
        char buffer[16384];
        Line line(buffer, sizeof buffer);
        const HeaderFields header{"1.2.0", {TextState::Read, kDllPath.data(), static_cast<std::uint32_t>(kDllPath.size()), false},
                                  {TextState::Read, kHostPath.data(), static_cast<std::uint32_t>(kHostPath.size()), false},
                                  4242, {2026, 12, 9, 4, 20, 0, 7}, 0, u'\u066B', u':', 1u << 20};
        places = PutHeader(line, header);
        file.assign(line.Data(), line.Size());
    }
    // The rate rewritten in place, as the recorder does once it has measured it.
    char rate[format::kTicksPerSecondDigits];
    PutPadded(2445421713, sizeof rate, rate);
    file.replace(places.ticksPerSecond, sizeof rate, rate, sizeof rate);

    // One call per text case (text slot 3 and pattern slot 2), then one per result case.
    std::uint64_t seq = 0;
    for (const TextCase& c : kTexts) {
        InputsFields inputs{++seq, 36, 1234567890123ull * seq, "Ii1II1ii11", 0x00408198, 0x037F, kSlots, 4, 3, 2,
                            FieldOf(c), FieldOf(c)};
        file += LineOf(PutInputs, inputs);
    }
    const std::uint64_t firstResult = seq + 1;
    for (const ResultCase& c : kResults) {
        InputsFields inputs{++seq, 37, seq, "i1I11IIii1", 0xFFFFFFFF, 0x0C7F, kSlots, 0, -1, -1, {}, {}};
        file += LineOf(PutInputs, inputs);
        const ResultFields result{seq, c.kind, c.eax, FieldOf(kTexts[4]), c.st0.empty() ? nullptr : c.st0.data()};
        file += LineOf(PutResult, result);
    }
    {
        char buffer[1024];
        Line line(buffer, sizeof buffer);
        PutSummaryStart(line);
        PutCalls(line, "Ii1II1ii11", static_cast<std::uint32_t>(std::size(kTexts)));
        PutCalls(line, "i1I11IIii1", static_cast<std::uint32_t>(std::size(kResults)));
        PutSummaryEnd(line, seq);
        file.append(line.Data(), line.Size());
    }

    const Trace trace = ParseTrace(file);
    ASSERT_TRUE(trace.hasHeader) << file;
    for (const Problem& p : trace.problems) ADD_FAILURE() << p.line << ": " << p.what;
    EXPECT_EQ(trace.header.formatVersion, format::kNewestVersion);
    EXPECT_EQ(trace.header.dllVersion, "1.2.0");
    EXPECT_EQ(trace.header.dllPath, kDllPath);
    EXPECT_EQ(trace.header.hostPath, kHostPath);
    EXPECT_EQ(trace.header.hostPid, 4242u);
    EXPECT_EQ(trace.header.loadTime, "2026-12-09T04:20:00.007Z");
    EXPECT_EQ(trace.header.ticksPerSecond, 2445421713u);
    EXPECT_EQ(trace.header.decimalSeparator, u'\u066B');
    EXPECT_EQ(trace.header.sizeBound, 1u << 20);
    EXPECT_EQ(trace.header.wraps, 0u);
    EXPECT_TRUE(trace.ended);
    EXPECT_EQ(trace.summaryTotal, seq);
    ASSERT_EQ(trace.records.size(), seq);

    for (std::size_t i = 0; i < std::size(kTexts); ++i) {
        const Record& r = trace.records[i];
        EXPECT_EQ(r.seq, i + 1);
        EXPECT_EQ(r.ticks, 1234567890123ull * (i + 1));
        EXPECT_EQ(r.code, "Ii1II1ii11");
        EXPECT_EQ(r.returnAddress, 0x00408198u);
        EXPECT_EQ(r.controlWord, 0x037F);
        EXPECT_EQ(r.slots, std::vector<std::uint32_t>(std::begin(kSlots), std::end(kSlots)));
        for (int slot : {3, 2}) {
            ASSERT_NE(r.TextOf(slot), nullptr) << i;
            EXPECT_EQ(r.TextOf(slot)->state, kTexts[i].read) << i;
            EXPECT_EQ(r.TextOf(slot)->units, kTexts[i].units.substr(0, kTextBound)) << i;
        }
    }
    for (std::size_t i = 0; i < std::size(kResults); ++i) {
        const Record& r = trace.records[firstResult - 1 + i];
        const ResultCase& c = kResults[i];
        EXPECT_EQ(r.thread, 37u);
        EXPECT_EQ(r.controlWord, 0x0C7F);
        EXPECT_TRUE(r.slots.empty());
        ASSERT_TRUE(r.result) << i;
        EXPECT_EQ(r.result->kind, c.kind) << i;
        EXPECT_EQ(r.result->notADouble, c.notADouble) << i;
        if (c.notADouble) {
            EXPECT_EQ(r.result->x87High, 0x3FFF) << i;
            EXPECT_EQ(r.result->x87Low, 0xC000000000000001u) << i;
        } else {
            EXPECT_EQ(r.result->bits, c.bits) << i;
        }
        if (c.kind == format::ResultKind::Text) {
            EXPECT_EQ(r.result->text.units, kEscapes);
        } else {
            EXPECT_EQ(r.result->digits, c.digits) << i;
        }
    }
}

// Numbers as the recorder writes them, at the edges of its fast paths.
TEST(TraceLines, NumbersAtTheirEdges) {
    const struct {
        std::uint64_t value;
        std::size_t hexDigits;
        const char* decimal;
        const char* hex;
    } cases[] = {
        {0,                      8,  "0",                    "00000000"},
        {9,                      4,  "9",                    "0009"},
        {99,                     4,  "99",                   "0063"},
        {999999999,              8,  "999999999",            "3B9AC9FF"},
        {1000000000,             8,  "1000000000",           "3B9ACA00"},
        {4294967295,             8,  "4294967295",           "FFFFFFFF"},
        {4294967296,             16, "4294967296",           "0000000100000000"},
        {1000000000000000000,    16, "1000000000000000000",  "0DE0B6B3A7640000"},
        {18446744073709551615u,  20, "18446744073709551615", "0000FFFFFFFFFFFFFFFF"},
    };
    for (const auto& c : cases) {
        char buffer[64];
        Line line(buffer, sizeof buffer);
        line.Decimal(c.value).Put(' ').Hex(c.value, c.hexDigits);
        EXPECT_EQ(std::string(line.Data(), line.Size()), std::string(c.decimal) + " " + c.hex);
    }
    // A line that cannot take a field drops it whole and says it is full.
    char small[4];
    Line line(small, sizeof small);
    line.Put("ab").Decimal(12345);
    EXPECT_TRUE(line.Full());
    EXPECT_EQ(std::string(line.Data(), line.Size()), "ab");
}

}  // namespace
}  // namespace lumi::trace
