#include <charconv>
#include <cstring>
#include <cmath>
#include <stdexcept>

#include "model/number.hpp"
#include "model/text.hpp"
#include "resolve/internal.hpp"

namespace quince {

namespace {

EngineError mixed_error(SourcePos pos) {
    return resolve_error("object/array not allowed in a string concatenation", pos);
}

// Shortest round-trip digits in positional notation, only where that
// notation stays short: magnitudes in [1e-4, 1e16), and zero.
Status append_float(std::string& out, double d, SourcePos pos) {
    const double m = std::fabs(d);
    if (!std::isfinite(d) || (m != 0.0 && (m < 1e-4 || m >= 1e16)))
        return resolve_error("float outside the iso-renderable range in string concatenation", pos);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    std::string_view digits(buf, static_cast<std::size_t>(end - buf));
    out += digits;
    if (digits.find_first_of(".eE") == std::string_view::npos) out += ".0";
    return {};
}

// The strict dialect's rendering of a value inside a string.
Status append_scalar(std::string& out, const Value& v, SourcePos pos) {
    switch (v.kind) {
    case Kind::Null:
        return {};
    case Kind::Bool:
        out += v.truth() ? "True" : "False";
        return {};
    case Kind::Int: {
        std::int64_t n = 0;
        integer_value(v.str(), n);
        char buf[24];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, n);
        out.append(buf, end);
        return {};
    }
    case Kind::BigInt:
    case Kind::Str:
        out += v.str();
        return {};
    case Kind::Float:
        return append_float(out, float_value(v.str()), pos);
    case Kind::Array:
    case Kind::Object:
        return mixed_error(pos);
    default:
        break;
    }
    throw std::logic_error("internal error: entered unreachable code: unresolved");
}

Outcome join_strings(Resolver& r, const std::vector<Unit>& units, SourcePos pos) {
    std::string& out = r.text;
    out.clear();
    for (const Unit& u : units) {
        if (!u.present) continue;
        // Refuse before copying: two halves within the bound may make a
        // whole beyond it.
        if (out.size() + u.value.size > r.cx.budget.bytes_left()) return r.cx.budget.exceeded();
        if (u.text) {
            out += u.value.str();
        } else {
            Status st = append_scalar(out, u.value, pos);
            if (!st) return std::move(st).error();
        }
    }
    const std::string_view trimmed = trim(out);
    if (!r.cx.budget.charge(1, trimmed.size()) || !r.cx.budget.step(1 + out.size() / 64))
        return r.cx.budget.failure();
    return some(Value::string(r.cx.arena.copy(trimmed)));
}

Outcome join_objects(Resolver& r, const std::vector<Unit>& units) {
    MergeContext merging = r.merging();
    Value merged = Value::of(make_object(r.cx.arena));
    for (const Unit& u : units) {
        if (u.text || !u.present) continue;
        if (!merge_over(merging, merged, u.value, merged)) return r.cx.budget.failure();
    }
    return r.finish(merged);
}

Outcome join_arrays(Resolver& r, const std::vector<Unit>& units) {
    const std::size_t mark = r.items.size();
    for (const Unit& u : units) {
        if (u.text || !u.present) continue;
        const ArrayNode& a = *u.value.array;
        if (!r.cx.budget.step(a.size) || !r.cx.budget.charge(a.size, 0)) return r.cx.budget.failure();
        r.items.insert(r.items.end(), a.items, a.items + a.size);
    }
    return r.finish_array(mark);
}

// The HOCON dialect's rendering: numbers as written, lower-case keywords.
std::size_t hocon_size(const Value& v) noexcept {
    switch (v.kind) {
    case Kind::Null: return 4;
    case Kind::Bool: return v.truth() ? 4 : 5;
    default: return v.size;
    }
}

// Written straight into the arena: its size is known before.
Outcome join_hocon_strings(Resolver& r, const std::vector<Unit>& units, SourcePos pos) {
    std::uint64_t total = 0;
    for (const Unit& u : units) {
        if (!u.present) continue;
        if (u.value.kind == Kind::Array || u.value.kind == Kind::Object) return mixed_error(pos);
        total += hocon_size(u.value);
    }
    if (total > r.cx.budget.bytes_left()) return r.cx.budget.exceeded();
    if (!r.cx.budget.charge(1, total) || !r.cx.budget.step(1 + total / 64)) return r.cx.budget.failure();
    char* out = static_cast<char*>(r.cx.arena.allocate(total ? total : 1, 1));
    std::size_t at = 0;
    for (const Unit& u : units) {
        if (!u.present) continue;
        std::string_view piece = u.value.kind == Kind::Null   ? std::string_view("null")
                                 : u.value.kind == Kind::Bool ? (u.value.truth() ? "true" : "false")
                                                              : u.value.str();
        if (!piece.empty()) std::memcpy(out + at, piece.data(), piece.size());
        at += piece.size();
    }
    return some(Value::string(std::string_view(out, at)));
}

// Pieces of text, scalars, arrays and objects: an absent optional
// substitution is empty text, or nothing next to arrays and objects; the
// whitespace written between arrays or objects is no part of them.
Outcome combine_hocon(Resolver& r, std::vector<Unit>& units, SourcePos pos) {
    std::size_t texts = 0, blanks = 0, scalars = 0, arrays = 0, objects = 0;
    const Unit* single = nullptr;
    for (const Unit& u : units) {
        if (u.text) {
            ++(u.blank ? blanks : texts);
        } else if (u.present) {
            const Kind k = u.value.kind;
            ++(k == Kind::Array ? arrays : k == Kind::Object ? objects : scalars);
            single = &u;
        }
    }
    if (arrays + objects > 0) {
        if (texts + scalars > 0 || (arrays > 0 && objects > 0)) return mixed_error(pos);
        return objects > 0 ? join_objects(r, units) : join_arrays(r, units);
    }
    if (texts + blanks + scalars == 0) return none();
    // A substitution standing alone among absent ones keeps its type.
    if (texts + blanks == 0 && scalars == 1) return some(single->value);
    return join_hocon_strings(r, units, pos);
}

}  // namespace

Outcome combine_units(Resolver& r, std::vector<Unit>& units, SourcePos pos) {
    if (r.dialect() == Dialect::Hocon) return combine_hocon(r, units, pos);
    bool has_text = false, all_objects = true, all_arrays = true, any_value = false;
    for (const Unit& u : units) {
        if (u.text) {
            has_text = has_text || !u.blank;
        } else if (u.present) {
            any_value = true;
            all_objects = all_objects && u.value.kind == Kind::Object;
            all_arrays = all_arrays && u.value.kind == Kind::Array;
        }
    }
    if (has_text) return join_strings(r, units, pos);
    if (!any_value) return none();
    if (all_objects) return join_objects(r, units);
    if (all_arrays) return join_arrays(r, units);
    return join_strings(r, units, pos);
}

}  // namespace quince
