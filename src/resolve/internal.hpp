// What the two resolvers share: building resolved containers within the
// bounds, and evaluating concatenations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/limits.hpp"
#include "model/merge.hpp"
#include "model/tree.hpp"
#include "resolve/resolve.hpp"

namespace quince {

EngineError too_deeply_nested();
EngineError nested_too_deep(SourcePos pos = {});

// The work of a resolver that its pieces share.
struct Resolver {
    ResolveContext& cx;
    const Value root;
    std::size_t depth = 0;       // recursion, bounded by limits::kMaxResolveDepth
    std::vector<Value> items;    // elements being collected, innermost last
    std::string text;            // string concatenation being built

    Resolver(ResolveContext& c, Value r) : cx(c), root(r) {}
    Dialect dialect() const noexcept { return cx.options.dialect; }
    MergeContext merging() noexcept { return {cx.arena, cx.budget, cx.options.dialect}; }

    // A resolved container, checked against the depth and expansion bounds;
    // `root` allows the root object its own level.
    Outcome finish(Value container, bool root = false);
    Outcome finish_array(std::size_t mark);

    // The array of the present outcomes of `resolve(element)`, in order.
    template <class Each>
    Outcome resolve_elements(const ArrayNode& in, Each&& resolve) {
        const std::size_t mark = items.size();
        for (std::uint32_t i = 0; i < in.size; ++i) {
            Outcome r = resolve(in.items[i]);
            if (!r) {
                items.resize(mark);
                return r;
            }
            if (r->present) items.push_back(r->value);
        }
        return finish_array(mark);
    }
};

// One resolved segment of a concatenation.
struct Unit {
    Value value;          // for a text unit: the text (Str with kUnquoted)
    bool present = true;  // false for a value unit that resolved to nothing
    bool text = false;    // unquoted text as written
    bool blank = false;   // text of whitespace only
};

// Combines the units of a concatenation by the dialect's rules.
Outcome combine_units(Resolver& r, std::vector<Unit>& units, SourcePos pos);

}  // namespace quince
