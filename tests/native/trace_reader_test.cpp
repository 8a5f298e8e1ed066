// The trace reader against files as the tracing build writes them, cut off
// by a crash, damaged, wrapped at the size bound, and foreign.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "boundary/trace_format.h"
#include "tools/trace/trace_reader.h"

namespace lumi::trace {
namespace {

const std::string kHeader =
    "lumivextaran-trace 1\n"
    "dll-version 1.0.0\n"
    "dll-path \"C:\\\\t\\\\lumivextaran.dll\"\n"
    "host-path \"C:\\\\terminal.exe\"\n"
    "host-pid 4242\n"
    "load-time 2026-12-09T04:20:00.123Z\n"
    "decimal-separator \",\"\n"
    "time-separator \":\"\n"
    "text-bound 256\n"
    "size-bound 268435456\n"
    "wrapped 0000000000\n"
    "records\n";

const std::string kCall1 = "call 1 77 15 Ii1IiI1III 0040123C 037F 9999999A 3FB99999 0 00000000 00000005\n";
const std::string kRet1 = "ret 1 text 70B1A000 \"0,10000\"\n";
const std::string kCall2 =
    "call 2 78 20 Ii1II1ii11 00401240 127F 00000000 00000000 00402000 00403000 00000000 "
    "text3=\"Attempt to \\\"Open\\\" \\u00E9\" text2=\"Buy\"\n";
const std::string kRet2 = "ret 2 integer FFFFFFFF -1\n";
const std::string kSummary = "summary\ncalls Ii1IiI1III 1\ncalls Ii1II1ii11 1\ntotal 2\nend\n";

TEST(TraceReader, ReadsAWholeTrace) {
    // kCall1 carries a damaged slot word for the table below; this one is whole.
    const std::string call1 = "call 1 77 15 Ii1IiI1III 0040123C 037F 9999999A 3FB99999 00000000 00000000 00000005\n";
    const Trace trace = ParseTrace(kHeader + call1 + kCall2 + kRet2 + kRet1 + kSummary);
    ASSERT_TRUE(trace.hasHeader);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().what;
    EXPECT_EQ(trace.header.hostPid, 4242u);
    EXPECT_EQ(trace.header.dllPath, u"C:\\t\\lumivextaran.dll");
    EXPECT_EQ(trace.header.decimalSeparator, u',');
    ASSERT_EQ(trace.records.size(), 2u);
    const Record& format = trace.records[0];
    EXPECT_EQ(format.code, "Ii1IiI1III");
    EXPECT_EQ(format.slots.size(), 5u);
    EXPECT_EQ(format.slots[1], 0x3FB99999u);
    ASSERT_TRUE(format.result);
    EXPECT_EQ(format.result->text.units, u"0,10000");
    EXPECT_EQ(format.resultLine, 16u);
    const Record& search = trace.records[1];
    EXPECT_EQ(search.controlWord, 0x127F);
    ASSERT_NE(search.TextOf(3), nullptr);
    EXPECT_EQ(search.TextOf(3)->units, u"Attempt to \"Open\" \u00E9");
    EXPECT_EQ(search.result->bits, 0xFFFFFFFFu);
    EXPECT_TRUE(trace.ended);
    EXPECT_EQ(trace.summaryTotal, 2u);
    EXPECT_FALSE(trace.LastRecordCut());
}

TEST(TraceReader, EscapesAndUnescapesEveryUnit) {
    const std::u16string units = u"a\"\\\x01\xD800 ~\x7F";
    Text text;
    const std::string escaped = EscapeText(units);
    EXPECT_EQ(escaped, "\"a\\\"\\\\\\u0001\\uD800 ~\\u007F\"");
    EXPECT_EQ(UnescapeText(escaped, text), escaped.size());
    EXPECT_EQ(text.units, units);
    const std::string cut = EscapeText(std::u16string(300, u'x'));
    EXPECT_EQ(UnescapeText(cut, text), cut.size());
    EXPECT_EQ(text.state, Text::State::Cut);
    EXPECT_EQ(text.units.size(), kTextBound);
}

struct DamagedCase {
    const char* what;
    std::string line;
    const char* says;
};

TEST(TraceReader, NamesEachDamagedLine) {
    const DamagedCase cases[] = {
        {"foreign line",       "frobnicate 12\n",                                        "not a trace line"},
        {"short slot word",    kCall1,                                                   "slot word"},
        {"lower-case hex",     "call 3 1 1 Ii1IiI1III 0040123c 037F\n",                  "return address"},
        {"bad code",           "call 3 1 1 Ii1IiI1IIX 0040123C 037F\n",                  "code"},
        {"sequence zero",      "call 0 1 1 Ii1IiI1III 0040123C 037F\n",                  "sequence number"},
        {"unclosed text",      "call 3 1 1 Ii1II1ii11 0 0040123C 037F 00000000 text0=\"ab\n", "damaged call line"},
        {"text past slots",    "call 3 1 1 Ii1II1ii11 0040123C 037F 00000000 text4=null\n", "text slot"},
        {"unknown kind",       "ret 2 float 3FF0000000000000 1\n",                       "kind"},
        {"short double",       "ret 2 double 3FF00000 1\n",                              "bits"},
        {"extra field",        "ret 2 integer FFFFFFFF -1 x\n",                          "more fields"},
        {"second result",      kRet2,                                                    "second result"},
    };
    for (const DamagedCase& c : cases) {
        const Trace trace = ParseTrace(kHeader + kCall2 + kRet2 + c.line);
        ASSERT_FALSE(trace.problems.empty()) << c.what;
        EXPECT_EQ(trace.problems[0].line, 15u) << c.what;
        EXPECT_NE(trace.problems[0].what.find(c.says), std::string::npos) << c.what << ": " << trace.problems[0].what;
        EXPECT_EQ(trace.records.size(), 1u) << c.what;
        EXPECT_TRUE(trace.Usable()) << c.what;
    }
}

TEST(TraceReader, ReportsACutOffTrace) {
    // The host died in call 2's body: its result never came.
    const Trace noResult = ParseTrace(kHeader + kCall2);
    EXPECT_TRUE(noResult.LastRecordCut());
    EXPECT_FALSE(noResult.cutLine);
    // ...or while writing a line; the rest of the mapped window is NULs.
    const Trace cutLine = ParseTrace(kHeader + kCall2 + kRet2 + "call 3 78 2" + std::string(4096, '\0'));
    EXPECT_EQ(cutLine.cutLine, 15u);
    EXPECT_TRUE(cutLine.LastRecordCut());
    EXPECT_TRUE(cutLine.problems.empty());
    EXPECT_EQ(cutLine.records.size(), 1u);
}

TEST(TraceReader, KeepsTheNewestCallsOfAWrappedTrace) {
    std::string header = kHeader;
    header.replace(header.find("wrapped 0000000000"), 18, "wrapped 0000000003");
    const std::string call7 = "call 7 1 9 I1IIiIIii1 0040123C 037F 9999999A 3FB99999 00000000 00000000 00000000 00000000\n";
    const std::string ret7 = "ret 7 double 3FF0000000000000 0x1p+0\n";
    const Trace trace = ParseTrace(header + ret7 + "ret 5 integer 00000000 0\n" + "        \n" + call7 + kSummary);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().what;
    EXPECT_EQ(trace.header.wraps, 3u);
    EXPECT_EQ(trace.droppedCalls, 6u);
    EXPECT_EQ(trace.orphanResults, 1u);
    ASSERT_EQ(trace.records.size(), 1u);
    EXPECT_EQ(trace.records[0].result->bits, 0x3FF0000000000000u);
}

TEST(TraceReader, FindsNothingUsableInForeignFiles) {
    const std::string foreign[] = {"", "hello\n", "lumivextaran-trace 2\n", kHeader.substr(0, 60),
                                   std::string(100, '\0'), "\xEF\xBB\xBFlumivextaran-trace 1\n"};
    for (const std::string& file : foreign) {
        const Trace trace = ParseTrace(file);
        EXPECT_FALSE(trace.Usable()) << file;
        EXPECT_FALSE(trace.problems.empty()) << file;
    }
}

// ---- Written with the recorder's formatting, read back -------------------------------

std::string Escaped(std::u16string_view units) {
    std::string out(1, format::kQuote);
    char unit[format::kMaxEscapedUnit];
    for (char16_t u : units) out.append(unit, format::EscapeUnit(u, unit));
    return out + format::kQuote;
}

std::string HexFloat(std::uint64_t bits) {
    char text[format::kMaxHexFloatBytes];
    return std::string(text, format::WriteHexFloat(bits, text));
}

TEST(TraceFormat, EveryUnitEscapesToOneSpellingAndBack) {
    for (std::uint32_t u = 0; u <= 0xFFFF; ++u) {
        char escaped[format::kMaxEscapedUnit];
        const std::size_t size = format::EscapeUnit(static_cast<char16_t>(u), escaped);
        char16_t back = 0;
        ASSERT_EQ(format::UnescapeUnit(escaped, size, back), size) << u;
        ASSERT_EQ(back, u);
        for (unsigned char c : std::string_view(escaped, size)) ASSERT_TRUE(c >= 0x20 && c <= 0x7E) << u;
    }
    char16_t unit = 0;
    EXPECT_EQ(format::UnescapeUnit("\\u0041", 6, unit), 0u);  // 'A' has its short form only
    EXPECT_EQ(format::UnescapeUnit("\\u00e9", 6, unit), 0u);  // upper-case digits only
}

TEST(TraceFormat, HexFloatReadsBackAsTheSameDouble) {
    const std::uint64_t bits[] = {0x3FF0000000000000, 0x8000000000000000, 0x0000000000000001, 0x000FFFFFFFFFFFFF,
                                  0x7FEFFFFFFFFFFFFF, 0x3FB999999999999A, 0xC00921FB54442D18};
    for (std::uint64_t b : bits) EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(HexFloat(b).c_str(), nullptr)), b) << HexFloat(b);
    EXPECT_EQ(HexFloat(0x3FF8000000000000), "0x1.8p+0");
    EXPECT_EQ(HexFloat(0xFFF8000000000000), "-nan");
    EXPECT_EQ(HexFloat(0x7FF0000000000000), "inf");
}

