#include "engine/engine.hpp"

#include "model/limits.hpp"
#include "parser/parser.hpp"
#include "resolve/resolve.hpp"

namespace quince {

Result<Value> Call::parse(const Source& source, Materializer* eager) {
    ParseContext parsing{arena_, budget_, options_};
    parsing.eager = eager;
    Parser parser(source, parsing);
    parser.base = options_.base;
    parser.syntax = options_.syntax;
    Result<Value> raw = options_.syntax == Syntax::Properties ? parse_properties(parser) : parse_root(parser);
    if (raw && eager && parsing.unresolved) return EngineError{ErrorCategory::Restart, false, {}, {}};
    if (raw && !parsing.unresolved) concrete_ = true;
    return raw;
}

Result<Value> Call::run(std::string_view text, Value overrides, Materializer* eager) {
    if (text.size() > limits::kMaxText) {
        EngineError e = syntax_error("document too large");
        e.limit = true;
        return e;
    }
    const Source* source = arena_.make<Source>(arena_.copy(options_.origin), text);
    if (eager && overrides.kind != Kind::Object) {
        const Arena::Mark start = arena_.mark();
        Result<Value> raw = parse(*source, eager);
        if (raw || raw.error().category != ErrorCategory::Restart) return raw;
        // It needs resolution: read it again, as a whole tree.
        eager->discard();
        arena_.release(start);
        budget_.reset();
    }
    concrete_ = false;
    Result<Value> raw = parse(*source, nullptr);
    if (!raw) return raw;
    if (overrides.kind == Kind::Object) {
        MergeContext merging{arena_, budget_, options_.dialect};
        const ObjectNode& o = *overrides.object;
        for (std::uint32_t i = 0; i < o.size; ++i)
            if (!merge_into(merging, *raw->object, o.items[i].key, o.items[i].value)) return budget_.failure();
        // Overriding values are concrete: the document still needs resolution
        // only when it did before.
    }
    if (concrete_) return raw;
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
