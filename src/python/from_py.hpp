// Python values given by the caller (overrides) as engine values.
#pragma once

#include "engine/engine.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// A mapping of path expressions to values, as one Object in the call's
// arena: keys are paths (`"db.host"`), nested dicts are objects with literal
// keys, lists are arrays, and str, int, float, bool and None are scalars.
// Returns false with a Python exception set, or with `err` holding an
// engine error (a malformed path).
bool overrides_to_value(Call& call, PyObject* mapping, Value& out, std::optional<EngineError>& err);

}  // namespace quince::py
