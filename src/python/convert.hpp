#pragma once

#include "model/budget.hpp"
#include "model/value.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// Builds the Python objects for a resolved tree. Returns null with an
// exception set (MemoryError when the interpreter runs out of memory,
// whatever the progress hook raised when it says stop).
Ref value_to_py(const Value& value, ProgressHook* progress);

}  // namespace quince::py
