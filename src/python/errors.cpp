#include "python/errors.hpp"

namespace quince::py {

namespace {

// Created on first use and kept for the life of the process, like the module.
PyObject* internal_failure_type() {
    static PyObject* type = nullptr;
    if (!type) {
        type = PyErr_NewExceptionWithDoc(
            "quince_tarragon._native.InternalError",
            "The native engine broke one of its own invariants. Derives from "
            "BaseException so that ordinary `except Exception` handlers do not "
            "swallow it.",
            PyExc_BaseException, nullptr);
    }
    return type;
}

}  // namespace

PyObject* raise(PyObject* type, std::string_view msg) {
    Ref text = Ref::steal(PyUnicode_FromStringAndSize(msg.data(), static_cast<Py_ssize_t>(msg.size())));
    if (text) PyErr_SetObject(type, text.get());
    return nullptr;
}

PyObject* raise_parse_error(const EngineError& err) {
    switch (err.category) {
    case ErrorCategory::Syntax:
        return raise(PyExc_ValueError, err.message);
    case ErrorCategory::MissingInclude:
        return raise(PyExc_FileNotFoundError, "Cannot include required file: " + err.message);
    case ErrorCategory::Unsupported:
        break;
    }
    return raise(PyExc_NotImplementedError, err.message);
}

PyObject* raise_resolve_error(const EngineError& err) {
    return raise(PyExc_NotImplementedError, err.message);
}

PyObject* raise_internal_failure(std::string_view msg) {
    PyObject* type = internal_failure_type();
    if (!type) return nullptr;  // the failure to create the class is set
    return raise(type, msg.empty() ? std::string_view("internal failure in the native engine") : msg);
}

}  // namespace quince::py
