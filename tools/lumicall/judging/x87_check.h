// A short check of this machine's x87 that needs no DLL: loads, stores and
// arithmetic under each precision and rounding, whose answers follow from
// the hardware's rules. A machine that fails it (an emulator that rounds a
// double as it loads it under single precision, say) makes any DLL look
// wrong, so lumicall names the machine first and holds none of what it
// then sees against the DLL.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lumi::call {

enum class X87Step : std::uint8_t { Load, Divide, Add, Multiply };  // a alone, or a op b
enum class X87Store : std::uint8_t { Double, Extended };           // how the result leaves the register

// A stored result: an extended's sign and exponent (high) and significand
// (low); a double's bits in low, high 0.
struct X87Bits {
    std::uint16_t high = 0;
    std::uint64_t low = 0;
    bool operator==(const X87Bits&) const = default;
};

struct X87Case {
    std::uint16_t controlWord;  // every exception masked
    X87Step step;
    std::uint64_t a, b;  // doubles' bits
    X87Store store;
    X87Bits expected;
};

std::span<const X87Case> X87Cases();

// The case computed on this thread's x87; its control word is restored.
X87Bits RunX87Case(const X87Case& check);

// "1 / 3 under 007F (24-bit, to nearest), stored as an extended: expected
// ..., got ...": the first case whose answer is not the expected one;
// empty when every one holds.
std::string FirstX87Miss(std::span<const X87Case> cases, std::span<const X87Bits> answers);

constexpr std::string_view kMachineFaultWords = "this machine's x87 does not compute as the hardware does";

// The self-test run here: empty when the machine passes, else the miss.
struct MachineCheck {
    std::string miss;
    bool Sound() const { return miss.empty(); }
    // kMachineFaultWords and the case that failed, for the first line of a command.
    std::string FaultLine() const;
};
MachineCheck CheckThisMachine();

// The words the commands share: the line said before anything else when
// the machine fails (empty when it passes), the summary line's text, and
// the verdict on `what` was seen there ("12 failures of lumivextaran.dll").
std::string MachineFirstWords(const MachineCheck& machine);
std::string MachineWords(const MachineCheck& machine);
std::string MachineVerdict(const std::string& what);

}  // namespace lumi::call
