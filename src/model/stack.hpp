// How much native stack the current thread has left. The depth bounds of
// parser and resolver are sized for the 8 MiB a Linux thread gets by
// default; a thread started with a smaller stack, or a build whose frames
// are larger (sanitizers), is protected by this check instead.
#pragma once

namespace quince {

// False once less than a safety margin of the thread's stack remains.
bool stack_room() noexcept;

}  // namespace quince
