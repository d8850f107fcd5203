// Turning finished parts of a document into the caller's objects while the
// rest is still being read, so that a large document never exists twice in
// memory. Only a document without substitutions can be read this way: one
// that needs resolution is read again as a whole tree.
#pragma once

#include "model/value.hpp"

namespace quince {

class Materializer {
public:
    // A new, empty caller's object that members are put into as they are
    // read; null when the caller's side failed.
    virtual void* new_object() = 0;
    // Adds a member to such an object by the rule for repeated keys (two
    // objects merge key by key, anything else replaces).
    virtual bool put(void* object, Str key, const Value& value) = 0;
    // The caller's array of these (concrete) items; null when its side failed.
    virtual void* new_array(const Value* items, std::size_t n) = 0;
    // Turns `v`, a concrete container whose children may already be foreign,
    // into a Foreign value. False when the caller's side failed (it keeps
    // the reason).
    virtual bool materialize(Value& v) = 0;
    // Merges the object `later` into the object `earlier`, at least one of
    // them foreign, by the rule for objects under one key; `earlier` becomes
    // the (foreign) result.
    virtual bool merge(Value& earlier, const Value& later) = 0;
    // Drops everything made so far (the document is read again as a whole).
    virtual void discard() = 0;

protected:
    ~Materializer() = default;
};

}  // namespace quince
