// Built texts without a ring of the thread's own: a host that took every
// TLS index before the load, and a heap with no room for a thread's ring
// (a build of the library whose ring allocation always fails). The library
// loads, and callers that keep to one thread at a time get every text right
// from the one shared ring.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <sstream>

#include "boundary/built_text.h"
#include "tests/wine/support/text_exports.h"
#include "tests/wine/threads/text_workload.h"
#include "tests/wine/threads/thread_helpers.h"

namespace lumi::test {
namespace {

constexpr std::int64_t kCallsPerThread = 1000;
constexpr int kThreads = 2;

// The workload on two threads, one after the other, and the buffers each
// thread's last kBuiltTextRing texts came in.
void ExpectTextsRightOnThreadsInTurn(HMODULE module) {
    const TextExports exports(module);
    ASSERT_TRUE(exports.Complete());
    const Separators separators = SeparatorsOf(exports);
    std::ostringstream faults;
    std::set<const char16_t*> buffers[kThreads];
    for (int stream = 0; stream < kThreads; ++stream) {
        ASSERT_TRUE(RunOnNewThread([&] {
            for (const std::string& fault : RunWorkload(exports, separators, stream, kCallsPerThread))
                faults << fault << '\n';
            for (std::size_t i = 0; i < kBuiltTextRing; ++i) buffers[stream].insert(exports.Clock(0));
        }));
    }
    EXPECT_EQ(faults.str(), "");
    EXPECT_EQ(buffers[0].size(), kBuiltTextRing);
    EXPECT_EQ(buffers[0], buffers[1]) << "the threads' texts are not from one shared ring";
}

TEST(SharedRing, TheLibraryLoadsAndAnswersWithEveryTlsIndexTaken) {
    const int taken = TakeEveryTlsIndex();
    ASSERT_EQ(TlsAlloc(), TLS_OUT_OF_INDEXES);
    OwnedLibrary library;
    ASSERT_NE(library.get(), nullptr) << "LoadLibrary failed, error " << GetLastError() << ", after taking "
                                      << taken << " TLS indexes";
    ExpectTextsRightOnThreadsInTurn(library.get());
    library.Free();
    EXPECT_FALSE(LibraryIsMapped());
}

// Run against the build whose ring allocation fails.
TEST(SharedRing, TextsComeFromTheSharedRingWhenTheHeapHasNoRoom) {
    OwnedLibrary library;
    ASSERT_NE(library.get(), nullptr);
    ExpectTextsRightOnThreadsInTurn(library.get());
}

}  // namespace
}  // namespace lumi::test
