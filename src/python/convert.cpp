#include "python/convert.hpp"

#include "python/errors.hpp"

namespace quince::py {

namespace {

// Creating a scalar only fails when the interpreter itself is in trouble;
// that is reported as an internal failure, with the Python error printed.
Ref checked(PyObject* o) {
    if (!o) {
        PyErr_Print();
        throw InternalFailure{"Python API call failed"};
    }
    return Ref::steal(o);
}

Ref str_from(const std::string& s) {
    return checked(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
}

// Python's own int() parses the digits, so arbitrary sizes come out exact.
Ref big_int(const BigInt& b) {
    Ref name = str_from("builtins");
    Ref builtins = Ref::steal(PyImport_Import(name.get()));
    if (!builtins) return {};
    Ref int_name = str_from("int");
    Ref int_type = Ref::steal(PyObject_GetAttr(builtins.get(), int_name.get()));
    if (!int_type) return {};
    Ref args = checked(PyTuple_New(1));
    PyTuple_SetItem(args.get(), 0, str_from(b.text).release());  // steals
    return Ref::steal(PyObject_Call(int_type.get(), args.get(), nullptr));
}

}  // namespace

Ref value_to_py(const Value& value) {
    switch (value.kind()) {
    case Kind::Null:
        return Ref::borrow(Py_None);
    case Kind::Bool:
        return Ref::borrow(*value.get<bool>() ? Py_True : Py_False);
    case Kind::Int:
        return checked(PyLong_FromLongLong(*value.get<std::int64_t>()));
    case Kind::BigInt:
        return big_int(*value.get<BigInt>());
    case Kind::Float:
        return checked(PyFloat_FromDouble(*value.get<double>()));
    case Kind::Str:
        return str_from(*value.get<std::string>());
    case Kind::Array: {
        const auto& items = value.get<Array>()->items;
        Ref list = checked(PyList_New(static_cast<Py_ssize_t>(items.size())));
        for (std::size_t i = 0; i < items.size(); ++i) {
            Ref item = value_to_py(items[i]);
            if (!item) return {};
            PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), item.release());  // steals
        }
        return list;
    }
    case Kind::Object: {
        Ref dict = checked(PyDict_New());
        for (const Member& m : value.get<Object>()->members) {
            Ref item = value_to_py(m.value);
            if (!item) return {};
            Ref key = str_from(m.key);
            if (PyDict_SetItem(dict.get(), key.get(), item.get()) < 0) return {};
        }
        return dict;
    }
    case Kind::Subst:
    case Kind::Concat:
        break;
    }
    PyErr_SetString(PyExc_RuntimeError, "unresolved node");
    return {};
}

}  // namespace quince::py
