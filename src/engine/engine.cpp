#include "engine/engine.hpp"

#include "model/limits.hpp"
#include "parser/parser.hpp"
#include "resolve/resolve.hpp"

namespace quince {

Result<Value> Call::run(std::string_view text, Value overrides) {
    if (text.size() > limits::kMaxText) {
        EngineError e = syntax_error("document too large");
        e.limit = true;
        return e;
    }
    const Source* source = arena_.make<Source>(arena_.copy(options_.origin), text);
    ParseContext parsing{arena_, budget_, options_};
    Parser parser(*source, parsing);
    parser.base = options_.base;
    parser.syntax = options_.syntax;
    Result<Value> raw = options_.syntax == Syntax::Properties ? parse_properties(parser) : parse_root(parser);
    if (!raw) return raw;
    if (overrides.kind == Kind::Object) {
        MergeContext merging = parsing.merging();
        const ObjectNode& o = *overrides.object;
        for (std::uint32_t i = 0; i < o.size; ++i)
            if (!merge_into(merging, *raw->object, o.items[i].key, o.items[i].value)) return budget_.failure();
    }
    if (!parsing.unresolved) return raw;

    const ProcessEnvironment process_env;
    ResolveContext resolving{arena_, budget_, options_, options_.env ? *options_.env : process_env};
    return resolve_document(resolving, *raw);
}

Result<std::vector<Str>> Call::split_path(std::string_view text) {
    const Source* source = arena_.make<Source>(std::string_view(), arena_.copy(text));
    ParseContext parsing{arena_, budget_, options_};
    Parser parser(*source, parsing);
    Status st = read_path_expression(parser, false);
    if (!st) return std::move(st).error();
    skip_spaces(parser);
    if (!parser.at_end())
        return syntax_error("a path ends at its last element, found " + found(parser), parser.here());
    return std::move(parsing.keys);
}

}  // namespace quince
