#include "parser/parser.hpp"

namespace quince {

std::optional<std::string_view> plain_quoted(Parser& p) noexcept {
    const std::string_view s = p.chars;
    std::size_t stop = p.pos + 1;
    while (stop < s.size() && s[stop] != '"' && s[stop] != '\\') ++stop;
    if (stop == s.size() || s[stop] != '"') return std::nullopt;
    std::string_view text = s.substr(p.pos + 1, stop - p.pos - 1);
    p.pos = stop + 1;
    return text;
}

Result<std::string> parse_quoted(Parser& p) {
    if (auto plain = plain_quoted(p)) return std::string(*plain);
    ++p.pos;  // the opening quote
    std::string text;
    const std::string_view s = p.chars;
    for (;;) {
        // Copy the plain stretch up to the next quote or backslash at once.
        std::size_t stop = p.pos;
        while (stop < s.size() && s[stop] != '"' && s[stop] != '\\') ++stop;
        if (stop == s.size()) return syntax_error("missing closing quote");
        text.append(s.data() + p.pos, stop - p.pos);
        p.pos = stop + 1;
        if (s[stop] == '"') return text;
        if (p.at_end()) return syntax_error("incomplete escape");
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
    }
}

}  // namespace quince
