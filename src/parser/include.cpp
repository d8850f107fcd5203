// include "file" / file("...") / required(...): another file's members
// spliced in at the directive's place.
#include "model/text.hpp"
#include "model/tree.hpp"
#include "parser/files.hpp"
#include "parser/parser.hpp"

namespace quince {

namespace {

// "name(...)" -> the text between the parentheses; nothing is trimmed and
// inner parentheses are not matched.
std::optional<std::string_view> strip_call(std::string_view text, std::string_view name) {
    if (text.size() < name.size() + 2 || text.substr(0, name.size()) != name ||
        text[name.size()] != '(' || text.back() != ')')
        return std::nullopt;
    return text.substr(name.size() + 1, text.size() - name.size() - 2);
}

struct Target {
    std::string_view path;
    bool required = false;
};

// Entry: after "include" and its inline gap. Exit: on the character that
// ended the directive.
Result<Target> read_target(Parser& p) {
    const std::size_t start = p.pos;
    while (!p.at_end()) {
        char c = p.cur();
        if (c == '\n' || c == '#' || c == ',' || c == '}' || c == ']' ||
            (c == '/' && p.next() == '/'))
            break;
        ++p.pos;
    }
    const std::string_view written = trim(p.chars.substr(start, p.pos - start));

    Target target;
    std::string_view text = written;
    if (auto inner = strip_call(text, "required")) {
        text = trim(*inner);
        target.required = true;
    }
    std::string_view kind = "file";
    for (std::string_view k : {"url", "classpath", "file"}) {
        if (auto inner = strip_call(text, k)) {
            text = trim(*inner);
            kind = k;
            break;
        }
    }
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return unsupported("unquoted include: " + render_include_target(written), p.at(start));
    target.path = text.substr(1, text.size() - 2);
    if (kind != "file")
        return unsupported("include " + std::string(kind) + "(...) out of scope", p.at(start));
    return target;
}

}  // namespace

Status include_file(Parser& p, ObjectNode& obj, const std::string& path, std::string_view shown,
                    Syntax syntax, std::size_t at, bool& found) {
    found = false;
    // Fan-out (a file including another twice, which includes another twice,
    // ...) multiplies the work without any cycle; bound it.
    if (++p.cx.includes > limits::kMaxIncludes) {
        EngineError e = syntax_error("too many includes", p.at(at));
        e.limit = true;
        return e;
    }
    FileText file;
    switch (read_file(p.cx.arena, path, p.cx.budget.bytes_left(), file)) {
    case ReadOutcome::Ok:
        break;
    case ReadOutcome::TooLarge:
        return p.cx.budget.exceeded();
    case ReadOutcome::Unreadable:
        return {};
    }
    found = true;
    for (const IncludeFrame* f = p.file; f; f = f->outer)
        if (f->device == file.device && f->inode == file.inode)
            return syntax_error("include cycle: " + std::string(shown), p.at(at));
    // An include level counts like a brace: the nested parse recurses.
    NestingGuard guard(p);
    if (!guard.ok()) return too_deep(p.at(at));
    if (!p.cx.budget.charge(0, file.text.size())) return p.cx.budget.failure();

    const IncludeFrame frame{file.device, file.inode, p.file};
    const Source* source = p.cx.arena.make<Source>(p.cx.arena.copy(path), file.text, p.source,
                                                   static_cast<std::uint32_t>(at));
    Parser nested(*source, p.cx);
    nested.base = parent_dir(path);
    nested.depth = p.depth;
    nested.file = &frame;
    nested.syntax = syntax;
    // The included file's substitutions are tried below the object that
    // includes it first.
    nested.prefix = static_cast<std::uint32_t>(p.cx.path_length());
    Result<Value> root = syntax == Syntax::Properties ? parse_properties(nested) : parse_root(nested);
    if (!root) return std::move(root).error();
    MergeContext merging = p.cx.merging();
    const ObjectNode& members = *root->object;
    if (members.foreign) {
        // Read part by part: the file's members are already the caller's.
        Value into = Value::of(&obj);
        if (!p.cx.eager->merge(into, *root)) return merge_failure(p, merging);
        return {};
    }
    for (std::uint32_t i = 0; i < members.size; ++i)
        if (!merge_into(merging, obj, members.items[i].key, members.items[i].value))
            return merge_failure(p, merging);
    return {};
}

Status parse_include(Parser& p, ObjectNode& obj) {
    const std::size_t at = p.pos;
    auto target = read_target(p);
    if (!target) return std::move(target).error();
    bool found = false;
    Status st = include_file(p, obj, join_path(p.base, target->path), target->path, Syntax::Conf, at, found);
    if (!st) return st;
    if (!found && target->required)
        return EngineError{ErrorCategory::MissingInclude, false, std::string(target->path), p.at(at)};
    return {};
}

}  // namespace quince
