// The tracing build (trace/lumivextaran.dll beside the plain DLL), loaded
// and unloaded by each case with its trace going to a folder of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/wine/support/library_under_test.h"
#include "tools/trace/trace_reader.h"

namespace lumi::test {
namespace {

constexpr char kTextConstant[] = "i1I11IIii1";  // "Attempt to Open Buy @", 8 slots
constexpr char kFormatFixed[] = "Ii1IiI1III";   // slots 0-1 with slot 4 digits, 8 slots
constexpr char kSearch[] = "Ii1II1ii11";        // text slot 3, pattern slot 2, 5 slots
constexpr char kQuotient[] = "i11iI1i1I1";      // slots 0-1 / slots 2-3, 6 slots


std::string TracingLibraryPath() {
    const std::string plain = LibraryPath();
    return plain.substr(0, plain.find_last_of("/\\") + 1) + "trace/lumivextaran.dll";
}

// A fresh folder in the temporary folder, for one case's trace.
std::string FreshFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "lumi_trace_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((folder + "\\*.txt").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do DeleteFileA((folder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return folder;
}

// The one trace in `folder`, read back.
trace::Trace TraceIn(const std::string& folder, std::string* path = nullptr) {
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((folder + "\\lumivextaran-trace-*.txt").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return {};
    FindClose(find);
    const std::string file = folder + "\\" + found.cFileName;
    if (path != nullptr) *path = file;
    std::string error;
    return trace::ReadTraceFile(file, &error).value_or(trace::Trace{});
}

class TracingLibrary {
public:
    explicit TracingLibrary(const std::string& folder, const char* bound = nullptr) {
        SetEnvironmentVariableA("LUMIVEXTARAN_TRACE_DIR", folder.c_str());
        SetEnvironmentVariableA("LUMIVEXTARAN_TRACE_BOUND", bound);
        module_ = LoadLibraryA(TracingLibraryPath().c_str());
    }
    ~TracingLibrary() { Unload(); }
    void Unload() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }
    bool Loaded() const { return module_ != nullptr; }
    CallRecord Call(const char* code, const Slots& slots, std::uint16_t cw = 0x037F) const {
        return CallAt(ExportAddress(module_, code), slots, cw);
    }
    // Unguarded: an exception the control word unmasks goes to the process.
    void CallUnguarded(const char* code, const Slots& slots, std::uint16_t cw) const {
        CallRecord record;
        record.controlWord = cw;
        SlotCall(ExportAddress(module_, code), slots.word, slots.count, &record);
    }

private:
    HMODULE module_ = nullptr;
};

// One call of each kind the cost table names; their answers checked.
void CallEach(const TracingLibrary& library, int round) {
    static const char16_t text[] = u"Attempt to Open Buy @";
    static const char16_t pattern[] = u"Buy";
    const CallRecord constant = library.Call(kTextConstant, Slots(8, round));
    EXPECT_EQ(TextAt(constant.eax), u"Attempt to Open Buy @");
    const CallRecord formatted = library.Call(kFormatFixed, Slots(8, round).Double(0, 1.5).Word(4, 2));
    EXPECT_EQ(TextAt(formatted.eax), u"1.50");
    const CallRecord found = library.Call(kSearch, Slots(5, round).Text(3, text).Text(2, pattern));
    EXPECT_EQ(found.eax, 16u);
}

TEST(TracingBuild, EightThreadsGiveWholeRecordsNumberedOnce) {
    constexpr int kThreads = 8, kRounds = 300;
    const std::string folder = FreshFolder("threads");
    {
        TracingLibrary library(folder);
        ASSERT_TRUE(library.Loaded()) << TracingLibraryPath();
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&library] {
                for (int round = 0; round < kRounds; ++round) CallEach(library, round);
            });
        for (auto& thread : threads) thread.join();
    }
    std::string path;
    const trace::Trace trace = TraceIn(folder, &path);
    ASSERT_TRUE(trace.hasHeader) << path;
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    ASSERT_EQ(trace.records.size(), std::size_t{3 * kThreads * kRounds});
    EXPECT_EQ(trace.records.back().seq, trace.records.size());  // ordered and unique: 1..N
    for (const trace::Record& record : trace.records) {
        ASSERT_TRUE(record.result) << "seq " << record.seq;
        if (record.code == kSearch) {
            ASSERT_EQ(record.texts.size(), 2u);
            EXPECT_EQ(record.TextOf(2)->units, u"Buy");
        }
    }
    EXPECT_TRUE(trace.ended);
    EXPECT_EQ(trace.summaryTotal, trace.records.size());
    EXPECT_EQ(trace.header.dllPath.find(u"lumivextaran.dll") != std::u16string::npos, true);

    // The same file with one line damaged: the reader names that line.
    std::string error;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const trace::Record& victim = trace.records[trace.records.size() / 2];
    DWORD size = GetFileSize(file, nullptr);
    std::string bytes(size, '\0');
    DWORD done = 0;
    ReadFile(file, bytes.data(), size, &done, nullptr);
    std::size_t at = 0;
    for (std::size_t line = 1; line < victim.inputsLine; ++line) at = bytes.find('\n', at) + 1;
    bytes[at + 2] = '#';  // "ca#l ..."
    const trace::Trace damaged = trace::ParseTrace(bytes);
    CloseHandle(file);
    // The line; its result, now without a call; and the gap in the numbers.
    ASSERT_EQ(damaged.problems.size(), 3u);
    EXPECT_EQ(damaged.problems[1].line, victim.inputsLine);
    EXPECT_NE(damaged.problems[1].what.find("not a trace line"), std::string::npos) << damaged.problems[1].what;
    EXPECT_TRUE(damaged.Usable());
}

