// Values in the HOCON dialect: a value is the concatenation of the pieces
// written next to each other on one line. Without substitutions it is
// evaluated here; with them it becomes a Concat for resolution.
#include "model/number.hpp"
#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// -?(digits[.digits*] | .digits+ after "-")([eE][+-]?digits+)?; leading zeros
// allowed. Integers have neither a point nor an exponent.
Kind number_kind(std::string_view s) noexcept {
    std::size_t i = 0, n = s.size();
    if (i < n && s[i] == '-') ++i;
    const std::size_t int_begin = i;
    while (i < n && is_digit(s[i])) ++i;
    const bool int_digits = i > int_begin;
    bool fraction = false;
    if (i < n && s[i] == '.') {
        fraction = true;
        const std::size_t frac_begin = ++i;
        while (i < n && is_digit(s[i])) ++i;
        // ".5" is text; "-.5" and "1." are numbers
        if (!int_digits && (i == frac_begin || int_begin == 0)) return Kind::Str;
    } else if (!int_digits) {
        return Kind::Str;
    }
    bool exponent = false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t exp_begin = i;
        while (i < n && is_digit(s[i])) ++i;
        if (i == exp_begin) return Kind::Str;
        exponent = true;
    }
    if (i != n) return Kind::Str;
    if (fraction || exponent) return Kind::Float;
    std::int64_t unused;
    return integer_value(s, unused) ? Kind::Int : Kind::BigInt;
}

// The value of an unquoted run: a keyword, a number, or text.
Result<Value> classify(Parser& p, std::string_view run, std::size_t at) {
    if (run == "true") return Value::boolean(true);
    if (run == "false") return Value::boolean(false);
    if (run == "null") return Value::null();
    const Kind kind = number_kind(run);
    if (kind != Kind::Str) return Value::textual(kind, run);
    if (run.find('+') != std::string_view::npos)
        return syntax_error("'+' is not allowed outside quotes (in '" + std::string(run) + "')", p.at(at));
    return Value::textual(Kind::Str, run, Value::kUnquoted);
}

// Entry: on "$" of "${". Exit: after the closing "}".
Result<Value> read_substitution(Parser& p) {
    const std::size_t at = p.pos;
    p.pos += 2;
    bool optional = false;
    if (!p.at_end() && p.cur() == '?') {
        optional = true;
        ++p.pos;
    }
    // Paths are absolute; in an included file they are first tried below the
    // object the file was included into.
    const std::size_t mark = p.cx.keys.size();
    p.cx.path_elements(p.prefix, p.cx.keys);
    Status st = read_path_expression(p, true);
    if (!st) {
        p.cx.keys.resize(mark);
        return std::move(st).error();
    }
    ++p.pos;  // "}"
    Value subst = make_subst(p.cx.arena, p.cx.keys.data() + mark,
                             static_cast<std::uint32_t>(p.cx.keys.size() - mark), p.prefix, optional, p.at(at));
    p.cx.keys.resize(mark);
    p.cx.unresolved = true;
    return subst;
}

// Entry: on "[". Exit: after the matching "]". Elements end at a new line or
// one comma.
Result<Value> read_array(Parser& p) {
    const std::size_t open = p.pos++;
    NestingGuard guard(p);
    if (!guard.ok()) return too_deep(p.at(open));
    struct InArray {
        std::size_t& n;
        explicit InArray(std::size_t& c) : n(++c) {}
        ~InArray() { --n; }
    } in_array(p.cx.arrays);
    std::vector<Value>& items = p.cx.items;
    const std::size_t mark = items.size();
    bool need_separator = false;
    for (;;) {
        const bool newline = skip_lines(p);
        if (p.at_end()) {
            items.resize(mark);
            return syntax_error("expected ']' to close the array opened at this position", p.at(open));
        }
        const char c = p.cur();
        if (c == ']') {
            ++p.pos;
            return finish_array(p, mark);
        }
        Status err;
        if (c == ',') {
            if (!need_separator) err = syntax_error("unexpected ',' (a comma must follow an element)", p.here());
            ++p.pos;
            need_separator = false;
            if (p.json() && err) {
                skip_lines(p);
                if (!p.at_end() && p.cur() == ']') err = syntax_error("expected an element after ','", p.here());
            }
        } else if (need_separator && (!newline || p.json())) {
            err = syntax_error("expected ',', a new line or ']' after an array element, found " + found(p), p.here());
        } else if (!p.cx.budget.step()) {
            err = p.cx.budget.failure();
        } else {
            const Arena::Mark mark = p.cx.arena.mark();
            auto item = parse_hocon_value(p);
            if (!item) err = std::move(item).error();
            else err = finish_eager(p, *item, mark);
            if (err) items.push_back(*item);
            need_separator = true;
        }
        if (!err) {
            items.resize(mark);
            return std::move(err).error();
        }
    }
}

// Entry: on the first character of a piece. Exit: after it.
Status read_piece(Parser& p, Piece& piece) {
    piece.at = p.pos;
    const char c = p.cur();
    Result<Value> value = Value();
    if (const std::size_t len = space_at(p)) {
        const std::size_t start = p.pos;
        p.pos += len;
        for (std::size_t more; !p.at_end() && p.cur() != '\n' && (more = space_at(p)) > 0;) p.pos += more;
        piece.value = Value::textual(Kind::Str, p.chars.substr(start, p.pos - start), Value::kUnquoted);
        piece.space = true;
        return {};
    }
    switch (c) {
    case '"': {
        auto text = parse_quoted(p);
        if (!text) return std::move(text).error();
        piece.value = Value::string(*text);
        return {};
    }
    case '$':
        if (p.next() != '{' || p.json())
            return syntax_error("'$' is not allowed outside quotes unless it starts ${...}", p.here());
        value = read_substitution(p);
        break;
    case '{':
        value = parse_braced_members(p);
        break;
    case '[':
        value = read_array(p);
        break;
    default: {
        std::string_view run = read_unquoted_run(p);
        if (run.empty()) return not_allowed(p, "in a value");
        value = classify(p, run, piece.at);
        if (value && p.json() && value->kind == Kind::Str)
            return syntax_error("JSON allows no unquoted text ('" + std::string(run) + "')", p.at(piece.at));
    }
    }
    if (!value) return std::move(value).error();
    piece.value = *value;
    return {};
}

