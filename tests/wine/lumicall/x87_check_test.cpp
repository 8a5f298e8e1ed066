// The x87 self-test: this machine passes it, and a machine that computes
// otherwise is named by the case it gets wrong.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tools/lumicall/worker/machine.h"
#include "tools/lumicall/judging/x87_check.h"

namespace lumi::call {
namespace {

std::vector<X87Bits> AnswersHere() {
    std::vector<X87Bits> answers;
    for (const X87Case& check : X87Cases()) answers.push_back(RunX87Case(check));
    return answers;
}

// The index of the case with this word, step and store.
std::size_t CaseIndex(std::uint16_t word, X87Step step, X87Store store) {
    for (std::size_t i = 0; i < X87Cases().size(); ++i) {
        const X87Case& check = X87Cases()[i];
        if (check.controlWord == word && check.step == step && check.store == store) return i;
    }
    ADD_FAILURE() << "no such case";
    return 0;
}

TEST(X87Check, ThisMachinePassesAndKeepsItsControlWord) {
    const std::uint16_t before = ControlWordNow();
    const MachineCheck machine = CheckThisMachine();
    EXPECT_TRUE(machine.Sound()) << machine.miss;
    EXPECT_EQ(ControlWordNow(), before);
    EXPECT_EQ(MachineFirstWords(machine), "");
}

TEST(X87Check, CoversEveryPrecisionAndRounding) {
    std::set<std::uint16_t> words;
    for (const X87Case& check : X87Cases()) words.insert(check.controlWord & 0x0F00);
    EXPECT_EQ(words.size(), 12u);
}

// Wrong machines, each by one answer: what it got and the words that must name it.
TEST(X87Check, AWrongAnswerIsNamed) {
    struct Fault {
        std::uint16_t word;
        X87Step step;
        X87Store store;
        X87Bits got;
        const char* named;
    };
    const Fault faults[] = {
        // A double loaded under single precision rounded to 24 bits, as an emulator did.
        {0x007F, X87Step::Load, X87Store::Double, {0, 0x3FB99999A0000000},
         "0.1 loaded under 007F, stored as a double: expected 3FB999999999999A (0.1), got 3FB99999A0000000 (0.10000000149011612)"},
        // The rounding field ignored: down answered as to nearest.
        {0x047F, X87Step::Divide, X87Store::Extended, {0x3FFD, 0xAAAAAB0000000000},
         "1 / 3 under 047F, stored as an extended: expected 3FFD AAAAAA0000000000, got 3FFD AAAAAB0000000000"},
        // The precision field ignored: a sum kept to 64 bits under 53.
        {0x027F, X87Step::Add, X87Store::Extended, {0x3FFF, 0x8000000000000008},
         "1 + 8.673617379884035e-19 under 027F"},
        // Stored once from 64 bits, not twice: the product of the double rounding.
        {0x037F, X87Step::Multiply, X87Store::Double, {0, 0x3FFD6623BB50834D}, "under 037F, stored as a double"},
    };
    for (const Fault& fault : faults) {
        std::vector<X87Bits> answers = AnswersHere();
        answers[CaseIndex(fault.word, fault.step, fault.store)] = fault.got;
        const MachineCheck machine{FirstX87Miss(X87Cases(), answers)};
        EXPECT_FALSE(machine.Sound());
        EXPECT_NE(machine.miss.find(fault.named), std::string::npos) << machine.miss;
        EXPECT_EQ(MachineFirstWords(machine).rfind("this machine's x87 does not compute as the hardware does: ", 0), 0u);
    }
    const std::vector<X87Bits> none;
    EXPECT_NE(FirstX87Miss(X87Cases(), none).find(": no answer"), std::string::npos);
}

}  // namespace
}  // namespace lumi::call
