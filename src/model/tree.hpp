// Building and inspecting trees in an arena.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/arena.hpp"
#include "model/value.hpp"

namespace quince {

// An array holding copies of `items` (the values, not their subtrees).
Value make_array(Arena& arena, const Value* items, std::size_t n);

ObjectNode* make_object(Arena& arena, std::uint32_t capacity = 0);

// Appends without looking for the key (callers that may repeat a key go
// through merge_into). `obj` must not be shared.
void append_member(Arena& arena, ObjectNode& obj, Str key, Value value);

// A copy of `obj`'s member list: from now on the members' subtrees are
// reachable from both, so they are marked shared.
ObjectNode* clone_object(Arena& arena, const ObjectNode& obj);

// The value at the end of a key path: {path[1]: {path[2]: ... value}}, to be
// stored under path[0]. Built from the innermost level outwards.
Value wrap_path_levels(Arena& arena, const Str* path, std::size_t length, Value value);
inline Value wrap_path(Arena& arena, const Str* path, std::size_t length, Value value) {
    return length <= 1 ? value : wrap_path_levels(arena, path, length, value);
}

// Marks a value as reachable from more than one place.
void mark_shared(const Value& v) noexcept;

// The value with unresolved parts of the same source text: Subst, Concat,
// Merge.
Value make_subst(Arena& arena, const Str* path, std::uint32_t length, std::uint32_t prefix,
                 bool optional, SourcePos pos);
Value make_concat(Arena& arena, const Value* segments, std::size_t n);

// The shape of a container (height, weight, concreteness), computed on
// first need without recursion and kept until the node changes.
const Shape& shape_of(const Value& container);

// To be called on every object whose members change while parsing.
inline void touch(ObjectNode& obj) noexcept { obj.shape.state = Shape::kUnknown; }

// Height of any value: 0 for scalars.
inline std::uint32_t height_of(const Value& v) { return v.is_container() ? shape_of(v).height : 0; }

}  // namespace quince
