#pragma once

#include "model/budget.hpp"
#include "model/foreign.hpp"
#include "model/value.hpp"
#include "python/pyref.hpp"

namespace quince::py {

// How values become Python objects where the dialects differ.
struct ConvertStyle {
    // Integers beyond 64 bits: through a call of builtins.int each (the
    // strict dialect's way), or straight from their digits.
    bool int_builtin = true;
    // The type of the objects (a dict subclass); null for dict.
    PyObject* object_type = nullptr;
    // Raised (with a message) instead of the interpreter's ValueError for an
    // integer with more digits than it converts; null to let that through.
    PyObject* digits_error = nullptr;
};

// Builds the Python objects for a resolved tree. Returns null with an
// exception set (MemoryError when the interpreter runs out of memory,
// whatever the progress hook raised when it says stop).
Ref value_to_py(const Value& value, ProgressHook* progress, const ConvertStyle& style = {});

// Pauses the cyclic garbage collector for its lifetime: the objects a call
// builds cannot form cycles, so the collections that allocation after
// allocation would otherwise start have nothing to find among them.
class GcPause {
public:
    GcPause() noexcept : enabled_(PyGC_Disable()) {}
    ~GcPause() {
        if (enabled_) PyGC_Enable();
    }
    GcPause(const GcPause&) = delete;
    GcPause& operator=(const GcPause&) = delete;

private:
    int enabled_;
};

// Python objects made while a document is read (see model/foreign.hpp),
// then the rest of it. Owns one reference to every object it made until it
// is destroyed; the objects the result holds survive through it.
class PyMaterializer final : public Materializer {
public:
    PyMaterializer(ProgressHook* progress, const ConvertStyle& style);
    ~PyMaterializer();
    PyMaterializer(const PyMaterializer&) = delete;
    PyMaterializer& operator=(const PyMaterializer&) = delete;

    void* new_object() override;
    bool put(void* object, Str key, const Value& value) override;
    void* new_array(const Value* items, std::size_t n) override;
    bool materialize(Value& v) override;
    bool merge(Value& earlier, const Value& later) override;
    void discard() override;

    // The Python object for the call's result.
    Ref finish(const Value& root);

private:
    class Impl;
    Impl* impl_;
};

}  // namespace quince::py
