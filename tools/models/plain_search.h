// What a search export answers, by the standard library's own search: the
// position of the first occurrence of the pattern in the whole text, or -1.
// An empty or null text gives -1 whatever the pattern, a null pattern -1, and
// an empty pattern is found at 0.
#pragma once

#include <cstdint>
#include <string_view>

namespace lumi::test {

inline std::int32_t PlainSearch(const char16_t* text, const char16_t* pattern) {
    if (text == nullptr || *text == 0 || pattern == nullptr) return -1;
    const std::size_t at = std::u16string_view(text).find(pattern);
    return at == std::u16string_view::npos ? -1 : static_cast<std::int32_t>(at);
}

}  // namespace lumi::test