EngineError cannot_concatenate(const Parser& p, const Piece& piece) {
    return resolve_error("cannot concatenate an object or array with text or another kind of value here",
                         p.at(piece.at));
}

// A concatenation without substitutions: a string, one array, or one object.
Result<Value> concatenate_now(Parser& p, const Piece* pieces, std::size_t first, std::size_t last) {
    Kind container = Kind::Null;
    for (std::size_t i = first; i <= last; ++i) {
        Kind k = pieces[i].value.kind;
        if (k == Kind::Foreign) {
            // An array already handed to the caller (objects are filled
            // there but stay objects here): read the document as a tree.
            if (!pieces[i].value.is_object_like()) return EngineError{ErrorCategory::Restart, false, {}, {}};
            k = Kind::Object;
        }
        if (k == Kind::Array || k == Kind::Object) container = k;
    }
    if (container != Kind::Null) {
        Value result;
        MergeContext merging = p.cx.merging();
        ObjectNode* merged = nullptr;
        if (container == Kind::Object) {
            auto made = new_object(p);
            if (!made) return std::move(made).error();
            merged = *made;
        }
        std::vector<Value>& items = p.cx.items;
        const std::size_t mark = items.size();
        for (std::size_t i = first; i <= last; ++i) {
            const Piece& piece = pieces[i];
            if (piece.space) continue;
            if (piece.value.kind != container) {
                items.resize(mark);
                return cannot_concatenate(p, piece);
            }
            if (merged && piece.value.object->foreign) {
                // Objects already filled on the caller's side merge there.
                Value whole = Value::of(merged);
                if (!p.cx.eager->merge(whole, piece.value)) return merge_failure(p, merging);
            } else if (merged) {
                const ObjectNode& o = *piece.value.object;
                for (std::uint32_t m = 0; m < o.size; ++m)
                    if (!merge_into(merging, *merged, o.items[m].key, o.items[m].value))
                        return merge_failure(p, merging);
            } else {
                const ArrayNode& a = *piece.value.array;
                items.insert(items.end(), a.items, a.items + a.size);
            }
        }
        if (merged) return Value::of(merged);
        result = make_array(p.cx.arena, items.data() + mark, items.size() - mark);
        items.resize(mark);
        return result;
    }
    std::string& text = p.cx.scratch;
    text.clear();
    for (std::size_t i = first; i <= last; ++i) {
        const Value& v = pieces[i].value;
        switch (v.kind) {
        case Kind::Null: text += "null"; break;
        case Kind::Bool: text += v.truth() ? "true" : "false"; break;
        default: text += v.str(); break;  // numbers keep the text they were written with
        }
    }
    return Value::string(p.cx.arena.copy(text));
}

Result<Value> assemble(Parser& p, const Piece* pieces, std::size_t count) {
    // Whitespace before the first piece and after the last is no part of it.
    std::size_t first = 0, last = count;
    while (first < last && pieces[first].space) ++first;
    while (last > first && pieces[last - 1].space) --last;
    if (first == last) return syntax_error("expected a value, found " + found(p), p.here());
    --last;
    if (first != last && p.json())
        return syntax_error("JSON allows one value here, not several next to each other", p.at(pieces[first + 1].at));
    if (first == last) {
        Value v = pieces[first].value;
        v.flags &= static_cast<std::uint8_t>(~Value::kUnquoted);
        return v;
    }
    bool substitution = false;
    for (std::size_t i = first; i <= last; ++i) substitution = substitution || pieces[i].value.kind == Kind::Subst;
    if (!substitution) return concatenate_now(p, pieces, first, last);
    std::vector<Value> segs;
    segs.reserve(last - first + 1);
    for (std::size_t i = first; i <= last; ++i) segs.push_back(pieces[i].value);
    p.cx.unresolved = true;
    return make_concat(p.cx.arena, segs.data(), segs.size());
}

bool at_value_end(const Parser& p) noexcept {
    const char c = p.cur();
    return c == '\n' || c == ',' || c == '}' || c == ']' || at_comment(p);
}

}  // namespace

Result<Value> parse_hocon_value(Parser& p) {
    // The pieces of nested values (arrays, objects) stack above this one's.
    std::vector<Piece>& pieces = p.cx.pieces;
    const std::size_t mark = pieces.size();
    struct Release {
        std::vector<Piece>& v;
        std::size_t mark;
        ~Release() { v.resize(mark); }
    } release{pieces, mark};
    while (!p.at_end() && !at_value_end(p)) {
        Piece piece;
        Status st = read_piece(p, piece);
        if (!st) return std::move(st).error();
        // Most values are one piece: skip the collection for them.
        if (pieces.size() == mark && !piece.space) {
            const std::size_t after = p.pos;
            skip_spaces(p);
            if (p.at_end() || at_value_end(p)) {
                piece.value.flags &= static_cast<std::uint8_t>(~Value::kUnquoted);
                return piece.value;
            }
            p.pos = after;
        }
        pieces.push_back(piece);
    }
    // Copied out: assembling may parse nothing more, but the vector could
    // still be reallocated by a caller's later use.
    return assemble(p, pieces.data() + mark, pieces.size() - mark);
}

}  // namespace quince
