#include <algorithm>

#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

// Entry: on the first character of an unquoted key. Exit: on the key
// terminator (not consumed). The key may come back empty.
std::string_view read_unquoted_key(Parser& p) noexcept {
    const std::size_t start = p.pos;
    while (!p.at_end()) {
        const char c = p.cur();
        switch (c) {
        case '\t': case '\n': case '\v': case '\f': case '\r': case ' ':
        case '#': case ',': case ':': case '=': case '[': case ']': case '{': case '}':
            return p.chars.substr(start, p.pos - start);
        case '+':
            if (p.next() == '=') return p.chars.substr(start, p.pos - start);
            break;
        case '/':
            if (p.next() == '/') return p.chars.substr(start, p.pos - start);
            break;
        default:
            break;
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            ++p.pos;
        } else {
            std::size_t len;
            if (unicode::is_white_space(decode_at(p.chars, p.pos, &len)))
                return p.chars.substr(start, p.pos - start);
            p.pos += len;
        }
    }
    return p.chars.substr(start);
}

bool is_plain_quoted_key(std::string_view key) noexcept {
    if (key.empty()) return false;
    for (char c : key) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool at_include_directive(const Parser& p, bool quoted, std::string_view key) noexcept {
    return !quoted && key == "include" &&
           (p.at_end() || (p.cur() != ':' && p.cur() != '=' && p.cur() != '{'));
}

// Entry: after the key and its inline gap, on the separator. Exit: after the
// value. `levels` is the nesting the key's dots add around the value.
Result<Value> separator_and_value(Parser& p, std::size_t levels) {
    NestingGuard guard(p, levels);
    if (!guard.ok()) return too_deep(p.here());
    if (!p.at_end() && (p.cur() == ':' || p.cur() == '=')) {
        ++p.pos;
        skip_inline_gap(p);
        return parse_value(p);
    }
    if (!p.at_end() && p.cur() == '{') return parse_braced_members(p);
    return syntax_error("expected '=' or ':' after the key, got " + render_char_at(p), p.here());
}

}  // namespace

std::pair<Str, Value> split_head(Arena& arena, Str key, Value value) {
    const std::string_view k = key;
    const std::size_t dot = k.find('.');
    if (dot == std::string_view::npos) return {key, value};
    // Wrap from the innermost segment outwards, without recursion.
    std::size_t end = k.size();
    for (std::size_t cut = k.rfind('.');; cut = k.rfind('.', cut - 1)) {
        ObjectNode* wrapper = make_object(arena, 1);
        append_member(arena, *wrapper, k.substr(cut + 1, end - cut - 1), value);
        value = Value::of(wrapper);
        end = cut;
        if (cut == dot) break;
    }
    return {k.substr(0, dot), value};
}

Status parse_members_until(Parser& p, std::optional<char> terminator, ObjectNode& obj) {
    MergeContext merging = p.cx.merging();
    for (;;) {
        skip_member_gap(p);
        if (p.at_end()) {
            if (terminator) return syntax_error("missing '}'", p.here());
            return {};
        }
        if (terminator && p.cur() == *terminator) return {};
        if (!p.cx.budget.step()) return p.cx.budget.failure();

        const std::size_t key_pos = p.pos;
        Str key;
        const bool quoted = p.cur() == '"';
        if (quoted) {
            auto text = parse_quoted(p);
            if (!text) return std::move(text).error();
            key = *text;
        } else {
            key = read_unquoted_key(p);
            if (key.size == 0) return syntax_error("empty key", p.here());
        }
        skip_inline_gap(p);

        if (at_include_directive(p, quoted, key)) {
            Status st = parse_include(p, obj);
            if (!st) return st;
            continue;
        }
        if (!p.at_end() && p.cur() == '+' && p.next() == '=')
            return unsupported("'+=' operator", p.here());
        if (quoted && !is_plain_quoted_key(key))
            return unsupported("quoted key with special characters", p.at(key_pos));

        // Every dot of an unquoted key adds a level of nesting, which counts
        // like a brace around the value.
        const std::size_t dots = quoted ? 0 : std::count(key.data, key.data + key.size, '.');
        auto value = separator_and_value(p, dots);
        if (!value) return std::move(value).error();
        auto [head, nested] = quoted ? std::pair<Str, Value>{key, *value}
                                     : split_head(p.cx.arena, key, *value);
        if (!merge_into(merging, obj, head, nested)) return p.cx.budget.failure();
    }
}

}  // namespace quince