struct ResultCase {
    std::string line;  // after "ret 1 "
    ResultKind kind;
    std::uint64_t bits;
    std::u16string text;
};

TEST(TraceFormat, EveryResultKindReadsBackAsWritten) {
    const std::u16string awkward = u"\"\\ \x01\xD800\u00E9\x7F~";
    const ResultCase cases[] = {
        {"word 80000000 2147483648",                                         ResultKind::Word,    0x80000000, u""},
        {"integer 80000000 -2147483648",                                     ResultKind::Integer, 0x80000000, u""},
        {"integer 00000000 0",                                               ResultKind::Integer, 0, u""},
        {"double 3FB999999999999A " + HexFloat(0x3FB999999999999A),          ResultKind::Double,  0x3FB999999999999A, u""},
        {"double 0000000000000001 " + HexFloat(1),                           ResultKind::Double,  1, u""},
        {"double FFF8000000000000 " + HexFloat(0xFFF8000000000000),          ResultKind::Double,  0xFFF8000000000000, u""},
        {"double 8000000000000000 " + HexFloat(0x8000000000000000),          ResultKind::Double,  0x8000000000000000, u""},
        {"text 70B01000 " + Escaped(awkward),                                ResultKind::Text,    0x70B01000, awkward},
        {"text 00000000 null",                                               ResultKind::Text,    0, u""},
    };
    for (const ResultCase& c : cases) {
        const Trace trace = ParseTrace(kHeader + "call 1 1 1 iI11IIii1I 00401000 037F\nret 1 " + c.line + "\n");
        ASSERT_EQ(trace.records.size(), 1u) << c.line;
        EXPECT_TRUE(trace.problems.empty()) << c.line << ": " << trace.problems.front().what;
        ASSERT_TRUE(trace.records[0].result) << c.line;
        EXPECT_EQ(trace.records[0].result->kind, c.kind) << c.line;
        EXPECT_EQ(trace.records[0].result->bits, c.bits) << c.line;
        EXPECT_EQ(trace.records[0].result->text.units, c.text) << c.line;
    }
}

