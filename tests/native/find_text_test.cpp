#include "values/find_text.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/native/x87_test_support.h"

namespace lumi {
namespace {

TEST(FindText, PositionsFromTheStartOfTheText) {
    const struct {
        const char16_t* text;
        const char16_t* pattern;
        std::int32_t start;
        std::int32_t position;
    } cases[] = {
        {u"abcabc", u"bc", 0, 1},
        {u"abcabc", u"bc", 2, 4},
        {u"abcabc", u"bc", 5, -1},
        {u"abcabc", u"", 0, 0},
        {u"abcabc", u"", 5, 5},
        {u"abcabc", u"", 6, -1},
        {u"", u"", 0, -1},
        {u"abc", u"abc", -1, -1},
        {u"abc", u"abcd", 0, -1},
        {u"a", u"A", 0, -1},
        {u"aab", u"ab", 0, 1},
        {u"abc", u"c", 0, 2},
        {u"abc", u"abc", 0, 0},
        {u"abc", u"bc", 1, 1},
        {u"aaa", u"aaaa", 0, -1},
        {u"x\U0001F600y", u"y", 0, 3},  // a surrogate pair counts two units
        {nullptr, u"a", 0, -1},
        {nullptr, nullptr, 0, -1},
        {u"abc", nullptr, 0, -1},
        {u"abc", u"a", INT32_MIN, -1},
        {u"abc", u"a", INT32_MAX, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindText(c.text, c.pattern, c.start), c.position)
            << (c.text ? "text" : "null") << " start " << c.start;
    }
}

// Two pages, the second unreadable; a text placed to end at the first page's
// last unit makes any read past its terminator fault.
class GuardedText {
public:
    GuardedText() {
        page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        void* mapped = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::runtime_error("mmap");
        base_ = static_cast<char*>(mapped);
        if (mprotect(base_ + page_, page_, PROT_NONE) != 0) throw std::runtime_error("mprotect");
    }
    ~GuardedText() { munmap(base_, 2 * page_); }

