#pragma once

#include "model/budget.hpp"
#include "model/value.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// How values become Python objects where the dialects differ.
struct ConvertStyle {
    // Integers beyond 64 bits: through a call of builtins.int each (the
    // strict dialect's way), or straight from their digits.
    bool int_builtin = true;
    // The type of the objects (a dict subclass); null for dict.
    PyObject* object_type = nullptr;
};

// Builds the Python objects for a resolved tree. Returns null with an
// exception set (MemoryError when the interpreter runs out of memory,
// whatever the progress hook raised when it says stop).
Ref value_to_py(const Value& value, ProgressHook* progress, const ConvertStyle& style = {});

}  // namespace quince::py
