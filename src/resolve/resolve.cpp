#include "resolve/resolve.hpp"

#include "model/stack.hpp"

namespace quince {

namespace {

// Bounds resolve_node's recursion (tree depth plus substitution chains), so
// that no document can exhaust the native stack: about 700 bytes a level.
constexpr std::size_t kMaxResolveDepth = 4000;

}  // namespace

Outcome resolve_node(Resolution& res, const Value& node) {
    DepthGuard guard(res.depth, kMaxResolveDepth);
    if (!guard.ok()) return unsupported("substitutions nested too deeply");
    if (!res.budget.charge(1, 0)) return Budget::exceeded();
    switch (node.kind()) {
    case Kind::Array: {
        Array out;
        for (const Value& item : node.get<Array>()->items) {
            Outcome r = resolve_node(res, item);
            if (!r) return r;
            if (*r) out.items.push_back(std::move(**r));
        }
        return std::optional<Value>(Value(std::move(out)));
    }
    case Kind::Object: {
        Object out;
        for (const Member& m : node.get<Object>()->members) {
            Outcome r = resolve_node(res, m.value);
            if (!r) return r;
            if (!*r) continue;
            // A member that is only a substitution naming null is left out;
            // the same null as an array element stays.
            if (m.value.kind() == Kind::Subst && (*r)->kind() == Kind::Null) continue;
            if (!res.budget.charge(0, m.key.size())) return Budget::exceeded();
            out.members.push_back(Member{m.key, std::move(**r)});
        }
        return std::optional<Value>(Value(std::move(out)));
    }
    case Kind::Subst: {
        const Subst& s = *node.get<Subst>();
        return resolve_subst(res, s.path, s.optional);
    }
    case Kind::Concat:
        return resolve_concat(res, *node.get<Concat>());
    case Kind::Str:
        if (!res.budget.charge(0, node.get<std::string>()->size())) return Budget::exceeded();
        return std::optional<Value>(node);
    case Kind::BigInt:
        if (!res.budget.charge(0, node.get<BigInt>()->text.size())) return Budget::exceeded();
        return std::optional<Value>(node);
    default:
        return std::optional<Value>(node);
    }
}

Outcome resolve_document(Value raw) {
    // A tree without substitutions or concatenations resolves to a copy of
    // itself; hand it over instead of copying it.
    if (is_concrete(raw)) return std::optional<Value>(std::move(raw));
    Resolution res(raw);
    return resolve_node(res, raw);
}

}  // namespace quince
