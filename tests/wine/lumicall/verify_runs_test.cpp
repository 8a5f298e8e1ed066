// lumicall verify run as a user runs it, in a process of its own: against
// damaged copies of the DLL, and under the user's own separators.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/wine/locales/regional_settings.h"
#include "tests/wine/support/library_under_test.h"

namespace lumi::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr DWORD kPatience = 60000;  // ms; verify takes well under a second
constexpr std::uint32_t kFarAway = 0x7FFFFF00;

// Header fields by their offsets in the file.
std::uint32_t PeAt(const Bytes& dll) {
    std::uint32_t at;
    std::memcpy(&at, dll.data() + offsetof(IMAGE_DOS_HEADER, e_lfanew), sizeof at);
    return at;
}
std::size_t FileHeaderAt(const Bytes& dll) { return PeAt(dll) + sizeof(DWORD); }
std::size_t OptionalHeaderAt(const Bytes& dll) { return FileHeaderAt(dll) + sizeof(IMAGE_FILE_HEADER); }

template <class Value>
void Put(Bytes& dll, std::size_t at, Value value) {
    std::memcpy(dll.data() + at, &value, sizeof value);
}

// Where the export directory lies in the file, through the section holding it.
std::size_t ExportDirectoryAt(const Bytes& dll) {
    IMAGE_FILE_HEADER header;
    IMAGE_OPTIONAL_HEADER32 optional;
    std::memcpy(&header, dll.data() + FileHeaderAt(dll), sizeof header);
    std::memcpy(&optional, dll.data() + OptionalHeaderAt(dll), sizeof optional);
    const DWORD rva = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
    for (int i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        std::memcpy(&section, dll.data() + OptionalHeaderAt(dll) + header.SizeOfOptionalHeader + i * sizeof section,
                    sizeof section);
        if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize)
            return rva - section.VirtualAddress + section.PointerToRawData;
    }
    throw std::runtime_error("the DLL has no export directory in any section");
}

struct Damage {
    const char* name;
    void (*apply)(Bytes&);
    const char* reason;  // part of the one line verify must print
};

const Damage kDamages[] = {
    {"empty", [](Bytes& dll) { dll.clear(); }, "no MZ header"},
    {"cut within its headers", [](Bytes& dll) { dll.resize(100); }, "cut off or damaged in its headers"},
    {"cut in half", [](Bytes& dll) { dll.resize(dll.size() / 2); }, "it is cut off: section"},
    {"MZ flipped", [](Bytes& dll) { dll[0] ^= 0xFF; }, "no MZ header"},
    {"PE header past the end", [](Bytes& dll) { Put(dll, offsetof(IMAGE_DOS_HEADER, e_lfanew), kFarAway); },
     "cut off or damaged in its headers"},
    {"PE signature flipped", [](Bytes& dll) { dll[PeAt(dll)] ^= 0xFF; }, "no PE signature"},
    {"built for x64",
     [](Bytes& dll) { Put<WORD>(dll, FileHeaderAt(dll) + offsetof(IMAGE_FILE_HEADER, Machine), IMAGE_FILE_MACHINE_AMD64); },
     "another processor (machine 0x8664)"},
    {"a program, not a DLL",
     [](Bytes& dll) { dll[FileHeaderAt(dll) + offsetof(IMAGE_FILE_HEADER, Characteristics) + 1] &= ~(IMAGE_FILE_DLL >> 8); },
     "a program, not a DLL"},
    {"64-bit optional header",
     [](Bytes& dll) { Put<WORD>(dll, OptionalHeaderAt(dll), IMAGE_NT_OPTIONAL_HDR64_MAGIC); },
     "not that of a 32-bit image"},
    {"section table past the end",
     [](Bytes& dll) { Put<WORD>(dll, FileHeaderAt(dll) + offsetof(IMAGE_FILE_HEADER, NumberOfSections), 0xFFFF); },
     "section table is damaged or cut off"},
    {"export directory outside the image",
     [](Bytes& dll) {
         Put(dll, OptionalHeaderAt(dll) + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory), kFarAway);
     },
     "export directory lies outside the image"},
    // Loads: the system reads no export name at load; verify must not either.
    {"export names outside the image",
     [](Bytes& dll) { Put(dll, ExportDirectoryAt(dll) + offsetof(IMAGE_EXPORT_DIRECTORY, AddressOfNames), kFarAway); },
     "export table is damaged"},
};

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string TemporaryPath(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "lumicall_verify_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

struct Finished {
    DWORD status = 0;
    std::string out, err;
};

// lumicall.exe (beside the DLL under test) with `arguments`, its output in files.
Finished RunLumicall(const std::string& arguments) {
    const std::string library = LibraryPath();
    const std::string program = library.substr(0, library.find_last_of("/\\") + 1) + "lumicall.exe";
    const std::string outPath = TemporaryPath("out.txt"), errPath = TemporaryPath("err.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto open = [&](const std::string& path) {
        return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    };
    const HANDLE out = open(outPath), err = open(errPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::string line = "\"" + program + "\" " + arguments;
    Finished run{~0u, "", ""};
    if (CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, kPatience) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &run.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    const Bytes outBytes = ReadFile(outPath), errBytes = ReadFile(errPath);
    run.out.assign(outBytes.begin(), outBytes.end());
    run.err.assign(errBytes.begin(), errBytes.end());
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return run;
}

// Each damaged copy gets exit status 2 and one line on standard error naming
// what is wrong: never a crash, a verdict, or output of a check that should
// not have started.
TEST(DamagedLibrary, EachGetsOneLineAndStatusTwo) {
    const Bytes original = ReadFile(LibraryPath());
    ASSERT_GT(original.size(), 4096u) << LibraryPath();
    for (const Damage& damage : kDamages) {
        Bytes damaged = original;
        damage.apply(damaged);
        const std::string path = TemporaryPath("damaged.dll");
        WriteFile(path, damaged);
        const Finished run = RunLumicall("--dll \"" + path + "\" verify");
        DeleteFileA(path.c_str());
        EXPECT_EQ(run.status, 2u) << damage.name << ": " << run.out << run.err;
        EXPECT_EQ(run.out, "") << damage.name;
        EXPECT_NE(run.err.find(damage.reason), std::string::npos) << damage.name << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << damage.name << ": not one line: " << run.err;
    }
}

// verify takes the user's separators as a load of the library does (a
// one-character setting, else the default) and builds every expected text
// with them; were it to take them otherwise, it would fail a sound DLL.
TEST(UserSeparators, VerifyTakesThemAsTheLibraryDoes) {
    const struct {
        const wchar_t *decimal, *time;
        std::string shown, fromLocale;
    } cases[] = {
        {L"#", L"-", "decimal \"#\", time \"-\"", "decimal \"#\", time \"-\""},
        // Longer than one character: the defaults.
        {L",,", L"--", "decimal \".\", time \":\"",
         "decimal \".\" (the setting \",,\" is longer than one character), time \":\" (the setting \"--\""},
    };
    const RegionalSettingsGuard guard;
    for (const auto& c : cases) {
        ASSERT_TRUE(SetSeparators(c.decimal, c.time));
        const Finished run = RunLumicall("verify");
        EXPECT_EQ(run.status, 0u) << run.out << run.err;
        EXPECT_NE(run.out.find(c.shown + " in the DLL's own texts"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(c.fromLocale), std::string::npos) << run.out;
    }
}

}  // namespace
}  // namespace lumi::test
