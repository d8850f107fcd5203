// How much native stack the current thread has left. The depth bounds of
// parser and resolver are sized for the 8 MiB a Linux thread gets by
// default; a thread started with a smaller stack, or a build whose frames
// are larger (sanitizers), is protected by this check instead.
#pragma once

#include <cstddef>

namespace quince {

// False once less than a safety margin of the thread's stack remains. The
// margin is a fraction of the stack, so small stacks still hold small
// documents.
bool stack_room() noexcept;

// `levels` more levels of recursion: counts them in `depth` for its
// lifetime and tells whether they stay within `max` and the stack.
class DepthGuard {
public:
    DepthGuard(std::size_t& depth, std::size_t max, std::size_t levels = 1) noexcept
        : depth_(depth), levels_(levels), ok_((depth += levels) <= max && (levels == 0 || stack_room())) {}
    ~DepthGuard() { depth_ -= levels_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool ok() const noexcept { return ok_; }

private:
    std::size_t& depth_;
    std::size_t levels_;
    bool ok_;
};

}  // namespace quince
