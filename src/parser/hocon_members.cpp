// Members of an object in the HOCON dialect: keys are path expressions, a
// member ends at a new line or one comma, and "+=" appends to an array.
#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

// Characters that may not stand outside quotes.
bool is_reserved(char c) noexcept { return kCharClass[static_cast<unsigned char>(c)] & kReserved; }

// One element of a path being assembled from pieces (unquoted runs, quoted
// strings, whitespace between them). A single piece stays a view.
class Element {
public:
    void add(std::string_view piece, std::string& buf) {
        if (!started_) {
            view_ = piece;
            started_ = true;
        } else if (!owned_) {
            buf.assign(view_);
            buf.append(piece);
            owned_ = true;
        } else {
            buf.append(piece);
        }
    }
    void mark_quoted() noexcept { quoted_ = true; }
    bool empty() const noexcept { return !started_ || (!owned_ && view_.empty()); }
    bool quoted() const noexcept { return quoted_; }
    Str finish(Arena& arena, const std::string& buf) const {
        return owned_ ? Str(arena.copy(buf)) : Str(view_);
    }

private:
    std::string_view view_;
    bool started_ = false, owned_ = false, quoted_ = false;
};

std::string describe_key(const Parser& p, std::size_t mark, std::size_t size) {
    std::string out;
    for (std::size_t i = mark; i < mark + size; ++i) {
        if (i > mark) out += '.';
        out += p.cx.keys[i].view();
    }
    return out;
}


// Makes a key's elements the innermost part of the path of the object being
// read, for the lifetime of the scope (substitutions of included files and
// "+=" need the absolute path).
class PathScope {
public:
    PathScope(ParseContext& cx, std::size_t mark, std::size_t n) noexcept
        : cx_(cx), frame_{cx.path, mark, n, cx.path_length() + n} {
        cx.path = &frame_;
    }
    ~PathScope() { cx_.path = frame_.outer; }
    PathScope(const PathScope&) = delete;
    PathScope& operator=(const PathScope&) = delete;

private:
    ParseContext& cx_;
    PathFrame frame_;
};

bool at_include_keyword(const Parser& p) noexcept {
    constexpr std::string_view kw = "include";
    if (p.chars.compare(p.pos, kw.size(), kw) != 0) return false;
    Parser& q = const_cast<Parser&>(p);
    const std::size_t save = q.pos;
    q.pos += kw.size();
    // The keyword is the whole unquoted run: "include.a" or "includex" are keys.
    const bool whole = q.at_end() || q.cur() == '\n' || space_at(q) > 0 || is_reserved(q.cur()) ||
                       at_comment(q);
    q.pos = save;
    return whole;
}

// `a += x` is `a = ${?a} [x]`, with the absolute path of `a`.
Result<Value> append_value(Parser& p, std::size_t at, Value element) {
    const Value array = make_array(p.cx.arena, &element, 1);
    std::vector<Str> path;
    p.cx.path_elements(p.cx.path_length(), path);
    const Value self = make_subst(p.cx.arena, path.data(), static_cast<std::uint32_t>(path.size()), p.prefix,
                                  true, p.at(at));
    const Value segs[] = {self, array};
    p.cx.unresolved = true;
    return make_concat(p.cx.arena, segs, 2);
}

// Entry: after the key and the gap after it. Exit: after the value. The key's
// elements are the innermost part of `p.cx.path`.
Result<Value> separator_and_value(Parser& p, std::size_t key_mark, std::size_t key_size) {
    if (!p.at_end() && p.cur() == '{') return parse_braced_members(p);
    const std::size_t at = p.pos;
    bool append = false;
    if (!p.at_end() && (p.cur() == ':' || p.cur() == '=')) {
        ++p.pos;
    } else if (!p.at_end() && p.cur() == '+' && p.next() == '=') {
        p.pos += 2;
        append = true;
    } else {
        std::string msg = "expected ':', '=', '+=' or '{' after key '";
        msg += describe_key(p, key_mark, key_size);
        msg += "', found ";
        msg += found(p);
        return syntax_error(std::move(msg), p.here());
    }
    skip_lines(p);
    auto value = parse_hocon_value(p);
    if (!value || !append) return value;
    return append_value(p, at, *value);
}

}  // namespace

std::string_view read_unquoted_run(Parser& p) noexcept {
    const std::size_t start = p.pos;
    const bool numeric = p.cur() == '-' || (p.cur() >= '0' && p.cur() <= '9');
    const std::string_view s = p.chars;
    std::size_t i = p.pos;
    for (; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::uint8_t cls = kCharClass[b];
        if (cls == 0) continue;
        if (b == '+' && numeric && i > start && (s[i - 1] == 'e' || s[i - 1] == 'E')) continue;  // an exponent's sign
        if (cls == kSlash) {
            if (i + 1 < s.size() && s[i + 1] == '/' && !p.json()) break;
            continue;
        }
        if (cls != kNonAscii) break;
        std::size_t len;
        if (unicode::is_hocon_space(decode_at(s, i, &len))) break;
        i += len - 1;
    }
    p.pos = i;
    return s.substr(start, i - start);
}

