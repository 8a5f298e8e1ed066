// What a call of the tracing build costs: a text constant, a FormatFixed
// export and a search export, each on trace/lumivextaran.dll against the
// same export of the plain DLL, interleaved in one run. Its trace goes to
// this program's folder and is removed at the end.
#include <cstdio>
#include <string>

#include "bench/harness.h"

namespace bench {
namespace {

using TextConstant = const char16_t*(__stdcall*)(Word, Word, Word, Word, Word, Word, Word, Word);
using FormatFixed = const char16_t*(__stdcall*)(Word, Word, Word, Word, Word, Word, Word, Word);
using Search = std::int32_t(__stdcall*)(Word, Word, Word, Word, Word);

constexpr double kLimitNs = 200.0;  // a traced call over the plain one
constexpr char16_t kText[] = u"Attempt to Open Buy @ 1.23456 (Trailing)";
constexpr char16_t kPattern[] = u"(Trailing)";

std::wstring Folder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program(path, length);
    return program.substr(0, program.find_last_of(L"\\/") + 1);
}

HMODULE Load(const std::wstring& path) {
    HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load %ls (error %lu)\n", path.c_str(), GetLastError());
        std::exit(2);
    }
    return module;
}

template <class F>
F ExportOf(HMODULE module, const char* code) {
    return reinterpret_cast<F>(Resolve(module, (std::string("Quenvar_541BA2F8_1_") + code).c_str()));
}

struct Subject {
    const char* what;
    Batch plain;
    Batch traced;
};

std::vector<Subject> Subjects(HMODULE plain, HMODULE traced) {
    const auto word = [](const char16_t* text) { return static_cast<Word>(reinterpret_cast<std::uintptr_t>(text)); };
    auto constant = [](TextConstant f) {
        return [f](std::uint32_t n) { for (std::uint32_t i = 0; i < n; ++i) Sink(f(i, 0, 0, 0, 0, 0, 0, 0)); };
    };
    auto fixed = [](FormatFixed f) {
        return [f](std::uint32_t n) {  // 1.23456 + i ulps, 5 decimals
            for (std::uint32_t i = 0; i < n; ++i) Sink(f(0x9ADD3C0Cu + (i & 1023), 0x3FF3C0C1, 0, 0, 5, 0, 0, 0));
        };
    };
    auto search = [word](Search f) {
        return [f, word](std::uint32_t n) {
            for (std::uint32_t i = 0; i < n; ++i) Sink(f(i, 0, word(kPattern), word(kText), 0));
        };
    };
    return {
        {"text constant i1I11IIii1", constant(ExportOf<TextConstant>(plain, "i1I11IIii1")),
         constant(ExportOf<TextConstant>(traced, "i1I11IIii1"))},
        {"FormatFixed Ii1IiI1III, 5 decimals", fixed(ExportOf<FormatFixed>(plain, "Ii1IiI1III")),
         fixed(ExportOf<FormatFixed>(traced, "Ii1IiI1III"))},
        {"FindText Ii1II1ii11, found at the end", search(ExportOf<Search>(plain, "Ii1II1ii11")),
         search(ExportOf<Search>(traced, "Ii1II1ii11"))},
    };
}

void RemoveTraces(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"lumivextaran-trace-*.txt").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do DeleteFileW((folder + found.cFileName).c_str());
    while (FindNextFileW(find, &found));
    FindClose(find);
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    OpenTargets(argc, argv);
    const std::wstring folder = Folder();
    SetEnvironmentVariableW(L"LUMIVEXTARAN_TRACE_DIR", folder.c_str());
    HMODULE traced = Load(folder + L"..\\trace\\lumivextaran.dll");
    const std::vector<Subject> subjects = Subjects(Library(), traced);
    std::vector<Batch> batches;
    for (const Subject& s : subjects) batches.push_back(s.plain), batches.push_back(s.traced);
    const std::vector<Timing> timings = NsPerCall(batches);

    std::printf("Tracing build (trace/lumivextaran.dll) against the plain DLL, ns/call (fastest of %d batches)\n",
                kRepetitions);
    std::printf("%-40s %9s %9s %9s\n", "export", "plain", "traced", "excess");
    PrintRule(70);
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        const Target target{std::string("traced ") + subjects[i].what + " - plain", timings[2 * i + 1].min,
                            timings[2 * i].min, Measure::Excess, kLimitNs};
        std::printf("%-40s %9.1f %9.1f %+9.1f\n", subjects[i].what, target.reference, target.subject, target.Value());
        Record(target);
    }
    FreeLibrary(traced);
    RemoveTraces(folder);
    return 0;
}
