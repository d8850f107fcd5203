// Finding a member by key. Small objects are scanned; wide ones get a hash
// index, built on first need and kept in step as members are appended
// (members are never removed or reordered, so the index only catches up).
#pragma once

#include <cstdint>
#include <string_view>

#include "model/arena.hpp"
#include "model/value.hpp"

namespace quince {

class KeyIndex {
public:
    // Position of the first member of `obj` with `key`, or -1; brings the
    // index up to date with the members appended since the last call.
    std::ptrdiff_t find(Arena& arena, const ObjectNode& obj, std::string_view key);

private:
    void insert(const ObjectNode& obj, std::uint32_t pos, std::uint64_t hash) noexcept;
    void grow(Arena& arena, const ObjectNode& obj);

    // Open addressing: member position + 1 (0 is empty) and the hash's upper half.
    struct Slot {
        std::uint32_t pos1 = 0;
        std::uint32_t tag = 0;
    };
    Slot* slots_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t indexed_ = 0;
};

// Objects up to this many members are scanned rather than indexed.
inline constexpr std::size_t kScanLimit = 16;

const Member* find_member(Arena& arena, const ObjectNode& obj, std::string_view key);
inline Member* find_member(Arena& arena, ObjectNode& obj, std::string_view key) {
    return const_cast<Member*>(find_member(arena, static_cast<const ObjectNode&>(obj), key));
}

}  // namespace quince
