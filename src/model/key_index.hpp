// Finding a member by key. Small objects are scanned; wide ones get a hash
// index, built on first need and kept in step as members are appended
// (members are never removed or reordered, so the index only catches up).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "model/value.hpp"

namespace quince {

class KeyIndex {
public:
    // Brings the index up to date with `members` (appends only).
    void sync(const Members& members);
    // Position of the first member with `key`, or -1.
    std::ptrdiff_t find(const Members& members, std::string_view key) const noexcept;

private:
    void insert(const Members& members, std::uint32_t pos, std::uint64_t hash);
    void grow(const Members& members);

    // Open addressing: member position + 1 (0 is empty) and the hash's upper half.
    struct Slot {
        std::uint32_t pos1 = 0;
        std::uint32_t tag = 0;
    };
    std::vector<Slot> slots_;
    std::size_t indexed_ = 0;
};

// Objects up to this many members are scanned rather than indexed.
inline constexpr std::size_t kScanLimit = 16;

Member* find_member(Object& obj, std::string_view key);
const Member* find_member(const Object& obj, std::string_view key);

}  // namespace quince
