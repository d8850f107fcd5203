#include <algorithm>
#include <array>

#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

// Entry: on the first character of an unquoted key segment. Exit: on the
// character that ended it (a dot or a key terminator, not consumed).
std::string_view read_unquoted_segment(Parser& p) noexcept {
    const std::size_t start = p.pos;
    while (!p.at_end()) {
        const char c = p.cur();
        switch (c) {
        case '\t': case '\n': case '\v': case '\f': case '\r': case ' ': case '.':
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

// A key as the strict dialect reads it: segments separated by dots, each
// unquoted (a double quote inside it is an ordinary character) or a whole
// quoted string. The segments are pushed on `p.cx.keys`.
struct StrictKey {
    bool quoted_first = false;    // the first segment is a quoted string
    bool special = false;         // some quoted segment is not plain
    std::size_t special_at = 0;   // where the first such segment starts
};

// Entry: on the first character of the key. Exit: on the key terminator.
Result<StrictKey> read_strict_key(Parser& p) {
    StrictKey key;
    for (bool first = true;; first = false) {
        if (!p.at_end() && p.cur() == '"') {
            const std::size_t at = p.pos;
            auto text = parse_quoted(p);
            if (!text) return std::move(text).error();
            if (!is_plain_quoted_key(*text) && !key.special) {
                key.special = true;
                key.special_at = at;
            }
            key.quoted_first = key.quoted_first || first;
            p.cx.keys.push_back(*text);
        } else {
            std::string_view segment = read_unquoted_segment(p);
            if (first && segment.empty() && (p.at_end() || p.cur() != '.'))
                return syntax_error("empty key", p.here());
            p.cx.keys.push_back(segment);
        }
        if (p.at_end() || p.cur() != '.') return key;
        ++p.pos;
    }
}

bool at_include_directive(const Parser& p, const StrictKey& key, std::size_t segments) noexcept {
    return !key.quoted_first && segments == 1 && p.cx.keys.back() == Str("include") &&
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

bool is_plain_quoted_key(std::string_view key) noexcept {
    static constexpr std::array<bool, 256> plain = [] {
        std::array<bool, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '_';
        return t;
    }();
    if (key.empty()) return false;
    for (char c : key)
        if (!plain[static_cast<unsigned char>(c)]) return false;
    return true;
}

Status parse_members_until(Parser& p, std::optional<char> terminator, ObjectNode& obj) {
    if (p.hocon()) return parse_hocon_members(p, terminator, obj);
    MergeContext merging = p.cx.merging();
    for (;;) {
        skip_member_gap(p);
        if (p.at_end()) {
            if (terminator) return syntax_error("missing '}'", p.here());
            return {};
        }
        if (terminator && p.cur() == *terminator) return {};
        if (!p.cx.budget.step()) return p.cx.budget.failure();

        KeyScope segments(p.cx.keys);
        auto key = read_strict_key(p);
        if (!key) return std::move(key).error();
        skip_inline_gap(p);

        if (at_include_directive(p, *key, segments.size())) {
            Status st = parse_include(p, obj);
            if (!st) return st;
            continue;
        }
        if (!p.at_end() && p.cur() == '+' && p.next() == '=')
            return unsupported("'+=' operator", p.here());
        if (key->special) return unsupported("quoted key with special characters", p.at(key->special_at));

        // Every dot adds a level of nesting, which counts like a brace
        // around the value.
        const Arena::Mark mark = p.cx.arena.mark();
        auto value = separator_and_value(p, segments.size() - 1);
        if (!value) return std::move(value).error();
        Status st = finish_eager(p, *value, mark);
        if (!st) return st;
        const Str head = segments.data()[0];
        const Value nested = wrap_path(p.cx.arena, segments.data(), segments.size(), *value);
        if (!merge_into(merging, obj, head, nested)) return merge_failure(p, merging);
    }
}

}  // namespace quince
