#pragma once

#include "model/value.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// Builds the Python object for a resolved tree, releasing the tree as it
// goes. Returns null with an exception set; throws InternalFailure when
// CPython cannot create a scalar.
Ref value_to_py(Value& value);

}  // namespace quince::py
