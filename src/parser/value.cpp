#include <array>

#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

// One piece of a value while the value parser collects it.
struct RawPart {
    enum class Kind : std::uint8_t { Quoted, Unquoted, Subst, Object, Array };
    Kind kind = Kind::Unquoted;
    bool simple = false;  // Unquoted: no whitespace, ASCII only
    Str text;     // Quoted: after escape processing; Unquoted: the run verbatim
    Value value;  // Subst, Object, Array
};

// Most values are a single part; keep that one inline so that it costs no
// allocation.
class PartList {
public:
    std::size_t size() const noexcept { return n_; }
    RawPart& operator[](std::size_t i) noexcept { return i == 0 ? first_ : rest_[i - 1]; }
    void push(const RawPart& part) {
        if (n_ == 0) first_ = part;
        else rest_.push_back(part);
        ++n_;
    }

private:
    RawPart first_{};
    std::vector<RawPart> rest_;
    std::size_t n_ = 0;
};

bool is_bare_keyword(std::string_view word) noexcept {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::string_view kw : {"true", "false", "null"}) {
        if (word.size() != kw.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < kw.size() && same; ++i) same = lower(word[i]) == kw[i];
        if (same) return true;
    }
    return false;
}

bool has_bare_keyword(std::string_view text) {
    return any_word(text, [](std::string_view w) { return is_bare_keyword(w); });
}

// What an ASCII byte is to a strict unquoted run.
enum RunClass : std::uint8_t { kPlain, kStop, kDollar, kHash, kSlash, kBlank, kHigh };
constexpr std::array<std::uint8_t, 256> kRunClass = [] {
    std::array<std::uint8_t, 256> t{};
    for (char c : std::string_view("\n\"{}[],")) t[static_cast<unsigned char>(c)] = kStop;
    t['$'] = kDollar;
    t['#'] = kHash;
    t['/'] = kSlash;
    for (int c : {9, 11, 12, 13, 32}) t[c] = kBlank;
    for (int c = 0x80; c < 0x100; ++c) t[c] = kHigh;
    return t;
}();

// Entry: on a character that starts an unquoted run. Exit: on the stopper.
// `simple` tells a run without whitespace or non-ASCII characters, which
// needs no trimming and is one word.
std::string_view read_unquoted(Parser& p, bool& simple) {
    const std::string_view s = p.chars;
    const std::size_t start = p.pos;
    std::size_t i = p.pos;
    bool after_ws = true;  // an empty run counts as "after whitespace"
    simple = true;
    for (; i < s.size(); ++i) {
        switch (kRunClass[static_cast<unsigned char>(s[i])]) {
        case kPlain:
            after_ws = false;
            continue;
        case kStop:
            goto done;
        case kDollar:
            if (i + 1 < s.size() && s[i + 1] == '{') goto done;
            after_ws = false;
            continue;
        case kHash:
            if (after_ws) goto done;
            continue;
        case kSlash:
            if (after_ws && i + 1 < s.size() && s[i + 1] == '/') goto done;
            after_ws = false;
            continue;
        case kBlank:
            after_ws = true;
            simple = false;
            continue;
        default: {
            std::size_t len;
            after_ws = unicode::is_white_space(decode_at(s, i, &len));
            simple = false;
            i += len - 1;
        }
        }
    }
done:
    p.pos = i;
    return s.substr(start, i - start);
}

// The path elements of a substitution body in the strict dialect: split at
// dots and trimmed; an element written as a whole quoted string stands for
// its content, which must be plain (letters, digits, "-", "_"). Quotes that
// do not enclose a whole element are ordinary characters.
Status split_strict_path(Parser& p, std::string_view body, std::size_t at, std::vector<Str>& path) {
    constexpr auto npos = std::string_view::npos;
    for (;;) {
        const std::string_view lead = trim(body);
        if (!lead.empty() && lead.front() == '"') {
            const std::size_t open = static_cast<std::size_t>(lead.data() - body.data());
            const std::size_t close = body.find('"', open + 1);
            const std::size_t dot = close == npos ? npos : body.find('.', close);
            if (close != npos && trim(body.substr(close + 1, dot == npos ? npos : dot - close - 1)).empty()) {
                const std::string_view inner = body.substr(open + 1, close - open - 1);
                if (!is_plain_quoted_key(inner))
                    return unsupported("quoted key with special characters", p.at(at));
                path.emplace_back(inner);
                if (dot == npos) return {};
                body.remove_prefix(dot + 1);
                continue;
            }
        }
        const std::size_t dot = body.find('.');
        path.emplace_back(trim(body.substr(0, dot)));
        if (dot == npos) return {};
        body.remove_prefix(dot + 1);
    }
}

// Entry: on "$" of "${". Exit: after the closing "}".
Result<Value> read_subst(Parser& p) {
    const SourcePos at = p.here();
    p.pos += 2;
    bool optional = false;
    if (!p.at_end() && p.cur() == '?') {
        optional = true;
        ++p.pos;
    }
    std::size_t close = p.chars.find('}', p.pos);
    if (close == std::string_view::npos) return syntax_error("missing '}' in substitution", p.here());
    std::string_view body = trim(p.chars.substr(p.pos, close - p.pos));
    p.pos = close + 1;
    std::vector<Str> path;
    Status st = split_strict_path(p, body, at.offset, path);
    if (!st) return std::move(st).error();
    return make_subst(p.cx.arena, path.data(), static_cast<std::uint32_t>(path.size()), 0, optional, at);
}

