// faulty_copies DLL FOLDER: writes copies of the built DLL, each with one
// fault patched in, for lumicall's table of faulty DLLs. An export's fault
// is a stub placed in the slack at the end of .text, and the export's entry
// in the export table pointed at it; the rest of the copy is the library.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFarAway = 0x7FFFFF00;
constexpr int kCodeFlips = 20, kExportTableFlips = 40;

// Machine code of each stub (i686, position independent), as assembled.
struct Stub {
    const char* copy;  // the copy's file name, less ".dll"
    const char* code;  // the export it replaces
    std::vector<std::uint8_t> bytes;
};

const Stub kStubs[] = {
    // std; movl 4(%esp), %eax; ret $32: slot 0 back, the direction flag left set.
    {"direction_flag", "111IIii1I1", {0xFD, 0x8B, 0x44, 0x24, 0x04, 0xC2, 0x20, 0x00}},
    // jmp . : never returns.
    {"hang", "iI11IIii1I", {0xEB, 0xFE}},
    // 1: pushl $0; jmp 1b : pushes until the stack overflows.
    {"stack_overflow", "Ii1iIiIIIi", {0x6A, 0x00, 0xEB, 0xFC}},
    // movl $0xDEADBEEF, 36(%esp): the caller's word just above the 8 slots.
    {"above_the_slots", "111IIii1I1",
     {0xC7, 0x44, 0x24, 0x24, 0xEF, 0xBE, 0xAD, 0xDE, 0x8B, 0x44, 0x24, 0x04, 0xC2, 0x20, 0x00}},
    // fld1 eight times, then -99 in EAX: a full x87 stack left behind.
    {"eight_x87_values", "Ii1iIiIIIi",
     {0xD9, 0xE8, 0xD9, 0xE8, 0xD9, 0xE8, 0xD9, 0xE8, 0xD9, 0xE8, 0xD9, 0xE8, 0xD9, 0xE8, 0xD9, 0xE8, 0xB8, 0x9D,
      0xFF, 0xFF, 0xFF, 0xC2, 0x20, 0x00}},
    // xorl %esp, %esp; ret: no stack left to report the fault on.
    {"stack_pointer_lost", "1i1I1Ii1ii", {0x31, 0xE4, 0xC3}},
    // The quotient of slots 0-1 by 2-3, after a square root of the dividend:
    // invalid operation for every negative dividend.
    {"raise_on_negative_dividend", "i11iI1i1I1",
     {0xDD, 0x44, 0x24, 0x04, 0xD9, 0xFA, 0xDD, 0xD8, 0xDD, 0x44, 0x24, 0x04, 0xDC, 0x74, 0x24, 0x0C, 0xDD, 0x5C,
      0x24, 0x04, 0xDD, 0x44, 0x24, 0x04, 0xC2, 0x18, 0x00}},
    // Slots 0-1 times 10 with the rounding field cleared around it: to
    // nearest whatever the caller's word says, the word itself put back.
    {"forced_to_nearest", "I1IIiIIii1",
     {0x83, 0xEC, 0x04, 0xD9, 0x3C, 0x24, 0x66, 0x8B, 0x04, 0x24, 0x66, 0x25, 0xFF, 0xF3, 0x66, 0x89, 0x44, 0x24,
      0x02, 0xD9, 0x6C, 0x24, 0x02, 0xDD, 0x44, 0x24, 0x08, 0x6A, 0x0A, 0xDA, 0x0C, 0x24, 0x83, 0xC4, 0x04, 0xDD,
      0x5C, 0x24, 0x08, 0xDD, 0x44, 0x24, 0x08, 0xD9, 0x2C, 0x24, 0x83, 0xC4, 0x04, 0xC2, 0x18, 0x00}},
};

template <class Value>
Value Get(const Bytes& dll, std::size_t at) {
    Value value;
    std::memcpy(&value, dll.data() + at, sizeof value);
    return value;
}

template <class Value>
void Put(Bytes& dll, std::size_t at, Value value) {
    std::memcpy(dll.data() + at, &value, sizeof value);
}

struct Layout {
    std::size_t optional;  // file offset of the optional header
    std::vector<std::pair<std::size_t, IMAGE_SECTION_HEADER>> sections;  // file offset of each header, and it

