// The DLL under test: loading it by path, its export directory, and the
// UTF-8/UTF-16 conversions at lumicall's edges.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace lumi::call {

std::wstring Widened(std::string_view utf8);
std::string Narrowed(std::wstring_view utf16);

// The system's words for a Windows error code, without the trailing newline.
std::string WindowsErrorText(DWORD error);

// lumivextaran.dll in lumicall.exe's own directory.
std::string DefaultLibraryPath();

struct Library {
    HMODULE module = nullptr;
    std::string path;

    // Null, and the reason, when it does not load.
    static Library Load(const std::string& path, std::string& whyNot);

    std::string FileName() const;
    const void* Export(std::string_view code) const;  // by catalogue code
    std::vector<std::string> ExportNames() const;    // every name in the export directory
    std::string DirectoryName() const;               // the name the export directory gives
};

}  // namespace lumi::call
