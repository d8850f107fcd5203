#include "resolve/resolve.hpp"

namespace quince {

Result<std::optional<Value>> resolve_document(Value raw) {
    if (!is_concrete(raw)) return unsupported("substitutions and concatenations are not supported yet");
    return std::optional<Value>(std::move(raw));
}

}  // namespace quince
