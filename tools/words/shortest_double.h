// A double in the shortest decimal that reads back as the same double:
// 2.72, not 2.7200000000000002; "nan", "-inf" and "-0" as such.
#pragma once

#include <charconv>
#include <string>

namespace lumi::call {

inline std::string ShortestDouble(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace lumi::call
