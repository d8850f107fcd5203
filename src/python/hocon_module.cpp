// The extension module of the HOCON dialect, `quince_tarragon._hocon`: one
// function, called by the package's Python layer only, whose arguments are
// all positional and already checked there.
//
//   parse(text, origin, base, syntax, includes, classpath, env, tree, overrides)
//     text       str         the document
//     origin     str | None  its file name, for errors
//     base       bytes | None  directory of relative includes
//     syntax     int         0 HOCON, 1 JSON, 2 Java properties
//     includes   bool | bytes  allowed, refused, or confined to a directory
//     classpath  tuple[bytes, ...]  directories of classpath(...) includes
//     env        Mapping[str, str] | None  instead of the process environment
//     tree       type | None  the dict subclass objects become
//     overrides  Mapping[str, object] | None  values merged over the document
//
//   split_path(text) -> tuple[str, ...]   the elements of a path expression
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/engine.hpp"
#include "python/convert.hpp"
#include "python/errors.hpp"
#include "python/from_py.hpp"
#include "python/guard.hpp"
#include "python/pyref.hpp"

namespace quince::py {

namespace {

ModuleOnce g_once;
HoconErrorTypes g_errors;

std::optional<std::string_view> utf8_of(PyObject* str) {
    Py_ssize_t len = 0;
    const char* data = PyUnicode_AsUTF8AndSize(str, &len);
    if (!data) return std::nullopt;
    return std::string_view(data, static_cast<std::size_t>(len));
}

std::optional<std::string_view> bytes_of(PyObject* b) {
    char* data = nullptr;
    Py_ssize_t len = 0;
    if (PyBytes_AsStringAndSize(b, &data, &len) < 0) return std::nullopt;
    return std::string_view(data, static_cast<std::size_t>(len));
}

// Copies the mapping's str items; an item that is not str to str is an error.
bool read_env(PyObject* mapping, MapEnvironment& env) {
    Ref items = Ref::steal(PyMapping_Items(mapping));
    if (!items) return false;
    const Py_ssize_t n = PyList_Size(items.get());
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* pair = PyList_GetItem(items.get(), i);
        PyObject* k = PyTuple_GetItem(pair, 0);
        PyObject* v = PyTuple_GetItem(pair, 1);
        if (!k || !v) return false;
        if (!PyUnicode_Check(k) || !PyUnicode_Check(v)) {
            PyErr_SetString(PyExc_TypeError, "env must map str to str");
            return false;
        }
        auto name = utf8_of(k);
        auto content = utf8_of(v);
        if (!name || !content) return false;
        env.set(std::string(*name), std::string(*content));
    }
    return true;
}

// Fills `options` from the arguments after the text.
bool read_options(PyObject* const* args, Options& options, MapEnvironment& env, bool& use_env) {
    options.dialect = Dialect::Hocon;
    if (args[1] != Py_None) {
        auto origin = utf8_of(args[1]);
        if (!origin) return false;
        options.origin.assign(*origin);
    }
    if (args[2] != Py_None) {
        auto base = bytes_of(args[2]);
        if (!base) return false;
        options.base.assign(*base);
    }
    const long syntax = PyLong_AsLong(args[3]);
    if (syntax == -1 && PyErr_Occurred()) return false;
    options.syntax = syntax == 1 ? Syntax::Json : syntax == 2 ? Syntax::Properties : Syntax::Conf;
    if (PyBytes_Check(args[4])) {
        auto dir = bytes_of(args[4]);
        if (!dir) return false;
        options.includes.confine.assign(*dir);
    } else {
        const int enabled = PyObject_IsTrue(args[4]);
        if (enabled < 0) return false;
        options.includes.enabled = enabled != 0;
    }
    const Py_ssize_t n = PyTuple_Size(args[5]);
    if (n < 0) return false;
    for (Py_ssize_t i = 0; i < n; ++i) {
        auto dir = bytes_of(PyTuple_GetItem(args[5], i));
        if (!dir) return false;
        options.classpath.emplace_back(*dir);
    }
    use_env = args[6] != Py_None;
    return !use_env || read_env(args[6], env);
}

PyObject* parse_impl(PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 9 || !PyUnicode_Check(args[0])) {
        PyErr_SetString(PyExc_TypeError, "parse(text, origin, base, syntax, includes, classpath, env, tree, overrides)");
        return nullptr;
    }
    auto text = utf8_of(args[0]);
    if (!text) return nullptr;
    SignalCheck progress;
    Options options;
    MapEnvironment env;
    bool use_env = false;
    if (!read_options(args, options, env, use_env)) return nullptr;
    options.progress = &progress;
    if (use_env) options.env = &env;
    Call call(options);
    ConvertStyle style;
    style.int_builtin = false;
    style.object_type = args[7] == Py_None ? nullptr : args[7];
    style.digits_error = g_errors.limit;
    GcPause pause;
    PyMaterializer eager(&progress, style);
    Value overrides;
    if (args[8] != Py_None) {
        std::optional<EngineError> err;
        if (!overrides_to_value(call, args[8], overrides, err))
            return err ? raise_hocon_error(*err, g_errors) : nullptr;
    }
    Result<Value> root = call.run(*text, overrides, &eager);
    if (!root) return raise_hocon_error(root.error(), g_errors);
    return eager.finish(*root).release();
}

