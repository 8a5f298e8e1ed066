// The DLL as the loader sees it: export directory, image flags, imports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/wine/support/library_under_test.h"

namespace lumi::test {
namespace {

constexpr std::string_view kLibraryName = "lumivextaran.dll";
constexpr std::size_t kExportNameLength = 29;

struct WindowsVersion {
    WORD major, minor;
    auto operator<=>(const WindowsVersion&) const = default;
};
constexpr WindowsVersion kOldestWindows = {5, 1};  // Windows XP (SP3)

struct AllowedImport {
    std::string_view dll, function;
    WindowsVersion first;
    bool tracingOnly;
};
constexpr AllowedImport kAllowedImports[] = {
#define ALLOWED_IMPORT(dll, function, major, minor) {dll, function, {major, minor}, false},
#define TRACING_IMPORT(dll, function, major, minor) {dll, function, {major, minor}, true},
#include "tests/wine/abi/allowed_imports.def"
#undef ALLOWED_IMPORT
#undef TRACING_IMPORT
};

// The tracing build says so in its version resource's FileDescription.
bool IsTracingBuild(HMODULE module) {
    wchar_t path[MAX_PATH];
    if (GetModuleFileNameW(module, path, MAX_PATH) == 0) return false;
    DWORD ignored = 0;
    std::vector<std::uint8_t> info(GetFileVersionInfoSizeW(path, &ignored));
    void* value = nullptr;
    UINT length = 0;
    if (info.empty() || !GetFileVersionInfoW(path, 0, info.size(), info.data()) ||
        !VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length))
        return false;
    const auto* translation = static_cast<const WORD*>(value);
    wchar_t name[64];
    std::swprintf(name, 64, L"\\StringFileInfo\\%04x%04x\\FileDescription", translation[0], translation[1]);
    return VerQueryValueW(info.data(), name, &value, &length) &&
           std::wcsstr(static_cast<const wchar_t*>(value), L"tracing build") != nullptr;
}

std::string Dotted(WindowsVersion version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

class Image {
public:
    Image() : base_(reinterpret_cast<const std::uint8_t*>(Library())) {}

    const IMAGE_NT_HEADERS32& Headers() const {
        const auto& dos = *reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
        return *reinterpret_cast<const IMAGE_NT_HEADERS32*>(base_ + dos.e_lfanew);
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const {
        return Headers().OptionalHeader.DataDirectory[index];
    }
    template <class T>
    const T* At(DWORD rva) const {
        return reinterpret_cast<const T*>(base_ + rva);
    }
    const char* Text(DWORD rva) const { return At<char>(rva); }
    const std::uint8_t* Base() const { return base_; }

private:
    const std::uint8_t* base_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(ExportTable, NamesExactlyTheCatalogue) {
    const Image image;
    const IMAGE_DATA_DIRECTORY& directory = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(directory.VirtualAddress, 0u);
    const auto& exports = *image.At<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);

    EXPECT_EQ(std::string_view(image.Text(exports.Name)), kLibraryName);
    EXPECT_EQ(exports.NumberOfNames, Catalogue().size());
    EXPECT_EQ(exports.NumberOfFunctions, Catalogue().size()) << "unnamed exports";

    const auto* names = image.At<DWORD>(exports.AddressOfNames);
    const auto* ordinals = image.At<WORD>(exports.AddressOfNameOrdinals);
    const auto* functions = image.At<DWORD>(exports.AddressOfFunctions);
    std::set<std::string_view> seen;
    for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
        const std::string_view name = image.Text(names[i]);
        SCOPED_TRACE(std::string(name));
        EXPECT_EQ(name.find('@'), std::string_view::npos) << "decorated name";
        ASSERT_EQ(name.size(), kExportNameLength);
        ASSERT_TRUE(name.starts_with(kExportPrefix));
        const std::string_view code = name.substr(kExportPrefix.size());
        EXPECT_NE(FindEntry(code), nullptr) << "not in the catalogue";
        EXPECT_TRUE(seen.insert(code).second) << "exported twice";

        const DWORD rva = functions[ordinals[i]];
        const bool forwarded = rva >= directory.VirtualAddress && rva < directory.VirtualAddress + directory.Size;
        EXPECT_FALSE(forwarded);
        EXPECT_EQ(ExportAddress(code), image.Base() + rva) << "GetProcAddress disagrees with the table";
    }
    EXPECT_EQ(seen.size(), Catalogue().size());
}

TEST(ExportTable, ImageHasRandomBaseAndNoExecuteData) {
    const WORD flags = Image().Headers().OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    EXPECT_EQ(Image().Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
}

// The language runtime is linked in: a host needs nothing beside the DLL.
TEST(ExportTable, ImportsOnlySystemLibraries) {
    const Image image;
    const std::set<std::string> allowed = {"kernel32.dll", "msvcrt.dll"};
    const IMAGE_DATA_DIRECTORY& directory = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    std::set<std::string> imported;
    for (auto* entry = image.At<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress); entry->Name != 0; ++entry)
        imported.insert(Lower(image.Text(entry->Name)));
    EXPECT_EQ(imported, allowed);
    EXPECT_EQ(image.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).VirtualAddress, 0u) << "delay-loaded imports";
}

// Relocations present: the loader can move the DLL when its preferred base
// is taken (the relocated test runs show that it then still answers).
TEST(ExportTable, ImageCanMoveOffItsPreferredBase) {
    const Image image;
    EXPECT_FALSE(image.Headers().FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_GT(image.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size, 0u);
    const auto* section = IMAGE_FIRST_SECTION(&image.Headers());
    bool relocSection = false;
    for (WORD i = 0; i < image.Headers().FileHeader.NumberOfSections; ++i, ++section)
        relocSection |= std::string_view(reinterpret_cast<const char*>(section->Name), 6) == ".reloc";
    EXPECT_TRUE(relocSection);
}

TEST(ExportTable, HeaderClaimsTheOldestWindowsSupported) {
    const IMAGE_OPTIONAL_HEADER32& header = Image().Headers().OptionalHeader;
    EXPECT_EQ(Dotted({header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion}), Dotted(kOldestWindows));
    EXPECT_EQ(Dotted({header.MajorSubsystemVersion, header.MinorSubsystemVersion}), Dotted(kOldestWindows));
}

// Each imported function is listed, with a first Windows no newer than the
// one the DLL claims: a new import fails here by name.
TEST(ExportTable, ImportsOnlyListedFunctionsOfTheWindowsItClaims) {
    const Image image;
    const IMAGE_OPTIONAL_HEADER32& header = image.Headers().OptionalHeader;
    const WindowsVersion claimed = {header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion};
    const bool tracing = IsTracingBuild(Library());
    const IMAGE_DATA_DIRECTORY& directory = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    int imports = 0;
    for (auto* entry = image.At<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress); entry->Name != 0; ++entry) {
        const std::string dll = image.Text(entry->Name);
        ASSERT_NE(entry->OriginalFirstThunk, 0u) << dll << ": no table of imported names";
        for (auto* thunk = image.At<IMAGE_THUNK_DATA32>(entry->OriginalFirstThunk); thunk->u1.AddressOfData != 0;
             ++thunk, ++imports) {
            if (IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal)) {
                ADD_FAILURE() << dll << " ordinal " << IMAGE_ORDINAL32(thunk->u1.Ordinal) << " is imported by number";
                continue;
            }
            const std::string_view function =
                reinterpret_cast<const char*>(image.At<IMAGE_IMPORT_BY_NAME>(thunk->u1.AddressOfData)->Name);
            const auto* listed = std::find_if(std::begin(kAllowedImports), std::end(kAllowedImports), [&](const auto& row) {
                return Lower(std::string(row.dll)) == Lower(dll) && row.function == function &&
                       (tracing || !row.tracingOnly);
            });
            if (listed == std::end(kAllowedImports))
                ADD_FAILURE() << dll << " " << function << " is imported but not in allowed_imports.def"
                              << (tracing ? "" : " for the plain build");
            else if (listed->first > claimed)
                ADD_FAILURE() << dll << " " << function << " is imported but needs Windows " << Dotted(listed->first)
                              << ", and the DLL claims " << Dotted(claimed);
        }
    }
    EXPECT_GT(imports, 0);
}

