// The end of a tool that generates a committed file: the content goes to
// standard output, or into the PATH given, written only when it differs so
// that an unchanged file keeps its time and rebuilds nothing.
#pragma once

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

namespace lumi {

inline int WriteGenerated(int argc, char** argv, const std::string& content, std::string_view tool) {
    if (argc < 2) {
        std::cout << content;
        return std::cout ? 0 : 1;
    }
    const std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == content) return 0;
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out.flush()) {
        std::cerr << tool << ": cannot write " << path << "\n";
        return 1;
    }
    return 0;
}

}  // namespace lumi
