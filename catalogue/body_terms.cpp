// Expression bodies are read into a small tree (BodyNode), then into roles
// and operations; routine arguments come from the row's fields.
#include "catalogue/body_terms.h"

#include <cctype>
#include <charconv>
#include <memory>
#include <stdexcept>


namespace lumi {
namespace {

using Node = BodyNode;
using NodePtr = std::unique_ptr<Node>;

struct BinaryOperator {
    std::string_view token;
    int precedence;
    std::string_view op;          // the operation with the operand on the right
    std::string_view reverseOp;   // with the operand on the left
    std::string_view words;
};

constexpr BinaryOperator kBinaryOperators[] = {
    {"&&", 1, "and", "and", " and "},
    {"!=", 2, "not-equal", "not-equal", " ≠ "},
    {">", 2, "greater", "less", " > "},
    {"+", 3, "add", "add", " + "},
    {"-", 3, "subtract", "reverse-subtract", " − "},
    {"*", 4, "multiply", "multiply", " × "},
    {"/", 4, "divide", "reverse-divide", " / "},
};

// The terms that name one slot.
constexpr std::string_view kSlotTerms[] = {"D", "I", "W"};

struct RoutineParameters {
    Routine routine;
    std::string_view parameters[kMaxArguments];
};

constexpr RoutineParameters kRoutineParameters[] = {
    {Routine::FormatFixed, {"value", "digits"}},
    {Routine::FormatTime, {"time", "pattern"}},
    {Routine::RoundToDigits, {"value", "digits"}},
    {Routine::MaxOf, {"a", "b"}},
    {Routine::MinOf, {"a", "b"}},
    {Routine::FindText, {"text", "pattern", "start"}},
};

class Parser {
public:
    explicit Parser(std::string_view body) : rest_(body) {}

    NodePtr Body() {
        NodePtr node = Expression(0);
        Skip();
        if (!rest_.empty()) Fail();
        return node;
    }

private:
    NodePtr Expression(int lowest) {
        NodePtr left = Primary();
        while (const BinaryOperator* op = PeekOperator()) {
            if (op->precedence < lowest) break;
            rest_.remove_prefix(op->token.size());
            auto node = std::make_unique<Node>(Node{Node::Kind::Binary, std::string(op->token)});
            node->children.push_back(std::move(left));
            node->children.push_back(Expression(op->precedence + 1));
            left = std::move(node);
        }
        return left;
    }

    NodePtr Primary() {
        Skip();
        if (Take("(")) {
            NodePtr inner = Expression(0);
            Expect(")");
            return inner;
        }
        if (!rest_.empty() && (std::isdigit(static_cast<unsigned char>(rest_[0])) || rest_[0] == '-'))
            return std::make_unique<Node>(Node{Node::Kind::Number, Number()});
        const std::string name(Identifier());
        Expect("(");
        auto node = std::make_unique<Node>(Node{Node::Kind::Call, name});
        do node->children.push_back(Expression(0));
        while (Take(","));
        Expect(")");
        for (std::string_view term : kSlotTerms)
            if (name == term && node->children.size() == 1 && node->children[0]->kind == Node::Kind::Number) {
                node->kind = Node::Kind::Slot;
                node->slot = std::stoi(node->children[0]->text);
                node->children.clear();
            }
        return node;
    }

    // A literal as written, less an unsigned suffix.
    std::string Number() {
        std::size_t length = rest_[0] == '-' ? 1 : 0;
        while (length < rest_.size() &&
               (std::isdigit(static_cast<unsigned char>(rest_[length])) || rest_[length] == '.'))
            ++length;
        std::string number(rest_.substr(0, length));
        rest_.remove_prefix(length);
        if (!rest_.empty() && rest_[0] == 'u') rest_.remove_prefix(1);
        return number;
    }

    std::string_view Identifier() {
        std::size_t length = 0;
        while (length < rest_.size() &&
               (std::isalnum(static_cast<unsigned char>(rest_[length])) || rest_[length] == '_'))
            ++length;
        if (length == 0) Fail();
        const std::string_view name = rest_.substr(0, length);
        rest_.remove_prefix(length);
        return name;
    }

    const BinaryOperator* PeekOperator() {
        Skip();
        for (const BinaryOperator& op : kBinaryOperators)
            if (rest_.starts_with(op.token)) return &op;
        return nullptr;
    }

    bool Take(std::string_view token) {
        Skip();
        if (!rest_.starts_with(token)) return false;
        rest_.remove_prefix(token.size());
        return true;
    }

    void Expect(std::string_view token) {
        if (!Take(token)) Fail();
    }

    void Skip() {
        while (!rest_.empty() && rest_[0] == ' ') rest_.remove_prefix(1);
    }

    [[noreturn]] void Fail() const { throw std::logic_error("a catalogue body could not be read at '" + std::string(rest_) + "'"); }

    std::string_view rest_;
};

ValueKind KindOfSlot(const ExportEntry& entry, int slot) {
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].slot == slot) return entry.inputs[i].kind;
    return ValueKind::Word;
}

int InputIndexOf(const ExportEntry& entry, int slot) {
    for (int i = 0; i < entry.InputCount(); ++i)
        if (entry.inputs[i].slot == slot) return i;
    return -1;
}