// What Explorer shows under Properties, Details: the fixed version, and the
// strings of the language and code page that "Translation" names (strings
// under any other pair are never shown).
TEST(VersionResource, NamesTheLibraryAndItsVersion) {
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetModuleFileNameW(Library(), path, MAX_PATH), 0u);
    DWORD ignored = 0;
    std::vector<std::uint8_t> info(GetFileVersionInfoSizeW(path, &ignored));
    ASSERT_FALSE(info.empty()) << "no version resource";
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, info.size(), info.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
    const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
    char dotted[32];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u", HIWORD(fixed.dwFileVersionMS),
                  LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS));
    EXPECT_EQ(std::string(dotted), LUMI_VERSION);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DLL));

    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length));
    const auto* translation = static_cast<const WORD*>(value);
    wchar_t block[40];
    std::swprintf(block, 40, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);

    const std::wstring version = L"" LUMI_VERSION;
    const struct {
        const wchar_t* name;
        std::wstring expected;
    } strings[] = {
        {L"ProductName", L"lumivextaran"},     {L"OriginalFilename", L"lumivextaran.dll"},
        {L"InternalName", L"lumivextaran"},    {L"FileVersion", version},
        {L"ProductVersion", version},
    };
    for (const auto& string : strings) {
        SCOPED_TRACE(string.name);
        ASSERT_TRUE(VerQueryValueW(info.data(), (block + std::wstring(string.name)).c_str(), &value, &length));
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), string.expected);
    }
}

}  // namespace
}  // namespace lumi::test
