// lumicall's output: UTF-8 lines to the console, and columns padded to
// their widest cell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumi::call {

void Print(std::string_view text);  // UTF-8 to standard output
void PrintError(std::string_view text);

// Columns padded to their widest cell (counted in characters, not bytes).
class Table {
public:
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    std::string Text(std::string_view indent = "") const;

private:
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace lumi::call
