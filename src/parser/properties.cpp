// Java properties files: "key = value" lines (":" or whitespace also
// separate), "#" and "!" comment lines, backslash escapes and line
// continuations. Keys split at every dot into a path; values are strings;
// where a key is both a value and a parent (a = x, a.b = y) the object wins.
#include "model/key_index.hpp"
#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

bool is_blank_char(char c) noexcept { return c == ' ' || c == '\t' || c == '\f'; }

int hex(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class PropertiesReader {
public:
    explicit PropertiesReader(Parser& p) : p_(p) {}

    // One logical line's key and value, decoded; false at the end.
    Result<bool> next(std::string& key, std::string& value) {
        for (;;) {
            skip_blanks();
            if (p_.at_end()) return false;
            const char c = p_.cur();
            if (c == '\n' || c == '\r') {
                end_of_line();
                continue;
            }
            if (c == '#' || c == '!') {
                while (!p_.at_end() && p_.cur() != '\n' && p_.cur() != '\r') ++p_.pos;
                continue;
            }
            break;
        }
        key_at_ = p_.pos;
        key.clear();
        value.clear();
        Status st = read(key, true);
        if (!st) return std::move(st).error();
        skip_blanks();
        if (!p_.at_end() && (p_.cur() == '=' || p_.cur() == ':')) {
            ++p_.pos;
            skip_blanks();
        }
        st = read(value, false);
        if (!st) return std::move(st).error();
        return true;
    }

    std::size_t key_at() const noexcept { return key_at_; }

private:
    void skip_blanks() noexcept {
        while (!p_.at_end() && is_blank_char(p_.cur())) ++p_.pos;
    }
    void end_of_line() noexcept {
        if (p_.cur() == '\r' && p_.next() == '\n') ++p_.pos;
        ++p_.pos;
    }

    // Reads up to the end of the logical line (a key also ends at an
    // unescaped "=", ":" or blank).
    Status read(std::string& out, bool key) {
        while (!p_.at_end()) {
            const char c = p_.cur();
            if (c == '\n' || c == '\r') return {};
            if (key && (c == '=' || c == ':' || is_blank_char(c))) return {};
            if (c != '\\') {
                out += c;
                ++p_.pos;
                continue;
            }
            ++p_.pos;
            if (p_.at_end()) return {};
            const char e = p_.cur();
            if (e == '\n' || e == '\r') {  // the line continues on the next one
                end_of_line();
                skip_blanks();
                continue;
            }
            ++p_.pos;
            switch (e) {
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                if (p_.chars.size() - p_.pos < 4)
                    return syntax_error("malformed \\u escape in a properties file", p_.at(p_.pos - 2));
                long code = 0;
                for (int i = 0; i < 4; ++i) {
                    const int d = hex(p_.chars[p_.pos + i]);
                    if (d < 0) return syntax_error("malformed \\u escape in a properties file", p_.at(p_.pos - 2));
                    code = code * 16 + d;
                }
                p_.pos += 4;
                if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;  // UTF-8 holds no lone surrogate
                append_utf8(out, static_cast<char32_t>(code));
                break;
            }
            default: out += e;  // any other character stands for itself
            }
        }
        return {};
    }

    Parser& p_;
    std::size_t key_at_ = 0;
};

// Stores `value` at the path of `key` in `root`; an object always wins over
// a string at the same place.
Status store(Parser& p, ObjectNode& root, std::string_view key, Value value, std::size_t at) {
    ObjectNode* obj = &root;
    std::size_t levels = 0;
    for (;;) {
        const std::size_t dot = key.find('.');
        const Str k = dot == std::string_view::npos ? key : key.substr(0, dot);
        Member* m = find_member(p.cx.arena, *obj, k);
        if (dot == std::string_view::npos) {
            if (!m) append_member(p.cx.arena, *obj, p.cx.arena.copy(k), value);
            else if (m->value.kind != Kind::Object) m->value = value;
            return {};
        }
        if (++levels > limits::kMaxDepth) return too_deep(p.at(at));
        if (!m || m->value.kind != Kind::Object) {
            ObjectNode* child = make_object(p.cx.arena);
            if (!m) append_member(p.cx.arena, *obj, p.cx.arena.copy(k), Value::of(child));
            else m->value = Value::of(child);
            obj = child;
        } else {
            obj = m->value.object;
        }
        key.remove_prefix(dot + 1);
    }
}

}  // namespace

Result<Value> parse_properties(Parser& p) {
    ObjectNode* root = make_object(p.cx.arena);
    PropertiesReader reader(p);
    std::string key, value;
    for (;;) {
        auto more = reader.next(key, value);
        if (!more) return std::move(more).error();
        if (!*more) return Value::of(root);
        if (!p.cx.budget.step()) return p.cx.budget.failure();
        Status st = store(p, *root, key, Value::string(p.cx.arena.copy(value)), reader.key_at());
        if (!st) return std::move(st).error();
    }
}

}  // namespace quince
