#include "model/tree.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace quince {

namespace {

Shape& shape_ref(const Value& v) noexcept {
    return v.kind == Kind::Array ? v.array->shape : v.object->shape;
}

std::uint64_t add_sat(std::uint64_t a, std::uint64_t b) noexcept {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                            : a + b;
}

// The shape of `node` from its children's, which must all be known.
void settle(const Value& node) noexcept {
    Shape& s = shape_ref(node);
    std::uint64_t weight = 1, bytes = 0;
    std::uint32_t height = 0;
    bool opaque = false;
    auto add = [&](const Value& child) {
        switch (child.kind) {
        case Kind::Array:
        case Kind::Object: {
            const Shape& c = shape_ref(child);
            weight = add_sat(weight, c.weight);
            bytes = add_sat(bytes, c.bytes);
            height = std::max(height, c.height);
            opaque = opaque || c.state == Shape::kOpaque;
            break;
        }
        case Kind::Str:
        case Kind::BigInt:
            weight = add_sat(weight, 1);
            bytes = add_sat(bytes, child.size);
            break;
        case Kind::Subst:
        case Kind::Concat:
        case Kind::Merge:
            opaque = true;
            weight = add_sat(weight, 1);
            break;
        default:
            weight = add_sat(weight, 1);
        }
    };
    if (node.kind == Kind::Array) {
        for (std::uint32_t i = 0; i < node.array->size; ++i) add(node.array->items[i]);
    } else {
        for (std::uint32_t i = 0; i < node.object->size; ++i) {
            bytes = add_sat(bytes, node.object->items[i].key.size);
            add(node.object->items[i].value);
        }
    }
    s.weight = weight;
    s.bytes = bytes;
    s.height = height + 1;
    s.state = opaque ? Shape::kOpaque : Shape::kConcrete;
}

template <class F>
void for_each_child(const Value& node, F&& f) {
    if (node.kind == Kind::Array) {
        for (std::uint32_t i = 0; i < node.array->size; ++i) f(node.array->items[i]);
    } else {
        for (std::uint32_t i = 0; i < node.object->size; ++i) f(node.object->items[i].value);
    }
}

}  // namespace

Value make_array(Arena& arena, const Value* items, std::size_t n) {
    auto* node = arena.make<ArrayNode>();
    if (n > 0) {
        node->items = static_cast<Value*>(arena.allocate(n * sizeof(Value), alignof(Value)));
        std::memcpy(static_cast<void*>(node->items), items, n * sizeof(Value));
    }
    node->size = static_cast<std::uint32_t>(n);
    return Value::of(node);
}

ObjectNode* make_object(Arena& arena, std::uint32_t capacity) {
    auto* node = arena.make<ObjectNode>();
    if (capacity > 0) {
        node->items = static_cast<Member*>(arena.allocate(capacity * sizeof(Member), alignof(Member)));
        node->cap = capacity;
    }
    return node;
}

void append_member(Arena& arena, ObjectNode& obj, Str key, Value value) {
    if (obj.size == obj.cap) {
        const std::uint32_t cap = obj.cap < 4 ? 4 : obj.cap * 2;
        auto* items = static_cast<Member*>(arena.allocate(std::size_t{cap} * sizeof(Member), alignof(Member)));
        if (obj.size) std::memcpy(static_cast<void*>(items), obj.items, obj.size * sizeof(Member));
        obj.items = items;
        obj.cap = cap;
    }
    obj.items[obj.size++] = Member{key, value};
    obj.shape.state = Shape::kUnknown;
}

void mark_shared(const Value& v) noexcept {
    if (v.is_container()) shape_ref(v).shared = true;
}

ObjectNode* clone_object(Arena& arena, const ObjectNode& obj) {
    ObjectNode* copy = make_object(arena, obj.size);
    if (obj.size) std::memcpy(static_cast<void*>(copy->items), obj.items, obj.size * sizeof(Member));
    copy->size = obj.size;
    copy->shape = obj.shape;
    copy->shape.shared = false;
    for (std::uint32_t i = 0; i < obj.size; ++i) mark_shared(obj.items[i].value);
    return copy;
}

Value make_subst(Arena& arena, const Str* path, std::uint32_t length, std::uint32_t prefix,
                 bool optional, SourcePos pos) {
    Str* elements = arena.make_array<Str>(length);
    std::copy(path, path + length, elements);
    return Value::of(arena.make<SubstNode>(elements, length, prefix, optional, pos));
}

Value make_concat(Arena& arena, const Value* segments, std::size_t n) {
    auto* node = arena.make<ConcatNode>();
    node->items = static_cast<Value*>(arena.allocate(n * sizeof(Value), alignof(Value)));
    std::memcpy(static_cast<void*>(node->items), segments, n * sizeof(Value));
    node->size = static_cast<std::uint32_t>(n);
    return Value::of(node);
}

Value wrap_path_levels(Arena& arena, const Str* path, std::size_t length, Value value) {
    for (std::size_t i = length; i-- > 1;) {
        ObjectNode* wrapper = make_object(arena, 1);
        append_member(arena, *wrapper, path[i], value);
        value = Value::of(wrapper);
    }
    return value;
}

const Shape& shape_of(const Value& container) {
    Shape& s = shape_ref(container);
    if (s.state != Shape::kUnknown) return s;
    // Post-order without recursion: a node is settled once its children are.
    struct Item {
        Value node;
        bool expanded;
    };
    std::vector<Item> todo{{container, false}};
    while (!todo.empty()) {
        Item& top = todo.back();
        if (shape_ref(top.node).state != Shape::kUnknown) {
            todo.pop_back();
        } else if (top.expanded) {
            settle(top.node);
            todo.pop_back();
        } else {
            top.expanded = true;
            const Value node = top.node;
            for_each_child(node, [&](const Value& child) {
                if (child.is_container() && shape_ref(child).state == Shape::kUnknown)
                    todo.push_back({child, false});
            });
        }
    }
    return s;
}

bool is_concrete(const Value& value) {
    switch (value.kind) {
    case Kind::Subst:
    case Kind::Concat:
    case Kind::Merge:
        return false;
    case Kind::Array:
    case Kind::Object:
        return shape_of(value).state == Shape::kConcrete;
    default:
        return true;
    }
}

}  // namespace quince