TEST(TraceFormat, Version2CountsTicksAtTheHeadersRate) {
    std::string header = kHeader;
    header.replace(0, 20, "lumivextaran-trace 2");
    header.insert(header.find("decimal-separator"), "ticks-per-second 00000000000010000000\n");
    const Trace trace = ParseTrace(header + "call 1 1 25000000 iI11IIii1I 00401000 037F\n");
    ASSERT_TRUE(trace.hasHeader) << trace.problems.front().what;
    EXPECT_EQ(trace.header.ticksPerSecond, 10000000u);
    ASSERT_EQ(trace.records.size(), 1u);
    EXPECT_EQ(SecondsOf(trace.header, trace.records[0].ticks), 2.5);
    // Not known yet: no times.
    const std::string unknown = header.replace(header.find("00000000000010000000"), 20, std::string(20, '0'));
    EXPECT_FALSE(SecondsOf(ParseTrace(unknown).header, 1));
    // Version 1 has no such line; version 2 must.
    EXPECT_FALSE(ParseTrace("lumivextaran-trace 2" + kHeader.substr(20)).hasHeader);
    EXPECT_EQ(SecondsOf(ParseTrace(kHeader).header, 1500000), 1.5);
}

TEST(TraceReader, NamesHostileInput) {
    const std::string call = "call 3 1 1 iI11IIii1I 00401000 037F";
    const std::string search = "call 3 1 1 iIiIIiIii1 00401000 037F 00000000 00000000 00C00100";
    const DamagedCase cases[] = {
        {"a line of a megabyte",  "call 3 " + std::string(1 << 20, '7') + "\n",                        "more than"},
        {"a NUL in a line",       call + std::string(1, '\0') + "\n",                                 "NUL"},
        {"a million slots",       call + std::string(1000000, ' ').replace(0, 1000000, [] {
                                       std::string s; for (int i = 0; i < 100000; ++i) s += " 00000000"; return s; }()) + "\n", "slot word"},
        {"a 400-digit value",     "ret 2 integer FFFFFFFF " + std::string(400, '9') + "\n",          "value"},
        {"a huge number",         "call 99999999999999999999999 1 1 iI11IIii1I 00401000 037F\n",       "sequence number"},
        {"text past the bound",   search + " text2=\"" + std::string(300, 'x') + "\" text0=\"a\"\n",  "past the text bound"},
        {"cut short of the bound", search + " text2=\"xx\"+ text0=\"a\"\n",                        "not at the text bound"},
        {"a slot's text twice",   search + " text2=\"a\" text2=\"b\"\n",                            "second text"},
        {"a value not its bits",  "ret 2 double 3FF0000000000000 1\n",                                "value is not"},
        {"a lower-case value",    "ret 2 double 3FB999999999999A 0x1.999999999999ap-4\n",            "value is not"},
        {"a word in decimal off", "ret 2 word 00000010 17\n",                                         "value is not"},
    };
    for (const DamagedCase& c : cases) {
        const Trace trace = ParseTrace(kHeader + kCall2 + "ret 2 integer FFFFFFFF -1\n" + c.line);
        ASSERT_FALSE(trace.problems.empty()) << c.what;
        EXPECT_EQ(trace.problems[0].line, 15u) << c.what;
        EXPECT_NE(trace.problems[0].what.find(c.says), std::string::npos) << c.what << ": " << trace.problems[0].what;
    }
}

