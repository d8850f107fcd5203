#include "python/from_py.hpp"

#include <string>
#include <vector>

#include "model/merge.hpp"
#include "model/number.hpp"
#include "model/tree.hpp"

namespace quince::py {

namespace {

std::optional<std::string_view> utf8_of(PyObject* str) {
    Py_ssize_t len = 0;
    const char* data = PyUnicode_AsUTF8AndSize(str, &len);
    if (!data) return std::nullopt;
    return std::string_view(data, static_cast<std::size_t>(len));
}

class Converter {
public:
    explicit Converter(Call& call) : call_(call), arena_(call.arena()) {}

    // One value; nesting is bounded like any document's.
    bool value(PyObject* obj, Value& out, std::size_t depth) {
        if (depth > limits::kMaxDepth) {
            PyErr_SetString(PyExc_ValueError, "override nested too deeply");
            return false;
        }
        if (obj == Py_None) {
            out = Value::null();
        } else if (PyBool_Check(obj)) {
            out = Value::boolean(obj == Py_True);
        } else if (PyLong_Check(obj) || PyFloat_Check(obj)) {
            return number(obj, out);
        } else if (PyUnicode_Check(obj)) {
            auto text = utf8_of(obj);
            if (!text) return false;
            out = Value::string(arena_.copy(*text));
        } else if (PyList_Check(obj) || PyTuple_Check(obj)) {
            return sequence(obj, out, depth);
        } else if (PyDict_Check(obj)) {
            return object(obj, out, depth);
        } else {
            Ref name = Ref::steal(PyType_GetName(Py_TYPE(obj)));
            auto text = name ? utf8_of(name.get()) : std::nullopt;
            if (!text) return false;
            std::string msg = "an override value must be str, int, float, bool, None, list, tuple or dict, not ";
            msg += *text;
            PyErr_SetString(PyExc_TypeError, msg.c_str());
            return false;
        }
        return true;
    }

private:
    // Numbers keep their text, as written numbers do.
    bool number(PyObject* obj, Value& out) {
        Ref text = Ref::steal(PyLong_Check(obj) ? PyObject_Str(obj) : PyObject_Repr(obj));
        if (!text) return false;
        auto digits = utf8_of(text.get());
        if (!digits) return false;
        Kind kind = Kind::Float;
        if (PyLong_Check(obj)) {
            std::int64_t unused;
            kind = integer_value(*digits, unused) ? Kind::Int : Kind::BigInt;
        }
        out = Value::textual(kind, arena_.copy(*digits));
        return true;
    }

    bool sequence(PyObject* obj, Value& out, std::size_t depth) {
        Ref fast = Ref::steal(PySequence_Tuple(obj));
        if (!fast) return false;
        const Py_ssize_t n = PyTuple_Size(fast.get());
        std::vector<Value> items(static_cast<std::size_t>(n));
        for (Py_ssize_t i = 0; i < n; ++i)
            if (!value(PyTuple_GetItem(fast.get(), i), items[static_cast<std::size_t>(i)], depth + 1)) return false;
        out = make_array(arena_, items.data(), items.size());
        return true;
    }

    bool object(PyObject* obj, Value& out, std::size_t depth) {
        ObjectNode* node = make_object(arena_);
        PyObject *k, *v;
        Py_ssize_t pos = 0;
        MergeContext merging{arena_, call_.budget(), Dialect::Hocon};
        while (PyDict_Next(obj, &pos, &k, &v)) {
            if (!PyUnicode_Check(k)) {
                PyErr_SetString(PyExc_TypeError, "override keys must be str");
                return false;
            }
            auto key = utf8_of(k);
            if (!key) return false;
            Value child;
            if (!value(v, child, depth + 1)) return false;
            merge_into(merging, *node, arena_.copy(*key), child);
        }
        out = Value::of(node);
        return true;
    }

    Call& call_;
    Arena& arena_;
};

}  // namespace

bool overrides_to_value(Call& call, PyObject* mapping, Value& out, std::optional<EngineError>& err) {
    Ref items = Ref::steal(PyMapping_Items(mapping));
    if (!items) return false;
    Converter convert(call);
    ObjectNode* root = make_object(call.arena());
    MergeContext merging{call.arena(), call.budget(), Dialect::Hocon};
    const Py_ssize_t n = PyList_Size(items.get());
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* pair = PyList_GetItem(items.get(), i);
        PyObject* k = PyTuple_GetItem(pair, 0);
        if (!k || !PyUnicode_Check(k)) {
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "override paths must be str");
            return false;
        }
        auto key = utf8_of(k);
        if (!key) return false;
        Result<std::vector<Str>> path = call.split_path(*key);
        if (!path) {
            err = std::move(path).error();
            return false;
        }
        Value v;
        if (!convert.value(PyTuple_GetItem(pair, 1), v, path->size())) return false;
        const Value nested = wrap_path(call.arena(), path->data(), path->size(), v);
        merge_into(merging, *root, (*path)[0], nested);
    }
    out = Value::of(root);
    return true;
}

}  // namespace quince::py
