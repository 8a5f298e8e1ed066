// The library takes the loading thread's x87 control word as it finds it:
// loading, calling and unloading leave the word alone. This program loads
// the DLL itself (and nothing else does), so each load here is a first load.
#include <gtest/gtest.h>

#include <windows.h>

#include <bit>
#include <cstdint>
#include <string>

#include "tools/models/arithmetic_reference.h"
#include "tests/wine/abi/row_model.h"

namespace lumi::test {
namespace {

std::uint16_t ControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word) : : "memory");
    return word;
}

void SetControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word) : "memory"); }

struct Precision {
    const char* name;
    std::uint16_t controlWord;
};

constexpr Precision kWords[] = {
    {"double precision, to nearest", 0x027F},
    {"extended, toward zero", 0x0F7F},
    {"single precision, to nearest", 0x007F},
    {"extended, downward", 0x077F},
    {"double precision, upward", 0x0A7F},
    {"extended, to nearest", 0x037F},
};

using Quotient = double(__stdcall*)(double, double, double);  // i11iI1i1I1: slots 0-1 / slots 2-3

TEST(ControlWordAcrossLoad, LoadCallAndUnloadKeepTheCallersWord) {
    const std::uint16_t saved = ControlWord();
    const ArithmeticRow& quotientModel = *FindArithmeticRow("i11iI1i1I1");
    const ExportEntry& textRow = Row("iI11IIii1I");  // "Arial Bold", 3 slots
    for (const Precision& precision : kWords) {
        SCOPED_TRACE(precision.name);
        const std::uint16_t word = precision.controlWord;
        SetControlWord(word);
        HMODULE module = LoadLibraryUnderTest();
        const std::uint16_t afterLoad = ControlWord();
        SetControlWord(saved);
        ASSERT_NE(module, nullptr) << LibraryPath();
        EXPECT_EQ(Hex(afterLoad), Hex(word)) << "loading changed the control word";

        // A host's own typed call: two thirds, rounded as this word says.
        const auto quotient = reinterpret_cast<Quotient>(
            reinterpret_cast<void*>(GetProcAddress(module, (std::string(kExportPrefix) + "i11iI1i1I1").c_str())));
        ASSERT_NE(quotient, nullptr);
        SetControlWord(word);
        volatile double twoThirds = quotient(2.0, 3.0, 0.0);
        const std::uint16_t afterCall = ControlWord();
        SetControlWord(saved);
        EXPECT_EQ(Hex(afterCall), Hex(word)) << "a call changed the control word";
        const std::uint32_t operands[] = {0, 0x40000000, 0, 0x40080000, 0, 0};  // 2.0, 3.0, 0.0
        EXPECT_EQ(Hex(std::bit_cast<std::uint64_t>(double(twoThirds))),
                  Hex(ReferenceDoubleBits(quotientModel, operands, word)));

        const auto text = reinterpret_cast<const void*>(
            GetProcAddress(module, (std::string(kExportPrefix) + std::string(textRow.code)).c_str()));
        ASSERT_NE(text, nullptr);
        const CallRecord record = CallAt(text, Slots(textRow.slots), word);
        EXPECT_EQ(ContractFault(textRow, record), "");
        EXPECT_EQ(TextAt(record.eax), u"Arial Bold");

        SetControlWord(word);
        const BOOL freed = FreeLibrary(module);
        const std::uint16_t afterUnload = ControlWord();
        SetControlWord(saved);
        EXPECT_TRUE(freed);
        EXPECT_EQ(Hex(afterUnload), Hex(word)) << "unloading changed the control word";
        EXPECT_EQ(GetModuleHandleA("lumivextaran.dll"), nullptr) << "still loaded: the next load is not a first load";
    }
}

}  // namespace
}  // namespace lumi::test
