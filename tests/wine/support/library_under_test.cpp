#include "tests/wine/support/library_under_test.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace lumi::test {

std::string LibraryPath() {
    const char* path = std::getenv("LUMIVEXTARAN_DLL");
    return path != nullptr && *path != '\0' ? path : "lumivextaran.dll";
}

HMODULE Library() {
    static HMODULE module = [] {
        HMODULE loaded = LoadLibraryA(LibraryPath().c_str());
        if (loaded == nullptr) throw std::runtime_error("cannot load " + LibraryPath());
        return loaded;
    }();
    return module;
}

const void* ExportAddress(HMODULE module, std::string_view code) {
    const std::string name = std::string(kExportPrefix) + std::string(code);
    return reinterpret_cast<const void*>(GetProcAddress(module, name.c_str()));
}

const void* ExportAddress(std::string_view code) { return ExportAddress(Library(), code); }

Slots::Slots(int count, std::uint32_t decoy) : count(count) {
    for (auto& w : word) w = decoy;
}

Slots& Slots::Word(int k, std::uint32_t value) {
    word[k] = value;
    return *this;
}

Slots& Slots::Double(int k, double value) {
    const std::uint64_t bits = Bits(value);
    word[k] = static_cast<std::uint32_t>(bits);
    word[k + 1] = static_cast<std::uint32_t>(bits >> 32);
    return *this;
}

Slots& Slots::Text(int k, const char16_t* text) {
    word[k] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
    return *this;
}

CallRecord Call(std::string_view code, const Slots& slots, std::uint16_t controlWord, int preloaded) {
    const void* function = ExportAddress(code);
    if (function == nullptr) throw std::runtime_error("no export " + std::string(code));
    CallRecord record;
    record.controlWord = controlWord;
    record.preloaded = preloaded;
    SlotCall(function, slots.word, slots.count, &record);
    return record;
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }
double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

std::u16string TextAt(std::uint32_t pointer) {
    return pointer == 0 ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(pointer));
}

}  // namespace lumi::test
