// Text-building exports called straight through typed pointers, for tests
// that call them on many threads or across loads, and a module handle owned
// by one test, so that freeing it really unloads the library.
#pragma once

#include <windows.h>

#include <bit>
#include <cstdint>
#include <string>

#include "tests/wine/support/library_under_test.h"

namespace lumi::test {

// Loaded at construction, freed at destruction or by Free(). The shared
// Library() must not be in use in the same program, or it keeps the DLL
// loaded through every Free().
class OwnedLibrary {
public:
    OwnedLibrary() : module_(LoadLibraryUnderTest()) {}
    ~OwnedLibrary() { Free(); }
    OwnedLibrary(const OwnedLibrary&) = delete;
    OwnedLibrary& operator=(const OwnedLibrary&) = delete;

    HMODULE get() const { return module_; }
    void Free() {
        if (module_ != nullptr) FreeLibrary(module_);
        module_ = nullptr;
    }

private:
    HMODULE module_;
};

// Whether the library is mapped in this process at all.
inline bool LibraryIsMapped() {
    const std::string path = LibraryPath();
    const std::string file = path.substr(path.find_last_of("/\\") + 1);
    return GetModuleHandleA(file.c_str()) != nullptr;
}

// One callee-pops and one caller-pops number-to-text row, and two
// time-to-text rows, looked up in one module.
class TextExports {
public:
    explicit TextExports(HMODULE module)
        : calleePopsNumber_(Find<CalleePopsNumber>(module, "Ii1IiI1III")),
          callerPopsNumber_(Find<CallerPopsNumber>(module, "IIIiIiiiiI")),
          dateTimeSeconds_(Find<TimeOfSlot0>(module, "I1IIiii11I")),
          clock_(Find<TimeOfSlot0>(module, "iII1IIiI1i")) {}

    bool Complete() const {
        return calleePopsNumber_ != nullptr && callerPopsNumber_ != nullptr && dateTimeSeconds_ != nullptr &&
               clock_ != nullptr;
    }

    // Ii1IiI1III: 8 slots, value in slots 0-1, digits in slot 4.
    const char16_t* NumberByCalleePops(double value, std::int32_t digits) const {
        const auto [low, high] = Words(value);
        return calleePopsNumber_(low, high, kDecoy, kDecoy, static_cast<std::uint32_t>(digits), kDecoy, kDecoy, kDecoy);
    }
    // IIIiIiiiiI: value in slots 1-2, digits in slot 6.
    const char16_t* NumberByCallerPops(double value, std::int32_t digits) const {
        const auto [low, high] = Words(value);
        return callerPopsNumber_(kDecoy, low, high, kDecoy, kDecoy, kDecoy, static_cast<std::uint32_t>(digits));
    }
    // I1IIiii11I: "yyyy.mm.dd h:n:s" of slot 0.
    const char16_t* DateTimeSeconds(std::int32_t time) const {
        return dateTimeSeconds_(static_cast<std::uint32_t>(time), kDecoy);
    }
    // iII1IIiI1i: "h:n" of slot 0.
    const char16_t* Clock(std::int32_t time) const { return clock_(static_cast<std::uint32_t>(time), kDecoy); }

private:
    using CalleePopsNumber = const char16_t*(__stdcall*)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                         std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t);
    using CallerPopsNumber = const char16_t*(__cdecl*)(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                                                       std::uint32_t, std::uint32_t, std::uint32_t);
    using TimeOfSlot0 = const char16_t*(__cdecl*)(std::uint32_t, std::uint32_t);

    static constexpr std::uint32_t kDecoy = 0xDEADBEEF;

    template <class Function>
    static Function Find(HMODULE module, std::string_view code) {
        return module == nullptr ? nullptr : reinterpret_cast<Function>(ExportAddress(module, code));
    }

    struct WordPair {
        std::uint32_t low, high;
    };
    static WordPair Words(double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        return {static_cast<std::uint32_t>(bits), static_cast<std::uint32_t>(bits >> 32)};
    }

    CalleePopsNumber calleePopsNumber_;
    CallerPopsNumber callerPopsNumber_;
    TimeOfSlot0 dateTimeSeconds_;
    TimeOfSlot0 clock_;
};

// The separators a loaded library uses, read back from its own texts:
// 1.5 with 1 decimal and time 0 by "h:n" put one between two digits.
struct Separators {
    char16_t decimal;
    char16_t time;
};

inline Separators SeparatorsOf(const TextExports& exports) {
    return {exports.NumberByCalleePops(1.5, 1)[1], exports.Clock(0)[1]};
}

}  // namespace lumi::test
