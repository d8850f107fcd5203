#include "model/merge.hpp"

#include <cstring>
#include <vector>

#include "model/foreign.hpp"
#include "model/key_index.hpp"
#include "model/text.hpp"
#include "model/tree.hpp"

namespace quince {

namespace {

// The value that `s` names inside the member keyed s.path[0], whose value is
// `earlier`, provided it is concrete; null otherwise.
const Value* earlier_value(Arena& arena, const Value& earlier, const SubstNode& s) {
    const Value* cur = &earlier;
    for (std::uint32_t i = 1; i < s.length; ++i) {
        if (cur->kind != Kind::Object) return nullptr;
        const Member* next = find_member(arena, *cur->object, s.path[i]);
        if (!next) return nullptr;
        cur = &next->value;
    }
    return is_concrete(*cur) ? cur : nullptr;
}

// Strict dialect: a self-reference in `value` (a path starting with `key`)
// would otherwise see its own new value, or nothing, once resolution runs:
// give it a share of the value it means now.
void substitute_self_ref(Arena& arena, Str key, const Value& earlier, Value& value) {
    auto replacement = [&](const SubstNode& s) -> const Value* {
        if (s.length == 0 || !(s.path[0] == key)) return nullptr;
        const Value* found = earlier_value(arena, earlier, s);
        if (found) mark_shared(*found);
        return found;
    };
    if (value.kind == Kind::Subst) {
        if (const Value* found = replacement(*value.subst)) value = *found;
    } else if (value.kind == Kind::Concat) {
        for (std::uint32_t i = 0; i < value.concat->size; ++i) {
            Value& seg = value.concat->items[i];
            if (seg.kind != Kind::Subst) continue;
            if (const Value* found = replacement(*seg.subst)) seg = *found;
        }
    }
}

// Strict dialect: whether resolution may find nothing for `value`, in which
// case the definition before it stays.
bool may_be_absent(const Value& value) {
    switch (value.kind) {
    case Kind::Subst:
    case Kind::Merge:
        return true;
    case Kind::Concat:
        for (std::uint32_t i = 0; i < value.concat->size; ++i) {
            const Value& seg = value.concat->items[i];
            if (seg.kind == Kind::Subst) continue;
            if (seg.kind == Kind::Str && (seg.flags & Value::kUnquoted) && is_blank(seg.str())) continue;
            return false;
        }
        return true;
    default:
        return false;
    }
}

class Merger {
public:
    explicit Merger(MergeContext& cx) : cx_(cx) {}

    // Combines `value` into the existing member `m`.
    void combine(Member& m, Value value, bool value_shared) {
        if (value_shared) mark_shared(value);
        if ((m.value.kind == Kind::Foreign || value.kind == Kind::Foreign) && m.value.is_object_like() &&
            value.is_object_like()) {
            // Objects already handed over to the caller merge on its side.
            if (!cx_.eager || !cx_.eager->merge(m.value, value)) cx_.foreign_failed = true;
            return;
        }
        if (cx_.dialect == Dialect::Strict) {
            substitute_self_ref(cx_.arena, m.key, m.value, value);
            if (m.value.kind == Kind::Object && value.kind == Kind::Object) {
                schedule(m.value, value);
            } else if (may_be_absent(value)) {
                m.value = push_layer(cx_.arena, m.value, value);
            } else {
                m.value = value;
            }
            return;
        }
        if (m.value.kind == Kind::Object && value.kind == Kind::Object) {
            schedule(m.value, value);
        } else if (value.kind == Kind::Object && m.value.kind == Kind::Merge &&
                   m.value.merge->layers[m.value.merge->size - 1].kind == Kind::Object) {
            schedule(m.value.merge->layers[m.value.merge->size - 1], value);
        } else if (value.is_opaque() || (value.kind == Kind::Object && m.value.is_opaque())) {
            // Only resolution can tell what the definitions come to.
            m.value = push_layer(cx_.arena, m.value, value);
        } else {
            m.value = value;
        }
    }

    // Drains the object pairs scheduled so far.
    bool run() {
        while (!pending_.empty()) {
            if (cx_.foreign_failed) return false;
            const Pair pair = pending_.back();
            pending_.pop_back();
            touch(*pair.into);
            const bool shared = pair.from->shape.shared;
            for (std::uint32_t i = 0; i < pair.from->size; ++i) {
                if (!cx_.budget.step()) return false;
                const Member& sub = pair.from->items[i];
                Member* m = find_member(cx_.arena, *pair.into, sub.key);
                if (m) {
                    combine(*m, sub.value, shared);
                } else {
                    if (shared) mark_shared(sub.value);
                    append_member(cx_.arena, *pair.into, sub.key, sub.value);
                }
            }
        }
        return !cx_.foreign_failed;
    }

    // `into` (an Object value that may be replaced by its own copy when it
    // is shared) receives the members of `from`.
    void schedule(Value& into, const Value& from) {
        if (into.object->shape.shared) {
            cx_.budget.step(into.object->size);
            into = Value::of(clone_object(cx_.arena, *into.object));
        }
        touch(*into.object);
        pending_.push_back({into.object, from.object});
    }

private:
    struct Pair {
        ObjectNode* into;
        const ObjectNode* from;
    };
    MergeContext& cx_;
    // Merging pairs one after another instead of recursing: each pair only
    // changes its own `into`, so the order between pairs does not matter,
    // and the depth of the objects costs no native stack.
    std::vector<Pair> pending_;
};

}  // namespace

Value push_layer(Arena& arena, const Value& earlier, const Value& layer) {
    MergeNode* node;
    if (earlier.kind == Kind::Merge) {
        node = earlier.merge;
    } else {
        node = arena.make<MergeNode>();
        node->layers = arena.make_array<Value>(4);
        node->cap = 4;
        node->layers[node->size++] = earlier;
    }
    auto add = [&](const Value& v) {
        if (node->size == node->cap) {
            Value* grown = arena.make_array<Value>(std::size_t{node->cap} * 2);
            std::memcpy(static_cast<void*>(grown), node->layers, node->size * sizeof(Value));
            node->layers = grown;
            node->cap *= 2;
        }
        node->layers[node->size++] = v;
    };
    // The definitions of an included file follow those before the directive.
    if (layer.kind == Kind::Merge) {
        for (std::uint32_t i = 0; i < layer.merge->size; ++i) add(layer.merge->layers[i]);
    } else {
        add(layer);
    }
    return Value::of(node);
}

bool merge_into(MergeContext& cx, ObjectNode& obj, Str key, Value value) {
    if (obj.foreign) {
        if (cx.eager->put(obj.foreign, key, value)) return true;
        cx.foreign_failed = true;
        return false;
    }
    Member* m = find_member(cx.arena, obj, key);
    if (!m) {
        append_member(cx.arena, obj, key, value);
        return true;
    }
    Merger merger(cx);
    merger.combine(*m, value, false);
    return merger.run();
}

bool merge_over(MergeContext& cx, const Value& below, const Value& above, Value& out) {
    if (below.kind != Kind::Object || above.kind != Kind::Object) {
        out = above;
        return true;
    }
    if (!cx.budget.step(below.object->size) || !cx.budget.charge(below.object->size, 0)) return false;
    out = Value::of(clone_object(cx.arena, *below.object));
    mark_shared(above);
    Merger merger(cx);
    merger.schedule(out, above);
    return merger.run();
}

}  // namespace quince