TEST(TraceReader, NamesASummaryThatDisagreesWithTheRecords) {
    const std::string call1 = "call 1 77 15 Ii1IiI1III 0040123C 037F 9999999A 3FB99999 00000000 00000000 00000005\n";
    const std::string records = kHeader + call1 + kCall2 + kRet2 + kRet1;
    const DamagedCase cases[] = {
        {"total off",  "summary\ncalls Ii1IiI1III 1\ncalls Ii1II1ii11 1\ntotal 3\nend\n", "not the sum"},
        {"count off",  "summary\ncalls Ii1IiI1III 2\ncalls Ii1II1ii11 1\ntotal 3\nend\n", "counts 2 calls of Ii1IiI1III"},
        {"one absent", "summary\ncalls Ii1IiI1III 1\ntotal 1\nend\n",                        "the summary counts none"},
        {"twice",      "summary\ncalls Ii1IiI1III 1\ncalls Ii1IiI1III 1\ntotal 2\nend\n", "twice"},
    };
    for (const DamagedCase& c : cases) {
        const Trace trace = ParseTrace(records + c.line);
        EXPECT_TRUE(std::any_of(trace.problems.begin(), trace.problems.end(),
                                [&](const Problem& p) { return p.what.find(c.says) != std::string::npos; }))
            << c.what << ": " << (trace.problems.empty() ? "none" : trace.problems.back().what);
    }
    EXPECT_TRUE(ParseTrace(records + kSummary).problems.empty());
}