TEST(TracingBuild, KeepsTheNewestCallsWithinTheSizeBound) {
    constexpr std::uint32_t kBound = 65536;
    constexpr int kRounds = 1000;  // some 300 bytes a round: several times the bound
    const std::string folder = FreshFolder("bound");
    {
        TracingLibrary library(folder, std::to_string(kBound).c_str());
        for (int round = 0; round < kRounds; ++round) CallEach(library, round);
    }
    std::string path;
    const trace::Trace trace = TraceIn(folder, &path);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_LE(attributes.nFileSizeLow, kBound);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    EXPECT_GT(trace.header.wraps, 0u);
    EXPECT_EQ(trace.header.sizeBound, kBound);
    ASSERT_FALSE(trace.records.empty());
    EXPECT_EQ(trace.records.back().seq, std::uint64_t{3 * kRounds});
    EXPECT_EQ(trace.droppedCalls + trace.records.size(), std::uint64_t{3 * kRounds});
    EXPECT_TRUE(trace.ended);
    EXPECT_EQ(trace.summaryTotal, std::uint64_t{3 * kRounds});
}

// A text the search cannot read: the line names it unreadable instead of
// reading it, so the call's inputs are there although its body faults.
TEST(TracingBuild, NamesATextItCannotReadAndKeepsTheCall) {
    const std::string folder = FreshFolder("wild");
    void* reserved = VirtualAlloc(nullptr, 1 << 16, MEM_RESERVE, PAGE_NOACCESS);
    char* page = static_cast<char*>(VirtualAlloc(nullptr, 2 << 12, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(page + 4096, 4096, PAGE_NOACCESS, &old));
    auto* atPageEnd = reinterpret_cast<char16_t*>(page + 4096 - 4);  // "ab", no terminator before the gap
    atPageEnd[0] = u'a', atPageEnd[1] = u'b';
    static const char16_t pattern[] = u"b";
    const struct {
        const void* text;
        const char* recorded;
        bool faults;
    } cases[] = {
        {reserved,  "unreadable", true},
        {atPageEnd, "unreadable", false},  // found before the gap: the body answers 1
    };
    {
        TracingLibrary library(folder);
        for (const auto& c : cases) {
            const Slots slots = Slots(5).Text(3, static_cast<const char16_t*>(c.text)).Text(2, pattern);
            const GuardedCall call = CallGuardedAt(ExportAddress(GetModuleHandleA("lumivextaran.dll"), kSearch), slots,
                                                   0x037F);
            EXPECT_EQ(call.trapped.has_value(), c.faults);
        }
    }
    const trace::Trace trace = TraceIn(folder);
    ASSERT_EQ(trace.records.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_NE(trace.records[i].TextOf(3), nullptr);
        EXPECT_EQ(trace.records[i].TextOf(3)->state, trace::Text::State::Unreadable) << i;
        EXPECT_EQ(trace.records[i].result.has_value(), !cases[i].faults) << i;
    }
    VirtualFree(page, 0, MEM_RELEASE);
    VirtualFree(reserved, 0, MEM_RELEASE);
}

// A text freed by another thread after the recorder has seen its memory:
// the region is kept, so no query looks at it again, and the recorder's
// copy of the text faults. The recorder names the text unreadable and the
// body then faults on it, as the plain DLL's would: the host's own fault.
// A fault of the recorder's would lose the call's inputs line.
TEST(TracingBuild, ATextFreedByAnotherThreadIsRecordedUnreadable) {
    const std::string folder = FreshFolder("freed");
    static const char16_t pattern[] = u"b";
    auto* text = static_cast<char16_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(text, nullptr);
    text[0] = u'a', text[1] = u'b', text[2] = 0;
    const Slots slots = Slots(5).Text(3, text).Text(2, pattern);
    std::vector<GuardedCall> calls;
    {
        TracingLibrary library(folder);
        const void* search = ExportAddress(GetModuleHandleA("lumivextaran.dll"), kSearch);
        calls.push_back(CallGuardedAt(search, slots, 0x037F));
        std::thread([text] { VirtualFree(text, 0, MEM_RELEASE); }).join();
        calls.push_back(CallGuardedAt(search, slots, 0x037F));
    }
    const struct {
        trace::Text::State recorded;
        bool faults;
    } expected[] = {
        {trace::Text::State::Whole,      false},
        {trace::Text::State::Unreadable, true},
    };
    const trace::Trace trace = TraceIn(folder);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    ASSERT_EQ(trace.records.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        ASSERT_NE(trace.records[i].TextOf(3), nullptr) << i;
        EXPECT_EQ(trace.records[i].TextOf(3)->state, expected[i].recorded) << i;
        EXPECT_EQ(calls[i].trapped.has_value(), expected[i].faults) << i;
        EXPECT_EQ(trace.records[i].result.has_value(), !expected[i].faults) << i;
    }
}

// Texts freed and made again by another thread while calls read them:
// whatever each call meets, its inputs are recorded and its outcome is the
// body's (an answer, or a fault on the freed text).
TEST(TracingBuild, TextsFreedWhileCallsReadThemLeaveEveryCallsInputs) {
    constexpr int kCalls = 3000;
    const std::string folder = FreshFolder("racing");
    static const char16_t pattern[] = u"b";
    std::atomic<char16_t*> current{nullptr};
    std::atomic<bool> stop{false};
    std::vector<bool> faulted;
    {
        TracingLibrary library(folder);
        const void* search = ExportAddress(GetModuleHandleA("lumivextaran.dll"), kSearch);
        std::thread freer([&] {
            while (!stop) {
                auto* text = static_cast<char16_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
                text[0] = u'a', text[1] = u'b', text[2] = 0;
                current = text;
                Sleep(0);
                VirtualFree(text, 0, MEM_RELEASE);
            }
        });
        while (current == nullptr) Sleep(0);
        for (int i = 0; i < kCalls; ++i)
            faulted.push_back(CallGuardedAt(search, Slots(5).Text(3, current.load()).Text(2, pattern), 0x037F)
                                  .trapped.has_value());
        stop = true;
        freer.join();
    }
    const trace::Trace trace = TraceIn(folder);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    ASSERT_EQ(trace.records.size(), std::size_t{kCalls});
    for (std::size_t i = 0; i < trace.records.size(); ++i) {
        const trace::Text* text = trace.records[i].TextOf(3);
        ASSERT_NE(text, nullptr) << i;
        // Read, or not readable: a freed page may also be taken by another
        // mapping before the call reads it, and is then read as it stands.
        EXPECT_NE(text->state, trace::Text::State::Null) << i;
        EXPECT_NE(text->state, trace::Text::State::Unread) << i;
        EXPECT_EQ(trace.records[i].result.has_value(), !faulted[i]) << i;
    }
}

// OutputDebugString raises an exception that a debugger would take; a
// vectored handler sees it first, without one.
std::wstring gDebugText;
LONG CALLBACK NoteDebugText(EXCEPTION_POINTERS* info) {
    constexpr DWORD kWide = 0x4001000A, kNarrow = 0x40010006;  // DBG_PRINTEXCEPTION_WIDE_C, _C
    const EXCEPTION_RECORD& r = *info->ExceptionRecord;
    if (r.ExceptionCode == kWide && r.NumberParameters >= 2) {
        gDebugText += reinterpret_cast<const wchar_t*>(r.ExceptionInformation[1]);
    } else if (r.ExceptionCode == kNarrow && r.NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(r.ExceptionInformation[1]);
        gDebugText += std::wstring(text, text + std::strlen(text));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(TracingBuild, AnswersOnWhenNoFolderTakesTheTrace) {
    const std::string missing = FreshFolder("unwritable") + "\\no_such_folder";
    char temp[MAX_PATH] = {}, tmp[MAX_PATH] = {};
    GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
    GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
    SetEnvironmentVariableA("TEMP", missing.c_str());
    SetEnvironmentVariableA("TMP", missing.c_str());
    void* handler = AddVectoredExceptionHandler(1, NoteDebugText);
    gDebugText.clear();
    {
        TracingLibrary library(missing);
        ASSERT_TRUE(library.Loaded());
        for (int round = 0; round < 3; ++round) CallEach(library, round);
    }
    RemoveVectoredExceptionHandler(handler);
    SetEnvironmentVariableA("TEMP", temp);
    SetEnvironmentVariableA("TMP", tmp);
    EXPECT_NE(gDebugText.find(L"tracing build"), std::wstring::npos) << std::string(gDebugText.begin(), gDebugText.end());
    EXPECT_EQ(gDebugText.find(L"tracing build"), gDebugText.rfind(L"tracing build")) << "said once";
}

// Run in a child process: calls, then a quotient by zero with zero divide
// unmasked, in which the child stops and the parent kills it, as a host
// that dies in the call (no unload, nothing of the DLL's runs after).
std::string ChildEventName(DWORD parent) { return "lumi_trace_child_trapped_" + std::to_string(parent); }

LONG CALLBACK StopOnTrap(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_FLT_DIVIDE_BY_ZERO) return EXCEPTION_CONTINUE_SEARCH;
    const char* parent = std::getenv("LUMI_TRACE_PARENT");
    HANDLE trapped = OpenEventA(EVENT_MODIFY_STATE, FALSE, ChildEventName(std::strtoul(parent, nullptr, 10)).c_str());
    SetEvent(trapped);
    Sleep(INFINITE);
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(TracingBuild, HostDyingInACallLeavesThatCallsInputs) {
    const char* child = std::getenv("LUMI_TRACE_CHILD_FOLDER");
    if (child != nullptr) {
        TracingLibrary library(child);
        for (int round = 0; round < 10; ++round) CallEach(library, round);
        AddVectoredExceptionHandler(1, StopOnTrap);
        constexpr std::uint16_t kZeroDivideUnmasked = 0x037F & ~0x0004;
        library.CallUnguarded(kQuotient, Slots(6).Double(0, 1.0).Double(2, 0.0), kZeroDivideUnmasked);
        ADD_FAILURE() << "the quotient by zero did not trap";
        return;
    }
    const std::string folder = FreshFolder("cut");
    SetEnvironmentVariableA("LUMI_TRACE_CHILD_FOLDER", folder.c_str());
    SetEnvironmentVariableA("LUMI_TRACE_PARENT", std::to_string(GetCurrentProcessId()).c_str());
    const HANDLE trapped = CreateEventA(nullptr, TRUE, FALSE, ChildEventName(GetCurrentProcessId()).c_str());
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string line = "\"" + std::string(program) + "\" --gtest_filter=TracingBuild.HostDyingInACallLeavesThatCallsInputs";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    SetEnvironmentVariableA("LUMI_TRACE_CHILD_FOLDER", nullptr);
    const HANDLE either[] = {trapped, process.hProcess};
    EXPECT_EQ(WaitForMultipleObjects(2, either, FALSE, 60000), WAIT_OBJECT_0) << "the child did not trap";
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(trapped);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(status, 9u);

    const trace::Trace trace = TraceIn(folder);
    ASSERT_TRUE(trace.hasHeader);
    EXPECT_TRUE(trace.problems.empty()) << trace.problems.front().line << ": " << trace.problems.front().what;
    EXPECT_FALSE(trace.ended);
    EXPECT_TRUE(trace.LastRecordCut());
    ASSERT_EQ(trace.records.size(), 31u);
    const trace::Record& last = trace.records.back();
    EXPECT_EQ(last.code, kQuotient);
    EXPECT_EQ(last.controlWord, 0x037B);
    EXPECT_FALSE(last.result);
    EXPECT_EQ(last.slots[1], 0x3FF00000u);
}

}  // namespace
}  // namespace lumi::test
