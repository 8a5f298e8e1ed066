// The catalogue as JSON: one object per export, keys in a fixed order, two
// spaces of indent, one export per line, so that a change of a row is a
// change of one line.
#include "catalogue/catalogue_json.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "catalogue/body_terms.h"
#include "catalogue/describe.h"

namespace lumi {
namespace {

std::string JsonString(std::string_view utf8) {
    std::string json = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (c == '\n') {
            json += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

// UTF-16 as JSON: ASCII as it stands, every other unit as \uXXXX (JSON
// escapes are UTF-16 units, so a surrogate pair stays a pair).
std::string JsonString(std::u16string_view text) {
    std::string ascii;
    std::string json = "\"";
    for (char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F && unit != u'"' && unit != u'\\') {
            json += static_cast<char>(unit);
        } else if (unit == u'"' || unit == u'\\') {
            json += '\\';
            json += static_cast<char>(unit);
        } else if (unit == u'\n') {
            json += "\\n";
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            json += escaped;
        }
    }
    return json + "\"";
}

// A double as the shortest decimal that reads back as it, always with a
// point or an exponent so that a reader takes it as a real number.
std::string JsonReal(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string Field(std::string_view key, const std::string& value) { return JsonString(key) + ": " + value; }

std::string Object(std::initializer_list<std::string> fields) {
    std::string json = "{";
    for (const std::string& field : fields) json += (json.size() > 1 ? ", " : "") + field;
    return json + "}";
}

std::string OperandJson(const Operand& operand) {
    if (operand.slot >= 0)
        return Object({Field("slot", std::to_string(operand.slot)), Field("kind", JsonString(KindName(operand.kind)))});
    if (!operand.constantName.empty())
        return Object({Field("constant", JsonString(operand.constant)), Field("name", JsonString(operand.constantName))});
    return Object({Field("constant", operand.constant.find('.') == std::string::npos
                                         ? operand.constant
                                         : JsonReal(std::stod(operand.constant)))});
}

std::string ReadsJson(const ExportEntry& entry) {
    const auto roles = InputRoles(entry);
    std::string json = "[";
    for (int i = 0; i < entry.InputCount(); ++i)
        json += (i > 0 ? ", " : "") + Object({Field("slot", std::to_string(entry.inputs[i].slot)),
                                              Field("kind", JsonString(KindName(entry.inputs[i].kind))),
                                              Field("role", JsonString(roles[i]))});
    return json + "]";
}

std::string OperationsJson(const ExportEntry& entry) {
    std::string json = "[";
    for (const Operation& operation : ExpressionOperations(entry)) {
        json += json.size() > 1 ? ", " : "";
        json += operation.op == "and" ? Object({Field("op", JsonString(operation.op))})
                                      : Object({Field("op", JsonString(operation.op)),
                                                Field("operand", OperandJson(operation.operand))});
    }
    return json + "]";
}

std::string RoutineJson(const ExportEntry& entry) {
    std::string arguments = "[";
    for (const RoutineArgument& argument : RoutineArguments(entry))
        arguments += (arguments.size() > 1 ? ", " : "") +
                     Object({Field("parameter", JsonString(argument.parameter)), Field("from", OperandJson(argument.from))});
    return Object({Field("name", JsonString(RoutineName(entry.routine))), Field("arguments", arguments + "]")});
}

// What the row answers: exactly one of text, value, slot, operations or
// routine, and the same in words as the catalogue page has it.
std::string BodyJson(const ExportEntry& entry) {
    std::string what;
    switch (entry.family) {
        case Family::TextConstant: what = Field("text", JsonString(std::u16string_view(entry.text))); break;
        case Family::NumberConstant:
            what = Field("value", entry.result == ValueKind::Double ? JsonReal(entry.real) : std::to_string(entry.integer));
            break;
        case Family::PassThrough: what = Field("slot", OperandJson({.slot = entry.inputs[0].slot, .kind = entry.inputs[0].kind})); break;
        case Family::Arithmetic: what = Field("operations", OperationsJson(entry)); break;
        case Family::Formatting: what = Field("routine", RoutineJson(entry)); break;
    }
    return Object({what, Field("words", JsonString(BodyWords(entry)))});
}

int HighestSlotRead(const ExportEntry& entry) {
    int highest = -1;
    for (int i = 0; i < entry.InputCount(); ++i)
        highest = std::max(highest, entry.inputs[i].slot + (entry.inputs[i].kind == ValueKind::Double ? 1 : 0));
    return highest;
}

std::string ExportJson(const ExportEntry& entry) {
    const bool calleePops = entry.convention == Convention::CalleePops;
    const int highest = HighestSlotRead(entry);
    return Object({Field("code", JsonString(entry.code)),
                   Field("name", JsonString(std::string(kExportPrefix) + std::string(entry.code))),
                   Field("family", JsonString(FamilyName(entry.family))),
                   Field("convention", JsonString(ConventionWords(entry.convention))),
                   Field("slots", calleePops ? std::to_string(entry.slots) : "null"),
                   Field("highest_slot_read", highest >= 0 ? std::to_string(highest) : "null"),
                   Field("reads", ReadsJson(entry)),
                   Field("result", JsonString(KindName(entry.result))),
                   Field("body", BodyJson(entry))});
}

}  // namespace

std::string CatalogueJson(std::span<const ExportEntry> rows, std::string_view version) {
    std::string json = "{\n  \"library\": \"lumivextaran.dll\",\n  \"version\": " + JsonString(version) +
                       ",\n  \"prefix\": " + JsonString(kExportPrefix) + ",\n  \"exports\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) json += (i > 0 ? ",\n    " : "\n    ") + ExportJson(rows[i]);
    return json + "\n  ]\n}\n";
}

}  // namespace lumi
