// Parser state and the grammar entry points. Each parse_* function states
// where `pos` stands on entry and on exit; after an error `pos` is of no
// further use and the caller only passes the error up.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/budget.hpp"
#include "model/error.hpp"
#include "model/stack.hpp"
#include "model/value.hpp"

namespace quince {

// Nesting of arrays, objects, dotted keys and includes is bounded so that
// recursion can never exhaust the native stack, whatever the input. A level
// costs about a kilobyte of stack here; 2000 levels stay well inside the
// 8 MiB that a Linux thread gets by default.
inline constexpr std::size_t kMaxDepth = 2000;

// The chain of files being included around a nested parser, innermost
// first; lets a directive recognise a file that is already open above it.
struct IncludeFrame {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    const IncludeFrame* outer = nullptr;
};

struct Parser {
    // The source as validated UTF-8. Positions count bytes (see text.hpp for
    // why that is indistinguishable from counting code points).
    std::string_view chars;
    // Include base directory; empty means "as written", i.e. relative to the
    // process's working directory.
    std::string base;
    std::size_t pos = 0;
    // Open arrays, objects and includes around `pos`.
    std::size_t depth = 0;
    // The file this parser reads, when it was included; null at the top.
    const IncludeFrame* file = nullptr;
    // What the whole parse shares, nested parsers included.
    struct Shared {
        Budget budget;           // copies and included text
        std::size_t includes = 0;  // include directives carried out
        bool unresolved = false;   // a Subst or Concat was built somewhere
    };
    Shared* shared = &own_shared;
    Shared own_shared;

    explicit Parser(std::string_view text) noexcept : chars(text) {}
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    bool at_end() const noexcept { return pos >= chars.size(); }
    char cur() const noexcept { return chars[pos]; }
    // The byte after `pos`, or NUL past the end (NUL never matches a
    // look-ahead the grammar asks for).
    char next() const noexcept { return pos + 1 < chars.size() ? chars[pos + 1] : '\0'; }
};

// Gaps. Both leave `pos` on the first character that is not part of the gap.
void skip_member_gap(Parser& p) noexcept;
void skip_inline_gap(Parser& p) noexcept;

// Entry: pos 0. Exit: end of text. The root object of the document.
Result<Value> parse_root(Parser& p);

// Entry: on "{". Exit: after the matching "}".
Result<Object> parse_braced_members(Parser& p);

// Entry: anywhere. Exit: on `terminator` (not consumed) or at the end of the
// text when there is no terminator.
Result<Object> parse_members_until(Parser& p, std::optional<char> terminator);

// Entry: after the separator (or on an array element). Exit: on the
// character that ended the value, not consumed.
Result<Value> parse_value(Parser& p);

// Entry: on the opening double quote. Exit: after the closing one.
Result<std::string> parse_quoted(Parser& p);
// The same for the common case of a string without escapes, as a view into
// the source; empty (and `pos` unchanged) when the string has an escape or
// no closing quote.
std::optional<std::string_view> plain_quoted(Parser& p) noexcept;

// Classifies one trimmed unquoted token. Never fails.
Value parse_scalar(std::string_view text);

// Entry: after "include" and its inline gap. Exit: on the character that
// ended the directive. The included members are merged into `obj`.
Status parse_include(Parser& p, Object& obj);

// Splits "a.b.c" into the head "a" and {b: {c: value}}.
std::pair<std::string, Value> split_head(std::string_view key, Value value);

// The character at `pos` as "expected '=' ..." shows it: None, or Some('c').
std::string render_char_at(const Parser& p);
// An include target as "unquoted include: ..." shows it, quotes included.
std::string render_include_target(std::string_view text);

inline EngineError too_deep() { return syntax_error("nesting too deep"); }

}  // namespace quince
