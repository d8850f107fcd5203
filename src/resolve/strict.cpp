// Resolution in the strict dialect: a substitution looks its path up in the
// parsed tree through objects only, falls back to the environment variable
// named by the dotted path, and detects cycles by the paths being resolved.
#include <string>
#include <unordered_map>

#include "model/key_index.hpp"
#include "model/text.hpp"
#include "model/stack.hpp"
#include "resolve/internal.hpp"
#include "resolve/strict.hpp"

namespace quince {

namespace {

std::string dotted_text(const SubstNode& s) {
    std::string out;
    for (std::uint32_t i = 0; i < s.length; ++i) {
        if (i) out += '.';
        out += s.path[i].view();
    }
    return out;
}

class StrictResolver : public Resolver {
public:
    using Resolver::Resolver;

    Outcome node(const Value& n, bool is_root = false) {
        DepthGuard guard(depth, limits::kMaxResolveDepth);
        if (!guard.ok()) return too_deeply_nested();
        if (!cx.budget.step()) return cx.budget.failure();
        switch (n.kind) {
        case Kind::Array:
            return is_concrete(n) ? some(n) : array(*n.array);
        case Kind::Object:
            return is_concrete(n) ? some(n) : object(*n.object, is_root);
        case Kind::Subst:
            return subst(*n.subst);
        case Kind::Concat:
            return concat(*n.concat);
        case Kind::Merge: {
            Kind unused;
            return layers(*n.merge, unused);
        }
        default:
            return some(n);
        }
    }

private:
    Outcome array(const ArrayNode& in) {
        return resolve_elements(in, [&](const Value& v) { return node(v); });
    }

    Outcome object(const ObjectNode& in, bool is_root) {
        ObjectNode* out = make_object(cx.arena, in.size);
        for (std::uint32_t i = 0; i < in.size; ++i) {
            const Member& m = in.items[i];
            // The definition that gave the outcome decides the rule for null.
            Kind defined = m.value.kind;
            Outcome r = m.value.kind == Kind::Merge ? layers(*m.value.merge, defined) : node(m.value);
            if (!r) return r;
            if (!r->present) continue;
            // A member that is only a substitution naming null is left out;
            // the same null as an array element stays.
            if (defined == Kind::Subst && r->value.kind == Kind::Null) continue;
            append_member(cx.arena, *out, m.key, r->value);
        }
        return finish(Value::of(out), is_root);
    }

    // The newest definition that resolves to something; `defined` tells its
    // kind.
    Outcome layers(const MergeNode& m, Kind& defined) {
        for (std::uint32_t i = m.size; i-- > 0;) {
            Outcome r = node(m.layers[i]);
            if (!r || r->present) {
                defined = m.layers[i].kind;
                return r;
            }
        }
        return none();
    }

    Outcome concat(const ConcatNode& c) {
        std::vector<Unit> units;
        units.reserve(c.size);
        SourcePos pos;
        // Every segment is resolved before any combining, so that a
        // substitution error wins over a type error of the concatenation.
        for (std::uint32_t i = 0; i < c.size; ++i) {
            const Value& seg = c.items[i];
            Unit u;
            if (seg.kind == Kind::Str && (seg.flags & Value::kUnquoted)) {
                u.value = seg;
                u.text = true;
                u.blank = is_blank(seg.str());
            } else {
                if (seg.kind == Kind::Subst && !pos.source) pos = seg.subst->pos;
                Outcome r = node(seg);
                if (!r) return r;
                u.value = r->value;
                u.present = r->present;
            }
            units.push_back(u);
        }
        return combine_units(*this, units, pos);
    }

    // Arrays are not indexed and unresolved values are not looked into: only
    // a chain of objects leads to a target.
    const Value* find_in_tree(const SubstNode& s) {
        const Value* cur = &root;
        for (std::uint32_t i = 0; i < s.length; ++i) {
            if (cur->kind != Kind::Object) return nullptr;
            const Member* next = find_member(cx.arena, *cur->object, s.path[i]);
            if (!next) return nullptr;
            cur = &next->value;
        }
        if (!cx.budget.step(s.length)) return nullptr;
        return cur;
    }

    Outcome subst(const SubstNode& s) {
        std::string dotted = dotted_text(s);
        for (const std::string& open : stack_)
            if (open == dotted) return resolve_error("circular substitution ${" + dotted + "}", s.pos);

        if (const Value* target = find_in_tree(s)) {
            // A target found in the tree resolves the same way wherever it
            // is referenced from, so its outcome is kept and reused.
            if (auto hit = memo_.find(dotted); hit != memo_.end()) return hit->second;
            stack_.push_back(dotted);
            Outcome outcome = node(*target);
            stack_.pop_back();
            if (outcome) memo_.emplace(std::move(dotted), *outcome);
            return outcome;
        }
        if (!cx.budget.step(s.length)) return cx.budget.failure();
        if (auto content = cx.env.lookup(dotted)) {
            if (!cx.budget.charge(1, content->size())) return cx.budget.failure();
            return some(Value::string(cx.arena.copy(*content)));
        }
        if (s.optional) return none();
        return resolve_error("Cannot resolve variable ${" + dotted + "}", s.pos);
    }

    // Dotted texts of the substitutions whose targets are being resolved,
    // innermost last: meeting one of them again is a cycle.
    std::vector<std::string> stack_;
    // Outcomes of targets already resolved in this call, by dotted text.
    // Without it, a value built by doubling references to the previous one
    // costs exponential time.
    std::unordered_map<std::string, Maybe> memo_;
};

}  // namespace

Result<Value> resolve_strict(ResolveContext& cx, Value root) {
    StrictResolver r(cx, root);
    Outcome out = r.node(root, true);
    if (!out) return std::move(out).error();
    if (!out->present) return Value::of(make_object(cx.arena));
    return out->value;
}

}  // namespace quince
