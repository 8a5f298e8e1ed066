#include "tests/wine/support/decoys.h"

#include <sstream>

namespace lumi::test {
namespace {

constexpr DecoyPattern kDecoys[] = {
    {"zero", 0, 0},
    {"all ones", 0xFFFFFFFF, 0xFFFFFFFF},
    {"signalling NaN, low word in even slots", 0x00000001, 0x7FF00001},
    {"signalling NaN, low word in odd slots", 0x7FF00001, 0x00000001},
    {"negative signalling NaN", 0x00000001, 0xFFF00001},
    {"digits-like counts", 5, 9},
    {"unmapped pointer", 0xDEADBEEF, 0xDEADBEEF},
    {"pointer into the null page", 0x00000010, 0x00000010},
    {"pointer at the top of the address space", 0xFFFFFFF0, 0xFFFFFFF0},
};

}  // namespace

std::span<const DecoyPattern> Decoys() { return kDecoys; }

std::string Hex(std::uint64_t value) {
    std::ostringstream out;
    out << std::hex << std::uppercase << value;
    return out.str();
}

std::string Units(const std::u16string& text) {
    std::string out = "\"";
    for (char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F) out += static_cast<char>(unit);
        else out += "\\u" + Hex(unit);
    }
    return out + "\"";
}

}  // namespace lumi::test
