#include "parser/parser.hpp"

#include <cstdio>
#include <cstring>

#include "model/text.hpp"

#include "model/tree.hpp"
#include "parser/scan.hpp"

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

bool at_comment(const Parser& p) noexcept {
    if (p.json()) return false;  // JSON has no comments
    char c = p.cur();
    return c == '#' || (c == '/' && p.next() == '/');
}

std::size_t space_at(const Parser& p) noexcept {
    const auto b = static_cast<unsigned char>(p.cur());
    if (b < 0x80) return kCharClass[b] & kSpace;
    std::size_t len;
    return unicode::is_hocon_space(decode_at(p.chars, p.pos, &len)) ? len : 0;
}

namespace {

// Skips HOCON whitespace and comments from `i`, line feeds too when
// `lines`; tells whether it skipped a line feed.
std::size_t skip_gap(const Parser& p, std::size_t i, bool lines, bool& newline) noexcept {
    const std::string_view s = p.chars;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::uint8_t cls = kCharClass[c];
        if (cls == kSpace) {
            i = c == ' ' ? scan::skip_run(s, i + 1, ' ') : i + 1;
        } else if (cls == kNewline) {
            if (!lines) break;
            newline = true;
            ++i;
        } else if (cls == kNonAscii) {
            std::size_t len;
            if (!unicode::is_hocon_space(decode_at(s, i, &len))) break;
            i += len;
        } else if ((c == '#' || (c == '/' && i + 1 < s.size() && s[i + 1] == '/')) && !p.json()) {
            // A comment runs to the line feed, which is no part of it.
            const void* lf = std::memchr(s.data() + i, '\n', s.size() - i);
            i = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - s.data()) : s.size();
        } else {
            break;
        }
    }
    return i;
}

}  // namespace

void skip_spaces_from(Parser& p) noexcept {
    bool unused = false;
    p.pos = skip_gap(p, p.pos, false, unused);
}

bool skip_lines_from(Parser& p) noexcept {
    bool newline = false;
    p.pos = skip_gap(p, p.pos, true, newline);
    return newline;
}

std::string found(const Parser& p) {
    if (p.at_end()) return "end of input";
    if (p.cur() == '\n') return "a new line";
    std::size_t len;
    const char32_t c = decode_at(p.chars, p.pos, &len);
    std::string out = "'";
    if (c < 0x20 || c == 0x7F) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
        out += buf;
    } else {
        out.append(p.chars.substr(p.pos, len));
    }
    out += "'";
    return out;
}

EngineError not_allowed(const Parser& p, std::string_view where) {
    std::string msg = found(p);
    msg += " is not allowed ";
    msg += where;
    msg += " outside quotes";
    return syntax_error(std::move(msg), p.here());
}

void skip_member_gap(Parser& p) noexcept {
    while (!p.at_end()) {
        switch (p.cur()) {
        case ' ':
            p.pos = scan::skip_run(p.chars, p.pos + 1, ' ');  // indentation
            break;
        case '\t': case '\n': case '\r': case ',':
            ++p.pos;
            break;
        case '#': case '/':
            if (!at_comment(p)) return;
            skip_comment(p);
            break;
        default:
            return;
        }
    }
}

void skip_inline_gap_from(Parser& p) noexcept {
    while (!p.at_end()) {
        switch (p.cur()) {
        case '\t': case '\r': case ' ':
            ++p.pos;
            break;
        case '#': case '/':
            if (!at_comment(p)) return;
            skip_comment(p);
            break;
        default:
            return;
        }
    }
}

void ParseContext::path_elements(std::size_t n, std::vector<Str>& out) const {
    const std::size_t start = out.size();
    out.resize(start + n);
    for (const PathFrame* f = path; f; f = f->outer) {
        for (std::size_t i = f->size; i-- > 0;) {
            const std::size_t at = f->length - f->size + i;
            if (at < n) out[start + at] = keys[f->mark + i];
        }
    }
}

Status finish_eager_slow(Parser& p, Value& value, const Arena::Mark& mark) {
    if (p.cx.unresolved) return EngineError{ErrorCategory::Restart, false, {}, {}};
    if (!value.is_container()) return {};
    if (!p.cx.eager->materialize(value)) return EngineError{ErrorCategory::Interrupted, false, {}, {}};
    p.cx.arena.release(mark);
    return {};
}

Result<ObjectNode*> new_object(Parser& p) {
    ObjectNode* obj = make_object(p.cx.arena);
    if (p.cx.eager && !(obj->foreign = p.cx.eager->new_object()))
        return EngineError{ErrorCategory::Interrupted, false, {}, {}};
    return obj;
}

Result<Value> finish_array(Parser& p, std::size_t mark) {
    std::vector<Value>& items = p.cx.items;
    const std::size_t n = items.size() - mark;
    Value array;
    if (p.cx.eager && !p.cx.unresolved) {
        void* list = p.cx.eager->new_array(items.data() + mark, n);
        items.resize(mark);
        if (!list) return EngineError{ErrorCategory::Interrupted, false, {}, {}};
        return Value::of_foreign(list, false);
    }
    array = make_array(p.cx.arena, items.data() + mark, n);
    items.resize(mark);
    return array;
}

EngineError merge_failure(Parser& p, const MergeContext& merging) {
    if (merging.foreign_failed) return EngineError{ErrorCategory::Interrupted, false, {}, {}};
    return p.cx.budget.failure();
}

Result<Value> parse_root(Parser& p) {
    auto made = new_object(p);
    if (!made) return std::move(made).error();
    ObjectNode* root = *made;
    const auto gap = [&p] {
        if (p.hocon()) skip_lines(p);
        else skip_member_gap(p);
    };
    gap();
    if (!p.at_end() && p.cur() == '{') {
        // The root's own braces are no level of nesting: a document nests
        // the same with or without them.
        Status st = braced_members_into(p, *root);
        if (!st) return std::move(st).error();
        gap();
        if (!p.at_end())
            return syntax_error(p.hocon() ? "expected the end of the document after the root object, found " + found(p)
                                          : "content after the root object",
                                p.here());
        return Value::of(root);
    }
    if (p.hocon() && !p.at_end() && p.cur() == '[')
        return syntax_error("a document must be an object, found an array", p.here());
    Status st = parse_members_until(p, std::nullopt, *root);
    if (!st) return std::move(st).error();
    return Value::of(root);
}

Result<Value> parse_braced_members(Parser& p) {
    NestingGuard guard(p);
    if (!guard.ok()) return too_deep(p.here());
    auto made = new_object(p);
    if (!made) return std::move(made).error();
    ObjectNode* obj = *made;
    Status st = braced_members_into(p, *obj);
    if (!st) return std::move(st).error();
    return Value::of(obj);
}

}  // namespace quince
