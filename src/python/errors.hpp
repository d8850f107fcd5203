// Turning engine errors and internal failures into Python exceptions.
#pragma once

#include <string>
#include <string_view>

#include "model/error.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// Thrown (never across the C boundary) when the engine breaks an invariant
// or a Python API call that cannot fail for well-formed input fails.
struct InternalFailure {
    std::string message;
};

// Sets `type` with the single str argument `msg`; returns null for chaining.
PyObject* raise(PyObject* type, std::string_view msg);

// Parsing errors map by category; resolution errors are all
// NotImplementedError.
PyObject* raise_parse_error(const EngineError& err);
PyObject* raise_resolve_error(const EngineError& err);

// Raises the BaseException subclass reserved for internal failures; an empty
// message gets a generic text.
PyObject* raise_internal_failure(std::string_view msg);

}  // namespace quince::py
