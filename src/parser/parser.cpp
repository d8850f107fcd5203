#include "parser/parser.hpp"

#include <cstring>

#include "model/tree.hpp"

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

// Entry: on "{". Exit: after the matching "}". The members go into `obj`.
Status braced_members_into(Parser& p, ObjectNode& obj) {
    if (p.at_end() || p.cur() != '{') return syntax_error("expected '{'", p.here());
    ++p.pos;
    Status st = parse_members_until(p, '}', obj);
    if (!st) return st;
    if (p.at_end() || p.cur() != '}') return syntax_error("expected '}'", p.here());
    ++p.pos;
    return {};
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
    ObjectNode* root = make_object(p.cx.arena);
    skip_member_gap(p);
    if (!p.at_end() && p.cur() == '{') {
        // The root's own braces are no level of nesting: a document nests
        // the same with or without them.
        Status st = braced_members_into(p, *root);
        if (!st) return std::move(st).error();
        skip_member_gap(p);
        if (!p.at_end()) return syntax_error("content after the root object", p.here());
        return Value::of(root);
    }
    Status st = parse_members_until(p, std::nullopt, *root);
    if (!st) return std::move(st).error();
    return Value::of(root);
}

Result<Value> parse_braced_members(Parser& p) {
    NestingGuard guard(p);
    if (!guard.ok()) return too_deep(p.here());
    ObjectNode* obj = make_object(p.cx.arena);
    Status st = braced_members_into(p, *obj);
    if (!st) return std::move(st).error();
    return Value::of(obj);
}

}  // namespace quince
