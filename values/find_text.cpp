#include "values/find_text.h"

#include <cstddef>

namespace lumi {
namespace {

std::size_t TextLength(const char16_t* text) {
    std::size_t length = 0;
    if (text != nullptr) {
        while (text[length] != 0) ++length;
    }
    return length;
}

}  // namespace

std::int32_t FindText(const char16_t* text, const char16_t* pattern, std::int32_t start) {
    if (start < 0) return -1;
    if (static_cast<std::size_t>(start) >= TextLength(text)) return -1;  // also null or empty text
    if (pattern == nullptr) return -1;
    const char16_t* found = SearchPattern(text + start, pattern);
    return found == nullptr ? -1 : static_cast<std::int32_t>(found - text);
}

const char16_t* SearchPattern(const char16_t* scan, const char16_t* pattern) {
    if (pattern[0] == 0) return scan;
    for (; *scan != 0; ++scan) {
        for (std::size_t j = 0;; ++j) {
            if (pattern[j] == 0) return scan;
            if (pattern[j] != scan[j]) break;
            // Equal and non-zero. Where the text ends next, stop here rather
            // than read on: the pattern must end there as well.
            if (scan[j + 1] == 0) {
                if (pattern[j + 1] == 0) return scan;
                break;
            }
        }
    }
    return nullptr;
}

}  // namespace lumi
