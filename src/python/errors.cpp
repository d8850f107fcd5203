#include "python/errors.hpp"

#include <string>

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

namespace {

// A source's name as Python shows a path (bytes that are not UTF-8 kept by
// surrogate escapes); None for a string.
Ref origin_of(const Source* src) {
    if (!src || src->name.empty()) return Ref::borrow(Py_None);
    return Ref::steal(PyUnicode_DecodeFSDefaultAndSize(src->name.data(), static_cast<Py_ssize_t>(src->name.size())));
}

// " (included from a.conf:3:1, from b.conf:7:5)" for an error in an included file.
std::string include_chain(const Source* src) {
    std::string out;
    for (; src && src->parent; src = src->parent) {
        const Source* outer = src->parent;
        const LineColumn lc = line_column(outer->text, src->parent_offset);
        out += out.empty() ? " (included from " : ", from ";
        out += outer->name.empty() ? std::string_view("<string>") : outer->name;
        out += ':' + std::to_string(lc.line) + ':' + std::to_string(lc.column);
    }
    if (!out.empty()) out += ')';
    return out;
}

}  // namespace

PyObject* raise_hocon_error(const EngineError& err, const HoconErrorTypes& types) {
    if (err.category == ErrorCategory::Interrupted) return nullptr;  // the signal handler's exception is set
    PyObject* type = types.syntax;
    std::string message = err.message;
    if (err.limit) {
        type = types.limit;
    } else if (err.category == ErrorCategory::Resolve) {
        type = types.resolve;
    } else if (err.category == ErrorCategory::MissingInclude) {
        type = types.not_found;
        message = "required include not found: " + err.message;
    }
    const Source* src = err.pos.source;
    message += include_chain(src);
    Ref origin = origin_of(src);
    if (!origin) return nullptr;
    Ref line = Ref::borrow(Py_None), column = Ref::borrow(Py_None);
    if (src) {
        const LineColumn lc = line_column(src->text, err.pos.offset);
        line = Ref::steal(PyLong_FromUnsignedLong(lc.line));
        column = Ref::steal(PyLong_FromUnsignedLong(lc.column));
        if (!line || !column) return nullptr;
    }
    // File names in the message may be bytes that are not UTF-8.
    Ref text = Ref::steal(PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "surrogateescape"));
    if (!text) return nullptr;
    Ref exc = Ref::steal(PyObject_CallFunctionObjArgs(type, text.get(), origin.get(), line.get(), column.get(), nullptr));
    if (exc) PyErr_SetObject(type, exc.get());
    return nullptr;
}

PyObject* raise_internal_failure(std::string_view msg) {
    if (!init_internal_failure()) return nullptr;  // the failure to create the class is set
    return raise(g_internal_failure,
                 msg.empty() ? std::string_view("internal failure in the native engine") : msg);
}

}  // namespace quince::py