PyObject* split_path_impl(PyObject* text) {
    if (!PyUnicode_Check(text)) {
        PyErr_SetString(PyExc_TypeError, "a path is a str");
        return nullptr;
    }
    auto utf8 = utf8_of(text);
    if (!utf8) return nullptr;
    Options options;
    options.dialect = Dialect::Hocon;
    Call call(options);
    Result<std::vector<Str>> path = call.split_path(*utf8);
    if (!path) return raise_hocon_error(path.error(), g_errors);
    Ref out = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(path->size())));
    if (!out) return nullptr;
    for (std::size_t i = 0; i < path->size(); ++i) {
        const Str e = (*path)[i];
        PyObject* item = PyUnicode_FromStringAndSize(e.data, static_cast<Py_ssize_t>(e.size));
        if (!item) return nullptr;
        PyTuple_SetItem(out.get(), static_cast<Py_ssize_t>(i), item);  // steals
    }
    return out.release();
}

PyObject* parse(PyObject*, PyObject* const* args, Py_ssize_t nargs) noexcept {
    return guarded([&] { return parse_impl(args, nargs); });
}

PyObject* split_path(PyObject*, PyObject* text) noexcept {
    return guarded([&] { return split_path_impl(text); });
}

PyMethodDef methods[] = {
    {"parse", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(parse)), METH_FASTCALL,
     "parse(text, origin, base, syntax, includes, classpath, env, tree, overrides)\n--\n\n"
     "Parse and resolve a document in the HOCON dialect (used by quince_tarragon.parse_string)."},
    {"split_path", split_path, METH_O,
     "split_path(text)\n--\n\nThe elements of a HOCON path expression: 'a.\"b.c\"' is ('a', 'b.c')."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_hocon", "The HOCON dialect of the native engine.", 0, methods,
    nullptr, nullptr, nullptr, nullptr,
};

bool load_error_types() {
    Ref module = Ref::steal(PyImport_ImportModule("quince_tarragon._errors"));
    if (!module) return false;
    struct Slot {
        PyObject** target;
        const char* name;
    } slots[] = {{&g_errors.syntax, "ConfigSyntaxError"},
                 {&g_errors.resolve, "ConfigResolveError"},
                 {&g_errors.limit, "ConfigLimitError"},
                 {&g_errors.not_found, "ConfigFileNotFoundError"}};
    for (Slot& s : slots) {
        *s.target = PyObject_GetAttrString(module.get(), s.name);  // kept for the process
        if (!*s.target) return false;
    }
    return true;
}

}  // namespace

}  // namespace quince::py

extern "C" __attribute__((visibility("default"))) PyObject* PyInit__hocon(void) {
    using namespace quince::py;
    return g_once.init("quince_tarragon._hocon does not support sub-interpreters", []() -> PyObject* {
        if (!load_error_types()) return nullptr;
        return PyModule_Create2(&module_def, PYTHON_ABI_VERSION);
    });
}
