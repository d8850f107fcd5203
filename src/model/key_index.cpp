#include "model/key_index.hpp"

#include "model/key_hash.hpp"

namespace quince {

void KeyIndex::grow(Arena& arena, const ObjectNode& obj) {
    capacity_ = capacity_ == 0 ? 64 : capacity_ * 2;
    slots_ = arena.make_array<Slot>(capacity_);
    const std::size_t n = indexed_;
    for (std::size_t i = 0; i < n; ++i)
        insert(obj, static_cast<std::uint32_t>(i), hash_key(obj.items[i].key));
}

void KeyIndex::insert(const ObjectNode& obj, std::uint32_t pos, std::uint64_t hash) noexcept {
    const std::size_t mask = capacity_ - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.pos1 == 0) {
            s = Slot{pos + 1, tag};
            return;
        }
        // Keep the first of equal keys, as a scan would find it.
        if (s.tag == tag && obj.items[s.pos1 - 1].key == obj.items[pos].key) return;
    }
}

std::ptrdiff_t KeyIndex::find(Arena& arena, const ObjectNode& obj, std::string_view key) {
    if (indexed_ > obj.size) {  // the member list was replaced: start over
        slots_ = nullptr;
        capacity_ = 0;
        indexed_ = 0;
    }
    while (indexed_ < obj.size) {
        if ((indexed_ + 1) * 2 > capacity_) grow(arena, obj);
        insert(obj, static_cast<std::uint32_t>(indexed_), hash_key(obj.items[indexed_].key));
        ++indexed_;
    }
    const std::uint64_t hash = hash_key(key);
    const std::size_t mask = capacity_ - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.pos1 == 0) return -1;
        if (s.tag == tag && obj.items[s.pos1 - 1].key.view() == key) return s.pos1 - 1;
    }
}

const Member* find_member(Arena& arena, const ObjectNode& obj, std::string_view key) {
    if (obj.size <= kScanLimit) {
        for (std::uint32_t i = 0; i < obj.size; ++i)
            if (obj.items[i].key.view() == key) return &obj.items[i];
        return nullptr;
    }
    auto& index = const_cast<ObjectNode&>(obj).index;
    if (!index) index = arena.make<KeyIndex>();
    const std::ptrdiff_t pos = index->find(arena, obj, key);
    return pos < 0 ? nullptr : &obj.items[pos];
}

}  // namespace quince
