// Writes what a host builds against, from the same tables as the exports:
//
//   interface_files header [PATH]   include/lumivextaran.h, one prototype per export
//   interface_files def [PATH]      lib/lumivextaran.def, for the import libraries
//   interface_files json [PATH]     docs/catalogue.json
//   interface_files calls [PATH]    tests/wine/header/all_exports.inc, one call per export
//
// Each goes to PATH (written only when its content changes) or to stdout.
#include <iostream>
#include <string>
#include <string_view>

#include "catalogue/body_terms.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_json.h"
#include "catalogue/describe.h"
#include "tools/generated_file.h"

namespace {

using lumi::Convention;
using lumi::ExportEntry;
using lumi::Family;
using lumi::ValueKind;

// ---- The header --------------------------------------------------------------------------

constexpr std::string_view kHeaderTop = R"(/* lumivextaran.h: the exports of lumivextaran.dll, one prototype each.
 *
 * Generated from the catalogue tables by tools/interface_files: change the
 * tables, not this file. Plain C99 that also compiles as C++; it needs only
 * <stddef.h> and <stdint.h>.
 *
 * Link with liblumivextaran.dll.a (MinGW) or lumivextaran.lib (MSVC, clang,
 * lld-link): a prototype whose slot count is not the export's then fails to
 * link instead of unbalancing the stack at run time.
 *
 * Every argument is a 32-bit slot on the stack; a double fills two. A slot
 * the export does not read is declared uint32_t slotN: pass anything there.
 * Callee-pops exports are __stdcall; caller-pops exports are __cdecl and are
 * declared with every slot up to the highest one they read. Results:
 * int32_t (a truth value is 0 or 1), double, uint32_t (a slot handed back
 * unchanged) and const wchar_t* (NUL-terminated UTF-16).
 *
 * How long a returned text stays readable: a text constant for as long as
 * the DLL is loaded (the same text always at the same address); a built
 * text (number or time to text) until the calling thread has made 15 more
 * text-building calls. Never write to or free a returned text.
 */
#ifndef LUMIVEXTARAN_H
#define LUMIVEXTARAN_H

#include <stddef.h>
#include <stdint.h>

)";

// After the version macros.
constexpr std::string_view kHeaderDeclarations = R"(#if defined(_WIN64) || defined(__x86_64__)
#error "lumivextaran.dll is a 32-bit library: build the host for 32-bit x86"
#endif

/* The conventions: the Windows compilers' keywords, or GCC's attributes. */
#ifndef LUMIVEXTARAN_STDCALL
#if defined(_WIN32)
#define LUMIVEXTARAN_STDCALL __stdcall
#else
#define LUMIVEXTARAN_STDCALL __attribute__((stdcall))
#endif
#endif
#ifndef LUMIVEXTARAN_CDECL
#if defined(_WIN32)
#define LUMIVEXTARAN_CDECL __cdecl
#else
#define LUMIVEXTARAN_CDECL __attribute__((cdecl))
#endif
#endif

/* Imported from the DLL; define LUMIVEXTARAN_API empty to take the import
 * library's thunks instead. */
#ifndef LUMIVEXTARAN_API
#if defined(_WIN32)
#define LUMIVEXTARAN_API __declspec(dllimport)
#else
#define LUMIVEXTARAN_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif
)";

constexpr std::string_view kHeaderEnd = R"(
#ifdef __cplusplus
}
#endif

#endif /* LUMIVEXTARAN_H */
)";

struct FamilyNote {
    Family family;
    std::string_view note;
};

constexpr FamilyNote kFamilyNotes[] = {
    {Family::TextConstant, "Each answers its text; exports of the same text answer the same address."},
    {Family::NumberConstant, "Each answers its number."},
    {Family::PassThrough, "Each hands back one of its arguments."},
    {Family::Arithmetic, "Computed at the caller's x87 precision, rounded to double once."},
    {Family::Formatting,
     "FormatFixed: at most 8 significant digits, the locale's decimal separator. "
     "FormatTime: seconds since 1970, no time zone. RoundToDigits: half up for every double "
     "(8 and more digits count as 9); infinities and NaN come back as they are, a NaN quieted. "
     "MaxOf, MinOf: b on a tie or a NaN. FindText: from position 0, -1 when not found."},
};

