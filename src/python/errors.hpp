// Turning engine errors and internal failures into Python exceptions.
#pragma once

#include <string>
#include <string_view>

#include "model/budget.hpp"
#include "model/error.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// Thrown (never across the C boundary) when the engine breaks an invariant.
struct InternalFailure {
    std::string message;
};

// Sets `type` with the single str argument `msg`; returns null for chaining.
PyObject* raise(PyObject* type, std::string_view msg);

// The strict dialect's mapping: malformed text is ValueError, a missing
// required include FileNotFoundError, everything else NotImplementedError.
PyObject* raise_strict_error(const EngineError& err);

// The HOCON dialect's exception classes (quince_tarragon._errors), each
// called with (message, origin, line, column).
struct HoconErrorTypes {
    PyObject* syntax = nullptr;
    PyObject* resolve = nullptr;
    PyObject* limit = nullptr;
    PyObject* not_found = nullptr;
};
PyObject* raise_hocon_error(const EngineError& err, const HoconErrorTypes& types);

// Creates the BaseException subclass reserved for internal failures; called
// once at import, so that raising one later needs no allocation of a class.
bool init_internal_failure();
// Raises it; an empty message gets a generic text.
PyObject* raise_internal_failure(std::string_view msg);

// Lets a long call see Ctrl-C: the pending signal handlers run every few
// milliseconds of work, and an exception they raise stops the call.
class SignalCheck final : public ProgressHook {
public:
    bool keep_going() override { return PyErr_CheckSignals() == 0; }
};

}  // namespace quince::py
