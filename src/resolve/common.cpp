#include "resolve/internal.hpp"

namespace quince {

EngineError too_deeply_nested() {
    EngineError e = unsupported("substitutions nested too deeply");
    e.limit = true;
    return e;
}

EngineError nested_too_deep(SourcePos pos) {
    EngineError e = syntax_error("nesting too deep", pos);
    e.limit = true;
    return e;
}

Outcome Resolver::finish(Value container, bool is_root) {
    const Shape& s = shape_of(container);
    if (s.height > limits::kMaxDepth + (is_root ? 1 : 0)) return nested_too_deep();
    if (!cx.budget.fits(s.weight, s.bytes)) return cx.budget.failure();
    return some(container);
}

Outcome Resolver::finish_array(std::size_t mark) {
    Value array = make_array(cx.arena, items.data() + mark, items.size() - mark);
    items.resize(mark);
    return finish(array);
}

}  // namespace quince
