#include "python/errors.hpp"

namespace quince::py {

namespace {

PyObject* g_internal_failure = nullptr;

}  // namespace

bool init_internal_failure() {
    if (!g_internal_failure) {
        g_internal_failure = PyErr_NewExceptionWithDoc(
            "quince_tarragon._native.InternalError",
            "The native engine broke one of its own invariants. Derives from "
            "BaseException so that ordinary `except Exception` handlers do not "
            "swallow it.",
            PyExc_BaseException, nullptr);
    }
    return g_internal_failure != nullptr;
}

PyObject* raise(PyObject* type, std::string_view msg) {
    Ref text = Ref::steal(PyUnicode_FromStringAndSize(msg.data(), static_cast<Py_ssize_t>(msg.size())));
    if (text) PyErr_SetObject(type, text.get());
    return nullptr;
}

PyObject* raise_strict_error(const EngineError& err) {
    switch (err.category) {
    case ErrorCategory::Interrupted:
        return nullptr;  // the signal handler's exception is set
    case ErrorCategory::Syntax:
        return raise(PyExc_ValueError, err.message);
    case ErrorCategory::MissingInclude:
        return raise(PyExc_FileNotFoundError, "Cannot include required file: " + err.message);
    case ErrorCategory::Unsupported:
    case ErrorCategory::Resolve:
        break;
    }
    return raise(PyExc_NotImplementedError, err.message);
}

PyObject* raise_internal_failure(std::string_view msg) {
    if (!init_internal_failure()) return nullptr;  // the failure to create the class is set
    return raise(g_internal_failure,
                 msg.empty() ? std::string_view("internal failure in the native engine") : msg);
}

}  // namespace quince::py