// Entry: on "[". Exit: after the matching "]".
Result<Value> read_array(Parser& p) {
    ++p.pos;
    NestingGuard guard(p);
    if (!guard.ok()) return too_deep(p.here());
    std::vector<Value>& items = p.cx.items;
    const std::size_t mark = items.size();
    for (;;) {
        skip_member_gap(p);
        if (p.at_end()) return syntax_error("missing ']'", p.here());
        if (p.cur() == ']') {
            ++p.pos;
            return finish_array(p, mark);
        }
        if (!p.cx.budget.step()) return p.cx.budget.failure();
        const Arena::Mark mark = p.cx.arena.mark();
        auto item = parse_value(p);
        if (!item) return item;
        Status st = finish_eager(p, *item, mark);
        if (!st) return std::move(st).error();
        items.push_back(*item);
    }
}

Value to_segment(const RawPart& part) {
    switch (part.kind) {
    case RawPart::Kind::Quoted: return Value::string(part.text);
    case RawPart::Kind::Unquoted: return Value::textual(Kind::Str, part.text, Value::kUnquoted);
    default: return part.value;
    }
}

// The value of a lone significant part.
Result<Value> single(Parser& p, const RawPart& part) {
    switch (part.kind) {
    case RawPart::Kind::Quoted:
        return Value::string(part.text);
    case RawPart::Kind::Unquoted: {
        if (part.simple) return parse_scalar(part.text);  // one word, nothing to trim
        std::string_view text = trim(part.text);
        std::size_t words = 0;
        bool keyword = false;
        any_word(text, [&](std::string_view w) {
            ++words;
            keyword = keyword || is_bare_keyword(w);
            return false;
        });
        if (words >= 2 && keyword)
            return unsupported("bare keyword (true/false/null) in multi-token value", p.here());
        return parse_scalar(text);
    }
    case RawPart::Kind::Subst:
        p.cx.unresolved = true;
        [[fallthrough]];
    default:
        return part.value;
    }
}

bool is_significant(const RawPart& part) {
    return part.kind != RawPart::Kind::Unquoted || part.simple || !is_blank(part.text);
}

Result<Value> assemble(Parser& p, PartList& parts) {
    if (parts.size() == 0) return unsupported("empty value", p.here());
    std::size_t significant = 0, last_significant = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!is_significant(parts[i])) continue;
        ++significant;
        last_significant = i;
    }
    if (significant == 1) return single(p, parts[last_significant]);
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (parts[i].kind == RawPart::Kind::Unquoted && has_bare_keyword(parts[i].text))
            return unsupported("bare keyword (true/false/null) in concatenation", p.here());
    p.cx.unresolved = true;
    std::vector<Value> segs;
    segs.reserve(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) segs.push_back(to_segment(parts[i]));
    return make_concat(p.cx.arena, segs.data(), segs.size());
}

bool at_value_end(const Parser& p) noexcept {
    const char c = p.cur();
    return c == '\n' || c == '#' || c == ',' || c == '}' || c == ']' || (c == '/' && p.next() == '/');
}

// Entry: just after a part. True when nothing but spaces, tabs and CRs stand
// between here and the end of the value; `pos` is then past them.
bool ends_after_blanks(Parser& p) noexcept {
    std::size_t i = p.pos;
    while (i < p.chars.size() && (p.chars[i] == ' ' || p.chars[i] == '\t' || p.chars[i] == '\r')) ++i;
    const std::size_t before = p.pos;
    p.pos = i;
    if (p.at_end() || at_value_end(p)) return true;
    p.pos = before;
    return false;
}

// Entry: on the first character of a part. Exit: after the part.
Status read_part(Parser& p, RawPart& part) {
    const char c = p.cur();
    if (c == '"') {
        auto text = parse_quoted(p);
        if (!text) return std::move(text).error();
        part.kind = RawPart::Kind::Quoted;
        part.text = *text;
        return {};
    }
    Result<Value> value = Value();
    if (c == '$' && p.next() == '{') {
        part.kind = RawPart::Kind::Subst;
        value = read_subst(p);
    } else if (c == '{') {
        part.kind = RawPart::Kind::Object;
        value = parse_braced_members(p);
    } else if (c == '[') {
        part.kind = RawPart::Kind::Array;
        value = read_array(p);
    } else {
        part.kind = RawPart::Kind::Unquoted;
        part.text = read_unquoted(p, part.simple);
        return {};
    }
    if (!value) return std::move(value).error();
    part.value = *value;
    return {};
}

}  // namespace

Result<Value> parse_value(Parser& p) {
    if (p.hocon()) return parse_hocon_value(p);
    skip_inline_gap(p);
    PartList parts;
    while (!p.at_end() && !at_value_end(p)) {
        RawPart part;
        Status st = read_part(p, part);
        if (!st) return std::move(st).error();
        // Most values are one token: skip the collection for them.
        if (parts.size() == 0 && is_significant(part) && ends_after_blanks(p)) return single(p, part);
        parts.push(part);
    }
    return assemble(p, parts);
}

}  // namespace quince
