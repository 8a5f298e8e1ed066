// Many threads calling the plain families at once, each with its own
// arguments and its own control word: no call may see another's state.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/wine/abi/row_model.h"

namespace lumi::test {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 86;  // x 233 rows: about 20,000 calls per thread
constexpr std::uint16_t kControlWords[] = {0x037F, 0x027F, 0x0F7F, 0x0A7F};

struct Worker {
    int calls = 0;
    FaultLog faults;
};

// Arguments drawn per call: ordinary doubles, any bit pattern now and then,
// and the truth test's 134 often enough to matter.
InputValues RandomInputs(std::mt19937& random) {
    InputValues inputs{};
    std::uniform_real_distribution<double> ordinary(-1e6, 1e6);
    for (int i = 0; i < kMaxInputs; ++i) {
        const std::uint64_t wild = std::uint64_t{random()} << 32 | random();
        inputs.real[i] = random() % 8 == 0 ? wild : Bits(ordinary(random));
        inputs.word[i] = random() % 4 == 0 ? 134 : random();
    }
    return inputs;
}

void Work(int index, const std::vector<const ExportEntry*>& rows, const std::vector<const void*>& functions,
          const std::vector<std::uint32_t>& textPointers, Worker& worker) {
    std::mt19937 random(1000 + index);
    const std::uint16_t controlWord = kControlWords[index % std::size(kControlWords)];
    const DecoyPattern decoy{"per thread", 0xA5A50000u + index, 0x7FF00000u + index};
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const ExportEntry& row = *rows[r];
            const Slots slots = RowSlots(row, RandomInputs(random), decoy);
            const CallRecord record = CallAt(functions[r], slots, controlWord);
            std::string fault = ContractFault(row, record);
            if (row.result == ValueKind::Text) {
                if (record.eax != textPointers[r]) fault += "text pointer differs from the main thread's";
            } else {
                fault += ResultFault(record, Expected(row, slots, controlWord));
            }
            ++worker.calls;
            if (!fault.empty()) worker.faults.Note(row.code, "control word " + Hex(controlWord) + ": " + fault);
        }
    }
}

TEST(Threads, EightThreadsCallAllPlainRowsAtOnce) {
    const std::vector<const ExportEntry*> rows = PlainRows();
    std::vector<const void*> functions;
    std::vector<std::uint32_t> textPointers;
    for (const ExportEntry* row : rows) {
        functions.push_back(ExportAddress(row->code));
        ASSERT_NE(functions.back(), nullptr) << row->code;
        const CallRecord record = CallAt(functions.back(), Slots(row->slots));
        textPointers.push_back(row->result == ValueKind::Text ? record.eax : 0);
    }

    std::vector<Worker> workers(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back(Work, i, std::cref(rows), std::cref(functions), std::cref(textPointers),
                             std::ref(workers[i]));
    for (std::thread& thread : threads) thread.join();

    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(workers[i].calls, kRounds * int(rows.size()));
        EXPECT_TRUE(workers[i].faults.Empty()) << "thread " << i << ": " << workers[i].faults.Summary();
    }
}

}  // namespace
}  // namespace lumi::test
