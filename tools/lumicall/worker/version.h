// Versions: lumicall's own, and the one a loaded DLL's VERSIONINFO resource gives.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumi::call {

// The version lumicall was built as ("1.0.0").
std::string_view OwnVersion();

// The file version in `module`'s VERSIONINFO resource ("1.0.0"; a fourth
// part only when it is not 0), or empty when the module has none.
std::string ModuleVersion(HMODULE module);

// Whether `module` is the tracing build: its FileDescription says so.
inline constexpr std::u16string_view kTracingBuildMarker = u"tracing build";
bool IsTracingBuild(HMODULE module);
// The same of the DLL file at `path`, read as data (none of its code run).
bool FileIsTracingBuild(const std::string& path);

}  // namespace lumi::call
