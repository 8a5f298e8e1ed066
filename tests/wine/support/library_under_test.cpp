#include "tests/wine/support/library_under_test.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "tests/wine/support/decoys.h"

namespace lumi::test {

std::string LibraryPath() {
    const char* path = std::getenv("LUMIVEXTARAN_DLL");
    return path != nullptr && *path != '\0' ? path : "lumivextaran.dll";
}

LoadState RequestedLoadState() {
    const struct {
        std::string_view name;
        LoadState state;
    } kStates[] = {
        {"", LoadState::Ordinary},
        {"away_from_base", LoadState::AwayFromBase},
        {"no_tls_index", LoadState::NoTlsIndex},
    };
    const char* requested = std::getenv("LUMI_TEST_LOAD");
    const std::string_view name = requested == nullptr ? "" : requested;
    for (const auto& known : kStates)
        if (known.name == name) return known.state;
    throw std::runtime_error("LUMI_TEST_LOAD=" + std::string(name) + " names no load state");
}

PreferredPlace PreferredPlaceOf(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    auto read = [&](LONG offset, void* into, DWORD bytes) {
        DWORD got = 0;
        return SetFilePointer(file, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
               ReadFile(file, into, bytes, &got, nullptr) && got == bytes;
    };
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 headers{};
    const bool complete = read(0, &dos, sizeof dos) && read(dos.e_lfanew, &headers, sizeof headers);
    CloseHandle(file);
    if (!complete || headers.Signature != IMAGE_NT_SIGNATURE) throw std::runtime_error(path + " has no PE header");
    return {headers.OptionalHeader.ImageBase, headers.OptionalHeader.SizeOfImage};
}

int TakeEveryTlsIndex() {
    int taken = 0;
    while (TlsAlloc() != TLS_OUT_OF_INDEXES) ++taken;
    return taken;
}

HMODULE LoadLibraryUnderTest() {
    const LoadState state = RequestedLoadState();
    const std::string path = LibraryPath();
    static const PreferredPlace reserved = [&]() -> PreferredPlace {
        if (state == LoadState::NoTlsIndex) TakeEveryTlsIndex();
        if (state != LoadState::AwayFromBase) return {};
        // Kept for the whole program: every load and reload must move.
        const PreferredPlace place = PreferredPlaceOf(path);
        VirtualAlloc(reinterpret_cast<void*>(place.base), place.size, MEM_RESERVE, PAGE_NOACCESS);
        return place;
    }();
    HMODULE module = LoadLibraryA(path.c_str());
    if (module != nullptr && state == LoadState::AwayFromBase &&
        reinterpret_cast<std::uintptr_t>(module) == reserved.base)
        throw std::runtime_error(path + " loaded at its preferred base, which was reserved");
    return module;
}

HMODULE Library() {
    static HMODULE module = [] {
        HMODULE loaded = LoadLibraryUnderTest();
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

Slots& Slots::Double(int k, double value) { return DoubleBits(k, Bits(value)); }

Slots& Slots::DoubleBits(int k, std::uint64_t bits) {
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
    return CallAt(function, slots, controlWord, preloaded);
}

namespace {

CallRecord RecordFor(std::uint16_t controlWord, int preloaded) {
    CallRecord record;
    record.controlWord = controlWord;
    record.preloaded = preloaded;
    return record;
}

std::string CodeAt(const void* function) {
    for (const ExportEntry& entry : Catalogue())
        if (ExportAddress(entry.code) == function) return std::string(entry.code);
    return "(no export)";
}

}  // namespace

CallRecord CallAt(const void* function, const Slots& slots, std::uint16_t controlWord, int preloaded) {
    if (UnmasksAnyException(controlWord)) {
        const GuardedCall call = CallGuardedAt(function, slots, controlWord, preloaded);
        if (call.trapped)
            throw std::runtime_error(CodeAt(function) + " with slots " + PushedWords(slots) + " under control word " +
                                     Hex(controlWord) + ": " + call.trapped->Words());
        return call.record;
    }
    CallRecord record = RecordFor(controlWord, preloaded);
    SlotCall(function, slots.word, slots.count, &record);
    return record;
}

GuardedCall CallGuardedAt(const void* function, const Slots& slots, std::uint16_t controlWord, int preloaded) {
    GuardedCall call{RecordFor(controlWord, preloaded), std::nullopt};
    call.trapped = call::Guarded([&] { SlotCall(function, slots.word, slots.count, &call.record); });
    return call;
}

std::string GuardedCall::Raised() const {
    if (trapped) return trapped->Words();
    const std::uint16_t pending = record.UnmaskedFlags();
    return pending == 0 ? "" : X87ExceptionWords(pending) + ", left pending";
}

std::string PushedWords(const Slots& slots) {
    std::string words;
    for (int k = 0; k < slots.count; ++k) words += (k == 0 ? "" : " ") + std::to_string(k) + "=" + Hex(slots.word[k]);
    return words;
}

std::optional<std::uint64_t> ResultDoubleBits(const CallRecord& record) {
    constexpr std::uint64_t kIntegerBit = std::uint64_t{1} << 63;
    constexpr int kDroppedBits = 11;  // 64-bit significand down to 53
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 52) - 1;
    std::uint64_t significand;
    std::uint16_t signAndExponent;
    std::memcpy(&significand, record.st0, 8);
    std::memcpy(&signAndExponent, record.st0 + 8, 2);
    const std::uint64_t sign = static_cast<std::uint64_t>(signAndExponent >> 15) << 63;
    const bool nan = (signAndExponent & 0x7FFF) == 0x7FFF && (significand & ~kIntegerBit) != 0;
    if (nan) {
        // A double NaN widens by appending zero bits to its payload.
        if ((significand & ((1u << kDroppedBits) - 1)) != 0 || (significand & kIntegerBit) == 0)
            return std::nullopt;
        return sign | std::uint64_t{0x7FF} << 52 | ((significand >> kDroppedBits) & kFraction);
    }
    const long double value = record.Result();
    const double narrowed = static_cast<double>(value);
    if (static_cast<long double>(narrowed) != value) return std::nullopt;
    if ((Bits(narrowed) >> 63) != (sign >> 63)) return std::nullopt;
    return Bits(narrowed);
}

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }
double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

std::u16string TextAt(std::uint32_t pointer) {
    return pointer == 0 ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(pointer));
}

}  // namespace lumi::test