static_assert(std::size(kFamilyNotes) == std::size(lumi::kFamilies), "the header has a note for every family");

std::string_view FamilyNoteOf(Family family) {
    for (const FamilyNote& note : kFamilyNotes)
        if (note.family == family) return note.note;
    return "";
}

std::string_view CType(ValueKind kind) {
    switch (kind) {
        case ValueKind::Word: return "uint32_t";
        case ValueKind::Integer:
        case ValueKind::Truth:
        case ValueKind::HostTime: return "int32_t";
        case ValueKind::Double: return "double";
        case ValueKind::Text: return "const wchar_t*";
    }
    return "uint32_t";
}

// The slot an input begins at, or -1.
int InputAt(const ExportEntry& entry, int slot) {
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].slot == slot) return i;
    return -1;
}

struct Parameter {
    int slot;
    int input;  // -1: a slot that is not read
};

std::vector<Parameter> Parameters(const ExportEntry& entry) {
    std::vector<Parameter> parameters;
    const int pushed = lumi::SlotsToPush(entry);
    for (int slot = 0; slot < pushed; ++slot) {
        const int input = InputAt(entry, slot);
        parameters.push_back({slot, input});
        if (input >= 0 && entry.inputs[input].kind == ValueKind::Double) ++slot;
    }
    return parameters;
}

std::string ParameterName(const Parameter& parameter, const std::array<std::string, lumi::kMaxInputs>& roles) {
    return parameter.input >= 0 ? roles[parameter.input] : "slot" + std::to_string(parameter.slot);
}

// Comment words in ASCII, and never the end of a comment.
std::string CommentWords(std::string words) {
    constexpr std::pair<std::string_view, std::string_view> kAscii[] = {
        {"×", "*"}, {"−", "-"}, {"≠", "!="}, {"*/", "*\\/"}};
    for (const auto& [from, to] : kAscii)
        for (std::size_t at = words.find(from); at != std::string::npos; at = words.find(from, at + to.size()))
            words.replace(at, from.size(), to);
    return words;
}

std::string Prototype(const ExportEntry& entry) {
    const auto roles = lumi::InputRoles(entry);
    const lumi::SlotNamer namer = [&](int slot) {
        const int input = InputAt(entry, slot);
        return input >= 0 ? roles[input] : "slot" + std::to_string(slot);
    };
    std::string parameters;
    for (const Parameter& parameter : Parameters(entry)) {
        const std::string_view type = parameter.input >= 0 ? CType(entry.inputs[parameter.input].kind) : "uint32_t";
        parameters += (parameters.empty() ? "" : ", ") + std::string(type) + " " + ParameterName(parameter, roles);
    }
    const std::string_view convention =
        entry.convention == Convention::CalleePops ? "LUMIVEXTARAN_STDCALL" : "LUMIVEXTARAN_CDECL";
    return "/* " + CommentWords(lumi::BodyWords(entry, &namer)) + " */\n" + "LUMIVEXTARAN_API " +
           std::string(CType(entry.result)) + " " + std::string(convention) + " " + std::string(lumi::kExportPrefix) +
           std::string(entry.code) + "(" + (parameters.empty() ? "void" : parameters) + ");\n";
}

