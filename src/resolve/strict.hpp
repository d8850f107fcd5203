#pragma once

#include "resolve/resolve.hpp"

namespace quince {

Result<Value> resolve_strict(ResolveContext& cx, Value root);

}  // namespace quince