Operand OperandOf(const ExportEntry& entry, const Node& node) {
    switch (node.kind) {
        case Node::Kind::Slot: return {.slot = node.slot, .kind = KindOfSlot(entry, node.slot)};
        case Node::Kind::Number: return {.constant = node.text};
        case Node::Kind::Call:
        case Node::Kind::Binary: break;
    }
    throw std::logic_error("not an operand in the body of " + std::string(entry.code));
}

Operand OperandFrom(const ExportEntry& entry, const ArgumentSource& source) {
    switch (source.kind) {
        case ArgumentSource::Kind::Slot: return {.slot = source.slot, .kind = KindOfSlot(entry, source.slot)};
        case ArgumentSource::Kind::Number: return {.constant = std::to_string(source.number)};
        case ArgumentSource::Kind::Pattern: {
            const std::u16string_view text(source.pattern);
            return {.constant = std::string(text.begin(), text.end()), .constantName = std::string(source.patternName)};
        }
        case ArgumentSource::Kind::Unused: break;
    }
    throw std::logic_error("an unused argument of " + std::string(entry.code));
}

bool IsOperand(const Node& node) {
    return node.kind != Node::Kind::Binary && !(node.kind == Node::Kind::Call && node.text == "Int32");
}

const BinaryOperator& OperatorOf(const Node& node) {
    for (const BinaryOperator& op : kBinaryOperators)
        if (op.token == node.text) return op;
    throw std::logic_error("unknown operator " + node.text);
}

// The running value starts at the deepest operation; an operand on the left
// of a compound right-hand side is applied as the reverse operation. A truth
// test's two compound halves are joined by "and".
void AppendOperations(const ExportEntry& entry, const Node& node, std::vector<Operation>& out) {
    if (node.kind == Node::Kind::Call && node.text == "Int32") return AppendOperations(entry, *node.children[0], out);
    if (IsOperand(node)) {
        out.push_back({"load", OperandOf(entry, node)});
        return;
    }
    const Node& left = *node.children[0];
    const Node& right = *node.children[1];
    const BinaryOperator& op = OperatorOf(node);
    if (IsOperand(right)) {
        AppendOperations(entry, left, out);
        out.push_back({op.op, OperandOf(entry, right)});
    } else if (IsOperand(left)) {
        AppendOperations(entry, right, out);
        out.push_back({op.reverseOp, OperandOf(entry, left)});
    } else if (op.op == "and") {
        AppendOperations(entry, left, out);
        out.push_back({"and", {}});
        AppendOperations(entry, right, out);
    } else {
        throw std::logic_error("the body of " + std::string(entry.code) + " needs a second running value");
    }
}

void CollectSlots(const Node& node, std::vector<int>& slots) {
    if (node.kind == Node::Kind::Slot) {
        for (int slot : slots)
            if (slot == node.slot) return;
        slots.push_back(node.slot);
    }
    for (const auto& child : node.children) CollectSlots(*child, slots);
}

const RoutineParameters* ParametersOf(Routine routine) {
    for (const RoutineParameters& entry : kRoutineParameters)
        if (entry.routine == routine) return &entry;
    return nullptr;
}

constexpr std::string_view kOperandLetters[] = {"a", "b", "c", "d"};

}  // namespace

NodePtr ReadBody(std::string_view body) { return Parser(body).Body(); }

std::string_view OperatorWords(std::string_view token) {
    for (const BinaryOperator& op : kBinaryOperators)
        if (op.token == token) return op.words;
    throw std::logic_error("unknown operator " + std::string(token));
}


std::array<std::string, kMaxInputs> InputRoles(const ExportEntry& entry) {
    std::array<std::string, kMaxInputs> roles;
    if (entry.family == Family::PassThrough) {
        roles[0] = "value";
    } else if (entry.family == Family::Arithmetic) {
        std::vector<int> order;
        CollectSlots(*ReadBody(entry.body), order);
        for (std::size_t i = 0; i < order.size(); ++i)
            if (const int input = InputIndexOf(entry, order[i]); input >= 0)
                roles[input] = order.size() == 1 ? "value" : std::string(kOperandLetters[i]);
    } else if (entry.family == Family::Formatting) {
        for (const RoutineArgument& argument : RoutineArguments(entry))
            if (const int input = InputIndexOf(entry, argument.from.slot); input >= 0 && argument.from.slot >= 0)
                roles[input] = std::string(argument.parameter);
    }
    return roles;
}

std::vector<Operation> ExpressionOperations(const ExportEntry& entry) {
    std::vector<Operation> operations;
    if (entry.family == Family::Arithmetic) AppendOperations(entry, *ReadBody(entry.body), operations);
    return operations;
}

std::vector<RoutineArgument> RoutineArguments(const ExportEntry& entry) {
    std::vector<RoutineArgument> arguments;
    const RoutineParameters* parameters = ParametersOf(entry.routine);
    if (parameters == nullptr) return arguments;
    for (std::size_t i = 0; i < std::size(parameters->parameters); ++i) {
        const ArgumentSource& source = entry.arguments[i];
        if (source.kind == ArgumentSource::Kind::Unused) break;
        arguments.push_back({parameters->parameters[i], OperandFrom(entry, source)});
    }
    return arguments;
}

}  // namespace lumi
