// What lumicall takes from the system at its edges: UTF-8/UTF-16
// conversions, the system's words for an error, and where the DLL is by default.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumi::call {

std::wstring Widened(std::string_view utf8);
std::string Narrowed(std::wstring_view utf16);

// The system's words for a Windows error code, without the trailing newline.
std::string WindowsErrorText(DWORD error);

// lumivextaran.dll in lumicall.exe's own directory.
std::string DefaultLibraryPath();

}  // namespace lumi::call
