#include "model/text.hpp"
#include "parser/parser.hpp"
#include "resolve/merge.hpp"

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

}  // namespace

std::pair<std::string, Value> split_head(std::string_view key, Value value) {
    std::size_t dot = key.find('.');
    if (dot == std::string_view::npos) return {std::string(key), std::move(value)};
    // Wrap from the innermost segment outwards, without recursion.
    std::size_t end = key.size();
    for (std::size_t cut = key.rfind('.'); cut >= dot; cut = key.rfind('.', cut - 1)) {
        Object wrapper;
        wrapper.members.push_back(Member{std::string(key.substr(cut + 1, end - cut - 1)),
                                         std::move(value)});
        value = Value(std::move(wrapper));
        end = cut;
        if (cut == dot) break;
    }
    return {std::string(key.substr(0, dot)), std::move(value)};
}

Result<Object> parse_members_until(Parser& p, std::optional<char> terminator) {
    Object obj;
    for (;;) {
        skip_member_gap(p);
        if (p.at_end()) {
            if (terminator) return syntax_error("missing '}'");
            return obj;
        }
        if (terminator && p.cur() == *terminator) {
            obj.members.shrink_to_fit();
            return obj;
        }

        std::string quoted_key;
        std::string_view key;
        const bool quoted = p.cur() == '"';
        if (quoted) {
            if (auto plain = plain_quoted(p)) {
                key = *plain;
            } else {
                auto text = parse_quoted(p);
                if (!text) return std::move(text).error();
                quoted_key = std::move(*text);
                key = quoted_key;
            }
        } else {
            key = read_unquoted_key(p);
            if (key.empty()) return syntax_error("empty key");
        }
        skip_inline_gap(p);

        if (!quoted && key == "include" &&
            (p.at_end() || (p.cur() != ':' && p.cur() != '=' && p.cur() != '{'))) {
            Status st = parse_include(p, obj);
            if (!st) return std::move(st).error();
            continue;
        }
        if (!p.at_end() && p.cur() == '+' && p.next() == '=') return unsupported("'+=' operator");
        if (quoted && !is_plain_quoted_key(key))
            return unsupported("quoted key with special characters");

        Value value;
        if (!p.at_end() && (p.cur() == ':' || p.cur() == '=')) {
            ++p.pos;
            skip_inline_gap(p);
            auto v = parse_value(p);
            if (!v) return std::move(v).error();
            value = std::move(*v);
        } else if (!p.at_end() && p.cur() == '{') {
            auto sub = parse_braced_members(p);
            if (!sub) return std::move(sub).error();
            value = Value(std::move(*sub));
        } else {
            return syntax_error("expected '=' or ':' after the key, got " + render_char_at(p));
        }

        if (quoted) {
            merge_into(obj, Key(key), std::move(value), &p.shared->budget);
        } else if (key.find('.') == std::string_view::npos) {
            merge_into(obj, Key(key), std::move(value), &p.shared->budget);
        } else {
            // Every dot adds a level of nesting, which counts like a brace.
            std::size_t dots = 0;
            for (char c : key) dots += c == '.';
            if (p.depth + dots > kMaxDepth) return too_deep();
            auto [head, nested] = split_head(key, std::move(value));
            merge_into(obj, Key(head), std::move(nested), &p.shared->budget);
        }
        if (p.shared->budget.exhausted()) return Budget::exceeded();
    }
}

}  // namespace quince
