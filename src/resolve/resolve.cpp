#include "resolve/resolve.hpp"

#include "model/tree.hpp"
#include "resolve/hocon.hpp"
#include "resolve/strict.hpp"

namespace quince {

Result<Value> resolve_document(ResolveContext& cx, Value root) {
    if (cx.options.dialect == Dialect::Hocon) return resolve_hocon(cx, root);
    return resolve_strict(cx, root);
}

}  // namespace quince