// A wrapped area holds the newest calls first, then the oldest after the
// blanked rest of an old line; the reader gives them oldest first. A call
// written late among the newest is not taken for the oldest.
TEST(TraceReader, ReadsAWrappedAreaOldestFirst) {
    std::string header = kHeader;
    header.replace(header.find("wrapped 0000000000"), 18, "wrapped 0000000001");
    auto calls = [](std::uint64_t from, std::uint64_t to) {
        std::string lines;
        for (std::uint64_t seq = from; seq <= to; ++seq)
            lines += "call " + std::to_string(seq) + " 1 " + std::to_string(seq) + " iI11IIii1I 00401000 037F\nret " +
                     std::to_string(seq) + " word 00000000 0\n";
        return lines;
    };
    constexpr std::uint64_t kOldest = 100, kNewest = kOldest + 2 * kOrderWindow;
    const std::string tail = "    \nsummary\ntotal 0\nend\n";
    const Trace trace = ParseTrace(header + calls(kNewest - 9, kNewest) + "      \n" + calls(kOldest, kNewest - 10) + tail);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    ASSERT_EQ(trace.records.size(), kNewest - kOldest + 1);
    for (std::size_t i = 0; i < trace.records.size(); ++i) ASSERT_EQ(trace.records[i].seq, kOldest + i);
    EXPECT_EQ(trace.droppedCalls, kOldest - 1);
    EXPECT_TRUE(trace.ended);

    // More than a window of the newest calls after the late one.
    constexpr std::uint64_t kLate = kOldest + 50, kWrapped = kNewest - kOrderWindow / 2, kLast = kNewest + kOrderWindow;
    const Trace late = ParseTrace(header + calls(kWrapped, kWrapped + 4) + calls(kLate, kLate) + calls(kWrapped + 5, kLast) +
                                  "      \n" + calls(kOldest, kLate - 1) + calls(kLate + 1, kWrapped - 1) + tail);
    EXPECT_TRUE(late.problems.empty()) << late.problems.front().line << ": " << late.problems.front().what;
    EXPECT_EQ(late.records.size(), kLast - kOldest + 1);
    EXPECT_EQ(late.droppedCalls, kOldest - 1);
}

// A thread held up between taking its number and writing its lines
// (preempted, or waiting on the recorder's lock) writes them after many
// other calls': they are matched all the same. A number that comes twice
// is still named.
TEST(TraceReader, MatchesLinesThatComeMoreThanAWindowLate) {
    constexpr std::uint64_t kCalls = kOrderWindow + 100, kLateCall = 5, kLateResult = 9;
    auto call = [](std::uint64_t seq) {
        return "call " + std::to_string(seq) + " 1 " + std::to_string(seq) + " iI11IIii1I 00401000 037F\n";
    };
    auto ret = [](std::uint64_t seq) { return "ret " + std::to_string(seq) + " word 00000000 0\n"; };
    std::string lines = kHeader;
    for (std::uint64_t seq = 1; seq <= kCalls; ++seq) {
        if (seq != kLateCall) lines += call(seq);
        if (seq != kLateCall && seq != kLateResult) lines += ret(seq);
    }
    lines += call(kLateCall) + ret(kLateResult) + ret(kLateCall);
    const std::string summary = "summary\ncalls iI11IIii1I " + std::to_string(kCalls) + "\ntotal " +
                                std::to_string(kCalls) + "\nend\n";

    const Trace trace = ParseTrace(lines + summary);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    ASSERT_EQ(trace.records.size(), kCalls);
    std::vector<std::uint64_t> seqs;
    for (const Record& record : trace.records) {
        EXPECT_TRUE(record.result) << "seq " << record.seq;
        seqs.push_back(record.seq);
    }
    std::sort(seqs.begin(), seqs.end());
    for (std::size_t i = 0; i < seqs.size(); ++i) ASSERT_EQ(seqs[i], i + 1);
    EXPECT_EQ(trace.firstSeq, 1u);
    EXPECT_EQ(trace.lastSeq, kCalls);
    EXPECT_FALSE(trace.LastRecordCut());

    const Trace twice = ParseTrace(lines + call(kLateCall) + summary);
    EXPECT_TRUE(std::any_of(twice.problems.begin(), twice.problems.end(),
                            [](const Problem& p) { return p.what == "sequence number 5 comes again"; }));
}

// The fixtures the lumicall tests replay read as the recorder writes: a
// drifted value (a double's VALUE that is not its bits' form) is named.
TEST(TraceReader, FixturesReadAsTheRecorderWritesThem) {
    const std::pair<const char*, std::size_t> fixtures[] = {
        {"whole.txt", 0}, {"comma_locale.txt", 0}, {"cut.txt", 0}, {"damaged.txt", 4}, {"nothing_usable.txt", 2}};
    for (const auto& [name, problems] : fixtures) {
        std::string error;
        const auto trace = ReadTraceFile(std::string(LUMI_TRACE_FIXTURES) + "/" + name, &error);
        ASSERT_TRUE(trace) << name << ": " << error;
        EXPECT_EQ(trace->problems.size(), problems) << name << ": " << (trace->problems.empty() ? "" : trace->problems[0].what);
    }
}

TEST(TraceReader, NamesAFolderAndAMissingFile) {
    std::string error;
    EXPECT_FALSE(ReadTraceFile(LUMI_TRACE_FIXTURES, &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_FALSE(ReadTraceFile(std::string(LUMI_TRACE_FIXTURES) + "/absent.txt", &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

}  // namespace
}  // namespace lumi::trace
