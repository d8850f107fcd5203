// The extension module: creation, the `parse` entry point and its argument
// binding. The engine runs with the interpreter lock held throughout.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/engine.hpp"
#include "python/convert.hpp"
#include "python/errors.hpp"
#include "python/guard.hpp"
#include "python/pyref.hpp"

namespace quince::py {

namespace {

// The whole process state of the module. The engine itself keeps none.
ModuleOnce g_once;

constexpr std::string_view kBackend = "cpp";

std::optional<std::string_view> utf8_of(PyObject* str) {
    Py_ssize_t len = 0;
    const char* data = PyUnicode_AsUTF8AndSize(str, &len);
    if (!data) return std::nullopt;
    return std::string_view(data, static_cast<std::size_t>(len));
}

PyObject* type_error(std::string_view msg) { return raise(PyExc_TypeError, msg); }

// "argument 's': 'bytes' object cannot be converted to 'PyString'"
PyObject* not_a_string(const char* param, PyObject* obj) {
    Ref qualname = Ref::steal(PyType_GetQualName(Py_TYPE(obj)));
    if (!qualname) return nullptr;
    auto name = utf8_of(qualname.get());
    if (!name) return nullptr;
    std::string msg = "argument '";
    msg += param;
    msg += "': '";
    msg += *name;
    msg += "' object cannot be converted to 'PyString'";
    return type_error(msg);
}

PyObject* run(std::string_view text, std::string_view base) {
    SignalCheck progress;
    Options options;
    options.base.assign(base);
    options.progress = &progress;
    Call call(options);
    GcPause pause;
    PyMaterializer eager(&progress, ConvertStyle{});
    Result<Value> root = call.run(text, Value(), &eager);
    if (!root) return raise_strict_error(root.error());
    return eager.finish(*root).release();
}

PyObject* parse_impl(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (nargs > 2) {
        return type_error("parse() takes from 1 to 2 positional arguments but " +
                          std::to_string(nargs) + " were given");
    }
    PyObject* s = nargs >= 1 ? args[0] : nullptr;
    PyObject* base = nargs >= 2 ? args[1] : nullptr;
    const Py_ssize_t nkw = kwnames ? PyTuple_Size(kwnames) : 0;
    for (Py_ssize_t i = 0; i < nkw; ++i) {
        auto name = utf8_of(PyTuple_GetItem(kwnames, i));
        if (!name) return nullptr;
        PyObject** slot = *name == "s" ? &s : *name == "base" ? &base : nullptr;
        if (!slot) {
            return type_error("parse() got an unexpected keyword argument '" +
                              std::string(*name) + "'");
        }
        if (*slot) {
            return type_error("parse() got multiple values for argument '" +
                              std::string(*name) + "'");
        }
        *slot = args[nargs + i];
    }
    if (!s) return type_error("parse() missing 1 required positional argument: 's'");

    if (!PyUnicode_Check(s)) return not_a_string("s", s);
    auto text = utf8_of(s);  // lone surrogates raise UnicodeEncodeError here
    if (!text) return nullptr;
    std::string_view base_text;
    if (base && base != Py_None) {
        if (!PyUnicode_Check(base)) return not_a_string("base", base);
        auto b = utf8_of(base);
        if (!b) return nullptr;
        base_text = *b;
    }
    return run(*text, base_text);
}

PyObject* parse(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) noexcept {
    return guarded([&] { return parse_impl(args, nargs, kwnames); });
}

PyMethodDef parse_def = {
    "parse",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(parse)),
    METH_FASTCALL | METH_KEYWORDS,
    "parse(s, base=None)\n--\n\n"
    "Parse HOCON \xe2\x86\x92 nested dict (the Python wrapper then wraps it into a `ConfigTree`).\n"
    "`base`: directory used to resolve `include`s (None = cwd, like `parse_string`; "
    "`parse_file` passes\nthe file's directory, like tarragon).",
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_native",
    "",
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Appends `name` to the module's __all__ (creating it when missing), then
// sets the attribute.
bool add_public(PyObject* module, PyObject* name, PyObject* value) {
    Ref all_name = Ref::steal(PyUnicode_FromString("__all__"));
    if (!all_name) return false;
    Ref all = Ref::steal(PyObject_GetAttr(module, all_name.get()));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
        PyErr_Clear();
        all = Ref::steal(PyList_New(0));
        if (!all || PyObject_SetAttr(module, all_name.get(), all.get()) < 0) return false;
    }
    if (!PyList_Check(all.get())) {
        PyErr_SetString(PyExc_TypeError, "__all__ must be a list");
        return false;
    }
    if (PyList_Append(all.get(), name) < 0) return false;
    return PyObject_SetAttr(module, name, value) == 0;
}

Ref create_module() {
    Ref module = Ref::steal(PyModule_Create2(&module_def, PYTHON_ABI_VERSION));
    if (!module) return {};
    Ref modname = Ref::steal(PyModule_GetNameObject(module.get()));
    if (!modname) return {};
    Ref func = Ref::steal(PyCMethod_New(&parse_def, module.get(), modname.get(), nullptr));
    if (!func) return {};
    Ref name_attr = Ref::steal(PyUnicode_FromString("__name__"));
    if (!name_attr) return {};
    Ref func_name = Ref::steal(PyObject_GetAttr(func.get(), name_attr.get()));
    if (!func_name) return {};
    if (!PyUnicode_Check(func_name.get())) {
        PyErr_SetString(PyExc_TypeError, "function name is not a str");
        return {};
    }
    if (!add_public(module.get(), func_name.get(), func.get())) return {};
    Ref backend_name = Ref::steal(PyUnicode_FromString("__backend__"));
    Ref backend = Ref::steal(PyUnicode_FromStringAndSize(kBackend.data(), kBackend.size()));
    if (!backend_name || !backend) return {};
    if (!add_public(module.get(), backend_name.get(), backend.get())) return {};
    return module;
}

}  // namespace

}  // namespace quince::py

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__native(void) {
    using namespace quince::py;
    return g_once.init("quince_tarragon._native does not support sub-interpreters",
                       [] { return create_module().release(); });
}
