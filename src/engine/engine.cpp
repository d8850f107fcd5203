#include "engine/engine.hpp"

#include "model/limits.hpp"
#include "parser/parser.hpp"
#include "resolve/resolve.hpp"

namespace quince {

Result<Value> Call::run(std::string_view text) {
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
    if (!raw || !parsing.unresolved) return raw;

    const ProcessEnvironment process_env;
    ResolveContext resolving{arena_, budget_, options_, options_.env ? *options_.env : process_env};
    return resolve_document(resolving, *raw);
}

}  // namespace quince
