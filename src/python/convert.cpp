#include "python/convert.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/limits.hpp"
#include "model/number.hpp"

namespace quince::py {

namespace {

Ref str_from(std::string_view s) {
    return Ref::steal(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
}

// Python's own int() parses the digits, so arbitrary sizes come out exact.
Ref big_int(std::string_view text) {
    Ref name = str_from("builtins");
    if (!name) return {};
    Ref builtins = Ref::steal(PyImport_Import(name.get()));
    if (!builtins) return {};
    Ref int_name = str_from("int");
    if (!int_name) return {};
    Ref int_type = Ref::steal(PyObject_GetAttr(builtins.get(), int_name.get()));
    if (!int_type) return {};
    Ref arg = str_from(text);
    if (!arg) return {};
    Ref args = Ref::steal(PyTuple_New(1));
    if (!args) return {};
    PyTuple_SetItem(args.get(), 0, arg.release());  // steals
    return Ref::steal(PyObject_Call(int_type.get(), args.get(), nullptr));
}

Ref digits_to_int(std::string_view text) {
    std::string digits(text);  // PyLong_FromString wants a terminated string
    return Ref::steal(PyLong_FromString(digits.c_str(), nullptr, 10));
}

// A hash for the key cache only: a collision costs one missed reuse (the
// slot compares the whole key), so speed matters more than spread.
std::uint64_t cache_hash(std::string_view s) noexcept {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    std::uint64_t tail = 0;
    if (i < s.size()) std::memcpy(&tail, s.data() + i, s.size() - i);  // an empty key may have no data
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

// One conversion: keys that repeat (the same field in every element of a
// list of objects) share one str, which also carries its hash into every
// dict it is stored in. The cache is small and direct-mapped, so it stays
// in the processor's cache, and a key that is never seen again (as in one
// wide mapping) costs a hash and one probe, whatever the document.
class Converter {
public:
    Converter(ProgressHook* progress, const ConvertStyle& style)
        : progress_(progress), style_(style) {}
    ~Converter() {
        for (Slot& s : slots_)
            if (s.str) Py_DecRef(s.str);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Without recursion: a container is stored in its parent as soon as it
    // is created, then filled, so the native stack does not grow with the
    // document's depth.
    Ref convert(const Value& root) {
        Ref result = scalar_or_empty(root);
        if (!result || !root.is_container() || (root.kind == Kind::Object && root.object->foreign)) return result;
        frames_.push_back(Frame{root, 0, result.get()});
        while (!frames_.empty()) {
            Frame& f = frames_.back();
            const std::uint32_t n = f.node.kind == Kind::Array ? f.node.array->size : f.node.object->size;
            if (f.next == n) {
                frames_.pop_back();
                continue;
            }
            const std::uint32_t i = f.next++;
            const bool in_array = f.node.kind == Kind::Array;
            const Value& child = in_array ? f.node.array->items[i] : f.node.object->items[i].value;
            PyObject* container = f.py;
            Ref item = scalar_or_empty(child);
            if (!item) return {};
            PyObject* borrowed = item.get();
            if (in_array) {
                PyList_SetItem(container, static_cast<Py_ssize_t>(i), item.release());  // steals
            } else {
                Ref keep;
                PyObject* k = key(f.node.object->items[i].key, keep);
                if (!k || PyDict_SetItem(container, k, item.get()) < 0) return {};
            }
            if (child.is_container() && !(child.kind == Kind::Object && child.object->foreign))
                frames_.push_back(Frame{child, 0, borrowed});
        }
        return result;
    }

    // Borrowed reference: the cache or the caller's dict owns it. `keep`
    // holds a key that is not cached until the dict has taken it.
    PyObject* key(std::string_view text, Ref& keep) {
        if (text.size() > kKeyMax) {
            keep = str_from(text);
            return keep.get();
        }
        const std::uint64_t hash = cache_hash(text);
        // Small documents get a small cache: its cost is paid on every call.
        if (++keys_seen_ > slots_.size() * 4 && slots_.size() < kMaxSlots) grow_cache();
        Slot& slot = slots_[hash & (slots_.size() - 1)];
        if (slot.str && slot.hash == hash && std::string_view(slot.text, slot.len) == text)
            return slot.str;
        Ref fresh = str_from(text);
        if (!fresh) return nullptr;
        if (slot.str) Py_DecRef(slot.str);
        slot.hash = hash;
        slot.str = fresh.release();
        slot.len = static_cast<std::uint8_t>(text.size());
        if (!text.empty()) std::memcpy(slot.text, text.data(), text.size());
        return slot.str;
    }

    Ref scalar(const Value& value) { return scalar_or_empty(value); }

    Ref new_object() {
        if (!style_.object_type) return Ref::steal(PyDict_New());
        if (!new_) {
            // The type's own constructor, without the cost of a full call.
            new_ = reinterpret_cast<newfunc>(PyType_GetSlot(reinterpret_cast<PyTypeObject*>(style_.object_type), Py_tp_new));
            no_args_ = Ref::steal(PyTuple_New(0));
            if (!new_ || !no_args_) {
                if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "the tree type cannot be created");
                return {};
            }
        }
        return Ref::steal(new_(reinterpret_cast<PyTypeObject*>(style_.object_type), no_args_.get(), nullptr));
    }

private:
    struct Frame {
        Value node;
        std::uint32_t next;  // the next child to convert
        PyObject* py;        // borrowed: its parent (or the result) owns it
    };

    // The Python object for a scalar, or a new empty container of the
    // right size for an array or object.
    Ref scalar_or_empty(const Value& value) {
        switch (value.kind) {
        case Kind::Null:
            return Ref::borrow(Py_None);
        case Kind::Bool:
            return Ref::borrow(value.truth() ? Py_True : Py_False);
        case Kind::Int: {
            std::int64_t n = 0;
            integer_value(value.str(), n);
            return Ref::steal(PyLong_FromLongLong(n));
        }
        case Kind::BigInt: {
            if (style_.int_builtin) return big_int(value.str());
            Ref n = digits_to_int(value.str());
            if (!n && style_.digits_error && PyErr_ExceptionMatches(PyExc_ValueError)) {
                PyErr_Clear();
                const std::string msg = "an integer of " + std::to_string(value.size) +
                                        " characters is beyond the interpreter's limit on converting "
                                        "digits to int (sys.set_int_max_str_digits)";
                Ref exc = Ref::steal(PyObject_CallFunction(style_.digits_error, "s", msg.c_str()));
                if (exc) PyErr_SetObject(style_.digits_error, exc.get());
            }
            return n;
        }
        case Kind::Float:
            return Ref::steal(PyFloat_FromDouble(float_value(value.str())));
        case Kind::Str:
            return str_from(value.str());
        case Kind::Array:
            if (!tick(value.array->size)) return {};
            return Ref::steal(PyList_New(static_cast<Py_ssize_t>(value.array->size)));
        case Kind::Object:
            if (value.object->foreign) return Ref::borrow(static_cast<PyObject*>(value.object->foreign));
            if (!tick(value.object->size)) return {};
            return new_object();
        case Kind::Foreign:
            return Ref::borrow(static_cast<PyObject*>(value.foreign));
        default:
            break;
        }
        PyErr_SetString(PyExc_RuntimeError, "unresolved node");
        return {};
    }

    // The progress hook sees the signals (KeyboardInterrupt).
    bool tick(std::size_t n) {
        done_ += n;
        if (done_ < next_check_) return true;
        next_check_ = done_ + limits::kProgressInterval;
        return !progress_ || progress_->keep_going();
    }

    static constexpr std::size_t kMinSlots = 64, kMaxSlots = 2048;
    static constexpr std::size_t kKeyMax = 46;
    struct Slot {
        std::uint64_t hash = 0;
        PyObject* str = nullptr;
        std::uint8_t len = 0;
        char text[kKeyMax];
    };

    ProgressHook* progress_;
    const ConvertStyle style_;
    newfunc new_ = nullptr;
    Ref no_args_;
    std::uint64_t done_ = 0, next_check_ = limits::kProgressInterval;
    std::vector<Frame> frames_;
    std::vector<Slot> slots_ = std::vector<Slot>(kMinSlots);
    std::size_t keys_seen_ = 0;

    void grow_cache() {
        for (Slot& s : slots_)
            if (s.str) Py_DecRef(s.str);
        slots_.assign(std::min(slots_.size() * 8, kMaxSlots), Slot{});
    }
};

// Merges `src` into `dst` (dicts, `dst` owned by this call alone): objects
// under one key merge key by key, anything else replaces, in place.
bool merge_dicts(PyObject* dst, PyObject* src) {
    struct Pair {
        PyObject* dst;
        PyObject* src;
    };
    std::vector<Pair> todo{{dst, src}};
    while (!todo.empty()) {
        const Pair pair = todo.back();
        todo.pop_back();
        PyObject *k, *v;
        Py_ssize_t pos = 0;
        while (PyDict_Next(pair.src, &pos, &k, &v)) {
            PyObject* existing = PyDict_GetItemWithError(pair.dst, k);  // borrowed
            if (!existing && PyErr_Occurred()) return false;
            if (existing && PyDict_Check(existing) && PyDict_Check(v)) {
                todo.push_back({existing, v});
            } else if (PyDict_SetItem(pair.dst, k, v) < 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

class PyMaterializer::Impl {
public:
    Impl(ProgressHook* progress, const ConvertStyle& style) : converter(progress, style) {}
    Converter converter;
    std::vector<PyObject*> owned;
};

PyMaterializer::PyMaterializer(ProgressHook* progress, const ConvertStyle& style)
    : impl_(new Impl(progress, style)) {}

PyMaterializer::~PyMaterializer() {
    discard();
    delete impl_;
}

void PyMaterializer::discard() {
    for (PyObject* o : impl_->owned) Py_DecRef(o);
    impl_->owned.clear();
}

void* PyMaterializer::new_object() {
    std::vector<PyObject*>& owned = impl_->owned;
    if (owned.size() == owned.capacity()) owned.reserve(owned.capacity() * 2 + 64);
    Ref obj = impl_->converter.new_object();
    if (!obj) return nullptr;
    owned.push_back(obj.get());
    return obj.release();
}

bool PyMaterializer::put(void* object, Str key, const Value& value) {
    Ref item = value.is_container() ? impl_->converter.convert(value) : impl_->converter.scalar(value);
    if (!item) return false;
    // The key only now: converting the value may have reused its cache slot.
    Ref keep;
    PyObject* k = impl_->converter.key(key, keep);
    if (!k) return false;
    auto* dict = static_cast<PyObject*>(object);
    if (PyDict_Check(item.get())) {
        // Two objects under one key merge key by key.
        PyObject* existing = PyDict_GetItemWithError(dict, k);  // borrowed
        if (existing && PyDict_Check(existing)) return merge_dicts(existing, item.get());
        if (!existing && PyErr_Occurred()) return false;
    }
    return PyDict_SetItem(dict, k, item.get()) == 0;
}

void* PyMaterializer::new_array(const Value* items, std::size_t n) {
    std::vector<PyObject*>& owned = impl_->owned;
    if (owned.size() == owned.capacity()) owned.reserve(owned.capacity() * 2 + 64);
    Ref list = Ref::steal(PyList_New(static_cast<Py_ssize_t>(n)));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        Ref item = items[i].is_container() ? impl_->converter.convert(items[i]) : impl_->converter.scalar(items[i]);
        if (!item) return nullptr;
        PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), item.release());  // steals
    }
    owned.push_back(list.get());
    return list.release();
}

bool PyMaterializer::materialize(Value& v) {
    if (v.kind == Kind::Object && v.object->foreign) {
        v = Value::of_foreign(v.object->foreign, true);
        return true;
    }
    std::vector<PyObject*>& owned = impl_->owned;
    // Room first, so that keeping the new object cannot fail after it exists.
    if (owned.size() == owned.capacity()) owned.reserve(owned.capacity() * 2 + 64);
    Ref obj = impl_->converter.convert(v);
    if (!obj) return false;
    const bool object = v.kind == Kind::Object;
    owned.push_back(obj.get());
    v = Value::of_foreign(obj.release(), object);
    return true;
}

bool PyMaterializer::merge(Value& earlier, const Value& later) {
    Value from = later;
    if (earlier.kind != Kind::Foreign && !materialize(earlier)) return false;
    if (from.kind != Kind::Foreign && !materialize(from)) return false;
    return merge_dicts(static_cast<PyObject*>(earlier.foreign), static_cast<PyObject*>(from.foreign));
}

Ref PyMaterializer::finish(const Value& root) { return impl_->converter.convert(root); }

Ref value_to_py(const Value& value, ProgressHook* progress, const ConvertStyle& style) {
    GcPause pause;
    Converter converter(progress, style);
    return converter.convert(value);
}

}  // namespace quince::py
