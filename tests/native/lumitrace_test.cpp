// lumitrace as a user runs it: its exit statuses and error words, each
// command on the fixture traces, and a large trace read in bounded memory.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/trace/trace_generator.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
    long peakKiB = 0;  // the child's resident memory at its peak
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Outcome Lumitrace(const std::vector<std::string>& arguments) {
    const std::string base = testing::TempDir() + "lumitrace_test_" + std::to_string(getpid());
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen((base + ".out").c_str(), "w", stdout) || !freopen((base + ".err").c_str(), "w", stderr)) _exit(127);
        std::vector<char*> argv{const_cast<char*>(LUMITRACE)};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(LUMITRACE, argv.data());
        _exit(127);
    }
    Outcome run;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKiB = usage.ru_maxrss;
    run.out = Slurp(base + ".out");
    run.err = Slurp(base + ".err");
    return run;
}

const std::string kTraces = LUMI_TRACE_FIXTURES;

struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* says;  // in the output or the error
};

TEST(Lumitrace, AnswersEachUseWithItsStatusAndWords) {
    const Case cases[] = {
        {{"summary", kTraces + "/whole.txt"},        0, "calls       7 calls (seq 1 to 7), 7 answered"},
        {{"summary", kTraces + "/whole.txt"},        0, "iI11IIii1I  text constant    1      1"},
        {{"summary", kTraces + "/damaged.txt"},      1, "problems: 4 damaged or unusable lines"},
        {{"summary", kTraces + "/cut.txt"},          1, "line 24 cut off"},
        {{"text", kTraces + "/whole.txt"},           0, "->  double 0.09000000000000001 (3FB70A3D70A3D70B)"},
        {{"text", kTraces + "/whole.txt"},           0, "slot 2 = \"Attempt to Open Buy @\"  ->  integer 16"},
        {{"text", kTraces + "/damaged.txt"},         1, "problem  line 15: not a trace line"},
        {{"summary", kTraces},                       2, "is a folder, not a trace file"},
        {{"summary", kTraces + "/absent.txt"},       2, "cannot read the trace"},
        {{"text", LUMITRACE},                        2, "is not a trace of the tracing build"},
        {{"report", kTraces + "/whole.txt"},         2, "needs -o REPORT.html"},
        {{"report", kTraces + "/whole.txt", "-o"},   2, "-o needs a file"},
        {{"summary"},                                2, "summary needs a trace file"},
        {{"summary", "a", "b"},                      2, "takes one trace file"},
        {{"summary", "--frob", "a"},                 2, "has no option '--frob'"},
        {{"frob"},                                   2, "unknown command 'frob'"},
        {{},                                         2, "usage: lumitrace"},
        {{"--help"},                                 0, "usage: lumitrace COMMAND"},
        {{"summary", "--help"},                      0, "usage: lumitrace summary TRACE"},
        {{"text", "--help"},                         0, "usage: lumitrace text TRACE"},
        {{"report", "--help"},                       0, "usage: lumitrace report TRACE -o REPORT.html"},
    };
    for (const Case& c : cases) {
        const Outcome run = Lumitrace(c.arguments);
        const std::string said = run.out + run.err;
        const std::string named = c.arguments.empty() ? "(none)" : c.arguments[0] + " " + (c.arguments.size() > 1 ? c.arguments[1] : "");
        EXPECT_EQ(run.status, c.status) << named << "\n" << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << named << "\n" << said;
        if (c.status == 2 && !c.arguments.empty()) {
            EXPECT_EQ(run.err.rfind("lumitrace: ", 0), 0u) << said;
        }
    }
}

// A trace far larger than the reader's window: its figures, in resident
// memory well below its size, and a report of bounded size.
TEST(Lumitrace, ReadsALargeTraceInBoundedMemory) {
    constexpr std::uint64_t kTraceMiB = 32;
    const std::string path = testing::TempDir() + "lumitrace_large_" + std::to_string(getpid()) + ".txt";
    const lumi::trace::GeneratedTrace made =
        lumi::trace::WriteGeneratedTrace(path, kTraceMiB << 20, lumi::trace::format::kVersionTicks);
    const Outcome summary = Lumitrace({"summary", path});
    EXPECT_EQ(summary.status, 0) << summary.out << summary.err;
    EXPECT_NE(summary.out.find("calls       " + std::to_string(made.calls) + " calls"), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find("threads     3"), std::string::npos) << summary.out;
    const std::string report = path + ".html";
    const Outcome html = Lumitrace({"report", path, "-o", report});
    EXPECT_EQ(html.status, 0) << html.err;
    const auto reportBytes = std::filesystem::file_size(report);
    std::printf("lumitrace on %llu MiB, %llu calls: summary peak %ld KiB, report peak %ld KiB, report %llu bytes\n",
                static_cast<unsigned long long>(made.bytes >> 20), static_cast<unsigned long long>(made.calls),
                summary.peakKiB, html.peakKiB, static_cast<unsigned long long>(reportBytes));
    EXPECT_LT(summary.peakKiB, static_cast<long>(kTraceMiB << 10) / 2);
    EXPECT_LT(html.peakKiB, static_cast<long>(kTraceMiB << 10) / 2);
    EXPECT_LT(reportBytes, 2u << 20);
    std::filesystem::remove(path);
    std::filesystem::remove(report);
}

}  // namespace
