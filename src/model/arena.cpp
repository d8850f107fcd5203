#include "model/arena.hpp"

#include <cstdlib>

namespace quince {

Arena::~Arena() {
    while (chunks_) {
        Chunk* prev = chunks_->prev;
        std::free(chunks_);
        chunks_ = prev;
    }
}

void Arena::release(const Mark& m) noexcept {
    while (chunks_ && chunks_ != m.chunks) {
        Chunk* prev = chunks_->prev;
        footprint_ -= chunks_->size;
        std::free(chunks_);
        chunks_ = prev;
    }
    cur_ = m.cur;
    end_ = m.end;
    next_size_ = m.next_size;
}

void* Arena::allocate_slow(std::size_t bytes, std::size_t align) {
    constexpr std::size_t kMaxChunk = 4u << 20;
    const std::size_t header = (sizeof(Chunk) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    if (bytes > SIZE_MAX / 2 - header - align) throw std::bad_alloc();
    const std::size_t need = header + bytes + align;
    // Large requests get a chunk of their own, so that the current chunk's
    // free space is not thrown away.
    const bool own = need > next_size_ / 2;
    const std::size_t size = own ? need : next_size_;
    auto* chunk = static_cast<Chunk*>(std::malloc(size));
    if (!chunk) throw std::bad_alloc();
    footprint_ += size;
    char* begin = reinterpret_cast<char*>(chunk) + header;
    char* end = reinterpret_cast<char*>(chunk) + size;
    std::uintptr_t p = (reinterpret_cast<std::uintptr_t>(begin) + (align - 1)) & ~(align - 1);
    if (own && chunks_) {
        // Keep allocating from the current chunk afterwards; the chunk list
        // stays in allocation order, so that a mark can give back the rest.
        chunk->prev = chunks_;
        chunk->size = size;
        chunks_ = chunk;
    } else {
        chunk->prev = chunks_;
        chunk->size = size;
        chunks_ = chunk;
        cur_ = reinterpret_cast<char*>(p) + bytes;
        end_ = end;
        if (next_size_ < kMaxChunk) next_size_ *= 2;
    }
    return reinterpret_cast<void*>(p);
}

}  // namespace quince
