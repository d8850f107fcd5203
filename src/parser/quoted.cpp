#include <cstring>

#include "model/text.hpp"
#include "parser/parser.hpp"
#include "parser/scan.hpp"

namespace quince {

namespace {

// Position of the first double quote or backslash at or after `from`; in the
// HOCON dialect a raw control character stops the scan too.
std::size_t find_stop(std::string_view s, std::size_t from, bool controls) noexcept {
    return scan::find_string_stop(s, from, controls);
}

int hex_digit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Entry: after "\u". Exit: after the four hex digits. -1 when fewer follow.
long read_hex4(Parser& p) noexcept {
    if (p.chars.size() - p.pos < 4) return -1;
    long v = 0;
    for (int i = 0; i < 4; ++i) {
        const int d = hex_digit(p.chars[p.pos + i]);
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    p.pos += 4;
    return v;
}

// Entry: after "\u". Appends the character; a high surrogate must be
// followed by the escape of a low one (UTF-8 cannot hold a lone surrogate).
Status unicode_escape(Parser& p, std::string& text) {
    const std::size_t at = p.pos - 2;
    long c = read_hex4(p);
    if (c < 0) return syntax_error("malformed \\u escape: four hex digits expected", p.at(at));
    if (c >= 0xDC00 && c <= 0xDFFF) return syntax_error("unpaired surrogate in \\u escape", p.at(at));
    if (c >= 0xD800 && c <= 0xDBFF) {
        const bool escape_follows = p.pos + 1 < p.chars.size() && p.chars[p.pos] == '\\' &&
                                    p.chars[p.pos + 1] == 'u';
        if (!escape_follows) return syntax_error("unpaired surrogate in \\u escape", p.at(at));
        p.pos += 2;
        const long low = read_hex4(p);
        if (low < 0) return syntax_error("malformed \\u escape: four hex digits expected", p.at(p.pos - 2));
        if (low < 0xDC00 || low > 0xDFFF) return syntax_error("unpaired surrogate in \\u escape", p.at(at));
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    }
    append_utf8(text, static_cast<char32_t>(c));
    return {};
}

// Entry: after the backslash, not at the end. Exit: after the escape.
Status escape(Parser& p, std::string& text) {
    const char e = p.cur();
    ++p.pos;
    switch (e) {
    case '"': text += '"'; return {};
    case '\\': text += '\\'; return {};
    case '/': text += '/'; return {};
    case 'n': text += '\n'; return {};
    case 'r': text += '\r'; return {};
    case 't': text += '\t'; return {};
    case 'b': text += '\b'; return {};
    case 'f': text += '\f'; return {};
    case 'u': return unicode_escape(p, text);
    default: break;
    }
    if (p.hocon()) return syntax_error("invalid escape '\\" + std::string(1, e) + "' in a quoted string", p.at(p.pos - 2));
    // The strict dialect keeps other escapes as written. `e` may be the lead
    // byte of a multi-byte character; its continuation bytes follow as plain
    // text on the next round.
    text += '\\';
    text += e;
    return {};
}

// Entry: on the first of three double quotes. Exit: after the closing run.
// The text is taken verbatim; a run of more than three quotes ends the
// string, the extra ones belonging to it.
Result<Str> triple_quoted(Parser& p) {
    const std::size_t start = p.pos + 3;
    const std::size_t close = p.chars.find("\"\"\"", start);
    if (close == std::string_view::npos) return syntax_error("missing closing \"\"\"", p.here());
    std::size_t end = close + 3;
    while (end < p.chars.size() && p.chars[end] == '"') ++end;
    p.pos = end;
    return Str(p.chars.substr(start, end - 3 - start));
}

}  // namespace

bool at_triple_quote(const Parser& p) noexcept {
    return p.pos + 2 < p.chars.size() && p.chars[p.pos + 1] == '"' && p.chars[p.pos + 2] == '"';
}

Result<Str> parse_quoted(Parser& p) {
    if (at_triple_quote(p) && !p.json()) {
        // The strict dialect refuses what it cannot read exactly.
        if (!p.hocon()) return unsupported("triple-quoted string", p.here());
        return triple_quoted(p);
    }
    const std::string_view s = p.chars;
    const bool controls = p.hocon();
    std::size_t stop = find_stop(s, p.pos + 1, controls);
    if (stop < s.size() && s[stop] == '"') {
        // No escape: the text is a view of the source.
        std::string_view text = s.substr(p.pos + 1, stop - p.pos - 1);
        p.pos = stop + 1;
        return Str(text);
    }
    ++p.pos;  // the opening quote
    std::string& text = p.cx.scratch;
    text.clear();
    for (;;) {
        if (stop == s.size()) return syntax_error("missing closing quote", p.at(s.size()));
        text.append(s.data() + p.pos, stop - p.pos);
        p.pos = stop;
        if (s[stop] == '"') {
            ++p.pos;
            return Str(p.cx.arena.copy(text));
        }
        if (s[stop] != '\\')
            return syntax_error("control character in a quoted string (write it as an escape)", p.here());
        ++p.pos;
        if (p.at_end()) return syntax_error("incomplete escape", p.here());
        Status st = escape(p, text);
        if (!st) return std::move(st).error();
        stop = find_stop(s, p.pos, controls);
    }
}

}  // namespace quince
