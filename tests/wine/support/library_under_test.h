// The built DLL, loaded once per test program, and calls into it by code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "tools/lumicall/worker/guarded_call.h"
#include "tools/slotcall/slot_call.h"

namespace lumi::test {

// Path of the DLL under test: $LUMIVEXTARAN_DLL, else lumivextaran.dll.
std::string LibraryPath();

// $LUMI_TEST_LOAD names the host state a test program loads the DLL in,
// so that the same tests run there:
//   away_from_base  its preferred base (from the file's PE header) is
//                   reserved first, so it must be relocated;
//   no_tls_index    the program has taken every TLS index first.
// Unset or empty: an ordinary load. Throws on an unknown name.
enum class LoadState { Ordinary, AwayFromBase, NoTlsIndex };
LoadState RequestedLoadState();

// The DLL loaded in the requested state, or null; every load of a program
// goes through here. Throws when the state cannot be made, or when a load
// away from the base lands on it.
HMODULE LoadLibraryUnderTest();

// The image base in the PE header of the file at `path`, and its size.
struct PreferredPlace {
    std::uintptr_t base;
    std::uint32_t size;
};
PreferredPlace PreferredPlaceOf(const std::string& path);

// Takes TLS indexes until TlsAlloc fails, for the rest of the program;
// answers how many it took.
int TakeEveryTlsIndex();

// The DLL loaded for the whole program (loaded on first use).
HMODULE Library();

// The export of `code` in `module`, or null.
const void* ExportAddress(HMODULE module, std::string_view code);
const void* ExportAddress(std::string_view code);

// Slots for a call, filled with `decoy` and then given values.
struct Slots {
    std::uint32_t word[kMaxPushedSlots];
    int count;

    explicit Slots(int count, std::uint32_t decoy = 0);
    Slots& Word(int k, std::uint32_t value);
    Slots& Double(int k, double value);
    // A double given by its bits: a signalling NaN stays signalling (passing
    // a double by value may go through the x87 stack, which quiets it).
    Slots& DoubleBits(int k, std::uint64_t bits);
    Slots& Text(int k, const char16_t* text);
};

// Calls the export of `code` with the given slots under `controlWord`.
// Under a word that unmasks x87 exceptions, one that traps throws, naming
// the export, the slots and the word, instead of ending the program.
CallRecord Call(std::string_view code, const Slots& slots, std::uint16_t controlWord = 0x037F,
                int preloaded = 0);

// The same call through an address already looked up (no name lookup per call).
CallRecord CallAt(const void* function, const Slots& slots, std::uint16_t controlWord = 0x037F,
                  int preloaded = 0);

// A call with an exception that traps caught and kept. The guard serves
// one thread at a time.
struct GuardedCall {
    CallRecord record;                   // means nothing when `trapped`
    std::optional<call::Fault> trapped;  // an access violation too

    // What went off, in words: the exception that trapped, or those left
    // pending that the control word unmasks; empty when none.
    std::string Raised() const;
};
GuardedCall CallGuardedAt(const void* function, const Slots& slots, std::uint16_t controlWord, int preloaded = 0);

// "0=3FF80000 1=00000000 ...": the words pushed.
std::string PushedWords(const Slots& slots);

// The bits of the double an export left in ST(0), when the 80-bit value there
// is exactly a double (NaNs included, payload kept); empty otherwise.
std::optional<std::uint64_t> ResultDoubleBits(const CallRecord& record);

std::uint64_t Bits(double value);
double FromBits(std::uint64_t bits);
std::u16string TextAt(std::uint32_t pointer);

}  // namespace lumi::test
