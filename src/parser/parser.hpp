// Parser state and the grammar entry points. Each parse_* function states
// where `pos` stands on entry and on exit; after an error `pos` is of no
// further use and the caller only passes the error up.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/arena.hpp"
#include "model/budget.hpp"
#include "model/error.hpp"
#include "model/foreign.hpp"
#include "model/limits.hpp"
#include "model/merge.hpp"
#include "model/options.hpp"
#include "model/source.hpp"
#include "model/stack.hpp"
#include "model/value.hpp"

namespace quince {

// The chain of files being included around a nested parser, innermost
// first; lets a directive recognise a file that is already open above it.
struct IncludeFrame {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    const IncludeFrame* outer = nullptr;
};

// HOCON: one piece of a value being collected.
struct Piece {
    Value value;         // unquoted text and whitespace are a Str with kUnquoted
    std::size_t at = 0;  // where it starts
    bool space = false;  // unquoted whitespace between pieces
};

// HOCON: the keys of the members around the value being read, innermost
// first, as ranges of ParseContext::keys (which may move, so no pointers).
struct PathFrame {
    const PathFrame* outer = nullptr;
    std::size_t mark = 0;   // this key's elements are keys[mark, mark + size)
    std::size_t size = 0;
    std::size_t length = 0; // elements of the whole path down to here
};

// What the parsers of one call share, nested (included) ones too.
struct ParseContext {
    ParseContext(Arena& a, Budget& b, const Options& o) noexcept : arena(a), budget(b), options(o) {}

    Arena& arena;
    Budget& budget;
    const Options& options;
    std::size_t includes = 0;   // include directives carried out
    bool unresolved = false;    // a Subst, Concat or Merge was built somewhere
    std::vector<Value> items;   // elements of the open arrays, innermost last
    std::vector<Str> keys;      // path elements of the keys being read, innermost last
    std::vector<Piece> pieces;  // HOCON: pieces of the open values, innermost last
    const PathFrame* path = nullptr;  // HOCON: the absolute path of the object being read
    std::size_t arrays = 0;     // HOCON: arrays open around the object being read
    Materializer* eager = nullptr;  // finished parts go to the caller at once
    std::string scratch;        // text being decoded

    MergeContext merging() noexcept { return {arena, budget, options.dialect, eager}; }
    std::size_t path_length() const noexcept { return path ? path->length : 0; }
    // The first `n` elements of the path, appended to `out`.
    void path_elements(std::size_t n, std::vector<Str>& out) const;
};

struct Parser {
    // The source as validated UTF-8. Positions count bytes (see text.hpp for
    // why that is indistinguishable from counting code points).
    std::string_view chars;
    std::size_t pos = 0;
    // Open arrays, objects, dotted-key levels and includes around `pos`.
    std::size_t depth = 0;
    const Source* source = nullptr;
    // Include base directory; empty means "as written", i.e. relative to the
    // process's working directory.
    std::string base;
    // The file this parser reads, when it was included; null at the top.
    const IncludeFrame* file = nullptr;
    // HOCON: elements of the path that locate the object this parser's file
    // was included into; its substitutions are tried with them first.
    std::uint32_t prefix = 0;
    // How this text is written (JSON is read without HOCON's extensions).
    Syntax syntax = Syntax::Conf;
    ParseContext& cx;

