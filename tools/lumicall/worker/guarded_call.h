// Running code of a DLL under test so that a fault in it (an access
// violation, an unmasked floating-point exception, an illegal instruction)
// becomes a report instead of the end of lumicall.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumi::call {

struct Fault {
    std::uint32_t code = 0;       // the Windows exception code
    std::uint32_t address = 0;    // where it happened
    std::int32_t access = -1;     // access violation: 0 read, 1 write, 8 execute
    std::uint32_t target = 0;     // access violation: the address touched

    std::string Words() const;
    bool FloatingPoint() const;  // an x87 exception the control word had unmasked
};

// Runs work(context); returns the fault that stopped it, if one did. The x87
// unit is reset and the caller's control word restored after a fault.
std::optional<Fault> RunGuarded(void (*work)(void*), void* context);

template <class Work>
std::optional<Fault> Guarded(Work&& work) {
    return RunGuarded([](void* context) { (*static_cast<Work*>(context))(); }, &work);
}

}  // namespace lumi::call
