// Character renderings used by two error messages. They follow the familiar
// debug-print convention: common escapes by name, anything invisible or
// combining as \u{hex}, everything else as itself.
#include <cstdio>

#include "model/text.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

// `quote` is the delimiter of the rendering; it and the backslash get a
// backslash in front of them.
void append_escaped(std::string& out, char32_t c, char quote) {
    switch (c) {
    case 0: out += "\\0"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\\': out += "\\\\"; return;
    default: break;
    }
    if (c == static_cast<char32_t>(quote)) {
        out += '\\';
        out += quote;
    } else if (!unicode::is_printable(c) || unicode::is_grapheme_extend(c)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c));
        out += buf;
    } else {
        append_utf8(out, c);
    }
}

}  // namespace

std::string render_char_at(const Parser& p) {
    if (p.at_end()) return "None";
    std::string out = "Some('";
    append_escaped(out, decode_at(p.chars, p.pos, nullptr), '\'');
    out += "')";
    return out;
}

std::string render_include_target(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0, len; i < text.size(); i += len)
        append_escaped(out, decode_at(text, i, &len), '"');
    out += '"';
    return out;
}

}  // namespace quince
