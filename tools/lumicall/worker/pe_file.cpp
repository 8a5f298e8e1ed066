#include "tools/lumicall/worker/pe_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

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

constexpr std::uint32_t kLargestImage = 256u << 20;  // far above any build of the library

// The directories that must lie within the image before anything reads them.
constexpr std::pair<int, std::string_view> kDirectoriesChecked[] = {
    {IMAGE_DIRECTORY_ENTRY_EXPORT, "export directory"},
    {IMAGE_DIRECTORY_ENTRY_IMPORT, "import directory"},
};

// A data directory of a mapped image (all zero when the headers have none).
IMAGE_DATA_DIRECTORY DirectoryOf(std::span<const std::uint8_t> image, int index) {
    IMAGE_DOS_HEADER dos;
    IMAGE_OPTIONAL_HEADER32 optional;
    IMAGE_DATA_DIRECTORY none{};
    if (!ReadAt(image, 0, dos) ||
        !ReadAt(image, static_cast<std::uint32_t>(dos.e_lfanew) + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER), optional) ||
        optional.NumberOfRvaAndSizes <= static_cast<DWORD>(index))
        return none;
    return optional.DataDirectory[index];
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
    if (optional.SizeOfImage > kLargestImage) return "its headers declare an image of " + std::to_string(optional.SizeOfImage) + " bytes, far beyond any DLL";
    for (const auto& [index, words] : kDirectoriesChecked) {
        const IMAGE_DATA_DIRECTORY& directory = optional.DataDirectory[index];
        if (optional.NumberOfRvaAndSizes > index && !Within(directory.VirtualAddress, directory.Size, optional.SizeOfImage))
            return "its " + std::string(words) + " lies outside the image";
    }
    return "";
}

std::vector<std::uint8_t> MappedImage(std::span<const std::uint8_t> file) {
    IMAGE_DOS_HEADER dos;
    IMAGE_FILE_HEADER header;
    IMAGE_OPTIONAL_HEADER32 optional;
    const std::uint64_t ntAt = static_cast<std::uint32_t>(ReadAt(file, 0, dos) ? dos.e_lfanew : 0);
    const std::uint64_t optionalAt = ntAt + sizeof(DWORD) + sizeof header;
    if (!ReadAt(file, ntAt + sizeof(DWORD), header) || !ReadAt(file, optionalAt, optional)) return {};
    std::vector<std::uint8_t> image(optional.SizeOfImage);
    const std::size_t headers = std::min<std::size_t>({optional.SizeOfHeaders, file.size(), image.size()});
    std::memcpy(image.data(), file.data(), headers);
    const std::uint64_t sectionsAt = optionalAt + header.SizeOfOptionalHeader;
    for (std::uint64_t i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(file, sectionsAt + i * sizeof section, section)) break;
        const std::uint64_t room = image.size() - std::min<std::uint64_t>(section.VirtualAddress, image.size());
        const std::uint64_t length = std::min<std::uint64_t>({section.SizeOfRawData, section.Misc.VirtualSize, room});
        if (Within(section.PointerToRawData, length, file.size()))
            std::memcpy(image.data() + section.VirtualAddress, file.data() + section.PointerToRawData, length);
    }
    return image;
}

std::string ExportTableProblem(std::span<const std::uint8_t> image) {
    const IMAGE_DATA_DIRECTORY entry = DirectoryOf(image, IMAGE_DIRECTORY_ENTRY_EXPORT);
    const std::uint64_t size = image.size();
    const std::uint8_t* base = image.data();
    if (entry.VirtualAddress == 0 || entry.Size == 0) return "";  // exports nothing
    if (!Within(entry.VirtualAddress, sizeof(IMAGE_EXPORT_DIRECTORY), size))
        return "its export directory lies outside the image";
    IMAGE_EXPORT_DIRECTORY directory;
    std::memcpy(&directory, base + entry.VirtualAddress, sizeof directory);
    const std::uint64_t names = directory.NumberOfNames;
    if (!Within(directory.AddressOfNames, 4 * names, size) ||
        !Within(directory.AddressOfNameOrdinals, 2 * names, size) ||
        !Within(directory.AddressOfFunctions, 4 * std::uint64_t{directory.NumberOfFunctions}, size))
        return "its export table is damaged: its lists lie outside the image";
    if (directory.Name != 0 && !NameWithin(base, directory.Name, size))
        return "its export table is damaged: the library's name lies outside the image";
    for (std::uint64_t i = 0; i < names; ++i) {
        DWORD name;
        std::memcpy(&name, base + directory.AddressOfNames + 4 * i, sizeof name);
        if (!NameWithin(base, name, size))
            return "its export table is damaged: export name " + std::to_string(i) + " lies outside the image";
    }
    return "";
}

std::string ImportTableProblem(std::span<const std::uint8_t> image) {
    const IMAGE_DATA_DIRECTORY entry = DirectoryOf(image, IMAGE_DIRECTORY_ENTRY_IMPORT);
    const std::uint64_t size = image.size();
    if (entry.VirtualAddress == 0 || entry.Size == 0) return "";  // imports nothing
    for (std::uint64_t at = entry.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        if (!Within(at, sizeof descriptor, size)) return "its import table is damaged: its list of DLLs runs outside the image";
        std::memcpy(&descriptor, image.data() + at, sizeof descriptor);
        if (descriptor.Name == 0 && descriptor.FirstThunk == 0) return "";
        if (!NameWithin(image.data(), descriptor.Name, size))
            return "its import table is damaged: the name of an imported DLL lies outside the image";
        for (const DWORD list : {descriptor.OriginalFirstThunk, descriptor.FirstThunk}) {
            for (std::uint64_t item = list; list != 0; item += 4) {
                DWORD thunk;
                if (!Within(item, sizeof thunk, size)) return "its import table is damaged: a list of imports runs outside the image";
                std::memcpy(&thunk, image.data() + item, sizeof thunk);
                if (thunk == 0) break;
                if (!(thunk & IMAGE_ORDINAL_FLAG32) && !NameWithin(image.data(), std::uint64_t{thunk} + 2, size))
                    return "its import table is damaged: an imported name lies outside the image";
            }
        }
    }
}

std::vector<std::string> ExportNames(std::span<const std::uint8_t> image) {
    const IMAGE_DATA_DIRECTORY entry = DirectoryOf(image, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (entry.VirtualAddress == 0 || entry.Size == 0) return {};
    IMAGE_EXPORT_DIRECTORY directory;
    std::memcpy(&directory, image.data() + entry.VirtualAddress, sizeof directory);
    std::vector<std::string> names;
    for (std::uint64_t i = 0; i < directory.NumberOfNames; ++i) {
        DWORD name;
        std::memcpy(&name, image.data() + directory.AddressOfNames + 4 * i, sizeof name);
        names.emplace_back(reinterpret_cast<const char*>(image.data() + name));
    }
    return names;
}

std::string ExportDirectoryName(std::span<const std::uint8_t> image) {
    const IMAGE_DATA_DIRECTORY entry = DirectoryOf(image, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (entry.VirtualAddress == 0 || entry.Size == 0) return "";
    IMAGE_EXPORT_DIRECTORY directory;
    std::memcpy(&directory, image.data() + entry.VirtualAddress, sizeof directory);
    return directory.Name == 0 ? "" : reinterpret_cast<const char*>(image.data() + directory.Name);
}

}  // namespace lumi::call
