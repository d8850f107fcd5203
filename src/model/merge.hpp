// The one way a member enters an object: new keys append, repeated keys are
// combined in place (two objects merge key by key, anything else replaces),
// and a definition that may come to nothing keeps the one before it.
//
// The strict dialect also gives a self-reference (`a = ${a} [1]`) a share of
// the key's earlier value here, when that value is already concrete. The
// HOCON dialect keeps the definitions of a key that only resolution can
// combine (substitutions, concatenations) as the layers of a Merge node,
// and resolution looks back through them.
#pragma once

#include "model/arena.hpp"
#include "model/budget.hpp"
#include "model/dialect.hpp"
#include "model/value.hpp"

namespace quince {

class Materializer;

struct MergeContext {
    Arena& arena;
    Budget& budget;
    Dialect dialect;
    // Where parts of the tree are already the caller's objects.
    Materializer* eager = nullptr;
    // Set when the caller's side failed during a merge.
    bool foreign_failed = false;
};

// False when the work budget ran out (budget.failure() says why). `obj`
// must not be shared.
bool merge_into(MergeContext& cx, ObjectNode& obj, Str key, Value value);

// A new object: `below` with `above` merged over it (neither changes).
bool merge_over(MergeContext& cx, const Value& below, const Value& above, Value& out);

// Adds `layer` as the newest definition above `earlier` (which may already
// be a Merge node, then extended in place).
Value push_layer(Arena& arena, const Value& earlier, const Value& layer);

}  // namespace quince
