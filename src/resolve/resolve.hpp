// Resolution: substitutions replaced by what they name, concatenations
// evaluated, into a separate tree of concrete values only. The raw tree is
// only read.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/budget.hpp"
#include "model/error.hpp"
#include "model/value.hpp"

namespace quince {

// A resolved value, or nothing (a node that disappears), or an error.
using Outcome = Result<std::optional<Value>>;

struct Resolution {
    const Value& root;
    // Dotted texts of the substitutions whose targets are being resolved,
    // innermost last: meeting one of them again is a cycle.
    std::vector<std::string> stack;
    // Outcomes of targets already resolved in this call, by dotted text.
    // Without it, a value built by doubling references to the previous one
    // costs exponential time. A target found in the tree resolves the same
    // way wherever it is referenced from, so reuse cannot change a result.
    std::unordered_map<std::string, std::optional<Value>> memo;
    // Current recursion depth of resolve_node, bounded to protect the stack.
    std::size_t depth = 0;
    // Everything the resolved tree holds is charged here.
    Budget budget;

    explicit Resolution(const Value& r) : root(r) {}
};

Outcome resolve_node(Resolution& res, const Value& node);
Outcome resolve_subst(Resolution& res, const KeyPath& path, bool optional);
Outcome resolve_concat(Resolution& res, const Concat& concat);

// Resolves a parsed document; nothing when the root resolves to nothing.
Outcome resolve_document(Value raw);

}  // namespace quince
