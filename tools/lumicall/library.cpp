#include "tools/lumicall/library.h"

#include "catalogue/catalogue.h"

namespace lumi::call {
namespace {

const IMAGE_EXPORT_DIRECTORY* ExportDirectory(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (entry.VirtualAddress == 0 || entry.Size == 0) return nullptr;
    return reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
}

}  // namespace

std::wstring Widened(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Narrowed(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int size = static_cast<int>(utf16.size());
    std::string narrow(WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), static_cast<int>(narrow.size()),
                        nullptr, nullptr);
    return narrow;
}

std::string WindowsErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words = length > 0 ? Narrowed({text, length}) : "";
    LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
        words.pop_back();
    if (words.empty()) words = "unknown error";
    return words + " (error " + std::to_string(error) + ")";
}

std::string DefaultLibraryPath() {
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path(own, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return Narrowed(path) + "lumivextaran.dll";
}

Library Library::Load(const std::string& path, std::string& whyNot) {
    // No dialog box for a missing or broken file: the error comes back as a code.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // A bare name means the file in the current directory, not one on the search path.
    wchar_t full[MAX_PATH];
    const std::wstring wide = Widened(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
    const HMODULE module = LoadLibraryExW(length > 0 && length < MAX_PATH ? full : wide.c_str(), nullptr,
                                          LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) whyNot = WindowsErrorText(GetLastError());
    return {module, path};
}

std::string Library::FileName() const { return path.substr(path.find_last_of("\\/") + 1); }

const void* Library::Export(std::string_view code) const {
    const std::string name = std::string(kExportPrefix) + std::string(code);
    return reinterpret_cast<const void*>(GetProcAddress(module, name.c_str()));
}

std::vector<std::string> Library::ExportNames() const {
    std::vector<std::string> names;
    const IMAGE_EXPORT_DIRECTORY* directory = ExportDirectory(module);
    if (directory == nullptr) return names;
    const auto* base = reinterpret_cast<const char*>(module);
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) names.emplace_back(base + nameOffsets[i]);
    return names;
}

std::string Library::DirectoryName() const {
    const IMAGE_EXPORT_DIRECTORY* directory = ExportDirectory(module);
    if (directory == nullptr || directory->Name == 0) return "";
    return reinterpret_cast<const char*>(module) + directory->Name;
}

}  // namespace lumi::call
