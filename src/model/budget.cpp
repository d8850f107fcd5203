#include "model/budget.hpp"

namespace quince {

bool Budget::check() {
    if (failed_) return false;
    if (work_ > limits::kMaxWork) return fail(Reason::Work);
    next_check_ = work_ + limits::kProgressInterval;
    if (progress_ && !progress_->keep_going()) return fail(Reason::Interrupted);
    return true;
}

EngineError Budget::failure() const {
    switch (reason_) {
    case Reason::Interrupted:
        return {ErrorCategory::Interrupted, false, "interrupted", {}};
    case Reason::Work:
        return {ErrorCategory::Unsupported, true, "configuration needs too much work to resolve", {}};
    case Reason::Expansion:
        break;
    }
    return {ErrorCategory::Unsupported, true,
            "configuration expands beyond 10000000 values or 1 GiB of text", {}};
}

}  // namespace quince
