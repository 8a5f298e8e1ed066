// The catalogue against catalogue_shape.txt, a transcription of every
// export's convention, slot count and slots read made apart from the tables
// that build the exports. The pop counts the ABI tests expect come from those
// same tables, so a slip there (a wrong count, convention or slot) would pass
// them unseen; here it shows as a difference naming the export.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace lumi {
namespace {

// The tests' expected words take the count CMake reads off the tables.
static_assert(LUMI_TABLE_ROWS == kExportCount, "CMake counts the rows the catalogue counts");

struct Shape {
    std::string convention;  // "callee" or "caller"
    int slots = -1;
    std::string reads;  // "1-2 double  6 integer", or "-"
    int line = 0;
};

std::string ConventionOf(const ExportEntry& entry) {
    return entry.convention == Convention::CalleePops ? "callee" : "caller";
}

// In the transcription's own words, so the two compare as text.
std::string ReadsOf(const ExportEntry& entry) {
    std::string reads;
    for (int i = 0; i < entry.InputCount(); ++i) {
        const SlotInput input = entry.inputs[i];
        if (!reads.empty()) reads += "  ";
        reads += std::to_string(input.slot);
        if (input.kind == ValueKind::Double) reads += "-" + std::to_string(input.slot + 1);
        reads += " " + std::string(KindName(input.kind));
    }
    return reads.empty() ? "-" : reads;
}

// Code to shape; a line that does not parse, or a code given twice, is a
// fault of the transcription and lands in `faults`.
std::map<std::string, Shape> ReadShapes(const std::string& path, std::vector<std::string>& faults) {
    std::map<std::string, Shape> shapes;
    std::ifstream in(path);
    if (!in) faults.push_back("cannot read " + path);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream fields(text);
        std::string code;
        Shape shape;
        shape.line = number;
        fields >> code >> shape.convention >> shape.slots;
        std::vector<std::string> parts;  // "-", or slot and kind by turns
        for (std::string word; fields >> word;) parts.push_back(word);
        for (std::size_t i = 0; i < parts.size(); ++i)
            shape.reads += (i == 0 ? "" : i % 2 == 0 ? "  " : " ") + parts[i];
        const bool wellFormed = code.size() == 10 && shape.slots >= 0 &&
                                (shape.convention == "callee" || shape.convention == "caller") &&
                                (parts == std::vector<std::string>{"-"} || (!parts.empty() && parts.size() % 2 == 0));
        if (!wellFormed) faults.push_back("line " + std::to_string(number) + " does not parse: " + text);
        else if (!shapes.emplace(code, shape).second) faults.push_back(code + ": transcribed twice");
    }
    return shapes;
}

TEST(CatalogueShape, EveryRowMatchesTheTranscription) {
    std::vector<std::string> faults;
    std::map<std::string, Shape> shapes = ReadShapes(LUMI_CATALOGUE_SHAPE, faults);
    for (const ExportEntry& entry : Catalogue()) {
        const std::string code(entry.code);
        const auto found = shapes.find(code);
        if (found == shapes.end()) {
            faults.push_back(code + ": in the catalogue, not transcribed");
            continue;
        }
        const Shape& shape = found->second;
        const std::string slotsWord =
            entry.convention == Convention::CallerPops ? "highest slot read " : "slot count ";
        if (ConventionOf(entry) != shape.convention)
            faults.push_back(code + ": convention " + ConventionOf(entry) + "-pops, transcribed " +
                             shape.convention + "-pops");
        if (entry.slots != shape.slots)
            faults.push_back(code + ": " + slotsWord + std::to_string(entry.slots) + ", transcribed " +
                             std::to_string(shape.slots));
        if (ReadsOf(entry) != shape.reads)
            faults.push_back(code + ": reads " + ReadsOf(entry) + ", transcribed " + shape.reads);
        shapes.erase(found);
    }
    for (const auto& [code, shape] : shapes)
        faults.push_back(code + ": transcribed (line " + std::to_string(shape.line) + "), not in the catalogue");
    std::string listed;
    for (const std::string& fault : faults) listed += fault + "\n";
    EXPECT_TRUE(faults.empty()) << faults.size() << " differences between the catalogue and "
                                << LUMI_CATALOGUE_SHAPE << ":\n" << listed;
}

}  // namespace
}  // namespace lumi
