// Whether a file can be the 32-bit DLL that verify loads, checked before and
// after the system loads it, so that a truncated, damaged or foreign file
// gets a clear reason instead of a load error code or a fault in lumicall.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumi::call {

// Empty when the headers describe a whole 32-bit x86 DLL whose sections and
// export directory lie within the file and the image; else why not.
std::string ImageProblem(std::span<const std::uint8_t> file);

// The file laid out as the loader maps it (headers, then each section at its
// address, zeros elsewhere), SizeOfImage bytes; only for a file ImageProblem
// passes.
std::vector<std::uint8_t> MappedImage(std::span<const std::uint8_t> file);

// Empty when every table the export directory of a mapped image points to
// lies within it, so its names can be read and looked up; else why not.
std::string ExportTableProblem(std::span<const std::uint8_t> image);

// Empty when each import descriptor of a mapped image, the DLL name it
// gives and its lists of imports lie within the image; else why not. The
// system's loader follows these before any code of the DLL runs.
std::string ImportTableProblem(std::span<const std::uint8_t> image);

// The names in the export directory of a mapped image ExportTableProblem
// passes, and the library name the directory gives.
std::vector<std::string> ExportNames(std::span<const std::uint8_t> image);
std::string ExportDirectoryName(std::span<const std::uint8_t> image);

}  // namespace lumi::call
