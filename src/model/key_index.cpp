#include "model/key_index.hpp"

#include <memory>

#include "model/key_hash.hpp"

namespace quince {

IndexCache::IndexCache() noexcept = default;
IndexCache::IndexCache(const IndexCache&) noexcept {}
IndexCache::~IndexCache() = default;
IndexCache::IndexCache(IndexCache&&) noexcept = default;
IndexCache& IndexCache::operator=(IndexCache&&) noexcept = default;
IndexCache& IndexCache::operator=(const IndexCache&) noexcept {
    p.reset();
    return *this;
}

void KeyIndex::grow(const Members& members) {
    std::size_t cap = slots_.empty() ? 64 : slots_.size() * 2;
    slots_.assign(cap, Slot{});
    std::size_t n = indexed_;
    indexed_ = 0;
    for (std::size_t i = 0; i < n; ++i) {
        insert(members, static_cast<std::uint32_t>(i), hash_key(members[i].key));
        ++indexed_;
    }
}

void KeyIndex::insert(const Members& members, std::uint32_t pos, std::uint64_t hash) {
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.pos1 == 0) {
            s = Slot{pos + 1, tag};
            return;
        }
        // Keep the first of equal keys, as a scan would find it.
        if (s.tag == tag && members[s.pos1 - 1].key == members[pos].key) return;
    }
}

void KeyIndex::sync(const Members& members) {
    if (indexed_ > members.size()) {  // the list was replaced: start over
        slots_.clear();
        indexed_ = 0;
    }
    while (indexed_ < members.size()) {
        if ((indexed_ + 1) * 2 > slots_.size()) grow(members);
        insert(members, static_cast<std::uint32_t>(indexed_), hash_key(members[indexed_].key));
        ++indexed_;
    }
}

std::ptrdiff_t KeyIndex::find(const Members& members, std::string_view key) const noexcept {
    if (slots_.empty()) return -1;
    const std::uint64_t hash = hash_key(key);
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.pos1 == 0) return -1;
        if (s.tag == tag && members[s.pos1 - 1].key == key) return s.pos1 - 1;
    }
}

const Member* find_member(const Object& obj, std::string_view key) {
    const Members& members = obj.members;
    if (members.size() <= kScanLimit) {
        for (const Member& m : members)
            if (m.key == key) return &m;
        return nullptr;
    }
    if (!obj.index.p) obj.index.p = std::make_unique<KeyIndex>();
    obj.index.p->sync(members);
    std::ptrdiff_t pos = obj.index.p->find(members, key);
    return pos < 0 ? nullptr : &members[static_cast<std::size_t>(pos)];
}

Member* find_member(Object& obj, std::string_view key) {
    return const_cast<Member*>(find_member(static_cast<const Object&>(obj), key));
}

}  // namespace quince
