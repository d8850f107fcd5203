#include "resolve/merge.hpp"

#include "model/key_index.hpp"

namespace quince {

namespace {

// The value that `path` names inside the member keyed path[0] (whose value
// is `earlier`), provided it is concrete; null otherwise.
const Value* earlier_value(const Value& earlier, const KeyPath& path) noexcept {
    const Value* cur = &earlier;
    for (std::size_t i = 1; i < path.size(); ++i) {
        const Object* obj = cur->get<Object>();
        const Member* next = obj ? find_member(*obj, path[i]) : nullptr;
        if (!next) return nullptr;
        cur = &next->value;
    }
    return is_concrete(*cur) ? cur : nullptr;
}

// A self-reference in `value` (a path starting with `key`) would otherwise
// see its own new value, or nothing, once resolution runs: give it a copy
// of the value it means now.
void substitute_self_ref(const Key& key, const Value& earlier, Value& value,
                         Budget* budget) {
    auto refers = [&](const KeyPath& path) { return !path.empty() && path[0] == key; };
    auto affordable = [&](const Value& v) { return !budget || budget->charge(v); };
    if (Subst* s = value.get<Subst>()) {
        if (!refers(s->path)) return;
        const Value* found = earlier_value(earlier, s->path);
        if (found && affordable(*found)) value = Value(*found);
    } else if (Concat* c = value.get<Concat>()) {
        for (CSeg& seg : c->segs) {
            Subst* s = std::get_if<Subst>(&seg.v);
            if (!s || !refers(s->path)) continue;
            const Value* found = earlier_value(earlier, s->path);
            if (found && affordable(*found)) seg.v = Value(*found);
        }
    }
}

}  // namespace

void merge_into(Object& obj, Key&& key, Value&& value, Budget* budget) {
    Member* m = find_member(obj, key);
    if (!m) {
        if (obj.members.empty()) obj.members.reserve(4);
        obj.members.push_back(Member{std::move(key), std::move(value)});
        return;
    }
    substitute_self_ref(m->key, m->value, value, budget);
    Object* into = m->value.get<Object>();
    Object* from = value.get<Object>();
    if (into && from) {
        for (Member& sub : from->members)
            merge_into(*into, std::move(sub.key), std::move(sub.value), budget);
    } else {
        m->value = std::move(value);
    }
}

}  // namespace quince
