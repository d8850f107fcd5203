// Resolution: substitutions replaced by what they name, concatenations
// evaluated, definitions combined, into a tree of concrete values only. The
// parsed tree is only read; resolved nodes share its concrete subtrees.
#pragma once

#include <string>
#include <string_view>

#include "model/arena.hpp"
#include "model/budget.hpp"
#include "model/environment.hpp"
#include "model/error.hpp"
#include "model/options.hpp"
#include "model/value.hpp"

namespace quince {

// A resolved value, or nothing (a node that disappears).
struct Maybe {
    Value value;
    bool present = false;
};
inline Maybe some(Value v) noexcept { return {v, true}; }
inline Maybe none() noexcept { return {}; }

using Outcome = Result<Maybe>;

struct ResolveContext {
    Arena& arena;
    Budget& budget;
    const Options& options;
    const Environment& env;
};

// Resolves a parsed document: an Object, empty when the root resolves to
// nothing.
Result<Value> resolve_document(ResolveContext& cx, Value root);

}  // namespace quince
