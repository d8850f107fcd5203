#include "parser/parser.hpp"

#include <cstring>

namespace quince {

namespace {

// Entry: on "#" or the first "/" of "//". Exit: after the next LF, or at the
// end of the text.
void skip_comment(Parser& p) noexcept {
    const char* begin = p.chars.data() + p.pos;
    const void* lf = std::memchr(begin, '\n', p.chars.size() - p.pos);
    p.pos = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p.chars.data()) + 1
               : p.chars.size();
}

bool at_comment(const Parser& p) noexcept {
    char c = p.cur();
    return c == '#' || (c == '/' && p.next() == '/');
}

}  // namespace

void skip_member_gap(Parser& p) noexcept {
    while (!p.at_end()) {
        switch (p.cur()) {
        case '\t': case '\n': case '\r': case ' ': case ',':
            ++p.pos;
            break;
        default:
            if (!at_comment(p)) return;
            skip_comment(p);
        }
    }
}

void skip_inline_gap(Parser& p) noexcept {
    while (!p.at_end()) {
        switch (p.cur()) {
        case '\t': case '\r': case ' ':
            ++p.pos;
            break;
        default:
            if (!at_comment(p)) return;
            skip_comment(p);
        }
    }
}

Result<Value> parse_root(Parser& p) {
    skip_member_gap(p);
    if (!p.at_end() && p.cur() == '{') {
        auto obj = parse_braced_members(p);
        if (!obj) return std::move(obj).error();
        skip_member_gap(p);
        if (!p.at_end()) return syntax_error("content after the root object");
        return Value(std::move(*obj));
    }
    auto obj = parse_members_until(p, std::nullopt);
    if (!obj) return std::move(obj).error();
    return Value(std::move(*obj));
}

Result<Object> parse_braced_members(Parser& p) {
    if (p.at_end() || p.cur() != '{') return syntax_error("expected '{'");
    ++p.pos;
    DepthGuard guard(p.depth, kMaxDepth);
    if (!guard.ok()) return too_deep();
    auto obj = parse_members_until(p, '}');
    if (!obj) return obj;
    if (p.at_end() || p.cur() != '}') return syntax_error("expected '}'");
    ++p.pos;
    return obj;
}

}  // namespace quince