    Parser(const Source& src, ParseContext& context) noexcept
        : chars(src.text), source(&src), cx(context) {}
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    bool at_end() const noexcept { return pos >= chars.size(); }
    char cur() const noexcept { return chars[pos]; }
    // The byte after `pos`, or NUL past the end (NUL never matches a
    // look-ahead the grammar asks for).
    char next() const noexcept { return pos + 1 < chars.size() ? chars[pos + 1] : '\0'; }
    SourcePos here() const noexcept { return at(pos); }
    SourcePos at(std::size_t offset) const noexcept {
        return {source, static_cast<std::uint32_t>(offset)};
    }
    bool hocon() const noexcept { return cx.options.dialect == Dialect::Hocon; }
    bool json() const noexcept { return syntax == Syntax::Json; }
};

// Gaps. Both leave `pos` on the first character that is not part of the gap.
void skip_member_gap(Parser& p) noexcept;
void skip_inline_gap_from(Parser& p) noexcept;
inline void skip_inline_gap(Parser& p) noexcept {
    // Mostly one space, then something else.
    if (!p.at_end() && p.cur() == ' ') ++p.pos;
    if (!p.at_end()) {
        const char c = p.cur();
        if (c == ' ' || c == '\t' || c == '\r' || c == '#' || c == '/') skip_inline_gap_from(p);
    }
}

// HOCON: what an ASCII byte is to the scanners (0 for a character that
// belongs to an unquoted run).
enum CharClass : std::uint8_t {
    kSpace = 1,     // whitespace other than the line feed
    kNewline = 2,   // the line feed
    kReserved = 4,  // not allowed outside quotes, or structural
    kSlash = 8,     // "/": a comment when doubled
    kNonAscii = 16, // a lead or continuation byte
};
inline constexpr std::array<std::uint8_t, 256> kCharClass = [] {
    std::array<std::uint8_t, 256> t{};
    for (int c : {9, 11, 12, 13, 32, 0x1C, 0x1D, 0x1E, 0x1F}) t[c] = kSpace;
    t['\n'] = kNewline;
    for (char c : std::string_view("$\"{}[]:=,+#`^?!@*&\\")) t[static_cast<unsigned char>(c)] = kReserved;
    t['/'] = kSlash;
    for (int c = 0x80; c < 0x100; ++c) t[c] = kNonAscii;
    return t;
}();

// HOCON gaps: whitespace (the language's own set, which includes the
// byte-order mark) and comments, which end before their line feed. The first
// stops at a line feed; the second skips line feeds too and tells whether
// it met one.
void skip_spaces_from(Parser& p) noexcept;
bool skip_lines_from(Parser& p) noexcept;
// Most calls find no gap at all: decide that without a call.
inline bool may_start_gap(const Parser& p) noexcept {
    if (p.at_end()) return false;
    const auto c = static_cast<unsigned char>(p.cur());
    const std::uint8_t cls = kCharClass[c];
    return cls == kSpace || cls == kNewline || cls == kNonAscii || c == '#' || c == '/';
}
// A single space before the next token is the commonest gap of all.
inline bool single_space(Parser& p) noexcept {
    if (p.cur() != ' ' || p.pos + 1 >= p.chars.size()) return false;
    const auto c = static_cast<unsigned char>(p.chars[p.pos + 1]);
    if (kCharClass[c] != 0 && kCharClass[c] != kReserved) return false;
    if (c == '#') return false;
    ++p.pos;
    return true;
}
inline void skip_spaces(Parser& p) noexcept {
    if (may_start_gap(p) && !single_space(p)) skip_spaces_from(p);
}
inline bool skip_lines(Parser& p) noexcept {
    return may_start_gap(p) && !single_space(p) && skip_lines_from(p);
}
// Length of the HOCON whitespace character at `pos` (a line feed counts), or 0.
std::size_t space_at(const Parser& p) noexcept;
bool at_comment(const Parser& p) noexcept;

// How the character at `pos` reads in an error message: 'x', a new line, or
// the end of the input.
std::string found(const Parser& p);

// "'c' is not allowed <where> outside quotes", for a reserved character.
EngineError not_allowed(const Parser& p, std::string_view where);

// Entry: pos 0. Exit: end of text. The root object of the document.
Result<Value> parse_root(Parser& p);

// Entry: on "{". Exit: after the matching "}". A new object.
Result<Value> parse_braced_members(Parser& p);

// Entry: anywhere. Exit: on `terminator` (not consumed) or at the end of the
// text when there is no terminator. Members are merged into `obj`.
Status parse_members_until(Parser& p, std::optional<char> terminator, ObjectNode& obj);

// Entry: after the separator (or on an array element). Exit: on the
// character that ended the value, not consumed.
Result<Value> parse_value(Parser& p);
Result<Value> parse_hocon_value(Parser& p);

// HOCON: the members of an object, up to `terminator` ("}") or the end.
Status parse_hocon_members(Parser& p, std::optional<char> terminator, ObjectNode& obj);

// HOCON: one member (a field or an include directive), merged into `obj`.
// Entry: on its first character. Exit: after it.
Status parse_hocon_member(Parser& p, ObjectNode& obj);

// HOCON: a path expression (a key, or the path of a substitution, which ends
// at "}"). Its elements are pushed on `p.cx.keys`. Entry: on its first
// character. Exit: on the character that ended it.
Status read_path_expression(Parser& p, bool in_substitution);

// HOCON: an unquoted run (no whitespace, no reserved character, no "//"),
// with the "+" of a number's exponent. Entry: on its first character.
std::string_view read_unquoted_run(Parser& p) noexcept;

// HOCON: "include" directive. Entry: after the keyword. Exit: after the
// directive.
Status parse_hocon_include(Parser& p, ObjectNode& obj);

// Reads the file at `path`, parses it as `syntax` and merges its members
// into `obj`; `shown` names it in messages, `at` is the directive. `found`
// tells whether the file could be read (nothing happens when it cannot).
Status include_file(Parser& p, ObjectNode& obj, const std::string& path, std::string_view shown,
                    Syntax syntax, std::size_t at, bool& found);

// A member's or element's finished value when the document is read part by
// part: a container goes to the caller at once, and the arena gives back
// what it took since `mark`; a substitution anywhere means the document
// must be read again as a whole tree (a Restart error).
Status finish_eager_slow(Parser& p, Value& value, const Arena::Mark& mark);
inline Status finish_eager(Parser& p, Value& value, const Arena::Mark& mark) {
    if (!p.cx.eager || (!p.cx.unresolved && !value.is_container())) return {};
    return finish_eager_slow(p, value, mark);
}

// A new object for the members being read: filled straight into the
// caller's object when the document is read part by part.
Result<ObjectNode*> new_object(Parser& p);

// The array of the items stacked on `p.cx.items` since `mark` (which it pops):
// the caller's own when the document is read part by part.
Result<Value> finish_array(Parser& p, std::size_t mark);

// The error for a failed merge_into: the budget's, or the caller's side.
EngineError merge_failure(Parser& p, const MergeContext& merging);

// Java properties text to a tree: keys split at dots, values strings.
Result<Value> parse_properties(Parser& p);

// Entry: on the opening double quote. Exit: after the closing one. The text
// is a view of the source when the string has no escape.
Result<Str> parse_quoted(Parser& p);
bool at_triple_quote(const Parser& p) noexcept;

// Classifies one trimmed unquoted token. Never fails.
Value parse_scalar(std::string_view text);

// Entry: after "include" and its inline gap. Exit: on the character that
// ended the directive. The included members are merged into `obj`.
Status parse_include(Parser& p, ObjectNode& obj);

// Strict dialect: whether a quoted key or path segment may stand for itself
// (letters, digits, "-" and "_" only).
bool is_plain_quoted_key(std::string_view key) noexcept;

// The character at `pos` as "expected '=' ..." shows it: None, or Some('c').
std::string render_char_at(const Parser& p);
// An include target as "unquoted include: ..." shows it, quotes included.
std::string render_include_target(std::string_view text);

inline EngineError too_deep(SourcePos pos = {}) {
    EngineError e = syntax_error("nesting too deep", pos);
    e.limit = true;
    return e;
}

// Pops the key segments pushed since construction when it goes out of scope.
class KeyScope {
public:
    explicit KeyScope(std::vector<Str>& keys) noexcept : keys_(keys), mark_(keys.size()) {}
    ~KeyScope() { keys_.resize(mark_); }
    KeyScope(const KeyScope&) = delete;
    KeyScope& operator=(const KeyScope&) = delete;
    std::size_t mark() const noexcept { return mark_; }
    std::size_t size() const noexcept { return keys_.size() - mark_; }
    const Str* data() const noexcept { return keys_.data() + mark_; }

private:
    std::vector<Str>& keys_;
    std::size_t mark_;
};

// One more level of nesting at `p`, for the lifetime of the guard.
class NestingGuard {
public:
    explicit NestingGuard(Parser& p, std::size_t levels = 1) noexcept
        : guard_(p.depth, limits::kMaxDepth, levels) {}
    bool ok() const noexcept { return guard_.ok(); }

private:
    DepthGuard guard_;
};

}  // namespace quince