    const char16_t* Place(const std::u16string& text) {
        char16_t* at = reinterpret_cast<char16_t*>(base_ + page_) - (text.size() + 1);
        std::memcpy(at, text.c_str(), (text.size() + 1) * sizeof(char16_t));
        return at;
    }

private:
    std::size_t page_ = 0;
    char* base_ = nullptr;
};

TEST(FindText, NeverReadsPastATerminator) {
    GuardedText textPage, patternPage;
    const struct {
        std::u16string text, pattern;
        std::int32_t start, position;
    } cases[] = {
        {u"abcabc", u"bcd", 0, -1}, {u"abcabc", u"abcabcabc", 0, -1}, {u"abcabc", u"c", 0, 2},
        {u"abcabc", u"bc", 2, 4},   {u"aaaaaa", u"aaaaaaa", 0, -1},   {u"abcabc", u"cx", 5, -1},
        {u"a", u"a", 0, 0},         {u"abcabc", u"", 3, 3},           {u"ab", u"b", 1, 1},
    };
    for (const auto& c : cases) {
        const char16_t* text = textPage.Place(c.text);
        const char16_t* pattern = patternPage.Place(c.pattern);
        EXPECT_EQ(FindText(text, pattern, c.start), c.position);
        EXPECT_EQ(SearchPattern(text + c.start, pattern) == nullptr, c.position < 0);
    }
}

TEST(FindText, StartAtOrPastTheEndReadsNoFurther) {
    GuardedText textPage, patternPage;
    const struct {
        std::u16string text;
        std::int32_t start;
    } cases[] = {
        {u"abcabc", 6}, {u"abcabc", 7}, {u"abcabc", INT32_MAX}, {u"", 0}, {u"", 1}, {u"a", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindText(textPage.Place(c.text), patternPage.Place(u"a"), c.start), -1) << c.start;
    }
}

#if defined(__i386__) || defined(__x86_64__)
// Eight units at a time or one: the same answer for every length of text,
// alignment of its units against 16-byte blocks and place of the match, with
// the text's terminator either the last unit before an unreadable page or
// followed by the pattern itself.
TEST(SearchPattern, BothScansAgreeAtEveryAlignment) {
    GuardedText page;
    const std::u16string patterns[] = {u"a", u"ab", u"ca", u"bca", u"abcabcabca", u"cc", u"abcabcabcabcabcabcab"};
    for (std::size_t length = 1; length <= 40; ++length) {
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char16_t>(u'a' + (i * 7 + length) % 3);
        for (const std::u16string& pattern : patterns) {
            for (const std::u16string& placed : {text, text + u'\0' + pattern}) {
                const char16_t* at = page.Place(placed);
                for (std::size_t start = 0; start < length; ++start) {
                    const char16_t* byUnit = SearchPatternByUnit(at + start, pattern.c_str());
                    ASSERT_EQ(SearchPatternByBlock(at + start, pattern.c_str()), byUnit)
                        << test::Narrow(text.c_str()) << " from " << start << ", " << test::Narrow(pattern.c_str());
                    ASSERT_EQ(SearchPatternTwoWay(at + start, pattern.c_str()), byUnit)
                        << test::Narrow(text.c_str()) << " from " << start << ", " << test::Narrow(pattern.c_str());
                }
            }
        }
    }
}
#endif

// `times` copies of `unit`, then `tail`.
std::u16string Repeated(std::u16string_view unit, std::size_t times, std::u16string_view tail = u"") {
    std::u16string text;
    for (std::size_t i = 0; i < times; ++i) text += unit;
    return text += tail;
}

// Every scan against the standard library's search, where the direct scans
// compare on long partial matches: periodic patterns and texts, and the
// point where the direct scans hand over to the two-way scan.
TEST(SearchPattern, EveryScanFindsTheFirstOccurrenceOfPeriodicPatterns) {
    constexpr std::size_t kFree = kDirectScanFreeUnits, kPerUnit = kDirectScanUnitsPerUnit;
    struct Case {
        std::u16string text, pattern;
    };
    std::vector<Case> cases = {
        {Repeated(u"a", 100'000), Repeated(u"a", 1000, u"b")},          // the direct scans' worst case
        {Repeated(u"a", 100'000, u"b"), Repeated(u"a", 1000, u"b")},    // found at the very end
        {Repeated(u"a", 999), Repeated(u"a", 1000)},                    // one unit short
        {Repeated(u"ab", 20'000, u"c"), Repeated(u"ab", 700, u"c")},    // period 2, found at the end
        {Repeated(u"ab", 20'000), Repeated(u"ab", 700, u"a")},          // periodic, found at 0
        {Repeated(u"aab", 5000, u"aac"), Repeated(u"aab", 400, u"aac")},
        {Repeated(u"aab", 5000), Repeated(u"baa", 400)},                // found at 2
        {Repeated(u"abaababaab", 2000, u"x"), Repeated(u"abaababaab", 50, u"abaabx")},
        {Repeated(u"ba", 3000, Repeated(u"a", 900)), Repeated(u"a", 600, u"b")},
        {Repeated(u"a", 5000, Repeated(u"b", 3) + Repeated(u"a", 800)), Repeated(u"a", 800, u"bbb")},
        {Repeated(u"\uFFFFa", 3000), Repeated(u"\uFFFF", 1, Repeated(u"a\uFFFF", 300, u"b"))},  // units above 0x7FFF
    };
    // Pattern a^k b in a^n b: every candidate before the match costs k units,
    // so the direct scans hand over somewhere before the match's place once
    // that passes about kFree / (k - kPerUnit); every place up to past it.
    for (const std::size_t k : {std::size_t{2}, kPerUnit + 1, kFree - 1, kFree, kFree + 1}) {
        for (std::size_t found = 0; found <= kFree + kPerUnit * 8; ++found)
            cases.push_back({Repeated(u"a", found + k, u"b"), Repeated(u"a", k, u"b")});
    }
    for (const Case& c : cases) {
        const std::size_t at = std::u16string_view(c.text).find(c.pattern);
        const char16_t* expected = at == std::u16string_view::npos ? nullptr : c.text.c_str() + at;
        SCOPED_TRACE("pattern of " + std::to_string(c.pattern.size()) + " units in " +
                     std::to_string(c.text.size()) + ", first at " + std::to_string(at));
        EXPECT_EQ(SearchPatternTwoWay(c.text.c_str(), c.pattern.c_str()), expected);
        EXPECT_EQ(SearchPatternByUnit(c.text.c_str(), c.pattern.c_str()), expected);
#if defined(__i386__) || defined(__x86_64__)
        EXPECT_EQ(SearchPatternByBlock(c.text.c_str(), c.pattern.c_str()), expected);
#endif
    }
}

// The two-way scan measures the text as it goes: a text ending at an
// unreadable page, after a long partial match there.
TEST(SearchPattern, TwoWayNeverReadsPastATerminator) {
    GuardedText textPage, patternPage;
    const struct {
        std::u16string text, pattern;
    } cases[] = {
        {Repeated(u"a", 2000), Repeated(u"a", 300, u"b")},
        {Repeated(u"a", 1500), Repeated(u"a", 1501)},
        {Repeated(u"ab", 1000), Repeated(u"ab", 400, u"a")},
        {Repeated(u"ab", 1000), Repeated(u"ab", 400, u"b")},
        {Repeated(u"a", 1700, u"b"), Repeated(u"a", 300, u"b")},
    };
    for (const auto& c : cases) {
        const char16_t* text = textPage.Place(c.text);
        const char16_t* pattern = patternPage.Place(c.pattern);
        const std::size_t at = std::u16string_view(c.text).find(c.pattern);
        const char16_t* expected = at == std::u16string_view::npos ? nullptr : text + at;
        EXPECT_EQ(SearchPatternTwoWay(text, pattern), expected);
        EXPECT_EQ(SearchPattern(text, pattern), expected);
    }
}

}  // namespace
}  // namespace lumi
