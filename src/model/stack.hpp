// How much native stack the current thread has left. The depth bounds of
// parser and resolver are sized for the 8 MiB a Linux thread gets by
// default; a thread started with a smaller stack, or a build whose frames
// are larger (sanitizers), is protected by this check instead.
#pragma once

#include <cstddef>

namespace quince {

// False once less than a safety margin of the thread's stack remains.
bool stack_room() noexcept;

// One level of recursion: counts it in `depth` for its lifetime and tells
// whether the level is still within `max` and the stack.
class DepthGuard {
public:
    DepthGuard(std::size_t& depth, std::size_t max) noexcept
        : depth_(depth), ok_(++depth <= max && stack_room()) {}
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool ok() const noexcept { return ok_; }

private:
    std::size_t& depth_;
    bool ok_;
};

}  // namespace quince
