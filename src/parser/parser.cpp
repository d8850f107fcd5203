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
        auto members = parse_braced_members(p);
        if (!members) return std::move(members).error();
        skip_member_gap(p);
        if (!p.at_end()) return syntax_error("content after the root object");
        return Value(Object{std::move(*members)});
    }
    auto members = parse_members_until(p, std::nullopt);
    if (!members) return std::move(members).error();
    return Value(Object{std::move(*members)});
}

Result<Members> parse_braced_members(Parser& p) {
    if (p.at_end() || p.cur() != '{') return syntax_error("expected '{'");
    ++p.pos;
    DepthGuard guard(p);
    if (!guard.ok()) return too_deep();
    auto members = parse_members_until(p, '}');
    if (!members) return members;
    if (p.at_end() || p.cur() != '}') return syntax_error("expected '}'");
    ++p.pos;
    return members;
}

}  // namespace quince
