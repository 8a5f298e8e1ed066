#include "tools/lumicall/worker/version.h"

#include <cstdint>
#include <cstring>

#include "tools/lumicall/worker/system.h"

namespace lumi::call {
namespace {

// A VERSIONINFO resource opens with its header (three 16-bit words), the key
// L"VS_VERSION_INFO" and padding to 32 bits; the fixed part follows.
constexpr std::size_t kFixedInfoOffset = 40;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

std::string Dotted(DWORD high, DWORD low) {
    std::string text = std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
                       std::to_string(HIWORD(low));
    if (LOWORD(low) != 0) text += "." + std::to_string(LOWORD(low));
    return text;
}

}  // namespace

std::string_view OwnVersion() { return LUMI_VERSION; }

std::string ModuleVersion(HMODULE module) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
    if (found == nullptr) return "";
    const HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (data == nullptr || SizeofResource(module, found) < kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO)) return "";
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, data + kFixedInfoOffset, sizeof fixed);
    if (fixed.dwSignature != kFixedInfoSignature) return "";
    return Dotted(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
}

bool IsTracingBuild(HMODULE module) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));  // RT_VERSION
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
    if (data == nullptr) return false;
    const std::u16string_view marker = kTracingBuildMarker;  // in FileDescription
    const std::string_view bytes(data, SizeofResource(module, found));
    return bytes.find(std::string_view(reinterpret_cast<const char*>(marker.data()), 2 * marker.size())) !=
           std::string_view::npos;
}

bool FileIsTracingBuild(const std::string& path) {
    // As data: its resources read, none of its code run.
    const HMODULE module = LoadLibraryExW(Widened(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return false;
    const bool tracing = IsTracingBuild(module);
    FreeLibrary(module);
    return tracing;
}

}  // namespace lumi::call
