#include "tools/lumicall/pe_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lumi::call {
namespace {

// A header read from `bytes` at `offset`; false when it would run past them.
template <class Header>
bool ReadAt(std::span<const std::uint8_t> bytes, std::uint64_t offset, Header& header) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(Header)) return false;
    std::memcpy(&header, bytes.data() + offset, sizeof(Header));
    return true;
}

bool Within(std::uint64_t start, std::uint64_t length, std::uint64_t size) { return start <= size && length <= size - start; }

// Its name as printable ASCII, "?" for any other byte.
std::string SectionName(const IMAGE_SECTION_HEADER& section) {
    std::string name;
    for (std::uint8_t byte : section.Name) {
        if (byte == 0) break;
        name += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    }
    return name.empty() ? "(unnamed)" : name;
}

// A NUL-terminated name at `rva` inside an image of `size` bytes.
bool NameWithin(const std::uint8_t* base, std::uint64_t rva, std::uint64_t size) {
    return rva < size && std::memchr(base + rva, 0, size - rva) != nullptr;
}

}  // namespace

std::string ImageProblem(std::span<const std::uint8_t> file) {
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return "it is not a Windows DLL (no MZ header; " + std::to_string(file.size()) + " bytes)";
    const std::uint64_t ntAt = static_cast<std::uint32_t>(dos.e_lfanew);
    DWORD signature;
    IMAGE_FILE_HEADER header;
    if (!ReadAt(file, ntAt, signature) || !ReadAt(file, ntAt + sizeof signature, header))
        return "it is cut off or damaged in its headers (" + std::to_string(file.size()) + " bytes)";
    if (signature != IMAGE_NT_SIGNATURE) return "its PE header is damaged (no PE signature)";
    if (header.Machine != IMAGE_FILE_MACHINE_I386) {
        char machine[8];
        std::snprintf(machine, sizeof machine, "%04X", static_cast<unsigned>(header.Machine));
        return "it is built for another processor (machine 0x" + std::string(machine) + "), not 32-bit x86";
    }
    if (!(header.Characteristics & IMAGE_FILE_DLL)) return "it is a program, not a DLL";
    const std::uint64_t optionalAt = ntAt + sizeof signature + sizeof header;
    IMAGE_OPTIONAL_HEADER32 optional;
    if (header.SizeOfOptionalHeader < sizeof optional || !ReadAt(file, optionalAt, optional))
        return "its optional header is damaged or cut off";
    if (optional.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return "its optional header is not that of a 32-bit image";

    // The section table lies within the headers, which lie within the file.
    const std::uint64_t sectionsAt = optionalAt + header.SizeOfOptionalHeader;
    const std::uint64_t headersEnd = std::min<std::uint64_t>(optional.SizeOfHeaders, file.size());
    if (!Within(sectionsAt, header.NumberOfSections * sizeof(IMAGE_SECTION_HEADER), headersEnd))
        return "its section table is damaged or cut off (" + std::to_string(header.NumberOfSections) + " sections)";
    for (std::uint64_t i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        ReadAt(file, sectionsAt + i * sizeof section, section);
        if (!Within(section.PointerToRawData, section.SizeOfRawData, file.size()))
            return "it is cut off: section " + SectionName(section) + " needs " +
                   std::to_string(std::uint64_t{section.PointerToRawData} + section.SizeOfRawData) +
                   " bytes, the file has " + std::to_string(file.size());
        if (!Within(section.VirtualAddress, section.Misc.VirtualSize, optional.SizeOfImage))
            return "section " + SectionName(section) + " lies outside the image its headers declare";
    }
    const IMAGE_DATA_DIRECTORY& exports = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (optional.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_EXPORT &&
        !Within(exports.VirtualAddress, exports.Size, optional.SizeOfImage))
        return "its export directory lies outside the image";
    return "";
}

std::string ExportTableProblem(HMODULE module) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const std::uint64_t size = nt->OptionalHeader.SizeOfImage;
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (entry.VirtualAddress == 0 || entry.Size == 0) return "";  // exports nothing
    if (!Within(entry.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY), size))
        return "its export directory lies outside the image";
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const std::uint64_t names = directory->NumberOfNames;
    if (!Within(directory->AddressOfNames, 4 * names, size) ||
        !Within(directory->AddressOfNameOrdinals, 2 * names, size) ||
        !Within(directory->AddressOfFunctions, 4 * std::uint64_t{directory->NumberOfFunctions}, size))
        return "its export table is damaged: its lists lie outside the image";
    if (directory->Name != 0 && !NameWithin(base, directory->Name, size))
        return "its export table is damaged: the library's name lies outside the image";
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    for (std::uint64_t i = 0; i < names; ++i)
        if (!NameWithin(base, nameOffsets[i], size))
            return "its export table is damaged: export name " + std::to_string(i) + " lies outside the image";
    return "";
}

}  // namespace lumi::call