Status read_path_expression(Parser& p, bool in_substitution) {
    std::string& buf = p.cx.scratch;
    Element element;
    std::size_t element_at = p.pos;
    std::string_view pending;  // whitespace after the last piece
    auto finish = [&]() -> Status {
        if (element.empty() && !element.quoted())
            return syntax_error("a path element is empty (a leading, trailing or doubled '.'; quote \"\" "
                                "for an empty key)",
                                p.at(element_at));
        p.cx.keys.push_back(element.finish(p.cx.arena, buf));
        element = Element();
        return {};
    };
    bool any = false;
    for (;;) {
        if (p.at_end() || p.cur() == '\n') {
            if (in_substitution) return syntax_error("expected '}' to close the substitution, found " + found(p), p.here());
            break;
        }
        const char c = p.cur();
        if (const std::size_t len = space_at(p)) {
            if (any) pending = p.chars.substr(p.pos - pending.size(), pending.size() + len);
            p.pos += len;
            continue;
        }
        if (in_substitution ? c == '}' : (c == ':' || c == '=' || c == '{' || (c == '+' && p.next() == '=')))
            break;
        if (!in_substitution && at_comment(p)) break;
        if (!pending.empty()) {
            element.add(pending, buf);
            pending = {};
        }
        if (c == '"') {
            auto text = parse_quoted(p);
            if (!text) return std::move(text).error();
            element.add(*text, buf);
            element.mark_quoted();
            any = true;
            continue;
        }
        if (is_reserved(c) || at_comment(p)) {
            return not_allowed(p, in_substitution ? "in a substitution path" : "in a key");
        }
        // An unquoted run: its dots separate elements.
        const std::size_t run_at = p.pos;
        std::string_view run = read_unquoted_run(p);
        any = true;
        for (;;) {
            const std::size_t dot = run.find('.');
            if (!run.substr(0, dot).empty()) element.add(run.substr(0, dot), buf);
            if (dot == std::string_view::npos) break;
            Status st = finish();
            if (!st) return st;
            element_at = run_at + (run.data() + dot + 1 - p.chars.data() - run_at);
            run.remove_prefix(dot + 1);
        }
    }
    if (!any) {
        return syntax_error(in_substitution ? "a substitution needs a path: ${path}"
                                            : "expected a key, found " + found(p),
                            p.here());
    }
    return finish();
}

// JSON: a key is one quoted string, taken whole.
Status read_json_key(Parser& p) {
    if (p.at_end() || p.cur() != '"') return syntax_error("expected a quoted key, found " + found(p), p.here());
    auto text = parse_quoted(p);
    if (!text) return std::move(text).error();
    p.cx.keys.push_back(*text);
    skip_lines(p);
    if (p.at_end() || p.cur() != ':') return syntax_error("expected ':' after the key, found " + found(p), p.here());
    return {};
}

// The common key of JSON-like text: one quoted string followed by the
// separator. Pushes it and returns true; false (with anything pushed or
// consumed of no further use) for every other key.
bool quoted_key_alone(Parser& p) {
    if (p.at_end() || p.cur() != '"' || at_triple_quote(p)) return false;
    auto text = parse_quoted(p);
    if (!text) return false;  // the general path reports it
    skip_spaces(p);
    if (p.at_end()) return false;
    const char c = p.cur();
    if (c != ':' && c != '=' && c != '{' && !(c == '+' && p.next() == '=' && !p.json())) return false;
    if (p.json() && c != ':') return false;
    p.cx.keys.push_back(*text);
    return true;
}

Status parse_hocon_member(Parser& p, ObjectNode& obj) {
    if (!p.json() && at_include_keyword(p)) {
        p.pos += 7;
        return parse_hocon_include(p, obj);
    }
    const std::size_t key_at = p.pos;
    KeyScope key(p.cx.keys);
    Status st;
    if (!quoted_key_alone(p)) {
        p.pos = key_at;
        st = p.json() ? read_json_key(p) : read_path_expression(p, false);
        if (!st) return st;
    }
    skip_lines(p);
    // Every element but the last adds a level of nesting around the value.
    NestingGuard guard(p, key.size() - 1);
    if (!guard.ok()) return too_deep(p.at(key_at));
    Result<Value> value = Value();
    const Arena::Mark mark = p.cx.arena.mark();
    {
        PathScope scope(p.cx, key.mark(), key.size());
        value = separator_and_value(p, key.mark(), key.size());
    }
    if (!value) return std::move(value).error();
    st = finish_eager(p, *value, mark);
    if (!st) return st;
    MergeContext merging = p.cx.merging();
    const Value nested = wrap_path(p.cx.arena, key.data(), key.size(), *value);
    if (!merge_into(merging, obj, key.data()[0], nested)) return merge_failure(p, merging);
    return {};
}

// A member ends at a new line or one comma; "}" closes a braced object.
Status parse_hocon_members(Parser& p, std::optional<char> terminator, ObjectNode& obj) {
    bool need_separator = false;
    for (;;) {
        const bool newline = skip_lines(p);
        if (p.at_end()) {
            if (terminator) return syntax_error("expected '}' to close the object, found end of input", p.here());
            return {};
        }
        const char c = p.cur();
        if (terminator && c == *terminator) return {};
        if (c == ',') {
            if (!need_separator) return syntax_error("unexpected ',' (a comma must follow a field)", p.here());
            ++p.pos;
            need_separator = false;
            // JSON allows no comma before the closing brace.
            if (p.json()) {
                skip_lines(p);
                if (p.at_end() || p.cur() == '}') return syntax_error("expected a field after ','", p.here());
            }
            continue;
        }
        if (c == '}' || c == ']')
            return syntax_error("unexpected '" + std::string(1, c) + "'" +
                                (terminator ? "" : " (no object is open)"), p.here());
        if (need_separator && (!newline || p.json()))
            return syntax_error(std::string(p.json() ? "expected ','" : "expected ',' or a new line") +
                                " between fields, found " + found(p), p.here());
        if (!p.cx.budget.step()) return p.cx.budget.failure();
        Status st = parse_hocon_member(p, obj);
        if (!st) return st;
        need_separator = true;
    }
}

}  // namespace quince
