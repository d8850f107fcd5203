// Resolution in the HOCON dialect. Substitutions look forward: a path is
// looked up in the whole document, through other substitutions if need be,
// and every node is resolved once. A definition that refers to its own key
// looks back instead: while the layers of a key are being combined, a
// lookup that reaches the key sees only the layers below the one in hand.
#include <string>
#include <unordered_map>

#include "model/key_index.hpp"
#include "model/stack.hpp"
#include "model/text.hpp"
#include "resolve/hocon.hpp"
#include "resolve/internal.hpp"

namespace quince {

namespace {

std::string show_path(const SubstNode& s, std::uint32_t from) {
    std::string out;
    for (std::uint32_t i = from; i < s.length; ++i) {
        if (i > from) out += '.';
        const std::string_view e = s.path[i];
        bool plain = !e.empty();
        for (char c : e)
            plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                              c == '-' || c == '_');
        if (plain) {
            out += e;
        } else {
            out += '"';
            out += e;
            out += '"';
        }
    }
    return out;
}

// The key of a memoised outcome: a node, or the first `layers` layers of a
// Merge node.
struct MemoKey {
    const void* node;
    std::uint32_t layers;
    bool operator==(const MemoKey&) const = default;
};
struct MemoHash {
    std::size_t operator()(const MemoKey& k) const noexcept {
        return std::hash<const void*>()(k.node) * 31 + k.layers;
    }
};

class HoconResolver : public Resolver {
public:
    using Resolver::Resolver;

    Outcome resolve_root() { return node(&root, true); }

private:
    // A node being resolved. `layers` counts the layers of a Merge node in
    // hand; `taint` is the outermost frame whose state the outcome so far
    // depends on (a look-back into it).
    struct Frame {
        MemoKey key;
        std::size_t taint;
    };

    enum class Lookup : std::uint8_t { Found, Missing, Cycle };

    // Any node reachable from the root, by address: memoised when opaque or
    // a container holding opaque parts.
    Outcome node(const Value* v, bool is_root = false) {
        if (v->kind == Kind::Merge) return layers(*v->merge, v->merge->size);
        if (!v->is_opaque() && !(v->is_container() && !is_concrete(*v))) return some(*v);
        return framed({v, 0}, [&] { return evaluate(*v, is_root); });
    }

    Outcome layers(const MergeNode& m, std::uint32_t count) {
        return framed({&m, count}, [&] { return combine_layers(m, count); });
    }

    // Runs `compute` as a frame: memoised, and recorded as in progress so
    // that a lookup reaching it looks back or reports a cycle.
    template <class F>
    Outcome framed(MemoKey key, F&& compute) {
        if (auto hit = memo_.find(key); hit != memo_.end()) return hit->second;
        DepthGuard guard(depth, limits::kMaxResolveDepth);
        if (!guard.ok()) return too_deeply_nested();
        if (!cx.budget.step()) return cx.budget.failure();
        const std::size_t index = frames_.size();
        frames_.push_back({key, SIZE_MAX});
        Outcome out = compute();
        const std::size_t taint = frames_.back().taint;
        frames_.pop_back();
        if (taint < index) {
            // It looked back into a frame around it: valid only there.
            Frame& parent = frames_.back();
            if (taint < parent.taint) parent.taint = taint;
        } else if (out) {
            memo_.emplace(key, *out);
        }
        return out;
    }

    Outcome evaluate(const Value& v, bool is_root) {
        switch (v.kind) {
        case Kind::Array: return array(*v.array);
        case Kind::Object: return object(*v.object, is_root);
        case Kind::Subst: return subst(*v.subst);
        case Kind::Concat: return concat(*v.concat);
        default: return some(v);
        }
    }

    // The first `count` layers of a key, newest first: a newer object merges
    // over the older ones, anything else hides them, and a layer that
    // resolves to nothing leaves the ones below.
    Outcome combine_layers(const MergeNode& m, std::uint32_t count) {
        if (count == 0) return none();
        const Value& top = m.layers[count - 1];
        Outcome r = top.kind == Kind::Merge ? layers(*top.merge, top.merge->size) : node(&top);
        if (!r) return r;
        if (!r->present) return count > 1 ? layers(m, count - 1) : none();
        if (r->value.kind != Kind::Object || count == 1) return r;
        Outcome below = layers(m, count - 1);
        if (!below) return below;
        if (!below->present || below->value.kind != Kind::Object) return r;
        MergeContext merging = this->merging();
        Value merged;
        if (!merge_over(merging, below->value, r->value, merged)) return cx.budget.failure();
        return finish(merged);
    }

    Outcome array(const ArrayNode& in) {
        return resolve_elements(in, [&](const Value& v) { return node(&v); });
    }

    Outcome object(const ObjectNode& in, bool is_root) {
        ObjectNode* out = make_object(cx.arena, in.size);
        for (std::uint32_t i = 0; i < in.size; ++i) {
            Outcome r = node(&in.items[i].value);
            if (!r) return r;
            if (r->present) append_member(cx.arena, *out, in.items[i].key, r->value);
        }
        return finish(Value::of(out), is_root);
    }

