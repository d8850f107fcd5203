#include <charconv>
#include <cmath>
#include <stdexcept>

#include "model/text.hpp"
#include "resolve/merge.hpp"
#include "resolve/resolve.hpp"

namespace quince {

namespace {

// One resolved segment of a concatenation: text as written, or a value
// (empty when the segment resolved to nothing).
struct Unit {
    const std::string* text = nullptr;
    std::optional<Value> value;
    bool blank = false;
};

EngineError mixed_error() { return unsupported("object/array not allowed in a string concatenation"); }

// Shortest round-trip digits in positional notation, only where that
// notation stays short: magnitudes in [1e-4, 1e16), and zero.
Status append_float(std::string& out, double d) {
    const double m = std::fabs(d);
    if (!std::isfinite(d) || (m != 0.0 && (m < 1e-4 || m >= 1e16)))
        return unsupported("float outside the iso-renderable range in string concatenation");
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    std::string_view digits(buf, static_cast<std::size_t>(end - buf));
    out += digits;
    if (digits.find_first_of(".eE") == std::string_view::npos) out += ".0";
    return {};
}

Status append_scalar(std::string& out, const Value& v) {
    switch (v.kind()) {
    case Kind::Null:
        return {};
    case Kind::Bool:
        out += *v.get<bool>() ? "True" : "False";
        return {};
    case Kind::Int: {
        char buf[24];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *v.get<std::int64_t>());
        out.append(buf, end);
        return {};
    }
    case Kind::BigInt:
        out += v.get<BigInt>()->text;
        return {};
    case Kind::Float:
        return append_float(out, *v.get<double>());
    case Kind::Str:
        out += *v.get<std::string>();
        return {};
    case Kind::Array:
    case Kind::Object:
        return mixed_error();
    case Kind::Subst:
    case Kind::Concat:
        break;
    }
    throw std::logic_error("internal error: entered unreachable code: unresolved");
}

Outcome join_strings(Resolution& res, const std::vector<Unit>& units) {
    std::string out;
    for (const Unit& u : units) {
        if (u.text) {
            out += *u.text;
        } else if (u.value) {
            Status st = append_scalar(out, *u.value);
            if (!st) return std::move(st).error();
        }
    }
    std::string_view trimmed = trim(out);
    if (!res.budget.charge(1, trimmed.size())) return Budget::exceeded();
    return std::optional<Value>(Value(std::string(trimmed)));
}

}  // namespace

Outcome resolve_concat(Resolution& res, const Concat& concat) {
    std::vector<Unit> units;
    units.reserve(concat.segs.size());
    // Every segment is resolved before any combining, so that a substitution
    // error wins over a type error of the concatenation.
    for (const CSeg& seg : concat.segs) {
        Unit u;
        if (const Text* t = std::get_if<Text>(&seg.v)) {
            u.text = &t->text;
            u.blank = is_blank(t->text);
        } else {
            Outcome r = std::holds_alternative<Subst>(seg.v)
                            ? resolve_subst(res, std::get<Subst>(seg.v).path,
                                            std::get<Subst>(seg.v).optional)
                            : resolve_node(res, std::get<Value>(seg.v));
            if (!r) return r;
            u.value = std::move(*r);
        }
        units.push_back(std::move(u));
    }

    bool has_text = false, all_objects = true, all_arrays = true, any_value = false;
    for (const Unit& u : units) {
        if (u.text) {
            has_text = has_text || !u.blank;
        } else if (u.value) {
            any_value = true;
            all_objects = all_objects && u.value->kind() == Kind::Object;
            all_arrays = all_arrays && u.value->kind() == Kind::Array;
        }
    }
    if (has_text) return join_strings(res, units);
    if (!any_value) return std::optional<Value>();
    if (all_objects) {
        Object merged;
        for (Unit& u : units) {
            if (u.text || !u.value) continue;
            for (Member& m : u.value->get<Object>()->members)
                merge_into(merged, std::move(m.key), std::move(m.value));
        }
        return std::optional<Value>(Value(std::move(merged)));
    }
    if (all_arrays) {
        Array joined;
        for (Unit& u : units) {
            if (u.text || !u.value) continue;
            for (Value& item : u.value->get<Array>()->items) joined.items.push_back(std::move(item));
        }
        return std::optional<Value>(Value(std::move(joined)));
    }
    return join_strings(res, units);
}

}  // namespace quince
