// What one call may spend: expansion (values and text bytes that copies and
// resolution produce), work (steps of resolution), and the caller's chance
// to stop a long call. Chained substitutions can double a document per
// line, so without these bounds a few hundred bytes of text could ask for
// more memory or time than exists.
#pragma once

#include <cstdint>

#include "model/error.hpp"
#include "model/limits.hpp"

namespace quince {

// Called every few milliseconds of work; returning false stops the call
// (the hook records why, for its caller).
class ProgressHook {
public:
    virtual bool keep_going() = 0;

protected:
    ~ProgressHook() = default;
};

class Budget {
public:
    explicit Budget(ProgressHook* progress = nullptr) noexcept : progress_(progress) {}

    // Records `v` values and `b` bytes of expansion; false once over a bound.
    bool charge(std::uint64_t v, std::uint64_t b) noexcept {
        values_ += v;
        bytes_ += b;
        if (values_ <= limits::kMaxValues && bytes_ <= limits::kMaxBytes) return true;
        return fail(Reason::Expansion);
    }
    // True when a tree of this weight and text size stays within the bounds.
    bool fits(std::uint64_t weight, std::uint64_t bytes) noexcept {
        if (weight <= limits::kMaxValues && bytes <= limits::kMaxBytes) return true;
        return fail(Reason::Expansion);
    }
    // Bytes of expansion still allowed.
    std::uint64_t bytes_left() const noexcept {
        return bytes_ >= limits::kMaxBytes ? 0 : limits::kMaxBytes - bytes_;
    }
    // Records `w` steps of work; false once over the bound or when the
    // progress hook says stop. Once false, always false.
    bool step(std::uint64_t w = 1) {
        work_ += w;
        if (work_ < next_check_) return true;
        return check();
    }
    // Forgets what was spent (the progress hook stays).
    void reset() noexcept {
        values_ = bytes_ = work_ = 0;
        next_check_ = limits::kProgressInterval;
        failed_ = false;
    }
    // The error for the last false answer.
    EngineError failure() const;
    // Marks the budget as spent, for a request refused before it was made.
    EngineError exceeded() noexcept {
        fail(Reason::Expansion);
        return failure();
    }

private:
    enum class Reason : std::uint8_t { Expansion, Work, Interrupted };
    bool check();
    bool fail(Reason r) noexcept {
        if (!failed_) reason_ = r;
        failed_ = true;
        next_check_ = 0;  // every later step goes through check()
        return false;
    }

    std::uint64_t values_ = 0, bytes_ = 0, work_ = 0;
    std::uint64_t next_check_ = limits::kProgressInterval;
    ProgressHook* progress_;
    Reason reason_ = Reason::Expansion;
    bool failed_ = false;
};

}  // namespace quince
