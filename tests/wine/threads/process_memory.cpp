#include "tests/wine/threads/process_memory.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <sstream>
#include <vector>

namespace lumi::test {
namespace {

std::ptrdiff_t HeapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    std::ptrdiff_t total = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heap);
    }
    return total;
}

std::ptrdiff_t PagefileBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<std::ptrdiff_t>(counters.PagefileUsage);
}

std::ptrdiff_t PrivateCommittedBytes() {
    std::ptrdiff_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    std::uintptr_t address = 0;
    while (VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const std::uintptr_t next = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;  // wrapped at the top of the address space
        address = next;
    }
    return total;
}

}  // namespace

MemoryUse MeasureMemory() { return {HeapBytesInUse(), PagefileBytes(), PrivateCommittedBytes()}; }

MemoryUse operator-(const MemoryUse& after, const MemoryUse& before) {
    return {after.heapBytes - before.heapBytes, after.pagefileBytes - before.pagefileBytes,
            after.privateCommittedBytes - before.privateCommittedBytes};
}

std::string GrowthBeyond(const MemoryUse& growth, std::ptrdiff_t tolerance) {
    std::ostringstream out;
    if (growth.heapBytes >= tolerance) out << "heap in use grew by " << growth.heapBytes << " bytes; ";
    if (growth.pagefileBytes >= tolerance) out << "pagefile usage grew by " << growth.pagefileBytes << " bytes; ";
    if (growth.privateCommittedBytes >= tolerance)
        out << "private committed memory grew by " << growth.privateCommittedBytes << " bytes; ";
    return out.str();
}

}  // namespace lumi::test
