// Whether a file can be the 32-bit DLL that verify loads, checked before and
// after the system loads it, so that a truncated, damaged or foreign file
// gets a clear reason instead of a load error code or a fault in lumicall.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

namespace lumi::call {

// Empty when the headers describe a whole 32-bit x86 DLL whose sections and
// export directory lie within the file and the image; else why not.
std::string ImageProblem(std::span<const std::uint8_t> file);

// Empty when every table the export directory of a loaded module points to
// lies within its image, so its names can be read and looked up; else why not.
std::string ExportTableProblem(HMODULE module);

}  // namespace lumi::call