    explicit Layout(const Bytes& dll) {
        const std::size_t pe = Get<std::uint32_t>(dll, offsetof(IMAGE_DOS_HEADER, e_lfanew));
        const auto header = Get<IMAGE_FILE_HEADER>(dll, pe + 4);
        optional = pe + 4 + sizeof header;
        for (int i = 0; i < header.NumberOfSections; ++i) {
            const std::size_t at = optional + header.SizeOfOptionalHeader + i * sizeof(IMAGE_SECTION_HEADER);
            sections.emplace_back(at, Get<IMAGE_SECTION_HEADER>(dll, at));
        }
    }
    const std::pair<std::size_t, IMAGE_SECTION_HEADER>& Section(std::string_view name) const {
        for (const auto& section : sections)
            if (std::string_view(reinterpret_cast<const char*>(section.second.Name)).substr(0, name.size()) == name)
                return section;
        throw std::runtime_error("the DLL has no section " + std::string(name));
    }
    std::size_t FileOffset(std::uint32_t rva) const {
        for (const auto& [at, section] : sections)
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        throw std::runtime_error("no section holds that address");
    }
    std::size_t Directory(int index) const {
        return optional + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory) + index * sizeof(IMAGE_DATA_DIRECTORY);
    }
};

// The file offset of the export table's entry for `code`.
std::size_t FunctionEntryOf(const Bytes& dll, const Layout& layout, std::string_view code) {
    const auto exports = Get<IMAGE_DATA_DIRECTORY>(dll, layout.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT));
    const auto directory = Get<IMAGE_EXPORT_DIRECTORY>(dll, layout.FileOffset(exports.VirtualAddress));
    const std::string wanted = "Quenvar_541BA2F8_1_" + std::string(code);
    for (DWORD i = 0; i < directory.NumberOfNames; ++i) {
        const auto name = Get<std::uint32_t>(dll, layout.FileOffset(directory.AddressOfNames) + 4 * i);
        if (reinterpret_cast<const char*>(dll.data() + layout.FileOffset(name)) != wanted) continue;
        const auto ordinal = Get<std::uint16_t>(dll, layout.FileOffset(directory.AddressOfNameOrdinals) + 2 * i);
        return layout.FileOffset(directory.AddressOfFunctions) + 4 * ordinal;
    }
    throw std::runtime_error("the DLL does not export " + wanted);
}

// The stub in the slack after .text's code, and the export pointed at it.
Bytes WithStub(Bytes dll, const Stub& stub) {
    const Layout layout(dll);
    const auto& [headerAt, text] = layout.Section(".text");
    const std::uint32_t slack = text.SizeOfRawData - text.Misc.VirtualSize;
    if (stub.bytes.size() > slack) throw std::runtime_error("no room after .text for the stub of " + std::string(stub.copy));
    std::memcpy(dll.data() + text.PointerToRawData + text.Misc.VirtualSize, stub.bytes.data(), stub.bytes.size());
    Put<std::uint32_t>(dll, FunctionEntryOf(dll, layout, stub.code), text.VirtualAddress + text.Misc.VirtualSize);
    Put<std::uint32_t>(dll, headerAt + offsetof(IMAGE_SECTION_HEADER, Misc), text.SizeOfRawData);
    return dll;
}

Bytes WithBitsFlipped(Bytes dll, std::string_view sectionName, int flips, unsigned seed) {
    const IMAGE_SECTION_HEADER section = Layout(dll).Section(sectionName).second;
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> bit(0, 8 * std::size_t{section.Misc.VirtualSize} - 1);
    for (int i = 0; i < flips; ++i) {
        const std::size_t chosen = bit(random);
        dll[section.PointerToRawData + chosen / 8] ^= static_cast<std::uint8_t>(1u << (chosen % 8));
    }
    return dll;
}

Bytes WithDirectoryFarAway(Bytes dll, int index) {
    Put<std::uint32_t>(dll, Layout(dll).Directory(index), kFarAway);
    return dll;
}

void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc != 3) throw std::runtime_error("usage: faulty_copies DLL FOLDER");
        std::ifstream in(argv[1], std::ios::binary);
        const Bytes dll{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (dll.size() < 4096) throw std::runtime_error(std::string("cannot read ") + argv[1]);
        const std::string folder = std::string(argv[2]) + "/";
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const Stub& stub : kStubs) Write(folder + stub.copy + ".dll", WithStub(dll, stub));
        Write(folder + "export_directory_far_away.dll", WithDirectoryFarAway(dll, IMAGE_DIRECTORY_ENTRY_EXPORT));
        Write(folder + "import_directory_far_away.dll", WithDirectoryFarAway(dll, IMAGE_DIRECTORY_ENTRY_IMPORT));
        for (unsigned seed : {1u, 2u, 3u}) {
            Write(folder + "code_flips_" + std::to_string(seed) + ".dll", WithBitsFlipped(dll, ".text", kCodeFlips, seed));
            Write(folder + "edata_flips_" + std::to_string(seed) + ".dll",
                  WithBitsFlipped(dll, ".edata", kExportTableFlips, seed));
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "faulty_copies: %s\n", error.what());
        return 1;
    }
}
