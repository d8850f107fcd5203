#include <cstring>

#include "parser/parser.hpp"

namespace quince {

namespace {

// Position of the first double quote or backslash at or after `from`.
std::size_t find_stop(std::string_view s, std::size_t from) noexcept {
    while (from < s.size() && s[from] != '"' && s[from] != '\\') ++from;
    return from;
}

}  // namespace

Result<Str> parse_quoted(Parser& p) {
    const std::string_view s = p.chars;
    std::size_t stop = find_stop(s, p.pos + 1);
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
        p.pos = stop + 1;
        if (s[stop] == '"') return Str(p.cx.arena.copy(text));
        if (p.at_end()) return syntax_error("incomplete escape", p.here());
        char e = p.cur();
        ++p.pos;
        switch (e) {
        case '"': text += '"'; break;
        case '\\': text += '\\'; break;
        case '/': text += '/'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        default:
            // Unknown escapes keep their backslash. `e` may be the lead byte of
            // a multi-byte character; its continuation bytes follow as plain
            // text on the next round.
            text += '\\';
            text += e;
        }
        stop = find_stop(s, p.pos);
    }
}

}  // namespace quince