// The library's version, from the project's: a host can test it at compile
// time against the DLL it ships with.
std::string VersionMacros() {
    return "/* The version of lumivextaran.dll this header declares. */\n"
           "#define LUMIVEXTARAN_VERSION_MAJOR " + std::to_string(LUMI_VERSION_MAJOR) + "\n"
           "#define LUMIVEXTARAN_VERSION_MINOR " + std::to_string(LUMI_VERSION_MINOR) + "\n"
           "#define LUMIVEXTARAN_VERSION_PATCH " + std::to_string(LUMI_VERSION_PATCH) + "\n"
           "#define LUMIVEXTARAN_VERSION \"" LUMI_VERSION "\"\n\n";
}

std::string Header() {
    std::string text = std::string(kHeaderTop) + VersionMacros() + std::string(kHeaderDeclarations);
    for (Family family : lumi::kFamilies) {
        text += "\n/* ---- " + std::string(lumi::FamilyHeading(family)) + ". " + std::string(FamilyNoteOf(family)) + " */\n\n";
        for (const ExportEntry& entry : lumi::Catalogue())
            if (entry.family == family) text += Prototype(entry);
    }
    return text + std::string(kHeaderEnd);
}

// ---- The module definition ---------------------------------------------------------------

// A __stdcall prototype is decorated Name@N (N the bytes it pops); the import
// libraries are built with that decoration killed, so Name@N binds to the
// export Name. A caller-pops name has no decoration.
std::string DecoratedName(const ExportEntry& entry) {
    const std::string name = std::string(lumi::kExportPrefix) + std::string(entry.code);
    return entry.convention == Convention::CalleePops ? name + "@" + std::to_string(4 * entry.slots) : name;
}

std::string ModuleDefinition() {
    std::string text =
        "; lumivextaran.def: the exports of lumivextaran.dll, generated from the\n"
        "; catalogue tables by tools/interface_files. A callee-pops export is listed\n"
        "; with the @N its __stdcall prototype is decorated with; build an import\n"
        "; library with the decoration killed (dlltool -k, llvm-dlltool -k).\n"
        "LIBRARY lumivextaran.dll\n"
        "EXPORTS\n";
    for (const ExportEntry& entry : lumi::Catalogue()) text += "    " + DecoratedName(entry) + "\n";
    return text;
}

// ---- The caller of every export ----------------------------------------------------------

// One argument expression per parameter, over the row's slots `in`.
std::string ArgumentExpression(const ExportEntry& entry, const Parameter& parameter) {
    const std::string slot = std::to_string(parameter.slot);
    if (parameter.input < 0) return "in.W(" + slot + ")";
    switch (entry.inputs[parameter.input].kind) {
        case ValueKind::Double: return "in.D(" + slot + ")";
        case ValueKind::Text: return "in.T(" + slot + ")";
        case ValueKind::Word: return "in.W(" + slot + ")";
        default: return "in.I(" + slot + ")";
    }
}

std::string Calls() {
    std::string text =
        "// Every export called through its prototype in include/lumivextaran.h, one\n"
        "// row a line: LUMI_HEADER_CALL(code, arguments), the arguments over the\n"
        "// row's slots `in`. Generated from the catalogue tables by\n"
        "// tools/interface_files: change the tables, not this file.\n";
    for (const ExportEntry& entry : lumi::Catalogue()) {
        std::string arguments;
        for (const Parameter& parameter : Parameters(entry))
            arguments += (arguments.empty() ? "" : ", ") + ArgumentExpression(entry, parameter);
        text += "LUMI_HEADER_CALL(" + std::string(entry.code) + ", (" + arguments + "))\n";
    }
    return text;
}

struct Output {
    std::string_view name;
    std::string (*content)();
};

const Output kOutputs[] = {
    {"header", Header},
    {"def", ModuleDefinition},
    {"json", [] { return lumi::CatalogueJson(lumi::Catalogue(), LUMI_VERSION); }},
    {"calls", Calls},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2)
        for (const Output& output : kOutputs)
            if (output.name == argv[1]) return lumi::WriteGenerated(argc - 1, argv + 1, output.content(), "interface_files");
    std::cerr << "usage: interface_files header|def|json|calls [PATH]\n";
    return 2;
}
