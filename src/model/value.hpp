// The document model: the value tree shared by parser, resolver and the
// conversion to Python. Nodes live in the call's arena (arena.hpp) and are
// never released one by one, so a subtree may appear in several places:
// a node marked `shared` is never changed in place (merge clones it first).
#pragma once

#include <cstdint>
#include <string_view>

#include "model/source.hpp"

namespace quince {

// Text owned by a source or by the arena.
struct Str {
    const char* data = nullptr;
    std::uint32_t size = 0;

    Str() noexcept = default;
    Str(std::string_view s) noexcept : data(s.data()), size(static_cast<std::uint32_t>(s.size())) {}
    std::string_view view() const noexcept { return {data, size}; }
    operator std::string_view() const noexcept { return view(); }
    friend bool operator==(Str a, Str b) noexcept { return a.view() == b.view(); }
};

struct ArrayNode;
struct ObjectNode;
struct SubstNode;
struct ConcatNode;
struct MergeNode;

// Numbers keep the text they were written with: conversion, and string
// concatenation in the HOCON dialect, need it rather than a binary value.
enum class Kind : std::uint8_t {
    Null, Bool, Int, BigInt, Float, Str, Array, Object,
    Foreign,  // a finished container already turned into the caller's object
    Subst,   // an unresolved ${path}
    Concat,  // an unresolved concatenation of segments
    Merge,   // definitions of one key that only resolution can combine
};

struct Value {
    // Str: the text is unquoted source text (a concatenation segment), not a
    // quoted string. Bool: the value. Foreign: it was an object.
    static constexpr std::uint8_t kUnquoted = 2;
    static constexpr std::uint8_t kTrue = 1;
    static constexpr std::uint8_t kForeignObject = 4;

    Kind kind = Kind::Null;
    std::uint8_t flags = 0;
    std::uint32_t size = 0;  // text length
    union {
        const char* text = nullptr;
        ArrayNode* array;
        ObjectNode* object;
        SubstNode* subst;
        ConcatNode* concat;
        MergeNode* merge;
        void* foreign;
    };

    static Value null() noexcept { return Value(); }
    static Value boolean(bool b) noexcept {
        Value v;
        v.kind = Kind::Bool;
        v.flags = b ? kTrue : 0;
        return v;
    }
    static Value textual(Kind k, std::string_view s, std::uint8_t flags = 0) noexcept {
        Value v;
        v.kind = k;
        v.flags = flags;
        v.size = static_cast<std::uint32_t>(s.size());
        v.text = s.data();
        return v;
    }
    static Value string(std::string_view s) noexcept { return textual(Kind::Str, s); }
    static Value of(ArrayNode* n) noexcept { return node(Kind::Array, &Value::array, n); }
    static Value of(ObjectNode* n) noexcept { return node(Kind::Object, &Value::object, n); }
    static Value of(SubstNode* n) noexcept { return node(Kind::Subst, &Value::subst, n); }
    static Value of(ConcatNode* n) noexcept { return node(Kind::Concat, &Value::concat, n); }
    static Value of(MergeNode* n) noexcept { return node(Kind::Merge, &Value::merge, n); }
    static Value of_foreign(void* handle, bool object) noexcept {
        Value v = node(Kind::Foreign, &Value::foreign, handle);
        v.flags = object ? kForeignObject : 0;
        return v;
    }

    bool truth() const noexcept { return flags & kTrue; }
    std::string_view str() const noexcept { return {text, size}; }
    bool is_container() const noexcept { return kind == Kind::Array || kind == Kind::Object; }
    bool is_opaque() const noexcept { return kind >= Kind::Subst; }
    // An object, or the caller's object made from one.
    bool is_object_like() const noexcept {
        return kind == Kind::Object || (kind == Kind::Foreign && (flags & kForeignObject));
    }

private:
    template <class N>
    static Value node(Kind k, N* Value::*field, N* n) noexcept {
        Value v;
        v.kind = k;
        v.*field = n;
        return v;
    }
};
static_assert(sizeof(Value) == 16);

// What a container knows about its whole subtree, cached. Computed on first
// need for parsed nodes (they change while parsing; see shape.hpp) and at
// construction for resolved ones.
struct Shape {
    enum State : std::uint8_t { kUnknown, kConcrete, kOpaque };
    std::uint64_t weight = 0;   // values in the expanded subtree, itself included
    std::uint64_t bytes = 0;    // text bytes in the expanded subtree
    std::uint32_t height = 0;   // levels of containers, itself included
    State state = kUnknown;     // kOpaque: holds a Subst, Concat or Merge somewhere
    bool shared = false;        // reachable from more than one place
};

struct Member {
    Str key;
    Value value;
};

struct ArrayNode {
    Shape shape;
    Value* items = nullptr;
    std::uint32_t size = 0;
};

class KeyIndex;

struct ObjectNode {
    Shape shape;
    Member* items = nullptr;
    std::uint32_t size = 0;
    std::uint32_t cap = 0;
    KeyIndex* index = nullptr;  // see key_index.hpp; members are only appended
    // When set, the members go straight into this caller's object instead
    // (see foreign.hpp), and `items` stays empty.
    void* foreign = nullptr;
};

struct SubstNode {
    Str* path = nullptr;
    std::uint32_t length = 0;  // elements in `path`
    // The first `prefix` elements locate the object an included file was
    // spliced into: the path is tried with them first, then without.
    std::uint32_t prefix = 0;
    bool optional = false;
    SourcePos pos;  // where "${" stands
};

struct ConcatNode {
    Value* items = nullptr;  // segments: values, unquoted text (Str + kUnquoted), Subst
    std::uint32_t size = 0;
};

struct MergeNode {
    Value* layers = nullptr;  // bottom (earliest definition) to top
    std::uint32_t size = 0;
    std::uint32_t cap = 0;
};

// True when the value holds no Subst, Concat or Merge at any depth.
bool is_concrete(const Value& value);

}  // namespace quince
