#include "model/stack.hpp"

#include <pthread.h>

#include <cstddef>
#include <cstdint>

namespace quince {

namespace {

// Left for the caller (the interpreter) and for unwinding the error.
constexpr std::size_t kMargin = 256 * 1024;

// Lowest address of this thread's stack; 1 when it cannot be known, in
// which case only the depth bounds apply.
std::uintptr_t stack_low() noexcept {
    thread_local std::uintptr_t low = 0;
    if (low == 0) {
        low = 1;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* addr = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0 && addr)
                low = reinterpret_cast<std::uintptr_t>(addr);
            pthread_attr_destroy(&attr);
        }
    }
    return low;
}

}  // namespace

bool stack_room() noexcept {
    const std::uintptr_t low = stack_low();
    if (low == 1) return true;
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return here > low + kMargin;
}

}  // namespace quince
