// How much memory the process holds, three ways: the bytes in use on all of
// its heaps (exact, HeapWalk), its pagefile-backed usage as the system
// reports it (GetProcessMemoryInfo; Wine reports no PrivateUsage), and the
// private committed pages of its address space (VirtualQuery).
#pragma once

#include <cstddef>
#include <string>

namespace lumi::test {

struct MemoryUse {
    std::ptrdiff_t heapBytes = 0;
    std::ptrdiff_t pagefileBytes = 0;
    std::ptrdiff_t privateCommittedBytes = 0;
};

// Call with no other thread of the test running.
MemoryUse MeasureMemory();

MemoryUse operator-(const MemoryUse& after, const MemoryUse& before);

// Empty when every measure grew by less than `tolerance` bytes.
std::string GrowthBeyond(const MemoryUse& growth, std::ptrdiff_t tolerance);

}  // namespace lumi::test
