// Substring search through its two rows: the whole text is searched (start
// 0), null texts are never read, and no read goes past a terminating unit.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/formatting/formatting_rows.h"

namespace lumi::test {
namespace {

const char16_t* const kUnmapped = reinterpret_cast<const char16_t*>(std::uintptr_t{0xDEADBEEF});
constexpr DecoyPattern kUnmappedDecoys{"unmapped pointer", 0xDEADBEEF, 0xDEADBEEF};

struct SearchCase {
    const char16_t* text;
    const char16_t* pattern;
    std::int32_t position;
};

const SearchCase kSearchCases[] = {
    {u"abcabc", u"bc", 1},
    {u"abcabc", u"c", 2},
    {u"abcabc", u"abcabc", 0},
    {u"aab", u"ab", 1},
    {u"abab", u"bab", 1},
    {u"abcabc", u"x", -1},
    {u"abcabc", u"abcabcd", -1},
    {u"a", u"A", -1},
    {u"x\U0001F600y", u"y", 3},  // positions count code units
    {u"abcabc", u"", 0},
    {u"", u"", -1},
    {u"", u"a", -1},
    {u"abc", nullptr, -1},
    {nullptr, u"a", -1},
    {nullptr, nullptr, -1},
    // An empty or null text gives -1 before the pattern is looked at.
    {nullptr, kUnmapped, -1},
    {u"", kUnmapped, -1},
};

std::int32_t PositionOf(const FormattingRow& row, const char16_t* text, const char16_t* pattern,
                        const DecoyPattern& decoy) {
    RowInputs inputs;
    inputs.text = text;
    inputs.pattern = pattern;
    return OutcomeOf(row, CallRow(row, PlaceInputs(row, inputs, decoy, MinimalPush(row)))).integer;
}

std::string Shown(const char16_t* text) {
    if (text == nullptr) return "null";
    if (text == kUnmapped) return "unmapped";
    return Units(text);
}

TEST(Search, EveryRowFindsThePatternInTheWholeText) {
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::Search)) {
        for (const SearchCase& c : kSearchCases) {
            for (const DecoyPattern& decoy : Decoys()) {
                const std::int32_t position = PositionOf(row, c.text, c.pattern, decoy);
                if (position != c.position)
                    faults.push_back(std::string(row.code) + " finding " + Shown(c.pattern) + " in " + Shown(c.text) +
                                     " (decoys " + decoy.name + "): " + std::to_string(position) + ", want " +
                                     std::to_string(c.position));
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

// Texts placed so that their terminating unit is the last one before a page
// that may not be read: a search that looks past it faults.
class GuardedPage {
public:
    GuardedPage() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        base_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base_ != nullptr) VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~GuardedPage() {
        if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;

    bool Ready() const { return base_ != nullptr; }

    // A copy of `text` that ends right at the guard, or `gap` bytes before it
    // (an odd gap leaves the units at odd addresses, as a host may pass them).
    const char16_t* AtEnd(std::u16string_view text, std::size_t gap = 0) {
        const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
        char16_t* copy = reinterpret_cast<char16_t*>(base_ + page_ - bytes - gap);
        std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
        copy[text.size()] = 0;
        return copy;
    }

private:
    std::size_t page_ = 0;
    char* base_ = nullptr;
};

struct GuardedCase {
    bool textAtGuard;  // else the pattern ends at the guard
    std::u16string_view text, pattern;
    std::int32_t position;
};

constexpr GuardedCase kGuardedCases[] = {
    {true, u"ab", u"abc", -1},
    {true, u"ab", u"b", 1},
    {true, u"abab", u"bab", 1},
    {true, u"abc", u"c", 2},
    {false, u"abd", u"abc", -1},
    {false, u"ab", u"abc", -1},
    {false, u"xabc", u"abc", 1},
};

TEST(Search, NoReadPassesATerminatingUnit) {
    GuardedPage guarded;
    ASSERT_TRUE(guarded.Ready());
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::Search)) {
        for (const GuardedCase& c : kGuardedCases) {
            const std::u16string elsewhere(c.textAtGuard ? c.pattern : c.text);
            const char16_t* atGuard = guarded.AtEnd(c.textAtGuard ? c.text : c.pattern);
            const char16_t* text = c.textAtGuard ? atGuard : elsewhere.c_str();
            const char16_t* pattern = c.textAtGuard ? elsewhere.c_str() : atGuard;
            const std::int32_t position = PositionOf(row, text, pattern, kUnmappedDecoys);
            if (position != c.position)
                faults.push_back(std::string(row.code) + " finding " + Units(pattern) + " in " + Units(text) + ": " +
                                 std::to_string(position) + ", want " + std::to_string(c.position));
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

// Every length of text, so every alignment of its units against the 16-byte
// blocks a wide scan reads, with the match at the very end or nowhere.
TEST(Search, EveryLengthAndAlignmentAtTheGuard) {
    GuardedPage guarded;
    ASSERT_TRUE(guarded.Ready());
    std::vector<std::string> faults;
    for (const FormattingRow& row : RowsOf(Group::Search)) {
        for (std::size_t length = 1; length <= 40; ++length) {
            std::u16string text;
            for (std::size_t i = 0; i < length; ++i) text += static_cast<char16_t>(u'a' + i % 3);
            const std::u16string patterns[] = {text.substr(length - std::min<std::size_t>(length, 10)), u"ac", u"cb"};
            for (const std::u16string& pattern : patterns) {
                const std::size_t at = text.find(pattern);
                const std::int32_t want = at == std::u16string::npos ? -1 : static_cast<std::int32_t>(at);
                for (const std::size_t gap : {0, 1}) {
                    const std::int32_t position = PositionOf(row, guarded.AtEnd(text, gap), pattern.c_str(),
                                                             kUnmappedDecoys);
                    if (position != want)
                        faults.push_back(std::string(row.code) + " finding " + Units(pattern.c_str()) + " in " +
                                         Units(text.c_str()) + " (gap " + std::to_string(gap) + "): " +
                                         std::to_string(position) + ", want " + std::to_string(want));
                }
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << Listed(faults);
}

}  // namespace
}  // namespace lumi::test
