// Turning finished parts of a document into the caller's objects while the
// rest is still being read, so that a large document never exists twice in
// memory. Only a document without substitutions can be read this way: one
// that needs resolution is read again as a whole tree.
#pragma once

#include "model/value.hpp"

namespace quince {

class Materializer {
public:
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
