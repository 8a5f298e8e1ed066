// A row read into what a machine or a declaration needs: the role of each
// slot read, the operations of an expression (read from its body as the
// table writes it) in the order the x87 unit performs them, and the
// arguments of a routine call (from the row's fields).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"

namespace lumi {

// An expression body read into a tree, one reading for every consumer:
// terms of slots (D, I, W), numbers, calls (Int32(x)) and binary operations
// with the usual precedence, all left-associative.
struct BodyNode {
    enum class Kind { Slot, Number, Call, Binary } kind;
    std::string text;  // the number, call or operator; a slot's term (D, I, W)
    int slot = -1;
    std::vector<std::unique_ptr<BodyNode>> children{};
};

// Throws std::logic_error where the body is not written as the table writes bodies.
std::unique_ptr<BodyNode> ReadBody(std::string_view body);

// An operator's words for a reader, " × " for "*".
std::string_view OperatorWords(std::string_view token);

// The name of each input of the row, in input order: the routine's parameter
// it feeds (value, digits, time, text, pattern, a, b), "value" for a
// pass-through or a one-operand expression, and a, b, c, d for the operands
// of an expression in the order they appear.
std::array<std::string, kMaxInputs> InputRoles(const ExportEntry& entry);

// Where an operand or an argument comes from: a slot (a double: slot and
// slot + 1) or a constant written as the table writes it.
struct Operand {
    int slot = -1;  // -1: a constant
    ValueKind kind = ValueKind::Word;
    std::string constant{};      // a number, or a pattern's text
    std::string constantName{};  // a pattern's name; empty for a number
};

// One step of an expression, applied to the running value. "load" starts it;
// "reverse-subtract" and "reverse-divide" put the operand on the left
// (operand - running, operand / running); "and" ends a truth test that is
// false there, else the steps after it give the answer.
struct Operation {
    std::string_view op;
    Operand operand;  // none for "and"
};

// The operations of an arithmetic row; empty for any other row.
std::vector<Operation> ExpressionOperations(const ExportEntry& entry);

// A routine row's arguments in the routine's parameter order, from the row's fields.
struct RoutineArgument {
    std::string_view parameter;
    Operand from;
};
std::vector<RoutineArgument> RoutineArguments(const ExportEntry& entry);

}  // namespace lumi
