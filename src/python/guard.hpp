// What both extension modules need at their boundary with CPython.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <new>

#include "python/errors.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// Runs `f` (returning a new reference or null with an exception set); C++
// exceptions stop here, as they must never unwind through CPython frames.
template <class F>
PyObject* guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const InternalFailure& e) {
        return raise_internal_failure(e.message);
    } catch (const std::exception& e) {
        return raise_internal_failure(e.what());
    } catch (...) {
        return raise_internal_failure({});
    }
}

// One module object per process, for the first interpreter that imports it:
// a later import in the same interpreter (after removal from sys.modules)
// gets the same object, another interpreter an ImportError.
struct ModuleOnce {
    std::atomic<std::int64_t> interpreter{-1};
    PyObject* module = nullptr;

    // `create` makes the module (a new reference, or null with an exception).
    template <class Create>
    PyObject* init(const char* refusal, Create&& create) noexcept {
        return guarded([&]() -> PyObject* {
            const std::int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
            if (id == -1) return nullptr;
            std::int64_t expected = -1;
            if (!interpreter.compare_exchange_strong(expected, id) && expected != id) {
                PyErr_SetString(PyExc_ImportError, refusal);
                return nullptr;
            }
            if (!module) {
                if (!init_internal_failure()) return nullptr;
                module = create();
                if (!module) return nullptr;
            }
            Py_IncRef(module);
            return module;
        });
    }
};

}  // namespace quince::py
