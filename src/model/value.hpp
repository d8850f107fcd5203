// The document model: the value tree shared by parser, resolver and the
// Python conversion. Copies are deep (the defaulted copy operations of the
// standard containers); moves are cheap and are how values reach parents.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "model/key.hpp"

namespace quince {

struct Value;
struct Member;
struct CSeg;

using KeyPath = std::vector<std::string>;
using Members = std::vector<Member>;

struct Null {
    bool operator==(const Null&) const = default;
};
struct BigInt {
    std::string text;  // optional sign, then ASCII digits, exactly as written
};
struct Array {
    std::vector<Value> items;
};
class KeyIndex;

// A lookup index that belongs to one member list. Copying an object does not
// copy it: the copy builds its own when it needs one.
struct IndexCache {
    std::unique_ptr<KeyIndex> p;

    IndexCache() noexcept;
    IndexCache(const IndexCache&) noexcept;
    IndexCache& operator=(const IndexCache&) noexcept;
    IndexCache(IndexCache&&) noexcept;
    IndexCache& operator=(IndexCache&&) noexcept;
    ~IndexCache();
};

struct Object {
    Members members;
    mutable IndexCache index;  // see key_index.hpp; members must only be appended
};
struct Subst {
    KeyPath path;
    bool optional = false;
};
struct Concat {
    std::vector<CSeg> segs;
};

// The index order is fixed: Kind mirrors it.
enum class Kind : std::uint8_t {
    Null, Bool, Int, BigInt, Float, Str, Array, Object, Subst, Concat
};

struct Value {
    using Variant = std::variant<Null, bool, std::int64_t, BigInt, double,
                                 std::string, Array, Object, Subst, Concat>;
    Variant v;

    Value() = default;
    template <class T>
        requires std::is_constructible_v<Variant, T&&> &&
                 (!std::is_same_v<std::remove_cvref_t<T>, Value>)
    Value(T&& x) : v(std::forward<T>(x)) {}

    Kind kind() const noexcept { return static_cast<Kind>(v.index()); }
    template <class T> T* get() noexcept { return std::get_if<T>(&v); }
    template <class T> const T* get() const noexcept { return std::get_if<T>(&v); }
};

struct Member {
    Key key;
    Value value;
};

// One segment of an unevaluated concatenation.
struct Text {
    std::string text;  // unquoted text verbatim, possibly whitespace only
};
struct CSeg {
    std::variant<Value, Text, Subst> v;  // Val, Text, Subst
};

// True when the value holds no Subst and no Concat at any depth.
bool is_concrete(const Value& value) noexcept;

}  // namespace quince

namespace quince {

// One piece of a value while the value parser collects it. Unquoted text is
// a view into the source, which outlives the collection.
struct RawPart {
    enum class Kind : std::uint8_t { Quoted, Unquoted, Subst, Object, Array };
    Kind kind;
    std::string quoted;         // Quoted: the text after escape processing
    std::string_view unquoted;  // Unquoted: the run verbatim
    Value value;                // Subst, Object, Array
};

}  // namespace quince