    Outcome concat(const ConcatNode& c) {
        std::vector<Unit> units;
        units.reserve(c.size);
        SourcePos pos;
        for (std::uint32_t i = 0; i < c.size; ++i) {
            const Value& seg = c.items[i];
            Unit u;
            if (seg.kind == Kind::Str) {
                u.value = seg;
                u.text = true;
                u.blank = (seg.flags & Value::kUnquoted) && is_blank_hocon(seg.str());
            } else {
                if (seg.kind == Kind::Subst && !pos.source) pos = seg.subst->pos;
                Outcome r = node(&seg);
                if (!r) return r;
                u.value = r->value;
                u.present = r->present;
            }
            units.push_back(u);
        }
        return combine_units(*this, units, pos);
    }

    static bool is_blank_hocon(std::string_view s) {
        for (std::size_t i = 0, len; i < s.size(); i += len)
            if (!unicode::is_hocon_space(decode_at(s, i, &len))) return false;
        return true;
    }

    // The innermost frame of this Merge node in progress, or null.
    const Frame* in_progress(MemoKey key) const {
        for (std::size_t i = frames_.size(); i-- > 0;)
            if (frames_[i].key.node == key.node) return &frames_[i];
        return nullptr;
    }

    // Looks `path[from..]` up from the root and resolves what it finds into
    // `out` (or an error). A node the walk passes through is resolved when it
    // is not an object as written.
    Lookup find(const SubstNode& s, std::uint32_t from, Outcome& out) {
        const Value* cur = &root;
        Value resolved;  // once the walk has gone through a resolved value
        bool in_resolved = false;
        for (std::uint32_t i = from; i < s.length; ++i) {
            if (!cx.budget.step()) {
                out = cx.budget.failure();
                return Lookup::Found;
            }
            if (!in_resolved && cur->is_opaque()) {
                const Lookup l = enter(*cur, out);
                if (l != Lookup::Found || !out) return l;
                if (!out->present) return Lookup::Missing;
                resolved = out->value;
                in_resolved = true;
            }
            const Value& here = in_resolved ? resolved : *cur;
            if (here.kind != Kind::Object) return Lookup::Missing;
            const Member* next = find_member(cx.arena, *here.object, s.path[i]);
            if (!next) return Lookup::Missing;
            if (in_resolved) resolved = next->value;
            else cur = &next->value;
        }
        if (in_resolved) {
            out = some(resolved);
            return Lookup::Found;
        }
        const Lookup l = enter(*cur, out);
        // A path whose value comes to nothing is not there.
        if (l == Lookup::Found && out && !out->present) return Lookup::Missing;
        return l;
    }

    // Resolves a node the walk of a lookup reached: a node in progress is
    // seen through the layers below the one in hand, or is a cycle.
    Lookup enter(const Value& v, Outcome& out) {
        const MemoKey key = v.kind == Kind::Merge ? MemoKey{v.merge, 0} : MemoKey{&v, 0};
        if (const Frame* f = in_progress(key)) {
            const std::size_t index = static_cast<std::size_t>(f - frames_.data());
            Frame& current = frames_.back();
            if (index < current.taint) current.taint = index;
            if (v.kind != Kind::Merge || f->key.layers <= 1) return Lookup::Cycle;
            out = layers(*v.merge, f->key.layers - 1);
            return Lookup::Found;
        }
        out = node(&v);
        return Lookup::Found;
    }

    Outcome subst(const SubstNode& s) {
        // In an included file, below the object it was included into first,
        // then from the root.
        Outcome out = none();
        Lookup l = find(s, 0, out);
        if (l == Lookup::Found) return out;
        bool cycle = l == Lookup::Cycle;
        if (s.prefix > 0) {
            l = find(s, s.prefix, out);
            if (l == Lookup::Found) return out;
            cycle = cycle || l == Lookup::Cycle;
        }
        // Not in the document: a one-element path names an environment variable.
        if (s.length - s.prefix == 1) {
            if (!cx.budget.step()) return cx.budget.failure();
            if (auto content = cx.env.lookup(s.path[s.prefix])) {
                if (!cx.budget.charge(1, content->size())) return cx.budget.failure();
                return some(Value::string(cx.arena.copy(*content)));
            }
        }
        if (s.optional) return none();
        const std::string shown = "${" + show_path(s, s.prefix) + "}";
        if (cycle) return resolve_error("cycle: " + shown + " refers back to itself", s.pos);
        return resolve_error("could not resolve substitution " + shown + ": no such path and no such "
                             "environment variable",
                             s.pos);
    }

    std::vector<Frame> frames_;
    std::unordered_map<MemoKey, Maybe, MemoHash> memo_;
};

}  // namespace

Result<Value> resolve_hocon(ResolveContext& cx, Value root) {
    HoconResolver r(cx, root);
    Outcome out = r.resolve_root();
    if (!out) return std::move(out).error();
    if (!out->present) return Value::of(make_object(cx.arena));
    return out->value;
}

}  // namespace quince
