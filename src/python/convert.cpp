#include "python/convert.hpp"

#include <string_view>
#include <unordered_map>

#include "model/key_hash.hpp"
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

Ref str_from(std::string_view s) {
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

struct KeyHasher {
    std::size_t operator()(std::string_view s) const noexcept { return hash_key(s); }
};

// One conversion: keys that repeat (the same field in every element of a
// list of objects) share one str, which also carries its hash into every
// dict it is stored in.
class Converter {
public:
    ~Converter() {
        for (auto& [text, str] : keys_) Py_DecRef(str);
    }

    Ref convert(const Value& value) {
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
                Ref item = convert(items[i]);
                if (!item) return {};
                PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), item.release());  // steals
            }
            return list;
        }
        case Kind::Object: {
            Ref dict = checked(PyDict_New());
            for (const Member& m : value.get<Object>()->members) {
                Ref item = convert(m.value);
                if (!item) return {};
                if (PyDict_SetItem(dict.get(), key(m.key), item.get()) < 0) return {};
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

private:
    // Borrowed reference, owned by the cache.
    PyObject* key(const std::string& text) {
        auto [it, fresh] = keys_.try_emplace(text, nullptr);
        if (fresh) {
            try {
                it->second = str_from(text).release();
            } catch (...) {
                keys_.erase(it);
                throw;
            }
        }
        return it->second;
    }

    std::unordered_map<std::string_view, PyObject*, KeyHasher> keys_;
};

}  // namespace

Ref value_to_py(const Value& value) {
    // The objects built here cannot form cycles, so the cyclic collector,
    // which allocation after allocation would otherwise start, has nothing
    // to find among them.
    const int gc_was_enabled = PyGC_Disable();
    struct Restore {
        int enabled;
        ~Restore() {
            if (enabled) PyGC_Enable();
        }
    } restore{gc_was_enabled};
    Converter converter;
    return converter.convert(value);
}

}  // namespace quince::py
