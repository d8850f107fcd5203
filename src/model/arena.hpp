// One call's memory. Every node of the trees of a call (parsed and
// resolved) lives here and is released at once when the call ends: no tree
// is ever released node by node, so releasing never recurses, and subtrees
// may be shared freely within the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <type_traits>

namespace quince {

class Arena {
public:
    Arena() noexcept = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // Uninitialised storage; throws std::bad_alloc.
    void* allocate(std::size_t bytes, std::size_t align) {
        std::uintptr_t p = (reinterpret_cast<std::uintptr_t>(cur_) + (align - 1)) & ~(align - 1);
        if (cur_ && bytes <= static_cast<std::size_t>(end_ - reinterpret_cast<char*>(p))) {
            cur_ = reinterpret_cast<char*>(p) + bytes;
            return reinterpret_cast<void*>(p);
        }
        return allocate_slow(bytes, align);
    }

    // n default-constructed objects; only trivially destructible types, as
    // nothing here is ever destroyed.
    template <class T>
    T* make_array(std::size_t n) {
        static_assert(std::is_trivially_destructible_v<T>);
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        T* p = static_cast<T*>(allocate(n * sizeof(T), alignof(T)));
        for (std::size_t i = 0; i < n; ++i) new (p + i) T();
        return p;
    }
    template <class T, class... Args>
    T* make(Args&&... args) {
        static_assert(std::is_trivially_destructible_v<T>);
        return new (allocate(sizeof(T), alignof(T))) T{static_cast<Args&&>(args)...};
    }
    // A copy of `s` that lives as long as the arena.
    std::string_view copy(std::string_view s) {
        if (s.empty()) return {};
        char* p = static_cast<char*>(allocate(s.size(), 1));
        std::memcpy(p, s.data(), s.size());
        return {p, s.size()};
    }

    // Bytes taken from the system so far.
    std::size_t footprint() const noexcept { return footprint_; }

    // A point to come back to: everything allocated after it can be given
    // back at once, when nothing refers to it any more.
    struct Mark {
        void* chunks;
        char* cur;
        char* end;
        std::size_t next_size;
    };
    Mark mark() const noexcept { return {chunks_, cur_, end_, next_size_}; }
    void release(const Mark& m) noexcept;

private:
    struct Chunk {
        Chunk* prev;
        std::size_t size;
    };
    void* allocate_slow(std::size_t bytes, std::size_t align);

    Chunk* chunks_ = nullptr;
    char* cur_ = nullptr;
    char* end_ = nullptr;
    std::size_t next_size_ = 16 * 1024;
    std::size_t footprint_ = 0;
};

}  // namespace quince
