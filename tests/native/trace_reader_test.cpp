// The trace reader against files as the tracing build writes them, cut off
// by a crash, damaged, wrapped at the size bound, and foreign.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace lumi::trace
