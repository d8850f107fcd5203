#include "model/stack.hpp"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace quince {

namespace {

struct StackBounds {
    std::uintptr_t low = 0;     // lowest usable address; 0 when unknown
    std::uintptr_t margin = 0;  // left for the caller (the interpreter) and for unwinding
};

StackBounds find_bounds() noexcept {
    StackBounds b;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return b;
    void* addr = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0 && addr && size > 0) {
        b.low = reinterpret_cast<std::uintptr_t>(addr);
        // An eighth of the stack, between 16 KiB and 256 KiB: the deepest
        // stretch between two checks needs a few KiB, the interpreter
        // around us a little more.
        b.margin = std::clamp<std::size_t>(size / 8, 16 * 1024, 256 * 1024);
    }
    pthread_attr_destroy(&attr);
    return b;
}

}  // namespace

bool stack_room() noexcept {
    thread_local const StackBounds bounds = find_bounds();
    if (bounds.low == 0) return true;  // unknown: only the depth bounds apply
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return here > bounds.low + bounds.margin;
}

}  // namespace quince
