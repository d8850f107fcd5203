#pragma once

#include "resolve/resolve.hpp"

namespace quince {

Result<Value> resolve_hocon(ResolveContext& cx, Value root);

}  // namespace quince
