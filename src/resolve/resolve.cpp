#include "resolve/resolve.hpp"

#include "model/tree.hpp"
#include "resolve/strict.hpp"

namespace quince {

Result<Value> resolve_document(ResolveContext& cx, Value root) {
    return resolve_strict(cx, root);
}

}  // namespace quince
