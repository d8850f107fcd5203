#include "python/convert.hpp"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "model/key_hash.hpp"
#include "model/stack.hpp"
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

Ref too_deep() {
    PyErr_SetString(PyExc_RecursionError, "nesting too deep to convert");
    return {};
}

// One conversion: keys that repeat (the same field in every element of a
// list of objects) share one str, which also carries its hash into every
// dict it is stored in. The cache is small and direct-mapped, so it stays
// in the processor's cache, and a key that is never seen again (as in one
// wide mapping) costs a hash and one probe, whatever the document.
class Converter {
public:
    Converter() : slots_(kSlots) {}
    ~Converter() {
        for (Slot& s : slots_)
            if (s.str) Py_DecRef(s.str);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Consumes `value`: each subtree is released as soon as it is converted,
    // while it is still in the processor's cache.
    Ref convert(Value& value) {
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
            if (!stack_room()) return too_deep();
            auto& items = value.get<Array>()->items;
            Ref list = checked(PyList_New(static_cast<Py_ssize_t>(items.size())));
            for (std::size_t i = 0; i < items.size(); ++i) {
                Ref item = convert(items[i]);
                if (!item) return {};
                PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), item.release());  // steals
            }
            value = Value();
            return list;
        }
        case Kind::Object: {
            if (!stack_room()) return too_deep();
            Ref dict = checked(PyDict_New());
            for (Member& m : value.get<Object>()->members) {
                Ref item = convert(m.value);
                if (!item) return {};
                Ref keep;
                if (PyDict_SetItem(dict.get(), key(m.key, keep), item.get()) < 0) return {};
            }
            value = Value();
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
    static constexpr std::size_t kSlots = 2048;

    // Keys are copied into the slot, as the tree is released during the
    // conversion; longer keys are rare and simply not cached.
    static constexpr std::size_t kKeyMax = 46;
    struct Slot {
        std::uint64_t hash = 0;
        PyObject* str = nullptr;
        std::uint8_t len = 0;
        char text[kKeyMax];
    };

    // Borrowed reference: the cache or the caller's dict owns it. `keep`
    // holds a key that is not cached until the dict has taken it.
    PyObject* key(std::string_view text, Ref& keep) {
        if (text.size() > kKeyMax) {
            keep = str_from(text);
            return keep.get();
        }
        const std::uint64_t hash = hash_key(text);
        Slot& slot = slots_[hash & (kSlots - 1)];
        if (slot.str && slot.hash == hash && std::string_view(slot.text, slot.len) == text)
            return slot.str;
        Ref fresh = str_from(text);
        if (slot.str) Py_DecRef(slot.str);
        slot.hash = hash;
        slot.str = fresh.release();
        slot.len = static_cast<std::uint8_t>(text.size());
        std::memcpy(slot.text, text.data(), text.size());
        return slot.str;
    }

    std::vector<Slot> slots_;
};

}  // namespace

Ref value_to_py(Value& value) {
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
